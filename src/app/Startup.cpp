#include "app/Startup.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

#include "app/DesktopAlert.h"
#include "app/FilterDialogHooks.h"
#include "app/GlobalData.h"
#include "app/MainWindow.h"
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

TProgram::TProgram() = default;

TProgram::~TProgram() {
  FMainWindow.reset();
  FData.reset();
}

bool TProgram::Start() {
  try {
    AVConfiguration().Load();
  } catch (const EAVError& e) {
    QMessageBox::critical(nullptr, QStringLiteral("Error"), e.Message());
    return false;
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, QStringLiteral("Error"), QString::fromUtf8(e.what()));
    return false;
  }
  SetApplicationTitle();
  FData = std::make_unique<TdmGlobal>();
  FMainWindow = std::make_unique<TFormMain>(*FData);
  return true;
}

void TProgram::Finish() {
  try {
    AVConfiguration().Save();
  } catch (const EAVError& e) {
    ShowErrorBox(e.Message());
  } catch (const std::exception& e) {
    ShowErrorBox(QString::fromUtf8(e.what()));
  }
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
  InstallDesktopServices();
  TProgram program;
  if (!program.Start()) return 1;
  TFormMain* window = program.MainWindow();
  window->showMaximized();
  const QString source = SourceFileFromArguments(Application.arguments());
  if (!source.isEmpty())
    QMetaObject::invokeMethod(window, [window, source] { window->RunWizard(source); }, Qt::QueuedConnection);
  const int exitCode = Application.exec();
  program.Finish();
  return exitCode;
}
