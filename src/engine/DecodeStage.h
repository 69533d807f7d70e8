#pragma once
// Decoding of one stream on a thread of its own. The read loop hands it
// packets in read order and takes back the decoded frames in decoding order,
// the same frames a decoder on the loop's thread would give, only later: the
// stage works like a decoder with a few more frames of delay. Meanwhile the
// loop's thread encodes (and filters, see FilterStage.h), so that a source
// that is costly to decode no longer waits for an encoder that can only use
// one core, and the reverse.
//
// At most MaxPacketsAhead packets wait for the decoder; the loop waits for the
// stage only when that many are queued, or for all of them at the end.

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "engine/SparePool.h"
#include "media/LibraryPtrs.h"

namespace engine {

class TDecodeStage {
 public:
  static constexpr size_t MaxPacketsAhead = 4;

  // What the decoder reported with a frame; read on the decoding thread, so
  // that nobody else touches the decoder while it runs.
  struct TDecoderState {
    AVRational frame_rate{0, 1};
  };

  // decoder must be open and stay so until the stage is destroyed.
  explicit TDecodeStage(AVCodecContext* decoder);
  ~TDecodeStage();
  TDecodeStage(const TDecodeStage&) = delete;
  TDecodeStage& operator=(const TDecodeStage&) = delete;

  // Queues a reference to pkt, or the end of the stream for nullptr.
  void Send(const AVPacket* pkt);
  // Hands every decoded frame ready to handle, in order; waits first while
  // MaxPacketsAhead packets are queued, and after the end of the stream until
  // the decoder is drained. Returns the first error the decoder reported since
  // the last call (0: none). An exception of handle leaves the stage usable.
  // handle(AVFrame* frame, const TDecoderState& state).
  template <typename Handler>
  int Receive(Handler&& handle) {
    TDecoded next;
    while (Next(next)) {
      const TFramePool::TGiveBack back(FFramePool, next.frame);
      handle(next.frame.get(), next.state);
    }
    return TakeError();
  }

 private:
  struct TDecoded {
    media::FramePtr frame;
    TDecoderState state;
  };
  // The next frame ready, waiting as Receive says; false when none is due now.
  bool Next(TDecoded& next);
  int TakeError();
  void Run();
  void DecodeOne(AVPacket* packet);  // nullptr: the end of the stream
  void Deliver(int& error);

  AVCodecContext* FDecoder;
  std::mutex FLock;
  std::condition_variable FChanged;
  std::deque<media::PacketPtr> FPackets;  // an empty pointer is the end of the stream
  std::deque<TDecoded> FFrames;
  TFramePool FFramePool;
  TPacketPool FPacketPool;
  int FError = 0;
  bool FDrained = false;  // the end of the stream went through the decoder
  bool FEndSent = false;
  bool FClosing = false;
  std::thread FThread;
};

}  // namespace engine
