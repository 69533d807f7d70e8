#include "profiles/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <cmath>

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

}  // namespace

TIniFile::TIniFile(const QString& FileName) : FFileName(FileName) {
  QFile file(FileName);
  if (!file.open(QIODevice::ReadOnly)) return;
  QByteArray data = file.readAll();
  if (data.startsWith(Utf8Bom)) {
    FHasBom = true;
    data.remove(0, Utf8Bom.size());
  }
  if (data.contains("\r\n")) FLineBreak = "\r\n";
  if (data.isEmpty()) return;
  QList<QByteArray> lines = data.split('\n');
  if (lines.last().isEmpty()) lines.removeLast();  // the break after the last line
  for (QByteArray& raw : lines) {
    if (raw.endsWith('\r')) raw.chop(1);
    FLines.push_back(ParseLine(raw));
  }
}

TIniFile::TLine TIniFile::ParseLine(const QByteArray& raw) {
  TLine line;
  line.raw = raw;
  const QString text = QString::fromUtf8(raw).trimmed();
  if (text.startsWith(QLatin1Char('['))) {
    const qsizetype close = text.indexOf(QLatin1Char(']'));
    if (close > 0) {
      line.kind = lkSection;
      line.name = text.mid(1, close - 1).trimmed();
    }
    return line;
  }
  if (text.startsWith(QLatin1Char(';')) || text.startsWith(QLatin1Char('#'))) return line;
  const qsizetype eq = text.indexOf(QLatin1Char('='));
  if (eq > 0) {
    line.kind = lkKey;
    line.name = text.left(eq).trimmed();
    line.value = text.mid(eq + 1).trimmed();
  }
  return line;
}

qsizetype TIniFile::FindSection(const QString& Section) const {
  for (size_t i = 0; i < FLines.size(); ++i)
    if (FLines[i].kind == lkSection && SameName(FLines[i].name, Section)) return static_cast<qsizetype>(i);
  return -1;
}

qsizetype TIniFile::FindKey(const QString& Section, const QString& Ident) const {
  const qsizetype header = FindSection(Section);
  if (header < 0) return -1;
  for (size_t i = static_cast<size_t>(header) + 1; i < FLines.size() && FLines[i].kind != lkSection; ++i)
    if (FLines[i].kind == lkKey && SameName(FLines[i].name, Ident)) return static_cast<qsizetype>(i);
  return -1;
}

qsizetype TIniFile::SectionEnd(qsizetype header) const {
  size_t end = static_cast<size_t>(header) + 1;
  while (end < FLines.size() && FLines[end].kind != lkSection) ++end;
  // Blank lines that close the section stay after the new key.
  while (end > static_cast<size_t>(header) + 1 && FLines[end - 1].raw.trimmed().isEmpty()) --end;
  return static_cast<qsizetype>(end);
}

bool TIniFile::SectionExists(const QString& Section) const { return FindSection(Section) >= 0; }

bool TIniFile::ValueExists(const QString& Section, const QString& Ident) const {
  return FindKey(Section, Ident) >= 0;
}

QStringList TIniFile::KeyNames(const QString& Section) const {
  QStringList names;
  const qsizetype header = FindSection(Section);
  if (header < 0) return names;
  for (size_t i = static_cast<size_t>(header) + 1; i < FLines.size() && FLines[i].kind != lkSection; ++i)
    if (FLines[i].kind == lkKey) names << FLines[i].name;
  return names;
}

QString TIniFile::ReadString(const QString& Section, const QString& Ident, const QString& Default) const {
  const qsizetype i = FindKey(Section, Ident);
  return i < 0 ? Default : FLines[static_cast<size_t>(i)].value;
}

int TIniFile::ReadInteger(const QString& Section, const QString& Ident, int Default) const {
  const QString text = ReadString(Section, Ident, QString());
  bool ok = false;
  int value = 0;
  if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
    value = text.mid(2).toInt(&ok, 16);
  else
    value = text.toInt(&ok, 10);
  return ok ? value : Default;
}

bool TIniFile::ReadBool(const QString& Section, const QString& Ident, bool Default) const {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(const QString& Section, const QString& Ident, double Default) const {
  bool ok = false;
  const double value = ReadString(Section, Ident, QString()).toDouble(&ok);
  return ok && std::isfinite(value) ? value : Default;
}

void TIniFile::WriteString(const QString& Section, const QString& Ident, const QString& Value) {
  QString value = Value;
  value.replace(QLatin1String("\r\n"), QLatin1String(" "));
  value.replace(QLatin1Char('\r'), QLatin1Char(' '));
  value.replace(QLatin1Char('\n'), QLatin1Char(' '));
  const qsizetype key = FindKey(Section, Ident);
  if (key >= 0) {
    // The key keeps the spelling it has in the file.
    TLine& line = FLines[static_cast<size_t>(key)];
    const QByteArray raw = (line.name + QLatin1Char('=') + value).toUtf8();
    if (line.raw == raw) return;
    line = ParseLine(raw);
  } else {
    const QByteArray raw = (Ident + QLatin1Char('=') + value).toUtf8();
    qsizetype header = FindSection(Section);
    if (header < 0) {
      if (!FLines.empty() && !FLines.back().raw.trimmed().isEmpty()) FLines.push_back(ParseLine(QByteArray()));
      FLines.push_back(ParseLine((QLatin1Char('[') + Section + QLatin1Char(']')).toUtf8()));
      header = static_cast<qsizetype>(FLines.size()) - 1;
    }
    FLines.insert(FLines.begin() + SectionEnd(header), ParseLine(raw));
  }
  FModified = true;
}

void TIniFile::WriteInteger(const QString& Section, const QString& Ident, int Value) {
  WriteString(Section, Ident, QString::number(Value));
}

void TIniFile::WriteBool(const QString& Section, const QString& Ident, bool Value) {
  WriteString(Section, Ident, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::WriteFloat(const QString& Section, const QString& Ident, double Value) {
  WriteString(Section, Ident, QString::number(Value, 'g', QLocale::FloatingPointShortest));
}

void TIniFile::UpdateFile() {
  if (!FModified) return;
  QByteArray data;
  if (FHasBom) data += Utf8Bom;
  for (const TLine& line : FLines) data += line.raw + FLineBreak;
  const QString folder = QFileInfo(FFileName).absolutePath();
  QSaveFile file(FFileName);
  if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) || file.write(data) != data.size() ||
      !file.commit())
    throw EIniFileError(QStringLiteral("Cannot write %1: %2").arg(QDir::toNativeSeparators(FFileName),
                                                                  file.errorString()));
  FModified = false;
}
