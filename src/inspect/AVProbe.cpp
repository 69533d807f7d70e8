#include "inspect/AVProbe.h"

#include <QFile>
#include <algorithm>
#include <climits>

#include "engine/EngineError.h"
#include "media/MediaLibraries.h"

namespace {

// The result fields are 32-bit; a corrupt header must not wrap them around.
int ClampToInt(int64_t value) { return static_cast<int>(std::clamp<int64_t>(value, 0, INT_MAX)); }

}  // namespace

TAVProbe::TAVProbe() { media::LoadMediaLibraries(); }

TAVProbe::~TAVProbe() { Close(); }

void TAVProbe::SetActive(bool value) {
  if (value == FActive) return;
  if (value) {
    // A missing file is not an error here: the caller sees a file without streams.
    if (!QFile::exists(FFileName)) return;
    Open();
  } else {
    Close();
  }
  FActive = value;
}

void TAVProbe::Open() {
  FHasVideo = FHasAudio = false;
  FAudioEncoderName.clear();
  FVideoEncoderName.clear();
  FVideoWidth = FVideoHeight = FSampleRate = FChannels = FAudioBitrate = FVideoBitrate = 0;
  FVideoFrameRate = 0;

  AVFormatContext* ic = avformat_alloc_context();
  if (!ic) throw EAVError(QStringLiteral("Error Opening File!"));
  // A failed open frees the context.
  if (avformat_open_input(&ic, FFileName.toUtf8().constData(), iformat, nullptr) < 0)
    throw EAVError(QStringLiteral("Error Opening File!"));
  fmt_ctx.reset(ic);
  try {
    if (avformat_find_stream_info(ic, nullptr) < 0) throw EAVError(QStringLiteral("Can not find stream information"));
    for (unsigned i = 0; i < ic->nb_streams; ++i) {
      const AVMediaType type = ic->streams[i]->codecpar->codec_type;
      if (type == AVMEDIA_TYPE_VIDEO && !FHasVideo) {
        InspectVideo(static_cast<int>(i));
        FHasVideo = true;
      } else if (type == AVMEDIA_TYPE_AUDIO && !FHasAudio) {
        InspectAudio(static_cast<int>(i));
        FHasAudio = true;
      }
    }
  } catch (...) {
    Close();
    throw;
  }
}

void TAVProbe::Close() {
  FVideoDecoder.reset();
  FAudioDecoder.reset();
  fmt_ctx.reset();
}

media::CodecContextPtr TAVProbe::OpenDecoder(int index, const AVCodec*& decoder) {
  const AVCodecParameters* par = fmt_ctx->streams[index]->codecpar;
  decoder = avcodec_find_decoder(par->codec_id);
  if (!decoder)
    throw EAVError(QString::asprintf("Unsupported codec(id=%d) for input stream %d", par->codec_id, index));
  media::CodecContextPtr context(avcodec_alloc_context3(decoder));
  if (!context || avcodec_parameters_to_context(context.get(), par) < 0 ||
      avcodec_open2(context.get(), decoder, nullptr) < 0)
    throw EAVError(QString::asprintf("Error while opening codec for input stream %d", index));
  return context;
}

void TAVProbe::InspectVideo(int index) {
  const AVCodec* decoder = nullptr;
  FVideoDecoder = OpenDecoder(index, decoder);
  const AVCodecContext* c = FVideoDecoder.get();
  FVideoEncoderName = QString::fromLatin1(decoder->name);
  FVideoWidth = c->width;
  FVideoHeight = c->height;
  FVideoBitrate = ClampToInt(c->bit_rate);
  const AVRational rate = fmt_ctx->streams[index]->r_frame_rate;
  FVideoFrameRate = rate.den != 0 ? static_cast<double>(rate.num) / rate.den : 0.0;
}

void TAVProbe::InspectAudio(int index) {
  const AVCodec* decoder = nullptr;
  FAudioDecoder = OpenDecoder(index, decoder);
  const AVCodecContext* c = FAudioDecoder.get();
  FAudioEncoderName = QString::fromLatin1(decoder->name);
  FSampleRate = c->sample_rate;
  FChannels = c->ch_layout.nb_channels;
  // Uncompressed audio: the bitrate follows from the sample layout.
  const int bits = av_get_bits_per_sample(c->codec_id);
  FAudioBitrate = bits != 0 ? ClampToInt(int64_t{c->sample_rate} * FChannels * bits) : ClampToInt(c->bit_rate);
}
