#pragma once
// Inside of an open disc handle, shared by the files of the navigation layer.

#include <array>

#include "dvd/DvdLibraryPtrs.h"
#include "dvd/DvdNav.h"

namespace dvd {

struct hb_dvdnav_t {
  QString path;
  DvdReaderPtr reader;  // the disc's structure
  IfoPtr vmg;           // its video manager: the title table
  NavPtr nav;           // playback

  int32_t title = 0;   // the title being played; 0 when none
  bool ended = true;   // playback left that title, or the disc stopped
  bool playerStopped = false;  // the player reported the end of playback
  // A block already taken from the player but not yet handed out: starting
  // and seeking read up to the block they promise and keep it here.
  bool hasPending = false;
  int pendingEvent = 0;
  std::array<uint8_t, DvdBlockSize> pending{};
};

}  // namespace dvd
