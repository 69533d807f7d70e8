// Stand-ins for the windows that other branches bring: the wizard, the
// options, category, delete and about dialogs and the desktop alert. This
// file goes away when those land.

#include <QDir>
#include <QFileInfo>

#include "app/AboutDialog.h"
#include "app/CategoryDialog.h"
#include "app/DeleteDialog.h"
#include "app/DesktopAlert.h"
#include "app/NewConversion.h"
#include "app/OptionsDialog.h"
#include "engine/AVConverter.h"
#include "profiles/AVProfile.h"
#include "tasks/AVTask.h"
#include "tasks/Configuration.h"
#include "tasks/ConversionSettings.h"

std::unique_ptr<TConversionSettings> RunNewConversionWizard(QWidget*, TAVProfileList& Profiles,
                                                            const QString& SourceFile) {
  if (SourceFile.isEmpty() || Profiles.Categories().isEmpty()) return nullptr;
  const QList<TAVProfile*> profiles = Profiles.ProfilesOfCategory(Profiles.Categories().first());
  if (profiles.isEmpty()) return nullptr;
  TAVProfile* profile = profiles.first();
  TAVConverter converter;
  profile->ApplyProfile(converter);
  auto settings = std::make_unique<TConversionSettings>();
  settings->SetSourceFile(SourceFile);
  const QString folder = AVConfiguration().OutputFolder();
  QDir().mkpath(folder);
  settings->SetTargetFile(QDir(folder).filePath(QFileInfo(SourceFile).completeBaseName() + profile->Extension()));
  settings->SetProfile(profile->Description());
  settings->SetCategoryId(1);
  settings->SetConvertOptions(converter.ConvertOptions());
  return settings;
}

bool RunOptionsDialog(QWidget*) { return false; }

bool RunCategoryDialog(QWidget*, QString&, QString&, bool) { return false; }

bool RunDeleteDialog(QWidget*, TDeleteChoice&) { return false; }

void RunAboutDialog(QWidget*) {}

void ShowDesktopAlert(const TTaskAlert&) {}
