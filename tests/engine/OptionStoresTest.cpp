#include <gtest/gtest.h>

extern "C" {
#include <libavutil/opt.h>
}

#include "engine/AVConverter.h"
#include "support/TestSupport.h"

using testing_support::TakeErrorBoxes;

namespace {

media::CodecContextPtr EncoderContext(const char* name) {
  return media::CodecContextPtr(avcodec_alloc_context3(avcodec_find_encoder_by_name(name)));
}

std::string PrivateOption(AVCodecContext* ctx, const char* name) {
  uint8_t* value = nullptr;
  if (av_opt_get(ctx, name, AV_OPT_SEARCH_CHILDREN, &value) < 0) return "<none>";
  std::string text(reinterpret_cast<char*>(value));
  av_free(value);
  return text;
}

class OptionStores : public ::testing::Test {
 protected:
  void SetUp() override { TakeErrorBoxes(); }
  TAVConverter converter;
};

}  // namespace

TEST_F(OptionStores, AGenericCodecOptionReachesTheEncodersOfItsMediaTypes) {
  EXPECT_EQ(converter.SetCodecOption("maxrate", "1500000"), 0);
  EXPECT_EQ(converter.SetCodecOption("g", "12"), 0);
  EXPECT_EQ(converter.OptNames(), (QStringList{"maxrate", "g"}));

  auto video = EncoderContext("mpeg4");
  converter.ApplyStoredOptions(video.get(), osVideo, AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_EQ(video->rc_max_rate, 1500000);
  EXPECT_EQ(video->gop_size, 12);

  // "maxrate" is an audio option too; "g" is not.
  auto audio = EncoderContext("mp2");
  const int defaultGop = audio->gop_size;
  converter.ApplyStoredOptions(audio.get(), osAudio, AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_EQ(audio->rc_max_rate, 1500000);
  EXPECT_EQ(audio->gop_size, defaultGop);
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
}

TEST_F(OptionStores, AnEncoderKeepsItsOwnDefaultsForOptionsNobodySet) {
  // "ab" is an audio-only bitrate; libx264's own default bitrate must survive.
  EXPECT_EQ(converter.SetCodecOption("ab", "128000"), 0);
  EXPECT_EQ(converter.OptNames(), QStringList{"ab"});
  auto video = EncoderContext("libx264");
  const int64_t x264Default = video->bit_rate;
  converter.ApplyStoredOptions(video.get(), osVideo, AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_EQ(video->bit_rate, x264Default);
  auto audio = EncoderContext("mp2");
  converter.ApplyStoredOptions(audio.get(), osAudio, AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_EQ(audio->bit_rate, 128000);
}

TEST_F(OptionStores, UnknownNamesFailQuietlyAndBadValuesSayInvalidValue) {
  EXPECT_EQ(converter.SetCodecOption("nosuchoption", "1"), -1);
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
  EXPECT_EQ(converter.SetCodecOption("maxrate", "lots"), -1);
  EXPECT_EQ(TakeErrorBoxes(), QStringList{"Invalid value for Option!"});
  EXPECT_TRUE(converter.OptNames().isEmpty());
}

TEST_F(OptionStores, ANameWithALeadingMediaLetterIsRetriedWithoutIt) {
  EXPECT_EQ(converter.SetCodecOption("vqmin", "3"), 0);
  EXPECT_EQ(converter.OptNames(), QStringList{"qmin"});
  auto video = EncoderContext("mpeg4");
  converter.ApplyStoredOptions(video.get(), osVideo, AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_EQ(video->qmin, 3);
  // Only the store of that letter got it.
  auto audio = EncoderContext("mp2");
  const int audioQmin = audio->qmin;
  converter.ApplyStoredOptions(audio.get(), osAudio, AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_EQ(audio->qmin, audioQmin);
  EXPECT_EQ(converter.SetCodecOption("xqmin", "3"), -1);
}

TEST_F(OptionStores, NamesAreRecordedEveryTimeTheyAreSet) {
  converter.SetCodecOption("g", "10");
  converter.SetCodecOption("g", "15");
  EXPECT_EQ(converter.OptNames(), (QStringList{"g", "g"}));
  auto video = EncoderContext("mpeg4");
  converter.ApplyStoredOptions(video.get(), osVideo, AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_EQ(video->gop_size, 15);
}

TEST_F(OptionStores, FlagsOptionsAddAndRemoveBits) {
  EXPECT_EQ(converter.SetCodecOption("flags", "+qscale+gray"), 0);
  EXPECT_EQ(converter.SetCodecOption("flags", "-gray"), 0);
  auto video = EncoderContext("mpeg4");
  converter.ApplyStoredOptions(video.get(), osVideo, AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_TRUE(video->flags & AV_CODEC_FLAG_QSCALE);
  EXPECT_FALSE(video->flags & AV_CODEC_FLAG_GRAY);
}

TEST_F(OptionStores, PrivateOptionsOfTheChosenEncoderAreStoredAndApplied) {
  converter.ConvertOptions().VideoOptions().SetEncoderVideoCodecName("libx264");
  EXPECT_EQ(converter.SetCodecOption("preset", "veryfast"), 0);
  EXPECT_EQ(converter.SetCodecOption("crf", "23.5"), 0);
  EXPECT_EQ(converter.SetCodecOption("crf", "soft"), -1);
  EXPECT_EQ(TakeErrorBoxes(), QStringList{"Invalid value for Option!"});
  auto video = EncoderContext("libx264");
  converter.ApplyStoredOptions(video.get(), osVideo, AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_EQ(PrivateOption(video.get(), "preset"), "veryfast");
  EXPECT_EQ(PrivateOption(video.get(), "crf"), "23.500000");
}

TEST_F(OptionStores, TheOutputFormatsDefaultEncoderTakesPrivateOptions) {
  converter.OutputFiles() << "/tmp/never-written.mp4";  // mp4 defaults to libx264
  EXPECT_EQ(converter.SetCodecOption("tune", "film"), 0);
  auto video = EncoderContext("libx264");
  converter.ApplyStoredOptions(video.get(), osVideo, AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_EQ(PrivateOption(video.get(), "tune"), "film");
}

TEST_F(OptionStores, ContainerOptionsGoToTheFormatStore) {
  converter.OutputFiles() << "/tmp/never-written.mpg";
  EXPECT_EQ(converter.SetCodecOption("packetsize", "2324"), 0);
  EXPECT_EQ(converter.SetCodecOption("muxrate", "1411200"), 0);  // the mpeg muxer's own option
  AVFormatContext* raw = nullptr;
  ASSERT_GE(avformat_alloc_output_context2(&raw, nullptr, "vcd", nullptr), 0);
  media::FormatContextPtr out(raw);
  converter.ApplyStoredOptions(out.get(), osFormat, AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_EQ(out->packet_size, 2324u);
  int64_t muxrate = 0;
  ASSERT_GE(av_opt_get_int(out.get(), "muxrate", AV_OPT_SEARCH_CHILDREN, &muxrate), 0);
  EXPECT_EQ(muxrate, 1411200);
  // Options meant for encoding do not reach a context asked for decoding ones.
  AVFormatContext* in = avformat_alloc_context();
  media::FormatContextPtr input(in);
  converter.ApplyStoredOptions(in, osFormat, AV_OPT_FLAG_DECODING_PARAM);
  EXPECT_NE(in->packet_size, 2324u);
}

TEST_F(OptionStores, ScalerOptionsGoToTheScalerStore) {
  EXPECT_EQ(converter.SetCodecOption("sws_flags", "lanczos"), 0);
  SwsContext* sws = sws_alloc_context();
  converter.ApplyStoredOptions(sws, osScaler, 0);
  int64_t flags = 0;
  av_opt_get_int(sws, "sws_flags", 0, &flags);
  EXPECT_EQ(flags, SWS_LANCZOS);
  sws_freeContext(sws);
}
