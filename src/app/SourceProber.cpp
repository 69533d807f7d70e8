#include "app/SourceProber.h"

#include <QMetaObject>

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

void TSourceProber::Probe(const QStringList& Files) {
  {
    std::lock_guard guard(FLock);
    FFiles.insert(FFiles.end(), Files.begin(), Files.end());
  }
  FWake.notify_all();
}

void TSourceProber::Work() {
  for (;;) {
    QString file;
    {
      std::unique_lock guard(FLock);
      FWake.wait(guard, [this] { return FStopping || !FFiles.empty(); });
      if (FStopping) return;
      file = FFiles.front();
      FFiles.pop_front();
    }
    const inspect::TMediaSummary summary = inspect::ProbeMediaFile(file);
    // Posted to this object: a prober destroyed meanwhile drops the answer.
    QMetaObject::invokeMethod(
        this,
        [this, file, summary] {
          if (OnProbed) OnProbed(file, summary);
        },
        Qt::QueuedConnection);
  }
}
