#include "tasks/Configuration.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include "engine/EngineError.h"
#include "media/DataFolder.h"
#include "tasks/OmniXML.h"
#include "tasks/ProcessPriority.h"

using engine::ObjectProperty;
using engine::Property;
using K = TPropKind;

// ------------------------------------------------------ TPerformanceOptions

void TPerformanceOptions::Assign(const TAVPersistent& Source) {
  const auto* s = dynamic_cast<const TPerformanceOptions*>(&Source);
  if (!s) return TAVPersistent::Assign(Source);  // raises the mismatch error
  SetThreadCount(s->ThreadCount());
  SetThreadPrority(s->ThreadPrority());
  SetSimultaneousTasks(s->SimultaneousTasks());
}

const TPropList& TPerformanceOptions::Properties() const {
  using C = TPerformanceOptions;
  static const TPropList list{
      Property("ThreadCount", K::Integer, &C::ThreadCount, &C::SetThreadCount),
      Property("ThreadPrority", K::Integer, &C::ThreadPrority, &C::SetThreadPrority),
      // Declared 0, so that the Config.Xml of a user who never limits reads as before.
      Property("SimultaneousTasks", K::Integer, &C::SimultaneousTasks, &C::SetSimultaneousTasks, int64_t(0)),
  };
  return list;
}

// --------------------------------------------------------- TAVConfiguration

TAVConfiguration::TAVConfiguration() : FOutputFolder(DefaultOutputFolder()) {}

void TAVConfiguration::Assign(const TAVPersistent& Source) {
  const auto* s = dynamic_cast<const TAVConfiguration*>(&Source);
  if (!s) return TAVPersistent::Assign(Source);  // raises the mismatch error
  SetPerformanceOptions(s->PerformanceOptions());
  SetShutdownWhenDone(s->ShutdownWhenDone());
  SetOutputFolder(s->OutputFolder());
  SetShowAlert(s->ShowAlert());
  SetDeinterlaceMode(s->DeinterlaceMode());
}

const TPropList& TAVConfiguration::Properties() const {
  using C = TAVConfiguration;
  static const TPropList list{
      ObjectProperty<C, TPerformanceOptions>("PerformanceOptions", &C::PerformanceOptions),
      Property("ShutdownWhenDone", K::Boolean, &C::ShutdownWhenDone, &C::SetShutdownWhenDone, int64_t(false)),
      Property("OutputFolder", K::String, &C::OutputFolder, &C::SetOutputFolder),
      Property("ShowAlert", K::Boolean, &C::ShowAlert, &C::SetShowAlert, int64_t(true)),
      Property("DeinterlaceMode", K::Enumeration, &C::DeinterlaceMode, &C::SetDeinterlaceMode, int64_t(0),
               {"dmAutomatic", "dmOff", "dmAlways"}),
  };
  return list;
}

QString TAVConfiguration::GetAppDataFolder() { return tesvanor::UserDataFolder(); }

QString TAVConfiguration::GetConfigFile() { return GetAppDataFolder() + QStringLiteral("Config.Xml"); }

QString TAVConfiguration::DefaultOutputFolder() { return QDir::homePath() + QStringLiteral("/Ormentis转换"); }

void TAVConfiguration::Load() {
  if (!QFileInfo::exists(GetConfigFile())) Save();
  LoadFromFile(GetConfigFile());
}

void TAVConfiguration::Save() {
  const QString folder = QFileInfo(GetConfigFile()).absolutePath();
  if (!QDir().mkpath(folder)) throw EAVError(QStringLiteral("Unable to create directory %1").arg(folder));
  tasks::ApplyPriorityLevel(FPerformanceOptions.ThreadPrority());
  SaveToFile(GetConfigFile());
}

void TAVConfiguration::LoadFromFile(const QString& file) { tasks::TOmniXMLReader::LoadFromFile(*this, file); }

void TAVConfiguration::SaveToFile(const QString& file) const {
  tasks::TOmniXMLWriter::SaveToFile(*this, file, tasks::TPropFormat::pfNode, tasks::TOutputFormat::ofIndent);
}

int TAVConfiguration::EngineThreadCount() const {
  const int configured = FPerformanceOptions.ThreadCount();
  return configured > 0 ? configured : QThread::idealThreadCount();
}

void TAVConfiguration::ApplyToConversion(TAVConvertOptions& options) const {
  options.SetThreadCount(EngineThreadCount());
  options.VideoOptions().SetDeinterlaceMode(FDeinterlaceMode);
}

TAVConfiguration& AVConfiguration() {
  static TAVConfiguration configuration;
  return configuration;
}
