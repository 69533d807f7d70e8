// Pictures and subtitles to the encoders: frame duplication and dropping by
// the video sync method, the picture geometry check, subtitle encoding, and
// the encoder's supported pixel formats.

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/pixdesc.h>
#include <libavutil/video_enc_params.h>
}

#include "engine/AVConverter.h"
#include "engine/VideoSync.h"

namespace engine {

int VideoSyncFrames(int method, double sync_ipts, int64_t& sync_opts) {
  if (method == 0) {
    sync_opts = std::llrint(sync_ipts);
    return 1;
  }
  const double vdelta = sync_ipts - static_cast<double>(sync_opts);
  if (vdelta < -1.1) return 0;
  if (method == 2) {
    if (vdelta <= -0.6) return 0;
    if (vdelta > 0.6) sync_opts = std::llrint(sync_ipts);
    return 1;
  }
  return vdelta > 1.1 ? static_cast<int>(std::llrint(vdelta)) : 1;
}

}  // namespace engine

namespace {

// The source picture's quantiser as an encoder quality, 0 when the decoder
// did not report one.
int SourceQuality(const AVFrame* frame) {
  const AVFrameSideData* sd = av_frame_get_side_data(frame, AV_FRAME_DATA_VIDEO_ENC_PARAMS);
  if (!sd) return 0;
  const auto* params = reinterpret_cast<const AVVideoEncParams*>(sd->data);
  double qscale = params->qp;
  // H.264 quantisers run on a logarithmic scale.
  if (params->type == AV_VIDEO_ENC_PARAMS_H264) qscale = 0.85 * std::pow(2.0, (params->qp - 12) / 6.0);
  return static_cast<int>(std::lrint(std::max(1.0, qscale) * FF_QP2LAMBDA));
}

}  // namespace

int TAVConverter::ResolvedVideoSyncMethod(const TAVOutputStream& ost) const {
  const int method = RunOptions().VideoOptions().VideoSyncMethod();
  if (method >= 0) return method;
  return (FRun->output_files[ost.file_index]->oformat->flags & AVFMT_VARIABLE_FPS) ? 2 : 1;
}

namespace {

// Codecs whose players (phones, consoles, set-top boxes, browsers) decode
// 8-bit 4:2:0 pictures only, whatever else the encoder could write.
bool PlayersWant420(AVCodecID id) {
  switch (id) {
    case AV_CODEC_ID_H264: case AV_CODEC_ID_HEVC: case AV_CODEC_ID_MPEG4: case AV_CODEC_ID_MPEG1VIDEO:
    case AV_CODEC_ID_MPEG2VIDEO: case AV_CODEC_ID_WMV1: case AV_CODEC_ID_WMV2: case AV_CODEC_ID_MSMPEG4V2:
    case AV_CODEC_ID_MSMPEG4V3: case AV_CODEC_ID_FLV1: case AV_CODEC_ID_H263: case AV_CODEC_ID_H263P:
    case AV_CODEC_ID_RV10: case AV_CODEC_ID_RV20: case AV_CODEC_ID_VP8: case AV_CODEC_ID_VP9: case AV_CODEC_ID_AV1:
      return true;
    default:
      return false;
  }
}

bool Lists(const AVPixelFormat* formats, AVPixelFormat format) {
  for (const AVPixelFormat* f = formats; *f != AV_PIX_FMT_NONE; ++f)
    if (*f == format) return true;
  return false;
}

}  // namespace

void TAVConverter::PickPixelFormat(TAVOutputStream& ost) {
  const AVPixelFormat* formats = ost.encoder ? ost.encoder->pix_fmts : nullptr;
  if (!formats) return;
  AVCodecContext* e = ost.enc_ctx.get();
  // Without a format asked for, a 10-bit, 4:2:2 or 4:4:4 source is not passed
  // on to a target whose players take 4:2:0 only.
  if (FRun->requested_pix_fmt < 0 && PlayersWant420(e->codec_id) && Lists(formats, AV_PIX_FMT_YUV420P)) {
    e->pix_fmt = AV_PIX_FMT_YUV420P;
    return;
  }
  if (Lists(formats, e->pix_fmt)) return;
  // MJPEG takes plain YUV when unofficial streams are allowed.
  if (e->codec_id == AV_CODEC_ID_MJPEG && e->strict_std_compliance < 0 &&
      (e->pix_fmt == AV_PIX_FMT_YUV420P || e->pix_fmt == AV_PIX_FMT_YUV422P))
    return;
  if (FRun->requested_pix_fmt >= 0) {
    const char* asked = av_get_pix_fmt_name(e->pix_fmt);
    DoLog(AV_LOG_WARNING, QStringLiteral("Pixel format %1 unsupported by the encoder, using %2")
                              .arg(QLatin1String(asked ? asked : "none"), QLatin1String(av_get_pix_fmt_name(formats[0]))));
  }
  e->pix_fmt = formats[0];
}

void TAVConverter::CheckFrameGeometry(TAVOutputStream& ost, const TAVInputStream& ist, const AVFrame* frame) {
  const int height = frame->height - (ost.video.topBand + ost.video.bottomBand);
  const int width = frame->width - (ost.video.leftBand + ost.video.rightBand);
  if (height == ost.video.resample_height && width == ost.video.resample_width && frame->format == ost.video.resample_pix_fmt) return;
  if (!ost.video.video_resample) {
    const char* format = av_get_pix_fmt_name(static_cast<AVPixelFormat>(frame->format));
    Fail(QString::asprintf("Input Stream #%d.%d frame size changed to %dx%d, %s", ist.file_index, ist.index,
                           frame->width, frame->height, format ? format : "none"));
  }
  // The graph is rebuilt for the new picture and still delivers the encoder's size.
  FilterVideoFrame(ist, ost, nullptr);
  if (BuildVideoFilterChain(ist, ost, frame) != 0)
    Fail(QStringLiteral("Error opening filters!"));
  ost.video.resample_height = height;
  ost.video.resample_width = width;
  ost.video.resample_pix_fmt = frame->format;
}

void TAVConverter::OutputVideoFrame(TAVOutputStream& ost, const TAVInputStream& ist, AVFrame* frame, int64_t time) {
  AVCodecContext* enc = ost.enc_ctx.get();
  const TVideoOptions& vo = RunOptions().VideoOptions();
  const double frameTime = av_q2d(enc->time_base);
  // The picture's own time, unless the stream is synced to another one.
  const double syncTime = ost.sync_ist == &ist ? static_cast<double>(time - ost.skipped_time) / 1000000.0
                                               : InputSyncTime(ost);
  double sync_ipts = syncTime / frameTime;
  if (sync_ipts + 1 <= 1e-6) return;  // the picture ends before the start point

  // A jump of the source's timestamps further than the discontinuity
  // threshold is not filled with copies: the picture follows the last one,
  // and so do the pictures after it. Kept timestamps keep the gap instead.
  const double longestFill = std::max(1.0, static_cast<double>(GapBound()) / 1000000.0 / frameTime);
  const double vdelta = sync_ipts - static_cast<double>(ost.sync_opts);
  if (std::fabs(vdelta) > longestFill) {
    if (RunOptions().CopyTS()) {
      ost.sync_opts = std::llrint(sync_ipts);
    } else {
      DoLog(AV_LOG_WARNING, QStringLiteral("Timestamps jump by %1 s; the pictures go on without a gap")
                                .arg(vdelta * frameTime, 0, 'f', 3));
      ost.skipped_time += std::llrint(vdelta * frameTime * 1000000.0);
      sync_ipts = static_cast<double>(ost.sync_opts);
    }
  }
  int64_t nb_frames = engine::VideoSyncFrames(ResolvedVideoSyncMethod(ost), sync_ipts, ost.sync_opts);
  nb_frames = std::min<int64_t>(nb_frames, int64_t(vo.MaxFrames()) - ost.frame_number);
  const int64_t recording = RunOptions().RecordingTime();
  if (recording != INT64_MAX) {
    const int64_t last = static_cast<int64_t>(std::ceil(recording / 1000000.0 / frameTime - 1e-6));
    if (last - ost.sync_opts <= 0) ost.recording_done = true;
    nb_frames = std::min(nb_frames, last - ost.sync_opts);
  }
  if (nb_frames <= 0) return;

  const bool interlacedCoding = enc->flags & (AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME);
  if (interlacedCoding && vo.TopFieldFirst() != -1) frame->top_field_first = vo.TopFieldFirst();
  if (vo.SameQuality()) {
    frame->quality = SourceQuality(frame);
    if (frame->quality == 0) {
      if (!ost.video.quality_unknown_logged)
        DoLog(AV_LOG_WARNING, QStringLiteral("The source does not report its quality; encoding at the finest one"));
      ost.video.quality_unknown_logged = true;
      frame->quality = FF_QP2LAMBDA;
    }
  } else {
    frame->quality = enc->global_quality;
  }
  if (vo.MeThreshold() == 0) frame->pict_type = AV_PICTURE_TYPE_NONE;
  for (int64_t i = 0; i < nb_frames; ++i) {
    frame->pts = ost.sync_opts;
    EncodePicture(ost, frame);
    ++ost.sync_opts;
    ++ost.frame_number;
  }
  if (ost.video.last_picture) {
    av_frame_unref(ost.video.last_picture.get());
    if (av_frame_ref(ost.video.last_picture.get(), frame) < 0) ost.video.last_picture.reset();
  }
}

// The muxer keeps only the sound that pictures carry (DV, SWF): sound that
// lasts longer than the pictures gets the last picture repeated under it.
void TAVConverter::PadVideoToAudioEnd(TAVOutputStream& ost) {
  if (!ost.video.last_picture || !ost.video.last_picture->buf[0] || ost.recording_done) return;
  int64_t soundEnd = AV_NOPTS_VALUE;
  for (const auto& a : FRun->ost_table) {
    if (a->file_index != ost.file_index || a->st->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) continue;
    const TAVInputStream& source = *FRun->ist_table[a->source_index];
    soundEnd = std::max({soundEnd, source.data_end, source.next_dts});
  }
  if (soundEnd == AV_NOPTS_VALUE) return;
  double end = static_cast<double>(soundEnd) / 1000000.0;
  end = std::min(end, static_cast<double>(RunOptions().RecordingTime()) / 1000000.0);
  const double frameTime = av_q2d(ost.enc_ctx->time_base);
  const auto longestFill = static_cast<int64_t>(std::max(1.0, static_cast<double>(GapBound()) / 1000000.0 / frameTime));
  const int64_t last = std::min(static_cast<int64_t>(std::ceil(end / frameTime - 1e-6)), ost.sync_opts + longestFill);
  AVFrame* picture = ost.video.last_picture.get();
  for (; ost.sync_opts < last && ost.frame_number < RunOptions().VideoOptions().MaxFrames(); ++ost.sync_opts) {
    picture->pts = ost.sync_opts;
    EncodePicture(ost, picture);
    ++ost.frame_number;
  }
}

void TAVConverter::OutputSubtitle(TAVOutputStream& ost, TAVInputStream& ist, AVSubtitle& sub, int64_t pts) {
  if (pts == AV_NOPTS_VALUE) Fail(QStringLiteral("Subtitle packets must have a pts"));
  constexpr int SubtitleOutSize = 1048576;
  if (FRun->subtitle_out.empty()) FRun->subtitle_out.resize(SubtitleOutSize);
  AVCodecContext* enc = ost.enc_ctx.get();
  const int passes = enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE ? 2 : 1;
  // The clearing pass hides the pictures; they are still the subtitle's to free.
  struct RestoreRects {
    AVSubtitle& sub;
    unsigned count;
    ~RestoreRects() { sub.num_rects = count; }
  } restore{sub, sub.num_rects};
  for (int i = 0; i < passes; ++i) {
    sub.pts = av_rescale_q(pts, ist.st->time_base, AV_TIME_BASE_Q) +
              av_rescale_q(sub.start_display_time, AVRational{1, 1000}, AV_TIME_BASE_Q);
    sub.end_display_time -= sub.start_display_time;
    sub.start_display_time = 0;
    if (i == 1) sub.num_rects = 0;  // the second DVB packet clears the subtitle
    const int size = avcodec_encode_subtitle(enc, FRun->subtitle_out.data(), SubtitleOutSize, &sub);
    if (size < 0) Fail(QStringLiteral("Subtitle encoding failed"));
    AVPacket* pkt = ost.packet.get();
    if (av_new_packet(pkt, size) < 0) Fail(QStringLiteral("Subtitle encoding failed"));
    std::copy(FRun->subtitle_out.data(), FRun->subtitle_out.data() + size, pkt->data);
    pkt->stream_index = ost.index;
    pkt->pts = av_rescale_q(sub.pts, AV_TIME_BASE_Q, ost.st->time_base);
    pkt->duration = av_rescale_q(sub.end_display_time, AVRational{1, 1000}, ost.st->time_base);
    if (enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE) pkt->pts += 90 * (i == 0 ? sub.start_display_time : sub.end_display_time);
    pkt->dts = pkt->pts;
    WriteOutputPacket(ost, pkt);
    av_packet_unref(pkt);
    ++ost.frame_number;
  }
}
