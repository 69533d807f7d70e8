#pragma once
// Encoding of one output stream's pictures on a thread of its own. The worker
// sends the timed pictures in order and takes back the encoded packets in the
// encoder's order, to filter and mux them: while the encoder works on one
// picture the worker reads, decodes sound and times the next ones. The
// encoder is used on the stage's thread only, from the first picture sent.
//
// At most TStageThread::MaxAhead pictures wait for the encoder; the worker
// waits for the stage only when that many are queued, or for all of them at
// the end.

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <string>

#include "engine/SparePool.h"
#include "engine/StageThread.h"
#include "media/LibraryPtrs.h"

namespace engine {

class TEncodeStage {
 public:
  // encoder must be open before the first Send and stay so until the stage is destroyed.
  explicit TEncodeStage(AVCodecContext* encoder);

  // Queues a reference to frame with its time, or the end of the stream for
  // nullptr; waits first while the queue is full.
  void Send(const AVFrame* frame);
  // Hands every packet ready to sink, in order, with the encoder's two-pass
  // statistics after it ("" when it wrote none); with all, first waits until
  // everything sent is encoded. Returns the first error the encoder reported
  // (0: none); the stage encodes nothing more after that.
  // sink(AVPacket* packet, const std::string& stats).
  template <typename Sink>
  int Receive(Sink&& sink, bool all) {
    TEncoded next;
    while (FThread.Next(next, all)) {
      if (next.error < 0) return next.error;
      const TPacketPool::TGiveBack back(FPacketPool, next.packet);
      sink(next.packet.get(), next.stats);
    }
    return 0;
  }

 private:
  struct TEncoded {
    media::PacketPtr packet;
    std::string stats;
    int error = 0;  // the encoder failed here; no packet
  };
  void Encode(media::FramePtr frame);

  AVCodecContext* FEncoder;
  bool FFailed = false;  // the stage's thread only
  TFramePool FFramePool;
  TPacketPool FPacketPool;
  TStageThread<media::FramePtr, TEncoded> FThread;  // last: stops before the rest goes
};

}  // namespace engine
