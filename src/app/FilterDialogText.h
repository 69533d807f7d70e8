#pragma once
// "文字水印": an overlay text with its position, font file, colour and size.
// OK while the text holds more than blanks and the font file exists. The
// background colour list is hidden, so a new text keeps the blue default
// and an edited one its own value.

#include "app/FilterDialogBase.h"
#include "filters/AVFilter.h"

class QLabel;
class QPlainTextEdit;
class QSpinBox;
class TColorBox;

class TFormTextFilter : public TFilterDialog {
  Q_OBJECT

 public:
  explicit TFormTextFilter(QWidget* parent = nullptr);

  // Lines separated by CR LF, no line break added at the end.
  QString Text() const;
  void SetText(const QString& Value);
  int FontSize() const;
  void SetFontSize(int Value);
  int X() const;
  void SetX(int Value);
  int Y() const;
  void SetY(int Value);
  TColor FontColor() const;
  void SetFontColor(TColor Value);
  TColor BgColor() const;
  void SetBgColor(TColor Value);
  QString FontFile() const { return edtFont->FileName(); }
  void SetFontFile(const QString& Value) { edtFont->SetFileName(Value); }

 protected:
  bool InputValid() const override;

 private:
  QPlainTextEdit* mmoText;
  QSpinBox* edtX;
  QSpinBox* edtY;
  TFileEdit* edtFont;
  TColorBox* cbbColor;
  QSpinBox* edtSize;
  QLabel* lblBack;
  TColorBox* cbbBack;
};
