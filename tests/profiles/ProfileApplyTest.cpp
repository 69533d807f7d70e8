// What each profile class writes into a converter's option tree.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <charconv>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include "OptionSnapshot.h"
#include "engine/AVConverter.h"
#include "engine/EngineError.h"
#include "profiles/CustomProfiles.h"
#include "profiles/TargetProfiles.h"
#include "profiles/X264Profile.h"
#include "support/TestSupport.h"

namespace {

using Paths = QSet<QString>;

// The options of the basic x264 preset, in the order they are set.
const QStringList BasicX264Options{
    "coder=1",       "flags=+loop",   "cmp=+chroma",  "partitions=+parti8x8+parti4x4+partp8x8+partb8x8",
    "me_method=hex", "subq=7",        "me_range=16",  "g=250",
    "keyint_min=25", "sc_threshold=40", "i_qfactor=0.71", "b_strategy=1",
    "qcomp=0.6",     "qmin=10",       "qmax=51",      "qdiff=4",
    "bf=3",          "refs=3",        "directpred=1", "trellis=1",
    "flags2=+mixed_refs+wpred+dct8x8+fastpskip+mbtree", "wpredp=2"};

QStringList Names(const QStringList& options) {
  QStringList names;
  for (const QString& o : options) names << o.section('=', 0, 0);
  return names;
}

// The shortest text that reads back as the same single-precision value.
std::string ShortestText(float v) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, v).ptr;
  return std::string(text, end);
}

QString Rate(const TAVConvertOptions& o) {
  return QStringLiteral("%1/%2").arg(o.VideoOptions().FrameRate().num()).arg(o.VideoOptions().FrameRate().den());
}

// A tree whose values differ from everything a profile sets.
void Prefill(TAVConvertOptions& o) {
  o.VideoOptions().FrameRate().Setnum(10);
  o.VideoOptions().SetFrameWidth(123);
  o.VideoOptions().SetFrameHeight(45);
  o.SetThreadCount(4);
  o.SetOutputFormat("nut");
}

TAVCustomVideoProfile* Video3Gpp(TComponent* owner = nullptr) {
  auto* p = new TAVCustomVideoProfile(owner);
  p->SetVideoEncoder(TCustomVideoEncoder::H263);
  p->SetFrameWidth(176);
  p->SetFrameHeight(144);
  p->SetFrameRate(rOriginal);
  p->SetVideoBitrate(128);
  p->SetAudioEncoder(TCustomAudioEncoder::AMR_NB);
  p->SetAudioChannels(TCustomAudioChannels::mono1);
  p->SetAudioBitrate(12.2);
  p->SetSampleRate(8000);
  p->SetFormat(F_3GP);
  return p;
}

}  // namespace

// ------------------------------------------------------------ disc and tape

TEST(TargetProfiles, VcdSetsTheStandardsValuesInOrder) {
  TAVConverter c;
  TAVConvertOptions& o = c.ConvertOptions();
  Prefill(o);
  TAVVcdProfile vcd;
  EXPECT_TRUE(vcd.ApplyProfile(c));
  EXPECT_EQ(o.VideoOptions().EncoderVideoCodecName(), "mpeg1video");
  EXPECT_EQ(o.AudioOptions().EncoderAudioCodecName(), "mp2");
  EXPECT_EQ(o.OutputFormat(), "vcd");
  EXPECT_EQ(o.VideoOptions().FrameWidth(), 352);
  EXPECT_EQ(o.VideoOptions().FrameHeight(), 288);
  EXPECT_EQ(o.VideoOptions().Bitrate(), 1150000);
  EXPECT_EQ(o.AudioOptions().Bitrate(), 224000);
  EXPECT_EQ(o.CodecOptions(), QStringList({"g=15", "maxrate=1150000", "minrate=1150000", "bufsize=327680",
                                           "packetsize=2324", "muxrate=1411200"}));
  EXPECT_EQ(o.AudioOptions().AudioSampleRate(), 44100);
  EXPECT_EQ(o.AudioOptions().AudioChannels(), 2);
  EXPECT_EQ(o.MuxerOptions().MuxPreload(), 0.44f);
  EXPECT_EQ(Rate(o), "25/1");

  // Twice: the group-of-pictures line is appended again, the others replaced.
  vcd.ApplyProfile(c);
  EXPECT_EQ(o.CodecOptions(), QStringList({"g=15", "maxrate=1150000", "minrate=1150000", "bufsize=327680",
                                           "packetsize=2324", "muxrate=1411200", "g=15"}));
}

TEST(TargetProfiles, NtscAndFilmTake525LinesAndTheirOwnRate) {
  TAVConverter c;
  TAVDvdProfile dvd;
  dvd.SetTarget(TAVTarget::film);
  dvd.ApplyProfile(c);
  const TAVConvertOptions& o = c.ConvertOptions();
  EXPECT_EQ(o.VideoOptions().FrameWidth(), 720);
  EXPECT_EQ(o.VideoOptions().FrameHeight(), 480);
  EXPECT_EQ(o.CodecOptions().value(0), "g=18");
  EXPECT_EQ(Rate(o), "24000/1001");
  EXPECT_EQ(o.OutputFormat(), "dvd");
  EXPECT_EQ(o.AudioOptions().EncoderAudioCodecName(), "ac3");
  EXPECT_EQ(o.CodecOptions().mid(1), QStringList({"maxrate=9000000", "minrate=0", "bufsize=1835008",
                                                   "packetsize=2048", "muxrate=10080000"}));

  TAVConverter n;
  TAVSVcdProfile svcd;
  svcd.SetTarget(TAVTarget::ntsc);
  svcd.ApplyProfile(n);
  const TAVConvertOptions& s = n.ConvertOptions();
  EXPECT_EQ(s.VideoOptions().FrameWidth(), 480);
  EXPECT_EQ(s.VideoOptions().FrameHeight(), 480);
  EXPECT_EQ(Rate(s), "30000/1001");
  EXPECT_EQ(s.CodecOptions(), QStringList({"g=18", "maxrate=2516000", "minrate=0", "bufsize=1835008",
                                           "flags=+scan_offset", "packetsize=2324"}));
  EXPECT_EQ(s.VideoOptions().Bitrate(), 2040000);
  EXPECT_EQ(s.AudioOptions().AudioSampleRate(), 44100);
  EXPECT_EQ(s.AudioOptions().AudioChannels(), 0);  // SVCD leaves the channels alone
}

TEST(TargetProfiles, DvLeavesTheCodecsToTheContainer) {
  for (const auto& [target, height, pixels] : {std::tuple{TAVTarget::pal, 576, AV_PIX_FMT_YUV420P},
                                               std::tuple{TAVTarget::ntsc, 480, AV_PIX_FMT_YUV411P}}) {
    TAVConverter c;
    TAVDvProfile dv;
    dv.SetTarget(target);
    dv.ApplyProfile(c);
    const TAVConvertOptions& o = c.ConvertOptions();
    EXPECT_EQ(o.OutputFormat(), "dv");
    EXPECT_EQ(o.VideoOptions().FrameWidth(), 720);
    EXPECT_EQ(o.VideoOptions().FrameHeight(), height);
    EXPECT_EQ(o.VideoOptions().FramePixFormat(), pixels);
    EXPECT_EQ(o.AudioOptions().AudioSampleRate(), 48000);
    EXPECT_EQ(o.AudioOptions().AudioChannels(), 2);
    EXPECT_TRUE(o.VideoOptions().EncoderVideoCodecName().isEmpty());
    EXPECT_TRUE(o.AudioOptions().EncoderAudioCodecName().isEmpty());
  }
}

TEST(TargetProfiles, Dv50SetsOnlyPixelFormatAndRate) {
  TAVConverter c;
  Prefill(c.ConvertOptions());
  const auto before = Snapshot(c.ConvertOptions());
  TAVDv50Profile dv50;
  dv50.ApplyProfile(c);
  EXPECT_EQ(ChangedPaths(before, Snapshot(c.ConvertOptions())),
            Paths({"VideoOptions.FramePixFormat", "VideoOptions.FrameRate.num"}));
  EXPECT_EQ(c.ConvertOptions().VideoOptions().FramePixFormat(), AV_PIX_FMT_YUV422P);
}

TEST(TargetProfiles, ImageSequencesSetOnlyOneThread) {
  for (TAVImageType type : {TAVImageType::bitmap, TAVImageType::jpeg, TAVImageType::png, TAVImageType::gif,
                            TAVImageType::tiff}) {
    TAVConverter c;
    Prefill(c.ConvertOptions());
    const auto before = Snapshot(c.ConvertOptions());
    TAVImageProfile image;
    image.SetImageType(type);
    EXPECT_TRUE(image.ApplyProfile(c));
    EXPECT_EQ(ChangedPaths(before, Snapshot(c.ConvertOptions())), Paths({"ThreadCount"}));
  }
}

TEST(TargetProfiles, NewProfilesArePalWithTheirNames) {
  EXPECT_EQ(TAVVcdProfile().Target(), TAVTarget::pal);
  EXPECT_EQ(TAVSVcdProfile().Description(), "SVCD");
  EXPECT_EQ(TAVDv50Profile().Extension(), ".dv");
  EXPECT_EQ(TAVImageProfile().Description(), "Image Sequence Profile");
  EXPECT_EQ(TAVImageProfile().Extension(), "");
  EXPECT_EQ(TAVX264Profile().Description(), "H264 Profile");
  EXPECT_EQ(TAVX264Profile().Extension(), ".mp4");
}

// -------------------------------------------------------------------- x264

TEST(X264Profile, PresetsSetTheirOptionsInTheFixedOrder) {
  const std::pair<TPreset, int> counts[] = {
      {TPreset::basic, 22},        {TPreset::FastFirstPass, 22},  {TPreset::SlowFirstPass, 22},
      {TPreset::Common, 22},       {TPreset::HighQuality, 22},    {TPreset::Best, 22},
      {TPreset::LosslessFast, 20}, {TPreset::LosslessMedium, 20}, {TPreset::LosslessSlow, 21},
      {TPreset::LosslessSlower, 21}, {TPreset::LosslessMax, 21}};
  const QStringList order{"coder",      "flags",        "cmp",       "partitions", "me_method", "subq",
                          "me_range",   "g",            "keyint_min", "sc_threshold", "i_qfactor", "b_strategy",
                          "qcomp",      "qmin",         "qmax",      "qdiff",      "bf",        "refs",
                          "directpred", "trellis",      "cqp",       "flags2",     "wpredp"};
  for (const auto& [preset, count] : counts) {
    TAVConverter c;
    TAVX264Profile x264;
    x264.Setpreset(preset);
    x264.ApplyProfile(c);
    const QStringList names = Names(c.ConvertOptions().CodecOptions());
    EXPECT_EQ(names.size(), count) << int(preset);
    QStringList expected = order;
    expected.removeIf([&](const QString& n) { return !names.contains(n); });
    EXPECT_EQ(names, expected) << int(preset);
  }
  TAVConverter basic;
  TAVX264Profile().ApplyProfile(basic);
  EXPECT_EQ(basic.ConvertOptions().CodecOptions(), BasicX264Options);

  TAVConverter fast;
  TAVX264Profile lossless;
  lossless.Setpreset(TPreset::LosslessFast);
  lossless.ApplyProfile(fast);
  const QStringList& o = fast.ConvertOptions().CodecOptions();
  EXPECT_TRUE(o.contains("cqp=0"));
  EXPECT_TRUE(o.contains("wpredp=0"));
  EXPECT_TRUE(o.contains("partitions=-parti8x8+parti4x4+partp8x8-partp4x4-partb8x8"));
}

TEST(X264Profile, ReplacesAnEarlierGroupSizeInPlace) {
  TAVConverter c;
  c.ConvertOptions().SetAdvancedOption("g", "300");
  TAVX264Profile().ApplyProfile(c);
  const QStringList& o = c.ConvertOptions().CodecOptions();
  EXPECT_EQ(o.value(0), "g=250");
  EXPECT_EQ(o.filter(QRegularExpression("^g=")).size(), 1);
  EXPECT_EQ(o.size(), 22);
}

TEST(X264Profile, AnUnknownPresetSetsNothing) {
  TAVConverter c;
  TAVX264Profile x264;
  x264.Setpreset(static_cast<TPreset>(11));
  EXPECT_TRUE(x264.ApplyProfile(c));
  EXPECT_TRUE(c.ConvertOptions().CodecOptions().isEmpty());
}

// ------------------------------------------------------------------ custom

TEST(CustomProfiles, The3GppExample) {
  TAVConverter c;
  Prefill(c.ConvertOptions());
  std::unique_ptr<TAVCustomVideoProfile> p(Video3Gpp());
  EXPECT_TRUE(p->ApplyProfile(c));
  const TAVConvertOptions& o = c.ConvertOptions();
  EXPECT_EQ(o.VideoOptions().EncoderVideoCodecName(), "h263");
  EXPECT_EQ(o.ThreadCount(), 1);
  EXPECT_EQ(o.VideoOptions().FrameWidth(), 176);
  EXPECT_EQ(o.VideoOptions().FrameHeight(), 144);
  EXPECT_EQ(o.VideoOptions().Bitrate(), 128000);
  EXPECT_EQ(o.AudioOptions().EncoderAudioCodecName(), "libopencore_amrnb");
  EXPECT_EQ(o.AudioOptions().Bitrate(), 12200);
  EXPECT_EQ(o.AudioOptions().AudioSampleRate(), 8000);
  EXPECT_EQ(o.AudioOptions().AudioChannels(), 1);
  EXPECT_EQ(o.OutputFormat(), "3gp");
  EXPECT_EQ(Rate(o), "10/1");  // rOriginal leaves the rate alone
  EXPECT_FALSE(o.VideoOptions().VideoDisable());
  EXPECT_TRUE(o.SubtitleOptions().SubtitleDisable());
}

TEST(CustomProfiles, TheIPhoneMpeg4OptionsAndAspect) {
  TAVConverter c;
  TAVCustomVideoProfile p;
  p.SetVideoEncoder(TCustomVideoEncoder::MPEG4);
  p.SetFrameAspectRatio(AR4_3);
  p.SetFrameRate(r2997);
  p.SetOptions({"maxrate=1000000", "qmin=3", "qmax=5", "bufsize=4096k", "g=300"});
  p.ApplyProfile(c);
  const TAVConvertOptions& o = c.ConvertOptions();
  EXPECT_EQ(o.CodecOptions(), QStringList({"maxrate=1000000", "qmin=3", "qmax=5", "bufsize=4096k", "g=300"}));
  EXPECT_EQ(ShortestText(o.VideoOptions().FrameAspectRatio()), "1.3333334");
  EXPECT_EQ(Rate(o), "30000/1001");
  EXPECT_DOUBLE_EQ(p.VideoFrameRate(), 29.97);
  EXPECT_EQ(o.ThreadCount(), 1);  // untouched: MPEG-4 sets no thread count

  // The same lines on an H.264 profile lose their group size to the x264 step.
  TAVConverter h;
  p.SetVideoEncoder(TCustomVideoEncoder::H264);
  p.ApplyProfile(h);
  const QStringList& x = h.ConvertOptions().CodecOptions();
  EXPECT_EQ(x.value(4), "g=250");
  EXPECT_EQ(x.filter(QRegularExpression("^g=")).size(), 1);
}

TEST(CustomProfiles, H264AddsTheBasicPresetThenMbdLevelAndPass) {
  TAVConverter c;
  TAVCustomVideoProfile p;
  p.SetVideoEncoder(TCustomVideoEncoder::H264);
  p.ApplyProfile(c);
  EXPECT_EQ(c.ConvertOptions().CodecOptions(), QStringList(BasicX264Options) << "mbd=rd" << "level=41");
  EXPECT_EQ(c.ConvertOptions().VideoOptions().EncoderVideoCodecName(), "libx264");
  EXPECT_EQ(c.ConvertOptions().VideoOptions().Pass(), 0);  // the profile's pass replaces the step's 1

  TAVConverter second;
  p.SetPass(2);
  p.ApplyProfile(second);
  EXPECT_EQ(second.ConvertOptions().VideoOptions().Pass(), 2);
}

TEST(CustomProfiles, AudioStreamCopyStopsTheAudioSettings) {
  TAVConverter c;
  c.ConvertOptions().AudioOptions().SetAudioStreamCopy(true);
  const auto before = Snapshot(c.ConvertOptions());
  std::unique_ptr<TAVCustomVideoProfile> video(Video3Gpp());
  TAVCustomAudioProfile& audio = *video;
  audio.TAVCustomAudioProfile::ApplyProfile(c);
  EXPECT_EQ(ChangedPaths(before, Snapshot(c.ConvertOptions())),
            Paths({"VideoOptions.VideoDisable", "SubtitleOptions.SubtitleDisable"}));

  TAVConverter v;
  v.ConvertOptions().AudioOptions().SetAudioStreamCopy(true);
  const auto videoBefore = Snapshot(v.ConvertOptions());
  video->ApplyProfile(v);
  EXPECT_EQ(ChangedPaths(videoBefore, Snapshot(v.ConvertOptions())),
            Paths({"SubtitleOptions.SubtitleDisable", "VideoOptions.EncoderVideoCodecName", "VideoOptions.FrameWidth",
                   "VideoOptions.FrameHeight", "VideoOptions.Bitrate"}));
}

TEST(CustomProfiles, ZeroSizeKeepsTheEnginesSize) {
  TAVConverter c;
  Prefill(c.ConvertOptions());
  TAVCustomVideoProfile p;
  p.SetVideoEncoder(TCustomVideoEncoder::FLV);
  p.ApplyProfile(c);
  EXPECT_EQ(c.ConvertOptions().VideoOptions().FrameWidth(), 123);
  EXPECT_EQ(c.ConvertOptions().VideoOptions().FrameHeight(), 45);
  EXPECT_EQ(c.ConvertOptions().ThreadCount(), 1);
}

TEST(CustomProfiles, BitratesRoundHalfToEven) {
  const std::pair<double, int> cases[] = {{12.2, 12200}, {0.0625, 62}, {0.1875, 188}, {128.0, 128000}, {1e12, 2147483647}};
  for (const auto& [kbits, bits] : cases) {
    TAVConverter c;
    TAVCustomAudioProfile p;
    p.SetAudioBitrate(kbits);
    p.ApplyProfile(c);
    EXPECT_EQ(c.ConvertOptions().AudioOptions().Bitrate(), bits) << kbits;
  }
  TAVConverter c;
  TAVCustomVideoProfile v;
  v.SetVideoBitrate(35000);
  v.ApplyProfile(c);
  EXPECT_EQ(c.ConvertOptions().VideoOptions().Bitrate(), 35000000);
}

TEST(CustomProfiles, ValuesOutsideTheirTablesAreAssertionFailures) {
  TAVConverter c;
  TAVCustomVideoProfile p;
  p.SetVideoEncoder(static_cast<TCustomVideoEncoder>(12));
  p.SetSampleRate(22050);
  try {
    p.ApplyProfile(c);
    ADD_FAILURE() << "no error";
  } catch (const EAVError& e) {
    EXPECT_EQ(e.Message(), "Assertion failure");
  }
  // The audio settings made before the failure stay.
  EXPECT_EQ(c.ConvertOptions().AudioOptions().AudioSampleRate(), 22050);
  EXPECT_EQ(p.VideoEncoderName(), "");

  TAVCustomAudioProfile a;
  a.SetFormat(static_cast<TCustomAVFormat>(FormatTable.size()));
  EXPECT_THROW(a.ApplyProfile(c), EAVError);
}

TEST(CustomProfiles, FrameSizeAndDisplayNames) {
  TAVCustomVideoProfile p;
  EXPECT_EQ(p.FrameSize(), fsOriginal);
  for (const auto& [w, h, size] : {std::tuple{1366, 768, fsWxga}, std::tuple{1000, 1000, fsOriginal},
                                   std::tuple{852, 480, fsWvga}, std::tuple{1440, 1080, fsMceHd}}) {
    p.SetFrameWidth(w);
    p.SetFrameHeight(h);
    EXPECT_EQ(p.FrameSize(), size) << w << "x" << h;
  }
  EXPECT_EQ(FrameSizeTable[fsWxga].strSize, QString("wxga(1366x768)"));
  EXPECT_EQ(p.VideoEncoderName(), "H263");
  EXPECT_EQ(p.AudioEncoderName(), "AAC");
  EXPECT_EQ(p.VideoFrameRate(), 0.0);
  p.SetVideoEncoder(TCustomVideoEncoder::MSMPEGV3);
  p.SetAudioEncoder(TCustomAudioEncoder::PCM_S16LE);
  p.SetFrameRate(r1499);
  EXPECT_EQ(p.VideoEncoderName(), "MSMPEGV3");
  EXPECT_EQ(p.AudioEncoderName(), "PCM_S16LE");
  EXPECT_DOUBLE_EQ(p.VideoFrameRate(), 14.99);
}
