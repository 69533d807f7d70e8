#pragma once
// Small helpers of the window benchmarks.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace bench {

inline double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t at = std::min(values.size() - 1, size_t(p / 100.0 * double(values.size())));
  return values[at];
}

// Runs the event loop until done() holds, waking at least every 10 ms; it
// sleeps between events, so that it takes no processor from the conversions.
template <class TDone>
void PumpUntil(TDone done) {
  QTimer wake;
  wake.start(10);
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

inline void Pump(int ms) {
  QElapsedTimer t;
  t.start();
  PumpUntil([&] { return t.elapsed() >= ms; });
}

// The lateness of each tick of a 10 ms main-thread timer, in milliseconds,
// while it lives.
class TLatenessProbe {
 public:
  TLatenessProbe() {
    FClock.start();
    FLast = FClock.elapsed();
    FTick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&FTick, &QTimer::timeout, [this] {
      const qint64 now = FClock.elapsed();
      FLateness.push_back(double(std::max<qint64>(0, now - FLast - 10)));
      FLast = now;
    });
    FTick.start(10);
  }
  const std::vector<double>& Lateness() const { return FLateness; }

 private:
  QElapsedTimer FClock;
  qint64 FLast = 0;
  QTimer FTick;
  std::vector<double> FLateness;
};

}  // namespace bench
