#include "dvd/DvdDrives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <map>

#include "dvd/DvdLibraryPtrs.h"

namespace dvd {

namespace {

// The mount table writes blanks and a few other characters as \ooo.
QString Unescape(const QByteArray& field) {
  QByteArray out;
  for (qsizetype i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      bool ok = false;
      const int code = field.mid(i + 1, 3).toInt(&ok, 8);
      if (ok) {
        out.append(static_cast<char>(code));
        i += 3;
        continue;
      }
    }
    out.append(field[i]);
  }
  return QFile::decodeName(out);
}

QString SamePath(const QString& path) {
  const QString canonical = QFileInfo(path).canonicalFilePath();
  return canonical.isEmpty() ? QDir::cleanPath(path) : canonical;
}

// Device (as a canonical path) to the folder it is mounted on.
std::map<QString, QString> ReadMounts(const QString& mountsFile) {
  std::map<QString, QString> mounts;
  QFile file(mountsFile);
  if (!file.open(QIODevice::ReadOnly)) return mounts;
  for (const QByteArray& line : file.readAll().split('\n')) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 2) continue;
    mounts.emplace(SamePath(Unescape(fields[0])), Unescape(fields[1]));
  }
  return mounts;
}

bool HoldsVideoFolder(const QString& mountPoint) {
  const QDir root(mountPoint);
  return QFileInfo::exists(root.filePath(QStringLiteral("VIDEO_TS/VIDEO_TS.IFO"))) ||
         QFileInfo::exists(root.filePath(QStringLiteral("video_ts/video_ts.ifo")));
}

// An unmounted disc is read directly: a drive without a disc or with a data
// disc fails here, without a word to the user.
bool HoldsReadableVideo(const QString& device) {
  const DvdReaderPtr reader = OpenDiscReader(device);
  return reader && IfoPtr(ifoOpen(reader.get(), 0)) != nullptr;
}

int DriveNumber(const QString& name) { return name.mid(2).toInt(); }

}  // namespace

QString DiscVolumeLabel(const QString& path) {
  const DvdReaderPtr reader = OpenDiscReader(path);
  if (!reader) return QString();
  char label[33] = {};
  unsigned char volumeSet[128];
  if (DVDUDFVolumeInfo(reader.get(), label, sizeof label, volumeSet, sizeof volumeSet) == 0 && label[0])
    return QString::fromLatin1(label).trimmed();
  if (DVDISOVolumeInfo(reader.get(), label, sizeof label, volumeSet, sizeof volumeSet) == 0)
    return QString::fromLatin1(label).trimmed();
  return QString();
}

std::vector<TDvdDrive> ListDvdDrives(const TDvdDriveSources& sources) {
  static const QRegularExpression opticalName(QStringLiteral("^sr\\d+$"));
  QStringList names = QDir(sources.BlockFolder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
  names.removeIf([](const QString& n) { return !opticalName.match(n).hasMatch(); });
  std::sort(names.begin(), names.end(),
            [](const QString& a, const QString& b) { return DriveNumber(a) < DriveNumber(b); });

  const std::map<QString, QString> mounts = ReadMounts(sources.MountsFile);
  std::vector<TDvdDrive> drives;
  for (const QString& name : names) {
    TDvdDrive drive;
    drive.Name = name;
    drive.Device = QDir(sources.DeviceFolder).filePath(name);
    const auto mount = mounts.find(SamePath(drive.Device));
    if (mount != mounts.end()) {
      if (!HoldsVideoFolder(mount->second)) continue;
      drive.MountPoint = mount->second;
      drive.Volume = DiscVolumeLabel(drive.Device);
      // A device we may not read still has its label in the folder name the
      // desktop mounted it under.
      if (drive.Volume.isEmpty()) drive.Volume = QFileInfo(drive.MountPoint).fileName();
    } else {
      if (!HoldsReadableVideo(drive.Device)) continue;
      drive.Volume = DiscVolumeLabel(drive.Device);
    }
    drives.push_back(drive);
  }
  return drives;
}

QString DriveText(const TDvdDrive& drive, TTextCase textCase) {
  const QString text = QStringLiteral("%1: [%2]").arg(drive.Name, drive.Volume);
  return textCase == tcUpperCase ? text.toUpper() : text.toLower();
}

}  // namespace dvd
