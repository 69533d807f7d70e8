#pragma once
// The text rules shared by the filters' fragments and the wizard's list.

#include <QString>
#include <QStringList>
#include <vector>

#include "filters/AVFilter.h"

namespace filters {

// Every backslash doubled.
QString EscapePath(const QString& path);
// 0x00BBGGRR as 0xRRGGBB: red and blue swapped, the top byte dropped.
uint32_t RgbValue(TColor color);

// Joins items with commas. No items give an empty text, a single empty item
// two spaces; an item holding a space, a comma or a control character is
// enclosed in spaces with its own spaces doubled.
QString JoinFilterStrings(const QStringList& items);

// The VideoFilters text of a filter list: the fragments joined in order.
QString VideoFiltersText(const std::vector<const TAVFilter*>& filters);

}  // namespace filters
