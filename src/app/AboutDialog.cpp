#include "app/AboutDialog.h"

#include <QFont>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/AppIcon.h"
#include "app/DialogButtons.h"
#include "app/MakerLinks.h"
#include "app/ShellServices.h"
#include "app/VersionInfo.h"

namespace {

constexpr int ProductPointSize = 20;
constexpr int PictureSize = 64;

// The version line's text is a format with the file version in place of %s.
QString VersionLine(const TVersionInfo& Version) {
  QString fileVersion;
  try {
    fileVersion = Version.FileVersion();
  } catch (const EVersionInfoError&) {
    // An about box without a version number is still an about box.
  }
  return QStringLiteral("版本  %s   ").replace(QStringLiteral("%s"), fileVersion);
}

}  // namespace

// ----------------------------------------------------------------- link label

TLinkLabel::TLinkLabel(const QString& Text, const QString& Address, QWidget* parent)
    : QLabel(Text, parent), FAddress(Address) {
  setCursor(Qt::PointingHandCursor);
  QPalette blue = palette();
  blue.setColor(QPalette::WindowText, Qt::blue);
  setPalette(blue);
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
    shell::OpenDocument(FAddress);
}

// ------------------------------------------------------------------ about box

TFormAbout::TFormAbout(const TVersionInfo& Version, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("关于..."));
  setWindowIcon(AppIcon());
  setFixedSize(497, 331);

  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("imgProduct"));
  picture->setPixmap(AppPicture(PictureSize));
  lblProduct = new QLabel(QStringLiteral("Ormentis软件"), this);
  lblProduct->setObjectName(QStringLiteral("lblProduct"));
  QFont large = lblProduct->font();
  large.setPointSize(ProductPointSize);
  large.setBold(true);
  lblProduct->setFont(large);
  lblVersion = new QLabel(VersionLine(Version), this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));
  auto* maker1 = new QLabel(QStringLiteral("Ormentis以后将致力于为你提供更好的软件体验，"), this);
  maker1->setObjectName(QStringLiteral("lblMaker1"));
  auto* maker2 = new QLabel(QStringLiteral("当然我们的软件会一直免费下去，这需要你的宣传，谢谢"), this);
  maker2->setObjectName(QStringLiteral("lblMaker2"));
  lblHomePage = new TLinkLabel(maker::HomePage(), maker::HomePage(), this);
  lblHomePage->setObjectName(QStringLiteral("lblHomePage"));
  lblSupportMail =
      new TLinkLabel(maker::SupportMail(), QStringLiteral("mailto:") + maker::SupportMail(), this);
  lblSupportMail->setObjectName(QStringLiteral("lblSupportMail"));
  btnOK = AcceptButton(this, QStringLiteral("OK"));

  auto* title = new QVBoxLayout;
  title->addWidget(lblProduct);
  title->addWidget(lblVersion);
  auto* head = new QHBoxLayout;
  head->addWidget(picture);
  head->addSpacing(12);
  head->addLayout(title, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 20, 24, 16);
  layout->addLayout(head);
  layout->addSpacing(16);
  layout->addWidget(maker1);
  layout->addWidget(maker2);
  layout->addSpacing(12);
  layout->addWidget(lblHomePage, 0, Qt::AlignLeft);
  layout->addWidget(lblSupportMail, 0, Qt::AlignLeft);
  layout->addStretch(1);
  layout->addLayout(buttons);

  if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void RunAboutDialog(QWidget* parent) {
  TFormAbout form(TVersionInfo(), parent);
  form.exec();
}
