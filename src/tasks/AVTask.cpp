#include "tasks/AVTask.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "tasks/Configuration.h"
#include "engine/EngineError.h"
#include "engine/ErrorBox.h"
#include "tasks/OmniXML.h"
#include "tasks/PersistentManager.h"
#include "tasks/Shutdown.h"
#include "tasks/TaskCaptions.h"
#include "tasks/XmlErrors.h"

using namespace tasks;

// Lets work posted to the main thread find out whether its task still exists.
struct TAVTask::TAliveFlag {
  bool alive = true;
  std::atomic<bool> logUpdatePending{false};
};

std::function<void(const TTaskAlert& alert)> TAVTask::OnAlert;

TAVTask::TAVTask(std::unique_ptr<TConversionSettings> ASettings, TTaskListModel* AListView)
    : FSettings(ASettings ? std::move(ASettings) : std::make_unique<TConversionSettings>()),
      FAlive(std::make_shared<TAliveFlag>()) {
  FListView = AListView;
  EnsureConverter();
}

TAVTask::TAVTask(QString ASettingsXml, TTaskListModel* AListView)
    : FSettingsXml(std::move(ASettingsXml)), FAlive(std::make_shared<TAliveFlag>()) {
  FListView = AListView;
}

TConversionSettings& TAVTask::EnsureSettings() const {
  if (!FSettings) {
    FSettings = std::make_unique<TConversionSettings>();
    try {
      tasks::TOmniXMLReader::LoadFromString(*FSettings, FSettingsXml);
    } catch (const EAVError& e) {
      FSettingsUnreadable = true;
      const_cast<TAVTask*>(this)->AppendLogLine(e.Message());
    }
    FSettingsXml.clear();
  }
  return *FSettings;
}

TAVConverter& TAVTask::EnsureConverter() const {
  if (!FConverter) {
    auto* self = const_cast<TAVTask*>(this);
    FConverter = std::make_unique<TAVConverter>();
    FConverter->OnProgress = [self](TAVConverter*) { self->DoProgress(); };
    FConverter->OnComplete = [self](TAVConverter*) { self->DoComplete(); };
    FConverter->OnLog = [self](TAVConverter*, int, const QString& line) { self->DoLog(line); };
  }
  return *FConverter;
}

TAVTask::~TAVTask() {
  FAlive->alive = false;
  // The engine first: its worker may still be writing to the log.
  FConverter.reset();
}

// --------------------------------------------------------------- the log

void TAVTask::AppendLogLine(const QString& line) {
  std::lock_guard guard(FLogLock);
  while (FLog.size() > MaxKeptLogLines) FLog.removeFirst();
  FLog.append(line.trimmed());
}

QStringList TAVTask::Log() const {
  std::lock_guard guard(FLogLock);
  return FLog;
}

void TAVTask::SetLog(const QStringList& lines) {
  std::lock_guard guard(FLogLock);
  FLog = lines;
}

bool TAVTask::RowIsSelected() const { return FListView && FListView->Selected() == this; }

void TAVTask::ShowLogIfSelected() {
  if (RowIsSelected() && FLogList) FLogList->SetLines(Log());
}

void TAVTask::DoLog(const QString& line) {
  AppendLogLine(line);
  // The log list belongs to the main thread; one pending copy is enough.
  std::shared_ptr<TAliveFlag> flag = FAlive;
  if (flag->logUpdatePending.exchange(true)) return;
  QObject* app = QCoreApplication::instance();
  if (!app) return;
  QMetaObject::invokeMethod(
      app,
      [flag, this] {
        flag->logUpdatePending = false;
        if (flag->alive) ShowLogIfSelected();
      },
      Qt::QueuedConnection);
}

void TAVTask::ClearLog() {
  SetLog({});
  if (FLogList) FLogList->SetLines({});
  TPersistentManager::ClearLog(*this);
}

void TAVTask::LoadTaskInfo(TInfoViewModel* AList, TLogListModel* ALogList) {
  if (!AList || !ALogList) throw std::logic_error("LoadTaskInfo needs an info view and a log list");
  TNodeObject::LoadTaskInfo(AList, ALogList);
  AList->SetColumns({{QStringLiteral("Category"), 100}, {QStringLiteral("Property"), 150}, {QStringLiteral("Value"), 150}});
  ALogList->SetLines(Log());
}

// ------------------------------------------------------------- commands

bool TAVTask::CanStart() const {
  if (SettingsUnreadable()) return false;
  return Status == stPaused || Status == stWaiting || (Status == stError && !FCompletionPending);
}

bool TAVTask::SettingsUnreadable() const {
  EnsureSettings();
  return FSettingsUnreadable;
}

void TAVTask::Start() {
  // A stopped run is still writing its end; its completion decides the task.
  if (FCompletionPending) return;
  // Settings that did not read would convert nothing, and storing them would
  // replace the row's text, which may still be mended by hand.
  if (SettingsUnreadable()) return;
  FCompletionPending = true;
  Status = stRunning;
  SetLog({});
  if (RowIsSelected() && FLogList) FLogList->SetLines({});
  // One source into one target, also when the task runs again.
  Converter().SetInputFiles({Settings().SourceFile()});
  Converter().SetOutputFiles({Settings().TargetFile()});
  Converter().SetConvertOptions(Settings().ConvertOptions());
  Converter().SetDecoderThreadCount(AVConfiguration().EngineThreadCount());
  Converter().SetAutomaticThreads(AVConfiguration().AutomaticThreads());
  Converter().Convert();
}

void TAVTask::Pause() { Status = stPaused; }
void TAVTask::Resume() { Status = stRunning; }
void TAVTask::Stop() { Status = stError; }

void TAVTask::Delete(bool DeleteSource, bool DeleteTarget) {
  const QString source = Settings().SourceFile();
  const QString target = Settings().TargetFile();
  TPersistentManager::DeleteTask(*this);
  // The task goes first, so that a running engine has let go of the target.
  if (TNodeObject* category = Category) {
    std::unique_ptr<TAVTask> self = category->TakeTask(this);
    if (category->FListView) category->FListView->RemoveRow(this);
    self.reset();
  }
  if (DeleteSource && QFileInfo(source).isFile()) QFile::remove(source);
  if (DeleteTarget && QFileInfo(target).isFile()) QFile::remove(target);
}

bool TAVTask::ConvertedIsValid() const { return IsConverted && QFileInfo(Settings().TargetFile()).isFile(); }

bool TAVTask::CanOpenSource() const { return QFileInfo(Settings().SourceFile()).isFile(); }

QString TAVTask::GetTargetProfileText() const { return Settings().Profile(); }

// --------------------------------------------------------- engine events

void TAVTask::RepaintRow() {
  if (Category && Category->IsSelectedNode() && FListView) FListView->RepaintRow(this);
}

void TAVTask::DoProgress() { RepaintRow(); }

void TAVTask::MarkFailed(const QString& message) {
  Status = stError;
  AppendLogLine(message);
  RepaintRow();
  ShowLogIfSelected();
}

void TAVTask::CompleteFailed(const QString& message) {
  MarkFailed(message);
  TNodeObject* converting = Category;
  try {
    TPersistentManager::StoreFailedTask(*this);
  } catch (const EAVError& e) {
    ShowErrorBox(e.Message());
  }
  ShutDownWhenIdle(converting);
}

void TAVTask::DoComplete() {
  FCompletionPending = false;
  // Its place goes to the next waiting task at once, which then converts
  // while this one is stored and filed.
  if (auto* queue = dynamic_cast<TConvertingNode*>(Category)) {
    queue->RunEnded();
    queue->RunQueue();
  }
  const QString error = Converter().ErrorMsg();
  if (!error.isEmpty()) return CompleteFailed(error);
  Status = stFinished;
  RepaintRow();
  StoreFinished(false);
}

namespace {

// A finish that meets another program's lock tries again this often while
// the program runs, each time waiting briefly so that the window stays live.
constexpr int StoreRetryIntervalMs = 1000;
constexpr int StoreRetryWaitMs = 250;

class TBriefBusyWait {
 public:
  TBriefBusyWait() : FSaved(TPersistentManager::BusyTimeout()) {
    TPersistentManager::SetBusyTimeout(std::min(FSaved, StoreRetryWaitMs));
  }
  ~TBriefBusyWait() { TPersistentManager::SetBusyTimeout(FSaved); }
  TBriefBusyWait(const TBriefBusyWait&) = delete;
  TBriefBusyWait& operator=(const TBriefBusyWait&) = delete;

 private:
  int FSaved;
};

}  // namespace

// The file is done. A task the database did not take (disk full, no
// database) stays in the list with the reason instead of vanishing at the next
// start; one whose database is only held by another program (the command-line
// tool) waits, finished, and is stored once the file is free.
void TAVTask::StoreFinished(bool lastChance) {
  try {
    std::optional<TBriefBusyWait> brief;
    if (!lastChance) brief.emplace();
    TPersistentManager::FinishDbTask(*this);
  } catch (const EAVError& e) {
    if (dynamic_cast<const EDatabaseBusy*>(&e) && !lastChance) return WaitToStore(e.Message());
    FStorePending = false;
    MarkFailed(e.Message());
    ShowErrorBox(e.Message());
    if (!lastChance) ShutDownWhenIdle(Category);
    return;
  }
  FStorePending = false;
  // At the end of the program nobody is left to click an alert, and closing
  // the window is no "done" that shuts the machine down.
  FileFinished(!lastChance);
}

void TAVTask::WaitToStore(const QString& reason) {
  if (!FStorePending) {
    FStorePending = true;
    AppendLogLine(reason + QStringLiteral("; the finished task is stored as soon as the database is free"));
    ShowLogIfSelected();
  }
  QObject* app = QCoreApplication::instance();
  if (!app) return;
  std::shared_ptr<TAliveFlag> flag = FAlive;
  QTimer::singleShot(StoreRetryIntervalMs, app, [flag, this] {
    if (flag->alive && FStorePending) StoreFinished(false);
  });
}

void TAVTask::StoreIfPending() {
  if (FStorePending) StoreFinished(true);
}

void TAVTask::FileFinished(bool announce) {
  TNodeObject* converting = Category;
  std::unique_ptr<TAVTask> self = converting ? converting->TakeTask(this) : nullptr;

  if (announce && AVConfiguration().ShowAlert() && OnAlert) {
    const QString target = Settings().TargetFile();
    OnAlert({QStringLiteral("任务完成！点击打开文件夹."), target + QLatin1Char(' '), target});
  }

  // Filed where it is visible now, or destroyed to be read back later.
  TNodeObject* selected = converting && converting->FTreeView ? converting->FTreeView->Selected() : nullptr;
  auto* category = dynamic_cast<TConvertedNode*>(selected);
  if (self && category && category->CategoryId() == CategoryId) {
    if (FListView) FListView->RemoveRow(this);
    IsConverted = true;
    Category = category;
    FListView = category->FListView;
    if (FListView) FListView->AddRow(this);
    category->AddTask(std::move(self));
  } else {
    if (FListView) FListView->RemoveRow(this);
    self.reset();
  }
  // Nothing of this task may be touched from here on: it may be gone.
  if (announce) ShutDownWhenIdle(converting);
}

void ShutDownWhenIdle(const TNodeObject* convertingNode) {
  if (!AVConfiguration().ShutdownWhenDone() || !convertingNode) return;
  // A finished task still waiting for the database would be lost with the machine.
  // Nor may the queue be cut short: its waiting tasks are work still to do.
  for (const auto& task : convertingNode->Tasks())
    if (task->Status == stRunning || task->Status == stWaiting || task->StorePending()) return;
  ShutDownComputer();
}

void TAVTask::StoreWaitingMark(bool waiting) {
  if (StoredWaiting == waiting || ID <= 0) return;
  try {
    TPersistentManager::SetTaskWaiting(*this, waiting);
  } catch (const EAVError& e) {
    AppendLogLine(e.Message());
    ShowLogIfSelected();
  }
}

// ------------------------------------------------------- TConvertingTask

void TConvertingTask::Start() {
  if (auto* queue = dynamic_cast<TConvertingNode*>(Category)) queue->JoinBatch();
  TAVTask::Start();
  // Running now: should the program end during the run, the task comes back
  // as interrupted, not as waiting.
  if (RunInProgress()) StoreWaitingMark(false);
}

void TConvertingTask::Pause() {
  if (Status == stWaiting) {
    // Held back: the queue passes it by until it is started.
    Status = stPaused;
    StoreWaitingMark(false);
    return RepaintRow();
  }
  TAVTask::Pause();
  Converter().Pause();
}

void TConvertingTask::Resume() {
  if (Status == stPaused && !RunInProgress()) return Start();  // held back, never run
  TAVTask::Resume();
  Converter().Resume();
}

void TConvertingTask::Stop() {
  if (!RunInProgress()) {
    // Out of the queue before it ran: nothing was written, nothing to file.
    if (Status == stWaiting || Status == stPaused) Status = stError;
    StoreWaitingMark(false);
    return RepaintRow();
  }
  TAVTask::Stop();
  Converter().Stop();
}

QString TConvertingTask::GetCaption(int ColumnIndex) const {
  const TConversionSettings& s = Settings();
  // A converted task shows stored values only: its engine is not made for it.
  const auto engine = [this]() -> const TAVConverter& { return Converter(); };
  switch (ColumnIndex) {
    case 0: return SourceCaption(s);
    case 1:
      if (!IsConverted && s.SourceFileSize() == 0)
        // Shown once known, and kept so that it is stored with the task.
        const_cast<TConversionSettings&>(s).SetSourceFileSize(engine().SourceFileSize());
      return SizeCaption(s.SourceFileSize());
    case 2: return FileNamePart(s.TargetFile());
    case 3: {
      if (!IsConverted) return SizeCaption(engine().TargetFileSize());
      const QFileInfo target(s.TargetFile());
      return SizeCaption(target.isFile() ? target.size() : 0);
    }
    case 4: return s.Profile();
    case 5:
      if (IsConverted) return DurationCaption(s.Duration());
      // Before the engine knows it, the length the wizard found is shown.
      return DurationCaption(engine().Duration() > 0 ? engine().Duration() : s.Duration());
    default: break;
  }
  if (IsConverted) return ColumnIndex == 6 ? DateCaption(Date) : QString();
  if (Status == stWaiting) return ColumnIndex == 6 ? QStringLiteral("等待中") : QString();
  switch (ColumnIndex) {
    case 6: return QString::number(engine().Progress()) + QLatin1Char('%');
    case 7: return BitrateCaption(engine().Bitrate());
    case 8: return TimeCaption(engine().GetLeftTime());
    case 9: return TimeCaption(engine().GetUsedTime());
    default: return {};
  }
}
