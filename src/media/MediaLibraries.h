#pragma once
// One-time set-up of the media libraries for the whole process.

#include <QString>

namespace media {

// Prepares the libraries once per process (device registration); later calls
// return at once. Safe to call from any thread.
void LoadMediaLibraries();

// "libavcodec 59.37.100, libavformat …" for logs and the about box.
QString LibraryVersions();

}  // namespace media
