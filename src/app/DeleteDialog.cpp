#include "app/DeleteDialog.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include "app/DialogButtons.h"

TFormDelete::TFormDelete(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("确认删除吗？"));
  setFixedSize(339, 155);

  auto* picture = new QLabel(this);
  picture->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion).pixmap(32, 32));
  auto* question = new QLabel(QStringLiteral("确认删除吗?"), this);
  question->setObjectName(QStringLiteral("lblQuestion"));
  chkDeleteSource = new QCheckBox(QStringLiteral("删除原文件"), this);
  chkDeleteSource->setObjectName(QStringLiteral("chkDeleteSource"));
  chkDeleteSource->setChecked(false);
  chkDeleteTarget = new QCheckBox(QStringLiteral("删除已转换完的文件"), this);
  chkDeleteTarget->setObjectName(QStringLiteral("chkDeleteTarget"));
  chkDeleteTarget->setChecked(true);

  btnYes = AcceptButton(this, QStringLiteral("Yes"), QStringLiteral("btnYes"));
  btnNo = RejectButton(this, QStringLiteral("No"), QStringLiteral("btnNo"));

  auto* text = new QVBoxLayout;
  text->addWidget(question);
  text->addSpacing(6);
  text->addWidget(chkDeleteSource);
  text->addWidget(chkDeleteTarget);
  auto* body = new QHBoxLayout;
  body->addWidget(picture, 0, Qt::AlignTop);
  body->addLayout(text, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnYes);
  buttons->addWidget(btnNo);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body);
  layout->addStretch(1);
  layout->addLayout(buttons);

  btnYes->setFocus();
  if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

TDeleteChoice TFormDelete::Choice() const { return {chkDeleteSource->isChecked(), chkDeleteTarget->isChecked()}; }

bool RunDeleteDialog(QWidget* parent, TDeleteChoice& Choice) {
  TFormDelete form(parent);
  if (form.exec() != QDialog::Accepted) return false;
  Choice = form.Choice();
  return true;
}
