#include "app/NewConversionWizard.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/DvdDriveSelector.h"
#include "app/InfoPanel.h"
#include "app/NewConversion.h"
#include "app/PreviewControl.h"
#include "app/ProfileEditor.h"
#include "app/SourceProber.h"
#include "app/VirtualTreeEdit.h"
#include "engine/EngineError.h"
#include "engine/ErrorBox.h"
#include "filters/AVFilter.h"
#include "profiles/AVProfile.h"
#include "tasks/Configuration.h"
#include "tasks/ConversionSettings.h"
#include "tasks/PersistentManager.h"

namespace {

constexpr int FirstPage = 0;
constexpr int SecondPage = 1;

const QString ZeroTime = QStringLiteral("00:00:00");

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

QLabel* Caption(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  return label;
}

}  // namespace

QString ChangeFileExt(const QString& Path, const QString& Extension) {
  const qsizetype nameStart = Path.lastIndexOf(QLatin1Char('/')) + 1;
  const qsizetype dot = Path.lastIndexOf(QLatin1Char('.'));
  return (dot >= nameStart ? Path.left(dot) : Path) + Extension;
}

TFormNewConversion::TFormNewConversion(TAVProfileList& Profiles, QWidget* parent)
    : QDialog(parent), FProfiles(Profiles), FCategoryFolder(AVConfiguration().OutputFolder()) {
  setObjectName(QStringLiteral("FormNewConversion"));
  setWindowTitle(QStringLiteral("转换向导： 先选择\"输入文件\"  再设置\"输出配置\"   最后点\"开始转换\""));
  setFixedSize(674, 475);
  SetInitialOptions();
  FProber = new TSourceProber(this);
  FProber->OnProbed = [this](const QString& file, const inspect::TMediaSummary& summary) { SourceProbed(file, summary); };

  lblTitle = new QLabel(this);
  lblTitle->setObjectName(QStringLiteral("lblTitle"));
  QFont titleFont = lblTitle->font();
  titleFont.setBold(true);
  titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
  lblTitle->setFont(titleFont);

  pgPages = new QStackedWidget(this);
  pgPages->setObjectName(QStringLiteral("pgPages"));
  pgPages->addWidget(CreateFirstPage());
  pgPages->addWidget(CreateSecondPage());

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 6, 8, 8);
  layout->addWidget(lblTitle);
  layout->addWidget(pgPages, 1);
  layout->addWidget(CreateButtonRow());

  FillCategories();
  // The picker reads its names from the database; without one it stays blank
  // and the conversions still go under category 1 into the output folder.
  if (TPersistentManager::IsConnected()) edtCategory->SetCategoryId(FCategoryId);
  edtCategory->SetCategoryPath(FCategoryFolder);
  ShowPage(FirstPage);
  edtSource->setFocus();

  tmButtons = new QTimer(this);
  tmButtons->setObjectName(QStringLiteral("tmButtons"));
  connect(tmButtons, &QTimer::timeout, this, &TFormNewConversion::UpdateButtons);
  tmButtons->start(ButtonCheckMs);
  UpdateButtons();

  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

TFormNewConversion::~TFormNewConversion() {
  tmButtons->stop();
  pvPreview->SetActive(false);  // frees the title stream the preview read
  ReleaseUnusedStreams();
}

void TFormNewConversion::SetInitialOptions() {
  // The engine's own defaults are the values this dialog starts from; only
  // the recording time is set, to no limit.
  cnvAV.ConvertOptions().SetRecordingTime(TAVConvertOptions::NoRecordingLimit);
}

// ------------------------------------------------------------------ page 1

QWidget* TFormNewConversion::CreateFirstPage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("pgSource"));

  tabSource = new QTabWidget(page);
  tabSource->setObjectName(QStringLiteral("tabSource"));
  tabSource->addTab(CreateFileTab(), QStringLiteral("视频文件"));
  tabSource->addTab(CreateDvdTab(), QStringLiteral("Dvd"));
  tabSource->setCurrentIndex(0);
  tabSource->setFixedHeight(150);
  // The tracks belong to the file tab's sources.
  connect(tabSource, &QTabWidget::currentChanged, this, [this] {
    FillTracks();
    UpdateButtons();
  });

  auto* left = new QWidget(page);
  auto* leftLayout = new QVBoxLayout(left);
  leftLayout->setContentsMargins(0, 0, 0, 0);
  leftLayout->addWidget(CreateOutputRows(left));
  leftLayout->addWidget(CreateTimeGroup(left), 1);

  FrameVideoInfo = new TFrameVideoInfo(page);
  FrameVideoInfo->setObjectName(QStringLiteral("FrameVideoInfo"));
  FrameVideoInfo->VideoGroup()->setTitle(QStringLiteral("视频信息"));
  FrameVideoInfo->AudioGroup()->setTitle(QStringLiteral("音频信息"));
  FrameVideoInfo->setFixedWidth(200);

  auto* lower = new QHBoxLayout;
  lower->addWidget(left, 1);
  lower->addWidget(FrameVideoInfo);

  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tabSource);
  layout->addLayout(lower, 1);
  return page;
}

QWidget* TFormNewConversion::CreateOutputRows(QWidget* parent) {
  auto* rows = new QWidget(parent);
  cbbCategory = new QComboBox(rows);
  cbbCategory->setObjectName(QStringLiteral("cbbCategory"));
  cbbCategory->setMinimumWidth(110);
  cbbProfile = new QComboBox(rows);
  cbbProfile->setObjectName(QStringLiteral("cbbProfile"));
  cbbProfile->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  cbbProfile->setMinimumContentsLength(16);
  btnEditProfile = new QToolButton(rows);
  btnEditProfile->setObjectName(QStringLiteral("btnEditProfile"));
  btnEditProfile->setText(QStringLiteral("..."));
  btnEditProfile->setToolTip(QStringLiteral("Edit Profile"));

  edtCategory = new TVirtualTreeEdit(rows);
  edtCategory->setObjectName(QStringLiteral("edtCategory"));
  edtCategory->setToolTip(QStringLiteral("分类"));
  edtCategory->setMinimumWidth(110);
  edtCategory->setMaximumWidth(120);
  edtSavePath = new QLineEdit(rows);
  edtSavePath->setObjectName(QStringLiteral("edtSavePath"));
  auto* folders = new QFileSystemModel(edtSavePath);
  folders->setRootPath(QString());
  auto* completer = new QCompleter(folders, edtSavePath);
  completer->setObjectName(QStringLiteral("cmpSavePath"));
  edtSavePath->setCompleter(completer);

  auto* grid = new QGridLayout(rows);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(Caption(QStringLiteral("输出配置:"), rows), 0, 0);
  auto* profileRow = new QHBoxLayout;
  profileRow->addWidget(cbbCategory);
  profileRow->addWidget(cbbProfile, 1);
  profileRow->addWidget(btnEditProfile);
  grid->addLayout(profileRow, 0, 1);
  grid->addWidget(Caption(QStringLiteral("保存路径:"), rows), 1, 0);
  auto* targetRow = new QHBoxLayout;
  targetRow->addWidget(edtCategory);
  targetRow->addWidget(edtSavePath, 1);
  grid->addLayout(targetRow, 1, 1);

  connect(cbbCategory, &QComboBox::currentIndexChanged, this, &TFormNewConversion::CategoryChange);
  connect(cbbProfile, &QComboBox::currentIndexChanged, this, &TFormNewConversion::ProfileChange);
  connect(btnEditProfile, &QToolButton::clicked, this, &TFormNewConversion::EditProfile);
  connect(edtCategory, &TVirtualTreeEdit::Changed, this, &TFormNewConversion::CategoryPicked);
  return rows;
}

QWidget* TFormNewConversion::CreateTimeGroup(QWidget* parent) {
  auto* group = new QWidget(parent);
  pvPreview = new TAVPreview(group);
  pvPreview->setObjectName(QStringLiteral("pvPreview"));
  pvPreview->setFixedSize(216, 163);
  tbTime = new QSlider(Qt::Horizontal, group);
  tbTime->setObjectName(QStringLiteral("tbTime"));
  tbTime->setRange(0, 0);
  btnSetStart = new QPushButton(QStringLiteral("设置开始点"), group);
  btnSetStart->setObjectName(QStringLiteral("btnSetStart"));
  btnSetEnd = new QPushButton(QStringLiteral("设置结束点"), group);
  btnSetEnd->setObjectName(QStringLiteral("btnSetEnd"));
  lblDuration = new QLabel(ZeroTime, group);
  lblDuration->setObjectName(QStringLiteral("lblDuration"));
  lblStart = new QLabel(ZeroTime, group);
  lblStart->setObjectName(QStringLiteral("lblStart"));
  lblEnd = new QLabel(ZeroTime, group);
  lblEnd->setObjectName(QStringLiteral("lblEnd"));

  auto* side = new QGridLayout;
  side->setVerticalSpacing(4);
  side->addWidget(lblDuration, 0, 0, 1, 2);
  side->addWidget(btnSetStart, 1, 0);
  side->addWidget(lblStart, 1, 1);
  side->addWidget(btnSetEnd, 2, 0);
  side->addWidget(lblEnd, 2, 1);
  side->addWidget(CreateTrackRows(group), 3, 0, 1, 2);
  side->setRowStretch(4, 1);

  auto* grid = new QGridLayout(group);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(Caption(QStringLiteral("时间设置:"), group), 0, 0, Qt::AlignTop);
  grid->addWidget(pvPreview, 0, 1);
  grid->addLayout(side, 0, 2);
  grid->addWidget(tbTime, 1, 1, 1, 2);
  grid->setColumnStretch(2, 1);

  connect(tbTime, &QSlider::valueChanged, this, &TFormNewConversion::TimeBarMoved);
  connect(btnSetStart, &QPushButton::clicked, this, &TFormNewConversion::SetStartPoint);
  connect(btnSetEnd, &QPushButton::clicked, this, &TFormNewConversion::SetEndPoint);
  EnableTimeControls();
  return group;
}

QWidget* TFormNewConversion::CreateButtonRow() {
  auto* row = new QWidget(this);
  btnBack = new QPushButton(QStringLiteral("< 返回"), row);
  btnBack->setObjectName(QStringLiteral("btnBack"));
  btnNext = new QPushButton(QStringLiteral("更多选项 >"), row);
  btnNext->setObjectName(QStringLiteral("btnNext"));
  btnFinish = new QPushButton(QStringLiteral("开始转换(&S)"), row);
  btnFinish->setObjectName(QStringLiteral("btnFinish"));
  btnFinish->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("放弃"), row);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));

  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addStretch(1);
  layout->addWidget(btnBack);
  layout->addWidget(btnNext);
  layout->addSpacing(12);
  layout->addWidget(btnFinish);
  layout->addWidget(btnCancel);

  connect(btnBack, &QPushButton::clicked, this, [this] { ShowPage(FirstPage); });
  connect(btnNext, &QPushButton::clicked, this, [this] { ShowPage(SecondPage); });
  connect(btnFinish, &QPushButton::clicked, this, &TFormNewConversion::Finish);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  return row;
}

void TFormNewConversion::ShowPage(int Index) {
  pgPages->setCurrentIndex(Index);
  lblTitle->setText(Index == FirstPage ? QStringLiteral("选择要转的文件") : QStringLiteral("更多设置..."));
  // Back from the filters: the preview shows them as they are now.
  if (Index == FirstPage) UpdateFilterPreview();
  UpdateButtons();
}

// ---------------------------------------------------------------- buttons

bool TFormNewConversion::SourceIsValid() const {
  if (DvdTabActive()) return CurrentTitle() != nullptr;
  const QFileInfo source(edtSource->text());
  return !edtSource->text().isEmpty() && source.isFile();
}

void TFormNewConversion::UpdateButtons() {
  const bool ready = SourceIsValid() && !edtSavePath->text().trimmed().isEmpty() && CurrentProfile() != nullptr;
  const bool onFirst = pgPages->currentIndex() == FirstPage;
  btnBack->setEnabled(!onFirst);
  btnNext->setEnabled(ready && onFirst);
  btnFinish->setEnabled(ready);
}

void TFormNewConversion::done(int r) {
  if (FScanning) return;  // a title change is still filling the lists
  QDialog::done(r);
}

void TFormNewConversion::closeEvent(QCloseEvent* event) {
  if (FScanning) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

// --------------------------------------------------------------- profiles

void TFormNewConversion::FillCategories() {
  const QSignalBlocker quiet(cbbCategory);
  cbbCategory->clear();
  cbbCategory->addItems(FProfiles.Categories());
  cbbCategory->setCurrentIndex(cbbCategory->count() > 0 ? 0 : -1);
  CategoryChange();
}

void TFormNewConversion::CategoryChange() {
  {
    const QSignalBlocker quiet(cbbProfile);
    cbbProfile->clear();
    for (TAVProfile* profile : FProfiles.ProfilesOfCategory(cbbCategory->currentText()))
      cbbProfile->addItem(profile->Description(), QVariant::fromValue(static_cast<void*>(profile)));
    // The profile editor may have emptied a category: then nothing is chosen
    // and the dialog cannot finish.
    cbbProfile->setCurrentIndex(cbbProfile->count() > 0 ? 0 : -1);
  }
  ProfileChange();
}

TAVProfile* TFormNewConversion::CurrentProfile() const {
  return cbbProfile->currentIndex() < 0 ? nullptr
                                        : static_cast<TAVProfile*>(cbbProfile->currentData().value<void*>());
}

void TFormNewConversion::ProfileChange() {
  const TAVProfile* profile = CurrentProfile();
  FrameVideoInfo->ShowProfile(profile);
  ShowExpectedSize();
  ShowHdrChoice();
  btnEditProfile->setEnabled(IsCustomProfile(profile));
  // A batch's field holds its folder; the names follow the profile at finish.
  if (profile && !edtSavePath->text().trimmed().isEmpty() && !FBatchTarget)
    edtSavePath->setText(ChangeFileExt(edtSavePath->text(), profile->Extension()));
  UpdateFilterPreview();
  UpdateButtons();
}

// The length the conversion will have: the time range, or the source from
// its start point.
void TFormNewConversion::ShowExpectedSize() {
  const double duration = pvPreview->Active() ? pvPreview->Duration() : 0.0;
  const double end = FSelEnd > 0 ? FSelEnd / 1000.0 : duration;
  FrameVideoInfo->ShowExpectedSize(CurrentProfile(), end - FSelStart / 1000.0);
}

void TFormNewConversion::SelectCategoryOf(const TAVProfile* Profile) {
  if (Profile)
    for (int i = 0; i < cbbCategory->count(); ++i)
      if (SameName(cbbCategory->itemText(i), Profile->Category())) {
        const QSignalBlocker quiet(cbbCategory);
        cbbCategory->setCurrentIndex(i);
        break;
      }
  // The editor may have added, renamed or destroyed profiles of any category.
  {
    const QSignalBlocker quiet(cbbProfile);
    cbbProfile->clear();
    for (TAVProfile* profile : FProfiles.ProfilesOfCategory(cbbCategory->currentText()))
      cbbProfile->addItem(profile->Description(), QVariant::fromValue(static_cast<void*>(profile)));
    int chosen = cbbProfile->count() > 0 ? 0 : -1;
    for (int i = 0; i < cbbProfile->count(); ++i)
      if (cbbProfile->itemData(i).value<void*>() == Profile) chosen = i;
    cbbProfile->setCurrentIndex(chosen);
  }
  ProfileChange();
}

void TFormNewConversion::EditProfile() {
  TAVProfile* profile = CurrentProfile();
  if (!IsCustomProfile(profile)) return;
  ShowProfileEditor(profile, FProfiles, this);
  SelectCategoryOf(profile);
}

// ----------------------------------------------------------------- finish

void TFormNewConversion::Finish() {
  TAVProfile* profile = CurrentProfile();
  if (!profile || !SourceIsValid() || edtSavePath->text().trimmed().isEmpty()) return;
  TAVConvertOptions& options = cnvAV.ConvertOptions();
  // A source that cannot be opened leaves the dialog open: the options go
  // back to what they were so that a second try starts from the same values.
  TAVConvertOptions before;
  before.Assign(options);
  // Filters shown in the preview are converted as shown, from either page.
  if (pgPages->currentIndex() == SecondPage || chkFilterPreview->isChecked())
    options.FilterOptions().SetVideoFilters(FilterText());
  options.SetInputFormat(QString());
  AVConfiguration().ApplyToConversion(options);
  try {
    profile->ApplyProfile(cnvAV);
  } catch (const std::exception& error) {
    options.Assign(before);
    ShowErrorBox(QString::fromStdString(error.what()));
    return;
  }
  // An HDR source into a target that can keep it: as the user chose.
  options.VideoOptions().SetHdrOutput(cbbHdr->isHidden() ? 0 : FHdrChoice);
  if (!BuildSettings()) {
    options.Assign(before);
    return;
  }
  accept();
}

std::unique_ptr<TConversionSettings> TFormNewConversion::SettingsFor(const QString& Source,
                                                                   const QString& Target) const {
  auto settings = std::make_unique<TConversionSettings>();
  settings->SetSourceFile(Source);
  settings->SetSourceType(stFile);
  settings->SetTargetFile(Target);
  settings->SetProfile(CurrentProfile()->Description());
  settings->SetCategoryId(FCategoryId);
  settings->SetConvertOptions(cnvAV.ConvertOptions());
  return settings;
}

bool TFormNewConversion::BuildSettings() {
  pvPreview->SetActive(false);
  EnableTimeControls();
  if (!DvdTabActive()) return BuildBatchSettings();
  const QString source = SourceText();
  if (source.isEmpty()) return false;
  auto settings = SettingsFor(source, edtSavePath->text().trimmed());
  const dvd::TDvdDrive* drive = cbbDrive->Drives(FDriveIndex);
  settings->SetSourceType(stDvd);
  settings->SetDvdDriver(drive ? drive->DiscPath() : QString());
  settings->SetDvdTitle(CurrentTitle()->index);
  settings->SetDvdChapter(cbbChapter->currentText().toInt());
  settings->SetDvdThrough(cbbThrough->currentText().toInt());
  settings->SetDvdAngle(cbbAngle->currentText().toInt());
  settings->SetDvdVolume(drive ? drive->Volume : QString());
  // A name the task could not keep exactly is refused here, while the user
  // can still choose another one.
  try {
    RequireStorableSettings(*settings);
  } catch (const EAVError& e) {
    ShowErrorBox(e.Message());
    return false;
  }
  FKeptStream = FStream;
  FSettings.clear();
  FSettings.push_back(std::move(settings));
  return true;
}

std::unique_ptr<TConversionSettings> TFormNewConversion::TakeSettings() {
  TNewConversions all = TakeAllSettings();
  return all.empty() ? nullptr : std::move(all.front());
}

TNewConversions TFormNewConversion::TakeAllSettings() { return std::move(FSettings); }

// ----------------------------------------------------------------- category

void TFormNewConversion::CategoryPicked() {
  FCategoryId = edtCategory->CategoryId();
  // A category without a folder of its own writes into the output folder.
  FCategoryFolder = edtCategory->CategoryPath().trimmed();
  if (FCategoryFolder.isEmpty()) FCategoryFolder = AVConfiguration().OutputFolder();
  SetTargetName();
  UpdateButtons();
}

QString TFormNewConversion::TargetFolder() const {
  const QString field = edtSavePath->text().trimmed();
  return FBatchTarget ? field : QFileInfo(field).path();
}

// ------------------------------------------------------------------ entry

TNewConversions RunNewConversionWizard(QWidget* Parent, TAVProfileList& Profiles, const QString& SourceFile) {
  TFormNewConversion dialog(Profiles, Parent);
  if (!SourceFile.isEmpty()) dialog.SetSourceFile(SourceFile);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.TakeAllSettings();
}
