#pragma once
// Frames a stage hands to another thread and gets back, reused instead of
// allocated anew for every picture.

extern "C" {
#include <libavutil/frame.h>
}

#include <mutex>
#include <utility>
#include <vector>

#include "media/LibraryPtrs.h"

namespace engine {

class TFramePool {
 public:
  // A spare frame, or a new one (empty when memory ran out).
  media::FramePtr Take() {
    {
      std::lock_guard guard(FLock);
      if (!FSpare.empty()) {
        media::FramePtr frame = std::move(FSpare.back());
        FSpare.pop_back();
        return frame;
      }
    }
    return media::MakeFrame();
  }

  // Takes frame back, its data released.
  void Give(media::FramePtr frame) {
    if (!frame) return;
    av_frame_unref(frame.get());
    std::lock_guard guard(FLock);
    FSpare.push_back(std::move(frame));
  }

  // Gives a frame back when it goes out of scope, also when its user throws.
  class TGiveBack {
   public:
    TGiveBack(TFramePool& pool, media::FramePtr& frame) : FPool(pool), FFrame(frame) {}
    ~TGiveBack() { FPool.Give(std::move(FFrame)); }
    TGiveBack(const TGiveBack&) = delete;
    TGiveBack& operator=(const TGiveBack&) = delete;

   private:
    TFramePool& FPool;
    media::FramePtr& FFrame;
  };

 private:
  std::mutex FLock;
  std::vector<media::FramePtr> FSpare;
};

}  // namespace engine
