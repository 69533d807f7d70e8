#include "engine/PictureSetup.h"

#include <cstring>

extern "C" {
#include <libavutil/opt.h>
}

#include "engine/HardwareEncoders.h"

namespace engine {

namespace {

bool Lists(const AVPixelFormat* formats, AVPixelFormat format) {
  for (const AVPixelFormat* f = formats; f && *f != AV_PIX_FMT_NONE; ++f)
    if (*f == format) return true;
  return false;
}

// Appends params to the encoder's own option of that name ("a=1:b=2").
void AppendEncoderParams(AVCodecContext* c, const char* option, const QByteArray& params) {
  if (params.isEmpty() || !c->priv_data || !av_opt_find(c->priv_data, option, nullptr, 0, 0)) return;
  uint8_t* current = nullptr;
  av_opt_get(c->priv_data, option, 0, &current);
  QByteArray value = current ? QByteArray(reinterpret_cast<const char*>(current)) : QByteArray();
  av_free(current);
  if (!value.isEmpty()) value += ':';
  av_opt_set(c->priv_data, option, (value + params).constData(), 0);
}

template <class T>
bool AddStreamSideData(AVStream* st, AVPacketSideDataType type, const std::optional<T>& value) {
  if (!value) return true;
  uint8_t* data = av_stream_new_side_data(st, type, sizeof(T));
  if (data) std::memcpy(data, &*value, sizeof(T));
  return data != nullptr;
}

}  // namespace

TTargetPictures TargetOf(const TAVOutputStream& ost, const TVideoOptions& vo, bool pixelFormatAsked) {
  const AVCodecContext* e = ost.enc_ctx.get();
  TTargetPictures t;
  t.width = e->width;
  t.height = e->height;
  t.pix_fmt = e->pix_fmt;
  t.encodesFields = e->flags & (AV_CODEC_FLAG_INTERLACED_DCT | AV_CODEC_FLAG_INTERLACED_ME);
  t.forceYadif = vo.Deinterlace();
  t.deinterlace = static_cast<TDeinterlaceMode>(vo.DeinterlaceMode());
  t.hdr = static_cast<THdrOutput>(vo.HdrOutput());
  const bool modernCodec = e->codec_id == AV_CODEC_ID_HEVC || e->codec_id == AV_CODEC_ID_AV1;
  t.canKeepHdr = modernCodec && ost.encoder && !TakesDeviceFrames(ost.encoder) && !pixelFormatAsked &&
                 Lists(ost.encoder->pix_fmts, AV_PIX_FMT_YUV420P10);
  return t;
}

bool WantsSampling(const TSourcePictures& source, const TTargetPictures& target) {
  const bool detects = target.deinterlace == TDeinterlaceMode::Automatic && !target.forceYadif && !target.encodesFields;
  const bool hdrWithoutLevels = source.Hdr() != THdrKind::None && !source.mastering && !source.light;
  return detects || hdrWithoutLevels;
}

bool ApplyPictures(TAVOutputStream& ost, const TSourcePictures& source, const TPicturePlan& plan) {
  AVCodecContext* e = ost.enc_ctx.get();
  if (plan.keepsHdr) {
    e->pix_fmt = AV_PIX_FMT_YUV420P10;
    AppendEncoderParams(e, "x265-params", X265HdrParams(source));
    AppendEncoderParams(e, "svtav1-params", SvtAv1HdrParams(source));
    // The muxer writes them into the container too (Matroska, MP4).
    if (!AddStreamSideData(ost.st, AV_PKT_DATA_MASTERING_DISPLAY_METADATA, source.mastering) ||
        !AddStreamSideData(ost.st, AV_PKT_DATA_CONTENT_LIGHT_LEVEL, source.light))
      return false;
  }
  const TColourTags& tags = plan.output;
  if (tags.primaries != AVCOL_PRI_UNSPECIFIED) e->color_primaries = tags.primaries;
  if (tags.transfer != AVCOL_TRC_UNSPECIFIED) e->color_trc = tags.transfer;
  if (tags.matrix != AVCOL_SPC_UNSPECIFIED) e->colorspace = tags.matrix;
  if (tags.range != AVCOL_RANGE_UNSPECIFIED) e->color_range = tags.range;
  return true;
}

}  // namespace engine
