#pragma once
// The information frame below the task list: a hidden "Task Info" page with
// the task-information view and the "Logs" page with the log of the focused
// task, whose popup menu offers "Clear Log".

#include <QWidget>

#include "tasks/ViewModels.h"

class QAction;
class QListWidget;
class QMenu;
class QTabWidget;
class QTreeWidget;
class TAVTask;

class TFrameInfo : public QWidget {
  Q_OBJECT

 public:
  explicit TFrameInfo(QWidget* parent = nullptr);
  ~TFrameInfo() override;

  // Shows the node's information and log (LoadTaskInfo); null shows nothing.
  void ShowNode(TNodeObject* Node);
  TNodeObject* Node() const { return FNode; }
  // Forgets the shown node (it is about to be destroyed).
  void Forget() { ShowNode(nullptr); }

  TLogListModel& LogList() { return FLogList; }
  TInfoViewModel& InfoView() { return FInfoView; }
  QListWidget* LogBox() const { return lbLog; }
  QTabWidget* Pages() const { return pcInfo; }
  QAction* ClearLogAction() const { return actClearLog; }

  // "Clear Log" is enabled while the log box has lines.
  void UpdateActions();
  void Detach();

 private:
  void ShowLines();
  void ShowInfoColumns();
  void ClearLog();

  TLogListModel FLogList;
  TInfoViewModel FInfoView;
  TNodeObject* FNode = nullptr;
  QTabWidget* pcInfo;
  QTreeWidget* tvInfo;
  QListWidget* lbLog;
  QMenu* pmLog;
  QAction* actClearLog;
};
