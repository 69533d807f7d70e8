// What a source offers a conversion (length, tracks, the defaults) and the
// stream maps that make it take another audio track: the engine must take
// them (one map per output stream it makes) whatever the target; and one
// picture through the user's filters, as the wizard's preview shows it.

#include <gtest/gtest.h>

#include <QImage>

#include "engine/ConversionSupport.h"
#include "inspect/MediaTracks.h"
#include "inspect/PictureFilter.h"
#include "support/MediaFixtures.h"
#include "support/TestSupport.h"

using namespace testing_support;

namespace {

int Streams(const QString& file, const char* kind) {
  return RunTool("ffprobe", {"-v", "error", "-select_streams", kind, "-show_entries", "stream=index", "-of", "csv=p=0",
                             file})
      .split('\n', Qt::SkipEmptyParts)
      .size();
}

}  // namespace

TEST(StreamChoice, TheTracksOfASourceAndItsDefaults) {
  const inspect::TMediaSummary s = inspect::ProbeMediaFile(TwoAudioTracksFixture());
  ASSERT_TRUE(s.Media) << s.Error.toStdString();
  EXPECT_NEAR(s.Duration, 1.0, 0.1);
  EXPECT_EQ(s.BestVideo, 0);
  ASSERT_EQ(s.Audio.size(), 2u);
  EXPECT_EQ(s.Audio[1].Stream, 2);
  EXPECT_EQ(s.Audio[1].Label, "2. mp2, 1声道");
  EXPECT_EQ(s.BestAudio, 1);
  ASSERT_EQ(s.Subtitles.size(), 1u);
  EXPECT_EQ(s.BestSubtitle, 3);
  // The default tracks need no maps.
  EXPECT_TRUE(inspect::StreamMapsFor(s, TAVConvertOptions(), "x.mkv", 1, -1).isEmpty());

  const inspect::TMediaSummary text = inspect::ProbeMediaFile(TemporaryFolder() + "/none.avi");
  EXPECT_FALSE(text.Media);
  EXPECT_FALSE(text.Error.isEmpty());
}

TEST(StreamChoice, TheSecondAudioTrackIsConvertedIntoEveryKindOfTarget) {
  const QString source = TwoAudioTracksFixture();
  const inspect::TMediaSummary s = inspect::ProbeMediaFile(source);
  ASSERT_EQ(s.Audio.size(), 2u);
  const struct {
    QString extension;
    bool videoDisabled;
    int video, audio, subtitles;  // the output streams
  } cases[] = {
      {"mkv", false, 1, 1, 1}, {"mp4", false, 1, 1, 0}, {"avi", false, 1, 1, 0},
      {"mp3", false, 0, 1, 0}, {"mkv", true, 0, 1, 1},  {"flv", false, 1, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.extension.toStdString() + (c.videoDisabled ? " without video" : ""));
    const QString target = Target("quiet." + c.extension);
    TAVConverter converter;
    converter.InputFiles() << source;
    converter.OutputFiles() << target;
    converter.ConvertOptions().VideoOptions().SetVideoDisable(c.videoDisabled);
    const QStringList maps = inspect::StreamMapsFor(s, converter.ConvertOptions(), target, s.Audio[1].Stream, -1);
    EXPECT_EQ(maps.size(), c.video + c.audio + c.subtitles);
    converter.ConvertOptions().SetStreamMaps(maps);
    const TConversionResult result = RunConversion(converter);
    ASSERT_TRUE(result.Succeeded()) << result.errorMsg.toStdString() << result.errorBoxes.join('\n').toStdString();
    EXPECT_EQ(Streams(target, "v"), c.video);
    EXPECT_EQ(Streams(target, "a"), c.audio);
    EXPECT_EQ(Streams(target, "s"), c.subtitles);
    EXPECT_LT(AudioRms(target, 0.2, 0.6), 500) << "the quiet track";
  }
  // Without maps the conversion takes the loud one.
  const QString loud = Target("loud.mkv");
  ASSERT_TRUE(ConvertFile(source, loud).Succeeded());
  EXPECT_GT(AudioRms(loud, 0.2, 0.6), 1500);
}

TEST(PictureFilter, OnePictureThroughTheUsersFilters) {
  QImage grey(64, 48, QImage::Format_RGB888);
  grey.fill(QColor(100, 100, 100));
  const QString logo = TemporaryFolder() + "/logo.png";
  QImage red(8, 8, QImage::Format_RGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(red.save(logo));
  const struct {
    QString filters;
    QPoint at;
    QColor colour;    // at that pixel; invalid: the filters do not run
    QString failure;  // a part of the reason
  } cases[] = {
      {"", {5, 5}, QColor(100, 100, 100), ""},
      {"negate", {5, 5}, QColor(155, 155, 155), ""},
      {"logo=10|20|" + logo, {12, 22}, QColor(255, 0, 0), ""},
      {"logo=10|20|" + logo, {5, 5}, QColor(100, 100, 100), ""},
      {"drawbox=0:0:64:48:Blue@1:fill", {30, 30}, QColor(0, 0, 255), ""},
      {"synth=Invert()", {}, QColor(), "AviSynth"},
      {"nosuchfilter", {}, QColor(), "nosuchfilter"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filters.toStdString());
    QString error;
    const QImage out = inspect::FilterPicture(grey, c.filters, 0.5, &error);
    if (!c.colour.isValid()) {
      EXPECT_TRUE(out.isNull());
      EXPECT_TRUE(error.contains(c.failure)) << error.toStdString();
      continue;
    }
    ASSERT_FALSE(out.isNull()) << error.toStdString();
    ASSERT_EQ(out.size(), grey.size());
    const QColor seen = out.pixelColor(c.at);
    EXPECT_NEAR(seen.red(), c.colour.red(), 8);
    EXPECT_NEAR(seen.green(), c.colour.green(), 8);
    EXPECT_NEAR(seen.blue(), c.colour.blue(), 8);
  }
}
