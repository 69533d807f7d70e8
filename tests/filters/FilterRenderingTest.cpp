// Every kind of filter rendered by a real conversion, checked in the decoded
// pixels, against the ffmpeg tool where it can do the same job.

#include <gtest/gtest.h>

#include <QProcess>

#include "RenderingSupport.h"
#include "filters/FilterStrings.h"
#include "filters/VideoFilters.h"

using namespace rendering;
using testing_support::GrayFrame;
using testing_support::Psnr;

namespace {

constexpr TColor RedColour = 0x0000FF;  // 0x00BBGGRR
constexpr TColor BlueColour = 0xFF0000;
constexpr TColor WhiteColour = 0xFFFFFF;
constexpr TColor YellowColour = 0x00FFFF;

// Frames of the 25 fps clip before, inside and after a cue from 1 s to 2 s.
constexpr int BeforeCue = 12, InCue = 37, AfterCue = 62;

QString Joined(const TAVFilter& filter) { return filters::VideoFiltersText({&filter}); }

TVideoStdFilter Std(bool vflip, bool hflip, bool negate) {
  TVideoStdFilter f;
  f.SetVerticalFilp(vflip);
  f.SetHorizontalFilip(hflip);
  f.SetNegate(negate);
  return f;
}

TOverlayTextFilter Text(const QString& text, const QString& font, int x, int y, int size) {
  TOverlayTextFilter f;
  f.SetText(text);
  f.SetFontFile(font);
  f.SetX(x);
  f.SetY(y);
  f.SetFontSize(size);
  f.SetFontColor(WhiteColour);
  f.SetBgColor(BlueColour);
  return f;
}

TSubtitleFilter Subtitle(const QString& file, const QString& font, TColor colour, const QString& codePage = {}) {
  TSubtitleFilter f;
  f.SetSubtitleFile(file);
  f.SetFontFile(font);
  f.SetFontColor(colour);
  f.SetCodePage(codePage);
  return f;
}

QString Srt(const QString& text) {
  return QStringLiteral("1\r\n00:00:01,000 --> 00:00:02,000\r\n%1\r\n\r\n").arg(text);
}

// text converted by the iconv tool.
QByteArray Encoded(const QString& text, const char* encoding) {
  QProcess iconv;
  iconv.start("iconv", {"-f", "UTF-8", "-t", encoding});
  iconv.write(text.toUtf8());
  iconv.closeWriteChannel();
  iconv.waitForFinished(60000);
  return iconv.readAllStandardOutput();
}

// The region where two pictures differ by more than a little.
struct TChange {
  int count = 0, left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

// Compares frame index of file with the same frame of baseline, by default
// the unfiltered conversion.
TChange Changed(const QString& file, int index, const QString& baseline = Unfiltered()) {
  int width = 0;
  const QByteArray a = GrayFrame(file, index, &width), b = GrayFrame(baseline, index);
  TChange c;
  if (width <= 0 || a.size() != b.size()) return c;
  for (qsizetype i = 0; i < a.size() && i < b.size(); ++i) {
    if (std::abs(int(uint8_t(a[i])) - int(uint8_t(b[i]))) <= 8) continue;
    const int x = int(i % width), y = int(i / width);
    ++c.count;
    c.left = std::min(c.left, x);
    c.right = std::max(c.right, x);
    c.top = std::min(c.top, y);
    c.bottom = std::max(c.bottom, y);
  }
  return c;
}

}  // namespace

TEST(FilterRendering, FlipsAndNegationMatchTheTool) {
  const QString source = Clip();
  const struct {
    TVideoStdFilter filter;
    const char* tool;
  } cases[] = {{Std(true, false, false), "vflip"},
               {Std(false, true, false), "hflip"},
               {Std(false, false, true), "negate"},
               {Std(true, true, true), "vflip,hflip,negate"}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.tool);
    const QString ours = ConvertWithFilters(source, "ours.mkv", Joined(k.filter));
    const QString tool = ToolConversion(source, "tool.mkv", {"-vf", k.tool});
    ASSERT_FALSE(ours.isEmpty());
    EXPECT_GT(Psnr(GrayFrame(ours, 10), GrayFrame(tool, 10)), 45.0);
    EXPECT_LT(Psnr(GrayFrame(ours, 10), GrayFrame(Unfiltered(), 10)), 30.0);
  }
}

TEST(FilterRendering, RotationTurnsTheWholePicture) {
  TVideoStdFilter f;
  f.SetRotate(true);
  f.SetDegree(90);
  const QString ours = ConvertWithFilters(Clip(), "rotated.mkv", Joined(f));
  ASSERT_FALSE(ours.isEmpty());
  EXPECT_EQ(testing_support::ProbeStream(ours, "v:0", "width"), "240");
  EXPECT_EQ(testing_support::ProbeStream(ours, "v:0", "height"), "320");
  const QString tool = ToolConversion(Clip(), "transposed.mkv", {"-vf", "transpose=clock"});
  EXPECT_GT(Psnr(GrayFrame(ours, 10), GrayFrame(tool, 10)), 40.0);

  // 45 degrees: the bounding box, in even sizes.
  f.SetDegree(45);
  const QString diagonal = ConvertWithFilters(Clip(), "diagonal.mkv", Joined(f));
  ASSERT_FALSE(diagonal.isEmpty());
  EXPECT_EQ(testing_support::ProbeStream(diagonal, "v:0", "width"), "396");
  EXPECT_EQ(testing_support::ProbeStream(diagonal, "v:0", "height"), "396");
  // The corners of the bounding box are filled black.
  EXPECT_TRUE(Near(RgbFrame(diagonal, 10).At(5, 5), 0, 0, 0));
}

TEST(FilterRendering, TheBoxHasItsColourAtItsPixels) {
  TVideoStdFilter f;
  f.SetDrawBox(true);
  f.SetBX(40);
  f.SetBY(30);
  f.SetBWidth(100);
  f.SetBHeight(80);
  f.SetBColor("Red");
  const QString ours = ConvertWithFilters(Clip(), "box.mkv", Joined(f));
  ASSERT_FALSE(ours.isEmpty());
  const TPicture boxed = RgbFrame(ours, 10), plain = RgbFrame(Unfiltered(), 10);
  ASSERT_FALSE(boxed.IsEmpty());
  for (auto [x, y] : {std::pair{40, 60}, {41, 90}, {100, 30}, {138, 70}, {90, 108}})
    EXPECT_TRUE(Near(boxed.At(x, y), 255, 0, 0)) << x << "," << y;
  // The inside and the outside keep the picture.
  for (auto [x, y] : {std::pair{90, 70}, {20, 20}, {200, 200}})
    EXPECT_TRUE(Near(boxed.At(x, y), plain.At(x, y).at(0), plain.At(x, y).at(1), plain.At(x, y).at(2), 3));
}

TEST(FilterRendering, TheLogosOpaquePixelsSitAtXY) {
  TLogoFilter f;
  f.SetX(100);
  f.SetY(60);
  f.SetLogoFile(WriteLogo("logo%d.png"));  // a plain name, not a picture sequence
  const QString ours = ConvertWithFilters(Clip(), "logo.mkv", Joined(f));
  ASSERT_FALSE(ours.isEmpty());
  for (int frame : {0, 10, 70}) {
    SCOPED_TRACE(frame);
    const TPicture logo = RgbFrame(ours, frame), plain = RgbFrame(Unfiltered(), frame);
    ASSERT_FALSE(logo.IsEmpty());
    // The opaque left half 100..131 × 60..107 is red.
    for (auto [x, y] : {std::pair{100, 60}, {131, 107}, {116, 84}})
      EXPECT_TRUE(Near(logo.At(x, y), 255, 0, 0)) << x << "," << y;
    // The transparent right half and the rest show the picture.
    for (auto [x, y] : {std::pair{140, 70}, {160, 100}, {98, 58}, {250, 200}}) {
      const auto p = plain.At(x, y);
      EXPECT_TRUE(Near(logo.At(x, y), p[0], p[1], p[2], 3)) << x << "," << y;
    }
  }
}

TEST(FilterRendering, TextChangesPixelsOnlyInItsRegion) {
  const TOverlayTextFilter f = Text("Tesvanor\r\nline two", DejaVuSans, 40, 50, 24);
  const QString ours = ConvertWithFilters(Clip(), "text.mkv", Joined(f));
  ASSERT_FALSE(ours.isEmpty());
  const TChange c = Changed(ours, 10);
  EXPECT_GT(c.count, 100);
  EXPECT_GE(c.left, 40 - 2);
  EXPECT_GE(c.top, 50 - 2);
  EXPECT_LE(c.right, 40 + 24 * 8);
  // Two lines: the second starts below the first.
  EXPECT_GT(c.bottom, 50 + 24 + 10);
  EXPECT_LE(c.bottom, 50 + 24 * 3);
}

TEST(FilterRendering, TextSurvivesAsWritten) {
  // Quotes, colons, commas, brackets, backslashes, a line break and Chinese.
  const QString text = QStringLiteral("It's 10:30, C:\\temp [x];\r\n中文字幕 \"q\" 100%");
  const QString ours = ConvertWithFilters(Clip(), "text.mkv", Joined(Text(text, MicroHei, 10, 100, 20)));
  ASSERT_FALSE(ours.isEmpty());
  const QString textFile = WriteFile("text.txt", QString(text).replace("\r\n", "\n").toUtf8());
  const QString tool = ToolConversion(
      Clip(), "tool.mkv",
      {"-vf", QStringLiteral("drawtext=fontfile=%1:textfile=%2:x=10:y=100:fontsize=20:fontcolor=white:expansion=none")
                  .arg(MicroHei, textFile)});
  EXPECT_GT(Psnr(GrayFrame(ours, 10), GrayFrame(tool, 10)), 45.0);
  EXPECT_LT(Psnr(GrayFrame(ours, 10), GrayFrame(Unfiltered(), 10)), 40.0);
}

TEST(FilterRendering, ASubtitleShowsOnlyDuringItsCue) {
  const QString srt = WriteFile("cue.srt", Srt("Hello there").toUtf8());
  const QString ours = ConvertWithFilters(Clip(), "subtitled.mkv", Joined(Subtitle(srt, DejaVuSans, BlueColour)));
  ASSERT_FALSE(ours.isEmpty());
  EXPECT_GT(Psnr(GrayFrame(ours, BeforeCue), GrayFrame(Unfiltered(), BeforeCue)), 60.0);
  EXPECT_GT(Psnr(GrayFrame(ours, AfterCue), GrayFrame(Unfiltered(), AfterCue)), 60.0);
  const TChange c = Changed(ours, InCue);
  EXPECT_GT(c.count, 100);
  EXPECT_GT(c.top, 240 / 2);  // at the bottom of the picture
  // The letters are drawn in the subtitle colour, pure blue (small letters:
  // blue dominates rather than being pure after chroma subsampling).
  const TPicture shown = RgbFrame(ours, InCue), plain = RgbFrame(Unfiltered(), InCue);
  int blue = 0;
  for (int y = c.top; y <= c.bottom; ++y)
    for (int x = c.left; x <= c.right; ++x) {
      const auto p = shown.At(x, y), q = plain.At(x, y);
      if (!Near(p, q[0], q[1], q[2], 8) && p[2] > std::max(p[0], p[1]) + 80) ++blue;
    }
  EXPECT_GT(blue, 50);
}

TEST(FilterRendering, SubtitlesKeepTheSourcesTimeWhenTheConversionStartsLater) {
  const QString srt = WriteFile("cue.srt", Srt("Hello there").toUtf8());
  const QString stored = Joined(Subtitle(srt, DejaVuSans, WhiteColour));
  TConversionResult r;
  const QString cut = ConvertWithFilters(Clip(), "cut.mkv", stored, &r, 1000000);
  ASSERT_FALSE(cut.isEmpty()) << r.log.join('\n').toStdString();
  const QString plainCut = ConvertWithFilters(Clip(), "plaincut.mkv", QString(), nullptr, 1000000);
  // The cue from 1 s to 2 s of the source is the first second of the cut.
  EXPECT_GT(Changed(cut, 12, plainCut).count, 100);
  EXPECT_EQ(Changed(cut, 37, plainCut).count, 0);
}

TEST(FilterRendering, AGbkSubtitleWithItsCodePage) {
  const QString words = QStringLiteral("中文字幕");
  const QByteArray gbk = Encoded(Srt(words), "GBK");
  ASSERT_NE(gbk, Srt(words).toUtf8());
  const QString gbkFile = WriteFile("gbk.srt", gbk);
  const QString utf8File = WriteFile("utf8.srt", Srt(words).toUtf8());
  const QString tool =
      ToolConversion(Clip(), "tool.mkv",
                     {"-vf", QStringLiteral("subtitles=%1:fontsdir=/usr/share/fonts/truetype/wqy:"
                                            "force_style='FontName=WenQuanYi Micro Hei,PrimaryColour=&H0000FFFF'")
                                 .arg(utf8File)});
  for (const char* codePage : {"936", "CP936", "GBK"}) {
    SCOPED_TRACE(codePage);
    const QString ours =
        ConvertWithFilters(Clip(), "gbk.mkv", Joined(Subtitle(gbkFile, MicroHei, YellowColour, codePage)));
    ASSERT_FALSE(ours.isEmpty());
    EXPECT_GT(Psnr(GrayFrame(ours, InCue), GrayFrame(tool, InCue)), 45.0);
    EXPECT_LT(Psnr(GrayFrame(ours, InCue), GrayFrame(Unfiltered(), InCue)), 40.0);
  }
}

TEST(FilterRendering, AnAssFileWithTheChosenFontAndColour) {
  const QByteArray ass =
      "[Script Info]\nScriptType: v4.00+\nPlayResX: 320\nPlayResY: 240\n\n"
      "[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, "
      "Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, "
      "MarginL, MarginR, MarginV, Encoding\n"
      "Style: Top,Arial,28,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,1,0,8,10,10,10,1\n\n"
      "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n"
      "Dialogue: 0,0:00:01.00,0:00:02.00,Top,,0,0,0,,Top line\n";
  const QString file = WriteFile("top.ass", ass);
  const QString ours = ConvertWithFilters(Clip(), "ass.mkv", Joined(Subtitle(file, DejaVuSans, RedColour)));
  ASSERT_FALSE(ours.isEmpty());
  EXPECT_GT(Psnr(GrayFrame(ours, BeforeCue), GrayFrame(Unfiltered(), BeforeCue)), 60.0);
  const TChange c = Changed(ours, InCue);
  EXPECT_GT(c.count, 100);
  EXPECT_LT(c.bottom, 240 / 2);  // the file's own style puts it at the top
  const QString tool = ToolConversion(
      Clip(), "tool.mkv",
      {"-vf", QStringLiteral("subtitles=%1:force_style='FontName=DejaVu Sans,PrimaryColour=&H000000FF'").arg(file)});
  EXPECT_GT(Psnr(GrayFrame(ours, InCue), GrayFrame(tool, InCue)), 45.0);
}

TEST(FilterRendering, AllKindsInOneList) {
  TVideoStdFilter std;
  std.SetVerticalFilp(true);
  std.SetDrawBox(true);
  std.SetBX(200);
  std.SetBY(20);
  std.SetBWidth(100);
  std.SetBHeight(60);
  std.SetBColor("Lime");
  TLogoFilter logo;
  logo.SetX(20);
  logo.SetY(20);
  logo.SetLogoFile(WriteLogo("logo.png"));
  const TOverlayTextFilter text = Text("Hello, world", DejaVuSans, 40, 100, 20);
  const QString srt = WriteFile("cue.srt", Srt("Subtitle").toUtf8());
  const TSubtitleFilter subtitle = Subtitle(srt, DejaVuSans, YellowColour);
  const QString stored = filters::VideoFiltersText({&std, &logo, &text, &subtitle});

  const QString ours = ConvertWithFilters(Clip(), "all.mkv", stored);
  ASSERT_FALSE(ours.isEmpty());
  const QString tool = ToolConversion(
      Clip(), "tool.mkv",
      {"-filter_complex",
       QStringLiteral("movie=%1[logo];[0:v]vflip,drawbox=200:20:100:60:lime[boxed];[boxed][logo]overlay=20:20,"
                      "drawtext=fontfile=%2:text='Hello, world':x=40:y=100:fontsize=20:fontcolor=white,"
                      "subtitles=%3:force_style='FontName=DejaVu Sans,PrimaryColour=&H0000FFFF'")
           .arg(logo.LogoFile(), DejaVuSans, srt)});
  for (int frame : {BeforeCue, InCue}) EXPECT_GT(Psnr(GrayFrame(ours, frame), GrayFrame(tool, frame)), 45.0) << frame;
  const TPicture picture = RgbFrame(ours, InCue);
  EXPECT_TRUE(Near(picture.At(200, 50), 0, 255, 0));  // the box's left edge
  EXPECT_TRUE(Near(picture.At(30, 40), 255, 0, 0));   // the logo
}

TEST(FilterRendering, BadItemsStopTheConversionAndSayWhy) {
  const struct {
    QString filters;
    QString line;
  } cases[] = {
      {"vflip,logo=1|2|/nonexistent/logo.png",
       "Video filter \"logo=1|2|/nonexistent/logo.png\": logo file not found: /nonexistent/logo.png"},
      {"vflip,nosuchfilter", "Video filter \"nosuchfilter\": no such filter: nosuchfilter"},
      {"drawtext=fontfile=\\'\\'#text='x'",
       "Video filter \"drawtext=fontfile=\\'\\'#text='x'\": malformed overlay text item"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.filters.toStdString());
    TConversionResult r;
    EXPECT_TRUE(ConvertWithFilters(Clip(), "bad.mkv", k.filters, &r).isEmpty());
    EXPECT_EQ(r.errorBoxes, QStringList{"Error opening filters!"});
    EXPECT_EQ(r.completions, 1);
    EXPECT_TRUE(r.log.contains(k.line)) << r.log.join('\n').toStdString();
  }
}

TEST(FilterRendering, TheLibrarysOwnReasonIsLoggedOnce) {
  const QString srt = WriteFile("cue.srt", Srt("x").toUtf8());
  const QString stored = Joined(Subtitle(srt, DejaVuSans, WhiteColour, "NO-SUCH-CODEPAGE"));
  TConversionResult r;
  EXPECT_TRUE(ConvertWithFilters(Clip(), "bad.mkv", stored, &r).isEmpty());
  EXPECT_EQ(r.errorBoxes, QStringList{"Error opening filters!"});
  const QStringList ours = r.log.filter("Video filter \"" + stored + "\": ");
  ASSERT_EQ(ours.size(), 1) << r.log.join('\n').toStdString();
  // The library's lines come first, and finding the item does not repeat them.
  QStringList library = r.log.mid(0, r.log.indexOf(ours.front())).filter("NO-SUCH-CODEPAGE");
  EXPECT_FALSE(library.isEmpty());
  EXPECT_EQ(library.removeDuplicates(), 0) << library.join('\n').toStdString();
}
