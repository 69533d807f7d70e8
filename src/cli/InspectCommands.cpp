// tesvanor-cli probe FILE
// tesvanor-cli snapshot FILE SECONDS OUT.png

#include <QFileInfo>
#include <cmath>
#include <cstdio>

extern "C" {
#include <libavutil/log.h>
}

#include "cli/Commands.h"
#include "engine/EngineError.h"
#include "engine/ErrorBox.h"
#include "inspect/AVPreviewDecoder.h"
#include "inspect/AVProbe.h"
#include "media/StreamInput.h"

namespace cli {

namespace {

// Only the libraries' errors reach standard error, as with the tools' "-v error".
void QuietLibraries() { av_log_set_level(AV_LOG_ERROR); }

int NoSuchFile(const QString& file) {
  std::fprintf(stderr, "tesvanor-cli: %s: no such file\n", qPrintable(file));
  return 1;
}

void PrintValue(const char* name, const QString& value) { std::printf("%s: %s\n", name, qPrintable(value)); }
void PrintValue(const char* name, bool value) { PrintValue(name, QString::fromLatin1(value ? "true" : "false")); }
void PrintValue(const char* name, int value) { PrintValue(name, QString::number(value)); }
void PrintValue(const char* name, double value) { PrintValue(name, QString::number(value)); }

void PrintProbe(const TAVProbe& p) {
  PrintValue("FileName", p.FileName());
  PrintValue("HasVideo", p.HasVideo());
  PrintValue("VideoEncoderName", p.VideoEncoderName());
  PrintValue("VideoWidth", p.VideoWidth());
  PrintValue("VideoHeight", p.VideoHeight());
  PrintValue("VideoBitrate", p.VideoBitrate());
  PrintValue("VideoFrameRate", p.VideoFrameRate());
  PrintValue("HasAudio", p.HasAudio());
  PrintValue("AudioEncoderName", p.AudioEncoderName());
  PrintValue("SampleRate", p.SampleRate());
  PrintValue("Channels", p.Channels());
  PrintValue("AudioBitrate", p.AudioBitrate());
}

}  // namespace

int Probe(const QStringList& args) {
  if (args.size() != 1) return UsageError(QStringLiteral("probe wants a FILE"));
  if (!QFileInfo(args[0]).isFile()) return NoSuchFile(args[0]);
  QuietLibraries();
  TAVProbe probe;
  probe.SetFileName(args[0]);
  try {
    probe.SetActive(true);
  } catch (const EAVError& e) {
    ShowErrorBox(e.Message());
    return 1;
  }
  PrintProbe(probe);
  return 0;
}

int Snapshot(const QStringList& args) {
  if (args.size() != 3) return UsageError(QStringLiteral("snapshot wants a FILE, a time in SECONDS and an OUT.png"));
  bool number = false;
  const double seconds = args[1].toDouble(&number);
  if (!number || !(seconds >= 0)) return UsageError(QStringLiteral("SECONDS wants a number of 0 or more"));
  QuietLibraries();

  TAVPreviewDecoder preview;
  preview.SetInputFile(args[0]);
  preview.SetActive(true);
  if (!preview.Active()) {
    if (!media::IsStreamName(args[0]) && !QFileInfo::exists(args[0])) return NoSuchFile(args[0]);
    std::fprintf(stderr, "tesvanor-cli: %s: no picture to show\n", qPrintable(args[0]));
    return 1;
  }
  // The picture of activation is the one at 0; any other position must show a new one.
  bool shown = static_cast<int64_t>(seconds * 1000000.0) == 0;
  preview.OnChange = [&](TAVPreviewDecoder*) { shown = true; };
  preview.Settimestamp(seconds);
  if (!shown) {
    std::fprintf(stderr, "tesvanor-cli: no picture at %s seconds\n", qPrintable(args[1]));
    return 1;
  }
  if (!preview.Bitmap().save(args[2])) {
    std::fprintf(stderr, "tesvanor-cli: cannot write %s\n", qPrintable(args[2]));
    return 1;
  }
  return 0;
}

}  // namespace cli
