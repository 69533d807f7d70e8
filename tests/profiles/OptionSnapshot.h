#pragma once
// Every persisted value of an option tree by its property path, to see which
// settings an operation changed.

#include <QMap>
#include <QSet>
#include <QVariant>

#include "engine/AVConvertOptions.h"

inline void CollectValues(TAVPersistent& object, const QString& prefix, QMap<QString, QVariant>& values) {
  for (const TPropInfo& p : object.Properties()) {
    const QString path = prefix + QLatin1String(p.Name);
    if (p.Kind == TPropKind::Object)
      CollectValues(*p.Object(object), path + QLatin1Char('.'), values);
    else
      values.insert(path, p.Get(object));
  }
}

// The persisted values, plus the pixel format, which is copied but not stored.
inline QMap<QString, QVariant> Snapshot(TAVConvertOptions& o) {
  QMap<QString, QVariant> values;
  CollectValues(o, QString(), values);
  values.insert(QStringLiteral("VideoOptions.FramePixFormat"), o.VideoOptions().FramePixFormat());
  values.insert(QStringLiteral("ThreadCount"), o.ThreadCount());
  return values;
}

inline QSet<QString> ChangedPaths(const QMap<QString, QVariant>& before, const QMap<QString, QVariant>& after) {
  QSet<QString> changed;
  for (auto it = after.begin(); it != after.end(); ++it)
    if (before.value(it.key()) != it.value()) changed.insert(it.key());
  return changed;
}
