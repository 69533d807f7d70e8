// DVD titles converted like files: a TDvdStream named "stream:N" to the
// engine, as the wizard does, and the same through tesvanor-cli.

#include <gtest/gtest.h>

#include <QFile>

#include "DvdFixture.h"
#include "dvd/DvdDrives.h"
#include "dvd/DvdScan.h"
#include "dvd/DvdStream.h"
#include "engine/ConversionSupport.h"
#include "media/StreamInput.h"

using namespace dvd;
using namespace testing_support;

namespace {

constexpr double Frame = 1.0 / DvdFrameRate;

// A new title stream for the range, registered as the wizard does.
QString OpenTitle(const QString& disc, int title, int first, int last) {
  const auto titles = ScanDvd(disc);
  if (!titles || int(titles->size()) < title) {
    ADD_FAILURE() << "cannot scan " << disc.toStdString();
    return QString();
  }
  const hb_title_t& record = (*titles)[size_t(title - 1)];
  return media::StreamName(media::RegisterStream(std::make_unique<TDvdStream>(record, 1, first, last)));
}

}  // namespace

TEST(DvdConversion, ChaptersTwoAndThreeToMp4) {
  const QString target = Target("MY_MOVIE_1.mp4");
  const TConversionResult r = ConvertFile(OpenTitle(AuthoredDvd().Folder, 1, 2, 3), target);
  ASSERT_TRUE(r.Succeeded()) << r.errorMsg.toStdString();
  EXPECT_EQ(ProbeStream(target, "v:0", "codec_name"), "h264");
  EXPECT_EQ(ProbeStream(target, "a:0", "codec_name"), "aac");
  EXPECT_NEAR(ProbeStream(target, "v:0", "duration").toDouble(), 2.0 * ChapterSeconds, Frame + 1e-6);
  EXPECT_NEAR(ProbeStream(target, "a:0", "duration").toDouble(), 2.0 * ChapterSeconds, 0.1);
  EXPECT_GT(Psnr(GrayFrame(target, 0), GrayFrame(AuthoredDvd().Title1Source, 50)), 25);
}

TEST(DvdConversion, AWholeTitleFromTheImageToMpeg2) {
  const QString target = Target("MY_MOVIE_2.mpg");
  const TConversionResult r = ConvertFile(OpenTitle(AuthoredDvd().Iso, 2, 1, 1), target, [](TAVConvertOptions& o) {
    o.VideoOptions().SetEncoderVideoCodecName("mpeg2video");
    o.AudioOptions().SetEncoderAudioCodecName("mp2");
  });
  ASSERT_TRUE(r.Succeeded()) << r.errorMsg.toStdString();
  EXPECT_EQ(ProbeStream(target, "v:0", "codec_name"), "mpeg2video");
  EXPECT_EQ(ProbeStream(target, "a:0", "codec_name"), "mp2");
  EXPECT_NEAR(ProbeFormat(target, "duration").toDouble(), Title2Seconds, 0.15);
}

TEST(DvdConversion, AStartTimeSeeksInTheTitleAsInAFileOfTheSameBytes) {
  // The demuxer finds the start by seeking through the title stream.
  const auto late = [](TAVConvertOptions& o) { o.SetStartTime(1000000); };
  const QString fromDisc = Target("late-disc.mp4");
  const TConversionResult r = ConvertFile(OpenTitle(AuthoredDvd().Iso, 1, 2, 3), fromDisc, late);
  ASSERT_TRUE(r.Succeeded()) << r.errorMsg.toStdString();

  const QString copy = Target("chapters23.vob");
  {
    const auto titles = ScanDvd(AuthoredDvd().Iso);
    ASSERT_TRUE(titles.has_value());
    TDvdStream range((*titles)[0], 1, 2, 3);
    QFile file(copy);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    QByteArray chunk(65536, 0);
    for (int n; (n = range.Read(chunk.data(), int(chunk.size()))) > 0;) file.write(chunk.constData(), n);
  }
  const QString fromFile = Target("late-file.mp4");
  ASSERT_TRUE(ConvertFile(copy, fromFile, late).Succeeded());

  const double duration = ProbeStream(fromDisc, "v:0", "duration").toDouble();
  EXPECT_NEAR(duration, 2.0 * ChapterSeconds - 1, 2 * Frame);
  EXPECT_EQ(duration, ProbeStream(fromFile, "v:0", "duration").toDouble());
  EXPECT_GT(Psnr(GrayFrame(fromDisc, 0), GrayFrame(fromFile, 0)), 40);
}

TEST(DvdConversion, TheCommandLineListsTitlesAndConvertsARange) {
  const TCliRun list = RunCli({"dvd", AuthoredDvd().Iso});
  EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
  EXPECT_EQ(list.out, "1(00:00:10)  chapters 5  angles 1\n2(00:00:03)  chapters 1  angles 1\n");

  const QString target = Target("cli.mp4");
  const TCliRun convert =
      RunCli({"convert", AuthoredDvd().VideoTs, target, "--dvd-title", "1", "--dvd-chapters", "4-5", "--quiet", "--save-task"});
  ASSERT_EQ(convert.exitCode, 0) << convert.err.toStdString();
  // Kept in the history as the program keeps a DVD task: by disc and title.
  const QStringList row = RunCli({"tasks"}).out.split('\n', Qt::SkipEmptyParts).last().split('\t');
  EXPECT_EQ(row.value(4), "dvd[" + DiscVolumeLabel(AuthoredDvd().VideoTs) + ":title1]");
  EXPECT_NEAR(ProbeStream(target, "v:0", "duration").toDouble(), 2.0 * ChapterSeconds, Frame + 1e-6);
  EXPECT_GT(Psnr(GrayFrame(target, 99), GrayFrame(AuthoredDvd().Title1Source, 249)), 25);
}

TEST(DvdConversion, TheCommandLineReportsWhatItCannotRead) {
  const QString missing = Target("no-disc");
  TCliRun r = RunCli({"dvd", missing});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Error: 打不开DVD\n");
  r = RunCli({"convert", missing, Target("x.mp4"), "--dvd-title", "1"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Error: 打不开DVD\n");
  r = RunCli({"convert", AuthoredDvd().Iso, Target("x.mp4"), "--dvd-title", "3"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Error: The disc has no readable title 3\n");
  r = RunCli({"convert", AuthoredDvd().Iso, Target("x.mp4"), "--dvd-title", "1", "--dvd-chapters", "2-6"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err, "Error: Title 1 has 5 chapters\n");
  r = RunCli({"convert", AuthoredDvd().Iso, Target("x.mp4"), "--dvd-chapters", "3-2"});
  EXPECT_EQ(r.exitCode, 2);
}
