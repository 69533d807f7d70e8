#pragma once
// Decoding of one stream on a thread of its own. The read loop hands it
// packets in read order and takes back the decoded frames in decoding order,
// the same frames a decoder on the loop's thread would give, only later: the
// stage works like a decoder with a few more frames of delay. Meanwhile the
// loop's thread goes on (and filters and encodes on stages of their own), so
// that a source that is costly to decode no longer waits for an encoder that
// can only use one core, and the reverse.
//
// At most TStageThread::MaxAhead packets wait for the decoder; the loop waits
// for the stage only when that many are queued, or for all of them at the end.

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "engine/SparePool.h"
#include "engine/StageThread.h"
#include "media/LibraryPtrs.h"

namespace engine {

class TDecodeStage {
 public:
  // What the decoder reported with a frame; read on the decoding thread, so
  // that nobody else touches the decoder while it runs.
  struct TDecoderState {
    AVRational frame_rate{0, 1};
  };

  // decoder must be open and stay so until the stage is destroyed.
  explicit TDecodeStage(AVCodecContext* decoder);

  // Queues a reference to pkt, or the end of the stream for nullptr; waits
  // first while the queue is full.
  void Send(const AVPacket* pkt);
  // Hands every decoded frame ready to handle, in order; after the end of the
  // stream, first waits until the decoder is drained. Returns the first error
  // the decoder reported among them (0: none). An exception of handle leaves
  // the stage usable. handle(AVFrame* frame, const TDecoderState& state).
  template <typename Handler>
  int Receive(Handler&& handle) {
    int error = 0;
    TDecoded next;
    while (FThread.Next(next, FEndSent)) {
      if (!next.frame) {
        if (!error) error = next.error;
        continue;
      }
      const TFramePool::TGiveBack back(FFramePool, next.frame);
      handle(next.frame.get(), next.state);
    }
    return error;
  }

 private:
  struct TDecoded {
    media::FramePtr frame;  // none: the decoder failed here
    TDecoderState state;
    int error = 0;
  };
  void Decode(media::PacketPtr packet);  // an empty pointer is the end of the stream
  void Deliver(int& error);

  AVCodecContext* FDecoder;
  bool FEndSent = false;  // the loop's thread only
  TFramePool FFramePool;
  TPacketPool FPacketPool;
  TStageThread<media::PacketPtr, TDecoded> FThread;  // last: stops before the rest goes
};

}  // namespace engine
