// "stream:N" inputs: the registry of live stream objects, the I/O context
// that forwards to them, and the engine reading one like a file.

#include <gtest/gtest.h>

#include <QFile>
#include <atomic>
#include <vector>

#include "engine/ConversionSupport.h"
#include "media/StreamInput.h"

using namespace testing_support;

namespace {

// A byte stream over memory that records what it was asked and when it dies.
class TMemoryStream : public media::TByteStream {
 public:
  TMemoryStream(QByteArray bytes, bool* destroyed = nullptr) : FBytes(std::move(bytes)), FDestroyed(destroyed) {
    if (FDestroyed) *FDestroyed = false;
  }
  ~TMemoryStream() override {
    if (FDestroyed) *FDestroyed = true;
  }
  int Read(void* Buffer, int Count) override {
    const int n = static_cast<int>(std::min<qint64>(Count, FBytes.size() - FPosition));
    std::memcpy(Buffer, FBytes.constData() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
  }
  int64_t Seek(int64_t Offset, media::TSeekOrigin Origin) override {
    origins.push_back(Origin);
    const int64_t base = Origin == media::soBeginning ? 0 : Origin == media::soCurrent ? FPosition : FBytes.size();
    if (base + Offset < 0 || base + Offset > FBytes.size()) return -1;
    return FPosition = base + Offset;
  }
  int64_t Size() override { return FBytes.size(); }

  std::vector<media::TSeekOrigin> origins;

 private:
  QByteArray FBytes;
  int64_t FPosition = 0;
  bool* FDestroyed;
};

// An opened stream name's context, closed (and its object freed) at the end.
struct TOpened {
  AVIOContext* pb = nullptr;
  int result = 0;
  explicit TOpened(const QString& name) { result = media::OpenStreamIO(name, &pb); }
  ~TOpened() { media::CloseStreamIO(&pb); }
};

QByteArray Pattern(int size) {
  QByteArray b(size, 0);
  for (int i = 0; i < size; ++i) b[i] = static_cast<char>(i * 13 + 5);
  return b;
}

QByteArray FileBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(StreamInput, NamesWithAndWithoutAnExtensionReachTheSameObject) {
  for (const QString& suffix : {QString(".vob"), QString()}) {
    bool destroyed = false;
    const int number = media::RegisterStream(std::make_unique<TMemoryStream>(Pattern(1000), &destroyed));
    EXPECT_GT(number, 0);
    const QString name = media::StreamName(number) + suffix;
    EXPECT_TRUE(media::IsStreamName(name));
    {
      TOpened opened(name);
      ASSERT_EQ(opened.result, 0) << name.toStdString();
      QByteArray head(10, 0);
      EXPECT_EQ(avio_read(opened.pb, reinterpret_cast<unsigned char*>(head.data()), 10), 10);
      EXPECT_EQ(head, Pattern(10));
      EXPECT_FALSE(destroyed);
    }
    EXPECT_TRUE(destroyed);  // closing the input frees the object
    // The number names nothing any more.
    AVIOContext* again = nullptr;
    EXPECT_EQ(media::OpenStreamIO(name, &again), AVERROR(ENOENT));
    EXPECT_EQ(again, nullptr);
  }
}

TEST(StreamInput, UnknownNumbersAndOtherNamesDoNotOpen) {
  EXPECT_FALSE(media::IsStreamName("stream:"));
  EXPECT_FALSE(media::IsStreamName("stream:12a"));
  EXPECT_FALSE(media::IsStreamName("/videos/stream:12"));
  EXPECT_TRUE(media::IsStreamName("stream:12345678.vob"));
  for (const QString& name : {QString("stream:1"), QString("stream:99999999999999999999"), QString("movie.vob")}) {
    AVIOContext* pb = nullptr;
    EXPECT_EQ(media::OpenStreamIO(name, &pb), AVERROR(ENOENT)) << name.toStdString();
    EXPECT_EQ(pb, nullptr);
  }
}

TEST(StreamInput, AStreamNoInputOpenedCanBeReleased) {
  bool destroyed = false;
  const int number = media::RegisterStream(std::make_unique<TMemoryStream>(Pattern(10), &destroyed));
  EXPECT_TRUE(media::ReleaseStream(number));
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(media::ReleaseStream(number));
  TOpened opened(media::StreamName(number));
  EXPECT_EQ(opened.result, AVERROR(ENOENT));
}

TEST(StreamInput, SeeksAndSizeQueriesReachTheObject) {
  auto stream = std::make_unique<TMemoryStream>(Pattern(300000));
  TMemoryStream* object = stream.get();
  TOpened opened(media::StreamName(media::RegisterStream(std::move(stream))));
  ASSERT_EQ(opened.result, 0);
  EXPECT_EQ(avio_size(opened.pb), 300000);
  EXPECT_EQ(avio_seek(opened.pb, 200000, SEEK_SET), 200000);
  unsigned char byte = 0;
  ASSERT_EQ(avio_read(opened.pb, &byte, 1), 1);
  EXPECT_EQ(byte, static_cast<unsigned char>(Pattern(200001)[200000]));
  // The stream's own refusal reaches the caller as a failed seek.
  EXPECT_LT(avio_seek(opened.pb, 400000, SEEK_SET | AVSEEK_FORCE), 0);
  // The context's seek forwards each origin as it is (the library's own
  // avio_seek only ever asks from the beginning).
  object->origins.clear();
  auto seek = opened.pb->seek;
  void* opaque = opened.pb->opaque;
  EXPECT_EQ(seek(opaque, 100, SEEK_SET), 100);
  EXPECT_EQ(seek(opaque, 50, SEEK_CUR), 150);
  EXPECT_EQ(seek(opaque, -100, SEEK_END), 299900);
  EXPECT_EQ(seek(opaque, 0, AVSEEK_SIZE), 300000);
  EXPECT_EQ(seek(opaque, 7, SEEK_SET | AVSEEK_FORCE), 7);
  EXPECT_EQ(object->origins,
            (std::vector<media::TSeekOrigin>{media::soBeginning, media::soCurrent, media::soEnd, media::soBeginning}));
  // Reading to the end gives the library its end-of-file mark.
  std::vector<unsigned char> rest(400000);
  avio_seek(opened.pb, 299990, SEEK_SET);
  EXPECT_EQ(avio_read(opened.pb, rest.data(), static_cast<int>(rest.size())), 10);
  EXPECT_TRUE(avio_feof(opened.pb));
}

TEST(StreamInput, TheEngineConvertsAStreamObjectLikeAFile) {
  MediaSpec spec;
  spec.seconds = 2;
  spec.videoCodec = "mpeg2video";
  spec.container = "mpg";
  const QString source = MediaFixture(spec);
  bool destroyed = false;
  const int number = media::RegisterStream(std::make_unique<TMemoryStream>(FileBytes(source), &destroyed));
  const QString name = media::StreamName(number) + ".vob";

  TAVConverter c;
  c.InputFiles() << name;
  c.OutputFiles() << Target("out.mp4");
  const TConversionResult r = RunConversion(c);
  EXPECT_TRUE(r.Succeeded()) << r.errorMsg.toStdString();
  EXPECT_TRUE(destroyed);
  EXPECT_NEAR(ProbeFormat(c.OutputFiles()[0], "duration").toDouble(), 2.0, 0.15);
  EXPECT_EQ(ProbeStream(c.OutputFiles()[0], "a:0", "codec_name"), "aac");

  // A second task naming the same stream (an interrupted DVD task of an
  // earlier run, say) finds nothing and fails with the ordinary open error.
  TAVConverter again;
  again.InputFiles() << name;
  again.OutputFiles() << Target("again.mp4");
  const TConversionResult failed = RunConversion(again);
  EXPECT_EQ(failed.errorBoxes, QStringList{"打不开:-2!"});
  EXPECT_EQ(failed.completions, 1);
}
