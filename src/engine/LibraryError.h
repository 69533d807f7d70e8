#pragma once
// The media libraries' reason for an error code, for log lines and messages.

#include <QString>

extern "C" {
#include <libavutil/error.h>
}

namespace engine {

inline QString LibraryErrorText(int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  return QString::fromUtf8(text);
}

}  // namespace engine
