#pragma once
// One copy of the program per data folder: two windows on the same task
// database would run two engines into one target and one row, and the one
// that ends last would overwrite the other's Config.Xml.
//
// The first start takes a lock file in the data folder and listens on a local
// socket named after the folder. A later start finds the lock taken, hands
// its file (or nothing, which only brings the window forward) to the running
// copy over the socket and ends. The command-line tool takes no part in this
// and runs beside the window.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

class TSingleInstance : public QObject {
 public:
  explicit TSingleInstance(const QString& DataFolder, QObject* parent = nullptr);
  ~TSingleInstance() override;

  // Takes the data folder for this process (creating the folder) and starts
  // listening for later starts. False when a running copy holds it.
  bool Claim();
  // From a later start: hands File to the running copy and waits until it has
  // taken it. Empty on success, otherwise why it could not.
  QString HandOver(const QString& File, int TimeoutMs = 10000) const;

  // Called with the file of each later start (empty for none). Requests that
  // arrive before a handler is set are kept for it.
  void SetOnRequest(std::function<void(const QString& File)> Handler);

  // The socket of the copy that runs for the data folder: in the user's
  // runtime folder (or the temporary folder), named after the folder's path.
  static QString SocketPath(const QString& DataFolder);
  static QString LockFileName(const QString& DataFolder);

 private:
  void Listen();
  void Accept();
  void Read(QLocalSocket* Socket);

  QString FDataFolder;
  std::unique_ptr<QLockFile> FLock;
  QLocalServer* FServer = nullptr;
  std::function<void(const QString& File)> FOnRequest;
  QStringList FPending;
};
