#pragma once
// Scanning a disc the way the new-conversion wizard lists it: every title
// that can be read, with the number of angles the player offers.

#include <QString>
#include <optional>
#include <vector>

#include "dvd/DvdNav.h"

namespace dvd {

// None when the disc cannot be opened. Titles that cannot be read are left
// out; the others keep their own numbers.
std::optional<std::vector<hb_title_t>> ScanDvd(const QString& path);

// The title list's line: "%d(%.2d:%.2d:%.2d)", for example 3(01:45:09).
QString TitleLine(const hb_title_t& title);

}  // namespace dvd
