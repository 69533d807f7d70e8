#include "tasks/TaskCaptions.h"

#include <QFileInfo>
#include <QLocale>
#include <cmath>

#include "tasks/ConversionSettings.h"

namespace tasks {

QString SizeCaption(int64_t bytes) { return QString::number(bytes > 0 ? bytes / 1024 : 0) + QStringLiteral("KB"); }

QString TimeCaption(int64_t seconds) {
  return QStringLiteral("%1:%2:%3").arg(seconds / 3600).arg(seconds / 60 % 60).arg(seconds % 60);
}

QString DurationCaption(double seconds) {
  if (!std::isfinite(seconds)) return TimeCaption(0);
  return TimeCaption(static_cast<int64_t>(std::nearbyint(seconds)));
}

QString BitrateCaption(double kbps) {
  if (!std::isfinite(kbps)) kbps = 0;
  // Two decimals, the second one only when it is not 0.
  QString fixed = QString::number(std::fabs(kbps), 'f', 2);
  if (fixed.endsWith(QLatin1Char('0'))) fixed.chop(1);
  const qsizetype point = fixed.indexOf(QLatin1Char('.'));
  QString whole = fixed.left(point);
  const QString decimals = fixed.mid(point);
  if (whole == QLatin1String("0")) whole.clear();
  for (qsizetype i = whole.size() - 3; i > 0; i -= 3) whole.insert(i, QLatin1Char(','));
  const bool negative = kbps < 0 && (whole + decimals) != QLatin1String(".0");
  return (negative ? QStringLiteral("-") : QString()) + whole + decimals;
}

QString DateCaption(const QDateTime& date) {
  if (!date.isValid()) return {};
  const QLocale locale;
  QString text = locale.toString(date.date(), QLocale::ShortFormat);
  if (date.time() != QTime(0, 0)) text += QLatin1Char(' ') + date.time().toString(QStringLiteral("H:mm:ss"));
  return text;
}

QString FileNamePart(const QString& path) { return QFileInfo(path).fileName(); }

QString SourceCaption(const TConversionSettings& settings) {
  if (settings.SourceType() == stDvd)
    return QStringLiteral("dvd[%1:title%2]").arg(settings.DvdVolume()).arg(settings.DvdTitle());
  return FileNamePart(settings.SourceFile());
}

}  // namespace tasks
