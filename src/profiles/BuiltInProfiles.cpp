#include "profiles/BuiltInProfiles.h"

#include "profiles/CustomProfiles.h"
#include "profiles/TargetProfiles.h"

namespace {

using Audio = TCustomAudioEncoder;
using Video = TCustomVideoEncoder;
constexpr TCustomAudioChannels Mono = TCustomAudioChannels::mono1;
constexpr TCustomAudioChannels Stereo = TCustomAudioChannels::stereo2;

// Text in this file is UTF-8.
QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

struct TAudioRow {
  const char* name;
  const char* description;
  const char* extension;
  const char* category;
  Audio encoder;
  int sampleRate;
  TCustomAudioChannels channels;
  double kbits;
  TCustomAVFormat format;
};

struct TVideoRow {
  const char* name;
  const char* description;
  const char* extension;
  const char* category;
  Video encoder;
  int width;
  int height;
  TCustomFrameRate rate;
  int kbits;
  Audio audioEncoder;
  int sampleRate;
  TCustomAudioChannels channels;
  double audioKbits;
  TCustomAVFormat format;
  TAVAspectRatio aspect;
  bool iphoneOptions;  // the rate-control lines of the IPhone MPEG-4 targets
  bool bitexact;
};

const QStringList IPhoneOptions{QStringLiteral("maxrate=1000000"), QStringLiteral("qmin=3"), QStringLiteral("qmax=5"),
                                QStringLiteral("bufsize=4096k"), QStringLiteral("g=300")};

class TCatalogueBuilder {
 public:
  TCatalogueBuilder(TAVProfileList& list, TComponent* owner) : FList(list), FOwner(owner) {}

  template <typename TProfile>
  TProfile* Add(const char* name, const char* description, const char* extension, const char* category = "") {
    auto* profile = new TProfile(FOwner);
    profile->SetName(QLatin1String(name));
    profile->SetDescription(Text(description));
    profile->SetExtension(Text(extension));
    profile->SetCategory(Text(category));
    profile->SetProfileList(&FList);
    return profile;
  }

  void AddImage(const char* name, const char* description, const char* extension, const char* category,
             TAVImageType type) {
    Add<TAVImageProfile>(name, description, extension, category)->SetImageType(type);
  }

  void AddAudio(const TAudioRow& row) {
    auto* p = Add<TAVCustomAudioProfile>(row.name, row.description, row.extension, row.category);
    SetAudio(*p, row.encoder, row.sampleRate, row.channels, row.kbits, row.format);
  }

  void AddVideo(const TVideoRow& row) {
    auto* p = Add<TAVCustomVideoProfile>(row.name, row.description, row.extension, row.category);
    SetAudio(*p, row.audioEncoder, row.sampleRate, row.channels, row.audioKbits, row.format);
    p->SetVideoEncoder(row.encoder);
    p->SetFrameWidth(row.width);
    p->SetFrameHeight(row.height);
    p->SetFrameRate(row.rate);
    p->SetVideoBitrate(row.kbits);
    p->SetFrameAspectRatio(row.aspect);
    p->SetPass(0);
    if (row.iphoneOptions) p->SetOptions(IPhoneOptions);
    if (row.bitexact) p->SetOptions({QStringLiteral("flags=bitexact")});
  }

 private:
  static void SetAudio(TAVCustomAudioProfile& p, TCustomAudioEncoder encoder, int sampleRate,
                       TCustomAudioChannels channels, double kbits, TCustomAVFormat format) {
    p.SetAudioEncoder(encoder);
    p.SetSampleRate(sampleRate);
    p.SetAudioChannels(channels);
    p.SetAudioBitrate(kbits);
    p.SetFormat(format);
  }

  TAVProfileList& FList;
  TComponent* FOwner;
};

void AddTargetsAndFirstImage(TCatalogueBuilder& b) {
  b.Add<TAVVcdProfile>("pfVcd", "VCD", ".mpg");
  b.Add<TAVDvProfile>("pfDv", "DV", ".dv");
  b.Add<TAVDv50Profile>("pfDv50", "DV50", ".dv");
  b.Add<TAVDvdProfile>("pfDvd_old", "DVD", ".vob");
  b.Add<TAVSVcdProfile>("pfSVcd", "SVCD", ".mpg");
  b.AddImage("pfImage", "Image Sequence Profile", "%1d.bmp", "", TAVImageType::bitmap);
}

// Rows 6 … 38.
void AddFirstCustomRows(TCatalogueBuilder& b) {
  b.AddAudio({"pfAAC", "AAC Audio", ".mp4", "音频", Audio::AAC, 48000, Stereo, 128.0, F_NONE});
  b.AddAudio({"pfMp3", "MP3 Audio", ".mp3", "音频", Audio::MP3, 48000, Stereo, 192.0, F_NONE});
  const TVideoRow rows[] = {
      {"pfTV264_320", "Apple TV H264 Video(320x240)", ".mp4", "Apple TV", Video::H264, 320, 240, r2997, 1500, Audio::AAC, 48000, Stereo, 64.0, F_NONE, AR_NONE, false, false},
      {"pfTV264_480", "Apple TV H264 video(640x480)", ".mp4", "Apple TV", Video::H264, 640, 480, r2997, 2000, Audio::AAC, 48000, Stereo, 64.0, F_NONE, AR_NONE, false, false},
      {"pfTV264_720", "Apple TV H264 video(1280x720)", ".mp4", "Apple TV", Video::H264, 1280, 720, r2997, 2500, Audio::AAC, 48000, Stereo, 64.0, F_NONE, AR_NONE, false, false},
      {"pfTVMP4_480", "Apple TV MPEG-4 high quality video(640x480)", ".mp4", "Apple TV", Video::MPEG4, 640, 480, r2997, 1500, Audio::AAC, 44100, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfTVMP4_480_hq", "Apple TV MPEG-4 video(640x480)", ".mp4", "Apple TV", Video::MPEG4, 640, 480, r2997, 1200, Audio::AAC, 44100, Stereo, 96.0, F_NONE, AR_NONE, false, false},
      {"pfTVMP4_480_lq", "Apple TV MPEG-4 low quality video(640x480)", ".mp4", "Apple TV", Video::MPEG4, 640, 480, r2997, 768, Audio::AAC, 44100, Stereo, 64.0, F_NONE, AR_NONE, false, false},
      {"pfZuneMP4", "Zune MPEG4 Video(320x240)", ".mp4", "Zune", Video::MPEG4, 320, 240, r25, 768, Audio::AAC, 44100, Stereo, 64.0, F_NONE, AR_NONE, false, false},
      {"pfZuneAVC", "Zune H264 Video(320x240)", ".mp4", "Zune", Video::H264, 320, 240, r25, 768, Audio::AAC, 44100, Stereo, 64.0, F_NONE, AR_NONE, false, false},
      {"pfZuneWMV", "Zune Windows Media WMV(320x240)", ".wmv", "Zune", Video::WMV2, 320, 240, r25, 1500, Audio::WMAV2, 48000, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfWMX51", "Dell Axim X51 Video", ".wmv", "Windows Mobile", Video::WMV2, 320, 240, r25, 768, Audio::WMAV2, 32000, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfWMX51v", "Dell Axim X51v Video", ".wmv", "Windows Mobile", Video::WMV2, 320, 240, r25, 1000, Audio::WMAV2, 48000, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfWMPocketPC", "General Pocket PC Video", ".wmv", "Windows Mobile", Video::WMV2, 320, 240, r25, 768, Audio::WMAV2, 32000, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfWMPocketPC_lq", "General Pocket PC Video(Low Quality)", ".wmv", "Windows Mobile", Video::WMV2, 176, 144, r25, 384, Audio::WMAV2, 32000, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfWMHP_hw6500", "HP iPAQ hw6500", ".wmv", "Windows Mobile", Video::WMV2, 240, 240, r25, 384, Audio::WMAV2, 32000, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfWMHP_hx2000", "HP iPAQ hx2000/rx3000/rx1900", ".wmv", "Windows Mobile", Video::WMV2, 320, 240, r25, 768, Audio::WMAV2, 32000, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfWMHP_hx4700", "HP iPAQ hx4700", ".wmv", "Windows Mobile", Video::WMV2, 640, 480, r25, 1200, Audio::WMAV2, 48000, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfPS3_hd", "PS3 1080 HD Video", ".mp4", "PS3", Video::H264, 1920, 1080, r2997, 35000, Audio::AAC, 48000, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfPS3_720", "PS3 720p Video", ".mp4", "PS3", Video::H264, 1280, 720, r2997, 15000, Audio::AAC, 48000, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfPS3_480", "PS3 480p Video", ".mp4", "PS3", Video::H264, 720, 480, r2997, 5000, Audio::AAC, 48000, Stereo, 80.0, F_NONE, AR_NONE, false, false},
      {"pfPSP_Mpeg4", "PSP MPEG4 Video", ".mp4", "PSP", Video::XVID, 368, 208, r2997, 512, Audio::AAC, 48000, Stereo, 64.0, F_PSP, AR_NONE, false, false},
      {"pfPSP_AVC", "PSP AVC Video", ".mp4", "PSP", Video::H264, 368, 208, r2997, 512, Audio::AAC, 48000, Stereo, 64.0, F_PSP, AR_NONE, false, false},
      {"pfPSP_HQ", "PSP 480p Video", ".mp4", "PSP", Video::H264, 368, 208, r2997, 1200, Audio::AAC, 48000, Stereo, 80.0, F_PSP, AR_NONE, false, false},
      {"pfIPhone_264", "IPhone H264 Video", ".mp4", "IPhone", Video::H264, 480, 320, r2997, 1000, Audio::AAC, 48000, Stereo, 128.0, F_MP4, AR4_3, false, false},
      {"pfIPhone_264_tele", "IPhone H264 Television Video", ".mp4", "IPhone", Video::H264, 640, 480, r2997, 1800, Audio::AAC, 48000, Stereo, 128.0, F_MP4, AR_NONE, false, false},
      {"pfIPhone_mpeg4", "IPhone MPEG4 Video", ".mp4", "IPhone", Video::MPEG4, 480, 320, r2997, 1000, Audio::AAC, 48000, Stereo, 128.0, F_MP4, AR4_3, true, false},
      {"pfIPhone_mpeg4_tele", "IPhone MPEG4 Television Video", ".mp4", "IPhone", Video::MPEG4, 640, 480, r2997, 1800, Audio::AAC, 48000, Stereo, 128.0, F_MP4, AR_NONE, true, false},
      {"pfIPhone_mpeg4_wide", "IPhone MPEG4 Wide Screen Video", ".mp4", "IPhone", Video::XVID, 720, 406, r2997, 1500, Audio::AAC, 44100, Stereo, 128.0, F_MP4, AR_NONE, true, false},
      {"pfIPod", "IPod 320x240 Video", ".mp4", "IPod", Video::XVID, 320, 240, r2997, 768, Audio::AAC, 48000, Stereo, 128.0, F_IPOD, AR4_3, false, false},
      {"pfIPod_HQ", "IPod 320x240 High Quality Video", ".mp4", "IPod", Video::XVID, 320, 240, r2997, 1000, Audio::AAC, 48000, Stereo, 192.0, F_IPOD, AR4_3, false, false},
      {"pfIPod_LQ", "IPod 320x240 Low Quality Video", ".mp4", "IPod", Video::XVID, 320, 240, r2997, 512, Audio::AAC, 48000, Stereo, 64.0, F_IPOD, AR4_3, false, false},
      {"pf3gp", "3GPP", ".3gp", "手机和3gp", Video::H263, 176, 144, rOriginal, 128, Audio::AMR_NB, 8000, Mono, 12.2, F_3GP, AR_NONE, false, false},
  };
  for (const TVideoRow& row : rows) b.AddVideo(row);
}

// Rows 39 … 50.
void AddMiddleCustomRows(TCatalogueBuilder& b) {
  b.AddAudio({"pfAC3", "AC3 Dolby Audio", ".ac3", "音频", Audio::AC3, 48000, Stereo, 192.0, F_AC3});
  const TVideoRow rows[] = {
      {"pf3gp2", "3GPP2", ".3g2", "手机和3gp", Video::MPEG4, 176, 144, r1499, 192, Audio::AAC, 16000, Stereo, 32.0, F_3GP2, AR_NONE, false, true},
      {"pf3gp2_hq", "3GPP2 High Quality", ".3g2", "手机和3gp", Video::MPEG4, 320, 240, r1499, 384, Audio::AAC, 16000, Stereo, 32.0, F_3GP2, AR_NONE, false, true},
      {"pfIPad_H264", "IPad H264 Video", ".mp4", "IPad", Video::H264, 720, 576, r25, 1800, Audio::AAC, 44100, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfIPad_H264_HQ", "IPad H264 Hiqh Quality", ".mp4", "IPad", Video::H264, 1280, 720, r25, 4000, Audio::AAC, 48000, Stereo, 160.0, F_NONE, AR_NONE, false, false},
      {"pfXb_H264_HD", "Xbox360 HD H264 Video", ".mp4", "XBox", Video::H264, 640, 480, r2997, 1500, Audio::AAC, 48000, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfXb_MPEG_MCE", "Xbox360 MCE HD MPEG2 Video", ".mpg", "Xbox", Video::MPEG2VIDEO, 1440, 1080, r30, 8000, Audio::AC3, 48000, Stereo, 224.0, F_NONE, AR_NONE, false, false},
      {"pfMKV", "Matroska Video", ".mkv", "视频", Video::H264, 0, 0, r25, 1200, Audio::MP3, 48000, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfDVD_PAL", "DVD MPEG TS(PAL)", ".vob", "视频", Video::MPEG2VIDEO, 720, 576, r25, 6000, Audio::AC3, 48000, Stereo, 448.0, F_DVD, AR_NONE, false, false},
      {"pfDVD_NTSC", "DVD MPEG2 PS(NTSC)", ".vob", "视频", Video::MPEG2VIDEO, 720, 480, r2997, 6000, Audio::AC3, 48000, Stereo, 448.0, F_DVD, AR_NONE, false, false},
      {"pfFlash", "Flash Video", ".flv", "视频", Video::FLV, 0, 0, r1499, 384, Audio::MP3, 44100, Stereo, 64.0, F_FLV, AR_NONE, false, false},
      {"pfMOV", "Apple Quicktime Video", ".mov", "视频", Video::MPEG4, 352, 288, r25, 2000, Audio::AAC, 44100, Stereo, 192.0, F_MOV, AR_NONE, false, false},
  };
  for (const TVideoRow& row : rows) b.AddVideo(row);
}

// Rows 51 … 55.
void AddImageRows(TCatalogueBuilder& b) {
  b.AddImage("pfJpeg", "JPEG Sequence", "%1d.jpg", "Images", TAVImageType::jpeg);
  b.AddImage("pfGif", "GIF Sequence", "%1d.gif", "Images", TAVImageType::gif);
  b.AddImage("pfPng", "PNG Sequence", "%1d.png", "Images", TAVImageType::png);
  b.AddImage("pfBmp", "BMP Sequence", "%1d.bmp", "Images", TAVImageType::bitmap);
  b.AddImage("pfTiff", "TIFF Sequence", "%1d.tif", "Images", TAVImageType::tiff);
}

// Rows 56 … 70. Row 65 ships 128 kbit/s audio like its twin row 64.
void AddLastCustomRows(TCatalogueBuilder& b) {
  const TAudioRow audioRows[] = {
      {"pfdWMA128", "Windows音频", ".wma", "音频", Audio::WMAV2, 48000, Stereo, 128.0, F_NONE},
      {"pfdM4A128", "MPEG 4 音频", ".m4a", "音频", Audio::AAC, 48000, Stereo, 128.0, F_NONE},
      {"pfdWAV128", "波形音频", ".wav", "音频", Audio::PCM_S16LE, 44100, Stereo, 128.0, F_NONE},
      {"pfdMKA128", "Matroska音频", ".mka", "音频", Audio::AAC, 44100, Stereo, 128.0, F_NONE},
  };
  for (const TAudioRow& row : audioRows) b.AddAudio(row);
  const TVideoRow rows[] = {
      {"pfdMP4Normal", "MPEG-4视频", ".mp4", "视频", Video::XVID, 480, 320, r25, 1500, Audio::AAC, 48000, Stereo, 128.0, F_MP4, AR_NONE, false, false},
      {"pfdM4V", "M4V视频", ".m4v", "视频", Video::H264, 320, 240, r2997, 1600, Audio::AAC, 44100, Stereo, 128.0, F_MP4, AR_NONE, false, false},
      {"pfdAVINormal", "音视频交错格式(*.avi)", ".avi", "视频", Video::MPEG4, 640, 480, rOriginal, 1200, Audio::PCM_S16LE, 44100, Stereo, 128.0, F_AVI, AR_NONE, false, false},
      {"pfdAVIXviD", "XviD影片(*.avi)", ".avi", "视频", Video::XVID, 640, 480, r25, 1200, Audio::MP3, 48000, Stereo, 128.0, F_AVI, AR_NONE, false, false},
      {"pfdWMVNormal", "Windows视频(*.wmv)", ".wmv", "视频", Video::WMV2, 320, 240, r25, 1200, Audio::WMAV2, 48000, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfdWMVhd", "Windows视频高清(*.wmv)", ".wmv", "视频", Video::WMV2, 720, 576, r25, 4000, Audio::WMAV2, 48000, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfdM2ts", "MPEG-2 Transport Stream(*.m2ts)", ".m2ts", "视频", Video::H264, 1280, 1024, r25, 8000, Audio::AC3, 48000, Stereo, 256.0, F_NONE, AR_NONE, false, false},
      {"pfdASF", "高级流媒体(*.asf)", ".asf", "视频", Video::MSMPEGV3, 0, 0, r25, 1200, Audio::WMAV2, 48000, Stereo, 128.0, F_NONE, AR_NONE, false, false},
      {"pfdFLVNormal", "Flash Video(*.flv)", ".flv", "Flash视频", Video::FLV, 0, 0, r1499, 384, Audio::MP3, 44100, Stereo, 64.0, F_FLV, AR_NONE, false, false},
      {"pfdF4V", "Flash Video格式(*.f4v)", ".f4v", "Flash视频", Video::H264, 0, 0, r2997, 1500, Audio::AAC, 44100, Stereo, 128.0, F_MP4, AR_NONE, false, false},
      {"pfdSWFNormal", "Flash SWF格式(*.swf)", ".swf", "Flash视频", Video::FLV, 0, 0, r1499, 400, Audio::MP3, 44100, Stereo, 32.0, F_NONE, AR_NONE, false, false},
  };
  for (const TVideoRow& row : rows) b.AddVideo(row);
}

}  // namespace

QStringList BuiltInCategories() {
  return {Text("视频"), Text("音频"), Text("手机和3gp"), Text("Flash视频"),   QStringLiteral("IPad"),
          QStringLiteral("IPhone"), QStringLiteral("IPod"), QStringLiteral("Zune"), QStringLiteral("PSP"),
          QStringLiteral("PS3"),    QStringLiteral("Xbox"), QStringLiteral("Windows Mobile"),
          QStringLiteral("Apple TV")};
}

void CreateBuiltInProfiles(TAVProfileList& List, TComponent* Owner) {
  List.SetCategories(BuiltInCategories());
  TCatalogueBuilder builder(List, Owner);
  AddTargetsAndFirstImage(builder);
  AddFirstCustomRows(builder);
  AddMiddleCustomRows(builder);
  AddImageRows(builder);
  AddLastCustomRows(builder);
}
