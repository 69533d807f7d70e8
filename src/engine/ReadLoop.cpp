// The second half of a run: read from the input whose output lags furthest,
// correct timestamps, hand each packet on, honour the time, size and frame
// limits and the stop request; then drain everything, write the trailers and
// make the last report.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "engine/AVConverter.h"
#include "engine/LibraryError.h"

namespace {

// Frame limit of an output stream by its media type.
int FrameLimit(const TAVConvertOptions& o, AVMediaType type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO: return o.VideoOptions().MaxFrames();
    case AVMEDIA_TYPE_AUDIO: return o.AudioOptions().MaxFrames();
    case AVMEDIA_TYPE_DATA: return o.MaxDataFrames();
    default: return 2147483647;
  }
}

// What ChooseInputFile answers when an output stream has all its frames.
constexpr int FrameLimitReached = -2;

}  // namespace

int TAVConverter::ChooseInputFile(std::vector<char>& no_packet, double& opts_min) const {
  double ipts_min = 1e100;
  opts_min = 1e100;
  int file = -1;
  const bool inputSync = RunOptions().GrabOptions().InputSync();
  for (const auto& ost : FRun->ost_table) {
    const TAVInputStream& ist = *FRun->ist_table[ost->source_index];
    if (no_packet[ist.file_index]) continue;
    const double opts = OutputPosition(*ost);
    const double ipts = static_cast<double>(ist.pts);
    if (!FRun->file_table[ist.file_index].eof_reached) {
      if (ipts < ipts_min) {
        ipts_min = ipts;
        if (inputSync) file = ist.file_index;
      }
      if (opts < opts_min) {
        opts_min = opts;
        if (!inputSync) file = ist.file_index;
      }
    }
    if (ost->frame_number >= FrameLimit(RunOptions(), ost->st->codecpar->codec_type)) return FrameLimitReached;
  }
  return file;
}

void TAVConverter::AdjustPacketTimestamps(TAVInputStream& ist, AVPacket* pkt) {
  const int file = ist.file_index;
  const AVRational tb = ist.st->time_base;
  const int64_t offset = av_rescale_q(FRun->input_files_ts_offset[file], AV_TIME_BASE_Q, tb);
  double scale = 0;
  if (static_cast<size_t>(file) < FRun->input_files_ts_scale.size() &&
      static_cast<size_t>(ist.index) < FRun->input_files_ts_scale[file].size())
    scale = FRun->input_files_ts_scale[file][ist.index];
  const int64_t shift = ist.ts_shift ? av_rescale_q(ist.ts_shift, AV_TIME_BASE_Q, tb) : 0;
  for (int64_t* ts : {&pkt->dts, &pkt->pts}) {
    if (*ts == AV_NOPTS_VALUE) continue;
    *ts += offset;
    if (scale != 0) *ts = std::llrint(static_cast<double>(*ts) * scale);
    *ts += shift;
  }
  DropWildPresentationTime(ist, pkt);
  // Inputs with discontinuous timestamps: a jump moves the file's offset so
  // that the timeline continues where it was. In other files a jump is the
  // stream's own.
  const AVFormatContext* ic = FRun->input_files[file].get();
  if (!(ic->iformat->flags & AVFMT_TS_DISCONT)) {
    SkipTimestampJump(ist, pkt);
    return;
  }
  if (pkt->dts == AV_NOPTS_VALUE || ist.next_dts == AV_NOPTS_VALUE || RunOptions().CopyTS()) return;
  const int64_t pkt_dts = av_rescale_q(pkt->dts, tb, AV_TIME_BASE_Q);
  const int64_t delta = pkt_dts - ist.next_dts;
  if (std::fabs(static_cast<double>(delta)) > RunOptions().DtsDeltaThreshold() * 1000000.0 ||
      pkt_dts + 1 < ist.dts) {
    FRun->input_files_ts_offset[file] -= delta;
    FRun->duration_from_size = true;  // the container's duration spans the jump
    const int64_t shift = av_rescale_q(delta, AV_TIME_BASE_Q, tb);
    pkt->dts -= shift;
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts -= shift;
  }
}

void TAVConverter::ReadLoop() {
  std::vector<char> no_packet(FRun->input_files.size(), 0);
  int no_packet_count = 0;
  FRun->pkt = media::MakePacket();
  AVPacket* pkt = FRun->pkt.get();
  const TAVConvertOptions& o = RunOptions();
  for (;;) {
    if (!CheckLoopState()) break;
    double opts_min = 0;
    const int file = ChooseInputFile(no_packet, opts_min);
    if (file == FrameLimitReached) {
      FRun->ended_early = true;
      break;
    }
    if (file < 0) {
      if (no_packet_count == 0) break;
      no_packet_count = 0;
      std::fill(no_packet.begin(), no_packet.end(), 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      continue;
    }
    ReportConverted(opts_min);
    if (static_cast<double>(o.RecordingTime()) / 1000000.0 <= opts_min) break;
    if (o.LimitFileSize() && FRun->output_files[0]->pb && avio_tell(FRun->output_files[0]->pb) > o.LimitFileSize()) {
      FRun->ended_early = true;
      break;
    }

    const int ret = av_read_frame(FRun->input_files[file].get(), pkt);
    if (ret == AVERROR(EAGAIN)) {
      no_packet[file] = 1;
      ++no_packet_count;
      continue;
    }
    if (ret < 0) {
      FRun->file_table[file].eof_reached = true;
      if (o.ShortTest()) {
        FRun->ended_early = true;
        break;
      }
      continue;
    }
    no_packet_count = 0;
    std::fill(no_packet.begin(), no_packet.end(), 0);
    const TAVInputFile& in = FRun->file_table[file];
    if (pkt->stream_index >= in.nb_streams) {
      av_packet_unref(pkt);
      continue;
    }
    const int ist_index = in.ist_index + pkt->stream_index;
    TAVInputStream& ist = *FRun->ist_table[ist_index];
    if (ist.discard) {
      av_packet_unref(pkt);
      continue;
    }
    AdjustPacketTimestamps(ist, pkt);
    int r = -1;
    try {
      r = ProcessInputPacket(ist, ist_index, pkt);
    } catch (...) {
      av_packet_unref(pkt);
      throw;
    }
    av_packet_unref(pkt);
    if (r >= 0) ReportProgress(false);
  }
}

void TAVConverter::EndRun() {
  // Pictures first: sound that must last as long as them is padded to their end.
  for (const bool audio : {false, true})
    for (size_t i = 0; i < FRun->ist_table.size(); ++i) {
      TAVInputStream& ist = *FRun->ist_table[i];
      if (ist.decoding_needed && (ist.st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) == audio)
        ProcessInputPacket(ist, static_cast<int>(i), nullptr);
    }
  for (auto& ost : FRun->ost_table) FlushBitstreamFilters(*ost);
  FinishOutputFiles();
  CheckNoStreamLost();
  // A start point past the end, say, gives a valid but empty file.
  const bool nothingWritten = std::all_of(FRun->ost_table.begin(), FRun->ost_table.end(),
                                          [](const auto& ost) { return ost->mux.packets_written == 0; });
  if (nothingWritten && State() != csStopped)
    DoLog(AV_LOG_WARNING, QStringLiteral("Output file is empty, nothing was encoded (check StartTime and RecordingTime)"));
  if (RunOptions().DoPSNR())
    for (const auto& ost : FRun->ost_table)
      if (ost->encoding_needed && ost->enc_ctx->codec_type == AVMEDIA_TYPE_VIDEO) LogPsnr(*ost);
  // The last report of a run that went to its end shows the whole span (the
  // outputs' positions stop a frame or a tick short of it); a stopped run
  // shows how far the outputs got.
  double reached = 0;
  for (const auto& ost : FRun->ost_table) reached = std::max(reached, OutputPosition(*ost));
  if (FRun->duration_from_size) SetDuration(static_cast<double>(RunOptions().StartTime()) / 1000000.0 + reached);
  const bool bounded = Duration() > 0 || RunOptions().RecordingTime() != TAVConvertOptions::NoRecordingLimit;
  const double span = RequestedSpan();
  ReportConverted(State() != csStopped && bounded && span > 0 ? span : std::min(reached, span));
  ReportProgress(true);
}

// The trailer holds the index of many containers (mp4's moov, mkv's cues), and
// the last buffered bytes reach the disk only at the close: a full disk shows
// up here, and a file without its trailer is not playable.
void TAVConverter::FinishOutputFiles() {
  for (size_t i = 0; i < FRun->output_files.size(); ++i) {
    AVFormatContext* oc = FRun->output_files[i].get();
    int r = av_write_trailer(oc);
    if (r >= 0 && !(oc->oformat->flags & AVFMT_NOFILE) && oc->pb) {
      avio_flush(oc->pb);
      r = oc->pb->error;
      // The last report shows the size of the first output, which is closed by then.
      if (i == 0 && r >= 0) FTargetFileSize = std::max<int64_t>(avio_size(oc->pb), avio_tell(oc->pb));
      if (r >= 0) r = avio_closep(&oc->pb);
    }
    if (r < 0) {
      Fail(QStringLiteral("Error writing trailer of %1: %2")
               .arg(FRun->output_names.value(static_cast<int>(i)), engine::LibraryErrorText(r)));
    }
  }
}

// A stream that was given data but ended with nothing written, or far short of
// its source, is a lost stream whatever lost it: the run is no success.
void TAVConverter::CheckNoStreamLost() const {
  if (State() == csStopped || FRun->ended_early) return;
  const int64_t recording = RunOptions().RecordingTime();
  for (const auto& o : FRun->ost_table) {
    const TAVOutputStream& ost = *o;
    const AVMediaType type = ost.st->codecpar->codec_type;
    if (type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_VIDEO) continue;
    const TAVInputStream& ist = *FRun->ist_table[ost.source_index];
    if (ist.data_end == AV_NOPTS_VALUE || ist.data_end <= 0) continue;  // nothing after the start point
    double expected = static_cast<double>(ist.data_end) / 1000000.0;
    if (recording != TAVConvertOptions::NoRecordingLimit) expected = std::min(expected, recording / 1000000.0);
    const QString stream = QStringLiteral("Output stream #%1.%2 (%3)")
                               .arg(ost.file_index)
                               .arg(ost.index)
                               .arg(QLatin1String(av_get_media_type_string(type)));
    const QString source = QStringLiteral("input stream #%1.%2").arg(ist.file_index).arg(ist.index);
    if (ost.mux.packets_written == 0) Fail(QStringLiteral("%1 got data from %2 but wrote none").arg(stream, source));
    const double reached = OutputPosition(ost);
    if (reached < expected / 2 && expected - reached > 1.0)
      Fail(QStringLiteral("%1 ends at %2 s, %3 at %4 s")
               .arg(stream, QString::number(reached, 'f', 2), source, QString::number(expected, 'f', 2)));
  }
}
