// The drive list over faked system folders: block devices, device files and
// a mount table in a temporary folder.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "DvdFixture.h"
#include "dvd/DvdDrives.h"
#include "dvd/DvdScan.h"
#include "support/TestSupport.h"

using namespace dvd;
using namespace testing_support;

namespace {

struct TFakeSystem {
  TDvdDriveSources sources;
  QString root;
};

void Touch(const QString& path, const QByteArray& text = QByteArray()) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(text);
}

// sr0 holds the authored disc, unmounted; sr1 is empty; sr2 holds a data
// disc; sr10 holds a video disc mounted on a folder whose name has a blank,
// through a device file we may not read; the hard disk sda is mounted on a
// folder that holds a VIDEO_TS folder.
TFakeSystem FakeSystem() {
  TFakeSystem fake;
  fake.root = TemporaryFolder();
  const QDir root(fake.root);
  for (const char* device : {"sr0", "sr1", "sr2", "sr10", "sda", "loop0"}) root.mkpath(QString("sys/block/") + device);
  root.mkpath("dev");
  QFile::link(AuthoredDvd().Iso, root.filePath("dev/sr0"));
  Touch(root.filePath("dev/sr1"));
  const QString dataDisc = DataDiscImage(root.filePath("data"));
  QFile::link(dataDisc, root.filePath("dev/sr2"));
  Touch(root.filePath("dev/sda"));
  for (const char* mount : {"media/Film Night", "home"}) {
    root.mkpath(mount);
    QFile::link(AuthoredDvd().VideoTs, root.filePath(QString(mount) + "/VIDEO_TS"));
  }
  const QString escaped = root.filePath("media/Film\\040Night");
  Touch(root.filePath("mounts"), (root.filePath("dev/sda") + " " + root.filePath("home") + " ext4 rw 0 0\n" +
                                  "proc /proc proc rw 0 0\n" + root.filePath("dev/sr10") + " " + escaped +
                                  " udf ro,nosuid 0 0\n")
                                     .toUtf8());
  fake.sources.BlockFolder = root.filePath("sys/block");
  fake.sources.DeviceFolder = root.filePath("dev");
  fake.sources.MountsFile = root.filePath("mounts");
  return fake;
}

}  // namespace

TEST(DvdDrives, OnlyOpticalDrivesHoldingAVideoDiscAreListed) {
  const TFakeSystem fake = FakeSystem();
  TakeErrorBoxes();
  const std::vector<TDvdDrive> drives = ListDvdDrives(fake.sources);
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
  ASSERT_EQ(drives.size(), 2u);

  EXPECT_EQ(drives[0].Name, "sr0");
  EXPECT_EQ(drives[0].Volume, "MY_MOVIE");
  EXPECT_EQ(drives[0].MountPoint, "");
  EXPECT_EQ(drives[0].DiscPath(), QDir(fake.root).filePath("dev/sr0"));

  EXPECT_EQ(drives[1].Name, "sr10");
  EXPECT_EQ(drives[1].MountPoint, QDir(fake.root).filePath("media/Film Night"));
  EXPECT_EQ(drives[1].Volume, "Film Night");  // the device cannot be read: the folder's name
  EXPECT_EQ(drives[1].DiscPath(), drives[1].MountPoint);
}

TEST(DvdDrives, TheTextFollowsTheLetterCase) {
  const std::vector<TDvdDrive> drives = ListDvdDrives(FakeSystem().sources);
  ASSERT_EQ(drives.size(), 2u);
  EXPECT_EQ(DriveText(drives[0]), "sr0: [my_movie]");
  EXPECT_EQ(DriveText(drives[0], tcUpperCase), "SR0: [MY_MOVIE]");
  EXPECT_EQ(DriveText(drives[1], tcLowerCase), "sr10: [film night]");
}

TEST(DvdDrives, AListedDriveScansLikeTheDisc) {
  for (const TDvdDrive& drive : ListDvdDrives(FakeSystem().sources)) {
    const auto titles = ScanDvd(drive.DiscPath());
    ASSERT_TRUE(titles.has_value()) << drive.Name.toStdString();
    EXPECT_EQ(titles->size(), 2u);
  }
}

TEST(DvdDrives, NoSystemFoldersNoDrives) {
  TDvdDriveSources nowhere;
  nowhere.BlockFolder = nowhere.DeviceFolder = nowhere.MountsFile = TemporaryFolder() + "/none";
  EXPECT_TRUE(ListDvdDrives(nowhere).empty());
}

TEST(DvdDrives, VolumeLabelsOfImagesAndFolders) {
  EXPECT_EQ(DiscVolumeLabel(AuthoredDvd().Iso), "MY_MOVIE");
  EXPECT_EQ(DiscVolumeLabel(DataDiscImage(TemporaryFolder())), "BACKUP");
  EXPECT_EQ(DiscVolumeLabel(TemporaryFolder() + "/none"), "");
}
