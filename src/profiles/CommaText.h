#pragma once
// String lists as one line of comma-separated text, the form the option lines
// of a profile take in Profiles.ini.

#include <QString>
#include <QStringList>

namespace profiles {

// Lines joined by ","; a line containing a space, a comma, a double quote or a
// character below code 32 is put in double quotes with inner quotes doubled.
// No lines give "", a single empty line gives two double quotes.
QString JoinCommaText(const QStringList& lines);

// The reverse: items are separated by "," and by white space outside double
// quotes; a quoted item may contain both, and "" inside it stands for one ".
QStringList SplitCommaText(const QString& text);

}  // namespace profiles
