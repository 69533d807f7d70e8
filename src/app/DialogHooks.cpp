#include "app/DialogHooks.h"

#include "app/AboutDialog.h"
#include "app/CategoryDialog.h"
#include "app/NewConversion.h"
#include "app/OptionsDialog.h"
#include "tasks/ConversionSettings.h"

TDialogHooks::TWizard TDialogHooks::NewConversion = RunNewConversionWizard;
TDialogHooks::TOptions TDialogHooks::Options = RunOptionsDialog;
TDialogHooks::TCategory TDialogHooks::Category = RunCategoryDialog;
TDialogHooks::TDelete TDialogHooks::Delete = RunDeleteDialog;
TDialogHooks::TAbout TDialogHooks::About = RunAboutDialog;

void TDialogHooks::Restore() {
  NewConversion = RunNewConversionWizard;
  Options = RunOptionsDialog;
  Category = RunCategoryDialog;
  Delete = RunDeleteDialog;
  About = RunAboutDialog;
}
