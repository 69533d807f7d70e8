// The names of a batch's targets: one folder, the sources' base names, a
// number for each name met before.

#include <gtest/gtest.h>

#include "tasks/BatchTargets.h"

TEST(BatchTargets, EachSourceGetsItsOwnNameInTheFolder) {
  const struct {
    QStringList sources;
    QString folder, extension;
    QStringList targets;
  } cases[] = {
      {{"/a/clip.avi", "/b/other.mp4"}, "/out", ".mkv", {"/out/clip.mkv", "/out/other.mkv"}},
      {{"/a/clip.avi", "/b/clip.mp4", "/c/clip.mov"}, "/out/", ".mkv", {"/out/clip.mkv", "/out/clip (2).mkv", "/out/clip (3).mkv"}},
      // Names are met whatever their letter case, and a number is never given twice.
      {{"/a/Clip.avi", "/b/clip.avi"}, "/out", ".mp4", {"/out/Clip.mp4", "/out/clip (2).mp4"}},
      {{"/a/clip (2).avi", "/b/clip.avi", "/c/clip.avi"}, "/o", ".mp4", {"/o/clip (2).mp4", "/o/clip.mp4", "/o/clip (3).mp4"}},
      // Only the last dot starts the extension; picture sequences keep their pattern.
      {{"/a/my.holiday.avi", "/b/frames.mp4"}, "/o", "%1d.jpg", {"/o/my.holiday%1d.jpg", "/o/frames%1d.jpg"}},
      {{}, "/o", ".mkv", {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(tasks::BatchTargetNames(c.sources, c.folder, c.extension), c.targets) << c.sources.join(' ').toStdString();
}
