#include "inspect/VideoFrameReader.h"

#include <algorithm>
#include <cstring>

#include "media/StreamInput.h"

namespace inspect {

namespace {

// Without a complete index of key frames, a step forward of up to this much
// is decoded on rather than sought (microseconds).
constexpr int64_t UnindexedDecodeOnSpan = 1000000;
// A seek that lands past the position (on a key frame shown after it, or
// before a key frame that follows it) is retried this many times, each time
// this much further back, times four.
constexpr int StepBackAttempts = 3;
constexpr int64_t FirstStepBack = 1000000;

// The display matrix maps a stored pixel (x, y) to (a·x + c·y, b·x + d·y) on
// screen, which is a transform of the same shape; the image's own transform
// takes care of the shift back into view.
QTransform ShownTurn(const AVStream* st) {
  size_t size = 0;
  const uint8_t* data = av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, &size);
  if (!data || size < 9 * sizeof(int32_t)) return {};
  int32_t m[9];
  std::memcpy(m, data, sizeof m);
  const QTransform turn(m[0] / 65536.0, m[1] / 65536.0, m[3] / 65536.0, m[4] / 65536.0, 0, 0);
  return turn.isInvertible() ? turn : QTransform();
}

}  // namespace

bool TVideoFrameReader::Open(const QString& name) {
  Close();
  if (OpenInput(name) < 0 || avformat_find_stream_info(ic.get(), nullptr) < 0 || !OpenDecoder()) {
    Close();
    return false;
  }
  FPacket = media::MakePacket();
  if (!FPacket) {
    Close();
    return false;
  }
  FStartTime = ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0;
  FDuration = ic->duration;
  return true;
}

int TVideoFrameReader::OpenInput(const QString& name) {
  AVFormatContext* c = nullptr;
  const int r = media::OpenMediaInput(&c, name, nullptr, nullptr);
  if (r >= 0) ic.reset(c);
  return r;
}

bool TVideoFrameReader::OpenDecoder() {
  for (unsigned i = 0; i < ic->nb_streams; ++i) {
    if (videoStream < 0 && ic->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
      videoStream = static_cast<int>(i);
    else
      ic->streams[i]->discard = AVDISCARD_ALL;  // the demuxer may skip what is never shown
  }
  if (videoStream < 0) return false;
  AVStream* st = ic->streams[videoStream];
  FTurn = ShownTurn(st);
  FPictures = engine::DescribeVideoStream(st);
  pCodec = avcodec_find_decoder(st->codecpar->codec_id);
  if (!pCodec) return false;
  pCodecCtx.reset(avcodec_alloc_context3(pCodec));
  if (!pCodecCtx || avcodec_parameters_to_context(pCodecCtx.get(), st->codecpar) < 0) return false;
  pCodecCtx->pkt_timebase = st->time_base;
  // One thread per processor: landing on a position decodes up to a whole
  // group of pictures.
  pCodecCtx->thread_count = 0;
  return avcodec_open2(pCodecCtx.get(), pCodec, nullptr) >= 0;
}

void TVideoFrameReader::Close() {
  pFrame.reset();
  FAhead.reset();
  FPacket.reset();
  pCodecCtx.reset();
  pCodec = nullptr;
  ic.reset();
  videoStream = -1;
  FState = rsFresh;
  FInputEnded = false;
  FLatestFedTime = AV_NOPTS_VALUE;
  FStartTime = 0;
  FDuration = 0;
  FTurn.reset();
}

const AVFrame* TVideoFrameReader::FrameAt(int64_t position, bool& seekFailed) {
  seekFailed = false;
  if (!IsOpen()) return nullptr;
  if (CanDecodeOnTo(position)) return DecodeOnTo(position, true, FState != rsFresh);
  if (!Seek(position, -1)) {
    seekFailed = true;
    // The input stays where it stands: the next picture it gives is the answer.
    return DecodeOnTo(position, false, false);
  }
  return FrameAfterSeek(position);
}

bool TVideoFrameReader::CanDecodeOnTo(int64_t position) const {
  switch (FState) {
    case rsFresh:
      return position <= FStartTime;
    case rsLost:
      return false;
    case rsEnded:  // the last picture stays on screen to the end
      return pFrame && FFrameTime != AV_NOPTS_VALUE && position >= FFrameTime;
    case rsReading:
      break;
  }
  if (!pFrame || FFrameTime == AV_NOPTS_VALUE || position < FFrameTime) return false;
  const int64_t last = LastDecodedTime();
  if (last == AV_NOPTS_VALUE) return false;
  if (position < last) return true;
  AVStream* st = ic->streams[videoStream];
  // Formats that index only what has been read cannot tell where the next key frame is.
  if ((ic->iformat->flags & AVFMT_GENERIC_INDEX) || avformat_index_get_entries_count(st) == 0)
    return position - last <= UnindexedDecodeOnSpan;
  // Decoding on is cheaper than a seek when no key frame lies between.
  const AVIndexEntry* key = avformat_index_get_entry_from_timestamp(
      st, av_rescale_q(position, AV_TIME_BASE_Q, st->time_base), AVSEEK_FLAG_BACKWARD);
  return key && av_rescale_q(key->timestamp, st->time_base, AV_TIME_BASE_Q) <= last;
}

bool TVideoFrameReader::Seek(int64_t timestamp, int streamIndex) {
  if (av_seek_frame(ic.get(), streamIndex, timestamp, AVSEEK_FLAG_BACKWARD) < 0) return false;
  avcodec_flush_buffers(pCodecCtx.get());
  pFrame.reset();
  FAhead.reset();
  FInputEnded = false;
  FLatestFedTime = AV_NOPTS_VALUE;
  FState = rsReading;
  return true;
}

const AVFrame* TVideoFrameReader::FrameAfterSeek(int64_t position) {
  const AVFrame* picture = DecodeOnTo(position, true, false);
  const AVStream* st = ic->streams[videoStream];
  const int64_t streamStart =
      st->start_time != AV_NOPTS_VALUE ? av_rescale_q(st->start_time, st->time_base, AV_TIME_BASE_Q) : FStartTime;
  // Before the first picture of the stream the first picture is the answer.
  if (position < streamStart) return picture;
  int64_t stepBack = FirstStepBack;
  for (int attempt = 0; attempt < StepBackAttempts; ++attempt, stepBack *= 4) {
    // Nothing at all (a seek to the very end may land past the last packet) or a picture after position.
    if (picture && (FFrameTime == AV_NOPTS_VALUE || FFrameTime <= position)) break;
    int64_t target = position - stepBack;
    if (picture && picture->pkt_dts != AV_NOPTS_VALUE)
      target = std::min(target, av_rescale_q(picture->pkt_dts, st->time_base, AV_TIME_BASE_Q) - 1);
    if (!Seek(target, -1)) {
      FState = rsLost;  // the picture found stays the answer; the next request seeks again
      break;
    }
    picture = DecodeOnTo(position, true, false);
  }
  return picture;
}

const AVFrame* TVideoFrameReader::DecodeOnTo(int64_t position, bool exact, bool continuing) {
  media::FramePtr shown = continuing ? std::move(pFrame) : media::FramePtr();
  int64_t shownTime = FFrameTime;
  media::FramePtr picture;
  FTarget = exact ? position : AV_NOPTS_VALUE;
  while (NextPicture(picture)) {
    const int64_t t = PictureTime(picture.get());
    if (!exact || t == AV_NOPTS_VALUE || t > position) {
      if (!shown) {
        shown = std::move(picture);
        shownTime = t;
      } else {
        FAhead = std::move(picture);  // shown after position: kept for a later request
        FAheadTime = t;
      }
      break;
    }
    shown = std::move(picture);
    shownTime = t;
  }
  if (FState == rsFresh) FState = rsReading;
  if (!shown) return nullptr;
  pFrame = std::move(shown);
  FFrameTime = shownTime;
  return pFrame.get();
}

bool TVideoFrameReader::NextPicture(media::FramePtr& picture) {
  if (FAhead) {
    picture = std::move(FAhead);
    return true;
  }
  if (!picture) picture = media::MakeFrame();
  if (!picture) return false;
  for (;;) {
    const int r = avcodec_receive_frame(pCodecCtx.get(), picture.get());
    if (r >= 0) return true;
    if (r == AVERROR_EOF) {
      FState = rsEnded;
      return false;
    }
    // Other errors lose one damaged picture; the decoder goes on.
    if (r == AVERROR(EAGAIN) && !FeedDecoder()) {
      FState = rsEnded;
      return false;
    }
  }
}

bool TVideoFrameReader::FeedDecoder() {
  if (FInputEnded) return false;
  for (;;) {
    if (av_read_frame(ic.get(), FPacket.get()) < 0) {
      // End of input or a read error: the decoder gives out what it holds.
      FInputEnded = true;
      avcodec_send_packet(pCodecCtx.get(), nullptr);
      return true;
    }
    const bool ours = FPacket->stream_index == videoStream;
    if (ours) {
      const int64_t t = FPacket->pts == AV_NOPTS_VALUE
                            ? AV_NOPTS_VALUE
                            : av_rescale_q(FPacket->pts, ic->streams[videoStream]->time_base, AV_TIME_BASE_Q);
      pCodecCtx->skip_frame = HiddenBeforeTarget(t) ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
      avcodec_send_packet(pCodecCtx.get(), FPacket.get());  // a damaged packet is skipped
      if (t != AV_NOPTS_VALUE && (FLatestFedTime == AV_NOPTS_VALUE || t > FLatestFedTime)) FLatestFedTime = t;
    }
    av_packet_unref(FPacket.get());
    if (ours) return true;
  }
}

bool TVideoFrameReader::HiddenBeforeTarget(int64_t packetTime) const {
  return FTarget != AV_NOPTS_VALUE && packetTime != AV_NOPTS_VALUE && FLatestFedTime != AV_NOPTS_VALUE &&
         packetTime < FLatestFedTime && FLatestFedTime <= FTarget;
}

int64_t TVideoFrameReader::PictureTime(const AVFrame* picture) const {
  const int64_t t = picture->best_effort_timestamp;
  return t == AV_NOPTS_VALUE ? AV_NOPTS_VALUE
                             : av_rescale_q(t, ic->streams[videoStream]->time_base, AV_TIME_BASE_Q);
}

int64_t TVideoFrameReader::LastDecodedTime() const { return FAhead ? FAheadTime : FFrameTime; }

}  // namespace inspect
