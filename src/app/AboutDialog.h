#pragma once
// The about box ("关于...").

class QWidget;

void RunAboutDialog(QWidget* parent = nullptr);
