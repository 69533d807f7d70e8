#pragma once
// The optical drives that hold a readable DVD-Video: what the wizard's drive
// selector offers. Drives come from the block devices (sr0, sr1 …), their
// mount points from the mount table; the folders read can be pointed
// elsewhere, which is how the tests fake drives.

#include <QString>
#include <vector>

namespace dvd {

enum TTextCase { tcLowerCase, tcUpperCase };

struct TDvdDriveSources {
  QString BlockFolder = QStringLiteral("/sys/block");
  QString DeviceFolder = QStringLiteral("/dev");
  QString MountsFile = QStringLiteral("/proc/mounts");
};

struct TDvdDrive {
  QString Name;        // the block device's name, "sr0"
  QString Device;      // its device file, "/dev/sr0"
  QString MountPoint;  // where the disc is mounted; empty when it is not
  QString Volume;      // the disc's volume label as recorded on it

  // The path to open the disc with: the mounted folder, else the device.
  QString DiscPath() const { return MountPoint.isEmpty() ? Device : MountPoint; }
};

// In device order. Empty drives, data discs and drives that cannot be read
// are left out silently.
std::vector<TDvdDrive> ListDvdDrives(const TDvdDriveSources& sources = {});

// "%s: [%s]" with the drive's name and volume label, both in the given case.
QString DriveText(const TDvdDrive& drive, TTextCase textCase = tcLowerCase);

// The volume label of a disc device or image; empty when it cannot be read.
QString DiscVolumeLabel(const QString& path);

}  // namespace dvd
