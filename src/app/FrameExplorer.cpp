#include "app/FrameExplorer.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/ExplorerModel.h"
#include "tasks/AVTask.h"
#include "tasks/NodeObject.h"

TFrameExplorer::TFrameExplorer(const TImageList& Images, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("FrameExplorer"));
  FModel = new TExplorerItemModel(FTree, Images, this);
  tvExplorer = new QTreeView(this);
  tvExplorer->setObjectName(QStringLiteral("tvExplorer"));
  tvExplorer->setHeaderHidden(true);
  tvExplorer->setModel(FModel);
  tvExplorer->setSelectionMode(QAbstractItemView::SingleSelection);
  tvExplorer->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tvExplorer->setContextMenuPolicy(Qt::CustomContextMenu);
  tvExplorer->installEventFilter(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tvExplorer);

  connect(tvExplorer->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { CurrentChanged(current); });
  connect(tvExplorer, &QWidget::customContextMenuRequested, this, &TFrameExplorer::ContextMenu);
  connect(tvExplorer, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    if (!FDisableContextMenu) TNodeObject::EditData(TExplorerItemModel::Payload(index));
  });
  connect(tvExplorer, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    if (TNodeObject* node = TExplorerItemModel::Payload(index); node && OnNodeChosen) OnNodeChosen(node);
  });
  FTree.OnSelectionChange = [this](TNodeObject* selected) { TreeSelectionChanged(selected); };
}

TFrameExplorer::~TFrameExplorer() { ReleaseTree(); }

void TFrameExplorer::ReleaseTree() {
  FTree.OnSelectionChange = nullptr;
  FModel->Detach();
  OnNodeSelected = nullptr;
  OnNodeChosen = nullptr;
  // Converters still running hand their events to the main thread while they
  // wind down; with the tree going nothing may answer them any more.
  for (TNodeObject* top : FTree.Children())
    for (TNodeObject* node : FTree.Subtree(top))
      for (const auto& task : node->Tasks()) {
        if (!task->HasConverter()) continue;
        task->Converter().OnProgress = nullptr;
        task->Converter().OnComplete = nullptr;
      }
  for (TNodeObject* top : FTree.Children()) FTree.RemoveNode(top);
  FConvertingNode = nullptr;
  FRootNode = nullptr;
}

void TFrameExplorer::BuildTree() {
  // Built once: after a failed category read the converting node stands alone
  // and must not be added a second time.
  if (!FTree.Children().empty()) return;
  // The converting node comes first and needs no database: when the categories
  // cannot be read it still takes new conversions.
  try {
    TExplorerChange change(*FModel);
    BuildExplorerTree(FTree, !FOmitConvertingNode);
  } catch (...) {
    RememberBuiltNodes();
    throw;
  }
  RememberBuiltNodes();
}

void TFrameExplorer::RememberBuiltNodes() {
  const std::vector<TNodeObject*> top = FTree.Children();
  if (!FOmitConvertingNode && !top.empty()) FConvertingNode = dynamic_cast<TConvertingNode*>(top.front());
  FRootNode = FTree.RootCategory();
  ExpandAll({});
}

void TFrameExplorer::ExpandAll(const QModelIndex& parent) {
  for (int r = 0; r < FModel->rowCount(parent); ++r) {
    const QModelIndex child = FModel->index(r, 0, parent);
    tvExplorer->expand(child);
    ExpandAll(child);
  }
}

bool TFrameExplorer::SelectCategory(int CategoryId) {
  for (TNodeObject* top : FTree.Children())
    for (TNodeObject* node : FTree.Subtree(top))
      if (auto* category = dynamic_cast<TConvertedNode*>(node); category && category->CategoryId() == CategoryId) {
        SelectNode(category);
        const QModelIndex index = FModel->IndexOf(category);
        tvExplorer->expand(index);
        tvExplorer->scrollTo(index);
        return true;
      }
  return false;
}

void TFrameExplorer::SelectNode(TNodeObject* Node) { FTree.Select(Node); }

// The view's current node follows the tree's selection, and the other way.
void TFrameExplorer::TreeSelectionChanged(TNodeObject* selected) {
  ShowCurrentFromTree();
  if (OnNodeSelected) OnNodeSelected(selected);
}

void TFrameExplorer::ShowCurrentFromTree() {
  const QModelIndex index = FModel->IndexOf(FTree.Selected());
  if (tvExplorer->currentIndex() == index) return;
  FSyncing = true;
  if (index.isValid())
    tvExplorer->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  else
    tvExplorer->selectionModel()->clear();
  FSyncing = false;
}

void TFrameExplorer::CurrentChanged(const QModelIndex& current) {
  if (FSyncing) return;
  TNodeObject* node = TExplorerItemModel::Payload(current);
  // A reset of the view loses its current node; the tree still knows it.
  if (!node) {
    if (FTree.Selected()) ShowCurrentFromTree();
    return;
  }
  if (node != FTree.Selected()) FTree.Select(node);
}

TNodeObject* TFrameExplorer::AddCategoryNode(std::unique_ptr<TConvertedNode> Node, TNodeObject* Parent) {
  TNodeObject* added;
  {
    TExplorerChange change(*FModel);
    added = FTree.AddNode(std::move(Node), Parent);
  }
  ExpandAll({});
  ShowCurrentFromTree();
  return added;
}

void TFrameExplorer::DeleteCategory(TConvertedNode* Node) {
  if (!Node) return;
  {
    TExplorerChange change(*FModel);
    DeleteCategoryNode(Node);
  }
  ExpandAll({});
  ShowCurrentFromTree();
}

void TFrameExplorer::RemoveNode(TNodeObject* Node) {
  if (Node && FTree.Selected() == Node) FTree.Select(Node->ParentNode());
  {
    TExplorerChange change(*FModel);
    FTree.RemoveNode(Node);
  }
  ExpandAll({});
  ShowCurrentFromTree();
}

void TFrameExplorer::RefreshNode(const TNodeObject* Node) { FModel->Refresh(Node); }

void TFrameExplorer::ContextMenu(const QPoint& pos) {
  if (FDisableContextMenu) return;
  // The menu acts on the focused node: a right click focuses the node first.
  if (TNodeObject* node = TExplorerItemModel::Payload(tvExplorer->indexAt(pos)); node && node != FTree.Selected())
    FTree.Select(node);
  TNodeObject* focused = FTree.Selected();
  auto* menu = focused ? qobject_cast<QMenu*>(focused->GetPopupMenu()) : nullptr;
  if (menu) menu->popup(tvExplorer->viewport()->mapToGlobal(pos));
}

bool TFrameExplorer::eventFilter(QObject* watched, QEvent* event) {
  if (watched == tvExplorer && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && OnNodeChosen && FTree.Selected()) {
      OnNodeChosen(FTree.Selected());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
