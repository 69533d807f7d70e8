#pragma once
// The AviSynth script stage: a picture is offered to AviSynth as a one-frame
// clip made by the script function FfmpegSource, the script is applied to it
// with ScriptClip, and the frame that comes out is copied back into the
// picture. A video filter chain runs the stage between two of the filter
// library's graphs (synth=<script> items).

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>

#include "media/AviSynthInterface.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace media {

struct TAviSynthLibrary;

class TSynthStage {
 public:
  // Longest script taken, in bytes.
  static constexpr int MaxScriptBytes = 65535;

  // A stage for script (every "|" in it stands for ","); nullopt when the
  // item gave none. Null with *error set when there is no script, it is too
  // long, or AviSynth cannot be had (see AviSynthLibrary.h).
  static std::unique_ptr<TSynthStage> Create(const std::optional<QByteArray>& script, QString* error);
  ~TSynthStage();
  TSynthStage(const TSynthStage&) = delete;
  TSynthStage& operator=(const TSynthStage&) = delete;

  // The pixel formats the stage takes: 8-bit YUV 4:2:0.
  static bool TakesFormat(int pixelFormat);

  // Runs picture through the script, in place. False with *error set to
  // AviSynth's message when the script failed; the picture is then unchanged.
  bool Process(AVFrame* picture, QString* error);

  // The script as AviSynth receives it.
  const QByteArray& Script() const { return FScript; }

 private:
  TSynthStage(const TAviSynthLibrary& library, QByteArray script);
  bool CopyBack(const AVS_VideoFrame* frame, AVFrame* picture, QString* error) const;

  friend struct TSynthCallbacks;
  const TAviSynthLibrary& FLibrary;
  QByteArray FScript;
  int FNumber = 0;               // what FfmpegSource is called with to find this stage
  AVFrame* FPicture = nullptr;   // the picture being processed
};

}  // namespace media
