#include "engine/FilterStage.h"

#include <utility>

#include "engine/ConvertThreads.h"

namespace engine {

TFilterStage::TFilterStage(TFilter filter)
    : FFilter(std::move(filter)), FConversion(CurrentConvertThread()), FThread([this] { Run(); }) {}

TFilterStage::~TFilterStage() {
  {
    std::lock_guard guard(FLock);
    FClosing = true;
  }
  FChanged.notify_all();
  FThread.join();
}

void TFilterStage::Send(const AVFrame* frame) {
  media::FramePtr copy;
  if (frame) {
    copy = FFramePool.Take();
    // A picture the stage cannot keep is lost like one the filters refuse.
    if (!copy || av_frame_ref(copy.get(), frame) < 0) return;
  }
  std::unique_lock lock(FLock);
  FChanged.wait(lock, [&] { return FInput.size() < MaxPicturesAhead || FFailure; });
  if (FFailure) return;  // the next Receive reports it
  FInput.push_back(std::move(copy));
  lock.unlock();
  FChanged.notify_all();
}

void TFilterStage::Emit(AVFrame* picture, int64_t time) {
  media::FramePtr out = FFramePool.Take();
  if (!out) return;
  av_frame_move_ref(out.get(), picture);
  {
    std::lock_guard guard(FLock);
    FOutput.push_back({std::move(out), time});
  }
  FChanged.notify_all();
}

bool TFilterStage::Next(TFiltered& next, bool all) {
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

void TFilterStage::Run() {
  // The library's lines about these pictures go to the conversion's log.
  if (FConversion) RegisterConvertThread(FConversion);
  for (;;) {
    media::FramePtr frame;
    {
      std::unique_lock lock(FLock);
      FChanged.wait(lock, [&] { return FClosing || (!FInput.empty() && !FFailure); });
      if (FClosing) break;
      frame = std::move(FInput.front());
      FInput.pop_front();
      ++FBusy;
    }
    FChanged.notify_all();  // room for the next picture
    std::exception_ptr failure;
    try {
      FFilter(frame.get());
    } catch (...) {
      failure = std::current_exception();
    }
    FFramePool.Give(std::move(frame));
    {
      std::lock_guard guard(FLock);
      --FBusy;
      if (failure) FFailure = failure;
    }
    FChanged.notify_all();
  }
  if (FConversion) UnregisterConvertThread();
}

}  // namespace engine
