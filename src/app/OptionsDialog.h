#pragma once
// The options window ("选项"): output folder, alert, thread priority and count.

class QWidget;

// Shows the window filled from the configuration; on OK stores the choices and
// saves the configuration (which applies the priority at once). True on OK.
bool RunOptionsDialog(QWidget* parent = nullptr);
