#include "app/Startup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>
#include <cstdio>

#include "app/DesktopAlert.h"
#include "app/FilterDialogHooks.h"
#include "app/GlobalData.h"
#include "app/FrameExplorer.h"
#include "app/MainWindow.h"
#include "app/SingleInstance.h"
#include "engine/EngineError.h"
#include "engine/ErrorBox.h"
#include "tasks/AVTask.h"
#include "tasks/Configuration.h"
#include "tasks/Shutdown.h"

void SetApplicationTitle() { QApplication::setApplicationName(QStringLiteral("Ormentis软件")); }

// The box belongs to the open dialog or the active window, but never to a
// tool window such as the desktop alert, which deletes itself when its time is up.
static QWidget* ErrorBoxParent() {
  QWidget* parent = QApplication::activeModalWidget();
  if (!parent) parent = QApplication::activeWindow();
  if (parent && (parent->windowFlags() & Qt::WindowType_Mask) == Qt::Tool) return nullptr;
  return parent;
}

void InstallDesktopServices() {
  SetErrorBoxHandler([](const QString& text) { QMessageBox::critical(ErrorBoxParent(), QStringLiteral("Error"), text); });
  tasks::SetShutdownRequest(std::make_unique<tasks::TLogindShutdown>());
  TAVTask::OnAlert = ShowDesktopAlert;
  InstallFilterDialogs();
}

QString UnreadableConfigurationText(const QString& File, const QString& Reason) {
  return QStringLiteral("%1\n\nThe settings file %2 cannot be read; Tesvanor has not changed it. To start afresh "
                        "with the initial settings, move the file away (or delete it) and start Tesvanor again.")
      .arg(Reason, QDir::toNativeSeparators(File));
}

TProgram::TProgram() = default;

TProgram::~TProgram() {
  if (FInstance) FInstance->SetOnRequest(nullptr);
  FMainWindow.reset();
  FData.reset();
  FInstance.reset();
}

bool TProgram::Start() {
  auto instance = std::make_unique<TSingleInstance>(TAVConfiguration::GetAppDataFolder());
  if (!instance->Claim()) {
    FAlreadyRunning = true;
    return false;
  }
  FInstance = std::move(instance);
  try {
    AVConfiguration().Load();
  } catch (const EAVError& e) {
    QMessageBox::critical(nullptr, QStringLiteral("Error"),
                          UnreadableConfigurationText(TAVConfiguration::GetConfigFile(), e.Message()));
    return false;
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, QStringLiteral("Error"),
                          UnreadableConfigurationText(TAVConfiguration::GetConfigFile(), QString::fromUtf8(e.what())));
    return false;
  }
  SetApplicationTitle();
  FData = std::make_unique<TdmGlobal>();
  FMainWindow = std::make_unique<TFormMain>(*FData);
  TFormMain* window = FMainWindow.get();
  // Answered once the caller's handling of the request is over.
  FInstance->SetOnRequest([window](const QString& file) {
    QMetaObject::invokeMethod(window, [window, file] { window->OpenForAnotherStart(file); }, Qt::QueuedConnection);
  });
  return true;
}

void TProgram::Finish() {
  if (!FMainWindow) return;
  // Finished tasks that another program's lock kept out of the database get a
  // last try; afterwards they would look interrupted at the next start.
  if (TConvertingNode* converting = FMainWindow->FrameExplorer()->ConvertingNode()) {
    std::vector<TAVTask*> waiting;
    for (const auto& task : converting->Tasks())
      if (task->StorePending()) waiting.push_back(task.get());
    for (TAVTask* task : waiting) task->StoreIfPending();
  }
  try {
    AVConfiguration().Save();
  } catch (const EAVError& e) {
    ShowErrorBox(e.Message());
  } catch (const std::exception& e) {
    ShowErrorBox(QString::fromUtf8(e.what()));
  }
}

int HandOverToRunningCopy(const QString& SourceFile) {
  const TSingleInstance instance(TAVConfiguration::GetAppDataFolder());
  const QString failure = instance.HandOver(SourceFile);
  if (failure.isEmpty()) return 0;
  const QString text = QStringLiteral("Tesvanor already runs for the data folder %1, but its window does not answer (%2).")
                           .arg(QDir::toNativeSeparators(TAVConfiguration::GetAppDataFolder()), failure);
  std::fprintf(stderr, "%s\n", qPrintable(text));
  QMessageBox::critical(nullptr, QStringLiteral("Error"), text);
  return 1;
}

QString SourceFileFromArguments(const QStringList& Arguments) {
  for (qsizetype i = 1; i < Arguments.size(); ++i) {
    const QString& argument = Arguments[i];
    const QUrl url(argument);
    const QString path = url.isLocalFile() ? url.toLocalFile() : argument;
    if (QFileInfo(path).isFile()) return QFileInfo(path).absoluteFilePath();
  }
  return {};
}

int RunProgram(QApplication& Application) {
  const QString source = SourceFileFromArguments(Application.arguments());
  InstallDesktopServices();
  TProgram program;
  if (!program.Start()) return program.AlreadyRunning() ? HandOverToRunningCopy(source) : 1;
  TFormMain* window = program.MainWindow();
  window->showMaximized();
  if (!source.isEmpty())
    QMetaObject::invokeMethod(window, [window, source] { window->RunWizard(source); }, Qt::QueuedConnection);
  const int exitCode = Application.exec();
  program.Finish();
  return exitCode;
}
