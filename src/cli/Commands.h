#pragma once
// The commands of tesvanor-cli. Each returns the process exit status:
// 0 success, 1 failure of the work itself, 2 a usage error.

#include <QStringList>

class TAVConverter;

namespace cli {

int Convert(const QStringList& args);
int Profiles(const QStringList& args);

// Takes every "--profile DESCRIPTION" out of args and applies those profiles
// to the converter, in order; false with error set for an unknown profile.
// applied and extension receive the description and the file extension of
// the last profile applied.
bool ApplyProfileArguments(QStringList& args, TAVConverter& converter, QString& error, QString* applied = nullptr,
                           QString* extension = nullptr);
int Dvd(const QStringList& args);
int Probe(const QStringList& args);
int Info(const QStringList& args);
int Snapshot(const QStringList& args);

// Prints "tesvanor-cli: <message>" and the usage hint; returns 2.
int UsageError(const QString& message);

}  // namespace cli
