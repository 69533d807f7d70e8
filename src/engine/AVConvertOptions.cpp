#include "engine/AVConvertOptions.h"

#include "engine/EngineError.h"
#include "engine/ErrorBox.h"
#include "engine/NameValueList.h"

namespace {

[[noreturn]] void RaiseAssignError(const TAVPersistent& Source, const TAVPersistent& Target) {
  throw EAVError(QString::asprintf("Cannot assign a %s to a %s", Source.ClassName(), Target.ClassName()));
}

// Casts Source to the caller's class, or raises the mismatch error.
template <class T>
const T& SameClass(const TAVPersistent& Source, const TAVPersistent& Target) {
  if (auto* s = dynamic_cast<const T*>(&Source)) return *s;
  RaiseAssignError(Source, Target);
}

// Whole-number text: no decimal point and a valid decimal integer.
bool ParseMatrixElement(const QString& text, int& value) {
  if (text.contains(QLatin1Char('.'))) return false;
  bool ok = false;
  value = text.trimmed().toInt(&ok, 10);
  return ok;
}

}  // namespace

void TAVPersistent::Assign(const TAVPersistent& Source) { RaiseAssignError(Source, *this); }

int LibrarySampleFormat(TAVAudioSampleFormat f) { return static_cast<int>(f) - 1; }

// ---------------------------------------------------------------- TRational

void TRational::Assign(const TAVPersistent& Source) {
  const auto& s = SameClass<TRational>(Source, *this);
  Fnum = s.num();
  Fden = s.den();
  FRequested = s.Requested();
}

// ------------------------------------------------------------ TAudioOptions

void TAudioOptions::SetAudioSampleFmt(TAVAudioSampleFormat v) {
  if (v != sfAuto) FAudioSampleFmt = v;
}

void TAudioOptions::Assign(const TAVPersistent& Source) {
  const auto& s = SameClass<TAudioOptions>(Source, *this);
  SetAudioDisable(s.AudioDisable());
  SetAudioChannels(s.AudioChannels());
  SetAudioVolume(s.AudioVolume());
  SetAudioSyncMethod(s.AudioSyncMethod());
  SetAudioSampleFmt(s.AudioSampleFmt());
  SetAudioSampleRate(s.AudioSampleRate());
  SetAudioStreamCopy(s.AudioStreamCopy());
  SetEncoderAudioCodecName(s.EncoderAudioCodecName());
  SetDecoderAudioCodecName(s.DecoderAudioCodecName());
  SetAudioCodecTag(s.AudioCodecTag());
  SetAudioLanguage(s.AudioLanguage());
  SetAudioQScale(s.AudioQScale());
  SetAudioDriftThreshold(s.AudioDriftThreshold());
  SetBitrate(s.Bitrate());
  SetMaxFrames(s.MaxFrames());
}

// ------------------------------------------------------------ TVideoOptions

TVideoOptions::TVideoOptions() = default;

void TVideoOptions::SetBand(int& band, int v, const char* message) {
  if (v < 0) {
    ShowErrorBox(QString::fromLatin1(message));
    return;
  }
  band = v;
}

void TVideoOptions::SetFrameLeftBand(int v) { SetBand(FFrameLeftBand, v, "Incorrect left crop size"); }
void TVideoOptions::SetFrameRightBand(int v) { SetBand(FFrameRightBand, v, "Incorrect right crop size"); }
void TVideoOptions::SetFrameTopBand(int v) { SetBand(FFrameTopBand, v, "Incorrect top crop size"); }
void TVideoOptions::SetFrameBottomBand(int v) { SetBand(FFrameBottomBand, v, "Incorrect bottom crop size"); }

void TVideoOptions::SetPass(int v) {
  if (v < 0 || v > 2) {
    ShowErrorBox(QStringLiteral("pass number can be only 0, 1 or 2"));
    return;
  }
  FPass = v;
}

void TVideoOptions::SetMatrix(QStringList& list, TMatrix& matrix, const QStringList& v) {
  if (v.isEmpty()) {
    list.clear();
    return;
  }
  if (v.size() != static_cast<qsizetype>(matrix.size())) {
    ShowErrorBox(QStringLiteral("matrix element count should be equal 64"));
    return;
  }
  for (qsizetype i = 0; i < v.size(); ++i) {
    int element = 0;
    if (!ParseMatrixElement(v[i], element)) {
      ShowErrorBox(QStringLiteral("Invalid matrix element"));
      return;
    }
    matrix[i] = static_cast<uint16_t>(element);
  }
  list = v;
}

void TVideoOptions::SetIntraMatrix(const QStringList& v) { SetMatrix(FIntraMatrix, Fintra_matrix, v); }
void TVideoOptions::SetInterMatrix(const QStringList& v) { SetMatrix(FInterMatrix, Finter_matrix, v); }

void TVideoOptions::Assign(const TAVPersistent& Source) {
  const auto& s = SameClass<TVideoOptions>(Source, *this);
  SetFrameWidth(s.FrameWidth());
  SetFrameHeight(s.FrameHeight());
  SetFrameLeftBand(s.FrameLeftBand());
  SetFrameRightBand(s.FrameRightBand());
  SetFrameTopBand(s.FrameTopBand());
  SetFrameBottomBand(s.FrameBottomBand());
  SetEncoderVideoCodecName(s.EncoderVideoCodecName());
  SetDecoderVideoCodecName(s.DecoderVideoCodecName());
  SetVideoDisable(s.VideoDisable());
  SetVideoDiscard(s.VideoDiscard());
  SetVideoStreamCopy(s.VideoStreamCopy());
  SetVideoCodecTag(s.VideoCodecTag());
  SetVideoLanguage(s.VideoLanguage());
  SetVideoGlobalHeader(s.VideoGlobalHeader());
  SetIntraOnly(s.IntraOnly());
  SetVideoQscale(s.VideoQscale());
  SetSameQuality(s.SameQuality());
  SetVideoRcOverrideString(s.VideoRcOverrideString());
  SetIntraDcPrecision(s.IntraDcPrecision());
  SetVideoSyncMethod(s.VideoSyncMethod());
  SetTopFieldFirst(s.TopFieldFirst());
  SetInterMatrix(s.InterMatrix());
  SetIntraMatrix(s.IntraMatrix());
  SetFramePixFormat(s.FramePixFormat());
  SetFrameAspectRatio(s.FrameAspectRatio());
  SetMeThreshold(s.MeThreshold());
  SetDeinterlace(s.Deinterlace());
  SetPass(s.Pass());
  SetMaxFrames(s.MaxFrames());
  SetBitrate(s.Bitrate());
  SetMaxFrameHeight(s.MaxFrameHeight());
  SetTargetFileSize(s.TargetFileSize());
  SetDeinterlaceMode(s.DeinterlaceMode());
  SetHdrOutput(s.HdrOutput());
  SetFrameRate(s.FrameRate());
}

// ------------------------------------------------------- the small classes

void TSubtitleOptions::Assign(const TAVPersistent& Source) {
  const auto& s = SameClass<TSubtitleOptions>(Source, *this);
  SetSubtitleLanguage(s.SubtitleLanguage());
  SetSubtitleCodecName(s.SubtitleCodecName());
  SetSubtitleDisable(s.SubtitleDisable());
  SetSubtitleStreamCopy(s.SubtitleStreamCopy());
  SetSubtitleCodecTag(s.SubtitleCodecTag());
}

void TMuxerOptions::Assign(const TAVPersistent& Source) {
  const auto& s = SameClass<TMuxerOptions>(Source, *this);
  SetAudioBitstreamFilters(s.AudioBitstreamFilters());
  SetSubtitleBitstreamFilters(s.SubtitleBitstreamFilters());
  SetVideoBitstreamFilters(s.VideoBitstreamFilters());
  SetMuxPreload(s.MuxPreload());
  SetMuxMaxDelay(s.MuxMaxDelay());
}

void TGrabOptions::Assign(const TAVPersistent& Source) {
  const auto& s = SameClass<TGrabOptions>(Source, *this);
  SetVideoChannel(s.VideoChannel());
  SetVideoStandard(s.VideoStandard());
  SetInputSync(s.InputSync());
}

void TFilterOptions::Assign(const TAVPersistent& Source) {
  const auto& s = SameClass<TFilterOptions>(Source, *this);
  SetVideoFilters(s.VideoFilters());
  SetProfileFilters(s.ProfileFilters());
}

// -------------------------------------------------------- TAVConvertOptions

void TAVConvertOptions::Assign(const TAVPersistent& Source) {
  const auto& s = SameClass<TAVConvertOptions>(Source, *this);
  if (&s == this) return;
  SetAudioOptions(s.AudioOptions());
  SetSubtitleOptions(s.SubtitleOptions());
  SetVideoOptions(s.VideoOptions());
  SetMuxerOptions(s.MuxerOptions());
  SetGrabOptions(s.GrabOptions());
  SetFilterOptions(s.FilterOptions());
  SetMetaData(s.MetaData());
  SetCodecOptions(s.CodecOptions());
  SetInputFormat(s.InputFormat());
  SetOutputFormat(s.OutputFormat());
  SetStartTime(s.StartTime());
  SetRecordingTime(s.RecordingTime());
  SetThreadCount(s.ThreadCount());
  SetStreamMaps(s.StreamMaps());
}

void TAVConvertOptions::AssignForRun(const TAVConvertOptions& s) {
  Assign(s);
  FVideoOptions.SetForceFPS(s.VideoOptions().ForceFPS());  // stored with a task, yet left out by Assign
  FPGMYUVCompatibilityHack = s.FPGMYUVCompatibilityHack;
  FProgramID = s.FProgramID;
  FLoopInput = s.FLoopInput;
  FLoopOutput = s.FLoopOutput;
  FRateEmu = s.FRateEmu;
  FDoPSNR = s.FDoPSNR;
  FDtsDeltaThreshold = s.FDtsDeltaThreshold;
  FSwsFlags = s.FSwsFlags;
  FRecTimestamp = s.FRecTimestamp;
  FLimitFileSize = s.FLimitFileSize;
  FShortTest = s.FShortTest;
  FMaxDataFrames = s.FMaxDataFrames;
  FCopyInitialNonkeyframes = s.FCopyInitialNonkeyframes;
  FInputTSOffset = s.FInputTSOffset;
  FInputTSScale = s.FInputTSScale;
  FCopyTS = s.FCopyTS;
}

void TAVConvertOptions::SetAdvancedOption(const QString& Key, const QString& Value) {
  const qsizetype i = engine::IndexOfName(FCodecOptions, Key);
  if (i < 0)
    FCodecOptions.append(Key + QLatin1Char('=') + Value);
  else
    FCodecOptions[i] = engine::NameOf(FCodecOptions[i]) + QLatin1Char('=') + Value;
}
