// The task list of the main window with real short conversions: dropped
// files, progress rows, filing, the task actions and their enable rules,
// deleting tasks.

#include <QKeyEvent>
#include <QListWidget>

#include "MainWindowFixture.h"

using namespace main_window_tests;
using namespace widget_tests;

namespace {

bool Holds(const TNodeObject* node, const TAVTask* task) {
  for (const auto& t : node->Tasks())
    if (t.get() == task) return true;
  return false;
}

}  // namespace

TEST_F(MainWindowTest, DroppedFileBecomesARunningTaskThatIsFiledAndKept) {
  Start();
  const QString source = ShortClip();
  // Progress repaints reach the view one row at a time.
  std::vector<std::pair<QModelIndex, QModelIndex>> changed;
  QObject recording;  // ends the connection with the vector
  QObject::connect(&List().Model(), &QAbstractItemModel::dataChanged, &recording,
                   [&](const QModelIndex& a, const QModelIndex& b) { changed.push_back({a, b}); });

  const auto [taken, shown] = DropFiles({source});
  EXPECT_TRUE(taken);
  EXPECT_EQ(shown, Qt::LinkAction);
  ASSERT_TRUE(PumpUntil([&] { return !wizardSources.isEmpty(); }));
  EXPECT_EQ(wizardSources, QStringList({source}));
  TConvertingNode* converting = Explorer().ConvertingNode();
  ASSERT_EQ(converting->Tasks().size(), 1u);
  TAVTask* task = converting->Tasks().front().get();
  EXPECT_EQ(task->Status, stRunning);
  ASSERT_EQ(List().Model().rowCount(), 1);
  EXPECT_EQ(List().Model().data(List().Model().index(0, 0), Qt::DisplayRole).toString(), QFileInfo(source).fileName());
  EXPECT_EQ(List().Model().data(List().Model().index(0, 2), Qt::DisplayRole).toString(), "converted.avi");
  EXPECT_EQ(List().Model().data(List().Model().index(0, 4), Qt::DisplayRole).toString(), "AVI");
  EXPECT_FALSE(List().Model().data(List().Model().index(0, 0), Qt::DecorationRole).value<QIcon>().isNull());
  const int id = task->ID;
  EXPECT_GT(id, 0);

  ASSERT_TRUE(PumpUntil([&] { return converting->Tasks().empty(); }, 120000));
  EXPECT_EQ(List().Model().rowCount(), 0);
  ASSERT_FALSE(changed.empty());
  for (const auto& [top, bottom] : changed) {
    EXPECT_EQ(top.row(), bottom.row());
    EXPECT_EQ(top.column(), 0);
    EXPECT_EQ(bottom.column(), 9);
  }
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0].Header, "任务完成！点击打开文件夹.");
  EXPECT_EQ(Column("conversions", id, "Converting"), "0");
  EXPECT_EQ(Column("conversions", id, "CategoryId"), "1");

  // Filed under the root category, and read from the database after a restart.
  Explorer().SelectNode(Explorer().RootNode());
  ASSERT_EQ(List().Model().rowCount(), 1);
  EXPECT_EQ(Captions(0)[2], "converted.avi");
  EXPECT_EQ(Headers(), QStringList({"原始文件", "原始文件大小", "目标文件", "目标文件大小", "输出格式配置", "用时", "日期"}));
  program.reset();
  Start();
  EXPECT_EQ(List().Model().rowCount(), 0);
  Explorer().SelectNode(Explorer().RootNode());
  ASSERT_EQ(List().Model().rowCount(), 1);
  EXPECT_EQ(Captions(0)[0], QFileInfo(source).fileName());
  EXPECT_EQ(Captions(0)[2], "converted.avi");
}

TEST_F(MainWindowTest, TwoDroppedFilesAreRefused) {
  Start();
  const auto [taken, shown] = DropFiles({MakeFile("a.avi"), MakeFile("b.avi")});
  EXPECT_FALSE(taken);
  testing_support::PumpUntil([] { return false; }, 50);
  EXPECT_TRUE(wizardSources.isEmpty());
  EXPECT_TRUE(Explorer().ConvertingNode()->Tasks().empty());
}

TEST_F(MainWindowTest, StartPauseAndStopFollowTheFocusedTask) {
  TFormMain& window = Start();
  Window().UpdateActions();
  EXPECT_FALSE(window.actStartTask->isEnabled());
  EXPECT_FALSE(window.actPauseTask->isEnabled());
  EXPECT_FALSE(window.actStopTask->isEnabled());

  TAVTask* task = StartConversion(LongClip(), "long.avi");
  ASSERT_NE(task, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return task->Converter().State() == csRunning; }, 60000));
  SelectRows({RowOf(task)});
  EXPECT_FALSE(window.actStartTask->isEnabled());
  EXPECT_TRUE(window.actPauseTask->isEnabled());
  EXPECT_TRUE(window.actStopTask->isEnabled());

  window.actPauseTask->trigger();
  EXPECT_EQ(task->Status, stPaused);
  EXPECT_EQ(task->Converter().State(), csPaused);
  EXPECT_TRUE(window.actStartTask->isEnabled());
  EXPECT_FALSE(window.actPauseTask->isEnabled());
  EXPECT_TRUE(window.actStopTask->isEnabled());

  window.actStartTask->trigger();
  EXPECT_EQ(task->Status, stRunning);
  EXPECT_EQ(task->Converter().State(), csRunning);

  // Stopped early, the task is filed with what was written so far.
  window.actStopTask->trigger();
  ASSERT_TRUE(PumpUntil([&] { return Explorer().ConvertingNode()->Tasks().empty(); }, 60000));
  Explorer().SelectNode(Explorer().RootNode());
  ASSERT_EQ(List().Model().rowCount(), 1);
  SelectRows({0});
  EXPECT_FALSE(window.actStopTask->isEnabled());
  EXPECT_FALSE(window.actStartTask->isEnabled());
  EXPECT_FALSE(window.actPauseTask->isEnabled());
}

TEST_F(MainWindowTest, StopEndsARunningAndAPausedTaskAndStartRunsAnInterruptedOne) {
  ConnectDatabase();
  AddInterruptedRow("earlier");
  TFormMain& window = Start();
  ASSERT_EQ(List().Model().rowCount(), 1);
  TAVTask* interrupted = dynamic_cast<TAVTask*>(List().List().Row(0));
  ASSERT_NE(interrupted, nullptr);
  EXPECT_EQ(interrupted->Status, stError);
  SelectRows({0});
  EXPECT_TRUE(window.actStartTask->isEnabled());
  EXPECT_FALSE(window.actPauseTask->isEnabled());
  EXPECT_FALSE(window.actStopTask->isEnabled());

  TAVTask* first = StartConversion(LongClip(), "first.avi");
  TAVTask* second = StartConversion(LongClip(), "second.avi");
  ASSERT_TRUE(PumpUntil([&] { return second->Converter().State() == csRunning; }, 60000));
  SelectRows({RowOf(first)});
  window.actPauseTask->trigger();
  SelectRows({RowOf(first), RowOf(second)});
  EXPECT_TRUE(window.actStopTask->isEnabled());
  window.actStopTask->trigger();
  EXPECT_EQ(first->Status, stError);
  EXPECT_EQ(second->Status, stError);
  TConvertingNode* converting = Explorer().ConvertingNode();
  ASSERT_TRUE(PumpUntil([&] { return converting->Tasks().size() == 1; }, 60000));

  // The interrupted conversion (its source is no media) runs again and fails.
  SelectRows({0});
  window.actStartTask->trigger();
  EXPECT_EQ(interrupted->Status, stRunning);
  ASSERT_TRUE(PumpUntil([&] { return interrupted->Status == stError; }, 60000));
  EXPECT_FALSE(testing_support::TakeErrorBoxes().isEmpty());
}

TEST_F(MainWindowTest, TaskActionsFollowTheSelectedRows) {
  ConnectDatabase();
  const int older = AddFinishedRow("older");
  AddFinishedRow("newer");
  TFormMain& window = Start();
  TdmGlobal& data = *program->DataModule();
  Explorer().SelectNode(Explorer().RootNode());
  ASSERT_EQ(List().Model().rowCount(), 2);
  Window().UpdateActions();
  EXPECT_FALSE(data.actDelTask->isEnabled());
  EXPECT_FALSE(data.actOpenSource->isEnabled());

  SelectRows({0, 1});
  EXPECT_TRUE(data.actDelTask->isEnabled());
  EXPECT_FALSE(data.actOpenSource->isEnabled());
  EXPECT_FALSE(data.actOpenConverted->isEnabled());
  EXPECT_FALSE(data.actExploreFile->isEnabled());

  auto* task = dynamic_cast<TAVTask*>(List().List().Row(1));
  ASSERT_NE(task, nullptr);
  EXPECT_EQ(task->ID, older);  // newest first
  SelectRows({1});
  EXPECT_TRUE(data.actOpenSource->isEnabled());
  EXPECT_TRUE(data.actOpenConverted->isEnabled());
  EXPECT_TRUE(data.actExploreFile->isEnabled());
  data.actOpenSource->trigger();
  data.actOpenConverted->trigger();
  data.actExploreFile->trigger();
  EXPECT_EQ(shellRequests,
            (std::vector<TShellRequest>{{shell::TShellVerb::Open, task->Settings().SourceFile()},
                                        {shell::TShellVerb::Open, task->Settings().TargetFile()},
                                        {shell::TShellVerb::RevealFile, task->Settings().TargetFile()}}));

  // A finished task whose target was deleted.
  QFile::remove(task->Settings().TargetFile());
  Window().UpdateActions();
  EXPECT_FALSE(data.actExploreFile->isEnabled());
  EXPECT_FALSE(data.actOpenConverted->isEnabled());
  EXPECT_TRUE(data.actOpenSource->isEnabled());
  EXPECT_EQ(Captions(1)[3], "0KB");
  (void)window;
}

TEST_F(MainWindowTest, ARunningTaskCannotBeOpenedOrRevealed) {
  Start();
  TdmGlobal& data = *program->DataModule();
  TAVTask* task = StartConversion(LongClip(), "running.avi");
  ASSERT_TRUE(PumpUntil([&] { return QFileInfo::exists(task->Settings().TargetFile()); }, 60000));
  SelectRows({RowOf(task)});
  EXPECT_TRUE(data.actDelTask->isEnabled());
  EXPECT_TRUE(data.actOpenSource->isEnabled());
  EXPECT_FALSE(data.actOpenConverted->isEnabled());
  EXPECT_FALSE(data.actExploreFile->isEnabled());
}

TEST_F(MainWindowTest, DeletingTasksAsksAndDeletesTheChosenFiles) {
  ConnectDatabase();
  const int keepFiles = AddFinishedRow("keep");
  const int dropFiles = AddFinishedRow("drop");
  Start();
  TdmGlobal& data = *program->DataModule();
  Explorer().SelectNode(Explorer().RootNode());
  ASSERT_EQ(List().Model().rowCount(), 2);

  // No: nothing happens.
  int asked = 0;
  TDialogHooks::Delete = [&](QWidget*, TDeleteChoice&) { return ++asked, false; };
  SelectRows({0, 1});
  data.actDelTask->trigger();
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(List().Model().rowCount(), 2);

  // Yes with both files chosen, on the newest row.
  TDialogHooks::Delete = [](QWidget*, TDeleteChoice& choice) {
    choice.DeleteSource = true;
    choice.DeleteTarget = true;
    return true;
  };
  auto* dropped = dynamic_cast<TAVTask*>(List().List().Row(0));
  const QString source = dropped->Settings().SourceFile(), target = dropped->Settings().TargetFile();
  SelectRows({0});
  data.actDelTask->trigger();
  EXPECT_EQ(List().Model().rowCount(), 1);
  EXPECT_FALSE(QFileInfo::exists(source));
  EXPECT_FALSE(QFileInfo::exists(target));
  EXPECT_EQ(Column("conversions", dropFiles, "ID"), "");

  // Yes with the dialog's initial choice: the source stays, the target goes.
  TDialogHooks::Delete = [](QWidget*, TDeleteChoice&) { return true; };
  auto* kept = dynamic_cast<TAVTask*>(List().List().Row(0));
  const QString keptSource = kept->Settings().SourceFile(), keptTarget = kept->Settings().TargetFile();
  SelectRows({0});
  QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  QApplication::sendEvent(List().View(), &del);
  EXPECT_EQ(List().Model().rowCount(), 0);
  EXPECT_TRUE(QFileInfo::exists(keptSource));
  EXPECT_FALSE(QFileInfo::exists(keptTarget));
  EXPECT_EQ(Column("conversions", keepFiles, "ID"), "");
}

TEST_F(MainWindowTest, DeleteKeyStopsTheRunningTaskAndDeletesTheStoppedOne) {
  ConnectDatabase();
  const int interruptedId = AddInterruptedRow("interrupted");
  Start();
  TAVTask* running = StartConversion(LongClip(), "running.avi");
  ASSERT_TRUE(PumpUntil([&] { return running->Converter().State() == csRunning; }, 60000));
  ASSERT_EQ(List().Model().rowCount(), 2);
  int asked = 0;
  TDialogHooks::Delete = [&](QWidget*, TDeleteChoice&) { return ++asked, true; };
  SelectRows({0, 1});
  QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  QApplication::sendEvent(List().View(), &del);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(Column("conversions", interruptedId, "ID"), "");
  EXPECT_EQ(List().Model().rowCount(), 1);
  EXPECT_EQ(List().List().Row(0), running);
  EXPECT_EQ(running->Status, stError);
  TConvertingNode* converting = Explorer().ConvertingNode();
  ASSERT_TRUE(PumpUntil([&] { return !Holds(converting, running); }, 60000));
  // Without a selection the key does nothing.
  QApplication::sendEvent(List().View(), &del);
  EXPECT_EQ(asked, 1);
}

TEST_F(MainWindowTest, ACategoryOfManyTasksFillsTheListInOneReset) {
  ConnectDatabase();
  auto settings = SettingsFor(MakeFile("many.src"), "many.avi");
  const QString xml = tasks::TOmniXMLWriter::SaveToString(*settings);
  for (int i = 0; i < 300; ++i) TPersistentManager::FinishTaskRow(TPersistentManager::InsertTaskRow(xml), xml, 1, {});
  Start();
  int resets = 0, inserted = 0;
  QObject counting;  // ends the connections with the counters
  QObject::connect(&List().Model(), &QAbstractItemModel::modelReset, &counting, [&] { ++resets; });
  QObject::connect(&List().Model(), &QAbstractItemModel::rowsInserted, &counting, [&] { ++inserted; });
  Explorer().SelectNode(Explorer().RootNode());
  EXPECT_EQ(resets, 1);
  EXPECT_EQ(inserted, 0);
  ASSERT_EQ(List().Model().rowCount(), 300);
  EXPECT_EQ(List().Model().columnCount(), 7);
  EXPECT_EQ(List().Model().data(List().Model().index(299, 2), Qt::DisplayRole).toString(), "many.avi");
  // Finished tasks need no engine to be shown.
  for (const auto& task : Explorer().RootNode()->Tasks()) EXPECT_FALSE(task->HasConverter());
}

TEST_F(MainWindowTest, LogOfTheFocusedTaskCanBeCleared) {
  ConnectDatabase();
  const int id = AddFinishedRow("logged", 1, {"first line", "second line"});
  TFormMain& window = Start();
  Explorer().SelectNode(Explorer().RootNode());
  auto* box = Control<QListWidget>(window, "lbLog");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->count(), 0);
  SelectRows({0});
  ASSERT_EQ(box->count(), 2);
  EXPECT_EQ(box->item(1)->text(), "second line");
  EXPECT_TRUE(window.FrameInfo()->ClearLogAction()->isEnabled());
  window.FrameInfo()->ClearLogAction()->trigger();
  EXPECT_EQ(box->count(), 0);
  EXPECT_EQ(Column("conversions", id, "Log"), "NULL");
  window.UpdateActions();
  EXPECT_FALSE(window.FrameInfo()->ClearLogAction()->isEnabled());

  // A deleted task is forgotten by the log page.
  AddFinishedRow("other");
  Explorer().SelectNode(Explorer().RootNode());
  SelectRows({1});
  EXPECT_EQ(window.FrameInfo()->Node(), List().List().Row(1));
  TDialogHooks::Delete = [](QWidget*, TDeleteChoice&) { return true; };
  program->DataModule()->actDelTask->trigger();
  EXPECT_NE(window.FrameInfo()->Node(), nullptr);  // the remaining row is focused now
  EXPECT_TRUE(List().List().Shows(window.FrameInfo()->Node()));
}

TEST_F(MainWindowTest, ScreenshotsOfARunningAndAFinishedTask) {
  ConnectDatabase();
  const QStringList log{"Input #0, avi, from 'birthday.avi':", "  Duration: 00:01:35.40, start: 0.000000",
                        "Output #0, avi, to 'birthday.avi':", "Stream mapping: #0.0 -> #0.0, #0.1 -> #0.1"};
  AddFinishedRow("holiday", 1, log);
  AddFinishedRow("birthday", 1, log);
  TFormMain& window = Start();
  window.setWindowState(Qt::WindowNoState);
  window.resize(1280, 640);
  window.show();
  const QString source = folder + "/holiday-trip.avi";
  ASSERT_TRUE(QFile::copy(LongClip(), source));
  TAVTask* task = StartConversion(source, "trip-small.avi");
  TConvertingNode* converting = Explorer().ConvertingNode();
  ASSERT_TRUE(PumpUntil([&] {
    return !Holds(converting, task) ||
           (task->Converter().GetUsedTime() >= 1 && task->Converter().TargetFileSize() > 0);
  }, 60000));
  ASSERT_TRUE(Holds(converting, task));
  SelectRows({RowOf(task)});
  testing_support::PumpUntil([] { return false; }, 300);  // lets the view draw the latest progress
  SaveScreenshot(window, "main-window-running.png");
  task->Stop();
  ASSERT_TRUE(PumpUntil([&] { return Explorer().ConvertingNode()->Tasks().empty(); }, 60000));
  Explorer().SelectNode(Explorer().RootNode());
  SelectRows({1});
  // The date of the test's (C) locale is longer than the column is wide.
  List().View()->resizeColumnToContents(6);
  testing_support::PumpUntil([] { return false; }, 100);
  SaveScreenshot(window, "main-window-finished.png");
}
