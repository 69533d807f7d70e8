#pragma once
// The user's application settings, stored as Config.Xml in the per-user data
// folder in the XML object form. One global instance for the whole run.

#include <QString>

#include "engine/AVConvertOptions.h"

class TPerformanceOptions : public TAVPersistent {
 public:
  static constexpr int NormalPriority = 2;

  const char* ClassName() const override { return "TPerformanceOptions"; }
  void Assign(const TAVPersistent& Source) override;
  const TPropList& Properties() const override;

  // Encoder threads handed to the engine; 0: one per processor.
  int ThreadCount() const { return FThreadCount; }
  // Process priority level 0..5 (idle … real time); the name is spelled so.
  int ThreadPrority() const { return FThreadPrority; }
  // How many conversions run at once ("同时转换任务数"); 0 (or less): all
  // of them. Written to Config.Xml only when it is not 0.
  int SimultaneousTasks() const { return FSimultaneousTasks; }
  void SetThreadCount(int v) { FThreadCount = v; }
  void SetThreadPrority(int v) { FThreadPrority = v; }
  void SetSimultaneousTasks(int v) { FSimultaneousTasks = v; }

 private:
  int FThreadCount = 0;
  int FThreadPrority = NormalPriority;
  int FSimultaneousTasks = 0;
};

class TAVConfiguration : public TAVPersistent {
 public:
  TAVConfiguration();
  const char* ClassName() const override { return "TAVConfiguration"; }
  void Assign(const TAVPersistent& Source) override;
  const TPropList& Properties() const override;

  TPerformanceOptions& PerformanceOptions() { return FPerformanceOptions; }
  const TPerformanceOptions& PerformanceOptions() const { return FPerformanceOptions; }
  bool ShutdownWhenDone() const { return FShutdownWhenDone; }
  const QString& OutputFolder() const { return FOutputFolder; }
  bool ShowAlert() const { return FShowAlert; }
  // Deinterlacing of new conversions ("隔行扫描"): 0 detects interlaced
  // sources (the default), 1 never, 2 every source. Written only when not 0.
  int DeinterlaceMode() const { return FDeinterlaceMode; }
  void SetDeinterlaceMode(int v) { FDeinterlaceMode = v >= 0 && v <= 2 ? v : 0; }
  // Copies into the owned options.
  void SetPerformanceOptions(const TPerformanceOptions& v) { FPerformanceOptions.Assign(v); }
  void SetShutdownWhenDone(bool v) { FShutdownWhenDone = v; }
  void SetOutputFolder(const QString& v) { FOutputFolder = v; }
  void SetShowAlert(bool v) { FShowAlert = v; }

  // The per-user data folder, with a trailing "/".
  static QString GetAppDataFolder();
  static QString GetConfigFile();
  // The output folder of a first run: "Ormentis转换" in the home folder.
  static QString DefaultOutputFolder();

  // Writes a fresh file first when there is none, then reads the file.
  void Load();
  // Creates the folder chain, applies the priority level to the process,
  // writes the file. Raises EAVError when the file cannot be written.
  void Save();
  void LoadFromFile(const QString& file);
  void SaveToFile(const QString& file) const;

  // The engine's ThreadCount for a new conversion: the configured count, or
  // the number of processors when that is not a positive number.
  int EngineThreadCount() const;
  // No count configured: the machine's own choice.
  bool AutomaticThreads() const { return FPerformanceOptions.ThreadCount() <= 0; }
  // What a new conversion takes from the settings: the thread count and deinterlacing.
  void ApplyToConversion(TAVConvertOptions& options) const;

 private:
  TPerformanceOptions FPerformanceOptions;
  bool FShutdownWhenDone = false;
  QString FOutputFolder;
  bool FShowAlert = true;
  int FDeinterlaceMode = 0;
};

// The one configuration of the program (created on first use, not loaded).
TAVConfiguration& AVConfiguration();
