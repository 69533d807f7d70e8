#include "engine/FilterStage.h"

#include <utility>

namespace engine {

TFilterStage::TFilterStage(TFilter filter)
    : FFilter(std::move(filter)), FThread([this](media::FramePtr frame) { Filter(std::move(frame)); }) {}

void TFilterStage::Send(const AVFrame* frame) {
  media::FramePtr copy;
  if (frame) {
    copy = FFramePool.Take();
    // A picture the stage cannot keep is lost like one the filters refuse.
    if (!copy || av_frame_ref(copy.get(), frame) < 0) return;
  }
  FThread.Push(std::move(copy));  // an empty pointer is the end of the stream
}

void TFilterStage::Filter(media::FramePtr frame) {
  const TFramePool::TGiveBack back(FFramePool, frame);
  FFilter(frame.get());
}

void TFilterStage::Emit(AVFrame* picture, int64_t time) {
  media::FramePtr out = FFramePool.Take();
  if (!out) return;
  av_frame_move_ref(out.get(), picture);
  FThread.Emit({std::move(out), time});
}

}  // namespace engine
