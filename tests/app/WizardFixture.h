#pragma once
// The new-conversion dialog on its own, with the built-in profiles, the
// output folder in a temporary folder and the file dialogs answered by the
// test; clips made for its tests and helpers to drive it.

#include <gtest/gtest.h>

#include <QAction>
#include <QCompleter>
#include <QFileSystemModel>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <memory>

#include "WidgetTestHelpers.h"
#include "app/DvdDriveSelector.h"
#include "app/InfoPanel.h"
#include "app/NewConversion.h"
#include "app/NewConversionWizard.h"
#include "app/PreviewControl.h"
#include "app/ProfileEditor.h"
#include "dvd/DvdFixture.h"
#include "engine/ConversionSupport.h"
#include "engine/ErrorBox.h"
#include "filters/FilterStrings.h"
#include "filters/VideoFilters.h"
#include "media/StreamInput.h"
#include "profiles/BuiltInProfiles.h"
#include "profiles/CustomProfiles.h"
#include "tasks/Configuration.h"
#include "tasks/ConversionSettings.h"

namespace wizard_tests {

using namespace widget_tests;
using namespace testing_support;

inline const QString Fonts = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");

inline QStringList Items(const QComboBox* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->itemText(i);
  return texts;
}

inline QStringList Labels(const QWidget& window) {
  QStringList texts;
  for (const QLabel* label : window.findChildren<QLabel*>()) texts << label->text();
  return texts;
}

// 2 s of 320x240 test pattern with sound.
inline QString ShortClip() { return MediaFixture({}); }

// 90 minutes of a tiny picture at one frame a second: cheap to make and seek.
inline QString LongClip() {
  MediaSpec clip;
  clip.seconds = 5400;
  clip.width = 64;
  clip.height = 48;
  clip.rate = QStringLiteral("1");
  clip.audioCodec.clear();
  return MediaFixture(clip);
}

// 1 s of black, so that each filter leaves a mark of its own.
inline QString BlackClip() {
  MediaSpec clip;
  clip.seconds = 1;
  clip.videoSource = QStringLiteral("color");
  return MediaFixture(clip);
}

// A stream nobody opens, to learn which numbers are in use.
class TEmptyStream : public media::TByteStream {
 public:
  int Read(void*, int) override { return 0; }
  int64_t Seek(int64_t, media::TSeekOrigin) override { return 0; }
  int64_t Size() override { return 0; }
};

inline TConversionResult Convert(const TConversionSettings& settings) {
  TAVConverter converter;
  converter.SetInputFiles({settings.SourceFile()});
  converter.SetOutputFiles({settings.TargetFile()});
  converter.SetConvertOptions(settings.ConvertOptions());
  return RunConversion(converter);
}

class NewConversionWizard : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateBuiltInProfiles(*Profiles, Profiles.get());
    Output = TemporaryFolder();
    AVConfiguration().SetOutputFolder(Output);
    SetWizardPathChooser([this](QWidget*, TWizardPathKind kind, const QString& filter) {
      AskedKinds.push_back(kind);
      AskedFilters << filter;
      if (!NextPaths.isEmpty()) return NextPaths;
      return NextPath.isEmpty() ? QStringList() : QStringList{NextPath};
    });
    TakeErrorBoxes();
  }
  void TearDown() override {
    SetWizardPathChooser(nullptr);
    TLogoFilter::DialogHook = nullptr;
    TOverlayTextFilter::DialogHook = nullptr;
    TSubtitleFilter::DialogHook = nullptr;
    TVideoStdFilter::DialogHook = nullptr;
  }

  std::unique_ptr<TFormNewConversion> Open(const QString& source = {}) {
    auto wizard = std::make_unique<TFormNewConversion>(*Profiles);
    if (!source.isEmpty()) wizard->SetSourceFile(source);
    wizard->show();
    return wizard;
  }

  static void Choose(QComboBox* list, const QString& text) {
    const int index = list->findText(text);
    ASSERT_GE(index, 0) << text.toStdString();
    list->setCurrentIndex(index);
  }

  // Finishes through the button; the settings handed back.
  static std::unique_ptr<TConversionSettings> Finish(TFormNewConversion& wizard) {
    wizard.UpdateButtons();
    QPushButton* finish = Control<QPushButton>(wizard, "btnFinish");
    EXPECT_TRUE(finish->isEnabled());
    finish->click();
    EXPECT_EQ(wizard.result(), QDialog::Accepted);
    return wizard.TakeSettings();
  }

  // The DVD tab with a disc chosen through its browse button.
  void OpenDisc(TFormNewConversion& wizard, const QString& path) {
    Control<QTabWidget>(wizard, "tabSource")->setCurrentIndex(1);
    NextPath = path;
    Control<QToolButton>(wizard, "btnBrowseDvd")->click();
  }

  std::unique_ptr<TAVProfileList> Profiles = std::make_unique<TAVProfileList>();
  QString Output;
  QString NextPath;
  QStringList NextPaths;  // several files chosen at once, when set
  std::vector<TWizardPathKind> AskedKinds;
  QStringList AskedFilters;
};

}  // namespace wizard_tests
