#include "app/FrameInfo.h"

#include <QAction>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/ActionGuard.h"
#include "tasks/AVTask.h"

TFrameInfo::TFrameInfo(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("FrameInfo"));
  pcInfo = new QTabWidget(this);
  pcInfo->setObjectName(QStringLiteral("pcInfo"));
  pcInfo->setTabPosition(QTabWidget::South);
  tvInfo = new QTreeWidget;
  tvInfo->setObjectName(QStringLiteral("tvInfo"));
  tvInfo->setRootIsDecorated(false);
  pcInfo->addTab(tvInfo, QStringLiteral("Task Info"));
  lbLog = new QListWidget;
  lbLog->setObjectName(QStringLiteral("lbLog"));
  lbLog->setContextMenuPolicy(Qt::CustomContextMenu);
  pcInfo->addTab(lbLog, QStringLiteral("Logs"));
  // The information page is kept but not offered.
  pcInfo->setTabVisible(0, false);
  pcInfo->setCurrentIndex(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pcInfo);

  pmLog = new QMenu(this);
  pmLog->setObjectName(QStringLiteral("pmLog"));
  actClearLog = pmLog->addAction(QStringLiteral("Clear Log"));
  actClearLog->setObjectName(QStringLiteral("actClearLog"));
  connect(actClearLog, &QAction::triggered, this, [this] { Guarded([this] { ClearLog(); }); });
  connect(lbLog, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
    UpdateActions();
    pmLog->popup(lbLog->viewport()->mapToGlobal(pos));
  });
  FLogList.OnChange = [this] { ShowLines(); };
}

TFrameInfo::~TFrameInfo() { Detach(); }

void TFrameInfo::Detach() {
  FLogList.OnChange = nullptr;
  FNode = nullptr;
}

void TFrameInfo::ShowNode(TNodeObject* Node) {
  FNode = Node;
  if (!Node) {
    FLogList.SetLines({});
    return;
  }
  Node->LoadTaskInfo(&FInfoView, &FLogList);
  ShowInfoColumns();
}

void TFrameInfo::ShowLines() {
  lbLog->clear();
  lbLog->addItems(FLogList.Lines());
  lbLog->scrollToBottom();
  UpdateActions();
}

void TFrameInfo::ShowInfoColumns() {
  QStringList headers;
  const auto& columns = FInfoView.Columns();
  for (const TListColumn& column : columns) headers << column.Header;
  tvInfo->setColumnCount(int(headers.size()));
  tvInfo->setHeaderLabels(headers);
  for (int c = 0; c < int(columns.size()); ++c) tvInfo->header()->resizeSection(c, columns[size_t(c)].Width);
}

void TFrameInfo::UpdateActions() { actClearLog->setEnabled(lbLog->count() > 0); }

void TFrameInfo::ClearLog() {
  if (auto* task = dynamic_cast<TAVTask*>(FNode)) task->ClearLog();
}
