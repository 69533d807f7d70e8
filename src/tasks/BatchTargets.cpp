#include "tasks/BatchTargets.h"

#include <QFileInfo>
#include <QSet>

namespace tasks {

namespace {

QString NumberedName(const QString& base, int number, const QString& extension) {
  return number < 2 ? base + extension : QStringLiteral("%1 (%2)%3").arg(base).arg(number).arg(extension);
}

}  // namespace

QStringList BatchTargetNames(const QStringList& sources, const QString& folder, const QString& extension) {
  QString prefix = folder;
  if (!prefix.isEmpty() && !prefix.endsWith(QLatin1Char('/'))) prefix += QLatin1Char('/');
  QSet<QString> taken;
  QStringList targets;
  for (const QString& source : sources) {
    const QString base = QFileInfo(source).completeBaseName();
    QString name;
    for (int number = 1;; ++number) {
      name = NumberedName(base, number, extension);
      if (!taken.contains(name.toCaseFolded())) break;
    }
    taken.insert(name.toCaseFolded());
    targets << prefix + name;
  }
  return targets;
}

}  // namespace tasks
