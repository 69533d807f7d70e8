#include "app/CategoryDialog.h"

#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/AppIcon.h"
#include "app/DialogButtons.h"
#include "app/FolderEdit.h"
#include "tasks/Configuration.h"

TFormCategory::TFormCategory(const QString& Name, const QString& Path, bool IsNew, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(IsNew ? QStringLiteral("New Category") : QStringLiteral("Category Properties"));
  setWindowIcon(AppIcon());
  setFixedSize(338, 147);

  edtName = new QLineEdit(this);
  edtName->setObjectName(QStringLiteral("edtName"));
  edtPath = new TFolderEdit(this);
  edtPath->setObjectName(QStringLiteral("edtPath"));
  edtPath->SetStartFolder(Path.trimmed().isEmpty() ? AVConfiguration().OutputFolder() : Path);
  if (!IsNew) {
    edtName->setText(Name);
    edtPath->SetFolder(Path);
  }

  btnOK = AcceptButton(this, QStringLiteral("确定"));
  btnCancel = RejectButton(this, QStringLiteral("放弃"));
  connect(edtName, &QLineEdit::textChanged, this, &TFormCategory::UpdateOkButton);
  connect(edtPath, &TFolderEdit::FolderChanged, this, &TFormCategory::UpdateOkButton);

  auto* fields = new QFormLayout;
  fields->addRow(new QLabel(QStringLiteral("名称:"), this), edtName);
  fields->addRow(new QLabel(QStringLiteral("路径:"), this), edtPath);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addStretch(1);
  layout->addLayout(buttons);

  UpdateOkButton();
  if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

QString TFormCategory::CategoryName() const { return edtName->text().trimmed(); }

QString TFormCategory::CategoryPath() const { return edtPath->Folder().trimmed(); }

void TFormCategory::UpdateOkButton() { btnOK->setEnabled(!CategoryName().isEmpty() && !CategoryPath().isEmpty()); }

bool RunCategoryDialog(QWidget* parent, QString& Name, QString& Path, bool IsNew) {
  TFormCategory form(Name, Path, IsNew, parent);
  if (form.exec() != QDialog::Accepted) return false;
  Name = form.CategoryName();
  Path = form.CategoryPath();
  return true;
}
