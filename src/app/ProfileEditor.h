#pragma once
// The profile editor: categories on the left, the category's custom profiles
// and the settings panel on the right, and a tool bar to add audio or video
// profiles, delete one, or save all to Profiles.ini and leave. Every edit
// changes the live profile objects of the list at once; only "Save and Exit"
// writes the file.

#include <QDialog>

class QAction;
class QListWidget;
class QSplitter;
class QToolBar;
class TAVCustomAudioProfile;
class TAVProfile;
class TAVProfileList;
class TFrameProfile;

class TFormEditProfile : public QDialog {
  Q_OBJECT

 public:
  // Profiles is the program's profile list; new profiles join it, owned by it.
  explicit TFormEditProfile(TAVProfileList& Profiles, QWidget* parent = nullptr);

  // The profile shown in the settings panel; nullptr after the last profile
  // of the shown category was deleted.
  TAVCustomAudioProfile* CurrentProfile() const { return FCurrentProfile; }
  // Selects the profile's category (none when it is not listed) and the profile.
  void SetCurrentProfile(TAVCustomAudioProfile* Value);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CreateToolBar();
  void CreateLayout();
  void FillCategories();
  void CategoryClick();
  void ProfileClick();
  void NewProfile(TAVCustomAudioProfile* Profile, const QString& Description);
  void DeleteProfile();
  void SaveAndExit();
  void UpdateActions();
  TAVCustomAudioProfile* ItemProfile(int Row) const;
  void AddProfileItem(TAVCustomAudioProfile* Profile);

  TAVProfileList& FProfiles;
  TAVCustomAudioProfile* FCurrentProfile = nullptr;

  QSplitter* FCategorySplitter;
  QSplitter* FProfileSplitter;
  bool FSplittersPlaced = false;
  QListWidget* lstCategory;
  QToolBar* tlbEdit;
  QListWidget* lstProfile;
  TFrameProfile* FrameProfile;
  QAction* actNewMusic;
  QAction* actNewVideo;
  QAction* actDelProfile;
  QAction* actExit;
};

// Runs the editor modally on Profile. Afterwards Profile is the profile
// current at closing. When there is none (the shown category lost its last
// profile, or Profile was no custom profile and nothing was chosen) it is a
// Profile that was no custom profile, else the first custom profile of a
// listed category (nullptr only when there is none): a destroyed profile is
// never handed back. The result tells whether the window closed with OK,
// which none of its controls does.
bool ShowProfileEditor(TAVProfile*& Profile, TAVProfileList& Profiles, QWidget* parent = nullptr);
