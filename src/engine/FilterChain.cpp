// The video filter graph of one encoded video output stream: buffer source,
// deinterlacing, crop, scale, the user's filter description between the labels
// "in" and "out", and a sink that delivers the encoder's pixel format. The
// graph's final picture size becomes the encoder's frame size.

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
}

#include "engine/AVConverter.h"
#include "engine/FilterDialect.h"

namespace {

// Creates filter name with args in graph and links last's output to it.
int Append(AVFilterGraph* graph, AVFilterContext*& last, const char* name, const QByteArray& args) {
  AVFilterContext* f = nullptr;
  int r = avfilter_graph_create_filter(&f, avfilter_get_by_name(name), nullptr, args.constData(), nullptr, graph);
  if (r < 0) return r;
  r = avfilter_link(last, 0, f, 0);
  if (r < 0) return r;
  last = f;
  return 0;
}

// The user's description between the open output "in" (from last) and the
// open input "out" (to next).
int ParseUserFilters(AVFilterGraph* graph, const QString& description, AVFilterContext* last, AVFilterContext* next) {
  AVFilterInOut* outputs = avfilter_inout_alloc();
  AVFilterInOut* inputs = avfilter_inout_alloc();
  int r = AVERROR(ENOMEM);
  if (outputs && inputs) {
    outputs->name = av_strdup("in");
    outputs->filter_ctx = last;
    outputs->pad_idx = 0;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = next;
    inputs->pad_idx = 0;
    r = avfilter_graph_parse_ptr(graph, description.toUtf8().constData(), &inputs, &outputs, nullptr);
  }
  avfilter_inout_free(&inputs);
  avfilter_inout_free(&outputs);
  return r;
}

}  // namespace

int TAVConverter::BuildVideoFilterChain(TAVInputStream& ist, TAVOutputStream& ost, const AVFrame* frame) {
  const AVCodecParameters* par = ist.st->codecpar;
  AVCodecContext* enc = ost.enc_ctx.get();
  const TVideoOptions& vo = FConvertOptions.VideoOptions();
  TAVVideoFilterChain& chain = ost.filter;
  chain = TAVVideoFilterChain();
  chain.in_width = frame ? frame->width : par->width;
  chain.in_height = frame ? frame->height : par->height;
  chain.in_pix_fmt = frame ? frame->format : par->format;
  chain.in_sample_aspect = frame ? frame->sample_aspect_ratio
                                 : (ist.st->sample_aspect_ratio.num ? ist.st->sample_aspect_ratio
                                                                    : par->sample_aspect_ratio);
  if (!chain.in_sample_aspect.num) chain.in_sample_aspect = AVRational{0, 1};

  chain.graph.reset(avfilter_graph_alloc());
  AVFilterGraph* graph = chain.graph.get();
  if (!graph) return -1;
  const int swsFlags = FOptionStores ? FOptionStores->ScalerFlags() : FConvertOptions.SwsFlags();
  graph->scale_sws_opts = av_strdup(QString::asprintf("flags=0x%X", swsFlags).toLatin1().constData());

  const QByteArray srcArgs = QString::asprintf("video_size=%dx%d:pix_fmt=%d:time_base=1/%d:pixel_aspect=%d/%d",
                                               chain.in_width, chain.in_height, chain.in_pix_fmt, AV_TIME_BASE,
                                               chain.in_sample_aspect.num, chain.in_sample_aspect.den)
                                 .toLatin1();
  if (avfilter_graph_create_filter(&chain.input_video_filter, avfilter_get_by_name("buffer"), "src",
                                   srcArgs.constData(), nullptr, graph) < 0)
    return -1;
  chain.output_video_filter = avfilter_graph_alloc_filter(graph, avfilter_get_by_name("buffersink"), "out");
  if (!chain.output_video_filter) return -1;
  const AVPixelFormat formats[] = {enc->pix_fmt, AV_PIX_FMT_NONE};
  if (av_opt_set_int_list(chain.output_video_filter, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN) <
          0 ||
      avfilter_init_str(chain.output_video_filter, nullptr) < 0)
    return -1;

  AVFilterContext* last = chain.input_video_filter;
  if (vo.Deinterlace() && Append(graph, last, "yadif", QByteArray()) < 0) return -1;
  const int l = vo.FrameLeftBand(), r = vo.FrameRightBand(), t = vo.FrameTopBand(), b = vo.FrameBottomBand();
  const int croppedWidth = chain.in_width - l - r, croppedHeight = chain.in_height - t - b;
  if (ost.video_crop &&
      Append(graph, last, "crop",
             QString::asprintf("%d:%d:%d:%d", croppedWidth, croppedHeight, ost.leftBand, ost.topBand).toLatin1()) < 0)
    return -1;
  const QByteArray scaleArgs = QString::asprintf("%d:%d:flags=0x%X", enc->width, enc->height, swsFlags).toLatin1();
  if ((enc->width != croppedWidth || enc->height != croppedHeight) && Append(graph, last, "scale", scaleArgs) < 0)
    return -1;

  // A graph rebuilt for a changed picture must still deliver the encoder's size.
  AVFilterContext* next = chain.output_video_filter;
  if (frame && ost.encoder_open) {
    AVFilterContext* fit = nullptr;
    if (avfilter_graph_create_filter(&fit, avfilter_get_by_name("scale"), nullptr, scaleArgs.constData(), nullptr,
                                     graph) < 0 ||
        avfilter_link(fit, 0, next, 0) < 0)
      return -1;
    next = fit;
  }
  // The graph's timestamps start where the conversion starts (or with the
  // input's own offset); subtitle files count from the start of the source.
  const AVFormatContext* ic = input_files[ist.file_index].get();
  const int64_t subtitleShift =
      -input_files_ts_offset[ist.file_index] - (ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0);
  const engine::TVideoFilterGraph user =
      engine::TranslateVideoFilters(FConvertOptions.FilterOptions().VideoFilters(), subtitleShift);
  if (!user.error.isEmpty()) {
    DoLog(AV_LOG_ERROR, user.error);
    return -1;
  }
  if (!user.description.isEmpty()) {
    if (const int failure = ParseUserFilters(graph, user.description, last, next); failure < 0) {
      // The library has logged its reasons once; finding the item must not repeat them.
      const int level = LogLevel();
      SetLogLevel(AV_LOG_QUIET);
      const QString line = engine::DiagnoseVideoFilters(user, failure);
      SetLogLevel(level);
      DoLog(AV_LOG_ERROR, line);
      return -1;
    }
  } else if (avfilter_link(last, 0, next, 0) < 0) {
    return -1;
  }
  if (const int failure = avfilter_graph_config(graph, nullptr); failure < 0) {
    if (!user.description.isEmpty()) DoLog(AV_LOG_ERROR, engine::VideoFiltersFailure(user, failure));
    return -1;
  }
  if (!ost.encoder_open) {
    enc->width = av_buffersink_get_w(chain.output_video_filter);
    enc->height = av_buffersink_get_h(chain.output_video_filter);
  }
  return 0;
}

void TAVConverter::FilterVideoFrame(TAVInputStream& ist, TAVOutputStream& ost, AVFrame* frame) {
  TAVVideoFilterChain& chain = ost.filter;
  if (!chain.graph) return;
  if (av_buffersrc_add_frame_flags(chain.input_video_filter, frame, frame ? AV_BUFFERSRC_FLAG_KEEP_REF : 0) < 0)
    return;
  AVFrame* filtered = ost.filtered_frame.get();
  const AVRational tb = av_buffersink_get_time_base(chain.output_video_filter);
  for (;;) {
    const int r = av_buffersink_get_frame(chain.output_video_filter, filtered);
    if (r < 0) break;  // needs more input, or the end
    if (filtered->pts != AV_NOPTS_VALUE) ist.pts = av_rescale_q(filtered->pts, tb, AV_TIME_BASE_Q);
    OutputVideoFrame(ost, ist, filtered);
    av_frame_unref(filtered);
  }
}
