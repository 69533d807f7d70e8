#include "app/TaskItemModel.h"

#include "app/ImageLists.h"
#include "tasks/NodeObject.h"

TTaskItemModel::TTaskItemModel(TTaskListModel& List, const TImageList& Images, QObject* parent)
    : QAbstractTableModel(parent), FList(&List), FImages(Images) {
  FList->OnChange = [this](TTaskListModel::TChange change, int row) { ListChanged(change, row); };
  for (int r = 0; r < FList->RowCount(); ++r) FRows.push_back(FList->Row(r));
  FColumns = FList->Columns();
}

TTaskItemModel::~TTaskItemModel() { Detach(); }

void TTaskItemModel::Detach() {
  if (!FList) return;
  FList->OnChange = nullptr;
  FList = nullptr;
  beginResetModel();
  FRows.clear();
  endResetModel();
}

int TTaskItemModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(FRows.size()); }

int TTaskItemModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(FColumns.size()); }

TNodeObject* TTaskItemModel::Payload(int row) const {
  return row >= 0 && row < int(FRows.size()) ? FRows[size_t(row)] : nullptr;
}

QModelIndex TTaskItemModel::IndexOf(const TNodeObject* payload) const {
  for (size_t r = 0; r < FRows.size(); ++r)
    if (FRows[r] == payload) return index(int(r), 0);
  return {};
}

QVariant TTaskItemModel::data(const QModelIndex& index, int role) const {
  const TNodeObject* payload = Payload(index.row());
  if (!payload) return {};
  if (role == Qt::DisplayRole) return payload->GetCaption(index.column());
  // Only the first column carries the status image.
  if (role == Qt::DecorationRole && index.column() == 0) {
    const int image = payload->GetImageIndex();
    if (image != -1) return FImages.Icon(image);
  }
  return {};
}

QVariant TTaskItemModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= int(FColumns.size())) return {};
  if (role == Qt::DisplayRole) return FColumns[size_t(section)].Header;
  return {};
}

void TTaskItemModel::BeginBatch() {
  if (FBatchDepth++ == 0) {
    beginResetModel();
    // Nothing of the old rows may be reached while the list changes.
    FRows.clear();
  }
}

void TTaskItemModel::EndBatch() {
  if (--FBatchDepth > 0) return;
  FRows.clear();
  if (FList)
    for (int r = 0; r < FList->RowCount(); ++r) FRows.push_back(FList->Row(r));
  const bool columnsChanged = FList && FColumns != FList->Columns();
  if (FList) FColumns = FList->Columns();
  endResetModel();
  if (columnsChanged) emit ColumnsChanged();
}

void TTaskItemModel::Reset() {
  BeginBatch();
  EndBatch();
}

void TTaskItemModel::ListChanged(TTaskListModel::TChange change, int row) {
  if (FBatchDepth > 0) return;
  switch (change) {
    case TTaskListModel::lcReset:
      Reset();
      break;
    case TTaskListModel::lcRowAdded:
      beginInsertRows({}, row, row);
      FRows.insert(FRows.begin() + row, FList->Row(row));
      endInsertRows();
      break;
    case TTaskListModel::lcRowRemoved:
      if (row >= int(FRows.size())) return Reset();
      beginRemoveRows({}, row, row);
      FRows.erase(FRows.begin() + row);
      endRemoveRows();
      break;
    case TTaskListModel::lcRowChanged:
      if (!FColumns.empty()) emit dataChanged(index(row, 0), index(row, int(FColumns.size()) - 1));
      break;
  }
}
