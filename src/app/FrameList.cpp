#include "app/FrameList.h"

#include <QDragEnterEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QVBoxLayout>
#include <algorithm>

#include "app/ActionGuard.h"
#include "app/DialogHooks.h"
#include "app/TaskItemModel.h"
#include "tasks/AVTask.h"

// ------------------------------------------------------------ TTaskListView

TTaskListView::TTaskListView(QWidget* parent) : QTreeView(parent) {
  setAcceptDrops(true);
  setDropIndicatorShown(false);
}

QStringList TTaskListView::DraggedFiles(const QMimeData* data) {
  QStringList files;
  if (!data) return files;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) files << url.toLocalFile();
  return files;
}

bool TTaskListView::DropAllowed(const QMimeData* data) { return DraggedFiles(data).size() <= 1; }

namespace {

// Copy, move and link drags from the desktop are taken, shown as a link.
bool TakeDrag(QDropEvent* event) {
  const bool fromDesktop = event->possibleActions() & (Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
  if (!fromDesktop || !TTaskListView::DropAllowed(event->mimeData())) {
    event->ignore();
    return false;
  }
  event->setDropAction(Qt::LinkAction);
  event->accept();
  return true;
}

}  // namespace

void TTaskListView::dragEnterEvent(QDragEnterEvent* event) { TakeDrag(event); }

void TTaskListView::dragMoveEvent(QDragMoveEvent* event) { TakeDrag(event); }

void TTaskListView::dropEvent(QDropEvent* event) {
  if (!TakeDrag(event)) return;
  const QStringList files = DraggedFiles(event->mimeData());
  if (!files.isEmpty() && OnFileDropped) OnFileDropped(files.first());
}

void TTaskListView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier && selectionModel() &&
      selectionModel()->hasSelection()) {
    if (OnDeleteKey) OnDeleteKey();
    event->accept();
    return;
  }
  QTreeView::keyPressEvent(event);
}

// --------------------------------------------------------------- TFrameList

TFrameList::TFrameList(const TImageList& Images, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("FrameList"));
  FModel = new TTaskItemModel(FList, Images, this);
  tvTasks = new TTaskListView(this);
  tvTasks->setObjectName(QStringLiteral("tvTasks"));
  tvTasks->setModel(FModel);
  tvTasks->setRootIsDecorated(false);
  tvTasks->setItemsExpandable(false);
  tvTasks->setUniformRowHeights(true);
  tvTasks->setAllColumnsShowFocus(true);
  tvTasks->setSelectionMode(QAbstractItemView::ExtendedSelection);
  tvTasks->setSelectionBehavior(QAbstractItemView::SelectRows);
  tvTasks->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tvTasks->setContextMenuPolicy(Qt::CustomContextMenu);
  tvTasks->header()->setSectionsMovable(true);
  tvTasks->header()->setStretchLastSection(false);
  tvTasks->header()->setSectionResizeMode(QHeaderView::Interactive);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tvTasks);

  connect(FModel, &TTaskItemModel::ColumnsChanged, this, &TFrameList::ApplyColumnWidths);
  connect(FModel, &QAbstractItemModel::rowsRemoved, this, [this] {
    if (OnRowsRemoved) OnRowsRemoved();
  });
  connect(FModel, &QAbstractItemModel::modelReset, this, [this] {
    if (OnRowsRemoved) OnRowsRemoved();
  });
  connect(tvTasks->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { CurrentChanged(current); });
  connect(tvTasks, &QWidget::customContextMenuRequested, this, &TFrameList::ShowPopup);
  tvTasks->OnFileDropped = [this](const QString& file) {
    if (OnFileDropped) OnFileDropped(file);
  };
  tvTasks->OnDeleteKey = [this] { Guarded([this] { DeleteSelectedTasks(); }); };
}

TFrameList::~TFrameList() { Detach(); }

void TFrameList::Detach() {
  OnFocusedTaskChanged = nullptr;
  OnRowsRemoved = nullptr;
  OnFileDropped = nullptr;
  OnBeforePopup = nullptr;
  FModel->Detach();
}

void TFrameList::ApplyColumnWidths() {
  const auto& columns = FList.Columns();
  for (int c = 0; c < int(columns.size()); ++c) tvTasks->header()->resizeSection(c, columns[size_t(c)].Width);
}

void TFrameList::FillFrom(TNodeObject* Node) {
  if (!Node) return;
  FModel->BeginBatch();
  try {
    Node->LoadTaskList(&FList);
  } catch (...) {
    FModel->EndBatch();
    throw;
  }
  FModel->EndBatch();
}

void TFrameList::CurrentChanged(const QModelIndex& current) {
  TNodeObject* payload = FModel->Payload(current.row());
  FList.Select(payload);
  if (OnFocusedTaskChanged) OnFocusedTaskChanged(dynamic_cast<TAVTask*>(payload));
}

TAVTask* TFrameList::FocusedTask() const {
  const QModelIndex current = tvTasks->currentIndex();
  return current.isValid() ? dynamic_cast<TAVTask*>(FModel->Payload(current.row())) : nullptr;
}

std::vector<TAVTask*> TFrameList::SelectedTasks() const {
  QModelIndexList rows = tvTasks->selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  std::vector<TAVTask*> tasks;
  for (const QModelIndex& row : rows)
    if (auto* task = dynamic_cast<TAVTask*>(FModel->Payload(row.row()))) tasks.push_back(task);
  return tasks;
}

int TFrameList::SelectedCount() const {
  // Counted from the ranges: the rules ask many times a second, also when
  // thousands of rows are selected.
  int count = 0;
  for (const QItemSelectionRange& range : tvTasks->selectionModel()->selection()) count += range.height();
  return count;
}

bool TFrameList::SelectedConvertedIsValid() const {
  if (SelectedCount() != 1) return false;
  const std::vector<TAVTask*> tasks = SelectedTasks();
  return tasks.size() == 1 && tasks.front()->ConvertedIsValid();
}

bool TFrameList::SelectedCanOpenSource() const {
  if (SelectedCount() != 1) return false;
  const std::vector<TAVTask*> tasks = SelectedTasks();
  return tasks.size() == 1 && tasks.front()->CanOpenSource();
}

void TFrameList::DeleteSelectedTasks() {
  if (SelectedCount() == 0) return;
  TDeleteChoice choice;
  if (!TDialogHooks::Delete || !TDialogHooks::Delete(window(), choice)) return;
  // Gathered first: each deletion takes its row out of the list.
  std::vector<TAVTask*> tasks = SelectedTasks();
  for (auto it = tasks.rbegin(); it != tasks.rend(); ++it) {
    TAVTask* task = *it;
    // Deleting a task waits for its engine while events run: another selected
    // task may have finished and left the list meanwhile.
    if (!List().Shows(task)) continue;
    if (task->Status == stRunning || task->Status == stPaused)
      task->Stop();
    else
      task->Delete(choice.DeleteSource, choice.DeleteTarget);
  }
}

void TFrameList::ShowPopup(const QPoint& pos) {
  if (!FPopupMenu) return;
  if (OnBeforePopup) OnBeforePopup();
  FPopupMenu->popup(tvTasks->viewport()->mapToGlobal(pos));
}
