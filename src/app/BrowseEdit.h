#pragma once
// A text field with a browse button beside it ("..."); what the button browses
// for is the subclass's business. The field's text is the value.

#include <QWidget>

class QLineEdit;
class QToolButton;

class TBrowseEdit : public QWidget {
  Q_OBJECT

 public:
  explicit TBrowseEdit(QWidget* parent = nullptr);

  QLineEdit* Edit() const { return FEdit; }
  QToolButton* BrowseButton() const { return FBrowse; }

 protected:
  QString Text() const;
  void SetText(const QString& Value);
  // Runs when the button is clicked.
  virtual void Browse() = 0;

 private:
  QLineEdit* FEdit;
  QToolButton* FBrowse;
};
