#pragma once
// The records one conversion run keeps per input file, input stream and output
// stream. Transcode creates them at its start and releases them at its end.
// Timestamps are microseconds unless a field says otherwise; "none" is
// AV_NOPTS_VALUE.

#include <cstdint>
#include <memory>
#include <vector>

#include "media/LibraryPtrs.h"

// The explicit source of one output stream, from an input-file=stream entry.
struct TAVStreamMap {
  int32_t file_index = 0;
  int32_t stream_index = 0;
  int32_t sync_file_index = 0;
  int32_t sync_stream_index = 0;
};

struct TAVInputFile {
  bool eof_reached = false;  // end of file or read error: no longer read
  int32_t ist_index = 0;     // index in ist_table of this file's first stream
  int32_t nb_streams = 0;    // streams at the start of the run; later ones are ignored
};

struct TAVInputStream {
  int32_t file_index = 0;
  int32_t index = 0;  // stream number within the file
  AVStream* st = nullptr;
  media::CodecContextPtr dec_ctx;  // the decoder, built from st's parameters
  bool discard = true;             // until an output stream takes this stream
  bool decoding_needed = false;
  int64_t start = 0;  // wall clock when reading began (rate emulation only)
  int64_t next_pts = AV_NOPTS_VALUE;
  int64_t pts = 0;
  bool is_start = true;  // until the first drift correction of the audio output
  AVFilterContext* input_video_filter = nullptr;
  AVFilterContext* output_video_filter = nullptr;
  media::FramePtr picref;  // the filtered picture being encoded
};

struct TAVOutputStream {
  // A sample-format pair of two "none" formats: no converter built yet.
  static constexpr int32_t NoReformatPair = -6;

  int32_t file_index = 0;
  int32_t index = 0;         // stream number within the output file
  int32_t source_index = 0;  // index in ist_table of the feeding input stream
  AVStream* st = nullptr;
  media::CodecContextPtr enc_ctx;  // the encoder (stream copy: the copied parameters)
  bool encoding_needed = false;
  int32_t frame_number = 0;
  TAVInputStream* sync_ist = nullptr;
  int64_t sync_opts = 0;      // output position in encoder time-base units
  int64_t mux_position = 0;  // end of the last packet written, in st's time base

  bool video_resample = false;
  media::FramePtr pict_tmp;
  media::SwsContextPtr img_resample_ctx;
  int32_t resample_height = 0;
  int32_t resample_width = 0;
  int32_t resample_pix_fmt = -1;

  bool video_crop = false;
  int32_t topBand = 0, bottomBand = 0, leftBand = 0, rightBand = 0;
  int32_t initial_topBand = 0, initial_bottomBand = 0, initial_leftBand = 0, initial_rightBand = 0;

  int32_t audio_resample = 0;
  media::SwrContextPtr resample;  // resampling and sample-format conversion in one
  int32_t reformat_pair = NoReformatPair;
  media::AudioFifoPtr fifo;  // audio waiting for a full encoder frame
  media::FilePtr logfile;    // two-pass statistics, first pass only
};

// The tables of one run. They grow to whatever the inputs and outputs need.
struct TAVRunTables {
  std::vector<TAVInputFile> file_table;
  std::vector<std::unique_ptr<TAVInputStream>> ist_table;
  std::vector<std::unique_ptr<TAVOutputStream>> ost_table;
};
