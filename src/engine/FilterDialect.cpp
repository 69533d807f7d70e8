#include "engine/FilterDialect.h"

namespace engine {

QString TranslateVideoFilters(const QString& filters) { return filters; }

}  // namespace engine
