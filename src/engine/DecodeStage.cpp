#include "engine/DecodeStage.h"

#include <utility>

namespace engine {

TDecodeStage::TDecodeStage(AVCodecContext* decoder)
    : FDecoder(decoder), FThread([this](media::PacketPtr packet) { Decode(std::move(packet)); }) {}

void TDecodeStage::Send(const AVPacket* pkt) {
  media::PacketPtr packet;
  if (pkt) {
    packet = FPacketPool.Take();
    // A packet the stage cannot keep is lost like one the decoder refuses.
    if (!packet || av_packet_ref(packet.get(), pkt) < 0) {
      FThread.Emit({nullptr, {}, AVERROR(ENOMEM)});
      return;
    }
  } else {
    FEndSent = true;
  }
  FThread.Push(std::move(packet));
}

// The decoding of one packet, as on the loop's thread: output left over from
// an earlier error is taken first when the decoder refuses the packet.
void TDecodeStage::Decode(media::PacketPtr packet) {
  const TPacketPool::TGiveBack back(FPacketPool, packet);  // the decoder holds its own reference
  int error = 0;
  int ret = avcodec_send_packet(FDecoder, packet.get());
  if (ret == AVERROR(EAGAIN)) {
    Deliver(error);
    ret = avcodec_send_packet(FDecoder, packet.get());
  }
  if (ret < 0 && ret != AVERROR_EOF) error = ret;
  Deliver(error);
  if (!packet) error = 0;  // draining reports nothing, as on the loop's thread
  if (error) FThread.Emit({nullptr, {}, error});
}

// Hands every frame the decoder has ready to the loop, with the decoder's
// state read here, where the decoder is not in use.
void TDecodeStage::Deliver(int& error) {
  for (;;) {
    media::FramePtr frame = FFramePool.Take();
    if (!frame) {
      if (!error) error = AVERROR(ENOMEM);
      return;
    }
    const int r = avcodec_receive_frame(FDecoder, frame.get());
    if (r < 0) {
      if (r != AVERROR(EAGAIN) && r != AVERROR_EOF && !error) error = r;
      FFramePool.Give(std::move(frame));
      return;
    }
    FThread.Emit({std::move(frame), TDecoderState{FDecoder->framerate}, 0});
  }
}

}  // namespace engine
