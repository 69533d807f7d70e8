#include "inspect/MediaTracks.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include "engine/AVConvertOptions.h"
#include "engine/SourceTags.h"
#include "media/LibraryPtrs.h"
#include "media/MediaLibraries.h"

namespace inspect {

namespace {

QString Tag(const AVStream* st, const char* key) {
  const AVDictionaryEntry* e = av_dict_get(st->metadata, key, nullptr, 0);
  return e ? QString::fromUtf8(e->value).trimmed() : QString();
}

QString TrackLabel(int number, const AVStream* st) {
  QString name = Tag(st, "title");
  if (name.isEmpty()) name = Tag(st, "language");
  QString details = QString::fromLatin1(avcodec_get_name(st->codecpar->codec_id));
  if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && st->codecpar->ch_layout.nb_channels > 0)
    details += QStringLiteral(", %1声道").arg(st->codecpar->ch_layout.nb_channels);
  if (name.isEmpty()) return QStringLiteral("%1. %2").arg(number).arg(details);
  return QStringLiteral("%1. %2 (%3)").arg(number).arg(name, details);
}

// The library's pick; of pictures, a cover is none to convert.
int BestStream(AVFormatContext* ic, AVMediaType type) {
  const int best = av_find_best_stream(ic, type, -1, -1, nullptr, 0);
  if (best < 0) return -1;
  if (type != AVMEDIA_TYPE_VIDEO || !engine::IsCover(ic->streams[best])) return best;
  for (unsigned i = 0; i < ic->nb_streams; ++i)
    if (ic->streams[i]->codecpar->codec_type == type && !engine::IsCover(ic->streams[i])) return int(i);
  return -1;
}

// The container a conversion writes: the one the options name, or the one
// the target's name suggests (a numbered name of an animated-picture type is
// a picture sequence).
const AVOutputFormat* TargetFormat(const TAVConvertOptions& options, const QString& target) {
  if (!options.OutputFormat().isEmpty())
    if (const AVOutputFormat* f = av_guess_format(options.OutputFormat().toUtf8().constData(), nullptr, nullptr))
      return f;
  const QByteArray name = target.toLocal8Bit();
  const AVOutputFormat* f = av_guess_format(nullptr, name.constData(), nullptr);
  if (f && av_filename_number_test(name.constData()))
    for (const char* animated : {"gif", "apng", "webp"})
      if (qstrcmp(f->name, animated) == 0) return av_guess_format("image2", nullptr, nullptr);
  return f;
}

}  // namespace

TMediaSummary ProbeMediaFile(const QString& name, bool lookAtPictures) {
  media::LoadMediaLibraries();
  TMediaSummary summary;
  AVFormatContext* opened = nullptr;
  // A failed open frees the context.
  if (const int r = avformat_open_input(&opened, name.toUtf8().constData(), nullptr, nullptr); r < 0) {
    summary.Error = media::ErrorText(r);
    return summary;
  }
  const media::InputFormatContextPtr ic(opened);
  if (const int r = avformat_find_stream_info(ic.get(), nullptr); r < 0) {
    summary.Error = media::ErrorText(r);
    return summary;
  }
  if (ic->duration != AV_NOPTS_VALUE && ic->duration > 0) summary.Duration = double(ic->duration) / AV_TIME_BASE;
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    const AVStream* st = ic->streams[i];
    const AVMediaType type = st->codecpar->codec_type;
    if (type == AVMEDIA_TYPE_AUDIO) {
      summary.Audio.push_back({int(i), TrackLabel(int(summary.Audio.size()) + 1, st)});
    } else if (type == AVMEDIA_TYPE_SUBTITLE) {
      const AVCodecDescriptor* d = avcodec_descriptor_get(st->codecpar->codec_id);
      summary.Subtitles.push_back({int(i), TrackLabel(int(summary.Subtitles.size()) + 1, st),
                                   d && (d->props & AV_CODEC_PROP_TEXT_SUB)});
    }
    if (engine::IsCover(st)) summary.Cover = true;
  }
  summary.Chapters = int(ic->nb_chapters);
  summary.BestVideo = BestStream(ic.get(), AVMEDIA_TYPE_VIDEO);
  summary.BestAudio = BestStream(ic.get(), AVMEDIA_TYPE_AUDIO);
  summary.BestSubtitle = BestStream(ic.get(), AVMEDIA_TYPE_SUBTITLE);
  summary.Media = summary.BestVideo >= 0 || summary.BestAudio >= 0;
  if (summary.BestVideo >= 0) {
    summary.Pictures = engine::DescribeVideoStream(ic->streams[summary.BestVideo]);
    if (lookAtPictures)
      engine::SamplePictures(name, summary.BestVideo, summary.Pictures, 0, ic->streams[summary.BestVideo]->codecpar);
  }
  if (!summary.Media) summary.Error = QStringLiteral("no video or audio stream");
  return summary;
}

TOutputStreams PlannedOutputStreams(const TAVConvertOptions& options, const QString& target,
                                    const TMediaSummary& source) {
  TOutputStreams planned;
  const AVOutputFormat* f = TargetFormat(options, target);
  if (!f) return planned;
  const TVideoOptions& vo = options.VideoOptions();
  const TAudioOptions& ao = options.AudioOptions();
  const TSubtitleOptions& so = options.SubtitleOptions();
  // Audio containers name PNG for a cover picture, which is no video stream.
  const bool defaultVideo =
      f->video_codec != AV_CODEC_ID_NONE && !(f->video_codec == AV_CODEC_ID_PNG && f->audio_codec != AV_CODEC_ID_NONE);
  planned.Video = (defaultVideo || vo.VideoStreamCopy() || !vo.EncoderVideoCodecName().isEmpty()) &&
                  source.BestVideo >= 0 && !vo.VideoDisable();
  planned.Audio = (f->audio_codec != AV_CODEC_ID_NONE || ao.AudioStreamCopy() || !ao.EncoderAudioCodecName().isEmpty()) &&
                  source.BestAudio >= 0 && !ao.AudioDisable();
  planned.Subtitle =
      (f->subtitle_codec != AV_CODEC_ID_NONE || so.SubtitleStreamCopy() || !so.SubtitleCodecName().isEmpty()) &&
      !source.Subtitles.empty() && !so.SubtitleDisable();
  return planned;
}

QStringList StreamMapsFor(const TMediaSummary& source, const TAVConvertOptions& options, const QString& target,
                          int audioStream, int subtitleStream) {
  const int audio = audioStream >= 0 ? audioStream : source.BestAudio;
  const int subtitle = subtitleStream >= 0 ? subtitleStream : source.BestSubtitle;
  if (audio == source.BestAudio && subtitle == source.BestSubtitle) return {};
  const TOutputStreams planned = PlannedOutputStreams(options, target, source);
  const auto map = [](int stream) { return QStringLiteral("0=%1").arg(stream); };
  QStringList maps;
  if (planned.Video) maps << map(source.BestVideo);
  if (planned.Audio) maps << map(audio);
  if (planned.Subtitle) maps << map(subtitle);
  return maps;
}

}  // namespace inspect
