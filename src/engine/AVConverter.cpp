#include "engine/AVConverter.h"

#include <QFile>
#include <cmath>
#include <limits>
#include <thread>

extern "C" {
#include <libavutil/log.h>
#include <libavutil/time.h>
}

#include "engine/ConvertThreads.h"
#include "engine/EncoderNames.h"
#include "engine/EngineError.h"
#include "engine/ErrorBox.h"
#include "engine/LegacyOptions.h"
#include "engine/NameValueList.h"
#include "media/MediaLibraries.h"

namespace {

constexpr auto ProgressEventInterval = std::chrono::milliseconds(50);
constexpr int64_t ProgressReportInterval = 500000;  // µs

// Rounds to the nearest integer, halves to even, and keeps the result inside
// 32 bits (NaN gives 0).
int RoundToInt32(double v) {
  if (std::isnan(v)) return 0;
  const double r = std::nearbyint(v);
  if (r >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (r <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(r);
}

}  // namespace

// ------------------------------------------------------------ construction

TAVConverter::TAVConverter() {
  media::LoadMediaLibraries();
  engine::InstallLibraryLogCallback();
  EnsureOptionStores();
}

// The gate closes first: the worker's hand-overs return at once and no event
// reaches the owner any more; the stopped worker is then joined.
TAVConverter::~TAVConverter() {
  FGate.Close();
  Stop();
  FThread.reset();
}

void TAVConverter::EnsureOptionStores() {
  if (FOptionStores) return;
  FOptionStores = std::make_unique<TAVOptionStores>(FConvertOptions.SwsFlags());
  Opt_names.clear();
}

// ------------------------------------------------------------------ events

void TAVConverter::RunGated(const std::function<void()>& fn) {
  try {
    FGate.Run(fn);
  } catch (...) {
    // A handler's failure is not the conversion's.
  }
}

void TAVConverter::DoLog(int level, const QString& text) {
  if (!OnLog) return;
  try {
    FGate.RunHere([&] { OnLog(this, level, text); });
  } catch (...) {
    // The log handler's failure is not the conversion's.
  }
}

void TAVConverter::ShowError(const QString& text) {
  RunGated([&] { ShowErrorBoxHere(text); });
}

// Handlers are called through a copy: a handler may destroy the converter,
// and with it the handler object itself.

void TAVConverter::DoStopped() {
  RunGated([this] {
    const TAVNotifyEvent handler = OnStopped;
    if (!handler) return;
    try {
      handler(this);
    } catch (...) {
    }
  });
}

void TAVConverter::DoError() { ShowError(ErrorMsg()); }

void TAVConverter::DoComplete() {
  const TAVNotifyEvent handler = OnComplete;
  if (!handler) return;
  try {
    handler(this);
  } catch (...) {
    // Errors of the completion handler are dropped: the run is over.
  }
}

void TAVConverter::DoProgress(bool force) {
  const auto now = std::chrono::steady_clock::now();
  if (!force && now - FLastProgressEvent < ProgressEventInterval) return;
  FLastProgressEvent = now;
  RunGated([this] {
    const TAVProgressEvent handler = OnProgress;
    if (!handler) return;
    try {
      handler(this);
    } catch (const std::exception& e) {
      ShowErrorBoxHere(QString::fromUtf8(e.what()));
    }
  });
}

// ------------------------------------------------------------------- state

void TAVConverter::SetState(TAVConvertState s) {
  {
    std::lock_guard guard(FStateLock);
    FState.store(s, std::memory_order_release);
  }
  FStateChanged.notify_all();
}

bool TAVConverter::ChangeState(TAVConvertState from, TAVConvertState to) {
  bool changed;
  {
    std::lock_guard guard(FStateLock);
    changed = FState.load(std::memory_order_relaxed) == from;
    if (changed) FState.store(to, std::memory_order_release);
  }
  if (changed) FStateChanged.notify_all();
  return changed;
}

void TAVConverter::Stop() {
  FStopRequested = true;
  if (!ChangeState(csRunning, csStopped)) ChangeState(csPaused, csStopped);
}

void TAVConverter::Pause() { ChangeState(csRunning, csPaused); }

void TAVConverter::Resume() { ChangeState(csPaused, csRunning); }

void TAVConverter::WaitWhilePaused() {
  if (FState.load(std::memory_order_acquire) != csPaused) return;  // every pass: no lock unless paused
  std::unique_lock lock(FStateLock);
  FStateChanged.wait(lock, [this] { return FState.load(std::memory_order_relaxed) != csPaused; });
}

bool TAVConverter::CheckLoopState() {
  DoProgress();
  WaitWhilePaused();
  if (State() == csStopped) {
    DoStopped();
    return false;
  }
  return true;
}

void TAVConverter::SetLogLevel(int level) {
  FLogLevel.store(static_cast<int8_t>(level), std::memory_order_relaxed);
  engine::WidenLibraryLogLevel(level);
}

bool TAVConverter::IsRunning() const { return FThread && !FCompleting.load(std::memory_order_acquire); }

QString TAVConverter::ErrorMsg() const {
  std::lock_guard guard(FErrorLock);
  return FErrorMsg;
}

void TAVConverter::Fail(const QString& message) { throw EAVError(message); }

// ---------------------------------------------------------- progress, time

int TAVConverter::Progress() const {
  const int64_t start = FConvertOptions.StartTime();
  const int64_t recording = FConvertOptions.RecordingTime();
  const double duration = Duration();
  const double converted = ConvertedDuration();
  // A live source (a capture) has no duration: its recording time is the span.
  if (duration <= 0 && recording != TAVConvertOptions::NoRecordingLimit && recording > 0)
    return RoundToInt32(converted * 100.0 * 1000000.0 / static_cast<double>(recording));
  if (start <= 0 && duration * 1000000.0 <= static_cast<double>(recording))
    return duration <= 0 ? 0 : RoundToInt32(converted / duration * 100.0);
  const double whole = std::nearbyint(duration * 1000000.0) - static_cast<double>(start);
  const double span = std::min(static_cast<double>(recording), whole);
  if (span <= 0) return 0;
  return RoundToInt32(converted * 100.0 * 1000000.0 / span);
}

int64_t TAVConverter::GetUsedTime() const {
  const int64_t last = LastTime();
  if (last == 0) return 0;  // no progress report yet
  return (last - StartTime()) / 1000000;
}

int64_t TAVConverter::GetLeftTime() const {
  const int progress = Progress();
  if (progress <= 0) return UnknownLeftTime;
  return GetUsedTime() * (100 - progress) / progress;
}

void TAVConverter::ReportProgress(bool last) {
  if (!last) {
    const int64_t now = av_gettime();
    if (last_time == 0) {
      last_time = now;
      return;
    }
    if (now - last_time < ProgressReportInterval) return;
    last_time = now;
  }
  if (!output_files.empty() && output_files[0] && output_files[0]->pb) {
    AVIOContext* pb = output_files[0]->pb;
    int64_t size = avio_size(pb);
    if (size < 0) size = avio_tell(pb);
    FTargetFileSize = size;
  }
  if (!input_files.empty() && input_files[0] && input_files[0]->pb) FSourceFileSize = avio_size(input_files[0]->pb);
  if (!last) EstimateDurationFromSize();
  double t = 1e10;
  for (const auto& ost : FRun.ost_table) {
    const double position = OutputPosition(*ost);
    if (position > 0 && position < t) t = position;
  }
  SetBitrate(static_cast<double>(TargetFileSize()) * 8.0 / std::max(t, 0.01) / 1000.0);
}

// --------------------------------------------------------- option stores

TAVPrivateOptionTargets TAVConverter::PrivateOptionTargets() const {
  TAVPrivateOptionTargets targets;
  targets.muxer = file_oformat;
  if (!targets.muxer) {
    const QByteArray format = FConvertOptions.OutputFormat().toUtf8();
    const QByteArray file = FOutputFiles.value(0).toUtf8();
    targets.muxer = av_guess_format(format.isEmpty() ? nullptr : format.constData(),
                                    file.isEmpty() ? nullptr : file.constData(), nullptr);
  }
  auto encoder = [&](const QByteArray& name, AVCodecID fallback) -> const AVCodec* {
    QString unused;
    if (!name.isEmpty()) return engine::FindEncoderByName(name, unused);
    return targets.muxer ? avcodec_find_encoder(fallback) : nullptr;
  };
  const AVOutputFormat* m = targets.muxer;
  targets.video = encoder(FConvertOptions.VideoOptions().EncoderVideoCodecName(), m ? m->video_codec : AV_CODEC_ID_NONE);
  targets.audio = encoder(FConvertOptions.AudioOptions().EncoderAudioCodecName().toUtf8(),
                          m ? m->audio_codec : AV_CODEC_ID_NONE);
  targets.subtitle = encoder(FConvertOptions.SubtitleOptions().SubtitleCodecName(),
                             m ? m->subtitle_codec : AV_CODEC_ID_NONE);
  return targets;
}

int TAVConverter::SetCodecOption(const QByteArray& name, const QByteArray& value) {
  EnsureOptionStores();
  const TAVPrivateOptionTargets targets = PrivateOptionTargets();
  QStringList notes;
  const std::vector<TAVOptionSetting> settings = TranslateLegacyOption(name, value, targets.video, notes);
  for (const QString& note : notes) DoLog(AV_LOG_WARNING, note);
  int result = 0;
  for (const TAVOptionSetting& s : settings) {
    QByteArray stored;
    switch (FOptionStores->Set(s.name, s.value, targets, stored, s.onlyStore)) {
      case TAVOptionStores::TSetResult::Stored:
        Opt_names.append(QString::fromUtf8(stored));
        break;
      case TAVOptionStores::TSetResult::InvalidValue:
        ShowError(QStringLiteral("Invalid value for Option!"));
        result = -1;
        break;
      case TAVOptionStores::TSetResult::UnknownName:
        result = -1;
        break;
    }
  }
  return result;
}

void TAVConverter::ApplyStoredOptions(void* context, TAVOptionStore store, int flags) const {
  if (FOptionStores) FOptionStores->Apply(context, store, flags, Opt_names);
}

// ------------------------------------------------------------------- a run

void TAVConverter::Convert() {
  if (IsRunning()) return;
  FThread.reset();  // the previous worker is past its last access to us
  EnsureOptionStores();
  {
    std::lock_guard guard(FErrorLock);
    FErrorMsg.clear();
  }
  FStopRequested = false;
  FCompleting = false;
  FLastProgressEvent = {};
  FThread = std::make_unique<TAVConvertThread>(this);
}

void TAVConverter::Execute(TAVConvertThread* thread) {
  engine::RegisterConvertThread(thread);
  try {
    RunConversion();
  } catch (const EAVError& e) {
    {
      std::lock_guard guard(FErrorLock);
      FErrorMsg = e.Message();
    }
    DoError();
  } catch (const std::exception& e) {
    {
      std::lock_guard guard(FErrorLock);
      FErrorMsg = QString::fromUtf8(e.what());
    }
    DoError();
  }
  CloseAll();
  engine::UnregisterConvertThread();
  Complete();
}

void TAVConverter::RunConversion() {
  FSizePass = 0;
  FPassLogPrefix = QStringLiteral("ffmpeg2pass");
  const TVideoOptions& vo = FConvertOptions.VideoOptions();
  if (vo.TargetFileSize() > 0 && !vo.VideoDisable() && !vo.VideoStreamCopy())
    RunForTargetSize();
  else
    RunOnePass();
}

void TAVConverter::RunOnePass() {
  const TVideoOptions& vo = FConvertOptions.VideoOptions();
  FRequestedRate = vo.FrameRate().Requested() ? AVRational{vo.FrameRate().num(), vo.FrameRate().den()} : AVRational{0, 0};
  FRequestedPixFormat = vo.FramePixFormat();
  FDurationFromSize = false;
  FEndedEarly = false;
  LogOptionsWithoutEffect();
  ParseStreamMaps();
  ApplyBitrateOptions();
  ApplyCodecOptions();
  ResolveFormats();
  for (int i = 0; i < FInputFiles.size(); ++i) OpenInputFile(i);
  if (FSizePass) ApplyTargetSizeBitrate();
  ApplyInputTSScale();
  for (int i = 0; i < FOutputFiles.size(); ++i) OpenOutputFile(i);
  RunTranscode();
}

void TAVConverter::LogOptionWithoutEffect(const char* name) {
  DoLog(AV_LOG_WARNING,
        QStringLiteral("Option %1 has no effect with this version of the media libraries").arg(QLatin1String(name)));
}

void TAVConverter::LogOptionsWithoutEffect() {
  if (FConvertOptions.PGMYUVCompatibilityHack()) LogOptionWithoutEffect("PGMYUVCompatibilityHack");
  if (FConvertOptions.VideoOptions().MeThreshold() != 0) LogOptionWithoutEffect("MeThreshold");
}

void TAVConverter::ParseStreamMaps() {
  stream_maps.clear();
  auto parse = [](const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok) Fail(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
  };
  for (const QString& entry : FConvertOptions.StreamMaps()) {
    TAVStreamMap map;
    map.file_index = parse(engine::NameOf(entry));
    map.stream_index = parse(engine::ValueOf(entry));
    map.sync_file_index = map.file_index;
    map.sync_stream_index = map.stream_index;
    stream_maps.push_back(map);
  }
}

void TAVConverter::ApplyBitrateOptions() {
  if (int b = FConvertOptions.AudioOptions().Bitrate()) SetCodecOption("ab", QByteArray::number(b));
  if (int b = FConvertOptions.VideoOptions().Bitrate()) SetCodecOption("b", QByteArray::number(b));
}

void TAVConverter::ApplyCodecOptions() {
  for (const QString& entry : FConvertOptions.CodecOptions())
    SetCodecOption(engine::NameOf(entry).toLocal8Bit(), engine::ValueOf(entry).toLocal8Bit());
}

void TAVConverter::ResolveFormats() {
  const QString& in = FConvertOptions.InputFormat();
  const QString& out = FConvertOptions.OutputFormat();
  if (in.isEmpty() && out.isEmpty()) return;
  file_iformat = in.isEmpty() ? nullptr : media::FindInputFormat(in.toUtf8().constData());
  file_oformat = out.isEmpty() ? nullptr : av_guess_format(out.toUtf8().constData(), nullptr, nullptr);
  if (!file_iformat && !file_oformat)
    Fail(QString::asprintf("Unknown input %s or Output format %s", in.toUtf8().constData(),
                           out.toUtf8().constData()));
}

void TAVConverter::ApplyInputTSScale() {
  for (const TAVInputTSScale& entry : FConvertOptions.InputTSScale()) {
    if (entry.file_index < 0 || entry.stream_index < 0) continue;
    if (static_cast<size_t>(entry.file_index) >= input_files_ts_scale.size())
      input_files_ts_scale.resize(entry.file_index + 1);
    auto& scales = input_files_ts_scale[entry.file_index];
    if (static_cast<size_t>(entry.stream_index) >= scales.size()) scales.resize(entry.stream_index + 1, 0.0);
    scales[entry.stream_index] = entry.scale;
  }
}

void TAVConverter::RunTranscode() {
  timer_start = 0;
  last_time = 0;
  SetState(csRunning);
  // A stop asked for while the inputs were being opened is honoured now.
  if (FStopRequested) ChangeState(csRunning, csStopped);
  bool failed = false;
  try {
    Transcode();
  } catch (const EAVError& e) {
    std::lock_guard guard(FErrorLock);
    FErrorMsg = e.Message();
    failed = true;
  } catch (const std::exception& e) {
    std::lock_guard guard(FErrorLock);
    FErrorMsg = QString::fromUtf8(e.what());
    failed = true;
  }
  if (failed) DoError();
  FRun = TAVRunTables();
  if (!failed) DoProgress(true);  // the final sizes and times reach the caller
}

void TAVConverter::CloseAll() {
  ReleaseRunContexts();
  RemoveUnwrittenOutputs();
  stream_maps.clear();
  FPkt.reset();
  subtitle_out.clear();
  subtitle_out.shrink_to_fit();
  FOptionStores.reset();
  Opt_names.clear();
  file_iformat = nullptr;
  file_oformat = nullptr;
  SetState(csNone);
}

// A run that failed before writing any header leaves only empty or partial
// files behind; the ones it created itself are removed again.
void TAVConverter::RemoveUnwrittenOutputs() {
  if (!headers_written && !ErrorMsg().isEmpty())
    for (const QString& name : created_outputs) QFile::remove(name);
  created_outputs.clear();
  headers_written = false;
}

// OnComplete is posted, not waited for: its handler may destroy the converter,
// which then joins this worker. Once FCompleting is set the owner may do so at
// any time, so the hand-over works on a copy of the gate.
void TAVConverter::Complete() {
  const engine::THandOverGate gate = FGate;
  FCompleting.store(true, std::memory_order_release);
  gate.Post([this] { DoComplete(); });
}

// ------------------------------------------------------------ the thread

TAVConvertThread::TAVConvertThread(TAVConverter* converter) : FConverter(converter) {
  FThread = std::thread([this] { Execute(); });
}

TAVConvertThread::~TAVConvertThread() {
  if (!FThread.joinable()) return;
  // A handler on the worker itself (OnLog) that destroys the converter cannot
  // wait for its own thread; the worker touches nothing of ours afterwards.
  if (FThread.get_id() == std::this_thread::get_id())
    FThread.detach();
  else
    FThread.join();
}

void TAVConvertThread::Execute() {
  const QByteArray name = ("Converting " + FConverter->InputFiles().value(0)).toUtf8().left(15);
  pthread_setname_np(pthread_self(), name.constData());
  // Nothing of this object is touched after the run: its owner may be gone.
  FConverter->Execute(this);
}
