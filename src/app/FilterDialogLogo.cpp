#include "app/FilterDialogLogo.h"

#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <limits>

namespace {
constexpr int NoMin = std::numeric_limits<int>::min();
constexpr int NoMax = std::numeric_limits<int>::max();
}  // namespace

TFormLogoFilter::TFormLogoFilter(QWidget* parent)
    : TFilterDialog(QStringLiteral("添加LOGO"), QSize(428, 149), parent) {
  edtX2 = SpinField(QStringLiteral("edtX2"), NoMin, NoMax, 0, Panel());
  edtY2 = SpinField(QStringLiteral("edtY2"), NoMin, NoMax, 0, Panel());
  edtLogo = new TFileEdit(QStringLiteral("PNG files (*.png)|*.png"), Panel());
  edtLogo->setObjectName(QStringLiteral("edtLogo"));

  auto* grid = new QGridLayout(Panel());
  grid->addWidget(new QLabel(QStringLiteral("X"), Panel()), 0, 0);
  grid->addWidget(edtX2, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Y"), Panel()), 0, 2);
  grid->addWidget(edtY2, 0, 3);
  grid->addWidget(new QLabel(QStringLiteral("输入文件"), Panel()), 1, 0);
  grid->addWidget(edtLogo, 1, 1, 1, 3);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);

  WatchInput(edtLogo, &TFileEdit::FileNameChanged);
  UpdateOkButton();
}

int TFormLogoFilter::X() const { return edtX2->value(); }
void TFormLogoFilter::SetX(int Value) { edtX2->setValue(Value); }
int TFormLogoFilter::Y() const { return edtY2->value(); }
void TFormLogoFilter::SetY(int Value) { edtY2->setValue(Value); }

bool TFormLogoFilter::InputValid() const { return FileExists(edtLogo->FileName()); }
