// tesvanor-cli convert SOURCE TARGET [options], and
// tesvanor-cli convert SOURCE... --output-folder DIR [options]

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <optional>
#include <cstdio>

#include "cli/Commands.h"
#include "cli/ConvertRequest.h"
#include "cli/DvdSource.h"
#include "cli/TaskCommands.h"
#include "engine/AVConverter.h"
#include "engine/EngineError.h"
#include "engine/ErrorBox.h"
#include "tasks/Configuration.h"

namespace cli {

namespace {

std::atomic<bool> interrupted{false};

QString Clock(int64_t seconds) {
  if (seconds >= TAVConverter::UnknownLeftTime) return QStringLiteral("-:--:--");
  return QStringLiteral("%1:%2:%3").arg(seconds / 3600).arg(seconds / 60 % 60).arg(seconds % 60);
}

// A file size: a number of bytes with an optional K, M or G (powers of 1000)
// or Ki, Mi, Gi (powers of 1024); 0 or less when the text is none.
int64_t ParseFileSize(const QString& text) {
  static const std::pair<const char*, double> units[] = {{"Ki", 1024.0}, {"Mi", 1048576.0}, {"Gi", 1073741824.0},
                                                        {"K", 1e3},     {"M", 1e6},        {"G", 1e9}};
  QString number = text.trimmed();
  if (number.endsWith(QLatin1Char('B'), Qt::CaseInsensitive)) number.chop(1);
  double scale = 1;
  for (const auto& [suffix, factor] : units)
    if (number.endsWith(QLatin1String(suffix), Qt::CaseInsensitive)) {
      number.chop(static_cast<int>(qstrlen(suffix)));
      scale = factor;
      break;
    }
  bool ok = false;
  const double value = number.toDouble(&ok);
  return ok && value > 0 ? static_cast<int64_t>(value * scale) : 0;
}

// A SOURCE and a TARGET, or with --output-folder one or more SOURCEs.
bool TakePositional(const QStringList& positional, TConvertRequest& r, QString& error) {
  if (r.outputFolder.isEmpty()) {
    if (positional.size() != 2) {
      error = QStringLiteral("convert wants a SOURCE and a TARGET");
      return false;
    }
    r.inputs.prepend(positional[0]);
    r.outputs.prepend(positional[1]);
    return true;
  }
  if (!r.inputs.isEmpty() || !r.outputs.isEmpty()) {
    error = QStringLiteral("--output-folder does not go with --input or --output");
    return false;
  }
  if (positional.isEmpty()) {
    error = QStringLiteral("convert --output-folder wants at least one SOURCE");
    return false;
  }
  r.inputs = positional;
  return true;
}

// Reads the options into the converter; false with error set on a usage error.
bool ParseConvertArguments(const QStringList& args, TAVConverter& c, TConvertRequest& r, QString& error) {
  TAVConvertOptions& o = c.ConvertOptions();
  QStringList positional;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    auto value = [&](QString& out) {
      if (i + 1 >= args.size()) {
        error = QStringLiteral("%1 needs a value").arg(a);
        return false;
      }
      out = args[++i];
      return true;
    };
    auto pair = [&](QString& name, QString& val) {
      QString text;
      if (!value(text)) return false;
      const qsizetype eq = text.indexOf(QLatin1Char('='));
      if (eq <= 0) {
        error = QStringLiteral("%1 wants NAME=VALUE, not '%2'").arg(a, text);
        return false;
      }
      name = text.left(eq);
      val = text.mid(eq + 1);
      return true;
    };
    QString name, val;
    if (a == QLatin1String("--set")) {
      if (!pair(name, val) || !engine::SetPropertyText(o, name, val, error)) return false;
    } else if (a == QLatin1String("--codec-option")) {
      if (!pair(name, val)) return false;
      o.SetAdvancedOption(name, val);
    } else if (a == QLatin1String("--metadata")) {
      if (!pair(name, val)) return false;
      o.SetMetaData(QStringList(o.MetaData()) << name + QLatin1Char('=') + val);
    } else if (a == QLatin1String("--stream-map")) {
      if (!pair(name, val)) return false;
      o.SetStreamMaps(QStringList(o.StreamMaps()) << name + QLatin1Char('=') + val);
    } else if (a == QLatin1String("--input") || a == QLatin1String("--output")) {
      if (!value(val)) return false;
      (a == QLatin1String("--input") ? r.inputs : r.outputs) << val;
    } else if (a == QLatin1String("--threads")) {
      bool ok = false;
      if (!value(val)) return false;
      const int n = val.toInt(&ok);
      if (!ok || n < 0) {
        error = QStringLiteral("--threads wants a number of 0 or more");
        return false;
      }
      o.SetThreadCount(n == 0 ? QThread::idealThreadCount() : n);
      r.decoderThreads = o.ThreadCount();
      r.automaticThreads = n == 0;
    } else if (a == QLatin1String("--target-size")) {
      if (!value(val)) return false;
      const int64_t size = ParseFileSize(val);
      if (size <= 0) {
        error = QStringLiteral("--target-size wants a size such as 25M, not '%1'").arg(val);
        return false;
      }
      o.VideoOptions().SetTargetFileSize(size);
    } else if (a == QLatin1String("--output-folder")) {
      if (!value(r.outputFolder)) return false;
      if (r.outputFolder.isEmpty()) {
        error = QStringLiteral("--output-folder wants a folder");
        return false;
      }
    } else if (a == QLatin1String("--jobs")) {
      bool ok = false;
      if (!value(val)) return false;
      r.jobs = val.toInt(&ok);
      if (!ok || r.jobs < 1) {
        error = QStringLiteral("--jobs wants a number of 1 or more");
        return false;
      }
    } else if (a == QLatin1String("--save-task")) {
      r.saveTask = true;
    } else if (a == QLatin1String("--quiet")) {
      r.quiet = true;
    } else if (a == QLatin1String("--verbose")) {
      r.verbose = true;
    } else if (a.startsWith(QLatin1String("--"))) {
      error = QStringLiteral("unknown option %1").arg(a);
      return false;
    } else {
      positional << a;
    }
  }
  return TakePositional(positional, r, error);
}

}  // namespace

void ApplyWindowSettings(TAVConverter& converter, TConvertRequest& request) {
  TAVConfiguration settings;
  const QString file = TAVConfiguration::GetConfigFile();
  if (QFileInfo::exists(file)) {
    try {
      settings.LoadFromFile(file);
    } catch (const EAVError& e) {
      std::fprintf(stderr, "tesvanor-cli: %s; converting with the initial settings\n", qPrintable(e.Message()));
      settings.Assign(TAVConfiguration());
    }
  }
  settings.ApplyToConversion(converter.ConvertOptions());
  request.decoderThreads = settings.EngineThreadCount();
  request.automaticThreads = settings.AutomaticThreads();
}

void StopOnInterrupt(QTimer& watch, const std::function<void()>& stop) {
  std::signal(SIGINT, [](int) { interrupted = true; });
  QObject::connect(&watch, &QTimer::timeout, [stop] {
    if (interrupted.exchange(false)) stop();
  });
  watch.start(100);
}

int Convert(const QStringList& arguments) {
  TAVConverter c;
  TConvertRequest request;
  ApplyWindowSettings(c, request);
  QString error;
  QStringList args = arguments;  // the profile goes first, the explicit options after it
  TDvdSource dvdSource;
  QString profile, extension;
  if (!ApplyProfileArguments(args, c, error, &profile, &extension)) return UsageError(error);
  if (!dvdSource.TakeOptions(args, error) || !ParseConvertArguments(args, c, request, error)) return UsageError(error);
  if (!request.outputFolder.isEmpty()) {
    if (dvdSource.Wanted()) return UsageError(QStringLiteral("--output-folder does not go with --dvd-title"));
    return ConvertBatch(c.ConvertOptions(), request, profile, extension);
  }
  if (dvdSource.Wanted()) {
    if (!dvdSource.Open(request.inputs[0])) return 1;
    request.inputs[0] = dvdSource.Name();
  }
  c.InputFiles() = request.inputs;
  c.OutputFiles() = request.outputs;
  c.SetDecoderThreadCount(request.decoderThreads);
  c.SetAutomaticThreads(request.automaticThreads);
  std::optional<TTaskRecorder> recorder;
  if (request.saveTask) {
    recorder.emplace(c, profile);
    if (dvdSource.Wanted()) dvdSource.Describe(recorder->Settings());
    // Refused before converting: the stored task would name another file.
    try {
      RequireStorableSettings(recorder->Settings());
    } catch (const EAVError& e) {
      std::fprintf(stderr, "tesvanor-cli: %s\n", qPrintable(e.Message()));
      return 1;
    }
  }

  c.OnProgress = [&](TAVConverter* s) {
    if (request.quiet) return;
    std::fprintf(stderr, "\r%4d%%  elapsed %s  left %s  %9.1f kbit/s ", s->Progress(),
                 qPrintable(Clock(s->GetUsedTime())), qPrintable(Clock(s->GetLeftTime())), s->Bitrate());
  };
  c.OnLog = [&](TAVConverter*, int, const QString& text) {
    if (recorder) recorder->AddLog(text);
    if (request.verbose) std::fprintf(stderr, "%s\n", qPrintable(text.trimmed()));
  };
  c.OnComplete = [&](TAVConverter*) { QCoreApplication::quit(); };

  // Ctrl-C stops the conversion the way the stop button does: the file is finished.
  QTimer watch;
  StopOnInterrupt(watch, [&] { c.Stop(); });

  c.Convert();
  QCoreApplication::exec();
  if (!request.quiet) std::fputc('\n', stderr);
  if (recorder && !recorder->Save(c)) return 1;
  return c.ErrorMsg().isEmpty() ? 0 : 1;
}

}  // namespace cli
