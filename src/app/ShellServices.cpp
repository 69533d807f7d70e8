#include "app/ShellServices.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace shell {

namespace {

QUrl UrlOf(const QString& pathOrAddress) {
  const QUrl url(pathOrAddress);
  // A relative reference or a one-letter scheme is a path, not an address.
  if (url.scheme().size() > 1) return url;
  return QUrl::fromLocalFile(QFileInfo(pathOrAddress).absoluteFilePath());
}

void OpenContainingFolder(const QString& file) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
}

// The freedesktop file-manager interface selects the file. Without a file
// manager answering on the session bus (light desktops have none) the folder is
// opened instead; the answer comes later, so the fallback waits for it.
void RevealOnDesktop(const QString& file) {
  const QString uri = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toString();
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << QStringList{uri} << QString();
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return OpenContainingFolder(file);
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));  // deletes itself below
  QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [file](QDBusPendingCallWatcher* w) {
    if (w->isError()) OpenContainingFolder(file);
    w->deleteLater();
  });
}

void LaunchOnDesktop(TShellVerb verb, const QString& target) {
  switch (verb) {
    case TShellVerb::Open:
      QDesktopServices::openUrl(UrlOf(target));
      break;
    case TShellVerb::ShowFolder:
      QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath()));
      break;
    case TShellVerb::RevealFile:
      RevealOnDesktop(target);
      break;
  }
}

TShellLauncher& Launcher() {
  static TShellLauncher launcher = LaunchOnDesktop;
  return launcher;
}

}  // namespace

TShellLauncher SetShellLauncher(TShellLauncher launcher) {
  std::swap(Launcher(), launcher);
  return launcher;
}

void OpenDocument(const QString& pathOrAddress) { Launcher()(TShellVerb::Open, pathOrAddress); }
void ShowFolder(const QString& folder) { Launcher()(TShellVerb::ShowFolder, folder); }
void RevealFile(const QString& file) { Launcher()(TShellVerb::RevealFile, file); }

}  // namespace shell
