// av.cfg when the program is killed between two statements or finds a file
// an earlier run left half-made: every step reaches the file whole or not at
// all, and a start completes what is missing. A kill is stood for by failing
// the n-th statement through the wrapper's statement hook.

#include <gtest/gtest.h>

#include <QFile>
#include <functional>

#include "support/TestSupport.h"
#include "tasks/AVTask.h"
#include "tasks/PersistentManager.h"
#include "tasks/Sqlite.h"
#include "tasks/XmlErrors.h"

using namespace tasks;

namespace {

// Fails the n-th statement from now on (counting from 1), as if the program
// died there; later statements run again.
class TKillPoint {
 public:
  explicit TKillPoint(int n) {
    SetStatementHook([this, n](const QString& sql) {
      if (++FCount == n) throw EDatabaseError("killed before: " + sql);
    });
  }
  ~TKillPoint() { SetStatementHook(nullptr); }

 private:
  int FCount = 0;
};

int Count(TSqliteDatabase& db, const QString& sql) {
  TSqliteStatement s(db, sql);
  return s.Step() ? int(s.Int64(0)) : -1;
}

// The categories as the explorer shows them, depth first, indented by level.
QStringList Tree() {
  TExplorerTree tree;
  BuildExplorerTree(tree, false);
  QStringList captions;
  std::function<void(TNodeObject*, int)> visit = [&](TNodeObject* parent, int level) {
    for (TNodeObject* node : tree.Children(parent)) {
      captions << QString(level * 2, ' ') + node->GetCaption(0);
      visit(node, level + 1);
    }
  };
  visit(nullptr, 0);
  return captions;
}

class DatabaseFaults : public ::testing::Test {
 protected:
  void SetUp() override { file = testing_support::TemporaryFolder() + "/av.cfg"; }
  void TearDown() override {
    SetStatementHook(nullptr);
    TPersistentManager::Disconnect();
  }
  // What the file holds: "empty", or the tables and the root category.
  QString Contents() {
    TSqliteDatabase db(file, false);
    const int tables = Count(db, "select count(*) from sqlite_master where type='table' and name in "
                                 "('categories', 'conversions')");
    if (tables == 0) return "empty";
    if (tables == 1) return "one table";
    return Count(db, "select count(*) from categories where ID=1 and Parent=-1") == 1 ? "complete" : "no root";
  }
  QString file;
};

}  // namespace

TEST_F(DatabaseFaults, FirstRunCreationIsWholeAtEveryKillPoint) {
  int killed = 0;
  for (int n = 1;; ++n) {
    bool failed = false;
    {
      TKillPoint kill(n);
      try {
        TPersistentManager::Connect(file, true, "/out");
      } catch (const EDatabaseError&) {
        failed = true;
      }
    }
    if (!failed) break;
    ++killed;
    ASSERT_FALSE(TPersistentManager::IsConnected());
    if (QFile::exists(file)) {
      EXPECT_EQ(Contents(), "empty") << "killed at statement " << n;
    }
    // The next start finds nothing half-made.
    TPersistentManager::Connect(file, true, "/out");
    EXPECT_EQ(Contents(), "complete") << "after a kill at statement " << n;
    TPersistentManager::Disconnect();
    QFile::remove(file);
  }
  EXPECT_GE(killed, 4) << "the tables and the root are more than one statement";
  EXPECT_EQ(Contents(), "complete");
}

TEST_F(DatabaseFaults, AStartCompletesWhatAnEarlierRunLeftOut) {
  const struct {
    const char* name;
    QStringList sql;
    QStringList tree;
  } cases[] = {
      {"only the categories table",
       {"create table categories (ID integer primary key autoincrement, Category varchar(255), "
        "Path varchar(1024), Parent integer)",
        "insert into categories values(1, 'kept', '/k', -1)"},
       {"kept"}},
      {"no root category",
       {"create table categories (ID integer primary key autoincrement, Category, Path, Parent integer)",
        "create table conversions (ID integer primary key autoincrement, Converting Boolean, ConvertSettings memo, "
        "ConvertedDate datetime, CategoryId integer, Log memo)",
        "insert into categories values(2, 'films', '/f', 1)"},
       {"已转换", "  films"}},
      {"a parent deleted, its subtree nested",
       {"create table categories (ID integer primary key autoincrement, Category, Path, Parent integer)",
        "insert into categories values(1, 'root', '/r', -1)", "insert into categories values(5, 'lost', '/l', 99)",
        "insert into categories values(3, 'below lost', '/b', 5)", "insert into categories values(4, 'top', '/t', -1)"},
       {"root", "  lost", "    below lost", "top"}},
      {"parents in a loop",
       {"create table categories (ID integer primary key autoincrement, Category, Path, Parent integer)",
        "insert into categories values(1, 'root', '/r', -1)", "insert into categories values(7, 'a', '/a', 8)",
        "insert into categories values(8, 'b', '/b', 7)", "insert into categories values(9, 'self', '/s', 9)"},
       {"root", "  a", "    b", "  self"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(file);
    {
      TSqliteDatabase db(file, true);
      for (const QString& sql : c.sql) db.Execute(sql);
    }
    TPersistentManager::Connect(file, true, "/out");
    EXPECT_EQ(Contents(), "complete");
    EXPECT_EQ(Tree(), c.tree);
    TConvertingTask task(std::make_unique<TConversionSettings>(), nullptr);
    EXPECT_NO_THROW(TPersistentManager::FinishDbTask(task)) << "conversions can be stored";
    TPersistentManager::Disconnect();
  }
}

TEST_F(DatabaseFaults, ACategorySubtreeIsDeletedWholeOrNotAtAll) {
  TPersistentManager::Connect(file, true, "/out");
  TSqliteDatabase raw(file, false);
  for (const char* sql : {"insert into categories values(2, 'a', '/a', 1)", "insert into categories values(3, 'b', '/b', 2)",
                          "insert into categories values(4, 'c', '/c', 3)", "insert into categories values(5, 'keep', '/k', 1)"})
    raw.Execute(sql);
  for (int category : {2, 3, 4, 5})
    raw.Execute(QString("insert into conversions(Converting, CategoryId) values(0, %1)").arg(category));
  const QString subtree = "select count(*) from %1 where %2 in (2, 3, 4)";

  TExplorerTree tree;
  BuildExplorerTree(tree);
  TConvertedNode* a = nullptr;
  for (TNodeObject* n : tree.Children(tree.RootCategory()))
    if (n->GetCaption(0) == "a") a = static_cast<TConvertedNode*>(n);
  ASSERT_NE(a, nullptr);
  int n = 1;
  for (;; ++n) {
    bool failed = false;
    {
      TKillPoint kill(n);
      try {
        DeleteCategoryNode(a);
      } catch (const EDatabaseError&) {
        failed = true;
      }
    }
    if (!failed) break;
    EXPECT_EQ(Count(raw, subtree.arg("categories", "ID")), 3) << "killed at statement " << n;
    EXPECT_EQ(Count(raw, subtree.arg("conversions", "CategoryId")), 3) << "killed at statement " << n;
    EXPECT_EQ(tree.Children(tree.RootCategory()).size(), 2u) << "the tree waits for the database";
  }
  EXPECT_GE(n, 4);
  EXPECT_EQ(Count(raw, subtree.arg("categories", "ID")), 0);
  EXPECT_EQ(Count(raw, subtree.arg("conversions", "CategoryId")), 0);
  EXPECT_EQ(Count(raw, "select count(*) from conversions where CategoryId=5"), 1);
  EXPECT_EQ(Tree(), (QStringList{"已转换", "  keep"}));
}
