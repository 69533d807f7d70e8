#pragma once
// "标准过滤": the standard picture operations — flips, rotation by an angle,
// negation and a drawn box. OK while at least one operation is ticked.

#include "app/FilterDialogBase.h"

class QCheckBox;
class QSpinBox;
class QWidget;
class TColorBox;

class TFormStdFilter : public TFilterDialog {
  Q_OBJECT

 public:
  explicit TFormStdFilter(QWidget* parent = nullptr);

  bool VerticalFilp() const;
  void SetVerticalFilp(bool Value);
  bool HorizontalFilip() const;
  void SetHorizontalFilip(bool Value);
  bool Negate() const;
  void SetNegate(bool Value);
  bool Rotate() const;
  void SetRotate(bool Value);
  bool DrawBox() const;
  void SetDrawBox(bool Value);
  int Degree() const;
  void SetDegree(int Value);
  int BX() const;
  void SetBX(int Value);
  int BY() const;
  void SetBY(int Value);
  int BWidth() const;
  void SetBWidth(int Value);
  int BHeight() const;
  void SetBHeight(int Value);
  // The selected colour's name; empty when none is selected.
  QString BColor() const;
  // Selects the colour of that name; none when no colour has it.
  void SetBColor(const QString& Value);

 protected:
  bool InputValid() const override;

 private:
  QWidget* CreateBoxPanel();
  void UpdateDependentInputs();

  QCheckBox* chkVFlip;
  QCheckBox* chkHFlip;
  QCheckBox* chkRotate;
  QSpinBox* edtDegree;
  QCheckBox* chkNegate;
  QCheckBox* chkDrawBox;
  QWidget* pnlBox;
  QSpinBox* edtX;
  QSpinBox* edtY;
  QSpinBox* edtWidth;
  QSpinBox* edtHeight;
  TColorBox* cbColor;
};
