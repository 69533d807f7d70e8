#pragma once
// Turns decoded pictures of any pixel format and size into upright 24-bit
// RGB images of the same size.

#include <QImage>

#include "media/LibraryPtrs.h"

namespace inspect {

class TFramePicture {
 public:
  // A null image when the picture's format cannot be converted.
  QImage Convert(const AVFrame* picture);

 private:
  media::SwsContextPtr pSwsCtx;  // kept while the format and size stay the same
};

}  // namespace inspect
