#pragma once
// Value texts of the XML object form that need more than a number's decimal
// digits: floats and date-times.

#include <QString>
#include <optional>

namespace tasks {

// General notation with up to 15 significant digits and "." as the decimal
// separator whatever the locale: 0.5, 0.100000001490116, 1E-6, 1.5E20.
QString FloatText(double v);

// The float a text stands for; 0 when it is not a number.
double ParseFloatText(const QString& text);

// A date-time held as days since 1899-12-30 (the fraction is the time of
// day): "2010-05-01T13:45:10.123", "2010-05-01" when there is no time part,
// "13:45:10.123" when there is no date part.
QString DateTimeText(double days);
std::optional<double> ParseDateTimeText(const QString& text);

}  // namespace tasks
