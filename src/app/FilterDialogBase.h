#pragma once
// What the four filter dialogs share: a fixed-size dialog centred on the
// screen, a bordered panel for the inputs, the buttons "确定" (OK, enabled by
// the dialog's rule) and "放弃" (give up), and the file field with its browse
// button.

#include <QDialog>
#include <QTimer>

#include "app/BrowseEdit.h"

class QFrame;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QToolButton;

// A "description|patterns|description|patterns" filter in the file dialog's
// own form: "PNG files (*.png)", several joined with ";;".
QString QtFileFilter(const QString& PipeFilter);

// Whether Path names an existing file (a folder is none).
bool FileExists(const QString& Path);

// A whole-number spin field named Name, holding Value within Min … Max.
QSpinBox* SpinField(const QString& Name, int Min, int Max, int Value, QWidget* parent);

// A text field for a file path with a browse button beside it. The chosen
// path is taken as it is.
class TFileEdit : public TBrowseEdit {
  Q_OBJECT

 public:
  TFileEdit(const QString& PipeFilter, QWidget* parent = nullptr);

  QString FileName() const;
  void SetFileName(const QString& Value);
  // The browse dialog's file types in "description|patterns" form.
  const QString& Filter() const { return FFilter; }

 signals:
  void FileNameChanged(const QString& FileName);

 protected:
  void Browse() override;

 private:
  QString FFilter;
};

class TFilterDialog : public QDialog {
  Q_OBJECT

 public:
  QPushButton* OkButton() const { return FOk; }
  QPushButton* CancelButton() const { return FCancel; }
  // Enables OK exactly when the dialog's rule holds.
  void UpdateOkButton();

 protected:
  // ClientSize is the dialog's fixed size.
  TFilterDialog(const QString& Caption, QSize ClientSize, QWidget* parent);
  // The rule for OK; evaluated on every input change and, while the dialog
  // is shown, a few times a second so a file that appears is noticed too.
  virtual bool InputValid() const = 0;
  // The bordered panel that holds the inputs.
  QFrame* Panel() const { return FPanel; }
  // Re-evaluates the rule whenever sender raises signal.
  template <class Sender, class Signal>
  void WatchInput(Sender* sender, Signal signal) {
    connect(sender, signal, this, &TFilterDialog::UpdateOkButton);
  }

  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QFrame* FPanel;
  QPushButton* FOk;
  QPushButton* FCancel;
  QTimer FRecheck;
};
