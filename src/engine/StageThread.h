#pragma once
// The thread and the two queues of a stage that works on units in the order
// they are sent and hands its results back in order. The sender waits only
// while MaxAhead units are queued, the receiver only when it asks for
// everything. What the work throws is kept and rethrown to the receiver; the
// stage then works no more. The library's lines logged on the stage's thread
// go to the conversion that made the stage.

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

#include "engine/ConvertThreads.h"

namespace engine {

template <typename TIn, typename TOut>
class TStageThread {
 public:
  static constexpr size_t MaxAhead = 4;
  // Runs on the stage's thread for each unit, handing its results to Emit.
  using TWork = std::function<void(TIn unit)>;

  explicit TStageThread(TWork work)
      : FWork(std::move(work)), FConversion(CurrentConvertThread()), FThread([this] { Run(); }) {}

  ~TStageThread() {
    {
      std::lock_guard guard(FLock);
      FClosing = true;
    }
    FChanged.notify_all();
    FThread.join();
  }
  TStageThread(const TStageThread&) = delete;
  TStageThread& operator=(const TStageThread&) = delete;

  // Queues unit, waiting first while MaxAhead are queued. After a failure the
  // unit is dropped: the next Next reports the failure.
  void Push(TIn unit) {
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [&] { return FInput.size() < MaxAhead || FFailure; });
    if (FFailure) return;
    FInput.push_back(std::move(unit));
    lock.unlock();
    FChanged.notify_all();
  }

  // From the work: a result, next in order.
  void Emit(TOut result) {
    {
      std::lock_guard guard(FLock);
      FOutput.push_back(std::move(result));
    }
    FChanged.notify_all();
  }

  // The next result; with all, waits until everything sent is worked on.
  // False when none is due now.
  bool Next(TOut& next, bool all) {
    std::unique_lock lock(FLock);
    if (all) FChanged.wait(lock, [&] { return !FOutput.empty() || (FInput.empty() && !FBusy) || FFailure; });
    if (FOutput.empty()) {
      if (FFailure) std::rethrow_exception(std::exchange(FFailure, nullptr));
      return false;
    }
    next = std::move(FOutput.front());
    FOutput.pop_front();
    return true;
  }

 private:
  void Run() {
    if (FConversion) RegisterConvertThread(FConversion);
    for (;;) {
      TIn unit;
      {
        std::unique_lock lock(FLock);
        FChanged.wait(lock, [&] { return FClosing || (!FInput.empty() && !FFailure); });
        if (FClosing) break;
        unit = std::move(FInput.front());
        FInput.pop_front();
        ++FBusy;
      }
      FChanged.notify_all();  // room for the next unit
      std::exception_ptr failure;
      try {
        FWork(std::move(unit));
      } catch (...) {
        failure = std::current_exception();
      }
      {
        std::lock_guard guard(FLock);
        --FBusy;
        if (failure) FFailure = failure;
      }
      FChanged.notify_all();
    }
    if (FConversion) UnregisterConvertThread();
  }

  TWork FWork;
  TAVConvertThread* FConversion;
  std::mutex FLock;
  std::condition_variable FChanged;
  std::deque<TIn> FInput;
  std::deque<TOut> FOutput;
  size_t FBusy = 0;  // units taken off FInput and not yet worked on
  std::exception_ptr FFailure;
  bool FClosing = false;
  std::thread FThread;  // last: starts when the queues are there, stops before they go
};

}  // namespace engine
