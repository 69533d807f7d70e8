#pragma once
// Filtering of one output stream's pictures on a thread of its own. The
// worker sends the decoded pictures in order and takes back the filtered ones
// in the same order, with their times, to time and encode them: while it
// times one picture the stage filters the next ones. The filter function
// runs on the stage's thread only and hands each result to Emit.
//
// At most TStageThread::MaxAhead pictures wait for the filters; the worker
// waits for the stage only when that many are queued, or for all of them at
// the end.

extern "C" {
#include <libavutil/frame.h>
}

#include <functional>

#include "engine/SparePool.h"
#include "engine/StageThread.h"
#include "media/LibraryPtrs.h"

namespace engine {

class TFilterStage {
 public:
  // frame: the next picture, nullptr for the end of the stream (drain).
  using TFilter = std::function<void(AVFrame* frame)>;

  // Made on a conversion's thread, the stage's library lines go to that conversion.
  explicit TFilterStage(TFilter filter);

  // Queues a reference to frame (nullptr: the end); waits first while the
  // queue is full.
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
    while (FThread.Next(next, all)) {
      const TFramePool::TGiveBack back(FFramePool, next.picture);
      sink(next.picture.get(), next.time);
    }
  }

 private:
  struct TFiltered {
    media::FramePtr picture;
    int64_t time = 0;
  };
  void Filter(media::FramePtr frame);

  TFilter FFilter;
  TFramePool FFramePool;
  TStageThread<media::FramePtr, TFiltered> FThread;  // last: stops before the rest goes
};

}  // namespace engine
