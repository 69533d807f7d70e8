#include "app/GlobalData.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMessageBox>

#include "app/ActionGuard.h"
#include "app/DialogHooks.h"
#include "app/FrameExplorer.h"
#include "app/FrameList.h"
#include "app/ShellServices.h"
#include "engine/EngineError.h"
#include "engine/ErrorBox.h"
#include "profiles/BuiltInProfiles.h"
#include "profiles/ModernProfiles.h"
#include "profiles/ProfileStore.h"
#include "tasks/AVTask.h"
#include "tasks/Configuration.h"
#include "tasks/NodeObject.h"
#include "tasks/PersistentManager.h"

namespace {

TdmGlobal* Instance = nullptr;

enum TExplorerImage { eiConverting = 0, eiCategory = 1 };

}  // namespace

TdmGlobal* dmGlobal() { return Instance; }

TdmGlobal::TdmGlobal(QObject* parent)
    : QObject(parent),
      ilExplorer(CreateExplorerImages()),
      ilList(CreateTaskImages()),
      ilToolbar(CreateToolbarImages()),
      ilImages(CreateAlertImages()),
      profileList(new TAVProfileList(&FOwner)) {
  setObjectName(QStringLiteral("dmGlobal"));
  Instance = this;
  CreateBuiltInProfiles(*profileList, &FOwner);
  CreateActions();
  CreateMenus();
  TConvertedNode::CategoryPopupMenu = [this](TConvertedNode& node) -> QObject* { return CategoryMenu(node); };
  Connect();
  LoadProfiles();
  // Today's targets follow the described catalogue and the user's own profiles.
  CreateModernProfiles(*profileList, &FOwner);
}

TdmGlobal::~TdmGlobal() {
  TConvertedNode::CategoryPopupMenu = nullptr;
  TPersistentManager::Disconnect();
  if (Instance == this) Instance = nullptr;
}

// ---------------------------------------------------------------- creation

void TdmGlobal::Connect() {
  try {
    TPersistentManager::Connect(TPersistentManager::DatabaseFile(), true, AVConfiguration().OutputFolder());
  } catch (const EAVError& e) {
    // Start-up goes on; every database operation then fails with its own error.
    FConnectError = e.Message();
    ShowErrorBox(FConnectError);
  }
}

void TdmGlobal::LoadProfiles() {
  try {
    LoadProfilesIfPresent(*profileList);
  } catch (const EAVError& e) {
    ShowErrorBox(e.Message());
  } catch (const std::exception& e) {
    ShowErrorBox(QString::fromUtf8(e.what()));
  }
}

void TdmGlobal::CreateActions() {
  const auto action = [this](const char* name, const QString& caption, int image, void (TdmGlobal::*effect)()) {
    auto* a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    if (image >= 0) a->setIcon(ilExplorer.Icon(image));
    connect(a, &QAction::triggered, this, [this, effect] { Guarded([this, effect] { (this->*effect)(); }); });
    return a;
  };
  actDelTask = action("actDelTask", QStringLiteral("删除任务"), -1, &TdmGlobal::DelTask);
  actOpenSource = action("actOpenSource", QStringLiteral("打开原始文件"), -1, &TdmGlobal::OpenSource);
  actOpenConverted = action("actOpenConverted", QStringLiteral("打开已转换完的文件"), -1, &TdmGlobal::OpenConverted);
  actExploreFile = action("actExploreFile", QStringLiteral("打开目录"), eiCategory, &TdmGlobal::ExploreFile);
  actOpenFolder = action("actOpenFolder", QStringLiteral("打开文件夹"), eiCategory, &TdmGlobal::OpenFolder);
  actNewCategory = action("actNewCategory", QStringLiteral("新建分类"), -1, &TdmGlobal::NewCategory);
  actDelCategory = action("actDelCategory", QStringLiteral("删除"), -1, &TdmGlobal::DelCategory);
  actCategoryProp = action("actCategoryProp", QStringLiteral("属性"), -1, &TdmGlobal::CategoryProp);
}

void TdmGlobal::CreateMenus() {
  FTaskMenu = std::make_unique<QMenu>();
  FTaskMenu->setObjectName(QStringLiteral("pmTask"));
  FTaskMenu->addAction(actDelTask);
  FTaskMenu->addSeparator();
  FTaskMenu->addAction(actOpenSource);
  FTaskMenu->addAction(actOpenConverted);
  FTaskMenu->addAction(actExploreFile);

  FConvertedMenu = std::make_unique<QMenu>();
  FConvertedMenu->setObjectName(QStringLiteral("pmConverted"));
  FConvertedMenu->addAction(actOpenFolder);
  FConvertedMenu->addSeparator();
  FConvertedMenu->addAction(actNewCategory);
  FConvertedMenu->addAction(actDelCategory);
  FConvertedMenu->addSeparator();
  FConvertedMenu->addAction(actCategoryProp);
  connect(FConvertedMenu.get(), &QMenu::aboutToShow, this, &TdmGlobal::UpdateActions);
  connect(FTaskMenu.get(), &QMenu::aboutToShow, this, &TdmGlobal::UpdateActions);
}

// ------------------------------------------------------------------- views

void TdmGlobal::SetViews(TFrameExplorer* Explorer, TFrameList* List) {
  FExplorer = Explorer;
  FList = List;
  if (FList) FList->SetPopupMenu(pmTask());
  UpdateActions();
}

TConvertedNode* TdmGlobal::GetConvertedNode() const {
  return FExplorer ? dynamic_cast<TConvertedNode*>(FExplorer->FocusedNode()) : nullptr;
}

QMenu* TdmGlobal::CategoryMenu(TConvertedNode& Node) {
  FMenuNode = &Node;
  return pmConverted();
}

QWidget* TdmGlobal::DialogParent() const { return FList ? FList->window() : nullptr; }

void TdmGlobal::UpdateActions() {
  const int selected = FList ? FList->SelectedCount() : 0;
  actDelTask->setEnabled(selected > 0);
  actOpenSource->setEnabled(FList && FList->SelectedCanOpenSource());
  const bool converted = FList && FList->SelectedConvertedIsValid();
  actOpenConverted->setEnabled(converted);
  actExploreFile->setEnabled(converted);
  const TConvertedNode* category = GetConvertedNode();
  actDelCategory->setEnabled(category && !category->IsRoot());
}

// ------------------------------------------------------------ task actions

void TdmGlobal::DelTask() {
  if (FList) FList->DeleteSelectedTasks();
}

void TdmGlobal::OpenSource() {
  if (TAVTask* task = FList ? FList->FocusedTask() : nullptr) shell::OpenDocument(task->Settings().SourceFile());
}

void TdmGlobal::OpenConverted() {
  if (TAVTask* task = FList ? FList->FocusedTask() : nullptr) shell::OpenDocument(task->Settings().TargetFile());
}

void TdmGlobal::ExploreFile() {
  if (TAVTask* task = FList ? FList->FocusedTask() : nullptr) shell::RevealFile(task->Settings().TargetFile());
}

// -------------------------------------------------------- category actions

void TdmGlobal::OpenFolder() {
  if (TConvertedNode* node = GetConvertedNode()) shell::ShowFolder(node->Folder());
}

void TdmGlobal::NewCategory() {
  TConvertedNode* parentNode = GetConvertedNode();
  if (!parentNode || !FExplorer) return;
  QString name, path;
  if (!TDialogHooks::Category || !TDialogHooks::Category(DialogParent(), name, path, true)) return;
  auto node = std::make_unique<TConvertedNode>();
  node->SetCategory(name);
  node->SetFolder(path);
  // Conversions filed under the category are written into its folder.
  QDir().mkpath(path);
  auto* added = static_cast<TConvertedNode*>(FExplorer->AddCategoryNode(std::move(node), parentNode));
  try {
    TPersistentManager::NewCategory(*added);
  } catch (...) {
    // A category the database does not hold must not stay in the tree.
    FExplorer->RemoveNode(added);
    throw;
  }
}

void TdmGlobal::DelCategory() {
  TConvertedNode* node = GetConvertedNode();
  if (!node || node->IsRoot() || !FExplorer) return;
  const auto answer = QMessageBox::question(DialogParent(), QStringLiteral("Warning"),
                                            QStringLiteral("Do you want to delete the selected category?"),
                                            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  if (answer != QMessageBox::Yes) return;
  FExplorer->DeleteCategory(node);
}

void TdmGlobal::CategoryProp() {
  TConvertedNode* node = GetConvertedNode();
  if (!node) return;
  QString name = node->Category(), path = node->Folder();
  if (!TDialogHooks::Category || !TDialogHooks::Category(DialogParent(), name, path, false)) return;
  node->SetCategory(name);
  node->SetFolder(path);
  QDir().mkpath(path);
  if (FExplorer) FExplorer->RefreshNode(node);
  TPersistentManager::UpdateCategory(*node);
}
