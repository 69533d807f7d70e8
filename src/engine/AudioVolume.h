#pragma once
// Volume scaling of decoded audio: factor volume/256, integer samples clamped
// to their range.

extern "C" {
#include <libavutil/frame.h>
}

namespace engine {

// Scales every sample of a writable audio frame in place.
void ScaleVolume(AVFrame* frame, int volume);

}  // namespace engine
