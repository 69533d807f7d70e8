#include "engine/HandOver.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <shared_mutex>

#include "engine/MainThread.h"

namespace engine {

struct THandOverGate::TState {
  std::mutex lock;
  std::condition_variable changed;
  // Read without the lock by the checks before a call; written under it, so
  // that a worker waiting on changed sees the gate close.
  std::atomic<bool> open = true;
  std::shared_mutex here;  // held shared by calls on their own thread, exclusively by Close
};

namespace {

// One call handed to the main thread, shared with the queued function.
struct TCall {
  bool started = false;
  bool done = false;
  std::exception_ptr failure;
};

}  // namespace

THandOverGate::THandOverGate() : FState(std::make_shared<TState>()) {}

bool THandOverGate::IsOpen() const { return FState->open; }

bool THandOverGate::Run(const std::function<void()>& fn) const {
  const std::shared_ptr<TState> state = FState;
  if (IsMainThread()) {
    if (!IsOpen()) return false;
    fn();
    return true;
  }
  auto call = std::make_shared<TCall>();
  if (!IsOpen()) return false;
  // fn is only touched once the call has started, and the worker waits for a
  // started call to end: the reference stays valid.
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [state, call, &fn] {
        {
          std::lock_guard guard(state->lock);
          if (!state->open) return;
          call->started = true;
        }
        try {
          fn();
        } catch (...) {
          call->failure = std::current_exception();
        }
        {
          std::lock_guard guard(state->lock);
          call->done = true;
        }
        state->changed.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock wait(state->lock);
  state->changed.wait(wait, [&] { return call->done || (!state->open && !call->started); });
  if (!call->done) return false;
  wait.unlock();
  if (call->failure) std::rethrow_exception(call->failure);
  return true;
}

void THandOverGate::Post(std::function<void()> fn) const {
  const std::shared_ptr<TState> state = FState;
  auto gated = [state, fn = std::move(fn)] {
    {
      std::lock_guard guard(state->lock);
      if (!state->open) return;
    }
    fn();
  };
  if (IsMainThread())
    gated();
  else
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(gated), Qt::QueuedConnection);
}

bool THandOverGate::RunHere(const std::function<void()>& fn) const {
  std::shared_lock running(FState->here);
  if (!IsOpen()) return false;
  fn();
  return true;
}

void THandOverGate::Close() {
  {
    std::unique_lock noCallsHere(FState->here);
    std::lock_guard guard(FState->lock);
    FState->open = false;
  }
  FState->changed.notify_all();
}

}  // namespace engine
