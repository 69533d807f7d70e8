// The byte ring: capacity - 1 rule, wrapping, all-or-nothing, resizing, and
// one writer thread against one reader thread.

#include <gtest/gtest.h>

#include <QByteArray>
#include <thread>

#include "media/CircularBuffer.h"

using media::TCircularBuffer;

namespace {

QByteArray Bytes(const char* text) { return QByteArray(text); }

QByteArray Take(TCircularBuffer& ring, int n, bool* ok = nullptr) {
  QByteArray out(n, '?');
  const bool r = ring.Read(out.data(), n);
  if (ok) *ok = r;
  return r ? out : QByteArray();
}

}  // namespace

TEST(CircularBuffer, HoldsAtMostCapacityMinusOneAndWraps) {
  TCircularBuffer ring(8);
  EXPECT_EQ(ring.GetMaxReadBytes(), 0);
  EXPECT_EQ(ring.GetMaxWriteBytes(), 8);
  EXPECT_FALSE(ring.Write("abcdefgh", 8));  // full would look empty
  EXPECT_TRUE(ring.Write("abcdefg", 7));
  EXPECT_EQ(ring.GetMaxReadBytes(), 7);
  EXPECT_FALSE(ring.Write("x", 1));
  EXPECT_EQ(Take(ring, 3), Bytes("abc"));
  EXPECT_TRUE(ring.Write("hij", 3));  // wraps round the end
  EXPECT_EQ(ring.WritePosition(), 2);
  EXPECT_FALSE(ring.Write("x", 1));
  EXPECT_EQ(ring.GetMaxReadBytes(), 7);
  EXPECT_EQ(Take(ring, 7), Bytes("defghij"));  // and reads round it
  EXPECT_EQ(ring.ReadPosition(), 2);
  EXPECT_EQ(ring.GetMaxReadBytes(), 0);
}

TEST(CircularBuffer, ReadingUpToTheEndOfTheAreaContinuesAtItsStart) {
  TCircularBuffer ring(8);
  ASSERT_TRUE(ring.Write("abcde", 5));
  ASSERT_EQ(Take(ring, 5), Bytes("abcde"));
  ASSERT_TRUE(ring.Write("fgh", 3));  // exactly to the end: the write position wraps to 0
  EXPECT_EQ(ring.WritePosition(), 0);
  EXPECT_EQ(Take(ring, 3), Bytes("fgh"));
  EXPECT_EQ(ring.ReadPosition(), 8);  // at the capacity, which reads like 0
  EXPECT_EQ(ring.GetMaxReadBytes(), 0);
  ASSERT_TRUE(ring.Write("ijk", 3));
  EXPECT_EQ(ring.GetMaxReadBytes(), 3);
  EXPECT_EQ(Take(ring, 3), Bytes("ijk"));
}

TEST(CircularBuffer, ATooLargeReadChangesNothing) {
  TCircularBuffer ring(16);
  ASSERT_TRUE(ring.Write("hello", 5));
  bool ok = true;
  EXPECT_TRUE(Take(ring, 6, &ok).isEmpty());
  EXPECT_FALSE(ok);
  EXPECT_EQ(ring.GetMaxReadBytes(), 5);
  EXPECT_EQ(ring.ReadPosition(), 0);
  EXPECT_EQ(Take(ring, 5), Bytes("hello"));
  ring.Write("again", 5);
  ring.Clear();
  EXPECT_EQ(ring.GetMaxReadBytes(), 0);
  EXPECT_EQ(ring.WritePosition(), 0);
  EXPECT_EQ(ring.ReadPosition(), 0);
}

TEST(CircularBuffer, ResizingKeepsTheBytesHeldInOrder) {
  TCircularBuffer ring(8);
  ASSERT_TRUE(ring.Write("abc", 3));
  ring.SetSize(16);  // unwrapped content: positions stay
  EXPECT_EQ(ring.Size(), 16);
  EXPECT_EQ(ring.WritePosition(), 3);
  EXPECT_TRUE(ring.Write("defghijklmno", 12));
  EXPECT_EQ(Take(ring, 15), Bytes("abcdefghijklmno"));

  TCircularBuffer wrapped(8);
  ASSERT_TRUE(wrapped.Write("abcdef", 6));
  ASSERT_EQ(Take(wrapped, 5), Bytes("abcde"));
  ASSERT_TRUE(wrapped.Write("ghij", 4));  // "fghij" now wraps round the end
  wrapped.SetSize(32);
  EXPECT_EQ(wrapped.GetMaxReadBytes(), 5);
  EXPECT_EQ(Take(wrapped, 5), Bytes("fghij"));

  TCircularBuffer full(8);
  ASSERT_TRUE(full.Write("abcdefg", 7));
  full.SetSize(4);  // would lose bytes: refused
  EXPECT_EQ(full.Size(), 8);
  ASSERT_EQ(Take(full, 5), Bytes("abcde"));
  full.SetSize(4);  // "fg" fits
  EXPECT_EQ(full.Size(), 4);
  EXPECT_EQ(Take(full, 2), Bytes("fg"));
}

TEST(CircularBuffer, OneThreadFillsWhileAnotherDrains) {
  constexpr int Total = 4 * 1024 * 1024;
  auto byteAt = [](int i) { return static_cast<char>((i * 7 + i / 251) & 0xff); };
  TCircularBuffer ring(4099);  // a size that makes the chunks wrap at odd places
  std::thread writer([&] {
    char chunk[1000];
    for (int written = 0; written < Total;) {
      const int n = std::min<int>(sizeof chunk, Total - written);
      for (int k = 0; k < n; ++k) chunk[k] = byteAt(written + k);
      if (ring.Write(chunk, n))
        written += n;
      else
        std::this_thread::yield();
    }
  });
  int read = 0, wrong = 0;
  char chunk[777];
  while (read < Total) {
    const int n = std::min<int>(sizeof chunk, Total - read);
    if (!ring.Read(chunk, n)) {
      std::this_thread::yield();
      continue;
    }
    for (int k = 0; k < n; ++k) wrong += chunk[k] != byteAt(read + k);
    read += n;
  }
  writer.join();
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(ring.GetMaxReadBytes(), 0);
}
