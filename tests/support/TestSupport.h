#pragma once
// Helpers every test binary shares.

#include <QString>
#include <QStringList>
#include <functional>
#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace testing_support {

// The texts shown through the error box since the last call (collected by
// the test main's handler); the list is emptied.
QStringList TakeErrorBoxes();

// Processes main-thread events until pred holds; false on timeout.
bool PumpUntil(const std::function<bool()>& pred, int timeoutMs = 20000);

// A fresh folder under the system's temporary folder, removed at exit.
QString TemporaryFolder();

// One run of tesvanor-cli. The child inherits this process's environment, so
// it sees the same (temporary) data folder.
struct TCliRun {
  int exitCode = -1;
  QString out, err;
};
TCliRun RunCli(const QStringList& args);

}  // namespace testing_support
