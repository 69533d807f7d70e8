// The options window driven through its controls: what it shows from the
// configuration, what OK stores and saves, what Cancel leaves alone.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTreeWidget>
#include <climits>

#include "app/FolderEdit.h"
#include "app/OptionsDialog.h"
#include "support/TestSupport.h"
#include "SmallWindowFixtures.h"
#include "WidgetTestHelpers.h"

using namespace widget_tests;
using namespace small_windows;
using testing_support::TakeErrorBoxes;
using testing_support::TemporaryFolder;

namespace {

QStringList LabelTexts(const QWidget& window) {
  QStringList texts;
  for (const QLabel* label : window.findChildren<QLabel*>()) texts << label->text();
  return texts;
}

class OptionsDialog : public TSmallWindowTest {
 protected:
  void SetUp() override {
    TSmallWindowTest::SetUp();
    TAVConfiguration& c = AVConfiguration();
    c.PerformanceOptions().SetThreadCount(0);
    c.PerformanceOptions().SetThreadPrority(2);
    c.SetOutputFolder(QStringLiteral("/srv/videos"));
    c.SetShowAlert(true);
  }
};

TEST_F(OptionsDialog, ShowsTheConfigurationAndOkStoresAndSavesTheChoices) {
  const QString folder = TemporaryFolder() + QStringLiteral("/转换");
  WhenModalShown<TFormOptions>([&](TFormOptions* form) {
    EXPECT_EQ(form->windowTitle(), "选项");
    EXPECT_EQ(form->size(), QSize(650, 382));
    ASSERT_EQ(form->tvOptions->topLevelItemCount(), 2);
    EXPECT_EQ(form->tvOptions->topLevelItem(0)->text(0), "常规");
    EXPECT_EQ(form->tvOptions->topLevelItem(1)->text(0), "性能");
    EXPECT_EQ(form->tvOptions->currentItem(), form->tvOptions->topLevelItem(0));
    EXPECT_EQ(form->pgOptions->currentIndex(), 0);
    EXPECT_EQ(form->btnOK->text(), "确定");
    EXPECT_EQ(form->btnCancel->text(), "放弃");
    const QStringList labels = LabelTexts(*form);
    for (const char* text : {"Output Folder", "Thread Priority", "Low", "High", "Thread Count"})
      EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;

    EXPECT_EQ(form->edtOutputFolder->Folder(), "/srv/videos");
    EXPECT_EQ(form->edtOutputFolder->BrowseFolder(), "/srv/videos");
    EXPECT_EQ(form->chkShowAlert->text(), "Show Alert When Conversion Completed");
    EXPECT_TRUE(form->chkShowAlert->isChecked());
    EXPECT_EQ(form->tbPriority->minimum(), 0);
    EXPECT_EQ(form->tbPriority->maximum(), 5);
    EXPECT_EQ(form->tbPriority->value(), 2);
    ASSERT_EQ(form->cmbThreadCount->count(), 33);
    EXPECT_EQ(form->cmbThreadCount->itemText(0), "Automatic(use all CPU(s))");
    EXPECT_EQ(form->cmbThreadCount->itemText(1), "1");
    EXPECT_EQ(form->cmbThreadCount->itemText(32), "32");
    EXPECT_EQ(form->cmbThreadCount->currentText(), "Automatic(use all CPU(s))");

    form->edtOutputFolder->Edit()->clear();
    Type(form->edtOutputFolder->Edit(), folder);
    form->chkShowAlert->click();
    form->tvOptions->setCurrentItem(form->tvOptions->topLevelItem(1));
    EXPECT_EQ(form->pgOptions->currentIndex(), 1);
    form->cmbThreadCount->setCurrentIndex(form->cmbThreadCount->findText("4"));
    form->tbPriority->setValue(4);
    SaveScreenshot(*form, "options.png");
    form->btnOK->click();
  });
  EXPECT_TRUE(RunOptionsDialog());

  const TAVConfiguration& c = AVConfiguration();
  EXPECT_EQ(c.PerformanceOptions().ThreadCount(), 4);
  EXPECT_EQ(c.PerformanceOptions().ThreadPrority(), 4);
  EXPECT_EQ(c.OutputFolder(), folder);
  EXPECT_FALSE(c.ShowAlert());
  EXPECT_EQ(NiceValues, std::vector<int>{tasks::NiceValueOfLevel(4)}) << "the priority is applied at once";

  ASSERT_TRUE(QFile::exists(TAVConfiguration::GetConfigFile()));
  EXPECT_TRUE(TAVConfiguration::GetConfigFile().startsWith(QDir::tempPath()));
  const auto saved = ConfigurationOnDisk();
  EXPECT_EQ(saved->PerformanceOptions().ThreadCount(), 4);
  EXPECT_EQ(saved->PerformanceOptions().ThreadPrority(), 4);
  EXPECT_EQ(saved->OutputFolder(), folder);
  EXPECT_FALSE(saved->ShowAlert());
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
}

TEST_F(OptionsDialog, CancelChangesNothing) {
  WhenModalShown<TFormOptions>([](TFormOptions* form) {
    form->cmbThreadCount->setCurrentIndex(8);
    form->tbPriority->setValue(5);
    form->edtOutputFolder->SetFolder(QStringLiteral("/elsewhere"));
    form->chkShowAlert->setChecked(false);
    form->btnCancel->click();
  });
  EXPECT_FALSE(RunOptionsDialog());

  const TAVConfiguration& c = AVConfiguration();
  EXPECT_EQ(c.PerformanceOptions().ThreadCount(), 0);
  EXPECT_EQ(c.PerformanceOptions().ThreadPrority(), 2);
  EXPECT_EQ(c.OutputFolder(), "/srv/videos");
  EXPECT_TRUE(c.ShowAlert());
  EXPECT_TRUE(NiceValues.empty());
  EXPECT_FALSE(QFile::exists(TAVConfiguration::GetConfigFile()));
}

// A Config.Xml without a thread count reads as the smallest integer; the
// list cannot show that, so it shows (and OK stores) automatic.
TEST_F(OptionsDialog, AThreadCountOutsideTheListShowsAsAutomatic) {
  for (const int count : {INT_MIN, -1, 33}) {
    AVConfiguration().PerformanceOptions().SetThreadCount(count);
    WhenModalShown<TFormOptions>([count](TFormOptions* form) {
      EXPECT_EQ(form->cmbThreadCount->currentIndex(), 0) << count;
      form->btnOK->click();
    });
    EXPECT_TRUE(RunOptionsDialog());
    EXPECT_EQ(AVConfiguration().PerformanceOptions().ThreadCount(), 0) << count;
  }
}

TEST_F(OptionsDialog, AFailedSaveIsReportedAndTheNewValuesStay) {
  // The data folder cannot be made: a file stands where a folder must be.
  const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
  const QString blocked = TemporaryFolder();
  QFile file(blocked + QStringLiteral("/Ormentis"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  qputenv("XDG_DATA_HOME", blocked.toUtf8());

  WhenModalShown<TFormOptions>([](TFormOptions* form) {
    form->cmbThreadCount->setCurrentIndex(2);
    form->btnOK->click();
  });
  const bool accepted = RunOptionsDialog();
  qputenv("XDG_DATA_HOME", dataHome);

  EXPECT_TRUE(accepted);
  const QStringList boxes = TakeErrorBoxes();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_TRUE(boxes[0].startsWith("Unable to create directory")) << boxes[0].toStdString();
  EXPECT_EQ(AVConfiguration().PerformanceOptions().ThreadCount(), 2);
}

}  // namespace
