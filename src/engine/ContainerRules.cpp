#include "engine/ContainerRules.h"

#include <cstring>

namespace engine {

namespace {

bool Is(const AVOutputFormat* format, const char* name) { return format && std::strcmp(format->name, name) == 0; }

}  // namespace

std::vector<int> ContainerSampleRates(const AVOutputFormat* format, AVCodecID codec) {
  if (Is(format, "dv")) return {48000, 44100, 32000};
  if (Is(format, "swf")) return {44100, 22050, 11025};
  // Flash files name the rate in two bits; AAC and Speex have rates of their own.
  if (Is(format, "flv") && codec != AV_CODEC_ID_AAC && codec != AV_CODEC_ID_SPEEX) {
    if (codec == AV_CODEC_ID_MP3) return {44100, 48000, 22050, 11025};
    return {44100, 22050, 11025};
  }
  return {};
}

int ContainerChannels(const AVOutputFormat* format) { return Is(format, "dv") ? 2 : 0; }

bool AudioLocksToVideo(const AVOutputFormat* format) { return Is(format, "dv") || Is(format, "swf"); }

bool AudioPlacedByLength(const AVOutputFormat* format) { return AudioLocksToVideo(format) || Is(format, "avi"); }

int EncoderMaxChannels(AVCodecID codec) { return codec == AV_CODEC_ID_WMAV1 || codec == AV_CODEC_ID_WMAV2 ? 2 : 0; }

int EncoderMaxSampleRate(AVCodecID codec) {
  return codec == AV_CODEC_ID_WMAV1 || codec == AV_CODEC_ID_WMAV2 ? 48000 : 0;
}

}  // namespace engine
