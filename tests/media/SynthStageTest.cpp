// The AviSynth script stage on single pictures, through the tests' stand-in
// library: what the script does arrives in the picture, "|" reaches the
// script as ",", and the stage's refusals.

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/imgutils.h>
}

#include "media/AviSynthLibrary.h"
#include "media/LibraryPtrs.h"
#include "media/SynthStage.h"

using media::TSynthStage;

namespace {

constexpr int Width = 64, Height = 48;

// A 4:2:0 picture whose samples all differ from their neighbours.
media::FramePtr Picture(AVPixelFormat format = AV_PIX_FMT_YUV420P) {
  media::FramePtr f = media::MakeFrame();
  f->format = format;
  f->width = Width;
  f->height = Height;
  EXPECT_GE(av_frame_get_buffer(f.get(), 0), 0);
  for (int p = 0; p < 3; ++p) {
    const int w = p ? Width / 2 : Width, h = p ? Height / 2 : Height;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) f->data[p][y * f->linesize[p] + x] = static_cast<uint8_t>(x * 3 + y * 5 + p * 70);
  }
  return f;
}

int Sample(const AVFrame* f, int p, int x, int y) { return f->data[p][y * f->linesize[p] + x]; }

std::unique_ptr<TSynthStage> Stage(const char* script) {
  media::SetAviSynthLibrary(QStringLiteral(TESVANOR_AVISYNTH_STANDIN));
  QString error;
  std::unique_ptr<TSynthStage> stage = TSynthStage::Create(QByteArray(script), &error);
  EXPECT_TRUE(stage) << error.toStdString();
  return stage;
}

}  // namespace

TEST(SynthStage, TheScriptsResultReplacesThePicture) {
  const media::FramePtr original = Picture();
  media::FramePtr inverted = Picture();
  QString error;
  ASSERT_TRUE(Stage("Invert()")->Process(inverted.get(), &error)) << error.toStdString();
  media::FramePtr flipped = Picture(AV_PIX_FMT_YUVJ420P);
  ASSERT_TRUE(Stage("FlipVertical()")->Process(flipped.get(), &error)) << error.toStdString();
  for (int p = 0; p < 3; ++p) {
    const int w = p ? Width / 2 : Width, h = p ? Height / 2 : Height;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        ASSERT_EQ(Sample(inverted.get(), p, x, y), 255 - Sample(original.get(), p, x, y)) << p << " " << x << "," << y;
        ASSERT_EQ(Sample(flipped.get(), p, x, y), Sample(original.get(), p, x, h - 1 - y)) << p << " " << x << "," << y;
      }
  }
}

TEST(SynthStage, BarsInTheScriptReachAviSynthAsCommas) {
  const std::unique_ptr<TSynthStage> stage = Stage("Letterbox(4|6)");
  EXPECT_EQ(stage->Script(), "Letterbox(4,6)");
  const media::FramePtr original = Picture();
  media::FramePtr boxed = Picture();
  QString error;
  ASSERT_TRUE(stage->Process(boxed.get(), &error)) << error.toStdString();
  for (int y = 0; y < Height; ++y) {
    const bool bar = y < 4 || y >= Height - 6;
    EXPECT_EQ(Sample(boxed.get(), 0, 7, y), bar ? 16 : Sample(original.get(), 0, 7, y)) << y;
  }
}

TEST(SynthStage, AFlippedViewOfAPictureIsProcessedTheRightWayUp) {
  // Pictures whose rows run upwards (negative line sizes), as a flip filter
  // before the stage delivers them.
  media::FramePtr upright = Picture();
  media::FramePtr view = media::MakeFrame();
  ASSERT_GE(av_frame_ref(view.get(), upright.get()), 0);
  for (int p = 0; p < 3; ++p) {
    const int h = p ? Height / 2 : Height;
    view->data[p] += (h - 1) * view->linesize[p];
    view->linesize[p] = -view->linesize[p];
  }
  upright.reset();  // the view alone holds the picture: it is processed where it lies
  QString error;
  ASSERT_TRUE(Stage("Invert()")->Process(view.get(), &error)) << error.toStdString();
  const media::FramePtr original = Picture();
  EXPECT_EQ(Sample(view.get(), 0, 3, 0), 255 - Sample(original.get(), 0, 3, Height - 1));
  EXPECT_EQ(Sample(view.get(), 2, 5, 1), 255 - Sample(original.get(), 2, 5, Height / 2 - 2));
}

TEST(SynthStage, AScriptErrorLeavesThePictureAsItWas) {
  const std::unique_ptr<TSynthStage> stage = Stage("Blur(1)");
  media::FramePtr picture = Picture();
  QString error;
  EXPECT_FALSE(stage->Process(picture.get(), &error));
  EXPECT_EQ(error, "Script error: there is no function named 'Blur'");
  const media::FramePtr original = Picture();
  for (int p = 0; p < 3; ++p)
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(picture->data[p]), picture->linesize[p] * 8),
              QByteArray(reinterpret_cast<const char*>(original->data[p]), original->linesize[p] * 8));
  media::FramePtr rgb = media::MakeFrame();
  rgb->format = AV_PIX_FMT_RGB24;
  rgb->width = Width;
  rgb->height = Height;
  ASSERT_GE(av_frame_get_buffer(rgb.get(), 0), 0);
  EXPECT_FALSE(Stage("Invert()")->Process(rgb.get(), &error));
}

TEST(SynthStage, StagesWithoutScriptTooLongOrWithoutLibraryAreRefused) {
  media::SetAviSynthLibrary(QStringLiteral(TESVANOR_AVISYNTH_STANDIN));
  QString error;
  EXPECT_FALSE(TSynthStage::Create(std::nullopt, &error));
  EXPECT_EQ(error, "no script given");
  EXPECT_TRUE(TSynthStage::Create(QByteArray(TSynthStage::MaxScriptBytes, ' '), &error)) << error.toStdString();
  EXPECT_FALSE(TSynthStage::Create(QByteArray(TSynthStage::MaxScriptBytes + 1, ' '), &error));
  EXPECT_EQ(error, "the script is longer than 65535 bytes");

  media::SetAviSynthLibrary(QStringLiteral("/nonexistent/libavisynth.so"));
  EXPECT_FALSE(TSynthStage::Create(QByteArray("Invert()"), &error));
  EXPECT_TRUE(error.startsWith("the AviSynth library is missing (/nonexistent/libavisynth.so: "))
      << error.toStdString();
  media::SetAviSynthLibrary(QStringLiteral(TESVANOR_AVISYNTH_STANDIN));
}
