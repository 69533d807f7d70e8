// The main of every test binary: a Qt application on the main thread (events
// are handed to it), a temporary per-user data folder, and an error box that
// collects its texts instead of showing them.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

namespace testing_support {
void InstallErrorBoxCollector();
}

int main(int argc, char** argv) {
  QTemporaryDir dataHome;
  qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
  QCoreApplication app(argc, argv);
  testing_support::InstallErrorBoxCollector();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
