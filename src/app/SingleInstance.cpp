#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <utility>

namespace {

// The running copy's answer once it has taken a request.
constexpr char Taken = '\x06';

// The same folder however it is spelt (a symbolic link, "..").
QString FolderIdentity(const QString& folder) {
  const QFileInfo info(folder);
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

}  // namespace

TSingleInstance::TSingleInstance(const QString& DataFolder, QObject* parent)
    : QObject(parent), FDataFolder(DataFolder) {}

TSingleInstance::~TSingleInstance() {
  if (FServer) FServer->close();
}

QString TSingleInstance::SocketPath(const QString& DataFolder) {
  QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (base.isEmpty() || QDir::isRelativePath(base) || !QFileInfo(base).isDir()) base = QDir::tempPath();
  const QByteArray hash =
      QCryptographicHash::hash(FolderIdentity(DataFolder).toUtf8(), QCryptographicHash::Sha256).toHex().left(24);
  return QDir(base).filePath(QStringLiteral("tesvanor-%1").arg(QString::fromLatin1(hash)));
}

QString TSingleInstance::LockFileName(const QString& DataFolder) {
  return QDir(DataFolder).filePath(QStringLiteral("tesvanor.lock"));
}

bool TSingleInstance::Claim() {
  QDir().mkpath(FDataFolder);
  FLock = std::make_unique<QLockFile>(LockFileName(FDataFolder));
  // Held for the whole run, however long: only a lock whose process is gone is stale.
  FLock->setStaleLockTime(0);
  if (!FLock->tryLock(0)) {
    if (FLock->error() == QLockFile::LockFailedError) return false;
    // A folder the lock cannot be written in cannot keep anything else
    // either; the program starts and reports that where it fails.
    std::fprintf(stderr, "tesvanor: cannot write %s\n", qPrintable(LockFileName(FDataFolder)));
  }
  Listen();
  return true;
}

void TSingleInstance::Listen() {
  const QString path = SocketPath(FDataFolder);
  // This process holds the lock: a socket left there belongs to a copy that ended without cleaning up.
  QLocalServer::removeServer(path);
  FServer = new QLocalServer(this);
  FServer->setSocketOptions(QLocalServer::UserAccessOption);
  connect(FServer, &QLocalServer::newConnection, this, &TSingleInstance::Accept);
  if (!FServer->listen(path))
    std::fprintf(stderr, "tesvanor: later starts cannot reach this window (%s: %s)\n", qPrintable(path),
                 qPrintable(FServer->errorString()));
}

void TSingleInstance::Accept() {
  while (QLocalSocket* socket = FServer->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
    if (socket->bytesAvailable() > 0) Read(socket);
  }
}

void TSingleInstance::Read(QLocalSocket* Socket) {
  QDataStream in(Socket);
  in.setVersion(QDataStream::Qt_6_0);
  in.startTransaction();
  QString file;
  in >> file;
  if (!in.commitTransaction()) return;  // the rest is still on its way
  Socket->write(&Taken, 1);
  Socket->flush();
  if (FOnRequest)
    FOnRequest(file);
  else
    FPending << file;
}

void TSingleInstance::SetOnRequest(std::function<void(const QString& File)> Handler) {
  FOnRequest = std::move(Handler);
  if (!FOnRequest) return;
  const QStringList pending = std::exchange(FPending, {});
  for (const QString& file : pending) FOnRequest(file);
}

QString TSingleInstance::HandOver(const QString& File, int TimeoutMs) const {
  const QString path = SocketPath(FDataFolder);
  const QDeadlineTimer deadline(TimeoutMs);
  QLocalSocket socket;
  // The running copy may have taken the lock a moment ago and not be listening yet.
  for (;;) {
    socket.connectToServer(path);
    if (socket.waitForConnected(int(std::max<qint64>(1, deadline.remainingTime())))) break;
    if (deadline.hasExpired()) return socket.errorString();
    QThread::msleep(50);
  }
  QByteArray request;
  QDataStream out(&request, QIODevice::WriteOnly);
  out.setVersion(QDataStream::Qt_6_0);
  out << File;
  socket.write(request);
  socket.waitForBytesWritten(int(std::max<qint64>(1, deadline.remainingTime())));
  while (socket.bytesAvailable() < 1) {
    if (deadline.hasExpired() || !socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
      return socket.error() == QLocalSocket::UnknownSocketError ? QStringLiteral("no answer") : socket.errorString();
  }
  char answer = 0;
  socket.read(&answer, 1);
  return answer == Taken ? QString() : QStringLiteral("unexpected answer");
}
