// The source side of the new-conversion dialog: the DVD tab with its scan,
// title, angle and chapter lists, the target name that follows the source,
// and the time range chosen on the preview.

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>
#include <climits>

#include "app/DvdDriveSelector.h"
#include "app/NewConversionWizard.h"
#include "app/PreviewControl.h"
#include "dvd/DvdError.h"
#include "dvd/DvdScan.h"
#include "dvd/DvdStream.h"
#include "engine/ErrorBox.h"
#include "media/StreamInput.h"
#include "profiles/AVProfile.h"
#include "tasks/TaskCaptions.h"

const QString NewConversionSourceFilter = QStringLiteral(
    "Video Files(*.flv;*.wmv;*.mp4;*.avi;*.mkv;*.mpg;*.mpeg;*.mov)|*.flv;*.wmv;*.mp4;*.avi;*.mkv;*.mpg;*.mpeg;*.mov|"
    "Picture Files(*.bmp;*.jpg;*.gif;*.tiff;*.png)|*.bmp;*.jpg;*.gif;*.tiff;*.png|"
    "Audio Files (*.wav;*.mp3)|*.wav;*.mp3|All Files(*.*)|*.*");

namespace {

const int FileTab = 0;
const int DvdTab = 1;

const QString ZeroTime = QStringLiteral("00:00:00");

// A disc folder is chosen through its VIDEO_TS.IFO; an image directly.
const QString DvdDiscFilter = QStringLiteral(
    "DVD(VIDEO_TS.IFO;*.iso)|VIDEO_TS.IFO;video_ts.ifo;*.iso;*.ISO|All Files(*.*)|*.*");

QStringList AskWithFileDialog(QWidget* Parent, TWizardPathKind Kind, const QString& Filter) {
  switch (Kind) {
    case TWizardPathKind::SourceFile: return QFileDialog::getOpenFileNames(Parent, QString(), QString(), Filter);
    case TWizardPathKind::SourceFolder: {
      const QString folder = QFileDialog::getExistingDirectory(Parent);
      return folder.isEmpty() ? QStringList() : QStringList{folder};
    }
    case TWizardPathKind::DvdDisc: break;
  }
  const QString disc = QFileDialog::getOpenFileName(Parent, QString(), QString(), Filter);
  return disc.isEmpty() ? QStringList() : QStringList{disc};
}

TWizardPathChooser& PathChooser() {
  static TWizardPathChooser chooser = AskWithFileDialog;
  return chooser;
}

// Restores the cursor when the scan ends, also by an escaping error.
struct TBusyCursor {
  TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { Restore(); }
  void Restore() {
    if (FOn) QApplication::restoreOverrideCursor();
    FOn = false;
  }
  bool FOn = true;
};

void FillNumbers(QComboBox* List, int Count) {
  const QSignalBlocker quiet(List);
  List->clear();
  for (int n = 1; n <= Count; ++n) List->addItem(QString::number(n));
}

void ChooseQuietly(QComboBox* List, int Index) {
  const QSignalBlocker quiet(List);
  List->setCurrentIndex(Index);
}

}  // namespace

TWizardPathChooser SetWizardPathChooser(TWizardPathChooser Chooser) {
  TWizardPathChooser previous = PathChooser();
  PathChooser() = Chooser ? std::move(Chooser) : TWizardPathChooser(AskWithFileDialog);
  return previous;
}

QStringList AskWizardPath(QWidget* Parent, TWizardPathKind Kind, const QString& Filter) {
  return PathChooser()(Parent, Kind, Filter);
}

QString WizardFileFilter(const QString& PipeFilter) {
  // The file dialog takes the patterns from the last parentheses of each
  // entry, so the description stays whole in front of them.
  const QStringList parts = PipeFilter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
    filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
  }
  return filters.join(QStringLiteral(";;"));
}

// ---------------------------------------------------------------- DVD tab

QWidget* TFormNewConversion::CreateDvdTab() {
  auto* tab = new QWidget;
  tab->setObjectName(QStringLiteral("tsDvd"));
  cbbDrive = new TDvdCombo(tab);
  cbbDrive->setObjectName(QStringLiteral("cbbDrive"));
  btnBrowseDvd = new QToolButton(tab);
  btnBrowseDvd->setObjectName(QStringLiteral("btnBrowseDvd"));
  btnBrowseDvd->setText(QStringLiteral("..."));
  btnBrowseDvd->setToolTip(QStringLiteral("VIDEO_TS / ISO"));
  const auto list = [tab](const char* name) {
    auto* combo = new QComboBox(tab);
    combo->setObjectName(QLatin1String(name));
    return combo;
  };
  cbbTitle = list("cbbTitle");
  cbbAngle = list("cbbAngle");
  cbbChapter = list("cbbChapter");
  cbbThrough = list("cbbThrough");

  auto* grid = new QGridLayout(tab);
  grid->addWidget(new QLabel(QStringLiteral("光驱:"), tab), 0, 0);
  auto* driveRow = new QHBoxLayout;
  driveRow->addWidget(cbbDrive, 1);
  driveRow->addWidget(btnBrowseDvd);
  grid->addLayout(driveRow, 0, 1, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("标题:"), tab), 1, 0);
  grid->addWidget(cbbTitle, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("拍摄角度:"), tab), 1, 2);
  grid->addWidget(cbbAngle, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("开始节:"), tab), 2, 0);
  grid->addWidget(cbbChapter, 2, 1);
  grid->addWidget(new QLabel(QStringLiteral("终了节:"), tab), 2, 2);
  grid->addWidget(cbbThrough, 2, 3);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);

  cbbDrive->OnSelect = [this](TDvdCombo* Sender) { DriveSelected(Sender->currentIndex()); };
  connect(btnBrowseDvd, &QToolButton::clicked, this, &TFormNewConversion::BrowseDvd);
  connect(cbbTitle, &QComboBox::currentIndexChanged, this, &TFormNewConversion::TitleChange);
  connect(cbbAngle, &QComboBox::currentIndexChanged, this, &TFormNewConversion::SourceChange);
  connect(cbbChapter, &QComboBox::currentIndexChanged, this, &TFormNewConversion::FirstChapterChange);
  connect(cbbThrough, &QComboBox::currentIndexChanged, this, &TFormNewConversion::LastChapterChange);
  return tab;
}

bool TFormNewConversion::DvdTabActive() const { return tabSource->currentIndex() == DvdTab; }

const dvd::hb_title_t* TFormNewConversion::CurrentTitle() const {
  const int index = cbbTitle->currentIndex();
  return index >= 0 && static_cast<size_t>(index) < FTitles.size() ? &FTitles[static_cast<size_t>(index)] : nullptr;
}

// ------------------------------------------------------------- DVD source

void TFormNewConversion::BrowseDvd() {
  QString chosen = PathChooser()(this, TWizardPathKind::DvdDisc, WizardFileFilter(DvdDiscFilter)).value(0);
  if (chosen.isEmpty()) return;
  const QFileInfo info(chosen);
  if (info.isFile() && info.fileName().compare(QStringLiteral("VIDEO_TS.IFO"), Qt::CaseInsensitive) == 0)
    chosen = info.absolutePath();
  DriveSelected(cbbDrive->AddDisc(chosen));
}

void TFormNewConversion::DriveSelected(int Index) {
  if (Index != FDriveIndex) ScanDvd(Index);
}

void TFormNewConversion::ScanDvd(int Index) {
  FDriveIndex = Index;
  pvPreview->SetActive(false);
  QWidget* dvdTab = tabSource->widget(DvdTab);
  dvdTab->setEnabled(false);
  tbTime->setEnabled(false);
  TBusyCursor busy;
  struct TReenable {
    TFormNewConversion* Form;
    QWidget* Tab;
    ~TReenable() {
      Tab->setEnabled(true);
      Form->EnableTimeControls();
    }
  } reenable{this, dvdTab};

  const dvd::TDvdDrive* drive = cbbDrive->Drives(Index);
  std::optional<std::vector<dvd::hb_title_t>> titles;
  if (drive) titles = dvd::ScanDvd(drive->DiscPath());
  if (!titles) {
    busy.Restore();
    ShowErrorBox(QStringLiteral("打不开DVD"));
    return;
  }
  {
    const QSignalBlocker quiet(cbbTitle);
    cbbTitle->clear();
    FTitles = std::move(*titles);
    for (const dvd::hb_title_t& title : FTitles) cbbTitle->addItem(dvd::TitleLine(title));
  }
  FillNumbers(cbbAngle, 0);
  FillNumbers(cbbChapter, 0);
  FillNumbers(cbbThrough, 0);
  if (!FTitles.empty()) {
    const QSignalBlocker quiet(cbbTitle);
    cbbTitle->setCurrentIndex(0);
  }
  if (!FTitles.empty()) TitleChange();
}

void TFormNewConversion::TitleChange() {
  const dvd::hb_title_t* title = CurrentTitle();
  if (!title) return;
  FScanning = true;
  struct TScanFlag {
    bool& Flag;
    ~TScanFlag() { Flag = false; }
  } clear{FScanning};
  FillNumbers(cbbAngle, std::max(1, title->angle_count));
  ChooseQuietly(cbbAngle, 0);
  const int chapters = dvd::hb_list_count(title->list_chapter);
  FillNumbers(cbbChapter, chapters);
  FillNumbers(cbbThrough, chapters);
  ChooseQuietly(cbbChapter, 0);
  ChooseQuietly(cbbThrough, chapters - 1);
  SourceChange();
}

// The first chapter never lies past the last one, nor the last before the
// first: moving one past the other takes the other along.
void TFormNewConversion::FirstChapterChange() {
  if (cbbChapter->currentIndex() > cbbThrough->currentIndex()) ChooseQuietly(cbbThrough, cbbChapter->currentIndex());
  SourceChange();
}

void TFormNewConversion::LastChapterChange() {
  if (cbbThrough->currentIndex() < cbbChapter->currentIndex()) ChooseQuietly(cbbChapter, cbbThrough->currentIndex());
  SourceChange();
}

QString TFormNewConversion::SourceText() {
  if (!DvdTabActive()) return edtSource->text();
  const dvd::hb_title_t* title = CurrentTitle();
  if (!title) return QString();
  try {
    FStream = media::RegisterStream(std::make_unique<dvd::TDvdStream>(
        *title, cbbAngle->currentText().toInt(), cbbChapter->currentText().toInt(),
        cbbThrough->currentText().toInt()));
  } catch (const dvd::EDvdError& error) {
    ShowErrorBox(error.Message());
    return QString();
  }
  FStreams.push_back(FStream);
  return media::StreamName(FStream);
}

void TFormNewConversion::ReleaseUnusedStreams() {
  // Streams an input opened are freed by that input; the one the settings
  // name waits for the task that takes them.
  const int kept = FSettings.empty() ? FKeptStream : 0;
  for (const int number : FStreams)
    if (number != kept) media::ReleaseStream(number);
  FStreams.clear();
}

// ---------------------------------------------------- source and target

void TFormNewConversion::SourceChange() {
  RefreshPreview();
  // The folder a batch goes to stays as the user made it while another of
  // its sources is previewed.
  if (DvdTabActive() || !IsBatch() || !FBatchTarget) SetTargetName();
  UpdateButtons();
}

void TFormNewConversion::RefreshPreview() {
  if (!SourceIsValid()) {
    pvPreview->SetActive(false);
    EnableTimeControls();
    return;
  }
  pvPreview->SetActive(false);
  {
    const QSignalBlocker quiet(tbTime);
    tbTime->setValue(0);
    tbTime->setMaximum(0);
  }
  const QString source = SourceText();
  if (!source.isEmpty()) {
    pvPreview->SetInputFile(source);
    pvPreview->SetActive(true);
  }
  // A range chosen for a batch holds for every source of it.
  if (!FKeepTimeRange) ClearTimeSelection();
  lblDuration->setText(ZeroTime);
  if (pvPreview->Active()) {
    const double duration = pvPreview->Duration();
    lblDuration->setText(tasks::DurationCaption(duration));
    const QSignalBlocker quiet(tbTime);
    tbTime->setMaximum(static_cast<int>(std::clamp(duration * 1000.0, 0.0, double(INT_MAX))));
  }
  EnableTimeControls();
  ShowExpectedSize();
}

void TFormNewConversion::SetTargetName() {
  FBatchTarget = !DvdTabActive() && IsBatch();
  if (FBatchTarget) return edtSavePath->setText(FCategoryFolder);
  const TAVProfile* profile = CurrentProfile();
  const QString extension = profile ? profile->Extension() : QString();
  QString target = edtSavePath->text();
  if (DvdTabActive()) {
    const dvd::TDvdDrive* drive = cbbDrive->Drives(FDriveIndex);
    if (const dvd::hb_title_t* title = CurrentTitle())
      target = QStringLiteral("%1_%2").arg(drive ? drive->Volume : QString()).arg(title->index) + extension;
  } else if (SourceIsValid()) {
    target = ChangeFileExt(edtSource->text(), extension);
  }
  const QString name = tasks::FileNamePart(target.trimmed());
  if (name.isEmpty()) return;  // nothing to put into the folder
  QString folder = FCategoryFolder;
  if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
  edtSavePath->setText(folder + name);
}

// ------------------------------------------------------------- time range

void TFormNewConversion::EnableTimeControls() {
  const bool active = pvPreview->Active();
  tbTime->setEnabled(active);
  btnSetStart->setEnabled(active);
  btnSetEnd->setEnabled(active);
}

void TFormNewConversion::ClearTimeSelection() {
  FSelStart = 0;
  FSelEnd = 0;
  // A range chosen on the previous source must not cut the new one.
  cnvAV.ConvertOptions().SetStartTime(0);
  cnvAV.ConvertOptions().SetRecordingTime(TAVConvertOptions::NoRecordingLimit);
  lblStart->setText(ZeroTime);
  lblEnd->setText(ZeroTime);
}

void TFormNewConversion::TimeBarMoved(int Position) {
  if (pvPreview->Active()) pvPreview->Settimestamp(Position / 1000.0);
}

void TFormNewConversion::SetStartPoint() {
  FSelStart = tbTime->value();
  TAVConvertOptions& options = cnvAV.ConvertOptions();
  options.SetStartTime(int64_t(FSelStart) * 1000);
  if (FSelEnd > 0) options.SetRecordingTime((int64_t(FSelEnd) - FSelStart) * 1000);
  lblStart->setText(tasks::DurationCaption(FSelStart / 1000.0));
  ShowExpectedSize();
}

void TFormNewConversion::SetEndPoint() {
  FSelEnd = tbTime->value();
  cnvAV.ConvertOptions().SetRecordingTime((int64_t(FSelEnd) - FSelStart) * 1000);
  lblEnd->setText(tasks::DurationCaption(FSelEnd / 1000.0));
  ShowExpectedSize();
}
