#pragma once
// The desktop alert of a finished task: a small window at the bottom right of
// the screen that fades in and out and reveals the converted file.

#include <QPoint>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "tasks/AVTask.h"

class QAction;
class QLabel;
class QPropertyAnimation;
class QPushButton;

// Shows a new alert; it destroys itself when closed.
void ShowDesktopAlert(const TTaskAlert& Alert);

class TAVDesktopAlert : public QWidget {
  Q_OBJECT

 public:
  static constexpr int AlertWidth = 270;
  static constexpr int AlertHeight = 150;
  static constexpr int DisplayDurationMs = 400000;
  static constexpr int FadeMs = 600;
  static constexpr int ButtonLeftOpenFolder = 105;
  static constexpr int ButtonLeftClose = 195;

  // A window of its own, owned by nobody; it deletes itself when closed.
  explicit TAVDesktopAlert(const TTaskAlert& Alert);

  // Moves the alert to the bottom right of the screen, shows it and fades
  // it in; it stays for the display duration, then fades out and closes.
  void Execute();
  // Shows the file selected in the file manager; a file that is gone is
  // reported and the alert stays. The alert does not close meanwhile.
  void RevealFile();
  // Turns the alerts of later tasks off and saves the configuration.
  void StopShowingAlerts();

  const QString& FileName() const { return FFile; }
  // Runs while the alert is fully shown; stopped while an action runs.
  const QTimer& DisplayTimer() const { return FDisplay; }

  QLabel* lblHeader;
  QLabel* lblMessage;
  QLabel* imgPicture;
  QPushButton* btnOpenFolder;
  QPushButton* btnClose;
  QAction* actStopAlerts;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void CreateControls(const TTaskAlert& Alert);
  void CreateButtons();
  void FadeTo(qreal Opacity);
  void FadeFinished();
  void FadeOut();
  // Keeps the alert fully shown until Release.
  void Hold();
  void Release();

  QString FFile;
  QTimer FDisplay;
  QPropertyAnimation* FFade;
  bool FFadingOut = false;
  bool FHeld = false;
  // Dragging: the press point relative to the window, and whether the mouse
  // moved far enough to be a drag rather than a click.
  QPoint FGrabOffset;
  bool FPressed = false;
  bool FDragged = false;
};
