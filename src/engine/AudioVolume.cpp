#include "engine/AudioVolume.h"

#include <algorithm>
#include <cstdint>

extern "C" {
#include <libavutil/samplefmt.h>
}

namespace engine {

namespace {

template <class T>
void ScaleIntegers(T* s, int count, int volume, int64_t low, int64_t high, int64_t bias = 0) {
  for (int i = 0; i < count; ++i) {
    const int64_t v = ((int64_t(s[i]) - bias) * volume + 128) >> 8;
    s[i] = static_cast<T>(std::clamp(v, low, high) + bias);
  }
}

template <class T>
void ScaleFloats(T* s, int count, int volume) {
  const T factor = static_cast<T>(volume) / 256;
  for (int i = 0; i < count; ++i) s[i] *= factor;
}

}  // namespace

void ScaleVolume(AVFrame* frame, int volume) {
  const auto format = static_cast<AVSampleFormat>(frame->format);
  const bool planar = av_sample_fmt_is_planar(format);
  const int channels = frame->ch_layout.nb_channels;
  const int planes = planar ? channels : 1;
  const int count = planar ? frame->nb_samples : frame->nb_samples * channels;
  for (int p = 0; p < planes; ++p) {
    uint8_t* data = frame->extended_data[p];
    switch (av_get_packed_sample_fmt(format)) {
      case AV_SAMPLE_FMT_U8: ScaleIntegers(data, count, volume, -128, 127, 128); break;
      case AV_SAMPLE_FMT_S16: ScaleIntegers(reinterpret_cast<int16_t*>(data), count, volume, INT16_MIN, INT16_MAX); break;
      case AV_SAMPLE_FMT_S32: ScaleIntegers(reinterpret_cast<int32_t*>(data), count, volume, INT32_MIN, INT32_MAX); break;
      case AV_SAMPLE_FMT_FLT: ScaleFloats(reinterpret_cast<float*>(data), count, volume); break;
      case AV_SAMPLE_FMT_DBL: ScaleFloats(reinterpret_cast<double*>(data), count, volume); break;
      default: break;
    }
  }
}

}  // namespace engine
