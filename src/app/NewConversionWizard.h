#pragma once
// The new-conversion dialog: page 1 picks the source (media files, or a
// title of a DVD), the profile, the category and target, a time range on a
// preview and the source's audio and subtitle tracks; page 2 holds the video
// filters. Its own converter, never started, collects the options; finishing
// hands back one TConversionSettings per source.
//
// Several files make a batch: one profile, target folder, filters and time
// range apply to all, each target named after its source (numbered when two
// would meet), and the target field holds the folder.
//
// The members are defined over several files: NewConversionWizard.cpp (the
// window, buttons, profiles, finish), NewConversionSource.cpp (DVD source,
// target name, time range), NewConversionBatch.cpp (the list of files, their
// tracks and the batch's settings) and NewConversionFilters.cpp (page 2).

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "app/NewConversion.h"
#include "dvd/DvdNav.h"
#include "engine/AVConverter.h"
#include "inspect/MediaTracks.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;
class QStackedWidget;
class QTabWidget;
class QTimer;
class QToolButton;
class QTreeWidget;
class TAVFilter;
class TAVPreview;
class TAVProfile;
class TAVProfileList;
class TConversionSettings;
class TDvdCombo;
class TFrameVideoInfo;
class TSourceProber;
class TVirtualTreeEdit;

// What the dialog asks the user for a path: source media files (several
// may be chosen), a DVD folder (its VIDEO_TS.IFO) or disc image, or a folder
// of sources. Filter is in the file dialog's own form. No answer means the
// user gave up.
enum class TWizardPathKind { SourceFile, DvdDisc, SourceFolder };
using TWizardPathChooser =
    std::function<QStringList(QWidget* Parent, TWizardPathKind Kind, const QString& Filter)>;
// Replaces the file dialogs (tests answer instead); an empty chooser restores
// them. Returns the previous chooser.
TWizardPathChooser SetWizardPathChooser(TWizardPathChooser Chooser);
// Asks through the chooser in use.
QStringList AskWizardPath(QWidget* Parent, TWizardPathKind Kind, const QString& Filter);

// The source browse filter, "description|patterns|…", and the same in the
// file dialog's form with every description kept as it is.
extern const QString NewConversionSourceFilter;
QString WizardFileFilter(const QString& PipeFilter);

// Path with the extension of its file name (from the last dot on) replaced
// by Extension, or Extension appended when the name has none.
QString ChangeFileExt(const QString& Path, const QString& Extension);

// The media files of a folder ("添加文件夹"): video and audio files by their
// extension, in the order of their names (numbers counted as numbers), with
// those of every sub-folder when asked.
QStringList MediaFilesInFolder(const QString& Folder, bool SubFolders);

class TFormNewConversion : public QDialog {
  Q_OBJECT

 public:
  static constexpr int ButtonCheckMs = 300;

  // Profiles is the program's profile list; the edit-profile button may add
  // to it and remove from it.
  explicit TFormNewConversion(TAVProfileList& Profiles, QWidget* parent = nullptr);
  ~TFormNewConversion() override;

  // Puts a file into the source field as if it had been chosen (without the
  // probe), which sets the preview and the target name. The list of sources
  // then holds that file alone.
  void SetSourceFile(const QString& FileName);
  // The list of sources holds these files (those already in it stay first,
  // a file is listed once); their lengths and tracks are found in the
  // background.
  void AddSourceFiles(const QStringList& Files);
  QStringList SourceFiles() const;

  // The options collected so far (the dialog's converter).
  TAVConvertOptions& ConvertOptions() { return cnvAV.ConvertOptions(); }
  // The settings built when the dialog closed with OK (of the first source);
  // taken once. The DVD title stream they name then outlives the dialog.
  std::unique_ptr<TConversionSettings> TakeSettings();
  // The settings of every source, in the list's order; taken once.
  TNewConversions TakeAllSettings();

  // The rule of "更多选项 >" and "开始转换(&S)", also run every 300 ms.
  void UpdateButtons();
  bool SourceIsValid() const;

  void done(int r) override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  // --- window (NewConversionWizard.cpp)
  QWidget* CreateFirstPage();
  QWidget* CreateOutputRows(QWidget* parent);
  QWidget* CreateTimeGroup(QWidget* parent);
  QWidget* CreateButtonRow();
  void SetInitialOptions();
  void ShowPage(int Index);
  void FillCategories();
  void CategoryChange();
  void ProfileChange();
  void ShowExpectedSize();
  void SelectCategoryOf(const TAVProfile* Profile);
  void EditProfile();
  TAVProfile* CurrentProfile() const;
  void Finish();
  bool BuildSettings();
  // The settings of one source as the dialog shows them now.
  std::unique_ptr<TConversionSettings> SettingsFor(const QString& Source, const QString& Target) const;
  void CategoryPicked();
  QString TargetFolder() const;

  // --- sources (NewConversionSource.cpp)
  QWidget* CreateDvdTab();
  void BrowseDvd();
  void DriveSelected(int Index);
  void ScanDvd(int Index);
  void TitleChange();
  void FirstChapterChange();
  void LastChapterChange();
  void SourceChange();
  void RefreshPreview();
  void SetTargetName();
  void ClearTimeSelection();
  void TimeBarMoved(int Position);
  void SetStartPoint();
  void SetEndPoint();
  void EnableTimeControls();
  bool DvdTabActive() const;
  const dvd::hb_title_t* CurrentTitle() const;
  // The text the demuxer opens: the file, or "stream:N" of a new title
  // stream for the chosen range (empty when the stream cannot be made).
  QString SourceText();
  void ReleaseUnusedStreams();

  // --- the list of files, their tracks, the batch (NewConversionBatch.cpp)
  struct TSource {
    QString File;
    bool Probed = false;
    inspect::TMediaSummary Summary;
  };
  QWidget* CreateFileTab();
  QWidget* CreateTrackRows(QWidget* parent);
  void BrowseSource();
  void AddFiles();
  void AddFolder();
  void RemoveSources();
  bool FileIsMedia(const QString& FileName) const;
  void ReplaceSources(const QStringList& Files);
  void ShowSourceRow(int Row);
  void CurrentSourceChanged();
  void SourceProbed(const QString& File, const inspect::TMediaSummary& Summary);
  bool IsBatch() const;
  // Every source not known to be invalid, probed when a track choice needs it.
  std::vector<TSource*> SourcesToConvert();
  bool BuildBatchSettings();
  void FillTracks();
  // The stream maps of one source for the tracks chosen, given its target.
  QStringList StreamMapsOf(TSource& Source, const TAVConvertOptions& Options, const QString& Target);
  // The source shown in the list and the info panel; nullptr on the DVD tab.
  const TSource* CurrentSource() const;
  // Offers the HDR choice where it means something.
  void ShowHdrChoice();
  // The subtitle track chosen to be burnt in, drawn into the pictures of
  // Options with no soft track beside it.
  void BurnChosenSubtitles(TSource& Source, TAVConvertOptions& Options);
  void UpdateFilterPreview();
  QSize ProfileFrameSize() const;

  // --- filters (NewConversionFilters.cpp)
  QWidget* CreateSecondPage();
  void NewFilter(std::unique_ptr<TAVFilter> Filter);
  void EditFilter();
  void DeleteFilter();
  void UpdateFilterActions();
  QString FilterText() const;

  TAVProfileList& FProfiles;
  TAVConverter cnvAV;
  // The category chosen with the picker (category 1 and the output folder
  // at first): finished tasks are filed under it, targets go into its folder.
  int FCategoryId = 1;
  QString FCategoryFolder;

  std::vector<TSource> FSources;  // parallel to the list of sources
  TSourceProber* FProber;
  // The target field holds the folder of a batch (not a file name).
  bool FBatchTarget = false;
  // Another source of the list is previewed: the time range stays.
  bool FKeepTimeRange = false;
  // The tracks chosen, as positions among the source's audio and subtitle
  // tracks; -1: the one a conversion takes by itself.
  int FAudioChoice = -1;
  int FSubtitleChoice = -1;
  int FBurnChoice = -1;  // the text subtitle track (counted among those) to burn in; -1: none
  int FHdrChoice = 0;    // an HDR source into a target that can keep it: 0 keeps HDR, 1 makes SDR

  int FDriveIndex = -1;
  std::vector<dvd::hb_title_t> FTitles;  // parallel to the title list
  int FStream = 0;                       // the current title stream
  int FKeptStream = 0;                   // the one the built settings name
  std::vector<int> FStreams;             // every title stream this dialog made
  bool FScanning = false;
  int FSelStart = 0, FSelEnd = 0;  // milliseconds
  std::vector<std::unique_ptr<TAVFilter>> FFilters;  // parallel to the filter list
  TNewConversions FSettings;

  QLabel* lblTitle;
  QStackedWidget* pgPages;
  QTabWidget* tabSource;
  QLineEdit* edtSource;
  QToolButton* btnBrowse;
  QPushButton* btnAddFiles;
  QPushButton* btnAddFolder;
  QCheckBox* chkSubFolders;
  QPushButton* btnRemoveSource;
  QTreeWidget* lstSources;
  TDvdCombo* cbbDrive;
  QToolButton* btnBrowseDvd;
  QComboBox* cbbTitle;
  QComboBox* cbbAngle;
  QComboBox* cbbChapter;
  QComboBox* cbbThrough;
  QComboBox* cbbCategory;
  QComboBox* cbbProfile;
  QToolButton* btnEditProfile;
  TVirtualTreeEdit* edtCategory;
  QLineEdit* edtSavePath;
  TAVPreview* pvPreview;
  QSlider* tbTime;
  QPushButton* btnSetStart;
  QPushButton* btnSetEnd;
  QLabel* lblDuration;
  QLabel* lblStart;
  QLabel* lblEnd;
  QComboBox* cbbAudioTrack;
  QComboBox* cbbSubtitleTrack;
  QLabel* lblHdr;
  QComboBox* cbbHdr;  // "保留HDR" / "转为SDR", offered where the source is HDR and the target can keep it
  QCheckBox* chkFilterPreview;
  TFrameVideoInfo* FrameVideoInfo;
  QToolButton* btnNewFilter;
  QAction* actEditFilter;
  QAction* actDeleteFilter;
  QListWidget* lstFilters;
  QPushButton* btnBack;
  QPushButton* btnNext;
  QPushButton* btnFinish;
  QPushButton* btnCancel;
  QTimer* tmButtons;
};
