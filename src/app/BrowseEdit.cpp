#include "app/BrowseEdit.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

TBrowseEdit::TBrowseEdit(QWidget* parent) : QWidget(parent) {
  FEdit = new QLineEdit(this);
  FBrowse = new QToolButton(this);
  FBrowse->setText(QStringLiteral("..."));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(FEdit, 1);
  layout->addWidget(FBrowse);
  setFocusProxy(FEdit);
  connect(FBrowse, &QToolButton::clicked, this, [this] { Browse(); });
}

QString TBrowseEdit::Text() const { return FEdit->text(); }

void TBrowseEdit::SetText(const QString& Value) { FEdit->setText(Value); }
