#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QtEndian>

#include "InspectFixtures.h"
#include "engine/EngineError.h"
#include "inspect/AVProbe.h"
#include "support/MediaFixtures.h"
#include "support/TestSupport.h"

using namespace testing_support;
using namespace inspect_testing;

namespace {

MediaSpec AudioOnly(const QString& codec, const QString& container) {
  MediaSpec spec;
  spec.videoCodec.clear();
  spec.audioCodec = codec;
  spec.container = container;
  return spec;
}

// The message the probe raises when activated on file, empty when none.
QString ActivationError(TAVProbe& probe, const QString& file) {
  probe.SetFileName(file);
  try {
    probe.SetActive(true);
  } catch (const EAVError& e) {
    EXPECT_FALSE(probe.Active());
    return e.Message();
  }
  return QString();
}

}  // namespace

TEST(Probe, WaveFileReportsUncompressedAudioBitrate) {
  TAVProbe probe;
  probe.SetFileName(MediaFixture(AudioOnly(QStringLiteral("pcm_s16le"), QStringLiteral("wav"))));
  probe.SetActive(true);
  ASSERT_TRUE(probe.Active());
  EXPECT_TRUE(probe.HasAudio());
  EXPECT_FALSE(probe.HasVideo());
  EXPECT_EQ(probe.AudioEncoderName(), "pcm_s16le");
  EXPECT_EQ(probe.SampleRate(), 44100);
  EXPECT_EQ(probe.Channels(), 2);
  EXPECT_EQ(probe.AudioBitrate(), 44100 * 2 * 16);
}

TEST(Probe, Mp3FileReportsTheStreamBitrate) {
  MediaSpec spec = AudioOnly(QStringLiteral("libmp3lame"), QStringLiteral("mp3"));
  spec.sampleRate = 48000;
  spec.channels = 1;
  spec.extraOutputArgs = {"-b:a", "96k"};
  TAVProbe probe;
  probe.SetFileName(MediaFixture(spec));
  probe.SetActive(true);
  EXPECT_TRUE(probe.HasAudio());
  EXPECT_FALSE(probe.HasVideo());
  EXPECT_EQ(probe.AudioEncoderName(), "mp3float");
  EXPECT_EQ(probe.SampleRate(), 48000);
  EXPECT_EQ(probe.Channels(), 1);
  EXPECT_EQ(probe.AudioBitrate(), 96000);
}

TEST(Probe, Mp4FileReportsVideoAndAudio) {
  MediaSpec spec;
  spec.videoCodec = QStringLiteral("libx264");
  spec.audioCodec = QStringLiteral("aac");
  spec.width = 352;
  spec.height = 288;
  spec.rate = QStringLiteral("30000/1001");
  spec.sampleRate = 32000;
  spec.container = QStringLiteral("mp4");
  const QString file = MediaFixture(spec);
  TAVProbe probe;
  probe.SetFileName(file);
  probe.SetActive(true);
  ASSERT_TRUE(probe.HasVideo());
  ASSERT_TRUE(probe.HasAudio());
  EXPECT_EQ(probe.VideoEncoderName(), "h264");
  EXPECT_EQ(probe.VideoWidth(), 352);
  EXPECT_EQ(probe.VideoHeight(), 288);
  EXPECT_NEAR(probe.VideoFrameRate(), 29.97, 0.001);
  EXPECT_EQ(QString::number(probe.VideoBitrate()), ProbeStream(file, "v:0", "bit_rate"));
  EXPECT_EQ(probe.AudioEncoderName(), "aac");
  EXPECT_EQ(probe.SampleRate(), 32000);
  EXPECT_EQ(probe.Channels(), 2);
  EXPECT_EQ(QString::number(probe.AudioBitrate()), ProbeStream(file, "a:0", "bit_rate"));
}

TEST(Probe, OnlyTheFirstOfTwoAudioTracksIsReported) {
  MediaSpec spec;
  spec.audioCodec = QStringLiteral("aac");
  spec.container = QStringLiteral("mp4");
  spec.extraOutputArgs = {"-map", "0:v", "-map", "1:a", "-map", "1:a", "-ar:a:1", "22050", "-ac:a:1", "1"};
  const QString file = MediaFixture(spec);
  ASSERT_EQ(ProbeStream(file, "a:1", "sample_rate"), "22050");
  TAVProbe probe;
  probe.SetFileName(file);
  probe.SetActive(true);
  EXPECT_EQ(probe.SampleRate(), 44100);
  EXPECT_EQ(probe.Channels(), 2);
}

TEST(Probe, ActivationChangesOnlyOnANewStateOfAnExistingFile) {
  const QString wav = MediaFixture(AudioOnly(QStringLiteral("pcm_s16le"), QStringLiteral("wav")));
  MediaSpec mono = AudioOnly(QStringLiteral("pcm_u8"), QStringLiteral("wav"));
  mono.channels = 1;
  const QString other = MediaFixture(mono);

  TAVProbe probe;
  probe.SetActive(false);  // inactive already: nothing to do
  EXPECT_FALSE(probe.Active());

  probe.SetFileName(QDir(TemporaryFolder()).filePath(QStringLiteral("missing.wav")));
  probe.SetActive(true);  // a missing file is no error, and nothing opens
  EXPECT_FALSE(probe.Active());
  EXPECT_FALSE(probe.HasAudio());
  EXPECT_FALSE(probe.HasVideo());

  probe.SetFileName(wav);
  probe.SetActive(true);
  probe.SetFileName(other);
  probe.SetActive(true);  // already active: the first file stays open
  EXPECT_EQ(probe.Channels(), 2);
  probe.SetActive(false);
  probe.SetActive(true);
  EXPECT_EQ(probe.Channels(), 1);
  EXPECT_EQ(probe.AudioBitrate(), 44100 * 8);

  // A file that went away while open still closes.
  const QString copy = QDir(TemporaryFolder()).filePath(QStringLiteral("going.wav"));
  ASSERT_TRUE(QFile::copy(other, copy));
  probe.SetActive(false);
  probe.SetFileName(copy);
  probe.SetActive(true);
  ASSERT_TRUE(probe.Active());
  ASSERT_TRUE(QFile::remove(copy));
  probe.SetActive(false);
  EXPECT_FALSE(probe.Active());
}

TEST(Probe, FailuresRaiseTheirMessagesAndLeaveTheProbeInactive) {
  TAVProbe probe;
  EXPECT_EQ(ActivationError(probe, WrittenFile(QStringLiteral("notes.avi"), QByteArray("no media in here\n").repeated(64))),
            "Error Opening File!");
  EXPECT_EQ(ActivationError(probe, StuffingOnlyTransportStream()), "Can not find stream information");

  // A video stream whose four-character code no decoder knows, after an audio stream.
  MediaSpec unknown;
  unknown.videoCodec = QStringLiteral("mpeg4");
  unknown.extraOutputArgs = {"-map", "1:a", "-map", "0:v", "-vtag", "XXXX", "-strict", "-2"};
  EXPECT_EQ(ActivationError(probe, MediaFixture(unknown)), "Unsupported codec(id=0) for input stream 1");

  // More channels than any decoder opens with.
  const QString wav = MediaFixture(AudioOnly(QStringLiteral("pcm_s16le"), QStringLiteral("wav")));
  const QString crowded = PatchedCopy(wav, QStringLiteral("crowded.wav"), [](QByteArray& b) {
    ASSERT_EQ(b.mid(12, 4), "fmt ");
    qToLittleEndian<quint16>(1000, b.data() + 22);
  });
  EXPECT_EQ(ActivationError(probe, crowded), "Error while opening codec for input stream 0");

  // Nothing is left half open: the next file activates normally.
  EXPECT_EQ(ActivationError(probe, wav), "");
  EXPECT_TRUE(probe.Active());
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());  // errors are raised, not shown
}

TEST(Probe, OpenAndCloseManyTimes) {
  // Under the sanitizer build this shows that the decoders the probe opens are released.
  MediaSpec spec;
  spec.videoCodec = QStringLiteral("libx264");
  spec.audioCodec = QStringLiteral("aac");
  spec.container = QStringLiteral("mp4");
  const QString file = MediaFixture(spec);
  for (int i = 0; i < 5; ++i) {
    TAVProbe probe;
    probe.SetFileName(file);
    probe.SetActive(true);
    probe.SetActive(false);
    probe.SetActive(true);  // and the destructor closes this one
    EXPECT_TRUE(probe.HasVideo());
  }
}
