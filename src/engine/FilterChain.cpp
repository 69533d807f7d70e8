// The video filter chain of one encoded video output stream: buffer source,
// deinterlacing, crop, scale, the user's filter description between the labels
// "in" and "out", and a sink that delivers the encoder's pixel format. The
// chain's final picture size becomes the encoder's frame size. Script items
// (synth=SCRIPT) cut the user's description: the chain is then several graphs
// with an AviSynth script stage between each two.

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
}

#include "engine/AVConverter.h"
#include "engine/FilterDialect.h"
#include "engine/LibraryError.h"
#include "media/SynthStage.h"

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

// Longest stored item quoted in a log line.
constexpr int MaxLoggedItem = 80;

QString LoggedItem(const QString& item) {
  return item.size() <= MaxLoggedItem ? item : item.left(MaxLoggedItem - 3) + QStringLiteral("...");
}

// What the decoder hands the chain: the picture that rebuilds it, or the
// stream's parameters.
TAVPictureFormat InputFormat(const TAVInputStream& ist, const AVFrame* frame) {
  const AVCodecParameters* par = ist.st->codecpar;
  TAVPictureFormat in;
  in.width = frame ? frame->width : par->width;
  in.height = frame ? frame->height : par->height;
  in.pix_fmt = frame ? frame->format : par->format;
  in.sample_aspect = frame ? frame->sample_aspect_ratio
                           : (ist.st->sample_aspect_ratio.num ? ist.st->sample_aspect_ratio : par->sample_aspect_ratio);
  // A damaged header can give a negative or endless aspect: taken as unknown.
  if (in.sample_aspect.num <= 0 || in.sample_aspect.den <= 0) in.sample_aspect = AVRational{0, 1};
  return in;
}

// What a graph's sink delivers, once the graph is configured.
TAVPictureFormat DeliveredFormat(const AVFilterContext* sink) {
  TAVPictureFormat out;
  out.width = av_buffersink_get_w(sink);
  out.height = av_buffersink_get_h(sink);
  out.pix_fmt = av_buffersink_get_format(sink);
  out.time_base = av_buffersink_get_time_base(sink);
  out.sample_aspect = av_buffersink_get_sample_aspect_ratio(sink);
  if (!out.sample_aspect.num) out.sample_aspect = AVRational{0, 1};
  out.frame_rate = av_buffersink_get_frame_rate(sink);
  return out;
}

// A graph with its buffer source (taking in) and its sink (delivering one of
// formats).
int OpenGraphEnds(TAVFilterGraphStage& stage, const TAVPictureFormat& in, const std::vector<AVPixelFormat>& formats,
                  int swsFlags) {
  stage.graph.reset(avfilter_graph_alloc());
  stage.picture = media::MakeFrame();
  AVFilterGraph* graph = stage.graph.get();
  if (!graph || !stage.picture) return -1;
  graph->scale_sws_opts = av_strdup(QString::asprintf("flags=0x%X", swsFlags).toLatin1().constData());
  QString srcArgs = QString::asprintf("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", in.width,
                                      in.height, in.pix_fmt, in.time_base.num, in.time_base.den, in.sample_aspect.num,
                                      in.sample_aspect.den);
  if (in.frame_rate.num > 0 && in.frame_rate.den > 0)
    srcArgs += QString::asprintf(":frame_rate=%d/%d", in.frame_rate.num, in.frame_rate.den);
  if (avfilter_graph_create_filter(&stage.input_video_filter, avfilter_get_by_name("buffer"), "src",
                                   srcArgs.toLatin1().constData(), nullptr, graph) < 0)
    return -1;
  stage.output_video_filter = avfilter_graph_alloc_filter(graph, avfilter_get_by_name("buffersink"), "out");
  if (!stage.output_video_filter) return -1;
  std::vector<AVPixelFormat> list = formats;
  list.push_back(AV_PIX_FMT_NONE);
  if (av_opt_set_int_list(stage.output_video_filter, "pix_fmts", list.data(), AV_PIX_FMT_NONE,
                          AV_OPT_SEARCH_CHILDREN) < 0 ||
      avfilter_init_str(stage.output_video_filter, nullptr) < 0)
    return -1;
  return 0;
}

// Appends filters given as "name=args" each.
template <class Items>
int AppendItems(AVFilterGraph* graph, AVFilterContext*& last, const Items& items) {
  for (const QByteArray& item : items) {
    const qsizetype eq = item.indexOf('=');
    const QByteArray name = eq < 0 ? item : item.left(eq);
    if (Append(graph, last, name.constData(), eq < 0 ? QByteArray() : item.mid(eq + 1)) < 0) return -1;
  }
  return 0;
}

// The picture plan's deinterlacing and tags (on the fields as they were
// recorded), the turn upright, crop, and the scale with the plan's colour
// conversion or its tone mapping at the head of the chain.
int AppendInputFilters(AVFilterGraph* graph, AVFilterContext*& last, const TVideoOptions& vo,
                       const TAVOutputStream& ost, const TAVPictureFormat& in, const engine::TPictureTurn& turn,
                       int swsFlags) {
  const AVCodecContext* enc = ost.enc_ctx.get();
  const engine::TPicturePlan& plan = ost.video.plan;
  if (AppendItems(graph, last, plan.beforeCrop) < 0 || AppendItems(graph, last, turn.filters) < 0) return -1;
  const int shownWidth = turn.swapsSides ? in.height : in.width;
  const int shownHeight = turn.swapsSides ? in.width : in.height;
  const int l = vo.FrameLeftBand(), r = vo.FrameRightBand(), t = vo.FrameTopBand(), b = vo.FrameBottomBand();
  const int croppedWidth = shownWidth - l - r, croppedHeight = shownHeight - t - b;
  if (ost.video.video_crop &&
      Append(graph, last, "crop",
             QString::asprintf("%d:%d:%d:%d", croppedWidth, croppedHeight, ost.video.leftBand, ost.video.topBand).toLatin1()) < 0)
    return -1;
  QByteArray scaleArgs = QString::asprintf("%d:%d:flags=0x%X", enc->width, enc->height, swsFlags).toLatin1();
  if (!plan.scaleColour.isEmpty()) scaleArgs += ':' + plan.scaleColour;
  const bool resized = enc->width != croppedWidth || enc->height != croppedHeight;
  if (!plan.toneMapped && (resized || !plan.scaleColour.isEmpty()) && Append(graph, last, "scale", scaleArgs) < 0)
    return -1;
  return AppendItems(graph, last, plan.afterCrop);
}

// A scale filter in front of next that keeps delivering the encoder's size
// (a chain rebuilt for a changed picture).
int PrependFit(AVFilterGraph* graph, AVFilterContext*& next, const AVCodecContext* enc, int swsFlags) {
  AVFilterContext* fit = nullptr;
  const QByteArray args = QString::asprintf("%d:%d:flags=0x%X", enc->width, enc->height, swsFlags).toLatin1();
  if (avfilter_graph_create_filter(&fit, avfilter_get_by_name("scale"), nullptr, args.constData(), nullptr, graph) <
          0 ||
      avfilter_link(fit, 0, next, 0) < 0)
    return -1;
  next = fit;
  return 0;
}

}  // namespace

int TAVConverter::BuildVideoFilterChain(const TAVInputStream& ist, TAVOutputStream& ost, const AVFrame* frame) {
  AVCodecContext* enc = ost.enc_ctx.get();
  TAVVideoFilterChain& chain = ost.video.filter;
  chain = TAVVideoFilterChain();
  chain.input = InputFormat(ist, frame);
  const int swsFlags = FRun->option_stores->ScalerFlags();

  // The graph's timestamps start where the conversion starts (or with the
  // input's own offset); subtitle files count from the start of the source.
  const AVFormatContext* ic = FRun->input_files[ist.file_index].get();
  const int64_t subtitleShift =
      -FRun->input_files_ts_offset[ist.file_index] - (ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0);
  const engine::TVideoFilterPlan plan =
      engine::PlanVideoFilters(RunOptions().FilterOptions().VideoFilters(), subtitleShift,
                               FRun->input_names.value(ist.file_index));
  if (!plan.error.isEmpty()) {
    DoLog(AV_LOG_ERROR, plan.error);
    return -1;
  }
  if (OpenScriptStages(chain, plan) < 0) return -1;

  TAVPictureFormat in = chain.input;
  for (size_t g = 0; g < plan.graphs.size(); ++g) {
    const bool last = g + 1 == plan.graphs.size();
    TAVFilterGraphStage& stage = chain.graphs.emplace_back();
    // A script stage takes 4:2:0 pictures; the library converts to them.
    const std::vector<AVPixelFormat> formats = last ? std::vector<AVPixelFormat>{enc->pix_fmt}
                                                    : std::vector<AVPixelFormat>{AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUVJ420P};
    if (OpenGraphEnds(stage, in, formats, swsFlags) < 0) return -1;
    AVFilterGraph* graph = stage.graph.get();
    AVFilterContext* from = stage.input_video_filter;
    if (g == 0 && AppendInputFilters(graph, from, RunOptions().VideoOptions(), ost, in, ist.turn, swsFlags) < 0)
      return -1;
    AVFilterContext* to = stage.output_video_filter;
    if (last && frame && ost.encoder_open && PrependFit(graph, to, enc, swsFlags) < 0) return -1;
    if (last && ost.video.hw_device && PrependUpload(graph, to, ost.video.hw_device.get()) < 0) return -1;
    if (last && PrependProfileFilters(graph, to) < 0) return -1;
    if (ConnectUserFilters(graph, plan.graphs[g], from, to) < 0) return -1;
    in = DeliveredFormat(stage.output_video_filter);
  }
  if (!ost.encoder_open) {
    enc->width = in.width;
    enc->height = in.height;
    if (AVBufferRef* pool = av_buffersink_get_hw_frames_ctx(chain.graphs.back().output_video_filter)) {
      av_buffer_unref(&enc->hw_frames_ctx);
      enc->hw_frames_ctx = av_buffer_ref(pool);
    }
  }
  return 0;
}

// An encoder of device frames gets its pictures uploaded at the end of the
// chain, as 4:2:0 the device takes.
int TAVConverter::PrependUpload(AVFilterGraph* graph, AVFilterContext*& next, AVBufferRef* device) {
  AVFilterContext* upload = avfilter_graph_alloc_filter(graph, avfilter_get_by_name("hwupload"), "upload");
  if (!upload) return -1;
  upload->hw_device_ctx = av_buffer_ref(device);
  AVFilterContext* format = nullptr;
  if (!upload->hw_device_ctx || avfilter_init_str(upload, nullptr) < 0 ||
      avfilter_graph_create_filter(&format, avfilter_get_by_name("format"), "nv12", "nv12", nullptr, graph) < 0 ||
      avfilter_link(format, 0, upload, 0) < 0 || avfilter_link(upload, 0, next, 0) < 0)
    return -1;
  next = format;
  return 0;
}

int TAVConverter::OpenScriptStages(TAVVideoFilterChain& chain, const engine::TVideoFilterPlan& plan) {
  for (const engine::TVideoFilterScript& script : plan.scripts) {
    QString why;
    std::unique_ptr<media::TSynthStage> stage = media::TSynthStage::Create(script.script, &why);
    if (!stage) {
      DoLog(AV_LOG_ERROR, QStringLiteral("Video filter \"%1\": %2").arg(LoggedItem(script.stored), why));
      return -1;
    }
    chain.scripts.push_back(TAVScriptStage{std::move(stage), LoggedItem(script.stored), false});
  }
  return 0;
}

// The profile's filters come after the user's: a null filter stands for
// their start, and the user's filters end there.
int TAVConverter::PrependProfileFilters(AVFilterGraph* graph, AVFilterContext*& next) {
  const QString& filters = RunOptions().FilterOptions().ProfileFilters();
  if (filters.isEmpty()) return 0;
  AVFilterContext* joint = nullptr;
  if (avfilter_graph_create_filter(&joint, avfilter_get_by_name("null"), "profile", nullptr, nullptr, graph) < 0)
    return -1;
  if (const int r = ParseUserFilters(graph, filters, joint, next); r < 0) {
    DoLog(AV_LOG_ERROR, QStringLiteral("The profile's filters \"%1\" cannot be used: %2")
                            .arg(LoggedItem(filters), engine::LibraryErrorText(r)));
    return -1;
  }
  next = joint;
  return 0;
}

int TAVConverter::ConnectUserFilters(AVFilterGraph* graph, const engine::TVideoFilterGraph& user,
                                     AVFilterContext* from, AVFilterContext* to) {
  if (!user.description.isEmpty()) {
    if (const int failure = ParseUserFilters(graph, user.description, from, to); failure < 0) {
      // The library has logged its reasons once; finding the item must not repeat them.
      const int level = LogLevel();
      SetLogLevel(AV_LOG_QUIET);
      const QString line = engine::DiagnoseVideoFilters(user, failure);
      SetLogLevel(level);
      DoLog(AV_LOG_ERROR, line);
      return -1;
    }
  } else if (avfilter_link(from, 0, to, 0) < 0) {
    return -1;
  }
  if (const int failure = avfilter_graph_config(graph, nullptr); failure < 0) {
    if (!user.description.isEmpty()) DoLog(AV_LOG_ERROR, engine::VideoFiltersFailure(user, failure));
    return -1;
  }
  return 0;
}

void TAVConverter::FilterVideoFrame(const TAVInputStream& ist, TAVOutputStream& ost, AVFrame* frame) {
  if (ost.video.filter.graphs.empty()) return;
  if (frame) ost.video.filter.last_input_time = frame->pts;
  FeedFilterGraph(ist, ost, 0, frame);
}

void TAVConverter::FeedFilterGraph(const TAVInputStream& ist, TAVOutputStream& ost, size_t index, AVFrame* frame) {
  TAVVideoFilterChain& chain = ost.video.filter;
  TAVFilterGraphStage& stage = chain.graphs[index];
  const int fed = av_buffersrc_add_frame_flags(stage.input_video_filter, frame, frame ? AV_BUFFERSRC_FLAG_KEEP_REF : 0);
  if (fed < 0) {
    // A picture the graph refuses is lost; the run goes on with the next.
    if (fed != AVERROR_EOF)
      LogStreamErrorOnce(ost, ost.video.filter_error_logged, QStringLiteral("Error while filtering a picture"), fed);
    return;
  }
  const bool last = index + 1 == chain.graphs.size();
  AVFrame* filtered = last ? ost.video.filtered_frame.get() : stage.picture.get();
  const AVRational tb = av_buffersink_get_time_base(stage.output_video_filter);
  for (;;) {
    const int r = av_buffersink_get_frame(stage.output_video_filter, filtered);
    if (r < 0) break;  // needs more input, or the end
    if (last) {
      const int64_t time =
          filtered->pts != AV_NOPTS_VALUE ? av_rescale_q(filtered->pts, tb, AV_TIME_BASE_Q) : chain.last_input_time;
      if (ost.video.filter_stage)
        ost.video.filter_stage->Emit(filtered, time);  // timed on the worker
      else
        OutputVideoFrame(ost, ist, filtered, time);
    } else {
      RunScriptStage(chain.scripts[index], filtered);
      FeedFilterGraph(ist, ost, index + 1, filtered);
    }
    av_frame_unref(filtered);
  }
  if (!frame && !last) FeedFilterGraph(ist, ost, index + 1, nullptr);  // the end goes on down the chain
}

void TAVConverter::RunScriptStage(TAVScriptStage& script, AVFrame* picture) {
  QString why;
  if (script.stage->Process(picture, &why) || script.failure_logged) return;
  script.failure_logged = true;
  DoLog(AV_LOG_ERROR,
        QStringLiteral("Video filter \"%1\": %2; the pictures pass on unprocessed").arg(script.item, why));
}
