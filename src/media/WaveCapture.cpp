#include "media/WaveCapture.h"

#include <alsa/asoundlib.h>

#include <chrono>
#include <system_error>
#include <vector>

namespace media {

namespace {

using Clock = std::chrono::steady_clock;

// How long one wait for the device lasts; a stop request is seen this often.
constexpr int WaitMilliseconds = 50;
// A device silent this long without an error is taken as failed, so that a
// stalled device cannot hold a recording open for ever.
constexpr auto StallLimit = std::chrono::seconds(5);
// The device's own buffer, in microseconds.
constexpr unsigned DeviceLatency = 500000;

// One capture at a time in the process.
std::mutex& DeviceLock() {
  static std::mutex lock;
  return lock;
}
bool deviceBusy = false;

// The library prints its own complaints to standard error; ours go to the log.
void QuietErrors(const char*, int, const char*, int, const char*, ...) {}

void SilenceLibrary() {
  static std::once_flag once;
  std::call_once(once, [] { snd_lib_error_set_handler(QuietErrors); });
}

QString ErrorText(int error) { return QString::fromLocal8Bit(snd_strerror(error)); }

}  // namespace

struct TWaveCapture::TDevice {
  snd_pcm_t* pcm = nullptr;
  ~TDevice() {
    if (pcm) snd_pcm_close(pcm);
  }
};

TWaveCapture::TWaveCapture() = default;

TWaveCapture::~TWaveCapture() { Stop(); }

QByteArray TWaveCapture::DeviceFor(const QString& sourceName) {
  const QByteArray name = sourceName.toUtf8();
  const qsizetype colon = name.indexOf(':');
  const QByteArray base = colon < 0 ? name : name.left(colon);
  if (base.isEmpty() || base.contains('.')) return QByteArrayLiteral("default");
  SilenceLibrary();
  snd_config_t* top = nullptr;
  if (snd_config_update_ref(&top) < 0) return QByteArrayLiteral("default");
  snd_config_t* node = nullptr;
  const bool defined = snd_config_search(top, QByteArray("pcm." + base).constData(), &node) >= 0;
  snd_config_unref(top);
  return defined ? name : QByteArrayLiteral("default");
}

TWaveCapture::TStartResult TWaveCapture::Start(const QByteArray& device, int rate, int channels, QString* why) {
  {
    std::lock_guard guard(DeviceLock());
    if (deviceBusy || FHoldsDevice) {
      *why = QStringLiteral("another recording is running");
      return srBusy;
    }
    deviceBusy = true;
    FHoldsDevice = true;
  }
  SilenceLibrary();
  FRate = rate;
  FBlockAlign = channels * 2;
  FDevice = std::make_unique<TDevice>();
  auto fail = [&](TStartResult result, const QString& text) {
    *why = text;
    Stop();
    return result;
  };
  int r = snd_pcm_open(&FDevice->pcm, device.constData(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
  if (r < 0) {
    FDevice->pcm = nullptr;
    return fail(srOpenFailed, ErrorText(r));
  }
  r = snd_pcm_set_params(FDevice->pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, channels, rate, 1,
                         DeviceLatency);
  if (r < 0) return fail(srOpenFailed, ErrorText(r));
  if ((r = snd_pcm_prepare(FDevice->pcm)) < 0) return fail(srPrepareFailed, ErrorText(r));
  if ((r = snd_pcm_start(FDevice->pcm)) < 0) return fail(srStartFailed, ErrorText(r));
  FStopping = false;
  FCapturing = true;
  try {
    FThread = std::thread([this] { Run(); });
  } catch (const std::system_error& e) {
    FCapturing = false;
    return fail(srQueueFailed, QString::fromLocal8Bit(e.what()));
  }
  return srStarted;
}

void TWaveCapture::Stop() {
  FStopping = true;
  if (FThread.joinable()) FThread.join();
  FCapturing = false;
  if (FDevice && FDevice->pcm) snd_pcm_drop(FDevice->pcm);
  FDevice.reset();
  if (FHoldsDevice) {
    std::lock_guard guard(DeviceLock());
    deviceBusy = false;
    FHoldsDevice = false;
  }
}

QString TWaveCapture::Failure() const {
  std::lock_guard guard(FLock);
  return FFailure;
}

QByteArray TWaveCapture::Take() {
  std::lock_guard guard(FLock);
  QByteArray bytes;
  bytes.swap(FPending);
  return bytes;
}

qsizetype TWaveCapture::Pending() const {
  std::lock_guard guard(FLock);
  return FPending.size();
}

void TWaveCapture::Deliver(const unsigned char* bytes, int size) {
  std::lock_guard guard(FLock);
  FPending.append(reinterpret_cast<const char*>(bytes), size);
}

void TWaveCapture::Run() {
  snd_pcm_t* pcm = FDevice->pcm;
  const int chunkFrames = BufferBytes / FBlockAlign;
  const int chunkBytes = chunkFrames * FBlockAlign;
  std::vector<unsigned char> buffer(chunkBytes);
  // The silent device has no clock of its own: its buffers are due when
  // real time has caught up with them.
  const bool paced = snd_pcm_type(pcm) == SND_PCM_TYPE_NULL;
  const Clock::time_point start = Clock::now();
  Clock::time_point lastData = start;
  int64_t framesDelivered = 0;
  int filled = 0;
  auto fail = [&](const QString& text) {
    std::lock_guard guard(FLock);
    FFailure = text;
  };
  while (!FStopping.load(std::memory_order_acquire)) {
    const int ready = snd_pcm_wait(pcm, WaitMilliseconds);
    if (ready == 0) {
      if (Clock::now() - lastData > StallLimit) {
        fail(QStringLiteral("no sound arrives from the device"));
        break;
      }
      continue;
    }
    const snd_pcm_sframes_t n =
        ready < 0 ? ready : snd_pcm_readi(pcm, buffer.data() + filled, (chunkBytes - filled) / FBlockAlign);
    if (n == -EAGAIN) continue;
    if (n < 0) {
      // An overrun or a suspended device starts again; samples are lost.
      if (snd_pcm_recover(pcm, static_cast<int>(n), 1) >= 0) {
        snd_pcm_start(pcm);  // a capture prepared again waits for its start
        continue;
      }
      fail(ErrorText(static_cast<int>(n)));
      break;
    }
    lastData = Clock::now();
    filled += static_cast<int>(n) * FBlockAlign;
    if (filled < chunkBytes) continue;
    framesDelivered += chunkFrames;
    if (paced) std::this_thread::sleep_until(start + std::chrono::microseconds(framesDelivered * 1000000 / FRate));
    Deliver(buffer.data(), chunkBytes);
    filled = 0;
  }
  FCapturing.store(false, std::memory_order_release);
}

}  // namespace media
