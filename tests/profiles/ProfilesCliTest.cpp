// tesvanor-cli profiles and convert --profile, run as the user runs them.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "profiles/ModernProfiles.h"
#include "profiles/ProfileStore.h"
#include "support/MediaFixtures.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// A Profiles.ini in the data folder for the length of one test.
class TUserProfiles {
 public:
  explicit TUserProfiles(const QByteArray& content) {
    QDir().mkpath(QFileInfo(ProfilesIniPath()).absolutePath());
    QFile f(ProfilesIniPath());
    f.open(QIODevice::WriteOnly);
    f.write(content);
  }
  ~TUserProfiles() { QFile::remove(ProfilesIniPath()); }
};

MediaSpec ShortClip() {
  MediaSpec s;
  s.seconds = 1;
  return s;
}

}  // namespace

TEST(ProfilesCli, ListsCategoryDescriptionAndExtension) {
  const TCliRun r = RunCli({"profiles"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
  // The described catalogue, then today's targets in a category of their own.
  ASSERT_EQ(lines.size(), 71 + int(ModernRecipes().size()));
  EXPECT_EQ(lines[0], "\tVCD\t.mpg");
  EXPECT_EQ(lines[5], "\tImage Sequence Profile\t%1d.bmp");
  EXPECT_EQ(lines[6], QString::fromUtf8("音频\tAAC Audio\t.mp4"));
  EXPECT_EQ(lines[44], "XBox\tXbox360 HD H264 Video\t.mp4");
  EXPECT_EQ(lines[51], "Images\tJPEG Sequence\t%1d.jpg");
  EXPECT_EQ(lines[70], QString::fromUtf8("Flash视频\tFlash SWF格式(*.swf)\t.swf"));
  EXPECT_EQ(lines[71], QString::fromUtf8("通用格式\t通用MP4 H.264(原始尺寸)\t.mp4"));
  EXPECT_EQ(lines.last(), QString::fromUtf8("通用格式\t动画GIF(*.gif)\t.gif"));
}

TEST(ProfilesCli, UserProfilesReplaceTheBuiltInCustomOnes) {
  const TUserProfiles file("[Profile]\nProfileCount=1\nDescription0=My Opus\nExtension0=.mka\n"
                           "Category0=\xE9\x9F\xB3\xE9\xA2\x91\nIsVideo0=0\nAudioEncoder0=3\n");
  const TCliRun r = RunCli({"profiles"});
  ASSERT_EQ(r.exitCode, 0);
  const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 12 + int(ModernRecipes().size()));
  EXPECT_EQ(lines[10], "Images\tTIFF Sequence\t%1d.tif");
  EXPECT_EQ(lines[11], QString::fromUtf8("音频\tMy Opus\t.mka"));
  EXPECT_EQ(lines[12], QString::fromUtf8("通用格式\t通用MP4 H.264(原始尺寸)\t.mp4"));
}

TEST(ProfilesCli, AnUnknownProfileIsAUsageError) {
  const TCliRun r = RunCli({"convert", "in.avi", "out.mp4", "--profile", "No Such Profile"});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(r.err.contains("unknown profile 'No Such Profile'")) << r.err.toStdString();
  EXPECT_EQ(RunCli({"convert", "in.avi", "out.mp4", "--profile"}).exitCode, 2);
  EXPECT_EQ(RunCli({"profiles", "extra"}).exitCode, 2);
}

TEST(ProfilesCli, TheProfileGoesFirstAndExplicitOptionsAfterIt) {
  const QString source = MediaFixture(ShortClip());
  ASSERT_FALSE(source.isEmpty());
  const QString target = QDir(TemporaryFolder()).filePath("out.mp3");
  // The option stands before the profile on the command line and still wins.
  const TCliRun r = RunCli({"convert", source, target, "--set", "AudioOptions.AudioSampleRate=32000", "--profile",
                      "MP3 Audio", "--quiet"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(ProbeStream(target, "a:0", "codec_name"), "mp3");
  EXPECT_EQ(ProbeStream(target, "a:0", "sample_rate"), "32000");
  EXPECT_EQ(ProbeStream(target, "a:0", "bit_rate"), "192000");
  EXPECT_EQ(ProbeStream(target, "v", "codec_name"), "");
}
