#include "engine/SourcePictures.h"

#include <QByteArray>
#include <QDateTime>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>
#include <vector>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/pixdesc.h>
}

#include "media/LibraryPtrs.h"
#include "media/StreamInput.h"

namespace engine {

namespace {

// Pictures the detector looks at per position (at three positions, or at the
// start of a short source), and how far it reads to find them.
constexpr int PicturesPerSpot = 10;
constexpr int PicturesAtStart = 20;
constexpr int PacketsPerSpot = 400;
// Sources shorter than this are sampled from their start only.
constexpr int64_t SpreadFrom = 20 * int64_t{AV_TIME_BASE};
// Sampled figures decide once this many pictures moved.
constexpr int FiguresThatDecide = 8;

TFieldOrder OrderOfField(AVFieldOrder order) {
  switch (order) {
    case AV_FIELD_PROGRESSIVE: return TFieldOrder::Progressive;
    case AV_FIELD_TT: case AV_FIELD_BT: return TFieldOrder::TopFirst;     // shown top first
    case AV_FIELD_BB: case AV_FIELD_TB: return TFieldOrder::BottomFirst;  // shown bottom first
    default: return TFieldOrder::Unknown;
  }
}

template <class T>
std::optional<T> StreamSideData(const AVStream* st, AVPacketSideDataType type) {
  size_t size = 0;
  const uint8_t* data = av_stream_get_side_data(st, type, &size);
  if (!data || size < sizeof(T)) return std::nullopt;
  T value;
  std::memcpy(&value, data, sizeof(T));
  return value;
}

template <class T>
std::optional<T> FrameSideData(const AVFrame* frame, AVFrameSideDataType type) {
  const AVFrameSideData* sd = av_frame_get_side_data(frame, type);
  if (!sd || sd->size < sizeof(T)) return std::nullopt;
  T value;
  std::memcpy(&value, sd->data, sizeof(T));
  return value;
}

}  // namespace

void TakePictureTags(const AVFrame* frame, TSourcePictures& facts) {
  TColourTags& c = facts.colour;
  if (c.primaries == AVCOL_PRI_UNSPECIFIED) c.primaries = frame->color_primaries;
  if (c.transfer == AVCOL_TRC_UNSPECIFIED) c.transfer = frame->color_trc;
  if (c.matrix == AVCOL_SPC_UNSPECIFIED) c.matrix = frame->colorspace;
  if (c.range == AVCOL_RANGE_UNSPECIFIED) c.range = frame->color_range;
  if (!facts.mastering)
    facts.mastering = FrameSideData<AVMasteringDisplayMetadata>(frame, AV_FRAME_DATA_MASTERING_DISPLAY_METADATA);
  if (!facts.light) facts.light = FrameSideData<AVContentLightMetadata>(frame, AV_FRAME_DATA_CONTENT_LIGHT_LEVEL);
}

namespace {

// Luma of 8-bit pictures, every other column: a block of 16×16 pixels is
// combed when this many of the pixels looked at stand out from both lines
// beside them in the same direction by more than CombContrast while matching
// the lines two away, their own field. Moving progressive pictures, noise and
// fine detail included, stay far below it; interlaced ones in motion far above.
constexpr int CombBlock = 16;
constexpr int CombColumnStep = 2;
constexpr int CombedPixelsInBlock = 14;
constexpr int CombContrast = 12;
constexpr int SameFieldTolerance = 8;
// A picture moved when its luma differs from the one before by this much on average.
constexpr double MovingDifference = 0.5;

bool CombedPixel(const uint8_t* row, ptrdiff_t stride, int x) {
  const int c = row[x], above = row[x - stride], below = row[x + stride];
  const bool standsOut = (c - above > CombContrast && c - below > CombContrast) ||
                         (above - c > CombContrast && below - c > CombContrast);
  return standsOut && std::abs(c - row[x - 2 * stride]) < SameFieldTolerance &&
         std::abs(c - row[x + 2 * stride]) < SameFieldTolerance;
}

bool IsCombed(const AVFrame* picture) {
  const int width = picture->width, height = picture->height;
  const ptrdiff_t stride = picture->linesize[0];
  std::vector<int> counts((width + CombBlock - 1) / CombBlock);
  for (int y = 2; y < height - 2; ++y) {
    if (y % CombBlock == 0) {
      if (std::any_of(counts.begin(), counts.end(), [](int n) { return n >= CombedPixelsInBlock; })) return true;
      std::fill(counts.begin(), counts.end(), 0);
    }
    const uint8_t* row = picture->data[0] + y * stride;
    for (int x = 0; x < width; x += CombColumnStep)
      if (CombedPixel(row, stride, x)) ++counts[x / CombBlock];
  }
  return std::any_of(counts.begin(), counts.end(), [](int n) { return n >= CombedPixelsInBlock; });
}

// On every fourth pixel of every fourth line: motion shows at any of them.
double MeanLumaDifference(const AVFrame* a, const AVFrame* b) {
  if (a->width != b->width || a->height != b->height) return 255;
  constexpr int Step = 4;
  int64_t sum = 0, count = 0;
  for (int y = 0; y < a->height; y += Step) {
    const uint8_t* p = a->data[0] + y * a->linesize[0];
    const uint8_t* q = b->data[0] + y * b->linesize[0];
    for (int x = 0; x < a->width; x += Step, ++count) sum += std::abs(p[x] - q[x]);
  }
  return count ? static_cast<double>(sum) / count : 0;
}

// The comb check over one run of consecutive pictures: each converted to
// 8-bit YUV, looked at for combing, and passed through the library's
// interlace detector for the field order.
class TCombDetector {
 public:
  bool Open(const AVFrame* first) {
    graph_.reset(avfilter_graph_alloc());
    previous_ = media::MakeFrame();
    if (!graph_ || !previous_) return false;
    const QByteArray args = QStringLiteral("video_size=%1x%2:pix_fmt=%3:time_base=1/25:pixel_aspect=1/1")
                                .arg(first->width)
                                .arg(first->height)
                                .arg(first->format)
                                .toLatin1();
    // Luma of 8 bits is what the check looks at; JPEG's full-range formats
    // are taken as they are, for the scaler warns about each of them.
    AVFilterContext *format = nullptr, *idet = nullptr;
    return avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "src", args.constData(), nullptr,
                                        graph_.get()) >= 0 &&
           avfilter_graph_create_filter(&format, avfilter_get_by_name("format"), "format",
                                        "yuv420p|yuvj420p|yuv422p|yuvj422p|yuv444p|yuvj444p", nullptr,
                                        graph_.get()) >= 0 &&
           avfilter_graph_create_filter(&idet, avfilter_get_by_name("idet"), "idet", nullptr, nullptr,
                                        graph_.get()) >= 0 &&
           avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                        graph_.get()) >= 0 &&
           avfilter_link(source_, 0, format, 0) >= 0 && avfilter_link(format, 0, idet, 0) >= 0 &&
           avfilter_link(idet, 0, sink_, 0) >= 0 && avfilter_graph_config(graph_.get(), nullptr) >= 0;
  }

  // A picture of the run (nullptr: the run ends); the pictures the detector
  // lets go are added to figures.
  void Feed(const AVFrame* picture, TCombFigures& figures) {
    if (!graph_) return;
    if (picture) {
      // The pictures' own times may jump; the detector wants them rising.
      media::FramePtr copy = media::MakeFrame();
      if (!copy || av_frame_ref(copy.get(), picture) < 0) return;
      copy->pts = next_pts_++;
      if (av_buffersrc_add_frame_flags(source_, copy.get(), 0) < 0) return;
    } else if (av_buffersrc_add_frame_flags(source_, nullptr, 0) < 0) {
      return;
    }
    media::FramePtr out = media::MakeFrame();
    while (out && av_buffersink_get_frame(sink_, out.get()) >= 0) {
      Count(out.get(), figures);
      av_frame_unref(previous_.get());
      av_frame_move_ref(previous_.get(), out.get());
    }
  }

 private:
  void Count(const AVFrame* picture, TCombFigures& figures) const {
    ++figures.pictures;
    if (!previous_->data[0] || MeanLumaDifference(previous_.get(), picture) < MovingDifference) return;
    ++figures.moving;
    if (!IsCombed(picture)) return;
    ++figures.combed;
    const AVDictionaryEntry* e = av_dict_get(picture->metadata, "lavfi.idet.multiple.current_frame", nullptr, 0);
    if (e && qstrcmp(e->value, "tff") == 0) ++figures.topFirst;
    if (e && qstrcmp(e->value, "bff") == 0) ++figures.bottomFirst;
  }

  media::FilterGraphPtr graph_;
  AVFilterContext* source_ = nullptr;
  AVFilterContext* sink_ = nullptr;
  media::FramePtr previous_;  // the last picture counted, for motion
  int64_t next_pts_ = 0;
};

// A file opened a second time, its decoder, and the reading of one spot.
class TPictureSampler {
 public:
  // known: the stream's parameters as the caller probed them, which spare
  // probing the file again where its header names the same stream.
  bool Open(const QString& name, int streamIndex, int threads, const AVCodecParameters* known) {
    AVFormatContext* ic = nullptr;
    if (avformat_open_input(&ic, name.toUtf8().constData(), nullptr, nullptr) < 0) return false;
    input_.reset(ic);
    const auto named = [&] {
      return streamIndex >= 0 && streamIndex < int(ic->nb_streams) && known &&
             ic->streams[streamIndex]->codecpar->codec_id == known->codec_id;
    };
    if (!named() && avformat_find_stream_info(ic, nullptr) < 0) return false;
    if (streamIndex < 0 || streamIndex >= int(ic->nb_streams)) return false;
    index_ = streamIndex;
    AVStream* st = ic->streams[streamIndex];
    if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) return false;
    for (unsigned s = 0; s < ic->nb_streams; ++s)
      if (int(s) != streamIndex) ic->streams[s]->discard = AVDISCARD_ALL;
    const AVCodecParameters* parameters = named() ? known : st->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    decoder_.reset(avcodec_alloc_context3(decoder));
    if (!decoder || !decoder_ || avcodec_parameters_to_context(decoder_.get(), parameters) < 0) return false;
    decoder_->pkt_timebase = st->time_base;
    decoder_->thread_count = threads;
    // Combing shows without the deblocking filter, which is a good part of the decoding.
    decoder_->skip_loop_filter = AVDISCARD_ALL;
    packet_ = media::MakePacket();
    frame_ = media::MakeFrame();
    return packet_ && frame_ && avcodec_open2(decoder_.get(), decoder, nullptr) >= 0;
  }

  int64_t Duration() const { return input_->duration; }

  // Reads the pictures of the spot at position (microseconds from the
  // start; 0 reads from where the file begins) and hands each to take.
  template <class Take>
  void ReadSpot(int64_t position, int wanted, Take take) {
    if (position > 0) {
      const int64_t start = input_->start_time != AV_NOPTS_VALUE ? input_->start_time : 0;
      if (av_seek_frame(input_.get(), -1, start + position, AVSEEK_FLAG_BACKWARD) < 0) return;
      avcodec_flush_buffers(decoder_.get());
    }
    int pictures = 0;
    for (int packets = 0; packets < PacketsPerSpot && pictures < wanted; ++packets) {
      const int r = av_read_frame(input_.get(), packet_.get());
      if (r < 0) {
        avcodec_send_packet(decoder_.get(), nullptr);  // the pictures still held come out
      } else if (packet_->stream_index != index_) {
        av_packet_unref(packet_.get());
        continue;
      } else {
        avcodec_send_packet(decoder_.get(), packet_.get());
        av_packet_unref(packet_.get());
      }
      while (pictures < wanted && avcodec_receive_frame(decoder_.get(), frame_.get()) >= 0) {
        take(frame_.get());
        av_frame_unref(frame_.get());
        ++pictures;
      }
      if (r < 0) break;
    }
  }

 private:
  media::InputFormatContextPtr input_;
  media::CodecContextPtr decoder_;
  media::PacketPtr packet_;
  media::FramePtr frame_;
  int index_ = -1;
};

}  // namespace

TFieldOrder TSourcePictures::Scan() const {
  if (comb && comb->moving >= FiguresThatDecide) {
    // A quarter of the moving pictures combed is interlaced (a film's pulldown
    // combs two pictures in five).
    if (comb->combed * 4 < comb->moving) return TFieldOrder::Progressive;
    if (flagged == TFieldOrder::TopFirst || flagged == TFieldOrder::BottomFirst) return flagged;
    return comb->topFirst >= comb->bottomFirst ? TFieldOrder::TopFirst : TFieldOrder::BottomFirst;
  }
  return flagged;
}

THdrKind TSourcePictures::Hdr() const {
  if (colour.transfer == AVCOL_TRC_SMPTE2084) return THdrKind::PQ;
  if (colour.transfer == AVCOL_TRC_ARIB_STD_B67) return THdrKind::HLG;
  return THdrKind::None;
}

bool IsJpegPixelFormat(int pix_fmt) {
  switch (pix_fmt) {
    case AV_PIX_FMT_YUVJ420P: case AV_PIX_FMT_YUVJ422P: case AV_PIX_FMT_YUVJ444P: case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ411P:
      return true;
    default:
      return false;
  }
}

bool TSourcePictures::FullRange() const { return colour.range == AVCOL_RANGE_JPEG || IsJpegPixelFormat(pix_fmt); }

TSourcePictures DescribeVideoStream(const AVStream* st) {
  const AVCodecParameters* par = st->codecpar;
  TSourcePictures facts;
  facts.width = par->width;
  facts.height = par->height;
  facts.pix_fmt = par->format;
  facts.flagged = OrderOfField(par->field_order);
  facts.colour = {par->color_primaries, par->color_trc, par->color_space, par->color_range};
  facts.mastering = StreamSideData<AVMasteringDisplayMetadata>(st, AV_PKT_DATA_MASTERING_DISPLAY_METADATA);
  facts.light = StreamSideData<AVContentLightMetadata>(st, AV_PKT_DATA_CONTENT_LIGHT_LEVEL);
  return facts;
}

namespace {

// What sampling found in a file, kept while the file stays as it was: a batch
// or a profile tried after another converts the same source again.
class TSampleCache {
 public:
  using TKey = std::tuple<QString, qint64, qint64, int>;

  static TKey KeyOf(const QString& name, int stream) {
    const QFileInfo info(name);
    return {info.absoluteFilePath(), info.size(), info.lastModified().toMSecsSinceEpoch(), stream};
  }
  bool Find(const TKey& key, TSourcePictures& facts) {
    std::lock_guard lock(mutex_);
    const auto found = entries_.find(key);
    if (found == entries_.end()) return false;
    facts = found->second;
    return true;
  }
  void Keep(const TKey& key, const TSourcePictures& facts) {
    std::lock_guard lock(mutex_);
    if (entries_.size() >= Capacity) entries_.clear();
    entries_[key] = facts;
  }

 private:
  static constexpr size_t Capacity = 64;
  std::mutex mutex_;
  std::map<TKey, TSourcePictures> entries_;
};

TSampleCache& SampleCache() {
  static TSampleCache cache;
  return cache;
}

// False when the file could not be read again.
bool SampleFile(const QString& name, int streamIndex, TSourcePictures& facts, int decoderThreads,
                const AVCodecParameters* known) {
  TPictureSampler sampler;
  if (!sampler.Open(name, streamIndex, decoderThreads, known)) return false;
  const int64_t duration = sampler.Duration();
  std::vector<int64_t> spots{0};
  if (duration != AV_NOPTS_VALUE && duration > SpreadFrom) spots = {duration / 4, duration / 2, duration * 3 / 4};

  TCombFigures figures;
  int flaggedTop = 0, flaggedBottom = 0, flaggedProgressive = 0;
  for (const int64_t spot : spots) {
    TCombDetector detector;
    bool opened = false;
    sampler.ReadSpot(spot, spots.size() > 1 ? PicturesPerSpot : PicturesAtStart, [&](const AVFrame* picture) {
      TakePictureTags(picture, facts);
      if (!picture->interlaced_frame) ++flaggedProgressive;
      else if (picture->top_field_first) ++flaggedTop;
      else ++flaggedBottom;
      if (!opened) opened = detector.Open(picture);
      if (opened) detector.Feed(picture, figures);
    });
    if (opened) detector.Feed(nullptr, figures);
  }
  if (figures.pictures > 0) facts.comb = figures;
  facts.picturesFlagFields = flaggedTop + flaggedBottom > 0;
  // The decoder's flags speak where the container said nothing.
  if (facts.flagged == TFieldOrder::Unknown && flaggedTop + flaggedBottom + flaggedProgressive > 0) {
    if (flaggedTop + flaggedBottom <= flaggedProgressive) facts.flagged = TFieldOrder::Progressive;
    else facts.flagged = flaggedTop >= flaggedBottom ? TFieldOrder::TopFirst : TFieldOrder::BottomFirst;
  }
  return true;
}

}  // namespace

bool LooksCombed(const AVFrame* picture) {
  const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(picture->format));
  const bool eightBitLuma = d && !(d->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) &&
                            (d->flags & AV_PIX_FMT_FLAG_PLANAR) && d->comp[0].depth == 8 && d->comp[0].step == 1;
  return eightBitLuma && picture->height > 4 && IsCombed(picture);
}

void SamplePictures(const QString& name, int streamIndex, TSourcePictures& facts, int decoderThreads,
                    const AVCodecParameters* known) {
  // A program's own byte stream (a DVD title) is read once, by the conversion.
  if (media::IsStreamName(name) || !QFileInfo(name).isFile()) return;
  const TSampleCache::TKey key = TSampleCache::KeyOf(name, streamIndex);
  if (SampleCache().Find(key, facts)) return;
  if (SampleFile(name, streamIndex, facts, decoderThreads, known)) SampleCache().Keep(key, facts);
}

}  // namespace engine
