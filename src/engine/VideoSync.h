#pragma once
// How many times one picture goes to the encoder so that the output frame
// count follows the input timestamps.

#include <cstdint>

namespace engine {

// method 0: every picture once, sync_opts follows the input time; 1: the
// constant-rate rule (duplicate when the input runs ahead by more than 1.1
// frames, drop when it lags by more than 1.1); 2: the variable-rate rule (drop
// at a lag of 0.6 frames or more, skip ahead when the input leads by more than
// 0.6). sync_ipts is the input time and sync_opts the output position, both in
// encoder frames; sync_opts may be moved. Returns 0 (drop), 1, or more.
int VideoSyncFrames(int method, double sync_ipts, int64_t& sync_opts);

}  // namespace engine
