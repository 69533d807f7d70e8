// The filters' fragments, display names, the list-joining rule and the
// dialog hooks.

#include <gtest/gtest.h>

#include "filters/FilterStrings.h"
#include "filters/VideoFilters.h"
#include "support/TestSupport.h"

using filters::JoinFilterStrings;
using filters::VideoFiltersText;

namespace {

constexpr TColor Red = 0x0000FF;  // 0x00BBGGRR
constexpr TColor Blue = 0xFF0000;
constexpr TColor White = 0xFFFFFF;
constexpr TColor Yellow = 0x00FFFF;

TOverlayTextFilter Text(const QString& text) {
  TOverlayTextFilter f;
  f.SetText(text);
  f.SetFontFile("C:\\Fonts\\simhei.ttf");
  f.SetX(5);
  f.SetY(6);
  f.SetFontSize(16);
  f.SetFontColor(Red);
  f.SetBgColor(White);
  return f;
}

}  // namespace

TEST(FilterStrings, DisplayNames) {
  EXPECT_EQ(TLogoFilter().FilterName(), "Logo Filter");
  EXPECT_EQ(TOverlayTextFilter().FilterName(), "Overlay Text Filter");
  EXPECT_EQ(TSubtitleFilter().FilterName(), "Hard Subtitle Filter");
  EXPECT_EQ(TVideoStdFilter().FilterName(), "Standar Filters");
}

TEST(FilterStrings, LogoPathIsEscaped) {
  TLogoFilter f;
  f.SetX(10);
  f.SetY(20);
  f.SetLogoFile("C:\\logo.png");
  EXPECT_EQ(f.FilterString(), "logo=10|20|C:\\\\logo.png");
  f.SetX(-3);
  f.SetLogoFile("/home/u/100%1 logo.png");
  EXPECT_EQ(f.FilterString(), "logo=-3|20|/home/u/100%1 logo.png");
}

TEST(FilterStrings, OverlayTextWithALineBreakAndColours) {
  // Red text, white background: RGB followed by the alpha byte.
  EXPECT_EQ(Text("A\r\nB").FilterString(),
            "drawtext=fontfile=\\'C:\\\\Fonts\\\\simhei.ttf\\'#text='A\\nB'#x=5#y=6#fontsize=16"
            "#fgcolor=0xFF0000FF#bgcolor=0xFFFFFF00");
  // Only CR LF pairs become backslash n; placeholders in the text stay text.
  EXPECT_EQ(Text("%1\n%2").FilterString().section('#', 1, 1), "text='%1\n%2'");
  TOverlayTextFilter black = Text("x");
  black.SetFontColor(0);
  black.SetBgColor(Blue);
  EXPECT_TRUE(black.FilterString().endsWith("#fgcolor=0x000000FF#bgcolor=0x0000FF00"));
  // A system colour: only its low 24 bits count.
  black.SetFontColor(0x8000000F);
  EXPECT_TRUE(black.FilterString().contains("#fgcolor=0x0F0000FF#"));
}

TEST(FilterStrings, SubtitleColourAndCodePage) {
  TSubtitleFilter f;
  f.SetSubtitleFile("C:\\sub.srt");
  f.SetFontFile("C:\\f.ttf");
  f.SetFontColor(Blue);
  EXPECT_EQ(f.FilterString(), "ass=filename$C:\\\\sub.srt#font$C:\\\\f.ttf#color$0xFF00");
  f.SetCodePage("936");
  EXPECT_EQ(f.FilterString(), "ass=filename$C:\\\\sub.srt#font$C:\\\\f.ttf#color$0xFF00#codepage$936");
  f.SetFontColor(Yellow);
  EXPECT_TRUE(f.FilterString().contains("#color$0xFFFF0000#"));
  f.SetFontColor(0);
  EXPECT_TRUE(f.FilterString().contains("#color$0x000#"));
}

TEST(FilterStrings, StandardOperationsInTheirOrder) {
  TVideoStdFilter f;
  EXPECT_EQ(f.FilterString(), "");
  f.SetRotate(true);
  f.SetDegree(90);
  EXPECT_EQ(f.FilterString(), "rotate=90");
  f.SetRotate(false);
  f.SetVerticalFilp(true);
  f.SetNegate(true);
  EXPECT_EQ(f.FilterString(), "vflip,negate");
  f.SetHorizontalFilip(true);
  f.SetDrawBox(true);
  f.SetBX(1);
  f.SetBY(2);
  f.SetBWidth(30);
  f.SetBHeight(40);
  f.SetBColor("Red");
  f.SetRotate(true);
  EXPECT_EQ(f.FilterString(), "vflip,hflip,drawbox=1:2:30:40:Red,negate,rotate=90");
}

TEST(FilterStrings, JoiningRule) {
  EXPECT_EQ(JoinFilterStrings({}), "");
  EXPECT_EQ(JoinFilterStrings({""}), "  ");
  EXPECT_EQ(JoinFilterStrings({"vflip"}), "vflip");
  EXPECT_EQ(JoinFilterStrings({"vflip,negate"}), " vflip,negate ");
  EXPECT_EQ(JoinFilterStrings({"logo=1|2|a.png", "vflip,negate", "hflip"}), "logo=1|2|a.png, vflip,negate ,hflip");
  EXPECT_EQ(JoinFilterStrings({"a  b", "x\ty", "c"}), " a    b , x\ty ,c");
  EXPECT_EQ(JoinFilterStrings({"a", ""}), "a,");
  EXPECT_EQ(JoinFilterStrings({"", ""}), ",");
}

TEST(FilterStrings, AWholeListOfFilters) {
  TVideoStdFilter std;
  std.SetVerticalFilp(true);
  std.SetNegate(true);
  const TOverlayTextFilter text = Text("Hello World");
  TLogoFilter logo;
  logo.SetLogoFile("/l.png");
  EXPECT_EQ(VideoFiltersText({}), "");
  EXPECT_EQ(VideoFiltersText({&logo, &std}), "logo=0|0|/l.png, vflip,negate ");
  // A two-word text quotes the whole fragment, its space doubled.
  EXPECT_EQ(VideoFiltersText({&text}),
            " drawtext=fontfile=\\'C:\\\\Fonts\\\\simhei.ttf\\'#text='Hello  World'#x=5#y=6#fontsize=16"
            "#fgcolor=0xFF0000FF#bgcolor=0xFFFFFF00 ");
  // A standard filter with nothing on: the single empty item.
  const TVideoStdFilter nothing;
  EXPECT_EQ(VideoFiltersText({&nothing}), "  ");
}

TEST(FilterDialogs, WithoutAWindowLayerNothingOpens) {
  TLogoFilter logo;
  EXPECT_FALSE(logo.ShowNewDialog());
  EXPECT_FALSE(logo.ShowEditDialog());
}

TEST(FilterDialogs, OnlyAnAcceptedDialogChangesTheFilter) {
  std::vector<TFilterDialogMode> modes;
  bool accept = false;
  TVideoStdFilter::DialogHook = [&](TVideoStdFilter& f, TFilterDialogMode mode) {
    modes.push_back(mode);
    EXPECT_EQ(f.BColor(), mode == fdEdit ? "Red" : "");  // edit shows the current values, new the defaults
    f.SetBColor("Blue");
    f.SetDrawBox(true);
    return accept;
  };
  TVideoStdFilter f;
  f.SetBColor("Red");
  EXPECT_FALSE(f.ShowEditDialog());
  EXPECT_EQ(f.BColor(), "Red");
  EXPECT_FALSE(f.DrawBox());
  accept = true;
  EXPECT_TRUE(f.ShowEditDialog());
  EXPECT_EQ(f.BColor(), "Blue");
  f.SetBColor("Red");
  f.SetNegate(true);
  EXPECT_TRUE(f.ShowNewDialog());
  EXPECT_EQ(f.BColor(), "Blue");
  EXPECT_FALSE(f.Negate());  // a new dialog's values replace all of them
  EXPECT_EQ(modes, (std::vector<TFilterDialogMode>{fdEdit, fdEdit, fdNew}));
  TVideoStdFilter::DialogHook = nullptr;
}
