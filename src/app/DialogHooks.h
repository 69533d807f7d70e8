#pragma once
// The windows the main window opens, reached through replaceable functions:
// by default the real windows; tests install answers of their own.

#include <QString>
#include <functional>
#include <memory>

#include "app/DeleteDialog.h"
#include "app/NewConversion.h"

class QWidget;
class TAVProfileList;
class TConversionSettings;

struct TDialogHooks {
  using TWizard =
      std::function<TNewConversions(QWidget* parent, TAVProfileList& profiles, const QString& sourceFile)>;
  using TOptions = std::function<bool(QWidget* parent)>;
  using TCategory = std::function<bool(QWidget* parent, QString& name, QString& path, bool isNew)>;
  using TDelete = std::function<bool(QWidget* parent, TDeleteChoice& choice)>;
  using TAbout = std::function<void(QWidget* parent)>;

  static TWizard NewConversion;  // RunNewConversionWizard
  static TOptions Options;       // RunOptionsDialog
  static TCategory Category;     // RunCategoryDialog
  static TDelete Delete;         // RunDeleteDialog
  static TAbout About;           // RunAboutDialog

  // Puts the real windows back.
  static void Restore();
};
