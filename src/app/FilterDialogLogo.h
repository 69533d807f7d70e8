#pragma once
// "添加LOGO": position and picture file of a logo. OK while the file exists.

#include "app/FilterDialogBase.h"

class QSpinBox;

class TFormLogoFilter : public TFilterDialog {
  Q_OBJECT

 public:
  explicit TFormLogoFilter(QWidget* parent = nullptr);

  int X() const;
  void SetX(int Value);
  int Y() const;
  void SetY(int Value);
  QString LogoFile() const { return edtLogo->FileName(); }
  void SetLogoFile(const QString& Value) { edtLogo->SetFileName(Value); }

 protected:
  bool InputValid() const override;

 private:
  QSpinBox* edtX2;
  QSpinBox* edtY2;
  TFileEdit* edtLogo;
};
