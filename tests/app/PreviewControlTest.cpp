// The preview control paints what its decoder shows, stretched over the
// whole control, and black while inactive.

#include <gtest/gtest.h>

#include <QImage>

#include "app/PreviewControl.h"
#include "support/MediaFixtures.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

// 100 x 20 pixels: the left half blue, the right half green.
QString TwoColourClip() {
  return FixtureFromArguments({"-f", "lavfi", "-i", "color=c=blue:s=50x20:d=1:r=25", "-f", "lavfi", "-i",
                               "color=c=lime:s=50x20:d=1:r=25", "-filter_complex", "[0][1]hstack", "-c:v",
                               "mpeg4", "-q:v", "1"},
                              QStringLiteral("avi"));
}

// One second of red, then one second of blue, every picture a key picture.
QString RedThenBlueClip() {
  return FixtureFromArguments({"-f", "lavfi", "-i", "color=c=red:s=64x48:d=1:r=25", "-f", "lavfi", "-i",
                               "color=c=blue:s=64x48:d=1:r=25", "-filter_complex", "[0][1]concat=n=2:v=1:a=0",
                               "-c:v", "mpeg4", "-g", "1", "-q:v", "1"},
                              QStringLiteral("avi"));
}

QImage Painted(TAVPreview& preview) { return preview.grab().toImage().convertToFormat(QImage::Format_RGB32); }

bool Near(QRgb pixel, int r, int g, int b) {
  constexpr int tolerance = 40;
  return std::abs(qRed(pixel) - r) <= tolerance && std::abs(qGreen(pixel) - g) <= tolerance &&
         std::abs(qBlue(pixel) - b) <= tolerance;
}

bool AllBlack(const QImage& image) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) != 0) return false;
  return true;
}

}  // namespace

TEST(PreviewControl, InactiveIsBlack) {
  TAVPreview preview;
  EXPECT_EQ(preview.sizeHint(), QSize(216, 163));
  preview.resize(216, 163);
  EXPECT_FALSE(preview.Active());
  EXPECT_TRUE(AllBlack(Painted(preview)));

  // A file without video cannot be activated.
  MediaSpec audioOnly;
  audioOnly.videoCodec.clear();
  audioOnly.container = QStringLiteral("wav");
  audioOnly.audioCodec = QStringLiteral("pcm_s16le");
  preview.SetInputFile(MediaFixture(audioOnly));
  preview.SetActive(true);
  EXPECT_FALSE(preview.Active());
  EXPECT_TRUE(AllBlack(Painted(preview)));
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
}

TEST(PreviewControl, TheFrameIsStretchedOverTheWholeControl) {
  TAVPreview preview;
  preview.resize(216, 163);
  preview.SetInputFile(TwoColourClip());
  preview.SetActive(true);
  ASSERT_TRUE(preview.Active());
  EXPECT_EQ(preview.Bitmap().size(), QSize(100, 20));
  EXPECT_NEAR(preview.Duration(), 1.0, 0.1);

  const QImage painted = Painted(preview);
  ASSERT_EQ(painted.size(), QSize(216, 163));
  for (const QPoint corner : {QPoint(2, 2), QPoint(2, 160), QPoint(100, 80)})
    EXPECT_TRUE(Near(painted.pixel(corner), 0, 0, 255)) << corner.x() << "," << corner.y();
  for (const QPoint corner : {QPoint(213, 2), QPoint(213, 160), QPoint(115, 80)})
    EXPECT_TRUE(Near(painted.pixel(corner), 0, 255, 0)) << corner.x() << "," << corner.y();

  // A new input deactivates the control until it is activated again.
  preview.SetInputFile(RedThenBlueClip());
  EXPECT_FALSE(preview.Active());
  EXPECT_TRUE(AllBlack(Painted(preview)));
  preview.SetActive(true);
  ASSERT_TRUE(preview.Active());
  EXPECT_TRUE(Near(Painted(preview).pixel(108, 81), 255, 0, 0));
}

TEST(PreviewControl, ATimestampShowsItsFrame) {
  TAVPreview preview;
  preview.resize(120, 90);
  preview.SetInputFile(RedThenBlueClip());
  preview.SetActive(true);
  ASSERT_TRUE(preview.Active());
  preview.Settimestamp(1.5);
  EXPECT_DOUBLE_EQ(preview.timestamp(), 1.5);
  EXPECT_TRUE(Near(Painted(preview).pixel(60, 45), 0, 0, 255));

  preview.Settimestamp(preview.Duration() + 1);
  EXPECT_EQ(TakeErrorBoxes(), QStringList({"timestamp can not be large than stream duration!"}));
  EXPECT_DOUBLE_EQ(preview.timestamp(), 1.5);
  EXPECT_TRUE(Near(Painted(preview).pixel(60, 45), 0, 0, 255));
}
