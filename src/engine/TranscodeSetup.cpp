// The first half of a run: pairing every output stream with an input stream,
// stream copy or encoding per stream, filter graphs, two-pass statistics,
// opening encoders and decoders, chapters and the output headers.

#include <QFile>
#include <cerrno>
#include <cstring>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/time.h>
}

#include "engine/AVConverter.h"
#include "engine/ContainerRules.h"
#include "engine/LibraryError.h"
#include "engine/PictureSetup.h"
#include "engine/SourceTags.h"

namespace {

// Unread input streams are not demuxed at all.
void DiscardUnusedStreams(const TTranscodeRun& run) {
  for (const auto& ist : run.ist_table)
    if (ist->discard) ist->st->discard = AVDISCARD_ALL;
}

// False when memory ran out.
bool CopyDisplayMatrix(const AVStream& from, AVStream& to) {
  size_t size = 0;
  const uint8_t* matrix = av_stream_get_side_data(&from, AV_PKT_DATA_DISPLAYMATRIX, &size);
  if (!matrix) return true;
  uint8_t* copy = av_stream_new_side_data(&to, AV_PKT_DATA_DISPLAYMATRIX, size);
  if (copy) std::memcpy(copy, matrix, size);
  return copy != nullptr;
}

}  // namespace

void TAVConverter::Transcode() {
  SetupTranscode();
  ReadLoop();
  EndRun();
}

void TAVConverter::SetupTranscode() {
  BuildInputRecords();
  for (const auto& oc : FRun->output_files)
    if (oc->nb_streams == 0) Fail(QStringLiteral("Output file does not contain any stream"));
  const size_t nb_ostreams = FRun->ost_table.size();
  if (!FRun->stream_maps.empty() && FRun->stream_maps.size() != nb_ostreams)
    Fail(QStringLiteral("Number of stream maps must match number of output streams"));
  const int nb_files = static_cast<int>(FRun->file_table.size());
  auto streamExists = [&](int file, int stream) {
    return file >= 0 && file < nb_files && stream >= 0 && stream < FRun->file_table[file].nb_streams;
  };
  for (const TAVStreamMap& m : FRun->stream_maps) {
    if (!streamExists(m.file_index, m.stream_index))
      Fail(QString::asprintf("Could not find input stream #%d.%d", m.file_index, m.stream_index));
    if (!streamExists(m.sync_file_index, m.sync_stream_index))
      Fail(QString::asprintf("Could not find sync stream #%d.%d", m.sync_file_index, m.sync_stream_index));
  }
  MapOutputStreams();
  DiscardUnusedStreams(*FRun);

  for (size_t n = 0; n < nb_ostreams; ++n) {
    TAVOutputStream& ost = *FRun->ost_table[n];
    TAVInputStream& ist = *FRun->ist_table[ost.source_index];
    if (ost.enc_ctx->codec_type == AVMEDIA_TYPE_SUBTITLE) FitSubtitleToSource(ost, ist);
    av_dict_copy(&ost.st->metadata, ist.st->metadata, AV_DICT_DONT_OVERWRITE);
    ost.st->disposition = ist.st->disposition;
    ost.enc_ctx->bits_per_raw_sample = ist.dec_ctx->bits_per_raw_sample;
    ost.enc_ctx->chroma_sample_location = ist.dec_ctx->chroma_sample_location;
    if (ost.stream_copy)
      SetupStreamCopy(ost, ist);
    else
      SetupEncoding(ost, ist, static_cast<int>(n));
  }
  CopySourceTags();
  // Decoders first: text subtitle encoders take the decoder's style header.
  OpenDecoders();
  OpenEncoders();
  InitTimestamps();
  for (int i = 0; i < static_cast<int>(FRun->input_files.size()); ++i) {
    if (FRun->input_files[i]->nb_chapters == 0) continue;
    for (int o = 0; o < static_cast<int>(FRun->output_files.size()); ++o)
      if (CopyChapters(i, o) < 0) Fail(QStringLiteral("Copy chapters failed"));
  }
  WriteHeaders();
  timer_start = av_gettime();
}

// Each output takes the tags of the file its first stream comes from; one of
// sound only from an Ogg file also those of its sound stream, where Ogg keeps
// a file's tags (elsewhere a stream's title names the track, not the work).
// What the output has (MetaData, the recording date) stays.
void TAVConverter::CopySourceTags() {
  for (size_t o = 0; o < FRun->output_files.size(); ++o) {
    AVFormatContext* oc = FRun->output_files[o].get();
    const TAVInputStream* first = nullptr;
    const TAVInputStream* sound = nullptr;
    bool pictures = false;
    for (const auto& ost : FRun->ost_table) {
      if (ost->file_index != static_cast<int>(o)) continue;
      const TAVInputStream* ist = FRun->ist_table[ost->source_index].get();
      if (!first) first = ist;
      if (ost->enc_ctx->codec_type == AVMEDIA_TYPE_VIDEO) pictures = true;
      if (ost->enc_ctx->codec_type == AVMEDIA_TYPE_AUDIO && !sound) sound = ist;
    }
    if (!first) continue;
    const AVFormatContext* ic = FRun->input_files[first->file_index].get();
    engine::CopySourceTags(&oc->metadata, ic->metadata);
    const AVFormatContext* soundFile = sound ? FRun->input_files[sound->file_index].get() : nullptr;
    if (!pictures && soundFile && qstrcmp(soundFile->iformat->name, "ogg") == 0)
      engine::CopySourceTags(&oc->metadata, sound->st->metadata);
  }
}

// A subtitle track the encoder cannot draw again (pictures into text) is
// copied where the container keeps it as it is, and refused otherwise.
void TAVConverter::FitSubtitleToSource(TAVOutputStream& ost, const TAVInputStream& ist) {
  const AVCodecID source = ist.st->codecpar->codec_id;
  if (ost.stream_copy || !ost.encoder || engine::SubtitleKindsMatch(source, ost.encoder->id)) return;
  if (!engine::KeepsBitmapSubtitles(FRun->output_files[ost.file_index]->oformat, source))
    Fail(QString::asprintf("Subtitles of input stream #%d.%d cannot be converted for this output format",
                           ist.file_index, ist.index));
  ost.stream_copy = true;
  ost.encoder = nullptr;
}

void TAVConverter::BuildInputRecords() {
  const int64_t now = av_gettime();
  for (auto& ist : FRun->ist_table) {
    ist->discard = true;
    if (RunOptions().RateEmu()) ist->start = now;
  }
}

TAVInputStream* TAVConverter::FindSourceStream(const TAVOutputStream& ost, bool anyUse) const {
  const AVMediaType type = ost.enc_ctx->codec_type;
  const int programId = RunOptions().ProgramID();
  TAVInputStream* best = nullptr;
  int bestRank = -1;
  for (const auto& ist : FRun->ist_table) {
    AVStream* st = ist->st;
    if (st->codecpar->codec_type != type || st->discard == AVDISCARD_ALL || engine::IsCover(st)) continue;
    if (anyUse) {
      best = ist.get();  // the last one of the type
      continue;
    }
    if (!ist->discard) continue;
    AVFormatContext* ic = FRun->input_files[ist->file_index].get();
    if (programId != 0) {
      bool inProgram = false;
      for (unsigned p = 0; p < ic->nb_programs && !inProgram; ++p) {
        if (ic->programs[p]->id != programId) continue;
        for (unsigned k = 0; k < ic->programs[p]->nb_stream_indexes; ++k)
          if (static_cast<int>(ic->programs[p]->stream_index[k]) == ist->index) inProgram = true;
      }
      if (!inProgram) continue;
    }
    // Subtitles the encoder can take rank first; then the library's own pick
    // of its file (the stream with the most frames seen while probing); the
    // container's frame count decides the rest.
    const bool libraryPick = av_find_best_stream(ic, type, -1, -1, nullptr, 0) == ist->index;
    const bool takesIt = type != AVMEDIA_TYPE_SUBTITLE || ost.stream_copy || !ost.encoder ||
                         engine::SubtitleKindsMatch(st->codecpar->codec_id, ost.encoder->id);
    const int rank = (takesIt ? 2 : 0) + (libraryPick ? 1 : 0);
    if (rank > bestRank || (rank == bestRank && best && st->nb_frames > best->st->nb_frames)) {
      best = ist.get();
      bestRank = rank;
    }
  }
  return best;
}

void TAVConverter::MapOutputStreams() {
  for (size_t n = 0; n < FRun->ost_table.size(); ++n) {
    TAVOutputStream& ost = *FRun->ost_table[n];
    TAVInputStream* ist = nullptr;
    if (!FRun->stream_maps.empty()) {
      const TAVStreamMap& m = FRun->stream_maps[n];
      ist = FRun->ist_table[FRun->file_table[m.file_index].ist_index + m.stream_index].get();
      if (ist->st->codecpar->codec_type != ost.enc_ctx->codec_type)
        Fail(QString::asprintf("Codec type mismatch for mapping #%d.%d -> #%d.%d", m.file_index, m.stream_index,
                               ost.file_index, ost.index));
    } else {
      ist = FindSourceStream(ost, false);
      if (!ist && RunOptions().ProgramID() == 0) ist = FindSourceStream(ost, true);
      if (!ist) Fail(QStringLiteral("Could not find input stream matching output stream "));
    }
    ist->discard = false;
    for (size_t k = 0; k < FRun->ist_table.size(); ++k)
      if (FRun->ist_table[k].get() == ist) ost.source_index = static_cast<int32_t>(k);
    ost.sync_ist = ist;
    if (!FRun->stream_maps.empty()) {
      const TAVStreamMap& m = FRun->stream_maps[n];
      ost.sync_ist = FRun->ist_table[FRun->file_table[m.sync_file_index].ist_index + m.sync_stream_index].get();
    }
  }
}

void TAVConverter::SetupStreamCopy(TAVOutputStream& ost, TAVInputStream& ist) {
  AVCodecParameters* par = ost.st->codecpar;
  const AVCodecParameters* in = ist.st->codecpar;
  const uint32_t forcedTag = ost.enc_ctx->codec_tag;
  if (avcodec_parameters_copy(par, in) < 0) Fail(QStringLiteral("no memory"));
  // A tag forced by the options stays; otherwise the input's tag is kept when
  // the container accepts it for this codec.
  const AVCodecTag* const* tags = FRun->output_files[ost.file_index]->oformat->codec_tag;
  if (forcedTag)
    par->codec_tag = forcedTag;
  else if (!tags || av_codec_get_id(tags, in->codec_tag) == in->codec_id || !av_codec_get_tag(tags, in->codec_id))
    par->codec_tag = in->codec_tag;
  else
    par->codec_tag = 0;
  ost.st->time_base = ist.st->time_base;
  ost.st->avg_frame_rate = ist.st->avg_frame_rate;
  ost.st->r_frame_rate = ist.st->r_frame_rate;

  switch (par->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      if (RunOptions().AudioOptions().AudioVolume() != 256)
        Fail(QStringLiteral("-acodec copy and -vol are incompatible (frames are not decoded)"));
      if ((par->block_align == 1 && par->codec_id == AV_CODEC_ID_MP3) || par->codec_id == AV_CODEC_ID_AC3)
        par->block_align = 0;
      break;
    case AVMEDIA_TYPE_VIDEO:
      ost.st->sample_aspect_ratio = ist.st->sample_aspect_ratio;
      // Copied pictures stay as stored, so their turn goes along.
      if (!CopyDisplayMatrix(*ist.st, *ost.st)) Fail(QStringLiteral("no memory"));
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      break;
    default:
      Fail(QStringLiteral("unknown codec type"));
  }
  ost.encoding_needed = false;
}

void TAVConverter::SetupEncoding(TAVOutputStream& ost, TAVInputStream& ist, int n) {
  AVCodecContext* c = ost.enc_ctx.get();
  const AVCodecParameters* in = ist.st->codecpar;
  switch (c->codec_type) {
    case AVMEDIA_TYPE_AUDIO:
      ost.audio.reformat_pair = TAVAudioOutput::NoReformatPair;
      ost.audio.audio_resample =
          c->sample_rate == in->sample_rate && RunOptions().AudioOptions().AudioSyncMethod() < 2 ? 0 : 1;
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      // Picture subtitles are drawn for the source's frame size.
      if (!c->width) c->width = in->width ? in->width : ist.dec_ctx->width;
      if (!c->height) c->height = in->height ? in->height : ist.dec_ctx->height;
      break;
    case AVMEDIA_TYPE_VIDEO: {
      if (c->pix_fmt == AV_PIX_FMT_NONE)
        Fail(QStringLiteral("Video pixel format is unknown, stream can not be decoded"));
      const TVideoOptions& vo = RunOptions().VideoOptions();
      const int l = vo.FrameLeftBand(), r = vo.FrameRightBand(), t = vo.FrameTopBand(), b = vo.FrameBottomBand();
      ost.video.video_crop = l + r + t + b != 0;
      const int shownWidth = ist.turn.swapsSides ? in->height : in->width;
      const int shownHeight = ist.turn.swapsSides ? in->width : in->height;
      ost.video.video_resample = shownWidth - l - r != c->width || shownHeight - t - b != c->height ||
                           c->pix_fmt != in->format || !ist.turn.IsNone();
      if (ost.video.video_crop) {
        ost.video.topBand = ost.video.initial_topBand = t;
        ost.video.bottomBand = ost.video.initial_bottomBand = b;
        ost.video.leftBand = ost.video.initial_leftBand = l;
        ost.video.rightBand = ost.video.initial_rightBand = r;
      }
      ost.video.resample_height = in->height - t - b;
      ost.video.resample_width = in->width - l - r;
      ost.video.resample_pix_fmt = in->format;
      PlanPictures(ost, ist);
      if (BuildVideoFilterChain(ist, ost) != 0) Fail(QStringLiteral("Error opening filters!"));
      ost.video.filtered_frame = media::MakeFrame();
      if (!ost.video.filtered_frame) Fail(QStringLiteral("no memory"));
      if (FRequest->StagesOnThreads()) {
        ost.video.filter_stage =
            std::make_unique<engine::TFilterStage>([this, &ost, &ist](AVFrame* f) { FilterPicture(ost, ist, f); });
        ost.video.encode_stage = std::make_unique<engine::TEncodeStage>(ost.enc_ctx.get());
      }
      break;
    }
    default:
      Fail(QStringLiteral("unknown codec type"));
  }
  ost.encoding_needed = true;
  ist.decoding_needed = true;
  if (c->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2)) PrepareTwoPass(ost, n);
}

// Deinterlacing, tone mapping and colour for ost's pictures, decided before
// its chain is built; a source whose pictures say little about themselves is
// sampled first.
void TAVConverter::PlanPictures(TAVOutputStream& ost, TAVInputStream& ist) {
  const engine::TTargetPictures target =
      engine::TargetOf(ost, RunOptions().VideoOptions(), FRun->requested_pix_fmt >= 0);
  if (!ist.pictures_sampled && engine::WantsSampling(ist.pictures, target)) {
    engine::SamplePictures(FRun->input_names[ist.file_index], ist.index, ist.pictures, FRequest->decoder_threads,
                           ist.st->codecpar);
    ist.pictures_sampled = true;
  }
  ost.video.plan = engine::PlanPictures(ist.pictures, target);
  if (!engine::ApplyPictures(ost, ist.pictures, ost.video.plan)) Fail(QStringLiteral("no memory"));
  for (const QString& note : ost.video.plan.notes) DoLog(AV_LOG_WARNING, note);
}

void TAVConverter::PrepareTwoPass(TAVOutputStream& ost, int n) {
  AVCodecContext* c = ost.enc_ctx.get();
  const QByteArray name = QStringLiteral("%1-%2.log").arg(FPassLogPrefix).arg(n).toLocal8Bit();
  // Encoders that keep their statistics themselves are told the file's name.
  if (c->priv_data && av_opt_find(c->priv_data, "stats", nullptr, 0, 0)) {
    av_opt_set(c->priv_data, "stats", name.constData(), 0);
    return;
  }
  if (c->priv_data && av_opt_find(c->priv_data, "x265-params", nullptr, 0, 0)) {
    AddX265PassParams(c, name, (c->flags & AV_CODEC_FLAG_PASS1) ? 1 : 2);
    return;
  }
  if (c->flags & AV_CODEC_FLAG_PASS1) {
    ost.logfile.reset(std::fopen(name.constData(), "wb"));
    if (!ost.logfile)
      Fail(QStringLiteral("Cannot create file \"%1\". %2")
               .arg(QString::fromLocal8Bit(name), QString::fromLocal8Bit(std::strerror(errno))));
    return;
  }
  QFile file(QString::fromLocal8Bit(name));
  if (!file.open(QIODevice::ReadOnly))
    Fail(QStringLiteral("Cannot open file \"%1\". %2").arg(QString::fromLocal8Bit(name), file.errorString()));
  const QByteArray text = file.readAll();
  ost.stats_in.reset(static_cast<uint8_t*>(av_malloc(text.size() + 1)));
  if (!ost.stats_in) Fail(QStringLiteral("Could not allocate log buffer"));
  std::memcpy(ost.stats_in.get(), text.constData(), text.size());
  ost.stats_in.get()[text.size()] = 0;
  c->stats_in = reinterpret_cast<char*>(ost.stats_in.get());
}

void TAVConverter::OpenEncoders() {
  for (auto& o : FRun->ost_table) {
    TAVOutputStream& ost = *o;
    if (!ost.encoding_needed) continue;
    AVCodecContext* c = ost.enc_ctx.get();
    if (!ost.encoder) Fail(QStringLiteral("Unsupported codec for output stream "));
    const AVCodecContext* dec = FRun->ist_table[ost.source_index]->dec_ctx.get();
    if (c->codec_type == AVMEDIA_TYPE_SUBTITLE && dec->subtitle_header && !c->subtitle_header) {
      c->subtitle_header = static_cast<uint8_t*>(av_mallocz(dec->subtitle_header_size + 1));
      if (!c->subtitle_header) Fail(QStringLiteral("no memory"));
      std::memcpy(c->subtitle_header, dec->subtitle_header, dec->subtitle_header_size);
      c->subtitle_header_size = dec->subtitle_header_size;
    }
    const int r = avcodec_open2(c, ost.encoder, nullptr);
    if (r < 0) {
      DoLog(AV_LOG_ERROR, QStringLiteral("%1: %2").arg(QLatin1String(ost.encoder->name), engine::LibraryErrorText(r)));
      Fail(QStringLiteral(
          "Error while opening codec for output stream - maybe incorrect parameters such as bit_rate, rate, width or "
          "height"));
    }
    ost.encoder_open = true;
    if (avcodec_parameters_from_context(ost.st->codecpar, c) < 0) Fail(QStringLiteral("no memory"));
    ost.st->time_base = c->time_base;
    if (c->codec_type == AVMEDIA_TYPE_VIDEO) ost.st->avg_frame_rate = c->framerate;
    if (c->codec_type == AVMEDIA_TYPE_AUDIO) {
      ost.audio.fifo.reset(av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, std::max(c->frame_size, 1024)));
      ost.audio.audio_frame = media::MakeFrame();
      if (!ost.audio.fifo || !ost.audio.audio_frame) Fail(QStringLiteral("no memory"));
    }
  }
}

void TAVConverter::OpenDecoders() {
  for (auto& i : FRun->ist_table) {
    TAVInputStream& ist = *i;
    if (!ist.decoding_needed) continue;
    if (!ist.decoder) Fail(QStringLiteral("Unsupported codec for input stream "));
    if (avcodec_open2(ist.dec_ctx.get(), ist.decoder, nullptr) < 0)
      Fail(QStringLiteral("Error while opening codec for input stream "));
    ist.decoded_frame = media::MakeFrame();
    if (!ist.decoded_frame) Fail(QStringLiteral("no memory"));
    if (ist.dec_ctx->codec_type == AVMEDIA_TYPE_VIDEO && FRequest->StagesOnThreads())
      ist.decode_stage = std::make_unique<engine::TDecodeStage>(ist.dec_ctx.get());
  }
}

void TAVConverter::InitTimestamps() {
  for (auto& ist : FRun->ist_table) {
    const AVRational rate = ist->st->avg_frame_rate;
    ist->pts = rate.num ? -std::llround(ist->st->codecpar->video_delay * 1000000.0 / av_q2d(rate)) : 0;
    ist->dts = ist->pts;
    ist->next_pts = AV_NOPTS_VALUE;
    ist->next_dts = AV_NOPTS_VALUE;
    ist->is_start = true;
  }
}

int TAVConverter::CopyChapters(int in, int out) {
  AVFormatContext* ic = FRun->input_files[in].get();
  AVFormatContext* oc = FRun->output_files[out].get();
  const int64_t recording = RunOptions().RecordingTime();
  for (unsigned k = 0; k < ic->nb_chapters; ++k) {
    const AVChapter* ch = ic->chapters[k];
    const int64_t ts_off = av_rescale_q(-FRun->input_files_ts_offset[in], AV_TIME_BASE_Q, ch->time_base);
    const int64_t rt = recording == INT64_MAX ? INT64_MAX : av_rescale_q(recording, AV_TIME_BASE_Q, ch->time_base);
    if (ch->end < ts_off) continue;
    if (rt != INT64_MAX && ch->start > rt + ts_off) break;
    auto* copy = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
    if (!copy) return AVERROR(ENOMEM);
    copy->id = ch->id;
    copy->time_base = ch->time_base;
    copy->start = std::max<int64_t>(0, ch->start - ts_off);
    copy->end = std::min(rt, ch->end - ts_off);
    av_dict_copy(&copy->metadata, ch->metadata, 0);
    int count = static_cast<int>(oc->nb_chapters);
    const int added = av_dynarray_add_nofree(&oc->chapters, &count, copy);
    oc->nb_chapters = static_cast<unsigned>(count);
    if (added < 0) {
      av_dict_free(&copy->metadata);
      av_free(copy);
      return AVERROR(ENOMEM);
    }
  }
  return 0;
}

void TAVConverter::WriteHeaders() {
  for (auto& ost : FRun->ost_table) InitBitstreamFilters(*ost);
  for (auto& oc : FRun->output_files) {
    const int r = avformat_write_header(oc.get(), nullptr);
    if (r < 0) {
      DoLog(AV_LOG_ERROR, engine::LibraryErrorText(r));
      Fail(QStringLiteral("Could not write header for output file  (incorrect codec parameters ?)"));
    }
  }
  for (size_t o = 0; o < FRun->output_files.size(); ++o)
    engine::WriteCovers(FRun->output_files[o].get(), FRun->covers[o],
                        [this](const QString& note) { DoLog(AV_LOG_WARNING, note); });
  FRun->headers_written = true;
}
