// The four filter dialogs driven through their controls, and the filter
// objects opening them through the installed hooks.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <functional>

#include "app/FilterDialogColorBox.h"
#include "app/FilterDialogHooks.h"
#include "app/FilterDialogLogo.h"
#include "app/FilterDialogStd.h"
#include "app/FilterDialogSubtitle.h"
#include "app/FilterDialogText.h"
#include "filters/VideoFilters.h"
#include "support/TestSupport.h"
#include "WidgetTestHelpers.h"

using testing_support::PumpUntil;
using testing_support::TemporaryFolder;

namespace {

using namespace widget_tests;

QLineEdit* FileField(const QWidget& dialog, const char* name) { return Control<TFileEdit>(dialog, name)->Edit(); }

bool OkEnabled(const TFilterDialog& dialog) { return dialog.OkButton()->isEnabled(); }

// An existing file in a fresh folder.
QString ExistingFile(const QString& name) {
  const QString path = TemporaryFolder() + QLatin1Char('/') + name;
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("x");
  return path;
}

// The texts of the labels not hidden, sorted.
QStringList Labels(const QWidget& dialog) {
  QStringList texts;
  for (const QLabel* label : dialog.findChildren<QLabel*>())
    if (!label->isHidden()) texts << label->text();
  texts.sort();
  return texts;
}

QStringList Sorted(QStringList texts) {
  texts.sort();
  return texts;
}

// The palette colour as 0x00BBGGRR.
TColor Bgr(const QColor& c) { return TColor(c.red()) | TColor(c.green()) << 8 | TColor(c.blue()) << 16; }

class FilterDialogHooks : public ::testing::Test {
 protected:
  void SetUp() override { InstallFilterDialogs(); }
  void TearDown() override {
    TLogoFilter::DialogHook = nullptr;
    TOverlayTextFilter::DialogHook = nullptr;
    TSubtitleFilter::DialogHook = nullptr;
    TVideoStdFilter::DialogHook = nullptr;
  }
};

}  // namespace

TEST(FilterDialogs, CommonFrameAndButtons) {
  TFormLogoFilter logo;
  TFormTextFilter text;
  TFormSubtitleFilter subtitle;
  TFormStdFilter standard;
  const std::pair<TFilterDialog*, std::pair<const char*, QSize>> dialogs[] = {
      {&logo, {"添加LOGO", {428, 149}}},
      {&text, {"文字水印", {438, 288}}},
      {&subtitle, {"字幕设置", {514, 183}}},
      {&standard, {"标准过滤", {496, 292}}},
  };
  for (const auto& [dialog, expected] : dialogs) {
    EXPECT_EQ(dialog->windowTitle(), QString::fromUtf8(expected.first));
    EXPECT_EQ(dialog->size(), expected.second);
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_EQ(dialog->OkButton()->text(), "确定");
    EXPECT_TRUE(dialog->OkButton()->isDefault());
    EXPECT_FALSE(OkEnabled(*dialog));  // nothing is valid at first
    EXPECT_EQ(dialog->CancelButton()->text(), "放弃");
    EXPECT_TRUE(dialog->CancelButton()->isEnabled());
  }
}

TEST(FilterDialogs, LogoDefaultsAndOkRule) {
  TFormLogoFilter dialog;
  dialog.show();
  EXPECT_EQ(Labels(dialog), Sorted({"X", "Y", "输入文件"}));
  EXPECT_EQ(dialog.X(), 0);
  EXPECT_EQ(dialog.Y(), 0);
  EXPECT_EQ(dialog.LogoFile(), "");
  EXPECT_EQ(Control<TFileEdit>(dialog, "edtLogo")->Filter(), "PNG files (*.png)|*.png");
  // Spin fields without limits.
  Control<QSpinBox>(dialog, "edtX2")->setValue(-20);
  EXPECT_EQ(dialog.X(), -20);
  SaveScreenshot(dialog, QStringLiteral("filter-logo.png"));

  const QString folder = TemporaryFolder();
  const QString logo = folder + QStringLiteral("/logo.png");
  QLineEdit* field = FileField(dialog, "edtLogo");
  field->setText(logo);
  EXPECT_FALSE(OkEnabled(dialog));
  field->setText(folder);  // a folder is no file
  EXPECT_FALSE(OkEnabled(dialog));
  field->setText(ExistingFile(QStringLiteral("logo.png")));
  EXPECT_TRUE(OkEnabled(dialog));

  // The rule also notices a file that appears while the path stays.
  field->setText(logo);
  EXPECT_FALSE(OkEnabled(dialog));
  QFile created(logo);
  ASSERT_TRUE(created.open(QIODevice::WriteOnly));
  created.close();
  EXPECT_TRUE(PumpUntil([&] { return OkEnabled(dialog); }));
}

TEST(FilterDialogs, TextDefaultsAndOkRule) {
  TFormTextFilter dialog;
  dialog.show();
  EXPECT_EQ(Labels(dialog), Sorted({"文字", "坐标X,Y", "字体文字", "文字颜色", "文字大小"}));
  EXPECT_EQ(dialog.Text(), "");
  EXPECT_EQ(dialog.X(), 0);
  EXPECT_EQ(dialog.Y(), 0);
  EXPECT_EQ(dialog.FontColor(), 0x00FFFFu);  // yellow
  EXPECT_EQ(Control<QComboBox>(dialog, "cbbColor")->currentText(), "Yellow");
  EXPECT_EQ(dialog.FontSize(), 16);
  EXPECT_EQ(dialog.BgColor(), 0xFF0000u);  // blue, hidden with its label
  EXPECT_TRUE(Control<QComboBox>(dialog, "cbbBack")->isHidden());
  EXPECT_EQ(Control<TFileEdit>(dialog, "edtFont")->Filter(), "Font File(*.ttf)|*.ttf");

  auto* size = Control<QSpinBox>(dialog, "edtSize");
  EXPECT_EQ(size->minimum(), 1);
  EXPECT_EQ(size->maximum(), 72);
  EXPECT_EQ(size->singleStep(), 16);
  EXPECT_EQ(Control<QSpinBox>(dialog, "edtX")->minimum(), 0);
  EXPECT_EQ(Control<QSpinBox>(dialog, "edtY")->minimum(), 0);
  SaveScreenshot(dialog, QStringLiteral("filter-text.png"));

  auto* text = Control<QPlainTextEdit>(dialog, "mmoText");
  FileField(dialog, "edtFont")->setText(ExistingFile(QStringLiteral("font.ttf")));
  text->setPlainText(QStringLiteral("  \n\t \n "));
  EXPECT_FALSE(OkEnabled(dialog));
  text->setPlainText(QStringLiteral("A\nB"));
  EXPECT_TRUE(OkEnabled(dialog));
  EXPECT_EQ(dialog.Text(), "A\r\nB");
  FileField(dialog, "edtFont")->setText(QStringLiteral("/nowhere/font.ttf"));
  EXPECT_FALSE(OkEnabled(dialog));
}

TEST(FilterDialogs, SubtitleDefaultsCodePagesAndOkRule) {
  TFormSubtitleFilter dialog;
  dialog.show();
  EXPECT_TRUE(PumpUntil([&] { return QApplication::focusWidget() != nullptr; }));
  EXPECT_EQ(QApplication::focusWidget(), FileField(dialog, "edtSubtitle"));
  EXPECT_EQ(Labels(dialog), Sorted({"文件", "字体文件", "字体颜色", "Code Page"}));
  EXPECT_EQ(dialog.FontColor(), 0x00FFFFu);
  EXPECT_EQ(dialog.CodePage(), "");
  EXPECT_EQ(Control<TFileEdit>(dialog, "edtSubtitle")->Filter(),
            "SSA Files(*.ssa)|*.ssa|ASS Files(*.ass)|*.ass|SRT Files(*.srt)|*.srt|Other Subtitle Files(*.txt)|*.txt");
  EXPECT_EQ(Control<TFileEdit>(dialog, "edtFont")->Filter(), "Font File(*.ttf)|*.ttf");

  auto* codePages = Control<QComboBox>(dialog, "cbbCodePage");
  EXPECT_TRUE(codePages->isEditable());
  QStringList offered;
  for (int i = 0; i < codePages->count(); ++i) offered << codePages->itemText(i);
  EXPECT_EQ(offered, TFormSubtitleFilter::CodePageNames());
  ASSERT_EQ(offered.size(), 67);
  EXPECT_EQ(offered.first(), "ISO-2022-JP");
  EXPECT_EQ(offered[20], "cp1250");
  EXPECT_EQ(offered[38], "CP936");
  EXPECT_EQ(offered[53], "UTF-8");
  EXPECT_EQ(offered.last(), "UTF-7");
  SaveScreenshot(dialog, QStringLiteral("filter-subtitle.png"));

  codePages->setCurrentIndex(offered.indexOf(QStringLiteral("GB18030")));
  EXPECT_EQ(dialog.CodePage(), "GB18030");
  codePages->lineEdit()->setText(QStringLiteral("  x-my-page \t"));
  EXPECT_EQ(dialog.CodePage(), "x-my-page");

  FileField(dialog, "edtSubtitle")->setText(ExistingFile(QStringLiteral("a.srt")));
  EXPECT_FALSE(OkEnabled(dialog));
  FileField(dialog, "edtFont")->setText(ExistingFile(QStringLiteral("font.ttf")));
  EXPECT_TRUE(OkEnabled(dialog));
  FileField(dialog, "edtSubtitle")->setText(QStringLiteral("/nowhere/a.srt"));
  EXPECT_FALSE(OkEnabled(dialog));
}

TEST(FilterDialogs, StandardDefaultsAndOkRule) {
  TFormStdFilter dialog;
  dialog.show();
  EXPECT_EQ(Labels(dialog), Sorted({"角度", "X", "Y", "宽", "高", "颜色"}));
  QStringList captions;
  for (const char* name : {"chkVFlip", "chkHFlip", "chkRotate", "chkNegate", "chkDrawBox"})
    captions << Control<QCheckBox>(dialog, name)->text();
  EXPECT_EQ(captions, QStringList({"垂直翻转", "水平翻转", "旋转", "反面", "绘制窗口"}));
  EXPECT_EQ(dialog.Degree(), 45);
  EXPECT_EQ(Control<QSpinBox>(dialog, "edtDegree")->maximum(), 359);
  EXPECT_EQ(dialog.BColor(), "Black");
  QStringList colours;
  for (int i = 0; i < Control<QComboBox>(dialog, "cbColor")->count(); ++i)
    colours << Control<QComboBox>(dialog, "cbColor")->itemText(i);
  EXPECT_EQ(colours, QStringList({"Black", "Maroon", "Green", "Olive", "Navy", "Purple", "Teal", "Gray", "Silver",
                                  "Red", "Lime", "Yellow", "Blue", "Fuchsia", "Aqua", "White"}));
  EXPECT_FALSE(Control<QSpinBox>(dialog, "edtDegree")->isEnabled());
  EXPECT_FALSE(Control<QGroupBox>(dialog, "pnlBox")->isEnabled());

  Control<QCheckBox>(dialog, "chkRotate")->click();
  EXPECT_TRUE(Control<QSpinBox>(dialog, "edtDegree")->isEnabled());
  EXPECT_TRUE(OkEnabled(dialog));
  Control<QCheckBox>(dialog, "chkDrawBox")->click();
  EXPECT_TRUE(Control<QGroupBox>(dialog, "pnlBox")->isEnabled());
  EXPECT_TRUE(Control<QSpinBox>(dialog, "edtWidth")->isEnabled());
  SaveScreenshot(dialog, QStringLiteral("filter-standard.png"));

  for (const char* name : {"chkVFlip", "chkHFlip", "chkNegate"}) Control<QCheckBox>(dialog, name)->click();
  for (const char* name : {"chkVFlip", "chkHFlip", "chkRotate", "chkNegate", "chkDrawBox"}) {
    EXPECT_TRUE(OkEnabled(dialog));
    Control<QCheckBox>(dialog, name)->click();
  }
  EXPECT_FALSE(OkEnabled(dialog));
  EXPECT_FALSE(Control<QSpinBox>(dialog, "edtDegree")->isEnabled());
  EXPECT_FALSE(Control<QGroupBox>(dialog, "pnlBox")->isEnabled());
}

TEST(FilterDialogs, BrowseFiltersInTheFileDialogsForm) {
  EXPECT_EQ(QtFileFilter(QStringLiteral("PNG files (*.png)|*.png")), "PNG files (*.png)");
  EXPECT_EQ(QtFileFilter(QStringLiteral("SSA Files(*.ssa)|*.ssa|ASS Files(*.ass)|*.ass")),
            "SSA Files (*.ssa);;ASS Files (*.ass)");
  EXPECT_EQ(QtFileFilter(QStringLiteral("Video Files(*.flv;*.wmv)|*.flv;*.wmv|All Files(*.*)|*.*")),
            "Video Files (*.flv *.wmv);;All Files (*.*)");
}

TEST(FilterDialogs, ColourListsKeepEveryValue) {
  TColorBox box(cbStandardColors | cbExtendedColors | cbSystemColors);
  EXPECT_EQ(box.itemText(16), "Money Green");
  EXPECT_EQ(box.itemText(20), "Scroll Bar");
  box.SetSelected(0x0000FF);
  EXPECT_EQ(box.currentText(), "Red");
  EXPECT_EQ(box.Selected(), 0x0000FFu);

  // A system colour stands for what it shows on this desktop.
  box.setCurrentIndex(box.findText(QStringLiteral("Button Face")));
  const TColor face = Bgr(box.palette().color(QPalette::Active, QPalette::Button));
  EXPECT_EQ(box.Selected(), face);
  box.SetSelected(SystemColorFlag | 15);
  EXPECT_EQ(box.currentText(), "Button Face");

  // A colour of no entry is kept in an entry of its own.
  const int entries = box.count();
  box.SetSelected(0x123456);
  EXPECT_EQ(box.count(), entries + 1);
  EXPECT_EQ(box.currentText(), "Custom");
  EXPECT_EQ(box.Selected(), 0x123456u);
}

TEST_F(FilterDialogHooks, NewLogoFromTheDialog) {
  const QString logo = ExistingFile(QStringLiteral("logo.png"));
  TLogoFilter filter;
  WhenModalShown<TFormLogoFilter>([&](TFormLogoFilter* dialog) {
    Control<QSpinBox>(*dialog, "edtX2")->setValue(10);
    Control<QSpinBox>(*dialog, "edtY2")->setValue(20);
    FileField(*dialog, "edtLogo")->setText(logo);
    dialog->OkButton()->click();
  });
  ASSERT_TRUE(filter.ShowNewDialog());
  EXPECT_EQ(filter.FilterString(), QStringLiteral("logo=10|20|") + logo);

  // Cancelled: the filter stays as it was, whatever was typed.
  WhenModalShown<TFormLogoFilter>([&](TFormLogoFilter* dialog) {
    EXPECT_EQ(dialog->X(), 10);  // filled from the filter
    EXPECT_EQ(dialog->LogoFile(), logo);
    Control<QSpinBox>(*dialog, "edtX2")->setValue(99);
    dialog->CancelButton()->click();
  });
  EXPECT_FALSE(filter.ShowEditDialog());
  EXPECT_EQ(filter.X(), 10);
}

TEST_F(FilterDialogHooks, TextFilterKeepsItsBackgroundAndTakesSystemColoursAsShown) {
  const QString font = ExistingFile(QStringLiteral("font.ttf"));
  TOverlayTextFilter filter;
  WhenModalShown<TFormTextFilter>([&](TFormTextFilter* dialog) {
    Control<QPlainTextEdit>(*dialog, "mmoText")->setPlainText(QStringLiteral("A\nB"));
    FileField(*dialog, "edtFont")->setText(font);
    Control<QSpinBox>(*dialog, "edtX")->setValue(5);
    dialog->OkButton()->click();
  });
  ASSERT_TRUE(filter.ShowNewDialog());
  EXPECT_EQ(filter.Text(), "A\r\nB");
  EXPECT_EQ(filter.FontSize(), 16);
  EXPECT_EQ(filter.X(), 5);
  EXPECT_EQ(filter.FontColor(), 0x00FFFFu);
  EXPECT_EQ(filter.BgColor(), 0xFF0000u);
  EXPECT_EQ(filter.FontFile(), font);
  EXPECT_TRUE(filter.FilterString().contains(QStringLiteral("#fgcolor=0xFFFF00FF#bgcolor=0x0000FF00")));

  filter.SetBgColor(0x123456);
  TColor shown = 0;
  WhenModalShown<TFormTextFilter>([&](TFormTextFilter* dialog) {
    EXPECT_EQ(dialog->Text(), "A\r\nB");
    auto* colours = Control<TColorBox>(*dialog, "cbbColor");
    colours->setCurrentIndex(colours->findText(QStringLiteral("Highlight")));
    shown = Bgr(colours->palette().color(QPalette::Active, QPalette::Highlight));
    dialog->OkButton()->click();
  });
  ASSERT_TRUE(filter.ShowEditDialog());
  EXPECT_EQ(filter.BgColor(), 0x123456u);
  EXPECT_EQ(filter.FontColor(), shown);
}

TEST_F(FilterDialogHooks, SubtitleCodePageTypedByHandIsTrimmed) {
  const QString subtitle = ExistingFile(QStringLiteral("a.ass"));
  const QString font = ExistingFile(QStringLiteral("font.ttf"));
  TSubtitleFilter filter;
  WhenModalShown<TFormSubtitleFilter>([&](TFormSubtitleFilter* dialog) {
    FileField(*dialog, "edtSubtitle")->setText(subtitle);
    FileField(*dialog, "edtFont")->setText(font);
    Control<QComboBox>(*dialog, "cbbCodePage")->lineEdit()->setText(QStringLiteral(" 936  "));
    dialog->OkButton()->click();
  });
  ASSERT_TRUE(filter.ShowNewDialog());
  EXPECT_EQ(filter.CodePage(), "936");
  EXPECT_EQ(filter.FontColor(), 0x00FFFFu);
  EXPECT_TRUE(filter.FilterString().endsWith(QStringLiteral("#color$0xFFFF0000#codepage$936")));

  WhenModalShown<TFormSubtitleFilter>([&](TFormSubtitleFilter* dialog) {
    EXPECT_EQ(Control<QComboBox>(*dialog, "cbbCodePage")->currentText(), "936");
    EXPECT_EQ(dialog->SubtitleFile(), subtitle);
    EXPECT_TRUE(dialog->OkButton()->isEnabled());
    dialog->OkButton()->click();
  });
  ASSERT_TRUE(filter.ShowEditDialog());
  EXPECT_EQ(filter.CodePage(), "936");
}

TEST_F(FilterDialogHooks, RotateAloneGivesTheDefaultAngle) {
  TVideoStdFilter filter;
  WhenModalShown<TFormStdFilter>([](TFormStdFilter* dialog) {
    Control<QCheckBox>(*dialog, "chkRotate")->click();
    dialog->OkButton()->click();
  });
  ASSERT_TRUE(filter.ShowNewDialog());
  EXPECT_EQ(filter.FilterString(), "rotate=45");
}

TEST_F(FilterDialogHooks, EditingAStandardFilterKeepsItsBoxColour) {
  TVideoStdFilter filter;
  filter.SetDrawBox(true);
  filter.SetBX(1);
  filter.SetBY(2);
  filter.SetBWidth(30);
  filter.SetBHeight(40);
  filter.SetBColor(QStringLiteral("Red"));
  filter.SetVerticalFilp(true);
  WhenModalShown<TFormStdFilter>([](TFormStdFilter* dialog) {
    EXPECT_EQ(Control<QComboBox>(*dialog, "cbColor")->currentText(), "Red");
    EXPECT_TRUE(Control<QGroupBox>(*dialog, "pnlBox")->isEnabled());
    EXPECT_EQ(Control<QSpinBox>(*dialog, "edtHeight")->value(), 40);
    Control<QCheckBox>(*dialog, "chkNegate")->click();
    dialog->OkButton()->click();
  });
  ASSERT_TRUE(filter.ShowEditDialog());
  EXPECT_EQ(filter.BColor(), "Red");
  EXPECT_EQ(filter.FilterString(), "vflip,drawbox=1:2:30:40:Red,negate");

  // A colour name of no entry shows no selection and leaves an empty text.
  filter.SetBColor(QStringLiteral("0x336699"));
  WhenModalShown<TFormStdFilter>([](TFormStdFilter* dialog) {
    EXPECT_EQ(Control<QComboBox>(*dialog, "cbColor")->currentIndex(), -1);
    dialog->OkButton()->click();
  });
  ASSERT_TRUE(filter.ShowEditDialog());
  EXPECT_EQ(filter.BColor(), "");
}
