#include "engine/ContainerRules.h"

#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
}

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

bool SubtitleKindsMatch(AVCodecID from, AVCodecID to) {
  const AVCodecDescriptor* in = avcodec_descriptor_get(from);
  const AVCodecDescriptor* out = avcodec_descriptor_get(to);
  if (!in || !out) return false;
  const int kinds = AV_CODEC_PROP_BITMAP_SUB | AV_CODEC_PROP_TEXT_SUB;
  return (in->props & kinds) & (out->props & kinds);
}

bool KeepsBitmapSubtitles(const AVOutputFormat* format, AVCodecID id) {
  const AVCodecDescriptor* d = avcodec_descriptor_get(id);
  return Is(format, "matroska") && d && (d->props & AV_CODEC_PROP_BITMAP_SUB) &&
         avformat_query_codec(format, id, FF_COMPLIANCE_NORMAL) == 1;
}

}  // namespace engine
