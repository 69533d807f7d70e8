#pragma once
// The program's own input format "wavcap": a recording from an ALSA capture
// device (WaveCapture.h) delivered as one 16-bit PCM audio stream. It is
// opened like any input whose format is forced, with the format parameters
// "sample_rate" and "channels" (both must be above 0, else the open fails
// with -1). The input's name chooses the device when it names one ("null",
// "default", "hw:1,0" …); any other name records from "default".
//
// Each packet holds whatever was captured since the last one (whole 4096-byte
// buffers) and is stamped, in microseconds, with the wall-clock time its
// first sample was recorded: the time of reading minus the packet's length.
// Only one recording runs at a time: a second open fails with -5, as does a
// device that cannot be opened, prepared or started; each such failure is
// logged (av_log, level 3) with the device's error text.

extern "C" {
#include <libavformat/avformat.h>
}

namespace media {

const AVInputFormat* WavcapInputFormat();

}  // namespace media
