#include "app/OptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "app/AppIcon.h"
#include "app/DialogButtons.h"
#include "app/FolderEdit.h"
#include "engine/EngineError.h"
#include "engine/ErrorBox.h"
#include "tasks/Configuration.h"

namespace {

constexpr int TreeWidth = 150;
constexpr int HighestPriority = 5;

QLabel* Caption(const QString& text, QWidget* parent) { return new QLabel(text, parent); }

}  // namespace

TFormOptions::TFormOptions(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("选项"));
  setWindowIcon(AppIcon());
  setFixedSize(650, 382);

  pgOptions = new QStackedWidget(this);
  pgOptions->setObjectName(QStringLiteral("pgOptions"));
  pgOptions->addWidget(CreateGeneralPage());
  pgOptions->addWidget(CreatePerformancePage());
  CreateTree();

  btnOK = AcceptButton(this, QStringLiteral("确定"));
  btnCancel = RejectButton(this, QStringLiteral("放弃"));

  auto* pages = new QHBoxLayout;
  pages->addWidget(tvOptions);
  pages->addWidget(pgOptions, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(pages, 1);
  layout->addLayout(buttons);

  if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TFormOptions::CreateTree() {
  tvOptions = new QTreeWidget(this);
  tvOptions->setObjectName(QStringLiteral("tvOptions"));
  tvOptions->setHeaderHidden(true);
  tvOptions->setRootIsDecorated(false);
  tvOptions->setFixedWidth(TreeWidth);
  for (const QString& page : {QStringLiteral("常规"), QStringLiteral("性能")})
    tvOptions->addTopLevelItem(new QTreeWidgetItem(QStringList{page}));
  connect(tvOptions, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item) pgOptions->setCurrentIndex(tvOptions->indexOfTopLevelItem(item));
  });
  tvOptions->setCurrentItem(tvOptions->topLevelItem(0));
}

QWidget* TFormOptions::CreateGeneralPage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("tsGeneral"));
  edtOutputFolder = new TFolderEdit(page);
  edtOutputFolder->setObjectName(QStringLiteral("edtOutputFolder"));
  chkShowAlert = new QCheckBox(QStringLiteral("Show Alert When Conversion Completed"), page);
  chkShowAlert->setObjectName(QStringLiteral("chkShowAlert"));

  cmbDeinterlace = new QComboBox(page);
  cmbDeinterlace->setObjectName(QStringLiteral("cmbDeinterlace"));
  cmbDeinterlace->addItems({QStringLiteral("自动(检测隔行扫描的视频)"), QStringLiteral("关闭"),
                            QStringLiteral("总是去隔行")});

  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Caption(QStringLiteral("Output Folder"), page));
  layout->addWidget(edtOutputFolder);
  layout->addSpacing(12);
  layout->addWidget(chkShowAlert);
  layout->addSpacing(12);
  layout->addWidget(Caption(QStringLiteral("去隔行:"), page));
  layout->addWidget(cmbDeinterlace);
  layout->addStretch(1);
  return page;
}

QWidget* TFormOptions::CreatePerformancePage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("tsPerformance"));
  tbPriority = new QSlider(Qt::Horizontal, page);
  tbPriority->setObjectName(QStringLiteral("tbPriority"));
  tbPriority->setRange(0, HighestPriority);
  tbPriority->setPageStep(1);
  tbPriority->setTickPosition(QSlider::TicksBelow);
  tbPriority->setTickInterval(1);
  connect(tbPriority, &QSlider::sliderMoved, this, &TFormOptions::ShowPriorityTip);

  cmbThreadCount = new QComboBox(page);
  cmbThreadCount->setObjectName(QStringLiteral("cmbThreadCount"));
  cmbThreadCount->addItem(QStringLiteral("Automatic(use all CPU(s))"));
  for (int count = 1; count <= MaxThreadCount; ++count) cmbThreadCount->addItem(QString::number(count));

  spnSimultaneousTasks = new QSpinBox(page);
  spnSimultaneousTasks->setObjectName(QStringLiteral("spnSimultaneousTasks"));
  spnSimultaneousTasks->setRange(0, MaxSimultaneousTasks);
  spnSimultaneousTasks->setSpecialValueText(QStringLiteral("0 (全部同时转换)"));

  auto* priority = new QHBoxLayout;
  priority->addWidget(Caption(QStringLiteral("Low"), page));
  priority->addWidget(tbPriority, 1);
  priority->addWidget(Caption(QStringLiteral("High"), page));
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Caption(QStringLiteral("Thread Priority"), page));
  layout->addLayout(priority);
  layout->addSpacing(12);
  layout->addWidget(Caption(QStringLiteral("Thread Count"), page));
  layout->addWidget(cmbThreadCount);
  layout->addSpacing(12);
  layout->addWidget(Caption(QStringLiteral("同时转换任务数"), page));
  layout->addWidget(spnSimultaneousTasks);
  layout->addStretch(1);
  return page;
}

// The position follows the thumb while it is dragged.
void TFormOptions::ShowPriorityTip(int Value) {
  QToolTip::showText(QCursor::pos(), QString::number(Value), tbPriority);
}

void TFormOptions::LoadFrom(const TAVConfiguration& Configuration) {
  const int count = Configuration.PerformanceOptions().ThreadCount();
  // A count the list cannot show (a hand-edited or incomplete Config.Xml)
  // is shown, and stored on OK, as automatic.
  cmbThreadCount->setCurrentIndex(count >= 0 && count <= MaxThreadCount ? count : 0);
  tbPriority->setValue(Configuration.PerformanceOptions().ThreadPrority());
  edtOutputFolder->SetFolder(Configuration.OutputFolder());
  edtOutputFolder->SetStartFolder(Configuration.OutputFolder());
  chkShowAlert->setChecked(Configuration.ShowAlert());
  cmbDeinterlace->setCurrentIndex(Configuration.DeinterlaceMode());
  // A negative count (hand-edited) means all at once, as 0 does.
  spnSimultaneousTasks->setValue(std::clamp(Configuration.PerformanceOptions().SimultaneousTasks(), 0,
                                            MaxSimultaneousTasks));
}

void TFormOptions::StoreTo(TAVConfiguration& Configuration) const {
  Configuration.PerformanceOptions().SetThreadCount(cmbThreadCount->currentIndex());
  Configuration.PerformanceOptions().SetThreadPrority(tbPriority->value());
  Configuration.SetOutputFolder(edtOutputFolder->Folder());
  Configuration.SetShowAlert(chkShowAlert->isChecked());
  Configuration.SetDeinterlaceMode(cmbDeinterlace->currentIndex());
  Configuration.PerformanceOptions().SetSimultaneousTasks(spnSimultaneousTasks->value());
}

bool RunOptionsDialog(QWidget* parent) {
  TFormOptions form(parent);
  TAVConfiguration& configuration = AVConfiguration();
  form.LoadFrom(configuration);
  if (form.exec() != QDialog::Accepted) return false;
  form.StoreTo(configuration);
  try {
    configuration.Save();
  } catch (const EAVError& error) {
    ShowErrorBox(error.Message());  // the new values stay in use for this run
  }
  return true;
}
