#include "app/VirtualTreeEdit.h"

#include <QTreeView>
#include <QVBoxLayout>

#include "app/ActionGuard.h"
#include "app/FrameExplorer.h"
#include "app/GlobalData.h"
#include "app/ImageLists.h"
#include "tasks/NodeObject.h"

namespace {

const TImageList& ExplorerImages() {
  if (TdmGlobal* data = dmGlobal()) return data->ilExplorer;
  static const TImageList images = CreateExplorerImages();
  return images;
}

}  // namespace

// ---------------------------------------------------------- TPopVirtualTree

TPopVirtualTree::TPopVirtualTree(TVirtualTreeEdit* Edit) : QFrame(Edit, Qt::Popup), FEdit(Edit) {
  setObjectName(QStringLiteral("PopVirtualTree"));
  setFrameShape(QFrame::Box);
  FFrame = new TFrameExplorer(ExplorerImages(), this);
  FFrame->SetOmitConvertingNode(true);
  FFrame->SetDisableContextMenu(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(1, 1, 1, 1);
  layout->addWidget(FFrame);
  FFrame->OnNodeChosen = [this](TNodeObject* node) { Choose(node); };
}

void TPopVirtualTree::SelectCategory(int CategoryId) {
  Guarded([this] { FFrame->BuildTree(); });
  if (!FFrame->SelectCategory(CategoryId > 0 ? CategoryId : TConvertedNode::RootCategoryId))
    FFrame->SelectCategory(TConvertedNode::RootCategoryId);
}

void TPopVirtualTree::Popup() {
  SelectCategory(FEdit->CategoryId());
  resize(FEdit->width(), PopupHeight);
  move(FEdit->mapToGlobal(QPoint(0, FEdit->height())));
  show();
  FFrame->View()->setFocus();
}

void TPopVirtualTree::Choose(TNodeObject* Node) {
  if (auto* category = dynamic_cast<TConvertedNode*>(Node)) FEdit->Accept(category);
}

// --------------------------------------------------------- TVirtualTreeEdit

TVirtualTreeEdit::TVirtualTreeEdit(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  addItem(QString());
  FPopTree = new TPopVirtualTree(this);
}

void TVirtualTreeEdit::ShowCategory(const QString& Name) { setItemText(0, Name); }

void TVirtualTreeEdit::SetCategoryId(int Value) {
  FCategoryId = Value;
  FPopTree->SelectCategory(Value);
  auto* node = dynamic_cast<TConvertedNode*>(FPopTree->Frame()->FocusedNode());
  if (node && node->CategoryId() == Value) {
    ShowCategory(node->Category());
    FCategoryPath = node->Folder();
  }
}

void TVirtualTreeEdit::showPopup() { FPopTree->Popup(); }

void TVirtualTreeEdit::hidePopup() { FPopTree->hide(); }

void TVirtualTreeEdit::Accept(TConvertedNode* Node) {
  hidePopup();
  FCategoryId = Node->CategoryId();
  FCategoryPath = Node->Folder();
  ShowCategory(Node->Category());
  emit Changed();
}
