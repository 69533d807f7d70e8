// Many files at once through the real windows: a batch made in the wizard
// becomes one task per source, "同时转换任务数" lets only so many run, the
// others wait ("等待中") in order, also over a restart, can be started,
// held back and stopped from the toolbar, and shut-down waits for the queue.

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>

#include "MainWindowFixture.h"
#include "app/NewConversion.h"
#include "app/NewConversionWizard.h"
#include "app/OptionsDialog.h"
#include "app/VirtualTreeEdit.h"

namespace main_window_tests {
namespace {

using namespace widget_tests;

class BatchAndQueue : public MainWindowTest {
 protected:
  void TearDown() override {
    SetWizardPathChooser(nullptr);
    AVConfiguration().PerformanceOptions().SetSimultaneousTasks(0);
    MainWindowTest::TearDown();
  }

  // "同时转换任务数" set in the options window.
  void LimitRunsTo(int count, const QString& screenshot = {}) {
    TDialogHooks::Options = RunOptionsDialog;
    WhenModalShown<TFormOptions>([&](TFormOptions* form) {
      form->tvOptions->setCurrentItem(form->tvOptions->topLevelItem(1));
      form->spnSimultaneousTasks->setValue(count);
      if (!screenshot.isEmpty()) SaveScreenshot(*form, screenshot);
      form->btnOK->click();
    });
    Window().actOptions->trigger();
  }

  QString CopiedClip(const QString& name) const {
    const QString path = folder + "/sources/" + name;
    QDir().mkpath(QFileInfo(path).path());
    EXPECT_TRUE(QFile::copy(ShortClip(), path));
    return path;
  }

  // A category under the root whose folder is made here; its ID.
  int AddCategory(const QString& name, const QString& path) {
    QDir().mkpath(path);
    tasks::TSqliteDatabase db(DataFolder() + "av.cfg", false);
    tasks::TSqliteStatement insert(db, "insert into categories(Category, Path, Parent) values(?, ?, 1)", 2);
    insert.Bind(1, name);
    insert.Bind(2, path);
    insert.Execute();
    return int(db.LastInsertRowId());
  }

  std::vector<TAVTask*> Converting() const {
    std::vector<TAVTask*> tasks;
    for (const auto& task : Explorer().ConvertingNode()->Tasks()) tasks.push_back(task.get());
    return tasks;
  }

  QString StatusText(const char* name) const { return Control<QLabel>(Window(), name)->text(); }
};

TEST_F(BatchAndQueue, ABatchOfFiveRunsTwoAtATimeAndIsFiledUnderTheCategoryChosen) {
  ConnectDatabase();
  const QString trip = folder + "/trip";
  const int category = AddCategory("旅行", trip);
  TFormMain& window = Start();
  window.setWindowState(Qt::WindowNoState);
  window.resize(1280, 640);
  window.show();
  LimitRunsTo(2, "options-performance.png");
  EXPECT_EQ(AVConfiguration().PerformanceOptions().SimultaneousTasks(), 2);
  QFile config(DataFolder() + "Config.Xml");
  ASSERT_TRUE(config.open(QIODevice::ReadOnly));
  EXPECT_TRUE(config.readAll().contains("<SimultaneousTasks>2</SimultaneousTasks>"));

  const QStringList sources{CopiedClip("a/clip.avi"), CopiedClip("one.avi"), CopiedClip("b/clip.avi"),
                            CopiedClip("two.avi"), CopiedClip("three.avi")};
  SetWizardPathChooser([&](QWidget*, TWizardPathKind, const QString&) { return sources; });
  TDialogHooks::NewConversion = RunNewConversionWizard;
  WhenModalShown<TFormNewConversion>([&](TFormNewConversion* wizard) {
    Control<QToolButton>(*wizard, "btnBrowse")->click();
    auto* picker = Control<TVirtualTreeEdit>(*wizard, "edtCategory");
    EXPECT_EQ(picker->currentText(), "已转换");
    for (TNodeObject* node : picker->PopTree()->Frame()->Tree().Subtree(picker->PopTree()->Frame()->RootNode()))
      if (node->GetCaption(0) == "旅行") picker->Accept(dynamic_cast<TConvertedNode*>(node));
    EXPECT_EQ(Control<QLineEdit>(*wizard, "edtSavePath")->text(), trip) << "the folder follows the category";
    wizard->UpdateButtons();
    Control<QPushButton>(*wizard, "btnFinish")->click();
  });
  window.actNewConversion->trigger();

  // Two run, three wait in the order added.
  std::vector<TAVTask*> tasks = Converting();
  ASSERT_EQ(tasks.size(), 5u);
  QStringList names, statuses;
  for (TAVTask* task : tasks) {
    names << QFileInfo(task->Settings().TargetFile()).fileName();
    statuses << List().List().RowTexts(RowOf(task))[6];
    EXPECT_EQ(task->CategoryId, category);
  }
  EXPECT_EQ(names, QStringList({"clip.mkv", "one.mkv", "clip (2).mkv", "two.mkv", "three.mkv"}));
  EXPECT_EQ(statuses.mid(2), QStringList({"等待中", "等待中", "等待中"}));
  EXPECT_EQ(Column("conversions", tasks[4]->ID, "Converting"), "2");
  window.UpdateStatusBar();
  EXPECT_EQ(StatusText("lblRunning"), "正在转换: 2");
  EXPECT_EQ(StatusText("lblWaiting"), "等待中: 3");
  EXPECT_EQ(StatusText("lblEnded"), "已完成: 0");
  SaveScreenshot(window, "main-window-queue.png");

  int mostAtOnce = 0;
  TConvertingNode* converting = Explorer().ConvertingNode();
  ASSERT_TRUE(PumpUntil([&] {
    mostAtOnce = std::max(mostAtOnce, converting->RunsInProgress());
    return converting->Tasks().empty();
  }, 120000));
  EXPECT_EQ(mostAtOnce, 2);
  window.UpdateStatusBar();
  EXPECT_EQ(StatusText("lblEnded"), "已完成: 5");
  EXPECT_EQ(Control<QProgressBar>(window, "pbBatch")->text(), "100%");
  for (const QString& name : names) EXPECT_GT(QFileInfo(trip + "/" + name).size(), 0) << name.toStdString();
  Explorer().SelectCategory(category);
  EXPECT_EQ(List().Model().rowCount(), 5);
}

TEST_F(BatchAndQueue, AWaitingTaskSurvivesARestartInItsPlace) {
  Start();
  LimitRunsTo(1);
  std::vector<TAVTask*> tasks;
  for (const char* name : {"first.avi", "second.avi", "third.avi"}) tasks.push_back(StartConversion(LongClip(), name));
  std::vector<int> ids;
  QStringList marks;
  for (TAVTask* task : tasks) ids.push_back(task->ID), marks << Column("conversions", task->ID, "Converting");
  EXPECT_EQ(marks, QStringList({"1", "2", "2"}));

  program.reset();
  Start();
  // The interrupted one waits for the user; the queue goes on in its order.
  tasks = Converting();
  ASSERT_EQ(tasks.size(), 3u);
  std::vector<TAVTaskStatus> statuses;
  for (size_t i = 0; i < tasks.size(); ++i) {
    EXPECT_EQ(tasks[i]->ID, ids[i]);
    EXPECT_EQ(RowOf(tasks[i]), int(i));
    statuses.push_back(tasks[i]->Status);
  }
  EXPECT_EQ(statuses, (std::vector<TAVTaskStatus>{stError, stRunning, stWaiting}));
  EXPECT_EQ(Captions(2)[6], "等待中");
  EXPECT_EQ(Column("conversions", ids[1], "Converting"), "1") << "running now: interrupted if the program ends";
  EXPECT_EQ(Column("conversions", ids[2], "Converting"), "2");
}

TEST_F(BatchAndQueue, WaitingTasksAreStartedHeldBackAndStoppedFromTheToolbar) {
  TFormMain& window = Start();
  LimitRunsTo(1);
  std::vector<TAVTask*> tasks;
  for (const char* name : {"a.avi", "b.avi", "c.avi"}) tasks.push_back(StartConversion(LongClip(), name));
  TAVTask* waiting = tasks[2];
  SelectRows({RowOf(waiting)});
  EXPECT_TRUE(window.actStartTask->isEnabled());
  EXPECT_TRUE(window.actPauseTask->isEnabled());
  EXPECT_TRUE(window.actStopTask->isEnabled());
  // "开始转" starts a waiting task at once, whatever the limit.
  window.actStartTask->trigger();
  EXPECT_EQ(waiting->Status, stRunning);
  EXPECT_EQ(Explorer().ConvertingNode()->RunsInProgress(), 2);

  // Held back: the queue passes it by; stopped: out of the queue, nothing ran.
  TAVTask* held = tasks[1];
  SelectRows({RowOf(held)});
  window.actPauseTask->trigger();
  EXPECT_EQ(held->Status, stPaused);
  EXPECT_FALSE(held->RunInProgress());
  EXPECT_EQ(Column("conversions", held->ID, "Converting"), "1");
  tasks[0]->Stop();
  tasks[2]->Stop();
  ASSERT_TRUE(PumpUntil([&] { return Explorer().ConvertingNode()->RunsInProgress() == 0; }, 60000));
  EXPECT_EQ(held->Status, stPaused) << "a held task does not start by itself";
  SelectRows({RowOf(held)});
  window.actStopTask->trigger();
  EXPECT_EQ(held->Status, stError);
  EXPECT_FALSE(held->RunInProgress());
  EXPECT_TRUE(window.actStartTask->isEnabled());
  EXPECT_FALSE(QFileInfo::exists(held->Settings().TargetFile()));
}

TEST_F(BatchAndQueue, ShutDownWaitsForTheQueueToDrain) {
  Start();
  LimitRunsTo(1);
  Window().actShutdown->trigger();
  ASSERT_TRUE(AVConfiguration().ShutdownWhenDone());
  StartConversion(ShortClip(), "first.avi");
  StartConversion(ShortClip(), "second.avi");
  ASSERT_TRUE(PumpUntil([&] { return Explorer().ConvertingNode()->Tasks().empty(); }, 120000));
  EXPECT_EQ(alerts.size(), 2u);
  EXPECT_EQ(shutdowns, 1) << "once, when the second finished";
}

}  // namespace
}  // namespace main_window_tests
