// The categories of the explorer tree: the category menu's actions and the
// category picker.

#include <QKeyEvent>
#include <QTreeView>

#include "MainWindowFixture.h"
#include "app/VirtualTreeEdit.h"

#include <QMenu>

using namespace main_window_tests;
using namespace widget_tests;

namespace {

// A category row under parent, straight into the database.
int AddCategoryRow(const QString& name, const QString& path, int parent) {
  auto node = std::make_unique<TConvertedNode>();
  node->SetCategory(name);
  node->SetFolder(path);
  TExplorerTree tree;
  auto parentNode = std::make_unique<TConvertedNode>();
  parentNode->SetCategoryId(parent);
  TNodeObject* p = tree.AddNode(std::move(parentNode));
  auto* added = static_cast<TConvertedNode*>(tree.AddNode(std::move(node), p));
  TPersistentManager::NewCategory(*added);
  return added->CategoryId();
}

void PressKey(QWidget* widget, Qt::Key key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
}

}  // namespace

TEST_F(MainWindowTest, CategoryMenuCreatesDeletesAndChangesCategories) {
  TFormMain& window = Start();
  TdmGlobal& data = *program->DataModule();
  TConvertedNode* root = Explorer().RootNode();
  // The category menu belongs to category nodes only.
  EXPECT_EQ(Explorer().ConvertingNode()->GetPopupMenu(), nullptr);
  EXPECT_EQ(root->GetPopupMenu(), static_cast<QObject*>(data.pmConverted()));
  EXPECT_EQ(data.MenuNode(), root);

  Explorer().SelectNode(root);
  window.UpdateActions();
  EXPECT_FALSE(data.actDelCategory->isEnabled());
  EXPECT_TRUE(data.actNewCategory->isEnabled());
  EXPECT_TRUE(data.actCategoryProp->isEnabled());
  EXPECT_TRUE(data.actOpenFolder->isEnabled());
  data.actOpenFolder->trigger();
  EXPECT_EQ(shellRequests, (std::vector<TShellRequest>{{shell::TShellVerb::ShowFolder, outputFolder}}));

  // New: asked in "new" mode, filed under the focused category, folder made.
  const QString moviesFolder = folder + "/movies";
  bool askedNew = false;
  TDialogHooks::Category = [&](QWidget*, QString& name, QString& path, bool isNew) {
    askedNew = isNew;
    name = "电影";
    path = moviesFolder;
    return true;
  };
  data.actNewCategory->trigger();
  EXPECT_TRUE(askedNew);
  EXPECT_EQ(TreeCaptions(Explorer()), QStringList({"任务列表", "已转换", "  电影"}));
  auto* movies = dynamic_cast<TConvertedNode*>(Explorer().Tree().Children(root).at(0));
  ASSERT_NE(movies, nullptr);
  EXPECT_EQ(Column("categories", movies->CategoryId(), "Parent"), "1");
  EXPECT_EQ(Column("categories", movies->CategoryId(), "Path"), moviesFolder);
  EXPECT_TRUE(QFileInfo(moviesFolder).isDir());
  EXPECT_TRUE(Explorer().View()->isExpanded(Explorer().Model().IndexOf(root)));

  // Properties: filled from the node, stored, folder made.
  Explorer().SelectNode(movies);
  window.UpdateActions();
  EXPECT_TRUE(data.actDelCategory->isEnabled());
  QString shownName, shownPath;
  bool askedProperties = true;
  TDialogHooks::Category = [&](QWidget*, QString& name, QString& path, bool isNew) {
    shownName = name;
    shownPath = path;
    askedProperties = !isNew;
    name = "纪录片";
    path = folder + "/docs/new";
    return true;
  };
  data.actCategoryProp->trigger();
  EXPECT_TRUE(askedProperties);
  EXPECT_EQ(shownName, "电影");
  EXPECT_EQ(shownPath, moviesFolder);
  EXPECT_EQ(TreeCaptions(Explorer()), QStringList({"任务列表", "已转换", "  纪录片"}));
  EXPECT_EQ(Explorer().Model().data(Explorer().Model().IndexOf(movies), Qt::DisplayRole).toString(), "纪录片");
  EXPECT_EQ(Column("categories", movies->CategoryId(), "Category"), "纪录片");
  EXPECT_TRUE(QFileInfo(folder + "/docs/new").isDir());

  // Delete: No does nothing; Yes deletes and selects the parent.
  const int id = movies->CategoryId();
  TBoxSeen seen;
  AnswerNextBox(QMessageBox::No, &seen);
  data.actDelCategory->trigger();
  EXPECT_EQ(seen.title, "Warning");
  EXPECT_EQ(seen.text, "Do you want to delete the selected category?");
  EXPECT_EQ(seen.icon, QMessageBox::Question);
  EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(TreeCaptions(Explorer()).size(), 3);
  AnswerNextBox(QMessageBox::Yes);
  data.actDelCategory->trigger();
  EXPECT_EQ(TreeCaptions(Explorer()), QStringList({"任务列表", "已转换"}));
  EXPECT_EQ(Column("categories", id, "ID"), "");
  EXPECT_EQ(Explorer().FocusedNode(), root);
  EXPECT_EQ(TExplorerItemModel::Payload(Explorer().View()->currentIndex()), root);
  EXPECT_TRUE(QFileInfo(folder + "/docs/new").isDir());  // no file is touched
}

TEST_F(MainWindowTest, DeletingACategoryShowingItsTasksDeletesItsSubtree) {
  ConnectDatabase();
  const int parent = AddCategoryRow("A", folder + "/a", 1);
  const int child = AddCategoryRow("B", folder + "/b", parent);
  const int task = AddFinishedRow("in-b", child);
  TFormMain& window = Start();
  EXPECT_EQ(TreeCaptions(Explorer()), QStringList({"任务列表", "已转换", "  A", "    B"}));
  ASSERT_TRUE(Explorer().SelectCategory(child));
  EXPECT_EQ(List().Model().rowCount(), 1);
  Explorer().SelectCategory(parent);
  AnswerNextBox(QMessageBox::Yes);
  program->DataModule()->actDelCategory->trigger();
  EXPECT_EQ(TreeCaptions(Explorer()), QStringList({"任务列表", "已转换"}));
  EXPECT_EQ(Column("categories", child, "ID"), "");
  EXPECT_EQ(Column("conversions", task, "ID"), "");
  EXPECT_EQ(List().Model().rowCount(), 0);
  (void)window;
}

TEST_F(MainWindowTest, CategoryPickerOpensOnTheRootAndTakesTheChosenCategory) {
  ConnectDatabase();
  const int sub = AddCategoryRow("音乐", folder + "/music", 1);
  Start();
  QWidget host;
  auto* edit = new TVirtualTreeEdit(&host);
  host.resize(300, 40);
  edit->setGeometry(0, 0, 300, 24);
  host.show();
  int changed = 0;
  QObject::connect(edit, &TVirtualTreeEdit::Changed, [&] { ++changed; });
  EXPECT_EQ(edit->CategoryId(), 0);

  edit->showPopup();
  TPopVirtualTree* pop = edit->PopTree();
  ASSERT_TRUE(pop->isVisible());
  EXPECT_EQ(pop->height(), 120);
  EXPECT_EQ(pop->width(), edit->width());
  TFrameExplorer* frame = pop->Frame();
  EXPECT_EQ(TreeCaptions(*frame), QStringList({"已转换", "  音乐"}));
  ASSERT_NE(frame->FocusedNode(), nullptr);
  EXPECT_EQ(frame->FocusedNode(), frame->RootNode());
  EXPECT_EQ(TExplorerItemModel::Payload(frame->View()->currentIndex()), frame->RootNode());
  EXPECT_EQ(frame->RootNode()->GetPopupMenu() != nullptr, true);  // yet the frame never shows it

  // Escape closes without change.
  frame->SelectCategory(sub);
  PressKey(frame->View(), Qt::Key_Escape);
  EXPECT_FALSE(pop->isVisible());
  EXPECT_EQ(edit->CategoryId(), 0);
  EXPECT_EQ(changed, 0);

  // Enter takes the focused category.
  edit->showPopup();
  EXPECT_EQ(frame->FocusedNode(), frame->RootNode());
  frame->SelectCategory(sub);
  PressKey(frame->View(), Qt::Key_Return);
  EXPECT_FALSE(pop->isVisible());
  EXPECT_EQ(edit->CategoryId(), sub);
  EXPECT_EQ(edit->CategoryPath(), folder + "/music");
  EXPECT_EQ(edit->currentText(), "音乐");
  EXPECT_EQ(changed, 1);

  // Opened again, it shows the chosen category; a click takes the root.
  edit->showPopup();
  EXPECT_EQ(dynamic_cast<TConvertedNode*>(frame->FocusedNode())->CategoryId(), sub);
  const QRect rootRect = frame->View()->visualRect(frame->Model().IndexOf(frame->RootNode()));
  {
    QMouseEvent press(QEvent::MouseButtonPress, rootRect.center(), frame->View()->viewport()->mapToGlobal(rootRect.center()),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(frame->View()->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, rootRect.center(),
                        frame->View()->viewport()->mapToGlobal(rootRect.center()), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(frame->View()->viewport(), &release);
  }
  EXPECT_EQ(edit->CategoryId(), 1);
  EXPECT_EQ(edit->CategoryPath(), outputFolder);
  EXPECT_EQ(edit->currentText(), "已转换");
  EXPECT_EQ(changed, 2);

  // Set from code, it shows that category's name and folder.
  edit->SetCategoryId(sub);
  EXPECT_EQ(edit->currentText(), "音乐");
  EXPECT_EQ(edit->CategoryPath(), folder + "/music");
}
