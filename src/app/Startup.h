#pragma once
// Starting and ending the program, in this order: the configuration is
// loaded before any window (a broken Config.Xml ends the program with a
// message), the data module connects the task database and loads the user's
// profiles, the main window is created; at the end the configuration is
// saved. The desktop services (error box, shut-down, alert) are installed
// separately, so that tests run the same start-up with their own.

#include <QStringList>
#include <memory>

class QApplication;
class TFormMain;
class TdmGlobal;

// The application's title on the task bar (the window class the desktop groups
// the window under); the window captions stay as they are.
void SetApplicationTitle();

// The modal error box, the logind shut-down and the desktop alert.
void InstallDesktopServices();

class TProgram {
 public:
  TProgram();
  // The window first, then the data module.
  ~TProgram();

  // Loads the configuration, creates the data module and the main window.
  // False when the configuration could not be read: the reason was shown and
  // no window exists.
  bool Start();
  // Saves the configuration; a failure is shown in the error box.
  void Finish();

  TdmGlobal* DataModule() const { return FData.get(); }
  TFormMain* MainWindow() const { return FMainWindow.get(); }

 private:
  std::unique_ptr<TdmGlobal> FData;
  std::unique_ptr<TFormMain> FMainWindow;
};

// The file the program was started with ("Open with" from a file manager):
// the first argument after the program's name that names an existing file,
// as a path or a file: URL; empty when there is none.
QString SourceFileFromArguments(const QStringList& Arguments);

// The whole run of the program on an application object: start, show the
// main window maximised (with the wizard on the file it was started with),
// run the message loop, finish. Returns the exit code.
int RunProgram(QApplication& Application);
