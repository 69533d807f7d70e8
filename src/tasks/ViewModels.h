#pragma once
// What the main window's views show, kept as plain models: the task list,
// the task information view, the log list and the explorer tree. A window
// later wraps each in a Qt item model and plugs into the On… hooks; the
// task layer and the tests use them without any display.

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TNodeObject;
class TConvertedNode;

struct TListColumn {
  QString Header;
  int Width = 0;
  bool operator==(const TListColumn&) const = default;
};

// The task list: columns and one row per payload; texts come from the
// payload's GetCaption. It never owns its payloads.
class TTaskListModel {
 public:
  enum TChange { lcReset, lcRowAdded, lcRowRemoved, lcRowChanged };

  const std::vector<TListColumn>& Columns() const { return FColumns; }
  void SetColumns(std::vector<TListColumn> columns);
  void Clear();
  int AddRow(TNodeObject* payload);
  void RemoveRow(const TNodeObject* payload);
  // Asks the view to draw the payload's row again.
  void RepaintRow(const TNodeObject* payload);

  int RowCount() const { return int(FRows.size()); }
  TNodeObject* Row(int row) const;
  int RowOf(const TNodeObject* payload) const;
  bool Shows(const TNodeObject* payload) const { return RowOf(payload) >= 0; }
  QString Caption(int row, int column) const;
  int ImageIndex(int row) const;
  // All captions of a row, one per column.
  QStringList RowTexts(int row) const;

  TNodeObject* Selected() const { return FSelected; }
  void Select(TNodeObject* payload) { FSelected = payload; }

  std::function<void(TChange change, int row)> OnChange;

 private:
  void Notify(TChange change, int row) const;

  std::vector<TListColumn> FColumns;
  std::vector<TNodeObject*> FRows;
  TNodeObject* FSelected = nullptr;
};

// The task information view: only its columns are set by the task layer.
class TInfoViewModel {
 public:
  const std::vector<TListColumn>& Columns() const { return FColumns; }
  void SetColumns(std::vector<TListColumn> columns) { FColumns = std::move(columns); }

 private:
  std::vector<TListColumn> FColumns;
};

// The log list box of the selected task.
class TLogListModel {
 public:
  const QStringList& Lines() const { return FLines; }
  void SetLines(const QStringList& lines);
  std::function<void()> OnChange;

 private:
  QStringList FLines;
};

// The explorer tree: owns its node payloads; removing a node destroys it and
// everything below it, and takes their rows out of the task list. Destroying
// the tree touches no view, so views and tree may go in any order.
class TExplorerTree {
 public:
  TExplorerTree();
  ~TExplorerTree();
  TExplorerTree(const TExplorerTree&) = delete;
  TExplorerTree& operator=(const TExplorerTree&) = delete;

  // Adds payload under parent (at top level when null) and sets its FTreeView.
  TNodeObject* AddNode(std::unique_ptr<TNodeObject> payload, TNodeObject* parent = nullptr);
  void RemoveNode(TNodeObject* payload);
  bool Contains(const TNodeObject* payload) const;
  TNodeObject* Parent(const TNodeObject* payload) const;
  // The children of parent in order; the top level when parent is null.
  std::vector<TNodeObject*> Children(const TNodeObject* parent = nullptr) const;
  // payload and every node below it, parents before children.
  std::vector<TNodeObject*> Subtree(TNodeObject* payload) const;

  TNodeObject* Selected() const { return FSelected; }
  // Selects (and focuses) a node; null clears the selection.
  void Select(TNodeObject* payload);
  // The node of category 1, once the tree is built.
  TConvertedNode* RootCategory() const;

  std::function<void(TNodeObject* selected)> OnSelectionChange;
  std::function<void()> OnStructureChange;

 private:
  struct TItem;
  TItem* Find(const TNodeObject* payload) const;

  std::unique_ptr<TItem> FRoot;
  TNodeObject* FSelected = nullptr;
};
