#pragma once
// A small INI file editor that keeps the file as it is: existing keys are
// rewritten where they stand, new keys are appended at the end of their
// section, and every other line (unknown keys, comments, garbage) is written
// back byte for byte. Text is UTF-8. Section and key names match ignoring case.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <stdexcept>
#include <vector>

// A file that cannot be written.
class EIniFileError : public std::runtime_error {
 public:
  explicit EIniFileError(const QString& message) : std::runtime_error(message.toStdString()), FMessage(message) {}
  const QString& Message() const { return FMessage; }

 private:
  QString FMessage;
};

class TIniFile {
 public:
  // Reads the file when it exists; a missing or unreadable file reads as empty.
  explicit TIniFile(const QString& FileName);

  const QString& FileName() const { return FFileName; }
  bool SectionExists(const QString& Section) const;
  bool ValueExists(const QString& Section, const QString& Ident) const;
  // The key names of the section in file order.
  QStringList KeyNames(const QString& Section) const;

  // Each reader returns Default when the key is missing or its value does not parse.
  QString ReadString(const QString& Section, const QString& Ident, const QString& Default) const;
  // Decimal, or hexadecimal after "0x" / "0X".
  int ReadInteger(const QString& Section, const QString& Ident, int Default) const;
  // An integer; any non-zero value is true.
  bool ReadBool(const QString& Section, const QString& Ident, bool Default) const;
  // A finite decimal number ("12.2").
  double ReadFloat(const QString& Section, const QString& Ident, double Default) const;

  // Line breaks inside a value would end its line; they are written as spaces.
  void WriteString(const QString& Section, const QString& Ident, const QString& Value);
  void WriteInteger(const QString& Section, const QString& Ident, int Value);
  void WriteBool(const QString& Section, const QString& Ident, bool Value);
  // The shortest decimal text that reads back as the same number: 128, 12.2.
  void WriteFloat(const QString& Section, const QString& Ident, double Value);

  // Writes the text to the file (folders created as needed) when anything was
  // written since it was read; raises EIniFileError when that fails.
  void UpdateFile();

 private:
  enum TLineKind : uint8_t { lkOther, lkSection, lkKey };
  struct TLine {
    QByteArray raw;  // the line as it stands in the file, without its line break
    TLineKind kind = lkOther;
    QString name;    // section or key name
    QString value;   // key value, trimmed
  };

  static TLine ParseLine(const QByteArray& raw);
  // Index of the section header, or -1.
  qsizetype FindSection(const QString& Section) const;
  // Index of the key line inside the section, or -1.
  qsizetype FindKey(const QString& Section, const QString& Ident) const;
  // The index at which a new key of the section (which exists) is inserted.
  qsizetype SectionEnd(qsizetype header) const;

  QString FFileName;
  std::vector<TLine> FLines;
  QByteArray FLineBreak = "\n";
  bool FHasBom = false;
  bool FModified = false;
};
