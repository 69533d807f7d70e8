// A file of a given size: the video bitrate is what the size leaves over the
// duration once the sound and the container have their share, and two passes
// (the first one learning where the bits are needed) land on it. Each run
// keeps its statistics in a folder of its own.

#include <QTemporaryDir>
#include <algorithm>

extern "C" {
#include <libavutil/opt.h>
}

#include "engine/AVConverter.h"

namespace {

// What the container takes of the file beyond the streams' own bytes.
double ContainerShare(const AVOutputFormat* format) {
  return format && QByteArray(format->name) == "mpegts" ? 0.06 : 0.01;
}

constexpr int64_t AssumedAudioBitrate = 128000;
// How far from the size asked for a result may land before the second pass
// is made again.
constexpr double SizeTolerance = 0.015;
constexpr int64_t LowestVideoBitrate = 16000;

}  // namespace

void TAVConverter::RunForTargetSize() {
  QTemporaryDir statistics;
  if (!statistics.isValid()) Fail(QStringLiteral("Cannot create a folder for the statistics of two passes"));
  FPassLogPrefix = statistics.filePath(QStringLiteral("pass"));
  FSizePass = 1;
  FSizeCorrection = 0;
  RunOnePass();
  if (State() == csStopped || !ErrorMsg().isEmpty()) return;
  EndPass();
  FSizePass = 2;
  RunOnePass();
  // The encoder hits its bitrate; the sound and the container may not hit
  // theirs (simple sound takes less). One more second pass makes up for it.
  const int64_t target = RunOptions().VideoOptions().TargetFileSize();
  const int64_t made = TargetFileSize();
  if (State() == csStopped || !ErrorMsg().isEmpty() || made <= 0) return;
  const double miss = static_cast<double>(made - target) / static_cast<double>(target);
  if (miss > -SizeTolerance && miss < SizeTolerance) return;
  FSizeCorrection -= made - target;
  DoLog(AV_LOG_INFO, QStringLiteral("%1 bytes made for %2; the second pass again").arg(made).arg(target));
  EndPass();
  RunOnePass();
}

void TAVConverter::ApplyTargetSizeBitrate() {
  const TAVConvertOptions& o = RunOptions();
  const double span = RequestedSpan();
  if (span <= 0 || span >= static_cast<double>(TAVConvertOptions::NoRecordingLimit) / 1000000.0) {
    DoLog(AV_LOG_WARNING, QStringLiteral("The source's duration is not known; the file size cannot be aimed at"));
    return;
  }
  int64_t audio = 0;
  const bool anyAudio = std::any_of(FRun->input_files.begin(), FRun->input_files.end(), [](const auto& ic) {
    return av_find_best_stream(ic.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0) >= 0;
  });
  if (anyAudio && !o.AudioOptions().AudioDisable())
    audio = o.AudioOptions().Bitrate() > 0 ? o.AudioOptions().Bitrate() : AssumedAudioBitrate;
  const AVOutputFormat* format =
      FRun->file_oformat ? FRun->file_oformat : GuessOutputFormat(FRun->output_names.value(0));
  const double bytes = static_cast<double>(o.VideoOptions().TargetFileSize() + FSizeCorrection);
  const double bits = bytes * 8.0 * (1.0 - ContainerShare(format));
  const auto video = std::max<int64_t>(LowestVideoBitrate, static_cast<int64_t>(bits / span) - audio);
  SetRunOption("b", QByteArray::number(video));
  DoLog(AV_LOG_INFO, QStringLiteral("Aiming at %1 bytes: video at %2 kbit/s, pass %3 of 2")
                         .arg(o.VideoOptions().TargetFileSize()).arg(video / 1000).arg(FSizePass));
}

// x265 is told its pass and statistics file through its own parameters.
void TAVConverter::AddX265PassParams(AVCodecContext* c, const QByteArray& statsFile, int pass) {
  uint8_t* current = nullptr;
  av_opt_get(c->priv_data, "x265-params", 0, &current);
  QByteArray params = current ? QByteArray(reinterpret_cast<const char*>(current)) : QByteArray();
  av_free(current);
  if (!params.isEmpty()) params += ':';
  params += "pass=" + QByteArray::number(pass) + ":stats=" + statsFile;
  av_opt_set(c->priv_data, "x265-params", params.constData(), 0);
}

// Progress of a run in two passes runs through each pass in half the span.
void TAVConverter::ReportConverted(double seconds) {
  if (!FSizePass) {
    SetConvertedDuration(seconds);
    return;
  }
  SetConvertedDuration(FSizePass == 1 ? seconds / 2 : RequestedSpan() / 2 + seconds / 2);
}

double TAVConverter::RequestedSpan() const {
  const TAVConvertOptions& o = RunOptions();
  const double span = static_cast<double>(o.RecordingTime()) / 1000000.0;
  return Duration() > 0 ? std::min(span, Duration() - static_cast<double>(o.StartTime()) / 1000000.0) : span;
}
