// The XML object form: exact documents, round trips and the reader's rules.

#include <gtest/gtest.h>

#include <QFile>
#include <QLocale>
#include <clocale>

#include "support/TestSupport.h"
#include "tasks/ConversionSettings.h"
#include "tasks/OmniXML.h"
#include "tasks/XmlErrors.h"
#include "tasks/XmlValueText.h"

using namespace tasks;

namespace {

QString Xml(const TAVPersistent& o) { return TOmniXMLWriter::SaveToString(o); }

// The reader's error text for a document, or "" when it loads.
QString LoadError(TAVPersistent& o, const QString& text) {
  try {
    TOmniXMLReader::LoadFromString(o, text);
  } catch (const EXmlReadError& e) {
    return e.Message();
  }
  return {};
}

QString SettingsDocument(const QString& properties) {
  return QStringLiteral("<data PropFormat=\"node\"><TConversionSettings>") + properties +
         QStringLiteral("</TConversionSettings></data>");
}

// A class with the kinds the option classes do not use.
class TSample : public TAVPersistent {
 public:
  const char* ClassName() const override { return "TSample"; }
  const TPropList& Properties() const override {
    using C = TSample;
    using K = TPropKind;
    static const TPropList list{
        engine::Property("Letter", K::Char, &C::Letter, &C::SetLetter, int64_t('a')),
        engine::Property("Options", K::Set, &C::Options, &C::SetOptions, int64_t(0), {"soOne", "soTwo", "soThree"}),
        engine::Property("When", K::DateTime, &C::When, &C::SetWhen),
        engine::Property("Ratio", K::Single, &C::Ratio, &C::SetRatio),
        engine::Property("Enabled", K::Boolean, &C::Enabled, &C::SetEnabled, int64_t(true)),
        engine::Property("Name", K::String, &C::Name, &C::SetName),
    };
    return list;
  }
  QChar Letter() const { return FLetter; }
  int Options() const { return FOptions; }
  double When() const { return FWhen; }
  float Ratio() const { return FRatio; }
  bool Enabled() const { return FEnabled; }
  const QString& Name() const { return FName; }
  void SetLetter(QChar v) { FLetter = v; }
  void SetOptions(int v) { FOptions = v; }
  void SetWhen(double v) { FWhen = v; }
  void SetRatio(float v) { FRatio = v; }
  void SetEnabled(bool v) { FEnabled = v; }
  void SetName(const QString& v) { FName = v; }

 private:
  QChar FLetter = QLatin1Char('a');
  int FOptions = 0;
  double FWhen = 0;
  float FRatio = 0;
  bool FEnabled = true;
  QString FName;
};

const char* const DvdSettingsXml =
    "<data PropFormat=\"node\"><TConversionSettings>"
    "<SourceFile>stream:7</SourceFile><SourceType>stDvd</SourceType><DvdDriver>E</DvdDriver>"
    "<DvdTitle>3</DvdTitle><DvdChapter>2</DvdChapter><DvdThrough>5</DvdThrough><DvdAngle>1</DvdAngle>"
    "<DvdVolume>MOVIE</DvdVolume><TargetFile>/home/u/视频/movie.mpg</TargetFile>"
    "<Profile>DVD (PAL)</Profile><CategoryId>4</CategoryId><ConvertOptions>"
    "<AudioOptions><AudioChannels>2</AudioChannels><AudioSampleRate>48000</AudioSampleRate>"
    "<AudioVolume>256</AudioVolume><AudioSyncMethod>0</AudioSyncMethod><AudioDisable>0</AudioDisable>"
    "<AudioSampleFmt>sfS16</AudioSampleFmt><AudioStreamCopy>0</AudioStreamCopy>"
    "<EncoderAudioCodecName>ac3</EncoderAudioCodecName><AudioCodecTag>0</AudioCodecTag>"
    "<AudioQScale>-99999</AudioQScale><AudioDriftThreshold>0.100000001490116</AudioDriftThreshold>"
    "<Bitrate>448000</Bitrate></AudioOptions>"
    "<SubtitleOptions><SubtitleDisable>1</SubtitleDisable><SubtitleStreamCopy>0</SubtitleStreamCopy>"
    "<SubtitleCodecTag>0</SubtitleCodecTag></SubtitleOptions>"
    "<VideoOptions><FrameLeftBand>0</FrameLeftBand><FrameRightBand>0</FrameRightBand>"
    "<FrameTopBand>0</FrameTopBand><FrameBottomBand>0</FrameBottomBand><FrameWidth>720</FrameWidth>"
    "<FrameHeight>576</FrameHeight><EncoderVideoCodecName>mpeg2video</EncoderVideoCodecName>"
    "<VideoDisable>0</VideoDisable><VideoStreamCopy>0</VideoStreamCopy><VideoCodecTag>0</VideoCodecTag>"
    "<VideoGlobalHeader>0</VideoGlobalHeader><IntraOnly>0</IntraOnly><SameQuality>0</SameQuality>"
    "<VideoSyncMethod>-1</VideoSyncMethod><TopFieldFirst>-1</TopFieldFirst><ForceFPS>0</ForceFPS>"
    "<IntraMatrix Count=\"0\"/><InterMatrix Count=\"0\"/><FrameAspectRatio>1.33333337306976</FrameAspectRatio>"
    "<MeThreshold>0</MeThreshold><Deinterlace>0</Deinterlace><Pass>0</Pass>"
    "<MaxFrames>2147483647</MaxFrames><Bitrate>6000000</Bitrate></VideoOptions>"
    "<MuxerOptions><MuxPreload>0.5</MuxPreload><MuxMaxDelay>0.699999988079071</MuxMaxDelay>"
    "<AudioBitstreamFilters Count=\"0\"/><SubtitleBitstreamFilters Count=\"0\"/>"
    "<VideoBitstreamFilters Count=\"0\"/></MuxerOptions>"
    "<GrabOptions><VideoChannel>0</VideoChannel><InputSync>0</InputSync></GrabOptions>"
    "<FilterOptions><VideoFilters>drawtext=10#10#Tesvanor &amp; &lt;co&gt;</VideoFilters></FilterOptions>"
    "<MetaData Count=\"1\"><l0>title=电影</l0></MetaData>"
    "<CodecOptions Count=\"3\"><l0>maxrate=9000000</l0><l2>bufsize=1835008</l2></CodecOptions>"
    "<OutputFormat>dvd</OutputFormat><StartTime>2000000</StartTime><RecordingTime>60000000</RecordingTime>"
    "<ThreadCount>2</ThreadCount><StreamMaps Count=\"0\"/></ConvertOptions>"
    "<Duration>58.04</Duration><SourceFileSize>734003200</SourceFileSize>"
    "</TConversionSettings></data>";

void FillDvdSettings(TConversionSettings& s) {
  s.SetSourceFile("stream:7");
  s.SetSourceType(stDvd);
  s.SetDvdDriver("E");
  s.SetDvdTitle(3);
  s.SetDvdChapter(2);
  s.SetDvdThrough(5);
  s.SetDvdAngle(1);
  s.SetDvdVolume("MOVIE");
  s.SetTargetFile(QStringLiteral("/home/u/视频/movie.mpg"));
  s.SetProfile("DVD (PAL)");
  s.SetCategoryId(4);
  s.SetDuration(58.04);
  s.SetSourceFileSize(734003200);
  TAVConvertOptions& o = s.ConvertOptions();
  o.AudioOptions().SetAudioChannels(2);
  o.AudioOptions().SetAudioSampleRate(48000);
  o.AudioOptions().SetAudioSampleFmt(sfS16);
  o.AudioOptions().SetEncoderAudioCodecName("ac3");
  o.AudioOptions().SetBitrate(448000);
  o.SubtitleOptions().SetSubtitleDisable(true);
  o.VideoOptions().SetFrameWidth(720);
  o.VideoOptions().SetFrameHeight(576);
  o.VideoOptions().SetEncoderVideoCodecName("mpeg2video");
  o.VideoOptions().SetFrameAspectRatio(4.0f / 3.0f);
  o.VideoOptions().SetBitrate(6000000);
  o.FilterOptions().SetVideoFilters("drawtext=10#10#Tesvanor & <co>");
  o.SetMetaData({QStringLiteral("title=电影")});
  o.SetCodecOptions({"maxrate=9000000", "", "bufsize=1835008"});
  o.SetOutputFormat("dvd");
  o.SetStartTime(2000000);
  o.SetRecordingTime(60000000);
  o.SetThreadCount(2);
}

}  // namespace

TEST(XmlObjectForm, FileSourceSettingsIndentedDocument) {
  TConversionSettings s;
  s.SetSourceFile("/media/clip one.avi");
  s.SetTargetFile("/out/clip one.mp4");
  s.SetProfile("iPod <H.264>");
  s.ConvertOptions().VideoOptions().FrameRate().Setnum(30000);
  s.ConvertOptions().VideoOptions().FrameRate().Setden(1001);
  const QString expected = QStringLiteral(
      "<data PropFormat=\"node\">\r\n"
      "  <TConversionSettings>\r\n"
      "    <SourceFile>/media/clip one.avi</SourceFile>\r\n"
      "    <SourceType>stFile</SourceType>\r\n"
      "    <DvdTitle>0</DvdTitle>\r\n"
      "    <DvdChapter>0</DvdChapter>\r\n"
      "    <DvdThrough>0</DvdThrough>\r\n"
      "    <DvdAngle>0</DvdAngle>\r\n"
      "    <TargetFile>/out/clip one.mp4</TargetFile>\r\n"
      "    <Profile>iPod &lt;H.264&gt;</Profile>\r\n"
      "    <CategoryId>0</CategoryId>\r\n"
      "    <ConvertOptions>\r\n"
      "      <AudioOptions>\r\n"
      "        <AudioChannels>0</AudioChannels>\r\n"
      "        <AudioSampleRate>0</AudioSampleRate>\r\n"
      "        <AudioVolume>256</AudioVolume>\r\n"
      "        <AudioSyncMethod>0</AudioSyncMethod>\r\n"
      "        <AudioDisable>0</AudioDisable>\r\n"
      "        <AudioSampleFmt>sfAuto</AudioSampleFmt>\r\n"
      "        <AudioStreamCopy>0</AudioStreamCopy>\r\n"
      "        <AudioCodecTag>0</AudioCodecTag>\r\n"
      "        <AudioQScale>-99999</AudioQScale>\r\n"
      "        <AudioDriftThreshold>0.100000001490116</AudioDriftThreshold>\r\n"
      "        <Bitrate>0</Bitrate>\r\n"
      "      </AudioOptions>\r\n"
      "      <SubtitleOptions>\r\n"
      "        <SubtitleDisable>0</SubtitleDisable>\r\n"
      "        <SubtitleStreamCopy>0</SubtitleStreamCopy>\r\n"
      "        <SubtitleCodecTag>0</SubtitleCodecTag>\r\n"
      "      </SubtitleOptions>\r\n"
      "      <VideoOptions>\r\n"
      "        <FrameLeftBand>0</FrameLeftBand>\r\n"
      "        <FrameRightBand>0</FrameRightBand>\r\n"
      "        <FrameTopBand>0</FrameTopBand>\r\n"
      "        <FrameBottomBand>0</FrameBottomBand>\r\n"
      "        <FrameWidth>0</FrameWidth>\r\n"
      "        <FrameHeight>0</FrameHeight>\r\n"
      "        <VideoDisable>0</VideoDisable>\r\n"
      "        <VideoStreamCopy>0</VideoStreamCopy>\r\n"
      "        <VideoCodecTag>0</VideoCodecTag>\r\n"
      "        <VideoGlobalHeader>0</VideoGlobalHeader>\r\n"
      "        <IntraOnly>0</IntraOnly>\r\n"
      "        <SameQuality>0</SameQuality>\r\n"
      "        <VideoSyncMethod>-1</VideoSyncMethod>\r\n"
      "        <TopFieldFirst>-1</TopFieldFirst>\r\n"
      "        <ForceFPS>0</ForceFPS>\r\n"
      "        <IntraMatrix Count=\"0\"/>\r\n"
      "        <InterMatrix Count=\"0\"/>\r\n"
      "        <FrameRate>\r\n"
      "          <num>30000</num>\r\n"
      "          <den>1001</den>\r\n"
      "        </FrameRate>\r\n"
      "        <MeThreshold>0</MeThreshold>\r\n"
      "        <Deinterlace>0</Deinterlace>\r\n"
      "        <Pass>0</Pass>\r\n"
      "        <MaxFrames>2147483647</MaxFrames>\r\n"
      "        <Bitrate>0</Bitrate>\r\n"
      "      </VideoOptions>\r\n"
      "      <MuxerOptions>\r\n"
      "        <MuxPreload>0.5</MuxPreload>\r\n"
      "        <MuxMaxDelay>0.699999988079071</MuxMaxDelay>\r\n"
      "        <AudioBitstreamFilters Count=\"0\"/>\r\n"
      "        <SubtitleBitstreamFilters Count=\"0\"/>\r\n"
      "        <VideoBitstreamFilters Count=\"0\"/>\r\n"
      "      </MuxerOptions>\r\n"
      "      <GrabOptions>\r\n"
      "        <VideoChannel>0</VideoChannel>\r\n"
      "        <InputSync>0</InputSync>\r\n"
      "      </GrabOptions>\r\n"
      "      <MetaData Count=\"0\"/>\r\n"
      "      <CodecOptions Count=\"0\"/>\r\n"
      "      <RecordingTime>9223372036854775807</RecordingTime>\r\n"
      "      <StreamMaps Count=\"0\"/>\r\n"
      "    </ConvertOptions>\r\n"
      "  </TConversionSettings>\r\n"
      "</data>\r\n");
  EXPECT_EQ(TOmniXMLWriter::SaveToString(s, TPropFormat::pfNode, TOutputFormat::ofIndent), expected);
}

TEST(XmlObjectForm, DvdSourceSettingsCompactDocument) {
  TConversionSettings s;
  FillDvdSettings(s);
  EXPECT_EQ(Xml(s), QString::fromUtf8(DvdSettingsXml));
}

TEST(XmlObjectForm, RoundTripKeepsEveryValue) {
  TConversionSettings original;
  FillDvdSettings(original);
  TVideoOptions& v = original.ConvertOptions().VideoOptions();
  QStringList matrix;
  for (int i = 0; i < 64; ++i) matrix << QString::number(8 + i);
  v.SetIntraMatrix(matrix);
  v.SetVideoQscale(3.5f);
  v.SetVideoLanguage("chi");
  original.ConvertOptions().MuxerOptions().SetVideoBitstreamFilters({"h264_mp4toannexb"});
  original.ConvertOptions().SetStreamMaps({"0=1", "0=0"});
  original.ConvertOptions().AudioOptions().SetMaxFrames(100);
  original.ConvertOptions().VideoOptions().SetFrameRate(TRational());
  original.ConvertOptions().VideoOptions().FrameRate().Setnum(24);
  const QString text = Xml(original);

  TConversionSettings copy;
  TOmniXMLReader::LoadFromString(copy, text);
  EXPECT_EQ(Xml(copy), text);
  EXPECT_EQ(copy.ConvertOptions().VideoOptions().intra_matrix()[63], 71);
  EXPECT_EQ(copy.ConvertOptions().CodecOptions(), (QStringList{"maxrate=9000000", "", "bufsize=1835008"}));
  EXPECT_EQ(copy.ConvertOptions().VideoOptions().FrameRate().num(), 24);
  EXPECT_EQ(copy.ConvertOptions().VideoOptions().FrameRate().den(), 1);
  EXPECT_FLOAT_EQ(copy.ConvertOptions().VideoOptions().FrameAspectRatio(), 4.0f / 3.0f);
  EXPECT_EQ(copy.ConvertOptions().RecordingTime(), 60000000);
  EXPECT_EQ(copy.SourceFileSize(), 734003200);
  EXPECT_DOUBLE_EQ(copy.Duration(), 58.04);
  EXPECT_TRUE(testing_support::TakeErrorBoxes().isEmpty());
}

TEST(XmlObjectForm, UnfinishedTaskLeavesOutDurationAndSize) {
  TConversionSettings s;
  const QString text = Xml(s);
  EXPECT_FALSE(text.contains("Duration"));
  EXPECT_FALSE(text.contains("SourceFileSize"));
  EXPECT_FALSE(text.contains("DvdDriver"));
  EXPECT_FALSE(text.contains("DvdVolume"));
  EXPECT_FALSE(text.contains("ThreadCount")) << "declared default 1";
  EXPECT_FALSE(text.contains("\n"));

  TConversionSettings read;
  read.SetDuration(7);
  TOmniXMLReader::LoadFromString(read, text);
  EXPECT_EQ(read.Duration(), 0);
  EXPECT_EQ(read.SourceFileSize(), 0);
  EXPECT_EQ(read.ConvertOptions().ThreadCount(), 1);
}

TEST(XmlObjectForm, EmptyClassElementIsNotWritten) {
  TFilterOptions empty;
  EXPECT_EQ(Xml(empty), "<data PropFormat=\"node\"/>");
  TRational defaults;
  EXPECT_EQ(Xml(defaults), "<data PropFormat=\"node\"/>");
}

TEST(XmlObjectForm, ReaderIgnoresLetterCaseOrderAndUnknownElements) {
  TConversionSettings s;
  TOmniXMLReader::LoadFromString(
      s, "<data PropFormat=\"NODE\"><tconversionsettings><Unknown>1</Unknown><targetfile>/b.mp4</targetfile>"
         "<sourcefile>/a.avi</sourcefile><SOURCETYPE>stdvd</SOURCETYPE></tconversionsettings></data>");
  EXPECT_EQ(s.SourceFile(), "/a.avi");
  EXPECT_EQ(s.TargetFile(), "/b.mp4");
  EXPECT_EQ(s.SourceType(), stDvd);
}

TEST(XmlObjectForm, MissingPropFormatMeansNodeAndByteOrderMarkIsAccepted) {
  TConversionSettings s;
  TOmniXMLReader::LoadFromString(s, QChar(0xFEFF) + SettingsDocument("<SourceFile>x</SourceFile>").remove(" PropFormat=\"node\""));
  EXPECT_EQ(s.SourceFile(), "x");

  const QString file = testing_support::TemporaryFolder() + "/bom.xml";
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("\xEF\xBB\xBF" + SettingsDocument(QStringLiteral("<SourceFile>片</SourceFile>")).toUtf8());
  f.close();
  TConversionSettings fromFile;
  TOmniXMLReader::LoadFromFile(fromFile, file);
  EXPECT_EQ(fromFile.SourceFile(), QStringLiteral("片"));
}

TEST(XmlObjectForm, MissingIntegersTakeTheirDeclaredDefaultOrTheMarker) {
  TConversionSettings s;
  s.SetDvdTitle(3);
  s.ConvertOptions().SetThreadCount(4);
  s.ConvertOptions().SetStartTime(99);
  s.ConvertOptions().SetCodecOptions({"a=1"});
  TOmniXMLReader::LoadFromString(s, SettingsDocument("<SourceFile>a</SourceFile>"));
  EXPECT_EQ(s.DvdTitle(), -2147483647 - 1);
  EXPECT_EQ(s.ConvertOptions().ThreadCount(), 4) << "a missing object keeps its values";
  TOmniXMLReader::LoadFromString(s, SettingsDocument("<ConvertOptions/>"));
  EXPECT_EQ(s.ConvertOptions().ThreadCount(), 1);
  EXPECT_EQ(s.ConvertOptions().StartTime(), 99) << "a missing 64-bit value is left alone";
  EXPECT_TRUE(s.ConvertOptions().CodecOptions().isEmpty());
}

TEST(XmlObjectForm, StringListKeepsThePlaceOfEmptyLines) {
  TAVConvertOptions o;
  o.SetMetaData({"a", "", "b"});
  const QString text = Xml(o);
  EXPECT_TRUE(text.contains("<MetaData Count=\"3\"><l0>a</l0><l2>b</l2></MetaData>")) << text.toStdString();
  TAVConvertOptions read;
  TOmniXMLReader::LoadFromString(read, text);
  EXPECT_EQ(read.MetaData(), (QStringList{"a", "", "b"}));

  TOmniXMLReader::LoadFromString(read, "<data><TAVConvertOptions><MetaData Count=\"x\"><l0>a</l0></MetaData></TAVConvertOptions></data>");
  EXPECT_TRUE(read.MetaData().isEmpty()) << "a Count that is no number counts as 0";
}

TEST(XmlObjectForm, ReaderErrorTexts) {
  TConversionSettings s;
  EXPECT_EQ(LoadError(s, SettingsDocument("<DvdTitle>3x</DvdTitle>")), "Invalid integer value (3x).");
  EXPECT_EQ(LoadError(s, SettingsDocument("<ConvertOptions><AudioOptions><AudioDisable>true</AudioDisable>"
                                          "</AudioOptions></ConvertOptions>")),
            "Invalid boolean value (true).");
  EXPECT_EQ(LoadError(s, SettingsDocument("<SourceType>stTape</SourceType>")), "Invalid property element: stTape");
  EXPECT_EQ(LoadError(s, SettingsDocument("<SourceFileSize>12.5</SourceFileSize>")), "Invalid int64 value (12.5).");
  EXPECT_EQ(LoadError(s, "<data PropFormat=\"auto\"><TConversionSettings/></data>"), "Auto PropFormat not allowed here.");
  EXPECT_EQ(LoadError(s, SettingsDocument("<MetaData Count=\"2147483647\"/>").replace("<MetaData", "<ConvertOptions><MetaData").replace("/></TC", "/></ConvertOptions></TC")),
            "Invalid integer value (2147483647).");
  EXPECT_FALSE(LoadError(s, "<data><TConversionSettings>").isEmpty()) << "not well-formed";
  EXPECT_FALSE(LoadError(s, "").isEmpty());
  // A damaged document nesting without end fails instead of running the stack out.
  const QString deep = "<data>" + QString("<a>").repeated(100000) + QString("</a>").repeated(100000) + "</data>";
  EXPECT_TRUE(LoadError(s, deep).startsWith("Elements nested too deeply (line 1, column "));
}

TEST(XmlObjectForm, FailureKeepsWhatWasAssignedBefore) {
  TConversionSettings s;
  s.SetTargetFile("/old.mp4");
  EXPECT_EQ(LoadError(s, SettingsDocument("<SourceFile>/new.avi</SourceFile><DvdTitle>x</DvdTitle>"
                                          "<TargetFile>/new.mp4</TargetFile>")),
            "Invalid integer value (x).");
  EXPECT_EQ(s.SourceFile(), "/new.avi");
  EXPECT_EQ(s.TargetFile(), "/old.mp4");
}

TEST(XmlObjectForm, DocumentWithoutTheClassElementChangesNothing) {
  TConversionSettings s;
  s.SetSourceFile("/keep.avi");
  TOmniXMLReader::LoadFromString(s, "<data PropFormat=\"node\"><TAVConfiguration/></data>");
  EXPECT_EQ(s.SourceFile(), "/keep.avi");
}

TEST(XmlObjectForm, ValuesThatNeedEscapingSurviveTheRoundTrip) {
  TConversionSettings s;
  s.SetSourceFile("a&b<c>\"d'\te\r\nf\rg");
  s.ConvertOptions().SetMetaData({"comment=line1\r\nline2"});
  for (auto output : {TOutputFormat::ofNone, TOutputFormat::ofIndent}) {
    TConversionSettings read;
    TOmniXMLReader::LoadFromString(read, TOmniXMLWriter::SaveToString(s, TPropFormat::pfNode, output));
    EXPECT_EQ(read.SourceFile(), s.SourceFile());
    EXPECT_EQ(read.ConvertOptions().MetaData(), s.ConvertOptions().MetaData());
  }
}

TEST(XmlObjectForm, FloatsIgnoreTheLocale) {
  const char* previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous ? previous : "C";
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
  QLocale::setDefault(QLocale(QLocale::German));
  EXPECT_EQ(FloatText(0.5), "0.5");
  EXPECT_EQ(FloatText(double(0.1f)), "0.100000001490116");
  EXPECT_DOUBLE_EQ(ParseFloatText("0.25"), 0.25);
  QLocale::setDefault(QLocale::c());
  std::setlocale(LC_ALL, saved.c_str());

  EXPECT_EQ(FloatText(-99999), "-99999");
  EXPECT_EQ(FloatText(1e-6), "1E-6");
  EXPECT_EQ(FloatText(0.00001), "0.00001");
  EXPECT_EQ(FloatText(1.5e20), "1.5E20");
  EXPECT_EQ(FloatText(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatText(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(ParseFloatText("garbage"), 0);
  EXPECT_DOUBLE_EQ(ParseFloatText("1E-6"), 1e-6);
}

TEST(XmlObjectForm, CharacterSetAndDateTimeKinds) {
  TSample s;
  EXPECT_EQ(Xml(s), "<data PropFormat=\"node\"/>") << "all at their declared defaults or 0";
  s.SetLetter('Z');
  s.SetOptions(0b101);
  s.SetWhen(*ParseDateTimeText("2010-05-01T13:45:10.123"));
  s.SetRatio(0.1f);
  s.SetEnabled(false);
  const QString text = Xml(s);
  EXPECT_EQ(text, "<data PropFormat=\"node\"><TSample><Letter>Z</Letter><Options>[soOne,soThree]</Options>"
                  "<When>2010-05-01T13:45:10.123</When><Ratio>0.100000001490116</Ratio>"
                  "<Enabled>0</Enabled></TSample></data>");
  TSample read;
  TOmniXMLReader::LoadFromString(read, text);
  EXPECT_EQ(Xml(read), text);

  EXPECT_EQ(DateTimeText(*ParseDateTimeText("2010-05-01")), "2010-05-01");
  EXPECT_EQ(DateTimeText(*ParseDateTimeText("13:45:10.123")), "13:45:10.123");
  EXPECT_FALSE(ParseDateTimeText("2010-13-01"));
  EXPECT_FALSE(ParseDateTimeText("yesterday"));
  EXPECT_EQ(LoadError(read, "<data><TSample><When>soon</When></TSample></data>"), "Error in datetime property When");
  EXPECT_EQ(LoadError(read, "<data><TSample><Options>[soFour]</Options></TSample></data>"),
            "Invalid property element: soFour");
  TOmniXMLReader::LoadFromString(read, "<data><TSample/></data>");
  EXPECT_EQ(read.Letter(), QLatin1Char('a'));
  EXPECT_TRUE(read.Enabled());
  EXPECT_EQ(read.Options(), 0);
}

TEST(XmlObjectForm, AttributeFormatIsReadAndWritten) {
  TSample s;
  s.SetName("n \"q\"");
  s.SetLetter('b');
  const QString text = TOmniXMLWriter::SaveToString(s, TPropFormat::pfAttr);
  EXPECT_EQ(text, "<data PropFormat=\"attr\"><TSample Letter=\"b\" Name=\"n &quot;q&quot;\"/></data>");
  TSample read;
  TOmniXMLReader::LoadFromString(read, text);
  EXPECT_EQ(read.Name(), s.Name());
  EXPECT_EQ(read.Letter(), QLatin1Char('b'));

  TAVConvertOptions o;
  o.SetMetaData({"x", "", "y"});
  TAVConvertOptions back;
  TOmniXMLReader::LoadFromString(back, TOmniXMLWriter::SaveToString(o, TPropFormat::pfAttr));
  EXPECT_EQ(back.MetaData(), o.MetaData());
  EXPECT_EQ(back.RecordingTime(), o.RecordingTime());
}
