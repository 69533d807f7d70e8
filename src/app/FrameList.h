#pragma once
// The task list frame: the rows of the selected explorer node, several of
// which may be selected. Files dragged from the desktop onto it start a new
// conversion; the Delete key deletes the selected tasks.

#include <QTreeView>
#include <functional>
#include <vector>

#include "tasks/ViewModels.h"

class QMenu;
class TAVTask;
class TImageList;
class TTaskItemModel;

// The list control: takes one dropped file (shown as a link), refuses more.
class TTaskListView : public QTreeView {
  Q_OBJECT

 public:
  explicit TTaskListView(QWidget* parent = nullptr);

  // The local files of a drag; DropAllowed: none or one of them.
  static QStringList DraggedFiles(const QMimeData* data);
  static bool DropAllowed(const QMimeData* data);

  std::function<void(const QString& file)> OnFileDropped;
  std::function<void()> OnDeleteKey;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

class TFrameList : public QWidget {
  Q_OBJECT

 public:
  TFrameList(const TImageList& Images, QWidget* parent = nullptr);
  ~TFrameList() override;

  TTaskListModel& List() { return FList; }
  TTaskListView* View() const { return tvTasks; }
  TTaskItemModel& Model() const { return *FModel; }

  // Fills the list with the node's columns and rows (LoadTaskList).
  void FillFrom(TNodeObject* Node);
  // The task of the focused row, or null.
  TAVTask* FocusedTask() const;
  // The tasks of the selected rows, in row order.
  std::vector<TAVTask*> SelectedTasks() const;
  int SelectedCount() const;
  // Exactly one row is selected and its task's target is valid / its source
  // exists.
  bool SelectedConvertedIsValid() const;
  bool SelectedCanOpenSource() const;

  // Asks with the delete confirmation; on Yes, from the last selected row to
  // the first: finished or stopped tasks are deleted, running or paused ones
  // only stopped.
  void DeleteSelectedTasks();

  // The popup menu of the rows.
  void SetPopupMenu(QMenu* Menu) { FPopupMenu = Menu; }
  // Stops following the list (the window is going away).
  void Detach();

  // The focused row changed; Task is null when it carries no task.
  std::function<void(TAVTask* Task)> OnFocusedTaskChanged;
  // Rows left the list (a shown task may be gone).
  std::function<void()> OnRowsRemoved;
  std::function<void(const QString& file)> OnFileDropped;
  // Before the popup menu shows (actions are brought up to date).
  std::function<void()> OnBeforePopup;

 private:
  void ApplyColumnWidths();
  void CurrentChanged(const QModelIndex& current);
  void ShowPopup(const QPoint& pos);

  TTaskListModel FList;
  TTaskItemModel* FModel;
  TTaskListView* tvTasks;
  QMenu* FPopupMenu = nullptr;
};
