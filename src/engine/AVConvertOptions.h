#pragma once
// The option tree of one conversion: every parameter the engine reads, with
// its default, validation and deep copy. Persisted properties are stored with a
// task and copied by Assign; runtime properties live only in code.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/PersistentProperties.h"

// Base of every option object: copies itself from another object of its own
// class through Assign.
class TAVPersistent {
 public:
  TAVPersistent() = default;
  TAVPersistent(const TAVPersistent&) = delete;
  TAVPersistent& operator=(const TAVPersistent&) = delete;
  virtual ~TAVPersistent() = default;

  virtual const char* ClassName() const = 0;
  // Deep copy from an object of the same class; any other class raises
  // EAVError "Cannot assign a <source> to a <target>".
  virtual void Assign(const TAVPersistent& Source);
  // The persistent properties in declaration order, base class first.
  virtual const TPropList& Properties() const;
  // Settings that are not stored with a task but can be set by name too.
  virtual const TPropList& RuntimeProperties() const;
};

class TRational : public TAVPersistent {
 public:
  static constexpr int DefaultNum = 25;
  static constexpr int DefaultDen = 1;

  const char* ClassName() const override { return "TRational"; }
  void Assign(const TAVPersistent& Source) override;
  const TPropList& Properties() const override;

  int num() const { return Fnum; }
  int den() const { return Fden; }
  // Setting a term is a request for that rate, even the default one.
  void Setnum(int v) { Fnum = v, FRequested = true; }
  void Setden(int v) { Fden = v, FRequested = true; }
  // Stored values read back: a request only where they differ from the default.
  void Loadnum(int v) { Fnum = v, FRequested = FRequested || v != DefaultNum; }
  void Loadden(int v) { Fden = v, FRequested = FRequested || v != DefaultDen; }
  // Whether somebody asked for this rate (copied by Assign, never stored).
  bool Requested() const { return FRequested; }

 private:
  int Fnum = DefaultNum;
  int Fden = DefaultDen;
  bool FRequested = false;
};

enum TAVAudioSampleFormat : uint8_t { sfAuto, sfU8, sfS16, sfS32, sfFLT, sfDBL };

// The library's sample format for a requested one; sfAuto gives -1 (none).
int LibrarySampleFormat(TAVAudioSampleFormat f);

class TAudioOptions : public TAVPersistent {
 public:
  static constexpr int DefaultMaxFrames = 2147483647;
  static constexpr float NoQScale = -99999.0f;

  const char* ClassName() const override { return "TAudioOptions"; }
  void Assign(const TAVPersistent& Source) override;
  const TPropList& Properties() const override;

  int AudioChannels() const { return FAudioChannels; }
  int AudioSampleRate() const { return FAudioSampleRate; }
  int AudioVolume() const { return FAudioVolume; }
  int AudioSyncMethod() const { return FAudioSyncMethod; }
  bool AudioDisable() const { return FAudioDisable; }
  TAVAudioSampleFormat AudioSampleFmt() const { return FAudioSampleFmt; }
  bool AudioStreamCopy() const { return FAudioStreamCopy; }
  const QString& EncoderAudioCodecName() const { return FEncoderAudioCodecName; }
  const QString& DecoderAudioCodecName() const { return FDecoderAudioCodecName; }
  int AudioCodecTag() const { return FAudioCodecTag; }
  const QString& AudioLanguage() const { return FAudioLanguage; }
  float AudioQScale() const { return FAudioQScale; }
  float AudioDriftThreshold() const { return FAudioDriftThreshold; }
  int Bitrate() const { return FBitrate; }
  int MaxFrames() const { return FMaxFrames; }

  void SetAudioChannels(int v) { FAudioChannels = v; }
  void SetAudioSampleRate(int v) { FAudioSampleRate = v; }
  void SetAudioVolume(int v) { FAudioVolume = v; }
  void SetAudioSyncMethod(int v) { FAudioSyncMethod = v; }
  void SetAudioDisable(bool v) { FAudioDisable = v; }
  // sfAuto is ignored: the current format stays.
  void SetAudioSampleFmt(TAVAudioSampleFormat v);
  void SetAudioStreamCopy(bool v) { FAudioStreamCopy = v; }
  void SetEncoderAudioCodecName(const QString& v) { FEncoderAudioCodecName = v; }
  void SetDecoderAudioCodecName(const QString& v) { FDecoderAudioCodecName = v; }
  void SetAudioCodecTag(int v) { FAudioCodecTag = v; }
  void SetAudioLanguage(const QString& v) { FAudioLanguage = v; }
  void SetAudioQScale(float v) { FAudioQScale = v; }
  void SetAudioDriftThreshold(float v) { FAudioDriftThreshold = v; }
  void SetBitrate(int v) { FBitrate = v; }
  void SetMaxFrames(int v) { FMaxFrames = v; }

 private:
  int FAudioChannels = 0;
  int FAudioSampleRate = 0;
  int FAudioVolume = 256;
  int FAudioSyncMethod = 0;
  bool FAudioDisable = false;
  TAVAudioSampleFormat FAudioSampleFmt = sfAuto;
  bool FAudioStreamCopy = false;
  QString FEncoderAudioCodecName;
  QString FDecoderAudioCodecName;
  int FAudioCodecTag = 0;
  QString FAudioLanguage;
  float FAudioQScale = NoQScale;
  float FAudioDriftThreshold = 0.1f;
  int FBitrate = 0;
  int FMaxFrames = DefaultMaxFrames;
};

class TVideoOptions : public TAVPersistent {
 public:
  static constexpr int DefaultMaxFrames = 2147483647;
  static constexpr int DefaultIntraDcPrecision = 8;
  using TMatrix = std::array<uint16_t, 64>;

  TVideoOptions();
  const char* ClassName() const override { return "TVideoOptions"; }
  void Assign(const TAVPersistent& Source) override;
  const TPropList& Properties() const override;
  const TPropList& RuntimeProperties() const override;

  int FrameLeftBand() const { return FFrameLeftBand; }
  int FrameRightBand() const { return FFrameRightBand; }
  int FrameTopBand() const { return FFrameTopBand; }
  int FrameBottomBand() const { return FFrameBottomBand; }
  int FrameWidth() const { return FFrameWidth; }
  int FrameHeight() const { return FFrameHeight; }
  const QByteArray& EncoderVideoCodecName() const { return FEncoderVideoCodecName; }
  const QByteArray& DecoderVideoCodecName() const { return FDecoderVideoCodecName; }
  bool VideoDisable() const { return FVideoDisable; }
  bool VideoStreamCopy() const { return FVideoStreamCopy; }
  int VideoCodecTag() const { return FVideoCodecTag; }
  const QString& VideoLanguage() const { return FVideoLanguage; }
  int VideoGlobalHeader() const { return FVideoGlobalHeader; }
  bool IntraOnly() const { return FIntraOnly; }
  float VideoQscale() const { return FVideoQscale; }
  bool SameQuality() const { return FSameQuality; }
  const QString& VideoRcOverrideString() const { return FVideoRcOverrideString; }
  int IntraDcPrecision() const { return FIntraDcPrecision; }
  int VideoSyncMethod() const { return FVideoSyncMethod; }
  int TopFieldFirst() const { return FTopFieldFirst; }
  bool ForceFPS() const { return FForceFPS; }
  const QStringList& IntraMatrix() const { return FIntraMatrix; }
  const QStringList& InterMatrix() const { return FInterMatrix; }
  const TRational& FrameRate() const { return FFrameRate; }
  TRational& FrameRate() { return FFrameRate; }
  float FrameAspectRatio() const { return FFrameAspectRatio; }
  int MeThreshold() const { return FMeThreshold; }
  bool Deinterlace() const { return FDeinterlace; }
  int Pass() const { return FPass; }
  int MaxFrames() const { return FMaxFrames; }
  int Bitrate() const { return FBitrate; }
  // The tallest picture wanted (0: no limit): a taller one is scaled down to
  // it, its shape kept; a smaller one keeps its size.
  int MaxFrameHeight() const { return FMaxFrameHeight; }
  // The size the whole output file is to have, in bytes (0: none): the video
  // bitrate is worked out from the duration and two passes are made.
  int64_t TargetFileSize() const { return FTargetFileSize; }
  // Deinterlacing beside the Deinterlace switch: 0 detects interlaced sources
  // (the default), 1 never, 2 every source. Written only when not 0.
  int DeinterlaceMode() const { return FDeinterlaceMode; }
  // HDR sources: 0 keeps HDR where the target can carry it (the default), 1
  // makes SDR of them. Written only when not 0.
  int HdrOutput() const { return FHdrOutput; }
  // Not persisted, but copied by Assign.
  int FramePixFormat() const { return FFramePixFormat; }
  int VideoDiscard() const { return FVideoDiscard; }
  // The parsed matrices, filled by the matrix setters.
  const TMatrix& intra_matrix() const { return Fintra_matrix; }
  const TMatrix& inter_matrix() const { return Finter_matrix; }

  // The band setters refuse negative values with the error box.
  void SetFrameLeftBand(int v);
  void SetFrameRightBand(int v);
  void SetFrameTopBand(int v);
  void SetFrameBottomBand(int v);
  void SetFrameWidth(int v) { FFrameWidth = v; }
  void SetFrameHeight(int v) { FFrameHeight = v; }
  void SetEncoderVideoCodecName(const QByteArray& v) { FEncoderVideoCodecName = v; }
  void SetDecoderVideoCodecName(const QByteArray& v) { FDecoderVideoCodecName = v; }
  void SetVideoDisable(bool v) { FVideoDisable = v; }
  void SetVideoStreamCopy(bool v) { FVideoStreamCopy = v; }
  void SetVideoCodecTag(int v) { FVideoCodecTag = v; }
  void SetVideoLanguage(const QString& v) { FVideoLanguage = v; }
  void SetVideoGlobalHeader(int v) { FVideoGlobalHeader = v; }
  void SetIntraOnly(bool v) { FIntraOnly = v; }
  void SetVideoQscale(float v) { FVideoQscale = v; }
  void SetSameQuality(bool v) { FSameQuality = v; }
  void SetVideoRcOverrideString(const QString& v) { FVideoRcOverrideString = v; }
  void SetIntraDcPrecision(int v) { FIntraDcPrecision = v; }
  void SetVideoSyncMethod(int v) { FVideoSyncMethod = v; }
  void SetTopFieldFirst(int v) { FTopFieldFirst = v; }
  void SetForceFPS(bool v) { FForceFPS = v; }
  // Matrix setters: empty, or 64 whole numbers; refused with the error box.
  void SetIntraMatrix(const QStringList& v);
  void SetInterMatrix(const QStringList& v);
  void SetFrameRate(const TRational& v) { FFrameRate.Assign(v); }
  void SetFrameAspectRatio(float v) { FFrameAspectRatio = v; }
  void SetMeThreshold(int v) { FMeThreshold = v; }
  void SetDeinterlace(bool v) { FDeinterlace = v; }
  // 0, 1 or 2; anything else is refused with the error box.
  void SetPass(int v);
  void SetMaxFrames(int v) { FMaxFrames = v; }
  void SetBitrate(int v) { FBitrate = v; }
  void SetMaxFrameHeight(int v) { FMaxFrameHeight = v; }
  void SetTargetFileSize(int64_t v) { FTargetFileSize = v; }
  void SetDeinterlaceMode(int v) { FDeinterlaceMode = v >= 0 && v <= 2 ? v : 0; }
  void SetHdrOutput(int v) { FHdrOutput = v == 1 ? 1 : 0; }
  void SetFramePixFormat(int v) { FFramePixFormat = v; }
  void SetVideoDiscard(int v) { FVideoDiscard = v; }

 private:
  void SetBand(int& band, int v, const char* message);
  void SetMatrix(QStringList& list, TMatrix& matrix, const QStringList& v);

  int FFrameLeftBand = 0;
  int FFrameRightBand = 0;
  int FFrameTopBand = 0;
  int FFrameBottomBand = 0;
  int FFrameWidth = 0;
  int FFrameHeight = 0;
  QByteArray FEncoderVideoCodecName;
  QByteArray FDecoderVideoCodecName;
  bool FVideoDisable = false;
  bool FVideoStreamCopy = false;
  int FVideoCodecTag = 0;
  QString FVideoLanguage;
  int FVideoGlobalHeader = 0;
  bool FIntraOnly = false;
  float FVideoQscale = 0;
  bool FSameQuality = false;
  QString FVideoRcOverrideString;
  int FIntraDcPrecision = DefaultIntraDcPrecision;
  int FVideoSyncMethod = -1;
  int FTopFieldFirst = -1;
  bool FForceFPS = false;
  QStringList FIntraMatrix;
  QStringList FInterMatrix;
  TRational FFrameRate;
  float FFrameAspectRatio = 0;
  int FMeThreshold = 0;
  bool FDeinterlace = false;
  int FPass = 0;
  int FMaxFrames = DefaultMaxFrames;
  int FBitrate = 0;
  int FMaxFrameHeight = 0;
  int64_t FTargetFileSize = 0;
  int FDeinterlaceMode = 0;
  int FHdrOutput = 0;
  int FFramePixFormat = -1;
  int FVideoDiscard = 0;
  TMatrix Fintra_matrix{};
  TMatrix Finter_matrix{};
};

class TSubtitleOptions : public TAVPersistent {
 public:
  const char* ClassName() const override { return "TSubtitleOptions"; }
  void Assign(const TAVPersistent& Source) override;
  const TPropList& Properties() const override;

  const QString& SubtitleLanguage() const { return FSubtitleLanguage; }
  const QByteArray& SubtitleCodecName() const { return FSubtitleCodecName; }
  bool SubtitleDisable() const { return FSubtitleDisable; }
  bool SubtitleStreamCopy() const { return FSubtitleStreamCopy; }
  int SubtitleCodecTag() const { return FSubtitleCodecTag; }

  void SetSubtitleLanguage(const QString& v) { FSubtitleLanguage = v; }
  void SetSubtitleCodecName(const QByteArray& v) { FSubtitleCodecName = v; }
  void SetSubtitleDisable(bool v) { FSubtitleDisable = v; }
  void SetSubtitleStreamCopy(bool v) { FSubtitleStreamCopy = v; }
  void SetSubtitleCodecTag(int v) { FSubtitleCodecTag = v; }

 private:
  QString FSubtitleLanguage;
  QByteArray FSubtitleCodecName;
  bool FSubtitleDisable = false;
  bool FSubtitleStreamCopy = false;
  int FSubtitleCodecTag = 0;
};

class TMuxerOptions : public TAVPersistent {
 public:
  const char* ClassName() const override { return "TMuxerOptions"; }
  void Assign(const TAVPersistent& Source) override;
  const TPropList& Properties() const override;

  float MuxPreload() const { return FMuxPreload; }
  float MuxMaxDelay() const { return FMuxMaxDelay; }
  const QStringList& AudioBitstreamFilters() const { return FAudioBitstreamFilters; }
  const QStringList& SubtitleBitstreamFilters() const { return FSubtitleBitstreamFilters; }
  const QStringList& VideoBitstreamFilters() const { return FVideoBitstreamFilters; }

  void SetMuxPreload(float v) { FMuxPreload = v; }
  void SetMuxMaxDelay(float v) { FMuxMaxDelay = v; }
  void SetAudioBitstreamFilters(const QStringList& v) { FAudioBitstreamFilters = v; }
  void SetSubtitleBitstreamFilters(const QStringList& v) { FSubtitleBitstreamFilters = v; }
  void SetVideoBitstreamFilters(const QStringList& v) { FVideoBitstreamFilters = v; }

 private:
  float FMuxPreload = 0.5f;
  float FMuxMaxDelay = 0.7f;
  QStringList FAudioBitstreamFilters;
  QStringList FSubtitleBitstreamFilters;
  QStringList FVideoBitstreamFilters;
};

class TGrabOptions : public TAVPersistent {
 public:
  const char* ClassName() const override { return "TGrabOptions"; }
  void Assign(const TAVPersistent& Source) override;
  const TPropList& Properties() const override;

  int VideoChannel() const { return FVideoChannel; }
  const QByteArray& VideoStandard() const { return FVideoStandard; }
  bool InputSync() const { return FInputSync; }

  void SetVideoChannel(int v) { FVideoChannel = v; }
  void SetVideoStandard(const QByteArray& v) { FVideoStandard = v; }
  void SetInputSync(bool v) { FInputSync = v; }

 private:
  int FVideoChannel = 0;
  QByteArray FVideoStandard;
  bool FInputSync = false;
};

class TFilterOptions : public TAVPersistent {
 public:
  const char* ClassName() const override { return "TFilterOptions"; }
  void Assign(const TAVPersistent& Source) override;
  const TPropList& Properties() const override;

  const QString& VideoFilters() const { return FVideoFilters; }
  void SetVideoFilters(const QString& v) { FVideoFilters = v; }
  // Filters a profile puts after the user's, in the library's graph syntax
  // (an animated picture's palette); the user's filters stay theirs.
  const QString& ProfileFilters() const { return FProfileFilters; }
  void SetProfileFilters(const QString& v) { FProfileFilters = v; }

 private:
  QString FVideoFilters;
  QString FProfileFilters;
};

// One per-stream timestamp scale: the engine multiplies the timestamps of
// input stream stream_index of input file file_index by scale.
struct TAVInputTSScale {
  int32_t file_index = 0;
  int32_t stream_index = 0;
  double scale = 0;
};

class TAVConvertOptions : public TAVPersistent {
 public:
  static constexpr int64_t NoRecordingLimit = INT64_MAX;
  static constexpr int DefaultThreadCount = 1;
  static constexpr int DefaultMaxDataFrames = 2147483647;

  TAVConvertOptions() = default;
  const char* ClassName() const override { return "TAVConvertOptions"; }
  void Assign(const TAVPersistent& Source) override;
  // Assign, and the runtime settings but the byte counters: a run's own copy.
  void AssignForRun(const TAVConvertOptions& Source);
  const TPropList& Properties() const override;
  const TPropList& RuntimeProperties() const override;

  // Persisted.
  TAudioOptions& AudioOptions() { return FAudioOptions; }
  const TAudioOptions& AudioOptions() const { return FAudioOptions; }
  TSubtitleOptions& SubtitleOptions() { return FSubtitleOptions; }
  const TSubtitleOptions& SubtitleOptions() const { return FSubtitleOptions; }
  TVideoOptions& VideoOptions() { return FVideoOptions; }
  const TVideoOptions& VideoOptions() const { return FVideoOptions; }
  TMuxerOptions& MuxerOptions() { return FMuxerOptions; }
  const TMuxerOptions& MuxerOptions() const { return FMuxerOptions; }
  TGrabOptions& GrabOptions() { return FGrabOptions; }
  const TGrabOptions& GrabOptions() const { return FGrabOptions; }
  TFilterOptions& FilterOptions() { return FFilterOptions; }
  const TFilterOptions& FilterOptions() const { return FFilterOptions; }
  const QStringList& MetaData() const { return FMetaData; }
  const QStringList& CodecOptions() const { return FCodecOptions; }
  const QString& OutputFormat() const { return FOutputFormat; }
  const QString& InputFormat() const { return FInputFormat; }
  int64_t StartTime() const { return FStartTime; }
  int64_t RecordingTime() const { return FRecordingTime; }
  int ThreadCount() const { return FThreadCount; }
  const QStringList& StreamMaps() const { return FStreamMaps; }

  void SetAudioOptions(const TAudioOptions& v) { FAudioOptions.Assign(v); }
  void SetSubtitleOptions(const TSubtitleOptions& v) { FSubtitleOptions.Assign(v); }
  void SetVideoOptions(const TVideoOptions& v) { FVideoOptions.Assign(v); }
  void SetMuxerOptions(const TMuxerOptions& v) { FMuxerOptions.Assign(v); }
  void SetGrabOptions(const TGrabOptions& v) { FGrabOptions.Assign(v); }
  void SetFilterOptions(const TFilterOptions& v) { FFilterOptions.Assign(v); }
  void SetMetaData(const QStringList& v) { FMetaData = v; }
  void SetCodecOptions(const QStringList& v) { FCodecOptions = v; }
  void SetOutputFormat(const QString& v) { FOutputFormat = v; }
  void SetInputFormat(const QString& v) { FInputFormat = v; }
  void SetStartTime(int64_t v) { FStartTime = v; }
  void SetRecordingTime(int64_t v) { FRecordingTime = v; }
  void SetThreadCount(int v) { FThreadCount = v; }
  void SetStreamMaps(const QStringList& v) { FStreamMaps = v; }

  // Puts Key=Value into CodecOptions: replaces the value of an entry whose
  // name matches Key (case-insensitively), or appends a new entry.
  void SetAdvancedOption(const QString& Key, const QString& Value);

  // Runtime: never persisted, never copied.
  bool PGMYUVCompatibilityHack() const { return FPGMYUVCompatibilityHack; }
  int ProgramID() const { return FProgramID; }
  bool LoopInput() const { return FLoopInput; }
  int LoopOutput() const { return FLoopOutput; }
  bool RateEmu() const { return FRateEmu; }
  bool DoPSNR() const { return FDoPSNR; }
  float DtsDeltaThreshold() const { return FDtsDeltaThreshold; }
  int64_t AudioSize() const { return FAudioSize.load(std::memory_order_relaxed); }
  int SwsFlags() const { return FSwsFlags; }
  int64_t VideoSize() const { return FVideoSize.load(std::memory_order_relaxed); }
  int64_t RecTimestamp() const { return FRecTimestamp; }
  int64_t LimitFileSize() const { return FLimitFileSize; }
  bool ShortTest() const { return FShortTest; }
  int MaxDataFrames() const { return FMaxDataFrames; }
  bool CopyInitialNonkeyframes() const { return FCopyInitialNonkeyframes; }
  int64_t InputTSOffset() const { return FInputTSOffset; }
  const std::vector<TAVInputTSScale>& InputTSScale() const { return FInputTSScale; }
  bool CopyTS() const { return FCopyTS; }

  void SetPGMYUVCompatibilityHack(bool v) { FPGMYUVCompatibilityHack = v; }
  void SetProgramID(int v) { FProgramID = v; }
  void SetLoopInput(bool v) { FLoopInput = v; }
  void SetLoopOutput(int v) { FLoopOutput = v; }
  void SetRateEmu(bool v) { FRateEmu = v; }
  void SetDoPSNR(bool v) { FDoPSNR = v; }
  void SetDtsDeltaThreshold(float v) { FDtsDeltaThreshold = v; }
  void SetAudioSize(int64_t v) { FAudioSize.store(v, std::memory_order_relaxed); }
  void AddAudioSize(int64_t bytes) { FAudioSize.fetch_add(bytes, std::memory_order_relaxed); }
  void SetSwsFlags(int v) { FSwsFlags = v; }
  void SetVideoSize(int64_t v) { FVideoSize.store(v, std::memory_order_relaxed); }
  void AddVideoSize(int64_t bytes) { FVideoSize.fetch_add(bytes, std::memory_order_relaxed); }
  void SetRecTimestamp(int64_t v) { FRecTimestamp = v; }
  void SetLimitFileSize(int64_t v) { FLimitFileSize = v; }
  void SetShortTest(bool v) { FShortTest = v; }
  void SetMaxDataFrames(int v) { FMaxDataFrames = v; }
  void SetCopyInitialNonkeyframes(bool v) { FCopyInitialNonkeyframes = v; }
  void SetInputTSOffset(int64_t v) { FInputTSOffset = v; }
  void SetInputTSScale(const std::vector<TAVInputTSScale>& v) { FInputTSScale = v; }
  // The scale entries as text, "file:stream:factor" each.
  QStringList InputTSScaleText() const;
  void SetInputTSScaleText(const QStringList& v);
  void SetCopyTS(bool v) { FCopyTS = v; }

 private:
  TAudioOptions FAudioOptions;
  TSubtitleOptions FSubtitleOptions;
  TVideoOptions FVideoOptions;
  TMuxerOptions FMuxerOptions;
  TGrabOptions FGrabOptions;
  TFilterOptions FFilterOptions;
  QStringList FMetaData;
  QStringList FCodecOptions;
  QString FOutputFormat;
  QString FInputFormat;
  int64_t FStartTime = 0;
  int64_t FRecordingTime = NoRecordingLimit;
  int FThreadCount = DefaultThreadCount;
  QStringList FStreamMaps;

  bool FPGMYUVCompatibilityHack = false;
  int FProgramID = 0;
  bool FLoopInput = false;
  int FLoopOutput = -1;
  bool FRateEmu = false;
  bool FDoPSNR = false;
  float FDtsDeltaThreshold = 10.0f;
  // Byte counters grow on the worker thread while the main thread may read them.
  std::atomic<int64_t> FAudioSize{0};
  int FSwsFlags = 4;
  std::atomic<int64_t> FVideoSize{0};
  int64_t FRecTimestamp = 0;
  int64_t FLimitFileSize = 0;
  bool FShortTest = false;
  int FMaxDataFrames = DefaultMaxDataFrames;
  bool FCopyInitialNonkeyframes = false;
  int64_t FInputTSOffset = 0;
  std::vector<TAVInputTSScale> FInputTSScale;
  bool FCopyTS = false;
};
