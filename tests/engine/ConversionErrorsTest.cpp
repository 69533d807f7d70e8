// Bad input and bad settings end with a clear message and OnComplete, never
// with a crash or a hang.

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <unistd.h>
#include <QRandomGenerator>

#include "ConversionSupport.h"

using namespace testing_support;

namespace {

MediaSpec Clip() {
  MediaSpec s;
  s.videoCodec = "libx264";
  s.audioCodec = "aac";
  s.container = "mp4";
  return s;
}

}  // namespace

TEST(ConversionErrors, AMissingFileCannotBeOpened) {
  const TConversionResult r = ConvertFile("/nonexistent/clip.mp4", Target("out.mp4"));
  EXPECT_EQ(r.completions, 1);
  EXPECT_EQ(r.errorBoxes, QStringList{QString::asprintf("打不开:%d!", AVERROR(ENOENT))});
  EXPECT_EQ(r.errorBoxes.value(0), QStringLiteral("打不开:-2!"));
}

TEST(ConversionErrors, RandomBytesAreRefused) {
  const QString junk = Target("junk.mp4");
  QFile f(junk);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  QByteArray bytes(256 * 1024, 0);
  QRandomGenerator generator(42);
  for (char& b : bytes) b = static_cast<char>(generator.bounded(256));
  f.write(bytes);
  f.close();
  const TConversionResult r = ConvertFile(junk, Target("out.mp4"));
  EXPECT_EQ(r.completions, 1);
  ASSERT_EQ(r.errorBoxes.size(), 1);
  EXPECT_TRUE(r.errorBoxes[0].startsWith("打不开:") || r.errorBoxes[0].startsWith("Could not find codec parameters:") ||
              r.errorBoxes[0] == "Could not find input stream matching output stream ")
      << r.errorBoxes[0].toStdString();
}

TEST(ConversionErrors, ATruncatedFileConvertsWhatCanBeRead) {
  MediaSpec spec = Clip();
  spec.container = "mkv";
  spec.seconds = 4;
  const QString whole = MediaFixture(spec);
  const QString half = Target("half.mkv");
  QFile in(whole), out(half);
  ASSERT_TRUE(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
  out.write(in.read(in.size() / 2));
  out.close();
  const QString target = Target("out.mp4");
  const TConversionResult r = ConvertFile(half, target);
  EXPECT_TRUE(r.Succeeded()) << r.errorMsg.toStdString();
  const double duration = ProbeFormat(target, "duration").toDouble();
  EXPECT_GT(duration, 1.0);
  EXPECT_LT(duration, 3.5);
}

TEST(ConversionErrors, AnUnknownOutputExtension) {
  const QString target = Target("out.nosuchformat");
  const TConversionResult r = ConvertFile(MediaFixture(Clip()), target);
  EXPECT_EQ(r.completions, 1);
  EXPECT_EQ(r.errorBoxes, QStringList{"Unable to find a suitable output format for " + target});
}

TEST(ConversionErrors, UnknownAndWrongTypeCodecNames) {
  const QString source = MediaFixture(Clip());
  TConversionResult r = ConvertFile(source, Target("out.mp4"), [](TAVConvertOptions& o) {
    o.VideoOptions().SetEncoderVideoCodecName("nosuchcodec");
  });
  EXPECT_EQ(r.errorBoxes, QStringList{"Unknown Codec Name"});
  r = ConvertFile(source, Target("out.mp4"), [](TAVConvertOptions& o) { o.VideoOptions().SetEncoderVideoCodecName("mp2"); });
  EXPECT_EQ(r.errorBoxes, QStringList{"Invalid codec type"});
  r = ConvertFile(source, Target("out.mp4"), [](TAVConvertOptions& o) { o.AudioOptions().SetDecoderAudioCodecName("h264"); });
  EXPECT_EQ(r.errorBoxes, QStringList{"Invalid codec type"});
  EXPECT_EQ(r.completions, 1);
}

TEST(ConversionErrors, AnUnknownFilter) {
  const TConversionResult r = ConvertFile(MediaFixture(Clip()), Target("out.mp4"), [](TAVConvertOptions& o) {
    o.FilterOptions().SetVideoFilters("nosuchfilter");
  });
  EXPECT_EQ(r.errorBoxes, QStringList{"Error opening filters!"});
  EXPECT_EQ(r.completions, 1);
}

TEST(ConversionErrors, UserFiltersRunBetweenInAndOut) {
  const QString source = MediaFixture(Clip());
  const QString target = Target("flipped.mp4");
  const TConversionResult r =
      ConvertFile(source, target, [](TAVConvertOptions& o) { o.FilterOptions().SetVideoFilters("vflip,transpose=1"); });
  ASSERT_TRUE(r.Succeeded());
  // The encoder takes the size the filters deliver.
  EXPECT_EQ(ProbeStream(target, "v:0", "width"), "240");
  EXPECT_EQ(ProbeStream(target, "v:0", "height"), "320");
}

TEST(ConversionErrors, CropLargerThanThePicture) {
  const TConversionResult r = ConvertFile(MediaFixture(Clip()), Target("out.mp4"), [](TAVConvertOptions& o) {
    o.VideoOptions().SetFrameLeftBand(200);
    o.VideoOptions().SetFrameRightBand(200);
  });
  EXPECT_EQ(r.completions, 1);
  ASSERT_FALSE(r.errorBoxes.isEmpty());
  EXPECT_EQ(r.errorBoxes[0], "crop dimensions are outside the range of the original image.");
  EXPECT_FALSE(r.errorMsg.isEmpty());
}

TEST(ConversionErrors, AnOutputFolderThatCannotBeCreated) {
  const QString blocker = Target("plain-file");
  QFile f(blocker);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.close();
  const TConversionResult r = ConvertFile(MediaFixture(Clip()), blocker + "/sub/out.mp4");
  EXPECT_EQ(r.errorBoxes, QStringList{"打不开文件"});
  EXPECT_EQ(r.completions, 1);
}

TEST(ConversionErrors, StreamMapsMustFitTheOutput) {
  const QString source = MediaFixture(Clip());
  TConversionResult r = ConvertFile(source, Target("out.mp4"), [](TAVConvertOptions& o) { o.SetStreamMaps({"0=0"}); });
  EXPECT_EQ(r.errorBoxes, QStringList{"Number of stream maps must match number of output streams"});
  // The fixture's stream 0 is video and 1 audio; the output's are video then audio.
  r = ConvertFile(source, Target("out.mp4"), [](TAVConvertOptions& o) { o.SetStreamMaps({"0=1", "0=0"}); });
  EXPECT_EQ(r.errorBoxes, QStringList{"Codec type mismatch for mapping #0.1 -> #0.0"});
  r = ConvertFile(source, Target("out.mp4"), [](TAVConvertOptions& o) { o.SetStreamMaps({"0=0", "0=5"}); });
  EXPECT_EQ(r.errorBoxes, QStringList{"Could not find input stream #0.5"});
  r = ConvertFile(source, Target("out.mp4"), [](TAVConvertOptions& o) { o.SetStreamMaps({"0=0", "0=1"}); });
  EXPECT_TRUE(r.Succeeded());
}

TEST(ConversionErrors, AProgramThatIsNotThere) {
  MediaSpec ts = Clip();
  ts.container = "ts";
  const TConversionResult r =
      ConvertFile(MediaFixture(ts), Target("out.mp4"), [](TAVConvertOptions& o) { o.SetProgramID(77); });
  EXPECT_EQ(r.errorBoxes, QStringList{"Specified program id not found"});
}

TEST(ConversionErrors, CopiedAudioCannotChangeVolume) {
  const TConversionResult r = ConvertFile(MediaFixture(Clip()), Target("out.mp4"), [](TAVConvertOptions& o) {
    o.AudioOptions().SetAudioStreamCopy(true);
    o.AudioOptions().SetAudioVolume(200);
  });
  EXPECT_EQ(r.errorBoxes, QStringList{"-acodec copy and -vol are incompatible (frames are not decoded)"});
}

TEST(ConversionErrors, AnUnknownBitstreamFilterIsLeftOut) {
  const QString target = Target("out.mp4");
  const TConversionResult r = ConvertFile(MediaFixture(Clip()), target, [](TAVConvertOptions& o) {
    o.MuxerOptions().SetVideoBitstreamFilters({"nosuchbsf"});
  });
  EXPECT_EQ(r.errorBoxes, QStringList{"Invalid BitstreamFilter nosuchbsf"});
  EXPECT_TRUE(r.errorMsg.isEmpty());
  EXPECT_EQ(ProbeStream(target, "v:0", "codec_name"), "h264");
}

TEST(ConversionErrors, AnOutputWithoutStreams) {
  const QString target = Target("nostreams.mp4");
  const TConversionResult r = ConvertFile(MediaFixture(Clip()), target, [](TAVConvertOptions& o) {
    o.AudioOptions().SetAudioDisable(true);
    o.VideoOptions().SetVideoDisable(true);
  });
  EXPECT_EQ(r.errorBoxes, QStringList{"Output file does not contain any stream"});
  // The run made the file and wrote nothing into it: it is taken away again.
  EXPECT_FALSE(QFile::exists(target));
}

TEST(ConversionErrors, ParametersTheEncoderRefuses) {
  // MPEG-1 video knows only the standard frame rates; keeping another one fails.
  MediaSpec odd = Clip();
  odd.rate = "13";
  const TConversionResult r = ConvertFile(MediaFixture(odd), Target("out.mpg"), [](TAVConvertOptions& o) {
    o.VideoOptions().SetForceFPS(true);
  });
  EXPECT_EQ(r.errorBoxes, QStringList{"Error while opening codec for output stream - maybe incorrect parameters such "
                                      "as bit_rate, rate, width or height"});
  EXPECT_EQ(r.completions, 1);
}

TEST(ConversionErrors, AHeaderTheMuxerRefuses) {
  // MP4 has no place for plain PCM audio.
  const QString target = Target("pcm.mp4");
  const TConversionResult r = ConvertFile(MediaFixture(Clip()), target, [](TAVConvertOptions& o) {
    o.AudioOptions().SetEncoderAudioCodecName("pcm_s16le");
  });
  EXPECT_EQ(r.errorBoxes, QStringList{"Could not write header for output file  (incorrect codec parameters ?)"});
  EXPECT_FALSE(QFile::exists(target));
  // A file that was there before the run is not the run's to remove.
  QFile existing(target);
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.close();
  ConvertFile(MediaFixture(Clip()), target, [](TAVConvertOptions& o) { o.AudioOptions().SetEncoderAudioCodecName("pcm_s16le"); });
  EXPECT_TRUE(QFile::exists(target));
}

TEST(ConversionErrors, AnInputIsNeverItsOwnOutput) {
  // Opening the output empties it, so the source would be lost while it is read.
  const QString source = Target("same.mp4");
  const QString link = QFileInfo(source).absolutePath() + "/same-link.mp4";
  ASSERT_TRUE(QFile::copy(MediaFixture(Clip()), source));
  ASSERT_EQ(::link(QFile::encodeName(source).constData(), QFile::encodeName(link).constData()), 0);
  const qint64 size = QFileInfo(source).size();
  for (const QString& target : {source, link, QFileInfo(source).absolutePath() + "/./same.mp4"}) {
    const TConversionResult r = ConvertFile(source, target);
    EXPECT_EQ(r.errorBoxes, QStringList{QStringLiteral("Output %1 same as Input #0 - exiting").arg(target)});
    EXPECT_EQ(r.completions, 1);
    EXPECT_EQ(QFileInfo(source).size(), size);
  }
  EXPECT_TRUE(ConvertFile(source, Target("other.mkv")).Succeeded());
}

TEST(ConversionErrors, AWriteErrorAtTheEndIsAFailure) {
  // The last bytes and the container's index go out with the trailer; a full
  // disk at that point leaves a file that does not play.
  const QString full = Target("full.mka");
  ASSERT_TRUE(QFile::link("/dev/full", full));
  const QString source = FixtureFromArguments({"-f", "lavfi", "-i", "sine=duration=0.5", "-c:a", "pcm_s16le"}, "wav");
  const TConversionResult r = ConvertFile(source, full, [](TAVConvertOptions& o) {
    o.AudioOptions().SetEncoderAudioCodecName("mp2");
  });
  EXPECT_EQ(r.errorBoxes, QStringList{QStringLiteral("Error writing trailer of %1: No space left on device").arg(full)});
  EXPECT_FALSE(r.errorMsg.isEmpty());
  EXPECT_EQ(r.completions, 1);
}

TEST(ConversionErrors, AStartPastTheEndGivesAWarning) {
  const QString target = Target("late.mkv");
  const TConversionResult r = ConvertFile(MediaFixture(Clip()), target, [](TAVConvertOptions& o) { o.SetStartTime(60000000); });
  EXPECT_TRUE(r.log.contains("Output file is empty, nothing was encoded (check StartTime and RecordingTime)"))
      << r.log.join('\n').toStdString();
}

TEST(ConversionErrors, APictureSizeChangeWithoutRescalingIsFatal) {
  // Two MPEG transport streams of different picture sizes, one after the other.
  MediaSpec big = Clip();
  big.container = "ts";
  big.seconds = 1;
  MediaSpec small = big;
  small.width = 160;
  small.height = 120;
  const QString joined = Target("joined.ts");
  QFile out(joined);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  for (const MediaSpec& part : {big, small}) {
    QFile in(MediaFixture(part));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    out.write(in.readAll());
  }
  out.close();
  TConversionResult r = ConvertFile(joined, Target("same.mp4"));
  EXPECT_EQ(r.errorBoxes, QStringList{"Input Stream #0.0 frame size changed to 160x120, yuv420p"});
  // With rescaling the new size is scaled to the encoder's.
  const QString scaled = Target("scaled.mp4");
  r = ConvertFile(joined, scaled, [](TAVConvertOptions& o) {
    o.VideoOptions().SetFrameWidth(200);
    o.VideoOptions().SetFrameHeight(150);
  });
  EXPECT_TRUE(r.Succeeded()) << r.errorBoxes.join('|').toStdString();
  EXPECT_EQ(ProbeStream(scaled, "v:0", "width"), "200");
  EXPECT_NEAR(ProbeFormat(scaled, "duration").toDouble(), 2.0, 0.15);
}

TEST(ConversionErrors, AFrameRateNoticeForVariableRateInput) {
  MediaSpec vfr = Clip();
  vfr.extraOutputArgs = QStringList{"-vf", "select=not(mod(n\\,3))", "-fps_mode", "vfr"};
  const TConversionResult r = ConvertFile(MediaFixture(vfr), Target("out.mp4"));
  ASSERT_TRUE(r.Succeeded());
  bool noticed = false;
  for (const QString& line : r.log) noticed |= line.startsWith("Seems stream 0 codec frame rate differs from container frame rate: ");
  EXPECT_TRUE(noticed) << r.log.join('\n').toStdString();
}

TEST(ConversionErrors, AnUnknownStreamNumberCannotBeOpened) {
  const TConversionResult r = ConvertFile("stream:12345.vob", Target("out.mp4"));
  EXPECT_EQ(r.errorBoxes, QStringList{"打不开:-2!"});
  EXPECT_EQ(r.completions, 1);
}
