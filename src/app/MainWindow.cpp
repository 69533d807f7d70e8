#include "app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMenuBar>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBrowser>
#include <QToolBar>
#include <QToolButton>

#include "app/ActionGuard.h"
#include "app/DialogHooks.h"
#include "app/FrameExplorer.h"
#include "app/FrameInfo.h"
#include "app/FrameList.h"
#include "app/GlobalData.h"
#include "app/MakerLinks.h"
#include "app/ShellServices.h"
#include "tasks/AVTask.h"
#include "tasks/Configuration.h"
#include "tasks/ConversionSettings.h"
#include "tasks/NodeObject.h"

// The web panel's page lives in this library's resources.
static void InitMainWindowResources() { Q_INIT_RESOURCE(MainWindow); }

namespace {

// Images of the toolbar image list.
enum TToolbarImage { tiNew = 0, tiStart = 1, tiPause = 2, tiStop = 3, tiHome = 5, tiBugreport = 11 };

constexpr int IdleInterval = 100;  // ms between two updates of the actions

}  // namespace

TFormMain::TFormMain(TdmGlobal& Data, QWidget* parent) : QMainWindow(parent), FData(Data) {
  InitMainWindowResources();
  setObjectName(QStringLiteral("FormMain"));
  setWindowTitle(QStringLiteral("Tesvanor-Ormentis制造"));
  resize(930, 510);
  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateFrames();
  ConnectFrames();
  FData.SetViews(FExplorer, FList);
  ShowStartNode();
  actShutdown->setChecked(AVConfiguration().ShutdownWhenDone());
  setWindowState(Qt::WindowMaximized);

  FIdleTimer.setInterval(IdleInterval);
  connect(&FIdleTimer, &QTimer::timeout, this, &TFormMain::UpdateActions);
  FIdleTimer.start();
  UpdateActions();
}

TFormMain::~TFormMain() {
  FIdleTimer.stop();
  FData.SetViews(nullptr, nullptr);
  FInfo->Detach();
  // The tree goes first, while the lists its tasks refer to still exist.
  FExplorer->ReleaseTree();
  FList->Detach();
}

// ---------------------------------------------------------------- building

void TFormMain::CreateActions() {
  const auto action = [this](const char* name, const QString& caption, int image) {
    auto* a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    if (image >= 0) a->setIcon(FData.ilToolbar.Icon(image));
    return a;
  };
  actNewConversion = action("actNewConversion", QStringLiteral("添加任务"), tiNew);
  actNewConversion->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  actStartTask = action("actStartTask", QStringLiteral("开始转换"), tiStart);
  actStartTask->setIconText(QStringLiteral("开始转"));
  actPauseTask = action("actPauseTask", QStringLiteral("暂停"), tiPause);
  actStopTask = action("actStopTask", QStringLiteral("停止"), tiStop);
  actShutdown = action("actShutdown", QStringLiteral("完成后关机"), -1);
  actShutdown->setCheckable(true);
  actOptions = action("actOptions", QStringLiteral("详细设置"), -1);
  actHome = action("actHome", QStringLiteral("Ormentis软件"), tiHome);
  actHome->setIconText(QStringLiteral("Ormentis官网"));
  actBugreport = action("actBugreport", QStringLiteral("问题反馈"), tiBugreport);
  actAbout = action("actAbout", QStringLiteral("关于..."), -1);
  actExit = action("actExit", QStringLiteral("关闭"), -1);

  const auto guarded = [this](QAction* a, void (TFormMain::*effect)()) {
    connect(a, &QAction::triggered, this, [this, effect] { Guarded([this, effect] { (this->*effect)(); }); });
  };
  connect(actNewConversion, &QAction::triggered, this, [this] { RunWizard(); });
  guarded(actStartTask, &TFormMain::StartTask);
  guarded(actPauseTask, &TFormMain::PauseTask);
  guarded(actStopTask, &TFormMain::StopTask);
  connect(actShutdown, &QAction::toggled, this, &TFormMain::ToggleShutdown);
  connect(actOptions, &QAction::triggered, this, [this] {
    Guarded([this] {
      if (TDialogHooks::Options) TDialogHooks::Options(this);
    });
  });
  connect(actHome, &QAction::triggered, this, [] { shell::OpenDocument(maker::HomePage()); });
  connect(actBugreport, &QAction::triggered, this, [] { shell::OpenDocument(maker::BugReportLink()); });
  connect(actAbout, &QAction::triggered, this, [this] {
    if (TDialogHooks::About) TDialogHooks::About(this);
  });
  // The File menu's last entry closes the window, which ends the program.
  connect(actExit, &QAction::triggered, this, &QWidget::close);
}

void TFormMain::CreateMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
  file->setObjectName(QStringLiteral("mnuFile"));
  file->addAction(actNewConversion);
  file->addSeparator();
  file->addAction(actStartTask);
  file->addAction(actPauseTask);
  file->addAction(actStopTask);
  file->addSeparator();
  file->addAction(actExit);

  QMenu* settings = menuBar()->addMenu(QStringLiteral("设置"));
  settings->setObjectName(QStringLiteral("mnuSettings"));
  settings->addAction(actShutdown);
  settings->addSeparator();
  settings->addAction(actOptions);

  QMenu* help = menuBar()->addMenu(QStringLiteral("帮助"));
  help->setObjectName(QStringLiteral("mnuHelp"));
  help->addAction(actHome);
  help->addAction(actBugreport);
  help->addSeparator();
  help->addAction(actAbout);
}

void TFormMain::CreateToolBar() {
  tbMain = addToolBar(QStringLiteral("Toolbar"));
  tbMain->setObjectName(QStringLiteral("tbMain"));
  tbMain->setMovable(false);
  tbMain->setFloatable(false);
  tbMain->setIconSize(QSize(48, 48));
  tbMain->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  tbMain->setFixedHeight(73);
  tbMain->toggleViewAction()->setVisible(false);
  for (QAction* a : {actNewConversion, actStartTask, actPauseTask, actStopTask}) tbMain->addAction(a);
  tbMain->addSeparator();
  tbMain->addAction(actHome);
  for (QAction* a : tbMain->actions())
    if (auto* button = qobject_cast<QToolButton*>(tbMain->widgetForAction(a))) button->setFixedSize(86, 68);
  CreateWebPanel();
}

void TFormMain::CreateWebPanel() {
  // The panel sits at the right end of the toolbar strip.
  auto* spacer = new QWidget(tbMain);
  spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  tbMain->addWidget(spacer);
  wbAd = new QTextBrowser(tbMain);
  wbAd->setObjectName(QStringLiteral("wbAd"));
  wbAd->setFixedSize(468, 60);
  wbAd->setFrameShape(QFrame::NoFrame);
  wbAd->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  wbAd->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  wbAd->setOpenLinks(false);
  wbAd->setFocusPolicy(Qt::NoFocus);
  wbAd->setSource(QUrl(QStringLiteral("qrc:/web/ad.html")));
  tbMain->addWidget(wbAd);
}

void TFormMain::CreateFrames() {
  FHorizontalSplitter = new QSplitter(Qt::Horizontal, this);
  FHorizontalSplitter->setObjectName(QStringLiteral("splExplorer"));
  FExplorer = new TFrameExplorer(FData.ilExplorer, FHorizontalSplitter);
  FVerticalSplitter = new QSplitter(Qt::Vertical, FHorizontalSplitter);
  FVerticalSplitter->setObjectName(QStringLiteral("splList"));
  FList = new TFrameList(FData.ilList, FVerticalSplitter);
  FInfo = new TFrameInfo(FVerticalSplitter);
  FHorizontalSplitter->setStretchFactor(0, 0);
  FHorizontalSplitter->setStretchFactor(1, 1);
  FHorizontalSplitter->setSizes({209, 721});
  FVerticalSplitter->setStretchFactor(0, 0);
  FVerticalSplitter->setStretchFactor(1, 1);
  FVerticalSplitter->setSizes({353, 84});
  setCentralWidget(FHorizontalSplitter);
}

void TFormMain::ConnectFrames() {
  FExplorer->OnNodeSelected = [this](TNodeObject* node) { NodeSelected(node); };
  FList->OnFocusedTaskChanged = [this](TAVTask* task) { FocusedTaskChanged(task); };
  FList->OnRowsRemoved = [this] { ForgetRemovedTask(); };
  FList->OnBeforePopup = [this] { UpdateActions(); };
  FList->OnFileDropped = [this](const QString& file) {
    // The drop ends before the wizard opens.
    QMetaObject::invokeMethod(this, [this, file] { RunWizard(file); }, Qt::QueuedConnection);
  };
}

void TFormMain::ShowStartNode() {
  Guarded([this] { FExplorer->BuildTree(); });
  if (TConvertingNode* converting = FExplorer->ConvertingNode()) {
    FExplorer->View()->setFocus();
    FExplorer->SelectNode(converting);
  }
}

// ---------------------------------------------------------------- frames

void TFormMain::NodeSelected(TNodeObject* Node) {
  if (Node) Guarded([this, Node] { FList->FillFrom(Node); });
  UpdateActions();
}

void TFormMain::FocusedTaskChanged(TAVTask* Task) {
  Guarded([this, Task] { FInfo->ShowNode(Task); });
  UpdateActions();
}

void TFormMain::ForgetRemovedTask() {
  if (FInfo->Node() && !FList->List().Shows(FInfo->Node())) FInfo->Forget();
}

// ---------------------------------------------------------------- actions

void TFormMain::UpdateActions() {
  const TAVTask* focused = FList->FocusedTask();
  actStartTask->setEnabled(focused && focused->CanStart());
  actPauseTask->setEnabled(focused && focused->Status == stRunning);
  bool anyActive = false;
  for (const TAVTask* task : FList->SelectedTasks())
    if (task->Status == stRunning || task->Status == stPaused) anyActive = true;
  actStopTask->setEnabled(anyActive);
  FData.UpdateActions();
  FInfo->UpdateActions();
}

void TFormMain::RunWizard(const QString& SourceFile) {
  Guarded([this, &SourceFile] {
    if (!TDialogHooks::NewConversion) return;
    std::unique_ptr<TConversionSettings> settings = TDialogHooks::NewConversion(this, FData.ProfileList(), SourceFile);
    if (!settings) return;
    if (TConvertingNode* converting = FExplorer->ConvertingNode()) converting->NewConversion(std::move(settings));
  });
  UpdateActions();
}

void TFormMain::OpenForAnotherStart(const QString& SourceFile) {
  if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
  raise();
  activateWindow();
  if (!SourceFile.isEmpty()) RunWizardWhenFree(SourceFile);
}

void TFormMain::RunWizardWhenFree(const QString& SourceFile) {
  // A wizard or a message box is open: the file waits until it is closed.
  if (QApplication::activeModalWidget()) {
    QTimer::singleShot(250, this, [this, SourceFile] { RunWizardWhenFree(SourceFile); });
    return;
  }
  RunWizard(SourceFile);
}

void TFormMain::StartTask() {
  TAVTask* task = FList->FocusedTask();
  if (!task) return;
  if (!task->CanStart()) return;
  if (task->Status == stPaused)
    task->Resume();
  else
    task->Start();
  UpdateActions();
}

void TFormMain::PauseTask() {
  TAVTask* task = FList->FocusedTask();
  if (task && task->Status == stRunning) task->Pause();
  UpdateActions();
}

void TFormMain::StopTask() {
  std::vector<TAVTask*> tasks = FList->SelectedTasks();
  for (auto it = tasks.rbegin(); it != tasks.rend(); ++it)
    if ((*it)->Status == stRunning || (*it)->Status == stPaused) (*it)->Stop();
  UpdateActions();
}

void TFormMain::ToggleShutdown(bool Checked) { AVConfiguration().SetShutdownWhenDone(Checked); }
