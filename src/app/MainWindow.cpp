#include "app/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QScrollBar>
#include <QStatusBar>
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
#include "app/NewConversion.h"
#include "app/ShellServices.h"
#include "engine/ErrorBox.h"
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

// "停止" ends a run, or takes a waiting task out of the queue.
bool IsStoppable(const TAVTask& task) {
  return task.Status == stRunning || task.Status == stPaused || task.Status == stWaiting;
}

}  // namespace

TFormMain::TFormMain(TdmGlobal& Data, QWidget* parent) : QMainWindow(parent), FData(Data) {
  InitMainWindowResources();
  setObjectName(QStringLiteral("FormMain"));
  setWindowTitle(QStringLiteral("Tesvanor-Ormentis制造"));
  resize(930, 510);
  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();
  CreateFrames();
  ConnectFrames();
  FData.SetViews(FExplorer, FList);
  ShowStartNode();
  actShutdown->setChecked(AVConfiguration().ShutdownWhenDone());
  setWindowState(Qt::WindowMaximized);

  FIdleTimer.setInterval(IdleInterval);
  connect(&FIdleTimer, &QTimer::timeout, this, [this] {
    UpdateActions();
    UpdateStatusBar();
  });
  FIdleTimer.start();
  UpdateActions();
  UpdateStatusBar();
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
  guarded(actOptions, &TFormMain::ShowOptions);
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

void TFormMain::CreateStatusBar() {
  const auto label = [this](const char* name) {
    auto* l = new QLabel(statusBar());
    l->setObjectName(QLatin1String(name));
    statusBar()->addWidget(l);
    return l;
  };
  statusBar()->setObjectName(QStringLiteral("sbMain"));
  lblRunning = label("lblRunning");
  lblWaiting = label("lblWaiting");
  lblEnded = label("lblEnded");
  auto* caption = label("lblBatch");
  caption->setText(QStringLiteral("总进度:"));
  pbBatch = new QProgressBar(statusBar());
  pbBatch->setObjectName(QStringLiteral("pbBatch"));
  pbBatch->setRange(0, 1000);
  pbBatch->setFormat(QStringLiteral("%p%"));
  pbBatch->setFixedWidth(160);
  statusBar()->addWidget(pbBatch);
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
    // Tasks that waited when the program last ended go on waiting their turn.
    Guarded([converting] { converting->RunQueue(); });
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
  actPauseTask->setEnabled(focused && (focused->Status == stRunning || focused->Status == stWaiting));
  bool anyActive = false;
  for (const TAVTask* task : FList->SelectedTasks())
    if (IsStoppable(*task)) anyActive = true;
  actStopTask->setEnabled(anyActive);
  FData.UpdateActions();
  FInfo->UpdateActions();
}

void TFormMain::UpdateStatusBar() {
  const TConvertingNode* converting = FExplorer->ConvertingNode();
  const TQueueState state = converting ? converting->QueueState() : TQueueState();
  lblRunning->setText(QStringLiteral("正在转换: %1").arg(state.Running));
  lblWaiting->setText(QStringLiteral("等待中: %1").arg(state.Waiting));
  lblEnded->setText(QStringLiteral("已完成: %1").arg(state.Ended));
  pbBatch->setValue(int(state.Progress * pbBatch->maximum() + 0.5));
}

void TFormMain::RunWizard(const QString& SourceFile) {
  Guarded([this, &SourceFile] {
    if (!TDialogHooks::NewConversion) return;
    AddConversions(TDialogHooks::NewConversion(this, FData.ProfileList(), SourceFile));
  });
  UpdateActions();
}

void TFormMain::AddConversions(TNewConversions Batch) {
  TConvertingNode* converting = FExplorer->ConvertingNode();
  if (!converting) return;
  // Every task of the batch is made; a failure (a database that refuses)
  // is told once, however many tasks met it.
  QStringList failures;
  for (auto& settings : Batch) {
    Guarded([&] { converting->NewConversion(std::move(settings)); }, [&](const QString& message) {
      if (!failures.contains(message)) failures << message;
    });
  }
  if (!failures.isEmpty()) ShowErrorBox(failures.join(QLatin1Char('\n')));
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
  // A waiting task is held back: the queue passes it by.
  if (task && (task->Status == stRunning || task->Status == stWaiting)) task->Pause();
  UpdateActions();
}

void TFormMain::StopTask() {
  std::vector<TAVTask*> tasks = FList->SelectedTasks();
  for (auto it = tasks.rbegin(); it != tasks.rend(); ++it)
    if (IsStoppable(**it)) (*it)->Stop();
  UpdateActions();
}

void TFormMain::ShowOptions() {
  if (!TDialogHooks::Options || !TDialogHooks::Options(this)) return;
  // A higher limit lets waiting tasks start at once.
  if (TConvertingNode* converting = FExplorer->ConvertingNode()) converting->RunQueue();
}

void TFormMain::ToggleShutdown(bool Checked) { AVConfiguration().SetShutdownWhenDone(Checked); }
