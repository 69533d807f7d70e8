// The explorer tree and its nodes, as models without a display.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "engine/EngineError.h"
#include "support/TestSupport.h"
#include "tasks/AVTask.h"
#include "tasks/PersistentManager.h"
#include "tasks/Sqlite.h"

using namespace tasks;

namespace {

class Nodes : public ::testing::Test {
 protected:
  void SetUp() override {
    file = testing_support::TemporaryFolder() + "/av.cfg";
    TPersistentManager::Connect(file, true, "/out");
    raw = std::make_unique<TSqliteDatabase>(file, false);
  }
  void TearDown() override { TPersistentManager::Disconnect(); }

  int AddCategoryRow(const QString& name, int parent) {
    TSqliteStatement s(*raw, "insert into categories(Category, Path, Parent) values(?, ?, ?)", 3);
    s.Bind(1, name);
    s.Bind(2, "/p/" + name);
    s.Bind(3, parent);
    s.Execute();
    return int(raw->LastInsertRowId());
  }
  int AddFinishedRow(const QString& source, int category) {
    auto settings = std::make_unique<TConversionSettings>();
    settings->SetSourceFile(source);
    TConvertingTask task(std::move(settings), nullptr);
    task.CategoryId = category;
    TPersistentManager::NewDbTask(task);
    TPersistentManager::FinishDbTask(task);
    return task.ID;
  }
  int Count(const QString& sql) {
    TSqliteStatement s(*raw, sql);
    return s.Step() ? int(s.Int64(0)) : -1;
  }
  static QStringList Captions(const TExplorerTree& tree, const TNodeObject* parent = nullptr) {
    QStringList captions;
    for (TNodeObject* n : tree.Children(parent)) captions << n->GetCaption(0);
    return captions;
  }
  static TConvertedNode* Category(const TExplorerTree& tree, const QString& name) {
    for (TNodeObject* top : tree.Children())
      for (TNodeObject* n : tree.Subtree(top))
        if (auto* c = dynamic_cast<TConvertedNode*>(n); c && c->Category() == name) return c;
    return nullptr;
  }

  QString file;
  std::unique_ptr<TSqliteDatabase> raw;
};

}  // namespace

TEST_F(Nodes, TreeHoldsTheTaskListThenTheCategoriesNested) {
  const int films = AddCategoryRow("films", 1);
  AddCategoryRow("old films", films);
  AddCategoryRow("music", 1);
  AddCategoryRow("second top", -1);
  AddCategoryRow("orphan", 999);

  TExplorerTree tree;
  BuildExplorerTree(tree);
  EXPECT_EQ(Captions(tree), (QStringList{"任务列表", "已转换", "second top"}));
  TConvertedNode* root = tree.RootCategory();
  ASSERT_TRUE(root);
  EXPECT_TRUE(root->IsRoot());
  EXPECT_EQ(root->Folder(), "/out");
  EXPECT_EQ(Captions(tree, root), (QStringList{"films", "music"}));
  EXPECT_EQ(Captions(tree, Category(tree, "films")), QStringList{"old films"});
  EXPECT_EQ(Category(tree, "orphan"), nullptr);
  EXPECT_EQ(tree.Children()[0]->GetImageIndex(), 0);
  EXPECT_EQ(root->GetImageIndex(), 1);
  EXPECT_EQ(Category(tree, "old films")->ParentNode(), Category(tree, "films"));

  BuildExplorerTree(tree);
  EXPECT_EQ(tree.Children().size(), 3u) << "built once";

  TExplorerTree picker;
  BuildExplorerTree(picker, false);
  EXPECT_EQ(Captions(picker), (QStringList{"已转换", "second top"}));
}

TEST_F(Nodes, ConvertingNodeReadsTheDatabaseOnce) {
  for (const char* source : {"/in/1.avi", "/in/2.avi"}) {
    auto settings = std::make_unique<TConversionSettings>();
    settings->SetSourceFile(source);
    TConvertingTask task(std::move(settings), nullptr);
    TPersistentManager::NewDbTask(task);
  }
  TExplorerTree tree;
  BuildExplorerTree(tree);
  auto* converting = static_cast<TConvertingNode*>(tree.Children()[0]);
  TTaskListModel list;
  tree.Select(converting);
  converting->LoadTaskList(&list);
  EXPECT_EQ(list.Columns().size(), 10u);
  EXPECT_EQ(list.Columns()[7], (TListColumn{"码率(kbs)", 70}));
  EXPECT_EQ(list.Columns()[9], (TListColumn{"已用时间", 70}));
  ASSERT_EQ(list.RowCount(), 2);
  EXPECT_EQ(list.Caption(1, 0), "2.avi");
  EXPECT_EQ(list.ImageIndex(0), stError);

  raw->Execute("delete from conversions");
  converting->LoadTaskList(&list);
  EXPECT_EQ(list.RowCount(), 2) << "the tasks live in the node after the first read";
}

TEST_F(Nodes, CategoryNodeReadsTheDatabaseEveryTime) {
  TExplorerTree tree;
  BuildExplorerTree(tree);
  TConvertedNode* root = tree.RootCategory();
  TTaskListModel list;
  root->LoadTaskList(&list);
  EXPECT_EQ(list.Columns().size(), 7u);
  EXPECT_EQ(list.Columns()[6], (TListColumn{"日期", 120}));
  EXPECT_EQ(list.RowCount(), 0);
  AddFinishedRow("/in/a.avi", 1);
  root->LoadTaskList(&list);
  ASSERT_EQ(list.RowCount(), 1);
  EXPECT_EQ(list.ImageIndex(0), stFinished);
  EXPECT_EQ(list.RowTexts(0).size(), 7);
}

TEST_F(Nodes, FailedLoadShowsColumnsWithoutRowsAndIsNotRepeated) {
  auto settings = std::make_unique<TConversionSettings>();
  TConvertingTask task(std::move(settings), nullptr);
  TPersistentManager::NewDbTask(task);
  // A broken row no longer fails the load (it shows with the reader's
  // message); a table that went away does.
  raw->Execute("drop table conversions");
  TConvertingNode node;
  TTaskListModel list;
  EXPECT_THROW(node.LoadTaskList(&list), EAVError);
  EXPECT_EQ(list.Columns().size(), 10u);
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_NO_THROW(node.LoadTaskList(&list));
}

TEST_F(Nodes, DeletingACategoryWithTwoLevelsBelowIt) {
  const int a = AddCategoryRow("a", 1);
  const int b = AddCategoryRow("b", a);
  const int c = AddCategoryRow("c", b);
  const int keep = AddCategoryRow("keep", 1);
  const QString target = testing_support::TemporaryFolder() + "/kept.mp4";
  QFile(target).open(QIODevice::WriteOnly);
  for (int id : {a, b, c, keep}) AddFinishedRow(target, id);

  TExplorerTree tree;
  BuildExplorerTree(tree);
  TConvertedNode* nodeA = Category(tree, "a");
  tree.Select(Category(tree, "c"));
  DeleteCategoryNode(nodeA);

  EXPECT_EQ(Count(QString("select count(*) from categories where ID in (%1,%2,%3)").arg(a).arg(b).arg(c)), 0);
  EXPECT_EQ(Count(QString("select count(*) from conversions where CategoryId in (%1,%2,%3)").arg(a).arg(b).arg(c)), 0);
  EXPECT_EQ(Count(QString("select count(*) from conversions where CategoryId=%1").arg(keep)), 1);
  EXPECT_TRUE(QFile::exists(target)) << "no file is touched";
  EXPECT_EQ(Category(tree, "a"), nullptr);
  EXPECT_EQ(Category(tree, "c"), nullptr);
  EXPECT_EQ(tree.Selected(), tree.RootCategory()) << "the parent is selected";
  EXPECT_EQ(Captions(tree, tree.RootCategory()), QStringList{"keep"});
}

TEST_F(Nodes, NewCategoryUnderASelectedNode) {
  TExplorerTree tree;
  BuildExplorerTree(tree);
  auto node = std::make_unique<TConvertedNode>();
  node->SetCategory("new");
  auto* added = static_cast<TConvertedNode*>(tree.AddNode(std::move(node), tree.RootCategory()));
  TPersistentManager::NewCategory(*added);
  EXPECT_EQ(Count(QString("select Parent from categories where ID=%1").arg(added->CategoryId())), 1);

  TExplorerTree again;
  BuildExplorerTree(again);
  EXPECT_EQ(Captions(again, again.RootCategory()), QStringList{"new"});
}

TEST_F(Nodes, EditErrorsAreShownWithTheirPrefix) {
  struct TFailingNode : TNodeObject {
    QString GetCaption(int) const override { return {}; }
    void Edit() override { throw EAVError("name taken"); }
  } node;
  testing_support::TakeErrorBoxes();
  TNodeObject::EditData(&node);
  EXPECT_EQ(testing_support::TakeErrorBoxes(), QStringList{"ERROR:name taken"});
  EXPECT_THROW(node.Delete(false, false), std::logic_error);
}

TEST_F(Nodes, PopupMenuOfACategoryComesFromTheWindow) {
  TConvertedNode node;
  EXPECT_EQ(node.GetPopupMenu(), nullptr);
  QObject menu;
  TConvertedNode* actedOn = nullptr;
  TConvertedNode::CategoryPopupMenu = [&](TConvertedNode& n) -> QObject* {
    actedOn = &n;
    return &menu;
  };
  EXPECT_EQ(node.GetPopupMenu(), &menu);
  EXPECT_EQ(actedOn, &node);
  TConvertedNode::CategoryPopupMenu = nullptr;
}

TEST_F(Nodes, DeletingAFinishedTaskWithItsFiles) {
  const QString folder = testing_support::TemporaryFolder();
  const QString source = folder + "/src.avi", target = folder + "/dst.mp4";
  for (const QString& f : {source, target}) QFile(f).open(QIODevice::WriteOnly);
  auto settings = std::make_unique<TConversionSettings>();
  settings->SetSourceFile(source);
  settings->SetTargetFile(target);
  TConvertingTask probe(std::move(settings), nullptr);
  probe.CategoryId = 1;
  TPersistentManager::NewDbTask(probe);
  TPersistentManager::FinishDbTask(probe);

  TExplorerTree tree;
  BuildExplorerTree(tree);
  TConvertedNode* root = tree.RootCategory();
  TTaskListModel list;
  tree.Select(root);
  root->LoadTaskList(&list);
  ASSERT_EQ(list.RowCount(), 1);
  TAVTask* task = root->Tasks()[0].get();
  EXPECT_TRUE(task->ConvertedIsValid());
  EXPECT_TRUE(task->CanOpenSource());
  task->Delete(false, true);
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_TRUE(root->Tasks().empty());
  EXPECT_TRUE(QFile::exists(source));
  EXPECT_FALSE(QFile::exists(target));
  EXPECT_EQ(Count("select count(*) from conversions"), 0);
}

TEST_F(Nodes, ViewsAndTreeMayGoInAnyOrder) {
  AddFinishedRow("/in/a.avi", 1);
  auto list = std::make_unique<TTaskListModel>();
  auto tree = std::make_unique<TExplorerTree>();
  BuildExplorerTree(*tree);
  tree->RootCategory()->LoadTaskList(list.get());
  ASSERT_EQ(list->RowCount(), 1);
  list.reset();  // the window's views first
  tree.reset();

  TTaskListModel kept;
  TExplorerTree other;
  BuildExplorerTree(other);
  other.RootCategory()->LoadTaskList(&kept);
  ASSERT_EQ(kept.RowCount(), 1);
  other.RemoveNode(other.RootCategory());
  EXPECT_EQ(kept.RowCount(), 0) << "removing a node takes its rows along";
}
