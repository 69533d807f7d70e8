#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include "support/MediaFixtures.h"

using namespace testing_support;

TEST(MediaFixtures, GeneratesTheDescribedStreamsOnceAndCachesThem) {
  MediaSpec spec;
  spec.seconds = 1;
  spec.width = 176;
  spec.height = 144;
  spec.container = QStringLiteral("mkv");
  const QString path = MediaFixture(spec);
  ASSERT_FALSE(path.isEmpty());
  EXPECT_EQ(ProbeStream(path, "v:0", "codec_name"), "mpeg4");
  EXPECT_EQ(ProbeStream(path, "v:0", "width"), "176");
  EXPECT_EQ(ProbeStream(path, "a:0", "codec_name"), "mp2");
  EXPECT_NEAR(ProbeFormat(path, "duration").toDouble(), 1.0, 0.1);

  const QDateTime made = QFileInfo(path).lastModified();
  EXPECT_EQ(MediaFixture(spec), path);
  EXPECT_EQ(QFileInfo(path).lastModified(), made);
}

TEST(MediaFixtures, AudioOnlyAndVideoOnlyFiles) {
  MediaSpec audio;
  audio.videoCodec.clear();
  audio.audioCodec = QStringLiteral("pcm_s16le");
  audio.container = QStringLiteral("wav");
  const QString wav = MediaFixture(audio);
  EXPECT_EQ(ProbeStream(wav, "a:0", "codec_name"), "pcm_s16le");
  EXPECT_EQ(ProbeStream(wav, "v", "codec_name"), "");

  MediaSpec video;
  video.audioCodec.clear();
  video.videoCodec = QStringLiteral("libx264");
  video.container = QStringLiteral("mp4");
  const QString mp4 = MediaFixture(video);
  EXPECT_EQ(ProbeStream(mp4, "v:0", "codec_name"), "h264");
  EXPECT_EQ(ProbeStream(mp4, "a", "codec_name"), "");
}

TEST(MediaFixtures, DataFolderIsATemporaryOne) {
  const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
  ASSERT_FALSE(dataHome.isEmpty());
  EXPECT_NE(QString::fromUtf8(dataHome), QDir::homePath() + "/.local/share");
  EXPECT_TRUE(QFileInfo(QString::fromUtf8(dataHome)).isDir());
}
