#pragma once
// The category window: a name and a folder, for a new category or the
// properties of an existing one.

#include <QString>

class QWidget;

// On OK, Name and Path receive the trimmed field texts and true is returned.
bool RunCategoryDialog(QWidget* parent, QString& Name, QString& Path, bool IsNew);
