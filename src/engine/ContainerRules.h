#pragma once
// What some muxers insist on whatever the encoder could do: sample rates and
// channel counts, and muxers that build every video frame with its own audio.

#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace engine {

// The sample rates the muxer takes for audio of codec, best first; empty: any.
std::vector<int> ContainerSampleRates(const AVOutputFormat* format, AVCodecID codec);

// The channel count the muxer takes; 0: any.
int ContainerChannels(const AVOutputFormat* format);

// DV frames carry their pictures' audio: the sound must start with the
// pictures, run without gaps and last as long as they do.
bool AudioLocksToVideo(const AVOutputFormat* format);

}  // namespace engine
