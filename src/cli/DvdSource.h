#pragma once
// A DVD title range as the source of tesvanor-cli convert: the options
// --dvd-title N [--dvd-chapters FIRST-LAST] [--dvd-angle K] turn the SOURCE
// (a disc path) into a DVD title stream read as "stream:N", as the wizard does.

#include <QStringList>

class TConversionSettings;

namespace cli {

class TDvdSource {
 public:
  TDvdSource() = default;
  TDvdSource(const TDvdSource&) = delete;
  TDvdSource& operator=(const TDvdSource&) = delete;
  // Frees the title stream when no conversion opened it.
  ~TDvdSource();

  // Takes the DVD options out of args; false with error on a usage error.
  bool TakeOptions(QStringList& args, QString& error);
  bool Wanted() const { return FTitle > 0; }

  // Opens the title range of the disc at path; on failure the message is
  // shown through the error box and false returned.
  bool Open(const QString& path);
  // "stream:N" once open.
  QString Name() const;
  // Writes the disc, title, chapters, angle and volume label of the open
  // title range into a task's settings, as the wizard does.
  void Describe(TConversionSettings& settings) const;

 private:
  int FTitle = 0;
  int FFirst = 0, FLast = 0;  // 0: the title's first or last chapter
  int FAngle = 1;
  int FStream = 0;
  QString FPath, FVolume;  // the disc, once open
};

}  // namespace cli
