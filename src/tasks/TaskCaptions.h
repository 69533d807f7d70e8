#pragma once
// The texts of the task list's cells.

#include <QDateTime>
#include <QString>
#include <cstdint>

class TConversionSettings;

namespace tasks {

// Whole kilobytes, rounded down: "0KB" for 1023 bytes, "1KB" for 1536.
QString SizeCaption(int64_t bytes);
// Hours (not wrapped at 24), minutes, seconds without padding: "1:2:5".
QString TimeCaption(int64_t seconds);
// A duration in seconds rounded to the nearest second, halves to even.
QString DurationCaption(double seconds);
// "###,###.0#": grouped digits, one or two decimals, no leading zero (".5").
QString BitrateCaption(double kbps);
// The locale's date, then its time when the time of day is not midnight.
QString DateCaption(const QDateTime& date);
// "dvd[VOLUME:titleN]" for a DVD source, the file name for a file.
QString SourceCaption(const TConversionSettings& settings);
// The file-name part of a path.
QString FileNamePart(const QString& path);

}  // namespace tasks
