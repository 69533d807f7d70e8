// The program's start-up and the main window's menus, toolbar, panels and
// the actions that need no running conversion.

#include <QApplication>
#include <QFontDatabase>
#include <QMenuBar>
#include <QProcess>
#include <QRawFont>
#include <QTemporaryDir>
#include <QTabWidget>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>

#include "MainWindowFixture.h"
#include "engine/EngineError.h"
#include "profiles/ModernProfiles.h"

using namespace main_window_tests;
using namespace widget_tests;

namespace {

QStringList MenuTexts(const QMenu& menu) {
  QStringList texts;
  for (const QAction* a : menu.actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return texts;
}

QStringList ToolbarTexts(QToolBar& bar) {
  QStringList texts;
  for (QAction* a : bar.actions()) {
    if (a->isSeparator()) texts << "-";
    else if (auto* button = qobject_cast<QToolButton*>(bar.widgetForAction(a))) texts << button->text();
  }
  return texts;
}

QString FileText(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace

TEST_F(MainWindowTest, StartUpCreatesTheDataFilesAndShowsTheTaskList) {
  TFormMain& window = Start();
  EXPECT_TRUE(QFileInfo::exists(DataFolder() + "Config.Xml"));
  EXPECT_TRUE(QFileInfo::exists(DataFolder() + "av.cfg"));
  EXPECT_TRUE(testing_support::TakeErrorBoxes().isEmpty());

  EXPECT_EQ(TreeCaptions(Explorer()), QStringList({"任务列表", "已转换"}));
  ASSERT_NE(Explorer().RootNode(), nullptr);
  EXPECT_EQ(Explorer().RootNode()->Folder(), outputFolder);
  EXPECT_EQ(Explorer().FocusedNode(), Explorer().ConvertingNode());
  EXPECT_EQ(TExplorerItemModel::Payload(Explorer().View()->currentIndex()), Explorer().ConvertingNode());
  EXPECT_EQ(Headers(), QStringList({"原始文件", "原始文件大小", "目标文件", "目标文件大小", "输出格式配置", "用时",
                                    "完成度", "码率(kbs)", "剩余时间", "已用时间"}));
  EXPECT_EQ(List().View()->header()->sectionSize(0), 150);
  EXPECT_EQ(List().View()->header()->sectionSize(9), 70);

  EXPECT_EQ(window.windowTitle(), "Tesvanor-Ormentis制造");
  EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
  // The task bar groups the window under the application title.
  EXPECT_EQ(QApplication::applicationName(), "Ormentis软件");
  // No Profiles.ini: the built-in profiles only, today's targets after the described 71.
  EXPECT_EQ(program->DataModule()->ProfileList().ProfileCount(), 71 + int(ModernRecipes().size()));
}

TEST_F(MainWindowTest, BrokenConfigurationEndsTheProgramBeforeAnyWindow) {
  QDir().mkpath(DataFolder());
  const QString file = DataFolder() + "Config.Xml";
  const QByteArray broken = "<data PropFormat=\"node\"><TAVConfiguration><PerformanceOptions>";
  QFile config(file);
  ASSERT_TRUE(config.open(QIODevice::WriteOnly));
  config.write(broken);
  config.close();
  QString reason;
  try {
    TAVConfiguration probe;
    probe.LoadFromFile(file);
  } catch (const EAVError& e) {
    reason = e.Message();
  }
  ASSERT_FALSE(reason.isEmpty());
  TBoxSeen seen;
  AnswerNextBox(QMessageBox::Ok, &seen);
  program = std::make_unique<TProgram>();
  EXPECT_FALSE(program->Start());
  EXPECT_FALSE(program->AlreadyRunning());
  EXPECT_EQ(program->MainWindow(), nullptr);
  EXPECT_EQ(program->DataModule(), nullptr);
  EXPECT_EQ(seen.title, "Error");
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(seen.text, reason + "\n\nThe settings file " + file +
                           " cannot be read; Tesvanor has not changed it. To start afresh with the initial settings, "
                           "move the file away (or delete it) and start Tesvanor again.");
  EXPECT_FALSE(QFileInfo::exists(DataFolder() + "av.cfg"));
  // The end of a run that did not start writes nothing either.
  program->Finish();
  program.reset();
  ASSERT_TRUE(config.open(QIODevice::ReadOnly));
  EXPECT_EQ(config.readAll(), broken) << "the file is the user's to mend or move";
}

TEST_F(MainWindowTest, ASecondStartHandsItsFileToTheRunningWindowAndEnds) {
  Start();
  TDialogHooks::NewConversion = [this](QWidget*, TAVProfileList&, const QString& source) {
    wizardSources << source;
    return TNewConversions();
  };
  const QString clip = MakeFile("片段 2.mp4");
  const QByteArray config = FileText(DataFolder() + "Config.Xml").toUtf8();
  const struct {
    QStringList arguments;
    QStringList wizard;
  } starts[] = {
      {{"片段 2.mp4"}, {clip}},  // relative to the second start's folder
      {{}, {}},                  // no file: the window only comes forward
  };
  for (const auto& s : starts) {
    wizardSources.clear();
    QProcess second;
    second.setWorkingDirectory(folder);
    second.start(QStringLiteral(TESVANOR_PROGRAM), s.arguments);
    ASSERT_TRUE(PumpUntil([&] { return second.state() == QProcess::NotRunning; }, 60000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    PumpUntil([&] { return !wizardSources.isEmpty(); }, s.wizard.isEmpty() ? 300 : 10000);
    EXPECT_EQ(wizardSources, s.wizard);
  }
  EXPECT_EQ(FileText(DataFolder() + "Config.Xml").toUtf8(), config) << "the second start read and wrote nothing";

  // The command-line tool works beside the window.
  const testing_support::TCliRun list = testing_support::RunCli({"tasks"});
  EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();

  // Once the window has ended, the next start is the first one again.
  program->Finish();
  program.reset();
  Start();
  EXPECT_FALSE(program->AlreadyRunning());
}

TEST(ProgramArguments, TheFileToOpenIsTheFirstArgumentNamingAnExistingFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString clip = dir.filePath("片段 1.mp4");
  QFile file(clip);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  EXPECT_EQ(SourceFileFromArguments({"tesvanor", clip}), clip);
  EXPECT_EQ(SourceFileFromArguments({"tesvanor", QUrl::fromLocalFile(clip).toString()}), clip);
  // Folders, missing files and anything else are passed over.
  EXPECT_EQ(SourceFileFromArguments({"tesvanor", dir.path(), dir.filePath("gone.mp4"), "--x", clip}), clip);
  EXPECT_EQ(SourceFileFromArguments({"tesvanor", dir.path()}), QString());
  EXPECT_EQ(SourceFileFromArguments({clip}), QString());
}

TEST_F(MainWindowTest, DatabaseThatCannotBeOpenedIsReportedAndStartUpGoesOn) {
  QDir().mkpath(DataFolder());
  QFile db(DataFolder() + "av.cfg");
  ASSERT_TRUE(db.open(QIODevice::WriteOnly));
  db.write(QByteArray(4096, 'z'));
  db.close();
  TFormMain& window = Start();
  const QStringList boxes = testing_support::TakeErrorBoxes();
  ASSERT_FALSE(boxes.isEmpty());
  EXPECT_EQ(boxes.first(), "Can not open Database " + QFileInfo(DataFolder() + "av.cfg").absoluteFilePath());
  EXPECT_TRUE(window.isEnabled());
  EXPECT_EQ(program->DataModule()->ConnectError(), boxes.first());
  // The task list still takes conversions; only keeping them fails, with its reason.
  ASSERT_NE(Explorer().ConvertingNode(), nullptr);
  EXPECT_EQ(Explorer().Tree().Selected(), Explorer().ConvertingNode());
  Explorer().BuildTree();
  EXPECT_EQ(Explorer().Tree().Children().size(), 1u) << "the converting node is added once";
  TAVTask* task = StartConversion(ShortClip(), "without-database.avi");
  ASSERT_NE(task, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return task->Status != stRunning; }, 120000));
  const QString missing = "Database " + TPersistentManager::DatabaseFile() + " does not exist";
  EXPECT_EQ(task->Status, stError);
  EXPECT_EQ(task->Log().last(), missing);
  EXPECT_TRUE(QFileInfo(folder + "/without-database.avi").size() > 0);
  EXPECT_TRUE(testing_support::TakeErrorBoxes().contains(missing));
}

TEST_F(MainWindowTest, UserProfilesReplaceTheBuiltInCustomOnes) {
  QDir().mkpath(DataFolder());
  QFile ini(DataFolder() + "Profiles.ini");
  ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
  ini.write("[Profile]\nProfileCount=0\n");
  ini.close();
  Start();
  TAVProfileList& profiles = program->DataModule()->ProfileList();
  int custom = 0;
  for (int i = 0; i < profiles.ProfileCount(); ++i) custom += IsCustomProfile(profiles.Profiles(i)) ? 1 : 0;
  EXPECT_EQ(custom, 0);
  EXPECT_LT(profiles.ProfileCount(), 71);
}

TEST_F(MainWindowTest, MenusToolbarAndPanelsCarryTheirTexts) {
  TFormMain& window = Start();
  const QList<QAction*> menus = window.menuBar()->actions();
  ASSERT_EQ(menus.size(), 3);
  EXPECT_EQ(menus[0]->text(), "文件(&F)");
  EXPECT_EQ(menus[1]->text(), "设置");
  EXPECT_EQ(menus[2]->text(), "帮助");
  EXPECT_EQ(MenuTexts(*menus[0]->menu()), QStringList({"添加任务", "-", "开始转换", "暂停", "停止", "-", "关闭"}));
  EXPECT_EQ(MenuTexts(*menus[1]->menu()), QStringList({"完成后关机", "-", "详细设置"}));
  EXPECT_EQ(MenuTexts(*menus[2]->menu()), QStringList({"Ormentis软件", "问题反馈", "-", "关于..."}));
  EXPECT_TRUE(window.actShutdown->isCheckable());
  EXPECT_EQ(window.actNewConversion->shortcut(), QKeySequence("Ctrl+N"));

  auto* toolbar = Control<QToolBar>(window, "tbMain");
  ASSERT_NE(toolbar, nullptr);
  QStringList texts = ToolbarTexts(*toolbar);
  EXPECT_EQ(texts, QStringList({"添加任务", "开始转", "暂停", "停止", "-", "Ormentis官网"}));
  EXPECT_EQ(toolbar->iconSize(), QSize(48, 48));
  EXPECT_EQ(toolbar->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
  for (QAction* a : {window.actNewConversion, window.actStartTask, window.actPauseTask, window.actStopTask,
                     window.actHome, window.actBugreport})
    EXPECT_FALSE(a->icon().isNull()) << a->text().toStdString();

  QTextBrowser* web = window.WebPanel();
  EXPECT_EQ(web->size(), QSize(468, 60));
  EXPECT_TRUE(web->toPlainText().contains("Ormentis软件"));
  EXPECT_EQ(web->source().scheme(), "qrc");

  auto* pages = Control<QTabWidget>(window, "pcInfo");
  ASSERT_EQ(pages->count(), 2);
  EXPECT_EQ(pages->tabText(0), "Task Info");
  EXPECT_FALSE(pages->isTabVisible(0));
  EXPECT_EQ(pages->tabText(1), "Logs");
  EXPECT_EQ(pages->currentIndex(), 1);
  EXPECT_EQ(window.FrameInfo()->ClearLogAction()->text(), "Clear Log");

  TdmGlobal& data = *program->DataModule();
  EXPECT_EQ(MenuTexts(*data.pmTask()), QStringList({"删除任务", "-", "打开原始文件", "打开已转换完的文件", "打开目录"}));
  EXPECT_EQ(MenuTexts(*data.pmConverted()), QStringList({"打开文件夹", "-", "新建分类", "删除", "-", "属性"}));
  EXPECT_EQ(List().View()->contextMenuPolicy(), Qt::CustomContextMenu);
  EXPECT_EQ(List().View()->selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(MainWindowTest, HelpEntriesOpenTheMakersAddressesAndDialogsOpen) {
  TFormMain& window = Start();
  window.actHome->trigger();
  window.actBugreport->trigger();
  EXPECT_EQ(shellRequests, (std::vector<TShellRequest>{{shell::TShellVerb::Open, "https://www.ormentis.com/"},
                                                       {shell::TShellVerb::Open, "mailto:support@ormentis.com"}}));
  window.actOptions->trigger();
  window.actAbout->trigger();
  EXPECT_EQ(optionsShown, 1);
  EXPECT_EQ(aboutShown, 1);
  // Ctrl+N runs the wizard without a source; cancelling it starts nothing.
  window.actNewConversion->trigger();
  EXPECT_EQ(wizardSources, QStringList({""}));
  EXPECT_TRUE(Explorer().ConvertingNode()->Tasks().empty());
  for (QAction* a : {window.actNewConversion, window.actShutdown, window.actOptions, window.actHome,
                     window.actBugreport, window.actAbout, window.actExit})
    EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
}

TEST_F(MainWindowTest, ShutdownEntryToggledTwiceLeavesNothingInTheSavedFile) {
  TFormMain& window = Start();
  EXPECT_FALSE(window.actShutdown->isChecked());
  window.actShutdown->trigger();
  EXPECT_TRUE(window.actShutdown->isChecked());
  EXPECT_TRUE(AVConfiguration().ShutdownWhenDone());
  // Not saved at once.
  EXPECT_FALSE(FileText(DataFolder() + "Config.Xml").contains("ShutdownWhenDone"));
  program->Finish();
  EXPECT_TRUE(FileText(DataFolder() + "Config.Xml").contains("<ShutdownWhenDone>1</ShutdownWhenDone>"));

  window.actShutdown->trigger();
  EXPECT_FALSE(window.actShutdown->isChecked());
  program->Finish();
  EXPECT_FALSE(FileText(DataFolder() + "Config.Xml").contains("ShutdownWhenDone"));
}

TEST_F(MainWindowTest, ShutdownCheckMarkFollowsTheConfigurationAtStart) {
  QDir().mkpath(DataFolder());
  AVConfiguration().SetShutdownWhenDone(true);
  AVConfiguration().Save();
  TFormMain& window = Start();
  EXPECT_TRUE(window.actShutdown->isChecked());
}

TEST_F(MainWindowTest, ChineseTextHasAFontToBeDrawnWith) {
  TFormMain& window = Start();
  EXPECT_FALSE(QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty());
  // Some font of the system draws every character of the window's texts.
  const QString texts = "任务列表已转换文件设置帮助添加开始暂停停止完成后关机详细问题反馈关于打开原始目录";
  bool drawn = false;
  for (const QString& family : QFontDatabase::families(QFontDatabase::SimplifiedChinese)) {
    const QRawFont raw = QRawFont::fromFont(QFont(family), QFontDatabase::SimplifiedChinese);
    bool all = raw.isValid();
    for (const QChar c : texts) all = all && raw.supportsCharacter(c);
    drawn = drawn || all;
  }
  EXPECT_TRUE(drawn);
  // Every screenshot checks its window's texts the same way; the check itself
  // tells a character no font has (an unassigned code point) from the rest.
  EXPECT_EQ(CharactersWithoutAFont(QStringLiteral("任务 – \u0378")), QStringLiteral("\u0378"));
  window.setWindowState(Qt::WindowNoState);
  window.resize(1100, 600);
  window.show();
  SaveScreenshot(window, "main-window-empty.png");
}
