#include "app/FilterDialogBase.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/DialogButtons.h"

namespace {
constexpr int RecheckMs = 250;
}

QString QtFileFilter(const QString& PipeFilter) {
  static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
  const QStringList parts = PipeFilter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    description.remove(trailingPatterns);
    const QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
    filters << QStringLiteral("%1 (%2)").arg(description.trimmed(), patterns);
  }
  return filters.join(QStringLiteral(";;"));
}

bool FileExists(const QString& Path) {
  if (Path.isEmpty()) return false;
  const QFileInfo info(Path);
  return info.exists() && !info.isDir();
}

QSpinBox* SpinField(const QString& Name, int Min, int Max, int Value, QWidget* parent) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(Name);
  spin->setRange(Min, Max);
  spin->setValue(Value);
  return spin;
}

// ------------------------------------------------------------- file field

TFileEdit::TFileEdit(const QString& PipeFilter, QWidget* parent) : TBrowseEdit(parent), FFilter(PipeFilter) {
  connect(Edit(), &QLineEdit::textChanged, this, &TFileEdit::FileNameChanged);
}

QString TFileEdit::FileName() const { return Text(); }

void TFileEdit::SetFileName(const QString& Value) { SetText(Value); }

void TFileEdit::Browse() {
  const QString start = FileName().isEmpty() ? QString() : QFileInfo(FileName()).absolutePath();
  const QString chosen = QFileDialog::getOpenFileName(this, QString(), start, QtFileFilter(FFilter));
  if (!chosen.isEmpty()) SetFileName(chosen);
}

// ----------------------------------------------------------------- dialog

TFilterDialog::TFilterDialog(const QString& Caption, QSize ClientSize, QWidget* parent) : QDialog(parent) {
  setWindowTitle(Caption);
  setFixedSize(ClientSize);
  FPanel = new QFrame(this);
  FPanel->setObjectName(QStringLiteral("pnlInputs"));
  FPanel->setFrameShape(QFrame::StyledPanel);
  FPanel->setFrameShadow(QFrame::Sunken);

  FOk = AcceptButton(this, QStringLiteral("确定"));
  FOk->setEnabled(false);
  FCancel = RejectButton(this, QStringLiteral("放弃"));

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(FOk);
  buttons->addWidget(FCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(FPanel, 1);
  layout->addLayout(buttons);

  FRecheck.setInterval(RecheckMs);
  connect(&FRecheck, &QTimer::timeout, this, &TFilterDialog::UpdateOkButton);
  if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TFilterDialog::UpdateOkButton() { FOk->setEnabled(InputValid()); }

void TFilterDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  UpdateOkButton();
  FRecheck.start();
}

void TFilterDialog::hideEvent(QHideEvent* event) {
  FRecheck.stop();
  QDialog::hideEvent(event);
}
