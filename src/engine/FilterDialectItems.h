#pragma once
// The dialect's single items in the library's syntax (FilterDialect.cpp
// splits the stored list and puts the graph together).

#include <QString>
#include <cstdint>

#include "engine/FilterDialect.h"

namespace engine::dialect {

struct TItemTranslation {
  bool recognised = false;  // the item is one of the dialect's own
  TVideoFilterItem item;    // its translation, when recognised and no error
  QString error;            // why a recognised item cannot be translated
};

// Translates one item of the dialect; an item that is not the dialect's
// comes back not recognised. subtitleShift, sourceFile: see TranslateVideoFilters.
TItemTranslation TranslateDialectItem(const QString& item, int64_t subtitleShift, const QString& sourceFile);

// An option value quoted for the filter's own option parser.
QString QuoteOptionValue(const QString& value);
// A filter's argument text escaped for the graph parser.
QString EscapeFilterArguments(const QString& arguments);

// The family name of the first face in a font file; empty when the file is
// not a font FreeType can read.
QString FontFamilyName(const QString& fontFile);

}  // namespace engine::dialect
