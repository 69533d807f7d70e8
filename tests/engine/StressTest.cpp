// Eight conversions in one process, paused, resumed and stopped at random
// with a fixed seed: nothing hangs, every run ends with one completion and no
// error, and every file left behind, stopped or finished, decodes to its end.
// Then eight more are dropped while they run, as at the program's end.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <memory>
#include <random>

#include "ConversionSupport.h"
#include "engine/ConvertThreads.h"

using namespace testing_support;

namespace {

struct TTarget {
  const char* extension;
  const char* video;
  const char* audio;
  bool oneThreadEncoder;
};

// Containers and encoders of different pace, decoding beside the loop or on it.
constexpr TTarget Targets[] = {
    {".mp4", "libx264", "aac", false},         {".avi", "mpeg4", "libmp3lame", false},
    {".wmv", "wmv2", "wmav2", true},           {".flv", "flv", "libmp3lame", true},
    {".mpg", "mpeg2video", "mp2", false},      {".mkv", "libx264", "libvorbis", false},
    {".mov", "mjpeg", "pcm_s16le", false},     {".3gp", "h263", "aac", true},
};

struct TRun {
  std::unique_ptr<TAVConverter> converter;
  QString target;
  int completions = 0;
  bool stopped = false;
};

// Decodes the whole file, stopping at the first damaged unit: what the
// decoder said, empty when the file played to its end.
QString DecodingErrors(const QString& file) {
  QProcess ffmpeg;
  ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
  ffmpeg.start(QStringLiteral("ffmpeg"), {"-nostdin", "-v", "error", "-xerror", "-i", file, "-f", "null", "-"});
  ffmpeg.waitForFinished(120000);
  const QString said = QString::fromUtf8(ffmpeg.readAll()).trimmed();
  if (ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0)
    return said.isEmpty() ? QStringLiteral("ffmpeg failed") : said;
  return said;
}

}  // namespace

TEST(Stress, EightConversionsPausedResumedAndStoppedAtRandom) {
  MediaSpec spec;
  spec.seconds = 10;
  spec.width = 640;
  spec.height = 360;
  spec.videoCodec = QStringLiteral("libx264");
  spec.audioCodec = QStringLiteral("aac");
  spec.container = QStringLiteral("mp4");
  const QString source = MediaFixture(spec);
  ASSERT_FALSE(source.isEmpty());

  std::mt19937 random(20261210);
  constexpr int Rounds = 4;
  for (int round = 0; round < Rounds; ++round) {
    std::vector<TRun> runs(std::size(Targets));
    for (size_t i = 0; i < runs.size(); ++i) {
      TRun& run = runs[i];
      const TTarget& t = Targets[i];
      run.converter = std::make_unique<TAVConverter>();
      run.target = Target(QStringLiteral("stress%1-%2%3").arg(round).arg(i).arg(QLatin1String(t.extension)));
      TAVConverter& c = *run.converter;
      c.InputFiles() << source;
      c.OutputFiles() << run.target;
      TAVConvertOptions& o = c.ConvertOptions();
      o.VideoOptions().SetEncoderVideoCodecName(QByteArray(t.video));
      o.AudioOptions().SetEncoderAudioCodecName(QLatin1String(t.audio));
      if (QLatin1String(t.video) == QLatin1String("h263")) {
        o.VideoOptions().SetFrameWidth(352);
        o.VideoOptions().SetFrameHeight(288);
        o.AudioOptions().SetAudioSampleRate(8000);
        o.AudioOptions().SetAudioChannels(1);
      }
      o.SetThreadCount(t.oneThreadEncoder ? 1 : 2);
      c.SetDecoderThreadCount(int(i + round) % 2 ? 2 : 1);
      c.OnComplete = [&run](TAVConverter*) { ++run.completions; };
    }
    for (TRun& run : runs) run.converter->Convert();

    // Random pauses and resumptions while they run, and now and then a stop.
    const auto ended = [&] {
      return std::all_of(runs.begin(), runs.end(), [](const TRun& r) { return r.completions > 0; });
    };
    QElapsedTimer clock;
    clock.start();
    while (!ended() && clock.elapsed() < 20000) {
      TRun& run = runs[random() % runs.size()];
      const unsigned action = random() % 100;
      if (action < 45) {
        run.converter->Pause();
      } else if (action < 99) {
        run.converter->Resume();
      } else if (!run.stopped) {
        run.stopped = true;
        run.converter->Stop();
      }
      PumpUntil([] { return false; }, int(5 + random() % 40));
    }
    for (TRun& run : runs) run.converter->Resume();

    ASSERT_TRUE(PumpUntil(ended, 240000)) << "a run hung in round " << round;
    PumpUntil([] { return false; }, 50);  // no second completion follows
    for (TRun& run : runs) {
      SCOPED_TRACE(run.target.toStdString());
      EXPECT_EQ(run.completions, 1);
      EXPECT_TRUE(run.converter->ErrorMsg().isEmpty()) << run.converter->ErrorMsg().toStdString();
      if (!run.stopped) {
        EXPECT_TRUE(QFileInfo::exists(run.target));
      }
      // A run stopped before its first picture keeps its file as it is, as the
      // ffmpeg tool does: Matroska's muxer writes an empty file that does not open.
      const bool somethingConverted = run.converter->ConvertedDuration() > 0;
      if (QFileInfo::exists(run.target) && (somethingConverted || !run.stopped)) {
        EXPECT_EQ(DecodingErrors(run.target), QString()) << (run.stopped ? "stopped" : "finished");
      }
    }
  }
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
}

TEST(Stress, ConvertersDroppedWhileTheyRunEndAtOnceAndRaiseNothing) {
  MediaSpec spec;
  spec.seconds = 10;
  spec.videoCodec = QStringLiteral("libx264");
  spec.container = QStringLiteral("mp4");
  const QString source = MediaFixture(spec);
  std::vector<std::unique_ptr<TAVConverter>> converters;
  int completions = 0;
  for (size_t i = 0; i < std::size(Targets); ++i) {
    auto c = std::make_unique<TAVConverter>();
    c->InputFiles() << source;
    c->OutputFiles() << Target(QStringLiteral("dropped%1.mkv").arg(i));
    c->ConvertOptions().VideoOptions().SetEncoderVideoCodecName("libx264");
    c->SetDecoderThreadCount(int(i % 2) + 1);
    c->OnComplete = [&](TAVConverter*) { ++completions; };
    c->Convert();
    converters.push_back(std::move(c));
  }
  PumpUntil([] { return false; }, 300);
  QElapsedTimer clock;
  clock.start();
  converters.clear();
  EXPECT_LT(clock.elapsed(), 5000);
  PumpUntil([] { return false; }, 100);
  EXPECT_EQ(completions, 0);
  EXPECT_EQ(engine::ConvertThreadCount(), 0) << "every worker was joined";
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
}

