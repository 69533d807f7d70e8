// Creating one output file: its container, which kinds of stream it gets, each
// stream with its encoder settings, the metadata, and the file itself.

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <sys/stat.h>
#include <vector>

extern "C" {
#include <libavutil/hwcontext.h>
#include <libavutil/opt.h>
}

#include "engine/AVConverter.h"
#include "engine/ConvertThreads.h"
#include "engine/ContainerRules.h"
#include "engine/EncoderNames.h"
#include "engine/ErrorBox.h"
#include "engine/HardwareEncoders.h"
#include "engine/LibraryError.h"
#include "engine/NameValueList.h"
#include "engine/SourceTags.h"

namespace {

// Cover pictures are no video to convert.
bool InputsHave(const std::vector<media::InputFormatContextPtr>& inputs, AVMediaType type) {
  for (const auto& ic : inputs)
    for (unsigned s = 0; s < ic->nb_streams; ++s)
      if (ic->streams[s]->codecpar->codec_type == type && !engine::IsCover(ic->streams[s])) return true;
  return false;
}

// Audio containers today name PNG as their video codec for a cover picture;
// that is not a video stream to convert into.
bool HasDefaultVideo(const AVOutputFormat* f) {
  return f->video_codec != AV_CODEC_ID_NONE && !(f->video_codec == AV_CODEC_ID_PNG && f->audio_codec != AV_CODEC_ID_NONE);
}

AVRational AspectFraction(double ratio) { return ratio > 0 ? av_d2q(ratio, 255) : AVRational{0, 1}; }

}  // namespace

void TAVConverter::ApplyOutputParameters() {
  const TAudioOptions& ao = RunOptions().AudioOptions();
  const TVideoOptions& vo = RunOptions().VideoOptions();
  const TAVRunPicture& picture = FRun->picture;
  TAVRunFormat& f = FRun->format;
  if (ao.AudioChannels()) f._AudioChannels = ao.AudioChannels();
  if (ao.AudioSampleRate()) f._AudioSampleRate = ao.AudioSampleRate();
  if (picture.width) f._FrameWidth = picture.width;
  if (picture.height) f._FrameHeight = picture.height;
  if (ao.AudioSampleFmt() != sfAuto) f._AudioSampleFmt = LibrarySampleFormat(ao.AudioSampleFmt());
  if (f._FrameWidth && f._FrameHeight) {
    f._FrameWidth -= vo.FrameLeftBand() + vo.FrameRightBand();
    f._FrameHeight -= vo.FrameTopBand() + vo.FrameBottomBand();
    if (f._FrameWidth <= 0 || f._FrameHeight <= 0) {
      ShowError(QStringLiteral("crop dimensions are outside the range of the original image."));
      return;
    }
  }
  if (picture.height) f._FrameHeight = picture.height;
  FitToMaxFrameHeight();
}

// A picture taller than the limit is scaled down to it with square pixels,
// its shown shape kept and both sides even, as encoders of 4:2:0 want them.
void TAVConverter::FitToMaxFrameHeight() {
  const TAVRunPicture& picture = FRun->picture;
  TAVRunFormat& f = FRun->format;
  const int limit = RunOptions().VideoOptions().MaxFrameHeight();
  if (limit <= 0 || picture.width || picture.height || f._FrameHeight <= limit || f._FrameWidth <= 0) return;
  const double shape = picture.aspect > 0 ? picture.aspect : double(f._FrameWidth) / f._FrameHeight;
  f._FrameHeight = limit & ~1;
  f._FrameWidth = std::max(2, static_cast<int>(std::lrint(f._FrameHeight * shape / 2.0)) * 2);
}

void TAVConverter::OpenOutputFile(int index) {
  const TAVConvertOptions& o = RunOptions();
  ApplyOutputParameters();
  const QString& name = FRun->output_names[index];
  // A format named in the options holds for every output; otherwise each
  // output's name decides its own.
  if (!FRun->file_oformat || RunOptions().OutputFormat().isEmpty()) {
    FRun->file_oformat = GuessOutputFormat(name);
    if (!FRun->file_oformat)
      Fail(QString::asprintf("Unable to find a suitable output format for %s", name.toUtf8().constData()));
  }
  AVFormatContext* oc = nullptr;
  avformat_alloc_output_context2(&oc, FRun->file_oformat, nullptr, name.toUtf8().constData());
  if (!oc) Fail(QString::asprintf("Unable to find a suitable output format for %s", name.toUtf8().constData()));
  FRun->output_files.emplace_back(oc);

  const AVOutputFormat* f = FRun->file_oformat;
  bool useVideo = HasDefaultVideo(f) || o.VideoOptions().VideoStreamCopy() ||
                  !o.VideoOptions().EncoderVideoCodecName().isEmpty();
  bool useAudio = f->audio_codec != AV_CODEC_ID_NONE || o.AudioOptions().AudioStreamCopy() ||
                  !o.AudioOptions().EncoderAudioCodecName().isEmpty();
  bool useSubtitle = f->subtitle_codec != AV_CODEC_ID_NONE || o.SubtitleOptions().SubtitleStreamCopy() ||
                     !o.SubtitleOptions().SubtitleCodecName().isEmpty();
  if (!FRun->input_files.empty()) {
    useVideo = useVideo && InputsHave(FRun->input_files, AVMEDIA_TYPE_VIDEO);
    useAudio = useAudio && InputsHave(FRun->input_files, AVMEDIA_TYPE_AUDIO);
    useSubtitle = useSubtitle && InputsHave(FRun->input_files, AVMEDIA_TYPE_SUBTITLE);
  }
  if (o.AudioOptions().AudioDisable()) useAudio = false;
  if (o.VideoOptions().VideoDisable()) useVideo = false;
  if (o.SubtitleOptions().SubtitleDisable()) useSubtitle = false;

  if (useVideo) NewVideoStream(oc, index);
  if (useAudio) NewAudioStream(oc, index);
  if (useSubtitle) NewSubtitleStream(oc, index);
  std::vector<const AVFormatContext*> inputs;
  for (const auto& ic : FRun->input_files) inputs.push_back(ic.get());
  FRun->covers.push_back(engine::AddCoverStreams(oc, inputs, [this](const QString& note) { DoLog(AV_LOG_WARNING, note); }));

  // The recording date (seconds since 1970) is the file's creation time today.
  if (o.RecTimestamp() != 0)
    av_dict_set(&oc->metadata, "creation_time",
                QDateTime::fromSecsSinceEpoch(o.RecTimestamp(), Qt::UTC)
                    .toString(QStringLiteral("yyyy-MM-ddThh:mm:ss.zzz000Z"))
                    .toLatin1()
                    .constData(),
                0);
  for (const QString& entry : o.MetaData())
    av_dict_set(&oc->metadata, engine::NameOf(entry).toLocal8Bit().constData(),
                engine::ValueOf(entry).toLocal8Bit().constData(), 0);

  if ((f->flags & AVFMT_NEEDNUMBER) && !av_filename_number_test(name.toUtf8().constData()))
    Fail(QStringLiteral("unexpected error"));
  if (!(f->flags & AVFMT_NOFILE)) OpenOutputIO(oc, name);

  oc->max_delay = static_cast<int>(std::lrint(o.MuxerOptions().MuxMaxDelay() * 1000000.0));
  // Only the MPEG program stream muxers still have a preload setting.
  av_opt_set_int(oc, "preload", std::lrint(o.MuxerOptions().MuxPreload() * 1000000.0), AV_OPT_SEARCH_CHILDREN);
  oc->flags |= AVFMT_FLAG_NONBLOCK;
  // Only the animated-picture muxers still have a loop count; the default -1
  // plays once, as before (the GIF muxer of its own would loop forever).
  if (av_opt_set_int(oc, "loop", o.LoopOutput(), AV_OPT_SEARCH_CHILDREN) < 0 && o.LoopOutput() != -1)
    LogOptionWithoutEffect("LoopOutput");
  ApplyRunOptions(oc, osFormat, AV_OPT_FLAG_ENCODING_PARAM);
}

const AVOutputFormat* TAVConverter::GuessOutputFormat(const QString& name) const {
  const QByteArray n = name.toLocal8Bit();
  const AVOutputFormat* f = av_guess_format(nullptr, n.constData(), nullptr);
  // A numbered name of an animated-picture type means one file per picture.
  if (f && av_filename_number_test(n.constData()))
    for (const char* animated : {"gif", "apng", "webp"})
      if (qstrcmp(f->name, animated) == 0) return av_guess_format("image2", nullptr, nullptr);
  return f;
}

// The encoder's listed rate nearest to rate. MPEG-1 lists its unofficial
// economy rates (5, 10, 12, 15) too but refuses them unless unofficial streams
// are allowed, so a 13 or 15 fps source must land on an official rate.
static AVRational NearestAcceptedRate(const AVCodecContext* e, const AVCodec* codec, AVRational rate) {
  std::vector<AVRational> rates;
  for (const AVRational* r = codec->supported_framerates; r->num || r->den; ++r) rates.push_back(*r);
  if (codec->id == AV_CODEC_ID_MPEG1VIDEO && e->strict_std_compliance > FF_COMPLIANCE_UNOFFICIAL && rates.size() > 8)
    rates.resize(8);
  rates.push_back({0, 0});
  return rates[av_find_nearest_q_idx(rate, rates.data())];
}

void TAVConverter::FitVideoEncoder(TAVOutputStream& ost) {
  AVCodecContext* e = ost.enc_ctx.get();
  auto note = [this](const QString& text) { DoLog(AV_LOG_WARNING, text); };
  if (e->rc_max_rate > 0 && e->bit_rate > e->rc_max_rate) {
    note(QStringLiteral("Video bitrate %1 above the maximum rate; using %2").arg(e->bit_rate).arg(e->rc_max_rate));
    e->bit_rate = e->rc_max_rate;
  }
  if (e->codec_id == AV_CODEC_ID_MJPEG && e->strict_std_compliance >= 0) {
    // Plain JPEG wants full-range pictures.
    const AVPixelFormat full = e->pix_fmt == AV_PIX_FMT_YUV420P   ? AV_PIX_FMT_YUVJ420P
                               : e->pix_fmt == AV_PIX_FMT_YUV422P ? AV_PIX_FMT_YUVJ422P
                               : e->pix_fmt == AV_PIX_FMT_YUV444P ? AV_PIX_FMT_YUVJ444P
                                                                  : e->pix_fmt;
    e->pix_fmt = full;
  }
  if (e->codec_id == AV_CODEC_ID_DVVIDEO) {
    // DV knows two standard-definition pictures: 625 lines at 25/s, 525 at 29.97/s.
    const bool pal = std::fabs(av_q2d(e->framerate) - 25.0) < std::fabs(av_q2d(e->framerate) - 29.97);
    const int width = 720, height = pal ? 576 : 480;
    const AVRational rate = pal ? AVRational{25, 1} : AVRational{30000, 1001};
    AVPixelFormat format = e->pix_fmt;
    if (format != AV_PIX_FMT_YUV422P) format = pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
    if (e->width != width || e->height != height || av_cmp_q(e->framerate, rate) != 0 || format != e->pix_fmt) {
      note(QStringLiteral("DV takes %1x%2 at %3/%4 only; the picture is fitted").arg(width).arg(height).arg(rate.num).arg(rate.den));
      e->width = width;
      e->height = height;
      e->framerate = rate;
      e->time_base = av_inv_q(rate);
      e->pix_fmt = format;
    }
  }
}

void TAVConverter::OpenHardwareDevice(TAVOutputStream& ost) {
  AVBufferRef* device = nullptr;
  if (const int r = av_hwdevice_ctx_create(&device, AV_HWDEVICE_TYPE_VAAPI, nullptr, nullptr, 0); r < 0)
    Fail(QStringLiteral("Cannot open the graphics device of %1: %2")
             .arg(QLatin1String(ost.encoder->name), engine::LibraryErrorText(r)));
  ost.video.hw_device.reset(device);
}

void TAVConverter::OpenOutputIO(AVFormatContext* oc, const QString& name) {
  const QFileInfo info(name);
  RefuseInputAsOutput(name);
  if (name.contains(QLatin1Char('/'))) QDir().mkpath(info.absolutePath());
  const bool existed = info.exists();
  if (avio_open2(&oc->pb, name.toUtf8().constData(), AVIO_FLAG_WRITE, nullptr, nullptr) < 0)
    Fail(QStringLiteral("打不开文件"));
  if (!existed) FRun->created_outputs << name;
}

// Opening the output truncates it, so an output that is one of the inputs (by
// another name or a hard link too) would destroy the source while it is read.
void TAVConverter::RefuseInputAsOutput(const QString& name) const {
  struct stat out {};
  if (::stat(QFile::encodeName(name).constData(), &out) != 0) return;
  for (int i = 0; i < FRun->input_names.size(); ++i) {
    struct stat in {};
    if (::stat(QFile::encodeName(FRun->input_names[i]).constData(), &in) == 0 && in.st_dev == out.st_dev &&
        in.st_ino == out.st_ino)
      Fail(QStringLiteral("Output %1 same as Input #%2 - exiting").arg(name).arg(i));
  }
}

TAVOutputStream& TAVConverter::NewOutputStream(AVFormatContext* oc, int file, const AVCodec* encoder) {
  AVStream* st = avformat_new_stream(oc, nullptr);
  if (!st) Fail(QStringLiteral("Could not alloc stream"));
  st->id = st->index;
  auto ost = std::make_unique<TAVOutputStream>();
  ost->file_index = file;
  ost->index = st->index;
  ost->st = st;
  ost->encoder = encoder;
  ost->enc_ctx.reset(avcodec_alloc_context3(encoder));
  if (!ost->enc_ctx) Fail(QStringLiteral("Could not alloc stream"));
  ost->enc_ctx->opaque = engine::CurrentConvertThread();  // the encoder's threads log to this conversion
  ost->packet = media::MakePacket();
  FRun->ost_table.push_back(std::move(ost));
  return *FRun->ost_table.back();
}

void TAVConverter::NewVideoStream(AVFormatContext* oc, int file) {
  const TVideoOptions& vo = RunOptions().VideoOptions();
  const bool copy = vo.VideoStreamCopy();
  AVCodecID id = AV_CODEC_ID_NONE;
  const AVCodec* codec = nullptr;
  if (!copy) {
    id = av_guess_codec(oc->oformat, nullptr, oc->url, nullptr, AVMEDIA_TYPE_VIDEO);
    // Numbered animated-picture names go to the picture-sequence muxer but keep
    // their own picture codec.
    const AVOutputFormat* own = av_guess_format(nullptr, oc->url, nullptr);
    if (own && own != oc->oformat && own->video_codec != AV_CODEC_ID_NONE &&
        qstrcmp(oc->oformat->name, "image2") == 0)
      id = own->video_codec;
    codec = vo.EncoderVideoCodecName().isEmpty()
                ? avcodec_find_encoder(id)
                : FindCodec(QString::fromLatin1(vo.EncoderVideoCodecName()), AVMEDIA_TYPE_VIDEO, true);
  }
  TAVOutputStream& ost = NewOutputStream(oc, file, codec);
  ost.mux.bitstream_filters = OpenBitstreamFilters(RunOptions().MuxerOptions().VideoBitstreamFilters());
  if (engine::AudioLocksToVideo(oc->oformat)) ost.video.last_picture = media::MakeFrame();
  AVCodecContext* e = ost.enc_ctx.get();
  AVStream* st = ost.st;
  e->codec_type = AVMEDIA_TYPE_VIDEO;
  e->thread_count = FRequest->automatic_threads && engine::ChoosesOwnThreads(codec) ? 0 : RunOptions().ThreadCount();
  if (vo.VideoCodecTag()) e->codec_tag = vo.VideoCodecTag();
  const TAVRunFormat& f = FRun->format;
  const double aspect = f._FrameWidth > 0 ? FRun->picture.aspect * f._FrameHeight / f._FrameWidth : 0.0;

  if (copy) {
    ost.stream_copy = true;
    st->sample_aspect_ratio = AspectFraction(aspect);
  } else {
    // A rate the caller asked for wins over the input's.
    AVRational rate = FRun->requested_rate.num ? FRun->requested_rate : FRun->picture.rate;
    if (rate.num == 0 || rate.den == 0) rate = {25, 1};
    e->codec_id = codec ? codec->id : id;
    ApplyRunOptions(e, osVideo, AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
    if (codec && codec->supported_framerates && !vo.ForceFPS()) {
      const AVRational nearest = NearestAcceptedRate(e, codec, rate);
      if (FRun->requested_rate.num && av_cmp_q(nearest, rate) != 0)
        DoLog(AV_LOG_WARNING, QStringLiteral("Frame rate %1/%2 unsupported by the encoder, using %3/%4")
                                  .arg(rate.num).arg(rate.den).arg(nearest.num).arg(nearest.den));
      rate = nearest;
    }
    e->time_base = av_inv_q(rate);
    e->framerate = rate;
    e->width = f._FrameWidth;
    e->height = f._FrameHeight;
    e->sample_aspect_ratio = st->sample_aspect_ratio = AspectFraction(aspect);
    const int pixels = FRun->requested_pix_fmt >= 0 ? FRun->requested_pix_fmt : FRun->picture.pix_fmt;
    e->pix_fmt = static_cast<AVPixelFormat>(pixels);
    PickPixelFormat(ost);
    if (engine::TakesDeviceFrames(ost.encoder)) OpenHardwareDevice(ost);
    if (vo.IntraOnly()) e->gop_size = 0;
    if (vo.VideoQscale() != 0 || vo.SameQuality()) {
      e->flags |= AV_CODEC_FLAG_QSCALE;
      e->global_quality = static_cast<int>(std::lrint(FF_QP2LAMBDA * vo.VideoQscale()));
    }
    auto matrix = [](const TVideoOptions::TMatrix& m) {
      auto* copy = static_cast<uint16_t*>(av_malloc(sizeof(uint16_t) * m.size()));
      if (copy) std::copy(m.begin(), m.end(), copy);
      return copy;
    };
    if (!vo.IntraMatrix().isEmpty()) e->intra_matrix = matrix(vo.intra_matrix());
    if (!vo.InterMatrix().isEmpty()) e->inter_matrix = matrix(vo.inter_matrix());
    e->rc_override_count = 0;
    if (!e->rc_initial_buffer_occupancy) e->rc_initial_buffer_occupancy = e->rc_buffer_size * 3 / 4;
    e->intra_dc_precision = vo.IntraDcPrecision() - 8;
    if (RunOptions().DoPSNR()) e->flags |= AV_CODEC_FLAG_PSNR;
    const int pass = FSizePass ? FSizePass : vo.Pass();
    if (pass == 1) e->flags |= AV_CODEC_FLAG_PASS1;
    if (pass == 2) e->flags |= AV_CODEC_FLAG_PASS2;
    FitVideoEncoder(ost);
  }
  // After the stored options, which may have replaced the whole flags value.
  const int globalHeader = vo.VideoGlobalHeader();
  if ((globalHeader & 1) || (globalHeader == 0 && (oc->oformat->flags & AVFMT_GLOBALHEADER)))
    e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (globalHeader & 2) e->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
  if (!vo.VideoLanguage().trimmed().isEmpty())
    av_dict_set(&st->metadata, "language", vo.VideoLanguage().toUtf8().constData(), 0);
}

void TAVConverter::NewAudioStream(AVFormatContext* oc, int file) {
  const TAudioOptions& ao = RunOptions().AudioOptions();
  const bool copy = ao.AudioStreamCopy();
  AVCodecID id = AV_CODEC_ID_NONE;
  const AVCodec* codec = nullptr;
  if (!copy) {
    id = av_guess_codec(oc->oformat, nullptr, oc->url, nullptr, AVMEDIA_TYPE_AUDIO);
    codec = ao.EncoderAudioCodecName().isEmpty() ? avcodec_find_encoder(id)
                                                 : FindCodec(ao.EncoderAudioCodecName(), AVMEDIA_TYPE_AUDIO, true);
  }
  TAVOutputStream& ost = NewOutputStream(oc, file, codec);
  ost.mux.bitstream_filters = OpenBitstreamFilters(RunOptions().MuxerOptions().AudioBitstreamFilters());
  AVCodecContext* e = ost.enc_ctx.get();
  e->codec_type = AVMEDIA_TYPE_AUDIO;
  e->thread_count = RunOptions().ThreadCount();
  if (ao.AudioCodecTag()) e->codec_tag = ao.AudioCodecTag();

  if (copy) {
    ost.stream_copy = true;
  } else {
    ApplyRunOptions(e, osAudio, AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
    e->codec_id = codec ? codec->id : id;
    if (ao.AudioQScale() > TAudioOptions::NoQScale) {
      e->flags |= AV_CODEC_FLAG_QSCALE;
      e->global_quality = static_cast<int>(std::lrint(FF_QP2LAMBDA * ao.AudioQScale()));
    }
    const TAVRunFormat& f = FRun->format;
    av_channel_layout_uninit(&e->ch_layout);
    if (f._ChannelLayout && av_popcount64(f._ChannelLayout) == ao.AudioChannels())
      av_channel_layout_from_mask(&e->ch_layout, f._ChannelLayout);
    else
      av_channel_layout_default(&e->ch_layout, f._AudioChannels);
    e->sample_fmt = static_cast<AVSampleFormat>(f._AudioSampleFmt);
    e->sample_rate = f._AudioSampleRate;
    PickSampleFormat(ost);
    FitAudioToContainer(ost, oc->oformat);
    PickSampleRate(ost);
    PickChannelLayout(ost);
    e->time_base = AVRational{1, e->sample_rate > 0 ? e->sample_rate : 1};
  }
  if (oc->oformat->flags & AVFMT_GLOBALHEADER) e->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (!ao.AudioLanguage().trimmed().isEmpty())
    av_dict_set(&ost.st->metadata, "language", ao.AudioLanguage().toUtf8().constData(), 0);
}

void TAVConverter::NewSubtitleStream(AVFormatContext* oc, int file) {
  const TSubtitleOptions& so = RunOptions().SubtitleOptions();
  bool copy = so.SubtitleStreamCopy();
  const AVCodec* codec = nullptr;
  if (!copy) {
    codec = so.SubtitleCodecName().isEmpty()
                ? avcodec_find_encoder(av_guess_codec(oc->oformat, nullptr, oc->url, nullptr, AVMEDIA_TYPE_SUBTITLE))
                : FindCodec(QString::fromLatin1(so.SubtitleCodecName()), AVMEDIA_TYPE_SUBTITLE, true);
    // A subtitle the encoder cannot take (bitmap into text or the reverse) is
    // left out, or copied where the container keeps it as it is.
    bool usable = false, keepable = false;
    for (const auto& ist : FRun->ist_table) {
      if (ist->st->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE) continue;
      if (codec && engine::SubtitleKindsMatch(ist->st->codecpar->codec_id, codec->id)) usable = true;
      if (so.SubtitleCodecName().isEmpty() && engine::KeepsBitmapSubtitles(oc->oformat, ist->st->codecpar->codec_id))
        keepable = true;
    }
    if (!usable && !keepable) {
      DoLog(AV_LOG_WARNING, QStringLiteral("Subtitles left out: no encoder for them in this output format"));
      return;
    }
    if (!usable) {
      copy = true;
      codec = nullptr;
    }
  }
  TAVOutputStream& ost = NewOutputStream(oc, file, codec);
  ost.mux.bitstream_filters = OpenBitstreamFilters(RunOptions().MuxerOptions().SubtitleBitstreamFilters());
  AVCodecContext* e = ost.enc_ctx.get();
  e->codec_type = AVMEDIA_TYPE_SUBTITLE;
  if (so.SubtitleCodecTag()) e->codec_tag = so.SubtitleCodecTag();
  if (copy) {
    ost.stream_copy = true;
  } else {
    ApplyRunOptions(e, osSubtitle, AV_OPT_FLAG_SUBTITLE_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
    e->codec_id = codec->id;
    e->time_base = AV_TIME_BASE_Q;  // subtitle times are handed over in microseconds
  }
  if (!so.SubtitleLanguage().isEmpty())
    av_dict_set(&ost.st->metadata, "language", so.SubtitleLanguage().toUtf8().constData(), 0);
}
