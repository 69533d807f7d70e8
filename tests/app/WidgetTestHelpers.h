#pragma once
// Helpers of the window tests: answering modal windows, typing, controls by
// name and screenshots under the build tree.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRawFont>
#include <QTabWidget>
#include <QTextDocument>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <vector>

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

// Every text the window shows: its caption, labels, buttons, group and tab
// titles, list and drop-down entries, fields and the entries of its menus.
inline QString ShownTexts(const QWidget& window) {
  QStringList texts{window.windowTitle()};
  auto actions = [&texts](const QWidget* w) {
    for (const QAction* a : w->actions()) texts << a->text() << a->toolTip();
  };
  actions(&window);
  for (const QWidget* w : window.findChildren<QWidget*>()) {
    actions(w);
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
      QTextDocument document;
      document.setHtml(label->text());
      texts << (label->textFormat() == Qt::PlainText ? label->text() : document.toPlainText());
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
      texts << button->text();
    } else if (const auto* group = qobject_cast<const QGroupBox*>(w)) {
      texts << group->title();
    } else if (const auto* tabs = qobject_cast<const QTabWidget*>(w)) {
      for (int i = 0; i < tabs->count(); ++i) texts << tabs->tabText(i);
    } else if (const auto* combo = qobject_cast<const QComboBox*>(w)) {
      for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    } else if (const auto* list = qobject_cast<const QListWidget*>(w)) {
      for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    } else if (const auto* field = qobject_cast<const QLineEdit*>(w)) {
      texts << field->text() << field->placeholderText();
    }
  }
  return texts.join(QLatin1Char('\n'));
}

// The characters of text beyond ASCII that no installed font can draw (they
// would show as empty boxes).
inline QString CharactersWithoutAFont(const QString& text) {
  static QHash<QChar, bool> drawable;
  static const std::vector<QRawFont> fonts = [] {
    std::vector<QRawFont> all;
    for (const QString& family : QFontDatabase::families()) all.push_back(QRawFont::fromFont(QFont(family)));
    return all;
  }();
  QString missing;
  for (const QChar c : text) {
    if (c.unicode() < 0x80 || c.isSpace() || c.isSurrogate() || missing.contains(c)) continue;
    if (!drawable.contains(c))
      drawable[c] = std::any_of(fonts.begin(), fonts.end(),
                                [c](const QRawFont& f) { return f.isValid() && f.supportsCharacter(c); });
    if (!drawable[c]) missing += c;
  }
  return missing;
}

// Saves a picture of the window as build/screenshots/<name>, after checking
// that every text it shows can be drawn.
inline void SaveScreenshot(QWidget& window, const QString& name) {
  EXPECT_EQ(CharactersWithoutAFont(ShownTexts(window)), QString()) << name.toStdString();
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
