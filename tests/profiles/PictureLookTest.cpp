// Pictures come out looking like the source: interlaced sources without
// combing, HDR tone-mapped for SDR targets or kept where the target carries
// it, colours that stay put between SD and HD and from full range. Measured
// with the ffmpeg tool's own filters (idet, signalstats, ssim, psnr) and
// against the tool's output with the filters written out.

#include <gtest/gtest.h>

#include <QFile>

#include "profiles/ProfileConversion.h"

using namespace testing_support;

namespace {

// The share of pictures the tool's interlace detector finds combed, in percent.
double CombedPercent(const QString& file) {
  int exit = -1;
  const QString out = RunTool(
      "sh", {"-c", "ffmpeg -nostdin -i \"$0\" -vf idet -an -f null - 2>&1 | grep 'Single frame'", file}, &exit);
  const QStringList n = out.simplified().split(' ');
  // "... Single frame detection: TFF: a BFF: b Progressive: c Undetermined: d"
  const int tff = n.value(n.indexOf("TFF:") + 1).toInt(), bff = n.value(n.indexOf("BFF:") + 1).toInt();
  const int total = tff + bff + n.value(n.indexOf("Progressive:") + 1).toInt() +
                    n.value(n.indexOf("Undetermined:") + 1).toInt();
  return total ? 100.0 * (tff + bff) / total : -1;
}

// The mean of one figure of a video filter's per-picture metadata (signalstats).
double MeanFigure(const QString& file, const QString& filter, const QString& key) {
  const QString out = RunTool("ffmpeg", {"-nostdin", "-v", "error", "-i", file, "-vf",
                                         filter + ",metadata=print:file=-", "-an", "-f", "null", "-"});
  double sum = 0;
  int count = 0;
  for (const QString& line : out.split('\n'))
    if (line.startsWith(key + '=')) {
      sum += line.section('=', 1).toDouble();
      ++count;
    }
  return count ? sum / count : -1;
}

// The mean SSIM ("All") or PSNR ("psnr_avg") of a against b, each decoded
// through its filter first.
double Compare(const QString& a, const QString& b, const QString& metric, const QString& filterA = "null",
               const QString& filterB = "null") {
  const QString graph = QStringLiteral("[0:v]%1[a];[1:v]%2[b];[a][b]%3=stats_file=-").arg(filterA, filterB, metric);
  const QString out =
      RunTool("ffmpeg", {"-nostdin", "-v", "error", "-i", a, "-i", b, "-lavfi", graph, "-f", "null", "-"});
  const QString key = metric == "ssim" ? "All:" : "psnr_avg:";
  double sum = 0;
  int count = 0;
  for (const QString& line : out.split('\n'))
    for (const QString& word : line.split(' '))
      if (word.startsWith(key) && word.mid(key.size()) != "inf") {
        sum += word.mid(key.size()).toDouble();
        ++count;
      }
  return count ? sum / count : (metric == "ssim" ? 1.0 : 100.0);
}

QString Made(const QString& source, const QString& filters, const QString& name) {
  const QString target = Target(name);
  int exit = -1;
  RunTool("ffmpeg", {"-nostdin", "-v", "error", "-y", "-i", source, "-vf", filters, "-c:v", "libx264", "-crf", "23",
                     "-an", target},
          &exit);
  EXPECT_EQ(exit, 0) << filters.toStdString();
  return target;
}


}  // namespace

TEST(PictureLook, InterlacedSourcesComeOutWithoutCombing) {
  const QString everyDevice = QStringLiteral("通用MP4 H.264(原始尺寸)");
  const struct {
    const char* name;
    QString source;
    const char* bwdif;  // what the ffmpeg tool is given for the same pictures
  } cases[] = {
      {"576i MPEG-2 programme stream",
       InterlacedFixture({"-c:v", "mpeg2video", "-flags", "+ildct+ilme", "-top", "1", "-b:v", "6M", "-f", "vob"}, "720x576",
                  "mpg"),
       "bwdif=mode=send_frame:parity=auto:deint=all"},
      {"1080i MPEG-TS recording",
       InterlacedFixture({"-c:v", "libx264", "-preset", "ultrafast", "-flags", "+ildct+ilme", "-x264-params", "tff=1"},
                  "1920x1080", "ts"),
       "bwdif=mode=send_frame:parity=auto:deint=all"},
      {"interlaced but flagged progressive",
       InterlacedFixture({"-c:v", "libx264", "-preset", "ultrafast"}, "720x576", "mp4",
                         "tinterlace=interleave_top,setfield=prog"),
       "bwdif=mode=send_frame:parity=tff:deint=all"},
      {"480i bottom field first",
       InterlacedFixture({"-c:v", "mpeg2video", "-flags", "+ildct+ilme", "-top", "0", "-b:v", "5M"}, "720x480", "mpg",
                  "tinterlace=interleave_bottom,setfield=bff"),
       "bwdif=mode=send_frame:parity=auto:deint=all"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_GT(CombedPercent(c.source), 80.0);
    const TConverted out = ConvertWith(everyDevice, c.source);
    EXPECT_LT(CombedPercent(out.target), 10.0);
    EXPECT_EQ(ProbeStream(out.target, "v:0", "r_frame_rate"), "25/1");  // one picture per picture
    EXPECT_GT(Compare(out.target, Made(c.source, c.bwdif, "tool.mp4"), "ssim"), 0.97);
    EXPECT_TRUE(out.log.filter("Pictures deinterlaced").size() == 1) << out.log.join('\n').toStdString();
  }
  // The setting turns it off; the progressive source stays as it is.
  const TConverted kept = ConvertWith(everyDevice, cases[0].source, [](TAVConvertOptions& o) {
    o.VideoOptions().SetDeinterlaceMode(1);
  });
  EXPECT_GT(CombedPercent(kept.target), 80.0);
  const TConverted progressive = ConvertWith(everyDevice, MediaFixture(MediaSpec{}));
  EXPECT_TRUE(progressive.log.filter("deinterlaced").isEmpty());
}

TEST(PictureLook, HdrIsToneMappedForSdrTargetsAndKeptWhereItFits) {
  const QString sdr = FixtureFromArguments(
      {"-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=25:duration=1", "-vf", "format=yuv420p", "-c:v", "libx264",
       "-crf", "18"},
      "mp4");
  const double sdrWhite = MeanFigure(sdr, "signalstats", "lavfi.signalstats.YHIGH");
  const struct {
    const char* name;
    QString source;
    const char* transfer;
  } sources[] = {{"HDR10 (PQ)", HdrFixture("smpte2084", Hdr10Levels), "smpte2084"},
                 {"HLG", HdrFixture("arib-std-b67"), "arib-std-b67"}};
  for (const auto& s : sources) {
    SCOPED_TRACE(s.name);
    // Into H.264: tone-mapped to BT.709, as bright as the scene in SDR.
    const TConverted mapped = ConvertWith(QStringLiteral("通用MP4 H.264(原始尺寸)"), s.source);
    EXPECT_EQ(ProbeStream(mapped.target, "v:0", "pix_fmt"), "yuv420p");
    EXPECT_EQ(ProbeStream(mapped.target, "v:0", "color_transfer"), "bt709");
    EXPECT_EQ(ProbeStream(mapped.target, "v:0", "color_primaries"), "bt709");
    EXPECT_GT(MeanFigure(mapped.target, "signalstats", "lavfi.signalstats.YHIGH"), 0.9 * sdrWhite);
    const QString toneMap = QStringLiteral(
                                "setparams=range=tv:color_primaries=bt2020:color_trc=%1:colorspace=bt2020nc,"
                                "zscale=t=linear:npl=203,format=gbrpf32le,zscale=p=bt709,"
                                "tonemap=tonemap=mobius:param=0.6:desat=0:peak=4.926,"
                                "zscale=t=bt709:m=bt709:r=limited,format=yuv420p")
                                .arg(s.transfer);
    EXPECT_GT(Compare(mapped.target, Made(s.source, toneMap, "tool.mp4"), "ssim"), 0.98);
    // Into HEVC: 10-bit and HDR as the source, with its levels.
    const TConverted kept = ConvertWith(QStringLiteral("高效率视频H.265(*.mkv)"), s.source);
    EXPECT_EQ(ProbeStream(kept.target, "v:0", "pix_fmt"), "yuv420p10le");
    EXPECT_EQ(ProbeStream(kept.target, "v:0", "color_transfer"), s.transfer);
    EXPECT_EQ(ProbeStream(kept.target, "v:0", "color_space"), "bt2020nc");
    // Asked for SDR, the same target makes 8-bit BT.709.
    const TConverted asked = ConvertWith(QStringLiteral("高效率视频H.265(*.mkv)"), s.source,
                                         [](TAVConvertOptions& o) { o.VideoOptions().SetHdrOutput(1); });
    EXPECT_EQ(ProbeStream(asked.target, "v:0", "pix_fmt"), "yuv420p");
    EXPECT_EQ(ProbeStream(asked.target, "v:0", "color_transfer"), "bt709");
  }
  const TConverted kept = ConvertWith(QStringLiteral("AV1视频(*.mkv)"), sources[0].source);
  const QString sideData = RunTool("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                               "stream_side_data=side_data_type,max_content", "-of", "csv=p=0",
                                               kept.target});
  EXPECT_TRUE(sideData.contains("Mastering display metadata")) << sideData.toStdString();
  EXPECT_TRUE(sideData.contains("1000")) << sideData.toStdString();
}

TEST(PictureLook, ColoursStayBetweenSdAndHdAndFromFullRange) {
  const QString bars709 = FixtureFromArguments(
      {"-f", "lavfi", "-i", "smptehdbars=size=1920x1080:rate=25:duration=0.4", "-vf",
       "setparams=color_primaries=bt709:color_trc=bt709:colorspace=bt709:range=tv,format=yuv420p", "-c:v", "libx264",
       "-crf", "8", "-color_primaries", "bt709", "-color_trc", "bt709", "-colorspace", "bt709"},
      "mp4");
  const QString mjpeg = FixtureFromArguments(
      {"-f", "lavfi", "-i", "testsrc2=size=640x480:rate=25:duration=0.4", "-vf", "format=yuvj422p", "-c:v", "mjpeg",
       "-q:v", "2"},
      "avi");
  const struct {
    const char* name;
    QString source;
    const char* profile;
    const char* matrix;
    const char* sourceAsRgb;  // how the source is read for the comparison
    double psnr;
  } cases[] = {
      {"HD bars into DVD", bars709, "DVD", "bt470bg", "scale=720:576,format=rgb24", 38.0},
      {"SD MJPEG into H.264", mjpeg, "通用MP4 H.264(原始尺寸)", "bt470bg", "format=rgb24", 33.0},
      {"HD bars into H.264 720p", bars709, "通用MP4 H.264 720p", "bt709", "scale=1280:720,format=rgb24", 38.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const TConverted out = ConvertWith(QString::fromUtf8(c.profile), c.source);
    EXPECT_EQ(ProbeStream(out.target, "v:0", "color_space"), c.matrix);
    EXPECT_EQ(ProbeStream(out.target, "v:0", "color_range"), "tv");
    EXPECT_GT(Compare(out.target, c.source, "psnr", "format=rgb24", c.sourceAsRgb), c.psnr);
  }
}
