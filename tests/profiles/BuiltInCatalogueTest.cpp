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

// Component name, description, extension and category of each row, in order.
struct TRowText {
  const char* name;
  const char* description;
  const char* extension;
  const char* category;
};

const TRowText Rows[] = {
    {"pfVcd", "VCD", ".mpg", ""},
    {"pfDv", "DV", ".dv", ""},
    {"pfDv50", "DV50", ".dv", ""},
    {"pfDvd_old", "DVD", ".vob", ""},
    {"pfSVcd", "SVCD", ".mpg", ""},
    {"pfImage", "Image Sequence Profile", "%1d.bmp", ""},
    {"pfAAC", "AAC Audio", ".mp4", "音频"},
    {"pfMp3", "MP3 Audio", ".mp3", "音频"},
    {"pfTV264_320", "Apple TV H264 Video(320x240)", ".mp4", "Apple TV"},
    {"pfTV264_480", "Apple TV H264 video(640x480)", ".mp4", "Apple TV"},
    {"pfTV264_720", "Apple TV H264 video(1280x720)", ".mp4", "Apple TV"},
    {"pfTVMP4_480", "Apple TV MPEG-4 high quality video(640x480)", ".mp4", "Apple TV"},
    {"pfTVMP4_480_hq", "Apple TV MPEG-4 video(640x480)", ".mp4", "Apple TV"},
    {"pfTVMP4_480_lq", "Apple TV MPEG-4 low quality video(640x480)", ".mp4", "Apple TV"},
    {"pfZuneMP4", "Zune MPEG4 Video(320x240)", ".mp4", "Zune"},
    {"pfZuneAVC", "Zune H264 Video(320x240)", ".mp4", "Zune"},
    {"pfZuneWMV", "Zune Windows Media WMV(320x240)", ".wmv", "Zune"},
    {"pfWMX51", "Dell Axim X51 Video", ".wmv", "Windows Mobile"},
    {"pfWMX51v", "Dell Axim X51v Video", ".wmv", "Windows Mobile"},
    {"pfWMPocketPC", "General Pocket PC Video", ".wmv", "Windows Mobile"},
    {"pfWMPocketPC_lq", "General Pocket PC Video(Low Quality)", ".wmv", "Windows Mobile"},
    {"pfWMHP_hw6500", "HP iPAQ hw6500", ".wmv", "Windows Mobile"},
    {"pfWMHP_hx2000", "HP iPAQ hx2000/rx3000/rx1900", ".wmv", "Windows Mobile"},
    {"pfWMHP_hx4700", "HP iPAQ hx4700", ".wmv", "Windows Mobile"},
    {"pfPS3_hd", "PS3 1080 HD Video", ".mp4", "PS3"},
    {"pfPS3_720", "PS3 720p Video", ".mp4", "PS3"},
    {"pfPS3_480", "PS3 480p Video", ".mp4", "PS3"},
    {"pfPSP_Mpeg4", "PSP MPEG4 Video", ".mp4", "PSP"},
    {"pfPSP_AVC", "PSP AVC Video", ".mp4", "PSP"},
    {"pfPSP_HQ", "PSP 480p Video", ".mp4", "PSP"},
    {"pfIPhone_264", "IPhone H264 Video", ".mp4", "IPhone"},
    {"pfIPhone_264_tele", "IPhone H264 Television Video", ".mp4", "IPhone"},
    {"pfIPhone_mpeg4", "IPhone MPEG4 Video", ".mp4", "IPhone"},
    {"pfIPhone_mpeg4_tele", "IPhone MPEG4 Television Video", ".mp4", "IPhone"},
    {"pfIPhone_mpeg4_wide", "IPhone MPEG4 Wide Screen Video", ".mp4", "IPhone"},
    {"pfIPod", "IPod 320x240 Video", ".mp4", "IPod"},
    {"pfIPod_HQ", "IPod 320x240 High Quality Video", ".mp4", "IPod"},
    {"pfIPod_LQ", "IPod 320x240 Low Quality Video", ".mp4", "IPod"},
    {"pf3gp", "3GPP", ".3gp", "手机和3gp"},
    {"pfAC3", "AC3 Dolby Audio", ".ac3", "音频"},
    {"pf3gp2", "3GPP2", ".3g2", "手机和3gp"},
    {"pf3gp2_hq", "3GPP2 High Quality", ".3g2", "手机和3gp"},
    {"pfIPad_H264", "IPad H264 Video", ".mp4", "IPad"},
    {"pfIPad_H264_HQ", "IPad H264 Hiqh Quality", ".mp4", "IPad"},
    {"pfXb_H264_HD", "Xbox360 HD H264 Video", ".mp4", "XBox"},
    {"pfXb_MPEG_MCE", "Xbox360 MCE HD MPEG2 Video", ".mpg", "Xbox"},
    {"pfMKV", "Matroska Video", ".mkv", "视频"},
    {"pfDVD_PAL", "DVD MPEG TS(PAL)", ".vob", "视频"},
    {"pfDVD_NTSC", "DVD MPEG2 PS(NTSC)", ".vob", "视频"},
    {"pfFlash", "Flash Video", ".flv", "视频"},
    {"pfMOV", "Apple Quicktime Video", ".mov", "视频"},
    {"pfJpeg", "JPEG Sequence", "%1d.jpg", "Images"},
    {"pfGif", "GIF Sequence", "%1d.gif", "Images"},
    {"pfPng", "PNG Sequence", "%1d.png", "Images"},
    {"pfBmp", "BMP Sequence", "%1d.bmp", "Images"},
    {"pfTiff", "TIFF Sequence", "%1d.tif", "Images"},
    {"pfdWMA128", "Windows音频", ".wma", "音频"},
    {"pfdM4A128", "MPEG 4 音频", ".m4a", "音频"},
    {"pfdWAV128", "波形音频", ".wav", "音频"},
    {"pfdMKA128", "Matroska音频", ".mka", "音频"},
    {"pfdMP4Normal", "MPEG-4视频", ".mp4", "视频"},
    {"pfdM4V", "M4V视频", ".m4v", "视频"},
    {"pfdAVINormal", "音视频交错格式(*.avi)", ".avi", "视频"},
    {"pfdAVIXviD", "XviD影片(*.avi)", ".avi", "视频"},
    {"pfdWMVNormal", "Windows视频(*.wmv)", ".wmv", "视频"},
    {"pfdWMVhd", "Windows视频高清(*.wmv)", ".wmv", "视频"},
    {"pfdM2ts", "MPEG-2 Transport Stream(*.m2ts)", ".m2ts", "视频"},
    {"pfdASF", "高级流媒体(*.asf)", ".asf", "视频"},
    {"pfdFLVNormal", "Flash Video(*.flv)", ".flv", "Flash视频"},
    {"pfdF4V", "Flash Video格式(*.f4v)", ".f4v", "Flash视频"},
    {"pfdSWFNormal", "Flash SWF格式(*.swf)", ".swf", "Flash视频"},
};

}  // namespace

TEST(BuiltInCatalogue, SeventyOneProfilesInOrder) {
  TCatalogue c;
  ASSERT_EQ(c.list->ProfileCount(), 71);
  int audio = 0, video = 0;
  for (int i = 0; i < 71; ++i) {
    const TAVProfile* p = c.list->Profiles(i);
    EXPECT_EQ(p->Name(), Rows[i].name) << i;
    EXPECT_EQ(p->Description(), QString::fromUtf8(Rows[i].description)) << i;
    EXPECT_EQ(p->Extension(), QString::fromUtf8(Rows[i].extension)) << i;
    EXPECT_EQ(p->Category(), QString::fromUtf8(Rows[i].category)) << i;
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
  for (int i = 0; i < 5; ++i) EXPECT_EQ(dynamic_cast<TAVTargetProfile*>(c.list->Profiles(i))->Target(), TAVTarget::pal);
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

  auto* gif = c.Named<TAVImageProfile>("pfGif");
  ASSERT_NE(gif, nullptr);
  EXPECT_EQ(gif->ImageType(), TAVImageType::gif);

  for (int i = 0; i < c.list->ProfileCount(); ++i)
    if (auto* v = dynamic_cast<TAVCustomVideoProfile*>(c.list->Profiles(i))) {
      EXPECT_EQ(v->Pass(), 0);
    }
}

// The names the profile editor offers for each choice.
TEST(BuiltInCatalogue, ChoiceLabels) {
  auto join = [](const auto& table, auto field) {
    QStringList labels;
    for (const auto& row : table) labels << QString::fromLatin1(row.*field);
    return labels.join('|');
  };
  EXPECT_EQ(join(AudioEncoderTable, &TAudioEncoderInfo::displayName), "AAC|WMAV2|AC3|MP2|MP3|PCM_S16LE|RA1|AMR_NB|OPUS|FLAC");
  EXPECT_EQ(join(VideoEncoderTable, &TVideoEncoderInfo::displayName),
            "H263|H264|MPEG4|WMV2|MPEG2VIDEO|MSMPEGV3|RV20|XVID|FLV|HEVC|AV1|VP9");
  EXPECT_EQ(join(AudioChannelsTable, &TAudioChannelsInfo::displayName), "mono|stereo");
  EXPECT_EQ(join(FormatTable, &TFormatInfo::displayName),
            "NONE|RM|MP4|ASF|AVI|3GP|3GP2|FLV|MOV|PSP|IPOD|SVCD|VCD|VOB|DVD|WEBM|AC3|MKV");
  EXPECT_EQ(join(FrameRateTable, &TFrameRateInfo::label), "Original|14.99|20|23.97|24|25|29.97|30");
  EXPECT_EQ(join(FrameSizeTable, &TFrameSize::strSize),
            "Original|ntsc(720x480)|pal(720x576)|352x240|240x240|368x208|spal(768x576)|720x406|480x320|"
            "sqcif(128x96)|qcif(176x144)|cif(352x288)|4cif(704x576)|16cif(1408x1152)|qqvga(160x120)|qvga(320x240)|"
            "vga(640x480)|svga(800x600)|xga(1024x768)|uxga(1600x1200)|qxga(2048x1536)|sxga(1280x1024)|"
            "qsxga(2560x2048)|hsxga(5120x4096)|wvga(852x480)|wxga(1366x768)|wsxga(1600x1024)|wuxga(1920x1200)|"
            "woxga(2560x1600)|wqsxga(3200x2048)|wquxga(3840x2400)|whsxga(6400x4096)|whuxga(7680x4800)|cga(320x200)|"
            "ega(640x350)|hd480(852x480)|hd720(1280x720)|hd1080(1920x1080)|1440x1080");
  EXPECT_EQ(join(AudioEncoderTable, &TAudioEncoderInfo::codecName),
            "libfaac|wmav2|ac3|mp2|libmp3lame|pcm_s16le|real_144|libopencore_amrnb|libopus|flac");
  EXPECT_EQ(join(VideoEncoderTable, &TVideoEncoderInfo::codecName),
            "h263|libx264|mpeg4|wmv2|mpeg2video|msmpeg4|rv20|libxvid|flv|libx265|libsvtav1|libvpx-vp9");
}
