// The main of every test binary: a Qt application on the main thread (events
// are handed to it; a widget application for window tests), a temporary per-user data folder, and an error box that
// collects its texts instead of showing them.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#ifdef TESVANOR_WIDGET_TESTS
#include <QApplication>
using TTestApplication = QApplication;
#else
using TTestApplication = QCoreApplication;
#endif

namespace testing_support {
void InstallErrorBoxCollector();
}

int main(int argc, char** argv) {
  QTemporaryDir dataHome;
  qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
#ifdef TESVANOR_WIDGET_TESTS
  // Windows are never shown on a screen, also when CTest lists the tests.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
  TTestApplication app(argc, argv);
  testing_support::InstallErrorBoxCollector();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
