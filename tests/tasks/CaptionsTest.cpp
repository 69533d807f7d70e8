// Texts of the task list's cells.

#include <gtest/gtest.h>

#include <QFile>

#include "support/TestSupport.h"
#include "tasks/AVTask.h"
#include "tasks/TaskCaptions.h"

using namespace tasks;

TEST(Captions, SizesAreWholeKilobytesRoundedDown) {
  EXPECT_EQ(SizeCaption(1023), "0KB");
  EXPECT_EQ(SizeCaption(1536), "1KB");
  EXPECT_EQ(SizeCaption(0), "0KB");
  EXPECT_EQ(SizeCaption(-1), "0KB");
  EXPECT_EQ(SizeCaption(5LL * 1024 * 1024 * 1024), "5242880KB") << "64-bit sizes";
}

TEST(Captions, TimesAreUnpaddedAndNotWrapped) {
  EXPECT_EQ(TimeCaption(3725), "1:2:5");
  EXPECT_EQ(TimeCaption(0), "0:0:0");
  EXPECT_EQ(TimeCaption(90061), "25:1:1");
  EXPECT_EQ(DurationCaption(2.5), "0:0:2") << "halves to the even neighbour";
  EXPECT_EQ(DurationCaption(3.5), "0:0:4");
  EXPECT_EQ(DurationCaption(59.6), "0:1:0");
}

TEST(Captions, BitrateHasGroupedDigitsAndOneOrTwoDecimals) {
  EXPECT_EQ(BitrateCaption(0), ".0");
  EXPECT_EQ(BitrateCaption(0.5), ".5");
  EXPECT_EQ(BitrateCaption(128), "128.0");
  EXPECT_EQ(BitrateCaption(1234.567), "1,234.57");
  EXPECT_EQ(BitrateCaption(1234567.1), "1,234,567.1");
  EXPECT_EQ(BitrateCaption(999.999), "1,000.0");
  EXPECT_EQ(BitrateCaption(123456), "123,456.0");
}

TEST(Captions, DatesShowTheTimeOnlyWhenThereIsOne) {
  const QDateTime midnight(QDate(2010, 5, 1), QTime(0, 0));
  const QDateTime afternoon(QDate(2010, 5, 1), QTime(13, 45, 10));
  EXPECT_EQ(DateCaption(midnight), QLocale().toString(midnight.date(), QLocale::ShortFormat));
  EXPECT_EQ(DateCaption(afternoon), DateCaption(midnight) + " 13:45:10");
  EXPECT_EQ(DateCaption(QDateTime()), "");
}

TEST(Captions, TaskColumns) {
  const QString folder = testing_support::TemporaryFolder();
  auto settings = std::make_unique<TConversionSettings>();
  settings->SetSourceType(stDvd);
  settings->SetDvdVolume("MOVIE");
  settings->SetDvdTitle(3);
  settings->SetSourceFile("stream:4");
  settings->SetTargetFile(folder + "/movie.mpg");
  settings->SetProfile("DVD");
  settings->SetSourceFileSize(1536);
  settings->SetDuration(3725.4);
  TConvertingTask task(std::move(settings), nullptr);
  EXPECT_EQ(task.GetCaption(0), "dvd[MOVIE:title3]");
  EXPECT_EQ(task.GetCaption(1), "1KB");
  EXPECT_EQ(task.GetCaption(2), "movie.mpg");
  EXPECT_EQ(task.GetCaption(4), "DVD");
  EXPECT_EQ(task.GetCaption(6), "0%");
  EXPECT_EQ(task.GetCaption(7), ".0");
  EXPECT_EQ(task.GetCaption(8), "100:40:39") << "the engine's unknown remaining time";
  EXPECT_EQ(task.GetCaption(9), "0:0:0");
  EXPECT_EQ(task.GetCaption(10), "");
  EXPECT_EQ(task.GetTargetProfileText(), "DVD");
  EXPECT_EQ(task.GetImageIndex(), stRunning);

  task.IsConverted = true;
  task.Date = QDateTime(QDate(2011, 2, 3), QTime(0, 0));
  EXPECT_EQ(task.GetCaption(3), "0KB") << "the target is missing";
  QFile target(folder + "/movie.mpg");
  ASSERT_TRUE(target.open(QIODevice::WriteOnly));
  target.write(QByteArray(4096, 'x'));
  target.close();
  EXPECT_EQ(task.GetCaption(3), "4KB");
  EXPECT_EQ(task.GetCaption(5), "1:2:5");
  EXPECT_EQ(task.GetCaption(6), DateCaption(task.Date));
  EXPECT_EQ(task.GetCaption(7), "");
}

TEST(Captions, FileSourceShowsTheFileName) {
  auto settings = std::make_unique<TConversionSettings>();
  settings->SetSourceFile("/a/b/clip one.avi");
  TConvertingTask task(std::move(settings), nullptr);
  EXPECT_EQ(task.GetCaption(0), "clip one.avi");
}
