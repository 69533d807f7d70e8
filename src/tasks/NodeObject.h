#pragma once
// The payloads of the explorer tree and the task list. TConvertingNode
// ("任务列表") holds the tasks that are converting, paused, stopped or
// interrupted; a TConvertedNode stands for one category of finished
// conversions. Tasks (AVTask.h) are node objects too: the task list's rows.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "engine/AVConvertOptions.h"
#include "tasks/ViewModels.h"

class TAVTask;
class TConversionSettings;

class TNodeObject : public TAVPersistent {
 public:
  TNodeObject();
  ~TNodeObject() override;
  const char* ClassName() const override { return "TNodeObject"; }

  // The popup menu of the node, or none.
  virtual QObject* GetPopupMenu() { return nullptr; }
  virtual void Edit() {}
  // Only tasks can be deleted; on anything else this is a programming error.
  virtual void Delete(bool DeleteSource, bool DeleteTarget);
  virtual QString GetInformation() const { return {}; }
  virtual QString GetCaption(int ColumnIndex) const = 0;
  // -1: no image.
  virtual int GetImageIndex() const { return -1; }
  // Fills AList with this node's columns and rows.
  virtual void LoadTaskList(TTaskListModel* AList) { FListView = AList; }
  virtual void LoadTaskInfo(TInfoViewModel* AList, TLogListModel* ALogList);

  // Calls the node's Edit; an error there is shown as "ERROR:" + its message.
  static void EditData(TNodeObject* node);

  // The tasks this node holds; they are destroyed with it.
  const std::vector<std::unique_ptr<TAVTask>>& Tasks() const { return FTasks; }
  void AddTask(std::unique_ptr<TAVTask> task);
  // Hands the task over to the caller; null when this node does not hold it.
  std::unique_ptr<TAVTask> TakeTask(const TAVTask* task);
  // Destroys every task, last first, and takes their rows out of the list.
  void ClearTasks();
  // Takes the rows of this node and its tasks out of the list; called before
  // the node is removed while the views live on.
  void RemoveRowsFromViews();

  // The payload of this node's parent in the explorer tree.
  TNodeObject* ParentNode() const;
  // True when this is the selected node of its explorer tree.
  bool IsSelectedNode() const;

  TTaskListModel* FListView = nullptr;
  TInfoViewModel* FInfoView = nullptr;
  TExplorerTree* FTreeView = nullptr;
  TLogListModel* FLogList = nullptr;

 protected:
  std::vector<std::unique_ptr<TAVTask>> FTasks;
};

// How the work of the converting node stands: tasks running and waiting,
// and the batch they belong to. A batch begins when a task is added or
// started while nothing runs or waits; Ended counts its runs that have ended
// since (finished, stopped or failed).
struct TQueueState {
  int Running = 0;
  int Waiting = 0;
  int Ended = 0;
  // Of the whole batch, 0 to 1: ended runs count whole, runs in progress by
  // their progress, waiting tasks not at all.
  double Progress = 0;
};

class TConvertingNode : public TNodeObject {
 public:
  const char* ClassName() const override { return "TConvertingNode"; }
  QString GetCaption(int ColumnIndex) const override;
  int GetImageIndex() const override { return 0; }
  // Reads the interrupted and the waiting tasks from the database the first
  // time only, in the order they were added.
  void LoadTaskList(TTaskListModel* AList) override;
  // Starts a task for the settings (or, when the configuration's
  // SimultaneousTasks are running already, queues it as waiting), then
  // stores it in the database. Settings that could not be stored exactly
  // are refused (RequireStorableSettings).
  TAVTask* NewConversion(std::unique_ptr<TConversionSettings> ASettings);
  bool Loaded() const { return FLoaded; }

  // Starts waiting tasks, in the order they were added, while fewer runs are
  // in progress than the configuration allows (0: no limit).
  void RunQueue();
  // Tasks whose engine runs (paused and winding-down runs included).
  int RunsInProgress() const;
  TQueueState QueueState() const;
  // A task of this node is about to start: a new batch when nothing else
  // runs or waits.
  void JoinBatch();
  // A run of a task of this node has ended.
  void RunEnded() { ++FBatchEnded; }

 private:
  bool HasPendingWork() const;

  bool FLoaded = false;
  int FBatchEnded = 0;
};

class TConvertedNode : public TNodeObject {
 public:
  static constexpr int RootCategoryId = 1;

  const char* ClassName() const override { return "TConvertedNode"; }
  QObject* GetPopupMenu() override;
  QString GetCaption(int ColumnIndex) const override { return FCategory; }
  int GetImageIndex() const override { return 1; }
  // Reads the category's finished tasks again, newest first.
  void LoadTaskList(TTaskListModel* AList) override;
  bool IsRoot() const { return FCategoryId == RootCategoryId; }
  // Deletes the categories of this node and every node below it, and their
  // conversions, from the database in one transaction; the tree and the
  // files stay. The root category cannot be deleted (std::logic_error).
  void DeleteChildrens();

  int CategoryId() const { return FCategoryId; }
  const QString& Category() const { return FCategory; }
  const QString& Folder() const { return FFolder; }
  void SetCategoryId(int v) { FCategoryId = v; }
  void SetCategory(const QString& v) { FCategory = v; }
  void SetFolder(const QString& v) { FFolder = v; }

  // The category popup menu of the window, told which node it acts on.
  static std::function<QObject*(TConvertedNode& node)> CategoryPopupMenu;

 private:
  QString FFolder;
  int FCategoryId = 0;
  QString FCategory;
};

// Builds the explorer tree once: "任务列表" (unless omitted), then the
// categories read from the database, nested by their parent.
void BuildExplorerTree(TExplorerTree& tree, bool withConvertingNode = true);

// The delete action of a category: deletes it and all categories below it
// with their conversions from the database (all or nothing), then selects the
// parent node and removes the node from the tree. Category 1 cannot be deleted.
void DeleteCategoryNode(TConvertedNode* node);
