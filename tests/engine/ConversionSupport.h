#pragma once
// Running a real conversion to its end from a test.

#include <QDir>
#include <QStringList>
#include <functional>
#include <mutex>

#include "engine/AVConverter.h"
#include "support/MediaFixtures.h"
#include "support/TestSupport.h"

struct TConversionResult {
  QStringList errorBoxes;  // in the order shown
  QStringList log;         // engine and library lines
  QString errorMsg;        // the converter's ErrorMsg
  int completions = 0;
  bool Succeeded() const { return errorMsg.isEmpty() && errorBoxes.isEmpty() && completions == 1; }
};

// Converts c's inputs into its outputs and waits for OnComplete.
inline TConversionResult RunConversion(TAVConverter& c, int timeoutMs = 120000) {
  TConversionResult r;
  std::mutex logLock;
  testing_support::TakeErrorBoxes();
  c.OnLog = [&](TAVConverter*, int, const QString& line) {
    std::lock_guard guard(logLock);
    r.log << line.trimmed();
  };
  c.OnComplete = [&](TAVConverter*) { ++r.completions; };
  c.Convert();
  testing_support::PumpUntil([&] { return r.completions > 0; }, timeoutMs);
  testing_support::PumpUntil([] { return false; }, 20);  // nothing may follow
  r.errorBoxes = testing_support::TakeErrorBoxes();
  r.errorMsg = c.ErrorMsg();
  c.OnLog = nullptr;
  return r;
}

// Converts one file with the options setup makes.
inline TConversionResult ConvertFile(const QString& source, const QString& target,
                                     const std::function<void(TAVConvertOptions&)>& setup = {}) {
  TAVConverter c;
  c.InputFiles() << source;
  c.OutputFiles() << target;
  if (setup) setup(c.ConvertOptions());
  return RunConversion(c);
}

// A converter from source to a fresh file named target in a temporary folder.
inline QString Target(const QString& name) { return QDir(testing_support::TemporaryFolder()).filePath(name); }
