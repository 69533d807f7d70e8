// Opening and probing one input file: forced format and decoders, program
// selection, the start-time seek, the timestamp offset, and the input's audio
// and video parameters taken over as the output's working values.

#include <QtGlobal>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include "engine/AVConverter.h"
#include "engine/ConvertThreads.h"
#include "engine/EncoderNames.h"
#include "media/StreamInput.h"
#include "media/WavcapInput.h"

namespace {

// What the demuxer is told before it probes: only raw and capture inputs read
// it. A recording is made at the output's sample rate and channel count when
// the options name them. An earlier input's pictures set the rest.
media::Dictionary FormatParameters(const TAVConvertOptions& o, const TAVRunPicture& picture, const TAVRunFormat& format,
                                   bool recording) {
  media::Dictionary params;
  const TAudioOptions& ao = o.AudioOptions();
  params.Set("sample_rate", recording && ao.AudioSampleRate() > 0 ? QByteArray::number(ao.AudioSampleRate()) : "44100");
  params.Set("channels", recording && ao.AudioChannels() > 0 ? QByteArray::number(ao.AudioChannels()) : "1");
  const AVRational rate = picture.rate;
  if (rate.num > 0 && rate.den > 0)
    params.Set("framerate", QByteArray::number(rate.num).append('/').append(QByteArray::number(rate.den)));
  const int width = format._FrameWidth, height = format._FrameHeight;
  if (width > 0 && height > 0)
    params.Set("video_size", QByteArray::number(width).append('x').append(QByteArray::number(height)));
  if (const char* pixfmt = av_get_pix_fmt_name(static_cast<AVPixelFormat>(picture.pix_fmt)))
    params.Set("pixel_format", pixfmt);
  if (o.GrabOptions().VideoChannel() != 0)
    params.Set("channel", QByteArray::number(o.GrabOptions().VideoChannel()));
  if (!o.GrabOptions().VideoStandard().isEmpty()) params.Set("standard", o.GrabOptions().VideoStandard());
  // Only the image-sequence demuxer can still loop its input.
  if (o.LoopInput()) params.Set("loop", "1");
  return params;
}

}  // namespace

const AVCodec* TAVConverter::FindCodec(const QString& name, AVMediaType type, bool encoder) {
  if (name.isEmpty()) return nullptr;
  const QByteArray n = name.toLocal8Bit();
  const AVCodec* codec = nullptr;
  if (encoder) {
    QString note;
    codec = engine::FindEncoderByName(n, note);
    if (!note.isEmpty()) DoLog(AV_LOG_WARNING, note);
  } else {
    codec = avcodec_find_decoder_by_name(n.constData());
  }
  if (!codec) Fail(QStringLiteral("Unknown Codec Name"));
  if (codec->type != type) Fail(QStringLiteral("Invalid codec type"));
  return codec;
}

void TAVConverter::OpenInputFile(int index) {
  Q_ASSERT(index >= 0 && index < FRun->input_names.size());
  const TAVConvertOptions& o = RunOptions();
  const TVideoOptions& vo = o.VideoOptions();
  const AVInputFormat* iformat = FRun->file_iformat;

  AVFormatContext* ic = avformat_alloc_context();
  if (!ic) Fail(QString::asprintf("打不开:%d!", AVERROR(ENOMEM)));
  media::Dictionary params =
      FormatParameters(o, FRun->picture, FRun->format, iformat && iformat == media::WavcapInputFormat());
  ApplyRunOptions(ic, osFormat, AV_OPT_FLAG_DECODING_PARAM);
  const AVCodec* subtitleDecoder = nullptr;
  try {
    if (const AVCodec* c = FindCodec(QString::fromLatin1(vo.DecoderVideoCodecName()), AVMEDIA_TYPE_VIDEO, false)) {
      ic->video_codec_id = c->id;
      ic->video_codec = c;
    }
    if (const AVCodec* c = FindCodec(o.AudioOptions().DecoderAudioCodecName(), AVMEDIA_TYPE_AUDIO, false)) {
      ic->audio_codec_id = c->id;
      ic->audio_codec = c;
    }
    // The one subtitle codec name also names the output's encoder; as a decoder
    // it only serves streams of its own codec (see SetupInputStream).
    subtitleDecoder =
        FindCodec(QString::fromLatin1(o.SubtitleOptions().SubtitleCodecName()), AVMEDIA_TYPE_SUBTITLE, false);
  } catch (...) {
    avformat_free_context(ic);
    throw;
  }
  ic->flags |= AVFMT_FLAG_NONBLOCK;

  const int r = media::OpenMediaInput(&ic, FRun->input_names[index], iformat, params.Ref());
  if (r < 0) Fail(QString::asprintf("打不开:%d!", r));
  media::InputFormatContextPtr input(ic);

  if (o.LoopInput() && !(ic->iformat->priv_class && av_opt_find(ic->priv_data, "loop", nullptr, 0, 0)))
    LogOptionWithoutEffect("LoopInput");
  const int found = avformat_find_stream_info(ic, nullptr);
  if (found < 0) Fail(QString::asprintf("Could not find codec parameters:%d!", found));
  // Programs are complete only once the streams are probed.
  if (o.ProgramID() != 0) SelectProgram(ic);

  // The file's timestamps are shifted by the start point (FRun->input_files_ts_offset
  // below): the run's timeline starts at zero after the seek. A failed seek
  // starts where the input is.
  int64_t timestamp = o.StartTime();
  if (ic->start_time != AV_NOPTS_VALUE) timestamp += ic->start_time;
  if (o.StartTime() != 0) av_seek_frame(ic, -1, timestamp, AVSEEK_FLAG_BACKWARD);
  if (ic->duration != AV_NOPTS_VALUE) SetDuration(static_cast<double>(ic->duration) / 1000000.0);

  TAVInputFile file;
  file.ist_index = static_cast<int32_t>(FRun->ist_table.size());
  file.nb_streams = static_cast<int32_t>(ic->nb_streams);
  FRun->file_table.push_back(file);
  for (unsigned s = 0; s < ic->nb_streams; ++s) {
    auto ist = std::make_unique<TAVInputStream>();
    ist->file_index = index;
    ist->index = static_cast<int32_t>(s);
    ist->st = ic->streams[s];
    SetupInputStream(ic, *ist, subtitleDecoder);
    FRun->ist_table.push_back(std::move(ist));
  }

  FRun->input_files.push_back(std::move(input));
  FRun->input_files_ts_offset.push_back(o.CopyTS() ? o.InputTSOffset() : o.InputTSOffset() - timestamp);
  AlignLateStreams(index);
}

void TAVConverter::SelectProgram(AVFormatContext* ic) {
  for (unsigned s = 0; s < ic->nb_streams; ++s) ic->streams[s]->discard = AVDISCARD_ALL;
  bool found = false;
  for (unsigned p = 0; p < ic->nb_programs; ++p) {
    AVProgram* program = ic->programs[p];
    if (program->id == RunOptions().ProgramID()) {
      for (unsigned k = 0; k < program->nb_stream_indexes; ++k)
        ic->streams[program->stream_index[k]]->discard = AVDISCARD_DEFAULT;
      found = true;
    } else {
      program->discard = AVDISCARD_ALL;
    }
  }
  if (!found) Fail(QStringLiteral("Specified program id not found"));
}

void TAVConverter::SetupInputStream(AVFormatContext* ic, TAVInputStream& ist, const AVCodec* subtitleDecoder) {
  AVStream* st = ist.st;
  const AVCodecParameters* par = st->codecpar;
  // A decoder forced for the probe is the stream's decoder too.
  const AVCodec* forced = par->codec_type == AVMEDIA_TYPE_VIDEO ? ic->video_codec
                          : par->codec_type == AVMEDIA_TYPE_AUDIO ? ic->audio_codec
                          : par->codec_type == AVMEDIA_TYPE_SUBTITLE && subtitleDecoder &&
                                  subtitleDecoder->id == par->codec_id
                              ? subtitleDecoder
                              : nullptr;
  ist.decoder = forced ? forced : avcodec_find_decoder(par->codec_id);
  ist.dec_ctx.reset(avcodec_alloc_context3(ist.decoder));
  if (!ist.dec_ctx || avcodec_parameters_to_context(ist.dec_ctx.get(), par) < 0)
    Fail(QStringLiteral("Error while opening codec for input stream "));
  AVCodecContext* d = ist.dec_ctx.get();
  d->pkt_timebase = st->time_base;
  d->thread_count = FRequest->decoder_threads;
  d->opaque = engine::CurrentConvertThread();  // the decoder's threads log to this conversion
  // A stream outside the chosen program lends the output none of its values.
  if (st->discard == AVDISCARD_ALL) return;

  switch (par->codec_type) {
    case AVMEDIA_TYPE_AUDIO: {
      ApplyRunOptions(d, osAudio, AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_DECODING_PARAM);
      TAVRunFormat& f = FRun->format;
      f._ChannelLayout = d->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? d->ch_layout.u.mask : 0;
      f._AudioChannels = d->ch_layout.nb_channels;
      f._AudioSampleRate = d->sample_rate;
      f._AudioSampleFmt = d->sample_fmt;
      if (RunOptions().AudioOptions().AudioDisable()) st->discard = AVDISCARD_ALL;
      break;
    }
    case AVMEDIA_TYPE_SUBTITLE:
      if (RunOptions().SubtitleOptions().SubtitleDisable()) st->discard = AVDISCARD_ALL;
      break;
    case AVMEDIA_TYPE_VIDEO:
      SetupInputVideoStream(ic, ist);
      break;
    default:
      break;
  }
}

void TAVConverter::SetupInputVideoStream(AVFormatContext* ic, TAVInputStream& ist) {
  AVStream* st = ist.st;
  AVCodecContext* d = ist.dec_ctx.get();
  const TVideoOptions& vo = RunOptions().VideoOptions();
  TAVRunPicture& picture = FRun->picture;
  ApplyRunOptions(d, osVideo, AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_DECODING_PARAM);
  // Sizes and aspect are those of the picture turned upright, as it is shown.
  ist.turn = engine::TurnOfStream(st);
  ist.pictures = engine::DescribeVideoStream(st);
  const bool sideways = ist.turn.swapsSides;
  FRun->format._FrameHeight = sideways ? d->width : d->height;
  FRun->format._FrameWidth = sideways ? d->height : d->width;

  const AVRational sar = st->sample_aspect_ratio.num ? st->sample_aspect_ratio : d->sample_aspect_ratio;
  const double pixelAspect = sar.num && sar.den ? av_q2d(sar) : 0.0;
  double aspect = d->height ? static_cast<double>(d->width) / d->height * pixelAspect : 0.0;
  if (sideways && aspect > 0) aspect = 1.0 / aspect;
  picture.aspect = static_cast<float>(aspect);
  picture.pix_fmt = d->pix_fmt;

  const AVRational rate = av_guess_frame_rate(ic, st, nullptr);
  if (d->lowres) {
    picture.height >>= d->lowres;
    picture.width >>= d->lowres;
  }
  if (vo.MeThreshold() != 0) d->export_side_data |= AV_CODEC_EXPORT_DATA_MVS;
  if (vo.SameQuality()) d->export_side_data |= AV_CODEC_EXPORT_DATA_VIDEO_ENC_PARAMS;

  // The rate the packets show on average against the rate the stream is based on.
  const AVRational codecRate = st->avg_frame_rate;
  if (codecRate.num && codecRate.den && rate.num && rate.den && av_cmp_q(codecRate, rate) != 0)
    DoLog(AV_LOG_ERROR,
          QString::asprintf("Seems stream %d codec frame rate differs from container frame rate: %2.2f (%d/%d) -> "
                            "%2.2f (%d/%d)",
                            ist.index, av_q2d(codecRate), codecRate.num, codecRate.den, av_q2d(rate), rate.num,
                            rate.den));
  picture.rate = rate;

  if (vo.VideoDisable())
    st->discard = AVDISCARD_ALL;
  else if (vo.VideoDiscard() & 0xff)
    st->discard = static_cast<AVDiscard>(static_cast<int8_t>(vo.VideoDiscard() & 0xff));
}
