// Files as phones, cameras, other programs' muxers and damaged downloads make
// them: pictures shown turned by a display matrix, 10-bit and 4:4:4 pictures
// for players of 8-bit 4:2:0, sound the target cannot hold as it is,
// timestamps that jump by hours, flipped bits and cut files, and a stream
// that comes out empty.

#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <cmath>

#include "ConversionSupport.h"

using namespace testing_support;

namespace {

QString Probe(const QString& file, const QString& stream, const QString& entry) {
  return ProbeStream(file, stream, entry).split('\n').value(0).trimmed();
}

double Duration(const QString& file) { return ProbeFormat(file, "duration").toDouble(); }

TConversionResult ConvertAndTell(const QString& source, const QString& target,
                                 const std::function<void(TAVConvertOptions&)>& setup = {}) {
  TConversionResult r = ConvertFile(source, target, setup);
  EXPECT_TRUE(r.Succeeded()) << r.errorBoxes.join('|').toStdString() << "\n" << r.log.join('\n').toStdString();
  return r;
}

QByteArray ReadAll(const QString& file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString WriteCopy(const QString& name, const QByteArray& data) {
  const QString path = Target(name);
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(data) == data.size());
  return path;
}

// A sharp picture in MP4, for comparing pictures after a turn.
QString SharpClip() {
  return FixtureFromArguments({"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=1", "-c:v", "mpeg4", "-q:v",
                               "1", "-g", "1"},
                              "mp4");
}

// The picture the ffmpeg tool makes of frame 5 of source through filter.
QByteArray ReferencePicture(const QString& source, const QString& filter) {
  return GrayFrame(FixtureFromArguments({"-i", source, "-vf", filter, "-c:v", "mpeg4", "-q:v", "1", "-g", "1"}, "mp4"), 5);
}

// The first track header's matrix replaced by a mirror (x → width - x).
QString MirroredCopy(const QString& source) {
  QByteArray data = ReadAll(source);
  const qsizetype tkhd = data.indexOf("tkhd");
  EXPECT_GT(tkhd, 0);
  const qsizetype matrix = tkhd + 4 + 4 + 4 * 5 + 8 + 8;  // version, times, ids, duration, reserved, layer … volume
  const int32_t mirror[9] = {-0x10000, 0, 0, 0, 0x10000, 0, 320 * 0x10000, 0, 0x40000000};
  for (int i = 0; i < 9; ++i)
    for (int b = 0; b < 4; ++b) data[matrix + 4 * i + b] = char(uint32_t(mirror[i]) >> (24 - 8 * b));
  return WriteCopy("mirrored.mp4", data);
}

}  // namespace

// A clip whose display matrix says how to turn it is converted, copied and
// previewed the way it is meant to be seen.
TEST(RealMedia, PicturesAreShownTheWayTheirDisplayMatrixSays) {
  struct TCase {
    const char* label;
    int rotate;          // the rotate tag a phone writes; 0: a mirrored matrix instead
    const char* upright;  // what the ffmpeg tool does to the stored picture to show it
  };
  // A rotate tag of 90 is a display matrix turning the picture a quarter
  // counter-clockwise, as the ffmpeg tool reads it.
  const TCase cases[] = {{"quarter turn", 90, "transpose=cclock"},
                         {"half turn", 180, "hflip,vflip"},
                         {"three quarters", 270, "transpose=clock"},
                         {"mirrored", 0, "hflip"}};
  const QString plain = SharpClip();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.label);
    const QString source =
        c.rotate ? FixtureFromArguments({"-i", plain, "-c", "copy", "-metadata:s:v:0", QStringLiteral("rotate=%1").arg(c.rotate)},
                                        "mp4")
                 : MirroredCopy(plain);
    const QByteArray want = ReferencePicture(plain, c.upright);
    if (c.rotate) {
      EXPECT_GT(Psnr(GrayFrame(source, 5), want), 30) << "the ffmpeg tool turns it alike";
    }
    const QString converted = Target(QStringLiteral("turned%1.avi").arg(c.rotate));
    ConvertAndTell(source, converted, [](TAVConvertOptions& o) {
      o.VideoOptions().SetEncoderVideoCodecName("mpeg4");
      o.VideoOptions().SetVideoQscale(1);
    });
    EXPECT_GT(Psnr(GrayFrame(converted, 5), want), 30) << "converted";

    const QString shot = Target(QStringLiteral("shot%1.png").arg(c.rotate));
    ASSERT_EQ(RunCli({"snapshot", source, "0.21", shot}).exitCode, 0);
    EXPECT_GT(Psnr(GrayFrame(shot, 0), want), 30) << "snapshot";

    // A copy keeps the stored picture and its matrix.
    const QString copied = Target(QStringLiteral("copied%1.mp4").arg(c.rotate));
    ConvertAndTell(source, copied, [](TAVConvertOptions& o) { o.VideoOptions().SetVideoStreamCopy(true); });
    EXPECT_EQ(Probe(copied, "v:0", "width"), "320");
    EXPECT_EQ(Probe(copied, "v:0", "side_data"), Probe(source, "v:0", "side_data"));
  }
}

// Without a pixel format asked for, players' codecs get 8-bit 4:2:0 from
// 10-bit, 4:2:2 and 4:4:4 sources; a format the user sets wins.
TEST(RealMedia, PlayersGetEightBitFourTwoZeroUnlessAskedOtherwise) {
  struct TCase {
    const char* sourceFormat;
    const char* encoder;
    int asked;  // VideoOptions.FramePixFormat; -1: none
    const char* result;
  };
  const TCase cases[] = {{"yuv420p10le", "libx264", -1, "yuv420p"},
                         {"yuv422p10le", "libx264", -1, "yuv420p"},
                         {"yuv444p", "mpeg4", -1, "yuv420p"},
                         {"yuv444p", "wmv2", -1, "yuv420p"},
                         {"yuv422p", "libx264", AV_PIX_FMT_YUV422P, "yuv422p"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.sourceFormat) + " into " + c.encoder);
    const QString source = FixtureFromArguments(
        {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=1", "-c:v", "libx264", "-pix_fmt", c.sourceFormat},
        "mkv");
    const QString target = Target(QStringLiteral("%1-%2.mkv").arg(c.sourceFormat, c.encoder));
    ConvertAndTell(source, target, [&](TAVConvertOptions& o) {
      o.VideoOptions().SetEncoderVideoCodecName(c.encoder);
      o.VideoOptions().SetFramePixFormat(c.asked);
    });
    EXPECT_EQ(Probe(target, "v:0", "pix_fmt"), c.result);
  }
}

// Sound the target cannot hold as it is is mixed down or resampled, never
// refused or dropped.
TEST(RealMedia, SoundIsFittedToWhatTheTargetHolds) {
  struct TCase {
    int rate;
    const char* layout;
    const char* encoder;
    const char* extension;
    int wantRate, wantChannels;
  };
  const TCase cases[] = {{48000, "5.1", "mp2", "mpg", 48000, 2},      {96000, "stereo", "libmp3lame", "mp3", 48000, 2},
                         {96000, "5.1", "ac3", "ac3", 48000, 6},      {44100, "5.1", "wmav2", "wma", 44100, 2},
                         {8000, "mono", "ac3", "ac3", 32000, 1},      {96000, "5.1", "aac", "m4a", 96000, 6},
                         {22050, "5.1", "pcm_s16le", "dv", 32000, 2}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(QStringLiteral("%1 Hz %2 into %3").arg(c.rate).arg(c.layout, c.encoder).toStdString());
    const bool dv = QLatin1String(c.extension) == QLatin1String("dv");
    QStringList args{"-f", "lavfi", "-i", QStringLiteral("sine=sample_rate=%1:duration=2").arg(c.rate), "-af",
                     QStringLiteral("aformat=channel_layouts=%1").arg(c.layout), "-c:a", "flac"};
    if (dv) args = QStringList{"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=2", "-c:v", "mpeg4"} << args;
    const QString source = FixtureFromArguments(args, "mkv");
    const QString target = Target(QStringLiteral("fitted%1.%2").arg(c.rate).arg(c.extension));
    ConvertAndTell(source, target, [&](TAVConvertOptions& o) {
      if (!dv) o.AudioOptions().SetEncoderAudioCodecName(c.encoder);
    });
    EXPECT_EQ(Probe(target, "a:0", "sample_rate").toInt(), c.wantRate);
    EXPECT_EQ(Probe(target, "a:0", "channels").toInt(), c.wantChannels);
    EXPECT_NEAR(Duration(target), 2.0, 0.1);
    EXPECT_GT(AudioRms(target, 0.5, 1), 300) << "the sound is there";
  }
}

namespace {

// An FLV file whose tags from the middle on, of the given kinds (8 audio,
// 9 video), are dated `jump` milliseconds later.
QString FlvWithJump(const QString& source, const QList<int>& kinds, uint32_t jump) {
  QByteArray d = ReadAll(source);
  QList<qsizetype> tags;
  for (qsizetype at = 9 + 4; at + 11 <= d.size(); at += 11 + ((uchar(d[at + 1]) << 16) | (uchar(d[at + 2]) << 8) | uchar(d[at + 3])) + 4)
    tags << at;
  for (qsizetype i = tags.size() / 2; i < tags.size(); ++i) {
    const qsizetype at = tags[i];
    if (!kinds.contains(uchar(d[at]))) continue;
    uint32_t t = (uchar(d[at + 4]) << 16) | (uchar(d[at + 5]) << 8) | uchar(d[at + 6]) | (uint32_t(uchar(d[at + 7])) << 24);
    t += jump;
    d[at + 4] = char(t >> 16), d[at + 5] = char(t >> 8), d[at + 6] = char(t), d[at + 7] = char(t >> 24);
  }
  return WriteCopy(QStringLiteral("jump%1-%2.flv").arg(kinds.size()).arg(jump), d);
}

// Two transport streams one after the other, the second dated an hour later.
QString TransportWithJump() {
  auto part = [](int offset) {
    return FixtureFromArguments({"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=2", "-f", "lavfi", "-i",
                                 "sine=sample_rate=48000:duration=2", "-c:v", "libx264", "-c:a", "mp2",
                                 "-output_ts_offset", QString::number(offset)},
                                "ts");
  };
  return WriteCopy("jump.ts", ReadAll(part(0)) + ReadAll(part(3600)));
}

// What another program's ASF muxer wrote: video dated 1000 hours after the
// sound, and a container duration to match.
QString AsfWithLateVideo() {
  const QString plain = FixtureFromArguments({"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=4", "-f", "lavfi",
                                              "-i", "sine=sample_rate=44100:duration=4", "-c:v", "wmv2", "-c:a", "wmav2"},
                                             "wmv");
  return FixtureFromArguments({"-i", plain, "-itsoffset", "3600000", "-i", plain, "-map", "1:v", "-map", "0:a", "-c", "copy",
                               "-copyts"},
                              "wmv");
}

}  // namespace

// A jump of the timestamps is neither filled with hours of pictures or
// silence nor lets progress stand still: the file converts to what it holds.
TEST(RealMedia, TimestampJumpsConvertToWhatTheFileHolds) {
  MediaSpec flvSpec;
  flvSpec.videoCodec = "libx264";
  flvSpec.audioCodec = "libmp3lame";
  flvSpec.container = "flv";
  const QString flv = MediaFixture(flvSpec);
  struct TCase {
    const char* label;
    QString source;
    double seconds;  // what the file holds
  };
  const TCase cases[] = {{"FLV, both streams an hour on", FlvWithJump(flv, {8, 9}, 3600000), 2.0},
                         {"FLV, pictures an hour on", FlvWithJump(flv, {9}, 3600000), 2.0},
                         {"FLV, pictures a day back", FlvWithJump(flv, {9}, uint32_t(-86400000)), 2.0},
                         {"transport stream, an hour on", TransportWithJump(), 4.0},
                         {"ASF, pictures 1000 hours after the sound", AsfWithLateVideo(), 4.0}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.label);
    const QString target = Target("jumped.mp4");
    TAVConverter converter;
    converter.InputFiles() << c.source;
    converter.OutputFiles() << target;
    const TConversionResult r = RunConversion(converter);
    ASSERT_TRUE(r.Succeeded()) << r.errorBoxes.join('|').toStdString() << "\n" << r.log.join('\n').toStdString();
    EXPECT_EQ(converter.Progress(), 100);
    EXPECT_LT(converter.Duration(), c.seconds * 2) << "progress measured against a bogus duration";
    EXPECT_NEAR(Duration(target), c.seconds, 0.3);
    EXPECT_NEAR(ProbeStream(target, "v:0", "duration").toDouble(), c.seconds, 0.3);
    EXPECT_NEAR(ProbeStream(target, "a:0", "duration").toDouble(), c.seconds, 0.3);
    EXPECT_LT(QFileInfo(target).size(), 2 * 1024 * 1024);
  }
}

// Flipped bits and cut files never crash, hang or write without bound; what
// can be read is converted.
TEST(RealMedia, DamagedFilesEndWithinBounds) {
  const char* const containers[][3] = {{"mp4", "libx264", "aac"},   {"mkv", "libx264", "libvorbis"},
                                       {"ts", "libx264", "mp2"},    {"flv", "flv", "libmp3lame"},
                                       {"avi", "mpeg4", "libmp3lame"}, {"wmv", "wmv2", "wmav2"},
                                       {"ogv", "libtheora", "libvorbis"}, {"webm", "libvpx", "libopus"},
                                       {"mpg", "mpeg2video", "mp2"}};
  QRandomGenerator random(18);
  int converted = 0;
  for (const auto& c : containers) {
    MediaSpec spec;
    spec.videoCodec = c[1];
    spec.audioCodec = c[2];
    spec.container = c[0];
    const QByteArray clean = ReadAll(MediaFixture(spec));
    for (const bool cut : {false, true}) {
      SCOPED_TRACE(std::string(c[0]) + (cut ? " cut" : " with flipped bits"));
      QByteArray damaged = clean;
      if (cut) {
        damaged.truncate(clean.size() / 4 + random.bounded(clean.size() / 2));
      } else {
        for (int i = 0; i < clean.size() / 2000 + 1; ++i) damaged[random.bounded(clean.size())] ^= char(1 << random.bounded(8));
      }
      const QString source = WriteCopy(QStringLiteral("damaged.%1").arg(c[0]), damaged);
      const QString target = Target("repaired.mp4");
      QFile::remove(target);
      const TConversionResult r = ConvertFile(source, target);
      EXPECT_EQ(r.completions, 1);
      EXPECT_LT(QFileInfo(target).size(), 4 * clean.size() + 100000);
      converted += r.Succeeded();
    }
  }
  EXPECT_GE(converted, 9) << "most damaged files still give what they hold";
}

// What the decoder says of a damaged picture reaches the log whichever thread
// decodes it: the loop's own, or the decoding stage and the codec's threads.
TEST(RealMedia, TheDecodersWordsReachTheLogFromEveryDecodingThread) {
  MediaSpec spec;
  spec.videoCodec = "libx264";
  spec.audioCodec = "aac";
  spec.container = "mp4";
  QByteArray damaged = ReadAll(MediaFixture(spec));
  QRandomGenerator random(23);
  for (int i = 0; i < 40; ++i) damaged[damaged.size() / 10 + random.bounded(damaged.size() * 8 / 10)] ^= char(0x10);
  const QString source = WriteCopy(QStringLiteral("damaged-h264.mp4"), damaged);
  QStringList logs[2];
  for (const int threads : {1, 2}) {
    TAVConverter converter;
    converter.SetDecoderThreadCount(threads);
    converter.InputFiles() << source;
    converter.OutputFiles() << Target("words.avi");
    logs[threads - 1] = RunConversion(converter).log;
  }
  ASSERT_GT(logs[0].size(), 5) << "the damage is noticed";
  int found = 0;
  for (const QString& line : logs[0]) found += logs[1].contains(line);
  EXPECT_GE(found, logs[0].size() * 9 / 10) << logs[1].join('\n').toStdString();
}

// An output stream that got pictures but wrote none, or far fewer than its
// source lasted, fails the run with a message naming it.
TEST(RealMedia, AStreamThatComesOutEmptyOrShortFailsTheRun) {
  MediaSpec spec;
  spec.seconds = 4;
  const QString source = MediaFixture(spec);
  struct TCase {
    const char* filter;
    QString message;
  };
  const TCase cases[] = {
      {"select=0", "Output stream #0.0 (video) got data from input stream #0.0 but wrote none"},
      {"select=lt(t\\,0.5)", "Output stream #0.0 (video) ends at 0.52 s, input stream #0.0 at 4.00 s"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.filter);
    const TConversionResult r = ConvertFile(source, Target("lost.avi"), [&](TAVConvertOptions& o) {
      o.FilterOptions().SetVideoFilters(c.filter);
    });
    EXPECT_EQ(r.errorMsg, c.message);
    EXPECT_EQ(r.errorBoxes, QStringList{c.message});
  }
}
