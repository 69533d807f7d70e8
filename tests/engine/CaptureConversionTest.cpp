// Recording from ALSA's null device through the "wavcap" input: a recording
// the length RecordingTime asks for, one stopped by the user, and the
// command-line tool doing the same.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include "engine/ConversionSupport.h"

using namespace testing_support;

namespace {

void SetUpRecording(TAVConverter& c, const QString& target, int rate, int channels) {
  c.InputFiles() << QStringLiteral("null");
  c.OutputFiles() << target;
  c.ConvertOptions().SetInputFormat(QStringLiteral("wavcap"));
  c.ConvertOptions().AudioOptions().SetAudioSampleRate(rate);
  c.ConvertOptions().AudioOptions().SetAudioChannels(channels);
}

// Whether every sample of the file's first audio stream is zero.
bool Silent(const QString& file) {
  QProcess tool;
  tool.start("ffmpeg", {"-nostdin", "-v", "error", "-i", file, "-f", "s16le", "-"});
  tool.waitForFinished(120000);
  const QByteArray samples = tool.readAllStandardOutput();
  return !samples.isEmpty() && samples.count('\0') == samples.size();
}

}  // namespace

TEST(CaptureConversion, ARecordingLastsTheRecordingTime) {
  const QString target = Target("two-seconds.wav");
  TAVConverter c;
  SetUpRecording(c, target, 44100, 2);
  c.ConvertOptions().SetRecordingTime(2000000);
  const TConversionResult r = RunConversion(c);
  ASSERT_TRUE(r.Succeeded()) << r.errorBoxes.join('|').toStdString() << r.log.join('\n').toStdString();
  EXPECT_EQ(ProbeStream(target, "a:0", "codec_name"), "pcm_s16le");
  EXPECT_EQ(ProbeStream(target, "a:0", "sample_rate"), "44100");
  EXPECT_EQ(ProbeStream(target, "a:0", "channels"), "2");
  EXPECT_NEAR(AudioSampleCount(target) / 44100.0, 2.0, 0.1);
  EXPECT_TRUE(Silent(target));
}

TEST(CaptureConversion, ARecordingStopsWhenTheUserStopsIt) {
  const QString target = Target("stopped.wav");
  TAVConverter c;
  SetUpRecording(c, target, 22050, 1);
  int progress = 0;
  c.OnProgress = [&](TAVConverter*) { ++progress; };
  bool stoppedEvent = false;
  c.OnStopped = [&](TAVConverter*) { stoppedEvent = true; };
  int completions = 0;
  c.OnComplete = [&](TAVConverter*) { ++completions; };
  c.Convert();
  // Some sound has been written before the stop.
  ASSERT_TRUE(PumpUntil([&] { return progress > 0 && QFile(target).size() > 44 + 8192; }, 60000));
  c.Stop();
  ASSERT_TRUE(PumpUntil([&] { return completions > 0; }, 60000));
  EXPECT_TRUE(stoppedEvent);
  EXPECT_TRUE(c.ErrorMsg().isEmpty()) << c.ErrorMsg().toStdString();
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
  EXPECT_GT(AudioSampleCount(target), 4096);
  EXPECT_EQ(ProbeStream(target, "a:0", "sample_rate"), "22050");
  EXPECT_EQ(ProbeStream(target, "a:0", "channels"), "1");
}

TEST(CaptureConversion, TheCommandLineToolRecordsFromTheNullDevice) {
  const QString target = Target("cli.wav");
  QProcess cli;
  cli.start(QStringLiteral(TESVANOR_CLI),
            {"convert", "null", target, "--set", "InputFormat=wavcap", "--set", "RecordingTime=2000000", "--set",
             "AudioOptions.AudioSampleRate=44100", "--set", "AudioOptions.AudioChannels=2"});
  ASSERT_TRUE(cli.waitForFinished(120000));
  EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
  EXPECT_NEAR(AudioSampleCount(target) / 44100.0, 2.0, 0.1);
  EXPECT_EQ(ProbeStream(target, "a:0", "channels"), "2");
}

TEST(CaptureConversion, ASecondRecordingAtTheSameTimeCannotOpenItsInput) {
  TAVConverter first, second;
  SetUpRecording(first, Target("first.wav"), 44100, 2);
  SetUpRecording(second, Target("second.wav"), 44100, 2);
  int firstProgress = 0, completions = 0;
  first.OnProgress = [&](TAVConverter*) { ++firstProgress; };
  first.OnComplete = [&](TAVConverter*) { ++completions; };
  first.Convert();
  ASSERT_TRUE(PumpUntil([&] { return firstProgress > 0; }, 60000));
  const TConversionResult r = RunConversion(second);
  EXPECT_EQ(r.errorBoxes, QStringList{"打不开:-5!"});
  EXPECT_TRUE(r.log.contains("wave capture error:another recording is running")) << r.log.join('\n').toStdString();
  first.Stop();
  ASSERT_TRUE(PumpUntil([&] { return completions > 0; }, 60000));
}
