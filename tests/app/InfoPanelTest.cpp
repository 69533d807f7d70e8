// The destination information panel's texts.

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>

#include "app/InfoPanel.h"
#include "profiles/BuiltInProfiles.h"
#include "profiles/CustomProfiles.h"

namespace {

QString Value(const TFrameVideoInfo& panel, const char* name) {
  const auto* label = panel.findChild<QLabel*>(QLatin1String(name));
  EXPECT_NE(label, nullptr) << name;
  return label ? label->text() : QString();
}

const char* const VideoLabels[] = {"lblFrameSize", "lblVEncoder", "lblFrameRate", "lblVideoBitrate"};
const char* const AudioLabels[] = {"lblSampleRate", "lblAudioEncoder", "lblChannels", "lblAudioBitrate"};

class InfoPanel : public ::testing::Test {
 protected:
  void SetUp() override { CreateBuiltInProfiles(Profiles, &Profiles); }
  TAVProfileList Profiles;
};

}  // namespace

TEST_F(InfoPanel, GroupsCaptionsAndEmptyValues) {
  TFrameVideoInfo panel;
  EXPECT_EQ(panel.VideoGroup()->title(), "Video Information");
  EXPECT_EQ(panel.AudioGroup()->title(), "Audio Information");
  EXPECT_TRUE(panel.VideoGroup()->isEnabled());
  EXPECT_FALSE(panel.AudioGroup()->isEnabled());  // shown greyed
  QStringList captions;
  for (const QLabel* label : panel.findChildren<QLabel*>())
    if (label->objectName().isEmpty()) captions << label->text();
  EXPECT_EQ(captions, QStringList({"Frame Size", "Video Encoder", "Frame Rate", "Bitrate(kbps)", "Sample Rate",
                                   "Audio Encoder", "Channels", "Bitrate(kbps)"}));
  for (const char* name : VideoLabels) EXPECT_EQ(Value(panel, name), "") << name;
  for (const char* name : AudioLabels) EXPECT_EQ(Value(panel, name), "") << name;
}

TEST_F(InfoPanel, ProfileValuesInTheirFormats) {
  TFrameVideoInfo panel;
  panel.ShowProfile(Profiles.FindProfile(QStringLiteral("Matroska Video")));
  EXPECT_EQ(Value(panel, "lblVEncoder"), "H264");
  EXPECT_EQ(Value(panel, "lblFrameSize"), "0x0");
  EXPECT_EQ(Value(panel, "lblFrameRate"), "25.00");
  EXPECT_EQ(Value(panel, "lblVideoBitrate"), "1200");
  EXPECT_EQ(Value(panel, "lblAudioBitrate"), "128");

  panel.ShowProfile(Profiles.FindProfile(QStringLiteral("3GPP")));
  EXPECT_EQ(Value(panel, "lblAudioEncoder"), "AMR_NB");
  EXPECT_EQ(Value(panel, "lblChannels"), "mono");
  EXPECT_EQ(Value(panel, "lblSampleRate"), "8000");
  EXPECT_EQ(Value(panel, "lblAudioBitrate"), "12.2");
  EXPECT_EQ(Value(panel, "lblFrameRate"), "0.00");  // the source's rate

  panel.ShowVideoInfo(QStringLiteral("MPEG4"), 320, 240, 29.97, 768);
  EXPECT_EQ(Value(panel, "lblFrameRate"), "29.97");
  EXPECT_EQ(Value(panel, "lblFrameSize"), "320x240");
  panel.ShowAudioInfo(QStringLiteral("AAC"), 44100, 2, 96);
  EXPECT_EQ(Value(panel, "lblChannels"), "stereo");
  panel.ShowAudioInfo(QStringLiteral("AAC"), 44100, -1, 96);
  EXPECT_EQ(Value(panel, "lblChannels"), "mono");
}

TEST_F(InfoPanel, AnAudioOrOtherProfileClearsOnlyTheVideoGroup) {
  TFrameVideoInfo panel;
  panel.ShowProfile(Profiles.FindProfile(QStringLiteral("Flash Video")));
  panel.ShowProfile(Profiles.FindProfile(QStringLiteral("MP3 Audio")));
  for (const char* name : VideoLabels) EXPECT_EQ(Value(panel, name), "") << name;
  EXPECT_EQ(Value(panel, "lblAudioEncoder"), "MP3");
  EXPECT_EQ(Value(panel, "lblAudioBitrate"), "192");

  // A target profile has no custom values: the audio group keeps the last ones.
  panel.ShowProfile(Profiles.FindProfile(QStringLiteral("VCD")));
  for (const char* name : VideoLabels) EXPECT_EQ(Value(panel, name), "") << name;
  EXPECT_EQ(Value(panel, "lblAudioEncoder"), "MP3");

  panel.ClearAudioInfo();
  for (const char* name : AudioLabels) EXPECT_EQ(Value(panel, name), "") << name;
}
