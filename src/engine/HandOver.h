#pragma once
// What a converter's worker hands to the main thread (progress, the error box,
// the end of a run), through a gate the converter closes when it goes away: a
// closed gate runs nothing more and lets a waiting worker go at once, so the
// converter can stop and join its worker without waiting on a main thread
// that is busy destroying it, and without a nested event loop.

#include <functional>
#include <memory>

namespace engine {

class THandOverGate {
 public:
  THandOverGate();

  // Runs fn on the main thread and waits until it has run; runs it at once on
  // the main thread or without an application. False when the gate was or got
  // closed before fn started (fn then never runs). Exceptions of fn are
  // rethrown here.
  bool Run(const std::function<void()>& fn) const;

  // Queues fn for the main thread and returns at once; fn runs only if the
  // gate is still open by then (a handler there may destroy the owner).
  void Post(std::function<void()> fn) const;

  // Runs fn on the calling thread if the gate is open; Close waits for such a
  // call to end, so fn may use the owner.
  bool RunHere(const std::function<void()>& fn) const;

  // No call starts any more; waiting workers return. Call it on the main
  // thread, or on a thread the main thread does not wait for.
  void Close();
  bool IsOpen() const;

 private:
  struct TState;
  std::shared_ptr<TState> FState;  // shared with calls still queued
};

}  // namespace engine
