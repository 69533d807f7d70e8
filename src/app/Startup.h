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
class TSingleInstance;
class TdmGlobal;

// The application's title on the task bar (the window class the desktop groups
// the window under); the window captions stay as they are.
void SetApplicationTitle();

// The modal error box, the logind shut-down and the desktop alert.
void InstallDesktopServices();

// The box text of a Config.Xml that does not read: the reader's reason, the
// file, and how to start afresh. The program never changes the file itself.
QString UnreadableConfigurationText(const QString& File, const QString& Reason);

class TProgram {
 public:
  TProgram();
  // The window first, then the data module; the data folder is let go last.
  ~TProgram();

  // Takes the data folder (one copy of the program per folder), loads the
  // configuration, creates the data module and the main window. False when
  // another copy runs for the folder (AlreadyRunning; nothing was read or
  // shown) or when the configuration could not be read (the reason was shown
  // and no window exists).
  bool Start();
  bool AlreadyRunning() const { return FAlreadyRunning; }
  // Stores finished tasks still waiting for the database, then saves the
  // configuration; failures are shown in the error box. Nothing is written
  // when the program did not start.
  void Finish();

  TdmGlobal* DataModule() const { return FData.get(); }
  TFormMain* MainWindow() const { return FMainWindow.get(); }

 private:
  std::unique_ptr<TSingleInstance> FInstance;
  std::unique_ptr<TdmGlobal> FData;
  std::unique_ptr<TFormMain> FMainWindow;
  bool FAlreadyRunning = false;
};

// A later start of the program for the same data folder: hands the file (or
// nothing) to the running window and returns the exit code, 0 when the window
// took it.
int HandOverToRunningCopy(const QString& SourceFile);

// The file the program was started with ("Open with" from a file manager):
// the first argument after the program's name that names an existing file,
// as a path or a file: URL; empty when there is none.
QString SourceFileFromArguments(const QStringList& Arguments);

// The whole run of the program on an application object: start, show the
// main window maximised (with the wizard on the file it was started with),
// run the message loop, finish. When a copy already runs for the data folder,
// the file goes to that copy's window instead and this one ends at once.
// Returns the exit code.
int RunProgram(QApplication& Application);
