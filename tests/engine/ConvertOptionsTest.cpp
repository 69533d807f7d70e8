#include <gtest/gtest.h>

#include "engine/AVConvertOptions.h"
#include "engine/EngineError.h"
#include "support/TestSupport.h"

using testing_support::TakeErrorBoxes;

namespace {

QStringList Numbers(int count, int tenth = -1, const QString& tenthText = QString()) {
  QStringList list;
  for (int i = 0; i < count; ++i) list << (i == tenth ? tenthText : QString::number(i + 1));
  return list;
}

class ConvertOptions : public ::testing::Test {
 protected:
  void SetUp() override { TakeErrorBoxes(); }
};

}  // namespace

TEST_F(ConvertOptions, NewTreeHasTheDocumentedDefaults) {
  TAVConvertOptions o;
  EXPECT_EQ(o.RecordingTime(), 9223372036854775807LL);
  EXPECT_EQ(o.StartTime(), 0);
  EXPECT_EQ(o.ThreadCount(), 1);
  EXPECT_FLOAT_EQ(o.DtsDeltaThreshold(), 10.0f);
  EXPECT_EQ(o.SwsFlags(), 4);
  EXPECT_EQ(o.LoopOutput(), -1);
  EXPECT_EQ(o.MaxDataFrames(), 2147483647);
  EXPECT_TRUE(o.MetaData().isEmpty() && o.CodecOptions().isEmpty() && o.StreamMaps().isEmpty());
  EXPECT_TRUE(o.OutputFormat().isEmpty() && o.InputFormat().isEmpty());
  EXPECT_FALSE(o.PGMYUVCompatibilityHack() || o.LoopInput() || o.RateEmu() || o.DoPSNR() || o.ShortTest() ||
               o.CopyInitialNonkeyframes() || o.CopyTS());
  EXPECT_EQ(o.ProgramID() + o.AudioSize() + o.VideoSize() + o.RecTimestamp() + o.LimitFileSize() + o.InputTSOffset(),
            0);
  EXPECT_TRUE(o.InputTSScale().empty());

  const TAudioOptions& a = o.AudioOptions();
  EXPECT_EQ(a.AudioVolume(), 256);
  EXPECT_FLOAT_EQ(a.AudioQScale(), -99999.0f);
  EXPECT_FLOAT_EQ(a.AudioDriftThreshold(), 0.1f);
  EXPECT_EQ(a.MaxFrames(), 2147483647);
  EXPECT_EQ(a.AudioSampleFmt(), sfAuto);
  EXPECT_EQ(a.AudioChannels() + a.AudioSampleRate() + a.AudioSyncMethod() + a.AudioCodecTag() + a.Bitrate(), 0);
  EXPECT_FALSE(a.AudioDisable() || a.AudioStreamCopy());

  const TVideoOptions& v = o.VideoOptions();
  EXPECT_EQ(v.IntraDcPrecision(), 8);
  EXPECT_EQ(v.VideoSyncMethod(), -1);
  EXPECT_EQ(v.TopFieldFirst(), -1);
  EXPECT_EQ(v.FramePixFormat(), -1);
  EXPECT_EQ(v.FrameRate().num(), 25);
  EXPECT_EQ(v.FrameRate().den(), 1);
  EXPECT_EQ(v.MaxFrames(), 2147483647);
  EXPECT_EQ(v.FrameWidth() + v.FrameHeight() + v.FrameLeftBand() + v.FrameRightBand() + v.FrameTopBand() +
                v.FrameBottomBand() + v.Pass() + v.Bitrate() + v.MeThreshold() + v.VideoDiscard() +
                v.VideoGlobalHeader() + v.VideoCodecTag(),
            0);
  EXPECT_FLOAT_EQ(v.VideoQscale(), 0);
  EXPECT_FLOAT_EQ(v.FrameAspectRatio(), 0);
  EXPECT_TRUE(v.IntraMatrix().isEmpty() && v.InterMatrix().isEmpty());

  EXPECT_FLOAT_EQ(o.MuxerOptions().MuxPreload(), 0.5f);
  EXPECT_FLOAT_EQ(o.MuxerOptions().MuxMaxDelay(), 0.7f);
  EXPECT_TRUE(o.GrabOptions().VideoStandard().isEmpty());
  EXPECT_FALSE(o.GrabOptions().InputSync());
  EXPECT_TRUE(o.FilterOptions().VideoFilters().isEmpty());
  EXPECT_TRUE(o.SubtitleOptions().SubtitleCodecName().isEmpty());
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
}

TEST_F(ConvertOptions, SetAdvancedOptionKeepsOneEntryPerNameIgnoringCase) {
  TAVConvertOptions o;
  o.SetAdvancedOption("bufsize", "327680");
  o.SetAdvancedOption("bufsize", "327680");
  EXPECT_EQ(o.CodecOptions(), QStringList{"bufsize=327680"});
  o.SetAdvancedOption("BufSize", "1000");
  EXPECT_EQ(o.CodecOptions(), QStringList{"bufsize=1000"});
  o.SetAdvancedOption("maxrate", "2000");
  EXPECT_EQ(o.CodecOptions(), (QStringList{"bufsize=1000", "maxrate=2000"}));
}

TEST_F(ConvertOptions, PassAcceptsOnlyZeroOneAndTwo) {
  TVideoOptions v;
  for (int pass : {1, 2, 0}) {
    v.SetPass(pass);
    EXPECT_EQ(v.Pass(), pass);
  }
  v.SetPass(2);
  v.SetPass(3);
  v.SetPass(-1);
  EXPECT_EQ(v.Pass(), 2);
  EXPECT_EQ(TakeErrorBoxes(), (QStringList{"pass number can be only 0, 1 or 2", "pass number can be only 0, 1 or 2"}));
}

TEST_F(ConvertOptions, NegativeCropBandsAreRefusedWithTheirOwnMessage) {
  TVideoOptions v;
  v.SetFrameLeftBand(4);
  v.SetFrameRightBand(6);
  v.SetFrameTopBand(0);
  v.SetFrameBottomBand(2);
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
  v.SetFrameLeftBand(-1);
  v.SetFrameRightBand(-1);
  v.SetFrameTopBand(-1);
  v.SetFrameBottomBand(-1);
  EXPECT_EQ(TakeErrorBoxes(), (QStringList{"Incorrect left crop size", "Incorrect right crop size",
                                           "Incorrect top crop size", "Incorrect bottom crop size"}));
  EXPECT_EQ(v.FrameLeftBand(), 4);
  EXPECT_EQ(v.FrameRightBand(), 6);
  EXPECT_EQ(v.FrameTopBand(), 0);
  EXPECT_EQ(v.FrameBottomBand(), 2);
}

TEST_F(ConvertOptions, MatrixSettersValidateCountAndElements) {
  TVideoOptions v;
  const QStringList good = Numbers(64);
  v.SetIntraMatrix(good);
  EXPECT_EQ(v.IntraMatrix(), good);
  EXPECT_EQ(v.intra_matrix()[0], 1);
  EXPECT_EQ(v.intra_matrix()[63], 64);

  v.SetIntraMatrix(Numbers(63));
  EXPECT_EQ(TakeErrorBoxes(), QStringList{"matrix element count should be equal 64"});
  EXPECT_EQ(v.IntraMatrix(), good);

  v.SetIntraMatrix(Numbers(64, 9, "3.5"));
  v.SetInterMatrix(Numbers(64, 9, "x"));
  EXPECT_EQ(TakeErrorBoxes(), (QStringList{"Invalid matrix element", "Invalid matrix element"}));
  EXPECT_EQ(v.IntraMatrix(), good);
  EXPECT_TRUE(v.InterMatrix().isEmpty());

  // An empty list clears the list and keeps the parsed values.
  v.SetIntraMatrix({});
  EXPECT_TRUE(v.IntraMatrix().isEmpty());
  EXPECT_EQ(v.intra_matrix()[63], 64);

  // Values are kept as 16-bit numbers.
  QStringList wide = Numbers(64);
  wide[5] = "65537";
  v.SetInterMatrix(wide);
  EXPECT_EQ(v.inter_matrix()[5], 1);
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
}

TEST_F(ConvertOptions, AutoSampleFormatNeverOverwritesAChosenOne) {
  TAudioOptions a;
  a.SetAudioSampleFmt(sfS16);
  a.SetAudioSampleFmt(sfAuto);
  EXPECT_EQ(a.AudioSampleFmt(), sfS16);

  TAudioOptions autoSource;
  a.Assign(autoSource);
  EXPECT_EQ(a.AudioSampleFmt(), sfS16);
  EXPECT_EQ(LibrarySampleFormat(sfU8), 0);
  EXPECT_EQ(LibrarySampleFormat(sfDBL), 4);
  EXPECT_EQ(LibrarySampleFormat(sfAuto), -1);
}

TEST_F(ConvertOptions, AssignCopiesEveryPersistedValueDeeply) {
  TAVConvertOptions s;
  s.AudioOptions().SetAudioChannels(2);
  s.AudioOptions().SetAudioSampleRate(48000);
  s.AudioOptions().SetAudioVolume(200);
  s.AudioOptions().SetAudioSampleFmt(sfFLT);
  s.AudioOptions().SetEncoderAudioCodecName("libmp3lame");
  s.AudioOptions().SetAudioQScale(4.5f);
  s.AudioOptions().SetBitrate(128000);
  s.VideoOptions().SetFrameWidth(640);
  s.VideoOptions().SetFrameLeftBand(8);
  s.VideoOptions().SetEncoderVideoCodecName("libx264");
  s.VideoOptions().SetPass(1);
  s.VideoOptions().SetIntraMatrix(Numbers(64));
  s.VideoOptions().SetFramePixFormat(0);
  s.VideoOptions().SetVideoDiscard(8);
  s.VideoOptions().SetVideoRcOverrideString("0,100,2");
  TRational rate;
  rate.Setnum(30000);
  rate.Setden(1001);
  s.VideoOptions().SetFrameRate(rate);
  s.SubtitleOptions().SetSubtitleCodecName("dvdsub");
  s.MuxerOptions().SetMuxPreload(0.25f);
  s.MuxerOptions().SetVideoBitstreamFilters({"h264_mp4toannexb"});
  s.GrabOptions().SetVideoStandard("PAL");
  s.GrabOptions().SetInputSync(true);
  s.FilterOptions().SetVideoFilters("vflip");
  s.SetMetaData({"title=x"});
  s.SetCodecOptions({"g=12"});
  s.SetInputFormat("mpeg");
  s.SetOutputFormat("dvd");
  s.SetStartTime(2000000);
  s.SetRecordingTime(4000000);
  s.SetThreadCount(4);
  s.SetStreamMaps({"0=1", "0=0"});

  TAVConvertOptions t;
  t.Assign(s);
  EXPECT_EQ(t.AudioOptions().AudioChannels(), 2);
  EXPECT_EQ(t.AudioOptions().AudioSampleRate(), 48000);
  EXPECT_EQ(t.AudioOptions().AudioVolume(), 200);
  EXPECT_EQ(t.AudioOptions().AudioSampleFmt(), sfFLT);
  EXPECT_EQ(t.AudioOptions().EncoderAudioCodecName(), "libmp3lame");
  EXPECT_FLOAT_EQ(t.AudioOptions().AudioQScale(), 4.5f);
  EXPECT_EQ(t.AudioOptions().Bitrate(), 128000);
  EXPECT_EQ(t.VideoOptions().FrameWidth(), 640);
  EXPECT_EQ(t.VideoOptions().FrameLeftBand(), 8);
  EXPECT_EQ(t.VideoOptions().EncoderVideoCodecName(), "libx264");
  EXPECT_EQ(t.VideoOptions().Pass(), 1);
  EXPECT_EQ(t.VideoOptions().IntraMatrix(), Numbers(64));
  EXPECT_EQ(t.VideoOptions().intra_matrix()[10], 11);
  EXPECT_EQ(t.VideoOptions().FramePixFormat(), 0);
  EXPECT_EQ(t.VideoOptions().VideoDiscard(), 8);
  EXPECT_EQ(t.VideoOptions().VideoRcOverrideString(), "0,100,2");
  EXPECT_EQ(t.VideoOptions().FrameRate().num(), 30000);
  EXPECT_EQ(t.VideoOptions().FrameRate().den(), 1001);
  EXPECT_EQ(t.SubtitleOptions().SubtitleCodecName(), "dvdsub");
  EXPECT_FLOAT_EQ(t.MuxerOptions().MuxPreload(), 0.25f);
  EXPECT_EQ(t.MuxerOptions().VideoBitstreamFilters(), QStringList{"h264_mp4toannexb"});
  EXPECT_EQ(t.GrabOptions().VideoStandard(), "PAL");
  EXPECT_TRUE(t.GrabOptions().InputSync());
  EXPECT_EQ(t.FilterOptions().VideoFilters(), "vflip");
  EXPECT_EQ(t.MetaData(), QStringList{"title=x"});
  EXPECT_EQ(t.CodecOptions(), QStringList{"g=12"});
  EXPECT_EQ(t.InputFormat(), "mpeg");
  EXPECT_EQ(t.OutputFormat(), "dvd");
  EXPECT_EQ(t.StartTime(), 2000000);
  EXPECT_EQ(t.RecordingTime(), 4000000);
  EXPECT_EQ(t.ThreadCount(), 4);
  EXPECT_EQ(t.StreamMaps(), (QStringList{"0=1", "0=0"}));

  // Deep: changing the source afterwards leaves the copy alone.
  s.VideoOptions().FrameRate().Setnum(50);
  s.FilterOptions().SetVideoFilters("hflip");
  EXPECT_EQ(t.VideoOptions().FrameRate().num(), 30000);
  EXPECT_EQ(t.FilterOptions().VideoFilters(), "vflip");
  EXPECT_TRUE(TakeErrorBoxes().isEmpty());
}

TEST_F(ConvertOptions, AssignLeavesRuntimePropertiesOfTheTarget) {
  TAVConvertOptions s;
  s.SetProgramID(5);
  s.SetRateEmu(true);
  s.SetLimitFileSize(1000);
  s.SetSwsFlags(2);
  s.SetCopyTS(true);
  s.SetInputTSScale({{0, 1, 2.0}});
  s.AddAudioSize(10);

  TAVConvertOptions t;
  t.SetProgramID(7);
  t.Assign(s);
  EXPECT_EQ(t.ProgramID(), 7);
  EXPECT_FALSE(t.RateEmu());
  EXPECT_EQ(t.LimitFileSize(), 0);
  EXPECT_EQ(t.SwsFlags(), 4);
  EXPECT_FALSE(t.CopyTS());
  EXPECT_TRUE(t.InputTSScale().empty());
  EXPECT_EQ(t.AudioSize(), 0);
}

TEST_F(ConvertOptions, AssignFromAnotherClassIsAnError) {
  TAudioOptions a;
  TVideoOptions v;
  try {
    a.Assign(v);
    FAIL() << "no error";
  } catch (const EAVError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TVideoOptions to a TAudioOptions");
  }
}
