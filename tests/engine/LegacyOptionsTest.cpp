// Option names of older library generations reach today's encoders and muxers.

#include <gtest/gtest.h>

#include <QFile>

extern "C" {
#include <libavutil/opt.h>
}

#include "ConversionSupport.h"
#include "engine/LegacyOptions.h"

using namespace testing_support;

namespace {

QString Settings(const QByteArray& name, const QByteArray& value, const char* encoder = "libx264") {
  QStringList notes, parts;
  for (const auto& s : TranslateLegacyOption(name, value, avcodec_find_encoder_by_name(encoder), notes))
    parts << QString::fromLatin1(s.name + "=" + s.value);
  return parts.join(' ');
}

// The x264 settings line the encoder writes into its stream.
QString X264Settings(const QString& file) {
  QFile f(file);
  if (!f.open(QIODevice::ReadOnly)) return {};
  const QByteArray data = f.readAll();
  const qsizetype at = data.indexOf("x264 - core");
  return at < 0 ? QString() : QString::fromLatin1(data.mid(at, data.indexOf('\0', at) - at));
}

}  // namespace

TEST(LegacyOptions, X264NamesAreTranslated) {
  EXPECT_EQ(Settings("partitions", "+parti8x8+parti4x4+partp8x8+partb8x8"), "partitions=i8x8,i4x4,p8x8,b8x8");
  EXPECT_EQ(Settings("partitions", "-parti8x8-parti4x4-partp8x8-partp4x4-partb8x8"), "partitions=none");
  EXPECT_EQ(Settings("me_method", "hex"), "motion-est=hex");
  EXPECT_EQ(Settings("me_method", "epzs"), "motion-est=dia");
  EXPECT_EQ(Settings("flags2", "-bpyramid-wpred-mixed_refs-dct8x8+fastpskip+mbtree"),
            "b-pyramid=none weightb=0 mixed-refs=0 8x8dct=0 fast-pskip=1 mbtree=1");
  EXPECT_EQ(Settings("directpred", "3"), "direct-pred=auto");
  EXPECT_EQ(Settings("wpredp", "2"), "weightp=2");
  EXPECT_EQ(Settings("cqp", "0"), "qp=0");
  EXPECT_EQ(Settings("coder", "1"), "coder=ac");
  EXPECT_EQ(Settings("coder", "0"), "coder=vlc");
  EXPECT_EQ(Settings("g", "250"), "g=250");
}

TEST(LegacyOptions, FlagsThatMovedOrVanished) {
  EXPECT_EQ(Settings("flags", "+loop"), "");
  EXPECT_EQ(Settings("flags", "+loop+qscale"), "flags=+qscale");
  EXPECT_EQ(Settings("flags", "+scan_offset", "mpeg2video"), "scan_offset=1");
  EXPECT_EQ(Settings("flags", "bitexact"), "flags=+bitexact fflags=+bitexact");
  // Without libx264 the x264-only names have nothing to go to.
  EXPECT_EQ(Settings("partitions", "+parti8x8", "mpeg4"), "");
  EXPECT_EQ(Settings("flags2", "+local_header", "mpeg4"), "flags2=+local_header");
  QStringList notes;
  TranslateLegacyOption("flags", "+loop", nullptr, notes);
  ASSERT_EQ(notes.size(), 1);
  EXPECT_TRUE(notes[0].contains("loop"));
}

TEST(LegacyOptions, TheVideoBitrateStaysWithVideo) {
  TAVConverter c;
  c.OutputFiles() << "/tmp/never-written.mp4";
  EXPECT_EQ(c.SetCodecOption("b", "500000"), 0);
  auto audio = media::CodecContextPtr(avcodec_alloc_context3(avcodec_find_encoder_by_name("aac")));
  const int64_t audioDefault = audio->bit_rate;
  c.ApplyStoredOptions(audio.get(), osAudio, AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_EQ(audio->bit_rate, audioDefault);
}

TEST(LegacyOptions, TheBasicH264PresetReachesTheEncoder) {
  MediaSpec spec;
  spec.videoCodec = "mpeg4";
  spec.audioCodec = "mp2";
  spec.seconds = 1;
  const QString target = Target("x264.mp4");
  TAVConverter c;
  c.InputFiles() << MediaFixture(spec);
  c.OutputFiles() << target;
  TAVConvertOptions& o = c.ConvertOptions();
  o.VideoOptions().SetEncoderVideoCodecName("libx264");
  o.AudioOptions().SetEncoderAudioCodecName("libfaac");
  for (const char* option :
       {"coder=1", "flags=+loop", "cmp=+chroma", "partitions=+parti8x8+parti4x4+partp8x8+partb8x8", "me_method=hex",
        "subq=7", "me_range=16", "g=250", "keyint_min=25", "sc_threshold=40", "i_qfactor=0.71", "b_strategy=1",
        "qcomp=0.6", "qmin=10", "qmax=51", "qdiff=4", "bf=3", "refs=3", "directpred=1", "trellis=1",
        "flags2=+mixed_refs+wpred+dct8x8+fastpskip+mbtree", "wpredp=2"}) {
    const QStringList kv = QString::fromLatin1(option).split('=');
    o.SetAdvancedOption(kv[0], kv.mid(1).join('='));
  }
  const TConversionResult r = RunConversion(c);
  ASSERT_TRUE(r.Succeeded()) << r.errorBoxes.join('|').toStdString();
  const QString x264 = X264Settings(target);
  for (const char* setting : {"cabac=1", "ref=3", "me=hex", "subme=7", "analyse=0x3:0x113", "me_range=16",
                              "chroma_me=1", "trellis=1", "8x8dct=1", "bframes=3", "b_adapt=1", "direct=1",
                              "weightb=1", "weightp=2", "keyint=250", "keyint_min=25", "scenecut=40", "mbtree=1",
                              "qcomp=0.60", "qpmin=10", "qpmax=51", "qpstep=4", "mixed_ref=1", "fast_pskip=1"})
    EXPECT_TRUE(x264.contains(QLatin1String(setting))) << setting << " not in " << x264.toStdString();
  EXPECT_TRUE(r.log.contains("Encoder libfaac is not available; using aac instead"));
  EXPECT_TRUE(r.log.contains("Option flags +loop has no effect any more (deblocking is always on)"));
  EXPECT_EQ(ProbeStream(target, "a:0", "codec_name"), "aac");
}

TEST(LegacyOptions, TheVcdOptionsReachEncoderAndMuxer) {
  MediaSpec spec;
  spec.seconds = 2;
  const QString target = Target("vcd.mpg");
  TAVConverter c;
  c.InputFiles() << MediaFixture(spec);
  c.OutputFiles() << target;
  TAVConvertOptions& o = c.ConvertOptions();
  o.VideoOptions().SetEncoderVideoCodecName("mpeg1video");
  o.AudioOptions().SetEncoderAudioCodecName("mp2");
  o.SetOutputFormat("vcd");
  o.VideoOptions().SetFrameWidth(352);
  o.VideoOptions().SetFrameHeight(288);
  o.SetCodecOptions({"g=15"});
  o.VideoOptions().SetBitrate(1150000);
  o.AudioOptions().SetBitrate(224000);
  for (const auto& [k, v] : {std::pair{"maxrate", "1150000"}, {"minrate", "1150000"}, {"bufsize", "327680"},
                             {"packetsize", "2324"}, {"muxrate", "1411200"}})
    o.SetAdvancedOption(k, v);
  o.AudioOptions().SetAudioSampleRate(44100);
  o.AudioOptions().SetAudioChannels(2);
  o.MuxerOptions().SetMuxPreload(0.44f);
  const TConversionResult r = RunConversion(c);
  ASSERT_TRUE(r.Succeeded()) << r.errorBoxes.join('|').toStdString();
  EXPECT_EQ(ProbeStream(target, "v:0", "codec_name"), "mpeg1video");
  EXPECT_EQ(ProbeStream(target, "v:0", "bit_rate"), "1150000");
  EXPECT_EQ(ProbeStream(target, "a:0", "bit_rate"), "224000");
  EXPECT_EQ(ProbeStream(target, "v:0", "width"), "352");
  // Every pack of the VCD stream is one 2324-byte sector.
  QFile f(target);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray data = f.readAll();
  EXPECT_EQ(data.size() % 2324, 0);
  for (qsizetype at = 0; at < data.size(); at += 2324) ASSERT_TRUE(data.mid(at, 4) == QByteArray("\0\0\1\xba", 4)) << at;
  // The MPEG-1 pack header carries the mux rate in units of 50 bytes/s.
  const auto* pack = reinterpret_cast<const uint8_t*>(data.constData());
  const int muxRate = ((pack[9] & 0x7f) << 15) | (pack[10] << 7) | (pack[11] >> 1);
  EXPECT_EQ(muxRate * 50 * 8, 1411200);
}

TEST(LegacyOptions, TheSvcdScanOffsetReachesTheMpeg2Encoder) {
  TAVConverter c;
  c.ConvertOptions().VideoOptions().SetEncoderVideoCodecName("mpeg2video");
  EXPECT_EQ(c.SetCodecOption("flags", "+scan_offset"), 0);
  auto enc = media::CodecContextPtr(avcodec_alloc_context3(avcodec_find_encoder_by_name("mpeg2video")));
  c.ApplyStoredOptions(enc.get(), osVideo, AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  int64_t scanOffset = 0;
  ASSERT_GE(av_opt_get_int(enc->priv_data, "scan_offset", 0, &scanOffset), 0);
  EXPECT_EQ(scanOffset, 1);
}
