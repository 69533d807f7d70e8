// Profiles.ini: saving the custom profiles into numbered slots and loading
// them back in place of the list's custom profiles.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "engine/AVConverter.h"
#include "profiles/BuiltInProfiles.h"
#include "profiles/CustomProfiles.h"
#include "media/DataFolder.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileStore.h"
#include "support/TestSupport.h"

namespace {

struct TCatalogue {
  TComponent owner;
  TAVProfileList* list = new TAVProfileList(&owner);
  TCatalogue() { CreateBuiltInProfiles(*list, &owner); }
};

QString IniPath() { return QDir(testing_support::TemporaryFolder()).filePath("Profiles.ini"); }

QString WriteFile(const QByteArray& content) {
  const QString path = IniPath();
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(content);
  return path;
}

QByteArray ReadFile(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}

// Every setting the file stores, as text.
QString Settings(const TAVProfile* p) {
  QStringList s{p->ClassName(), p->Description(), p->Extension(), p->Category()};
  if (auto* a = dynamic_cast<const TAVCustomAudioProfile*>(p))
    s << QString::number(a->SampleRate()) << QString::number(int(a->AudioEncoder()))
      << QString::number(int(a->AudioChannels())) << QString::number(a->AudioBitrate())
      << QString::number(a->Format()) << a->Options().join('|');
  if (auto* v = dynamic_cast<const TAVCustomVideoProfile*>(p))
    s << QString::number(v->FrameWidth()) << QString::number(v->FrameHeight()) << QString::number(int(v->VideoEncoder()))
      << QString::number(v->FrameRate()) << QString::number(v->VideoBitrate());
  return s.join(';');
}

QStringList CustomSettings(const TAVProfileList& list) {
  QStringList all;
  for (int i = 0; i < list.ProfileCount(); ++i)
    if (IsCustomProfile(list.Profiles(i))) all << Settings(list.Profiles(i));
  return all;
}

}  // namespace

TEST(ProfileStore, SavingTheBuiltInListWritesSixtySlotsInListOrder) {
  TCatalogue c;
  const QString path = IniPath();
  SaveProfiles(*c.list, path);
  const QByteArray text = ReadFile(path);
  EXPECT_TRUE(text.startsWith(
      "[Profile]\n"
      "Description0=AAC Audio\nExtension0=.mp4\nCategory0=\xE9\x9F\xB3\xE9\xA2\x91\nIsVideo0=0\nSampleRate0=48000\n"
      "AudioEncoder0=0\nAudioChannels0=1\nAudioBitrate0=128\nFormat0=0\nOptions0=\n"
      "Description1=MP3 Audio\nExtension1=.mp3\nCategory1=\xE9\x9F\xB3\xE9\xA2\x91\nIsVideo1=0\nSampleRate1=48000\n"
      "AudioEncoder1=4\nAudioChannels1=1\nAudioBitrate1=192\nFormat1=0\nOptions1=\n"
      "Description2=Apple TV H264 Video(320x240)\n"))
      << text.left(800).toStdString();
  EXPECT_TRUE(text.endsWith("VideoBitrate59=400\nProfileCount=60\n"));

  const TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("Profile", "Description59", ""), QString::fromUtf8("Flash SWF格式(*.swf)"));
  // A video slot: the audio part's IsVideo is overwritten, then the video keys follow.
  EXPECT_EQ(ini.ReadString("Profile", "IsVideo2", ""), "1");
  EXPECT_EQ(ini.KeyNames("Profile").mid(20, 16),
            QStringList({"Description2", "Extension2", "Category2", "IsVideo2", "SampleRate2", "AudioEncoder2",
                         "AudioChannels2", "AudioBitrate2", "Format2", "Options2", "FrameWidth2", "FrameHeight2",
                         "VideoEncoder2", "FrameRate2", "VideoBitrate2", "Description3"}));
  EXPECT_EQ(ini.ReadString("Profile", "AudioBitrate32", ""), "12.2");  // 3GPP
  EXPECT_EQ(ini.ReadString("Profile", "Options26", ""), "maxrate=1000000,qmin=3,qmax=5,bufsize=4096k,g=300");
  EXPECT_EQ(ini.ReadString("Profile", "Options34", ""), "flags=bitexact");  // 3GPP2
  EXPECT_EQ(ini.ReadString("Profile", "Description54", ""), QString::fromUtf8("Windows视频高清(*.wmv)"));
  EXPECT_EQ(ini.ReadString("Profile", "AudioBitrate54", ""), "128");
}

TEST(ProfileStore, LoadingReplacesTheCustomProfilesWithTheFiles) {
  TCatalogue saved;
  const QString path = IniPath();
  SaveProfiles(*saved.list, path);

  TCatalogue loaded;
  loaded.list->Profiles(10)->SetDescription("changed, to be replaced");
  LoadProfiles(*loaded.list, path);
  ASSERT_EQ(loaded.list->ProfileCount(), 71);
  // The non-custom profiles first, in their order, then the file's slots.
  QStringList first;
  for (int i = 0; i < 11; ++i) first << loaded.list->Profiles(i)->Name();
  EXPECT_EQ(first, QStringList({"pfVcd", "pfDv", "pfDv50", "pfDvd_old", "pfSVcd", "pfImage", "pfJpeg", "pfGif",
                                "pfPng", "pfBmp", "pfTiff"}));
  EXPECT_EQ(CustomSettings(*loaded.list), CustomSettings(*saved.list));
  EXPECT_EQ(loaded.list->Profiles(11)->Owner(), loaded.list);
  EXPECT_EQ(loaded.owner.ComponentCount(), 12);  // the list and the eleven kept

  // Pass and aspect are not in the file: a loaded profile has the creation values.
  auto* iphone = dynamic_cast<TAVCustomVideoProfile*>(loaded.list->FindProfile("IPhone H264 Video"));
  ASSERT_NE(iphone, nullptr);
  EXPECT_EQ(iphone->FrameAspectRatio(), AR_NONE);
  EXPECT_EQ(iphone->Pass(), 0);
}

TEST(ProfileStore, SavingAfterADeletionLeavesTheStaleSlotUnread) {
  TCatalogue c;
  const QString path = IniPath();
  SaveProfiles(*c.list, path);
  delete c.list->FindProfile("AAC Audio");
  SaveProfiles(*c.list, path);

  const TIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("Profile", "ProfileCount", 0), 59);
  EXPECT_EQ(ini.ReadString("Profile", "Description0", ""), "MP3 Audio");
  // Slot 59 still holds the last profile of the longer save.
  EXPECT_EQ(ini.ReadString("Profile", "Description59", ""), QString::fromUtf8("Flash SWF格式(*.swf)"));
  EXPECT_EQ(ini.ReadString("Profile", "Description58", ""), QString::fromUtf8("Flash SWF格式(*.swf)"));

  TCatalogue loaded;
  LoadProfiles(*loaded.list, path);
  EXPECT_EQ(loaded.list->ProfileCount(), 70);
  EXPECT_EQ(CustomSettings(*loaded.list), CustomSettings(*c.list));
}

TEST(ProfileStore, MissingKeysKeepCreationValuesAndBadOrdinalsFallBack) {
  const QString path = WriteFile(
      "[Profile]\n"
      "ProfileCount=3\n"
      "IsVideo0=1\nDescription0=audio keys only\nSampleRate0=0xAC44\nAudioEncoder0=4\nAudioChannels0=1\n"
      "AudioBitrate0=96\nFormat0=2\nOptions0=\"a b\",c\n"
      "Description1=out of range\nIsVideo1=1\nVideoEncoder1=12\nFrameRate1=9\nAudioEncoder1=-1\nFormat1=99\n"
      "AudioChannels1=2\nFrameWidth1=wide\nVideoBitrate1=0x10\n"
      "Description2=plain audio\n");
  TCatalogue c;
  LoadProfiles(*c.list, path);
  ASSERT_EQ(c.list->ProfileCount(), 14);

  auto* first = dynamic_cast<TAVCustomVideoProfile*>(c.list->Profiles(11));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->SampleRate(), 44100);
  EXPECT_EQ(first->AudioEncoder(), TCustomAudioEncoder::MP3);
  EXPECT_EQ(first->AudioBitrate(), 96.0);
  EXPECT_EQ(first->Format(), F_MP4);
  EXPECT_EQ(first->Options(), QStringList({"a b", "c"}));
  EXPECT_EQ(first->FrameWidth(), 0);
  EXPECT_EQ(first->FrameHeight(), 0);
  EXPECT_EQ(first->VideoBitrate(), 0);
  EXPECT_EQ(first->VideoEncoder(), TCustomVideoEncoder::H263);
  EXPECT_EQ(first->FrameRate(), rOriginal);
  EXPECT_EQ(first->Extension(), "");

  auto* second = dynamic_cast<TAVCustomVideoProfile*>(c.list->Profiles(12));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->VideoEncoder(), TCustomVideoEncoder::H263);
  EXPECT_EQ(second->FrameRate(), rOriginal);
  EXPECT_EQ(second->AudioEncoder(), TCustomAudioEncoder::AAC);
  EXPECT_EQ(second->Format(), F_NONE);
  EXPECT_EQ(second->AudioChannels(), TCustomAudioChannels::mono1);
  EXPECT_EQ(second->FrameWidth(), 0);
  EXPECT_EQ(second->VideoBitrate(), 16);
  TAVConverter converter;
  EXPECT_NO_THROW(second->ApplyProfile(converter));

  EXPECT_EQ(c.list->Profiles(13)->ClassName(), std::string("TAVCustomAudioProfile"));
}

TEST(ProfileStore, FilesThatAreNotProfileFilesLoadWhatTheyCan) {
  TCatalogue c;
  QByteArray noise;
  for (int i = 0; i < 4096; ++i) noise += char((i * 7919) % 256);
  LoadProfiles(*c.list, WriteFile(noise));
  EXPECT_EQ(c.list->ProfileCount(), 11);

  // A huge count with one real slot loads that slot, and quickly.
  TCatalogue huge;
  LoadProfiles(*huge.list, WriteFile("[Profile]\nProfileCount=2000000000\nDescription7=only one\n"));
  ASSERT_EQ(huge.list->ProfileCount(), 12);
  EXPECT_EQ(huge.list->Profiles(11)->Description(), "only one");

  // No section, or no count: no custom profiles at all.
  TCatalogue noCount;
  LoadProfiles(*noCount.list, WriteFile("[Profile]\nDescription0=no count\n"));
  EXPECT_EQ(noCount.list->ProfileCount(), 11);
}

TEST(ProfileStore, TheFileLivesInTheUserDataFolder) {
  EXPECT_EQ(ProfilesIniPath(), qEnvironmentVariable("XDG_DATA_HOME") + "/Ormentis/Tesvanor/Profiles.ini");
  TCatalogue c;
  EXPECT_FALSE(LoadProfilesIfPresent(*c.list));
  EXPECT_EQ(c.list->ProfileCount(), 71);

  const QByteArray saved = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", "relative/path");
  EXPECT_EQ(tesvanor::UserDataFolder(), QDir::homePath() + "/.local/share/Ormentis/Tesvanor/");
  qunsetenv("XDG_DATA_HOME");
  EXPECT_EQ(tesvanor::UserDataFolder(), QDir::homePath() + "/.local/share/Ormentis/Tesvanor/");
  qputenv("XDG_DATA_HOME", saved);
}
