#include "inspect/PictureFilter.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
}

#include <cstring>

#include "engine/FilterDialect.h"
#include "media/LibraryPtrs.h"
#include "media/MediaLibraries.h"

namespace inspect {

namespace {

struct TInOutDeleter {
  void operator()(AVFilterInOut* io) const { avfilter_inout_free(&io); }
};
using TInOutPtr = std::unique_ptr<AVFilterInOut, TInOutDeleter>;

// An open end of the user's description, bound to a filter of ours.
TInOutPtr OpenEnd(const char* label, AVFilterContext* filter) {
  TInOutPtr end(avfilter_inout_alloc());
  if (!end) return end;
  end->name = av_strdup(label);
  end->filter_ctx = filter;
  end->pad_idx = 0;
  return end;
}

struct TPictureGraph {
  media::FilterGraphPtr graph{avfilter_graph_alloc()};
  AVFilterContext* source = nullptr;
  AVFilterContext* sink = nullptr;
};

// Buffer source and RGB sink around the description; the library's error code.
int BuildGraph(TPictureGraph& g, const QImage& picture, const QString& description) {
  if (!g.graph) return AVERROR(ENOMEM);
  const QByteArray args = QStringLiteral("video_size=%1x%2:pix_fmt=%3:time_base=1/%4:pixel_aspect=1/1")
                              .arg(picture.width())
                              .arg(picture.height())
                              .arg(int(AV_PIX_FMT_RGB24))
                              .arg(AV_TIME_BASE)
                              .toLatin1();
  int r = avfilter_graph_create_filter(&g.source, avfilter_get_by_name("buffer"), "in", args.constData(), nullptr,
                                       g.graph.get());
  if (r < 0) return r;
  r = avfilter_graph_create_filter(&g.sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                   g.graph.get());
  if (r < 0) return r;
  const AVPixelFormat formats[] = {AV_PIX_FMT_RGB24, AV_PIX_FMT_NONE};
  r = av_opt_set_int_list(g.sink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
  if (r < 0) return r;
  // The description's "in" reads our source, its "out" feeds our sink.
  TInOutPtr outputs = OpenEnd("in", g.source), inputs = OpenEnd("out", g.sink);
  if (!outputs || !inputs) return AVERROR(ENOMEM);
  AVFilterInOut* open_inputs = inputs.release();
  AVFilterInOut* open_outputs = outputs.release();
  r = avfilter_graph_parse_ptr(g.graph.get(), description.toUtf8().constData(), &open_inputs, &open_outputs, nullptr);
  inputs.reset(open_inputs);
  outputs.reset(open_outputs);
  if (r < 0) return r;
  return avfilter_graph_config(g.graph.get(), nullptr);
}

media::FramePtr FrameOf(const QImage& picture, double seconds) {
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
  media::FramePtr frame = media::MakeFrame();
  if (!frame) return frame;
  frame->format = AV_PIX_FMT_RGB24;
  frame->width = rgb.width();
  frame->height = rgb.height();
  frame->pts = int64_t(seconds * AV_TIME_BASE);
  if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
  for (int y = 0; y < rgb.height(); ++y)
    std::memcpy(frame->data[0] + y * frame->linesize[0], rgb.constScanLine(y), size_t(rgb.width()) * 3);
  return frame;
}

QImage ImageOf(const AVFrame* frame) {
  QImage image(frame->width, frame->height, QImage::Format_RGB888);
  for (int y = 0; y < frame->height; ++y)
    std::memcpy(image.scanLine(y), frame->data[0] + y * frame->linesize[0], size_t(frame->width) * 3);
  return image;
}

}  // namespace

QImage FilterPicture(const QImage& picture, const QString& videoFilters, double seconds, QString* error) {
  media::LoadMediaLibraries();
  const engine::TVideoFilterPlan plan = engine::PlanVideoFilters(videoFilters);
  const auto failed = [error](const QString& why) {
    if (error) *error = why;
    return QImage();
  };
  if (!plan.error.isEmpty()) return failed(plan.error);
  if (!plan.scripts.empty()) return failed(QStringLiteral("AviSynth scripts are not shown in the preview"));
  const engine::TVideoFilterGraph& user = plan.graphs.front();
  if (user.description.isEmpty() || picture.isNull()) return picture;

  TPictureGraph g;
  if (const int r = BuildGraph(g, picture, user.description); r < 0)
    return failed(engine::VideoFiltersFailure(user, r));
  media::FramePtr in = FrameOf(picture, seconds);
  media::FramePtr out = media::MakeFrame();
  if (!in || !out) return failed(media::ErrorText(AVERROR(ENOMEM)));
  // The end follows the one picture at once, so that every filter lets it go.
  int r = av_buffersrc_add_frame_flags(g.source, in.get(), 0);
  if (r >= 0) r = av_buffersrc_add_frame_flags(g.source, nullptr, 0);
  if (r >= 0) r = av_buffersink_get_frame(g.sink, out.get());
  if (r < 0) return failed(engine::VideoFiltersFailure(user, r));
  return ImageOf(out.get());
}

}  // namespace inspect
