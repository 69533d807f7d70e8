#pragma once
// The settings panel of the profile editor: description, suffix and format
// on top, the audio and the video choices side by side below. Every change
// of a control is written straight into the profile shown.

#include <QWidget>
#include <functional>

class QComboBox;
class QGroupBox;
class QLineEdit;
class TAVCustomAudioProfile;

class TFrameProfile : public QWidget {
  Q_OBJECT

 public:
  explicit TFrameProfile(QWidget* parent = nullptr);

  // Fills the controls from Profile (a video profile enables the video
  // choices, an audio profile clears and disables them) and edits it from
  // now on. nullptr empties and disables the panel.
  void ShowProfile(TAVCustomAudioProfile* Profile);
  TAVCustomAudioProfile* Profile() const { return FProfile; }

  // Raised after every change of the description field, with its text as
  // typed, also while a profile is being shown.
  std::function<void(const QString& Text)> OnDescriptionChange;

 private:
  void CreateControls();
  QGroupBox* CreateAudioGroup();
  QGroupBox* CreateVideoGroup();
  void ConnectChanges();
  void ShowVideo(const TAVCustomAudioProfile* Profile);
  void ShowAudio(const TAVCustomAudioProfile& Profile);
  // Copies every control back into the profile (the shared change handler).
  void ControlsChanged();
  void CopyAudio();
  void CopyVideo();

  TAVCustomAudioProfile* FProfile = nullptr;
  bool FSuppress = false;  // set while the controls are filled from a profile

  QLineEdit* edtDescript;
  QLineEdit* edtExtension;
  QComboBox* cbbFormat;
  QComboBox* cbbSampleRate;
  QComboBox* cbbAudioEncoder;
  QComboBox* cbbChannels;
  QComboBox* cbbAudioBitrate;
  QComboBox* cbbFrameSize;
  QComboBox* cbbVideoEncoder;
  QComboBox* cbbFrameRate;
  QComboBox* cbbVideoBitrate;
  QComboBox* cbbTargetSize;
};
