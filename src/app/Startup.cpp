#include "app/Startup.h"

#include <QApplication>
#include <QMessageBox>

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

int RunProgram(QApplication& Application) {
  InstallDesktopServices();
  TProgram program;
  if (!program.Start()) return 1;
  program.MainWindow()->showMaximized();
  const int exitCode = Application.exec();
  program.Finish();
  return exitCode;
}
