// Decoded audio to encoded packets of one output stream: resampling, channel
// mixing and sample-format conversion, drift correction against the input
// timeline, a sample FIFO that hands the encoder whole frames, and the
// encoder's supported formats, rates and layouts.

#include <algorithm>
#include <cmath>
#include <vector>

extern "C" {
#include <libavutil/opt.h>
}

#include "engine/AVConverter.h"
#include "engine/ContainerRules.h"

namespace {

// Pointers to the samples of frame from sample offset on, one per plane, in planes.
void SamplePointers(const AVFrame* frame, int offset, std::vector<uint8_t*>& planes) {
  const auto format = static_cast<AVSampleFormat>(frame->format);
  const int channels = frame->ch_layout.nb_channels;
  const bool planar = av_sample_fmt_is_planar(format);
  const int step = av_get_bytes_per_sample(format) * (planar ? 1 : channels);
  planes.resize(planar ? channels : 1);
  for (size_t p = 0; p < planes.size(); ++p) planes[p] = frame->extended_data[p] + int64_t(offset) * step;
}

bool SameLayout(const AVChannelLayout& a, const AVChannelLayout& b) { return av_channel_layout_compare(&a, &b) == 0; }

// The frame's layout, with an unspecified one read as the default for its channel count.
AVChannelLayout InputLayout(const AVFrame* frame) {
  AVChannelLayout layout{};
  if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
    av_channel_layout_default(&layout, frame->ch_layout.nb_channels);
  else
    av_channel_layout_copy(&layout, &frame->ch_layout);
  return layout;
}

}  // namespace

double TAVConverter::InputSyncTime(const TAVOutputStream& ost) const {
  return static_cast<double>(ost.sync_ist->pts - ost.skipped_time) / 1000000.0;
}

void TAVConverter::PickSampleFormat(TAVOutputStream& ost) {
  const AVSampleFormat* formats = ost.encoder ? ost.encoder->sample_fmts : nullptr;
  if (!formats) return;
  AVCodecContext* e = ost.enc_ctx.get();
  for (const AVSampleFormat* f = formats; *f != AV_SAMPLE_FMT_NONE; ++f)
    if (*f == e->sample_fmt) return;
  e->sample_fmt = formats[0];
}

void TAVConverter::PickSampleRate(TAVOutputStream& ost) {
  const int* rates = ost.encoder ? ost.encoder->supported_samplerates : nullptr;
  if (!rates) return;
  AVCodecContext* e = ost.enc_ctx.get();
  int best = rates[0];
  for (const int* r = rates; *r; ++r)
    if (std::abs(*r - e->sample_rate) < std::abs(best - e->sample_rate)) best = *r;
  if (best != e->sample_rate)
    av_log(e, AV_LOG_WARNING, "Requested sampling rate unsupported using closest supported (%d)\n", best);
  e->sample_rate = best;
}

void TAVConverter::PickChannelLayout(TAVOutputStream& ost) {
  const AVChannelLayout* layouts = ost.encoder ? ost.encoder->ch_layouts : nullptr;
  if (!layouts) return;
  AVCodecContext* e = ost.enc_ctx.get();
  const AVChannelLayout* best = nullptr;
  for (const AVChannelLayout* l = layouts; l->nb_channels; ++l) {
    if (SameLayout(*l, e->ch_layout)) return;
    // Same channel count first, otherwise the most channels not above ours.
    const int n = l->nb_channels, want = e->ch_layout.nb_channels;
    if (!best || (n == want && best->nb_channels != want) ||
        (best->nb_channels != want && n <= want && (best->nb_channels > want || n > best->nb_channels)))
      best = l;
  }
  if (!best) return;
  char from[64] = {}, to[64] = {};
  av_channel_layout_describe(&e->ch_layout, from, sizeof from);
  av_channel_layout_describe(best, to, sizeof to);
  DoLog(AV_LOG_WARNING, QStringLiteral("Channel layout %1 unsupported by the encoder, using %2")
                            .arg(QLatin1String(from), QLatin1String(to)));
  av_channel_layout_uninit(&e->ch_layout);
  av_channel_layout_copy(&e->ch_layout, best);
}

void TAVConverter::FitAudioToContainer(TAVOutputStream& ost, const AVOutputFormat* format) {
  AVCodecContext* e = ost.enc_ctx.get();
  ost.audio.audio_locks_to_video = engine::AudioLocksToVideo(format);
  ost.audio.audio_placed_by_length = engine::AudioPlacedByLength(format);
  const std::vector<int> rates = engine::ContainerSampleRates(format, e->codec_id);
  if (!rates.empty() && std::find(rates.begin(), rates.end(), e->sample_rate) == rates.end()) {
    int best = rates[0];
    for (int r : rates)
      if (std::abs(r - e->sample_rate) < std::abs(best - e->sample_rate)) best = r;
    DoLog(AV_LOG_WARNING,
          QStringLiteral("Sample rate %1 unsupported by the container, using %2").arg(e->sample_rate).arg(best));
    e->sample_rate = best;
  }
  const int highest = engine::EncoderMaxSampleRate(e->codec_id);
  if (highest && e->sample_rate > highest) {
    DoLog(AV_LOG_WARNING, QStringLiteral("Sample rate %1 unsupported by the encoder, using %2").arg(e->sample_rate).arg(highest));
    e->sample_rate = highest;
  }
  const int most = engine::EncoderMaxChannels(e->codec_id);
  int channels = engine::ContainerChannels(format);
  if (!channels && most && e->ch_layout.nb_channels > most) channels = most;
  if (channels && e->ch_layout.nb_channels != channels) {
    char from[64] = {}, to[64] = {};
    av_channel_layout_describe(&e->ch_layout, from, sizeof from);
    av_channel_layout_uninit(&e->ch_layout);
    av_channel_layout_default(&e->ch_layout, channels);
    av_channel_layout_describe(&e->ch_layout, to, sizeof to);
    DoLog(AV_LOG_WARNING, QStringLiteral("Channel layout %1 unsupported by the target, using %2")
                              .arg(QLatin1String(from), QLatin1String(to)));
  }
}

void TAVConverter::ConfigureResampler(TAVOutputStream& ost, const AVFrame* frame) {
  const AVCodecContext* e = ost.enc_ctx.get();
  const int syncMethod = RunOptions().AudioOptions().AudioSyncMethod();
  AVChannelLayout in = InputLayout(frame);
  const bool needed = frame->sample_rate != e->sample_rate || frame->format != e->sample_fmt ||
                      !SameLayout(in, e->ch_layout) || syncMethod > 1;
  const bool unchanged = ost.audio.resample && frame->sample_rate == ost.audio.resample_in_rate &&
                         frame->format == ost.audio.resample_in_format && SameLayout(in, ost.audio.resample_in_layout);
  if (unchanged || (!needed && !ost.audio.resample)) {
    av_channel_layout_uninit(&in);
    return;
  }
  // The input changed (a broadcast switching between stereo and 5.1, say): the old
  // resampler's buffered samples go out first, then it is replaced or dropped.
  DrainResampler(ost);
  ost.audio.resample.reset();
  ost.audio.audio_resample = 0;
  ost.audio.resample_in_rate = 0;
  ost.audio.resample_in_format = -1;
  av_channel_layout_uninit(&ost.audio.resample_in_layout);
  if (!needed) {
    av_channel_layout_uninit(&in);
    return;
  }
  SwrContext* swr = nullptr;
  AVChannelLayout out = e->ch_layout;  // the library wants mutable layouts; it only reads them
  int r = swr_alloc_set_opts2(&swr, &out, e->sample_fmt, e->sample_rate, &in,
                              static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
  ost.audio.resample.reset(swr);
  // Drift compensation needs the resampler even at equal rates.
  if (r >= 0 && syncMethod > 1) av_opt_set_int(swr, "flags", SWR_FLAG_RESAMPLE, 0);
  if (r < 0 || swr_init(swr) < 0) {
    av_channel_layout_uninit(&in);
    Fail(QStringLiteral("Can not resample channels @  Hz to %d channels @ %d Hz"));
  }
  ost.audio.audio_resample = 1;
  ost.audio.reformat_pair = e->sample_fmt + 5 * frame->format;
  ost.audio.resample_in_rate = frame->sample_rate;
  ost.audio.resample_in_format = frame->format;
  av_channel_layout_uninit(&ost.audio.resample_in_layout);
  ost.audio.resample_in_layout = in;
}

void TAVConverter::do_audio_out(TAVOutputStream& ost, TAVInputStream& ist, AVFrame* frame) {
  const AVCodecContext* e = ost.enc_ctx.get();
  const TAudioOptions& ao = RunOptions().AudioOptions();
  // Sound placed by its length rather than its time is kept on the input's
  // timeline by silence and drops.
  const int syncMethod = ost.audio.audio_placed_by_length ? std::max(1, ao.AudioSyncMethod()) : ao.AudioSyncMethod();
  const double encRate = e->sample_rate;
  const double decRate = frame->sample_rate;
  if (ost.recording_done || decRate <= 0) return;

  // Samples before the start point are never output.
  int offset = 0;
  int count = frame->nb_samples;
  double time = InputSyncTime(ost);
  if (time < 0) {
    const int early = static_cast<int>(std::min<double>(count, std::lrint(-time * decRate)));
    offset += early;
    count -= early;
    time += early / decRate;
    if (count <= 0) return;
  }

  ConfigureResampler(ost, frame);
  SwrContext* swr = ost.audio.resample.get();
  const int64_t buffered = av_audio_fifo_size(ost.audio.fifo.get()) + (swr ? swr_get_delay(swr, e->sample_rate) : 0);
  int silence = 0;
  if (syncMethod != 0) {
    const double delta = time * encRate - static_cast<double>(ost.sync_opts) - static_cast<double>(buffered);
    const double idelta = delta * decRate / encRate;
    if (std::fabs(delta) > 50) {
      if (ist.is_start || std::fabs(delta) > ao.AudioDriftThreshold() * encRate) {
        if (std::fabs(delta) * 1000000.0 / encRate > static_cast<double>(GapBound())) {
          // A jump longer than the discontinuity threshold is neither filled
          // with silence nor cut from the sound: the sound goes on where it is
          // (with kept timestamps, after the gap).
          if (RunOptions().CopyTS()) {
            ost.sync_opts += std::llrint(delta);
          } else {
            DoLog(AV_LOG_WARNING, QStringLiteral("Timestamps jump by %1 s; the sound goes on without a gap")
                                      .arg(delta / encRate, 0, 'f', 3));
            ost.skipped_time += std::llrint(delta / encRate * 1000000.0);
          }
        } else if (idelta < 0) {
          const int drop = static_cast<int>(std::min<double>(count, std::lrint(-idelta)));
          offset += drop;
          count -= drop;
          if (count <= 0) return;
        } else {
          silence = static_cast<int>(std::lrint(idelta));
        }
        ist.is_start = false;
      } else if (syncMethod > 1 && swr) {
        const int comp = static_cast<int>(std::clamp<long>(std::lrint(delta), -syncMethod, syncMethod));
        swr_set_compensation(swr, comp, e->sample_rate);
      }
    }
  } else {
    // A frame time further from where the sound stands than the discontinuity
    // threshold is a jump of the source's timestamps: the sound goes on where
    // it is, and so do the frames after it.
    const int64_t derived = std::llrint(time * encRate) - buffered;
    const double jump = static_cast<double>(derived - ost.sync_opts) / encRate;
    if (ost.audio_next_pts != INT64_MIN && std::fabs(jump) * 1000000.0 > static_cast<double>(GapBound()) &&
        !RunOptions().CopyTS()) {
      DoLog(AV_LOG_WARNING, QStringLiteral("Timestamps jump by %1 s; the sound goes on without a gap").arg(jump, 0, 'f', 3));
      ost.skipped_time += std::llrint(jump * 1000000.0);
    } else {
      ost.sync_opts = derived;
    }
  }
  WriteToFifo(ost, frame, offset, count, silence);
  EncodeAudioFifo(ost, false);
}

void TAVConverter::WriteToFifo(TAVOutputStream& ost, const AVFrame* frame, int offset, int count, int silence) {
  AVAudioFifo* fifo = ost.audio.fifo.get();
  const AVCodecContext* e = ost.enc_ctx.get();
  SwrContext* swr = ost.audio.resample.get();
  if (swr && silence > 0) {
    swr_inject_silence(swr, silence);
    silence = 0;
  }
  std::vector<uint8_t*>& in = ost.audio.sample_pointers;
  SamplePointers(frame, offset, in);
  if (!swr && silence == 0) {
    if (av_audio_fifo_write(fifo, reinterpret_cast<void**>(in.data()), count) < count)
      Fail(QStringLiteral("av_fifo_realloc2() failed"));
    return;
  }
  // Resampled samples, or silence followed by the input, go through a scratch frame.
  const int capacity = swr ? swr_get_out_samples(swr, count) : silence + count;
  AVFrame* out = ResampledFrame(ost, capacity);
  int produced = 0;
  if (swr) {
    produced = swr_convert(swr, out->extended_data, capacity, const_cast<const uint8_t**>(in.data()), count);
    if (produced < 0) Fail(QStringLiteral("av_audio_convert() failed"));
  } else {
    av_samples_set_silence(out->extended_data, 0, silence, e->ch_layout.nb_channels, e->sample_fmt);
    av_samples_copy(out->extended_data, in.data(), silence, 0, count, e->ch_layout.nb_channels, e->sample_fmt);
    produced = silence + count;
  }
  if (av_audio_fifo_write(fifo, reinterpret_cast<void**>(out->extended_data), produced) < produced)
    Fail(QStringLiteral("av_fifo_realloc2() failed"));
}

// The stream's scratch frame, holding at least capacity samples in the
// encoder's format; allocated again only when too small.
AVFrame* TAVConverter::ResampledFrame(TAVOutputStream& ost, int capacity) {
  const AVCodecContext* e = ost.enc_ctx.get();
  capacity = std::max(capacity, 1);
  AVFrame* out = ost.audio.resampled_frame.get();
  if (out && out->buf[0] && out->nb_samples >= capacity) return out;
  if (!out) {
    ost.audio.resampled_frame = media::MakeFrame();
    out = ost.audio.resampled_frame.get();
    if (!out) Fail(QStringLiteral("Out of memory in do_audio_out"));
  }
  av_frame_unref(out);
  out->format = e->sample_fmt;
  out->nb_samples = std::max(capacity, e->frame_size);
  if (av_channel_layout_copy(&out->ch_layout, &e->ch_layout) < 0 || av_frame_get_buffer(out, 0) < 0)
    Fail(QStringLiteral("Out of memory in do_audio_out"));
  return out;
}

void TAVConverter::EncodeAudioFifo(TAVOutputStream& ost, bool flush) {
  AVCodecContext* e = ost.enc_ctx.get();
  AVAudioFifo* fifo = ost.audio.fifo.get();
  const bool variable = !e->frame_size || (ost.encoder->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
  const int64_t recording = RunOptions().RecordingTime();
  const int64_t limit =
      recording == INT64_MAX ? INT64_MAX : std::llround(static_cast<double>(recording) / 1000000.0 * e->sample_rate);
  const int maxFrames = RunOptions().AudioOptions().MaxFrames();
  for (;;) {
    // Joined recordings overlap by a few samples where their parts meet; an
    // audio frame never starts before the previous one ended, or muxers with
    // one tick per frame (avi) refuse the packet.
    ost.sync_opts = std::max(ost.sync_opts, ost.audio_next_pts);
    const int available = av_audio_fifo_size(fifo);
    int n = variable ? available : e->frame_size;
    if (available == 0 || (!flush && available < n)) return;
    n = std::min(n, available);
    if (limit != INT64_MAX && limit - ost.sync_opts < n)
      n = static_cast<int>(std::max<int64_t>(0, limit - ost.sync_opts));
    if (n <= 0 || ost.frame_number >= maxFrames) {
      ost.recording_done = n <= 0;
      av_audio_fifo_reset(fifo);
      return;
    }
    AVFrame* frame = ost.audio.audio_frame.get();
    av_frame_unref(frame);
    frame->format = e->sample_fmt;
    frame->sample_rate = e->sample_rate;
    frame->nb_samples = n;
    if (av_channel_layout_copy(&frame->ch_layout, &e->ch_layout) < 0 || av_frame_get_buffer(frame, 0) < 0)
      Fail(QStringLiteral("Out of memory in do_audio_out"));
    av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->extended_data), n);
    frame->pts = ost.sync_opts;
    ost.sync_opts += n;
    ost.audio_next_pts = ost.sync_opts;
    ++ost.frame_number;
    EncodeFrame(ost, frame);
  }
}

void TAVConverter::DrainResampler(TAVOutputStream& ost) {
  SwrContext* swr = ost.audio.resample.get();
  if (!swr) return;
  const int pending = swr_get_out_samples(swr, 0);
  if (pending <= 0) return;
  AVFrame* out = ResampledFrame(ost, pending);
  const int produced = swr_convert(swr, out->extended_data, pending, nullptr, 0);
  AVAudioFifo* fifo = ost.audio.fifo.get();
  if (produced > 0 && av_audio_fifo_write(fifo, reinterpret_cast<void**>(out->extended_data), produced) < produced)
    Fail(QStringLiteral("av_fifo_realloc2() failed"));
}

// The last pictures of a DV file need their sound too: silence up to the end
// of the file's video.
void TAVConverter::PadAudioToVideoEnd(TAVOutputStream& ost) {
  const AVCodecContext* e = ost.enc_ctx.get();
  for (const auto& v : FRun->ost_table) {
    if (v->file_index != ost.file_index || !v->encoding_needed || v->enc_ctx->codec_type != AVMEDIA_TYPE_VIDEO)
      continue;
    const int64_t videoEnd = av_rescale_q(v->sync_opts, v->enc_ctx->time_base, AVRational{1, e->sample_rate});
    const int64_t audioEnd = std::max(ost.sync_opts, ost.audio_next_pts) + av_audio_fifo_size(ost.audio.fifo.get());
    if (videoEnd <= audioEnd) return;
    const int missing = static_cast<int>(videoEnd - audioEnd);
    AVFrame* silence = ResampledFrame(ost, missing);
    av_samples_set_silence(silence->extended_data, 0, missing, e->ch_layout.nb_channels, e->sample_fmt);
    if (av_audio_fifo_write(ost.audio.fifo.get(), reinterpret_cast<void**>(silence->extended_data), missing) < missing)
      Fail(QStringLiteral("av_fifo_realloc2() failed"));
    return;
  }
}

void TAVConverter::FlushAudio(TAVOutputStream& ost) {
  DrainResampler(ost);
  if (ost.audio.audio_locks_to_video && !ost.recording_done) PadAudioToVideoEnd(ost);
  if (!ost.recording_done) EncodeAudioFifo(ost, true);
  EncodeFrame(ost, nullptr);
}
