// tesvanor-cli probe FILE
// tesvanor-cli info FILE
// tesvanor-cli snapshot FILE SECONDS OUT.png

#include <QFileInfo>
#include <cmath>
#include <cstdio>
#include <functional>

extern "C" {
#include <libavutil/log.h>
}

#include "cli/Commands.h"
#include "engine/EngineError.h"
#include "engine/ErrorBox.h"
#include "inspect/AVPreviewDecoder.h"
#include "engine/PicturePlan.h"
#include "inspect/AVProbe.h"
#include "inspect/MediaTracks.h"
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

QString ScanText(const engine::TSourcePictures& p) {
  QString text;
  switch (p.Scan()) {
    case engine::TFieldOrder::TopFirst: text = QStringLiteral("interlaced, top field first"); break;
    case engine::TFieldOrder::BottomFirst: text = QStringLiteral("interlaced, bottom field first"); break;
    case engine::TFieldOrder::Progressive: text = QStringLiteral("progressive"); break;
    case engine::TFieldOrder::Unknown: text = QStringLiteral("not known"); break;
  }
  if (p.comb && p.comb->moving > 0)
    text += QStringLiteral(" (%1 of %2 sampled moving pictures combed)").arg(p.comb->combed).arg(p.comb->moving);
  return text;
}

QString RangeText(const engine::TSourcePictures& p) {
  QString text;
  switch (p.Hdr()) {
    case engine::THdrKind::PQ: text = QStringLiteral("HDR10 (PQ)"); break;
    case engine::THdrKind::HLG: text = QStringLiteral("HDR (HLG)"); break;
    case engine::THdrKind::None: return QStringLiteral("SDR");
  }
  if (p.mastering && p.mastering->has_luminance)
    text += QStringLiteral(", mastered on a display of %1 cd/m²").arg(av_q2d(p.mastering->max_luminance));
  if (p.light)
    text += QStringLiteral(", content light %1 cd/m² at most, %2 on average").arg(p.light->MaxCLL).arg(p.light->MaxFALL);
  return text;
}

QString ColourText(const engine::TSourcePictures& p) {
  const engine::TColourTags c = engine::AssumedColour(p);
  QString text = QStringLiteral("primaries %1, transfer %2, matrix %3, %4 range")
                     .arg(QLatin1String(engine::PrimariesName(c.primaries)),
                          QLatin1String(engine::TransferName(c.transfer)), QLatin1String(engine::MatrixName(c.matrix)),
                          QLatin1String(c.range == AVCOL_RANGE_JPEG ? "full" : "limited"));
  if (!(c == p.colour)) text += QStringLiteral(" (assumed where the file says nothing)");
  return text;
}

void PrintInfo(const TAVProbe& probe, const inspect::TMediaSummary& s) {
  PrintValue("File", probe.FileName());
  PrintValue("Duration", QStringLiteral("%1 s").arg(s.Duration, 0, 'f', 2));
  if (s.BestVideo >= 0) {
    PrintValue("Video", QStringLiteral("%1, %2x%3, %4 fps")
                            .arg(probe.VideoEncoderName())
                            .arg(s.Pictures.width)
                            .arg(s.Pictures.height)
                            .arg(probe.VideoFrameRate(), 0, 'f', 2));
    PrintValue("Scan", ScanText(s.Pictures));
    PrintValue("Dynamic range", RangeText(s.Pictures));
    PrintValue("Colour", ColourText(s.Pictures));
  }
  if (probe.HasAudio())
    PrintValue("Audio", QStringLiteral("%1, %2 Hz, %3 channels, %4 track(s)")
                            .arg(probe.AudioEncoderName())
                            .arg(probe.SampleRate())
                            .arg(probe.Channels())
                            .arg(s.Audio.size()));
  int text = 0;
  for (const inspect::TMediaTrack& t : s.Subtitles) text += t.Text ? 1 : 0;
  PrintValue("Subtitles", QStringLiteral("%1 (%2 text, %3 pictures)")
                              .arg(s.Subtitles.size())
                              .arg(text)
                              .arg(int(s.Subtitles.size()) - text));
  PrintValue("Chapters", s.Chapters);
  PrintValue("Cover", s.Cover);
}

// The command's one FILE probed and shown by print; the exit status.
int WithProbe(const char* command, const QStringList& args, const std::function<void(const TAVProbe&)>& print) {
  if (args.size() != 1) return UsageError(QStringLiteral("%1 wants a FILE").arg(QLatin1String(command)));
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
  print(probe);
  return 0;
}

}  // namespace

int Info(const QStringList& args) {
  return WithProbe("info", args, [&](const TAVProbe& probe) { PrintInfo(probe, inspect::ProbeMediaFile(args[0], true)); });
}

int Probe(const QStringList& args) { return WithProbe("probe", args, PrintProbe); }

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
