#pragma once
// The new-conversion wizard: source file or DVD title, profile, target file,
// time range and video filters. Returns the settings of the new task, or none
// when the user cancels.

#include <QString>
#include <memory>

class QWidget;
class TAVProfileList;
class TConversionSettings;

// SourceFile, when given, is put into the source field as if it had been chosen.
std::unique_ptr<TConversionSettings> RunNewConversionWizard(QWidget* Parent, TAVProfileList& Profiles,
                                                            const QString& SourceFile = {});
