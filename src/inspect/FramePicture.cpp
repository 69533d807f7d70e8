#include "inspect/FramePicture.h"

#include <cstring>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/pixdesc.h>
}

#include "engine/PicturePlan.h"

namespace inspect {

namespace {

// Rows of the image start on boundaries the scaler writes fastest to.
constexpr int RowAlignment = 64;
constexpr int TailPadding = 64;

// The colour matrix and range the source is taken to have (what the picture
// declares, else what its definition has), as a conversion reads them.
void DescribeColours(SwsContext* sws, const AVFrame* picture, const engine::TColourTags& colour) {
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(picture->format));
  if (!desc || (desc->flags & AV_PIX_FMT_FLAG_RGB)) return;  // RGB to RGB needs no matrix
  int *inverse = nullptr, *table = nullptr;
  int sourceRange = 0, targetRange = 0, brightness = 0, contrast = 0, saturation = 0;
  if (sws_getColorspaceDetails(sws, &inverse, &sourceRange, &table, &targetRange, &brightness, &contrast,
                               &saturation) < 0)
    return;
  const int* matrix = colour.matrix != AVCOL_SPC_UNSPECIFIED ? sws_getCoefficients(colour.matrix) : inverse;
  if (colour.range != AVCOL_RANGE_UNSPECIFIED) sourceRange = colour.range == AVCOL_RANGE_JPEG;
  sws_setColorspaceDetails(sws, matrix, sourceRange, table, targetRange, brightness, contrast, saturation);
}

QImage ImageOf(const AVFrame* rgb) {
  QImage image(rgb->width, rgb->height, QImage::Format_RGB888);
  for (int y = 0; y < rgb->height; ++y)
    std::memcpy(image.scanLine(y), rgb->data[0] + y * rgb->linesize[0], size_t(rgb->width) * 3);
  return image;
}

// The picture through filters into 24-bit RGB; a null image when they fail.
// A deinterlacer hands a picture on once it has seen the next: the picture
// goes in twice.
QImage FilteredImage(const AVFrame* picture, const std::vector<QByteArray>& filters) {
  media::FilterGraphPtr graph(avfilter_graph_alloc());
  AVFilterContext *source = nullptr, *sink = nullptr;
  const QByteArray args = QStringLiteral("video_size=%1x%2:pix_fmt=%3:time_base=1/25:pixel_aspect=1/1")
                              .arg(picture->width)
                              .arg(picture->height)
                              .arg(picture->format)
                              .toLatin1();
  QByteArray chain;
  for (const QByteArray& f : filters) chain += f + ',';
  chain += "format=rgb24";
  AVFilterInOut* outputs = avfilter_inout_alloc();
  AVFilterInOut* inputs = avfilter_inout_alloc();
  bool built = graph && outputs && inputs &&
               avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), "in", args.constData(), nullptr,
                                            graph.get()) >= 0 &&
               avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                            graph.get()) >= 0;
  if (built) {
    outputs->name = av_strdup("in");
    outputs->filter_ctx = source;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    built = avfilter_graph_parse_ptr(graph.get(), chain.constData(), &inputs, &outputs, nullptr) >= 0 &&
            avfilter_graph_config(graph.get(), nullptr) >= 0;
  }
  avfilter_inout_free(&inputs);
  avfilter_inout_free(&outputs);
  media::FramePtr out = media::MakeFrame();
  if (!built || !out) return QImage();
  for (int64_t pts = 0; pts < 2; ++pts) {
    media::FramePtr copy = media::MakeFrame();
    if (!copy || av_frame_ref(copy.get(), picture) < 0) return QImage();
    copy->pts = pts;
    if (av_buffersrc_add_frame_flags(source, copy.get(), 0) < 0) return QImage();
  }
  if (av_buffersrc_add_frame_flags(source, nullptr, 0) < 0 || av_buffersink_get_frame(sink, out.get()) < 0)
    return QImage();
  return ImageOf(out.get());
}

}  // namespace

QImage TFramePicture::Convert(const AVFrame* picture, const engine::TSourcePictures& source) {
  const int width = picture->width, height = picture->height;
  if (width <= 0 || height <= 0) return QImage();
  engine::TSourcePictures look = source;
  look.width = width;
  look.height = height;
  look.pix_fmt = picture->format;
  engine::TakePictureTags(picture, look);
  // The conversion finds the combing the flags do not tell of; so does the preview, in the picture shown.
  if (!look.Interlaced() && engine::LooksCombed(picture))
    look.flagged = picture->interlaced_frame && !picture->top_field_first ? engine::TFieldOrder::BottomFirst
                                                                          : engine::TFieldOrder::TopFirst;
  engine::TTargetPictures shown;
  shown.width = width;
  shown.height = height;
  shown.pix_fmt = AV_PIX_FMT_RGB24;
  const engine::TPicturePlan plan = engine::PlanPictures(look, shown);
  if (plan.deinterlaced || plan.toneMapped) {
    std::vector<QByteArray> filters = plan.beforeCrop;
    filters.insert(filters.end(), plan.afterCrop.begin(), plan.afterCrop.end());
    QImage image = FilteredImage(picture, filters);
    if (!image.isNull()) return image;
  }
  // Format conversion only: the same size in and out.
  pSwsCtx.reset(sws_getCachedContext(pSwsCtx.release(), width, height, static_cast<AVPixelFormat>(picture->format),
                                     width, height, AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr, nullptr));
  if (!pSwsCtx) return QImage();
  DescribeColours(pSwsCtx.get(), picture, engine::AssumedColour(look));

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
