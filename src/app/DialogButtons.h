#pragma once
// The buttons that close a dialog: one that accepts it (the default button)
// and one that rejects it, named for the tests and the dialog's own code.

#include <QString>

class QDialog;
class QPushButton;

QPushButton* AcceptButton(QDialog* dialog, const QString& caption, const QString& name = QStringLiteral("btnOK"));
QPushButton* RejectButton(QDialog* dialog, const QString& caption, const QString& name = QStringLiteral("btnCancel"));
