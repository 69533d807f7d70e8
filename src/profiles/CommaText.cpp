#include "profiles/CommaText.h"

namespace profiles {

namespace {

constexpr QChar Quote = QLatin1Char('"');
constexpr QChar Comma = QLatin1Char(',');

bool NeedsQuotes(const QString& line) {
  for (const QChar c : line)
    if (c.unicode() <= u' ' || c == Quote || c == Comma) return true;
  return false;
}

QString Quoted(QString line) {
  line.replace(Quote, QStringLiteral("\"\""));
  return Quote + line + Quote;
}

bool IsBlank(QChar c) { return c.unicode() <= u' '; }

// The quoted item starting at text[at] (a quote); at ends after the closing
// quote, or at the end when the quote is never closed.
QString TakeQuoted(const QString& text, qsizetype& at) {
  QString item;
  ++at;
  while (at < text.size()) {
    if (text[at] == Quote) {
      if (at + 1 < text.size() && text[at + 1] == Quote) {
        item += Quote;
        at += 2;
        continue;
      }
      ++at;
      break;
    }
    item += text[at++];
  }
  return item;
}

}  // namespace

QString JoinCommaText(const QStringList& lines) {
  if (lines.size() == 1 && lines[0].isEmpty()) return QStringLiteral("\"\"");
  QStringList parts;
  for (const QString& line : lines) parts << (NeedsQuotes(line) ? Quoted(line) : line);
  return parts.join(Comma);
}

QStringList SplitCommaText(const QString& text) {
  QStringList items;
  qsizetype at = 0;
  auto skipBlanks = [&] {
    while (at < text.size() && IsBlank(text[at])) ++at;
  };
  skipBlanks();
  while (at < text.size()) {
    if (text[at] == Quote) {
      items << TakeQuoted(text, at);
    } else {
      const qsizetype start = at;
      while (at < text.size() && text[at].unicode() > u' ' && text[at] != Comma) ++at;
      items << text.mid(start, at - start);
    }
    skipBlanks();
    if (at < text.size() && text[at] == Comma) {
      ++at;
      if (at == text.size()) items << QString();  // a trailing comma ends with an empty item
      skipBlanks();
    }
  }
  return items;
}

}  // namespace profiles
