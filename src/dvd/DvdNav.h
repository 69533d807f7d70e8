#pragma once
// The DVD navigation layer: opens a disc, scans its titles, and reads a
// title's MPEG program stream block by block from a chapter on. The disc's
// structure comes from libdvdread, playback from libdvdnav.
//
// A disc path is an optical device (/dev/sr0), a mounted disc folder, a
// VIDEO_TS folder or a DVD image (.iso).

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace dvd {

constexpr int DvdBlockSize = 2048;

template <typename T>
struct hb_list_t {
  std::vector<T> items;
};

template <typename T>
int hb_list_count(const hb_list_t<T>& list) {
  return static_cast<int>(list.items.size());
}

// Item index (from 0); none past the end.
template <typename T>
const T* hb_list_item(const hb_list_t<T>& list, int index) {
  return index >= 0 && index < hb_list_count(list) ? &list.items[static_cast<size_t>(index)] : nullptr;
}

struct hb_chapter_t {
  int32_t index = 0;  // chapter number, from 1
  int32_t pgcn = 0;   // program chain and program the chapter starts with
  int32_t pgn = 0;
  int32_t cell_start = 0;  // its cells in the program chain, from 1
  int32_t cell_end = 0;
  int64_t duration = 0;  // 90 kHz ticks
  int32_t hours = 0, minutes = 0, seconds = 0;
};

struct hb_title_t {
  QString dvd;        // the disc path the title was scanned from
  int32_t index = 0;  // title number, from 1
  int32_t vts = 0;    // title set and the title's number inside it
  int32_t ttn = 0;
  int32_t angle_count = 1;  // the disc's word; a scan asks the player (DvdScan.h)
  int64_t duration = 0;     // 90 kHz ticks
  int32_t hours = 0, minutes = 0, seconds = 0;
  hb_list_t<hb_chapter_t> list_chapter;
};

// An open disc: one reader position and one title being played at a time.
struct hb_dvdnav_t;

// None when the path holds no readable DVD-Video.
hb_dvdnav_t* hb_dvdnav_init(const QString& path);
int hb_dvdnav_title_count(hb_dvdnav_t* d);
// Title t (from 1), or none when its structure cannot be read.
std::unique_ptr<hb_title_t> hb_dvdnav_title_scan(hb_dvdnav_t* d, int t);
// Non-zero when the next block read is the first block of that chapter.
int hb_dvdnav_start(hb_dvdnav_t* d, const hb_title_t* title, int chapter);
// The angles of the title started (1 when unknown).
int hb_dvdnav_angle_count(hb_dvdnav_t* d);
void hb_dvdnav_set_angle(hb_dvdnav_t* d, int angle);
// The chapter being read; negative when reading has left the title or
// nothing is started.
int hb_dvdnav_chapter(hb_dvdnav_t* d);
// 0: nothing yet, call again. -1: no data this time (a cell ended, or the
// title did; ask hb_dvdnav_chapter). Otherwise length bytes (at most one
// block) of program stream are in buffer; event receives the player's event.
int hb_dvdnav_read(hb_dvdnav_t* d, uint8_t* buffer, int* length, int* event);
// The block last read and the length of the title, both in blocks counted
// from the title's start. False when nothing has been read since a start.
bool hb_dvdnav_get_position(hb_dvdnav_t* d, uint32_t* position, uint32_t* length);
// 1 when the next block read is block position of the title. A refused seek
// leaves reading where it was.
int hb_dvdnav_seek(hb_dvdnav_t* d, int64_t position);
// Ends reading; hb_dvdnav_start begins again.
void hb_dvdnav_stop(hb_dvdnav_t* d);
// Releases the disc and empties the handle.
void hb_dvdnav_close(hb_dvdnav_t** d);

struct DvdNavCloser {
  void operator()(hb_dvdnav_t* d) const { hb_dvdnav_close(&d); }
};
using DvdNavPtr = std::unique_ptr<hb_dvdnav_t, DvdNavCloser>;

}  // namespace dvd
