// The DVD title stream: a chapter range as a byte stream. The oracle is the
// title set's VOB file, in which title 1's blocks lie first and in order.

#include <gtest/gtest.h>

#include <QFile>

#include "DvdFixture.h"
#include "dvd/DvdError.h"
#include "dvd/DvdScan.h"
#include "dvd/DvdStream.h"
#include "support/MediaFixtures.h"
#include "support/TestSupport.h"

using namespace dvd;
using namespace testing_support;

namespace {

hb_title_t Title(int number, const QString& path = AuthoredDvd().Folder) {
  const auto titles = ScanDvd(path);
  if (titles)
    for (const hb_title_t& t : *titles)
      if (t.index == number) return t;
  ADD_FAILURE() << "no title " << number;
  return {};
}

QByteArray ReadAll(TDvdStream& s, int chunk = 65536) {
  QByteArray all, part(chunk, 0);
  for (int n; (n = s.Read(part.data(), chunk)) > 0;) all.append(part.constData(), n);
  return all;
}

QByteArray TitleSetBytes() {
  QFile vob(AuthoredDvd().TitleSetVob);
  return vob.open(QIODevice::ReadOnly) ? vob.readAll() : QByteArray();
}

QString Save(const QByteArray& bytes, const QString& name) {
  const QString path = TemporaryFolder() + "/" + name;
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
  return path;
}

int VideoFrames(const QString& file) {
  return RunTool("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                             "stream=nb_read_frames", "-of", "default=nw=1:nk=1", file})
      .trimmed()
      .toInt();
}

}  // namespace

TEST(DvdStream, TheWholeTitleIsItsBlocksInOrder) {
  TDvdStream s(Title(1), 1, 1, Title1Chapters);
  const QByteArray vob = TitleSetBytes();
  const QByteArray all = ReadAll(s);
  // Chapters 1 through the last: the title length minus the first chapter's
  // start block (0 here), in bytes.
  EXPECT_EQ(s.Size(), all.size());
  EXPECT_EQ(all.size() % DvdBlockSize, 0);
  EXPECT_TRUE(all == vob.left(all.size()));
  EXPECT_LT(all.size(), vob.size());  // title 2 follows in the file
  EXPECT_EQ(VideoFrames(Save(all, "title1.vob")), Title1Chapters * ChapterSeconds * DvdFrameRate);
}

TEST(DvdStream, ChaptersTwoAndThreeStopAtTheFirstBlockOfChapterFour) {
  TDvdStream s(Title(1), 1, 2, 3);
  EXPECT_EQ(s.Chapter(), 2);
  EXPECT_EQ(s.Through(), 3);
  EXPECT_EQ(s.Read(nullptr, 0), 0);  // takes nothing from the disc
  const QByteArray range = ReadAll(s, 10000);
  ASSERT_EQ(range.size(), s.Size());
  const QByteArray vob = TitleSetBytes();
  const qsizetype start = vob.indexOf(range.left(DvdBlockSize));
  ASSERT_GT(start, 0);
  EXPECT_EQ(start % DvdBlockSize, 0);
  EXPECT_TRUE(range == vob.mid(start, range.size()));
  // Nothing of chapter 4: the range's pictures are exactly 4 s, starting
  // with picture 50 of the source and ending with picture 149.
  const QString file = Save(range, "chapters23.vob");
  EXPECT_EQ(VideoFrames(file), 2 * ChapterSeconds * DvdFrameRate);
  EXPECT_NEAR(ProbeStream(file, "v:0", "duration").toDouble(), 2.0 * ChapterSeconds, 1.0 / DvdFrameRate);
  EXPECT_GT(Psnr(GrayFrame(file, 0), GrayFrame(AuthoredDvd().Title1Source, 50)), 30);
  EXPECT_GT(Psnr(GrayFrame(file, 99), GrayFrame(AuthoredDvd().Title1Source, 149)), 30);
  QByteArray more(16, 0);
  EXPECT_EQ(s.Read(more.data(), 16), 0);  // and stays at the end
}

TEST(DvdStream, SeeksRepositionInsideTheRange) {
  TDvdStream s(Title(1, AuthoredDvd().Iso), 1, 2, 3);
  const QByteArray range = ReadAll(s);
  ASSERT_GT(range.size(), 100000);
  QByteArray buffer(4096, 0);

  // 5000 is block 2 of the range, 904 bytes in.
  EXPECT_EQ(s.Seek(5000, media::soBeginning), 5000);
  ASSERT_EQ(s.Read(buffer.data(), 4096), 4096);
  EXPECT_TRUE(buffer == range.mid(5000, 4096));

  // 0 restarts at the first chapter, after reading had reached the third.
  EXPECT_EQ(s.Seek(0, media::soBeginning), 0);
  EXPECT_TRUE(ReadAll(s) == range);

  for (int64_t offset : {int64_t(range.size()) - 3000, int64_t(123457), int64_t(2048), int64_t(99999)}) {
    EXPECT_EQ(s.Seek(offset, media::soBeginning), offset);
    const int n = s.Read(buffer.data(), 4096);
    EXPECT_EQ(n, std::min<int64_t>(4096, range.size() - offset));
    EXPECT_TRUE(buffer.left(n) == range.mid(offset, n)) << offset;
  }
  // Past the end: clamped to the size, and nothing more to read.
  EXPECT_EQ(s.Seek(range.size() + 50000, media::soBeginning), range.size());
  EXPECT_EQ(s.Read(buffer.data(), 4096), 0);
}

TEST(DvdStream, ASeekBeforeTheFirstSizeQueryGoesWhereAsked) {
  TDvdStream s(Title(1), 1, 2, 3);
  QByteArray first(4096, 0);
  ASSERT_EQ(s.Seek(5000, media::soBeginning), 5000);
  ASSERT_EQ(s.Read(first.data(), 4096), 4096);
  TDvdStream whole(Title(1), 1, 2, 3);
  EXPECT_TRUE(first == ReadAll(whole).mid(5000, 4096));
}

TEST(DvdStream, ARefusedSeekLeavesReadingWhereItWas) {
  TDvdStream s(Title(1), 1, 1, Title1Chapters);
  QByteArray head(10000, 0), next(3000, 0);
  ASSERT_EQ(s.Read(head.data(), 10000), 10000);
  EXPECT_EQ(s.Seek(0, media::soCurrent), -1);
  EXPECT_EQ(s.Seek(100, media::soEnd), -1);
  EXPECT_EQ(s.Seek(-5, media::soBeginning), -1);
  ASSERT_EQ(s.Read(next.data(), 3000), 3000);
  EXPECT_TRUE(next == TitleSetBytes().mid(10000, 3000));
}

TEST(DvdStream, AnImageAndAFolderGiveTheSameBytes) {
  TDvdStream fromFolder(Title(1, AuthoredDvd().Folder), 1, 4, 5);
  TDvdStream fromImage(Title(1, AuthoredDvd().Iso), 1, 4, 5);
  const QByteArray a = ReadAll(fromFolder);
  EXPECT_GT(a.size(), 0);
  EXPECT_TRUE(a == ReadAll(fromImage));
}

TEST(DvdStream, TheStreamOutlivesTheScannedTitleRecord) {
  std::unique_ptr<TDvdStream> s;
  {
    const hb_title_t title = Title(2);
    s = std::make_unique<TDvdStream>(title, 1, 1, 1);
  }
  const QByteArray all = ReadAll(*s);
  EXPECT_EQ(s->Seek(0, media::soBeginning), 0);  // restarts the title from the stream's own record
  EXPECT_TRUE(ReadAll(*s) == all);
  EXPECT_EQ(VideoFrames(Save(all, "title2.vob")), Title2Seconds * DvdFrameRate);
}

TEST(DvdStream, FailuresRaiseTheirMessages) {
  hb_title_t missing = Title(1);
  missing.dvd = TemporaryFolder() + "/gone";
  try {
    TDvdStream s(missing, 1, 1, 1);
    ADD_FAILURE() << "opened a missing disc";
  } catch (const EDvdError& e) {
    EXPECT_EQ(e.Message(), "打不开标题");
  }

  hb_title_t wrong = Title(1);
  wrong.index = 9;  // no such title on the disc
  for (auto [title, first, last] : {std::tuple{wrong, 1, 1}, std::tuple{Title(1), 3, 2}, std::tuple{Title(1), 1, 6},
                                    std::tuple{Title(1), 0, 1}}) {
    try {
      TDvdStream s(title, 1, first, last);
      ADD_FAILURE() << "started " << first << "-" << last;
    } catch (const EDvdError& e) {
      EXPECT_EQ(e.Message(), "Can not start chapter");
    }
  }
}
