#pragma once
// String lists whose entries have the form name=value, split at the first '='.

#include <QString>
#include <QStringList>

namespace engine {

// The part before the first '=' (the whole entry when there is none).
inline QString NameOf(const QString& entry) {
  const qsizetype eq = entry.indexOf(QLatin1Char('='));
  return eq < 0 ? entry : entry.left(eq);
}

// The part after the first '=' (empty when there is none).
inline QString ValueOf(const QString& entry) {
  const qsizetype eq = entry.indexOf(QLatin1Char('='));
  return eq < 0 ? QString() : entry.mid(eq + 1);
}

// Index of the first entry whose name equals name, ignoring case; -1 if none.
inline qsizetype IndexOfName(const QStringList& list, const QString& name) {
  for (qsizetype i = 0; i < list.size(); ++i) {
    const QString& entry = list[i];
    const qsizetype eq = entry.indexOf(QLatin1Char('='));
    if (eq >= 0 && QStringView(entry).left(eq).compare(name, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

}  // namespace engine
