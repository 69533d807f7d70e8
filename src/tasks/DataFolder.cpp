#include "tasks/DataFolder.h"

#include <QDir>

namespace tasks {

QString AppDataFolder() {
  QString base = qEnvironmentVariable("XDG_DATA_HOME");
  // The base directory specification ignores relative paths.
  if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + QStringLiteral("/.local/share");
  return QDir::cleanPath(base) + QStringLiteral("/Ormentis/Tesvanor/");
}

}  // namespace tasks
