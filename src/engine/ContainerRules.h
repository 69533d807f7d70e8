#pragma once
// What some muxers insist on whatever the encoder could do: sample rates and
// channel counts, and muxers that build every video frame with its own audio;
// and the limits of encoders that list no formats but refuse some.

#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

namespace engine {

// The sample rates the muxer takes for audio of codec, best first; empty: any.
std::vector<int> ContainerSampleRates(const AVOutputFormat* format, AVCodecID codec);

// The channel count the muxer takes; 0: any.
int ContainerChannels(const AVOutputFormat* format);

// DV and SWF frames carry their pictures' audio: the sound must start with
// the pictures and run without gaps, and the pictures must last as long as
// the sound (the muxer keeps no sound after the last picture).
bool AudioLocksToVideo(const AVOutputFormat* format);

// The muxer places sound by its sample count, not its time (AVI among them):
// a late start or a gap must be filled with silence to stay in step.
bool AudioPlacedByLength(const AVOutputFormat* format);

// The most channels and the highest sample rate an encoder takes when it
// lists neither (Windows Media Audio); 0: no limit known.
int EncoderMaxChannels(AVCodecID codec);
int EncoderMaxSampleRate(AVCodecID codec);

// Subtitles of codec from can be encoded as codec to: both of text, or both
// pictures.
bool SubtitleKindsMatch(AVCodecID from, AVCodecID to);

// A bitmap subtitle (DVD, Blu-ray) goes into Matroska as it is, for no
// encoder of that container can draw it again.
bool KeepsBitmapSubtitles(const AVOutputFormat* format, AVCodecID id);

}  // namespace engine
