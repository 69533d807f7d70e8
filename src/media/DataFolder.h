#pragma once
// The per-user data folder of the program: $XDG_DATA_HOME (or ~/.local/share
// when it is unset or not absolute) followed by "Ormentis/Tesvanor/".
// Config.Xml, Profiles.ini and av.cfg live there. Header-only, so any part of
// the program can use it.

#include <QDir>
#include <QString>

namespace tesvanor {

// The folder path with a trailing '/'. The folder itself is not created.
inline QString UserDataFolder() {
  QString base = qEnvironmentVariable("XDG_DATA_HOME");
  // A relative value is invalid by the XDG rules and is ignored.
  if (base.isEmpty() || QDir::isRelativePath(base)) base = QDir::homePath() + QStringLiteral("/.local/share");
  return QDir::cleanPath(base + QStringLiteral("/Ormentis/Tesvanor")) + QLatin1Char('/');
}

// A file of the data folder, e.g. UserDataFile("Profiles.ini").
inline QString UserDataFile(const QString& name) { return UserDataFolder() + name; }

}  // namespace tesvanor
