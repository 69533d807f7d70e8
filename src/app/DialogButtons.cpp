#include "app/DialogButtons.h"

#include <QDialog>
#include <QPushButton>

QPushButton* AcceptButton(QDialog* dialog, const QString& caption, const QString& name) {
  auto* button = new QPushButton(caption, dialog);
  button->setObjectName(name);
  button->setDefault(true);
  QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::accept);
  return button;
}

QPushButton* RejectButton(QDialog* dialog, const QString& caption, const QString& name) {
  auto* button = new QPushButton(caption, dialog);
  button->setObjectName(name);
  QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::reject);
  return button;
}
