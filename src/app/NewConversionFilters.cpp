// Page 2 of the new-conversion dialog: the video filters of the conversion,
// one list line per filter object, edited through the filters' own dialogs.

#include <QAction>
#include <QListWidget>
#include <QMenu>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/NewConversionWizard.h"
#include "filters/FilterStrings.h"
#include "filters/VideoFilters.h"

namespace {

QAction* FilterAction(const QString& name, const QString& caption, QStyle::StandardPixmap image, QWidget* owner) {
  auto* action = new QAction(owner->style()->standardIcon(image), caption, owner);
  action->setObjectName(name);
  return action;
}

}  // namespace

QWidget* TFormNewConversion::CreateSecondPage() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("pgFilters"));

  auto* menu = new QMenu(page);
  menu->setObjectName(QStringLiteral("mnuNewFilter"));
  const auto addKind = [this, menu](const char* name, const QString& caption, auto make) {
    QAction* action = FilterAction(QLatin1String(name), caption, QStyle::SP_FileIcon, this);
    menu->addAction(action);
    connect(action, &QAction::triggered, this, [this, make] { NewFilter(make()); });
  };
  addKind("actNewStdFilter", QStringLiteral("新建标准水印"), [] { return std::make_unique<TVideoStdFilter>(); });
  addKind("actNewLogoFilter", QStringLiteral("新建Logo水印"), [] { return std::make_unique<TLogoFilter>(); });
  addKind("actNewTextFilter", QStringLiteral("新建文字水印"), [] { return std::make_unique<TOverlayTextFilter>(); });
  addKind("actNewSubtitleFilter", QStringLiteral("新建字幕"), [] { return std::make_unique<TSubtitleFilter>(); });

  auto* toolBar = new QToolBar(page);
  toolBar->setObjectName(QStringLiteral("tlbFilters"));
  toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  btnNewFilter = new QToolButton(toolBar);
  btnNewFilter->setObjectName(QStringLiteral("btnNewFilter"));
  btnNewFilter->setText(QStringLiteral("New Filter"));
  btnNewFilter->setIcon(style()->standardIcon(QStyle::SP_FileDialogNewFolder));
  btnNewFilter->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  btnNewFilter->setPopupMode(QToolButton::InstantPopup);
  btnNewFilter->setMenu(menu);
  toolBar->addWidget(btnNewFilter);
  actEditFilter = FilterAction(QStringLiteral("actEditFilter"), QStringLiteral("编辑水印配置"),
                               QStyle::SP_FileDialogDetailedView, this);
  actDeleteFilter = FilterAction(QStringLiteral("actDeleteFilter"), QStringLiteral("删除"), QStyle::SP_TrashIcon, this);
  toolBar->addAction(actEditFilter);
  toolBar->addAction(actDeleteFilter);

  lstFilters = new QListWidget(page);
  lstFilters->setObjectName(QStringLiteral("lstFilters"));

  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(toolBar);
  layout->addWidget(lstFilters, 1);

  connect(actEditFilter, &QAction::triggered, this, &TFormNewConversion::EditFilter);
  connect(actDeleteFilter, &QAction::triggered, this, &TFormNewConversion::DeleteFilter);
  connect(lstFilters, &QListWidget::itemDoubleClicked, this, &TFormNewConversion::EditFilter);
  connect(lstFilters, &QListWidget::currentRowChanged, this, &TFormNewConversion::UpdateFilterActions);
  UpdateFilterActions();
  return page;
}

void TFormNewConversion::NewFilter(std::unique_ptr<TAVFilter> Filter) {
  if (!Filter->ShowNewDialog()) return;  // given up: the filter goes
  lstFilters->addItem(Filter->FilterName());
  FFilters.push_back(std::move(Filter));
  lstFilters->setCurrentRow(lstFilters->count() - 1);
  UpdateFilterActions();
}

void TFormNewConversion::EditFilter() {
  const int row = lstFilters->currentRow();
  if (row < 0) return;
  TAVFilter& filter = *FFilters[static_cast<size_t>(row)];
  if (filter.ShowEditDialog()) lstFilters->item(row)->setText(filter.FilterName());
}

void TFormNewConversion::DeleteFilter() {
  const int row = lstFilters->currentRow();
  if (row < 0) return;
  delete lstFilters->takeItem(row);
  FFilters.erase(FFilters.begin() + row);
  UpdateFilterActions();
}

void TFormNewConversion::UpdateFilterActions() {
  const bool chosen = lstFilters->currentRow() >= 0;
  actEditFilter->setEnabled(chosen);
  actDeleteFilter->setEnabled(chosen);
}

QString TFormNewConversion::FilterText() const {
  std::vector<const TAVFilter*> filters;
  for (const auto& filter : FFilters) filters.push_back(filter.get());
  return filters::VideoFiltersText(filters);
}
