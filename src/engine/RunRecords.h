#pragma once
// The records one conversion run keeps per input file, input stream and output
// stream. They are created while the inputs and outputs are opened and
// completed by the transcode setup; the end of the run releases them.
// Timestamps are microseconds unless a field says otherwise; "none" is
// AV_NOPTS_VALUE.

#include <cstdint>
#include <memory>
#include <vector>

#include <QString>

#include "engine/DecodeStage.h"
#include "engine/EncodeStage.h"
#include "engine/FilterStage.h"
#include "engine/PicturePlan.h"
#include "engine/PictureTurn.h"
#include "engine/SourcePictures.h"
#include "media/LibraryPtrs.h"
#include "media/SynthStage.h"

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
  // The latest decoding time read from the file's audio and video, in
  // microseconds on the run's timeline: a stream far from it has jumped.
  int64_t clock = AV_NOPTS_VALUE;
};

struct TAVInputStream {
  int32_t file_index = 0;
  int32_t index = 0;  // stream number within the file
  AVStream* st = nullptr;
  const AVCodec* decoder = nullptr;
  media::CodecContextPtr dec_ctx;  // built from st's parameters when the input is opened
  bool discard = true;             // until an output stream takes this stream
  bool decoding_needed = false;
  int64_t start = 0;  // wall clock when reading began (rate emulation only)
  // The packet clock: the decoding time of the current and the next packet.
  int64_t dts = 0;
  int64_t next_dts = AV_NOPTS_VALUE;
  // The presentation clock: the time of the current and the next decoded unit
  // (for stream copy, the packet clock).
  int64_t next_pts = AV_NOPTS_VALUE;
  int64_t pts = 0;
  bool is_start = true;  // until the first drift correction of the audio output
  // Decoded audio's clock in samples: container times rounded to a coarse time
  // base (Matroska's and FLV's milliseconds) are snapped back onto the exact
  // sample count while they stay within that rounding.
  int64_t audio_clock = AV_NOPTS_VALUE;
  int audio_clock_rate = 0;
  // Added to the stream's timestamps (microseconds): a stream starting or
  // jumping far away from the others is moved back beside them.
  int64_t ts_shift = 0;
  bool jump_logged = false;
  // What was decoded or copied, on the run's timeline: the end of the last unit.
  int64_t data_end = AV_NOPTS_VALUE;
  media::FramePtr decoded_frame;
  engine::TPictureTurn turn;  // how the decoded pictures are turned upright
  engine::TSourcePictures pictures;  // scan, colour and HDR of a video stream
  bool pictures_sampled = false;     // pictures were decoded to look at them
  bool decode_error_logged = false;  // a failing decoder is named once, not per packet
  // Decodes on a thread of its own when the decoder may use several; last, so
  // that it stops before the decoder it uses is freed.
  std::unique_ptr<engine::TDecodeStage> decode_stage;
};

// What a filter graph of the chain takes in or delivers.
struct TAVPictureFormat {
  int width = 0, height = 0, pix_fmt = -1;
  AVRational time_base{1, AV_TIME_BASE};
  AVRational sample_aspect{0, 1};
  AVRational frame_rate{0, 1};  // 0/1: not known
};

// One of the filter library's graphs in a chain.
struct TAVFilterGraphStage {
  media::FilterGraphPtr graph;
  AVFilterContext* input_video_filter = nullptr;   // "src"
  AVFilterContext* output_video_filter = nullptr;  // "out"
  media::FramePtr picture;  // delivered by the graph, on its way to the next stage
};

// An AviSynth script stage between two graphs (a synth=SCRIPT item).
struct TAVScriptStage {
  std::unique_ptr<media::TSynthStage> stage;
  QString item;  // for the log
  bool failure_logged = false;
};

// The video filter chain of one encoded video output stream: buffer source →
// [deinterlace] → [crop] → [scale] → the user's filters → sink at the encoder's
// pixel format. Script items cut the user's filters: each script stage runs
// between two graphs, the first of them ending in a 4:2:0 sink.
struct TAVVideoFilterChain {
  std::vector<TAVFilterGraphStage> graphs;  // none: no chain built
  std::vector<TAVScriptStage> scripts;      // scripts[i] runs between graphs[i] and graphs[i + 1]
  TAVPictureFormat input;                   // what the first source was built for
  int64_t last_input_time = AV_NOPTS_VALUE;  // of the latest picture fed, for results without a time
};

// What an output stream of pictures keeps between pictures: the filter chain,
// the crop, the last picture and the quality statistics.
struct TAVVideoOutput {
  engine::TPicturePlan plan;  // deinterlacing, tone mapping and colour at the head of the chain
  bool video_resample = false;
  int32_t resample_height = 0;
  int32_t resample_width = 0;
  int32_t resample_pix_fmt = -1;
  bool video_crop = false;
  int32_t topBand = 0, bottomBand = 0, leftBand = 0, rightBand = 0;
  int32_t initial_topBand = 0, initial_bottomBand = 0, initial_leftBand = 0, initial_rightBand = 0;
  TAVVideoFilterChain filter;
  media::FramePtr filtered_frame;
  bool filter_error_logged = false;
  // The last picture encoded, kept where the muxer keeps only the sound that
  // pictures carry: it is repeated until the sound ends.
  media::FramePtr last_picture;
  media::BufferRefPtr hw_device;  // the device an encoder of device frames takes its pictures on
  bool quality_unknown_logged = false;
  int64_t psnr_error[3] = {};  // squared error summed over the encoded pictures, per plane
  int64_t psnr_frames = 0;
  // Filter and encode on threads of their own when the run may use several;
  // last, so that they stop before the chain they use goes (the encoder is
  // the output stream's and goes after them).
  std::unique_ptr<engine::TFilterStage> filter_stage;
  std::unique_ptr<engine::TEncodeStage> encode_stage;
};

// What an output stream of sound keeps between frames: the resampler and the
// fifo that cuts the samples into the encoder's frames.
struct TAVAudioOutput {
  // A sample-format pair of two "none" formats: no converter built yet.
  static constexpr int32_t NoReformatPair = -6;

  bool audio_locks_to_video = false;  // the muxer builds each picture's frame with its own sound (DV)
  bool audio_placed_by_length = false;  // the muxer ignores the sound's times (AVI): gaps are filled
  int32_t audio_resample = 0;
  media::SwrContextPtr resample;  // resampling, channel mixing and sample-format conversion
  int32_t reformat_pair = NoReformatPair;
  int resample_in_rate = 0, resample_in_format = -1;
  AVChannelLayout resample_in_layout{};
  media::AudioFifoPtr fifo;  // samples waiting for a full encoder frame
  media::FramePtr audio_frame;
  // Resampled samples, or silence and samples, on their way into the fifo;
  // kept while large enough.
  media::FramePtr resampled_frame;
  std::vector<uint8_t*> sample_pointers;  // planes of the input from an offset on

  TAVAudioOutput() = default;
  TAVAudioOutput(const TAVAudioOutput&) = delete;
  TAVAudioOutput& operator=(const TAVAudioOutput&) = delete;
  ~TAVAudioOutput() { av_channel_layout_uninit(&resample_in_layout); }
};

// The way of an output stream's packets into its file.
struct TAVMuxOutput {
  std::vector<media::BsfContextPtr> bitstream_filters;
  std::vector<media::PacketPtr> bitstream_packets;  // one reusable output packet per filter
  int64_t mux_position = 0;                         // end of the last packet written, in st's time base
  int64_t packets_written = 0;
};

struct TAVOutputStream {
  int32_t file_index = 0;
  int32_t index = 0;         // stream number within the output file
  int32_t source_index = 0;  // index in ist_table of the feeding input stream
  AVStream* st = nullptr;
  const AVCodec* encoder = nullptr;
  media::CodecContextPtr enc_ctx;  // the encoder; for stream copy only a holder of settings
  bool stream_copy = false;        // marked when the stream was created
  bool encoding_needed = false;
  bool encoder_open = false;
  bool encoder_flushed = false;
  bool encode_error_logged = false;  // a failure that loses a unit is logged once
  int32_t frame_number = 0;
  TAVInputStream* sync_ist = nullptr;
  int64_t sync_opts = 0;             // output position in encoder time-base units
  int64_t audio_next_pts = INT64_MIN;  // where the next audio frame may start at the earliest
  // Input time left out where the source's timestamps jumped further than
  // the discontinuity threshold, in microseconds: later units follow on.
  int64_t skipped_time = 0;
  bool recording_done = false;       // the recording time was reached on this stream

  TAVVideoOutput video;
  TAVAudioOutput audio;
  TAVMuxOutput mux;

  media::PacketPtr packet;   // encoder output
  media::FilePtr logfile;    // two-pass statistics, first pass only
  media::AvBufferPtr stats_in;  // two-pass statistics read back for the second pass

  ~TAVOutputStream() {
    video.encode_stage.reset();  // the encoder is idle from here on
    if (enc_ctx) enc_ctx->stats_in = nullptr;  // owned by stats_in
  }
};
