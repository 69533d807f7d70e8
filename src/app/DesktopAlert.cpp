#include "app/DesktopAlert.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScopeGuard>

#include "app/AppIcon.h"
#include "app/ShellServices.h"
#include "engine/EngineError.h"
#include "engine/ErrorBox.h"
#include "tasks/Configuration.h"

namespace {

constexpr int ButtonWidth = 60;
constexpr int ButtonHeight = 23;
constexpr int ButtonTop = TAVDesktopAlert::AlertHeight - ButtonHeight - 10;
constexpr int PictureSize = 48;
constexpr int Margin = 10;
constexpr int HeaderHeight = 22;

bool IsExistingFile(const QString& path) {
  const QFileInfo info(path);
  return !path.isEmpty() && info.exists() && !info.isDir();
}

}  // namespace

TAVDesktopAlert::TAVDesktopAlert(const TTaskAlert& Alert)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), FFile(Alert.File) {
  setObjectName(QStringLiteral("AVDesktopAlert"));
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setWindowIcon(AppIcon());
  setFixedSize(AlertWidth, AlertHeight);
  setCursor(Qt::PointingHandCursor);
  CreateControls(Alert);
  CreateButtons();

  FDisplay.setSingleShot(true);
  FDisplay.setInterval(DisplayDurationMs);
  connect(&FDisplay, &QTimer::timeout, this, &TAVDesktopAlert::FadeOut);
  FFade = new QPropertyAnimation(this, "windowOpacity", this);
  FFade->setDuration(FadeMs);
  connect(FFade, &QPropertyAnimation::finished, this, &TAVDesktopAlert::FadeFinished);
}

void TAVDesktopAlert::CreateControls(const TTaskAlert& Alert) {
  // File names may hold anything, markup included: the texts are shown as they are.
  lblHeader = new QLabel(Alert.Header, this);
  lblHeader->setObjectName(QStringLiteral("lblHeader"));
  lblHeader->setTextFormat(Qt::PlainText);
  QFont bold = lblHeader->font();
  bold.setBold(true);
  lblHeader->setFont(bold);
  lblHeader->setGeometry(Margin, Margin / 2, AlertWidth - 2 * Margin, HeaderHeight);

  imgPicture = new QLabel(this);
  imgPicture->setObjectName(QStringLiteral("imgPicture"));
  imgPicture->setPixmap(AppPicture(PictureSize));
  imgPicture->setGeometry(Margin, Margin + HeaderHeight, PictureSize, PictureSize);

  const int messageLeft = 2 * Margin + PictureSize;
  lblMessage = new QLabel(Alert.Message, this);
  lblMessage->setObjectName(QStringLiteral("lblMessage"));
  lblMessage->setTextFormat(Qt::PlainText);
  lblMessage->setWordWrap(true);
  lblMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  lblMessage->setGeometry(messageLeft, Margin + HeaderHeight, AlertWidth - messageLeft - Margin,
                          ButtonTop - Margin - HeaderHeight - 4);

  // The alert's one option, on its context menu.
  actStopAlerts = new QAction(QStringLiteral("不再提示"), this);
  actStopAlerts->setObjectName(QStringLiteral("actStopAlerts"));
  connect(actStopAlerts, &QAction::triggered, this, &TAVDesktopAlert::StopShowingAlerts);
  addAction(actStopAlerts);
  setContextMenuPolicy(Qt::ActionsContextMenu);
}

void TAVDesktopAlert::CreateButtons() {
  btnOpenFolder = new QPushButton(QStringLiteral("打开文件夹"), this);
  btnOpenFolder->setObjectName(QStringLiteral("btnOpenFolder"));
  btnOpenFolder->setGeometry(ButtonLeftOpenFolder, ButtonTop, ButtonWidth, ButtonHeight);
  btnClose = new QPushButton(QStringLiteral("关闭"), this);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  btnClose->setGeometry(ButtonLeftClose, ButtonTop, ButtonWidth, ButtonHeight);
  for (QPushButton* button : {btnOpenFolder, btnClose}) {
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::ArrowCursor);
  }
  connect(btnOpenFolder, &QPushButton::clicked, this, &TAVDesktopAlert::RevealFile);
  connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
}

void TAVDesktopAlert::Execute() {
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect available = screen->availableGeometry();
    move(available.right() - AlertWidth + 1, available.bottom() - AlertHeight + 1);
  }
  setWindowOpacity(0.0);
  show();
  FadeTo(1.0);
}

// ------------------------------------------------------------------- fading

void TAVDesktopAlert::FadeTo(qreal Opacity) {
  FFade->stop();
  FFade->setStartValue(windowOpacity());
  FFade->setEndValue(Opacity);
  FFade->start();
}

void TAVDesktopAlert::FadeFinished() {
  if (FFadingOut)
    close();
  else if (!FHeld)
    FDisplay.start();
}

void TAVDesktopAlert::FadeOut() {
  FFadingOut = true;
  FadeTo(0.0);
}

void TAVDesktopAlert::Hold() {
  FHeld = true;
  FDisplay.stop();
  FFade->stop();
  FFadingOut = false;
  setWindowOpacity(1.0);
}

void TAVDesktopAlert::Release() {
  FHeld = false;
  if (isVisible()) FDisplay.start();  // a full display duration from now
}

// ------------------------------------------------------------------ actions

void TAVDesktopAlert::RevealFile() {
  if (IsExistingFile(FFile)) return shell::RevealFile(FFile);
  Hold();
  // The box has no owner and the alert may be gone when it closes.
  const QPointer<TAVDesktopAlert> self(this);
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"),
                  QStringLiteral("%s does not exists.").replace(QStringLiteral("%s"), FFile), QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);
  box.exec();
  if (self) Release();
}

void TAVDesktopAlert::StopShowingAlerts() {
  Hold();
  const auto release = qScopeGuard([this] { Release(); });
  AVConfiguration().SetShowAlert(false);
  try {
    AVConfiguration().Save();
  } catch (const EAVError& error) {
    ShowErrorBox(error.Message());  // alerts stay off for this run
  }
}

// ---------------------------------------------------------- painting, mouse

void TAVDesktopAlert::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QLinearGradient background(0, 0, 0, height());
  background.setColorAt(0.0, QColor(0xf4, 0xf7, 0xfd));
  background.setColorAt(1.0, QColor(0xd6, 0xe2, 0xf6));
  painter.fillRect(rect(), background);
  painter.fillRect(QRect(0, 0, width(), Margin / 2 + HeaderHeight), QColor(0xb9, 0xcf, 0xf1));
  painter.setPen(QColor(0x5a, 0x7d, 0xbf));
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TAVDesktopAlert::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  FPressed = true;
  FDragged = false;
  FGrabOffset = event->position().toPoint();
}

void TAVDesktopAlert::mouseMoveEvent(QMouseEvent* event) {
  if (!FPressed || !(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
  const QPoint moved = event->position().toPoint() - FGrabOffset;
  if (!FDragged && moved.manhattanLength() < QApplication::startDragDistance()) return;
  FDragged = true;
  move(event->globalPosition().toPoint() - FGrabOffset);
}

void TAVDesktopAlert::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !FPressed) return QWidget::mouseReleaseEvent(event);
  FPressed = false;
  if (!FDragged) RevealFile();  // a click on the body, not the end of a drag
}

void ShowDesktopAlert(const TTaskAlert& Alert) {
  auto* alert = new TAVDesktopAlert(Alert);  // deletes itself on close
  alert->Execute();
}
