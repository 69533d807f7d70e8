#include "app/ExplorerModel.h"

#include <algorithm>

#include "app/ImageLists.h"
#include "tasks/NodeObject.h"

TExplorerItemModel::TExplorerItemModel(TExplorerTree& Tree, const TImageList& Images, QObject* parent)
    : QAbstractItemModel(parent), FTree(&Tree), FImages(Images) {
  FTree->OnStructureChange = [this] {
    // A change nobody announced: the view starts over.
    if (FChangeDepth > 0) return;
    BeginChange();
    EndChange();
  };
}

TExplorerItemModel::~TExplorerItemModel() { Detach(); }

void TExplorerItemModel::Detach() {
  if (!FTree) return;
  beginResetModel();
  FTree->OnStructureChange = nullptr;
  FTree = nullptr;
  endResetModel();
}

TNodeObject* TExplorerItemModel::Payload(const QModelIndex& index) {
  return index.isValid() ? static_cast<TNodeObject*>(index.internalPointer()) : nullptr;
}

QModelIndex TExplorerItemModel::index(int row, int column, const QModelIndex& parent) const {
  if (!FTree || FChangeDepth > 0 || column != 0 || row < 0) return {};
  const std::vector<TNodeObject*> children = FTree->Children(Payload(parent));
  if (row >= int(children.size())) return {};
  return createIndex(row, column, children[size_t(row)]);
}

QModelIndex TExplorerItemModel::parent(const QModelIndex& child) const {
  if (!FTree || FChangeDepth > 0) return {};
  return IndexOf(FTree->Parent(Payload(child)));
}

QModelIndex TExplorerItemModel::IndexOf(const TNodeObject* payload) const {
  if (!FTree || !payload || FChangeDepth > 0) return {};
  TNodeObject* parentPayload = FTree->Parent(payload);
  const std::vector<TNodeObject*> siblings = FTree->Children(parentPayload);
  const auto it = std::find(siblings.begin(), siblings.end(), payload);
  if (it == siblings.end()) return {};
  return createIndex(int(it - siblings.begin()), 0, const_cast<TNodeObject*>(payload));
}

int TExplorerItemModel::rowCount(const QModelIndex& parent) const {
  if (!FTree || FChangeDepth > 0 || parent.column() > 0) return 0;
  return int(FTree->Children(Payload(parent)).size());
}

int TExplorerItemModel::columnCount(const QModelIndex&) const { return 1; }

QVariant TExplorerItemModel::data(const QModelIndex& index, int role) const {
  const TNodeObject* payload = Payload(index);
  if (!payload || FChangeDepth > 0) return {};
  if (role == Qt::DisplayRole) return payload->GetCaption(0);
  if (role == Qt::DecorationRole) {
    const int image = payload->GetImageIndex();
    if (image != -1) return FImages.Icon(image);
  }
  return {};
}

void TExplorerItemModel::Refresh(const TNodeObject* payload) {
  const QModelIndex index = IndexOf(payload);
  if (index.isValid()) emit dataChanged(index, index);
}

void TExplorerItemModel::BeginChange() {
  if (FChangeDepth++ == 0) beginResetModel();
}

void TExplorerItemModel::EndChange() {
  if (--FChangeDepth == 0) endResetModel();
}
