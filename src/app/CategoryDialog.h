#pragma once
// The category window: a name and a folder, for a new category or the
// properties of an existing one.

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;
class TFolderEdit;

// On OK, Name and Path receive the trimmed field texts and true is returned.
bool RunCategoryDialog(QWidget* parent, QString& Name, QString& Path, bool IsNew);

class TFormCategory : public QDialog {
  Q_OBJECT

 public:
  // A new category starts with empty fields; its folder browser starts at
  // Path, or at the configured output folder when Path is empty. The
  // properties of a category show Name and Path.
  TFormCategory(const QString& Name, const QString& Path, bool IsNew, QWidget* parent = nullptr);

  QString CategoryName() const;
  QString CategoryPath() const;

  QLineEdit* edtName;
  TFolderEdit* edtPath;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 private:
  void UpdateOkButton();
};
