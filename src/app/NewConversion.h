#pragma once
// The new-conversion wizard: source file or DVD title, profile, target file,
// time range and video filters. Returns the settings of the new task, or none
// when the user cancels.

#include <QString>
#include <memory>
#include <vector>

#include "tasks/ConversionSettings.h"

class QWidget;
class TAVProfileList;

// The settings of the tasks one finish of the wizard makes: one per source.
using TNewConversions = std::vector<std::unique_ptr<TConversionSettings>>;

// SourceFile, when given, is put into the source field as if it had been
// chosen. Empty when the user gives up.
TNewConversions RunNewConversionWizard(QWidget* Parent, TAVProfileList& Profiles, const QString& SourceFile = {});
