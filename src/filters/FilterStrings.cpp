#include "filters/FilterStrings.h"

#include <algorithm>

namespace filters {

namespace {

bool NeedsQuotes(const QString& item) {
  return std::any_of(item.begin(), item.end(), [](QChar c) { return c.unicode() <= u' ' || c == QLatin1Char(','); });
}

}  // namespace

QString EscapePath(const QString& path) { return QString(path).replace(QLatin1Char('\\'), QLatin1String("\\\\")); }

uint32_t RgbValue(TColor color) { return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF); }

QString JoinFilterStrings(const QStringList& items) {
  if (items.size() == 1 && items.front().isEmpty()) return QStringLiteral("  ");
  QStringList written;
  for (const QString& item : items)
    written << (NeedsQuotes(item)
                    ? QLatin1Char(' ') + QString(item).replace(QLatin1Char(' '), QLatin1String("  ")) + QLatin1Char(' ')
                    : item);
  return written.join(QLatin1Char(','));
}

QString VideoFiltersText(const std::vector<const TAVFilter*>& filters) {
  QStringList fragments;
  for (const TAVFilter* filter : filters) fragments << filter->FilterString();
  return JoinFilterStrings(fragments);
}

}  // namespace filters
