#pragma once
// The targets of a batch: one per source, all in one folder, each named by
// its source's base name and the profile's extension. When two sources would
// give the same name, the later ones get a number: "clip.mkv", "clip (2).mkv",
// "clip (3).mkv".

#include <QString>
#include <QStringList>

namespace tasks {

// In the order of sources. Names are compared ignoring case, so that no two
// targets meet on a file system that ignores it either.
QStringList BatchTargetNames(const QStringList& sources, const QString& folder, const QString& extension);

}  // namespace tasks
