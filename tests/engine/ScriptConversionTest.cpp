// synth=SCRIPT items in VideoFilters on real conversions, through the tests'
// stand-in AviSynth library (support/AviSynthStandIn.cpp): the pictures that
// come out against the ffmpeg tool doing the same with its own filters, and
// the ways a script stage fails.

#include <gtest/gtest.h>

#include <QProcess>

#include "engine/ConversionSupport.h"
#include "media/AviSynthLibrary.h"

using namespace testing_support;

namespace {

// A short generated clip without sound.
QString Clip(const QString& pixelFormat = QString()) {
  MediaSpec spec;
  spec.seconds = 1;
  spec.audioCodec.clear();
  if (!pixelFormat.isEmpty()) {
    spec.videoCodec = QStringLiteral("ffv1");
    spec.container = QStringLiteral("mkv");
    spec.pixelFormat = pixelFormat;
  }
  return MediaFixture(spec);
}

void UseStandIn() { media::SetAviSynthLibrary(QStringLiteral(TESVANOR_AVISYNTH_STANDIN)); }

// Converts source losslessly with VideoFilters = filters.
TConversionResult Convert(const QString& source, const QString& target, const QString& filters) {
  TAVConverter c;
  c.InputFiles() << source;
  c.OutputFiles() << target;
  c.ConvertOptions().VideoOptions().SetEncoderVideoCodecName("ffv1");
  c.ConvertOptions().FilterOptions().SetVideoFilters(filters);
  return RunConversion(c);
}

// The ffmpeg tool's lossless conversion of source with -vf filters.
QString ToolConversion(const QString& source, const QString& name, const QString& filters) {
  const QString target = Target(name);
  int exit = -1;
  RunTool("ffmpeg", {"-nostdin", "-v", "error", "-y", "-i", source, "-vf", filters, "-c:v", "ffv1", "-an", target},
          &exit);
  EXPECT_EQ(exit, 0) << filters.toStdString();
  return target;
}

// Every picture of a file in its own pixel format, decoded by the ffmpeg tool.
QByteArray RawPictures(const QString& file) {
  QProcess tool;
  tool.start("ffmpeg", {"-nostdin", "-v", "error", "-i", file, "-f", "rawvideo", "-"});
  tool.waitForFinished(120000);
  return tool.readAllStandardOutput();
}

void ExpectSamePictures(const QString& ours, const QString& tools) {
  EXPECT_EQ(ProbeStream(ours, "v:0", "pix_fmt"), ProbeStream(tools, "v:0", "pix_fmt"));
  const QByteArray a = RawPictures(ours), b = RawPictures(tools);
  EXPECT_FALSE(a.isEmpty());
  EXPECT_EQ(a.size(), b.size());
  EXPECT_TRUE(a == b) << "the pictures differ";
}

// The tool's negation of every sample, as AviSynth's Invert() does it.
const QString ToolInvert = QStringLiteral("lutyuv=y=255-val:u=255-val:v=255-val");

}  // namespace

TEST(ScriptConversion, AScriptTurnsEveryPictureAsTheToolsFilterDoes) {
  UseStandIn();
  const QString source = Clip();
  const QString flipped = Target("flipped.mkv");
  const TConversionResult r = Convert(source, flipped, "synth=FlipVertical()");
  ASSERT_TRUE(r.Succeeded()) << r.errorBoxes.join('|').toStdString() << r.log.join('\n').toStdString();
  ExpectSamePictures(flipped, ToolConversion(source, "tool-flipped.mkv", "vflip"));
}

TEST(ScriptConversion, TheChainIsCutAroundScripts) {
  UseStandIn();
  // Library filters before, between and after two script stages; the flip
  // before the first hands the stage pictures whose rows run upwards.
  const QString source = Clip();
  const QString ours = Target("cut.mkv");
  const TConversionResult r = Convert(source, ours, "vflip,synth=Invert(),hflip,synth=FlipVertical(),negate");
  ASSERT_TRUE(r.Succeeded()) << r.errorBoxes.join('|').toStdString() << r.log.join('\n').toStdString();
  ExpectSamePictures(ours, ToolConversion(source, "tool-cut.mkv", "vflip," + ToolInvert + ",hflip,vflip,negate"));
}

TEST(ScriptConversion, PicturesThatAreNot420AreConvertedForTheScript) {
  UseStandIn();
  const QString source = Clip("yuv444p");
  const QString ours = Target("from-444.mkv");
  const TConversionResult r = Convert(source, ours, "synth=Invert()");
  ASSERT_TRUE(r.Succeeded()) << r.errorBoxes.join('|').toStdString() << r.log.join('\n').toStdString();
  ExpectSamePictures(ours,
                     ToolConversion(source, "tool-from-444.mkv", "format=yuv420p," + ToolInvert + ",format=yuv444p"));
}

TEST(ScriptConversion, BarsInAStoredScriptReachItAsCommas) {
  UseStandIn();
  const QString source = Clip();
  const QString ours = Target("letterbox.mkv");
  const TConversionResult r = Convert(source, ours, "synth=Letterbox(16|32)");
  ASSERT_TRUE(r.Succeeded()) << r.errorBoxes.join('|').toStdString() << r.log.join('\n').toStdString();
  ExpectSamePictures(ours, ToolConversion(source, "tool-letterbox.mkv",
                                          "drawbox=x=0:y=0:w=iw:h=16:c=black:t=fill,"
                                          "drawbox=x=0:y=ih-32:w=iw:h=32:c=black:t=fill"));
}

TEST(ScriptConversion, AScriptErrorPassesThePicturesOnAndIsLoggedOnce) {
  UseStandIn();
  const QString source = Clip();
  const QString ours = Target("script-error.mkv");
  const TConversionResult r = Convert(source, ours, "synth=Sharpen(1)");
  ASSERT_TRUE(r.Succeeded()) << r.errorBoxes.join('|').toStdString();
  EXPECT_EQ(r.log.filter("Video filter ").size(), 1) << r.log.join('\n').toStdString();
  EXPECT_TRUE(r.log.contains("Video filter \"synth=Sharpen(1)\": Script error: there is no function named 'Sharpen'; "
                             "the pictures pass on unprocessed"))
      << r.log.join('\n').toStdString();
  ExpectSamePictures(ours, ToolConversion(source, "tool-unfiltered.mkv", "null"));
}

TEST(ScriptConversion, AStageThatCannotStartFailsTheFilters) {
  UseStandIn();
  const QString source = Clip();
  const TConversionResult bare = Convert(source, Target("bare.mkv"), "vflip,synth");
  EXPECT_EQ(bare.errorBoxes, QStringList{"Error opening filters!"});
  EXPECT_TRUE(bare.log.contains("Video filter \"synth\": no script given")) << bare.log.join('\n').toStdString();

  const QString longScript = "synth=" + QString(65536, QLatin1Char('x'));
  const TConversionResult tooLong = Convert(source, Target("long.mkv"), longScript);
  EXPECT_EQ(tooLong.errorBoxes, QStringList{"Error opening filters!"});
  EXPECT_TRUE(tooLong.log.contains("Video filter \"synth=" + QString(71, QLatin1Char('x')) +
                                   "...\": the script is longer than 65535 bytes"))
      << tooLong.log.join('\n').toStdString();

  media::SetAviSynthLibrary(QStringLiteral("/nonexistent/libavisynth.so"));
  const TConversionResult missing = Convert(source, Target("missing.mkv"), "synth=Invert()");
  UseStandIn();
  EXPECT_EQ(missing.errorBoxes, QStringList{"Error opening filters!"});
  const QStringList lines = missing.log.filter("Video filter \"synth=Invert()\": the AviSynth library is missing (");
  EXPECT_EQ(lines.size(), 1) << missing.log.join('\n').toStdString();
}
