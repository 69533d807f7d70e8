// The file side of the new-conversion dialog: the list of source files (one,
// or a batch) added by choosing files or a folder, their lengths and tracks
// found in the background, the audio and subtitle tracks chosen, the preview
// through the filters of page 2, and the settings of one task per source.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/NewConversionWizard.h"
#include "app/InfoPanel.h"
#include "app/PreviewControl.h"
#include "app/SourceProber.h"
#include "engine/EngineError.h"
#include "engine/ErrorBox.h"
#include "inspect/AVProbe.h"
#include "profiles/AVProfile.h"
#include "profiles/ModernProfiles.h"
#include "tasks/BatchTargets.h"
#include "tasks/TaskCaptions.h"

namespace {

const int FileTab = 0;
enum TSourceColumn { scFile = 0, scDuration = 1 };

const QString Probing = QStringLiteral("…");
const QString InvalidFile = QStringLiteral("无效的文件");

// What "添加文件夹" takes: the video and audio kinds of the browse filter and
// the other usual ones of today; pictures are left out.
const QStringList FolderMediaSuffixes{
    QStringLiteral("flv"), QStringLiteral("wmv"), QStringLiteral("mp4"),  QStringLiteral("avi"),
    QStringLiteral("mkv"), QStringLiteral("mpg"), QStringLiteral("mpeg"), QStringLiteral("mov"),
    QStringLiteral("wav"), QStringLiteral("mp3"), QStringLiteral("m4v"),  QStringLiteral("webm"),
    QStringLiteral("ts"),  QStringLiteral("mts"), QStringLiteral("m2ts"), QStringLiteral("vob"),
    QStringLiteral("3gp"), QStringLiteral("ogv"), QStringLiteral("m4a"),  QStringLiteral("aac"),
    QStringLiteral("flac"), QStringLiteral("ogg"), QStringLiteral("wma"),
};

QLabel* Caption(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  return label;
}

// The position of the track a conversion takes by itself, or 0.
int DefaultPosition(const std::vector<inspect::TMediaTrack>& tracks, int best) {
  const auto it = std::find_if(tracks.begin(), tracks.end(), [best](const auto& t) { return t.Stream == best; });
  return it == tracks.end() ? 0 : int(it - tracks.begin());
}

// Fills a track list, choosing the position chosen before or else the default.
void FillTrackList(QComboBox* list, const std::vector<inspect::TMediaTrack>& tracks, int best, int chosen) {
  const QSignalBlocker quiet(list);
  list->clear();
  for (const inspect::TMediaTrack& track : tracks) list->addItem(track.Label, track.Stream);
  list->setCurrentIndex(chosen >= 0 && chosen < list->count() ? chosen : DefaultPosition(tracks, best));
  list->setEnabled(list->count() > 1);
}

// A run of digits without its leading zeros.
QStringView Significant(QStringView digits) {
  qsizetype k = 0;
  while (k + 1 < digits.size() && digits[k] == u'0') ++k;
  return digits.mid(k);
}

// Names in the order people count them ("clip2" before "clip10"), letters
// ignoring case.
bool NaturalLess(const QString& a, const QString& b) {
  qsizetype i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (a[i].isDigit() && b[j].isDigit()) {
      const qsizetype si = i, sj = j;
      while (i < a.size() && a[i].isDigit()) ++i;
      while (j < b.size() && b[j].isDigit()) ++j;
      const QStringView x = Significant(QStringView(a).mid(si, i - si));
      const QStringView y = Significant(QStringView(b).mid(sj, j - sj));
      if (x.size() != y.size()) return x.size() < y.size();
      if (const int c = x.compare(y); c != 0) return c < 0;
      continue;
    }
    const char32_t x = a[i].toCaseFolded().unicode(), y = b[j].toCaseFolded().unicode();
    if (x != y) return x < y;
    ++i, ++j;
  }
  if (a.size() - i != b.size() - j) return a.size() - i < b.size() - j;
  return a < b;  // the same but for case or zeros: still one order
}

int StreamAt(const std::vector<inspect::TMediaTrack>& tracks, int position) {
  return position >= 0 && position < int(tracks.size()) ? tracks[size_t(position)].Stream : -1;
}

// The subtitle tracks as soft tracks, then each text track once more to be
// burnt into the pictures ("烧录: …").
void FillSubtitleList(QComboBox* list, const std::vector<inspect::TMediaTrack>& tracks, int best, int chosen,
                      int burnt) {
  FillTrackList(list, tracks, best, chosen);
  const QSignalBlocker quiet(list);
  int text = 0;
  for (const inspect::TMediaTrack& track : tracks) {
    if (!track.Text) continue;
    list->addItem(QStringLiteral("烧录: ") + track.Label, track.Stream);
    if (text++ == burnt) list->setCurrentIndex(list->count() - 1);
  }
  list->setEnabled(list->count() > 1);
}

// Where the burn-th text track is among all subtitle tracks; -1: none.
int TextTrackPosition(const std::vector<inspect::TMediaTrack>& tracks, int burn) {
  for (size_t i = 0; i < tracks.size(); ++i)
    if (tracks[i].Text && burn-- == 0) return int(i);
  return -1;
}

}  // namespace

QStringList MediaFilesInFolder(const QString& Folder, bool SubFolders) {
  QStringList files;
  QDirIterator it(Folder, QDir::Files | QDir::Readable,
                  SubFolders ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
  while (it.hasNext()) {
    const QString file = it.next();
    if (FolderMediaSuffixes.contains(QFileInfo(file).suffix(), Qt::CaseInsensitive)) files << file;
  }
  const QDir base(Folder);
  std::sort(files.begin(), files.end(), [&](const QString& a, const QString& b) {
    return NaturalLess(base.relativeFilePath(a), base.relativeFilePath(b));
  });
  return files;
}

// --------------------------------------------------------------- the tab

QWidget* TFormNewConversion::CreateFileTab() {
  auto* tab = new QWidget;
  tab->setObjectName(QStringLiteral("tsFile"));
  edtSource = new QLineEdit(tab);
  edtSource->setObjectName(QStringLiteral("edtSource"));
  edtSource->setReadOnly(true);
  btnBrowse = new QToolButton(tab);
  btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
  btnBrowse->setText(QStringLiteral("..."));
  const auto button = [tab](const char* name, const QString& text) {
    auto* b = new QPushButton(text, tab);
    b->setObjectName(QLatin1String(name));
    return b;
  };
  btnAddFiles = button("btnAddFiles", QStringLiteral("添加文件"));
  btnAddFolder = button("btnAddFolder", QStringLiteral("添加文件夹"));
  btnRemoveSource = button("btnRemoveSource", QStringLiteral("移除"));
  chkSubFolders = new QCheckBox(QStringLiteral("包含子文件夹"), tab);
  chkSubFolders->setObjectName(QStringLiteral("chkSubFolders"));

  lstSources = new QTreeWidget(tab);
  lstSources->setObjectName(QStringLiteral("lstSources"));
  lstSources->setHeaderLabels({QStringLiteral("原始文件"), QStringLiteral("用时")});
  lstSources->setRootIsDecorated(false);
  lstSources->setUniformRowHeights(true);
  lstSources->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstSources->header()->setStretchLastSection(false);
  lstSources->header()->setSectionResizeMode(scFile, QHeaderView::Stretch);
  lstSources->header()->setSectionResizeMode(scDuration, QHeaderView::Fixed);
  lstSources->header()->resizeSection(scDuration, 90);

  auto* side = new QVBoxLayout;
  side->addWidget(chkSubFolders);
  side->addWidget(btnRemoveSource);
  side->addStretch(1);
  auto* grid = new QGridLayout(tab);
  grid->setVerticalSpacing(4);
  grid->addWidget(new QLabel(QStringLiteral("输入文件:"), tab), 0, 0);
  grid->addWidget(edtSource, 0, 1);
  grid->addWidget(btnBrowse, 0, 2);
  grid->addWidget(btnAddFiles, 0, 3);
  grid->addWidget(btnAddFolder, 0, 4);
  grid->addWidget(lstSources, 1, 1, 1, 2);
  grid->addLayout(side, 1, 3, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(1, 1);

  connect(btnBrowse, &QToolButton::clicked, this, &TFormNewConversion::BrowseSource);
  connect(btnAddFiles, &QPushButton::clicked, this, &TFormNewConversion::AddFiles);
  connect(btnAddFolder, &QPushButton::clicked, this, &TFormNewConversion::AddFolder);
  connect(btnRemoveSource, &QPushButton::clicked, this, &TFormNewConversion::RemoveSources);
  connect(lstSources, &QTreeWidget::currentItemChanged, this, &TFormNewConversion::CurrentSourceChanged);
  connect(edtSource, &QLineEdit::textChanged, this, &TFormNewConversion::SourceChange);
  return tab;
}

QWidget* TFormNewConversion::CreateTrackRows(QWidget* parent) {
  auto* rows = new QWidget(parent);
  cbbAudioTrack = new QComboBox(rows);
  cbbAudioTrack->setObjectName(QStringLiteral("cbbAudioTrack"));
  cbbSubtitleTrack = new QComboBox(rows);
  cbbSubtitleTrack->setObjectName(QStringLiteral("cbbSubtitleTrack"));
  for (QComboBox* list : {cbbAudioTrack, cbbSubtitleTrack}) {
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(8);
    list->setEnabled(false);
  }
  chkFilterPreview = new QCheckBox(QStringLiteral("预览水印效果"), rows);
  chkFilterPreview->setObjectName(QStringLiteral("chkFilterPreview"));
  chkFilterPreview->setToolTip(QStringLiteral("预览画面加上“更多设置”里的水印和字幕"));

  cbbHdr = new QComboBox(rows);
  cbbHdr->setObjectName(QStringLiteral("cbbHdr"));
  cbbHdr->addItems({QStringLiteral("保留HDR"), QStringLiteral("转为SDR")});
  lblHdr = Caption(QStringLiteral("HDR:"), rows);

  auto* grid = new QGridLayout(rows);
  grid->setContentsMargins(0, 4, 0, 0);
  grid->setVerticalSpacing(4);
  grid->addWidget(Caption(QStringLiteral("音轨:"), rows), 0, 0);
  grid->addWidget(cbbAudioTrack, 0, 1);
  grid->addWidget(Caption(QStringLiteral("字幕:"), rows), 1, 0);
  grid->addWidget(cbbSubtitleTrack, 1, 1);
  grid->addWidget(lblHdr, 2, 0);
  grid->addWidget(cbbHdr, 2, 1);
  grid->addWidget(chkFilterPreview, 3, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  lblHdr->hide();
  cbbHdr->hide();
  connect(cbbHdr, &QComboBox::currentIndexChanged, this, [this](int choice) { FHdrChoice = choice; });

  // Filling the lists is quiet: only the user's choices are kept.
  connect(cbbAudioTrack, &QComboBox::currentIndexChanged, this, [this](int position) { FAudioChoice = position; });
  connect(cbbSubtitleTrack, &QComboBox::currentIndexChanged, this, [this](int position) {
    const TSource* source = CurrentSource();
    const int soft = source ? int(source->Summary.Subtitles.size()) : 0;
    FSubtitleChoice = position < soft ? position : -1;
    FBurnChoice = position < soft ? -1 : position - soft;
  });
  connect(chkFilterPreview, &QCheckBox::toggled, this, &TFormNewConversion::UpdateFilterPreview);
  return rows;
}

// ------------------------------------------------------------- the list

bool TFormNewConversion::IsBatch() const { return FSources.size() > 1; }

QStringList TFormNewConversion::SourceFiles() const {
  QStringList files;
  for (const TSource& source : FSources) files << source.File;
  return files;
}

void TFormNewConversion::SetSourceFile(const QString& FileName) {
  tabSource->setCurrentIndex(FileTab);
  ReplaceSources({FileName});
}

void TFormNewConversion::ReplaceSources(const QStringList& Files) {
  // A new choice of sources starts afresh: no range, no tracks chosen.
  ClearTimeSelection();
  FAudioChoice = FSubtitleChoice = FBurnChoice = -1;
  FSources.clear();
  {
    const QSignalBlocker quiet(lstSources);
    lstSources->clear();
  }
  AddSourceFiles(Files);
}

void TFormNewConversion::AddSourceFiles(const QStringList& Files) {
  QStringList added;
  for (const QString& file : Files) {
    if (file.isEmpty() || SourceFiles().contains(file) || added.contains(file)) continue;
    TSource source;
    source.File = file;
    FSources.push_back(std::move(source));
    auto* item = new QTreeWidgetItem({QFileInfo(file).fileName(), Probing});
    item->setToolTip(scFile, file);
    item->setTextAlignment(scDuration, Qt::AlignRight | Qt::AlignVCenter);
    lstSources->addTopLevelItem(item);
    added << file;
  }
  // One source's pictures are looked at for what the panel shows; a batch's are left to the conversion.
  FProber->Probe(added, FSources.size() == 1);
  if (!lstSources->currentItem() && lstSources->topLevelItemCount() > 0)
    lstSources->setCurrentItem(lstSources->topLevelItem(0));
  else
    ShowSourceRow(lstSources->indexOfTopLevelItem(lstSources->currentItem()));
}

void TFormNewConversion::RemoveSources() {
  const QList<QTreeWidgetItem*> chosen = lstSources->selectedItems();
  for (QTreeWidgetItem* item : chosen) {
    const int row = lstSources->indexOfTopLevelItem(item);
    FSources.erase(FSources.begin() + row);
    delete lstSources->takeTopLevelItem(row);
  }
  ShowSourceRow(lstSources->indexOfTopLevelItem(lstSources->currentItem()));
}

void TFormNewConversion::CurrentSourceChanged() {
  ShowSourceRow(lstSources->indexOfTopLevelItem(lstSources->currentItem()));
}

// The source of the row goes into the field (which previews it); the range
// chosen stays, as it holds for the whole list.
void TFormNewConversion::ShowSourceRow(int Row) {
  FKeepTimeRange = true;
  const QString file = Row >= 0 && Row < int(FSources.size()) ? FSources[size_t(Row)].File : QString();
  if (file != edtSource->text())
    edtSource->setText(file);
  else if (IsBatch() != FBatchTarget)
    SetTargetName();  // the list became a batch, or stopped being one
  FKeepTimeRange = false;
  FillTracks();
  UpdateButtons();
}

void TFormNewConversion::SourceProbed(const QString& File, const inspect::TMediaSummary& Summary) {
  for (size_t row = 0; row < FSources.size(); ++row) {
    TSource& source = FSources[row];
    if (source.File != File || source.Probed) continue;
    source.Probed = true;
    source.Summary = Summary;
    QTreeWidgetItem* item = lstSources->topLevelItem(int(row));
    item->setText(scDuration, Summary.Media ? tasks::DurationCaption(Summary.Duration) : InvalidFile);
    if (!Summary.Media) item->setToolTip(scDuration, Summary.Error);
    if (lstSources->currentItem() == item) FillTracks();
  }
}

// --------------------------------------------------------- adding files

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

void TFormNewConversion::BrowseSource() {
  const QStringList chosen =
      AskWizardPath(this, TWizardPathKind::SourceFile, WizardFileFilter(NewConversionSourceFilter));
  if (chosen.isEmpty()) return;
  // One file is looked at before it is taken; those of a batch are looked at
  // in the background, and the list marks any that is no media.
  if (chosen.size() == 1 && !FileIsMedia(chosen.front())) return ShowErrorBox(InvalidFile);
  tabSource->setCurrentIndex(FileTab);
  ReplaceSources(chosen);
}

void TFormNewConversion::AddFiles() {
  const QStringList chosen =
      AskWizardPath(this, TWizardPathKind::SourceFile, WizardFileFilter(NewConversionSourceFilter));
  if (chosen.size() == 1 && !FileIsMedia(chosen.front())) return ShowErrorBox(InvalidFile);
  AddSourceFiles(chosen);
}

void TFormNewConversion::AddFolder() {
  const QString folder = AskWizardPath(this, TWizardPathKind::SourceFolder, QString()).value(0);
  if (folder.isEmpty()) return;
  const QStringList files = MediaFilesInFolder(folder, chkSubFolders->isChecked());
  if (files.isEmpty()) return ShowErrorBox(QStringLiteral("文件夹里没有视频或音频文件"));
  AddSourceFiles(files);
}

// ------------------------------------------------------------ the tracks

const TFormNewConversion::TSource* TFormNewConversion::CurrentSource() const {
  const int row = lstSources->indexOfTopLevelItem(lstSources->currentItem());
  return !DvdTabActive() && row >= 0 && row < int(FSources.size()) ? &FSources[size_t(row)] : nullptr;
}

void TFormNewConversion::ShowHdrChoice() {
  const TSource* source = CurrentSource();
  const auto* modern = dynamic_cast<const TAVModernProfile*>(CurrentProfile());
  const bool offered = source && source->Probed && source->Summary.Pictures.Hdr() != engine::THdrKind::None &&
                       modern && modern->CanKeepHdr();
  lblHdr->setVisible(offered);
  cbbHdr->setVisible(offered);
}

void TFormNewConversion::FillTracks() {
  const TSource* source = CurrentSource();
  FrameVideoInfo->ShowSource(source && source->Probed ? &source->Summary : nullptr);
  ShowHdrChoice();
  if (!source || !source->Probed) {
    FillTrackList(cbbAudioTrack, {}, -1, -1);
    FillTrackList(cbbSubtitleTrack, {}, -1, -1);
    return;
  }
  FillTrackList(cbbAudioTrack, source->Summary.Audio, source->Summary.BestAudio, FAudioChoice);
  FillSubtitleList(cbbSubtitleTrack, source->Summary.Subtitles, source->Summary.BestSubtitle, FSubtitleChoice,
                   FBurnChoice);
}

// A choice holds by position for every source of a batch that has the track.
QStringList TFormNewConversion::StreamMapsOf(TSource& Source, const TAVConvertOptions& Options,
                                             const QString& Target) {
  if (FAudioChoice < 0 && FSubtitleChoice < 0) return {};
  if (!Source.Probed) {
    Source.Summary = inspect::ProbeMediaFile(Source.File);
    Source.Probed = true;
  }
  const inspect::TMediaSummary& s = Source.Summary;
  return inspect::StreamMapsFor(s, Options, Target, StreamAt(s.Audio, FAudioChoice),
                                StreamAt(s.Subtitles, FSubtitleChoice));
}

void TFormNewConversion::BurnChosenSubtitles(TSource& Source, TAVConvertOptions& Options) {
  if (FBurnChoice < 0) return;
  if (!Source.Probed) {
    Source.Summary = inspect::ProbeMediaFile(Source.File);
    Source.Probed = true;
  }
  const int position = TextTrackPosition(Source.Summary.Subtitles, FBurnChoice);
  if (position < 0) return;  // a source of the batch without such a track
  const QString burn = QStringLiteral("burn=stream$%1").arg(position);
  const QString filters = Options.FilterOptions().VideoFilters();
  Options.FilterOptions().SetVideoFilters(filters.isEmpty() ? burn : filters + QLatin1Char(',') + burn);
  Options.SubtitleOptions().SetSubtitleDisable(true);
}

// --------------------------------------------------------------- finish

std::vector<TFormNewConversion::TSource*> TFormNewConversion::SourcesToConvert() {
  std::vector<TSource*> sources;
  for (TSource& source : FSources)
    // The one source of a single conversion goes as it always did; a batch
    // leaves out the files its list shows as no media.
    if (!IsBatch() || !source.Probed || source.Summary.Media) sources.push_back(&source);
  return sources;
}

bool TFormNewConversion::BuildBatchSettings() {
  const std::vector<TSource*> sources = SourcesToConvert();
  if (sources.empty()) {
    ShowErrorBox(InvalidFile);
    return false;
  }
  QStringList files;
  for (const TSource* source : sources) files << source->File;
  const QStringList targets = FBatchTarget
                                  ? tasks::BatchTargetNames(files, TargetFolder(), CurrentProfile()->Extension())
                                  : QStringList{edtSavePath->text().trimmed()};
  TNewConversions all;
  for (size_t i = 0; i < sources.size() && i < size_t(targets.size()); ++i) {
    TSource& source = *sources[i];
    auto settings = SettingsFor(source.File, targets[qsizetype(i)]);
    BurnChosenSubtitles(source, settings->ConvertOptions());
    const QStringList maps = StreamMapsOf(source, settings->ConvertOptions(), targets[qsizetype(i)]);
    if (!maps.isEmpty()) settings->ConvertOptions().SetStreamMaps(maps);
    // Shown in the task list until the engine knows better.
    if (source.Probed) settings->SetDuration(source.Summary.Duration);
    // A name a task could not keep exactly is refused while the user can
    // still choose another one.
    try {
      RequireStorableSettings(*settings);
    } catch (const EAVError& e) {
      ShowErrorBox(e.Message());
      return false;
    }
    all.push_back(std::move(settings));
  }
  FSettings = std::move(all);
  return true;
}

// ------------------------------------------------------ filtered preview

void TFormNewConversion::UpdateFilterPreview() {
  if (!chkFilterPreview->isChecked()) return pvPreview->SetVideoFilters(QString(), QSize());
  pvPreview->SetVideoFilters(FilterText(), ProfileFrameSize());
}

// The picture size the profile converts to, where the filters act; empty
// when it keeps the source's.
QSize TFormNewConversion::ProfileFrameSize() const {
  TAVProfile* profile = CurrentProfile();
  if (!profile) return {};
  TAVConverter scratch;
  try {
    profile->ApplyProfile(scratch);
  } catch (const std::exception&) {
    return {};  // the finish reports it
  }
  const TVideoOptions& video = scratch.ConvertOptions().VideoOptions();
  return video.FrameWidth() > 0 && video.FrameHeight() > 0 ? QSize(video.FrameWidth(), video.FrameHeight()) : QSize();
}
