#pragma once
// The conversion component: a caller fills the option tree, names inputs and
// outputs, assigns the events and calls Convert; the run happens on a worker
// thread of its own. OnProgress, OnStopped, OnComplete and the error box are
// delivered on the main thread (the worker waits for them); OnLog arrives on
// the thread that produced the line.
//
// Convert copies the option tree, the file names and the codec options set so
// far (TranscodeRun.h); the run never writes into the caller's tree, but for
// its byte counters AudioSize and VideoSize, which grow as it goes.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/AVConvertOptions.h"
#include "engine/HandOver.h"
#include "engine/OptionStores.h"
#include "engine/RunRecords.h"
#include "engine/TranscodeRun.h"
#include "media/LibraryPtrs.h"

enum TAVConvertState : uint8_t { csNone, csRunning, csStopped, csPaused };

class TAVConverter;
class TAVConvertThread;

namespace engine {
struct TVideoFilterGraph;
struct TVideoFilterPlan;
}  // namespace engine

using TAVLogEvent = std::function<void(TAVConverter* Sender, int level, const QString& Log)>;
using TAVProgressEvent = std::function<void(TAVConverter* Sender)>;
using TAVNotifyEvent = std::function<void(TAVConverter* Sender)>;

class TAVConverter {
 public:
  // The library's warning level: lines at this level or more severe reach OnLog.
  static constexpr int DefaultLogLevel = 24;
  // What GetLeftTime answers before there is any progress: 99:99:99.
  static constexpr int64_t UnknownLeftTime = 362439;

  TAVConverter();
  TAVConverter(const TAVConverter&) = delete;
  TAVConverter& operator=(const TAVConverter&) = delete;
  // Stops a running conversion and waits for it; no event reaches the
  // handlers any more once destruction has begun.
  virtual ~TAVConverter();

  TAVConvertOptions& ConvertOptions() { return FConvertOptions; }
  const TAVConvertOptions& ConvertOptions() const { return FConvertOptions; }
  void SetConvertOptions(const TAVConvertOptions& v) { FConvertOptions.Assign(v); }
  QStringList& InputFiles() { return FInputFiles; }
  const QStringList& InputFiles() const { return FInputFiles; }
  void SetInputFiles(const QStringList& v) { FInputFiles = v; }
  QStringList& OutputFiles() { return FOutputFiles; }
  const QStringList& OutputFiles() const { return FOutputFiles; }
  void SetOutputFiles(const QStringList& v) { FOutputFiles = v; }

  // Assign before Convert.
  TAVLogEvent OnLog;
  TAVProgressEvent OnProgress;
  TAVNotifyEvent OnComplete;
  TAVNotifyEvent OnStopped;

  double ConvertedDuration() const { return FConvertedDuration.load(std::memory_order_relaxed); }
  void SetConvertedDuration(double v) { FConvertedDuration.store(v, std::memory_order_relaxed); }
  double Duration() const { return FDuration.load(std::memory_order_relaxed); }
  void SetDuration(double v) { FDuration.store(v, std::memory_order_relaxed); }
  double Bitrate() const { return FBitrate.load(std::memory_order_relaxed); }
  void SetBitrate(double v) { FBitrate.store(v, std::memory_order_relaxed); }
  int64_t StartTime() const { return timer_start.load(std::memory_order_relaxed); }
  int64_t LastTime() const { return last_time.load(std::memory_order_relaxed); }
  TAVConvertState State() const { return FState.load(std::memory_order_acquire); }
  int64_t TargetFileSize() const { return FTargetFileSize.load(std::memory_order_relaxed); }
  int64_t SourceFileSize() const { return FSourceFileSize.load(std::memory_order_relaxed); }
  // Percent of the requested span converted so far; may exceed 100.
  int Progress() const;
  // The message of the error that ended the last run; empty after a run that
  // completed or was stopped.
  QString ErrorMsg() const;
  // True from Convert until the run has closed everything.
  bool IsRunning() const;
  int LogLevel() const { return FLogLevel.load(std::memory_order_relaxed); }
  void SetLogLevel(int level);
  // Threads of the decoders; 0 (the default): the options' ThreadCount. A
  // profile whose encoder runs on one thread sets ThreadCount to 1, which need
  // not slow the decoding of a large source down with it. With more than one,
  // video is also decoded, filtered and encoded on threads beside the worker's.
  int DecoderThreadCount() const { return FDecoderThreadCount; }
  void SetDecoderThreadCount(int n) { FDecoderThreadCount = n < 0 ? 0 : n; }
  int DecoderThreads() const { return FDecoderThreadCount > 0 ? FDecoderThreadCount : FConvertOptions.ThreadCount(); }
  // The thread count is the machine's own choice rather than the user's: the
  // encoders that pick their threading best (x264, x265, libvpx) are left to
  // pick it. Off by default.
  bool AutomaticThreads() const { return FAutomaticThreads; }
  void SetAutomaticThreads(bool v) { FAutomaticThreads = v; }

  // Starts the run on a new worker thread and returns at once. Ignored while a
  // run is still going.
  void Convert();
  void Stop();
  void Pause();
  void Resume();
  int64_t GetUsedTime() const;
  int64_t GetLeftTime() const;

  // Parses one library option into the option stores: 0 when stored, -1 for
  // an unknown name (silently) or a bad value ("Invalid value for Option!").
  int SetCodecOption(const QByteArray& name, const QByteArray& value);
  // Copies the stored values of the options set so far onto a library
  // context, those whose flags contain all of flags.
  void ApplyStoredOptions(void* context, TAVOptionStore store, int flags) const;
  const QStringList& OptNames() const { return Opt_names; }

  // Routes one library log line to the converter running on the calling thread.
  void DoLibraryLog(int level, const QString& text) { DoLog(level, text); }

 protected:
  virtual void DoLog(int level, const QString& text);
  virtual void DoStopped();
  virtual void DoError();
  // One run once inputs and outputs are open: setup, read loop, flush. Errors
  // (EAVError) end it and are shown by the caller.
  virtual void Transcode();
  virtual void DoComplete();

  // Raises OnProgress on the main thread, at most every 50 ms unless force.
  void DoProgress(bool force = false);
  // The state check of one loop pass: progress, waiting while paused, and on a
  // stop request OnStopped. False when the loop must end.
  bool CheckLoopState();
  // Refreshes sizes and bitrate, at most every 0.5 s except for the last report.
  void ReportProgress(bool last);
  // Raises EAVError with message.
  [[noreturn]] static void Fail(const QString& message);

  // The run of the current pass; exists from the opening of the inputs to the
  // end of the pass.
  TTranscodeRun& Run() { return *FRun; }
  const TAVConvertOptions& RunOptions() const { return FRequest->options; }

  std::atomic<int64_t> timer_start{0};
  std::atomic<int64_t> last_time{0};

 private:
  friend class TAVConvertThread;

  // The conversion sequence, on the worker thread.
  std::unique_ptr<TRunRequest> MakeRequest();
  void Execute(TAVConvertThread* thread);
  void RunConversion();
  void RunOnePass();
  // A target size (TargetSize.cpp): the bitrate it allows, and two passes.
  void RunForTargetSize();
  void ApplyTargetSizeBitrate();
  void ReportConverted(double seconds);
  // Seconds the run is to convert: the recording time, or the source's length
  // after the start point when that is shorter.
  double RequestedSpan() const;
  void LogOptionsWithoutEffect();
  void LogOptionWithoutEffect(const char* name);
  void ParseStreamMaps();
  void ApplyBitrateOptions();
  void ApplyCodecOptions();
  void ResolveFormats();
  void ApplyInputTSScale();
  void RunTranscode();
  void CloseAll();
  // Ends the pass: destroys its run, then removes the files of a run that
  // failed before writing any header.
  void EndPass();
  void Complete();

  // Opening the inputs (InputOpening.cpp).
  void OpenInputFile(int index);
  const AVCodec* FindCodec(const QString& name, AVMediaType type, bool encoder);
  void SelectProgram(AVFormatContext* ic);
  void SetupInputStream(AVFormatContext* ic, TAVInputStream& ist, const AVCodec* subtitleDecoder);
  void SetupInputVideoStream(AVFormatContext* ic, TAVInputStream& ist);

  // Creating the outputs (OutputFiles.cpp).
  void OpenOutputFile(int index);
  void ApplyOutputParameters();
  void FitToMaxFrameHeight();
  TAVOutputStream& NewOutputStream(AVFormatContext* oc, int file, const AVCodec* encoder);
  void NewVideoStream(AVFormatContext* oc, int file);
  void NewAudioStream(AVFormatContext* oc, int file);
  void NewSubtitleStream(AVFormatContext* oc, int file);
  const AVOutputFormat* GuessOutputFormat(const QString& name) const;
  void FitVideoEncoder(TAVOutputStream& ost);
  void OpenHardwareDevice(TAVOutputStream& ost);
  void OpenOutputIO(AVFormatContext* oc, const QString& name);
  void RefuseInputAsOutput(const QString& name) const;

  // Setting up the run (TranscodeSetup.cpp).
  void SetupTranscode();
  void BuildInputRecords();
  void CopySourceTags();
  void FitSubtitleToSource(TAVOutputStream& ost, const TAVInputStream& ist);
  void MapOutputStreams();
  TAVInputStream* FindSourceStream(const TAVOutputStream& ost, bool anyUse) const;
  void SetupStreamCopy(TAVOutputStream& ost, TAVInputStream& ist);
  void SetupEncoding(TAVOutputStream& ost, TAVInputStream& ist, int n);
  void PlanPictures(TAVOutputStream& ost, TAVInputStream& ist);
  void PrepareTwoPass(TAVOutputStream& ost, int n);
  static void AddX265PassParams(AVCodecContext* c, const QByteArray& statsFile, int pass);
  void OpenEncoders();
  void OpenDecoders();
  void InitTimestamps();
  int CopyChapters(int in, int out);
  void WriteHeaders();

  // Packets through decoders to the outputs (PacketDecoding.cpp).
  int ProcessInputPacket(TAVInputStream& ist, int ist_index, AVPacket* pkt);
  // Decodes pkt (nullptr: drains the decoder) and hands the frames on; -1
  // after a decoder error, which is logged once per stream.
  int DecodeFrames(TAVInputStream& ist, int ist_index, AVPacket* pkt);
  // The two ways of decoding: the library's error, or 0.
  int DecodeOnStage(TAVInputStream& ist, int ist_index, AVPacket* pkt);
  int DecodeHere(TAVInputStream& ist, int ist_index, AVPacket* pkt);
  int DecodeSubtitle(TAVInputStream& ist, int ist_index, AVPacket* pkt);
  void HandleVideoFrame(TAVInputStream& ist, int ist_index, AVFrame* frame, AVRational decoderRate);
  void HandleAudioFrame(TAVInputStream& ist, int ist_index, AVFrame* frame);
  // Hands a decoded picture (nullptr: the end) to the output's filters, on
  // their stage or here, and what comes out to OutputVideoFrame.
  void PassPicture(TAVOutputStream& ost, const TAVInputStream& ist, AVFrame* frame);
  // What the filters do with a picture, on whichever thread filters.
  void FilterPicture(TAVOutputStream& ost, const TAVInputStream& ist, AVFrame* frame);
  void CopyPacket(TAVOutputStream& ost, TAVInputStream& ist, const AVPacket* pkt);
  void FlushOutputs(int ist_index);
  void RateEmulationWait(const TAVInputStream& ist) const;

  // Audio output (AudioOutput.cpp).
  void do_audio_out(TAVOutputStream& ost, TAVInputStream& ist, AVFrame* frame);
  double InputSyncTime(const TAVOutputStream& ost) const;
  void PickSampleFormat(TAVOutputStream& ost);
  void PickSampleRate(TAVOutputStream& ost);
  void PickChannelLayout(TAVOutputStream& ost);
  void FitAudioToContainer(TAVOutputStream& ost, const AVOutputFormat* format);
  void PadAudioToVideoEnd(TAVOutputStream& ost);
  void ConfigureResampler(TAVOutputStream& ost, const AVFrame* frame);
  void WriteToFifo(TAVOutputStream& ost, const AVFrame* frame, int offset, int count, int silence);
  void DrainResampler(TAVOutputStream& ost);
  void EncodeAudioFifo(TAVOutputStream& ost, bool flush);
  AVFrame* ResampledFrame(TAVOutputStream& ost, int capacity);
  void FlushAudio(TAVOutputStream& ost);

  // Video and subtitle output (VideoOutput.cpp).
  // time: when the filtered picture is shown, on the run's timeline (µs).
  void OutputVideoFrame(TAVOutputStream& ost, const TAVInputStream& ist, AVFrame* frame, int64_t time);
  void PadVideoToAudioEnd(TAVOutputStream& ost);
  void CheckFrameGeometry(TAVOutputStream& ost, const TAVInputStream& ist, const AVFrame* frame);
  void OutputSubtitle(TAVOutputStream& ost, TAVInputStream& ist, AVSubtitle& sub, int64_t pts);
  void PickPixelFormat(TAVOutputStream& ost);
  int ResolvedVideoSyncMethod(const TAVOutputStream& ost) const;

  // Encoders and the muxer (Muxing.cpp).
  void EncodeFrame(TAVOutputStream& ost, AVFrame* frame);
  // A timed picture (nullptr: the end) to the encode stage, or to EncodeFrame without one.
  void EncodePicture(TAVOutputStream& ost, AVFrame* frame);
  // stats: the encoder's two-pass statistics for this packet, or nullptr.
  void MuxEncodedPacket(TAVOutputStream& ost, AVPacket* pkt, const char* stats);
  void AddPsnrStatistics(TAVOutputStream& ost, const AVPacket* pkt);
  void LogPsnr(const TAVOutputStream& ost);
  void WriteOutputPacket(TAVOutputStream& ost, AVPacket* pkt);
  void FilterAndWrite(TAVOutputStream& ost, AVPacket* pkt, size_t filter);
  // Logs "what on output stream #f.s: reason" the first time logged is false.
  void LogStreamErrorOnce(const TAVOutputStream& ost, bool& logged, const QString& what, int error);
  void FlushBitstreamFilters(TAVOutputStream& ost);
  std::vector<media::BsfContextPtr> OpenBitstreamFilters(const QStringList& names);
  void InitBitstreamFilters(TAVOutputStream& ost);
  double OutputPosition(const TAVOutputStream& ost) const;

  // Video filter graphs (FilterChain.cpp).
  int BuildVideoFilterChain(const TAVInputStream& ist, TAVOutputStream& ost, const AVFrame* frame = nullptr);
  int OpenScriptStages(TAVVideoFilterChain& chain, const engine::TVideoFilterPlan& plan);
  int PrependProfileFilters(AVFilterGraph* graph, AVFilterContext*& next);
  int PrependUpload(AVFilterGraph* graph, AVFilterContext*& next, AVBufferRef* device);
  int ConnectUserFilters(AVFilterGraph* graph, const engine::TVideoFilterGraph& user, AVFilterContext* from,
                         AVFilterContext* to);
  void FilterVideoFrame(const TAVInputStream& ist, TAVOutputStream& ost, AVFrame* frame);
  void FeedFilterGraph(const TAVInputStream& ist, TAVOutputStream& ost, size_t index, AVFrame* frame);
  void RunScriptStage(TAVScriptStage& script, AVFrame* picture);

  // Timestamps far from the rest of their file (Timeline.cpp).
  int64_t GapBound() const;
  void AlignLateStreams(int file);
  void SkipTimestampJump(TAVInputStream& ist, AVPacket* pkt);
  void DropWildPresentationTime(const TAVInputStream& ist, AVPacket* pkt) const;
  void EstimateDurationFromSize();

  // The read loop and the end of the run (ReadLoop.cpp).
  void ReadLoop();
  int ChooseInputFile(std::vector<char>& no_packet, double& opts_min) const;
  void AdjustPacketTimestamps(TAVInputStream& ist, AVPacket* pkt);
  void EndRun();
  void FinishOutputFiles();
  void CheckNoStreamLost() const;

  void EnsureOptionStores();
  // Where options of the muxer and the encoders are looked up.
  static TAVPrivateOptionTargets PrivateOptionTargets(const TAVConvertOptions& options, const QString& output,
                                                      const AVOutputFormat* muxer);
  int SetOption(TAVOptionStores& stores, QStringList& names, const TAVPrivateOptionTargets& targets,
                const QByteArray& name, const QByteArray& value);
  // SetCodecOption and ApplyStoredOptions for the stores of the run.
  int SetRunOption(const QByteArray& name, const QByteArray& value);
  void ApplyRunOptions(void* context, TAVOptionStore store, int flags) const;
  void WaitWhilePaused();
  // Runs fn on the main thread unless the converter is being destroyed.
  void RunGated(const std::function<void()>& fn);
  // The error box, shown on the main thread unless the converter is being destroyed.
  void ShowError(const QString& text);
  void SetState(TAVConvertState s);
  bool ChangeState(TAVConvertState from, TAVConvertState to);

  TAVConvertOptions FConvertOptions;
  QStringList FInputFiles;
  QStringList FOutputFiles;
  std::atomic<double> FConvertedDuration{0};
  std::atomic<double> FDuration{0};
  std::atomic<double> FBitrate{0};
  std::atomic<int64_t> FTargetFileSize{0};
  std::atomic<int64_t> FSourceFileSize{0};
  std::atomic<TAVConvertState> FState{csNone};
  std::atomic<int8_t> FLogLevel{DefaultLogLevel};
  std::atomic<bool> FStopRequested{false};  // a stop asked for before the loop began
  std::atomic<bool> FCompleting{false};     // the worker is past the run; it touches nothing of ours
  mutable std::mutex FErrorLock;
  QString FErrorMsg;
  std::mutex FStateLock;
  std::condition_variable FStateChanged;
  std::chrono::steady_clock::time_point FLastProgressEvent{};
  engine::THandOverGate FGate;
  int FDecoderThreadCount = 0;
  bool FAutomaticThreads = false;
  // Codec options set before Convert, for the next run.
  std::unique_ptr<TAVOptionStores> FOptionStores;
  QStringList Opt_names;
  // Worker state: the request from Convert to the end of the conversion, a
  // run per pass, and what the passes of a run aiming at a file size share.
  std::unique_ptr<TRunRequest> FRequest;
  std::unique_ptr<TTranscodeRun> FRun;
  int FSizePass = 0;  // the pass of a run aiming at a file size; 0: none
  int64_t FSizeCorrection = 0;  // bytes the first second pass missed the size by, negated
  QString FPassLogPrefix = QStringLiteral("ffmpeg2pass");
  std::unique_ptr<TAVConvertThread> FThread;
};

// The worker thread of one run. It registers itself under its thread id so
// that library log lines find their converter.
class TAVConvertThread {
 public:
  explicit TAVConvertThread(TAVConverter* converter);
  TAVConvertThread(const TAVConvertThread&) = delete;
  TAVConvertThread& operator=(const TAVConvertThread&) = delete;
  ~TAVConvertThread();

  TAVConverter* FConverter;

 private:
  void Execute();
  std::thread FThread;
};
