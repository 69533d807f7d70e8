#pragma once
// One run of a conversion and what it starts from.
//
// Convert takes a TRunRequest on the caller's thread: a copy of the option
// tree, the file names and the codec options set so far. The worker then makes
// a TTranscodeRun per pass (one, or two and more when aiming at a file size)
// that owns everything the pass builds: the option stores it applies, the
// library contexts, the run records and the work buffers. The request stays
// read-only; what the run learns from its inputs lives in the run. Destroying
// the run releases all of it, records before the contexts they point into.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/AVConvertOptions.h"
#include "engine/OptionStores.h"
#include "engine/RunRecords.h"
#include "engine/SourceTags.h"
#include "media/LibraryPtrs.h"

// The caller's settings as Convert found them.
struct TRunRequest {
  TAVConvertOptions options;
  QStringList input_names;
  QStringList output_names;
  // The codec options the caller set before Convert; the first pass takes them.
  std::unique_ptr<TAVOptionStores> option_stores;
  QStringList opt_names;
  int decoder_threads = 0;
  bool automatic_threads = false;  // encoders that choose their own threading do

  // One thread asked for is one core: decoding, filtering and encoding stay on the worker.
  bool StagesOnThreads() const { return decoder_threads > 1; }
};

// The picture settings a run works with: the caller's, until an input's video
// stream replaces them with its own (the output then follows the input).
struct TAVRunPicture {
  float aspect = 0;  // display aspect ratio; 0: not known
  int pix_fmt = -1;
  AVRational rate{0, 1};
  // The size asked for, reduced with a decoder that reduces the resolution.
  int width = 0, height = 0;
};

// What the inputs say of the sound and the pictures, replaced by what the
// options ask for once the outputs are made.
struct TAVRunFormat {
  int _AudioChannels = 0;
  int _AudioSampleRate = 0;
  int _AudioSampleFmt = -1;
  uint64_t _ChannelLayout = 0;
  int _FrameWidth = 0;
  int _FrameHeight = 0;
};

struct TTranscodeRun {
  // stores: the request's codec options for the first pass, nullptr for a
  // later one, which starts with empty stores as a new run does.
  TTranscodeRun(const TRunRequest& request, std::unique_ptr<TAVOptionStores> stores, QStringList optNames);
  TTranscodeRun(const TTranscodeRun&) = delete;
  TTranscodeRun& operator=(const TTranscodeRun&) = delete;

  const TAVConvertOptions& options;
  const QStringList& input_names;
  const QStringList& output_names;

  std::unique_ptr<TAVOptionStores> option_stores;
  QStringList opt_names;  // the options stored so far, in the order they were set

  // A rate the caller asked for ({0, 0}: the input's), and a pixel format (-1: the input's).
  AVRational requested_rate{0, 0};
  int requested_pix_fmt = -1;
  TAVRunPicture picture;
  TAVRunFormat format;

  std::vector<TAVStreamMap> stream_maps;
  const AVInputFormat* file_iformat = nullptr;
  const AVOutputFormat* file_oformat = nullptr;

  std::vector<media::InputFormatContextPtr> input_files;
  std::vector<int64_t> input_files_ts_offset;
  std::vector<std::vector<double>> input_files_ts_scale;  // [file][stream], 0 = none
  std::vector<media::OutputFormatContextPtr> output_files;
  std::vector<std::vector<engine::TCoverArt>> covers;  // per output file, written after its header
  QStringList created_outputs;  // files this run made; removed when it fails before any header
  bool headers_written = false;
  bool duration_from_size = false;  // the container's duration is not to be trusted
  bool ended_early = false;         // a size or frame limit or ShortTest ended the loop

  media::PacketPtr pkt;  // the packet the read loop reads into
  std::vector<uint8_t> subtitle_out;

  // The run records point into the contexts above: they go first.
  std::vector<TAVInputFile> file_table;
  std::vector<std::unique_ptr<TAVInputStream>> ist_table;
  std::vector<std::unique_ptr<TAVOutputStream>> ost_table;
};
