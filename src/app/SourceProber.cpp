#include "app/SourceProber.h"

#include <QMetaObject>
#include <tuple>

#include "media/MediaLibraries.h"

TSourceProber::TSourceProber(QObject* parent) : QObject(parent) {
  // Once, here: the libraries are set up before any thread uses them.
  media::LoadMediaLibraries();
  FWorker = std::thread([this] { Work(); });
}

TSourceProber::~TSourceProber() {
  {
    std::lock_guard guard(FLock);
    FStopping = true;
    FFiles.clear();
  }
  FWake.notify_all();
  FWorker.join();
}

void TSourceProber::Probe(const QStringList& Files, bool LookAtPictures) {
  {
    std::lock_guard guard(FLock);
    for (const QString& file : Files) FFiles.emplace_back(file, LookAtPictures);
  }
  FWake.notify_all();
}

void TSourceProber::Work() {
  for (;;) {
    QString file;
    bool lookAtPictures = false;
    {
      std::unique_lock guard(FLock);
      FWake.wait(guard, [this] { return FStopping || !FFiles.empty(); });
      if (FStopping) return;
      std::tie(file, lookAtPictures) = FFiles.front();
      FFiles.pop_front();
    }
    const inspect::TMediaSummary summary = inspect::ProbeMediaFile(file, lookAtPictures);
    // Posted to this object: a prober destroyed meanwhile drops the answer.
    QMetaObject::invokeMethod(
        this,
        [this, file, summary] {
          if (OnProbed) OnProbed(file, summary);
        },
        Qt::QueuedConnection);
  }
}
