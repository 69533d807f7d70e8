#include "app/DvdDriveSelector.h"

#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QStyle>

TDvdCombo::TDvdCombo(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  connect(this, &QComboBox::activated, this, [this](int) {
    if (OnSelect) OnSelect(this);
  });
  BuildList();
}

void TDvdCombo::SetSources(const dvd::TDvdDriveSources& Value) {
  FSources = Value;
  BuildList();
}

void TDvdCombo::SetTextCase(dvd::TTextCase Value) {
  FTextCase = Value;
  BuildList();
}

void TDvdCombo::BuildList() {
  clear();
  FDrives.clear();
  for (const dvd::TDvdDrive& drive : dvd::ListDvdDrives(FSources)) AddItem(drive);
}

int TDvdCombo::AddDisc(const QString& Path) {
  const QFileInfo info(QDir::cleanPath(Path));
  dvd::TDvdDrive disc;
  // A VIDEO_TS folder is named after the disc folder that holds it.
  disc.Name = info.fileName().compare(QStringLiteral("VIDEO_TS"), Qt::CaseInsensitive) == 0
                  ? info.dir().dirName()
                  : info.fileName();
  disc.Device = info.filePath();
  disc.Volume = dvd::DiscVolumeLabel(disc.Device);
  // A folder has no label of its own: its name stands in, as for a mounted disc.
  if (disc.Volume.isEmpty()) disc.Volume = info.isDir() ? disc.Name : info.completeBaseName();
  AddItem(disc);
  setCurrentIndex(count() - 1);
  return count() - 1;
}

const dvd::TDvdDrive* TDvdCombo::Drive() const { return Drives(currentIndex()); }

const dvd::TDvdDrive* TDvdCombo::Drives(int Index) const {
  if (Index < 0 || static_cast<size_t>(Index) >= FDrives.size()) return nullptr;
  return &FDrives[static_cast<size_t>(Index)];
}

void TDvdCombo::AddItem(const dvd::TDvdDrive& Drive) {
  FDrives.push_back(Drive);
  static const QString iconName = QStringLiteral("drive-optical");
  const QIcon image = QIcon::hasThemeIcon(iconName) ? QIcon::fromTheme(iconName)
                                                    : style()->standardIcon(QStyle::SP_DriveDVDIcon);
  addItem(image, dvd::DriveText(Drive, FTextCase));
}
