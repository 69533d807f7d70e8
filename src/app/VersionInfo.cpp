#include "app/VersionInfo.h"

#include <QStringList>

#include "app/AppVersion.h"

namespace {

const QString KeyNotFound = QStringLiteral("Key not found");

}  // namespace

TVersionInfo::TVersionInfo() : TVersionInfo(ProgramBlock(app::ProgramVersion())) {}

TVersionInfo::TVersionInfo(const QString& Block) { Parse(Block); }

void TVersionInfo::Parse(const QString& Block) {
  QStringList lines = Block.split(QLatin1Char('\n'));
  for (QString& line : lines) line = line.trimmed();
  lines.removeAll(QString());
  if (lines.isEmpty()) throw EVersionInfoError(QStringLiteral("Unable to load version info resource"));
  if (lines.takeFirst() != Signature()) throw EVersionInfoError(QStringLiteral("Invalid version resource"));

  QMap<QString, QString> strings;
  for (const QString& line : std::as_const(lines)) {
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals <= 0) return;  // unreadable: nothing is found
    strings.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
  }
  FStrings = std::move(strings);
  FReadable = true;
}

QString TVersionInfo::Value(const QString& Key) const {
  const auto found = FStrings.constFind(Key);
  if (!FReadable || found == FStrings.cend()) throw EVersionInfoError(KeyNotFound);
  return *found;
}

QString TVersionInfo::FourPartVersion(const QString& Version) {
  QStringList parts = Version.trimmed().split(QLatin1Char('.'));
  QStringList numbers;
  for (qsizetype i = 0; i < 4; ++i) {
    bool isNumber = false;
    const uint value = i < parts.size() ? parts[i].toUInt(&isNumber) : 0;
    numbers << QString::number(isNumber ? value : 0);
  }
  return numbers.join(QLatin1Char('.'));
}

QString TVersionInfo::ProgramBlock(const QString& ProgramVersion) {
  const QStringList lines{
      Signature(),
      QStringLiteral("CompanyName=Ormentis"),
      QStringLiteral("FileDescription=Tesvanor video converter"),
      QStringLiteral("FileVersion=") + FourPartVersion(ProgramVersion),
      QStringLiteral("InternalName=tesvanor"),
      QStringLiteral("LegalCopyright=Ormentis"),
      QStringLiteral("OriginalFilename=tesvanor"),
      QStringLiteral("ProductName=Tesvanor"),
      QStringLiteral("ProductVersion=") + ProgramVersion,
  };
  return lines.join(QLatin1Char('\n'));
}
