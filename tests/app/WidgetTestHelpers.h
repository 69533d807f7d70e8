#pragma once
// Helpers of the window tests: answering modal windows, typing, controls by
// name and screenshots under the build tree.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace widget_tests {

// Runs action on the next modal window of type T as soon as it is shown.
template <class T>
void WhenModalShown(std::function<void(T*)> action) {
  auto* poll = new QTimer(qApp);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, action] {
    if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget()); window && window->isVisible()) {
      poll->stop();
      poll->deleteLater();
      action(window);
    }
  });
  poll->start(5);
}

struct TBoxSeen {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
};

// Answers the next message box with answer and records what it showed.
inline void AnswerNextBox(QMessageBox::StandardButton answer, TBoxSeen* seen = nullptr) {
  WhenModalShown<QMessageBox>([answer, seen](QMessageBox* box) {
    if (seen) *seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
    QAbstractButton* button = box->button(answer);
    if (!button && !box->buttons().isEmpty()) button = box->buttons().first();
    if (button) button->click();
  });
}

// Key presses as a user types them.
inline void Type(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
  }
}

// Saves a picture of the window as build/screenshots/<name>.
inline void SaveScreenshot(QWidget& window, const QString& name) {
  const QString folder = QStringLiteral(TESVANOR_FIXTURE_DIR "/../screenshots");
  QDir().mkpath(folder);
  EXPECT_TRUE(window.grab().save(folder + QLatin1Char('/') + name));
}

// The child control of that object name; a test failure when there is none.
template <class T = QWidget>
T* Control(const QWidget& window, const char* name) {
  T* control = window.findChild<T*>(QLatin1String(name));
  EXPECT_NE(control, nullptr) << name;
  return control;
}

}  // namespace widget_tests
