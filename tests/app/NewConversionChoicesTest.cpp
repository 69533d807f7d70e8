// The wizard's choices beyond one file: a batch of files with their lengths
// and target names, a folder's media files, the DVD chapter range and angle,
// another audio track, and the preview through the filters of page 2.

#include <QCheckBox>
#include <QTreeWidget>

#include "WizardFixture.h"

using namespace wizard_tests;

namespace {

QString MadeFile(const QString& path, const QByteArray& bytes = "x") {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  return path;
}

QString CopiedClip(const QString& path) {
  QDir().mkpath(QFileInfo(path).path());
  EXPECT_TRUE(QFile::copy(ShortClip(), path));
  return path;
}

QStringList Column(const QTreeWidget* list, int column) {
  QStringList texts;
  for (int i = 0; i < list->topLevelItemCount(); ++i) texts << list->topLevelItem(i)->text(column);
  return texts;
}

QStringList Targets(const TNewConversions& batch) {
  QStringList targets;
  for (const auto& settings : batch) targets << settings->TargetFile();
  return targets;
}

bool Probed(const QTreeWidget* list) { return !Column(list, 1).contains(QStringLiteral("…")); }

}  // namespace

TEST_F(NewConversionWizard, ABatchListsItsFilesWithTheirLengthsAndNamesEachTarget) {
  const QString folder = TemporaryFolder();
  const QString first = CopiedClip(folder + "/a/clip.avi"), second = CopiedClip(folder + "/b/clip.avi");
  const QString notes = MadeFile(folder + "/notes.avi", "no pictures here\n");
  const auto wizard = Open();
  auto* list = Control<QTreeWidget>(*wizard, "lstSources");
  auto* target = Control<QLineEdit>(*wizard, "edtSavePath");
  NextPaths = {first, notes, second};
  Control<QToolButton>(*wizard, "btnBrowse")->click();
  EXPECT_TRUE(TakeErrorBoxes().isEmpty()) << "several files are looked at in the background";
  EXPECT_EQ(Column(list, 0), QStringList({"clip.avi", "notes.avi", "clip.avi"}));
  EXPECT_EQ(Control<QLineEdit>(*wizard, "edtSource")->text(), first);
  EXPECT_EQ(target->text(), Output) << "a batch's target field holds its folder";
  ASSERT_TRUE(PumpUntil([&] { return Probed(list); }));
  EXPECT_EQ(Column(list, 1), QStringList({"0:0:2", "无效的文件", "0:0:2"}));
  SaveScreenshot(*wizard, "wizard-batch.png");

  // Another source is previewed; the folder typed, the range and the profile
  // hold for all.
  target->setText(Output + "/sub");
  list->setCurrentItem(list->topLevelItem(2));
  EXPECT_EQ(Control<QLineEdit>(*wizard, "edtSource")->text(), second);
  Choose(Control<QComboBox>(*wizard, "cbbProfile"), "Flash Video");
  EXPECT_EQ(target->text(), Output + "/sub");
  wizard->UpdateButtons();
  Control<QPushButton>(*wizard, "btnFinish")->click();
  const TNewConversions batch = wizard->TakeAllSettings();
  EXPECT_EQ(Targets(batch), QStringList({Output + "/sub/clip.flv", Output + "/sub/clip (2).flv"}));
  ASSERT_EQ(batch.size(), 2u);
  EXPECT_EQ(batch[1]->SourceFile(), second);
  EXPECT_NEAR(batch[1]->Duration(), 2.0, 0.1);
  EXPECT_EQ(batch[1]->Profile(), "Flash Video");
}

TEST_F(NewConversionWizard, RemovingFilesDownToOneMakesTheTargetAFileAgain) {
  const QString folder = TemporaryFolder();
  const auto wizard = Open(CopiedClip(folder + "/one.avi"));
  wizard->AddSourceFiles({CopiedClip(folder + "/two.avi"), folder + "/one.avi"});
  auto* list = Control<QTreeWidget>(*wizard, "lstSources");
  EXPECT_EQ(wizard->SourceFiles(), QStringList({folder + "/one.avi", folder + "/two.avi"})) << "listed once";
  EXPECT_EQ(Control<QLineEdit>(*wizard, "edtSavePath")->text(), Output);
  list->topLevelItem(0)->setSelected(true);
  Control<QPushButton>(*wizard, "btnRemoveSource")->click();
  EXPECT_EQ(wizard->SourceFiles(), QStringList({folder + "/two.avi"}));
  EXPECT_EQ(Control<QLineEdit>(*wizard, "edtSavePath")->text(), Output + "/two.mkv");
}

TEST_F(NewConversionWizard, AFolderAddsItsMediaFilesInNameOrder) {
  const QString folder = TemporaryFolder();
  for (const char* name : {"b10.MKV", "a.mp4", "b2.avi", "notes.txt", "pic.png", "sub/c.mp3"})
    MadeFile(folder + "/" + name);
  const struct {
    bool subFolders;
    QStringList names;
  } cases[] = {
      {false, {"a.mp4", "b2.avi", "b10.MKV"}},
      {true, {"a.mp4", "b2.avi", "b10.MKV", "sub/c.mp3"}},
  };
  for (const auto& c : cases) {
    QStringList expected;
    for (const QString& name : c.names) expected << folder + "/" + name;
    EXPECT_EQ(MediaFilesInFolder(folder, c.subFolders), expected);
    const auto wizard = Open();
    Control<QCheckBox>(*wizard, "chkSubFolders")->setChecked(c.subFolders);
    NextPath = folder;
    Control<QPushButton>(*wizard, "btnAddFolder")->click();
    EXPECT_EQ(AskedKinds.back(), TWizardPathKind::SourceFolder);
    EXPECT_EQ(wizard->SourceFiles(), expected);
  }
  const auto wizard = Open();
  NextPath = TemporaryFolder();
  Control<QPushButton>(*wizard, "btnAddFolder")->click();
  EXPECT_EQ(TakeErrorBoxes(), QStringList({"文件夹里没有视频或音频文件"}));
}

TEST_F(NewConversionWizard, AChapterRangeChosenConvertsOnlyThoseChapters) {
  const TAuthoredDvd& disc = AuthoredDvd();
  ASSERT_FALSE(disc.Iso.isEmpty());
  const auto wizard = Open();
  OpenDisc(*wizard, disc.Iso);
  auto* first = Control<QComboBox>(*wizard, "cbbChapter");
  auto* last = Control<QComboBox>(*wizard, "cbbThrough");
  // The first chapter never passes the last, nor the last the first.
  const struct {
    QComboBox* moved;
    QString to, first, last;
  } steps[] = {
      {first, "4", "4", "5"}, {last, "2", "2", "2"}, {last, "3", "2", "3"}, {first, "5", "5", "5"},
      {last, "1", "1", "1"},  {last, "3", "1", "3"}, {first, "2", "2", "3"},
  };
  for (const auto& step : steps) {
    Choose(step.moved, step.to);
    EXPECT_EQ(first->currentText() + "-" + last->currentText(), step.first + "-" + step.last)
        << (step.moved == first ? "first " : "last ") << step.to.toStdString();
  }
  EXPECT_EQ(Control<QLabel>(*wizard, "lblDuration")->text(), "0:0:4") << "the preview shows the range";
  EXPECT_EQ(Items(Control<QComboBox>(*wizard, "cbbAngle")), QStringList({"1"}));
  const auto settings = Finish(*wizard);
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->DvdChapter(), 2);
  EXPECT_EQ(settings->DvdThrough(), 3);
  const TConversionResult result = Convert(*settings);
  ASSERT_TRUE(result.Succeeded()) << result.errorMsg.toStdString();
  EXPECT_NEAR(ProbeFormat(settings->TargetFile(), "duration").toDouble(), 2 * ChapterSeconds, 0.3);
}

TEST_F(NewConversionWizard, TheSecondAudioTrackChosenIsTheOneConverted) {
  const QString source = TwoAudioTracksFixture();
  const struct {
    QString category, profile;
  } cases[] = {{"视频", "Matroska Video"}, {"视频", "Flash Video"}, {"音频", "MP3 Audio"}, {"音频", "AAC Audio"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.profile.toStdString());
    const auto wizard = Open(source);
    auto* audio = Control<QComboBox>(*wizard, "cbbAudioTrack");
    auto* subtitles = Control<QComboBox>(*wizard, "cbbSubtitleTrack");
    ASSERT_TRUE(PumpUntil([&] { return audio->count() == 2; }));
    EXPECT_EQ(Items(audio), QStringList({"1. mp2, 1声道", "2. mp2, 1声道"}));
    EXPECT_EQ(audio->currentIndex(), 0) << "the track a conversion takes by itself";
    EXPECT_TRUE(audio->isEnabled());
    // One text track: kept as it is, or burnt into the pictures.
    EXPECT_EQ(Items(subtitles), QStringList({"1. subrip", "烧录: 1. subrip"}));
    EXPECT_EQ(subtitles->currentIndex(), 0);
    Choose(Control<QComboBox>(*wizard, "cbbCategory"), c.category);
    Choose(Control<QComboBox>(*wizard, "cbbProfile"), c.profile);
    audio->setCurrentIndex(1);
    const auto settings = Finish(*wizard);
    ASSERT_NE(settings, nullptr);
    EXPECT_FALSE(settings->ConvertOptions().StreamMaps().isEmpty());
    const TConversionResult result = Convert(*settings);
    ASSERT_TRUE(result.Succeeded()) << result.errorMsg.toStdString() << result.errorBoxes.join('\n').toStdString();
    EXPECT_LT(AudioRms(settings->TargetFile(), 0.2, 0.6), 500) << "the quiet second track";
  }
}

TEST_F(NewConversionWizard, ASubtitleTrackChosenToBeBurntIsDrawnIntoThePictures) {
  const auto wizard = Open(TwoAudioTracksFixture());
  auto* subtitles = Control<QComboBox>(*wizard, "cbbSubtitleTrack");
  ASSERT_TRUE(PumpUntil([&] { return subtitles->count() == 2; }));
  Choose(Control<QComboBox>(*wizard, "cbbCategory"), "视频");
  Choose(Control<QComboBox>(*wizard, "cbbProfile"), "Matroska Video");
  subtitles->setCurrentIndex(1);
  const auto settings = Finish(*wizard);
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->ConvertOptions().FilterOptions().VideoFilters(), "burn=stream$0");
  EXPECT_TRUE(settings->ConvertOptions().SubtitleOptions().SubtitleDisable());
  const TConversionResult result = Convert(*settings);
  ASSERT_TRUE(result.Succeeded()) << result.errorMsg.toStdString() << result.log.join('\n').toStdString();
  EXPECT_EQ(ProbeStream(settings->TargetFile(), "s:0", "codec_name"), "") << "no soft track beside";
  // "Hello" is drawn over the pictures: they differ from the same conversion without it, which would match.
  TConversionSettings plain;
  plain.Assign(*settings);
  plain.SetTargetFile(Target("plain.mkv"));
  plain.ConvertOptions().FilterOptions().SetVideoFilters(QString());
  ASSERT_TRUE(Convert(plain).Succeeded());
  EXPECT_LT(Psnr(GrayFrame(plain.TargetFile(), 10), GrayFrame(settings->TargetFile(), 10)), 40.0);
}

TEST_F(NewConversionWizard, TheFilteredPreviewShowsTheLogoWhereItWillBe) {
  const QString logo = TemporaryFolder() + "/logo.png";
  QImage red(16, 16, QImage::Format_RGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(red.save(logo));
  TLogoFilter::DialogHook = [&](TLogoFilter& f, TFilterDialogMode) {
    f.SetLogoFile(logo);
    f.SetX(200), f.SetY(150);
    return true;
  };
  const auto wizard = Open(BlackClip());
  auto* preview = Control<TAVPreview>(*wizard, "pvPreview");
  auto* filtered = Control<QCheckBox>(*wizard, "chkFilterPreview");
  Control<QPushButton>(*wizard, "btnNext")->setEnabled(true);
  Control<QPushButton>(*wizard, "btnNext")->click();
  Control<QAction>(*wizard, "actNewLogoFilter")->trigger();
  Control<QPushButton>(*wizard, "btnBack")->click();
  const auto redness = [&] { return preview->Bitmap().pixelColor(208, 158).red(); };
  EXPECT_LT(redness(), 40) << "the plain picture first";
  filtered->setChecked(true);
  EXPECT_GT(redness(), 200);
  EXPECT_TRUE(preview->FilterError().isEmpty()) << preview->FilterError().toStdString();
  SaveScreenshot(*wizard, "wizard-filtered-preview.png");
  filtered->setChecked(false);
  EXPECT_LT(redness(), 40);
  // What the preview shows is converted, from page 1 too.
  filtered->setChecked(true);
  const auto settings = Finish(*wizard);
  ASSERT_NE(settings, nullptr);
  EXPECT_TRUE(settings->ConvertOptions().FilterOptions().VideoFilters().startsWith("logo=200|150|"));
}

TEST_F(NewConversionWizard, FiltersThatCannotBePreviewedSayWhy) {
  const QString logo = TemporaryFolder() + "/gone.png";
  QImage(8, 8, QImage::Format_RGB32).save(logo);
  TLogoFilter::DialogHook = [&](TLogoFilter& f, TFilterDialogMode) {
    f.SetLogoFile(logo);
    return true;
  };
  const auto wizard = Open(BlackClip());
  Control<QAction>(*wizard, "actNewLogoFilter")->trigger();
  QFile::remove(logo);
  Control<QCheckBox>(*wizard, "chkFilterPreview")->setChecked(true);
  auto* preview = Control<TAVPreview>(*wizard, "pvPreview");
  EXPECT_TRUE(preview->FilterError().contains("logo file not found")) << preview->FilterError().toStdString();
  EXPECT_FALSE(preview->Bitmap().isNull()) << "the plain picture stays";
}
