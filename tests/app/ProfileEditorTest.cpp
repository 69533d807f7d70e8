// The profile editor driven through its controls, on the built-in profiles.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <functional>
#include <memory>

#include "app/ProfileEditor.h"
#include "app/ProfileEditorFrame.h"
#include "profiles/BuiltInProfiles.h"
#include "profiles/CustomProfiles.h"
#include "profiles/ProfileStore.h"
#include "support/TestSupport.h"
#include "WidgetTestHelpers.h"

namespace {

using namespace widget_tests;

QStringList Texts(const QListWidget* list) {
  QStringList texts;
  for (int row = 0; row < list->count(); ++row) texts << list->item(row)->text();
  return texts;
}

class ProfileEditor : public ::testing::Test {
 protected:
  void SetUp() override { CreateBuiltInProfiles(*Profiles, Profiles.get()); }

  // The editor opened on the profile of that description.
  std::unique_ptr<TFormEditProfile> Open(const QString& description) {
    auto editor = std::make_unique<TFormEditProfile>(*Profiles);
    editor->SetCurrentProfile(Custom(description));
    editor->show();
    return editor;
  }

  TAVCustomAudioProfile* Custom(const QString& description) const {
    auto* profile = dynamic_cast<TAVCustomAudioProfile*>(Profiles->FindProfile(description));
    EXPECT_NE(profile, nullptr) << description.toStdString();
    return profile;
  }

  template <class T = QWidget>
  static T* Control(const QWidget& editor, const char* name) {
    T* control = editor.findChild<T*>(QLatin1String(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
  }

  static void Click(const QWidget& editor, const char* actionName) {
    auto* bar = Control<QToolBar>(editor, "tlbEdit");
    qobject_cast<QToolButton*>(bar->widgetForAction(Control<QAction>(editor, actionName)))->click();
  }

  std::unique_ptr<TAVProfileList> Profiles = std::make_unique<TAVProfileList>();
};

TEST_F(ProfileEditor, WindowCategoriesAndToolBar) {
  QStringList categories = BuiltInCategories();
  categories.insert(2, QStringLiteral("Images"));
  Profiles->SetCategories(categories);
  const auto editor = Open(QStringLiteral("M4V视频"));

  EXPECT_EQ(editor->windowTitle(), "编辑配置文件");
  EXPECT_EQ(editor->size(), QSize(718, 568));
  EXPECT_EQ(editor->minimumSize(), editor->maximumSize());
  EXPECT_EQ(Control(*editor, "lstCategory")->width(), 185);
  EXPECT_EQ(Control(*editor, "lstProfile")->height(), 216);
  EXPECT_EQ(Control<QToolBar>(*editor, "tlbEdit")->iconSize(), QSize(48, 48));
  EXPECT_EQ(Control<QToolBar>(*editor, "tlbEdit")->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
  EXPECT_EQ(Texts(Control<QListWidget>(*editor, "lstCategory")), BuiltInCategories());

  const QList<QAction*> actions = Control<QToolBar>(*editor, "tlbEdit")->actions();
  QStringList captions, hints;
  for (const QAction* action : actions) {
    captions << action->text();
    hints << action->toolTip();
  }
  EXPECT_EQ(captions, QStringList({"新建音频输出配置", "新建视频输出配置", "删除输出配置", "", "保存并退出"}));
  EXPECT_EQ(hints[0], "New Audio Profile");
  EXPECT_EQ(hints[1], "New Video Profile");
  EXPECT_EQ(hints[2], "Delete Profile");
  EXPECT_TRUE(actions[3]->isSeparator());
  EXPECT_EQ(hints[4], "Save and Exit");
  SaveScreenshot(*editor, QStringLiteral("profile-editor.png"));
}

TEST_F(ProfileEditor, OpensOnTheProfileWithItsCategoryAndValues) {
  const auto editor = Open(QStringLiteral("M4V视频"));
  EXPECT_EQ(Control<QListWidget>(*editor, "lstCategory")->currentItem()->text(), "视频");
  const auto* list = Control<QListWidget>(*editor, "lstProfile");
  QStringList expected;
  for (const TAVProfile* p : Profiles->ProfilesOfCategory(QStringLiteral("视频"))) expected << p->Description();
  EXPECT_EQ(Texts(list), expected);
  EXPECT_EQ(list->currentItem()->text(), "M4V视频");
  EXPECT_EQ(editor->CurrentProfile(), Custom(QStringLiteral("M4V视频")));

  EXPECT_EQ(Control<QLineEdit>(*editor, "edtDescript")->text(), "M4V视频");
  EXPECT_EQ(Control<QLineEdit>(*editor, "edtExtension")->text(), ".m4v");
  EXPECT_EQ(Control<QComboBox>(*editor, "cbbFormat")->currentText(), "MP4");
  EXPECT_EQ(Control<QComboBox>(*editor, "cbbSampleRate")->currentText(), "44100");
  EXPECT_EQ(Control<QComboBox>(*editor, "cbbAudioEncoder")->currentText(), "AAC");
  EXPECT_EQ(Control<QComboBox>(*editor, "cbbChannels")->currentText(), "stereo");
  EXPECT_EQ(Control<QComboBox>(*editor, "cbbAudioBitrate")->currentText(), "128");
  EXPECT_EQ(Control<QComboBox>(*editor, "cbbFrameSize")->currentText(), "qvga(320x240)");
  EXPECT_EQ(Control<QComboBox>(*editor, "cbbVideoEncoder")->currentText(), "H264");
  EXPECT_EQ(Control<QComboBox>(*editor, "cbbFrameRate")->currentText(), "29.97");
}

TEST_F(ProfileEditor, ListsHoldTheirFixedChoicesAndAcceptNothingElse) {
  const auto editor = Open(QStringLiteral("3GPP"));
  const auto choices = [&](const char* name) {
    const auto* list = Control<QComboBox>(*editor, name);
    EXPECT_FALSE(list->isEditable()) << name;
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->itemText(i);
    return texts;
  };
  EXPECT_EQ(choices("cbbSampleRate"), QStringList({"8000", "16000", "22050", "32000", "41000", "44100", "48000"}));
  EXPECT_EQ(choices("cbbAudioBitrate"),
            QStringList({"12.2", "32", "64", "80", "96", "112", "128", "160", "192", "224", "448"}));
  EXPECT_EQ(choices("cbbVideoBitrate"),
            QStringList({"128", "192", "256", "384", "512", "640", "768", "900", "1000", "1200", "1500",
                         "1800", "2000", "2500", "3000", "4000", "5000", "6000", "8000", "12000", "15000", "35000"}));
  EXPECT_EQ(choices("cbbChannels"), QStringList({"mono", "stereo"}));
  EXPECT_EQ(choices("cbbAudioEncoder"),
            QStringList({"AAC", "WMAV2", "AC3", "MP2", "MP3", "PCM_S16LE", "RA1", "AMR_NB", "OPUS", "FLAC"}));
  EXPECT_EQ(choices("cbbVideoEncoder"),
            QStringList({"H263", "H264", "MPEG4", "WMV2", "MPEG2VIDEO", "MSMPEGV3", "RV20", "XVID", "FLV", "HEVC", "AV1",
                         "VP9"}));
  EXPECT_EQ(choices("cbbFrameRate"), QStringList({"Original", "14.99", "20", "23.97", "24", "25", "29.97", "30"}));
  const QStringList formats = choices("cbbFormat");
  ASSERT_EQ(formats.size(), 18);
  EXPECT_EQ(formats.first(), "NONE");
  EXPECT_EQ(formats[16], "AC3");
  EXPECT_EQ(formats.last(), "MKV");
  EXPECT_EQ(choices("cbbTargetSize"),
            QStringList({"0", "10", "25", "50", "100", "200", "500", "700", "1000", "2000", "4000"}));
  const QStringList sizes = choices("cbbFrameSize");
  ASSERT_EQ(sizes.size(), 39);
  EXPECT_EQ(sizes.first(), "Original");
  EXPECT_EQ(sizes.last(), "1440x1080");

  // The fractional audio bitrate of the 3GPP target shows as its own choice.
  EXPECT_EQ(Control<QComboBox>(*editor, "cbbAudioBitrate")->currentText(), "12.2");
}

TEST_F(ProfileEditor, ChoicesWriteIntoTheProfileAtOnce) {
  const auto editor = Open(QStringLiteral("Apple Quicktime Video"));
  auto* profile = dynamic_cast<TAVCustomVideoProfile*>(Custom(QStringLiteral("Apple Quicktime Video")));
  auto* size = Control<QComboBox>(*editor, "cbbFrameSize");

  size->setCurrentIndex(size->findText(QStringLiteral("Original")));
  EXPECT_EQ(profile->FrameWidth(), 0);
  EXPECT_EQ(profile->FrameHeight(), 0);
  size->setCurrentIndex(size->findText(QStringLiteral("240x240")));
  EXPECT_EQ(profile->FrameWidth(), 240);
  EXPECT_EQ(profile->FrameHeight(), 240);

  auto* rate = Control<QComboBox>(*editor, "cbbSampleRate");
  rate->setCurrentIndex(rate->findText(QStringLiteral("41000")));
  EXPECT_EQ(profile->SampleRate(), 41000);

  Control<QComboBox>(*editor, "cbbAudioBitrate")->setCurrentIndex(0);
  EXPECT_DOUBLE_EQ(profile->AudioBitrate(), 12.2);
  Control<QComboBox>(*editor, "cbbChannels")->setCurrentIndex(0);
  EXPECT_EQ(profile->AudioChannels(), TCustomAudioChannels::mono1);
  Control<QComboBox>(*editor, "cbbAudioEncoder")->setCurrentIndex(4);
  EXPECT_EQ(profile->AudioEncoder(), TCustomAudioEncoder::MP3);
  Control<QComboBox>(*editor, "cbbFormat")->setCurrentIndex(4);
  EXPECT_EQ(profile->Format(), F_AVI);
  Control<QComboBox>(*editor, "cbbVideoEncoder")->setCurrentIndex(7);
  EXPECT_EQ(profile->VideoEncoder(), TCustomVideoEncoder::XVID);
  Control<QComboBox>(*editor, "cbbFrameRate")->setCurrentIndex(3);
  EXPECT_EQ(profile->FrameRate(), r2397);
  auto* videoRate = Control<QComboBox>(*editor, "cbbVideoBitrate");
  videoRate->setCurrentIndex(videoRate->findText(QStringLiteral("35000")));
  EXPECT_EQ(profile->VideoBitrate(), 35000);

  Control<QLineEdit>(*editor, "edtExtension")->setText(QStringLiteral("  .mov2 "));
  EXPECT_EQ(profile->Extension(), ".mov2");
}

TEST_F(ProfileEditor, ValuesThatAreNoChoiceStayUntilTheUserPicksOne) {
  const auto editor = Open(QStringLiteral("M4V视频"));
  auto* profile = dynamic_cast<TAVCustomVideoProfile*>(Custom(QStringLiteral("M4V视频")));
  EXPECT_EQ(Control<QComboBox>(*editor, "cbbVideoBitrate")->currentIndex(), -1);
  auto* rate = Control<QComboBox>(*editor, "cbbSampleRate");
  rate->setCurrentIndex(rate->findText(QStringLiteral("48000")));
  Control<QLineEdit>(*editor, "edtDescript")->setText(QStringLiteral("M4V"));
  EXPECT_EQ(profile->SampleRate(), 48000);
  EXPECT_EQ(profile->VideoBitrate(), 1600);

  // A sample rate and a frame size of no row show as no selection and are
  // kept as well.
  profile->SetSampleRate(11025);
  profile->SetFrameWidth(500);
  profile->SetFrameHeight(300);
  editor->SetCurrentProfile(profile);
  EXPECT_EQ(rate->currentIndex(), -1);
  EXPECT_EQ(Control<QComboBox>(*editor, "cbbFrameSize")->currentIndex(), -1);
  Control<QComboBox>(*editor, "cbbChannels")->setCurrentIndex(0);
  EXPECT_EQ(profile->AudioChannels(), TCustomAudioChannels::mono1);
  EXPECT_EQ(profile->SampleRate(), 11025);
  EXPECT_EQ(profile->FrameWidth(), 500);
  EXPECT_EQ(profile->FrameHeight(), 300);
}

TEST_F(ProfileEditor, AudioProfilesDisableAndClearTheVideoLists) {
  const auto editor = Open(QStringLiteral("AAC Audio"));
  const char* videoLists[] = {"cbbFrameSize", "cbbVideoEncoder", "cbbFrameRate", "cbbVideoBitrate"};
  for (const char* name : videoLists) {
    EXPECT_FALSE(Control<QComboBox>(*editor, name)->isEnabled()) << name;
    EXPECT_EQ(Control<QComboBox>(*editor, name)->currentIndex(), -1) << name;
  }
  auto* list = Control<QListWidget>(*editor, "lstProfile");
  EXPECT_EQ(list->currentItem()->text(), "AAC Audio");

  // Another category with video profiles: the lists come back.
  Control<QListWidget>(*editor, "lstCategory")->setCurrentRow(0);  // 视频
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_EQ(editor->CurrentProfile(), Profiles->ProfilesOfCategory(QStringLiteral("视频")).first());
  for (const char* name : videoLists) EXPECT_TRUE(Control<QComboBox>(*editor, name)->isEnabled()) << name;
  EXPECT_EQ(Control<QComboBox>(*editor, "cbbFrameSize")->currentText(), "Original");  // Matroska Video
}

TEST_F(ProfileEditor, TypingTheDescriptionRenamesTheListItem) {
  const auto editor = Open(QStringLiteral("Flash Video"));
  auto* field = Control<QLineEdit>(*editor, "edtDescript");
  const QListWidgetItem* item = Control<QListWidget>(*editor, "lstProfile")->currentItem();
  field->clear();
  Type(field, QStringLiteral("  F"));
  EXPECT_EQ(item->text(), "  F");
  Type(field, QStringLiteral("LV 视频"));
  EXPECT_EQ(item->text(), "  FLV 视频");
  EXPECT_EQ(Custom(QStringLiteral("FLV 视频"))->Description(), "FLV 视频");

  // Showing another profile and coming back shows the stored name.
  auto* list = Control<QListWidget>(*editor, "lstProfile");
  const int row = list->currentRow();
  list->setCurrentRow(0);
  list->setCurrentRow(row);
  EXPECT_EQ(list->item(row)->text(), "FLV 视频");
}

TEST_F(ProfileEditor, DeletingAsksAndSelectsTheNeighbour) {
  const auto editor = Open(QStringLiteral("PS3 1080 HD Video"));
  auto* list = Control<QListWidget>(*editor, "lstProfile");
  ASSERT_EQ(Texts(list), QStringList({"PS3 1080 HD Video", "PS3 720p Video", "PS3 480p Video"}));

  TBoxSeen seen;
  AnswerNextBox(QMessageBox::No, &seen);
  Click(*editor, "actDelProfile");
  EXPECT_EQ(seen.title, "Warning");
  EXPECT_EQ(seen.text, "Are you sure to delete the profile?");
  EXPECT_EQ(seen.icon, QMessageBox::Question);
  EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(list->count(), 3);
  EXPECT_NE(Profiles->FindProfile(QStringLiteral("PS3 1080 HD Video")), nullptr);

  // The second of three: the first is selected.
  const int before = Profiles->ProfileCount();
  list->setCurrentRow(1);
  AnswerNextBox(QMessageBox::Yes);
  Click(*editor, "actDelProfile");
  EXPECT_EQ(Profiles->FindProfile(QStringLiteral("PS3 720p Video")), nullptr);
  EXPECT_EQ(Profiles->ProfileCount(), before - 1);
  EXPECT_EQ(Texts(list), QStringList({"PS3 1080 HD Video", "PS3 480p Video"}));
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_EQ(editor->CurrentProfile(), Custom(QStringLiteral("PS3 1080 HD Video")));

  // The first: the new first is selected and shown.
  AnswerNextBox(QMessageBox::Yes);
  Click(*editor, "actDelProfile");
  EXPECT_EQ(Texts(list), QStringList({"PS3 480p Video"}));
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_EQ(editor->CurrentProfile(), Custom(QStringLiteral("PS3 480p Video")));
  EXPECT_EQ(Control<QLineEdit>(*editor, "edtDescript")->text(), "PS3 480p Video");

  // The last one: nothing is current any more, the panel is empty and
  // delete is disabled.
  AnswerNextBox(QMessageBox::Yes);
  Click(*editor, "actDelProfile");
  EXPECT_EQ(list->count(), 0);
  EXPECT_EQ(editor->CurrentProfile(), nullptr);
  EXPECT_FALSE(Control<QAction>(*editor, "actDelProfile")->isEnabled());
  EXPECT_EQ(Control<QLineEdit>(*editor, "edtDescript")->text(), "");
  Control<QComboBox>(*editor, "cbbSampleRate")->setCurrentIndex(0);  // must not touch a destroyed profile
  EXPECT_TRUE(Profiles->ProfilesOfCategory(QStringLiteral("PS3")).isEmpty());
}

TEST_F(ProfileEditor, NeverHandsBackADestroyedProfile) {
  TAVProfile* profile = Custom(QStringLiteral("IPad H264 Video"));
  WhenModalShown<TFormEditProfile>([&](TFormEditProfile* editor) {
    for (int i = 0; i < 2; ++i) {
      AnswerNextBox(QMessageBox::Yes);
      Click(*editor, "actDelProfile");
    }
    editor->close();
  });
  const bool ok = ShowProfileEditor(profile, *Profiles);
  EXPECT_FALSE(ok);
  EXPECT_TRUE(Profiles->ProfilesOfCategory(QStringLiteral("IPad")).isEmpty());
  ASSERT_NE(profile, nullptr);
  EXPECT_GE(Profiles->IndexOf(profile), 0);
  EXPECT_TRUE(IsCustomProfile(profile));
  EXPECT_EQ(profile, Profiles->ProfilesOfCategory(QStringLiteral("视频")).first());

  // Closing on a live profile hands that one back.
  TAVProfile* other = Custom(QStringLiteral("Zune H264 Video(320x240)"));
  WhenModalShown<TFormEditProfile>([](TFormEditProfile* editor) {
    Control<QListWidget>(*editor, "lstProfile")->setCurrentRow(0);
    editor->close();
  });
  ShowProfileEditor(other, *Profiles);
  EXPECT_EQ(other, Custom(QStringLiteral("Zune MPEG4 Video(320x240)")));
}

TEST_F(ProfileEditor, NewProfilesJoinTheSelectedCategory) {
  const auto editor = Open(QStringLiteral("IPod 320x240 Video"));
  auto* list = Control<QListWidget>(*editor, "lstProfile");
  const int count = list->count();

  Click(*editor, "actNewMusic");
  auto* audio = editor->CurrentProfile();
  ASSERT_NE(audio, nullptr);
  EXPECT_EQ(dynamic_cast<TAVCustomVideoProfile*>(audio), nullptr);
  EXPECT_EQ(audio->Description(), "New Audio Profile");
  EXPECT_EQ(audio->Category(), "IPod");
  EXPECT_EQ(audio->SampleRate(), 0);
  EXPECT_EQ(Profiles->Profiles(Profiles->ProfileCount() - 1), audio);
  EXPECT_EQ(list->count(), count + 1);
  EXPECT_EQ(list->currentRow(), count);
  EXPECT_EQ(list->currentItem()->text(), "New Audio Profile");
  EXPECT_FALSE(Control<QComboBox>(*editor, "cbbFrameSize")->isEnabled());

  Click(*editor, "actNewVideo");
  auto* video = dynamic_cast<TAVCustomVideoProfile*>(editor->CurrentProfile());
  ASSERT_NE(video, nullptr);
  EXPECT_EQ(video->Description(), "New Video Profile");
  EXPECT_EQ(list->currentItem()->text(), "New Video Profile");
  EXPECT_TRUE(Control<QComboBox>(*editor, "cbbFrameSize")->isEnabled());
  EXPECT_EQ(Control<QComboBox>(*editor, "cbbFrameSize")->currentText(), "Original");
  EXPECT_EQ(Control<QComboBox>(*editor, "cbbVideoEncoder")->currentText(), "H263");
  EXPECT_EQ(video->Owner(), Profiles.get());
}

TEST_F(ProfileEditor, ACategoryThatIsNotListedOpensWithAnEmptyList) {
  auto* profile = Custom(QStringLiteral("AAC Audio"));
  profile->SetCategory(QStringLiteral("Elsewhere"));
  const auto editor = Open(QStringLiteral("AAC Audio"));
  EXPECT_EQ(Control<QListWidget>(*editor, "lstCategory")->currentItem(), nullptr);
  EXPECT_EQ(Control<QListWidget>(*editor, "lstProfile")->count(), 0);
  EXPECT_EQ(Control<QLineEdit>(*editor, "edtDescript")->text(), "AAC Audio");
  EXPECT_FALSE(Control<QAction>(*editor, "actNewMusic")->isEnabled());
  EXPECT_EQ(editor->CurrentProfile(), profile);
}

TEST_F(ProfileEditor, SaveAndExitWritesProfilesIni) {
  QFile::remove(ProfilesIniPath());
  const auto editor = Open(QStringLiteral("Matroska Video"));
  Control<QLineEdit>(*editor, "edtDescript")->setText(QStringLiteral("MKV 影片"));
  Click(*editor, "actNewMusic");
  Click(*editor, "actExit");
  EXPECT_FALSE(editor->isVisible());
  ASSERT_TRUE(QFile::exists(ProfilesIniPath()));

  TAVProfileList stored;
  LoadProfiles(stored);
  EXPECT_EQ(stored.ProfileCount(), 61);
  ASSERT_NE(stored.FindProfile(QStringLiteral("MKV 影片")), nullptr);
  EXPECT_EQ(stored.FindProfile(QStringLiteral("Matroska Video")), nullptr);
  ASSERT_NE(stored.FindProfile(QStringLiteral("New Audio Profile")), nullptr);
  EXPECT_EQ(stored.FindProfile(QStringLiteral("New Audio Profile"))->Category(), "视频");
  QFile::remove(ProfilesIniPath());
}

TEST_F(ProfileEditor, ClosingWithoutSavingKeepsTheEditsButWritesNothing) {
  QFile::remove(ProfilesIniPath());
  const auto editor = Open(QStringLiteral("Matroska Video"));
  Control<QLineEdit>(*editor, "edtExtension")->setText(QStringLiteral(".mk4"));
  editor->close();
  EXPECT_FALSE(QFile::exists(ProfilesIniPath()));
  EXPECT_EQ(Custom(QStringLiteral("Matroska Video"))->Extension(), ".mk4");
}

}  // namespace

namespace {

TEST_F(ProfileEditor, AFileThatCannotBeWrittenIsReportedAndTheWindowStays) {
  QFile::remove(ProfilesIniPath());
  ASSERT_TRUE(QDir().mkpath(ProfilesIniPath()));  // a folder where the file should be
  testing_support::TakeErrorBoxes();
  const auto editor = Open(QStringLiteral("Matroska Video"));
  Click(*editor, "actExit");
  const QStringList boxes = testing_support::TakeErrorBoxes();
  ASSERT_EQ(boxes.size(), 1);
  EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("Cannot write "))) << boxes[0].toStdString();
  EXPECT_TRUE(editor->isVisible());
  QDir().rmdir(ProfilesIniPath());
}

}  // namespace

namespace {

TEST_F(ProfileEditor, AProfileWithoutCustomSettingsComesBackAsItWas) {
  TAVProfile* profile = Profiles->FindProfile(QStringLiteral("VCD"));
  WhenModalShown<TFormEditProfile>([](TFormEditProfile* editor) {
    EXPECT_EQ(Control<QListWidget>(*editor, "lstCategory")->currentItem(), nullptr);
    EXPECT_FALSE(Control(*editor, "FrameProfile")->isEnabled());
    editor->close();
  });
  ShowProfileEditor(profile, *Profiles);
  EXPECT_EQ(profile, Profiles->FindProfile(QStringLiteral("VCD")));
}

}  // namespace
