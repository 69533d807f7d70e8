#pragma once
// tesvanor-cli's side of the task database: listing the stored tasks, and
// storing a conversion of the convert command the way the program stores a
// finished task, so that it shows in the program's history.

#include <QStringList>
#include <mutex>

#include "engine/AVConverter.h"
#include "tasks/ConversionSettings.h"

namespace cli {

int Tasks(const QStringList& args);

// Made before the conversion starts: keeps the options asked for (the engine
// writes into its own tree while it runs) and collects the log lines.
class TTaskRecorder {
 public:
  // profile: the description of the profile applied, if any.
  TTaskRecorder(const TAVConverter& converter, const QString& profile);
  // The source as the task keeps it; a DVD title source describes itself here.
  TConversionSettings& Settings() { return FSettings; }
  // Any thread.
  void AddLog(const QString& line);
  // Stores the run: finished (completed or stopped) under the root category,
  // or, when it failed, as an unfinished row with the message in its log.
  // False, with the reason on standard error, when the database cannot be used.
  bool Save(const TAVConverter& converter);

 private:
  TConversionSettings FSettings;
  std::mutex FLogLock;
  QStringList FLog;
};

}  // namespace cli
