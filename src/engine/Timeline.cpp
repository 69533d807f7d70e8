// Keeping the run's timeline sane on the files people have: a stream whose
// timestamps start or jump far from the others' (another program's muxer, a
// damaged download) is moved back beside them instead of being filled with
// hours of repeated pictures or silence, and a container duration that such a
// jump inflated gives way to an estimate from the bytes read.

#include <cmath>

#include "engine/AVConverter.h"

namespace {

bool IsAudioOrVideo(const AVStream* st) {
  const AVMediaType t = st->codecpar->codec_type;
  return t == AVMEDIA_TYPE_AUDIO || t == AVMEDIA_TYPE_VIDEO;
}

int64_t StartOf(const AVStream* st) {
  return st->start_time == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : av_rescale_q(st->start_time, st->time_base, AV_TIME_BASE_Q);
}

}  // namespace

int64_t TAVConverter::GapBound() const {
  return std::llround(static_cast<double>(RunOptions().DtsDeltaThreshold()) * 1000000.0);
}

void TAVConverter::AlignLateStreams(int file) {
  const AVFormatContext* ic = FRun->input_files[file].get();
  const TAVInputFile& in = FRun->file_table[file];
  int64_t earliest = AV_NOPTS_VALUE;
  for (unsigned s = 0; s < ic->nb_streams; ++s) {
    const int64_t start = StartOf(ic->streams[s]);
    if (IsAudioOrVideo(ic->streams[s]) && start != AV_NOPTS_VALUE && (earliest == AV_NOPTS_VALUE || start < earliest))
      earliest = start;
  }
  if (earliest == AV_NOPTS_VALUE || RunOptions().CopyTS()) return;
  for (unsigned s = 0; s < ic->nb_streams; ++s) {
    const int64_t start = StartOf(ic->streams[s]);
    if (!IsAudioOrVideo(ic->streams[s]) || start == AV_NOPTS_VALUE || start - earliest <= GapBound()) continue;
    TAVInputStream& ist = *FRun->ist_table[in.ist_index + s];
    ist.ts_shift = earliest - start;
    FRun->duration_from_size = true;
    DoLog(AV_LOG_WARNING, QStringLiteral("Input stream #%1.%2 starts %3 s after the others; it is moved to their start")
                              .arg(file)
                              .arg(s)
                              .arg(static_cast<double>(start - earliest) / 1000000.0, 0, 'f', 3));
  }
}

void TAVConverter::DropWildPresentationTime(const TAVInputStream& ist, AVPacket* pkt) const {
  if (pkt->pts == AV_NOPTS_VALUE || pkt->dts == AV_NOPTS_VALUE || RunOptions().CopyTS()) return;
  // Reordering moves a picture by a few frames, never by hours: such a
  // presentation time is damage, and the decoder guesses a better one.
  if (std::llabs(av_rescale_q(pkt->pts - pkt->dts, ist.st->time_base, AV_TIME_BASE_Q)) > GapBound())
    pkt->pts = AV_NOPTS_VALUE;
}

void TAVConverter::SkipTimestampJump(TAVInputStream& ist, AVPacket* pkt) {
  TAVInputFile& in = FRun->file_table[ist.file_index];
  if (pkt->dts == AV_NOPTS_VALUE || !IsAudioOrVideo(ist.st) || RunOptions().CopyTS()) return;
  const AVRational tb = ist.st->time_base;
  int64_t dts = av_rescale_q(pkt->dts, tb, AV_TIME_BASE_Q);
  if (in.clock != AV_NOPTS_VALUE && std::llabs(dts - in.clock) > GapBound()) {
    // The stream goes on where it was expected to; its gap is not filled.
    const int64_t expected = ist.next_dts != AV_NOPTS_VALUE ? ist.next_dts : in.clock;
    const int64_t delta = dts - expected;
    ist.ts_shift -= delta;
    const int64_t shift = av_rescale_q(delta, AV_TIME_BASE_Q, tb);
    pkt->dts -= shift;
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts -= shift;
    dts -= delta;
    FRun->duration_from_size = true;
    if (!ist.jump_logged)
      DoLog(AV_LOG_WARNING, QStringLiteral("Timestamps of input stream #%1.%2 jump by %3 s; the gap is skipped")
                                .arg(ist.file_index)
                                .arg(ist.index)
                                .arg(static_cast<double>(delta) / 1000000.0, 0, 'f', 3));
    ist.jump_logged = true;
  }
  if (in.clock == AV_NOPTS_VALUE || dts > in.clock) in.clock = dts;
}

void TAVConverter::EstimateDurationFromSize() {
  if (!FRun->duration_from_size || FRun->input_files.size() != 1 || !FRun->input_files[0]->pb) return;
  const int64_t size = avio_size(FRun->input_files[0]->pb);
  const int64_t read = avio_tell(FRun->input_files[0]->pb);
  const double converted = ConvertedDuration();
  if (size <= 0 || read <= 0 || converted <= 0) return;
  const double start = static_cast<double>(RunOptions().StartTime()) / 1000000.0;
  SetDuration(start + converted * static_cast<double>(size) / static_cast<double>(std::min(read, size)));
}
