// The DVD drive list over faked system folders.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app/DvdDriveSelector.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

void Touch(const QString& path) {
  QDir().mkpath(QFileInfo(path).path());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

// sr0 holds a video disc mounted on .../media/MY_MOVIE (its device cannot be
// read, so the folder names the volume); sr1 is empty; the hard disk sda is
// mounted on a folder that holds a VIDEO_TS folder.
dvd::TDvdDriveSources FakeDrives() {
  const QDir root(TemporaryFolder());
  for (const char* device : {"sr0", "sr1", "sda"}) {
    root.mkpath(QStringLiteral("sys/block/") + device);
    Touch(root.filePath(QStringLiteral("dev/") + device));
  }
  Touch(root.filePath("media/MY_MOVIE/VIDEO_TS/VIDEO_TS.IFO"));
  Touch(root.filePath("home/VIDEO_TS/VIDEO_TS.IFO"));
  QFile mounts(root.filePath("mounts"));
  EXPECT_TRUE(mounts.open(QIODevice::WriteOnly));
  mounts.write((root.filePath("dev/sr0") + " " + root.filePath("media/MY_MOVIE") + " udf ro 0 0\n" +
                root.filePath("dev/sda") + " " + root.filePath("home") + " ext4 rw 0 0\n")
                   .toUtf8());
  dvd::TDvdDriveSources sources;
  sources.BlockFolder = root.filePath("sys/block");
  sources.DeviceFolder = root.filePath("dev");
  sources.MountsFile = root.filePath("mounts");
  return sources;
}

QStringList Items(const QComboBox& combo) {
  QStringList items;
  for (int i = 0; i < combo.count(); ++i) items << combo.itemText(i);
  return items;
}

}  // namespace

TEST(DvdDriveSelector, ListsOnlyDrivesHoldingAVideoDisc) {
  TDvdCombo combo;
  combo.SetSources(FakeDrives());
  EXPECT_EQ(Items(combo), QStringList({"sr0: [my_movie]"}));
  EXPECT_FALSE(combo.itemIcon(0).isNull());
  ASSERT_NE(combo.Drive(), nullptr);
  EXPECT_EQ(combo.Drive()->Name, "sr0");
  EXPECT_EQ(combo.Drive()->Volume, "MY_MOVIE");
  EXPECT_TRUE(combo.Drive()->DiscPath().endsWith(QStringLiteral("media/MY_MOVIE")));
  EXPECT_EQ(combo.Drives(1), nullptr);
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());

  combo.SetTextCase(dvd::tcUpperCase);
  EXPECT_EQ(Items(combo), QStringList({"SR0: [MY_MOVIE]"}));
}

TEST(DvdDriveSelector, OnSelectFollowsTheUserOnly) {
  TDvdCombo combo;
  int selected = 0;
  combo.OnSelect = [&](TDvdCombo* sender) {
    EXPECT_EQ(sender, &combo);
    ++selected;
  };
  combo.SetSources(FakeDrives());  // rebuilding the list is no choice of the user
  EXPECT_EQ(selected, 0);
  emit combo.activated(0);
  EXPECT_EQ(selected, 1);
}

TEST(DvdDriveSelector, ADiscFolderOrImageCanBeAdded) {
  TDvdCombo combo;
  dvd::TDvdDriveSources none;
  none.BlockFolder = none.DeviceFolder = none.MountsFile = TemporaryFolder() + "/none";
  combo.SetSources(none);
  EXPECT_EQ(combo.count(), 0);
  EXPECT_EQ(combo.Drive(), nullptr);

  const QString disc = TemporaryFolder() + "/Holiday";
  Touch(disc + "/VIDEO_TS/VIDEO_TS.IFO");
  EXPECT_EQ(combo.AddDisc(disc + "/VIDEO_TS/"), 0);
  EXPECT_EQ(combo.currentIndex(), 0);
  EXPECT_EQ(Items(combo), QStringList({"holiday: [holiday]"}));
  EXPECT_EQ(combo.Drive()->DiscPath(), disc + "/VIDEO_TS");
}
