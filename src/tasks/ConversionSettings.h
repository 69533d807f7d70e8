#pragma once
// Everything that describes one conversion task: source (a file or a DVD
// title), target, profile, category, the engine's option tree and two
// measured values. Stored as XML text in the task database.

#include <QString>
#include <cstdint>

#include "engine/AVConvertOptions.h"

enum TAVSourceType : uint8_t { stFile, stDvd };

class TConversionSettings : public TAVPersistent {
 public:
  const char* ClassName() const override { return "TConversionSettings"; }
  void Assign(const TAVPersistent& Source) override;
  const TPropList& Properties() const override;

  // A file path, or "stream:N" naming the live DVD title stream.
  const QString& SourceFile() const { return FSourceFile; }
  TAVSourceType SourceType() const { return FSourceType; }
  const QString& DvdDriver() const { return FDvdDriver; }
  int DvdTitle() const { return FDvdTitle; }
  int DvdChapter() const { return FDvdChapter; }
  int DvdThrough() const { return FDvdThrough; }
  int DvdAngle() const { return FDvdAngle; }
  const QString& DvdVolume() const { return FDvdVolume; }
  const QString& TargetFile() const { return FTargetFile; }
  // The Description of the profile chosen.
  const QString& Profile() const { return FProfile; }
  int CategoryId() const { return FCategoryId; }
  TAVConvertOptions& ConvertOptions() { return FConvertOptions; }
  const TAVConvertOptions& ConvertOptions() const { return FConvertOptions; }
  // Seconds; set when the task finishes.
  double Duration() const { return FDuration; }
  // Bytes; 0 until known.
  int64_t SourceFileSize() const { return FSourceFileSize; }

  void SetSourceFile(const QString& v) { FSourceFile = v; }
  void SetSourceType(TAVSourceType v) { FSourceType = v; }
  void SetDvdDriver(const QString& v) { FDvdDriver = v; }
  void SetDvdTitle(int v) { FDvdTitle = v; }
  void SetDvdChapter(int v) { FDvdChapter = v; }
  void SetDvdThrough(int v) { FDvdThrough = v; }
  void SetDvdAngle(int v) { FDvdAngle = v; }
  void SetDvdVolume(const QString& v) { FDvdVolume = v; }
  void SetTargetFile(const QString& v) { FTargetFile = v; }
  void SetProfile(const QString& v) { FProfile = v; }
  void SetCategoryId(int v) { FCategoryId = v; }
  // Copies into the owned option tree.
  void SetConvertOptions(const TAVConvertOptions& v) { FConvertOptions.Assign(v); }
  void SetDuration(double v) { FDuration = v; }
  void SetSourceFileSize(int64_t v) { FSourceFileSize = v; }

 private:
  QString FSourceFile;
  TAVSourceType FSourceType = stFile;
  QString FDvdDriver;
  int FDvdTitle = 0;
  int FDvdChapter = 0;
  int FDvdThrough = 0;
  int FDvdAngle = 0;
  QString FDvdVolume;
  QString FTargetFile;
  QString FProfile;
  int FCategoryId = 0;
  TAVConvertOptions FConvertOptions;
  double FDuration = 0;
  int64_t FSourceFileSize = 0;
};

// Raises EAVError "Cannot make the task: TargetFile "…\x01…" holds the
// character U+0001, which a task cannot store. Rename the file or choose
// another name." when a text of the settings (a file name above all) holds a
// character that the stored XML cannot carry: the task would come back after
// a restart naming another file, so it is refused before it is made.
void RequireStorableSettings(const TConversionSettings& settings);
