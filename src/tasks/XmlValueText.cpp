#include "tasks/XmlValueText.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <cmath>

namespace tasks {

namespace {

constexpr int Precision = 15;
constexpr double MsPerDay = 86400000.0;
const QDate DayZero(1899, 12, 30);

}  // namespace

QString FloatText(double v) {
  if (std::isnan(v)) return QStringLiteral("NAN");
  if (std::isinf(v)) return v < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  if (v == 0) return QStringLiteral("0");
  // d.dddddddddddddde±x: the 15 significant digits and the decimal exponent.
  // QString::number ignores the process locale, unlike printf.
  const QString text = QString::number(std::fabs(v), 'e', Precision - 1);
  const qsizetype e = text.indexOf(QLatin1Char('e'));
  QString digits = text.left(e).remove(QLatin1Char('.'));
  const int exponent = text.mid(e + 1).toInt();
  while (digits.size() > 1 && digits.endsWith(QLatin1Char('0'))) digits.chop(1);

  QString out = v < 0 ? QStringLiteral("-") : QString();
  if (exponent < -5 || exponent >= Precision) {
    out += digits.left(1);
    if (digits.size() > 1) out += QLatin1Char('.') + digits.mid(1);
    return out + QLatin1Char('E') + QString::number(exponent);
  }
  if (exponent < 0) return out + QLatin1String("0.") + QString(-exponent - 1, QLatin1Char('0')) + digits;
  const qsizetype whole = exponent + 1;
  if (digits.size() <= whole) return out + digits + QString(whole - digits.size(), QLatin1Char('0'));
  return out + digits.left(whole) + QLatin1Char('.') + digits.mid(whole);
}

double ParseFloatText(const QString& text) {
  bool ok = false;
  const double v = QLocale::c().toDouble(text.trimmed(), &ok);
  return ok ? v : 0;
}

QString DateTimeText(double days) {
  const double whole = std::trunc(days);
  const qint64 ms = std::llround(std::fabs(days - whole) * MsPerDay);
  const QDate date = DayZero.addDays(static_cast<qint64>(whole));
  const QTime time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(std::min<qint64>(ms, MsPerDay - 1)));
  const QString datePart = date.toString(QStringLiteral("yyyy-MM-dd"));
  const QString timePart = time.toString(QStringLiteral("HH:mm:ss.zzz"));
  if (ms == 0) return datePart;
  if (whole == 0) return timePart;
  return datePart + QLatin1Char('T') + timePart;
}

std::optional<double> ParseDateTimeText(const QString& text) {
  static const QRegularExpression form(QStringLiteral(
      R"(^(?:(\d{4})-(\d{2})-(\d{2}))?(?:(T)?(\d{2}):(\d{2}):(\d{2})(?:\.(\d{1,3}))?)?$)"));
  const QRegularExpressionMatch m = form.match(text.trimmed());
  if (!m.hasMatch() || text.trimmed().isEmpty()) return std::nullopt;
  const bool hasDate = !m.captured(1).isEmpty();
  const bool hasTime = !m.captured(5).isEmpty();
  if (hasDate && hasTime && m.captured(4).isEmpty()) return std::nullopt;
  if (!hasDate && !m.captured(4).isEmpty()) return std::nullopt;
  double days = 0;
  if (hasDate) {
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid()) return std::nullopt;
    days = static_cast<double>(DayZero.daysTo(date));
  }
  if (hasTime) {
    const QString msText = m.captured(8).leftJustified(3, QLatin1Char('0'));
    const QTime time(m.captured(5).toInt(), m.captured(6).toInt(), m.captured(7).toInt(), msText.toInt());
    if (!time.isValid()) return std::nullopt;
    const double fraction = time.msecsSinceStartOfDay() / MsPerDay;
    days += days < 0 ? -fraction : fraction;
  }
  return days;
}

}  // namespace tasks
