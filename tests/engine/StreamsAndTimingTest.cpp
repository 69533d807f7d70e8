// Several inputs and outputs, stream maps, programs, timestamps, limits,
// chapters, metadata, bitstream filters and the run's counters.

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include "ConversionSupport.h"
#include "profiles/OptionSnapshot.h"

using namespace testing_support;

namespace {

TConversionResult Convert(TAVConverter& c, const QStringList& inputs, const QStringList& outputs,
                          const std::function<void(TAVConvertOptions&)>& setup = {}) {
  c.InputFiles() = inputs;
  c.OutputFiles() = outputs;
  if (setup) setup(c.ConvertOptions());
  TConversionResult r = RunConversion(c);
  EXPECT_TRUE(r.Succeeded()) << r.errorMsg.toStdString() << " " << r.errorBoxes.join('|').toStdString();
  return r;
}

QString Convert(const QString& source, const QString& name, const std::function<void(TAVConvertOptions&)>& setup = {}) {
  TAVConverter c;
  const QString target = Target(name);
  Convert(c, {source}, {target}, setup);
  return target;
}

QString VideoOnly(double seconds, int width = 320, int height = 240) {
  return FixtureFromArguments({"-f", "lavfi", "-i",
                               QStringLiteral("testsrc2=size=%1x%2:rate=25:duration=%3").arg(width).arg(height).arg(seconds),
                               "-c:v", "libx264"},
                              "mp4");
}

QString Silence(double seconds) {
  return FixtureFromArguments(
      {"-f", "lavfi", "-i", QStringLiteral("anullsrc=r=44100:cl=stereo"), "-t", QString::number(seconds), "-c:a", "pcm_s16le"},
      "wav");
}

QString Clip() {
  MediaSpec s;
  s.videoCodec = "libx264";
  s.audioCodec = "aac";
  s.container = "mp4";
  return MediaFixture(s);
}

// An MPEG transport stream whose timestamps start at `offset` seconds.
QString TransportStream(double offset, int gop = 250) {
  return FixtureFromArguments({"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=2", "-f", "lavfi", "-i",
                               "sine=sample_rate=44100:duration=2", "-c:v", "mpeg2video", "-g", QString::number(gop),
                               "-c:a", "mp2", "-output_ts_offset", QString::number(offset)},
                              "ts");
}

double Duration(const QString& file) { return ProbeFormat(file, "duration").toDouble(); }

}  // namespace

TEST(Streams, TwoInputsMappedWithSyncStreams) {
  TAVConverter c;
  const QString target = Target("mapped.mkv");
  Convert(c, {VideoOnly(2), Silence(2)}, {target}, [](TAVConvertOptions& o) { o.SetStreamMaps({"0=0", "1=0"}); });
  EXPECT_EQ(ProbeStream(target, "v:0", "width"), "320");
  EXPECT_LT(AudioRms(target, 0.5, 1), 10.0);  // the audio is the second input's silence
  // A sync stream outside the inputs is refused with its own message.
  TAVConverter d;
  d.InputFiles() << VideoOnly(2) << Silence(2);
  d.OutputFiles() << Target("bad.mkv");
  d.ConvertOptions().SetStreamMaps({"0=0", "2=0"});
  EXPECT_EQ(RunConversion(d).errorBoxes, QStringList{"Could not find input stream #2.0"});
}

TEST(Streams, TwoOutputsShareTheInputStream) {
  TAVConverter c;
  const QString a = Target("one.mp4"), b = Target("two.avi");
  Convert(c, {Clip()}, {a, b});
  EXPECT_EQ(ProbeStream(a, "v:0", "codec_name"), "h264");
  EXPECT_EQ(ProbeStream(b, "v:0", "codec_name"), "mpeg4");
  EXPECT_NEAR(Duration(b), 2.0, 0.1);
  EXPECT_GT(Psnr(GrayFrame(a, 20), GrayFrame(b, 20)), 25.0);
}

TEST(Streams, ProgramSelection) {
  const QString ts = FixtureFromArguments(
      {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=1", "-f", "lavfi", "-i",
       "testsrc2=size=160x120:rate=25:duration=1", "-map", "0:v", "-map", "1:v", "-c:v", "mpeg2video", "-program",
       "program_num=1:title=A:st=0", "-program", "program_num=2:title=B:st=1"},
      "ts");
  const QString second = Convert(ts, "second.mkv", [](TAVConvertOptions& o) { o.SetProgramID(2); });
  EXPECT_EQ(ProbeStream(second, "v:0", "width"), "160");
  const QString first = Convert(ts, "first.mkv", [](TAVConvertOptions& o) { o.SetProgramID(1); });
  EXPECT_EQ(ProbeStream(first, "v:0", "width"), "320");
}

TEST(Streams, InputSyncReadsByInputTime) {
  TAVConverter c;
  const QString target = Target("synced.mkv");
  Convert(c, {VideoOnly(2), Silence(2)}, {target}, [](TAVConvertOptions& o) { o.GrabOptions().SetInputSync(true); });
  EXPECT_NEAR(Duration(target), 2.0, 0.1);
}

TEST(Streams, AForcedInputFormatReadsRawSamples) {
  const QString raw = FixtureFromArguments(
      {"-f", "lavfi", "-i", "sine=sample_rate=44100:duration=1", "-ac", "1", "-f", "s16le", "-c:a", "pcm_s16le"}, "raw");
  const QString target = Convert(raw, "raw.wav", [](TAVConvertOptions& o) { o.SetInputFormat("s16le"); });
  EXPECT_EQ(ProbeStream(target, "a:0", "sample_rate"), "44100");  // the raw input's parameters
  EXPECT_EQ(ProbeStream(target, "a:0", "channels"), "1");
  EXPECT_NEAR(Duration(target), 1.0, 0.02);
}

TEST(Timing, CopyTsKeepsTheInputTimesAndOffsetsAddToThem) {
  const QString ts = TransportStream(5);
  const QString moved = Convert(ts, "moved.mkv");
  EXPECT_NEAR(ProbeStream(moved, "v:0", "start_time").toDouble(), 0.0, 0.05);
  const QString kept = Convert(ts, "kept.mkv", [](TAVConvertOptions& o) { o.SetCopyTS(true); });
  EXPECT_NEAR(ProbeStream(kept, "v:0", "start_time").toDouble(), 6.4, 0.15);  // 5 s + the muxer's 1.4 s
  const QString later = Convert(ts, "later.mkv", [](TAVConvertOptions& o) {
    o.SetCopyTS(true);
    o.SetInputTSOffset(2000000);
  });
  EXPECT_NEAR(ProbeStream(later, "v:0", "start_time").toDouble(),
              ProbeStream(kept, "v:0", "start_time").toDouble() + 2.0, 0.05);
}

TEST(Timing, TimestampScaleStretchesAStream) {
  const QString source = FixtureFromArguments(
      {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=2", "-c:v", "mpeg4"}, "mkv");
  const QString slow = Convert(source, "slow.mkv", [](TAVConvertOptions& o) { o.SetInputTSScaleText({"0:0:2"}); });
  EXPECT_NEAR(Duration(slow), 4.0, 0.15);
}

TEST(Timing, DiscontinuousTimestampsAreJoined) {
  const QString joined = Target("jump.ts");
  QFile out(joined);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  for (double offset : {0.0, 100.0}) {
    QFile in(TransportStream(offset));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    out.write(in.readAll());
  }
  out.close();
  const QString fixed = Convert(joined, "fixed.mkv");
  EXPECT_NEAR(Duration(fixed), 4.0, 0.3);
  // A threshold above the jump keeps it.
  const QString kept = Convert(joined, "gap.mkv", [](TAVConvertOptions& o) { o.SetDtsDeltaThreshold(500); });
  EXPECT_GT(Duration(kept), 90.0);
  const QString copied = Convert(joined, "copyts.mkv", [](TAVConvertOptions& o) { o.SetCopyTS(true); });
  EXPECT_GT(Duration(copied), 90.0);
}

TEST(Streams, AudioChannelsChangingMidStream) {
  // Broadcast recordings switch between stereo and 5.1 around the adverts. The
  // output keeps stereo throughout (mp4's aac takes the first layout), and the
  // stereo segments after a 5.1 one must not go through the 5.1 resampler.
  const QString joined = Target("channels.ts");
  QFile out(joined);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  double offset = 0;
  for (const char* channels : {"2", "6", "2", "1", "2"}) {
    QFile in(FixtureFromArguments({"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=1", "-f", "lavfi", "-i",
                                   "sine=sample_rate=48000:duration=1", "-c:v", "mpeg2video", "-c:a", "ac3", "-ac",
                                   channels, "-output_ts_offset", QString::number(offset)},
                                  "ts"));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    out.write(in.readAll());
    offset += 1;
  }
  out.close();
  for (const char* name : {"channels.mp4", "channels.avi"}) {
    const QString converted = Convert(joined, name);
    EXPECT_EQ(ProbeStream(converted, "a:0", "channels"), "2") << name;
    EXPECT_NEAR(AudioSampleCount(converted) / 48000.0, 5.0, 0.2) << name;
    // The sine tone survives every switch: no silent or garbled stretch.
    for (double at : {0.2, 1.2, 2.2, 3.2, 4.2}) EXPECT_GT(AudioRms(converted, at, 0.5), 1000) << name << " at " << at;
  }
}

TEST(Timing, RateEmulationReadsAtTheInputsPace) {
  QElapsedTimer timer;
  timer.start();
  Convert(Clip(), "paced.mkv", [](TAVConvertOptions& o) { o.SetRateEmu(true); });
  EXPECT_GE(timer.elapsed(), 1500);  // a 2-second clip is not read faster than it plays
}

TEST(Timing, ShortTestEndsWithTheShortestInput) {
  TAVConverter c;
  const QString target = Target("short.mkv");
  Convert(c, {VideoOnly(4), Silence(1)}, {target}, [](TAVConvertOptions& o) { o.SetShortTest(true); });
  EXPECT_LT(Duration(target), 2.0);
  TAVConverter d;
  const QString whole = Target("long.mkv");
  Convert(d, {VideoOnly(4), Silence(1)}, {whole});
  EXPECT_NEAR(Duration(whole), 4.0, 0.1);
}

TEST(Timing, SizeLimitEndsTheRun) {
  const QString big = FixtureFromArguments(
      {"-f", "lavfi", "-i", "testsrc2=size=640x480:rate=25:duration=10", "-c:v", "mpeg4", "-q:v", "2"}, "avi");
  const QString target = Convert(big, "limited.avi", [](TAVConvertOptions& o) {
    o.SetLimitFileSize(300000);
    o.VideoOptions().SetVideoQscale(2);
  });
  const qint64 size = QFile(target).size();
  EXPECT_GT(size, 300000);
  EXPECT_LT(size, 600000);
  EXPECT_LT(Duration(target), 9.0);
}

TEST(Timing, CopyFromTheMiddleOfAGroupOfPictures) {
  // A transport stream cut in the middle of its first group of pictures.
  QFile whole(TransportStream(0, 25));
  ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
  const QByteArray bytes = whole.readAll();
  const QString cut = Target("cut.ts");
  QFile out(cut);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(bytes.mid((bytes.size() / 188 / 5) * 188));
  out.close();
  auto copy = [&](bool initial, const char* name) {
    return PacketEntries(Convert(cut, name, [&](TAVConvertOptions& o) {
                           o.VideoOptions().SetVideoStreamCopy(true);
                           o.AudioOptions().SetAudioDisable(true);
                           o.SetCopyInitialNonkeyframes(initial);
                         }),
                         "v:0", "flags");
  };
  const QStringList fromKey = copy(false, "fromkey.mkv");
  const QStringList all = copy(true, "all.mkv");
  ASSERT_FALSE(fromKey.isEmpty());
  EXPECT_TRUE(fromKey[0].startsWith('K'));
  EXPECT_GT(all.size(), fromKey.size());
  EXPECT_FALSE(all[0].startsWith('K'));
}

TEST(Timing, ChaptersFollowTheTimeRange) {
  const QString metadata = QDir(QStringLiteral(TESVANOR_FIXTURE_DIR)).filePath("chapters.ffmeta");
  QFile m(metadata);
  ASSERT_TRUE(m.open(QIODevice::WriteOnly));
  m.write(";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=60000\ntitle=one\n"
          "[CHAPTER]\nTIMEBASE=1/1000\nSTART=45000\nEND=70000\ntitle=two\n");
  m.close();
  const QString source = FixtureFromArguments({"-f", "lavfi", "-i", "testsrc2=size=64x48:rate=5:duration=12", "-i",
                                               metadata, "-map_metadata", "1", "-map_chapters", "1", "-c:v", "mpeg4"},
                                              "mkv");
  const QString target = Convert(source, "chapters.mkv", [](TAVConvertOptions& o) {
    o.SetStartTime(10000000);
    o.SetRecordingTime(30000000);
  });
  const QStringList chapters = RunTool("ffprobe", {"-v", "error", "-show_entries", "chapter=start_time,end_time", "-of",
                                                   "csv=p=0", target})
                                   .split('\n', Qt::SkipEmptyParts);
  EXPECT_EQ(chapters, QStringList{"0.000000,30.000000"});
}

TEST(Streams, MetadataAndLanguages) {
  const QString target = Convert(Clip(), "tagged.mkv", [](TAVConvertOptions& o) {
    o.SetMetaData({"title=Holiday", "comment=first try"});
    o.VideoOptions().SetVideoLanguage("eng");
    o.AudioOptions().SetAudioLanguage("chi");
    o.SubtitleOptions().SetSubtitleLanguage("   ");
  });
  auto tag = [&](const QString& what) {
    return RunTool("ffprobe", {"-v", "error", "-show_entries", what, "-of", "default=nw=1:nk=1", target}).trimmed();
  };
  EXPECT_EQ(tag("format_tags=title"), "Holiday");
  EXPECT_EQ(tag("format_tags=comment"), "first try");
  EXPECT_EQ(RunTool("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", "stream_tags=language", "-of",
                                "default=nw=1:nk=1", target})
                .trimmed(),
            "eng");
  EXPECT_EQ(RunTool("ffprobe", {"-v", "error", "-select_streams", "a:0", "-show_entries", "stream_tags=language", "-of",
                                "default=nw=1:nk=1", target})
                .trimmed(),
            "chi");
  // A language of blanks is no language.
  const QString untagged = Convert(Clip(), "untagged.mkv", [](TAVConvertOptions& o) {
    o.VideoOptions().SetVideoLanguage("  ");
  });
  EXPECT_EQ(RunTool("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", "stream_tags=language", "-of",
                                "default=nw=1:nk=1", untagged})
                .trimmed(),
            "");
}

TEST(Streams, BitstreamFilterChains) {
  const QString source = Clip();
  auto copy = [&](const QStringList& filters, const char* name, QStringList* boxes) {
    TAVConverter c;
    const QString target = Target(name);
    c.InputFiles() << source;
    c.OutputFiles() << target;
    c.ConvertOptions().VideoOptions().SetVideoStreamCopy(true);
    c.ConvertOptions().MuxerOptions().SetVideoBitstreamFilters(filters);
    const TConversionResult r = RunConversion(c);
    *boxes = r.errorBoxes;
    EXPECT_TRUE(r.errorMsg.isEmpty());
    return PacketSizes(target, "v:0");
  };
  QStringList boxes;
  const QStringList original = PacketSizes(source, "v:0");
  // The Annex B filter turns length prefixes into start codes and repeats the
  // parameter sets before key pictures: the first packet grows.
  const QStringList annexB = copy({"h264_mp4toannexb", "nosuchbsf"}, "annexb.mkv", &boxes);
  EXPECT_EQ(boxes, QStringList{"Invalid BitstreamFilter nosuchbsf"});
  EXPECT_GT(annexB.value(0).toInt(), original.value(0).toInt());
  // Without its first filter a chain is not used at all.
  const QStringList none = copy({"nosuchbsf", "h264_mp4toannexb"}, "none.mkv", &boxes);
  EXPECT_EQ(boxes, QStringList{"Invalid BitstreamFilter nosuchbsf"});
  EXPECT_EQ(none, original);
}

TEST(Streams, CountersAndFiguresForTheTaskList) {
  const QString source = Clip();
  const QString target = Target("counted.mkv");
  TAVConverter c;
  Convert(c, {source}, {target});
  auto sum = [&](const QString& stream) {
    qint64 total = 0;
    for (const QString& s : PacketSizes(target, stream)) total += s.toLongLong();
    return total;
  };
  // The muxer may reframe packets slightly (start codes become lengths).
  EXPECT_NEAR(c.ConvertOptions().VideoSize(), sum("v:0"), sum("v:0") * 0.01);
  EXPECT_NEAR(c.ConvertOptions().AudioSize(), sum("a:0"), sum("a:0") * 0.01);
  EXPECT_EQ(c.TargetFileSize(), QFile(target).size());
  EXPECT_EQ(c.SourceFileSize(), QFile(source).size());
  EXPECT_NEAR(c.Duration(), 2.0, 0.05);
  EXPECT_NEAR(c.ConvertedDuration(), 2.0, 0.05);
  EXPECT_EQ(c.Progress(), 100);
  EXPECT_NEAR(c.Bitrate(), QFile(target).size() * 8 / 2.0 / 1000, QFile(target).size() * 8 / 2.0 / 1000 * 0.05);
}

// The caller's tree is read, never written: the input's rate, aspect and
// pixel format, and a size halved for a decoder that reduces resolution, stay
// the run's own, so that the same converter runs again alike.
TEST(Streams, ARunLeavesTheCallersTreeAsItWasAndRunsAgainAlike) {
  const QString source = FixtureFromArguments({"-f", "lavfi", "-i", "testsrc2=size=352x288:rate=30000/1001:duration=1",
                                               "-c:v", "mpeg4", "-aspect", "16:9", "-pix_fmt", "yuv420p"},
                                              "mkv");
  struct Case {
    const char* name;
    std::function<void(TAVConvertOptions&)> setup;
    const char* size;
  } cases[] = {
      {"as the input", {}, "352x288"},
      {"a size with a decoder at half resolution",
       [](TAVConvertOptions& o) {
         o.VideoOptions().SetFrameWidth(320);
         o.VideoOptions().SetFrameHeight(240);
         o.SetCodecOptions({"lowres=1"});
       },
       "160x120"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    TAVConverter c;
    if (k.setup) k.setup(c.ConvertOptions());
    auto before = Snapshot(c.ConvertOptions());
    const bool rateAsked = c.ConvertOptions().VideoOptions().FrameRate().Requested();
    for (const char* name : {"again1.avi", "again2.avi"}) {
      const QString target = Target(name);
      Convert(c, {source}, {target});
      EXPECT_EQ(ProbeStream(target, "v:0", "width") + "x" + ProbeStream(target, "v:0", "height"), k.size);
      EXPECT_EQ(ProbeStream(target, "v:0", "r_frame_rate"), "30000/1001");
      EXPECT_EQ(ProbeStream(target, "v:0", "display_aspect_ratio"), "16:9");
      EXPECT_TRUE(ChangedPaths(before, Snapshot(c.ConvertOptions())).isEmpty());
      EXPECT_EQ(c.ConvertOptions().VideoOptions().FrameRate().Requested(), rateAsked);
    }
  }
}
