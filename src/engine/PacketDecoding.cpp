// One demuxed packet on its way to the outputs: the stream clocks, stream copy,
// decoding, and handing pictures, samples and subtitles to every output stream
// fed by the packet's stream. Without a packet the stream's decoder, filter
// graphs and encoders are drained.

#include <algorithm>
#include <chrono>
#include <thread>

extern "C" {
#include <libavutil/time.h>
}

#include "engine/AVConverter.h"
#include "engine/AudioVolume.h"
#include "engine/LibraryError.h"

namespace {

// Predicted length of one packet of the stream, in microseconds.
int64_t PacketDuration(const TAVInputStream& ist, const AVPacket* pkt) {
  if (pkt->duration > 0) return av_rescale_q(pkt->duration, ist.st->time_base, AV_TIME_BASE_Q);
  const AVCodecParameters* par = ist.st->codecpar;
  if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->sample_rate > 0 && par->frame_size > 0)
    return static_cast<int64_t>(par->frame_size) * AV_TIME_BASE / par->sample_rate;
  if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
    const AVRational rate = ist.st->avg_frame_rate.num ? ist.st->avg_frame_rate : ist.st->r_frame_rate;
    if (rate.num && rate.den) return av_rescale_q(1, av_inv_q(rate), AV_TIME_BASE_Q);
  }
  return 0;
}

// Length of a decoded picture, in microseconds; decoderRate: the frame rate
// the decoder reported with it.
int64_t FrameDuration(const TAVInputStream& ist, const AVFrame* frame, AVRational decoderRate) {
  if (frame->pkt_duration > 0) return av_rescale_q(frame->pkt_duration, ist.st->time_base, AV_TIME_BASE_Q);
  const AVRational rate = decoderRate.num ? decoderRate : ist.st->avg_frame_rate;
  if (!rate.num || !rate.den) return 0;
  return av_rescale_q(2 + frame->repeat_pict, av_mul_q(av_inv_q(rate), AVRational{1, 2}), AV_TIME_BASE_Q);
}

// The start of a decoded audio frame in microseconds. Times of a coarse time
// base (1/1000) are a fraction of a frame off the real sample position; taken
// as they are, every encoder frame size other than the source's would see
// samples overlap or go missing.
int64_t AudioFrameTime(TAVInputStream& ist, const AVFrame* frame, int64_t t) {
  if (frame->sample_rate <= 0) return av_rescale_q(t, ist.st->time_base, AV_TIME_BASE_Q);
  const AVRational samples{1, frame->sample_rate};
  if (ist.audio_clock_rate != frame->sample_rate) {
    ist.audio_clock_rate = frame->sample_rate;
    ist.audio_clock = AV_NOPTS_VALUE;
  }
  const int64_t at = av_rescale_delta(ist.st->time_base, t, samples, frame->nb_samples, &ist.audio_clock, samples);
  return av_rescale_q(at, samples, AV_TIME_BASE_Q);
}

void NoteDataEnd(TAVInputStream& ist, int64_t end) {
  if (ist.data_end == AV_NOPTS_VALUE || end > ist.data_end) ist.data_end = end;
}

}  // namespace

int TAVConverter::ProcessInputPacket(TAVInputStream& ist, int ist_index, AVPacket* pkt) {
  if (pkt) {
    if (ist.next_dts == AV_NOPTS_VALUE) ist.next_dts = ist.dts;
    ist.dts = pkt->dts != AV_NOPTS_VALUE ? av_rescale_q(pkt->dts, ist.st->time_base, AV_TIME_BASE_Q) : ist.next_dts;
    ist.next_dts = ist.dts + PacketDuration(ist, pkt);
    if (!ist.decoding_needed) {
      ist.pts = ist.dts;
      ist.next_pts = ist.next_dts;
      NoteDataEnd(ist, ist.next_dts);
      RateEmulationWait(ist);  // copied packets keep the input's pace as well
    }
    for (auto& ost : FRun->ost_table)
      if (ost->source_index == ist_index && ost->stream_copy) CopyPacket(*ost, ist, pkt);
  }
  int ret = 0;
  if (ist.decoding_needed) {
    ret = ist.st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE ? DecodeSubtitle(ist, ist_index, pkt)
                                                                 : DecodeFrames(ist, ist_index, pkt);
  }
  if (!pkt) FlushOutputs(ist_index);
  return ret;
}

int TAVConverter::DecodeFrames(TAVInputStream& ist, int ist_index, AVPacket* pkt) {
  const int error = ist.decode_stage ? DecodeOnStage(ist, ist_index, pkt) : DecodeHere(ist, ist_index, pkt);
  if (error < 0 && !ist.decode_error_logged) {
    ist.decode_error_logged = true;
    DoLog(AV_LOG_ERROR, QStringLiteral("Error while decoding stream #%1.%2: %3")
                            .arg(ist.file_index)
                            .arg(ist.index)
                            .arg(engine::LibraryErrorText(error)));
  }
  return error < 0 ? -1 : 0;
}

int TAVConverter::DecodeOnStage(TAVInputStream& ist, int ist_index, AVPacket* pkt) {
  ist.decode_stage->Send(pkt);
  return ist.decode_stage->Receive([&](AVFrame* frame, const engine::TDecodeStage::TDecoderState& state) {
    HandleVideoFrame(ist, ist_index, frame, state.frame_rate);
  });
}

int TAVConverter::DecodeHere(TAVInputStream& ist, int ist_index, AVPacket* pkt) {
  AVCodecContext* dec = ist.dec_ctx.get();
  AVFrame* frame = ist.decoded_frame.get();
  // Hands every picture or sample buffer the decoder has ready to the outputs;
  // the decoder's error, or 0.
  auto drain = [&] {
    for (;;) {
      const int r = avcodec_receive_frame(dec, frame);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return 0;
      if (r < 0) return r;
      if (dec->codec_type == AVMEDIA_TYPE_VIDEO)
        HandleVideoFrame(ist, ist_index, frame, dec->framerate);
      else
        HandleAudioFrame(ist, ist_index, frame);
      av_frame_unref(frame);
    }
  };
  int ret = avcodec_send_packet(dec, pkt);
  if (ret == AVERROR(EAGAIN)) {  // output left over from an earlier error
    drain();
    ret = avcodec_send_packet(dec, pkt);
  }
  const int drained = drain();
  if (!pkt) return 0;  // the drain at the end reports nothing
  return ret < 0 && ret != AVERROR_EOF ? ret : drained;
}

void TAVConverter::HandleVideoFrame(TAVInputStream& ist, int ist_index, AVFrame* frame, AVRational decoderRate) {
  const int64_t t = frame->best_effort_timestamp;
  ist.pts = t != AV_NOPTS_VALUE ? av_rescale_q(t, ist.st->time_base, AV_TIME_BASE_Q)
                                : (ist.next_pts != AV_NOPTS_VALUE ? ist.next_pts : ist.dts);
  ist.next_pts = ist.pts + FrameDuration(ist, frame, decoderRate);
  NoteDataEnd(ist, ist.next_pts);
  RateEmulationWait(ist);
  // A damaged picture header can carry a negative aspect, which no filter takes.
  AVRational& aspect = frame->sample_aspect_ratio;
  if (aspect.num < 0 || aspect.den <= 0) aspect = AVRational{0, 1};
  const int64_t pts = ist.pts;
  for (auto& ost : FRun->ost_table) {
    if (ost->source_index != ist_index || !ost->encoding_needed) continue;
    frame->pts = pts;
    PassPicture(*ost, ist, frame);
  }
}

void TAVConverter::PassPicture(TAVOutputStream& ost, const TAVInputStream& ist, AVFrame* frame) {
  engine::TFilterStage* stage = ost.video.filter_stage.get();
  if (!stage) {
    FilterPicture(ost, ist, frame);
    return;
  }
  stage->Send(frame);
  // What is filtered so far goes on; at the end, everything.
  stage->Receive([&](AVFrame* picture, int64_t time) { OutputVideoFrame(ost, ist, picture, time); }, !frame);
}

void TAVConverter::FilterPicture(TAVOutputStream& ost, const TAVInputStream& ist, AVFrame* frame) {
  if (frame) CheckFrameGeometry(ost, ist, frame);
  FilterVideoFrame(ist, ost, frame);
}

void TAVConverter::HandleAudioFrame(TAVInputStream& ist, int ist_index, AVFrame* frame) {
  const int64_t t = frame->best_effort_timestamp;
  ist.pts = t != AV_NOPTS_VALUE ? AudioFrameTime(ist, frame, t)
                                : (ist.next_pts != AV_NOPTS_VALUE ? ist.next_pts : ist.dts);
  if (frame->sample_rate > 0) ist.next_pts = ist.pts + int64_t(frame->nb_samples) * AV_TIME_BASE / frame->sample_rate;
  NoteDataEnd(ist, ist.next_pts);
  const int volume = RunOptions().AudioOptions().AudioVolume();
  if (volume != 256 && av_frame_make_writable(frame) >= 0) engine::ScaleVolume(frame, volume);
  RateEmulationWait(ist);
  for (auto& ost : FRun->ost_table)
    if (ost->source_index == ist_index && ost->encoding_needed) do_audio_out(*ost, ist, frame);
}

int TAVConverter::DecodeSubtitle(TAVInputStream& ist, int ist_index, AVPacket* pkt) {
  media::PacketPtr empty;
  if (!pkt) {
    empty = media::MakePacket();  // data none, size 0: drains the decoder
    pkt = empty.get();
  }
  AVSubtitle sub{};
  int got = 0;
  if (avcodec_decode_subtitle2(ist.dec_ctx.get(), &sub, &got, pkt) < 0) return -1;
  if (!got) return 0;
  const int64_t pts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
  try {
    for (auto& ost : FRun->ost_table)
      if (ost->source_index == ist_index && ost->encoding_needed) OutputSubtitle(*ost, ist, sub, pts);
  } catch (...) {
    avsubtitle_free(&sub);
    throw;
  }
  avsubtitle_free(&sub);
  return 0;
}

void TAVConverter::CopyPacket(TAVOutputStream& ost, TAVInputStream& ist, const AVPacket* pkt) {
  if (ost.recording_done) return;
  const int64_t recording = RunOptions().RecordingTime();
  if (recording != INT64_MAX && ist.dts >= recording) {
    ost.recording_done = true;
    return;
  }
  if (ost.frame_number == 0 && !(pkt->flags & AV_PKT_FLAG_KEY) && !RunOptions().CopyInitialNonkeyframes()) return;
  const AVRational otb = ost.st->time_base;
  AVPacket* out = ost.packet.get();
  if (av_packet_ref(out, pkt) < 0) return;
  out->stream_index = ost.index;
  out->pts = pkt->pts != AV_NOPTS_VALUE ? av_rescale_q(pkt->pts, ist.st->time_base, otb) : AV_NOPTS_VALUE;
  out->dts = pkt->dts != AV_NOPTS_VALUE ? av_rescale_q(pkt->dts, ist.st->time_base, otb)
                                        : av_rescale_q(ist.dts, AV_TIME_BASE_Q, otb);
  out->duration = av_rescale_q(pkt->duration, ist.st->time_base, otb);
  if (ost.st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) FConvertOptions.AddAudioSize(pkt->size);
  if (ost.st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) FConvertOptions.AddVideoSize(pkt->size);
  WriteOutputPacket(ost, out);
  av_packet_unref(out);
  ++ost.frame_number;
}

void TAVConverter::FlushOutputs(int ist_index) {
  for (auto& o : FRun->ost_table) {
    TAVOutputStream& ost = *o;
    if (ost.source_index != ist_index || !ost.encoding_needed || ost.encoder_flushed) continue;
    TAVInputStream& ist = *FRun->ist_table[ist_index];
    switch (ost.enc_ctx->codec_type) {
      case AVMEDIA_TYPE_VIDEO:
        PassPicture(ost, ist, nullptr);
        PadVideoToAudioEnd(ost);
        EncodePicture(ost, nullptr);
        break;
      case AVMEDIA_TYPE_AUDIO:
        FlushAudio(ost);
        break;
      default:
        break;
    }
    ost.encoder_flushed = true;
  }
}

void TAVConverter::RateEmulationWait(const TAVInputStream& ist) const {
  if (!RunOptions().RateEmu()) return;
  const int64_t now = av_gettime() - ist.start;
  if (ist.pts > now) std::this_thread::sleep_for(std::chrono::milliseconds((ist.pts - now) / 1000));
}
