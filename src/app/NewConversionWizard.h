#pragma once
// The new-conversion dialog: page 1 picks the source (a media file, or a
// title of a DVD), the profile, the target file and a time range on a
// preview; page 2 holds the video filters. Its own converter, never started,
// collects the options; finishing hands back a TConversionSettings.
//
// The members are defined over several files: NewConversionWizard.cpp (the
// window, buttons, profiles, finish), NewConversionSource.cpp (file and DVD
// source, target name, time range) and NewConversionFilters.cpp (page 2).

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "dvd/DvdNav.h"
#include "engine/AVConverter.h"

class QAction;
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
class TAVFilter;
class TAVPreview;
class TAVProfile;
class TAVProfileList;
class TConversionSettings;
class TDvdCombo;
class TFrameVideoInfo;

// What the dialog asks the user for a path: a source media file, or a DVD
// folder (its VIDEO_TS.IFO) or disc image. Filter is in the file dialog's
// own form. An empty answer means the user gave up.
enum class TWizardPathKind { SourceFile, DvdDisc };
using TWizardPathChooser =
    std::function<QString(QWidget* Parent, TWizardPathKind Kind, const QString& Filter)>;
// Replaces the file dialogs (tests answer instead); an empty chooser restores
// them. Returns the previous chooser.
TWizardPathChooser SetWizardPathChooser(TWizardPathChooser Chooser);

// The source browse filter, "description|patterns|…", and the same in the
// file dialog's form with every description kept as it is.
extern const QString NewConversionSourceFilter;
QString WizardFileFilter(const QString& PipeFilter);

// Path with the extension of its file name (from the last dot on) replaced
// by Extension, or Extension appended when the name has none.
QString ChangeFileExt(const QString& Path, const QString& Extension);

class TFormNewConversion : public QDialog {
  Q_OBJECT

 public:
  static constexpr int ButtonCheckMs = 300;

  // Profiles is the program's profile list; the edit-profile button may add
  // to it and remove from it.
  explicit TFormNewConversion(TAVProfileList& Profiles, QWidget* parent = nullptr);
  ~TFormNewConversion() override;

  // Puts a file into the source field as if it had been chosen (without the
  // probe), which sets the preview and the target name.
  void SetSourceFile(const QString& FileName);

  // The options collected so far (the dialog's converter).
  TAVConvertOptions& ConvertOptions() { return cnvAV.ConvertOptions(); }
  // The settings built when the dialog closed with OK; taken once. The DVD
  // title stream they name then outlives the dialog.
  std::unique_ptr<TConversionSettings> TakeSettings();

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

  // --- sources (NewConversionSource.cpp)
  QWidget* CreateFileTab();
  QWidget* CreateDvdTab();
  void BrowseSource();
  bool FileIsMedia(const QString& FileName) const;
  void BrowseDvd();
  void DriveSelected(int Index);
  void ScanDvd(int Index);
  void TitleChange();
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

  // --- filters (NewConversionFilters.cpp)
  QWidget* CreateSecondPage();
  void NewFilter(std::unique_ptr<TAVFilter> Filter);
  void EditFilter();
  void DeleteFilter();
  void UpdateFilterActions();
  QString FilterText() const;

  TAVProfileList& FProfiles;
  TAVConverter cnvAV;
  // The category picker the dialog never shows: every conversion is filed
  // under category 1 and written into the output folder.
  int FCategoryId = 1;
  QString FCategoryFolder;

  int FDriveIndex = -1;
  std::vector<dvd::hb_title_t> FTitles;  // parallel to the title list
  int FStream = 0;                       // the current title stream
  int FKeptStream = 0;                   // the one the built settings name
  std::vector<int> FStreams;             // every title stream this dialog made
  bool FScanning = false;
  int FSelStart = 0, FSelEnd = 0;  // milliseconds
  std::vector<std::unique_ptr<TAVFilter>> FFilters;  // parallel to the filter list
  std::unique_ptr<TConversionSettings> FSettings;

  QLabel* lblTitle;
  QStackedWidget* pgPages;
  QTabWidget* tabSource;
  QLineEdit* edtSource;
  QToolButton* btnBrowse;
  TDvdCombo* cbbDrive;
  QToolButton* btnBrowseDvd;
  QComboBox* cbbTitle;
  QComboBox* cbbAngle;
  QComboBox* cbbChapter;
  QComboBox* cbbThrough;
  QComboBox* cbbCategory;
  QComboBox* cbbProfile;
  QToolButton* btnEditProfile;
  QLineEdit* edtSavePath;
  TAVPreview* pvPreview;
  QSlider* tbTime;
  QPushButton* btnSetStart;
  QPushButton* btnSetEnd;
  QLabel* lblDuration;
  QLabel* lblStart;
  QLabel* lblEnd;
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
