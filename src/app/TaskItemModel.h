#pragma once
// The Qt item model of the task list: one row per payload of a TTaskListModel
// and its columns; the texts come from the payloads when the view asks for
// them, so only the rows on screen are ever captioned. A progress repaint
// refreshes only the row that changed. Filling a list from a node is done in
// one batch, so that ten thousand rows cost one reset of the view.

#include <QAbstractTableModel>
#include <vector>

#include "tasks/ViewModels.h"

class TImageList;

class TTaskItemModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Images: the task images, indexed by GetImageIndex.
  TTaskItemModel(TTaskListModel& List, const TImageList& Images, QObject* parent = nullptr);
  ~TTaskItemModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The payload of a row; null outside the list.
  TNodeObject* Payload(int row) const;
  QModelIndex IndexOf(const TNodeObject* payload) const;

  // Changes to the list between these two calls reach the view as one reset.
  void BeginBatch();
  void EndBatch();
  // Stops following the list (the window is going away).
  void Detach();

 signals:
  // The columns were replaced (the view sets its section widths).
  void ColumnsChanged();

 private:
  void ListChanged(TTaskListModel::TChange change, int row);
  void Reset();

  TTaskListModel* FList;
  const TImageList& FImages;
  // The rows as the view knows them; kept in step with the list.
  std::vector<TNodeObject*> FRows;
  std::vector<TListColumn> FColumns;
  int FBatchDepth = 0;
};
