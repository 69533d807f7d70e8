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
  const TTranscodeRun& run = *FRun;
  if (!run.output_files.empty() && run.output_files[0] && run.output_files[0]->pb) {
    AVIOContext* pb = run.output_files[0]->pb;
    int64_t size = avio_size(pb);
    if (size < 0) size = avio_tell(pb);
    FTargetFileSize = size;
  }
  if (!run.input_files.empty() && run.input_files[0] && run.input_files[0]->pb)
    FSourceFileSize = avio_size(run.input_files[0]->pb);
  if (!last) EstimateDurationFromSize();
  double t = 1e10;
  for (const auto& ost : run.ost_table) {
    const double position = OutputPosition(*ost);
    if (position > 0 && position < t) t = position;
  }
  SetBitrate(static_cast<double>(TargetFileSize()) * 8.0 / std::max(t, 0.01) / 1000.0);
}

// --------------------------------------------------------- option stores

TAVPrivateOptionTargets TAVConverter::PrivateOptionTargets(const TAVConvertOptions& options, const QString& output,
                                                           const AVOutputFormat* muxer) {
  TAVPrivateOptionTargets targets;
  targets.muxer = muxer;
  if (!targets.muxer) {
    const QByteArray format = options.OutputFormat().toUtf8();
    const QByteArray file = output.toUtf8();
    targets.muxer = av_guess_format(format.isEmpty() ? nullptr : format.constData(),
                                    file.isEmpty() ? nullptr : file.constData(), nullptr);
  }
  auto encoder = [&](const QByteArray& name, AVCodecID fallback) -> const AVCodec* {
    QString unused;
    if (!name.isEmpty()) return engine::FindEncoderByName(name, unused);
    return targets.muxer ? avcodec_find_encoder(fallback) : nullptr;
  };
  const AVOutputFormat* m = targets.muxer;
  targets.video = encoder(options.VideoOptions().EncoderVideoCodecName(), m ? m->video_codec : AV_CODEC_ID_NONE);
  targets.audio = encoder(options.AudioOptions().EncoderAudioCodecName().toUtf8(),
                          m ? m->audio_codec : AV_CODEC_ID_NONE);
  targets.subtitle = encoder(options.SubtitleOptions().SubtitleCodecName(),
                             m ? m->subtitle_codec : AV_CODEC_ID_NONE);
  return targets;
}

int TAVConverter::SetOption(TAVOptionStores& stores, QStringList& names, const TAVPrivateOptionTargets& targets,
                            const QByteArray& name, const QByteArray& value) {
  QStringList notes;
  const std::vector<TAVOptionSetting> settings = TranslateLegacyOption(name, value, targets.video, notes);
  for (const QString& note : notes) DoLog(AV_LOG_WARNING, note);
  int result = 0;
  for (const TAVOptionSetting& s : settings) {
    QByteArray stored;
    switch (stores.Set(s.name, s.value, targets, stored, s.onlyStore)) {
      case TAVOptionStores::TSetResult::Stored:
        names.append(QString::fromUtf8(stored));
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

int TAVConverter::SetCodecOption(const QByteArray& name, const QByteArray& value) {
  EnsureOptionStores();
  const TAVPrivateOptionTargets targets = PrivateOptionTargets(FConvertOptions, FOutputFiles.value(0), nullptr);
  return SetOption(*FOptionStores, Opt_names, targets, name, value);
}

int TAVConverter::SetRunOption(const QByteArray& name, const QByteArray& value) {
  const TAVPrivateOptionTargets targets =
      PrivateOptionTargets(RunOptions(), FRun->output_names.value(0), FRun->file_oformat);
  return SetOption(*FRun->option_stores, FRun->opt_names, targets, name, value);
}

void TAVConverter::ApplyStoredOptions(void* context, TAVOptionStore store, int flags) const {
  if (FOptionStores) FOptionStores->Apply(context, store, flags, Opt_names);
}

void TAVConverter::ApplyRunOptions(void* context, TAVOptionStore store, int flags) const {
  FRun->option_stores->Apply(context, store, flags, FRun->opt_names);
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
  FRequest = MakeRequest();
  EnsureOptionStores();  // for options the caller sets for a later run
  FThread = std::make_unique<TAVConvertThread>(this);
}

// The caller's settings as they stand, for the worker: the caller may change
// its own tree and lists while the run goes on.
std::unique_ptr<TRunRequest> TAVConverter::MakeRequest() {
  auto request = std::make_unique<TRunRequest>();
  request->options.AssignForRun(FConvertOptions);
  request->input_names = FInputFiles;
  request->output_names = FOutputFiles;
  // Without options of the caller's, the run makes its stores from the tree's scaler flags.
  if (!Opt_names.isEmpty()) {
    request->option_stores = std::move(FOptionStores);
    request->opt_names = std::exchange(Opt_names, {});
  }
  request->decoder_threads = DecoderThreads();
  request->automatic_threads = FAutomaticThreads;
  return request;
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
