// The navigation layer on an authored disc: title scan, starting at
// chapters, block positions, chapter changes and seeks.

#include <gtest/gtest.h>

#include <QFile>

#include "DvdFixture.h"
#include "dvd/DvdNav.h"
#include "dvd/DvdScan.h"
#include "support/TestSupport.h"

using namespace dvd;
using namespace testing_support;

namespace {

DvdNavPtr Open(const QString& path) { return DvdNavPtr(hb_dvdnav_init(path)); }

// The next block of program stream, skipping the player's other answers.
QByteArray NextBlock(hb_dvdnav_t* d) {
  uint8_t block[DvdBlockSize];
  int length = 0, event = 0;
  for (int i = 0; i < 1000; ++i) {
    const int r = hb_dvdnav_read(d, block, &length, &event);
    if (r != 0 && r != -1) return QByteArray(reinterpret_cast<const char*>(block), length);
    if (r == -1 && hb_dvdnav_chapter(d) < 0) break;
  }
  return QByteArray();
}

QByteArray VobBlock(uint32_t block) {
  QFile vob(AuthoredDvd().TitleSetVob);
  if (!vob.open(QIODevice::ReadOnly) || !vob.seek(qint64(block) * DvdBlockSize)) return QByteArray();
  return vob.read(DvdBlockSize);
}

uint32_t Position(hb_dvdnav_t* d) {
  uint32_t position = 0, length = 0;
  EXPECT_TRUE(hb_dvdnav_get_position(d, &position, &length));
  return position;
}

}  // namespace

TEST(DvdNav, ScanListsTheTitlesWithDurationsChaptersAndAngles) {
  const auto titles = ScanDvd(AuthoredDvd().Folder);
  ASSERT_TRUE(titles.has_value());
  ASSERT_EQ(titles->size(), 2u);
  const hb_title_t& first = (*titles)[0];
  const hb_title_t& second = (*titles)[1];
  EXPECT_EQ(TitleLine(first), "1(00:00:10)");
  EXPECT_EQ(TitleLine(second), "2(00:00:03)");
  EXPECT_EQ(first.dvd, AuthoredDvd().Folder);
  EXPECT_EQ(first.angle_count, 1);
  EXPECT_EQ(first.duration, 10 * 90000);
  ASSERT_EQ(hb_list_count(first.list_chapter), Title1Chapters);
  for (int c = 0; c < Title1Chapters; ++c) {
    const hb_chapter_t* chapter = hb_list_item(first.list_chapter, c);
    ASSERT_NE(chapter, nullptr);
    EXPECT_EQ(chapter->index, c + 1);
    EXPECT_EQ(chapter->duration, ChapterSeconds * 90000) << "chapter " << c + 1;
  }
  EXPECT_EQ(hb_list_item(first.list_chapter, Title1Chapters), nullptr);
  EXPECT_EQ(hb_list_count(second.list_chapter), 1);
  EXPECT_EQ(second.duration, Title2Seconds * 90000);
}

TEST(DvdNav, EveryFormOfDiscPathOpensTheSameDisc) {
  const TAuthoredDvd& disc = AuthoredDvd();
  for (const QString& path : {disc.Folder, disc.VideoTs, disc.Iso}) {
    const auto titles = ScanDvd(path);
    ASSERT_TRUE(titles.has_value()) << path.toStdString();
    ASSERT_EQ(titles->size(), 2u);
    EXPECT_EQ(TitleLine((*titles)[0]), "1(00:00:10)");
    EXPECT_EQ(hb_list_count((*titles)[0].list_chapter), Title1Chapters);
  }
}

TEST(DvdNav, WhatHoldsNoDvdDoesNotOpen) {
  const QString folder = TemporaryFolder();
  EXPECT_EQ(Open(folder + "/missing"), nullptr);
  EXPECT_EQ(Open(folder), nullptr);  // an empty folder
  EXPECT_EQ(Open(DataDiscImage(folder)), nullptr);
  EXPECT_FALSE(ScanDvd(folder).has_value());
}

TEST(DvdNav, ATitleThatDoesNotExistScansToNothing) {
  const DvdNavPtr d = Open(AuthoredDvd().Folder);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(hb_dvdnav_title_count(d.get()), 2);
  EXPECT_EQ(hb_dvdnav_title_scan(d.get(), 0), nullptr);
  EXPECT_EQ(hb_dvdnav_title_scan(d.get(), 3), nullptr);
}

TEST(DvdNav, StartingAChapterPositionsAtItsFirstBlock) {
  const DvdNavPtr d = Open(AuthoredDvd().Iso);
  ASSERT_NE(d, nullptr);
  const auto title = hb_dvdnav_title_scan(d.get(), 1);
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(hb_dvdnav_chapter(d.get()), -1);  // nothing started

  ASSERT_EQ(hb_dvdnav_start(d.get(), title.get(), 1), 1);
  EXPECT_EQ(hb_dvdnav_chapter(d.get()), 1);
  EXPECT_EQ(Position(d.get()), 0u);
  EXPECT_EQ(NextBlock(d.get()), VobBlock(0));  // title 1 is the first in the title set
  EXPECT_EQ(NextBlock(d.get()), VobBlock(1));

  ASSERT_EQ(hb_dvdnav_start(d.get(), title.get(), 3), 1);
  EXPECT_EQ(hb_dvdnav_chapter(d.get()), 3);
  const uint32_t third = Position(d.get());
  EXPECT_GT(third, 0u);
  EXPECT_EQ(NextBlock(d.get()), VobBlock(third));
  EXPECT_EQ(hb_dvdnav_angle_count(d.get()), 1);

  EXPECT_EQ(hb_dvdnav_start(d.get(), title.get(), Title1Chapters + 1), 0);
  EXPECT_EQ(hb_dvdnav_chapter(d.get()), -1);
}

TEST(DvdNav, ReadingWalksThroughTheChaptersToTheEndOfTheTitle) {
  const DvdNavPtr d = Open(AuthoredDvd().Folder);
  const auto title = hb_dvdnav_title_scan(d.get(), 1);
  ASSERT_EQ(hb_dvdnav_start(d.get(), title.get(), 1), 1);
  uint32_t position = 0, length = 0;
  ASSERT_TRUE(hb_dvdnav_get_position(d.get(), &position, &length));
  int blocks = 0, lastChapter = 1;
  std::vector<int> chapters;
  while (!NextBlock(d.get()).isEmpty()) {
    ++blocks;
    const int chapter = hb_dvdnav_chapter(d.get());
    if (chapter != lastChapter && chapter > 0) chapters.push_back(chapter);
    if (chapter > 0) lastChapter = chapter;
  }
  EXPECT_EQ(blocks, int(length));
  EXPECT_EQ(chapters, (std::vector<int>{2, 3, 4, 5}));
  EXPECT_EQ(hb_dvdnav_chapter(d.get()), -1);
}

TEST(DvdNav, SeekingLandsOnTheExactBlockAndARefusedSeekChangesNothing) {
  const DvdNavPtr d = Open(AuthoredDvd().Iso);
  const auto title = hb_dvdnav_title_scan(d.get(), 1);
  ASSERT_EQ(hb_dvdnav_start(d.get(), title.get(), 1), 1);
  uint32_t position = 0, length = 0;
  ASSERT_TRUE(hb_dvdnav_get_position(d.get(), &position, &length));

  // Backwards, forwards a little and far, and again right after a seek.
  for (uint32_t target : {500u, 505u, 123u, 900u, 901u, 7u, 0u, length - 1}) {
    ASSERT_EQ(hb_dvdnav_seek(d.get(), target), 1) << target;
    EXPECT_EQ(NextBlock(d.get()), VobBlock(target)) << target;
  }
  ASSERT_EQ(hb_dvdnav_seek(d.get(), 300), 1);
  EXPECT_EQ(NextBlock(d.get()), VobBlock(300));
  EXPECT_EQ(hb_dvdnav_seek(d.get(), length), 0);
  EXPECT_EQ(hb_dvdnav_seek(d.get(), -1), 0);
  EXPECT_EQ(NextBlock(d.get()), VobBlock(301));
}

TEST(DvdNav, ASeekAfterTheEndOfTheTitlePlaysItAgain) {
  const DvdNavPtr d = Open(AuthoredDvd().Folder);
  const auto title = hb_dvdnav_title_scan(d.get(), 2);
  ASSERT_NE(title, nullptr);
  ASSERT_EQ(hb_dvdnav_start(d.get(), title.get(), 1), 1);
  const uint32_t start = Position(d.get());
  while (!NextBlock(d.get()).isEmpty()) {
  }
  EXPECT_EQ(hb_dvdnav_chapter(d.get()), -1);
  ASSERT_EQ(hb_dvdnav_seek(d.get(), 10), 1);
  EXPECT_EQ(hb_dvdnav_chapter(d.get()), 1);
  uint32_t position = 0, length = 0;
  ASSERT_TRUE(hb_dvdnav_get_position(d.get(), &position, &length));
  EXPECT_EQ(position, 10u);
  EXPECT_EQ(start, 0u);  // positions count from the title's own start
}
