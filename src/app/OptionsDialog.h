#pragma once
// The options window ("选项"): output folder, alert, thread priority and count.

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPushButton;
class QSlider;
class QSpinBox;
class QStackedWidget;
class QTreeWidget;
class TAVConfiguration;
class TFolderEdit;

// Shows the window filled from the configuration; on OK stores the choices and
// saves the configuration (which applies the priority at once). True on OK.
bool RunOptionsDialog(QWidget* parent = nullptr);

class TFormOptions : public QDialog {
  Q_OBJECT

 public:
  // Entries of the thread-count list after "Automatic(use all CPU(s))".
  static constexpr int MaxThreadCount = 32;
  // The highest "同时转换任务数" the field offers; 0 means all at once.
  static constexpr int MaxSimultaneousTasks = 64;

  explicit TFormOptions(QWidget* parent = nullptr);

  // Fills the controls from Configuration. A thread count outside the list
  // shows as automatic.
  void LoadFrom(const TAVConfiguration& Configuration);
  // Stores the controls' values in Configuration (without saving).
  void StoreTo(TAVConfiguration& Configuration) const;

  QTreeWidget* tvOptions;
  QStackedWidget* pgOptions;
  TFolderEdit* edtOutputFolder;
  QCheckBox* chkShowAlert;
  QSlider* tbPriority;
  QComboBox* cmbThreadCount;
  QComboBox* cmbDeinterlace;  // automatic, off, every source
  QSpinBox* spnSimultaneousTasks;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 private:
  QWidget* CreateGeneralPage();
  QWidget* CreatePerformancePage();
  void CreateTree();
  void ShowPriorityTip(int Value);
};
