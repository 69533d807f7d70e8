// Tasks running real short conversions of generated media: captions, the
// log, the completion sequence and the shut-down rule.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <thread>

#include "support/MediaFixtures.h"
#include "support/TestSupport.h"
#include "tasks/AVTask.h"
#include "tasks/Configuration.h"
#include "tasks/PersistentManager.h"
#include "tasks/Shutdown.h"
#include "tasks/Sqlite.h"
#include "tasks/TaskCaptions.h"

using namespace tasks;
using testing_support::PumpUntil;

namespace {

class TFakeShutdown : public TShutdownRequest {
 public:
  explicit TFakeShutdown(int* count) : FCount(count) {}
  void ShutDown() override { ++*FCount; }

 private:
  int* FCount;
};

QString ShortClip() {
  testing_support::MediaSpec spec;
  spec.seconds = 1;
  return testing_support::MediaFixture(spec);
}

QString LongClip() {
  testing_support::MediaSpec spec;
  spec.seconds = 30;
  return testing_support::MediaFixture(spec);
}

class TaskRuns : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = testing_support::TemporaryFolder();
    TPersistentManager::Connect(folder + "/av.cfg", true, folder);
    raw = std::make_unique<TSqliteDatabase>(folder + "/av.cfg", false);
    BuildExplorerTree(tree);
    converting = static_cast<TConvertingNode*>(tree.Children()[0]);
    root = tree.RootCategory();
    Show(converting);
    AVConfiguration().SetShowAlert(true);
    AVConfiguration().SetShutdownWhenDone(false);
    TAVTask::OnAlert = [this](const TTaskAlert& a) { alerts.push_back(a); };
    SetShutdownRequest(std::make_unique<TFakeShutdown>(&shutdowns));
    list.OnChange = [this](TTaskListModel::TChange change, int row) {
      if (change == TTaskListModel::lcRowChanged) repainted.push_back(list.RowTexts(row));
    };
    testing_support::TakeErrorBoxes();
  }
  void TearDown() override {
    SetShutdownRequest(nullptr);
    TAVTask::OnAlert = nullptr;
    AVConfiguration().SetShutdownWhenDone(false);
  }

  void Show(TNodeObject* node) {
    tree.Select(node);
    node->LoadTaskList(&list);
  }

  TAVTask* Start(const QString& source, const QString& targetName, int categoryId = 1) {
    auto settings = std::make_unique<TConversionSettings>();
    settings->SetSourceFile(source);
    settings->SetTargetFile(folder + "/" + targetName);
    settings->SetProfile("AVI");
    settings->SetCategoryId(categoryId);
    return converting->NewConversion(std::move(settings));
  }

  bool Holds(const TNodeObject* node, const TAVTask* task) const {
    for (const auto& t : node->Tasks())
      if (t.get() == task) return true;
    return false;
  }

  // Waits until the converting node no longer holds the task.
  bool WaitFiled(const TAVTask* task) {
    return PumpUntil([&] { return !Holds(converting, task); }, 120000);
  }

  QString Column(int id, const QString& column) {
    TSqliteStatement s(*raw, QString("select ifnull(%1, 'NULL') from conversions where ID=%2").arg(column).arg(id));
    return s.Step() ? s.Text(0) : QStringLiteral("<no row>");
  }

  void WaitRunning(TAVTask* task) {
    ASSERT_TRUE(PumpUntil([&] { return task->Converter().State() == csRunning; }, 60000));
  }

  QString folder;
  std::unique_ptr<TSqliteDatabase> raw;
  TTaskListModel list;
  TLogListModel logList;
  TInfoViewModel infoView;
  TExplorerTree tree;  // after the views: its tasks refer to them
  TConvertingNode* converting = nullptr;
  TConvertedNode* root = nullptr;
  std::vector<TTaskAlert> alerts;
  std::vector<QStringList> repainted;
  int shutdowns = 0;
};

}  // namespace

TEST_F(TaskRuns, CompletedRunIsStoredAnnouncedAndReleased) {
  const QString source = ShortClip();
  TAVTask* task = Start(source, "done.avi");
  const int id = task->ID;
  EXPECT_GT(id, 0);
  EXPECT_EQ(list.RowCount(), 1);
  EXPECT_EQ(list.Caption(0, 0), QFileInfo(source).fileName());
  EXPECT_EQ(Column(id, "Converting"), "1");
  ASSERT_TRUE(WaitFiled(task));

  EXPECT_EQ(list.RowCount(), 0) << "released while the task list is shown";
  EXPECT_EQ(Column(id, "Converting"), "0");
  EXPECT_EQ(Column(id, "CategoryId"), "1");
  EXPECT_NE(Column(id, "ConvertedDate"), "NULL");
  const QString xml = Column(id, "ConvertSettings");
  EXPECT_TRUE(xml.contains("<Duration>")) << "the engine's duration is stored";
  EXPECT_TRUE(xml.contains(QString("<SourceFileSize>%1</SourceFileSize>").arg(QFileInfo(source).size())))
      << "the size found by the list is kept";
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0].Header, QStringLiteral("任务完成！点击打开文件夹."));
  EXPECT_EQ(alerts[0].Message, folder + "/done.avi ");
  EXPECT_EQ(alerts[0].File, folder + "/done.avi");
  EXPECT_EQ(testing_support::ProbeStream(folder + "/done.avi", "v:0", "codec_name"), "mpeg4");
  EXPECT_EQ(shutdowns, 0);

  ASSERT_FALSE(repainted.empty());
  const QStringList last = repainted.back();
  EXPECT_EQ(last[1], SizeCaption(QFileInfo(source).size()));
  EXPECT_EQ(last[3], SizeCaption(QFileInfo(folder + "/done.avi").size()));
  EXPECT_EQ(last[5], "0:0:1");
  EXPECT_EQ(last[6], "100%");

  Show(root);
  ASSERT_EQ(list.RowCount(), 1) << "read back from the database";
  EXPECT_EQ(list.Caption(0, 2), "done.avi");
  EXPECT_EQ(list.Caption(0, 5), "0:0:1");
}

TEST_F(TaskRuns, CompletedRunJoinsItsCategoryWhenThatIsShown) {
  TAVTask* task = Start(ShortClip(), "shown.avi");
  Show(root);
  EXPECT_EQ(list.RowCount(), 0);
  ASSERT_TRUE(WaitFiled(task));
  ASSERT_TRUE(Holds(root, task));
  EXPECT_TRUE(task->IsConverted);
  EXPECT_EQ(task->Status, stFinished);
  EXPECT_EQ(task->Category, root);
  EXPECT_TRUE(task->Date.isValid());
  ASSERT_EQ(list.RowCount(), 1);
  EXPECT_EQ(list.Row(0), task);
  EXPECT_EQ(list.Caption(0, 6), DateCaption(task->Date));
  EXPECT_TRUE(task->ConvertedIsValid());
}

TEST_F(TaskRuns, CompletedRunUnderAnotherCategoryIsReadLater) {
  auto other = std::make_unique<TConvertedNode>();
  other->SetCategory("other");
  auto* otherNode = static_cast<TConvertedNode*>(tree.AddNode(std::move(other), root));
  TPersistentManager::NewCategory(*otherNode);
  Show(root);
  Start(ShortClip(), "elsewhere.avi", otherNode->CategoryId());
  ASSERT_TRUE(PumpUntil([&] { return converting->Tasks().empty(); }, 120000));
  EXPECT_TRUE(root->Tasks().empty()) << "the task object is gone";
  Show(otherNode);
  ASSERT_EQ(list.RowCount(), 1);
  EXPECT_EQ(list.Caption(0, 2), "elsewhere.avi");
}

TEST_F(TaskRuns, NewConversionWhileACategoryIsShownAddsNoRow) {
  Show(root);
  TAVTask* task = Start(LongClip(), "later.avi");
  EXPECT_EQ(list.RowCount(), 0);
  Show(converting);
  ASSERT_EQ(list.RowCount(), 1);
  EXPECT_EQ(list.Row(0), task);
}

TEST_F(TaskRuns, StoppedRunIsFiledAsFinished) {
  TAVTask* task = Start(LongClip(), "stopped.avi");
  const int id = task->ID;
  WaitRunning(task);
  task->Stop();
  EXPECT_EQ(task->Status, stError);
  EXPECT_EQ(task->GetImageIndex(), 2);
  EXPECT_EQ(Column(id, "Converting"), "1") << "the stop alone leaves the row";
  // The run is still writing its end: starting again now would be lost.
  EXPECT_FALSE(task->CanStart());
  task->Start();
  EXPECT_EQ(task->Status, stError);
  ASSERT_TRUE(WaitFiled(task));
  EXPECT_EQ(Column(id, "Converting"), "0");
  EXPECT_EQ(alerts.size(), 1u);
  EXPECT_TRUE(QFileInfo(folder + "/stopped.avi").size() > 0) << "the part written so far";
}

TEST_F(TaskRuns, FailedRunStaysWithItsMessage) {
  TAVTask* task = Start(folder + "/missing.avi", "never.avi");
  const int id = task->ID;
  tree.Select(converting);
  list.Select(task);
  task->LoadTaskInfo(&infoView, &logList);
  ASSERT_TRUE(PumpUntil([&] { return task->Status == stError; }, 60000));
  EXPECT_FALSE(testing_support::TakeErrorBoxes().isEmpty()) << "the engine shows its error";
  const QString message = task->Converter().ErrorMsg();
  ASSERT_FALSE(message.isEmpty());
  EXPECT_EQ(task->Log().last(), message.trimmed());
  EXPECT_TRUE(task->CanStart());
  EXPECT_EQ(logList.Lines(), task->Log());
  EXPECT_TRUE(Holds(converting, task));
  EXPECT_EQ(list.RowOf(task), 0);
  EXPECT_EQ(Column(id, "Converting"), "1");
  EXPECT_EQ(Column(id, "Log"), TPersistentManager::JoinLog(task->Log()));
  EXPECT_TRUE(alerts.empty());
  EXPECT_EQ(infoView.Columns().size(), 3u);
  EXPECT_EQ(infoView.Columns()[2], (TListColumn{"Value", 150}));
}

TEST_F(TaskRuns, AFinishThatMeetsAnotherProgramsLockWaitsFinishedAndIsStoredOnceItIsFree) {
  AVConfiguration().SetShutdownWhenDone(true);
  const QString waiting = "database is locked; the finished task is stored as soon as the database is free";
  // Freed by the retry while the program runs, or stored at its end.
  for (const bool atTheEnd : {false, true}) {
    SCOPED_TRACE(atTheEnd ? "stored at the end" : "stored by the retry");
    TAVTask* task = Start(ShortClip(), atTheEnd ? "end.avi" : "retry.avi");
    const int id = task->ID;
    // Another connection (the command-line tool, a sqlite shell) holds the file past the busy wait.
    raw->Execute("begin exclusive");
    ASSERT_TRUE(PumpUntil([&] { return task->StorePending(); }, 120000));
    PumpUntil([] { return false; }, 1500);  // retries meet the lock too
    EXPECT_EQ(task->Status, stFinished) << "the file is complete";
    EXPECT_TRUE(task->StorePending());
    EXPECT_TRUE(Holds(converting, task));
    EXPECT_EQ(task->Log().last(), waiting);
    EXPECT_EQ(task->Log().count(waiting), 1);
    EXPECT_FALSE(task->CanStart());
    EXPECT_TRUE(testing_support::TakeErrorBoxes().isEmpty());
    EXPECT_TRUE(alerts.empty());
    EXPECT_EQ(shutdowns, 0) << "a task that waits for the database holds the shut-down back";
    raw->Execute("rollback");
    EXPECT_EQ(Column(id, "Converting"), "1");

    if (atTheEnd) task->StoreIfPending();
    ASSERT_TRUE(WaitFiled(task));
    EXPECT_EQ(Column(id, "Converting"), "0");
    EXPECT_EQ(Column(id, "CategoryId"), "1");
    // The end of the program announces nothing and shuts nothing down.
    EXPECT_EQ(alerts.size(), atTheEnd ? 0u : 1u);
    EXPECT_EQ(shutdowns, atTheEnd ? 0 : 1);
    EXPECT_TRUE(testing_support::TakeErrorBoxes().isEmpty());
    alerts.clear();
    shutdowns = 0;
  }
}

TEST_F(TaskRuns, RestartedTaskConvertsItsOneSourceAgain) {
  TAVTask* task = Start(folder + "/missing.avi", "again.avi");
  ASSERT_TRUE(PumpUntil([&] { return task->Status == stError; }, 60000));
  testing_support::TakeErrorBoxes();
  task->Settings().SetSourceFile(ShortClip());
  task->Start();
  EXPECT_TRUE(task->Log().isEmpty()) << "the log is cleared";
  EXPECT_EQ(task->Converter().InputFiles().size(), 1);
  EXPECT_EQ(task->Converter().OutputFiles().size(), 1);
  ASSERT_TRUE(WaitFiled(task));
  EXPECT_EQ(alerts.size(), 1u);
  EXPECT_EQ(testing_support::ProbeStream(folder + "/again.avi", "v:0", "codec_name"), "mpeg4");
}

TEST_F(TaskRuns, LastRunningTaskShutsDownDespitePausedAndStoppedOnes) {
  AVConfiguration().SetShutdownWhenDone(true);
  AVConfiguration().SetShowAlert(false);
  TAVTask* paused = Start(LongClip(), "paused.avi");
  WaitRunning(paused);
  paused->Pause();
  paused->Pause();
  EXPECT_EQ(paused->Status, stPaused);
  EXPECT_EQ(paused->Converter().State(), csPaused);

  TAVTask* failed = Start(folder + "/missing.avi", "failed.avi");
  ASSERT_TRUE(PumpUntil([&] { return failed->Status == stError; }, 60000));
  testing_support::TakeErrorBoxes();
  EXPECT_EQ(shutdowns, 1) << "a failed run ends the last running task: the paused one does not count";
  shutdowns = 0;

  TAVTask* first = Start(ShortClip(), "first.avi");
  TAVTask* second = Start(LongClip(), "second.avi");
  WaitRunning(second);
  second->Converter().Pause();  // held back, yet still a running task
  ASSERT_TRUE(WaitFiled(first));
  EXPECT_EQ(shutdowns, 0) << "one of two running tasks finished";
  second->Converter().Resume();
  second->Stop();
  ASSERT_TRUE(WaitFiled(second));
  EXPECT_EQ(shutdowns, 1);
  EXPECT_TRUE(alerts.empty());
  EXPECT_EQ(paused->Status, stPaused);
}

TEST_F(TaskRuns, PauseAndResumeOnlyRewriteTheStatus) {
  TAVTask* task = Start(LongClip(), "pr.avi");
  WaitRunning(task);
  task->Resume();
  EXPECT_EQ(task->Status, stRunning);
  EXPECT_EQ(task->Converter().State(), csRunning);
  task->Pause();
  task->Pause();
  EXPECT_EQ(task->Status, stPaused);
  task->Resume();
  EXPECT_EQ(task->Status, stRunning);
  EXPECT_EQ(task->Converter().State(), csRunning);
}

TEST_F(TaskRuns, DeletingARunningTaskStopsItAndRemovesEverything) {
  TAVTask* task = Start(LongClip(), "deleted.avi");
  const int id = task->ID;
  WaitRunning(task);
  task->Delete(false, true);
  EXPECT_TRUE(converting->Tasks().empty());
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(Column(id, "Converting"), "<no row>");
  EXPECT_FALSE(QFileInfo::exists(folder + "/deleted.avi"));
  testing_support::PumpUntil([] { return false; }, 50);
  EXPECT_TRUE(alerts.empty()) << "no event after the task is gone";
}

TEST_F(TaskRuns, LogKeepsTheLast51LinesAndReachesTheLogListOnTheMainThread) {
  auto settings = std::make_unique<TConversionSettings>();
  TConvertingTask task(std::move(settings), &list);
  list.AddRow(&task);
  list.Select(&task);
  task.LoadTaskInfo(&infoView, &logList);
  std::thread worker([&] {
    for (int i = 1; i <= 52; ++i) task.Converter().OnLog(&task.Converter(), 24, QString("  line %1 \n").arg(i));
  });
  worker.join();
  QStringList expected;
  for (int i = 2; i <= 52; ++i) expected << QString("line %1").arg(i);
  EXPECT_EQ(task.Log(), expected);
  ASSERT_TRUE(PumpUntil([&] { return logList.Lines().size() == 51; }));
  EXPECT_EQ(logList.Lines(), expected);

  // Readers on the main thread while a worker appends.
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i) task.Converter().OnLog(&task.Converter(), 24, QString("w %1").arg(i));
    done = true;
  });
  while (!done) EXPECT_LE(task.Log().size(), 51);
  writer.join();
  EXPECT_EQ(task.Log().last(), "w 1999");
  list.RemoveRow(&task);
}
