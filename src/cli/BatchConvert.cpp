// tesvanor-cli convert SOURCE... --output-folder DIR: every source into the
// folder, a few at a time, each with the same options.

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <vector>

#include "cli/ConvertRequest.h"
#include "cli/TaskCommands.h"
#include "engine/AVConverter.h"
#include "engine/EngineError.h"
#include "tasks/BatchTargets.h"

namespace cli {

namespace {

class TBatchRun {
 public:
  TBatchRun(const TAVConvertOptions& options, const TConvertRequest& request, const QString& profile,
            const QString& extension);
  // Runs the batch to its end (or until Ctrl-C); the exit status.
  int Run();

 private:
  struct TItem {
    QString source, target;
    std::unique_ptr<TAVConverter> converter;
    std::unique_ptr<TTaskRecorder> recorder;
    bool ended = false;
  };

  void StartNext();
  // False when the source is refused before converting (a name the stored
  // task could not keep).
  bool Start(TItem& item, int number);
  void Ended(TItem& item, int number);
  void Interrupt();
  // A line over the progress line; failures are told also when quiet.
  void Say(const QString& line, bool failure = false) const;
  void ShowProgress() const;

  const TConvertRequest& FRequest;
  const QString FProfile;
  std::vector<TItem> FItems;
  int FNext = 0;     // the next item to start
  int FRunning = 0;
  int FEnded = 0;
  int FFailed = 0;
  bool FInterrupted = false;
  TAVConvertOptions FOptions;
};

// The profile's extension, or each source's own.
QStringList TargetsOf(const QStringList& sources, const QString& folder, const QString& extension) {
  if (!extension.isEmpty()) return tasks::BatchTargetNames(sources, folder, extension);
  QStringList targets;
  // Numbered by their base names: "clip.avi" and "clip.mkv" would give
  // names that differ only in their suffix, which are easily mistaken.
  const QStringList all = tasks::BatchTargetNames(sources, folder, QString());
  for (qsizetype i = 0; i < sources.size(); ++i) {
    const QString suffix = QFileInfo(sources[i]).suffix();
    targets << all[i] + (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
  }
  return targets;
}

TBatchRun::TBatchRun(const TAVConvertOptions& options, const TConvertRequest& request, const QString& profile,
                     const QString& extension)
    : FRequest(request), FProfile(profile) {
  FOptions.Assign(options);
  const QStringList targets = TargetsOf(request.inputs, request.outputFolder, extension);
  for (qsizetype i = 0; i < request.inputs.size(); ++i) {
    TItem item;
    item.source = request.inputs[i];
    item.target = targets[i];
    FItems.push_back(std::move(item));
  }
}

void TBatchRun::Say(const QString& line, bool failure) const {
  if (FRequest.quiet) {
    if (failure) std::fprintf(stderr, "%s\n", qPrintable(line));
    return;
  }
  // Over the progress line, which is drawn again after it.
  std::fprintf(stderr, "\r%-70s\n", qPrintable(line));
  ShowProgress();
}

void TBatchRun::ShowProgress() const {
  if (FRequest.quiet) return;
  double done = FEnded;
  for (const TItem& item : FItems)
    if (item.converter && !item.ended) done += std::clamp(item.converter->Progress(), 0, 100) / 100.0;
  std::fprintf(stderr, "\r%4d%%  %d of %d ended, %d running ", int(100 * done / double(FItems.size())), FEnded,
               int(FItems.size()), FRunning);
}

bool TBatchRun::Start(TItem& item, int number) {
  item.converter = std::make_unique<TAVConverter>();
  TAVConverter& c = *item.converter;
  c.SetConvertOptions(FOptions);
  c.SetDecoderThreadCount(FRequest.decoderThreads);
  c.SetAutomaticThreads(FRequest.automaticThreads);
  c.InputFiles() = {item.source};
  c.OutputFiles() = {item.target};
  if (FRequest.saveTask) {
    item.recorder = std::make_unique<TTaskRecorder>(c, FProfile);
    try {
      RequireStorableSettings(item.recorder->Settings());
    } catch (const EAVError& e) {
      item.ended = true;
      ++FEnded, ++FFailed;
      Say(QStringLiteral("[%1/%2] refused %3: %4").arg(number).arg(FItems.size()).arg(item.source, e.Message()), true);
      return false;
    }
  }
  TTaskRecorder* recorder = item.recorder.get();
  const bool verbose = FRequest.verbose;
  c.OnLog = [recorder, verbose](TAVConverter*, int, const QString& text) {
    if (recorder) recorder->AddLog(text);
    if (verbose) std::fprintf(stderr, "%s\n", qPrintable(text.trimmed()));
  };
  c.OnProgress = [this](TAVConverter*) { ShowProgress(); };
  c.OnComplete = [this, &item, number](TAVConverter*) { Ended(item, number); };
  ++FRunning;
  Say(QStringLiteral("[%1/%2] %3 -> %4").arg(number).arg(FItems.size()).arg(item.source, item.target));
  c.Convert();
  return true;
}

void TBatchRun::StartNext() {
  while (!FInterrupted && FRunning < FRequest.jobs && FNext < int(FItems.size())) {
    const int index = FNext++;
    Start(FItems[size_t(index)], index + 1);
  }
  if (FRunning == 0) QCoreApplication::quit();
}

void TBatchRun::Ended(TItem& item, int number) {
  item.ended = true;
  --FRunning;
  ++FEnded;
  const QString error = item.converter->ErrorMsg();
  if (!error.isEmpty()) ++FFailed;
  if (item.recorder && !item.recorder->Save(*item.converter)) ++FFailed;
  Say(error.isEmpty() ? QStringLiteral("[%1/%2] converted %3").arg(number).arg(FItems.size()).arg(item.target)
                      : QStringLiteral("[%1/%2] failed %3: %4").arg(number).arg(FItems.size()).arg(item.source, error),
      !error.isEmpty());
  // Started from the event loop, so that this converter's completion is over first.
  QTimer::singleShot(0, [this] { StartNext(); });
}

void TBatchRun::Interrupt() {
  FInterrupted = true;
  for (TItem& item : FItems)
    if (item.converter && !item.ended) item.converter->Stop();
}

int TBatchRun::Run() {
  QTimer watch;
  StopOnInterrupt(watch, [this] { Interrupt(); });
  QTimer::singleShot(0, [this] { StartNext(); });
  QCoreApplication::exec();
  if (!FRequest.quiet) std::fputc('\n', stderr);
  const int notStarted = int(FItems.size()) - FNext;
  if (notStarted > 0)
    std::fprintf(stderr, "tesvanor-cli: stopped; %d of %d sources were not converted\n", notStarted,
                 int(FItems.size()));
  if (FFailed > 0) std::fprintf(stderr, "tesvanor-cli: %d of %d conversions failed\n", FFailed, int(FItems.size()));
  return FFailed == 0 && notStarted == 0 ? 0 : 1;
}

}  // namespace

int ConvertBatch(const TAVConvertOptions& options, const TConvertRequest& request, const QString& profile,
                 const QString& extension) {
  TBatchRun run(options, request, profile, extension);
  return run.Run();
}

}  // namespace cli
