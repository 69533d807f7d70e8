#pragma once
// A converter whose Transcode is a script supplied by the test, and a recorder
// of the events it raises with the thread each arrived on.

#include <QCoreApplication>
#include <QThread>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/AVConverter.h"

class TScriptedConverter : public TAVConverter {
 public:
  std::function<void(TScriptedConverter&)> Script;

  using TAVConverter::CheckLoopState;
  using TAVConverter::DoProgress;
  using TAVConverter::Fail;
  using TAVConverter::ReportProgress;
  using TAVConverter::Run;
  using TAVConverter::last_time;
  using TAVConverter::timer_start;

 protected:
  void Transcode() override {
    if (Script) Script(*this);
  }
};

struct TRecordedEvent {
  std::string name;
  bool onMainThread;
};

class TEventRecorder {
 public:
  void Attach(TAVConverter& c) {
    c.OnProgress = [this](TAVConverter*) { Record("progress"); };
    c.OnStopped = [this](TAVConverter*) { Record("stopped"); };
    c.OnComplete = [this](TAVConverter*) { Record("complete"); };
    c.OnLog = [this](TAVConverter*, int, const QString& text) { Record("log:" + text.toStdString()); };
  }
  void Record(const std::string& name) {
    std::lock_guard guard(lock);
    events.push_back({name, QThread::currentThread() == QCoreApplication::instance()->thread()});
  }
  std::vector<TRecordedEvent> Events() {
    std::lock_guard guard(lock);
    return events;
  }
  // Names in order, with runs of repeated "progress" folded into one.
  std::vector<std::string> Story() {
    std::vector<std::string> story;
    for (const auto& e : Events())
      if (story.empty() || story.back() != e.name || e.name != "progress") story.push_back(e.name);
    return story;
  }
  int Count(const std::string& name) {
    int n = 0;
    for (const auto& e : Events()) n += e.name == name;
    return n;
  }
  bool Completed() { return Count("complete") > 0; }

 private:
  std::mutex lock;
  std::vector<TRecordedEvent> events;
};
