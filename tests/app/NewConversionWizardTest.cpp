// The new-conversion dialog driven through its controls: sources from a file
// and from an authored DVD, profiles and target names, the time range, the
// filters of page 2, and the settings it hands back, some of them converted.

#include "WizardFixture.h"

using namespace wizard_tests;

TEST_F(NewConversionWizard, WindowPagesAndTexts) {
  const auto wizard = Open();
  EXPECT_EQ(wizard->windowTitle(), "转换向导： 先选择\"输入文件\"  再设置\"输出配置\"   最后点\"开始转换\"");
  EXPECT_EQ(wizard->size(), QSize(674, 475));
  EXPECT_EQ(wizard->minimumSize(), wizard->maximumSize());
  EXPECT_EQ(Control<QPushButton>(*wizard, "btnBack")->text(), "< 返回");
  EXPECT_EQ(Control<QPushButton>(*wizard, "btnNext")->text(), "更多选项 >");
  EXPECT_EQ(Control<QPushButton>(*wizard, "btnFinish")->text(), "开始转换(&S)");
  EXPECT_EQ(Control<QPushButton>(*wizard, "btnCancel")->text(), "放弃");
  EXPECT_EQ(Control<QLabel>(*wizard, "lblTitle")->text(), "选择要转的文件");

  auto* tabs = Control<QTabWidget>(*wizard, "tabSource");
  EXPECT_EQ(tabs->currentIndex(), 0);
  EXPECT_EQ(tabs->tabText(0), "视频文件");
  EXPECT_EQ(tabs->tabText(1), "Dvd");
  const QStringList labels = Labels(*wizard);
  for (const char* text : {"输入文件:", "光驱:", "标题:", "拍摄角度:", "开始节:", "终了节:", "输出配置:", "保存路径:",
                           "时间设置:"})
    EXPECT_TRUE(labels.contains(QString::fromUtf8(text))) << text;
  EXPECT_TRUE(Control<QLineEdit>(*wizard, "edtSource")->isReadOnly());
  EXPECT_EQ(wizard->focusWidget(), Control<QLineEdit>(*wizard, "edtSource"));
  EXPECT_NE(Control<TDvdCombo>(*wizard, "cbbDrive"), nullptr);
  // The angle and the chapter range are offered as well as the title.
  for (const char* name : {"cbbTitle", "cbbAngle", "cbbChapter", "cbbThrough"})
    EXPECT_TRUE(Control<QComboBox>(*wizard, name)->isEnabled()) << name;

  QCompleter* completer = Control<QLineEdit>(*wizard, "edtSavePath")->completer();
  ASSERT_NE(completer, nullptr);
  EXPECT_NE(qobject_cast<QFileSystemModel*>(completer->model()), nullptr);

  EXPECT_EQ(Control<TAVPreview>(*wizard, "pvPreview")->size(), QSize(216, 163));
  EXPECT_EQ(Control<QPushButton>(*wizard, "btnSetStart")->text(), "设置开始点");
  EXPECT_EQ(Control<QPushButton>(*wizard, "btnSetEnd")->text(), "设置结束点");
  for (const char* name : {"lblDuration", "lblStart", "lblEnd"})
    EXPECT_EQ(Control<QLabel>(*wizard, name)->text(), "00:00:00") << name;
  // Nothing to preview: the time controls wait for a source.
  EXPECT_FALSE(Control<QSlider>(*wizard, "tbTime")->isEnabled());
  EXPECT_FALSE(Control<QPushButton>(*wizard, "btnSetStart")->isEnabled());
  auto* info = Control<TFrameVideoInfo>(*wizard, "FrameVideoInfo");
  EXPECT_EQ(info->VideoGroup()->title(), "视频信息");
  EXPECT_EQ(info->AudioGroup()->title(), "音频信息");

  // Page 2 and back.
  wizard->UpdateButtons();
  EXPECT_FALSE(Control<QPushButton>(*wizard, "btnBack")->isEnabled());
  auto* pages = Control<QStackedWidget>(*wizard, "pgPages");
  wizard->findChild<QPushButton*>("btnNext")->setEnabled(true);  // the rule is tested on its own
  Control<QPushButton>(*wizard, "btnNext")->click();
  EXPECT_EQ(pages->currentIndex(), 1);
  EXPECT_EQ(Control<QLabel>(*wizard, "lblTitle")->text(), "更多设置...");
  EXPECT_TRUE(Control<QPushButton>(*wizard, "btnBack")->isEnabled());
  EXPECT_FALSE(Control<QPushButton>(*wizard, "btnNext")->isEnabled());
  auto* newFilter = Control<QToolButton>(*wizard, "btnNewFilter");
  EXPECT_EQ(newFilter->text(), "New Filter");
  QStringList kinds;
  for (const QAction* action : newFilter->menu()->actions()) kinds << action->text();
  EXPECT_EQ(kinds, QStringList({"新建标准水印", "新建Logo水印", "新建文字水印", "新建字幕"}));
  EXPECT_EQ(Control<QAction>(*wizard, "actEditFilter")->text(), "编辑水印配置");
  EXPECT_EQ(Control<QAction>(*wizard, "actDeleteFilter")->text(), "删除");
  EXPECT_FALSE(Control<QAction>(*wizard, "actEditFilter")->isEnabled());
  EXPECT_FALSE(Control<QAction>(*wizard, "actDeleteFilter")->isEnabled());
  Control<QPushButton>(*wizard, "btnBack")->click();
  EXPECT_EQ(pages->currentIndex(), 0);
  EXPECT_EQ(Control<QLabel>(*wizard, "lblTitle")->text(), "选择要转的文件");
}

TEST_F(NewConversionWizard, InitialEngineOptions) {
  const auto wizard = Open();
  const TAVConvertOptions& o = wizard->ConvertOptions();
  EXPECT_EQ(o.AudioOptions().AudioVolume(), 256);
  EXPECT_EQ(o.AudioOptions().AudioQScale(), -99999.0f);
  EXPECT_EQ(o.AudioOptions().AudioDriftThreshold(), 0.1f);
  EXPECT_EQ(o.AudioOptions().AudioChannels(), 0);
  EXPECT_EQ(o.AudioOptions().AudioSampleRate(), 0);
  EXPECT_EQ(o.AudioOptions().AudioSampleFmt(), sfAuto);
  EXPECT_FALSE(o.AudioOptions().AudioDisable());
  EXPECT_EQ(o.VideoOptions().VideoSyncMethod(), -1);
  EXPECT_EQ(o.VideoOptions().TopFieldFirst(), -1);
  EXPECT_EQ(o.VideoOptions().MaxFrames(), 2147483647);
  EXPECT_EQ(o.MuxerOptions().MuxPreload(), 0.5f);
  EXPECT_EQ(o.MuxerOptions().MuxMaxDelay(), 0.7f);
  EXPECT_EQ(o.RecordingTime(), INT64_MAX);
  EXPECT_EQ(o.StartTime(), 0);
}

TEST_F(NewConversionWizard, BrowsingProbesTheFile) {
  const auto wizard = Open();
  auto* source = Control<QLineEdit>(*wizard, "edtSource");
  EXPECT_EQ(NewConversionSourceFilter,
            "Video Files(*.flv;*.wmv;*.mp4;*.avi;*.mkv;*.mpg;*.mpeg;*.mov)|*.flv;*.wmv;*.mp4;*.avi;*.mkv;*.mpg;*.mpeg;"
            "*.mov|Picture Files(*.bmp;*.jpg;*.gif;*.tiff;*.png)|*.bmp;*.jpg;*.gif;*.tiff;*.png|Audio Files "
            "(*.wav;*.mp3)|*.wav;*.mp3|All Files(*.*)|*.*");

  // A text file is no media file: refused, the field keeps its text.
  QFile text(TemporaryFolder() + QStringLiteral("/notes.avi"));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("these are not pictures\n");
  text.close();
  NextPath = text.fileName();
  Control<QToolButton>(*wizard, "btnBrowse")->click();
  EXPECT_EQ(TakeErrorBoxes(), QStringList({"无效的文件"}));
  EXPECT_EQ(source->text(), "");
  ASSERT_EQ(AskedFilters.size(), 1);
  EXPECT_EQ(AskedKinds[0], TWizardPathKind::SourceFile);
  EXPECT_EQ(AskedFilters[0],
            "Video Files(*.flv;*.wmv;*.mp4;*.avi;*.mkv;*.mpg;*.mpeg;*.mov) (*.flv *.wmv *.mp4 *.avi *.mkv *.mpg *.mpeg "
            "*.mov);;Picture Files(*.bmp;*.jpg;*.gif;*.tiff;*.png) (*.bmp *.jpg *.gif *.tiff *.png);;Audio Files "
            "(*.wav;*.mp3) (*.wav *.mp3);;All Files(*.*) (*.*)");

  // A media file is taken, then one that has vanished is refused too.
  NextPath = ShortClip();
  Control<QToolButton>(*wizard, "btnBrowse")->click();
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
  EXPECT_EQ(source->text(), NextPath);
  NextPath = TemporaryFolder() + QStringLiteral("/gone.avi");
  Control<QToolButton>(*wizard, "btnBrowse")->click();
  EXPECT_EQ(TakeErrorBoxes(), QStringList({"无效的文件"}));
  EXPECT_EQ(source->text(), ShortClip());

  // Giving up the browse dialog changes nothing.
  NextPath.clear();
  Control<QToolButton>(*wizard, "btnBrowse")->click();
  EXPECT_EQ(source->text(), ShortClip());
}

TEST_F(NewConversionWizard, APresetFileSetsTargetPreviewAndButtons) {
  const QString clip = ShortClip();
  WhenModalShown<TFormNewConversion>([&](TFormNewConversion* wizard) {
    EXPECT_EQ(Control<QLineEdit>(*wizard, "edtSource")->text(), clip);
    // The output folder, the source's base name, the first profile's extension.
    EXPECT_EQ(Control<QComboBox>(*wizard, "cbbCategory")->currentText(), "视频");
    EXPECT_EQ(Control<QComboBox>(*wizard, "cbbProfile")->currentText(), "Matroska Video");
    EXPECT_EQ(Control<QLineEdit>(*wizard, "edtSavePath")->text(),
              Output + QLatin1Char('/') + QFileInfo(clip).completeBaseName() + QStringLiteral(".mkv"));
    EXPECT_TRUE(Control<TAVPreview>(*wizard, "pvPreview")->Active());
    EXPECT_EQ(Control<QLabel>(*wizard, "lblDuration")->text(), "0:0:2");
    EXPECT_EQ(Control<QSlider>(*wizard, "tbTime")->maximum(),
              int(Control<TAVPreview>(*wizard, "pvPreview")->Duration() * 1000));
    EXPECT_TRUE(Control<QSlider>(*wizard, "tbTime")->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(*wizard, "btnSetEnd")->isEnabled());
    EXPECT_TRUE(PumpUntil([&] { return Control<QPushButton>(*wizard, "btnFinish")->isEnabled(); }));
    EXPECT_TRUE(Control<QPushButton>(*wizard, "btnNext")->isEnabled());
    SaveScreenshot(*wizard, QStringLiteral("wizard-page1-file.png"));
    Control<QPushButton>(*wizard, "btnCancel")->click();
  });
  EXPECT_TRUE(RunNewConversionWizard(nullptr, *Profiles, clip).empty());
}

TEST_F(NewConversionWizard, ButtonsWaitForSourceTargetAndProfile) {
  const auto wizard = Open();
  auto* next = Control<QPushButton>(*wizard, "btnNext");
  auto* finish = Control<QPushButton>(*wizard, "btnFinish");
  auto* target = Control<QLineEdit>(*wizard, "edtSavePath");
  const auto check = [&](bool expected) {
    wizard->UpdateButtons();
    EXPECT_EQ(next->isEnabled(), expected);
    EXPECT_EQ(finish->isEnabled(), expected);
  };
  check(false);  // nothing chosen
  target->setText(QStringLiteral("/tmp/x.mkv"));
  check(false);  // no source
  wizard->SetSourceFile(ShortClip());
  check(true);
  target->setText(QStringLiteral("   "));
  check(false);  // a blank target
  target->setText(Output + QStringLiteral("/a.mkv"));
  check(true);
  Control<QTabWidget>(*wizard, "tabSource")->setCurrentIndex(1);
  check(false);  // no DVD title
  Control<QTabWidget>(*wizard, "tabSource")->setCurrentIndex(0);
  check(true);
  // Finishing is refused while the rule does not hold.
  target->clear();
  Control<QPushButton>(*wizard, "btnFinish")->click();
  EXPECT_NE(wizard->result(), QDialog::Accepted);
  EXPECT_EQ(wizard->TakeSettings(), nullptr);
}

TEST_F(NewConversionWizard, ANameATaskCannotKeepIsRefusedWhileTheWizardStaysOpen) {
  const QString clip = ShortClip();
  const QString odd = TemporaryFolder() + "/clip" + QChar(1) + ".mkv";
  ASSERT_TRUE(QFile::link(clip, odd));
  const auto refused = [](const QString& property, QString value) {
    return "Cannot make the task: " + property + " \"" + value.replace(QChar(1), "\\x01") +
           "\" holds the character U+0001, which a task cannot store. Rename the file or choose another name.";
  };
  const struct {
    QString source, target, message;
  } cases[] = {
      {odd, Output + "/plain.mkv", refused("SourceFile", odd)},
      {clip, Output + "/x" + QChar(1) + ".mkv", refused("TargetFile", Output + "/x" + QChar(1) + ".mkv")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message.toStdString());
    const auto wizard = Open(c.source);
    auto* target = Control<QLineEdit>(*wizard, "edtSavePath");
    target->setText(c.target);
    wizard->UpdateButtons();
    Control<QPushButton>(*wizard, "btnFinish")->click();
    EXPECT_NE(wizard->result(), QDialog::Accepted);
    EXPECT_TRUE(wizard->isVisible()) << "the user may choose another name";
    EXPECT_EQ(wizard->TakeSettings(), nullptr);
    EXPECT_EQ(TakeErrorBoxes(), QStringList{c.message});
    if (c.source != clip) continue;
    target->setText(Output + "/fine.mkv");
    const auto settings = Finish(*wizard);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->TargetFile(), Output + "/fine.mkv");
  }
}

TEST_F(NewConversionWizard, ProfilesCategoriesAndTargetExtension) {
  QStringList categories = BuiltInCategories();
  categories << QStringLiteral("Images");
  Profiles->SetCategories(categories);
  const auto wizard = Open();
  auto* category = Control<QComboBox>(*wizard, "cbbCategory");
  auto* profile = Control<QComboBox>(*wizard, "cbbProfile");
  auto* target = Control<QLineEdit>(*wizard, "edtSavePath");
  auto* edit = Control<QToolButton>(*wizard, "btnEditProfile");
  EXPECT_EQ(Items(category), categories);

  // Matroska Video shows its video values; the edit button is offered.
  EXPECT_EQ(Control<QLabel>(*wizard, "lblFrameSize")->text(), "0x0");
  EXPECT_EQ(Control<QLabel>(*wizard, "lblFrameRate")->text(), "25.00");
  EXPECT_EQ(Control<QLabel>(*wizard, "lblVideoBitrate")->text(), "1200");
  EXPECT_TRUE(edit->isEnabled());

  // An empty target stays empty whatever the profile.
  Choose(profile, QStringLiteral("Apple Quicktime Video"));
  EXPECT_EQ(target->text(), "");

  // Categories match ignoring case: "Xbox" lists the "XBox" profile too.
  Choose(category, QStringLiteral("Xbox"));
  EXPECT_EQ(Items(profile), QStringList({"Xbox360 HD H264 Video", "Xbox360 MCE HD MPEG2 Video"}));
  EXPECT_EQ(profile->currentIndex(), 0);

  // With a target only its extension follows the profile.
  target->setText(QStringLiteral("/somewhere/my.clip.mp4"));
  Choose(profile, QStringLiteral("Xbox360 MCE HD MPEG2 Video"));
  EXPECT_EQ(target->text(), "/somewhere/my.clip.mpg");

  // An audio profile: the video group is emptied, the audio group filled.
  Choose(category, QStringLiteral("音频"));
  EXPECT_EQ(profile->currentText(), "AAC Audio");
  EXPECT_EQ(target->text(), "/somewhere/my.clip.mp4");
  EXPECT_EQ(Control<QLabel>(*wizard, "lblFrameSize")->text(), "");
  EXPECT_EQ(Control<QLabel>(*wizard, "lblSampleRate")->text(), "48000");
  EXPECT_EQ(Control<QLabel>(*wizard, "lblChannels")->text(), "stereo");
  EXPECT_EQ(Control<QLabel>(*wizard, "lblAudioBitrate")->text(), "128");

  // Picture sequences are no custom profiles: no editing, audio values kept.
  Choose(category, QStringLiteral("Images"));
  EXPECT_EQ(profile->currentText(), "JPEG Sequence");
  EXPECT_FALSE(edit->isEnabled());
  EXPECT_EQ(target->text(), "/somewhere/my.clip%1d.jpg");
  EXPECT_EQ(Control<QLabel>(*wizard, "lblSampleRate")->text(), "48000");
}

TEST_F(NewConversionWizard, TheProfileEditorHandsBackTheProfileToSelect) {
  const auto wizard = Open();
  auto* category = Control<QComboBox>(*wizard, "cbbCategory");
  auto* profile = Control<QComboBox>(*wizard, "cbbProfile");
  Control<QLineEdit>(*wizard, "edtSavePath")->setText(Output + QStringLiteral("/a.mkv"));
  // In the editor the user goes to the IPod profiles and leaves.
  WhenModalShown<TFormEditProfile>([](TFormEditProfile* editor) {
    auto* categories = Control<QListWidget>(*editor, "lstCategory");
    const auto found = categories->findItems(QStringLiteral("IPod"), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    categories->setCurrentItem(found[0]);
    Control<QListWidget>(*editor, "lstProfile")->setCurrentRow(1);
    editor->close();
  });
  Control<QToolButton>(*wizard, "btnEditProfile")->click();
  EXPECT_EQ(category->currentText(), "IPod");
  EXPECT_EQ(Items(profile),
            QStringList({"IPod 320x240 Video", "IPod 320x240 High Quality Video", "IPod 320x240 Low Quality Video"}));
  EXPECT_EQ(profile->currentText(), "IPod 320x240 High Quality Video");
  EXPECT_EQ(Control<QLabel>(*wizard, "lblFrameSize")->text(), "320x240");
  EXPECT_EQ(Control<QLineEdit>(*wizard, "edtSavePath")->text(), Output + QStringLiteral("/a.mp4"));
}

TEST_F(NewConversionWizard, FortyToEightyMinutesAreExactMicroseconds) {
  const auto wizard = Open(LongClip());
  auto* bar = Control<QSlider>(*wizard, "tbTime");
  auto* preview = Control<TAVPreview>(*wizard, "pvPreview");
  ASSERT_TRUE(preview->Active());
  EXPECT_EQ(Control<QLabel>(*wizard, "lblDuration")->text(), "1:30:0");
  EXPECT_EQ(bar->maximum(), 5400000);

  bar->setValue(40 * 60 * 1000);
  EXPECT_NEAR(preview->timestamp(), 2400, 1);  // the frame there is shown
  Control<QPushButton>(*wizard, "btnSetStart")->click();
  EXPECT_EQ(wizard->ConvertOptions().StartTime(), 2400000000LL);
  EXPECT_EQ(wizard->ConvertOptions().RecordingTime(), INT64_MAX);  // no end yet
  bar->setValue(80 * 60 * 1000);
  Control<QPushButton>(*wizard, "btnSetEnd")->click();
  EXPECT_EQ(Control<QLabel>(*wizard, "lblStart")->text(), "0:40:0");
  EXPECT_EQ(Control<QLabel>(*wizard, "lblEnd")->text(), "1:20:0");
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());

  const auto settings = Finish(*wizard);
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->ConvertOptions().StartTime(), 2400000000LL);
  EXPECT_EQ(settings->ConvertOptions().RecordingTime(), 2400000000LL);
  // The rest of the finish: profile applied, threads, the file source.
  EXPECT_EQ(settings->SourceFile(), LongClip());
  EXPECT_EQ(settings->SourceType(), stFile);
  EXPECT_EQ(settings->Profile(), "Matroska Video");
  EXPECT_EQ(settings->CategoryId(), 1);
  EXPECT_EQ(settings->TargetFile(), Output + QLatin1Char('/') + QFileInfo(LongClip()).completeBaseName() + ".mkv");
  EXPECT_EQ(settings->ConvertOptions().ThreadCount(), AVConfiguration().EngineThreadCount());
  EXPECT_EQ(settings->ConvertOptions().InputFormat(), "");
  EXPECT_FALSE(settings->ConvertOptions().VideoOptions().EncoderVideoCodecName().isEmpty());
}

TEST_F(NewConversionWizard, ANewSourceClearsTheTimeRange) {
  const auto wizard = Open(LongClip());
  auto* bar = Control<QSlider>(*wizard, "tbTime");
  bar->setValue(60000);
  Control<QPushButton>(*wizard, "btnSetStart")->click();
  bar->setValue(120000);
  Control<QPushButton>(*wizard, "btnSetEnd")->click();
  EXPECT_EQ(wizard->ConvertOptions().RecordingTime(), 60000000);

  wizard->SetSourceFile(ShortClip());
  EXPECT_EQ(bar->value(), 0);
  EXPECT_EQ(bar->maximum(), int(Control<TAVPreview>(*wizard, "pvPreview")->Duration() * 1000));
  EXPECT_EQ(wizard->ConvertOptions().StartTime(), 0);
  EXPECT_EQ(wizard->ConvertOptions().RecordingTime(), INT64_MAX);
  EXPECT_EQ(Control<QLabel>(*wizard, "lblStart")->text(), "00:00:00");
  EXPECT_EQ(Control<QLabel>(*wizard, "lblEnd")->text(), "00:00:00");
}

TEST_F(NewConversionWizard, FiltersApplyOnlyWhenFinishingOnPageTwo) {
  TLogoFilter::DialogHook = [](TLogoFilter& filter, TFilterDialogMode) {
    filter.SetLogoFile(QStringLiteral("/logos/a b.png"));
    filter.SetX(5);
    return true;
  };
  {
    const auto wizard = Open(ShortClip());
    Control<QPushButton>(*wizard, "btnNext")->setEnabled(true);
    Control<QPushButton>(*wizard, "btnNext")->click();
    Control<QAction>(*wizard, "actNewLogoFilter")->trigger();
    EXPECT_EQ(Control<QListWidget>(*wizard, "lstFilters")->count(), 1);
    Control<QPushButton>(*wizard, "btnBack")->click();
    const auto settings = Finish(*wizard);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->ConvertOptions().FilterOptions().VideoFilters(), "");
  }
  {
    // A dialog given up adds nothing.
    const auto wizard = Open(ShortClip());
    TVideoStdFilter::DialogHook = [](TVideoStdFilter&, TFilterDialogMode) { return false; };
    Control<QAction>(*wizard, "actNewStdFilter")->trigger();
    EXPECT_EQ(Control<QListWidget>(*wizard, "lstFilters")->count(), 0);
  }
}

TEST_F(NewConversionWizard, PageTwoFiltersAreJoinedEditedDeletedAndRendered) {
  const QString logo = TemporaryFolder() + QStringLiteral("/logo.png");
  QImage red(16, 16, QImage::Format_RGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(red.save(logo));
  const QString srt = TemporaryFolder() + QStringLiteral("/cue.srt");
  {
    QFile file(srt);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("1\n00:00:00,000 --> 00:00:05,000\nHello\n\n");
  }
  TVideoStdFilter::DialogHook = [](TVideoStdFilter& f, TFilterDialogMode mode) {
    f.SetNegate(true);
    f.SetDrawBox(true);
    f.SetBX(10), f.SetBY(10), f.SetBWidth(100), f.SetBHeight(100), f.SetBColor(QStringLiteral("red"));
    f.SetHorizontalFilip(mode == fdEdit);
    return true;
  };
  TLogoFilter::DialogHook = [&](TLogoFilter& f, TFilterDialogMode) {
    f.SetLogoFile(logo);
    f.SetX(200), f.SetY(150);
    return true;
  };
  TOverlayTextFilter::DialogHook = [](TOverlayTextFilter& f, TFilterDialogMode) {
    f.SetText(QStringLiteral("Hi"));
    f.SetFontFile(Fonts);
    f.SetFontSize(16);
    f.SetX(250), f.SetY(20);
    return true;
  };
  TSubtitleFilter::DialogHook = [&](TSubtitleFilter& f, TFilterDialogMode) {
    f.SetSubtitleFile(srt);
    f.SetFontFile(Fonts);
    f.SetFontColor(0x00FFFF);
    return true;
  };

  const auto wizard = Open(BlackClip());
  Control<QPushButton>(*wizard, "btnNext")->setEnabled(true);
  Control<QPushButton>(*wizard, "btnNext")->click();
  auto* list = Control<QListWidget>(*wizard, "lstFilters");
  for (const char* kind : {"actNewStdFilter", "actNewLogoFilter", "actNewTextFilter", "actNewSubtitleFilter",
                           "actNewStdFilter"})
    Control<QAction>(*wizard, kind)->trigger();
  ASSERT_EQ(list->count(), 5);
  EXPECT_EQ(list->item(1)->text(), "Logo Filter");

  // The last line goes; the first is edited (mirrored) and put back.
  EXPECT_TRUE(Control<QAction>(*wizard, "actDeleteFilter")->isEnabled());
  Control<QAction>(*wizard, "actDeleteFilter")->trigger();
  EXPECT_EQ(list->count(), 4);
  list->setCurrentRow(0);
  Control<QAction>(*wizard, "actEditFilter")->trigger();
  TVideoStdFilter::DialogHook = [inner = TVideoStdFilter::DialogHook](TVideoStdFilter& f, TFilterDialogMode) {
    return inner(f, fdNew);
  };
  emit list->itemDoubleClicked(list->item(0));

  SaveScreenshot(*wizard, QStringLiteral("wizard-page2.png"));

  TVideoStdFilter standard;
  TVideoStdFilter::DialogHook(standard, fdNew);
  TLogoFilter logoFilter;
  TLogoFilter::DialogHook(logoFilter, fdNew);
  TOverlayTextFilter text;
  TOverlayTextFilter::DialogHook(text, fdNew);
  TSubtitleFilter subtitle;
  TSubtitleFilter::DialogHook(subtitle, fdNew);
  const QString joined = filters::VideoFiltersText({&standard, &logoFilter, &text, &subtitle});

  const auto settings = Finish(*wizard);
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->ConvertOptions().FilterOptions().VideoFilters(), joined);
  EXPECT_TRUE(joined.startsWith(QStringLiteral(" drawbox=10:10:100:100:red,negate ,logo=200|150|")))
      << joined.toStdString();

  const TConversionResult result = Convert(*settings);
  ASSERT_TRUE(result.Succeeded()) << joined.toStdString() << "\n" << result.log.join('\n').toStdString();
  int width = 0, height = 0;
  const QByteArray gray = GrayFrame(settings->TargetFile(), 10, &width, &height);
  ASSERT_EQ(width, 320);
  ASSERT_EQ(height, 240);
  const auto at = [&](int x, int y) { return static_cast<uint8_t>(gray[y * width + x]); };
  EXPECT_GT(at(160, 120), 235);  // black negated
  EXPECT_LT(at(11, 60), 215);    // the red outline, negated to cyan
  EXPECT_LT(at(208, 158), 130);  // the red logo, put on after the negation
}

TEST_F(NewConversionWizard, DvdFolderTitlesAndTarget) {
  const TAuthoredDvd& disc = AuthoredDvd();
  ASSERT_FALSE(disc.Folder.isEmpty());
  const auto wizard = Open();
  // A disc folder is chosen through its VIDEO_TS.IFO.
  OpenDisc(*wizard, disc.VideoTs + QStringLiteral("/VIDEO_TS.IFO"));
  ASSERT_EQ(AskedKinds.back(), TWizardPathKind::DvdDisc);
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
  auto* drive = Control<TDvdCombo>(*wizard, "cbbDrive");
  ASSERT_NE(drive->Drive(), nullptr);
  const QString volume = drive->Drive()->Volume;
  EXPECT_FALSE(volume.isEmpty());

  auto* titles = Control<QComboBox>(*wizard, "cbbTitle");
  EXPECT_EQ(Items(titles), QStringList({"1(00:00:10)", "2(00:00:03)"}));
  EXPECT_EQ(titles->currentIndex(), 0);
  EXPECT_EQ(Items(Control<QComboBox>(*wizard, "cbbAngle")), QStringList({"1"}));
  EXPECT_EQ(Items(Control<QComboBox>(*wizard, "cbbChapter")), QStringList({"1", "2", "3", "4", "5"}));
  EXPECT_EQ(Control<QComboBox>(*wizard, "cbbChapter")->currentText(), "1");
  EXPECT_EQ(Control<QComboBox>(*wizard, "cbbThrough")->currentText(), "5");
  auto* target = Control<QLineEdit>(*wizard, "edtSavePath");
  EXPECT_EQ(target->text(), Output + QLatin1Char('/') + volume + QStringLiteral("_1.mkv"));
  EXPECT_TRUE(Control<TAVPreview>(*wizard, "pvPreview")->Active());
  EXPECT_EQ(Control<QLabel>(*wizard, "lblDuration")->text(), "0:0:10");
  EXPECT_TRUE(Control<QSlider>(*wizard, "tbTime")->isEnabled());
  wizard->UpdateButtons();
  EXPECT_TRUE(Control<QPushButton>(*wizard, "btnFinish")->isEnabled());
  SaveScreenshot(*wizard, QStringLiteral("wizard-page1-dvd.png"));

  titles->setCurrentIndex(1);
  EXPECT_EQ(Items(Control<QComboBox>(*wizard, "cbbThrough")), QStringList({"1"}));
  EXPECT_EQ(target->text(), Output + QLatin1Char('/') + volume + QStringLiteral("_2.mkv"));
  EXPECT_EQ(Control<QLabel>(*wizard, "lblDuration")->text(), "0:0:3");

  // Choosing the same drive again does not scan it again.
  drive->OnSelect(drive);
  EXPECT_EQ(titles->currentIndex(), 1);

  // A path that holds no DVD: the box, and the titles stay.
  OpenDisc(*wizard, TemporaryFolder());
  EXPECT_EQ(TakeErrorBoxes(), QStringList({"打不开DVD"}));
  EXPECT_EQ(Items(titles), QStringList({"1(00:00:10)", "2(00:00:03)"}));
}

TEST_F(NewConversionWizard, AFinishedDvdTitleConvertsAndOnlyItsStreamOutlivesTheWizard) {
  const TAuthoredDvd& disc = AuthoredDvd();
  ASSERT_FALSE(disc.Iso.isEmpty());
  const int before = media::RegisterStream(std::make_unique<TEmptyStream>());
  std::unique_ptr<TConversionSettings> settings;
  {
    const auto wizard = Open();
    OpenDisc(*wizard, disc.Iso);
    Control<QComboBox>(*wizard, "cbbTitle")->setCurrentIndex(1);
    EXPECT_EQ(Control<QLineEdit>(*wizard, "edtSavePath")->text(), Output + QStringLiteral("/MY_MOVIE_2.mkv"));
    settings = Finish(*wizard);
  }
  const int after = media::RegisterStream(std::make_unique<TEmptyStream>());
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->SourceType(), stDvd);
  EXPECT_EQ(settings->DvdTitle(), 2);
  EXPECT_EQ(settings->DvdChapter(), 1);
  EXPECT_EQ(settings->DvdThrough(), 1);
  EXPECT_EQ(settings->DvdAngle(), 1);
  EXPECT_EQ(settings->DvdVolume(), "MY_MOVIE");
  EXPECT_EQ(settings->DvdDriver(), disc.Iso);
  ASSERT_TRUE(media::IsStreamName(settings->SourceFile()));
  const int kept = settings->SourceFile().mid(7).toInt();
  // Every other stream the wizard made (one per preview) is gone.
  for (int n = before + 1; n < after; ++n) {
    if (n == kept) continue;
    EXPECT_FALSE(media::ReleaseStream(n)) << n;
  }

  const TConversionResult result = Convert(*settings);
  ASSERT_TRUE(result.Succeeded()) << result.errorMsg.toStdString();
  EXPECT_NEAR(ProbeFormat(settings->TargetFile(), "duration").toDouble(), Title2Seconds, 0.2);
  media::ReleaseStream(before);
  media::ReleaseStream(after);
}

TEST_F(NewConversionWizard, ACancelledDvdWizardLeavesNoStreams) {
  const TAuthoredDvd& disc = AuthoredDvd();
  ASSERT_FALSE(disc.Iso.isEmpty());
  const int before = media::RegisterStream(std::make_unique<TEmptyStream>());
  {
    const auto wizard = Open();
    OpenDisc(*wizard, disc.Iso);
    Control<QComboBox>(*wizard, "cbbTitle")->setCurrentIndex(1);
    Control<QPushButton>(*wizard, "btnCancel")->click();
    EXPECT_EQ(wizard->result(), QDialog::Rejected);
  }
  const int after = media::RegisterStream(std::make_unique<TEmptyStream>());
  EXPECT_GT(after, before + 1);  // the previews had streams of their own
  for (int n = before + 1; n < after; ++n) EXPECT_FALSE(media::ReleaseStream(n)) << n;
  media::ReleaseStream(before);
  media::ReleaseStream(after);
}

TEST_F(NewConversionWizard, ATitleChangeInProgressKeepsTheWindowOpen) {
  const TAuthoredDvd& disc = AuthoredDvd();
  ASSERT_FALSE(disc.Iso.isEmpty());
  const QString copy = TemporaryFolder() + QStringLiteral("/vanishing.iso");
  ASSERT_TRUE(QFile::copy(disc.Iso, copy));
  const auto wizard = Open();
  OpenDisc(*wizard, copy);
  ASSERT_EQ(Control<QComboBox>(*wizard, "cbbTitle")->count(), 2);

  // The disc goes away: choosing title 2 reports it while the lists are
  // being filled, and the user's attempt to leave then is refused.
  ASSERT_TRUE(QFile::remove(copy));
  QStringList shown;
  const TErrorBoxHandler collector = SetErrorBoxHandler([&](const QString& text) {
    shown << text;
    wizard->reject();
    wizard->close();
  });
  Control<QComboBox>(*wizard, "cbbTitle")->setCurrentIndex(1);
  SetErrorBoxHandler(collector);
  EXPECT_EQ(shown, QStringList({"打不开标题"}));
  EXPECT_TRUE(wizard->isVisible());
  EXPECT_FALSE(Control<TAVPreview>(*wizard, "pvPreview")->Active());

  // Once the title change is over the window closes as usual.
  Control<QPushButton>(*wizard, "btnCancel")->click();
  EXPECT_FALSE(wizard->isVisible());
  EXPECT_EQ(wizard->result(), QDialog::Rejected);
}
