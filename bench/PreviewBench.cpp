// preview-bench FILE [POSITIONS] [SEED]: how long the preview takes to show
// the picture at a new position of FILE, in process, as the new-conversion
// dialog asks for it. Prints the time of opening, then per pattern (random
// positions over the whole file; a slider dragged forward in 0.2 s steps)
// the median, mean, 90th percentile and maximum in milliseconds.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <random>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "inspect/AVPreviewDecoder.h"

namespace {

double Milliseconds(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

void Report(const char* pattern, std::vector<double> ms) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  const double median = ms.size() % 2 ? ms[ms.size() / 2] : (ms[ms.size() / 2 - 1] + ms[ms.size() / 2]) / 2;
  const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / static_cast<double>(ms.size());
  const double p90 = ms[std::min(ms.size() - 1, ms.size() * 9 / 10)];
  std::printf("%-22s %4zu positions   median %7.1f ms   mean %7.1f ms   p90 %7.1f ms   max %7.1f ms\n", pattern,
              ms.size(), median, mean, p90, ms.back());
}

// Shows each position and returns the time each took; -1 when a position showed nothing new.
std::vector<double> Show(TAVPreviewDecoder& preview, const std::vector<double>& positions) {
  std::vector<double> ms;
  for (double position : positions) {
    bool shown = false;
    preview.OnChange = [&](TAVPreviewDecoder*) { shown = true; };
    QElapsedTimer t;
    t.start();
    preview.Settimestamp(position);
    const double elapsed = Milliseconds(t);
    if (!shown) {
      std::fprintf(stderr, "nothing shown at %.3f s\n", position);
      continue;
    }
    ms.push_back(elapsed);
  }
  preview.OnChange = nullptr;
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: preview-bench FILE [POSITIONS] [SEED]\n");
    return 2;
  }
  const int count = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
  const unsigned seed = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 1;
  av_log_set_level(AV_LOG_ERROR);

  TAVPreviewDecoder preview;
  preview.SetInputFile(QString::fromLocal8Bit(argv[1]));
  QElapsedTimer t;
  t.start();
  preview.SetActive(true);
  if (!preview.Active()) {
    std::fprintf(stderr, "cannot show %s\n", argv[1]);
    return 1;
  }
  std::printf("opening and the first picture: %.1f ms (%dx%d, %.1f s)\n", Milliseconds(t), preview.Bitmap().width(),
              preview.Bitmap().height(), preview.Duration());

  std::mt19937 random(seed);
  std::uniform_real_distribution<double> anywhere(0.0, preview.Duration());
  std::vector<double> jumps(count);
  for (double& p : jumps) p = anywhere(random);
  Report("random positions", Show(preview, jumps));

  std::vector<double> drag;
  const double from = preview.Duration() / 3;
  for (int i = 1; i <= count; ++i) drag.push_back(from + 0.2 * i);
  Report("dragging forward", Show(preview, drag));
  return 0;
}
