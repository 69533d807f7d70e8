#include "app/FolderEdit.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QToolButton>

TFolderEdit::TFolderEdit(QWidget* parent) : QWidget(parent) {
  FEdit = new QLineEdit(this);
  FEdit->setObjectName(QStringLiteral("edtFolder"));
  FBrowse = new QToolButton(this);
  FBrowse->setObjectName(QStringLiteral("btnBrowse"));
  FBrowse->setText(QStringLiteral("..."));
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(FEdit, 1);
  layout->addWidget(FBrowse);
  setFocusProxy(FEdit);
  connect(FEdit, &QLineEdit::textChanged, this, &TFolderEdit::FolderChanged);
  connect(FBrowse, &QToolButton::clicked, this, &TFolderEdit::Browse);
}

QString TFolderEdit::Folder() const { return FEdit->text(); }

void TFolderEdit::SetFolder(const QString& Value) { FEdit->setText(Value); }

QString TFolderEdit::BrowseFolder() const {
  const QString typed = Folder().trimmed();
  return typed.isEmpty() ? FStartFolder : typed;
}

void TFolderEdit::Browse() {
  const QString chosen = QFileDialog::getExistingDirectory(this, QString(), BrowseFolder());
  if (!chosen.isEmpty()) SetFolder(chosen);
}
