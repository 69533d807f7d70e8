#pragma once
// What ffprobe must find in a file a built-in profile made: container, codecs,
// size, rate, audio format and bitrates, derived from the profile's own values.

#include <QString>

#include "profiles/AVProfile.h"

namespace testing_support {

struct TExpected {
  QString container;  // ffprobe's format name
  QString brand;      // the MP4 family's major brand; empty: not checked
  QString video;      // codec names; empty: no such stream
  QString audio;
  int width = 0;   // 0: the source's
  int height = 0;
  QString rate = QStringLiteral("25/1");
  QString pixelFormat;  // empty: not checked
  int sampleRate = 0;   // 0: not checked
  int channels = 0;
  int videoBitrate = 0;  // bit/s; 0: not bitrate-driven
  int audioBitrate = 0;
  int packSize = 0;       // MPEG program stream sectors
  QString toolFormat;     // the ffmpeg tool must read the file back as this format
  bool images = false;    // a numbered picture sequence
  // Channels the profile leaves to the source when the source is not stereo:
  // its own count, up to what the codec holds; 0: channels is the rule.
  int maxChannels = 0;
  int maxHeight = 0;  // the picture is at most this tall, its shape kept; 0: no limit
};

TExpected Expected(const TAVProfile& p);

}  // namespace testing_support
