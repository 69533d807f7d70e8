#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <vector>

#include "InspectFixtures.h"
#include "inspect/AVPreviewDecoder.h"
#include "media/StreamInput.h"
#include "support/MediaFixtures.h"
#include "support/TestSupport.h"

using namespace testing_support;
using namespace inspect_testing;

namespace {

// Well above any neighbouring frame of the generated sources, well below a
// picture converted from the same frame.
constexpr double SameFrame = 40;

// H.264 with B-frames and a key frame every second, AAC beside it.
QString H264File() {
  MediaSpec spec;
  spec.seconds = 4;
  spec.videoCodec = QStringLiteral("libx264");
  spec.audioCodec = QStringLiteral("aac");
  spec.container = QStringLiteral("mp4");
  spec.extraOutputArgs = {"-g", "25"};
  return MediaFixture(spec);
}

// An MPEG transport stream: its clock starts well after 0.
QString TransportStream() {
  MediaSpec spec;
  spec.seconds = 3;
  spec.videoCodec = QStringLiteral("mpeg2video");
  spec.audioCodec.clear();
  spec.container = QStringLiteral("ts");
  return MediaFixture(spec);
}

// The frame on screen at position seconds of a file at rate frames per second.
int FrameIndexAt(double position, int rate) { return static_cast<int>(static_cast<int64_t>(position * 1e6) * rate / 1000000); }

struct TChangeCounter {
  explicit TChangeCounter(TAVPreviewDecoder& preview) {
    preview.OnChange = [this](TAVPreviewDecoder*) { ++changes; };
  }
  int changes = 0;
};

QImage Painted(const TAVPreviewDecoder& preview, QSize size) {
  QImage canvas(size, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  QPainter painter(&canvas);
  preview.PaintTo(painter, canvas.rect());
  return canvas;
}

bool AllPixelsAre(const QImage& image, QColor colour, int tolerance = 0) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (std::abs(c.red() - colour.red()) > tolerance || std::abs(c.green() - colour.green()) > tolerance ||
          std::abs(c.blue() - colour.blue()) > tolerance)
        return false;
    }
  return true;
}

}  // namespace

TEST(Preview, ShowsThePictureOnScreenAtEachPosition) {
  const QString file = H264File();
  TAVPreviewDecoder preview;
  preview.SetInputFile(file);
  preview.SetActive(true);
  ASSERT_TRUE(preview.Active());
  EXPECT_NEAR(preview.Duration(), 4.0, 0.05);
  EXPECT_EQ(preview.Bitmap().size(), QSize(320, 240));
  EXPECT_EQ(preview.Bitmap().format(), QImage::Format_RGB888);
  EXPECT_GE(FramePsnr(preview.Bitmap(), file, 0), SameFrame);
  EXPECT_LT(FramePsnr(preview.Bitmap(), file, 1), SameFrame - 10) << "the threshold must tell neighbours apart";

  // Forward and back, inside a group of pictures and across key frames, on a
  // frame's exact time and between two, right before a key frame, to the end.
  for (double position : {1.53, 0.5, 0.98, 2.0, 2.1, 2.3, 3.3, 3.99, 1.0, 0.02}) {
    preview.Settimestamp(position);
    EXPECT_NEAR(preview.timestamp(), position, 1e-6);
    const int index = FrameIndexAt(position, 25);
    EXPECT_GE(FramePsnr(preview.Bitmap(), file, index), SameFrame) << "at " << position << " s, frame " << index;
  }
  preview.Settimestamp(preview.Duration());  // the end itself is no position past it
  EXPECT_GE(FramePsnr(preview.Bitmap(), file, 99), SameFrame);
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
}

TEST(Preview, PositionsPastTheDurationAreRefused) {
  const QString file = H264File();
  TAVPreviewDecoder preview;
  preview.SetInputFile(file);
  preview.SetActive(true);
  preview.Settimestamp(2.5);
  TChangeCounter counter(preview);
  preview.Settimestamp(preview.Duration() + 0.5);
  EXPECT_EQ(TakeErrorBoxes(), QStringList{"timestamp can not be large than stream duration!"});
  EXPECT_DOUBLE_EQ(preview.timestamp(), 2.5);
  EXPECT_EQ(counter.changes, 0);
  EXPECT_GE(FramePsnr(preview.Bitmap(), file, 62), SameFrame);
}

TEST(Preview, TheSamePositionDecodesOnce) {
  TAVPreviewDecoder preview;
  TChangeCounter counter(preview);
  preview.SetInputFile(H264File());
  preview.SetActive(true);
  EXPECT_EQ(counter.changes, 1);
  preview.Settimestamp(0);  // activation showed 0 already
  EXPECT_EQ(counter.changes, 1);
  preview.Settimestamp(1.5);
  preview.Settimestamp(1.5);
  preview.Settimestamp(1.5000004);  // the same microsecond
  EXPECT_EQ(counter.changes, 2);
  preview.Settimestamp(1.500001);
  EXPECT_EQ(counter.changes, 3);
}

TEST(Preview, PositionsCountFromTheStartOfTheFile) {
  const QString ts = TransportStream();
  ASSERT_GT(ProbeFormat(ts, "start_time").toDouble(), 0.5);
  TAVPreviewDecoder preview;
  preview.SetInputFile(ts);
  preview.SetActive(true);
  ASSERT_TRUE(preview.Active());
  EXPECT_NEAR(preview.Duration(), 3.0, 0.1);
  EXPECT_GE(FramePsnr(preview.Bitmap(), ts, 0), SameFrame);
  for (double position : {1.0, 2.5, 0.3}) {
    preview.Settimestamp(position);
    EXPECT_NEAR(preview.timestamp(), position, 1e-6);
    EXPECT_GE(FramePsnr(preview.Bitmap(), ts, FrameIndexAt(position, 25)), SameFrame) << "at " << position << " s";
  }

  // The next file brings its own start time.
  const QString mp4 = H264File();
  preview.SetInputFile(mp4);
  preview.SetActive(true);
  preview.Settimestamp(1.0);
  EXPECT_GE(FramePsnr(preview.Bitmap(), mp4, 25), SameFrame);
}

struct PictureFormat {
  const char* codec;
  const char* pixelFormat;
  const char* container;
};
void PrintTo(const PictureFormat& f, std::ostream* os) { *os << f.codec << ' ' << f.pixelFormat << ' ' << f.container; }

class PreviewFormats : public ::testing::TestWithParam<PictureFormat> {};

TEST_P(PreviewFormats, OddWidthsAndAnyPixelFormatComeOutUpright) {
  MediaSpec spec;
  spec.videoSource = QStringLiteral("testsrc");
  spec.videoCodec = QString::fromLatin1(GetParam().codec);
  spec.pixelFormat = QString::fromLatin1(GetParam().pixelFormat);
  spec.audioCodec.clear();
  spec.width = 101;
  spec.height = 75;
  spec.rate = QStringLiteral("10");
  spec.container = QString::fromLatin1(GetParam().container);
  const QString file = MediaFixture(spec);
  ASSERT_EQ(ProbeStream(file, "v:0", "pix_fmt"), spec.pixelFormat);

  TAVPreviewDecoder preview;
  preview.SetInputFile(file);
  preview.SetActive(true);
  ASSERT_TRUE(preview.Active());
  EXPECT_EQ(preview.Bitmap().size(), QSize(101, 75));
  EXPECT_GE(FramePsnr(preview.Bitmap(), file, 0), SameFrame);
  preview.Settimestamp(1.25);
  EXPECT_GE(FramePsnr(preview.Bitmap(), file, 12), SameFrame);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PreviewFormats,
    ::testing::Values(PictureFormat{"libx264", "yuv444p", "mp4"}, PictureFormat{"ffv1", "yuv422p", "mkv"},
                      PictureFormat{"ffv1", "yuv410p", "mkv"}, PictureFormat{"ffv1", "gray", "mkv"},
                      PictureFormat{"ffv1", "yuv420p10le", "mkv"}, PictureFormat{"mjpeg", "yuvj420p", "avi"},
                      PictureFormat{"rawvideo", "nv12", "nut"}, PictureFormat{"png", "rgb24", "mkv"},
                      PictureFormat{"png", "rgba", "mkv"}),
    [](const ::testing::TestParamInfo<PictureFormat>& info) {
      return std::string(info.param.codec) + "_" + info.param.pixelFormat;
    });

TEST(Preview, InputsWithoutAPictureStayInactiveWithoutAMessage) {
  MediaSpec wav;
  wav.videoCodec.clear();
  wav.audioCodec = QStringLiteral("pcm_s16le");
  wav.container = QStringLiteral("wav");
  const QStringList inputs = {
      QDir(TemporaryFolder()).filePath(QStringLiteral("missing.mp4")),
      WrittenFile(QStringLiteral("notes.mp4"), QByteArray("no media in here\n").repeated(64)),
      MediaFixture(wav),
      StuffingOnlyTransportStream(),
      QStringLiteral("stream:7"),  // no live byte stream has that number
  };
  for (const QString& input : inputs) {
    TAVPreviewDecoder preview;
    TChangeCounter counter(preview);
    preview.SetInputFile(input);
    preview.SetActive(true);
    EXPECT_FALSE(preview.Active()) << input.toStdString();
    EXPECT_EQ(counter.changes, 0);
    preview.Settimestamp(1);
    EXPECT_EQ(preview.timestamp(), 0);
    EXPECT_TRUE(AllPixelsAre(Painted(preview, QSize(16, 12)), Qt::black));
  }
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
}

TEST(Preview, PaintsTheWholeAreaWhileActiveAndBlackOnceInactive) {
  MediaSpec spec;
  spec.videoSource = QStringLiteral("color");
  spec.extraOutputArgs = {"-vf", "drawbox=c=0x3060d0:t=fill"};
  spec.audioCodec.clear();
  spec.container = QStringLiteral("mkv");
  spec.videoCodec = QStringLiteral("ffv1");
  spec.pixelFormat = QStringLiteral("yuv444p");
  TAVPreviewDecoder preview;
  TChangeCounter counter(preview);
  preview.SetInputFile(MediaFixture(spec));
  preview.SetActive(true);
  ASSERT_TRUE(preview.Active());
  // A wide area: the picture is stretched over all of it, not letterboxed.
  EXPECT_TRUE(AllPixelsAre(Painted(preview, QSize(90, 20)), QColor(0x30, 0x60, 0xd0), 3));

  preview.Settimestamp(1);
  preview.SetInputFile(H264File());
  EXPECT_FALSE(preview.Active());
  EXPECT_EQ(preview.timestamp(), 0);
  EXPECT_EQ(counter.changes, 3);  // activation, the new position, and going dark
  EXPECT_TRUE(AllPixelsAre(Painted(preview, QSize(90, 20)), Qt::black));

  preview.SetActive(true);
  EXPECT_TRUE(preview.Active());
  preview.SetActive(false);
  EXPECT_TRUE(AllPixelsAre(Painted(preview, QSize(90, 20)), Qt::black));
}

TEST(Preview, AFailedSeekIsReportedAndTheNextPictureShown) {
  MediaSpec small;  // small enough for a pipe to hold it
  small.seconds = 3;
  small.width = 64;
  small.height = 48;
  small.videoCodec = QStringLiteral("mpeg1video");
  small.audioCodec.clear();
  small.container = QStringLiteral("ts");
  const QString ts = MediaFixture(small);
  TPipeFeed feed(ts);  // a pipe cannot seek
  TAVPreviewDecoder preview;
  preview.SetInputFile(feed.Path());
  preview.SetActive(true);
  ASSERT_TRUE(preview.Active());
  EXPECT_EQ(preview.Duration(), 0);  // unknown: no position is refused
  preview.Settimestamp(3725.25);
  EXPECT_EQ(TakeErrorBoxes(), QStringList{"could not seek to position 01:02:05.250"});
  EXPECT_TRUE(preview.Active());
  EXPECT_GE(FramePsnr(preview.Bitmap(), ts, 1), SameFrame);
}

namespace {

// A file read through the program's own byte-stream interface.
class TFileStream : public media::TByteStream {
 public:
  explicit TFileStream(const QString& path) : FFile(path) { FFile.open(QIODevice::ReadOnly); }
  int Read(void* Buffer, int Count) override { return static_cast<int>(FFile.read(static_cast<char*>(Buffer), Count)); }
  int64_t Seek(int64_t Offset, media::TSeekOrigin Origin) override {
    const int64_t base = Origin == media::soBeginning ? 0 : Origin == media::soCurrent ? FFile.pos() : FFile.size();
    return FFile.seek(base + Offset) ? FFile.pos() : -1;
  }
  int64_t Size() override { return FFile.size(); }

 private:
  QFile FFile;
};

}  // namespace

TEST(Preview, ALiveByteStreamShowsLikeItsFile) {
  const QString file = H264File();
  const QString name = media::StreamName(media::RegisterStream(std::make_unique<TFileStream>(file)));
  TAVPreviewDecoder preview;
  preview.SetInputFile(name);
  preview.SetActive(true);
  ASSERT_TRUE(preview.Active());
  EXPECT_NEAR(preview.Duration(), 4.0, 0.05);
  preview.Settimestamp(2.3);
  EXPECT_GE(FramePsnr(preview.Bitmap(), file, FrameIndexAt(2.3, 25)), SameFrame);
}

namespace {

// How much the rows of a picture alternate: combing makes each row differ
// from both beside it.
double RowAlternation(const QImage& picture) {
  const QImage gray = picture.convertToFormat(QImage::Format_Grayscale8);
  double sum = 0;
  for (int y = 1; y + 1 < gray.height(); ++y)
    for (int x = 0; x < gray.width(); ++x)
      sum += std::abs(2 * gray.constScanLine(y)[x] - gray.constScanLine(y - 1)[x] - gray.constScanLine(y + 1)[x]);
  return sum / (double(gray.width()) * gray.height());
}

// The luma nine in ten pixels stay under: where the picture's white lies.
int BrightLuma(const QImage& picture) {
  const QImage gray = picture.convertToFormat(QImage::Format_Grayscale8);
  std::vector<int> values;
  for (int y = 0; y < gray.height(); ++y)
    for (int x = 0; x < gray.width(); ++x) values.push_back(gray.constScanLine(y)[x]);
  std::nth_element(values.begin(), values.begin() + values.size() * 9 / 10, values.end());
  return values[values.size() * 9 / 10];
}

QImage Shown(const QString& file, double seconds) {
  TAVPreviewDecoder preview;
  preview.SetInputFile(file);
  preview.SetActive(true);
  preview.Settimestamp(seconds);
  return preview.Bitmap();
}

QImage Decoded(const QString& file, double seconds) {
  const QString png = QDir(TemporaryFolder()).filePath("plain.png");
  RunTool("ffmpeg", {"-v", "error", "-y", "-ss", QString::number(seconds), "-i", file, "-frames:v", "1", png});
  return QImage(png);
}

}  // namespace

// The preview shows what the conversion makes: interlaced pictures without
// their combing, HDR tone-mapped for the screen.
TEST(Preview, ShowsThePictureAsTheConversionMakesIt) {
  const QString flagged =
      InterlacedFixture({"-c:v", "mpeg2video", "-flags", "+ildct+ilme", "-top", "1", "-b:v", "6M"}, "720x576", "mpg");
  const QString unflagged = InterlacedFixture({"-c:v", "libx264", "-preset", "ultrafast"}, "720x576", "mp4",
                                              "tinterlace=interleave_top,setfield=prog");
  for (const QString& file : {flagged, unflagged}) {
    SCOPED_TRACE(file.toStdString());
    EXPECT_LT(RowAlternation(Shown(file, 0.5)), RowAlternation(Decoded(file, 0.5)) / 2);
  }
  const QString hdr = HdrFixture("smpte2084", Hdr10Levels);
  EXPECT_GT(BrightLuma(Shown(hdr, 0.5)), BrightLuma(Decoded(hdr, 0.5)) + 30);
}

