#pragma once
// The Qt item model of an explorer tree: one column, the payloads' captions
// and images. The tree tells only that its structure changed, so the model
// is reset then; changes made through a TExplorerChange are announced before
// they happen, so that the view never looks at a payload being destroyed.

#include <QAbstractItemModel>

#include "tasks/ViewModels.h"

class TImageList;

class TExplorerItemModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  TExplorerItemModel(TExplorerTree& Tree, const TImageList& Images, QObject* parent = nullptr);
  ~TExplorerItemModel() override;

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  static TNodeObject* Payload(const QModelIndex& index);
  QModelIndex IndexOf(const TNodeObject* payload) const;
  // A payload's caption or image changed.
  void Refresh(const TNodeObject* payload);

  void BeginChange();
  void EndChange();
  // Stops following the tree (the window is going away).
  void Detach();

 private:
  TExplorerTree* FTree;
  const TImageList& FImages;
  int FChangeDepth = 0;
};

// Announces a structure change of the tree for its lifetime.
class TExplorerChange {
 public:
  explicit TExplorerChange(TExplorerItemModel& model) : FModel(model) { FModel.BeginChange(); }
  ~TExplorerChange() { FModel.EndChange(); }
  TExplorerChange(const TExplorerChange&) = delete;
  TExplorerChange& operator=(const TExplorerChange&) = delete;

 private:
  TExplorerItemModel& FModel;
};
