#pragma once
// Recording 16-bit interleaved PCM from an ALSA capture device. A thread of
// the stage fills a 4096-byte buffer from the device and, each time it is
// full, appends it to the bytes waiting to be taken; the reader takes
// whatever has gathered. A device that delivers faster than real time (the
// "null" device makes silence as fast as it is read) is held to the clock,
// so a recording always runs in real time. Only one capture runs at a time
// in the process.

#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace media {

class TWaveCapture {
 public:
  // Size of one capture buffer.
  static constexpr int BufferBytes = 4096;

  enum TStartResult { srStarted, srBusy, srOpenFailed, srPrepareFailed, srQueueFailed, srStartFailed };

  TWaveCapture();
  ~TWaveCapture();
  TWaveCapture(const TWaveCapture&) = delete;
  TWaveCapture& operator=(const TWaveCapture&) = delete;

  // Opens device and starts recording rate × channels 16-bit samples. On
  // failure *why is the device's error text (or why the capture is busy).
  TStartResult Start(const QByteArray& device, int rate, int channels, QString* why);
  // Stops recording; the bytes not yet taken stay.
  void Stop();

  // Whether the device still records (false after Stop or a device error).
  bool Capturing() const { return FCapturing.load(std::memory_order_acquire); }
  // The error that ended the recording, or empty.
  QString Failure() const;
  // The captured bytes not yet taken, now emptied.
  QByteArray Take();
  // Bytes waiting to be taken.
  qsizetype Pending() const;

  // The device a source name chooses: the name itself when it names an
  // ALSA capture device ("null", "default", "hw:1,0" …), else "default".
  static QByteArray DeviceFor(const QString& sourceName);

 private:
  void Run();
  void Deliver(const unsigned char* bytes, int size);

  struct TDevice;
  std::unique_ptr<TDevice> FDevice;
  std::thread FThread;
  std::atomic<bool> FCapturing{false};
  std::atomic<bool> FStopping{false};
  mutable std::mutex FLock;  // guards FPending and FFailure
  QByteArray FPending;
  QString FFailure;
  bool FHoldsDevice = false;  // this capture is the process's one
  int FRate = 0;
  int FBlockAlign = 0;
};

}  // namespace media
