#pragma once
// What the tests of the small windows and the alert share: a configuration
// that is put back after each test, a priority handler and a shell launcher
// that record instead of acting, and mouse clicks.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <memory>
#include <utility>
#include <vector>

#include "app/ShellServices.h"
#include "support/TestSupport.h"
#include "tasks/Configuration.h"
#include "tasks/ProcessPriority.h"

namespace small_windows {

using TShellCall = std::pair<shell::TShellVerb, QString>;

class TSmallWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FSaved.Assign(AVConfiguration());
    FPreviousPriority = tasks::SetPriorityHandler([this](int nice) { NiceValues.push_back(nice); });
    FPreviousLauncher =
        shell::SetShellLauncher([this](shell::TShellVerb verb, const QString& target) { ShellCalls.emplace_back(verb, target); });
    QFile::remove(TAVConfiguration::GetConfigFile());
  }
  void TearDown() override {
    AVConfiguration().Assign(FSaved);
    tasks::SetPriorityHandler(FPreviousPriority);
    shell::SetShellLauncher(FPreviousLauncher);
  }

  // The Config.Xml on disk, read into a configuration of its own.
  static std::unique_ptr<TAVConfiguration> ConfigurationOnDisk() {
    auto read = std::make_unique<TAVConfiguration>();
    read->LoadFromFile(TAVConfiguration::GetConfigFile());
    return read;
  }

  std::vector<int> NiceValues;
  std::vector<TShellCall> ShellCalls;

 private:
  TAVConfiguration FSaved;
  tasks::TPriorityHandler FPreviousPriority;
  shell::TShellLauncher FPreviousLauncher;
};

inline void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
  QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

// A left click at a point of the widget, as the user makes it.
inline void Click(QWidget* widget, QPoint at) {
  SendMouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton);
  SendMouse(widget, QEvent::MouseButtonRelease, at, Qt::NoButton);
}
inline void Click(QWidget* widget) { Click(widget, widget->rect().center()); }

}  // namespace small_windows
