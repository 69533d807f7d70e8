#pragma once
// Filtering of one output stream's pictures on a thread of its own. The
// worker sends the decoded pictures in order and takes back the filtered ones
// in the same order, with their times, to time and encode them: while it
// encodes one picture the stage filters the next ones. The filter function
// runs on the stage's thread only and hands each result to Emit.
//
// At most MaxPicturesAhead pictures wait for the filters; the worker waits for
// the stage only when that many are queued, or for all of them at the end.

extern "C" {
#include <libavutil/frame.h>
}

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "engine/FramePool.h"
#include "media/LibraryPtrs.h"

class TAVConvertThread;

namespace engine {

class TFilterStage {
 public:
  static constexpr size_t MaxPicturesAhead = 4;

  // frame: the next picture, nullptr for the end of the stream (drain).
  using TFilter = std::function<void(AVFrame* frame)>;

  // Made on a conversion's thread, the stage's library lines go to that conversion.
  explicit TFilterStage(TFilter filter);
  ~TFilterStage();
  TFilterStage(const TFilterStage&) = delete;
  TFilterStage& operator=(const TFilterStage&) = delete;

  // Queues a reference to frame (nullptr: the end); waits first while
  // MaxPicturesAhead pictures are queued.
  void Send(const AVFrame* frame);
  // On the stage's thread, from the filter: hands a filtered picture on
  // (its data moves out of picture).
  void Emit(AVFrame* picture, int64_t time);
  // Hands every filtered picture ready to sink, in order; with all, first
  // waits until everything sent is filtered. Rethrows what the filter threw;
  // the stage filters nothing more after that. sink(AVFrame* picture, int64_t time).
  template <typename Sink>
  void Receive(Sink&& sink, bool all) {
    TFiltered next;
    while (Next(next, all)) {
      const TFramePool::TGiveBack back(FFramePool, next.picture);
      sink(next.picture.get(), next.time);
    }
  }

 private:
  struct TFiltered {
    media::FramePtr picture;
    int64_t time = 0;
  };
  // The next filtered picture, waiting as Receive says; false when none is due now.
  bool Next(TFiltered& next, bool all);
  void Run();

  TFilter FFilter;
  TAVConvertThread* FConversion;
  std::mutex FLock;
  std::condition_variable FChanged;
  std::deque<media::FramePtr> FInput;  // an empty pointer is the end of the stream
  std::deque<TFiltered> FOutput;
  TFramePool FFramePool;
  size_t FBusy = 0;  // pictures taken off FInput and not yet filtered
  std::exception_ptr FFailure;
  bool FClosing = false;
  std::thread FThread;
};

}  // namespace engine
