#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <thread>

#include "ScriptedConverter.h"
#include "support/MediaFixtures.h"
#include "support/TestSupport.h"

using testing_support::PumpUntil;

namespace {

struct ProgressCase {
  double duration, converted;
  int64_t start, recording;
  int expected;
};

}  // namespace

TEST(ConverterProgress, PercentOfTheRequestedSpan) {
  const int64_t whole = TAVConvertOptions::NoRecordingLimit;
  const ProgressCase cases[] = {
      {10, 2.5, 0, whole, 25},           // the whole input
      {10, 1, 2000000, 4000000, 25},     // 4 s from 2 s on
      {10, 2, 4000000, whole, 33},       // from 4 s to the end: 6 s
      {10, 5, 0, 5000000, 100},          // recording time shorter than the input
      {8, 1, 0, whole, 12},              // 12.5 rounds to the even 12
      {8, 3, 0, whole, 38},              // 37.5 rounds to the even 38
      {10, 11, 0, whole, 110},           // not clamped
      {0, 5, 0, whole, 0},               // unknown duration
      {0, 1, 0, 4000000, 25},            // a capture of 4 s, 1 s recorded
      {10, 1, 10000000, whole, 0},       // start at the end: empty span
      {10, 1, 12000000, whole, 0},       // start past the end
  };
  for (const auto& k : cases) {
    TAVConverter c;
    c.SetDuration(k.duration);
    c.SetConvertedDuration(k.converted);
    c.ConvertOptions().SetStartTime(k.start);
    c.ConvertOptions().SetRecordingTime(k.recording);
    EXPECT_EQ(c.Progress(), k.expected) << k.duration << " " << k.converted << " " << k.start;
  }
}

TEST(ConverterProgress, UsedAndLeftTime) {
  TScriptedConverter c;
  EXPECT_EQ(c.GetLeftTime(), 362439);
  EXPECT_EQ(c.GetUsedTime(), 0);

  c.SetDuration(100);
  c.SetConvertedDuration(25);
  c.timer_start = 1000000000;
  c.last_time = 1000000000 + 30999999;  // truncated to 30 s
  EXPECT_EQ(c.GetUsedTime(), 30);
  EXPECT_EQ(c.GetLeftTime(), 90);
  c.SetConvertedDuration(0);
  EXPECT_EQ(c.GetLeftTime(), 362439);
  c.SetConvertedDuration(0.4);  // rounds to 0 percent
  EXPECT_EQ(c.GetLeftTime(), 362439);
}

TEST(ConverterProgress, ReportIsThrottledToHalfASecondExceptTheLast) {
  const QString input = testing_support::MediaFixture({});
  const QString output = QDir(testing_support::TemporaryFolder()).filePath("out.bin");
  struct Seen {
    int64_t target = -1, source = -1;
    double bitrate = -1;
  };
  Seen first, throttled, later, last;
  TScriptedConverter c;
  c.Script = [&](TScriptedConverter& s) {
    AVFormatContext* in = nullptr;
    ASSERT_EQ(avformat_open_input(&in, input.toUtf8().constData(), nullptr, nullptr), 0);
    s.Run().input_files.emplace_back(in);
    AVFormatContext* out = nullptr;
    ASSERT_GE(avformat_alloc_output_context2(&out, nullptr, "data", output.toUtf8().constData()), 0);
    s.Run().output_files.emplace_back(out);
    ASSERT_GE(avio_open(&out->pb, output.toUtf8().constData(), AVIO_FLAG_WRITE), 0);
    auto snapshot = [&] { return Seen{s.TargetFileSize(), s.SourceFileSize(), s.Bitrate()}; };

    std::vector<uint8_t> bytes(1000, 7);
    avio_write(out->pb, bytes.data(), 1000);
    avio_flush(out->pb);
    s.ReportProgress(false);  // starts the clock only
    first = snapshot();
    avio_write(out->pb, bytes.data(), 1000);
    avio_flush(out->pb);
    s.ReportProgress(false);  // within 0.5 s: nothing changes
    throttled = snapshot();
    std::this_thread::sleep_for(std::chrono::milliseconds(520));
    s.ReportProgress(false);
    later = snapshot();
    avio_write(out->pb, bytes.data(), 1000);
    avio_flush(out->pb);
    s.ReportProgress(true);
    last = snapshot();
  };
  c.Convert();
  ASSERT_TRUE(PumpUntil([&] { return !c.IsRunning() && c.State() == csNone; }));
  EXPECT_EQ(first.target, 0);
  EXPECT_EQ(first.bitrate, 0);
  EXPECT_EQ(throttled.target, 0);
  EXPECT_EQ(throttled.source, 0);
  EXPECT_EQ(later.target, 2000);
  EXPECT_EQ(later.source, QFile(input).size());
  // No output stream has a position yet: the time defaults to 1e10 s.
  EXPECT_DOUBLE_EQ(later.bitrate, 2000 * 8 / 1e10 / 1000);
  EXPECT_EQ(last.target, 3000);
  EXPECT_GT(c.LastTime(), 0);
}
