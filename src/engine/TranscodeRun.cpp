#include "engine/TranscodeRun.h"

#include <QFile>
#include <utility>

#include "engine/AVConverter.h"
#include "engine/EngineError.h"
#include "engine/NameValueList.h"
#include "media/MediaLibraries.h"

TTranscodeRun::TTranscodeRun(const TRunRequest& request, std::unique_ptr<TAVOptionStores> stores,
                             QStringList optNames)
    : options(request.options),
      input_names(request.input_names),
      output_names(request.output_names),
      option_stores(std::move(stores)),
      opt_names(std::move(optNames)) {
  if (!option_stores) option_stores = std::make_unique<TAVOptionStores>(options.SwsFlags());
  const TVideoOptions& vo = options.VideoOptions();
  const AVRational rate{vo.FrameRate().num(), vo.FrameRate().den()};
  if (vo.FrameRate().Requested()) requested_rate = rate;
  requested_pix_fmt = vo.FramePixFormat();
  picture.aspect = vo.FrameAspectRatio();
  picture.pix_fmt = vo.FramePixFormat();
  picture.rate = rate;
  picture.width = vo.FrameWidth();
  picture.height = vo.FrameHeight();
}

// ------------------------------------------------- the passes of a conversion

void TAVConverter::RunConversion() {
  FSizePass = 0;
  FPassLogPrefix = QStringLiteral("ffmpeg2pass");
  const TVideoOptions& vo = RunOptions().VideoOptions();
  if (vo.TargetFileSize() > 0 && !vo.VideoDisable() && !vo.VideoStreamCopy())
    RunForTargetSize();
  else
    RunOnePass();
}

void TAVConverter::RunOnePass() {
  FRun = std::make_unique<TTranscodeRun>(*FRequest, std::move(FRequest->option_stores),
                                         std::exchange(FRequest->opt_names, {}));
  LogOptionsWithoutEffect();
  ParseStreamMaps();
  ApplyBitrateOptions();
  ApplyCodecOptions();
  ResolveFormats();
  for (int i = 0; i < FRun->input_names.size(); ++i) OpenInputFile(i);
  if (FSizePass) ApplyTargetSizeBitrate();
  ApplyInputTSScale();
  for (int i = 0; i < FRun->output_names.size(); ++i) OpenOutputFile(i);
  RunTranscode();
}

void TAVConverter::LogOptionWithoutEffect(const char* name) {
  DoLog(AV_LOG_WARNING,
        QStringLiteral("Option %1 has no effect with this version of the media libraries").arg(QLatin1String(name)));
}

void TAVConverter::LogOptionsWithoutEffect() {
  if (RunOptions().PGMYUVCompatibilityHack()) LogOptionWithoutEffect("PGMYUVCompatibilityHack");
  if (RunOptions().VideoOptions().MeThreshold() != 0) LogOptionWithoutEffect("MeThreshold");
}

void TAVConverter::ParseStreamMaps() {
  auto parse = [](const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok) Fail(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return v;
  };
  for (const QString& entry : RunOptions().StreamMaps()) {
    TAVStreamMap map;
    map.file_index = parse(engine::NameOf(entry));
    map.stream_index = parse(engine::ValueOf(entry));
    map.sync_file_index = map.file_index;
    map.sync_stream_index = map.stream_index;
    FRun->stream_maps.push_back(map);
  }
}

void TAVConverter::ApplyBitrateOptions() {
  if (int b = RunOptions().AudioOptions().Bitrate()) SetRunOption("ab", QByteArray::number(b));
  if (int b = RunOptions().VideoOptions().Bitrate()) SetRunOption("b", QByteArray::number(b));
}

void TAVConverter::ApplyCodecOptions() {
  for (const QString& entry : RunOptions().CodecOptions())
    SetRunOption(engine::NameOf(entry).toLocal8Bit(), engine::ValueOf(entry).toLocal8Bit());
}

void TAVConverter::ResolveFormats() {
  const QString& in = RunOptions().InputFormat();
  const QString& out = RunOptions().OutputFormat();
  if (in.isEmpty() && out.isEmpty()) return;
  FRun->file_iformat = in.isEmpty() ? nullptr : media::FindInputFormat(in.toUtf8().constData());
  FRun->file_oformat = out.isEmpty() ? nullptr : av_guess_format(out.toUtf8().constData(), nullptr, nullptr);
  if (!FRun->file_iformat && !FRun->file_oformat)
    Fail(QString::asprintf("Unknown input %s or Output format %s", in.toUtf8().constData(),
                           out.toUtf8().constData()));
}

void TAVConverter::ApplyInputTSScale() {
  for (const TAVInputTSScale& entry : RunOptions().InputTSScale()) {
    if (entry.file_index < 0 || entry.stream_index < 0) continue;
    if (static_cast<size_t>(entry.file_index) >= FRun->input_files_ts_scale.size())
      FRun->input_files_ts_scale.resize(entry.file_index + 1);
    auto& scales = FRun->input_files_ts_scale[entry.file_index];
    if (static_cast<size_t>(entry.stream_index) >= scales.size()) scales.resize(entry.stream_index + 1, 0.0);
    scales[entry.stream_index] = entry.scale;
  }
}

void TAVConverter::RunTranscode() {
  timer_start = 0;
  last_time = 0;
  SetState(csRunning);
  // A stop asked for while the inputs were being opened is honoured now.
  if (FStopRequested) ChangeState(csRunning, csStopped);
  bool failed = false;
  try {
    Transcode();
  } catch (const EAVError& e) {
    std::lock_guard guard(FErrorLock);
    FErrorMsg = e.Message();
    failed = true;
  } catch (const std::exception& e) {
    std::lock_guard guard(FErrorLock);
    FErrorMsg = QString::fromUtf8(e.what());
    failed = true;
  }
  if (failed) DoError();
  if (!failed) DoProgress(true);  // the final sizes and times reach the caller
}

void TAVConverter::CloseAll() {
  EndPass();
  FRequest.reset();
  SetState(csNone);
}

// A run that failed before writing any header leaves only empty or partial
// files behind; the ones it created itself are removed once closed.
void TAVConverter::EndPass() {
  if (!FRun) return;
  const bool removeOutputs = !FRun->headers_written && !ErrorMsg().isEmpty();
  const QStringList created = FRun->created_outputs;
  FRun.reset();
  if (removeOutputs)
    for (const QString& name : created) QFile::remove(name);
}
