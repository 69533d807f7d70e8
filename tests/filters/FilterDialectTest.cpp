// The stored filter text turned into the library's graph syntax: the inverse
// of the joining rule, each kind's translation, and the reasons a bad item
// gives.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

extern "C" {
#include <libavutil/error.h>
}

#include "engine/FilterDialect.h"
#include "filters/FilterStrings.h"
#include "filters/VideoFilters.h"
#include "support/TestSupport.h"

using engine::SplitFilterList;
using engine::TranslateVideoFilters;
using filters::JoinFilterStrings;

namespace {

const QString DejaVuSans = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");

QString WriteFile(const QString& name, const QByteArray& content) {
  const QString path = QDir(testing_support::TemporaryFolder()).filePath(name);
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(content);
  return path;
}

QString Translated(const QString& stored) {
  const engine::TVideoFilterGraph g = TranslateVideoFilters(stored);
  EXPECT_EQ(g.error, "") << stored.toStdString();
  return g.description;
}

QString TranslationError(const QString& stored) { return TranslateVideoFilters(stored).error; }

QStringList Split(const QString& text) {
  QStringList items{"untouched"};
  EXPECT_TRUE(SplitFilterList(text, &items)) << text.toStdString();
  return items;
}

}  // namespace

TEST(FilterDialect, SplittingUndoesJoining) {
  const QList<QStringList> lists{
      {},        {""},      {"vflip"}, {"vflip,negate", "hflip"},        {"a  b", " lead", "trail ", "x\ty", "c"},
      {"a", ""}, {"", "a"}, {"", ""},  {"text='A B',x", "  ", "中文 字"}};
  for (const QStringList& items : lists)
    EXPECT_EQ(Split(JoinFilterStrings(items)), items) << items.join('|').toStdString();
}

TEST(FilterDialect, TextThatIsNoJoinedListIsNotSplit) {
  QStringList items{"kept"};
  for (const char* text : {"vflip, hflip", " vflip", "a b", " a b ", " a b", "vflip ,hflip"}) {
    EXPECT_FALSE(SplitFilterList(text, &items)) << text;
    EXPECT_EQ(items, QStringList{"kept"});
  }
}

TEST(FilterDialect, EmptyListsGiveNoFilters) {
  EXPECT_EQ(Translated(""), "");
  EXPECT_EQ(Translated("  "), "");
  EXPECT_EQ(Translated(","), "");
}

TEST(FilterDialect, TheLibrarySyntaxPassesUnchanged) {
  for (const char* text :
       {"vflip", "scale=160:120,transpose=1", "split[a][b];[a]hflip[l];[b][l]hstack", "vflip, hflip", "rotate=PI/6",
        "drawbox=x=1:y=2:w=3:h=4:t=fill", "drawtext=text='a, b':fontsize=20", "[in]negate[out]"})
    EXPECT_EQ(Translated(text), text);
}

TEST(FilterDialect, Logo) {
  const QString logo = WriteFile("logo.png", "not read here");
  TLogoFilter f;
  f.SetX(10);
  f.SetY(20);
  f.SetLogoFile(logo);
  EXPECT_EQ(
      Translated(f.FilterString()),
      "movie=filename=\\'" + logo + "\\':format_opts=\\'pattern_type=none\\'[lg0];[in][lg0]overlay=x=10:y=20[out]");
  // Filters around it continue the chain.
  EXPECT_EQ(Translated("vflip,hflip," + f.FilterString() + ",negate," + f.FilterString()),
            "[in]vflip,hflip[c0];movie=filename=\\'" + logo +
                "\\':format_opts=\\'pattern_type=none\\'[lg0];[c0][lg0]overlay=x=10:y=20,negate[c1];" +
                "movie=filename=\\'" + logo +
                "\\':format_opts=\\'pattern_type=none\\'[lg1];[c1][lg1]overlay=x=10:y=20[out]");
  // A path that needs escaping at both levels.
  const QString odd = WriteFile("it's [1],x;y.png", "");
  f.SetLogoFile(odd);
  const QString dir = QFileInfo(odd).absolutePath();
  EXPECT_EQ(Translated(JoinFilterStrings({f.FilterString()})),
            "movie=filename=\\'" + dir +
                "/it\\'\\\\\\'\\'s "
                "\\[1\\]\\,x\\;y.png\\':format_opts=\\'pattern_type=none\\'[lg0];[in][lg0]overlay=x=10:y=20[out]");
}

TEST(FilterDialect, OverlayText) {
  TOverlayTextFilter f;
  f.SetFontFile(DejaVuSans);
  f.SetText("It's 10:30\r\nC:\\temp [x];中文");
  f.SetX(5);
  f.SetY(6);
  f.SetFontSize(16);
  f.SetFontColor(0x0000FF);
  f.SetBgColor(0xFF0000);
  EXPECT_EQ(Translated(JoinFilterStrings({f.FilterString()})),
            "drawtext=fontfile=\\'" + DejaVuSans +
                "\\':text=\\'It\\'\\\\\\'\\'s 10:30\nC:\\\\temp \\[x\\]\\;中文\\':x=5:y=6:fontsize=16"
                ":fontcolor=0xFF0000FF:boxcolor=0x0000FF00:expansion=none");
  // Quotes and separators of the stored form inside the text itself.
  f.SetText("'#x=1#y=2'");
  EXPECT_TRUE(Translated(f.FilterString()).contains(":text=\\'\\'\\\\\\'\\'#x=1#y=2\\'\\\\\\'\\'\\':x=5:"));
}

TEST(FilterDialect, Subtitles) {
  const QString srt = WriteFile("cue.srt", "1\n00:00:01,000 --> 00:00:02,000\nHello\n");
  TSubtitleFilter f;
  f.SetSubtitleFile(srt);
  f.SetFontFile(DejaVuSans);
  f.SetFontColor(0xFF0000);  // pure blue
  const QString head = "subtitles=filename=\\'" + srt + "\\':fontsdir=\\'/usr/share/fonts/truetype/dejavu\\':";
  EXPECT_EQ(Translated(f.FilterString()), head + "force_style=\\'FontName=DejaVu Sans\\,PrimaryColour=&H00FF0000\\'");
  f.SetCodePage("936");
  f.SetFontColor(0x00FFFF);  // yellow
  EXPECT_EQ(Translated(f.FilterString()),
            head + "charenc=\\'CP936\\':force_style=\\'FontName=DejaVu Sans\\,PrimaryColour=&H0000FFFF\\'");
  // A conversion starting 1.5 s into the source shows the subtitles the
  // pictures at their time in the source.
  EXPECT_EQ(TranslateVideoFilters(f.FilterString(), 1500000).description,
            "setpts=PTS+(1.500000)/TB," + Translated(f.FilterString()) + ",setpts=PTS-(1.500000)/TB");
  f.SetCodePage("GBK");
  EXPECT_TRUE(Translated(f.FilterString()).contains(":charenc=\\'GBK\\':"));
  f.SetFontFile("");
  f.SetFontColor(0);
  EXPECT_EQ(Translated(f.FilterString()),
            "subtitles=filename=\\'" + srt + "\\':charenc=\\'GBK\\':force_style=\\'PrimaryColour=&H00000000\\'");
}

TEST(FilterDialect, StandardOperations) {
  EXPECT_EQ(Translated(" vflip,negate "), "vflip,negate");
  EXPECT_EQ(Translated("rotate=90"),
            "rotate=a=90*PI/180:ow=trunc(rotw(90*PI/180)/2+0.5)*2:oh=trunc(roth(90*PI/180)/2+0.5)*2");
  EXPECT_EQ(Translated(" vflip,drawbox=10:20:30:40:Red,negate,rotate=-45 ,hflip"),
            "vflip,drawbox=x=10:y=20:w=30:h=40:color=\\'Red\\',negate,"
            "rotate=a=-45*PI/180:ow=trunc(rotw(-45*PI/180)/2+0.5)*2:oh=trunc(roth(-45*PI/180)/2+0.5)*2,hflip");
  EXPECT_EQ(Translated("drawbox=1:2:3:4:"), "drawbox=x=1:y=2:w=3:h=4");
  // A box leading a standard filter's operations ends at the first comma.
  EXPECT_EQ(Translated(" drawbox=20:20:100:100:red,negate "),
            "drawbox=x=20:y=20:w=100:h=100:color=\\'red\\',negate");
}

TEST(FilterDialect, BadItemsAreNamedWithTheirReason) {
  const QString srt = WriteFile("c.srt", "");
  const QString notAFont = WriteFile("font.ttf", "plain text");
  EXPECT_EQ(TranslationError("vflip,logo=1|2|/nonexistent/l.png"),
            "Video filter \"logo=1|2|/nonexistent/l.png\": logo file not found: /nonexistent/l.png");
  EXPECT_EQ(TranslationError("logo=1|/l.png"),
            "Video filter \"logo=1|/l.png\": malformed logo item, expected logo=X|Y|file");
  EXPECT_EQ(TranslationError("drawtext=fontfile=\\'\\'#text='a'#x=1"),
            "Video filter \"drawtext=fontfile=\\'\\'#text='a'#x=1\": malformed overlay text item");
  EXPECT_EQ(TranslationError("ass=filename$" + srt),
            "Video filter \"ass=filename$" + srt + "\": malformed subtitle item");
  EXPECT_EQ(TranslationError("ass=filename$/no.srt#font$#color$0xFF00"),
            "Video filter \"ass=filename$/no.srt#font$#color$0xFF00\": subtitle file not found: /no.srt");
  EXPECT_EQ(
      TranslationError("ass=filename$" + srt + "#font$" + notAFont + "#color$0xFF00"),
      "Video filter \"ass=filename$" + srt + "#font$" + notAFont + "#color$0xFF00\": not a font file: " + notAFont);
  TOverlayTextFilter text;
  text.SetText("a");
  text.SetFontFile("/no/font.ttf");
  EXPECT_EQ(TranslationError(text.FilterString()),
            "Video filter \"" + text.FilterString() + "\": font file not found: /no/font.ttf");
}

TEST(FilterDialect, TheLibrarysRefusalIsTracedToItsItem) {
  const engine::TVideoFilterGraph unknown = TranslateVideoFilters("vflip,nosuchfilter,negate");
  EXPECT_EQ(engine::DiagnoseVideoFilters(unknown, AVERROR(EINVAL)),
            "Video filter \"nosuchfilter\": no such filter: nosuchfilter");
  const engine::TVideoFilterGraph chain = TranslateVideoFilters("[in]scale=w='min(iw\\,320)':h=-2 , nosuch=1[out]");
  EXPECT_EQ(engine::DiagnoseVideoFilters(chain, AVERROR(EINVAL)),
            "Video filter \"[in]scale=w='min(iw\\,320)':h=-2 , nosuch=1[out]\": no such filter: nosuch");
  const engine::TVideoFilterGraph colour = TranslateVideoFilters(" vflip,drawbox=1:2:3:4:NoSuchColour ");
  EXPECT_EQ(engine::DiagnoseVideoFilters(colour, AVERROR(EINVAL)),
            "Video filter \"drawbox=1:2:3:4:NoSuchColour\": Invalid argument");
  // Every item is fine on its own: the whole description is named.
  const engine::TVideoFilterGraph labels = TranslateVideoFilters("[x]vflip");
  EXPECT_EQ(engine::DiagnoseVideoFilters(labels, AVERROR(EINVAL)), "Video filters \"[x]vflip\": Invalid argument");
}
