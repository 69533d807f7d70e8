#include "engine/HardwareEncoders.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/hwcontext.h>
}

#include "engine/ConvertThreads.h"
#include "media/LibraryPtrs.h"
#include "media/MediaLibraries.h"

namespace engine {

namespace {

// A small picture of the size every device takes.
constexpr int ProbeSide = 256;

media::CodecContextPtr ProbeContext(const AVCodec* encoder, AVPixelFormat format) {
  media::CodecContextPtr c(avcodec_alloc_context3(encoder));
  if (!c) return c;
  c->width = ProbeSide;
  c->height = ProbeSide;
  c->time_base = AVRational{1, 25};
  c->framerate = AVRational{25, 1};
  c->pix_fmt = format;
  return c;
}

// VAAPI encoders take frames of the device's own pool: a device, a pool and
// the encoder must all open.
bool OpensWithDeviceFrames(const AVCodec* encoder) {
  AVBufferRef* made = nullptr;
  if (av_hwdevice_ctx_create(&made, AV_HWDEVICE_TYPE_VAAPI, nullptr, nullptr, 0) < 0) return false;
  const media::BufferRefPtr device(made);
  const media::BufferRefPtr pool(av_hwframe_ctx_alloc(device.get()));
  if (!pool) return false;
  auto* frames = reinterpret_cast<AVHWFramesContext*>(pool->data);
  frames->format = AV_PIX_FMT_VAAPI;
  frames->sw_format = AV_PIX_FMT_NV12;
  frames->width = ProbeSide;
  frames->height = ProbeSide;
  frames->initial_pool_size = 4;
  if (av_hwframe_ctx_init(pool.get()) < 0) return false;
  media::CodecContextPtr c = ProbeContext(encoder, AV_PIX_FMT_VAAPI);
  if (!c) return false;
  c->hw_frames_ctx = av_buffer_ref(pool.get());
  return c->hw_frames_ctx && avcodec_open2(c.get(), encoder, nullptr) >= 0;
}

}  // namespace

const std::vector<THardwareEncoder>& KnownHardwareEncoders() {
  static const std::vector<THardwareEncoder> known{
      {THardwareApi::VAAPI, TVideoFamily::H264, "h264_vaapi"}, {THardwareApi::VAAPI, TVideoFamily::HEVC, "hevc_vaapi"},
      {THardwareApi::VAAPI, TVideoFamily::AV1, "av1_vaapi"},   {THardwareApi::NVENC, TVideoFamily::H264, "h264_nvenc"},
      {THardwareApi::NVENC, TVideoFamily::HEVC, "hevc_nvenc"}, {THardwareApi::NVENC, TVideoFamily::AV1, "av1_nvenc"},
      {THardwareApi::QSV, TVideoFamily::H264, "h264_qsv"},     {THardwareApi::QSV, TVideoFamily::HEVC, "hevc_qsv"},
      {THardwareApi::QSV, TVideoFamily::AV1, "av1_qsv"},
  };
  return known;
}

const char* HardwareEncoderName(THardwareApi api, TVideoFamily family) {
  for (const THardwareEncoder& e : KnownHardwareEncoders())
    if (e.api == api && e.family == family) return e.name;
  return nullptr;
}

const char* HardwareApiName(THardwareApi api) {
  switch (api) {
    case THardwareApi::VAAPI: return "VAAPI";
    case THardwareApi::NVENC: return "NVENC";
    case THardwareApi::QSV: return "QSV";
  }
  return "";
}

QStringList HardwareQualityOptions(THardwareApi api, int quality) {
  const QString q = QString::number(quality);
  switch (api) {
    case THardwareApi::VAAPI: return {"rc_mode=CQP", "qp=" + q};
    case THardwareApi::NVENC: return {"rc=vbr", "cq=" + q, "b=0", "preset=p5"};
    case THardwareApi::QSV: return {"global_quality=" + q, "preset=medium"};
  }
  return {};
}

std::vector<THardwareEncoder> ProbeHardwareEncoders(
    const std::function<bool(const AVCodec* encoder, THardwareApi api)>& opens) {
  std::vector<THardwareEncoder> found;
  for (const THardwareEncoder& e : KnownHardwareEncoders()) {
    const AVCodec* encoder = avcodec_find_encoder_by_name(e.name);
    if (encoder && opens(encoder, e.api)) found.push_back(e);
  }
  return found;
}

bool OpensOnThisMachine(const AVCodec* encoder, THardwareApi api) {
  if (api == THardwareApi::VAAPI) return OpensWithDeviceFrames(encoder);
  const AVPixelFormat format = api == THardwareApi::QSV ? AV_PIX_FMT_NV12 : AV_PIX_FMT_YUV420P;
  media::CodecContextPtr c = ProbeContext(encoder, format);
  return c && avcodec_open2(c.get(), encoder, nullptr) >= 0;
}

const std::vector<THardwareEncoder>& AvailableHardwareEncoders() {
  static const std::vector<THardwareEncoder> available = [] {
    media::LoadMediaLibraries();
    InstallLibraryLogCallback();  // a device that is not there is no news: its lines are dropped
    return ProbeHardwareEncoders(OpensOnThisMachine);
  }();
  return available;
}

bool TakesDeviceFrames(const AVCodec* encoder) {
  if (!encoder || !encoder->pix_fmts) return false;
  for (const AVPixelFormat* f = encoder->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
    if (*f == AV_PIX_FMT_VAAPI) return true;
  return false;
}

}  // namespace engine
