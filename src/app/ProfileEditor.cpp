#include "app/ProfileEditor.h"

#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/ProfileEditorFrame.h"
#include "engine/ErrorBox.h"
#include "profiles/CustomProfiles.h"
#include "profiles/IniFile.h"
#include "profiles/ProfileStore.h"

namespace {

constexpr int CategoryWidth = 185;
constexpr int ProfileListHeight = 216;

QAction* ToolAction(const QString& name, const QString& caption, const QString& hint, QStyle::StandardPixmap image,
                    QWidget* owner) {
  // The style's pictures come in small sizes; the tool bar shows 48 x 48.
  const QIcon icon = owner->style()->standardIcon(image);
  const QPixmap large = icon.pixmap(icon.actualSize(QSize(256, 256)))
                            .scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  auto* action = new QAction(QIcon(large), caption, owner);
  action->setObjectName(name);
  action->setToolTip(hint);
  return action;
}

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The first custom profile filed under a category the editor lists.
TAVProfile* FirstListedCustomProfile(const TAVProfileList& Profiles) {
  for (const QString& category : Profiles.Categories())
    if (!SameName(category, QStringLiteral("Images")))
      for (TAVProfile* profile : Profiles.ProfilesOfCategory(category))
        if (IsCustomProfile(profile)) return profile;
  return nullptr;
}

}  // namespace

TFormEditProfile::TFormEditProfile(TAVProfileList& Profiles, QWidget* parent) : QDialog(parent), FProfiles(Profiles) {
  setWindowTitle(QStringLiteral("编辑配置文件"));
  setFixedSize(718, 568);
  CreateToolBar();
  CreateLayout();
  FillCategories();
  FrameProfile->OnDescriptionChange = [this](const QString& text) {
    // The list shows the name as typed, blanks included.
    if (QListWidgetItem* item = lstProfile->currentItem()) item->setText(text);
  };
  connect(lstCategory, &QListWidget::currentRowChanged, this, [this] { CategoryClick(); });
  connect(lstProfile, &QListWidget::currentRowChanged, this, [this] { ProfileClick(); });
  UpdateActions();
  if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TFormEditProfile::CreateToolBar() {
  tlbEdit = new QToolBar(this);
  tlbEdit->setObjectName(QStringLiteral("tlbEdit"));
  tlbEdit->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  tlbEdit->setIconSize(QSize(48, 48));
  actNewMusic = ToolAction(QStringLiteral("actNewMusic"), QStringLiteral("新建音频输出配置"),
                           QStringLiteral("New Audio Profile"), QStyle::SP_MediaVolume, this);
  actNewVideo = ToolAction(QStringLiteral("actNewVideo"), QStringLiteral("新建视频输出配置"),
                           QStringLiteral("New Video Profile"), QStyle::SP_MediaPlay, this);
  actDelProfile = ToolAction(QStringLiteral("actDelProfile"), QStringLiteral("删除输出配置"),
                             QStringLiteral("Delete Profile"), QStyle::SP_TrashIcon, this);
  actExit = ToolAction(QStringLiteral("actExit"), QStringLiteral("保存并退出"), QStringLiteral("Save and Exit"),
                       QStyle::SP_DialogSaveButton, this);
  tlbEdit->addAction(actNewMusic);
  tlbEdit->addAction(actNewVideo);
  tlbEdit->addAction(actDelProfile);
  tlbEdit->addSeparator();
  tlbEdit->addAction(actExit);
  connect(actNewMusic, &QAction::triggered, this,
          [this] { NewProfile(new TAVCustomAudioProfile(&FProfiles), QStringLiteral("New Audio Profile")); });
  connect(actNewVideo, &QAction::triggered, this,
          [this] { NewProfile(new TAVCustomVideoProfile(&FProfiles), QStringLiteral("New Video Profile")); });
  connect(actDelProfile, &QAction::triggered, this, &TFormEditProfile::DeleteProfile);
  connect(actExit, &QAction::triggered, this, &TFormEditProfile::SaveAndExit);
}

void TFormEditProfile::CreateLayout() {
  lstCategory = new QListWidget(this);
  lstCategory->setObjectName(QStringLiteral("lstCategory"));
  lstProfile = new QListWidget(this);
  lstProfile->setObjectName(QStringLiteral("lstProfile"));
  FrameProfile = new TFrameProfile(this);
  FrameProfile->setObjectName(QStringLiteral("FrameProfile"));

  FProfileSplitter = new QSplitter(Qt::Vertical, this);
  FProfileSplitter->addWidget(lstProfile);
  FProfileSplitter->addWidget(FrameProfile);
  FProfileSplitter->setChildrenCollapsible(false);

  auto* right = new QWidget(this);
  auto* rightLayout = new QVBoxLayout(right);
  rightLayout->setContentsMargins(0, 0, 0, 0);
  rightLayout->addWidget(tlbEdit);
  rightLayout->addWidget(FProfileSplitter, 1);

  FCategorySplitter = new QSplitter(Qt::Horizontal, this);
  FCategorySplitter->addWidget(lstCategory);
  FCategorySplitter->addWidget(right);
  FCategorySplitter->setChildrenCollapsible(false);

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(FCategorySplitter);
}

void TFormEditProfile::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (FSplittersPlaced) return;
  // The splitters know their own size only now that the window is laid out.
  FSplittersPlaced = true;
  const int across = FCategorySplitter->width() - FCategorySplitter->handleWidth();
  FCategorySplitter->setSizes({CategoryWidth, across - CategoryWidth});
  const int down = FProfileSplitter->height() - FProfileSplitter->handleWidth();
  FProfileSplitter->setSizes({ProfileListHeight, down - ProfileListHeight});
}

void TFormEditProfile::FillCategories() {
  QStringList names = FProfiles.Categories();
  // Picture sequences have no custom settings to edit.
  for (qsizetype i = 0; i < names.size(); ++i)
    if (SameName(names[i], QStringLiteral("Images"))) {
      names.removeAt(i);
      break;
    }
  lstCategory->addItems(names);
}

void TFormEditProfile::SetCurrentProfile(TAVCustomAudioProfile* Value) {
  int categoryRow = -1;
  for (int row = 0; Value && row < lstCategory->count(); ++row)
    if (SameName(lstCategory->item(row)->text(), Value->Category())) {
      categoryRow = row;
      break;
    }
  {
    const QSignalBlocker quiet(lstCategory);
    lstCategory->setCurrentRow(categoryRow);
  }
  CategoryClick();
  FCurrentProfile = Value;
  int profileRow = -1;
  for (int row = 0; row < lstProfile->count(); ++row)
    if (ItemProfile(row) == Value) profileRow = row;
  {
    const QSignalBlocker quiet(lstProfile);
    lstProfile->setCurrentRow(profileRow);
  }
  if (profileRow >= 0)
    ProfileClick();
  else
    FrameProfile->ShowProfile(Value);  // shown even when its category is not listed
  // A list taking the focus without a current row makes its first row current;
  // the category list must stay without one when no category is chosen.
  if (categoryRow < 0) lstProfile->setFocus();
  UpdateActions();
}

void TFormEditProfile::CategoryClick() {
  const QListWidgetItem* category = lstCategory->currentItem();
  {
    const QSignalBlocker quiet(lstProfile);
    lstProfile->setUpdatesEnabled(false);
    lstProfile->clear();
    // Only custom profiles have settings this window can show.
    if (category)
      for (TAVProfile* profile : FProfiles.ProfilesOfCategory(category->text()))
        if (auto* custom = dynamic_cast<TAVCustomAudioProfile*>(profile)) AddProfileItem(custom);
    lstProfile->setUpdatesEnabled(true);
    if (lstProfile->count() > 0 && FCurrentProfile) lstProfile->setCurrentRow(0);
  }
  if (lstProfile->currentRow() >= 0) ProfileClick();
  UpdateActions();
}

void TFormEditProfile::ProfileClick() {
  const int row = lstProfile->currentRow();
  if (row < 0) return;
  TAVCustomAudioProfile* profile = ItemProfile(row);
  FrameProfile->ShowProfile(profile);
  FCurrentProfile = profile;
  UpdateActions();
}

void TFormEditProfile::NewProfile(TAVCustomAudioProfile* Profile, const QString& Description) {
  const QListWidgetItem* category = lstCategory->currentItem();
  Profile->SetDescription(Description);
  Profile->SetProfileList(&FProfiles);
  Profile->SetCategory(category ? category->text().trimmed() : QString());
  AddProfileItem(Profile);
  {
    const QSignalBlocker quiet(lstProfile);
    lstProfile->setCurrentRow(lstProfile->count() - 1);
  }
  ProfileClick();
}

void TFormEditProfile::DeleteProfile() {
  const int row = lstProfile->currentRow();
  if (row < 0) return;
  QMessageBox question(QMessageBox::Question, QStringLiteral("Warning"),
                       QStringLiteral("Are you sure to delete the profile?"), QMessageBox::Yes | QMessageBox::No, this);
  if (question.exec() != QMessageBox::Yes) return;

  TAVCustomAudioProfile* doomed = ItemProfile(row);
  {
    const QSignalBlocker quiet(lstProfile);
    delete lstProfile->takeItem(row);
  }
  // Nothing may keep pointing at the profile once it is gone.
  if (FCurrentProfile == doomed) FCurrentProfile = nullptr;
  if (FrameProfile->Profile() == doomed) FrameProfile->ShowProfile(nullptr);
  delete doomed;  // it leaves the profile list and its owner

  if (lstProfile->count() > 0) {
    {
      const QSignalBlocker quiet(lstProfile);
      lstProfile->setCurrentRow(row > 0 ? row - 1 : 0);
    }
    ProfileClick();
  }
  UpdateActions();
}

void TFormEditProfile::SaveAndExit() {
  try {
    SaveProfiles(FProfiles);
  } catch (const EIniFileError& error) {
    ShowErrorBox(error.Message());  // the edits stay; the user may try again
    return;
  }
  close();
}

void TFormEditProfile::UpdateActions() {
  const bool categoryChosen = lstCategory->currentItem() != nullptr;
  actNewMusic->setEnabled(categoryChosen);
  actNewVideo->setEnabled(categoryChosen);
  actDelProfile->setEnabled(lstProfile->currentItem() != nullptr);
}

TAVCustomAudioProfile* TFormEditProfile::ItemProfile(int Row) const {
  const QListWidgetItem* item = lstProfile->item(Row);
  return item ? static_cast<TAVCustomAudioProfile*>(item->data(Qt::UserRole).value<void*>()) : nullptr;
}

void TFormEditProfile::AddProfileItem(TAVCustomAudioProfile* Profile) {
  auto* item = new QListWidgetItem(Profile->Description(), lstProfile);
  item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void*>(Profile)));
}

bool ShowProfileEditor(TAVProfile*& Profile, TAVProfileList& Profiles, QWidget* parent) {
  // The window destroys custom profiles only; any other one outlives it.
  TAVProfile* const kept = IsCustomProfile(Profile) ? nullptr : Profile;
  TFormEditProfile window(Profiles, parent);
  window.SetCurrentProfile(dynamic_cast<TAVCustomAudioProfile*>(Profile));
  const bool ok = window.exec() == QDialog::Accepted;
  Profile = window.CurrentProfile();
  if (!Profile) Profile = kept ? kept : FirstListedCustomProfile(Profiles);
  return ok;
}
