#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/ErrorBox.h"

namespace testing_support {

namespace {
std::mutex boxLock;
QStringList boxes;
}  // namespace

void InstallErrorBoxCollector() {
  SetErrorBoxHandler([](const QString& text) {
    std::lock_guard guard(boxLock);
    boxes.append(text);
  });
}

QStringList TakeErrorBoxes() {
  std::lock_guard guard(boxLock);
  QStringList taken;
  taken.swap(boxes);
  return taken;
}

bool PumpUntil(const std::function<bool()>& pred, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!pred()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

TCliRun RunCli(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(TESVANOR_CLI), args);
  p.closeWriteChannel();
  p.waitForFinished(120000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

QString TemporaryFolder() {
  static std::vector<std::unique_ptr<QTemporaryDir>> folders;
  folders.push_back(std::make_unique<QTemporaryDir>());
  return folders.back()->path();
}

}  // namespace testing_support
