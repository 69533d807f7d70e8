// A title's chapters and durations, read from the disc's information files.

#include "dvd/DvdNavHandle.h"

namespace dvd {

namespace {

int64_t Bcd(uint8_t v) { return (v >> 4) * 10 + (v & 0x0f); }

// A cell's playing time in 90 kHz ticks; the two high bits of the frame byte
// give the frame rate (1: 25, 3: 29.97 frames per second).
int64_t Ticks(const dvd_time_t& t) {
  int64_t ticks = (Bcd(t.hour) * 3600 + Bcd(t.minute) * 60 + Bcd(t.second)) * 90000;
  const int64_t frames = Bcd(t.frame_u & 0x3f);
  switch (t.frame_u >> 6) {
    case 1: ticks += frames * 3600; break;
    case 3: ticks += frames * 3003; break;
    default: break;
  }
  return ticks;
}

// Of the cells of an angle block only the first counts: the others are the
// same time from another camera.
bool PlaysOnce(const cell_playback_t& cell) {
  return cell.block_type != BLOCK_TYPE_ANGLE_BLOCK || cell.block_mode == BLOCK_MODE_FIRST_CELL;
}

void SplitTime(int64_t ticks, int32_t& hours, int32_t& minutes, int32_t& seconds) {
  const int64_t total = ticks / 90000;
  hours = static_cast<int32_t>(total / 3600);
  minutes = static_cast<int32_t>(total / 60 % 60);
  seconds = static_cast<int32_t>(total % 60);
}

// The chapter a part-of-title entry points to; false when the entry names
// no program of the title set.
bool ReadChapter(const pgcit_t& pgcit, const ptt_info_t& ptt, hb_chapter_t& chapter) {
  if (ptt.pgcn < 1 || ptt.pgcn > pgcit.nr_of_pgci_srp) return false;
  const pgc_t* pgc = pgcit.pgci_srp[ptt.pgcn - 1].pgc;
  if (!pgc || !pgc->program_map || !pgc->cell_playback) return false;
  if (ptt.pgn < 1 || ptt.pgn > pgc->nr_of_programs) return false;
  chapter.pgcn = ptt.pgcn;
  chapter.pgn = ptt.pgn;
  chapter.cell_start = pgc->program_map[ptt.pgn - 1];
  chapter.cell_end = ptt.pgn < pgc->nr_of_programs ? pgc->program_map[ptt.pgn] - 1 : pgc->nr_of_cells;
  if (chapter.cell_start < 1 || chapter.cell_end < chapter.cell_start || chapter.cell_end > pgc->nr_of_cells)
    return false;
  for (int c = chapter.cell_start; c <= chapter.cell_end; ++c) {
    const cell_playback_t& cell = pgc->cell_playback[c - 1];
    if (PlaysOnce(cell)) chapter.duration += Ticks(cell.playback_time);
  }
  SplitTime(chapter.duration, chapter.hours, chapter.minutes, chapter.seconds);
  return true;
}

}  // namespace

std::unique_ptr<hb_title_t> hb_dvdnav_title_scan(hb_dvdnav_t* d, int t) {
  const tt_srpt_t* table = d->vmg->tt_srpt;
  if (t < 1 || t > table->nr_of_srpts) return nullptr;
  const title_info_t& info = table->title[t - 1];
  const IfoPtr vts(ifoOpen(d->reader.get(), info.title_set_nr));
  if (!vts || !vts->vts_ptt_srpt || !vts->vts_pgcit) return nullptr;
  if (info.vts_ttn < 1 || info.vts_ttn > vts->vts_ptt_srpt->nr_of_srpts) return nullptr;
  const ttu_t& parts = vts->vts_ptt_srpt->title[info.vts_ttn - 1];

  auto title = std::make_unique<hb_title_t>();
  title->dvd = d->path;
  title->index = t;
  title->vts = info.title_set_nr;
  title->ttn = info.vts_ttn;
  title->angle_count = info.nr_of_angles > 0 ? info.nr_of_angles : 1;
  for (int p = 0; p < parts.nr_of_ptts; ++p) {
    hb_chapter_t chapter;
    chapter.index = p + 1;
    if (!ReadChapter(*vts->vts_pgcit, parts.ptt[p], chapter)) return nullptr;
    title->duration += chapter.duration;
    title->list_chapter.items.push_back(chapter);
  }
  if (title->list_chapter.items.empty()) return nullptr;
  SplitTime(title->duration, title->hours, title->minutes, title->seconds);
  return title;
}

}  // namespace dvd
