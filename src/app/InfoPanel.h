#pragma once
// The read-only panel that shows a target's video and audio parameters as
// text: the wizard shows the chosen profile in it.

#include <QWidget>

class QGroupBox;
class QLabel;
class TAVProfile;

namespace inspect {
struct TMediaSummary;
}

class TFrameVideoInfo : public QWidget {
  Q_OBJECT

 public:
  explicit TFrameVideoInfo(QWidget* parent = nullptr);

  // Encoder as is, "%dx%d", "%.2f" and the bitrate in decimal.
  void ShowVideoInfo(const QString& EncoderName, int Width, int Height, double FrameRate, int Bitrate);
  // Channels "mono" for 0 or less, "stereo" otherwise; the bitrate as its
  // shortest decimal text ("128", "12.2").
  void ShowAudioInfo(const QString& EncoderName, int SampleRate, int Channels, double Bitrate);
  void ClearVideoInfo();
  void ClearAudioInfo();

  // What a profile change shows: the video group is cleared; a custom profile
  // shows its audio values, a custom video profile its video values too. The
  // audio group keeps the previous values for any other profile.
  void ShowProfile(const TAVProfile* Profile);
  // The size the file will have for a source of Seconds ("预计大小"), or what
  // decides it when the profile asks for a quality.
  void ShowExpectedSize(const TAVProfile* Profile, double Seconds);

  // What the source is ("源文件"): scan, HDR and colour, chapters and cover;
  // nullptr clears it.
  void ShowSource(const inspect::TMediaSummary* Summary);

  // The two groups, for a caller that titles them in its own words.
  QGroupBox* VideoGroup() const { return grpVideo; }
  QGroupBox* AudioGroup() const { return grpAudio; }

 private:
  QGroupBox* grpVideo;
  QGroupBox* grpAudio;
  QLabel* lblFrameSize;
  QLabel* lblVEncoder;
  QLabel* lblFrameRate;
  QLabel* lblVideoBitrate;
  QLabel* lblSampleRate;
  QLabel* lblAudioEncoder;
  QLabel* lblChannels;
  QLabel* lblAudioBitrate;
  QLabel* lblExpectedSize;
  QLabel* lblSource;
};
