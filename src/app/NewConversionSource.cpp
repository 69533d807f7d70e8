// The source side of the new-conversion dialog: the file tab, the DVD tab with
// its scan and title lists, the target name that follows the source, and the
// time range chosen on the preview.

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
#include "inspect/AVProbe.h"
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

QString AskWithFileDialog(QWidget* Parent, TWizardPathKind, const QString& Filter) {
  return QFileDialog::getOpenFileName(Parent, QString(), QString(), Filter);
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

}  // namespace

TWizardPathChooser SetWizardPathChooser(TWizardPathChooser Chooser) {
  TWizardPathChooser previous = PathChooser();
  PathChooser() = Chooser ? std::move(Chooser) : TWizardPathChooser(AskWithFileDialog);
  return previous;
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

// --------------------------------------------------------------- the tabs

QWidget* TFormNewConversion::CreateFileTab() {
  auto* tab = new QWidget;
  tab->setObjectName(QStringLiteral("tsFile"));
  edtSource = new QLineEdit(tab);
  edtSource->setObjectName(QStringLiteral("edtSource"));
  edtSource->setReadOnly(true);
  btnBrowse = new QToolButton(tab);
  btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
  btnBrowse->setText(QStringLiteral("..."));

  auto* grid = new QGridLayout(tab);
  grid->addWidget(new QLabel(QStringLiteral("输入文件:"), tab), 0, 0);
  grid->addWidget(edtSource, 0, 1);
  grid->addWidget(btnBrowse, 0, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(1, 1);

  connect(btnBrowse, &QToolButton::clicked, this, &TFormNewConversion::BrowseSource);
  connect(edtSource, &QLineEdit::textChanged, this, &TFormNewConversion::SourceChange);
  return tab;
}

QWidget* TFormNewConversion::CreateDvdTab() {
  auto* tab = new QWidget;
  tab->setObjectName(QStringLiteral("tsDvd"));
  cbbDrive = new TDvdCombo(tab);
  cbbDrive->setObjectName(QStringLiteral("cbbDrive"));
  btnBrowseDvd = new QToolButton(tab);
  btnBrowseDvd->setObjectName(QStringLiteral("btnBrowseDvd"));
  btnBrowseDvd->setText(QStringLiteral("..."));
  btnBrowseDvd->setToolTip(QStringLiteral("VIDEO_TS / ISO"));
  const auto list = [tab](const char* name, bool enabled) {
    auto* combo = new QComboBox(tab);
    combo->setObjectName(QLatin1String(name));
    combo->setEnabled(enabled);
    return combo;
  };
  cbbTitle = list("cbbTitle", true);
  // Shown but not offered: the whole title in its first angle is converted.
  cbbAngle = list("cbbAngle", false);
  cbbChapter = list("cbbChapter", false);
  cbbThrough = list("cbbThrough", false);

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
  return tab;
}

bool TFormNewConversion::DvdTabActive() const { return tabSource->currentIndex() == DvdTab; }

const dvd::hb_title_t* TFormNewConversion::CurrentTitle() const {
  const int index = cbbTitle->currentIndex();
  return index >= 0 && static_cast<size_t>(index) < FTitles.size() ? &FTitles[static_cast<size_t>(index)] : nullptr;
}

// ------------------------------------------------------------ file source

void TFormNewConversion::SetSourceFile(const QString& FileName) {
  tabSource->setCurrentIndex(FileTab);
  edtSource->setText(FileName);
}

void TFormNewConversion::BrowseSource() {
  const QString chosen = PathChooser()(this, TWizardPathKind::SourceFile, WizardFileFilter(NewConversionSourceFilter));
  if (chosen.isEmpty()) return;
  if (!FileIsMedia(chosen)) {
    ShowErrorBox(QStringLiteral("无效的文件"));
    return;
  }
  edtSource->setText(chosen);
}

bool TFormNewConversion::FileIsMedia(const QString& FileName) const {
  TAVProbe probe;
  probe.SetFileName(FileName);
  try {
    probe.SetActive(true);
  } catch (const std::exception&) {
    return false;
  }
  return probe.HasVideo() || probe.HasAudio();
}

// ------------------------------------------------------------- DVD source

void TFormNewConversion::BrowseDvd() {
  QString chosen = PathChooser()(this, TWizardPathKind::DvdDisc, WizardFileFilter(DvdDiscFilter));
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
  cbbAngle->setCurrentIndex(0);
  const int chapters = dvd::hb_list_count(title->list_chapter);
  FillNumbers(cbbChapter, chapters);
  FillNumbers(cbbThrough, chapters);
  cbbChapter->setCurrentIndex(0);
  cbbThrough->setCurrentIndex(chapters - 1);
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
  const int kept = FSettings ? 0 : FKeptStream;
  for (const int number : FStreams)
    if (number != kept) media::ReleaseStream(number);
  FStreams.clear();
}

// ---------------------------------------------------- source and target

void TFormNewConversion::SourceChange() {
  RefreshPreview();
  SetTargetName();
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
  ClearTimeSelection();
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
