#pragma once
// Turns decoded pictures of any pixel format and size into upright 24-bit
// RGB images of the same size, looking as a conversion makes them: combed
// pictures deinterlaced, HDR tone-mapped to SDR, the colours read with the
// matrix the source is taken to have.

#include <QImage>

#include "engine/SourcePictures.h"
#include "media/LibraryPtrs.h"

namespace inspect {

class TFramePicture {
 public:
  // A null image when the picture's format cannot be converted. source: what
  // the picture's stream says of its pictures.
  QImage Convert(const AVFrame* picture, const engine::TSourcePictures& source = {});

 private:
  media::SwsContextPtr pSwsCtx;  // kept while the format and size stay the same
};

}  // namespace inspect
