// What is done to a source's pictures for a target: deinterlacing from flags
// and comb figures, tone mapping or kept HDR, the colour matrix between SD and
// HD, full range into limited, and the tags the encoder gets.

#include <gtest/gtest.h>

#include "engine/PicturePlan.h"
#include "support/TestSupport.h"

using namespace engine;

namespace {

TSourcePictures Source(int width, int height, int format, TFieldOrder flagged = TFieldOrder::Progressive,
                       TColourTags colour = {}) {
  TSourcePictures s;
  s.width = width;
  s.height = height;
  s.pix_fmt = format;
  s.flagged = flagged;
  s.colour = colour;
  return s;
}

TSourcePictures Sampled(TSourcePictures s, int moving, int combed, int topFirst, int bottomFirst) {
  s.comb = TCombFigures{moving, moving, combed, topFirst, bottomFirst};
  return s;
}

TTargetPictures Target(int width, int height, int format, TDeinterlaceMode mode = TDeinterlaceMode::Automatic) {
  TTargetPictures t;
  t.width = width;
  t.height = height;
  t.pix_fmt = format;
  t.deinterlace = mode;
  return t;
}

constexpr TColourTags Hd{AVCOL_PRI_BT709, AVCOL_TRC_BT709, AVCOL_SPC_BT709, AVCOL_RANGE_MPEG};
constexpr TColourTags Pq{AVCOL_PRI_BT2020, AVCOL_TRC_SMPTE2084, AVCOL_SPC_BT2020_NCL, AVCOL_RANGE_MPEG};
constexpr TColourTags None{};

QString Joined(const std::vector<QByteArray>& items) {
  QStringList texts;
  for (const QByteArray& item : items) texts << QString::fromLatin1(item);
  return texts.join(QLatin1Char(','));
}

}  // namespace

TEST(PicturePlan, DeinterlacingFollowsFlagsFigureAndSetting) {
  const TSourcePictures tff = Source(720, 576, AV_PIX_FMT_YUV420P, TFieldOrder::TopFirst, Hd);
  const TSourcePictures progressive = Source(1920, 1080, AV_PIX_FMT_YUV420P, TFieldOrder::Progressive, Hd);
  TTargetPictures yadif = Target(720, 576, AV_PIX_FMT_YUV420P);
  yadif.forceYadif = true;
  TTargetPictures fields = Target(720, 576, AV_PIX_FMT_YUV420P);
  fields.encodesFields = true;
  const struct {
    const char* name;
    TSourcePictures source;
    TTargetPictures target;
    const char* filter;  // the first filter before the crop, "" for none
  } cases[] = {
      {"flagged interlaced, not sampled", tff, Target(720, 576, AV_PIX_FMT_YUV420P),
       "bwdif=mode=send_frame:parity=auto:deint=all"},
      {"flagged progressive but combed", Sampled(progressive, 24, 23, 20, 1), Target(1920, 1080, AV_PIX_FMT_YUV420P),
       "bwdif=mode=send_frame:parity=tff:deint=all"},
      {"unflagged, combed bottom first", Sampled(Source(720, 480, AV_PIX_FMT_YUV420P, TFieldOrder::Unknown, Hd), 20,
                                                 18, 0, 18),
       Target(720, 480, AV_PIX_FMT_YUV420P), "bwdif=mode=send_frame:parity=bff:deint=all"},
      {"flagged interlaced, moving pictures uncombed", Sampled(tff, 24, 2, 2, 0), Target(720, 576, AV_PIX_FMT_YUV420P),
       ""},
      {"flagged interlaced, too few moving pictures", Sampled(tff, 3, 0, 0, 0), Target(720, 576, AV_PIX_FMT_YUV420P),
       "bwdif=mode=send_frame:parity=auto:deint=all"},
      {"a quarter combed", Sampled(progressive, 24, 6, 6, 0), Target(1920, 1080, AV_PIX_FMT_YUV420P),
       "bwdif=mode=send_frame:parity=tff:deint=all"},
      {"less than a quarter combed", Sampled(progressive, 24, 5, 5, 0), Target(1920, 1080, AV_PIX_FMT_YUV420P), ""},
      {"setting off", tff, Target(720, 576, AV_PIX_FMT_YUV420P, TDeinterlaceMode::Off), ""},
      {"setting always", progressive, Target(1920, 1080, AV_PIX_FMT_YUV420P, TDeinterlaceMode::Always),
       "bwdif=mode=send_frame:parity=auto:deint=all"},
      {"the Deinterlace switch", progressive, yadif, "yadif"},
      {"interlaced coding keeps the fields", tff, fields, ""},
  };
  for (const auto& c : cases) {
    const TPicturePlan plan = PlanPictures(c.source, c.target);
    const QString first = plan.beforeCrop.empty() ? QString() : QString::fromLatin1(plan.beforeCrop.front());
    EXPECT_EQ(first, QString::fromLatin1(c.filter)) << c.name;
    EXPECT_EQ(plan.deinterlaced, *c.filter != 0) << c.name;
  }
}

TEST(PicturePlan, ColourHdrAndTags) {
  TTargetPictures hevc = Target(1920, 1080, AV_PIX_FMT_YUV420P);
  hevc.canKeepHdr = true;
  TTargetPictures hevcSdr = hevc;
  hevcSdr.hdr = THdrOutput::ToSdr;
  const struct {
    const char* name;
    TSourcePictures source;
    TTargetPictures target;
    const char* beforeCrop;
    const char* scaleColour;
    const char* afterCrop;
    TColourTags output;
  } cases[] = {
      {"HD into HD keeps everything", Source(1920, 1080, AV_PIX_FMT_YUV420P, TFieldOrder::Progressive, Hd),
       Target(1280, 720, AV_PIX_FMT_YUV420P), "", "", "", Hd},
      {"HD into SD converts the matrix, after the scale", Source(1920, 1080, AV_PIX_FMT_YUV420P,
                                                                 TFieldOrder::Progressive, Hd),
       Target(720, 576, AV_PIX_FMT_YUV420P), "", "",
       "colorspace=space=bt470bg:trc=bt709:primaries=bt709:range=tv:fast=1:format=yuv420p",
       {AVCOL_PRI_BT709, AVCOL_TRC_BT709, AVCOL_SPC_BT470BG, AVCOL_RANGE_MPEG}},
      {"untagged SD into HD, before the scale", Source(720, 480, AV_PIX_FMT_YUV420P, TFieldOrder::Progressive, None),
       Target(1920, 1080, AV_PIX_FMT_YUV420P),
       "setparams=range=tv:color_primaries=smpte170m:color_trc=smpte170m:colorspace=smpte170m,"
       "colorspace=space=bt709:trc=smpte170m:primaries=smpte170m:range=tv:fast=1:format=yuv420p",
       "", "", {AVCOL_PRI_SMPTE170M, AVCOL_TRC_SMPTE170M, AVCOL_SPC_BT709, AVCOL_RANGE_MPEG}},
      {"full range into limited", Source(1280, 720, AV_PIX_FMT_YUVJ420P, TFieldOrder::Progressive, None),
       Target(1280, 720, AV_PIX_FMT_YUV420P),
       "setparams=range=pc:color_primaries=bt709:color_trc=bt709:colorspace=bt709", "",
       "colorspace=space=bt709:trc=bt709:primaries=bt709:range=tv:fast=1:format=yuv420p",
       {AVCOL_PRI_BT709, AVCOL_TRC_BT709, AVCOL_SPC_BT709, AVCOL_RANGE_MPEG}},
      {"a matrix the colorspace filter lacks goes through the scaler",
       Source(1920, 1080, AV_PIX_FMT_YUV420P, TFieldOrder::Progressive,
              {AVCOL_PRI_BT709, AVCOL_TRC_LOG, AVCOL_SPC_BT709, AVCOL_RANGE_MPEG}),
       Target(720, 576, AV_PIX_FMT_YUV420P), "",
       "in_color_matrix=bt709:out_color_matrix=bt601:in_range=tv:out_range=tv",
       "format=yuv420p,setparams=range=tv:colorspace=bt470bg",
       {AVCOL_PRI_BT709, AVCOL_TRC_LOG, AVCOL_SPC_BT470BG, AVCOL_RANGE_MPEG}},
      {"full range into JPEG stays full", Source(640, 480, AV_PIX_FMT_YUVJ422P, TFieldOrder::Progressive, None),
       Target(640, 480, AV_PIX_FMT_YUVJ420P),
       "setparams=range=pc:color_primaries=smpte170m:color_trc=smpte170m:colorspace=smpte170m", "", "",
       {AVCOL_PRI_SMPTE170M, AVCOL_TRC_SMPTE170M, AVCOL_SPC_SMPTE170M, AVCOL_RANGE_JPEG}},
      {"untagged HD into a palette", Source(1920, 1080, AV_PIX_FMT_YUV420P, TFieldOrder::Progressive, None),
       Target(640, 360, AV_PIX_FMT_PAL8),
       "setparams=range=tv:color_primaries=bt709:color_trc=bt709:colorspace=bt709", "", "", None},
      {"screenshot (RGB) into HD", Source(1280, 720, AV_PIX_FMT_RGB24, TFieldOrder::Progressive, None),
       Target(1280, 720, AV_PIX_FMT_YUV420P), "setparams=range=pc:color_primaries=bt709:color_trc=bt709",
       "out_color_matrix=bt709:out_range=tv", "format=yuv420p,setparams=range=tv:colorspace=bt709", Hd},
      {"HDR into HEVC stays HDR", Source(3840, 2160, AV_PIX_FMT_YUV420P10, TFieldOrder::Progressive, Pq), hevc, "",
       "", "", Pq},
      {"HDR into SDR", Source(1920, 1080, AV_PIX_FMT_YUV420P10, TFieldOrder::Progressive, Pq),
       Target(1920, 1080, AV_PIX_FMT_YUV420P), "", "",
       "setparams=range=tv:color_primaries=bt2020:color_trc=smpte2084:colorspace=bt2020nc,"
       "zscale=w=1920:h=1080:t=linear:npl=203,format=gbrpf32le,zscale=p=bt709,"
       "tonemap=tonemap=mobius:param=0.6:desat=0:peak=4.926,zscale=t=bt709:m=bt709:r=limited",
       Hd},
      {"HDR into HEVC asked for SDR", Source(1920, 1080, AV_PIX_FMT_YUV420P10, TFieldOrder::Progressive, Pq), hevcSdr,
       "", "", nullptr, Hd},
  };
  for (const auto& c : cases) {
    const TPicturePlan plan = PlanPictures(c.source, c.target);
    EXPECT_EQ(Joined(plan.beforeCrop), QString::fromLatin1(c.beforeCrop)) << c.name;
    EXPECT_EQ(QString::fromLatin1(plan.scaleColour), QString::fromLatin1(c.scaleColour)) << c.name;
    if (c.afterCrop) {
      EXPECT_EQ(Joined(plan.afterCrop), QString::fromLatin1(c.afterCrop)) << c.name;
    }
    EXPECT_TRUE(plan.output == c.output) << c.name;
    EXPECT_EQ(plan.keepsHdr, c.output == Pq) << c.name;
    EXPECT_EQ(plan.toneMapped, c.source.Hdr() != THdrKind::None && !plan.keepsHdr) << c.name;
  }
}

TEST(PicturePlan, HdrMetadataForTheEncoders) {
  TSourcePictures s = Source(3840, 2160, AV_PIX_FMT_YUV420P10, TFieldOrder::Progressive, Pq);
  EXPECT_EQ(X265HdrParams(s), "");
  AVMasteringDisplayMetadata m{};
  // Display P3 primaries (red, green, blue), D65 white, 1000 to 0.005 cd/m².
  m.display_primaries[0][0] = {34000, 50000}, m.display_primaries[0][1] = {16000, 50000};
  m.display_primaries[1][0] = {13250, 50000}, m.display_primaries[1][1] = {34500, 50000};
  m.display_primaries[2][0] = {7500, 50000}, m.display_primaries[2][1] = {3000, 50000};
  m.white_point[0] = {15635, 50000}, m.white_point[1] = {16450, 50000};
  m.max_luminance = {1000, 1}, m.min_luminance = {50, 10000};
  m.has_primaries = m.has_luminance = 1;
  s.mastering = m;
  s.light = AVContentLightMetadata{1000, 400};
  EXPECT_EQ(X265HdrParams(s),
            "master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,50):"
            "max-cll=1000,400:hdr10=1");
  EXPECT_EQ(SvtAv1HdrParams(s),
            "mastering-display=G(0.2650,0.6900)B(0.1500,0.0600)R(0.6800,0.3200)WP(0.3127,0.3290)L(1000.0000,0.0050):"
            "content-light=1000,400");
  // The peak of the tone mapping follows the brightest light the source names.
  s.light = AVContentLightMetadata{4000, 400};
  EXPECT_TRUE(Joined(ToneMapFilters(s, 1280, 720)).contains("peak=19.704"));
}
