// The desktop alert of a finished task: where it appears, its buttons, and
// revealing a file that exists or is gone.

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

#include "app/DesktopAlert.h"
#include "support/TestSupport.h"
#include "SmallWindowFixtures.h"
#include "WidgetTestHelpers.h"

using namespace widget_tests;
using namespace small_windows;
using testing_support::TakeErrorBoxes;
using testing_support::TemporaryFolder;

namespace {

QList<TAVDesktopAlert*> OpenAlerts() {
  QList<TAVDesktopAlert*> alerts;
  for (QWidget* window : QApplication::topLevelWidgets())
    if (auto* alert = qobject_cast<TAVDesktopAlert*>(window)) alerts << alert;
  return alerts;
}

void DeleteClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

// What the message box showed, and whether the alert was holding still.
struct TBoxWhileHeld {
  TBoxSeen Box;
  bool TimerRan = true;
  bool AlertShown = false;
  bool PlainText = false;
};

class DesktopAlert : public TSmallWindowTest {
 protected:
  void SetUp() override {
    TSmallWindowTest::SetUp();
    Existing = TemporaryFolder() + QStringLiteral("/电影.mp4");
    QFile file(Existing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    Missing = TemporaryFolder() + QStringLiteral("/gone <b>1</b>.mp4");  // no markup for the box
  }
  void TearDown() override {
    for (TAVDesktopAlert* alert : OpenAlerts()) alert->close();
    DeleteClosedWindows();
    TSmallWindowTest::TearDown();
  }

  // A shown alert about File, as the completion of a task makes it.
  TAVDesktopAlert* Show(const QString& File) {
    auto* alert = new TAVDesktopAlert({QStringLiteral("任务完成！点击打开文件夹."), File + QLatin1Char(' '), File});
    alert->Execute();
    return alert;
  }

  // Runs Act, which must raise the message box, and answers the box.
  TBoxWhileHeld ExpectBox(TAVDesktopAlert* Alert, const std::function<void()>& Act) {
    TBoxWhileHeld seen;
    WhenModalShown<QMessageBox>([&seen, Alert](QMessageBox* box) {
      seen.Box = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
      seen.TimerRan = Alert->DisplayTimer().isActive();
      seen.AlertShown = Alert->isVisible();
      seen.PlainText = box->textFormat() == Qt::PlainText;
      box->button(QMessageBox::Ok)->click();
    });
    Act();
    return seen;
  }

  QString Existing, Missing;
};

TEST_F(DesktopAlert, AppearsAtTheBottomRightWithItsTextsAndButtons) {
  ShowDesktopAlert({QStringLiteral("任务完成！点击打开文件夹."), Existing + QLatin1Char(' '), Existing});
  ASSERT_EQ(OpenAlerts().size(), 1);
  TAVDesktopAlert* alert = OpenAlerts().first();

  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(alert->isVisible());
  EXPECT_EQ(alert->geometry().size(), QSize(270, 150));
  EXPECT_EQ(alert->geometry().bottomRight(), screen.bottomRight());
  EXPECT_EQ(alert->parentWidget(), nullptr);
  EXPECT_TRUE(alert->windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(alert->windowFlags() & Qt::Tool);
  EXPECT_TRUE(alert->testAttribute(Qt::WA_DeleteOnClose));
  EXPECT_EQ(alert->DisplayTimer().interval(), 400000);

  EXPECT_EQ(alert->lblHeader->text(), "任务完成！点击打开文件夹.");
  EXPECT_EQ(alert->lblMessage->text(), Existing + " ");
  EXPECT_EQ(alert->FileName(), Existing);
  EXPECT_FALSE(alert->imgPicture->pixmap().isNull());

  EXPECT_EQ(alert->btnOpenFolder->text(), "打开文件夹");
  EXPECT_EQ(alert->btnClose->text(), "关闭");
  EXPECT_EQ(alert->btnOpenFolder->geometry().topLeft().x(), 105);
  EXPECT_EQ(alert->btnClose->geometry().topLeft().x(), 195);
  for (const QPushButton* button : {alert->btnOpenFolder, alert->btnClose}) {
    EXPECT_EQ(button->size(), QSize(60, 23));
    EXPECT_EQ(button->y(), alert->btnOpenFolder->y());
    EXPECT_TRUE(alert->rect().contains(button->geometry()));
  }
  alert->setWindowOpacity(1.0);  // the picture should not catch it halfway in
  SaveScreenshot(*alert, "alert.png");
}

TEST_F(DesktopAlert, AMissingFileIsReportedWhileTheAlertHoldsStill) {
  TAVDesktopAlert* alert = Show(Missing);
  const QPointer<TAVDesktopAlert> alive(alert);

  for (const auto& act : std::vector<std::function<void()>>{[alert] { alert->btnOpenFolder->click(); },
                                                          [alert] { Click(alert, QPoint(30, 100)); }}) {
    const TBoxWhileHeld seen = ExpectBox(alert, act);
    EXPECT_EQ(seen.Box.title, "Error");
    EXPECT_EQ(seen.Box.text, Missing + " does not exists.");
    EXPECT_EQ(seen.Box.icon, QMessageBox::Critical);
    EXPECT_FALSE(seen.TimerRan) << "the alert may not fade away under the box";
    EXPECT_TRUE(seen.AlertShown);
    EXPECT_TRUE(seen.PlainText);
    DeleteClosedWindows();
    ASSERT_TRUE(alive);
    EXPECT_TRUE(alert->isVisible()) << "the alert stays";
    EXPECT_TRUE(alert->DisplayTimer().isActive()) << "and counts its time again";
  }
  EXPECT_TRUE(ShellCalls.empty()) << "no file manager for a file that is gone";
}

TEST_F(DesktopAlert, AnExistingFileIsRevealedByTheButtonAndByAClick) {
  TAVDesktopAlert* alert = Show(Existing);
  alert->btnOpenFolder->click();
  Click(alert->lblMessage);  // the texts belong to the body
  const TShellCall reveal(shell::TShellVerb::RevealFile, Existing);
  EXPECT_EQ(ShellCalls, (std::vector<TShellCall>{reveal, reveal}));
  EXPECT_TRUE(alert->isVisible());
}

TEST_F(DesktopAlert, DraggingMovesTheAlertWithoutRevealing) {
  TAVDesktopAlert* alert = Show(Existing);
  const QPoint start = alert->pos();
  SendMouse(alert, QEvent::MouseButtonPress, QPoint(40, 40), Qt::LeftButton);
  SendMouse(alert, QEvent::MouseMove, QPoint(42, 41), Qt::LeftButton);
  EXPECT_EQ(alert->pos(), start) << "a shaking hand is no drag";
  SendMouse(alert, QEvent::MouseMove, QPoint(-60, -10), Qt::LeftButton);
  EXPECT_EQ(alert->pos(), start + QPoint(-100, -50));
  SendMouse(alert, QEvent::MouseButtonRelease, QPoint(0, 0), Qt::NoButton);
  EXPECT_TRUE(ShellCalls.empty());
}

TEST_F(DesktopAlert, CloseDestroysTheAlertAtOnce) {
  const QPointer<TAVDesktopAlert> alert(Show(Existing));
  alert->btnClose->click();
  DeleteClosedWindows();
  EXPECT_TRUE(alert.isNull());
  EXPECT_TRUE(ShellCalls.empty());
}

TEST_F(DesktopAlert, StopShowingAlertsTurnsThemOffAndSaves) {
  AVConfiguration().SetShowAlert(true);
  TAVDesktopAlert* alert = Show(Existing);
  EXPECT_EQ(alert->actStopAlerts->text(), "不再提示");
  EXPECT_TRUE(alert->actions().contains(alert->actStopAlerts));
  alert->actStopAlerts->trigger();
  EXPECT_FALSE(AVConfiguration().ShowAlert());
  EXPECT_FALSE(ConfigurationOnDisk()->ShowAlert());
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
}

}  // namespace
