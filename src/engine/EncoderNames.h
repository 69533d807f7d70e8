#pragma once
// Encoder lookup by name, with stand-ins for encoders that today's library
// builds no longer carry.

#include <QByteArray>
#include <QString>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace engine {

// The encoder called name, or its stand-in (note then says which, for the
// log); nullptr when there is neither.
const AVCodec* FindEncoderByName(const QByteArray& name, QString& note);

// Encoders that share out their work best when left to choose their own
// number of threads (x264, x265, libvpx).
bool ChoosesOwnThreads(const AVCodec* encoder);

}  // namespace engine
