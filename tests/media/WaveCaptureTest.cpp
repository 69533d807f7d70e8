// The "wavcap" input on ALSA's null device (silence, no sound card needed):
// its parameters, the packets' stamps, one recording at a time, the device a
// source name chooses, and the log lines of failures.

#include <gtest/gtest.h>

#include <QStringList>
#include <cstdarg>
#include <mutex>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/time.h>
}

#include "media/LibraryPtrs.h"
#include "media/MediaLibraries.h"
#include "media/WavcapInput.h"
#include "media/WaveCapture.h"

namespace {

// Library log lines while it lives.
class TLogLines {
 public:
  TLogLines() {
    std::lock_guard guard(Lock());
    Lines().clear();
    av_log_set_callback(Collect);
  }
  ~TLogLines() { av_log_set_callback(av_log_default_callback); }
  QStringList Taken() const {
    std::lock_guard guard(Lock());
    return Lines();
  }

 private:
  static std::mutex& Lock() {
    static std::mutex lock;
    return lock;
  }
  static QStringList& Lines() {
    static QStringList lines;
    return lines;
  }
  static void Collect(void*, int level, const char* format, va_list args) {
    if (level > AV_LOG_WARNING) return;
    char text[1024];
    std::vsnprintf(text, sizeof text, format, args);
    std::lock_guard guard(Lock());
    Lines() << QStringLiteral("%1 %2").arg(level).arg(QString::fromUtf8(text).trimmed());
  }
};

// Opens the capture input name with the given parameters; the result code.
int Open(const char* name, int rate, int channels, media::InputFormatContextPtr* input) {
  AVFormatContext* ic = nullptr;
  media::Dictionary params;
  params.Set("sample_rate", QByteArray::number(rate));
  params.Set("channels", QByteArray::number(channels));
  const int r = avformat_open_input(&ic, name, media::WavcapInputFormat(), params.Ref());
  if (r >= 0) input->reset(ic);
  return r;
}

}  // namespace

TEST(WaveCapture, TheInputIsFoundByItsNameAndDescribesItsStream) {
  EXPECT_EQ(media::FindInputFormat("wavcap"), media::WavcapInputFormat());
  EXPECT_EQ(media::FindInputFormat("wav"), av_find_input_format("wav"));
  media::InputFormatContextPtr input;
  ASSERT_EQ(Open("null", 22050, 1, &input), 0);
  ASSERT_EQ(input->nb_streams, 1u);
  const AVStream* st = input->streams[0];
  EXPECT_EQ(st->codecpar->codec_type, AVMEDIA_TYPE_AUDIO);
  EXPECT_EQ(st->codecpar->codec_id, AV_CODEC_ID_PCM_S16LE);
  EXPECT_EQ(st->codecpar->sample_rate, 22050);
  EXPECT_EQ(st->codecpar->ch_layout.nb_channels, 1);
  EXPECT_EQ(st->time_base.num, 1);
  EXPECT_EQ(st->time_base.den, 1000000);
}

TEST(WaveCapture, ARateOrChannelCountOfZeroFailsTheOpen) {
  media::InputFormatContextPtr input;
  EXPECT_EQ(Open("null", 0, 2, &input), -1);
  EXPECT_EQ(Open("null", 44100, 0, &input), -1);
  // Nothing was left recording: a proper open still works.
  EXPECT_EQ(Open("null", 44100, 2, &input), 0);
}

TEST(WaveCapture, PacketsAreStampedWithTheTimeTheirFirstSampleWasRecorded) {
  media::InputFormatContextPtr input;
  ASSERT_EQ(Open("null", 44100, 2, &input), 0);
  const media::PacketPtr pkt = media::MakePacket();
  int64_t previous = 0;
  int64_t recorded = 0;
  while (recorded < 44100 / 2) {  // half a second
    const int64_t before = av_gettime();
    ASSERT_EQ(av_read_frame(input.get(), pkt.get()), 0);
    const int64_t after = av_gettime();
    // Whole 4096-byte buffers: 1024 stereo samples each.
    ASSERT_GT(pkt->size, 0);
    ASSERT_EQ(pkt->size % media::TWaveCapture::BufferBytes, 0);
    const int64_t length = int64_t(pkt->size) * 1000000 / (44100 * 2 * 2);
    // Read at some moment between before and after, stamped that moment
    // less the packet's length.
    EXPECT_GE(pkt->pts, before - length);
    EXPECT_LE(pkt->pts, after - length);
    EXPECT_EQ(pkt->dts, pkt->pts);
    EXPECT_EQ(pkt->duration, length);
    EXPECT_GT(pkt->pts, previous);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(pkt->data), pkt->size).count('\0'), pkt->size);
    previous = pkt->pts;
    recorded += pkt->size / 4;
    av_packet_unref(pkt.get());
  }
}

TEST(WaveCapture, OnlyOneRecordingRunsAtATime) {
  const TLogLines log;
  media::InputFormatContextPtr first, second;
  ASSERT_EQ(Open("null", 44100, 2, &first), 0);
  EXPECT_EQ(Open("null", 44100, 2, &second), AVERROR(EIO));
  EXPECT_EQ(log.Taken(), QStringList{"3 wave capture error:another recording is running"});
  first.reset();
  EXPECT_EQ(Open("null", 44100, 2, &second), 0);
}

TEST(WaveCapture, ADeviceThatCannotBeOpenedIsLoggedAndFailsTheOpen) {
  const TLogLines log;
  media::InputFormatContextPtr input;
  EXPECT_EQ(Open("hw:CARD=NoSuchCard", 44100, 2, &input), AVERROR(EIO));
  const QStringList lines = log.Taken();
  ASSERT_EQ(lines.size(), 1);
  EXPECT_TRUE(lines[0].startsWith("3 wave capture error:")) << lines[0].toStdString();
  EXPECT_GT(lines[0].size(), QStringLiteral("3 wave capture error:").size());
}

TEST(WaveCapture, ASourceNameChoosesTheDeviceWhenItNamesOne) {
  using media::TWaveCapture;
  EXPECT_EQ(TWaveCapture::DeviceFor("null"), "null");
  EXPECT_EQ(TWaveCapture::DeviceFor("default"), "default");
  EXPECT_EQ(TWaveCapture::DeviceFor("hw:1,0"), "hw:1,0");
  EXPECT_EQ(TWaveCapture::DeviceFor("plughw:CARD=PCH,DEV=0"), "plughw:CARD=PCH,DEV=0");
  for (const char* other : {"", "clip.mp4", "/tmp/recording.wav", "null.type", "no-such-device", ":0"})
    EXPECT_EQ(TWaveCapture::DeviceFor(QString::fromUtf8(other)), "default") << other;
}
