#pragma once
// The desktop alert of a finished task: a small window at the bottom right of
// the screen that fades in and out and reveals the converted file.

struct TTaskAlert;

// Shows a new alert; it destroys itself when closed.
void ShowDesktopAlert(const TTaskAlert& Alert);
