#include "app/FilterDialogHooks.h"

#include <QApplication>

#include "app/FilterDialogLogo.h"
#include "app/FilterDialogStd.h"
#include "app/FilterDialogSubtitle.h"
#include "app/FilterDialogText.h"
#include "filters/VideoFilters.h"

namespace {

// The window the dialog belongs to: whichever is active (the wizard).
QWidget* DialogParent() { return QApplication::activeWindow(); }

// Shows the dialog; for fdEdit it is first filled from the filter. The
// values are read back only after OK. Getters and setters run in the order
// the filter lists its properties.
bool EditLogo(TLogoFilter& filter, TFilterDialogMode mode) {
  TFormLogoFilter dialog(DialogParent());
  if (mode == fdEdit) {
    dialog.SetX(filter.X());
    dialog.SetY(filter.Y());
    dialog.SetLogoFile(filter.LogoFile());
  }
  if (dialog.exec() != QDialog::Accepted) return false;
  filter.SetX(dialog.X());
  filter.SetY(dialog.Y());
  filter.SetLogoFile(dialog.LogoFile());
  return true;
}

bool EditText(TOverlayTextFilter& filter, TFilterDialogMode mode) {
  TFormTextFilter dialog(DialogParent());
  if (mode == fdEdit) {
    dialog.SetText(filter.Text());
    dialog.SetFontSize(filter.FontSize());
    dialog.SetX(filter.X());
    dialog.SetY(filter.Y());
    dialog.SetFontColor(filter.FontColor());
    dialog.SetBgColor(filter.BgColor());
    dialog.SetFontFile(filter.FontFile());
  }
  if (dialog.exec() != QDialog::Accepted) return false;
  filter.SetText(dialog.Text());
  filter.SetFontSize(dialog.FontSize());
  filter.SetX(dialog.X());
  filter.SetY(dialog.Y());
  filter.SetFontColor(dialog.FontColor());
  filter.SetBgColor(dialog.BgColor());
  filter.SetFontFile(dialog.FontFile());
  return true;
}

bool EditSubtitle(TSubtitleFilter& filter, TFilterDialogMode mode) {
  TFormSubtitleFilter dialog(DialogParent());
  if (mode == fdEdit) {
    dialog.SetSubtitleFile(filter.SubtitleFile());
    dialog.SetFontFile(filter.FontFile());
    dialog.SetFontColor(filter.FontColor());
    dialog.SetCodePage(filter.CodePage());
  }
  if (dialog.exec() != QDialog::Accepted) return false;
  filter.SetSubtitleFile(dialog.SubtitleFile());
  filter.SetFontFile(dialog.FontFile());
  filter.SetFontColor(dialog.FontColor());
  filter.SetCodePage(dialog.CodePage());
  return true;
}

bool EditStandard(TVideoStdFilter& filter, TFilterDialogMode mode) {
  TFormStdFilter dialog(DialogParent());
  if (mode == fdEdit) {
    dialog.SetVerticalFilp(filter.VerticalFilp());
    dialog.SetHorizontalFilip(filter.HorizontalFilip());
    dialog.SetNegate(filter.Negate());
    dialog.SetRotate(filter.Rotate());
    dialog.SetDrawBox(filter.DrawBox());
    dialog.SetDegree(filter.Degree());
    dialog.SetBX(filter.BX());
    dialog.SetBY(filter.BY());
    dialog.SetBWidth(filter.BWidth());
    dialog.SetBHeight(filter.BHeight());
    dialog.SetBColor(filter.BColor());
  }
  if (dialog.exec() != QDialog::Accepted) return false;
  filter.SetVerticalFilp(dialog.VerticalFilp());
  filter.SetHorizontalFilip(dialog.HorizontalFilip());
  filter.SetNegate(dialog.Negate());
  filter.SetRotate(dialog.Rotate());
  filter.SetDrawBox(dialog.DrawBox());
  filter.SetDegree(dialog.Degree());
  filter.SetBX(dialog.BX());
  filter.SetBY(dialog.BY());
  filter.SetBWidth(dialog.BWidth());
  filter.SetBHeight(dialog.BHeight());
  filter.SetBColor(dialog.BColor());
  return true;
}

}  // namespace

void InstallFilterDialogs() {
  TLogoFilter::DialogHook = EditLogo;
  TOverlayTextFilter::DialogHook = EditText;
  TSubtitleFilter::DialogHook = EditSubtitle;
  TVideoStdFilter::DialogHook = EditStandard;
}
