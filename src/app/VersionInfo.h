#pragma once
// The version information of the program: a few named strings such as
// "FileVersion" and "ProductName". Linux executables carry no version
// resource, so the information is a small text block: a signature line
// followed by "Key=Value" lines. The program's own block is made from the
// version the build compiles in.

#include <QMap>
#include <QString>

#include "engine/EngineError.h"

// Raised with "Unable to load version info resource", "Invalid version
// resource" or "Key not found".
class EVersionInfoError : public EAVError {
 public:
  using EAVError::EAVError;
};

class TVersionInfo {
 public:
  // The first line of every block.
  static QString Signature() { return QStringLiteral("VERSIONINFO FEEF04BD"); }

  // The program's own information.
  TVersionInfo();
  // Raises when Block is empty (there is no information) or does not start
  // with the signature line. Lines that cannot be read make every lookup fail.
  explicit TVersionInfo(const QString& Block);

  // The value of Key; raises "Key not found" for an unknown key.
  QString Value(const QString& Key) const;
  // Shorthand for Value("FileVersion").
  QString FileVersion() const { return Value(QStringLiteral("FileVersion")); }

  // The program's block: FileVersion as four numbers ("0.1.0.0"),
  // ProductVersion as the build gives it, ProductName, CompanyName,
  // FileDescription, InternalName, OriginalFilename, LegalCopyright.
  static QString ProgramBlock(const QString& ProgramVersion);
  // "0.1" → "0.1.0.0"; missing parts are 0, parts beyond the fourth dropped.
  static QString FourPartVersion(const QString& Version);

 private:
  void Parse(const QString& Block);

  QMap<QString, QString> FStrings;
  bool FReadable = false;
};
