#include "media/WavcapInput.h"

#include <chrono>
#include <cstring>
#include <thread>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/time.h>
}

#include "media/WaveCapture.h"

// The demuxer callbacks are members of the input format record that the
// library's own device library fills in the same way; their layout is fixed
// within a major version of libavformat.
static_assert(LIBAVFORMAT_VERSION_MAJOR == 59, "the wavcap input is written for libavformat 59 (FFmpeg 5.1)");

namespace media {

namespace {

// Level of the capture error lines.
constexpr int CaptureErrorLevel = 3;
// Longest device error text in a log line.
constexpr int MaxErrorText = 128;
// How long a read waits between looks at the capture.
constexpr auto ReadPause = std::chrono::milliseconds(10);

struct TWavcapContext {
  const AVClass* av_class;
  int sample_rate;
  int channels;
  TWaveCapture* capture;
  int64_t packets;  // delivered so far
  bool failure_logged;
};

void LogCaptureError(const char* format, const QString& text) {
  av_log(nullptr, CaptureErrorLevel, format, text.left(MaxErrorText).toUtf8().constData());
}

const char* StartFailureFormat(TWaveCapture::TStartResult result) {
  switch (result) {
    case TWaveCapture::srPrepareFailed: return "wave waveInPrepareHeader error:%s\n";
    case TWaveCapture::srQueueFailed: return "wave waveInAddBuffer error:%s\n";
    case TWaveCapture::srStartFailed: return "waveInStart error:%s\n";
    default: return "wave capture error:%s\n";
  }
}

void FreeCapture(TWavcapContext* ctx) {
  delete ctx->capture;  // stops the recording
  ctx->capture = nullptr;
}

int WavcapOpen(AVFormatContext* s) {
  auto* ctx = static_cast<TWavcapContext*>(s->priv_data);
  if (ctx->sample_rate <= 0 || ctx->channels <= 0) return -1;
  AVStream* st = avformat_new_stream(s, nullptr);
  if (!st) return AVERROR(ENOMEM);
  AVCodecParameters* par = st->codecpar;
  par->codec_type = AVMEDIA_TYPE_AUDIO;
  par->codec_id = AV_CODEC_ID_PCM_S16LE;
  par->format = AV_SAMPLE_FMT_S16;
  par->sample_rate = ctx->sample_rate;
  av_channel_layout_default(&par->ch_layout, ctx->channels);
  par->bits_per_coded_sample = 16;
  par->block_align = ctx->channels * 2;
  par->bit_rate = int64_t(ctx->sample_rate) * par->block_align * 8;
  st->time_base = AVRational{1, 1000000};
  st->pts_wrap_bits = 64;  // wall-clock microseconds never wrap

  ctx->capture = new TWaveCapture;
  QString why;
  const TWaveCapture::TStartResult started =
      ctx->capture->Start(TWaveCapture::DeviceFor(QString::fromUtf8(s->url)), ctx->sample_rate, ctx->channels, &why);
  if (started != TWaveCapture::srStarted) {
    LogCaptureError(StartFailureFormat(started), why);
    FreeCapture(ctx);  // a failed open is not closed by the library
    return AVERROR(EIO);
  }
  return 0;
}

bool Interrupted(AVFormatContext* s) {
  const AVIOInterruptCB& cb = s->interrupt_callback;
  return cb.callback && cb.callback(cb.opaque);
}

int WavcapRead(AVFormatContext* s, AVPacket* pkt) {
  auto* ctx = static_cast<TWavcapContext*>(s->priv_data);
  TWaveCapture& capture = *ctx->capture;
  while (capture.Pending() == 0) {
    if (!capture.Capturing()) {
      const QString failure = capture.Failure();
      if (!failure.isEmpty() && !ctx->failure_logged) LogCaptureError("wave capture error:%s\n", failure);
      ctx->failure_logged = true;
      return AVERROR_EOF;
    }
    // A caller that polls is told to come back, except while the stream is
    // still being probed (nothing delivered yet).
    if ((s->flags & AVFMT_FLAG_NONBLOCK) && ctx->packets > 0) return AVERROR(EAGAIN);
    if (Interrupted(s)) return AVERROR_EXIT;
    std::this_thread::sleep_for(ReadPause);
  }
  const QByteArray bytes = capture.Take();
  const int r = av_new_packet(pkt, static_cast<int>(bytes.size()));
  if (r < 0) return r;
  std::memcpy(pkt->data, bytes.constData(), bytes.size());
  const int64_t bytesPerSecond = int64_t(ctx->sample_rate) * ctx->channels * 2;
  const int64_t length = int64_t(bytes.size()) * 1000000 / bytesPerSecond;
  pkt->pts = pkt->dts = av_gettime() - length;
  pkt->duration = length;
  pkt->stream_index = 0;
  ++ctx->packets;
  return 0;
}

int WavcapClose(AVFormatContext* s) {
  FreeCapture(static_cast<TWavcapContext*>(s->priv_data));
  return 0;
}

const AVOption Options[] = {
    {"sample_rate", "samples per second", offsetof(TWavcapContext, sample_rate), AV_OPT_TYPE_INT, {.i64 = 0}, 0,
     INT_MAX, AV_OPT_FLAG_DECODING_PARAM, nullptr},
    {"channels", "channel count", offsetof(TWavcapContext, channels), AV_OPT_TYPE_INT, {.i64 = 0}, 0, INT_MAX,
     AV_OPT_FLAG_DECODING_PARAM, nullptr},
    {nullptr, nullptr, 0, AV_OPT_TYPE_INT, {.i64 = 0}, 0, 0, 0, nullptr},
};

AVClass MakeClass() {
  AVClass c{};
  c.class_name = "wavcap";
  c.item_name = av_default_item_name;
  c.option = Options;
  c.version = LIBAVUTIL_VERSION_INT;
  c.category = AV_CLASS_CATEGORY_DEVICE_AUDIO_INPUT;
  return c;
}

AVInputFormat MakeFormat() {
  static const AVClass wavcapClass = MakeClass();
  AVInputFormat f{};
  f.name = "wavcap";
  f.flags = AVFMT_NOFILE;
  f.priv_class = &wavcapClass;
  f.priv_data_size = sizeof(TWavcapContext);
  f.read_header = WavcapOpen;
  f.read_packet = WavcapRead;
  f.read_close = WavcapClose;
  return f;
}

}  // namespace

const AVInputFormat* WavcapInputFormat() {
  static const AVInputFormat format = MakeFormat();
  return &format;
}

}  // namespace media
