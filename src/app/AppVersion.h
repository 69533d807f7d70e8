#pragma once
// The program's version, compiled in by the build.

#include <QString>

namespace app {

inline QString ProgramVersion() { return QStringLiteral(TESVANOR_VERSION); }

}  // namespace app
