#pragma once
// The global data module: the task database connection, the profile list,
// the image lists, and the actions and popup menus that act on the tasks of
// the task list and on the categories of the explorer tree. Created once at
// start-up, before the main window, and reachable by every window.

#include <QObject>
#include <QString>
#include <memory>

#include "app/ImageLists.h"
#include "profiles/AVProfile.h"
#include "profiles/Component.h"

class QAction;
class QMenu;
class QWidget;
class TConvertedNode;
class TFrameExplorer;
class TFrameList;

class TdmGlobal : public QObject {
  Q_OBJECT

 public:
  // Runs the creation handler: connects the database (a missing av.cfg is
  // created with the root category, whose folder is the output folder) and
  // loads Profiles.ini when the data folder has one. A failure is shown in
  // the error box and start-up goes on without the database.
  explicit TdmGlobal(QObject* parent = nullptr);
  ~TdmGlobal() override;

  TAVProfileList& ProfileList() { return *profileList; }
  // The message of a failed connection; empty when connected.
  const QString& ConnectError() const { return FConnectError; }

  const TImageList ilExplorer;
  const TImageList ilList;
  const TImageList ilToolbar;
  const TImageList ilImages;

  // The main window's explorer and task list, which the actions act on.
  void SetViews(TFrameExplorer* Explorer, TFrameList* List);
  // The focused explorer node when it is a category, else null.
  TConvertedNode* GetConvertedNode() const;
  // The category popup menu, told which node it was opened for.
  QMenu* CategoryMenu(TConvertedNode& Node);
  TConvertedNode* MenuNode() const { return FMenuNode; }

  // Enables each action by its rule; called whenever the window is idle.
  void UpdateActions();

  QAction* actDelTask;
  QAction* actOpenSource;
  QAction* actOpenConverted;
  QAction* actExploreFile;
  QAction* actOpenFolder;
  QAction* actNewCategory;
  QAction* actDelCategory;
  QAction* actCategoryProp;
  QMenu* pmTask() const { return FTaskMenu.get(); }
  QMenu* pmConverted() const { return FConvertedMenu.get(); }

 private:
  void Connect();
  void LoadProfiles();
  void CreateActions();
  void CreateMenus();
  QWidget* DialogParent() const;

  void DelTask();
  void OpenSource();
  void OpenConverted();
  void ExploreFile();
  void OpenFolder();
  void NewCategory();
  void DelCategory();
  void CategoryProp();

  TComponent FOwner;  // owns the built-in profiles
  TAVProfileList* profileList;  // owned by FOwner
  QString FConnectError;
  TFrameExplorer* FExplorer = nullptr;
  TFrameList* FList = nullptr;
  TConvertedNode* FMenuNode = nullptr;
  std::unique_ptr<QMenu> FTaskMenu;
  std::unique_ptr<QMenu> FConvertedMenu;
};

// The one data module of the program; null before start-up and after the end.
TdmGlobal* dmGlobal();
