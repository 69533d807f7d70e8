#pragma once
// Names of the form "stream:N" (optionally "stream:N.ext") read one of the
// program's own live byte-stream objects (a DVD title, for instance) through a
// custom I/O context instead of a file.
//
// A stream object is registered under a number. Opening its name hands the
// object to that input, which frees it when it closes; the number then names
// nothing any more, as does a number stored by an earlier run of the program.

#include <QString>
#include <memory>

#include "media/ByteStream.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace media {

// True for "stream:N" and "stream:N.ext" with N a decimal number.
bool IsStreamName(const QString& name);

// An I/O context that reads stream object N of a stream name. A negative
// library error code when no live object has that number.
int OpenStreamIO(const QString& name, AVIOContext** pb);

// Frees an I/O context made by OpenStreamIO, and the stream object behind it.
void CloseStreamIO(AVIOContext** pb);

// avformat_open_input for a file or a "stream:N" name. ctx may hold a context
// prepared by the caller; on failure it is freed (with its byte stream) and
// set to nullptr, and the library's error code is returned.
int OpenMediaInput(AVFormatContext** ctx, const QString& name, const AVInputFormat* format, AVDictionary** options);

// Makes a stream object openable; returns its number (always positive).
int RegisterStream(std::unique_ptr<TByteStream> stream);

// "stream:N".
QString StreamName(int number);

// Frees a registered object that no input has opened; false when the number
// names no such object.
bool ReleaseStream(int number);

}  // namespace media
