#include "app/FilterDialogText.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <limits>

#include "app/FilterDialogColorBox.h"

namespace {

constexpr TColor Yellow = 0x00FFFF;
constexpr TColor Blue = 0xFF0000;
constexpr int AllColors = cbStandardColors | cbExtendedColors | cbSystemColors;

// A field for a whole number of at least 0, without spin buttons.
QSpinBox* NumberField(const QString& name, QWidget* parent) {
  QSpinBox* field = SpinField(name, 0, std::numeric_limits<int>::max(), 0, parent);
  field->setButtonSymbols(QAbstractSpinBox::NoButtons);
  return field;
}

}  // namespace

TFormTextFilter::TFormTextFilter(QWidget* parent) : TFilterDialog(QStringLiteral("文字水印"), QSize(438, 288), parent) {
  mmoText = new QPlainTextEdit(Panel());
  mmoText->setObjectName(QStringLiteral("mmoText"));
  edtX = NumberField(QStringLiteral("edtX"), Panel());
  edtY = NumberField(QStringLiteral("edtY"), Panel());
  edtFont = new TFileEdit(QStringLiteral("Font File(*.ttf)|*.ttf"), Panel());
  edtFont->setObjectName(QStringLiteral("edtFont"));
  cbbColor = new TColorBox(AllColors, Panel());
  cbbColor->setObjectName(QStringLiteral("cbbColor"));
  cbbColor->SetSelected(Yellow);
  edtSize = SpinField(QStringLiteral("edtSize"), 1, 72, 16, Panel());
  edtSize->setSingleStep(16);
  lblBack = new QLabel(QStringLiteral("背景颜色"), Panel());
  cbbBack = new TColorBox(AllColors, Panel());
  cbbBack->setObjectName(QStringLiteral("cbbBack"));
  cbbBack->SetSelected(Blue);
  lblBack->hide();
  cbbBack->hide();

  auto* grid = new QGridLayout(Panel());
  grid->addWidget(new QLabel(QStringLiteral("文字"), Panel()), 0, 0, Qt::AlignTop);
  grid->addWidget(mmoText, 0, 1, 1, 4);
  grid->addWidget(new QLabel(QStringLiteral("坐标X,Y"), Panel()), 1, 0);
  grid->addWidget(edtX, 1, 1);
  grid->addWidget(edtY, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("字体文字"), Panel()), 2, 0);
  grid->addWidget(edtFont, 2, 1, 1, 4);
  grid->addWidget(new QLabel(QStringLiteral("文字颜色"), Panel()), 3, 0);
  grid->addWidget(cbbColor, 3, 1, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("文字大小"), Panel()), 3, 3);
  grid->addWidget(edtSize, 3, 4);
  grid->addWidget(lblBack, 4, 0);
  grid->addWidget(cbbBack, 4, 1, 1, 2);
  grid->setRowStretch(0, 1);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);

  WatchInput(mmoText, &QPlainTextEdit::textChanged);
  WatchInput(edtFont, &TFileEdit::FileNameChanged);
  UpdateOkButton();
}

QString TFormTextFilter::Text() const {
  return mmoText->toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n"));
}

void TFormTextFilter::SetText(const QString& Value) {
  mmoText->setPlainText(QString(Value).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

int TFormTextFilter::FontSize() const { return edtSize->value(); }
void TFormTextFilter::SetFontSize(int Value) { edtSize->setValue(Value); }
int TFormTextFilter::X() const { return edtX->value(); }
void TFormTextFilter::SetX(int Value) { edtX->setValue(Value); }
int TFormTextFilter::Y() const { return edtY->value(); }
void TFormTextFilter::SetY(int Value) { edtY->setValue(Value); }
TColor TFormTextFilter::FontColor() const { return cbbColor->Selected(); }
void TFormTextFilter::SetFontColor(TColor Value) { cbbColor->SetSelected(Value); }
TColor TFormTextFilter::BgColor() const { return cbbBack->Selected(); }
void TFormTextFilter::SetBgColor(TColor Value) { cbbBack->SetSelected(Value); }

bool TFormTextFilter::InputValid() const {
  return !mmoText->toPlainText().trimmed().isEmpty() && FileExists(edtFont->FileName());
}
