#pragma once
// The delete confirmation of tasks ("确认删除吗？").

class QWidget;

struct TDeleteChoice {
  bool DeleteSource = false;
  bool DeleteTarget = true;
};

// True when "Yes" was pressed; Choice then holds the two check boxes.
bool RunDeleteDialog(QWidget* parent, TDeleteChoice& Choice);
