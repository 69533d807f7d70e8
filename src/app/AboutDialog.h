#pragma once
// The about box ("关于...").

#include <QDialog>
#include <QLabel>

class QPushButton;
class TVersionInfo;

void RunAboutDialog(QWidget* parent = nullptr);

// A label that looks and acts like a web link: blue, a hand cursor, and a
// click opens Address through the shell.
class TLinkLabel : public QLabel {
  Q_OBJECT

 public:
  TLinkLabel(const QString& Text, const QString& Address, QWidget* parent = nullptr);
  const QString& Address() const { return FAddress; }

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QString FAddress;
};

class TFormAbout : public QDialog {
  Q_OBJECT

 public:
  // The version line shows Version's "FileVersion".
  explicit TFormAbout(const TVersionInfo& Version, QWidget* parent = nullptr);

  QLabel* lblProduct;
  QLabel* lblVersion;
  TLinkLabel* lblHomePage;
  TLinkLabel* lblSupportMail;
  QPushButton* btnOK;
};
