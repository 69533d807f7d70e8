#include "tasks/Shutdown.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>

namespace tasks {

namespace {

std::unique_ptr<TShutdownRequest>& Installed() {
  static std::unique_ptr<TShutdownRequest> request;
  return request;
}

}  // namespace

void TLogindShutdown::ShutDown() {
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
      QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
  call << true;
  QDBusConnection::systemBus().asyncCall(call);
}

std::unique_ptr<TShutdownRequest> SetShutdownRequest(std::unique_ptr<TShutdownRequest> request) {
  std::swap(Installed(), request);
  return request;
}

void ShutDownComputer() {
  if (Installed()) Installed()->ShutDown();
}

}  // namespace tasks
