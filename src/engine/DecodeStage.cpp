#include "engine/DecodeStage.h"

#include <utility>

namespace engine {

TDecodeStage::TDecodeStage(AVCodecContext* decoder) : FDecoder(decoder), FThread([this] { Run(); }) {}

TDecodeStage::~TDecodeStage() {
  {
    std::lock_guard guard(FLock);
    FClosing = true;
  }
  FChanged.notify_all();
  FThread.join();
}

void TDecodeStage::Send(const AVPacket* pkt) {
  media::PacketPtr packet;
  if (pkt) {
    packet = FPacketPool.Take();
    // A packet the stage cannot keep is lost like one the decoder refuses.
    if (!packet || av_packet_ref(packet.get(), pkt) < 0) {
      std::lock_guard guard(FLock);
      if (!FError) FError = AVERROR(ENOMEM);
      return;
    }
  }
  {
    std::lock_guard guard(FLock);
    if (!pkt) {
      FEndSent = true;
      FDrained = false;
    }
    FPackets.push_back(std::move(packet));
  }
  FChanged.notify_all();
}

bool TDecodeStage::Next(TDecoded& next) {
  std::unique_lock lock(FLock);
  for (;;) {
    if (!FFrames.empty()) {
      next = std::move(FFrames.front());
      FFrames.pop_front();
      return true;
    }
    const bool full = FPackets.size() >= MaxPacketsAhead;
    const bool ending = FEndSent && !FDrained;
    if (!full && !ending) return false;
    FChanged.wait(lock, [&] {
      return !FFrames.empty() || (FPackets.size() < MaxPacketsAhead && !(FEndSent && !FDrained));
    });
  }
}

int TDecodeStage::TakeError() {
  std::lock_guard guard(FLock);
  return std::exchange(FError, 0);
}

void TDecodeStage::Run() {
  for (;;) {
    media::PacketPtr packet;
    {
      std::unique_lock lock(FLock);
      FChanged.wait(lock, [&] { return FClosing || !FPackets.empty(); });
      if (FClosing) return;
      packet = std::move(FPackets.front());
      FPackets.pop_front();
    }
    FChanged.notify_all();  // room for the next packet
    const bool end = !packet;
    DecodeOne(packet.get());
    FPacketPool.Give(std::move(packet));  // the decoder holds its own reference
    if (end) {
      std::lock_guard guard(FLock);
      FDrained = true;
    }
    FChanged.notify_all();
  }
}

// The decoding of one packet, as on the loop's thread: output left over from
// an earlier error is taken first when the decoder refuses the packet.
void TDecodeStage::DecodeOne(AVPacket* packet) {
  int error = 0;
  int ret = avcodec_send_packet(FDecoder, packet);
  if (ret == AVERROR(EAGAIN)) {
    Deliver(error);
    ret = avcodec_send_packet(FDecoder, packet);
  }
  if (ret < 0 && ret != AVERROR_EOF) error = ret;
  Deliver(error);
  if (!packet) error = 0;  // draining reports nothing, as on the loop's thread
  if (error) {
    std::lock_guard guard(FLock);
    if (!FError) FError = error;
  }
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
    TDecoded decoded{std::move(frame), TDecoderState{FDecoder->framerate}};
    {
      std::lock_guard guard(FLock);
      FFrames.push_back(std::move(decoded));
    }
    FChanged.notify_all();
  }
}

}  // namespace engine
