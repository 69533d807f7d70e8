// Real conversions of generated media, checked with ffprobe and by decoding.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>

#include "ConversionSupport.h"

using namespace testing_support;

namespace {

MediaSpec Source(const QString& video, const QString& audio, const QString& container) {
  MediaSpec s;
  s.videoCodec = video;
  s.audioCodec = audio;
  s.container = container;
  return s;
}

MediaSpec Mp4H264Aac() { return Source("libx264", "aac", "mp4"); }
MediaSpec AviMpeg4Mp3() { return Source("mpeg4", "libmp3lame", "avi"); }
MediaSpec MpegPs() { return Source("mpeg2video", "mp2", "mpg"); }
MediaSpec MkvVorbis() { return Source("mpeg4", "libvorbis", "mkv"); }
MediaSpec Wav() { return Source("", "pcm_s16le", "wav"); }

struct ConversionCase {
  const char* name;
  MediaSpec (*source)();
  const char* target;  // file name; its extension picks the container
  const char* video;   // expected codec, "" = no video stream
  const char* audio;   // expected codec, "" = no audio stream
};

void PrintTo(const ConversionCase& c, std::ostream* os) { *os << c.name; }

double Number(const QString& text) { return text.toDouble(); }

class Conversion : public ::testing::TestWithParam<ConversionCase> {};

}  // namespace

TEST_P(Conversion, ConvertsWithTheExpectedStreams) {
  const ConversionCase& k = GetParam();
  const MediaSpec spec = k.source();
  const QString source = MediaFixture(spec);
  ASSERT_FALSE(source.isEmpty());
  const QString target = Target(k.target);

  TAVConverter c;
  c.InputFiles() << source;
  c.OutputFiles() << target;
  const TConversionResult r = RunConversion(c);
  ASSERT_TRUE(r.Succeeded()) << r.errorMsg.toStdString() << " " << r.errorBoxes.join("|").toStdString();
  EXPECT_EQ(c.Progress(), 100);

  EXPECT_EQ(ProbeStream(target, "v:0", "codec_name"), k.video);
  EXPECT_EQ(ProbeStream(target, "a:0", "codec_name"), k.audio);
  EXPECT_EQ(ProbeStream(target, "s", "codec_name"), "");
  if (*k.video) {
    EXPECT_EQ(ProbeStream(target, "v:0", "width"), "320");
    EXPECT_EQ(ProbeStream(target, "v:0", "height"), "240");
    EXPECT_EQ(ProbeStream(target, "v:0", "r_frame_rate"), "25/1");
    // The picture is the source's picture.
    EXPECT_GT(Psnr(GrayFrame(source, 10), GrayFrame(target, 10)), 25.0);
  }
  if (*k.audio) {
    EXPECT_EQ(ProbeStream(target, "a:0", "sample_rate"), "44100");
    EXPECT_EQ(ProbeStream(target, "a:0", "channels"), "2");
    const double sourceLevel = AudioRms(source, 0.5, 1);
    EXPECT_NEAR(AudioRms(target, 0.5, 1), sourceLevel, sourceLevel * 0.2);
  }
  EXPECT_NEAR(Number(ProbeFormat(target, "duration")), spec.seconds, 0.1);
  if (*k.video && *k.audio) {
    const double videoStart = Number(ProbeStream(target, "v:0", "start_time"));
    const double audioStart = Number(ProbeStream(target, "a:0", "start_time"));
    EXPECT_LE(std::fabs(videoStart - audioStart), 0.04 + 1e-3);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Engine, Conversion,
    ::testing::Values(ConversionCase{"Mp4ToAvi", Mp4H264Aac, "out.avi", "mpeg4", "mp3"},
                      ConversionCase{"Mp4ToFlv", Mp4H264Aac, "out.flv", "flv1", "mp3"},
                      ConversionCase{"Mp4ToMpeg1", Mp4H264Aac, "out.mpg", "mpeg1video", "mp2"},
                      ConversionCase{"Mp4ToMp3", Mp4H264Aac, "out.mp3", "", "mp3"},
                      ConversionCase{"Mp4ToWav", Mp4H264Aac, "out.wav", "", "pcm_s16le"},
                      ConversionCase{"AviToMp4", AviMpeg4Mp3, "out.mp4", "h264", "aac"},
                      ConversionCase{"MpegPsToMp4", MpegPs, "out.mp4", "h264", "aac"},
                      ConversionCase{"MpegPsToAvi", MpegPs, "out.avi", "mpeg4", "mp3"},
                      ConversionCase{"MkvToMp4", MkvVorbis, "out.mp4", "h264", "aac"},
                      ConversionCase{"MkvToFlv", MkvVorbis, "out.flv", "flv1", "mp3"},
                      ConversionCase{"WavToMp3", Wav, "out.mp3", "", "mp3"},
                      ConversionCase{"WavToMp4", Wav, "out.m4a", "", "aac"}),
    [](const ::testing::TestParamInfo<ConversionCase>& info) { return std::string(info.param.name); });

TEST(ConversionOutput, APngSequenceHasOnePicturePerFrame) {
  const QString source = MediaFixture(Mp4H264Aac());
  const QString folder = TemporaryFolder();
  TAVConverter c;
  c.InputFiles() << source;
  c.OutputFiles() << QDir(folder).filePath("frame%03d.png");
  ASSERT_TRUE(RunConversion(c).Succeeded());
  EXPECT_EQ(QDir(folder).entryList({"frame*.png"}).size(), 50);
  const QString first = QDir(folder).filePath("frame001.png");
  EXPECT_EQ(ProbeStream(first, "v:0", "codec_name"), "png");
  EXPECT_GT(Psnr(GrayFrame(source, 0), GrayFrame(first, 0)), 30.0);
}

TEST(ConversionOutput, ATimeRangeLandsOnTheExactDuration) {
  MediaSpec spec = Mp4H264Aac();
  spec.seconds = 4;
  const QString source = MediaFixture(spec);
  for (const char* name : {"range.mp4", "range.mkv"}) {
    const QString target = Target(name);
    TAVConverter c;
    c.InputFiles() << source;
    c.OutputFiles() << target;
    c.ConvertOptions().SetStartTime(1000000);
    c.ConvertOptions().SetRecordingTime(1500000);
    ASSERT_TRUE(RunConversion(c).Succeeded()) << name;
    EXPECT_EQ(c.Progress(), 100);
    EXPECT_NEAR(Number(ProbeFormat(target, "duration")), 1.5, 0.03) << name;
    // The first picture is the source's picture at 1 s (frame 25).
    EXPECT_GT(Psnr(GrayFrame(source, 25), GrayFrame(target, 0)), 30.0) << name;
    EXPECT_LT(Psnr(GrayFrame(source, 24), GrayFrame(target, 0)), Psnr(GrayFrame(source, 25), GrayFrame(target, 0)));
  }
}

TEST(ConversionOutput, StreamCopyKeepsThePackets) {
  const QString source = MediaFixture(MkvVorbis());
  const QString target = Target("copy.mkv");
  TAVConverter c;
  c.InputFiles() << source;
  c.OutputFiles() << target;
  c.ConvertOptions().VideoOptions().SetVideoStreamCopy(true);
  c.ConvertOptions().AudioOptions().SetAudioStreamCopy(true);
  ASSERT_TRUE(RunConversion(c).Succeeded());
  EXPECT_EQ(PacketSizes(target, "v:0"), PacketSizes(source, "v:0"));
  EXPECT_EQ(PacketSizes(target, "a:0"), PacketSizes(source, "a:0"));
  EXPECT_EQ(ProbeStream(target, "a:0", "codec_name"), "vorbis");
}

TEST(ConversionOutput, CropAndScaleGiveTheRequestedSize) {
  MediaSpec pal = Mp4H264Aac();
  pal.width = 720;
  pal.height = 576;
  pal.seconds = 1;
  const QString source = MediaFixture(pal);
  struct {
    int width, height, left, right, top, bottom;
    const char* size;
  } cases[] = {
      {352, 288, 8, 8, 0, 0, "336x288"},  // the height is not reduced by bands when it is set
      {0, 0, 0, 0, 16, 16, "720x544"},
      {0, 0, 8, 8, 0, 0, "704x576"},
      {160, 120, 0, 0, 0, 0, "160x120"},
  };
  for (const auto& k : cases) {
    const QString target = Target("crop.mp4");
    TAVConverter c;
    c.InputFiles() << source;
    c.OutputFiles() << target;
    TVideoOptions& v = c.ConvertOptions().VideoOptions();
    v.SetFrameWidth(k.width);
    v.SetFrameHeight(k.height);
    v.SetFrameLeftBand(k.left);
    v.SetFrameRightBand(k.right);
    v.SetFrameTopBand(k.top);
    v.SetFrameBottomBand(k.bottom);
    ASSERT_TRUE(RunConversion(c).Succeeded()) << k.size;
    EXPECT_EQ(ProbeStream(target, "v:0", "width") + "x" + ProbeStream(target, "v:0", "height"), k.size);
  }
}

TEST(ConversionOutput, CropTakesTheInnerPicture) {
  MediaSpec spec = Mp4H264Aac();
  spec.width = 320;
  spec.height = 240;
  const QString source = MediaFixture(spec);
  const QString target = Target("inner.mkv");
  TAVConverter c;
  c.InputFiles() << source;
  c.OutputFiles() << target;
  c.ConvertOptions().VideoOptions().SetEncoderVideoCodecName("ffv1");
  c.ConvertOptions().VideoOptions().SetFrameLeftBand(40);
  c.ConvertOptions().VideoOptions().SetFrameRightBand(40);
  c.ConvertOptions().VideoOptions().SetFrameTopBand(20);
  c.ConvertOptions().VideoOptions().SetFrameBottomBand(20);
  ASSERT_TRUE(RunConversion(c).Succeeded());
  // Cropping the source with the tool gives the same picture.
  const QString expected = Target("expected.mkv");
  int exit = -1;
  RunTool("ffmpeg", {"-v", "error", "-y", "-i", source, "-vf", "crop=240:200:40:20", "-c:v", "ffv1", "-an", expected},
          &exit);
  ASSERT_EQ(exit, 0);
  EXPECT_GT(Psnr(GrayFrame(expected, 5), GrayFrame(target, 5)), 45.0);
}

TEST(ConversionOutput, AStoppedConversionLeavesAPlayableFile) {
  MediaSpec spec = Mp4H264Aac();
  spec.seconds = 20;
  const QString source = MediaFixture(spec);
  // Encoded, and copied: copying is far faster than real time, so only the
  // pacing lets the stop come early there.
  for (const bool copy : {false, true}) {
    SCOPED_TRACE(copy ? "copied" : "encoded");
    const QString target = Target(copy ? "stopped-copy.mkv" : "stopped.mp4");
    TAVConverter c;
    c.InputFiles() << source;
    c.OutputFiles() << target;
    c.ConvertOptions().SetRateEmu(true);  // reads at the input's own pace
    c.ConvertOptions().VideoOptions().SetVideoStreamCopy(copy);
    c.ConvertOptions().AudioOptions().SetAudioStreamCopy(copy);
    bool stopped = false;
    c.OnStopped = [&](TAVConverter*) { stopped = true; };
    c.OnProgress = [&](TAVConverter* s) {
      if (s->ConvertedDuration() > 1.0) s->Stop();
    };
    const TConversionResult r = RunConversion(c);
    ASSERT_TRUE(r.Succeeded()) << r.errorMsg.toStdString();
    EXPECT_TRUE(stopped);
    const double duration = Number(ProbeFormat(target, "duration"));
    EXPECT_GT(duration, 0.9);
    EXPECT_LT(duration, 10);
    int exit = -1;
    RunTool("ffmpeg", {"-v", "error", "-xerror", "-i", target, "-f", "null", "-"}, &exit);
    EXPECT_EQ(exit, 0);
  }
}

TEST(ConversionOutput, TwoConversionsRunSideBySide) {
  const QString source = MediaFixture(Mp4H264Aac());
  TAVConverter a, b;
  const QString ta = Target("a.avi"), tb = Target("b.mp4");
  a.InputFiles() << source;
  a.OutputFiles() << ta;
  b.InputFiles() << source;
  b.OutputFiles() << tb;
  int done = 0;
  a.OnComplete = b.OnComplete = [&](TAVConverter*) { ++done; };
  a.Convert();
  b.Convert();
  ASSERT_TRUE(PumpUntil([&] { return done == 2; }, 120000));
  EXPECT_TRUE(a.ErrorMsg().isEmpty());
  EXPECT_TRUE(b.ErrorMsg().isEmpty());
  EXPECT_EQ(ProbeStream(ta, "v:0", "codec_name"), "mpeg4");
  EXPECT_EQ(ProbeStream(tb, "v:0", "codec_name"), "h264");
}

TEST(ConversionOutput, MissingFoldersOfTheTargetAreCreated) {
  const QString target = QDir(TemporaryFolder()).filePath("new/deeper/out.mp3");
  TAVConverter c;
  c.InputFiles() << MediaFixture(Wav());
  c.OutputFiles() << target;
  ASSERT_TRUE(RunConversion(c).Succeeded());
  EXPECT_TRUE(QFileInfo::exists(target));
}

TEST(ConversionOutput, DisabledStreamsAreLeftOut) {
  const QString source = MediaFixture(Mp4H264Aac());
  const QString target = Target("video-only.mp4");
  TAVConverter c;
  c.InputFiles() << source;
  c.OutputFiles() << target;
  c.ConvertOptions().AudioOptions().SetAudioDisable(true);
  ASSERT_TRUE(RunConversion(c).Succeeded());
  EXPECT_EQ(ProbeStream(target, "a", "codec_name"), "");

  TAVConverter d;
  const QString audioOnly = Target("audio-only.mkv");
  d.InputFiles() << source;
  d.OutputFiles() << audioOnly;
  d.ConvertOptions().VideoOptions().SetVideoDisable(true);
  d.ConvertOptions().VideoOptions().SetVideoStreamCopy(true);
  ASSERT_TRUE(RunConversion(d).Succeeded());
  EXPECT_EQ(ProbeStream(audioOnly, "v", "codec_name"), "");
  EXPECT_EQ(ProbeStream(audioOnly, "a:0", "codec_name"), "vorbis");
}

TEST(ConversionOutput, AnUnsupportedSampleRateTakesTheClosestAndSaysSo) {
  MediaSpec spec = Wav();
  spec.sampleRate = 44000;
  const QString target = Target("rate.mp2");
  TAVConverter c;
  c.InputFiles() << MediaFixture(spec);
  c.OutputFiles() << target;
  const TConversionResult r = RunConversion(c);
  ASSERT_TRUE(r.Succeeded());
  EXPECT_TRUE(r.log.contains("Requested sampling rate unsupported using closest supported (44100)"))
      << r.log.join("\n").toStdString();
  EXPECT_EQ(ProbeStream(target, "a:0", "sample_rate"), "44100");
}
