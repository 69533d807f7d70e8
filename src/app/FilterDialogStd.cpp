#include "app/FilterDialogStd.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <limits>

#include "app/FilterDialogColorBox.h"

namespace {

constexpr int NoMin = std::numeric_limits<int>::min();
constexpr int NoMax = std::numeric_limits<int>::max();

QCheckBox* CheckBox(const QString& name, const QString& caption, QWidget* parent) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  return box;
}

}  // namespace

TFormStdFilter::TFormStdFilter(QWidget* parent) : TFilterDialog(QStringLiteral("标准过滤"), QSize(496, 292), parent) {
  chkVFlip = CheckBox(QStringLiteral("chkVFlip"), QStringLiteral("垂直翻转"), Panel());
  chkHFlip = CheckBox(QStringLiteral("chkHFlip"), QStringLiteral("水平翻转"), Panel());
  chkRotate = CheckBox(QStringLiteral("chkRotate"), QStringLiteral("旋转"), Panel());
  edtDegree = SpinField(QStringLiteral("edtDegree"), 0, 359, 45, Panel());
  chkNegate = CheckBox(QStringLiteral("chkNegate"), QStringLiteral("反面"), Panel());
  chkDrawBox = CheckBox(QStringLiteral("chkDrawBox"), QStringLiteral("绘制窗口"), Panel());
  pnlBox = CreateBoxPanel();

  auto* grid = new QGridLayout(Panel());
  grid->addWidget(chkVFlip, 0, 0);
  grid->addWidget(chkHFlip, 0, 1);
  grid->addWidget(chkNegate, 0, 2);
  grid->addWidget(chkRotate, 1, 0);
  grid->addWidget(new QLabel(QStringLiteral("角度"), Panel()), 1, 1, Qt::AlignRight);
  grid->addWidget(edtDegree, 1, 2);
  grid->addWidget(chkDrawBox, 2, 0);
  grid->addWidget(pnlBox, 3, 0, 1, 3);
  grid->setRowStretch(3, 1);

  for (QCheckBox* box : {chkVFlip, chkHFlip, chkRotate, chkNegate, chkDrawBox}) {
    WatchInput(box, &QCheckBox::toggled);
    connect(box, &QCheckBox::toggled, this, &TFormStdFilter::UpdateDependentInputs);
  }
  UpdateDependentInputs();
  UpdateOkButton();
}

QWidget* TFormStdFilter::CreateBoxPanel() {
  auto* panel = new QGroupBox(Panel());
  panel->setObjectName(QStringLiteral("pnlBox"));
  edtX = SpinField(QStringLiteral("edtX"), NoMin, NoMax, 0, panel);
  edtY = SpinField(QStringLiteral("edtY"), NoMin, NoMax, 0, panel);
  edtWidth = SpinField(QStringLiteral("edtWidth"), NoMin, NoMax, 0, panel);
  edtHeight = SpinField(QStringLiteral("edtHeight"), NoMin, NoMax, 0, panel);
  cbColor = new TColorBox(cbStandardColors, panel);
  cbColor->setObjectName(QStringLiteral("cbColor"));
  SetBColor(QStringLiteral("Black"));

  auto* grid = new QGridLayout(panel);
  grid->addWidget(new QLabel(QStringLiteral("X"), panel), 0, 0);
  grid->addWidget(edtX, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Y"), panel), 0, 2);
  grid->addWidget(edtY, 0, 3);
  grid->addWidget(new QLabel(QStringLiteral("宽"), panel), 1, 0);
  grid->addWidget(edtWidth, 1, 1);
  grid->addWidget(new QLabel(QStringLiteral("高"), panel), 1, 2);
  grid->addWidget(edtHeight, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("颜色"), panel), 2, 0);
  grid->addWidget(cbColor, 2, 1, 1, 3);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  return panel;
}

void TFormStdFilter::UpdateDependentInputs() {
  edtDegree->setEnabled(chkRotate->isChecked());
  pnlBox->setEnabled(chkDrawBox->isChecked());
}

bool TFormStdFilter::VerticalFilp() const { return chkVFlip->isChecked(); }
void TFormStdFilter::SetVerticalFilp(bool Value) { chkVFlip->setChecked(Value); }
bool TFormStdFilter::HorizontalFilip() const { return chkHFlip->isChecked(); }
void TFormStdFilter::SetHorizontalFilip(bool Value) { chkHFlip->setChecked(Value); }
bool TFormStdFilter::Negate() const { return chkNegate->isChecked(); }
void TFormStdFilter::SetNegate(bool Value) { chkNegate->setChecked(Value); }
bool TFormStdFilter::Rotate() const { return chkRotate->isChecked(); }
void TFormStdFilter::SetRotate(bool Value) { chkRotate->setChecked(Value); }
bool TFormStdFilter::DrawBox() const { return chkDrawBox->isChecked(); }
void TFormStdFilter::SetDrawBox(bool Value) { chkDrawBox->setChecked(Value); }
int TFormStdFilter::Degree() const { return edtDegree->value(); }
void TFormStdFilter::SetDegree(int Value) { edtDegree->setValue(Value); }
int TFormStdFilter::BX() const { return edtX->value(); }
void TFormStdFilter::SetBX(int Value) { edtX->setValue(Value); }
int TFormStdFilter::BY() const { return edtY->value(); }
void TFormStdFilter::SetBY(int Value) { edtY->setValue(Value); }
int TFormStdFilter::BWidth() const { return edtWidth->value(); }
void TFormStdFilter::SetBWidth(int Value) { edtWidth->setValue(Value); }
int TFormStdFilter::BHeight() const { return edtHeight->value(); }
void TFormStdFilter::SetBHeight(int Value) { edtHeight->setValue(Value); }

QString TFormStdFilter::BColor() const { return cbColor->currentIndex() < 0 ? QString() : cbColor->currentText(); }

void TFormStdFilter::SetBColor(const QString& Value) {
  cbColor->setCurrentIndex(cbColor->findText(Value, Qt::MatchFixedString));
}

bool TFormStdFilter::InputValid() const {
  return chkVFlip->isChecked() || chkHFlip->isChecked() || chkRotate->isChecked() || chkNegate->isChecked() ||
         chkDrawBox->isChecked();
}
