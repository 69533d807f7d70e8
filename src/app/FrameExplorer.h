#pragma once
// The explorer frame: the tree of "任务列表" and the categories. The main
// window shows it on the left; the category picker shows one without the
// converting node, its context menu and its double-click.

#include <QWidget>
#include <functional>

#include "tasks/ViewModels.h"

class QTreeView;
class QMenu;
class TConvertingNode;
class TExplorerItemModel;
class TImageList;

class TFrameExplorer : public QWidget {
  Q_OBJECT

 public:
  TFrameExplorer(const TImageList& Images, QWidget* parent = nullptr);
  ~TFrameExplorer() override;

  // Both are read when the tree is built.
  void SetOmitConvertingNode(bool Value) { FOmitConvertingNode = Value; }
  void SetDisableContextMenu(bool Value) { FDisableContextMenu = Value; }

  // Adds the converting node (unless omitted) and the categories from the
  // database; a second call does nothing.
  void BuildTree();
  // Selects, expands, focuses and shows the node of that category; false
  // when there is none.
  bool SelectCategory(int CategoryId);
  // Selects and focuses a node (null clears the selection).
  void SelectNode(TNodeObject* Node);

  TExplorerTree& Tree() { return FTree; }
  QTreeView* View() const { return tvExplorer; }
  TExplorerItemModel& Model() const { return *FModel; }
  TConvertingNode* ConvertingNode() const { return FConvertingNode; }
  TConvertedNode* RootNode() const { return FRootNode; }
  // The payload of the focused node, or null.
  TNodeObject* FocusedNode() const { return FTree.Selected(); }

  // Adds a category under Parent as its last child (the view is told first).
  TNodeObject* AddCategoryNode(std::unique_ptr<TConvertedNode> Node, TNodeObject* Parent);
  // The delete action of a category node (the view is told first).
  void DeleteCategory(TConvertedNode* Node);
  // Takes a node out of the tree and destroys it; the database is not touched.
  void RemoveNode(TNodeObject* Node);
  // A node's caption changed.
  void RefreshNode(const TNodeObject* Node);

  // Stops every task's events and destroys the tree while the views live.
  void ReleaseTree();

  // The selected node changed (by the user or by code).
  std::function<void(TNodeObject* Node)> OnNodeSelected;
  // A node was chosen with the mouse or Enter (the picker accepts then).
  std::function<void(TNodeObject* Node)> OnNodeChosen;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CurrentChanged(const QModelIndex& current);
  void TreeSelectionChanged(TNodeObject* selected);
  void ShowCurrentFromTree();
  void ContextMenu(const QPoint& pos);
  void ExpandAll(const QModelIndex& parent);
  void RememberBuiltNodes();

  TExplorerTree FTree;
  TExplorerItemModel* FModel;
  QTreeView* tvExplorer;
  TConvertingNode* FConvertingNode = nullptr;
  TConvertedNode* FRootNode = nullptr;
  bool FOmitConvertingNode = false;
  bool FDisableContextMenu = false;
  bool FSyncing = false;
};
