#pragma once
// The user-definable profiles: an audio target described by a few choices and
// numbers plus free encoder options, and a video target that adds the video
// choices. These are the profiles the editor changes and Profiles.ini stores.

#include <QStringList>

#include "profiles/AVProfile.h"
#include "profiles/CustomProfileTables.h"

class TAVConvertOptions;

class TAVCustomAudioProfile : public TAVProfile {
 public:
  explicit TAVCustomAudioProfile(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TAVCustomAudioProfile"; }

  int SampleRate() const { return FSampleRate; }
  void SetSampleRate(int v) { FSampleRate = v; }
  TCustomAudioEncoder AudioEncoder() const { return FAudioEncoder; }
  void SetAudioEncoder(TCustomAudioEncoder v) { FAudioEncoder = v; }
  // kbit/s; fractions allowed (12.2).
  double AudioBitrate() const { return FAudioBitrate; }
  void SetAudioBitrate(double v) { FAudioBitrate = v; }
  TCustomAudioChannels AudioChannels() const { return FAudioChannels; }
  void SetAudioChannels(TCustomAudioChannels v) { FAudioChannels = v; }
  TCustomAVFormat Format() const { return FFormat; }
  void SetFormat(TCustomAVFormat v) { FFormat = v; }
  // Extra encoder options, one name=value line each.
  const QStringList& Options() const { return FOptions; }
  void SetOptions(const QStringList& v) { FOptions = v; }

  // Display name of the encoder; empty for a value outside the table.
  QString AudioEncoderName() const;

  // Raises EAVError "Assertion failure" for an encoder, format or channel
  // value outside its table; the settings made before stay.
  bool ApplyProfile(TAVConverter& Converter) override;

 protected:
  void WriteIni(TIniFile& AIni, int Index) const override;
  void ReadIni(const TIniFile& AIni, int Index) override;
  // The audio settings; false when AudioStreamCopy ended them early.
  bool ApplyAudio(TAVConvertOptions& o) const;

 private:
  int FSampleRate = 0;
  TCustomAudioEncoder FAudioEncoder = TCustomAudioEncoder::AAC;
  double FAudioBitrate = 0;
  TCustomAudioChannels FAudioChannels = TCustomAudioChannels::mono1;
  TCustomAVFormat FFormat = F_NONE;
  QStringList FOptions;
};

class TAVCustomVideoProfile : public TAVCustomAudioProfile {
 public:
  explicit TAVCustomVideoProfile(TComponent* AOwner = nullptr);
  const char* ClassName() const override { return "TAVCustomVideoProfile"; }

  // 0 keeps the source's width.
  int FrameWidth() const { return FFrameWidth; }
  void SetFrameWidth(int v) { FFrameWidth = v; }
  TCustomVideoEncoder VideoEncoder() const { return FVideoEncoder; }
  void SetVideoEncoder(TCustomVideoEncoder v) { FVideoEncoder = v; }
  TCustomFrameRate FrameRate() const { return FFrameRate; }
  void SetFrameRate(TCustomFrameRate v) { FFrameRate = v; }
  // kbit/s.
  int VideoBitrate() const { return FVideoBitrate; }
  void SetVideoBitrate(int v) { FVideoBitrate = v; }
  // 0 keeps the source's height.
  int FrameHeight() const { return FFrameHeight; }
  void SetFrameHeight(int v) { FFrameHeight = v; }
  int Pass() const { return FPass; }
  void SetPass(int v) { FPass = v; }
  TAVAspectRatio FrameAspectRatio() const { return FFrameAspectRatio; }
  void SetFrameAspectRatio(TAVAspectRatio v) { FFrameAspectRatio = v; }
  // The size of the whole file in MB (10^6 bytes) instead of a video
  // bitrate; 0: the bitrate holds.
  double TargetSize() const { return FTargetSize; }
  void SetTargetSize(double v) { FTargetSize = v; }

  // The frame-size table row of the current size; fsOriginal when none.
  TAVFrameSize FrameSize() const { return FrameSizeOf(FFrameWidth, FFrameHeight); }
  // Display name of the encoder; empty for a value outside the table.
  QString VideoEncoderName() const;
  // The frame rate's label as a number (29.97); 0 for rOriginal.
  double VideoFrameRate() const;

  // The audio settings, then the video ones (also after an early audio stop).
  bool ApplyProfile(TAVConverter& Converter) override;

 protected:
  void WriteIni(TIniFile& AIni, int Index) const override;
  void ReadIni(const TIniFile& AIni, int Index) override;

 private:
  void ApplyVideoEncoder(TAVConverter& Converter) const;
  void ApplyTodaysEncoder(TAVConvertOptions& o) const;

  int FFrameWidth = 0;
  TCustomVideoEncoder FVideoEncoder = TCustomVideoEncoder::H263;
  TCustomFrameRate FFrameRate = rOriginal;
  int FVideoBitrate = 0;
  int FFrameHeight = 0;
  int FPass = 0;
  TAVAspectRatio FFrameAspectRatio = AR_NONE;
  double FTargetSize = 0;
};
