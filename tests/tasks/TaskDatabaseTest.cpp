// av.cfg on real SQLite files in temporary folders.

#include <gtest/gtest.h>

#include <QFile>
#include <functional>
#include <stdexcept>

#include "support/TestSupport.h"
#include "tasks/AVTask.h"
#include "tasks/OmniXML.h"
#include "tasks/PersistentManager.h"
#include "tasks/Sqlite.h"
#include "tasks/XmlErrors.h"

using namespace tasks;

namespace {

class TaskDatabase : public ::testing::Test {
 protected:
  void SetUp() override {
    file = testing_support::TemporaryFolder() + "/av.cfg";
    TPersistentManager::Connect(file, true, "/videos/out");
    raw = std::make_unique<TSqliteDatabase>(file, false);
  }
  void TearDown() override { TPersistentManager::Disconnect(); }

  // One value of the first row of a query, as text ("" for NULL).
  QString Value(const QString& sql) {
    TSqliteStatement s(*raw, sql);
    return s.Step() ? s.Text(0) : QStringLiteral("<no row>");
  }

  static std::unique_ptr<TConvertingTask> Task(const QString& source, int categoryId = 0) {
    auto settings = std::make_unique<TConversionSettings>();
    settings->SetSourceFile(source);
    settings->SetTargetFile(source + ".mp4");
    settings->SetCategoryId(categoryId);
    auto task = std::make_unique<TConvertingTask>(std::move(settings), nullptr);
    task->CategoryId = categoryId;
    return task;
  }

  static int NewCategory(const QString& name, TConvertedNode* parent, TExplorerTree& tree) {
    auto node = std::make_unique<TConvertedNode>();
    node->SetCategory(name);
    node->SetFolder("/f/" + name);
    auto* added = static_cast<TConvertedNode*>(tree.AddNode(std::move(node), parent));
    TPersistentManager::NewCategory(*added);
    return added->CategoryId();
  }

  QString file;
  std::unique_ptr<TSqliteDatabase> raw;
};

QString ConnectError(const QString& path, bool create) {
  try {
    TPersistentManager::Connect(path, create);
  } catch (const EDatabaseError& e) {
    return e.Message();
  }
  return {};
}

}  // namespace

TEST_F(TaskDatabase, MissingFileIsCreatedWithTablesAndRootCategory) {
  EXPECT_EQ(Value("select ID || '|' || Parent || '|' || Path || '|' || Category from categories"),
            QStringLiteral("1|-1|/videos/out|已转换"));
  EXPECT_EQ(Value("select count(*) from conversions"), "0");
  EXPECT_EQ(Value("select count(*) from categories"), "1");
  // Opening it again keeps it as it is.
  TPersistentManager::Connect(file, true, "/elsewhere");
  EXPECT_EQ(Value("select count(*) from categories"), "1");
}

TEST_F(TaskDatabase, FilesThatCannotBeUsed) {
  const QString folder = testing_support::TemporaryFolder();
  EXPECT_EQ(ConnectError(folder + "/none.cfg", false), "Database " + folder + "/none.cfg does not exist");
  QFile text(folder + "/text.cfg");
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("this is not a database, just some text that is long enough to have a header of its own\n");
  text.close();
  EXPECT_EQ(ConnectError(folder + "/text.cfg", true), "Can not open Database " + folder + "/text.cfg");
  EXPECT_EQ(ConnectError(folder + "/no/such/folder/av.cfg", true),
            "Can not open Database " + folder + "/no/such/folder/av.cfg");
  EXPECT_FALSE(TPersistentManager::IsConnected());
}

TEST_F(TaskDatabase, InsertThenFinish) {
  TExplorerTree tree;
  const int category = NewCategory("电影", nullptr, tree);
  auto task = Task("/in/a.avi", category);
  TPersistentManager::NewDbTask(*task);
  EXPECT_GT(task->ID, 0);
  EXPECT_EQ(Value(QString("select Converting from conversions where ID=%1").arg(task->ID)), "1");
  EXPECT_EQ(Value(QString("select count(*) from conversions where ID=%1 and ConvertedDate is null and "
                          "CategoryId is null and Log is null").arg(task->ID)), "1");
  EXPECT_EQ(Value(QString("select ConvertSettings from conversions where ID=%1").arg(task->ID)),
            TOmniXMLWriter::SaveToString(task->Settings()));

  task->SetLog({"line one", "line two"});
  TPersistentManager::FinishDbTask(*task);
  const QString where = QString(" from conversions where ID=%1").arg(task->ID);
  EXPECT_EQ(Value("select Converting" + where), "0");
  EXPECT_EQ(Value("select CategoryId" + where), QString::number(category));
  EXPECT_EQ(Value("select Log" + where), "line one\r\nline two\r\n");
  EXPECT_EQ(Value("select ConvertedDate" + where), task->Date.toUTC().toString("yyyy-MM-ddTHH:mm:ss.zzzZ"));
  EXPECT_TRUE(task->Date.isValid());
}

TEST_F(TaskDatabase, FinishWithoutItsCategoryFilesUnderTheRoot) {
  TExplorerTree tree;
  const int category = NewCategory("gone", nullptr, tree);
  auto deleted = Task("/in/a.avi", category);
  auto none = Task("/in/b.avi", 0);
  TPersistentManager::NewDbTask(*deleted);
  TPersistentManager::NewDbTask(*none);
  TPersistentManager::DeleteCategory(*static_cast<TConvertedNode*>(tree.Children()[0]));
  TPersistentManager::FinishDbTask(*deleted);
  TPersistentManager::FinishDbTask(*none);
  EXPECT_EQ(Value(QString("select CategoryId from conversions where ID=%1").arg(deleted->ID)), "1");
  EXPECT_EQ(Value(QString("select CategoryId from conversions where ID=%1").arg(none->ID)), "1");
  EXPECT_EQ(deleted->CategoryId, category) << "the task's own value stays";
}

TEST_F(TaskDatabase, InterruptedTasksComeBackAsErrorsAndFinishUnderTheRoot) {
  for (const char* name : {"/in/1.avi", "/in/2.avi"}) {
    auto task = Task(name, 5);
    task->SetLog({"partial", "log"});
    TPersistentManager::NewDbTask(*task);
    TPersistentManager::StoreFailedTask(*task);
  }
  TConvertingNode node;
  TPersistentManager::LoadConvertingTask(node);
  ASSERT_EQ(node.Tasks().size(), 2u);
  TAVTask& first = *node.Tasks()[0];
  EXPECT_EQ(first.Settings().SourceFile(), "/in/1.avi");
  EXPECT_EQ(first.Status, stError);
  EXPECT_EQ(first.Log(), (QStringList{"partial", "log"}));
  EXPECT_EQ(first.CategoryId, 0);
  EXPECT_EQ(first.Category, &node);
  EXPECT_FALSE(first.IsConverted);

  TPersistentManager::FinishDbTask(first);
  EXPECT_EQ(Value(QString("select CategoryId from conversions where ID=%1").arg(first.ID)), "1");
}

TEST_F(TaskDatabase, ABrokenInterruptedRowHidesNoOtherAndIsNeverWrittenBack) {
  const struct {
    const char* settings;
    QString message;
  } broken[] = {
      {"<data><TConversionSettings><SourceFileSize>big</SourceFileSize></TConversionSettings></data>",
       "Invalid int64 value (big)."},
      {"<data><TConversionSettings>", ""},  // text that is not XML: the parser's message
  };
  for (const auto& b : broken) {
    SCOPED_TRACE(b.settings);
    raw->Execute("delete from conversions");
    for (const char* name : {"/in/1.avi", "/in/2.avi", "/in/3.avi"}) {
      auto task = Task(name);
      task->SetLog({"stored"});
      TPersistentManager::NewDbTask(*task);
      TPersistentManager::StoreFailedTask(*task);
    }
    const int brokenId = Value("select min(ID) + 1 from conversions").toInt();
    TSqliteStatement edit(*raw, QString("update conversions set ConvertSettings=? where ID=%1").arg(brokenId), 1);
    edit.Bind(1, QString::fromLatin1(b.settings));
    edit.Execute();

    TConvertingNode node;
    TPersistentManager::LoadConvertingTask(node);
    ASSERT_EQ(node.Tasks().size(), 3u) << "every interrupted task is read";
    EXPECT_EQ(node.Tasks()[0]->Settings().SourceFile(), "/in/1.avi");
    EXPECT_EQ(node.Tasks()[2]->Settings().SourceFile(), "/in/3.avi");
    TAVTask& bad = *node.Tasks()[1];
    EXPECT_EQ(bad.ID, brokenId);
    ASSERT_EQ(bad.Log().size(), 2);
    EXPECT_EQ(bad.Log()[0], "stored");
    if (!b.message.isEmpty()) {
      EXPECT_EQ(bad.Log()[1], b.message);
    }
    EXPECT_FALSE(bad.Log()[1].isEmpty()) << "the reader's message is in the log";
    EXPECT_TRUE(bad.SettingsUnreadable());
    EXPECT_FALSE(node.Tasks()[0]->SettingsUnreadable());
    EXPECT_FALSE(bad.CanStart());
    bad.Start();
    EXPECT_EQ(bad.Status, stError) << "default settings are not converted";
    EXPECT_EQ(Value(QString("select ConvertSettings from conversions where ID=%1").arg(brokenId)),
              QString::fromLatin1(b.settings))
        << "the stored text stays for a hand to mend";

    bad.Delete(true, true);
    EXPECT_EQ(node.Tasks().size(), 2u);
    EXPECT_EQ(Value(QString("select count(*) from conversions where ID=%1").arg(brokenId)), "0");
    EXPECT_EQ(Value("select count(*) from conversions"), "2");
  }
}

TEST_F(TaskDatabase, TextsATaskCannotStoreExactlyAreRefusedWhenItIsMade) {
  const QString refused =
      "Cannot make the task: %1 \"%2\" holds the character %3, which a task cannot store. Rename the file or choose "
      "another name.";
  const struct {
    const char* name;
    std::function<void(TConversionSettings&)> set;
    QString message;  // empty: stored byte for byte
  } cases[] = {
      {"control character in the source", [](auto& s) { s.SetSourceFile(QString("/in/a") + QChar(1) + "b.avi"); },
       refused.arg(QString("SourceFile"), QString("/in/a\\x01b.avi"), QString("U+0001"))},
      {"non-character in the target", [](auto& s) { s.SetTargetFile(QString("/out/x") + QChar(0xFFFE) + ".avi"); },
       refused.arg(QString("TargetFile"), QString("/out/x\\ufffe.avi"), QString("U+FFFE"))},
      {"escape in a logo file name",
       [](auto& s) { s.ConvertOptions().FilterOptions().SetVideoFilters(QString("logo=1|2|/l") + QChar(0x1B) + ".png"); },
       refused.arg(QString("ConvertOptions.FilterOptions.VideoFilters"), QString("logo=1|2|/l\\x1b.png"),
                   QString("U+001B"))},
      {"tab, line breaks, Chinese and a character beyond U+FFFF",
       [](auto& s) { s.SetTargetFile(QString::fromUtf8("/out/片\t段\r\n\xF0\x9F\x98\x80.avi")); }, ""},
  };
  TConvertingNode node;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto settings = std::make_unique<TConversionSettings>();
    settings->SetSourceFile("/in/plain.avi");
    settings->SetTargetFile("/out/plain.avi");
    c.set(*settings);
    TConversionSettings wanted;
    wanted.Assign(*settings);
    if (c.message.isEmpty()) {
      TConversionSettings back;
      TOmniXMLReader::LoadFromString(back, TOmniXMLWriter::SaveToString(wanted));
      EXPECT_EQ(back.TargetFile(), wanted.TargetFile());
      EXPECT_NO_THROW(RequireStorableSettings(wanted));
      continue;
    }
    try {
      node.NewConversion(std::move(settings));
      ADD_FAILURE() << "not refused";
    } catch (const EAVError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_TRUE(node.Tasks().empty()) << "no task is made";
    EXPECT_EQ(Value("select count(*) from conversions"), "0");
  }
}

TEST_F(TaskDatabase, FinishedTasksLoadNewestFirst) {
  TExplorerTree tree;
  const int category = NewCategory("c", nullptr, tree);
  const char* dates[] = {"2023-12-31T23:59:59.999Z", "2024-01-02T09:00:00.000Z", "2024-01-02T10:00:00.000Z",
                         "2024-01-01T00:00:00.000Z"};
  for (int i = 0; i < 4; ++i) {
    auto task = Task(QString("/in/%1.avi").arg(i), category);
    task->SetLog({QString("log %1").arg(i)});
    TPersistentManager::NewDbTask(*task);
    TPersistentManager::FinishDbTask(*task);
    raw->Execute(QString("update conversions set ConvertedDate='%1' where ID=%2").arg(dates[i]).arg(task->ID));
  }
  auto* node = static_cast<TConvertedNode*>(tree.Children()[0]);
  TPersistentManager::LoadConvertedTask(*node);
  QStringList order;
  for (const auto& t : node->Tasks()) order << t->Settings().SourceFile();
  EXPECT_EQ(order, (QStringList{"/in/2.avi", "/in/1.avi", "/in/3.avi", "/in/0.avi"}));
  const TAVTask& newest = *node->Tasks()[0];
  EXPECT_EQ(newest.Status, stFinished);
  EXPECT_TRUE(newest.IsConverted);
  EXPECT_EQ(newest.CategoryId, category);
  EXPECT_EQ(newest.Log(), QStringList{"log 2"});
  EXPECT_EQ(newest.Date, QDateTime::fromString("2024-01-02T10:00:00.000Z", Qt::ISODateWithMs));

  TPersistentManager::LoadConvertedTask(*node);
  EXPECT_EQ(node->Tasks().size(), 4u) << "the tasks held before are replaced";
}

TEST_F(TaskDatabase, FinishedTasksReadTheirSettingsWhenFirstAskedAndABrokenRowHidesNoOther) {
  TExplorerTree tree;
  const int category = NewCategory("c", nullptr, tree);
  for (const char* name : {"/in/1.avi", "/in/2.avi", "/in/3.avi"}) {
    auto task = Task(name, category);
    task->SetLog({"stored"});
    TPersistentManager::NewDbTask(*task);
    TPersistentManager::FinishDbTask(*task);
  }
  raw->Execute("update conversions set ConvertSettings='<data><TConversionSettings><SourceFileSize>big</SourceFileSize>"
               "</TConversionSettings></data>' where ID=2");
  auto* node = static_cast<TConvertedNode*>(tree.Children()[0]);
  TPersistentManager::LoadConvertedTask(*node);
  ASSERT_EQ(node->Tasks().size(), 3u);
  for (const auto& task : node->Tasks()) EXPECT_FALSE(task->HasConverter());
  QStringList sources;
  for (const auto& task : node->Tasks()) {
    sources << task->Settings().SourceFile();
    EXPECT_FALSE(task->GetCaption(0).isNull());
    for (int column = 0; column < 7; ++column) task->GetCaption(column);
    EXPECT_FALSE(task->HasConverter()) << "a converted task's captions need no engine";
  }
  sources.sort();
  EXPECT_EQ(sources, (QStringList{"", "/in/1.avi", "/in/3.avi"}));
  for (const auto& task : node->Tasks())
    if (task->ID == 2) {
      EXPECT_EQ(task->Log(), (QStringList{"stored", "Invalid int64 value (big)."}));
    }
}

TEST_F(TaskDatabase, ClearingTheLogAndFinishingAgain) {
  auto task = Task("/in/a.avi");
  task->SetLog({"one"});
  TPersistentManager::NewDbTask(*task);
  TPersistentManager::StoreFailedTask(*task);
  const QString log = QString("select ifnull(Log, 'NULL') from conversions where ID=%1").arg(task->ID);
  EXPECT_EQ(Value(log), "one\r\n");
  task->ClearLog();
  EXPECT_EQ(Value(log), "NULL");
  EXPECT_TRUE(task->Log().isEmpty());
  task->SetLog({"two", "three"});
  TPersistentManager::FinishDbTask(*task);
  EXPECT_EQ(Value(log), "two\r\nthree\r\n");
}

TEST_F(TaskDatabase, ATaskWithoutItsRowIsStoredWhenItEnds) {
  // Its row could not be written at the start (database locked or missing then).
  auto finished = Task("/in/late.avi");
  auto failed = Task("/in/late-failed.avi");
  ASSERT_EQ(finished->ID, 0);
  TPersistentManager::FinishDbTask(*finished);
  TPersistentManager::StoreFailedTask(*failed);
  EXPECT_GT(finished->ID, 0);
  EXPECT_GT(failed->ID, finished->ID);
  EXPECT_EQ(Value(QString("select Converting from conversions where ID=%1").arg(finished->ID)), "0");
  EXPECT_EQ(Value(QString("select Converting from conversions where ID=%1").arg(failed->ID)), "1");

  // A row that went away is an error, not a silent success.
  raw->Execute(QString("delete from conversions where ID=%1").arg(finished->ID));
  try {
    TPersistentManager::FinishDbTask(*finished);
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), QString("Task %1 is not in the database").arg(finished->ID));
  }
  EXPECT_THROW(TPersistentManager::StoreFailedTask(*finished), EDatabaseError);
}

TEST_F(TaskDatabase, CategoriesInsertUpdateDelete) {
  TExplorerTree tree;
  const int a = NewCategory("same", nullptr, tree);
  auto* nodeA = static_cast<TConvertedNode*>(tree.Children()[0]);
  const int b = NewCategory("same", nodeA, tree);
  EXPECT_NE(a, b);
  EXPECT_EQ(Value(QString("select Parent from categories where ID=%1").arg(a)), "-1");
  EXPECT_EQ(Value(QString("select Parent from categories where ID=%1").arg(b)), QString::number(a));

  nodeA->SetCategory(QStringLiteral("新名字"));
  nodeA->SetFolder("/new/folder");
  TPersistentManager::UpdateCategory(*nodeA);
  EXPECT_EQ(Value(QString("select Category || Path from categories where ID=%1").arg(a)), QStringLiteral("新名字/new/folder"));
  EXPECT_EQ(Value(QString("select Category from categories where ID=%1").arg(b)), "same");

  auto inA = Task("/in/a.avi", a);
  auto inB = Task("/in/b.avi", b);
  for (auto* t : {inA.get(), inB.get()}) {
    TPersistentManager::NewDbTask(*t);
    TPersistentManager::FinishDbTask(*t);
  }
  TPersistentManager::DeleteCategory(*nodeA);
  EXPECT_EQ(Value(QString("select count(*) from categories where ID=%1").arg(a)), "0");
  EXPECT_EQ(Value(QString("select count(*) from conversions where CategoryId=%1").arg(a)), "0");
  EXPECT_EQ(Value(QString("select count(*) from categories where ID=%1").arg(b)), "1") << "sub-categories stay";
  EXPECT_EQ(Value(QString("select count(*) from conversions where CategoryId=%1").arg(b)), "1");

  TConvertedNode root;
  root.SetCategoryId(1);
  EXPECT_THROW(TPersistentManager::DeleteCategory(root), std::logic_error);
  EXPECT_EQ(Value("select count(*) from categories where ID=1"), "1");
}

TEST_F(TaskDatabase, NewIdsAreNeverReused) {
  TExplorerTree tree;
  const int a = NewCategory("a", nullptr, tree);
  TPersistentManager::DeleteCategory(*static_cast<TConvertedNode*>(tree.Children()[0]));
  EXPECT_GT(NewCategory("b", nullptr, tree), a);
}

TEST_F(TaskDatabase, StatementsCheckTheirParameterCountAndReportSqlErrors) {
  EXPECT_THROW(TSqliteStatement(*raw, "update conversions set Log=? where ID=?", 1), std::logic_error);
  EXPECT_NO_THROW(TSqliteStatement(*raw, "update conversions set Log=? where ID=?", 2));
  raw->Execute("drop table conversions");
  auto task = Task("/in/a.avi");
  try {
    TPersistentManager::NewDbTask(*task);
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "no such table: conversions");
  }
}

TEST_F(TaskDatabase, LogTextSplitsAtAnyLineBreak) {
  EXPECT_EQ(TPersistentManager::SplitLog("a\r\nb\nc\rd\r\n"), (QStringList{"a", "b", "c", "d"}));
  EXPECT_TRUE(TPersistentManager::SplitLog("").isEmpty());
  EXPECT_EQ(TPersistentManager::JoinLog({"x", ""}), "x\r\n\r\n");
}
