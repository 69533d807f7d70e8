#pragma once
// The delete confirmation of tasks ("确认删除吗？").

#include <QDialog>

class QCheckBox;
class QPushButton;

struct TDeleteChoice {
  bool DeleteSource = false;
  bool DeleteTarget = true;
};

// True when "Yes" was pressed; Choice then holds the two check boxes.
bool RunDeleteDialog(QWidget* parent, TDeleteChoice& Choice);

class TFormDelete : public QDialog {
  Q_OBJECT

 public:
  explicit TFormDelete(QWidget* parent = nullptr);

  TDeleteChoice Choice() const;

  QCheckBox* chkDeleteSource;
  QCheckBox* chkDeleteTarget;
  QPushButton* btnYes;
  QPushButton* btnNo;
};
