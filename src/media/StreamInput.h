#pragma once
// Names of the form "stream:N" (optionally "stream:N.ext") read one of the
// program's own live byte-stream objects (a DVD title, for instance) through a
// custom I/O context instead of a file.

#include <QString>

extern "C" {
#include <libavformat/avio.h>
}

namespace media {

// True for "stream:N" and "stream:N.ext" with N a decimal number.
bool IsStreamName(const QString& name);

// An I/O context that reads stream object N of a stream name. A negative
// library error code when no live object has that number.
int OpenStreamIO(const QString& name, AVIOContext** pb);

// Frees an I/O context made by OpenStreamIO, and the stream object behind it.
void CloseStreamIO(AVIOContext** pb);

}  // namespace media
