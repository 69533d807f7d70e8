#pragma once
// The four kinds of video filter: logo picture, overlay text, burnt-in
// subtitles and the standard picture operations. All values start as 0,
// false or empty.

#include <QString>

#include "filters/AVFilter.h"

class TLogoFilter : public TAVFilter {
 public:
  static TFilterDialogHook<TLogoFilter> DialogHook;

  void GetFilterString(QString& S) const override;
  void GetFilterName(QString& S) const override;
  bool ShowNewDialog() override { return RunDialog(DialogHook, *this, fdNew); }
  bool ShowEditDialog() override { return RunDialog(DialogHook, *this, fdEdit); }

  int X() const { return FX; }
  void SetX(int v) { FX = v; }
  int Y() const { return FY; }
  void SetY(int v) { FY = v; }
  const QString& LogoFile() const { return FLogoFile; }
  void SetLogoFile(const QString& v) { FLogoFile = v; }

 private:
  int FX = 0;
  int FY = 0;
  QString FLogoFile;
};

class TOverlayTextFilter : public TAVFilter {
 public:
  static TFilterDialogHook<TOverlayTextFilter> DialogHook;

  void GetFilterString(QString& S) const override;
  void GetFilterName(QString& S) const override;
  bool ShowNewDialog() override { return RunDialog(DialogHook, *this, fdNew); }
  bool ShowEditDialog() override { return RunDialog(DialogHook, *this, fdEdit); }

  // Lines are separated by CR LF.
  const QString& Text() const { return FText; }
  void SetText(const QString& v) { FText = v; }
  int FontSize() const { return FFontSize; }
  void SetFontSize(int v) { FFontSize = v; }
  int X() const { return FX; }
  void SetX(int v) { FX = v; }
  int Y() const { return FY; }
  void SetY(int v) { FY = v; }
  TColor FontColor() const { return FFontColor; }
  void SetFontColor(TColor v) { FFontColor = v; }
  TColor BgColor() const { return FBgColor; }
  void SetBgColor(TColor v) { FBgColor = v; }
  const QString& FontFile() const { return FFontFile; }
  void SetFontFile(const QString& v) { FFontFile = v; }

 private:
  QString FText;
  int FFontSize = 0;
  int FX = 0;
  int FY = 0;
  TColor FFontColor = 0;
  TColor FBgColor = 0;
  QString FFontFile;
};

class TSubtitleFilter : public TAVFilter {
 public:
  static TFilterDialogHook<TSubtitleFilter> DialogHook;

  void GetFilterString(QString& S) const override;
  void GetFilterName(QString& S) const override;
  bool ShowNewDialog() override { return RunDialog(DialogHook, *this, fdNew); }
  bool ShowEditDialog() override { return RunDialog(DialogHook, *this, fdEdit); }

  const QString& SubtitleFile() const { return FSubtitleFile; }
  void SetSubtitleFile(const QString& v) { FSubtitleFile = v; }
  const QString& FontFile() const { return FFontFile; }
  void SetFontFile(const QString& v) { FFontFile = v; }
  // The subtitle file's code page; empty when not given.
  const QString& CodePage() const { return FCodePage; }
  void SetCodePage(const QString& v) { FCodePage = v; }
  TColor FontColor() const { return FFontColor; }
  void SetFontColor(TColor v) { FFontColor = v; }

 private:
  QString FSubtitleFile;
  QString FFontFile;
  QString FCodePage;
  TColor FFontColor = 0;
};

class TVideoStdFilter : public TAVFilter {
 public:
  static TFilterDialogHook<TVideoStdFilter> DialogHook;

  void GetFilterString(QString& S) const override;
  void GetFilterName(QString& S) const override;
  bool ShowNewDialog() override { return RunDialog(DialogHook, *this, fdNew); }
  bool ShowEditDialog() override { return RunDialog(DialogHook, *this, fdEdit); }

  bool VerticalFilp() const { return FVerticalFilp; }
  void SetVerticalFilp(bool v) { FVerticalFilp = v; }
  bool HorizontalFilip() const { return FHorizontalFilip; }
  void SetHorizontalFilip(bool v) { FHorizontalFilip = v; }
  bool Negate() const { return FNegate; }
  void SetNegate(bool v) { FNegate = v; }
  bool Rotate() const { return FRotate; }
  void SetRotate(bool v) { FRotate = v; }
  bool DrawBox() const { return FDrawBox; }
  void SetDrawBox(bool v) { FDrawBox = v; }
  // Rotation in degrees, used when Rotate is on.
  int Degree() const { return FDegree; }
  void SetDegree(int v) { FDegree = v; }
  int BX() const { return FBX; }
  void SetBX(int v) { FBX = v; }
  int BY() const { return FBY; }
  void SetBY(int v) { FBY = v; }
  int BWidth() const { return FBWidth; }
  void SetBWidth(int v) { FBWidth = v; }
  int BHeight() const { return FBHeight; }
  void SetBHeight(int v) { FBHeight = v; }
  // A colour name or value the box filter understands.
  const QString& BColor() const { return FBColor; }
  void SetBColor(const QString& v) { FBColor = v; }

 private:
  bool FVerticalFilp = false;
  bool FHorizontalFilip = false;
  bool FNegate = false;
  bool FRotate = false;
  bool FDrawBox = false;
  int FDegree = 0;
  int FBX = 0;
  int FBY = 0;
  int FBWidth = 0;
  int FBHeight = 0;
  QString FBColor;
};
