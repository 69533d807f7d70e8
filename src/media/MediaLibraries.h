#pragma once
// One-time set-up of the media libraries for the whole process.

#include <QString>

struct AVInputFormat;

namespace media {

// Prepares the libraries once per process (device registration); later calls
// return at once. Safe to call from any thread.
void LoadMediaLibraries();

// The input format of that name: one of the libraries', or the program's
// own capture input "wavcap" (WavcapInput.h). Null when there is none.
const AVInputFormat* FindInputFormat(const char* name);

// "libavcodec 59.37.100, libavformat …" for logs and the about box.
QString LibraryVersions();

// The libraries' text for one of their error codes ("No such file or directory").
QString ErrorText(int error);

}  // namespace media
