#pragma once
// A conversion task: its settings, its private engine, its database row, its
// status and log, and the node whose list holds it. Every task is a
// TConvertingTask, converting (held by the converting node) or finished and
// filed (held by a category node, IsConverted).

#include <QDateTime>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

#include "engine/AVConverter.h"
#include "tasks/ConversionSettings.h"
#include "tasks/NodeObject.h"

// stWaiting: the task waits in the queue for a free place to run ("等待中").
enum TAVTaskStatus : uint8_t { stRunning, stPaused, stError, stFinished, stWaiting };

// What the desktop alert of a finished task shows.
struct TTaskAlert {
  QString Header;   // "任务完成！点击打开文件夹."
  QString Message;  // the target path and a space
  QString File;     // the file to reveal when the alert is clicked
};

class TAVTask : public TNodeObject {
 public:
  // At most this many lines stay in the log before a new one is appended.
  static constexpr int MaxKeptLogLines = 50;

  TAVTask(std::unique_ptr<TConversionSettings> ASettings, TTaskListModel* AListView);
  // A task read from the database: its settings are read from the stored XML
  // text when first needed and its engine is made when first needed, so that
  // a category of thousands of finished tasks opens at once. Settings that do
  // not read keep their defaults; the reader's message goes into the log.
  TAVTask(QString ASettingsXml, TTaskListModel* AListView);
  ~TAVTask() override;
  const char* ClassName() const override { return "TAVTask"; }

  // Deletes the row, optionally the files, and destroys the task.
  void Delete(bool DeleteSource, bool DeleteTarget) override;
  int GetImageIndex() const override { return Status; }
  void LoadTaskInfo(TInfoViewModel* AList, TLogListModel* ALogList) override;

  virtual void Start();
  virtual void Pause();
  virtual void Resume();
  virtual void Stop();

  // Paused, waiting in the queue, or ended with an error or a stop whose run
  // has completely wound down; never when the stored settings did not read.
  bool CanStart() const;
  // The engine runs for this task: started, and its completion has not
  // arrived yet (paused and winding-down runs included). Such a task holds a
  // place of the queue.
  bool RunInProgress() const { return FCompletionPending; }
  // The stored settings text did not read: the task keeps default settings
  // and the reader's message in its log, is never started and never writes
  // its settings back, but can be deleted.
  bool SettingsUnreadable() const;
  // Finished, but another program held the database: it waits in the list
  // and is stored (then filed) as soon as the database is free.
  bool StorePending() const { return FStorePending; }
  // Stores a waiting task now, waiting the whole busy time, and files it
  // without alert or shut-down; at the end of the program. A refusal is shown
  // and leaves the task as failed.
  void StoreIfPending();
  bool ConvertedIsValid() const;
  bool CanOpenSource() const;
  QString GetTargetProfileText() const;
  // Empties the log, the visible log and the stored log.
  void ClearLog();

  // A copy of the log lines; any thread.
  QStringList Log() const;
  void SetLog(const QStringList& lines);

  TConversionSettings& Settings() { return EnsureSettings(); }
  const TConversionSettings& Settings() const { return EnsureSettings(); }
  TAVConverter& Converter() { return EnsureConverter(); }
  const TAVConverter& Converter() const { return EnsureConverter(); }
  // Whether the engine exists yet (a task read from the database has none
  // until it is started or asked for engine values).
  bool HasConverter() const { return FConverter != nullptr; }

  int ID = 0;
  // The task's row is marked as waiting in the queue, so that it waits again
  // after a restart.
  bool StoredWaiting = false;
  int CategoryId = 0;
  TAVTaskStatus Status = stRunning;
  QDateTime Date;
  bool IsConverted = false;
  TNodeObject* Category = nullptr;

  // The desktop alert of the window; called when a task finishes and the
  // configuration asks for alerts.
  static std::function<void(const TTaskAlert& alert)> OnAlert;

 protected:
  // The task's row is in its list and selected there.
  bool RowIsSelected() const;
  void RepaintRow();
  // Rewrites the waiting mark of the row when it differs; a database that
  // refuses leaves its reason in the log (the mark only decides what a
  // restart does).
  void StoreWaitingMark(bool waiting);
  void AppendLogLine(const QString& line);

 private:
  struct TAliveFlag;

  void DoLog(const QString& line);
  void ShowLogIfSelected();
  void DoProgress();
  void DoComplete();
  void StoreFinished(bool lastChance);
  void WaitToStore(const QString& reason);
  // Out of the converting node into its category; announce: alert and shut-down rule.
  void FileFinished(bool announce);
  void MarkFailed(const QString& message);
  void CompleteFailed(const QString& message);
  TConversionSettings& EnsureSettings() const;
  TAVConverter& EnsureConverter() const;

  // Made on first use (main thread only), hence mutable.
  mutable std::unique_ptr<TConversionSettings> FSettings;
  mutable QString FSettingsXml;
  mutable bool FSettingsUnreadable = false;
  mutable std::mutex FLogLock;
  QStringList FLog;
  std::shared_ptr<TAliveFlag> FAlive;
  mutable std::unique_ptr<TAVConverter> FConverter;
  bool FCompletionPending = false;  // started, and its completion has not arrived yet
  bool FStorePending = false;       // finished, waiting for the database
};

// Besides running, a converting task may wait in the queue of its node:
// pausing a waiting task holds it back (paused without a run), stopping it
// takes it out of the queue as stopped; starting or resuming either starts
// it at once, whatever the queue's limit.
class TConvertingTask : public TAVTask {
 public:
  using TAVTask::TAVTask;
  const char* ClassName() const override { return "TConvertingTask"; }
  // The task-list columns: ten while converting, seven once converted.
  QString GetCaption(int ColumnIndex) const override;
  void Start() override;
  void Pause() override;
  void Resume() override;
  void Stop() override;
};

// Shuts the computer down when the configuration asks for it, no task of the
// converting node is running any more and none waits in its queue.
void ShutDownWhenIdle(const TNodeObject* convertingNode);
