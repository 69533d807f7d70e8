#pragma once
// The drop-down list of the optical drives that hold a readable video DVD,
// one item "%s: [%s]" (drive name and volume label) per drive with a drive
// image beside it. A disc folder or image the user picks can be added as one
// more item, for machines without a drive.

#include <QComboBox>
#include <functional>
#include <vector>

#include "dvd/DvdDrives.h"

class TDvdCombo;
using TDvdComboEvent = std::function<void(TDvdCombo* Sender)>;

class TDvdCombo : public QComboBox {
  Q_OBJECT

 public:
  // Builds the list from the system's drives.
  explicit TDvdCombo(QWidget* parent = nullptr);

  // Where the drives are looked up; setting it rebuilds the list.
  const dvd::TDvdDriveSources& Sources() const { return FSources; }
  void SetSources(const dvd::TDvdDriveSources& Value);
  // Letter case of the item texts; setting it rebuilds the list.
  dvd::TTextCase TextCase() const { return FTextCase; }
  void SetTextCase(dvd::TTextCase Value);

  // Empties the list and lists the drives again; the first one is selected.
  void BuildList();
  // Adds a disc folder (the disc's root or its VIDEO_TS folder) or image as
  // an item named after the file and labelled with the disc's volume label
  // (the folder's name when it has none), selects it and returns its index.
  int AddDisc(const QString& Path);

  // The selected drive; nullptr while nothing is selected.
  const dvd::TDvdDrive* Drive() const;
  // The drive of an item; nullptr outside the list.
  const dvd::TDvdDrive* Drives(int Index) const;

  // Raised when the user selects an item (not when the list is rebuilt).
  TDvdComboEvent OnSelect;

 private:
  void AddItem(const dvd::TDvdDrive& Drive);

  dvd::TDvdDriveSources FSources;
  dvd::TTextCase FTextCase = dvd::tcLowerCase;
  std::vector<dvd::TDvdDrive> FDrives;  // in item order
};
