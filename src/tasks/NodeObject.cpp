#include "tasks/NodeObject.h"

#include <algorithm>
#include <stdexcept>

#include "engine/EngineError.h"
#include "engine/ErrorBox.h"
#include "tasks/AVTask.h"
#include "tasks/Configuration.h"
#include "tasks/PersistentManager.h"

namespace {

const std::vector<TListColumn> ConvertingColumns{
    {QStringLiteral("原始文件"), 150},   {QStringLiteral("原始文件大小"), 100}, {QStringLiteral("目标文件"), 150},
    {QStringLiteral("目标文件大小"), 100}, {QStringLiteral("输出格式配置"), 100}, {QStringLiteral("用时"), 60},
    {QStringLiteral("完成度"), 70},      {QStringLiteral("码率(kbs)"), 70},    {QStringLiteral("剩余时间"), 70},
    {QStringLiteral("已用时间"), 70},
};

const std::vector<TListColumn> ConvertedColumns{
    {QStringLiteral("原始文件"), 150},   {QStringLiteral("原始文件大小"), 100}, {QStringLiteral("目标文件"), 150},
    {QStringLiteral("目标文件大小"), 100}, {QStringLiteral("输出格式配置"), 100}, {QStringLiteral("用时"), 60},
    {QStringLiteral("日期"), 120},
};

// An empty list with the node's columns.
void ResetList(TTaskListModel* list, const std::vector<TListColumn>& columns) {
  if (!list) return;
  list->Clear();
  list->SetColumns(columns);
}

void ShowTasks(TTaskListModel* list, const std::vector<std::unique_ptr<TAVTask>>& tasks) {
  if (!list) return;
  for (const auto& task : tasks) list->AddRow(task.get());
}

}  // namespace

// ------------------------------------------------------------ TNodeObject

TNodeObject::TNodeObject() = default;

TNodeObject::~TNodeObject() {
  // No view is touched here: the window may have destroyed its views first.
  while (!FTasks.empty()) FTasks.pop_back();
}

void TNodeObject::RemoveRowsFromViews() {
  for (const auto& task : FTasks)
    if (task->FListView) task->FListView->RemoveRow(task.get());
  if (FListView) FListView->RemoveRow(this);
}

void TNodeObject::Delete(bool, bool) { throw std::logic_error("only tasks can be deleted"); }

void TNodeObject::LoadTaskInfo(TInfoViewModel* AList, TLogListModel* ALogList) {
  FInfoView = AList;
  FLogList = ALogList;
}

void TNodeObject::EditData(TNodeObject* node) {
  if (!node) return;
  try {
    node->Edit();
  } catch (const EAVError& e) {
    ShowErrorBox(QStringLiteral("ERROR:") + e.Message());
  } catch (const std::exception& e) {
    ShowErrorBox(QStringLiteral("ERROR:") + QString::fromUtf8(e.what()));
  }
}

void TNodeObject::AddTask(std::unique_ptr<TAVTask> task) { FTasks.push_back(std::move(task)); }

std::unique_ptr<TAVTask> TNodeObject::TakeTask(const TAVTask* task) {
  const auto it = std::find_if(FTasks.begin(), FTasks.end(), [&](const auto& t) { return t.get() == task; });
  if (it == FTasks.end()) return nullptr;
  std::unique_ptr<TAVTask> taken = std::move(*it);
  FTasks.erase(it);
  return taken;
}

void TNodeObject::ClearTasks() {
  while (!FTasks.empty()) {
    // Out of the list before it goes, so that nothing finds it half-destroyed.
    std::unique_ptr<TAVTask> last = std::move(FTasks.back());
    FTasks.pop_back();
    if (last->FListView) last->FListView->RemoveRow(last.get());
  }
}

TNodeObject* TNodeObject::ParentNode() const { return FTreeView ? FTreeView->Parent(this) : nullptr; }

bool TNodeObject::IsSelectedNode() const { return FTreeView && FTreeView->Selected() == this; }

// -------------------------------------------------------- TConvertingNode

QString TConvertingNode::GetCaption(int) const { return QStringLiteral("任务列表"); }

void TConvertingNode::LoadTaskList(TTaskListModel* AList) {
  TNodeObject::LoadTaskList(AList);
  ResetList(AList, ConvertingColumns);
  if (!FLoaded) {
    // Marked first: a load that fails half-way must not be read twice.
    FLoaded = true;
    TPersistentManager::LoadConvertingTask(*this);
  }
  ShowTasks(AList, FTasks);
}

TAVTask* TConvertingNode::NewConversion(std::unique_ptr<TConversionSettings> ASettings) {
  // Refused before anything starts: after a restart the task would name
  // another file, and deleting its source could remove the wrong one.
  RequireStorableSettings(*ASettings);
  JoinBatch();
  const int categoryId = ASettings->CategoryId();
  auto owned = std::make_unique<TConvertingTask>(std::move(ASettings), FListView);
  TAVTask* task = owned.get();
  if (IsSelectedNode() && FListView) FListView->AddRow(task);
  AddTask(std::move(owned));
  task->Category = this;
  task->CategoryId = categoryId;
  // Last in the queue; it starts at once when the queue has room for it.
  task->Status = stWaiting;
  RunQueue();
  TPersistentManager::NewDbTask(*task);
  return task;
}

int TConvertingNode::RunsInProgress() const {
  return int(std::count_if(FTasks.begin(), FTasks.end(), [](const auto& t) { return t->RunInProgress(); }));
}

bool TConvertingNode::HasPendingWork() const {
  return std::any_of(FTasks.begin(), FTasks.end(),
                     [](const auto& t) { return t->RunInProgress() || t->Status == stWaiting; });
}

void TConvertingNode::JoinBatch() {
  if (!HasPendingWork()) FBatchEnded = 0;
}

void TConvertingNode::RunQueue() {
  const int limit = AVConfiguration().PerformanceOptions().SimultaneousTasks();
  for (const auto& task : FTasks) {
    if (limit > 0 && RunsInProgress() >= limit) return;
    if (task->Status != stWaiting) continue;
    task->Start();
    // A task that cannot start (its stored settings do not read) leaves the
    // queue instead of holding it up.
    if (task->Status == stWaiting) task->Status = stError;
  }
}

TQueueState TConvertingNode::QueueState() const {
  TQueueState state;
  state.Ended = FBatchEnded;
  double done = FBatchEnded;
  int inBatch = FBatchEnded;
  for (const auto& task : FTasks) {
    if (task->Status == stRunning) ++state.Running;
    if (task->Status == stWaiting) ++state.Waiting, ++inBatch;
    if (!task->RunInProgress()) continue;
    ++inBatch;
    done += std::clamp(task->Converter().Progress(), 0, 100) / 100.0;
  }
  state.Progress = inBatch > 0 ? done / inBatch : 0;
  return state;
}

// --------------------------------------------------------- TConvertedNode

std::function<QObject*(TConvertedNode& node)> TConvertedNode::CategoryPopupMenu;

QObject* TConvertedNode::GetPopupMenu() { return CategoryPopupMenu ? CategoryPopupMenu(*this) : nullptr; }

void TConvertedNode::LoadTaskList(TTaskListModel* AList) {
  TNodeObject::LoadTaskList(AList);
  ResetList(AList, ConvertedColumns);
  TPersistentManager::LoadConvertedTask(*this);
  ShowTasks(AList, FTasks);
}

void TConvertedNode::DeleteChildrens() {
  // One transaction: a kill or a lock half-way must not leave categories
  // whose parent is gone.
  TPersistentManager::DeleteCategoryTree(*this);
}

// ---------------------------------------------------------- explorer tree

namespace {

void AddCategories(TExplorerTree& tree, int parentId, TNodeObject* parentNode) {
  std::vector<std::unique_ptr<TConvertedNode>> nodes;
  TPersistentManager::LoadConvertedNodes(parentId, nodes);
  for (auto& node : nodes) {
    const int id = node->CategoryId();
    TNodeObject* added = tree.AddNode(std::move(node), parentNode);
    AddCategories(tree, id, added);
  }
}

}  // namespace

void BuildExplorerTree(TExplorerTree& tree, bool withConvertingNode) {
  if (tree.RootCategory()) return;
  if (withConvertingNode) tree.AddNode(std::make_unique<TConvertingNode>());
  AddCategories(tree, -1, nullptr);
}

void DeleteCategoryNode(TConvertedNode* node) {
  if (!node) return;
  node->DeleteChildrens();
  if (TExplorerTree* tree = node->FTreeView) {
    tree->Select(node->ParentNode());
    tree->RemoveNode(node);
  }
}
