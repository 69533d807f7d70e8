// Every audio and video option of the tree acts on real conversions.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cmath>

#include "ConversionSupport.h"

using namespace testing_support;

namespace {

QString Seconds(double s) { return QString::number(s); }

// Video of d seconds and a tone that starts late by `late` seconds, in Matroska.
QString LateAudio(double late) {
  return FixtureFromArguments({"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=2", "-itsoffset",
                               Seconds(late), "-f", "lavfi", "-i", "sine=sample_rate=44100:duration=2", "-c:v",
                               "mpeg4", "-c:a", "pcm_s16le", "-ac", "2"},
                              "mkv");
}

struct TRun {
  TConversionResult result;
  QString target;
};

TRun Convert(const QString& source, const QString& name, const std::function<void(TAVConvertOptions&)>& setup = {}) {
  TRun run;
  run.target = Target(name);
  TAVConverter c;
  c.InputFiles() << source;
  c.OutputFiles() << run.target;
  if (setup) setup(c.ConvertOptions());
  run.result = RunConversion(c);
  EXPECT_TRUE(run.result.Succeeded()) << name.toStdString() << ": " << run.result.errorMsg.toStdString() << " "
                                      << run.result.errorBoxes.join('|').toStdString();
  return run;
}

MediaSpec Clip(const QString& video = "libx264", const QString& audio = "aac", const QString& container = "mp4") {
  MediaSpec s;
  s.videoCodec = video;
  s.audioCodec = audio;
  s.container = container;
  return s;
}

// Matroska video whose pictures come at irregular times: every third of 25/s.
QString VariableRateVideo() {
  return FixtureFromArguments({"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=2", "-vf",
                               "select=not(mod(n\\,3))", "-fps_mode", "vfr", "-c:v", "mpeg4"},
                              "mkv");
}

// Six seconds of a 44.1 kHz sine whose timestamps run factor times as fast as its samples.
QString SineWithTimestampsScaledBy(const QString& factor) {
  return FixtureFromArguments({"-f", "lavfi", "-i", "sine=sample_rate=44100:duration=6", "-af",
                               "asetpts=PTS*" + factor, "-c:a", "pcm_s16le"},
                              "mkv");
}

int FrameCount(const QString& file) { return static_cast<int>(PacketEntries(file, "v:0", "size").size()); }

}  // namespace

// ------------------------------------------------------------------ audio

TEST(AudioOptions, SyncMethodFillsALateStartWithSilence) {
  const QString source = LateAudio(0.5);
  const TRun synced = Convert(source, "synced.mkv", [](TAVConvertOptions& o) { o.AudioOptions().SetAudioSyncMethod(1); });
  EXPECT_NEAR(ProbeStream(synced.target, "a:0", "start_time").toDouble(), 0.0, 0.03);
  EXPECT_LT(AudioRms(synced.target, 0.0, 0.4), 50.0);  // silence first
  EXPECT_GT(AudioRms(synced.target, 1.0, 0.5), 1000.0);

  // Without a sync method the audio keeps its own late start.
  const TRun plain = Convert(source, "plain.mkv");
  EXPECT_NEAR(ProbeStream(plain.target, "a:0", "start_time").toDouble(), 0.5, 0.03);
}

TEST(AudioOptions, SyncMethodFillsAGapBeyondTheDriftThreshold) {
  // Half a second of audio missing in the middle, timestamps kept.
  const QString source = FixtureFromArguments(
      {"-f", "lavfi", "-i", "sine=sample_rate=44100:duration=2", "-af", "aselect='not(between(t,0.8,1.3))'", "-c:a",
       "pcm_s16le"},
      "mkv");
  const TRun synced = Convert(source, "gap1.wav", [](TAVConvertOptions& o) { o.AudioOptions().SetAudioSyncMethod(1); });
  const TRun plain = Convert(source, "gap0.wav");
  EXPECT_NEAR(AudioSampleCount(synced.target), 2.0 * 44100, 2000);
  EXPECT_NEAR(AudioSampleCount(plain.target), 1.5 * 44100, 2000);
}

TEST(AudioOptions, SyncMethodDropsSamplesTheTimestampsHaveNoRoomFor) {
  // The timestamps claim 5 % less time than the samples hold: 0.3 s too much audio.
  const QString source = SineWithTimestampsScaledBy("0.95");
  const TRun synced = Convert(source, "crowded1.wav", [](TAVConvertOptions& o) { o.AudioOptions().SetAudioSyncMethod(1); });
  const TRun plain = Convert(source, "crowded0.wav");
  EXPECT_NEAR(AudioSampleCount(plain.target), 6.0 * 44100, 2000);
  // Cut back to the timestamps' length, give or take the drift threshold of 0.1 s.
  EXPECT_GT(AudioSampleCount(synced.target), 5.65 * 44100);
  EXPECT_LT(AudioSampleCount(synced.target), 5.85 * 44100);
}

TEST(AudioOptions, SyncMethodAboveOneCompensatesSmallDrift) {
  // The timestamps claim 0.1 % more time than the samples hold.
  const QString source = SineWithTimestampsScaledBy("1.001");
  const TRun hard = Convert(source, "drift1.wav", [](TAVConvertOptions& o) { o.AudioOptions().SetAudioSyncMethod(1); });
  const TRun soft =
      Convert(source, "drift1000.wav", [](TAVConvertOptions& o) { o.AudioOptions().SetAudioSyncMethod(1000); });
  // The compensating run stretches the audio to the timestamps' length.
  EXPECT_GT(AudioSampleCount(soft.target) - AudioSampleCount(hard.target), 80);
  EXPECT_NEAR(AudioSampleCount(soft.target), 6.006 * 44100, 120);
}

TEST(AudioOptions, VolumeScalesTheSamples) {
  MediaSpec wav = Clip("", "pcm_s16le", "wav");
  const QString source = MediaFixture(wav);
  const double level = AudioRms(source, 0.2, 1);
  const TRun louder = Convert(source, "loud.wav", [](TAVConvertOptions& o) { o.AudioOptions().SetAudioVolume(512); });
  const TRun softer = Convert(source, "soft.wav", [](TAVConvertOptions& o) { o.AudioOptions().SetAudioVolume(128); });
  EXPECT_NEAR(AudioRms(louder.target, 0.2, 1), 2 * level, 0.05 * level);
  EXPECT_NEAR(AudioRms(softer.target, 0.2, 1), level / 2, 0.05 * level);
}

TEST(AudioOptions, SampleFormatChannelsAndRate) {
  const QString source = MediaFixture(Clip("", "pcm_s16le", "wav"));
  const TRun s32 = Convert(source, "s32.flac", [](TAVConvertOptions& o) { o.AudioOptions().SetAudioSampleFmt(sfS32); });
  EXPECT_EQ(ProbeStream(s32.target, "a:0", "sample_fmt"), "s32");
  const TRun s16 = Convert(source, "s16.flac", [](TAVConvertOptions& o) { o.AudioOptions().SetAudioSampleFmt(sfS16); });
  EXPECT_EQ(ProbeStream(s16.target, "a:0", "sample_fmt"), "s16");
  // A format the encoder lacks becomes its first supported one.
  const TRun u8 = Convert(source, "u8.flac", [](TAVConvertOptions& o) { o.AudioOptions().SetAudioSampleFmt(sfU8); });
  EXPECT_EQ(ProbeStream(u8.target, "a:0", "sample_fmt"), "s16");

  const TRun mono = Convert(source, "mono.mp3", [](TAVConvertOptions& o) {
    o.AudioOptions().SetAudioChannels(1);
    o.AudioOptions().SetAudioSampleRate(22050);
  });
  EXPECT_EQ(ProbeStream(mono.target, "a:0", "channels"), "1");
  EXPECT_EQ(ProbeStream(mono.target, "a:0", "sample_rate"), "22050");
  EXPECT_NEAR(ProbeFormat(mono.target, "duration").toDouble(), 2.0, 0.1);
  EXPECT_GT(AudioRms(mono.target, 0.5, 1), 1000.0);
}

// ------------------------------------------------------------------ video

TEST(VideoOptions, SyncMethodsOnVariableRateInput) {
  const QString source = VariableRateVideo();
  auto frames = [&](const char* name, int method) {
    return FrameCount(Convert(source, name, [&](TAVConvertOptions& o) {
                        o.VideoOptions().SetVideoSyncMethod(method);
                      }).target);
  };
  EXPECT_NEAR(frames("cfr.avi", 1), 50, 2);   // duplicated up to the constant rate
  EXPECT_NEAR(frames("pass.mkv", 0), 17, 1);  // every picture once
  EXPECT_NEAR(frames("vfr.mkv", 2), 17, 1);   // variable rate kept
  // The default picks by container: AVI is constant-rate, Matroska variable.
  EXPECT_NEAR(frames("default.avi", -1), 50, 2);
  EXPECT_NEAR(frames("default.mkv", -1), 17, 1);
}

TEST(VideoOptions, FrameLimitsEndTheRun) {
  const QString source = MediaFixture(Clip());
  const TRun video = Convert(source, "ten.mp4", [](TAVConvertOptions& o) { o.VideoOptions().SetMaxFrames(10); });
  EXPECT_EQ(FrameCount(video.target), 10);
  EXPECT_LT(ProbeFormat(video.target, "duration").toDouble(), 1.0);
  const TRun audio = Convert(source, "five.mkv", [](TAVConvertOptions& o) {
    o.AudioOptions().SetMaxFrames(5);
    o.AudioOptions().SetEncoderAudioCodecName("pcm_s16le");  // one packet per frame
  });
  EXPECT_EQ(PacketEntries(audio.target, "a:0", "size").size(), 5);
  EXPECT_LT(FrameCount(audio.target), 50);
}

TEST(VideoOptions, IntraOnlyAndFixedQuality) {
  const QString source = MediaFixture(Clip());
  const TRun intra = Convert(source, "intra.avi", [](TAVConvertOptions& o) { o.VideoOptions().SetIntraOnly(true); });
  for (const QString& flags : PacketEntries(intra.target, "v:0", "flags")) EXPECT_TRUE(flags.startsWith('K'));
  const TRun fine = Convert(source, "q2.avi", [](TAVConvertOptions& o) { o.VideoOptions().SetVideoQscale(2); });
  const TRun coarse = Convert(source, "q20.avi", [](TAVConvertOptions& o) { o.VideoOptions().SetVideoQscale(20); });
  EXPECT_GT(QFile(fine.target).size(), 2 * QFile(coarse.target).size());
}

TEST(VideoOptions, SameQualityFollowsTheSource) {
  auto source = [](int q) {
    return FixtureFromArguments({"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25:duration=1", "-c:v", "mpeg4",
                                 "-q:v", QString::number(q)},
                                "avi");
  };
  auto size = [&](int q, const char* name) {
    return QFile(Convert(source(q), name, [](TAVConvertOptions& o) {
                   o.VideoOptions().SetSameQuality(true);
                 }).target)
        .size();
  };
  EXPECT_GT(size(2, "fine.avi"), 2 * size(20, "coarse.avi"));
}

TEST(VideoOptions, QuantiserMatricesAndDcPrecisionReachMpeg2) {
  const QString source = MediaFixture(Clip());
  QStringList flat, coarse;
  for (int i = 0; i < 64; ++i) flat << "16", coarse << "40";
  const TRun custom = Convert(source, "matrix.m2v", [&](TAVConvertOptions& o) {
    o.VideoOptions().SetIntraMatrix(flat);
    o.VideoOptions().SetInterMatrix(coarse);
    o.VideoOptions().SetIntraDcPrecision(10);
  });
  const TRun plain = Convert(source, "plain.m2v");
  auto sequenceHeader = [](const QString& file) {
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    const QByteArray d = f.readAll();
    return d.mid(d.indexOf(QByteArray("\0\0\1\xb3", 4)), 80);
  };
  auto dcPrecision = [](const QString& file) {
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    const QByteArray d = f.readAll();
    // The picture coding extension: start code B5, extension id 8.
    for (qsizetype at = d.indexOf(QByteArray("\0\0\1\xb5", 4)); at >= 0; at = d.indexOf(QByteArray("\0\0\1\xb5", 4), at + 1))
      if ((uint8_t(d[at + 4]) >> 4) == 8) return (uint8_t(d[at + 6]) >> 2) & 3;
    return -1;
  };
  // load_intra_quantiser_matrix is bit 1 of the header's twelfth byte.
  // load_non_intra_quantiser_matrix follows the 64 bytes of a loaded intra
  // matrix: bit 0 of byte 75, or of byte 11 when none was loaded.
  EXPECT_TRUE(sequenceHeader(custom.target)[11] & 0x02);
  EXPECT_TRUE(sequenceHeader(custom.target)[75] & 0x01);
  EXPECT_FALSE(sequenceHeader(plain.target)[11] & 0x02);
  EXPECT_FALSE(sequenceHeader(plain.target)[11] & 0x01);
  EXPECT_EQ(dcPrecision(custom.target), 2);
  EXPECT_EQ(dcPrecision(plain.target), 0);
}

TEST(VideoOptions, TopFieldFirstOnInterlacedCoding) {
  const QString source = MediaFixture(Clip());
  auto fieldOrder = [&](int tff, const char* name) {
    return ProbeStream(Convert(source, name, [&](TAVConvertOptions& o) {
                         o.SetCodecOptions({"flags=+ildct+ilme"});
                         o.VideoOptions().SetEncoderVideoCodecName("mpeg2video");
                         o.VideoOptions().SetTopFieldFirst(tff);
                       }).target,
                       "v:0", "field_order");
  };
  EXPECT_EQ(fieldOrder(1, "tt.mpg"), "tt");
  EXPECT_EQ(fieldOrder(0, "bb.mpg"), "bb");
}

TEST(VideoOptions, DeinterlaceRunsYadif) {
  const QString source = FixtureFromArguments({"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=50:duration=1", "-vf",
                                               "tinterlace=interleave_top,setfield=tff", "-c:v", "ffv1"},
                                              "mkv");
  const TRun run = Convert(source, "progressive.mkv", [](TAVConvertOptions& o) {
    o.VideoOptions().SetDeinterlace(true);
    o.VideoOptions().SetEncoderVideoCodecName("ffv1");
  });
  const QString expected = Target("yadif.mkv");
  int exit = -1;
  RunTool("ffmpeg", {"-v", "error", "-y", "-i", source, "-vf", "yadif", "-c:v", "ffv1", expected}, &exit);
  ASSERT_EQ(exit, 0);
  EXPECT_GT(Psnr(GrayFrame(expected, 5), GrayFrame(run.target, 5)), 45.0);
  EXPECT_LT(Psnr(GrayFrame(source, 5), GrayFrame(run.target, 5)), 40.0);
}

TEST(VideoOptions, GlobalOrLocalHeaders) {
  const QString source = MediaFixture(Clip());
  auto firstStartCode = [&](int globalHeader, const char* name) {
    const TRun run = Convert(source, name, [&](TAVConvertOptions& o) {
      o.VideoOptions().SetEncoderVideoCodecName("mpeg4");
      o.VideoOptions().SetVideoGlobalHeader(globalHeader);
    });
    const QByteArray data = FirstPacketData(run.target, "v:0");
    return data.size() > 3 ? uint8_t(data[3]) : 0;
  };
  // Matroska wants the headers global: the first packet holds no sequence header (0xB0).
  EXPECT_NE(firstStartCode(0, "global.mkv"), 0xB0);
  // Local headers put the sequence header (0xB0) in front of the first picture.
  EXPECT_EQ(firstStartCode(2, "local.mkv"), 0xB0);
}

TEST(VideoOptions, PsnrIsReported) {
  const TRun run = Convert(MediaFixture(Clip()), "psnr.avi", [](TAVConvertOptions& o) { o.SetDoPSNR(true); });
  bool reported = false;
  for (const QString& line : run.result.log) reported |= line.startsWith("PSNR of output stream #0.0 Y:");
  EXPECT_TRUE(reported) << run.result.log.join('\n').toStdString();
}

TEST(VideoOptions, CodecTagsAreForced) {
  const TRun run = Convert(MediaFixture(Clip()), "xvid.avi", [](TAVConvertOptions& o) {
    o.VideoOptions().SetVideoCodecTag('X' | 'V' << 8 | 'I' << 16 | 'D' << 24);
  });
  EXPECT_EQ(ProbeStream(run.target, "v:0", "codec_tag_string"), "XVID");
}

TEST(VideoOptions, AnEncoderTakesTheNearestRateAndFormatItKnowsAndSaysSo) {
  const TRun run = Convert(MediaFixture(Clip()), "nearest.mpg", [](TAVConvertOptions& o) {
    o.VideoOptions().FrameRate().Setnum(13);
    o.VideoOptions().FrameRate().Setden(1);
    o.VideoOptions().SetFramePixFormat(5);  // yuv444p: MPEG-1 codes 4:2:0 only
  });
  ASSERT_TRUE(run.result.Succeeded()) << run.result.errorMsg.toStdString();
  // MPEG-1 lists 12/1 too, but codes it only in unofficial streams.
  EXPECT_EQ(ProbeStream(run.target, "v:0", "r_frame_rate"), "24000/1001");
  EXPECT_TRUE(run.result.log.contains("Frame rate 13/1 unsupported by the encoder, using 24000/1001"));
  EXPECT_TRUE(run.result.log.contains("Pixel format yuv444p unsupported by the encoder, using yuv420p"));

  // A source at 15 pictures a second, which MPEG-1 codes only unofficially, converts unasked.
  MediaSpec webcam = Clip();
  webcam.rate = "15";
  const TRun slow = Convert(MediaFixture(webcam), "webcam.mpg");
  EXPECT_EQ(ProbeStream(slow.target, "v:0", "r_frame_rate"), "24000/1001");
}

TEST(VideoOptions, OptionsWithoutEffectAreLoggedOnce) {
  const TRun run = Convert(MediaFixture(Clip()), "noop.mp4", [](TAVConvertOptions& o) {
    o.SetPGMYUVCompatibilityHack(true);
    o.SetLoopInput(true);
    o.SetLoopOutput(0);
    o.VideoOptions().SetMeThreshold(3);
  });
  for (const char* name : {"PGMYUVCompatibilityHack", "LoopInput", "LoopOutput", "MeThreshold"})
    EXPECT_EQ(run.result.log.count(QStringLiteral("Option %1 has no effect with this version of the media libraries")
                                       .arg(QLatin1String(name))),
              1)
        << name;
}

TEST(VideoOptions, LoopOutputAndRecordingDateWhereTheyStillExist) {
  const TRun gif = Convert(MediaFixture(Clip()), "loop.gif", [](TAVConvertOptions& o) {
    o.SetLoopOutput(0);
    o.SetRecordingTime(300000);
  });
  QFile f(gif.target);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll().contains("NETSCAPE2.0"));  // the loop block
  // Without a loop count the animation plays once: no loop block at all.
  const TRun once = Convert(MediaFixture(Clip()), "once.gif", [](TAVConvertOptions& o) { o.SetRecordingTime(300000); });
  QFile g(once.target);
  ASSERT_TRUE(g.open(QIODevice::ReadOnly));
  EXPECT_FALSE(g.readAll().contains("NETSCAPE2.0"));
  const TRun dated = Convert(MediaFixture(Clip()), "dated.mp4", [](TAVConvertOptions& o) {
    o.SetRecTimestamp(1262304000);  // 2010-01-01
  });
  EXPECT_EQ(RunTool("ffprobe", {"-v", "error", "-show_entries", "format_tags=creation_time", "-of",
                                "default=nw=1:nk=1", dated.target})
                .trimmed(),
            "2010-01-01T00:00:00.000000Z");
}
