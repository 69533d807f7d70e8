// Two-pass encoding and subtitle streams.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>

#include "ConversionSupport.h"

using namespace testing_support;

namespace {

// A clip that is hard to compress evenly: detail that changes over time.
QString HardClip() {
  return FixtureFromArguments({"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=6", "-vf",
                               "noise=alls=12:allf=t+u,hue=H=2*PI*t", "-c:v", "ffv1"},
                              "mkv");
}

double VideoBitrate(const QString& file) {
  qint64 bytes = 0;
  for (const QString& s : PacketSizes(file, "v:0")) bytes += s.toLongLong();
  return bytes * 8.0 / ProbeFormat(file, "duration").toDouble();
}

// The file written.
QString EncodeAt(const QString& encoder, int pass, const QString& name, int decoderThreads = 1) {
  TAVConverter c;
  c.SetDecoderThreadCount(decoderThreads);
  const QString target = Target(name);
  c.InputFiles() << HardClip();
  c.OutputFiles() << target;
  c.ConvertOptions().VideoOptions().SetEncoderVideoCodecName(encoder.toLatin1());
  c.ConvertOptions().VideoOptions().SetBitrate(400000);
  c.ConvertOptions().VideoOptions().SetPass(pass);
  c.ConvertOptions().AudioOptions().SetAudioDisable(true);
  const TConversionResult r = RunConversion(c);
  EXPECT_TRUE(r.Succeeded()) << r.errorBoxes.join('|').toStdString();
  return target;
}

}  // namespace

TEST(TwoPass, TheSecondPassLandsNearerTheTarget) {
  const QString folder = TemporaryFolder();
  ASSERT_TRUE(QDir::setCurrent(folder));  // the statistics file goes to the current folder
  for (const QString encoder : {"mpeg4", "libx264"}) {
    const double single = VideoBitrate(EncodeAt(encoder, 0, encoder + "-single.mkv"));
    EncodeAt(encoder, 1, encoder + "-first.mkv");
    EXPECT_TRUE(QFile::exists(QDir(folder).filePath("ffmpeg2pass-0.log"))) << encoder.toStdString();
    const double second = VideoBitrate(EncodeAt(encoder, 2, encoder + "-second.mkv"));
    EXPECT_LT(std::abs(second - 400000), std::abs(single - 400000)) << encoder.toStdString() << " single " << single
                                                                    << " two-pass " << second;
    EXPECT_NEAR(second, 400000, 400000 * 0.05) << encoder.toStdString();
    QFile::remove(QDir(folder).filePath("ffmpeg2pass-0.log"));
  }
}

// With more than one decoder thread the pictures are filtered and encoded on
// threads of their own: the encoder still sees the same pictures in the same
// order, and each packet keeps its own line of statistics.
TEST(TwoPass, EncodingOnItsOwnThreadWritesTheSamePacketsAndStatistics) {
  const QString folder = TemporaryFolder();
  ASSERT_TRUE(QDir::setCurrent(folder));
  QStringList packets[2];
  QByteArray statistics[2];
  for (const int threads : {1, 2}) {
    packets[threads - 1] = PacketSizes(EncodeAt("mpeg4", 1, "first.mkv", threads), "v:0");
    QFile log(QDir(folder).filePath("ffmpeg2pass-0.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    statistics[threads - 1] = log.readAll();
  }
  EXPECT_GT(packets[0].size(), 20);
  EXPECT_EQ(packets[0], packets[1]);
  EXPECT_EQ(statistics[0].count('\n'), packets[0].size());
  EXPECT_EQ(statistics[0], statistics[1]);
}

TEST(TwoPass, ABitrateTooLowForTheSecondPassFailsCleanly) {
  const QString folder = TemporaryFolder();
  ASSERT_TRUE(QDir::setCurrent(folder));
  EncodeAt("mpeg4", 1, "first.mkv");
  TAVConverter c;
  c.InputFiles() << HardClip();
  c.OutputFiles() << Target("starved.mkv");
  c.ConvertOptions().VideoOptions().SetEncoderVideoCodecName("mpeg4");
  c.ConvertOptions().VideoOptions().SetBitrate(20000);
  c.ConvertOptions().VideoOptions().SetPass(2);
  c.ConvertOptions().AudioOptions().SetAudioDisable(true);
  EXPECT_EQ(RunConversion(c).errorBoxes,
            QStringList{"Error while opening codec for output stream - maybe incorrect parameters such as bit_rate, "
                        "rate, width or height"});
}

TEST(TwoPass, TheStatisticsFileIsNumberedByOutputStream) {
  const QString folder = TemporaryFolder();
  ASSERT_TRUE(QDir::setCurrent(folder));
  MediaSpec spec;
  spec.seconds = 1;
  TAVConverter c;
  c.InputFiles() << MediaFixture(spec);
  c.OutputFiles() << Target("first.avi");
  c.ConvertOptions().VideoOptions().SetPass(1);
  ASSERT_TRUE(RunConversion(c).Succeeded());
  EXPECT_EQ(QDir(folder).entryList({"ffmpeg2pass-*"}), QStringList{"ffmpeg2pass-0.log"});
  // A second pass without statistics fails naming the file.
  QFile::remove(QDir(folder).filePath("ffmpeg2pass-0.log"));
  TAVConverter d;
  d.InputFiles() << MediaFixture(spec);
  d.OutputFiles() << Target("second.avi");
  d.ConvertOptions().VideoOptions().SetPass(2);
  const TConversionResult r = RunConversion(d);
  ASSERT_EQ(r.errorBoxes.size(), 1);
  EXPECT_TRUE(r.errorBoxes[0].startsWith("Cannot open file \"ffmpeg2pass-0.log\". ")) << r.errorBoxes[0].toStdString();
}

namespace {

QString WithTextSubtitles() {
  const QString srt = QDir(QStringLiteral(TESVANOR_FIXTURE_DIR)).filePath("cues.srt");
  QFile f(srt);
  if (f.open(QIODevice::WriteOnly))
    f.write("1\n00:00:00,200 --> 00:00:00,900\nFirst cue\n\n2\n00:00:01,100 --> 00:00:01,800\nSecond cue\n\n");
  f.close();
  return FixtureFromArguments({"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=2", "-i", srt, "-c:v",
                               "mpeg4", "-c:s", "srt"},
                              "mkv");
}

}  // namespace

TEST(Subtitles, TextSubtitlesAreReencodedOrCopied) {
  const QString source = WithTextSubtitles();
  TAVConverter c;
  const QString mkv = Target("subs.mkv");
  c.InputFiles() << source;
  c.OutputFiles() << mkv;
  ASSERT_TRUE(RunConversion(c).Succeeded());
  EXPECT_EQ(ProbeStream(mkv, "s:0", "codec_name"), "ass");
  EXPECT_EQ(PacketEntries(mkv, "s:0", "pts_time").size(), 2);

  // MP4 has no subtitle codec of its own; named, the text is re-encoded.
  TAVConverter d;
  const QString mp4 = Target("subs.mp4");
  d.InputFiles() << source;
  d.OutputFiles() << mp4;
  d.ConvertOptions().SubtitleOptions().SetSubtitleCodecName("mov_text");
  ASSERT_TRUE(RunConversion(d).Succeeded());
  EXPECT_EQ(ProbeStream(mp4, "s:0", "codec_name"), "mov_text");

  TAVConverter e;
  const QString copied = Target("copied.mkv");
  e.InputFiles() << source;
  e.OutputFiles() << copied;
  e.ConvertOptions().SubtitleOptions().SetSubtitleStreamCopy(true);
  ASSERT_TRUE(RunConversion(e).Succeeded());
  EXPECT_EQ(ProbeStream(copied, "s:0", "codec_name"), "subrip");
  EXPECT_EQ(PacketSizes(copied, "s:0"), PacketSizes(source, "s:0"));
}

TEST(Subtitles, DvbSubtitlesShowThenClear) {
  const QString source = BitmapSubtitledFixture();
  ASSERT_EQ(ProbeStream(source, "s:0", "codec_name"), "dvd_subtitle");
  TAVConverter c;
  const QString target = Target("dvb.ts");
  c.InputFiles() << source;
  c.OutputFiles() << target;
  c.ConvertOptions().SubtitleOptions().SetSubtitleCodecName("dvbsub");
  const TConversionResult r = RunConversion(c);
  ASSERT_TRUE(r.Succeeded()) << r.errorBoxes.join('|').toStdString();
  EXPECT_EQ(ProbeStream(target, "s:0", "codec_name"), "dvb_subtitle");
  // Two subtitles, each written twice: shown, then cleared at its end time.
  const QStringList times = PacketEntries(target, "s:0", "pts_time");
  ASSERT_EQ(times.size(), 4);
  EXPECT_NEAR(times[1].toDouble() - times[0].toDouble(), 1.0, 0.05);
  EXPECT_NEAR(times[3].toDouble() - times[2].toDouble(), 0.6, 0.05);
}

TEST(Subtitles, SubtitlePacketsWithoutTimesAreRefused) {
  const QString source = BitmapSubtitledFixture(true);
  TAVConverter c;
  c.InputFiles() << source;
  c.OutputFiles() << Target("nopts.ts");
  c.ConvertOptions().SubtitleOptions().SetSubtitleCodecName("dvbsub");
  EXPECT_EQ(RunConversion(c).errorBoxes, QStringList{"Subtitle packets must have a pts"});
}
