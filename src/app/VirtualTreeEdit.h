#pragma once
// The category picker: a combo-style field that cannot be typed into. Its
// drop-down (TPopVirtualTree, 120 px high, as wide as the field) holds an
// explorer frame without "任务列表", its context menu and its double-click.
// Clicking a category or pressing Enter takes it; Escape closes unchanged.

#include <QComboBox>
#include <QFrame>

class TConvertedNode;
class TFrameExplorer;
class TNodeObject;
class TVirtualTreeEdit;

class TPopVirtualTree : public QFrame {
  Q_OBJECT

 public:
  static constexpr int PopupHeight = 120;

  explicit TPopVirtualTree(TVirtualTreeEdit* Edit);

  TFrameExplorer* Frame() const { return FFrame; }
  // Builds the tree (once) and selects the category, or the root when the
  // category is not in the tree.
  void SelectCategory(int CategoryId);
  // Shows the drop-down under the field with the tree focused.
  void Popup();

 private:
  void Choose(TNodeObject* Node);

  TVirtualTreeEdit* FEdit;
  TFrameExplorer* FFrame;
};

class TVirtualTreeEdit : public QComboBox {
  Q_OBJECT

 public:
  explicit TVirtualTreeEdit(QWidget* parent = nullptr);

  // The chosen category; 0 while there is none.
  int CategoryId() const { return FCategoryId; }
  // Takes the category of that ID with its name and folder from the tree.
  void SetCategoryId(int Value);
  // The chosen category's folder.
  const QString& CategoryPath() const { return FCategoryPath; }
  void SetCategoryPath(const QString& Value) { FCategoryPath = Value; }

  TPopVirtualTree* PopTree() const { return FPopTree; }
  // The drop-down: opens it on the category of CategoryId, or 1 without one.
  void showPopup() override;
  void hidePopup() override;

  // A category was chosen in the drop-down.
  void Accept(TConvertedNode* Node);

 signals:
  void Changed();

 private:
  void ShowCategory(const QString& Name);

  int FCategoryId = 0;
  QString FCategoryPath;
  TPopVirtualTree* FPopTree;
};
