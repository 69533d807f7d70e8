// tesvanor-cli tasks [--database FILE], and convert … --save-task

#include "cli/TaskCommands.h"

#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "cli/Commands.h"
#include "engine/EngineError.h"
#include "tasks/AVTask.h"
#include "tasks/Configuration.h"
#include "tasks/OmniXML.h"
#include "tasks/PersistentManager.h"
#include "tasks/TaskCaptions.h"

namespace cli {

namespace {

// The user's database, created like the program creates it when missing.
void ConnectUserDatabase(const QString& file) {
  QDir().mkpath(QFileInfo(file).absolutePath());
  TAVConfiguration configuration;
  if (QFileInfo::exists(TAVConfiguration::GetConfigFile())) configuration.LoadFromFile(TAVConfiguration::GetConfigFile());
  TPersistentManager::Connect(file, true, configuration.OutputFolder());
}

QString Field(const QString& text) { return text.isEmpty() ? QStringLiteral("-") : text; }

void PrintRow(const TPersistentManager::TTaskRow& row) {
  TConversionSettings settings;
  QString source, target, profile;
  try {
    tasks::TOmniXMLReader::LoadFromString(settings, row.SettingsXml);
    source = settings.SourceType() == stDvd ? tasks::SourceCaption(settings) : settings.SourceFile();
    target = settings.TargetFile();
    profile = settings.Profile();
  } catch (const EAVError& e) {
    source = QStringLiteral("(unreadable settings: %1)").arg(e.Message());
  }
  const QString category = row.Converting ? QString() : QStringLiteral("%1 %2").arg(row.CategoryId).arg(row.Category);
  const QString date = row.ConvertedDate.isValid() ? row.ConvertedDate.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) : QString();
  std::printf("%d\t%d\t%s\t%s\t%s\t%s\t%s\n", row.ID, row.Converting ? 1 : 0, qPrintable(Field(category)),
              qPrintable(Field(date)), qPrintable(Field(source)), qPrintable(Field(target)), qPrintable(Field(profile)));
}

}  // namespace

int Tasks(const QStringList& args) {
  QString file = TPersistentManager::DatabaseFile();
  for (qsizetype i = 0; i < args.size(); ++i) {
    if (args[i] == QLatin1String("--database") && i + 1 < args.size())
      file = args[++i];
    else
      return UsageError(QStringLiteral("tasks takes only --database FILE, not '%1'").arg(args[i]));
  }
  try {
    // Listing only reads: no folder, database or table is made, and the
    // configuration is not needed.
    TPersistentManager::ConnectForReading(file);
    std::printf("ID\tConverting\tCategory\tDate\tSource\tTarget\tProfile\n");
    for (const auto& row : TPersistentManager::ListTaskRows()) PrintRow(row);
  } catch (const EAVError& e) {
    TPersistentManager::Disconnect();
    std::fprintf(stderr, "tesvanor-cli: %s\n", qPrintable(e.Message()));
    return 1;
  }
  TPersistentManager::Disconnect();
  return 0;
}

// ------------------------------------------------------------ --save-task

TTaskRecorder::TTaskRecorder(const TAVConverter& converter, const QString& profile) {
  FSettings.SetSourceFile(QFileInfo(converter.InputFiles().value(0)).absoluteFilePath());
  FSettings.SetTargetFile(QFileInfo(converter.OutputFiles().value(0)).absoluteFilePath());
  FSettings.SetProfile(profile.isEmpty() ? QStringLiteral("tesvanor-cli") : profile);
  FSettings.SetConvertOptions(converter.ConvertOptions());
}

void TTaskRecorder::AddLog(const QString& line) {
  std::lock_guard guard(FLogLock);
  while (FLog.size() > TAVTask::MaxKeptLogLines) FLog.removeFirst();
  FLog.append(line.trimmed());
}

bool TTaskRecorder::Save(const TAVConverter& converter) {
  const QString error = converter.ErrorMsg();
  if (!error.isEmpty()) AddLog(error);
  TConversionSettings& settings = FSettings;
  settings.SetSourceFileSize(converter.SourceFileSize());
  try {
    ConnectUserDatabase(TPersistentManager::DatabaseFile());
    TPersistentManager::InTransaction([&] {
      const int id = TPersistentManager::InsertTaskRow(tasks::TOmniXMLWriter::SaveToString(settings));
      std::lock_guard guard(FLogLock);
      if (error.isEmpty()) {
        settings.SetDuration(converter.Duration());
        TPersistentManager::FinishTaskRow(id, tasks::TOmniXMLWriter::SaveToString(settings), 0, FLog);
      } else {
        TPersistentManager::StoreFailedTaskRow(id, tasks::TOmniXMLWriter::SaveToString(settings), FLog);
      }
    });
    TPersistentManager::Disconnect();
  } catch (const EAVError& e) {
    std::fprintf(stderr, "tesvanor-cli: the task was not saved: %s\n", qPrintable(e.Message()));
    return false;
  }
  return true;
}

}  // namespace cli
