#pragma once
// The program's own filter-string dialect (what tasks store in VideoFilters)
// turned into the filter library's graph syntax.

#include <QString>

namespace engine {

// Today's graph description for a VideoFilters text. Text already in the
// library's syntax passes through unchanged.
QString TranslateVideoFilters(const QString& filters);

}  // namespace engine
