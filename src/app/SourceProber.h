#pragma once
// Probes the sources of the wizard's list on a thread of its own, so that a
// batch of many files shows at once and fills in its lengths and tracks as
// they are found. The answers come on the main thread, in the order asked.

#include <QObject>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "inspect/MediaTracks.h"

class TSourceProber : public QObject {
  Q_OBJECT

 public:
  explicit TSourceProber(QObject* parent = nullptr);
  // Stops after the file being probed and waits for the thread.
  ~TSourceProber() override;

  // LookAtPictures: decode a few pictures of each to find interlacing the flags do not tell of.
  void Probe(const QStringList& Files, bool LookAtPictures = false);

  // On the main thread; never after the prober is gone.
  std::function<void(const QString& File, const inspect::TMediaSummary& Summary)> OnProbed;

 private:
  void Work();

  std::mutex FLock;
  std::condition_variable FWake;
  std::deque<std::pair<QString, bool>> FFiles;  // and whether to look at its pictures
  bool FStopping = false;
  std::thread FWorker;
};
