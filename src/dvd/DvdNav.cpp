// Playing one title of an open disc with libdvdnav: starting at a chapter,
// reading blocks, knowing the chapter and block position, seeking to a block.

#include "dvd/DvdNavHandle.h"

#include <QFile>
#include <QFileInfo>
#include <cstring>

namespace dvd {

namespace {

void DropReaderMessage(void*, dvd_logger_level_t, const char*, va_list) {}
void DropNavMessage(void*, dvdnav_logger_level_t, const char*, va_list) {}

// Player events met before the first block of a start, or while a seek
// walks to its block; a disc that needs more is treated as unreadable.
constexpr int MaxSteps = 1 << 16;
// Forward seeks shorter than this many blocks read their way there: libdvdnav
// lands only on the start of a video object unit (well under this size) and
// refuses to go back to the start of the unit being read.
constexpr uint32_t ForwardReadLimit = 1024;

bool InPlayedTitle(hb_dvdnav_t* d, int32_t* part = nullptr) {
  int32_t title = 0, chapter = 0;
  if (dvdnav_current_title_info(d->nav.get(), &title, &chapter) != DVDNAV_STATUS_OK) return false;
  if (part) *part = chapter;
  return title > 0 && title == d->title;
}

// One player step: 1 for a block of data, 0 for an event to pass over, -1 at
// a cell boundary or at the end of the title (then ended is set).
int Step(hb_dvdnav_t* d, uint8_t* buffer, int* length, int* event) {
  int32_t ev = 0, len = 0;
  if (dvdnav_get_next_block(d->nav.get(), buffer, &ev, &len) != DVDNAV_STATUS_OK) {
    *event = -1;
    d->ended = true;  // an unreadable block ends the title
    return -1;
  }
  *event = ev;
  *length = 0;
  switch (ev) {
    case DVDNAV_BLOCK_OK:
    case DVDNAV_NAV_PACKET:
      *length = len;
      return 1;
    case DVDNAV_STILL_FRAME:
      dvdnav_still_skip(d->nav.get());
      return 0;
    case DVDNAV_WAIT:
      dvdnav_wait_skip(d->nav.get());
      return 0;
    case DVDNAV_STOP:
      d->ended = true;
      d->playerStopped = true;
      return -1;
    case DVDNAV_CELL_CHANGE:
      if (!InPlayedTitle(d)) d->ended = true;
      return -1;
    default:
      return 0;
  }
}

// Steps until a block of data arrives and keeps it as the pending block.
bool PendNextBlock(hb_dvdnav_t* d) {
  int length = 0;
  for (int i = 0; i < MaxSteps && !d->ended; ++i) {
    if (Step(d, d->pending.data(), &length, &d->pendingEvent) == 1) {
      d->hasPending = true;
      return true;
    }
  }
  d->ended = true;
  return false;
}

// Plays title from chapter on and keeps the chapter's first block pending.
bool PlayFrom(hb_dvdnav_t* d, int32_t title, int chapter) {
  d->hasPending = false;
  if (d->playerStopped) {
    // A stopped player starts over from the disc's first program with the
    // next block it is asked for, and takes no jump before that.
    std::array<uint8_t, DvdBlockSize> scratch;
    int32_t event = 0, length = 0;
    dvdnav_get_next_block(d->nav.get(), scratch.data(), &event, &length);
    d->playerStopped = false;
  }
  d->title = title;
  d->ended = dvdnav_part_play(d->nav.get(), title, chapter) != DVDNAV_STATUS_OK;
  return !d->ended && PendNextBlock(d);
}

bool Position(hb_dvdnav_t* d, uint32_t* position, uint32_t* length) {
  return dvdnav_get_position(d->nav.get(), position, length) == DVDNAV_STATUS_OK;
}

// Reads on until the block at target is the pending one.
bool WalkTo(hb_dvdnav_t* d, uint32_t target) {
  uint32_t position = 0, length = 0;
  for (int i = 0; i < MaxSteps; ++i) {
    d->hasPending = false;
    if (!PendNextBlock(d) || !Position(d, &position, &length) || position > target) return false;
    if (position == target) return true;
  }
  return false;
}

enum TReposition { rpDone, rpRefused, rpBroken };

// Moves reading to target; refused means nothing moved, broken that reading
// stands somewhere else now.
TReposition Reposition(hb_dvdnav_t* d, uint32_t target) {
  uint32_t position = 0, length = 0;
  if (!Position(d, &position, &length) || target >= length) return rpRefused;
  const uint32_t next = d->hasPending ? position : position + 1;  // the block the next read hands out
  if (target == next) return rpDone;
  if (target > next && target - next < ForwardReadLimit) return WalkTo(d, target) ? rpDone : rpBroken;
  if (dvdnav_sector_search(d->nav.get(), target, SEEK_SET) != DVDNAV_STATUS_OK) return rpRefused;
  d->hasPending = false;
  return WalkTo(d, target) ? rpDone : rpBroken;
}

// Reading ran off the end of the title: play it again, then seek in it. A
// refused seek leaves reading at the end.
int SeekAfterEnd(hb_dvdnav_t* d, uint32_t target) {
  if (PlayFrom(d, d->title, 1) && Reposition(d, target) == rpDone) return 1;
  d->ended = true;
  d->hasPending = false;
  return 0;
}

}  // namespace

const dvd_logger_cb QuietReaderLog = {DropReaderMessage};
const dvdnav_logger_cb QuietNavLog = {DropNavMessage};

DvdReaderPtr OpenDiscReader(const QString& path) {
  // libdvdread reports a missing path with perror() on standard error.
  if (!QFileInfo::exists(path)) return nullptr;
  return DvdReaderPtr(DVDOpen2(nullptr, &QuietReaderLog, QFile::encodeName(path).constData()));
}

hb_dvdnav_t* hb_dvdnav_init(const QString& path) {
  auto d = std::make_unique<hb_dvdnav_t>();
  d->path = path;
  d->reader = OpenDiscReader(path);
  if (!d->reader) return nullptr;
  d->vmg.reset(ifoOpen(d->reader.get(), 0));
  if (!d->vmg || !d->vmg->tt_srpt) return nullptr;
  dvdnav_t* nav = nullptr;
  if (dvdnav_open2(&nav, nullptr, &QuietNavLog, QFile::encodeName(path).constData()) != DVDNAV_STATUS_OK) return nullptr;
  d->nav.reset(nav);
  dvdnav_set_readahead_flag(nav, 1);
  // Positions count from the start of the title's program chain, not of the
  // chapter being read.
  dvdnav_set_PGC_positioning_flag(nav, 1);
  return d.release();
}

void hb_dvdnav_close(hb_dvdnav_t** d) {
  delete *d;
  *d = nullptr;
}

int hb_dvdnav_title_count(hb_dvdnav_t* d) { return d->vmg->tt_srpt->nr_of_srpts; }

int hb_dvdnav_start(hb_dvdnav_t* d, const hb_title_t* title, int chapter) {
  hb_dvdnav_stop(d);
  // The player settles on the chapter only when asked for data.
  if (!title || !PlayFrom(d, title->index, chapter)) {
    hb_dvdnav_stop(d);
    return 0;
  }
  return 1;
}

void hb_dvdnav_stop(hb_dvdnav_t* d) {
  d->title = 0;
  d->ended = true;
  d->hasPending = false;
}

int hb_dvdnav_angle_count(hb_dvdnav_t* d) {
  int32_t current = 0, count = 0;
  if (dvdnav_get_angle_info(d->nav.get(), &current, &count) != DVDNAV_STATUS_OK || count < 1) return 1;
  return count;
}

void hb_dvdnav_set_angle(hb_dvdnav_t* d, int angle) { dvdnav_angle_change(d->nav.get(), angle); }

int hb_dvdnav_chapter(hb_dvdnav_t* d) {
  int32_t part = 0;
  if (d->ended || !InPlayedTitle(d, &part)) return -1;
  return part;
}

int hb_dvdnav_read(hb_dvdnav_t* d, uint8_t* buffer, int* length, int* event) {
  *length = 0;
  if (d->hasPending) {
    std::memcpy(buffer, d->pending.data(), DvdBlockSize);
    *length = DvdBlockSize;
    *event = d->pendingEvent;
    d->hasPending = false;
    return 1;
  }
  if (d->ended) return -1;
  return Step(d, buffer, length, event);
}

bool hb_dvdnav_get_position(hb_dvdnav_t* d, uint32_t* position, uint32_t* length) {
  return d->title != 0 && Position(d, position, length);
}

int hb_dvdnav_seek(hb_dvdnav_t* d, int64_t position) {
  if (d->title == 0 || position < 0 || position > UINT32_MAX) return 0;
  const auto target = static_cast<uint32_t>(position);
  if (d->ended) return SeekAfterEnd(d, target);
  uint32_t current = 0, length = 0;
  // Right after a start or a seek the player knows no position until a block
  // is read; that block stays pending, so nothing is lost if the seek fails.
  if (!Position(d, &current, &length) && (d->hasPending || !PendNextBlock(d) || !Position(d, &current, &length)))
    return 0;
  const uint32_t resume = d->hasPending ? current : current + 1;
  switch (Reposition(d, target)) {
    case rpDone:
      return 1;
    case rpRefused:
      return 0;
    case rpBroken:
      // Back to where reading stood; when even that fails, the title ends.
      d->ended = false;
      if (Reposition(d, resume) != rpDone) d->ended = true;
      return 0;
  }
  return 0;
}

}  // namespace dvd
