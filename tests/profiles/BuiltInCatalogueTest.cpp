// The profiles the program ships and how the wizard's categories see them.

#include <gtest/gtest.h>

#include "profiles/BuiltInProfiles.h"
#include "profiles/CustomProfiles.h"
#include "profiles/TargetProfiles.h"

namespace {

struct TCatalogue {
  TComponent owner;
  TAVProfileList* list = new TAVProfileList(&owner);
  TCatalogue() { CreateBuiltInProfiles(*list, &owner); }
  template <typename T>
  T* Named(const QString& name) const {
    for (int i = 0; i < list->ProfileCount(); ++i)
      if (list->Profiles(i)->Name() == name) return dynamic_cast<T*>(list->Profiles(i));
    return nullptr;
  }
};

const char* const ComponentNames[] = {
    "pfVcd",          "pfDv",           "pfDv50",           "pfDvd_old",           "pfSVcd",
    "pfImage",        "pfAAC",          "pfMp3",            "pfTV264_320",         "pfTV264_480",
    "pfTV264_720",    "pfTVMP4_480",    "pfTVMP4_480_hq",   "pfTVMP4_480_lq",      "pfZuneMP4",
    "pfZuneAVC",      "pfZuneWMV",      "pfWMX51",          "pfWMX51v",            "pfWMPocketPC",
    "pfWMPocketPC_lq", "pfWMHP_hw6500", "pfWMHP_hx2000",    "pfWMHP_hx4700",       "pfPS3_hd",
    "pfPS3_720",      "pfPS3_480",      "pfPSP_Mpeg4",      "pfPSP_AVC",           "pfPSP_HQ",
    "pfIPhone_264",   "pfIPhone_264_tele", "pfIPhone_mpeg4", "pfIPhone_mpeg4_tele", "pfIPhone_mpeg4_wide",
    "pfIPod",         "pfIPod_HQ",      "pfIPod_LQ",        "pf3gp",               "pfAC3",
    "pf3gp2",         "pf3gp2_hq",      "pfIPad_H264",      "pfIPad_H264_HQ",      "pfXb_H264_HD",
    "pfXb_MPEG_MCE",  "pfMKV",          "pfDVD_PAL",        "pfDVD_NTSC",          "pfFlash",
    "pfMOV",          "pfJpeg",         "pfGif",            "pfPng",               "pfBmp",
    "pfTiff",         "pfdWMA128",      "pfdM4A128",        "pfdWAV128",           "pfdMKA128",
    "pfdMP4Normal",   "pfdM4V",         "pfdAVINormal",     "pfdAVIXviD",          "pfdWMVNormal",
    "pfdWMVhd",       "pfdM2ts",        "pfdASF",           "pfdFLVNormal",        "pfdF4V",
    "pfdSWFNormal"};

}  // namespace

TEST(BuiltInCatalogue, SeventyOneProfilesInOrder) {
  TCatalogue c;
  ASSERT_EQ(c.list->ProfileCount(), 71);
  int audio = 0, video = 0;
  for (int i = 0; i < 71; ++i) {
    const TAVProfile* p = c.list->Profiles(i);
    EXPECT_EQ(p->Name(), ComponentNames[i]) << i;
    EXPECT_EQ(p->Owner(), &c.owner);
    if (dynamic_cast<const TAVCustomVideoProfile*>(p))
      ++video;
    else if (dynamic_cast<const TAVCustomAudioProfile*>(p))
      ++audio;
  }
  EXPECT_EQ(audio, 7);
  EXPECT_EQ(video, 53);
  const char* const targets[] = {"TAVVcdProfile", "TAVDvProfile", "TAVDv50Profile", "TAVDvdProfile",
                                 "TAVSVcdProfile", "TAVImageProfile"};
  for (int i = 0; i < 6; ++i) EXPECT_STREQ(c.list->Profiles(i)->ClassName(), targets[i]);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(dynamic_cast<TAVTargetProfile*>(c.list->Profiles(i))->Target(), TAVTarget::pal);
    EXPECT_EQ(c.list->Profiles(i)->Category(), "");
  }
}

TEST(BuiltInCatalogue, CategoriesListTheirProfiles) {
  TCatalogue c;
  EXPECT_EQ(c.list->Categories(),
            QStringList({QString::fromUtf8("视频"), QString::fromUtf8("音频"), QString::fromUtf8("手机和3gp"),
                         QString::fromUtf8("Flash视频"), "IPad", "IPhone", "IPod", "Zune", "PSP", "PS3", "Xbox",
                         "Windows Mobile", "Apple TV"}));
  int listed = 0;
  for (const QString& category : c.list->Categories()) {
    const QList<TAVProfile*> profiles = c.list->ProfilesOfCategory(category);
    EXPECT_FALSE(profiles.isEmpty()) << category.toStdString();
    for (const TAVProfile* p : profiles) EXPECT_TRUE(IsCustomProfile(p)) << p->Name().toStdString();
    listed += static_cast<int>(profiles.size());
  }
  EXPECT_EQ(listed, 60);  // every custom profile, no target or image profile
  QStringList xbox;
  for (const TAVProfile* p : c.list->ProfilesOfCategory("Xbox")) xbox << p->Name();
  EXPECT_EQ(xbox, QStringList({"pfXb_H264_HD", "pfXb_MPEG_MCE"}));
}

TEST(BuiltInCatalogue, RepresentativeRows) {
  TCatalogue c;
  auto* gpp = c.Named<TAVCustomVideoProfile>("pf3gp");
  ASSERT_NE(gpp, nullptr);
  EXPECT_EQ(gpp->VideoEncoder(), TCustomVideoEncoder::H263);
  EXPECT_EQ(gpp->AudioEncoder(), TCustomAudioEncoder::AMR_NB);
  EXPECT_EQ(gpp->AudioChannels(), TCustomAudioChannels::mono1);
  EXPECT_EQ(gpp->AudioBitrate(), 12.2);
  EXPECT_EQ(gpp->FrameRate(), rOriginal);
  EXPECT_EQ(gpp->Format(), F_3GP);

  auto* iphone = c.Named<TAVCustomVideoProfile>("pfIPhone_mpeg4");
  ASSERT_NE(iphone, nullptr);
  EXPECT_EQ(iphone->FrameAspectRatio(), AR4_3);
  EXPECT_EQ(iphone->FrameSize(), fsIPhone);
  EXPECT_EQ(iphone->Options(), QStringList({"maxrate=1000000", "qmin=3", "qmax=5", "bufsize=4096k", "g=300"}));

  auto* wmvhd = c.Named<TAVCustomVideoProfile>("pfdWMVhd");
  ASSERT_NE(wmvhd, nullptr);
  EXPECT_EQ(wmvhd->AudioBitrate(), 128.0);
  EXPECT_EQ(wmvhd->Description(), QString::fromUtf8("Windows视频高清(*.wmv)"));

  auto* gif = c.Named<TAVImageProfile>("pfGif");
  ASSERT_NE(gif, nullptr);
  EXPECT_EQ(gif->ImageType(), TAVImageType::gif);
  EXPECT_EQ(gif->Extension(), "%1d.gif");
  EXPECT_EQ(gif->Category(), "Images");

  for (int i = 0; i < c.list->ProfileCount(); ++i)
    if (auto* v = dynamic_cast<TAVCustomVideoProfile*>(c.list->Profiles(i))) {
      EXPECT_EQ(v->Pass(), 0);
    }
}
