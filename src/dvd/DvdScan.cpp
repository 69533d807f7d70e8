#include "dvd/DvdScan.h"

namespace dvd {

std::optional<std::vector<hb_title_t>> ScanDvd(const QString& path) {
  const DvdNavPtr disc(hb_dvdnav_init(path));
  if (!disc) return std::nullopt;
  std::vector<hb_title_t> titles;
  const int count = hb_dvdnav_title_count(disc.get());
  for (int t = 1; t <= count; ++t)
    if (std::unique_ptr<hb_title_t> title = hb_dvdnav_title_scan(disc.get(), t)) titles.push_back(*title);
  // The player knows the angles of a title only once it plays it.
  for (hb_title_t& title : titles) {
    if (hb_dvdnav_start(disc.get(), &title, 1)) title.angle_count = hb_dvdnav_angle_count(disc.get());
    hb_dvdnav_stop(disc.get());
  }
  return titles;
}

QString TitleLine(const hb_title_t& title) {
  return QString::asprintf("%d(%.2d:%.2d:%.2d)", title.index, title.hours, title.minutes, title.seconds);
}

}  // namespace dvd
