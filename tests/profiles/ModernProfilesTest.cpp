// Today's targets: what each file holds beyond its codecs (Apple's HEVC tag,
// the index before the data, a GIF that loops, 8-bit 4:2:0 from 10-bit
// sources, the height limits), a target file size, and the hardware variants
// with their option mapping (no device needed: the probe is given one).

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <cmath>

#include "engine/ConversionSupport.h"
#include "profiles/BuiltInProfiles.h"
#include "profiles/CustomProfiles.h"
#include "profiles/IniFile.h"
#include "profiles/ModernProfiles.h"

using namespace testing_support;
using engine::THardwareApi;
using engine::TVideoFamily;

namespace {

struct TCatalogue {
  TComponent owner;
  TAVProfileList* list = new TAVProfileList(&owner);
  explicit TCatalogue(const std::vector<engine::THardwareEncoder>& hardware = {}) {
    CreateBuiltInProfiles(*list, &owner);
    CreateModernProfiles(*list, &owner, hardware);
  }
  TAVProfile& Named(const QString& name) const {
    for (int i = 0; i < list->ProfileCount(); ++i)
      if (list->Profiles(i)->Name() == name) return *list->Profiles(i);
    ADD_FAILURE() << "no profile " << name.toStdString();
    return *list->Profiles(0);
  }
};

QString Convert(TAVProfile& profile, const QString& source) {
  const QString target = Target("out" + profile.Extension());
  QFile::remove(target);
  TAVConverter c;
  profile.ApplyProfile(c);
  c.InputFiles() << source;
  c.OutputFiles() << target;
  const TConversionResult r = RunConversion(c);
  EXPECT_TRUE(r.Succeeded()) << r.errorBoxes.join('|').toStdString() << "\n" << r.log.join('\n').toStdString();
  return target;
}

QByteArray Bytes(const QString& file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString Entry(const QString& file, const QString& stream, const QString& entry) {
  return ProbeStream(file, stream, entry).split('\n').value(0).trimmed();
}

}  // namespace

TEST(ModernProfiles, FollowTheDescribedCatalogueInACategoryOfTheirOwn) {
  TCatalogue c;
  ASSERT_EQ(c.list->ProfileCount(), 71 + int(ModernRecipes().size()));
  EXPECT_EQ(c.list->Categories().size(), BuiltInCategories().size() + 1);
  EXPECT_EQ(c.list->Categories().last(), "通用格式");
  for (size_t i = 0; i < ModernRecipes().size(); ++i) {
    const TAVProfile& p = *c.list->Profiles(71 + int(i));
    EXPECT_EQ(p.Name(), ModernRecipes()[i].name);
    EXPECT_EQ(p.Category(), "通用格式");
  }
  // The user's own profiles replace the custom ones only.
  c.list->Clear();
  EXPECT_EQ(c.list->ProfileCount(), 11 + int(ModernRecipes().size()));
}

// One 10-bit 1080p source through each video profile: the file's own marks.
TEST(ModernProfiles, FilesHoldWhatTheirPlayersLookFor) {
  const QString source = FixtureFromArguments(
      {"-f", "lavfi", "-i", "testsrc2=size=1920x1080:rate=25:duration=1", "-f", "lavfi", "-i",
       "sine=sample_rate=44100:duration=1", "-c:v", "libx264", "-pix_fmt", "yuv420p10le", "-preset", "ultrafast",
       "-c:a", "aac"},
      "mkv");
  struct TCase {
    const char* profile;
    const char* tag;  // empty: not checked
    int width, height;
    bool indexFirst;  // the index (moov) before the data (mdat)
  };
  const TCase cases[] = {{"pfEveryMp4", "avc1", 1920, 1080, true}, {"pfEveryMp4_720", "avc1", 1280, 720, true},
                         {"pfHevcMp4", "hvc1", 1920, 1080, true},  {"pfHevcMkv", "", 1920, 1080, false},
                         {"pfAv1Webm", "", 1920, 1080, false},     {"pfVp9Webm", "", 1920, 1080, false},
                         {"pfGifAnim", "", 640, 360, false}};
  TCatalogue catalogue;
  QString gifFile;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.profile);
    const QString file = Convert(catalogue.Named(c.profile), source);
    if (file.endsWith(".gif")) gifFile = file;
    if (*c.tag) {
      EXPECT_EQ(Entry(file, "v:0", "codec_tag_string"), c.tag);
    }
    EXPECT_EQ(Entry(file, "v:0", "width").toInt(), c.width);
    EXPECT_EQ(Entry(file, "v:0", "height").toInt(), c.height);
    if (QLatin1String(c.profile) != QLatin1String("pfGifAnim")) {
      EXPECT_EQ(Entry(file, "v:0", "pix_fmt"), "yuv420p");
    }
    const QByteArray data = Bytes(file);
    if (c.indexFirst) {
      EXPECT_LT(data.indexOf("moov"), data.indexOf("mdat"));
    }
  }
  // The GIF loops for ever (a loop count of 0) and stays small.
  const QByteArray gif = Bytes(gifFile);
  const qsizetype netscape = gif.indexOf("NETSCAPE2.0");
  ASSERT_GT(netscape, 0);
  EXPECT_EQ(gif.mid(netscape + 13, 2), QByteArray(2, '\0'));
  EXPECT_LT(gif.size(), 2 * 1024 * 1024);
}

// A file size asked for instead of a bitrate lands within 3 % of it, for
// sources of three lengths (noisy pictures and sound, which take every bit).
TEST(ModernProfiles, ATargetSizeLandsWithinThreePercent) {
  TAVCustomVideoProfile profile;
  profile.SetVideoEncoder(TCustomVideoEncoder::H264);
  profile.SetAudioEncoder(TCustomAudioEncoder::AAC);
  profile.SetAudioBitrate(96);
  profile.SetAudioChannels(TCustomAudioChannels::stereo2);
  profile.SetSampleRate(44100);
  profile.SetExtension(".mp4");
  for (const auto& [seconds, megabytes] : {std::pair{4, 0.5}, std::pair{10, 1.0}, std::pair{25, 2.0}}) {
    SCOPED_TRACE(seconds);
    const QString source = FixtureFromArguments(
        {"-f", "lavfi", "-i", QStringLiteral("testsrc2=size=320x240:rate=25:duration=%1").arg(seconds), "-f", "lavfi",
         "-i", QStringLiteral("anoisesrc=d=%1:c=pink:r=44100:a=0.3").arg(seconds), "-vf", "noise=alls=30:allf=t",
         "-c:v", "libx264", "-preset", "ultrafast", "-c:a", "aac"},
        "mp4");
    profile.SetTargetSize(megabytes);
    const qint64 size = QFileInfo(Convert(profile, source)).size();
    EXPECT_NEAR(double(size), megabytes * 1e6, megabytes * 1e6 * 0.03) << size << " bytes";
  }
  EXPECT_EQ(RunCli({"convert", "a.mp4", "b.mp4", "--target-size", "lots"}).exitCode, 2);
}

// Hardware variants follow the software profiles, one per encoder that opens,
// and ask that encoder for the same quality in its own words.
TEST(ModernProfiles, HardwareVariantsMapToTheirEncodersOptions) {
  const auto opensNvencOnly = [](const AVCodec*, THardwareApi api) { return api == THardwareApi::NVENC; };
  const std::vector<engine::THardwareEncoder> found = engine::ProbeHardwareEncoders(opensNvencOnly);
  for (const auto& e : found) EXPECT_EQ(e.api, THardwareApi::NVENC) << e.name;
  for (const auto& e : engine::AvailableHardwareEncoders())
    EXPECT_NE(engine::HardwareEncoderName(e.api, e.family), nullptr) << "probed encoders are known ones";

  const std::vector<engine::THardwareEncoder> offered{{THardwareApi::NVENC, TVideoFamily::HEVC, "hevc_nvenc"},
                                                      {THardwareApi::VAAPI, TVideoFamily::H264, "h264_vaapi"}};
  TCatalogue catalogue(offered);
  const int software = 71 + int(ModernRecipes().size());
  ASSERT_EQ(catalogue.list->ProfileCount(), software + 5);  // three H.264 and two HEVC recipes
  struct TCase {
    const char* name;
    const char* caption;
    const char* encoder;
    QStringList options;
  };
  const TCase cases[] = {
      {"pfEveryMp4_VAAPI", "通用MP4 H.264(原始尺寸)·VAAPI硬件编码", "h264_vaapi", {"rc_mode=CQP", "qp=23"}},
      {"pfHevcMp4_NVENC", "高效率视频H.265(*.mp4)·NVENC硬件编码", "hevc_nvenc", {"rc=vbr", "cq=28", "b=0", "preset=p5"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TAVProfile& p = catalogue.Named(c.name);
    EXPECT_EQ(p.Description(), c.caption);
    TAVConverter converter;
    p.ApplyProfile(converter);
    const TAVConvertOptions& o = converter.ConvertOptions();
    EXPECT_EQ(o.VideoOptions().EncoderVideoCodecName(), c.encoder);
    for (const QString& option : c.options) EXPECT_TRUE(o.CodecOptions().contains(option)) << option.toStdString();
  }
  EXPECT_EQ(engine::HardwareQualityOptions(THardwareApi::QSV, 30), (QStringList{"global_quality=30", "preset=medium"}));
}

// The size a custom video profile asks for is kept in Profiles.ini only when
// it was ever asked for.
TEST(ModernProfiles, ATargetSizeIsStoredBesideTheDescribedKeys) {
  const QString file = Target("Profiles.ini");
  TAVCustomVideoProfile plain, sized;
  sized.SetTargetSize(25);
  {
    TIniFile ini(file);
    plain.SaveToFile(ini, 0);
    sized.SaveToFile(ini, 1);
    ini.UpdateFile();
  }
  TIniFile ini(file);
  EXPECT_FALSE(ini.ValueExists("Profile", "TargetSize0"));
  TAVCustomVideoProfile read;
  read.LoadFromFile(ini, 1);
  EXPECT_EQ(read.TargetSize(), 25);
  TAVConverter c;
  read.ApplyProfile(c);
  EXPECT_EQ(c.ConvertOptions().VideoOptions().TargetFileSize(), 25000000);
}
