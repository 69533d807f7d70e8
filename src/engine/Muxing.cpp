// The door to the muxer: encoders emit packets here, every packet of every
// output stream passes its chain of bitstream filters and is interleaved into
// its file.

#include <cmath>

extern "C" {
#include <libavcodec/bsf.h>
#include <libavutil/intreadwrite.h>
#include <libavutil/pixdesc.h>
}

#include "engine/AVConverter.h"
#include "engine/ErrorBox.h"
#include "engine/LibraryError.h"

void TAVConverter::EncodeFrame(TAVOutputStream& ost, AVFrame* frame) {
  AVCodecContext* enc = ost.enc_ctx.get();
  const bool video = enc->codec_type == AVMEDIA_TYPE_VIDEO;
  int ret = avcodec_send_frame(enc, frame);
  if (ret < 0 && ret != AVERROR_EOF) {
    if (video) Fail(QStringLiteral("Video encoding failed"));
    LogStreamErrorOnce(ost, ost.encode_error_logged, QStringLiteral("Audio encoding failed"), ret);
    return;  // audio encoder errors lose the frame only
  }
  AVPacket* pkt = ost.packet.get();
  for (;;) {
    ret = avcodec_receive_packet(enc, pkt);
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return;
    if (ret < 0) {
      if (video) Fail(QStringLiteral("Video encoding failed"));
      LogStreamErrorOnce(ost, ost.encode_error_logged, QStringLiteral("Audio encoding failed"), ret);
      return;
    }
    MuxEncodedPacket(ost, pkt, enc->stats_out);
    av_packet_unref(pkt);
  }
}

void TAVConverter::EncodePicture(TAVOutputStream& ost, AVFrame* frame) {
  engine::TEncodeStage* stage = ost.video.encode_stage.get();
  if (!stage) {
    EncodeFrame(ost, frame);
    return;
  }
  stage->Send(frame);
  // What is encoded so far goes to the muxer; at the end, everything.
  const int error = stage->Receive(
      [&](AVPacket* pkt, const std::string& stats) { MuxEncodedPacket(ost, pkt, stats.c_str()); }, !frame);
  if (error < 0) Fail(QStringLiteral("Video encoding failed"));
}

void TAVConverter::MuxEncodedPacket(TAVOutputStream& ost, AVPacket* pkt, const char* stats) {
  const AVCodecContext* enc = ost.enc_ctx.get();
  if (enc->codec_type == AVMEDIA_TYPE_VIDEO) {
    if (RunOptions().DoPSNR()) AddPsnrStatistics(ost, pkt);
    FConvertOptions.AddVideoSize(pkt->size);
    if (ost.logfile && stats) std::fputs(stats, ost.logfile.get());
    if (pkt->duration <= 0) pkt->duration = 1;
  } else {
    FConvertOptions.AddAudioSize(pkt->size);
  }
  av_packet_rescale_ts(pkt, enc->time_base, ost.st->time_base);
  pkt->stream_index = ost.index;
  WriteOutputPacket(ost, pkt);
}

void TAVConverter::AddPsnrStatistics(TAVOutputStream& ost, const AVPacket* pkt) {
  size_t size = 0;
  const uint8_t* stats = av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &size);
  if (!stats || size < 8) return;
  const int planes = std::min<int>(stats[5], 3);
  for (int p = 0; p < planes && 8 + 8 * size_t(p + 1) <= size; ++p) ost.video.psnr_error[p] += AV_RL64(stats + 8 + 8 * p);
  ++ost.video.psnr_frames;
}

void TAVConverter::LogPsnr(const TAVOutputStream& ost) {
  const AVCodecContext* enc = ost.enc_ctx.get();
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(enc->pix_fmt);
  if (!ost.video.psnr_frames || !desc) return;
  QStringList planes;
  const char* names[] = {"Y", "U", "V"};
  for (int p = 0; p < std::min<int>(3, desc->nb_components); ++p) {
    const int shift = p == 0 ? 0 : desc->log2_chroma_w + desc->log2_chroma_h;
    const double pixels = double(enc->width) * enc->height / (1 << shift) * ost.video.psnr_frames;
    const double error = ost.video.psnr_error[p] / (pixels * 255.0 * 255.0);
    planes << QStringLiteral("%1:%2").arg(QLatin1String(names[p])).arg(error > 0 ? -10 * std::log10(error) : 99.0, 0,
                                                                       'f', 2);
  }
  DoLog(AV_LOG_WARNING, QStringLiteral("PSNR of output stream #%1.%2 %3")
                            .arg(ost.file_index)
                            .arg(ost.index)
                            .arg(planes.join(QLatin1Char(' '))));
}

void TAVConverter::WriteOutputPacket(TAVOutputStream& ost, AVPacket* pkt) { FilterAndWrite(ost, pkt, 0); }

void TAVConverter::FilterAndWrite(TAVOutputStream& ost, AVPacket* pkt, size_t filter) {
  if (filter == ost.mux.bitstream_filters.size()) {
    if (!pkt) return;
    const int64_t start = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    if (start != AV_NOPTS_VALUE) ost.mux.mux_position = std::max(ost.mux.mux_position, start + pkt->duration);
    pkt->stream_index = ost.index;
    if (av_interleaved_write_frame(FRun->output_files[ost.file_index].get(), pkt) < 0)
      Fail(QStringLiteral("av_interleaved_write_frame() "));
    ++ost.mux.packets_written;
    return;
  }
  AVBSFContext* bsf = ost.mux.bitstream_filters[filter].get();
  // A filter that refuses the packet passes it on unchanged.
  if (av_bsf_send_packet(bsf, pkt) < 0) {
    FilterAndWrite(ost, pkt, filter + 1);
    return;
  }
  AVPacket* out = ost.mux.bitstream_packets[filter].get();
  while (av_bsf_receive_packet(bsf, out) == 0) {
    FilterAndWrite(ost, out, filter + 1);
    av_packet_unref(out);
  }
}

void TAVConverter::LogStreamErrorOnce(const TAVOutputStream& ost, bool& logged, const QString& what, int error) {
  if (logged) return;
  logged = true;
  DoLog(AV_LOG_ERROR, QStringLiteral("%1 on output stream #%2.%3: %4")
                          .arg(what)
                          .arg(ost.file_index)
                          .arg(ost.index)
                          .arg(engine::LibraryErrorText(error)));
}

void TAVConverter::FlushBitstreamFilters(TAVOutputStream& ost) {
  for (size_t i = 0; i < ost.mux.bitstream_filters.size(); ++i) {
    if (av_bsf_send_packet(ost.mux.bitstream_filters[i].get(), nullptr) < 0) continue;
    AVPacket* out = ost.mux.bitstream_packets[i].get();
    while (av_bsf_receive_packet(ost.mux.bitstream_filters[i].get(), out) == 0) {
      FilterAndWrite(ost, out, i + 1);
      av_packet_unref(out);
    }
  }
}

std::vector<media::BsfContextPtr> TAVConverter::OpenBitstreamFilters(const QStringList& names) {
  std::vector<media::BsfContextPtr> chain;
  for (qsizetype i = 0; i < names.size(); ++i) {
    const QByteArray name = names[i].toLocal8Bit();
    const AVBitStreamFilter* filter = av_bsf_get_by_name(name.constData());
    AVBSFContext* ctx = nullptr;
    if (!filter || av_bsf_alloc(filter, &ctx) < 0) {
      ShowError(QStringLiteral("Invalid BitstreamFilter ") + names[i]);
      if (i == 0) return {};  // without its first filter the chain is not used at all
      continue;
    }
    chain.emplace_back(ctx);
  }
  return chain;
}

void TAVConverter::InitBitstreamFilters(TAVOutputStream& ost) {
  const AVCodecParameters* par = ost.st->codecpar;
  AVRational tb = ost.st->time_base;
  for (auto it = ost.mux.bitstream_filters.begin(); it != ost.mux.bitstream_filters.end();) {
    AVBSFContext* bsf = it->get();
    if (avcodec_parameters_copy(bsf->par_in, par) < 0 || (bsf->time_base_in = tb, av_bsf_init(bsf) < 0)) {
      ShowError(QStringLiteral("Invalid BitstreamFilter ") + QLatin1String(bsf->filter->name));
      it = ost.mux.bitstream_filters.erase(it);
      continue;
    }
    par = bsf->par_out;
    tb = bsf->time_base_out;
    ++it;
  }
  ost.mux.bitstream_packets.clear();
  for (size_t i = 0; i < ost.mux.bitstream_filters.size(); ++i) {
    ost.mux.bitstream_packets.push_back(media::MakePacket());
    if (!ost.mux.bitstream_packets.back()) Fail(QStringLiteral("no memory"));
  }
  if (par != ost.st->codecpar && avcodec_parameters_copy(ost.st->codecpar, par) < 0) Fail(QStringLiteral("no memory"));
}

double TAVConverter::OutputPosition(const TAVOutputStream& ost) const {
  double position = 0;
  if (ost.encoding_needed && ost.enc_ctx->codec_type != AVMEDIA_TYPE_SUBTITLE)
    position = static_cast<double>(ost.sync_opts) * av_q2d(ost.enc_ctx->time_base);
  else
    position = static_cast<double>(ost.mux.mux_position) * av_q2d(ost.st->time_base);
  // A stream that has reached the recording time holds nobody back.
  if (ost.recording_done) position = std::max(position, RunOptions().RecordingTime() / 1000000.0);
  return position;
}
