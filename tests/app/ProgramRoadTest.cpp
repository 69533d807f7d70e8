// The road of one conversion through the real windows: the main window opens
// the wizard for a dropped file or for "添加任务", and what the wizard hands
// back starts at once.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "MainWindowFixture.h"
#include "app/NewConversion.h"
#include "app/NewConversionWizard.h"
#include "profiles/AVProfile.h"

namespace main_window_tests {
namespace {

using namespace widget_tests;

class ProgramRoad : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    TDialogHooks::NewConversion = RunNewConversionWizard;
  }
};

TEST_F(ProgramRoad, ADroppedFileGoesThroughTheWizardAndStartsAtOnce) {
  Start();
  const QString source = ShortClip();
  QString presetTarget;
  WhenModalShown<TFormNewConversion>([&](TFormNewConversion* wizard) {
    presetTarget = Control<QLineEdit>(*wizard, "edtSavePath")->text();
    wizard->UpdateButtons();
    Control<QPushButton>(*wizard, "btnFinish")->click();
  });
  const auto [taken, shown] = DropFiles({source});
  EXPECT_TRUE(taken);
  TConvertingNode* converting = Explorer().ConvertingNode();
  ASSERT_TRUE(PumpUntil([&] { return !converting->Tasks().empty(); }, 60000));

  const TAVProfileList& profiles = dmGlobal()->ProfileList();
  const TAVProfile* first = profiles.ProfilesOfCategory(profiles.Categories().first()).first();
  const QString expected = outputFolder + "/" + QFileInfo(source).completeBaseName() + first->Extension();
  EXPECT_EQ(presetTarget, expected);
  TAVTask* task = converting->Tasks().front().get();
  EXPECT_EQ(task->Settings().TargetFile(), expected);
  EXPECT_EQ(task->Settings().SourceFile(), source);
  EXPECT_EQ(task->Settings().CategoryId(), 1);

  ASSERT_TRUE(PumpUntil([&] { return converting->Tasks().empty(); }, 120000));
  EXPECT_TRUE(QFileInfo(expected).size() > 0);
  Explorer().SelectNode(Explorer().RootNode());
  ASSERT_EQ(List().Model().rowCount(), 1);
}

TEST_F(ProgramRoad, ACancelledWizardStartsNothing) {
  Start();
  WhenModalShown<TFormNewConversion>([](TFormNewConversion* wizard) {
    Control<QPushButton>(*wizard, "btnCancel")->click();
  });
  Window().actNewConversion->trigger();
  EXPECT_TRUE(Explorer().ConvertingNode()->Tasks().empty());
  EXPECT_EQ(List().Model().rowCount(), 0);
}

}  // namespace
}  // namespace main_window_tests
