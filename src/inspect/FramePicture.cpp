#include "inspect/FramePicture.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace inspect {

namespace {

// Rows of the image start on boundaries the scaler writes fastest to.
constexpr int RowAlignment = 64;
constexpr int TailPadding = 64;

// The colour matrix and range the picture declares, as the tools apply them;
// what it leaves unspecified keeps the scaler's defaults.
void DescribeColours(SwsContext* sws, const AVFrame* picture) {
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(picture->format));
  if (!desc || (desc->flags & AV_PIX_FMT_FLAG_RGB)) return;  // RGB to RGB needs no matrix
  int *inverse = nullptr, *table = nullptr;
  int sourceRange = 0, targetRange = 0, brightness = 0, contrast = 0, saturation = 0;
  if (sws_getColorspaceDetails(sws, &inverse, &sourceRange, &table, &targetRange, &brightness, &contrast,
                               &saturation) < 0)
    return;
  const int* matrix = picture->colorspace != AVCOL_SPC_UNSPECIFIED ? sws_getCoefficients(picture->colorspace) : inverse;
  if (picture->color_range != AVCOL_RANGE_UNSPECIFIED) sourceRange = picture->color_range == AVCOL_RANGE_JPEG;
  sws_setColorspaceDetails(sws, matrix, sourceRange, table, targetRange, brightness, contrast, saturation);
}

}  // namespace

QImage TFramePicture::Convert(const AVFrame* picture) {
  const int width = picture->width, height = picture->height;
  if (width <= 0 || height <= 0) return QImage();
  // Format conversion only: the same size in and out.
  pSwsCtx.reset(sws_getCachedContext(pSwsCtx.release(), width, height, static_cast<AVPixelFormat>(picture->format),
                                     width, height, AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr, nullptr));
  if (!pSwsCtx) return QImage();
  DescribeColours(pSwsCtx.get(), picture);

  const qsizetype stride = (qsizetype{width} * 3 + RowAlignment - 1) / RowAlignment * RowAlignment;
  // The scaler's vector code may store a few bytes past the last row.
  auto* pixels = static_cast<uint8_t*>(av_malloc(stride * height + TailPadding));
  if (!pixels) return QImage();
  // The image owns the pixel storage from here on and frees it with the library's allocator.
  QImage image(pixels, width, height, stride, QImage::Format_RGB888, [](void* p) { av_free(p); }, pixels);
  uint8_t* const rows[4] = {pixels, nullptr, nullptr, nullptr};
  const int strides[4] = {static_cast<int>(stride), 0, 0, 0};
  if (sws_scale(pSwsCtx.get(), picture->data, picture->linesize, 0, height, rows, strides) != height)
    return QImage();
  return image;
}

}  // namespace inspect
