#pragma once
// What tesvanor-cli convert was asked to do, shared by the conversion of one
// source and of a batch.

#include <QString>
#include <QStringList>
#include <functional>

class QTimer;
class TAVConverter;
class TAVConvertOptions;

namespace cli {

struct TConvertRequest {
  QStringList inputs, outputs;
  // Several sources into this folder, named as the program names a batch.
  QString outputFolder;
  int jobs = 1;  // conversions of a batch at once
  int decoderThreads = 0;  // --threads, or 0: as many as the machine has cores
  bool automaticThreads = true;  // no count given: the encoders that choose their own threads do
  bool quiet = false, verbose = false, saveTask = false;
};

// What the window's settings (Config.Xml, when there is one) give a new
// conversion: the thread count and deinterlacing. The command line's own
// options come after and win.
void ApplyWindowSettings(TAVConverter& converter, TConvertRequest& request);

// Ctrl-C calls stop (on the main thread, within a tenth of a second) through
// the running timer watch.
void StopOnInterrupt(QTimer& watch, const std::function<void()>& stop);

// Converts every input of the request into its output folder, at most
// request.jobs at a time, with the options given (a profile and the explicit
// options already applied); extension: the applied profile's, or empty for
// each source's own. Returns the exit status: 0 when every source converted.
int ConvertBatch(const TAVConvertOptions& options, const TConvertRequest& request, const QString& profile,
                 const QString& extension);

}  // namespace cli
