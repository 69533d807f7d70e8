// The category window, the delete confirmation, the about box and the
// version information behind it.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/AboutDialog.h"
#include "app/AppVersion.h"
#include "app/CategoryDialog.h"
#include "app/DeleteDialog.h"
#include "app/FolderEdit.h"
#include "app/MakerLinks.h"
#include "app/VersionInfo.h"
#include "SmallWindowFixtures.h"
#include "WidgetTestHelpers.h"

using namespace widget_tests;
using namespace small_windows;

namespace {

QStringList LabelTexts(const QWidget& window) {
  QStringList texts;
  for (const QLabel* label : window.findChildren<QLabel*>()) texts << label->text();
  return texts;
}

// ------------------------------------------------------------------ category

class CategoryDialog : public TSmallWindowTest {};

TEST_F(CategoryDialog, NewCategoryNeedsANameAndAFolderAndHandsThemBackTrimmed) {
  AVConfiguration().SetOutputFolder(QStringLiteral("/srv/output"));
  QString name = QStringLiteral("ignored"), path;
  WhenModalShown<TFormCategory>([](TFormCategory* form) {
    EXPECT_EQ(form->windowTitle(), "New Category");
    EXPECT_EQ(form->size(), QSize(338, 147));
    const QStringList labels = LabelTexts(*form);
    EXPECT_TRUE(labels.contains("名称:"));
    EXPECT_TRUE(labels.contains("路径:"));
    EXPECT_EQ(form->btnOK->text(), "确定");
    EXPECT_EQ(form->btnCancel->text(), "放弃");
    EXPECT_EQ(form->edtName->text(), "") << "a new category starts empty";
    EXPECT_EQ(form->edtPath->BrowseFolder(), "/srv/output");
    EXPECT_FALSE(form->btnOK->isEnabled());

    Type(form->edtName, "   ");
    Type(form->edtPath->Edit(), " /srv/output/Movies ");
    EXPECT_FALSE(form->btnOK->isEnabled()) << "a name of only spaces";
    Type(form->edtName, "电影 ");
    EXPECT_TRUE(form->btnOK->isEnabled());
    form->edtPath->Edit()->setText("  ");
    EXPECT_FALSE(form->btnOK->isEnabled()) << "a folder of only spaces";
    Type(form->edtPath->Edit(), "/srv/output/Movies  ");
    EXPECT_TRUE(form->btnOK->isEnabled());
    SaveScreenshot(*form, "category.png");
    form->btnOK->click();
  });
  EXPECT_TRUE(RunCategoryDialog(nullptr, name, path, true));
  EXPECT_EQ(name, "电影");
  EXPECT_EQ(path, "/srv/output/Movies");
}

TEST_F(CategoryDialog, ANewCategoryBrowsesFromTheGivenFolder) {
  TFormCategory form(QString(), QStringLiteral("/media/parent"), true);
  EXPECT_EQ(form.edtPath->Folder(), "");
  EXPECT_EQ(form.edtPath->BrowseFolder(), "/media/parent");
}

TEST_F(CategoryDialog, PropertiesShowTheCategoryAndCancelKeepsIt) {
  QString name = QStringLiteral("Music"), path = QStringLiteral("/srv/music");
  WhenModalShown<TFormCategory>([](TFormCategory* form) {
    EXPECT_EQ(form->windowTitle(), "Category Properties");
    EXPECT_EQ(form->edtName->text(), "Music");
    EXPECT_EQ(form->edtPath->Folder(), "/srv/music");
    EXPECT_TRUE(form->btnOK->isEnabled());
    form->edtName->clear();
    EXPECT_FALSE(form->btnOK->isEnabled());
    Type(form->edtName, "Songs");
    form->btnCancel->click();
  });
  EXPECT_FALSE(RunCategoryDialog(nullptr, name, path, false));
  EXPECT_EQ(name, "Music");
  EXPECT_EQ(path, "/srv/music");
}

// -------------------------------------------------------------------- delete

TEST(DeleteDialog, YesUntouchedKeepsTheSourceAndDeletesTheConvertedFile) {
  TDeleteChoice choice{true, false};
  WhenModalShown<TFormDelete>([](TFormDelete* form) {
    EXPECT_EQ(form->windowTitle(), "确认删除吗？");
    EXPECT_EQ(form->size(), QSize(339, 155));
    EXPECT_TRUE(LabelTexts(*form).contains("确认删除吗?"));
    EXPECT_EQ(form->chkDeleteSource->text(), "删除原文件");
    EXPECT_FALSE(form->chkDeleteSource->isChecked());
    EXPECT_EQ(form->chkDeleteTarget->text(), "删除已转换完的文件");
    EXPECT_TRUE(form->chkDeleteTarget->isChecked());
    EXPECT_EQ(form->btnYes->text(), "Yes");
    EXPECT_TRUE(form->btnYes->isDefault());
    EXPECT_EQ(form->btnNo->text(), "No");
    SaveScreenshot(*form, "delete.png");
    form->btnYes->click();
  });
  EXPECT_TRUE(RunDeleteDialog(nullptr, choice));
  EXPECT_FALSE(choice.DeleteSource);
  EXPECT_TRUE(choice.DeleteTarget);
}

TEST(DeleteDialog, TheBoxesAreHandedBackOnYesOnly) {
  TDeleteChoice choice;
  WhenModalShown<TFormDelete>([](TFormDelete* form) {
    form->chkDeleteSource->click();
    form->chkDeleteTarget->click();
    form->btnYes->click();
  });
  EXPECT_TRUE(RunDeleteDialog(nullptr, choice));
  EXPECT_TRUE(choice.DeleteSource);
  EXPECT_FALSE(choice.DeleteTarget);

  const TDeleteChoice before = choice;
  WhenModalShown<TFormDelete>([](TFormDelete* form) {
    form->chkDeleteSource->click();
    form->btnNo->click();
  });
  EXPECT_FALSE(RunDeleteDialog(nullptr, choice));
  EXPECT_EQ(choice.DeleteSource, before.DeleteSource);
  EXPECT_EQ(choice.DeleteTarget, before.DeleteTarget);
}

// ------------------------------------------------------------ version info

// The message of the version error that Make raises; empty when none.
template <class F>
QString VersionError(F Make) {
  try {
    Make();
  } catch (const EVersionInfoError& error) {
    return error.Message();
  }
  return {};
}

TEST(VersionInfo, TheProgramsOwnInformation) {
  const TVersionInfo info;
  EXPECT_EQ(info.FileVersion(), TVersionInfo::FourPartVersion(app::ProgramVersion()));
  EXPECT_EQ(info.FileVersion().count('.'), 3);
  EXPECT_EQ(info.Value("ProductVersion"), app::ProgramVersion());
  EXPECT_EQ(info.Value("ProductName"), "Tesvanor");
  EXPECT_EQ(info.Value("CompanyName"), "Ormentis");

  EXPECT_EQ(TVersionInfo::FourPartVersion("0.1.0"), "0.1.0.0");
  EXPECT_EQ(TVersionInfo::FourPartVersion("2"), "2.0.0.0");
  EXPECT_EQ(TVersionInfo::FourPartVersion("1.2.3.4.5"), "1.2.3.4");
}

TEST(VersionInfo, ErrorsOfMissingBrokenAndUnreadableInformation) {
  EXPECT_EQ(VersionError([] { TVersionInfo{QString()}; }), "Unable to load version info resource");
  EXPECT_EQ(VersionError([] { TVersionInfo(QStringLiteral("\n  \n")); }), "Unable to load version info resource");
  EXPECT_EQ(VersionError([] { TVersionInfo(QStringLiteral("VERSIONINFO 0000DEAD\nFileVersion=1.0.0.0")); }),
            "Invalid version resource");
  EXPECT_EQ(VersionError([] { TVersionInfo(QStringLiteral("FileVersion=1.0.0.0")); }), "Invalid version resource");

  const TVersionInfo good(TVersionInfo::Signature() + QStringLiteral("\nFileVersion = 3.4.0.1\n"));
  EXPECT_EQ(good.FileVersion(), "3.4.0.1");
  EXPECT_EQ(VersionError([&] { good.Value("Comments"); }), "Key not found");

  // One line that is no "Key=Value" makes the whole information unreadable.
  const TVersionInfo broken(TVersionInfo::Signature() + QStringLiteral("\nFileVersion=3.4.0.1\ngarbage\n"));
  EXPECT_EQ(VersionError([&] { broken.FileVersion(); }), "Key not found");
}

// --------------------------------------------------------------------- about

class AboutBox : public TSmallWindowTest {};

TEST_F(AboutBox, ShowsTheProductTheVersionAndTheMaker) {
  const TFormAbout form(TVersionInfo(TVersionInfo::ProgramBlock("2.1.0.5")));
  EXPECT_EQ(form.windowTitle(), "关于...");
  EXPECT_EQ(form.size(), QSize(497, 331));
  EXPECT_EQ(form.lblProduct->text(), "Ormentis软件");
  EXPECT_GT(form.lblProduct->font().pointSizeF(), form.lblVersion->font().pointSizeF());
  EXPECT_EQ(form.lblVersion->text(), "版本  2.1.0.5   ");
  const QStringList labels = LabelTexts(form);
  EXPECT_TRUE(labels.contains("Ormentis以后将致力于为你提供更好的软件体验，"));
  EXPECT_TRUE(labels.contains("当然我们的软件会一直免费下去，这需要你的宣传，谢谢"));
  EXPECT_EQ(form.btnOK->text(), "OK");
  for (const TLinkLabel* link : {form.lblHomePage, form.lblSupportMail}) {
    EXPECT_EQ(link->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
  }
  EXPECT_EQ(form.lblHomePage->text(), maker::HomePage());
  EXPECT_EQ(form.lblSupportMail->text(), maker::SupportMail());
}

TEST_F(AboutBox, TheLinksOpenTheHomePageAndANewMail) {
  WhenModalShown<TFormAbout>([this](TFormAbout* form) {
    EXPECT_EQ(form->lblVersion->text(),
              QStringLiteral("版本  ") + TVersionInfo::FourPartVersion(app::ProgramVersion()) + QStringLiteral("   "));
    Click(form->lblHomePage);
    Click(form->lblSupportMail);
    ASSERT_EQ(ShellCalls.size(), 2u);
    EXPECT_EQ(ShellCalls[0], TShellCall(shell::TShellVerb::Open, maker::HomePage()));
    EXPECT_EQ(ShellCalls[1], TShellCall(shell::TShellVerb::Open, "mailto:" + maker::SupportMail()));
    SaveScreenshot(*form, "about.png");
    form->btnOK->click();
  });
  RunAboutDialog();
  EXPECT_EQ(ShellCalls.size(), 2u);
}

}  // namespace
