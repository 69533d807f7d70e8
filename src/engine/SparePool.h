#pragma once
// Frames and packets a stage hands to another thread and gets back, reused
// instead of allocated anew for every picture or packet.

extern "C" {
#include <libavcodec/packet.h>
#include <libavutil/frame.h>
}

#include <mutex>
#include <utility>
#include <vector>

#include "media/LibraryPtrs.h"

namespace engine {

template <typename TPtr, TPtr (*Make)(), void (*Release)(typename TPtr::pointer)>
class TSparePool {
 public:
  // A spare one, or a new one (empty when memory ran out).
  TPtr Take() {
    {
      std::lock_guard guard(FLock);
      if (!FSpare.empty()) {
        TPtr unit = std::move(FSpare.back());
        FSpare.pop_back();
        return unit;
      }
    }
    return Make();
  }

  // Takes unit back, its data released.
  void Give(TPtr unit) {
    if (!unit) return;
    Release(unit.get());
    std::lock_guard guard(FLock);
    FSpare.push_back(std::move(unit));
  }

  // Gives a unit back when it goes out of scope, also when its user throws.
  class TGiveBack {
   public:
    TGiveBack(TSparePool& pool, TPtr& unit) : FPool(pool), FUnit(unit) {}
    ~TGiveBack() { FPool.Give(std::move(FUnit)); }
    TGiveBack(const TGiveBack&) = delete;
    TGiveBack& operator=(const TGiveBack&) = delete;

   private:
    TSparePool& FPool;
    TPtr& FUnit;
  };

 private:
  std::mutex FLock;
  std::vector<TPtr> FSpare;
};

using TFramePool = TSparePool<media::FramePtr, media::MakeFrame, av_frame_unref>;
using TPacketPool = TSparePool<media::PacketPtr, media::MakePacket, av_packet_unref>;

}  // namespace engine
