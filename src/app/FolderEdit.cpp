#include "app/FolderEdit.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QToolButton>

TFolderEdit::TFolderEdit(QWidget* parent) : TBrowseEdit(parent) {
  Edit()->setObjectName(QStringLiteral("edtFolder"));
  BrowseButton()->setObjectName(QStringLiteral("btnBrowse"));
  connect(Edit(), &QLineEdit::textChanged, this, &TFolderEdit::FolderChanged);
}

QString TFolderEdit::Folder() const { return Text(); }

void TFolderEdit::SetFolder(const QString& Value) { SetText(Value); }

QString TFolderEdit::BrowseFolder() const {
  const QString typed = Folder().trimmed();
  return typed.isEmpty() ? FStartFolder : typed;
}

void TFolderEdit::Browse() {
  const QString chosen = QFileDialog::getExistingDirectory(this, QString(), BrowseFolder());
  if (!chosen.isEmpty()) SetFolder(chosen);
}
