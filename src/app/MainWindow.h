#pragma once
// The main window: menu and toolbar on top with the maker's web panel, the
// explorer tree on the left, the task list on the right and the log of the
// focused task below it. Files dropped on the task list start the
// new-conversion wizard with that file.

#include <QMainWindow>
#include <QTimer>

#include "app/NewConversion.h"

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QSplitter;
class QTextBrowser;
class QToolBar;
class TAVTask;
class TFrameExplorer;
class TFrameInfo;
class TFrameList;
class TNodeObject;
class TdmGlobal;

class TFormMain : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the explorer tree and selects "任务列表", which fills the list.
  explicit TFormMain(TdmGlobal& Data, QWidget* parent = nullptr);
  ~TFormMain() override;

  TFrameExplorer* FrameExplorer() const { return FExplorer; }
  TFrameList* FrameList() const { return FList; }
  TFrameInfo* FrameInfo() const { return FInfo; }
  QTextBrowser* WebPanel() const { return wbAd; }

  // Runs the wizard (with a preset source when given) and starts the tasks
  // it describes (one per source), or queues them.
  void RunWizard(const QString& SourceFile = {});
  void AddConversions(TNewConversions Batch);
  // A later start of the program for the same data folder: the window comes
  // forward and, when a file was given, the wizard opens on it as soon as no
  // other dialog is open.
  void OpenForAnotherStart(const QString& SourceFile);
  // Enables each action by its rule; the window calls it whenever it is idle.
  void UpdateActions();
  // The status bar: how many conversions run, wait and have ended, and the
  // progress of the whole batch; refreshed with the actions.
  void UpdateStatusBar();

  QAction* actNewConversion;
  QAction* actStartTask;
  QAction* actPauseTask;
  QAction* actStopTask;
  QAction* actShutdown;
  QAction* actOptions;
  QAction* actHome;
  QAction* actBugreport;
  QAction* actAbout;
  QAction* actExit;

 private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateWebPanel();
  void CreateStatusBar();
  void CreateFrames();
  void ConnectFrames();
  void ShowStartNode();
  void RunWizardWhenFree(const QString& SourceFile);

  void NodeSelected(TNodeObject* Node);
  void FocusedTaskChanged(TAVTask* Task);
  void ForgetRemovedTask();

  void StartTask();
  void PauseTask();
  void StopTask();
  void ToggleShutdown(bool Checked);
  void ShowOptions();

  TdmGlobal& FData;
  QToolBar* tbMain;
  QTextBrowser* wbAd;
  QSplitter* FHorizontalSplitter;
  QSplitter* FVerticalSplitter;
  TFrameExplorer* FExplorer;
  TFrameList* FList;
  TFrameInfo* FInfo;
  QLabel* lblRunning;
  QLabel* lblWaiting;
  QLabel* lblEnded;
  QProgressBar* pbBatch;
  QTimer FIdleTimer;
};
