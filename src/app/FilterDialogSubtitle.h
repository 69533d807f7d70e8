#pragma once
// "字幕设置": subtitle file, font file, colour and the subtitle file's code
// page (typed or picked from the list). OK while both files exist.

#include <QStringList>

#include "app/FilterDialogBase.h"
#include "filters/AVFilter.h"

class QComboBox;
class TColorBox;

class TFormSubtitleFilter : public TFilterDialog {
  Q_OBJECT

 public:
  explicit TFormSubtitleFilter(QWidget* parent = nullptr);

  QString SubtitleFile() const { return edtSubtitle->FileName(); }
  void SetSubtitleFile(const QString& Value) { edtSubtitle->SetFileName(Value); }
  QString FontFile() const { return edtFont->FileName(); }
  void SetFontFile(const QString& Value) { edtFont->SetFileName(Value); }
  TColor FontColor() const;
  void SetFontColor(TColor Value);
  // The text of the code-page field without leading and trailing blanks.
  QString CodePage() const;
  void SetCodePage(const QString& Value);

  // The code-page names the list offers, in list order.
  static const QStringList& CodePageNames();

 protected:
  bool InputValid() const override;

 private:
  TFileEdit* edtSubtitle;
  TFileEdit* edtFont;
  TColorBox* cbColor;
  QComboBox* cbbCodePage;
};
