#include "engine/EncodeStage.h"

#include <utility>

namespace engine {

TEncodeStage::TEncodeStage(AVCodecContext* encoder)
    : FEncoder(encoder), FThread([this](media::FramePtr frame) { Encode(std::move(frame)); }) {}

void TEncodeStage::Send(const AVFrame* frame) {
  media::FramePtr copy;
  if (frame) {
    copy = FFramePool.Take();
    if (!copy || av_frame_ref(copy.get(), frame) < 0) {
      FThread.Emit({nullptr, {}, AVERROR(ENOMEM)});
      return;
    }
  }
  FThread.Push(std::move(copy));  // an empty pointer is the end of the stream
}

void TEncodeStage::Encode(media::FramePtr frame) {
  const TFramePool::TGiveBack back(FFramePool, frame);
  if (FFailed) return;
  int ret = avcodec_send_frame(FEncoder, frame.get());
  while (ret >= 0 || ret == AVERROR_EOF) {
    media::PacketPtr packet = FPacketPool.Take();
    if (!packet) {
      ret = AVERROR(ENOMEM);
      break;
    }
    ret = avcodec_receive_packet(FEncoder, packet.get());
    if (ret < 0) {
      FPacketPool.Give(std::move(packet));
      if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return;
      break;
    }
    // Pass-one statistics belong to the packet just taken; the encoder
    // rewrites them with the next one.
    FThread.Emit({std::move(packet), FEncoder->stats_out ? std::string(FEncoder->stats_out) : std::string(), 0});
  }
  FFailed = true;
  FThread.Emit({nullptr, {}, ret});
}

}  // namespace engine
