#pragma once
// An encoded video stream made ready for its picture plan: what the target
// takes, and the encoder and stream set up for what the plan decided (the
// 10-bit format and HDR metadata of kept HDR, the colour tags).

#include "engine/AVConvertOptions.h"
#include "engine/PicturePlan.h"
#include "engine/RunRecords.h"

namespace engine {

// What ost's encoder takes, with the user's choices of the options; a pixel
// format the options ask for keeps HDR from being kept.
TTargetPictures TargetOf(const TAVOutputStream& ost, const TVideoOptions& vo, bool pixelFormatAsked);

// Whether the source's pictures are worth decoding once more to look at
// them: the plan would use what sampling finds.
bool WantsSampling(const TSourcePictures& source, const TTargetPictures& target);

// Sets ost's encoder and stream up for plan: false when memory ran out.
bool ApplyPictures(TAVOutputStream& ost, const TSourcePictures& source, const TPicturePlan& plan);

}  // namespace engine
