// tesvanor-cli probe, info and snapshot, run as the user runs them.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "InspectFixtures.h"
#include "support/MediaFixtures.h"
#include "support/TestSupport.h"

using namespace testing_support;
using namespace inspect_testing;

namespace {

}  // namespace

TEST(CliInspect, ProbePrintsOneValuePerLine) {
  MediaSpec spec;
  spec.videoCodec = QStringLiteral("libx264");
  spec.audioCodec = QStringLiteral("pcm_s16le");
  spec.sampleRate = 22050;
  spec.channels = 1;
  spec.container = QStringLiteral("mkv");
  const QString file = MediaFixture(spec);
  const TCliRun run = RunCli({"probe", file});
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.out, QStringLiteral("FileName: %1\nHasVideo: true\nVideoEncoderName: h264\nVideoWidth: 320\n"
                                    "VideoHeight: 240\nVideoBitrate: 0\nVideoFrameRate: 25\nHasAudio: true\n"
                                    "AudioEncoderName: pcm_s16le\nSampleRate: 22050\nChannels: 1\nAudioBitrate: 352800\n")
                         .arg(file));

  const TCliRun broken = RunCli({"probe", WrittenFile(QStringLiteral("notes.mkv"), QByteArray("text\n").repeated(99))});
  EXPECT_EQ(broken.exitCode, 1);
  EXPECT_TRUE(broken.err.endsWith("Error: Error Opening File!\n")) << broken.err.toStdString();
  EXPECT_EQ(RunCli({"probe", QDir(TemporaryFolder()).filePath("missing.mkv")}).exitCode, 1);
}

TEST(CliInspect, SnapshotWritesThePictureAtThatTime) {
  MediaSpec spec;
  spec.seconds = 3;
  spec.videoCodec = QStringLiteral("libx264");
  spec.container = QStringLiteral("mp4");
  const QString file = MediaFixture(spec);
  const QString png = QDir(TemporaryFolder()).filePath(QStringLiteral("at-1.png"));
  const TCliRun run = RunCli({"snapshot", file, "1.0", png});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QImage picture(png);
  EXPECT_EQ(picture.size(), QSize(320, 240));
  EXPECT_GE(FramePsnr(picture, file, 25), 40);

  const QString late = QDir(TemporaryFolder()).filePath(QStringLiteral("late.png"));
  const TCliRun refused = RunCli({"snapshot", file, "9", late});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_TRUE(refused.err.contains("timestamp can not be large than stream duration!")) << refused.err.toStdString();
  EXPECT_FALSE(QFile::exists(late));
  EXPECT_EQ(RunCli({"snapshot", file, "soon", late}).exitCode, 2);
}

TEST(CliInspect, InfoSaysWhatTheConversionWillFind) {
  const struct {
    const char* name;
    QString file;
    QStringList lines;  // each must be among the output's
  } cases[] = {
      {"interlaced, flagged progressive",
       InterlacedFixture({"-c:v", "libx264", "-preset", "ultrafast"}, "720x576", "mp4",
                         "tinterlace=interleave_top,setfield=prog"),
       {"Video: h264, 720x576, 25.00 fps", "Dynamic range: SDR",
        "Colour: primaries bt470bg, transfer smpte170m, matrix bt470bg, limited range (assumed where the file says "
        "nothing)"}},
      {"HDR10", HdrFixture("smpte2084", Hdr10Levels),
       {"Dynamic range: HDR10 (PQ), mastered on a display of 1000 cd/m², content light 1000 cd/m² at most, 400 on "
        "average",
        "Colour: primaries bt2020, transfer smpte2084, matrix bt2020nc, limited range"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TCliRun run = RunCli({"info", c.file});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QStringList out = run.out.split('\n');
    for (const QString& line : c.lines) EXPECT_TRUE(out.contains(line)) << run.out.toStdString();
    EXPECT_TRUE(out.contains("Chapters: 0") && out.contains("Cover: false")) << run.out.toStdString();
  }
  // Every moving picture sampled is combed in the one, none in the other.
  const TCliRun interlaced = RunCli({"info", cases[0].file}), hdr = RunCli({"info", cases[1].file});
  EXPECT_TRUE(interlaced.out.contains(QRegularExpression("Scan: interlaced, top field first \\((\\d+) of \\1 sampled")))
      << interlaced.out.toStdString();
  EXPECT_TRUE(hdr.out.contains(QRegularExpression("Scan: progressive \\(0 of [1-9]\\d* sampled"))) << hdr.out.toStdString();
  EXPECT_EQ(RunCli({"info"}).exitCode, 2);
}
