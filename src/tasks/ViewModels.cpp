#include "tasks/ViewModels.h"

#include <algorithm>

#include "tasks/NodeObject.h"

// ------------------------------------------------------------ task list

void TTaskListModel::Notify(TChange change, int row) const {
  if (OnChange) OnChange(change, row);
}

void TTaskListModel::SetColumns(std::vector<TListColumn> columns) {
  FColumns = std::move(columns);
  Notify(lcReset, -1);
}

void TTaskListModel::Clear() {
  FRows.clear();
  FSelected = nullptr;
  Notify(lcReset, -1);
}

int TTaskListModel::AddRow(TNodeObject* payload) {
  FRows.push_back(payload);
  Notify(lcRowAdded, RowCount() - 1);
  return RowCount() - 1;
}

void TTaskListModel::RemoveRow(const TNodeObject* payload) {
  const int row = RowOf(payload);
  if (row < 0) return;
  FRows.erase(FRows.begin() + row);
  if (FSelected == payload) FSelected = nullptr;
  Notify(lcRowRemoved, row);
}

void TTaskListModel::RepaintRow(const TNodeObject* payload) {
  const int row = RowOf(payload);
  if (row >= 0) Notify(lcRowChanged, row);
}

TNodeObject* TTaskListModel::Row(int row) const { return row >= 0 && row < RowCount() ? FRows[row] : nullptr; }

int TTaskListModel::RowOf(const TNodeObject* payload) const {
  const auto it = std::find(FRows.begin(), FRows.end(), payload);
  return it == FRows.end() ? -1 : int(it - FRows.begin());
}

QString TTaskListModel::Caption(int row, int column) const {
  const TNodeObject* payload = Row(row);
  return payload ? payload->GetCaption(column) : QString();
}

int TTaskListModel::ImageIndex(int row) const {
  const TNodeObject* payload = Row(row);
  return payload ? payload->GetImageIndex() : -1;
}

QStringList TTaskListModel::RowTexts(int row) const {
  QStringList texts;
  for (int c = 0; c < int(FColumns.size()); ++c) texts << Caption(row, c);
  return texts;
}

// ------------------------------------------------------------ log list

void TLogListModel::SetLines(const QStringList& lines) {
  FLines = lines;
  if (OnChange) OnChange();
}

// --------------------------------------------------------- explorer tree

struct TExplorerTree::TItem {
  std::unique_ptr<TNodeObject> Payload;
  TItem* Parent = nullptr;
  std::vector<std::unique_ptr<TItem>> Children;
};

TExplorerTree::TExplorerTree() : FRoot(std::make_unique<TItem>()) {}

TExplorerTree::~TExplorerTree() {
  // Children first, so that no payload outlives the nodes below it.
  std::function<void(TItem&)> clear = [&](TItem& item) {
    while (!item.Children.empty()) {
      clear(*item.Children.back());
      item.Children.pop_back();
    }
  };
  clear(*FRoot);
}

TExplorerTree::TItem* TExplorerTree::Find(const TNodeObject* payload) const {
  if (!payload) return nullptr;
  std::function<TItem*(TItem&)> search = [&](TItem& item) -> TItem* {
    for (auto& child : item.Children) {
      if (child->Payload.get() == payload) return child.get();
      if (TItem* found = search(*child)) return found;
    }
    return nullptr;
  };
  return search(*FRoot);
}

TNodeObject* TExplorerTree::AddNode(std::unique_ptr<TNodeObject> payload, TNodeObject* parent) {
  TItem* parentItem = parent ? Find(parent) : FRoot.get();
  if (!parentItem) parentItem = FRoot.get();
  auto item = std::make_unique<TItem>();
  item->Payload = std::move(payload);
  item->Parent = parentItem;
  TNodeObject* added = item->Payload.get();
  added->FTreeView = this;
  parentItem->Children.push_back(std::move(item));
  if (OnStructureChange) OnStructureChange();
  return added;
}

void TExplorerTree::RemoveNode(TNodeObject* payload) {
  TItem* item = Find(payload);
  if (!item) return;
  for (TNodeObject* n : Subtree(payload)) {
    if (n == FSelected) FSelected = nullptr;
    n->RemoveRowsFromViews();
  }
  auto& siblings = item->Parent->Children;
  const auto it = std::find_if(siblings.begin(), siblings.end(), [&](const auto& c) { return c.get() == item; });
  std::unique_ptr<TItem> removed = std::move(*it);
  siblings.erase(it);
  removed.reset();
  if (OnStructureChange) OnStructureChange();
}

bool TExplorerTree::Contains(const TNodeObject* payload) const { return Find(payload) != nullptr; }

TNodeObject* TExplorerTree::Parent(const TNodeObject* payload) const {
  const TItem* item = Find(payload);
  return item && item->Parent ? item->Parent->Payload.get() : nullptr;
}

std::vector<TNodeObject*> TExplorerTree::Children(const TNodeObject* parent) const {
  const TItem* item = parent ? Find(parent) : FRoot.get();
  std::vector<TNodeObject*> children;
  if (item)
    for (const auto& child : item->Children) children.push_back(child->Payload.get());
  return children;
}

std::vector<TNodeObject*> TExplorerTree::Subtree(TNodeObject* payload) const {
  std::vector<TNodeObject*> nodes;
  if (!Find(payload)) return nodes;
  nodes.push_back(payload);
  for (size_t i = 0; i < nodes.size(); ++i)
    for (TNodeObject* child : Children(nodes[i])) nodes.push_back(child);
  return nodes;
}

void TExplorerTree::Select(TNodeObject* payload) {
  FSelected = Contains(payload) ? payload : nullptr;
  if (OnSelectionChange) OnSelectionChange(FSelected);
}

TConvertedNode* TExplorerTree::RootCategory() const {
  std::vector<TNodeObject*> all;
  for (TNodeObject* top : Children()) {
    const auto below = Subtree(top);
    all.insert(all.end(), below.begin(), below.end());
  }
  for (TNodeObject* n : all)
    if (auto* category = dynamic_cast<TConvertedNode*>(n); category && category->IsRoot()) return category;
  return nullptr;
}
