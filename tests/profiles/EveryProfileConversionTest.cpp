// Every built-in profile converts a short generated clip, and ffprobe finds
// in the result what the profile asks for: container, codecs, size, rate,
// audio format and, for bitrate-driven profiles, a bitrate near the target.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <cmath>

#include "engine/ConversionSupport.h"
#include "profiles/BuiltInProfiles.h"
#include "profiles/ProfileExpectations.h"

using namespace testing_support;

namespace {

constexpr int SourceWidth = 640;
constexpr int SourceHeight = 480;
constexpr int SourceRate = 25;
constexpr double SourceSeconds = 2.0;

MediaSpec SourceClip() {
  MediaSpec s;
  s.seconds = SourceSeconds;
  s.width = SourceWidth;
  s.height = SourceHeight;
  s.rate = QString::number(SourceRate);
  s.videoCodec = "mpeg4";
  s.audioCodec = "mp2";
  s.sampleRate = 44100;
  s.channels = 2;
  s.container = "avi";
  return s;
}

// ------------------------------------------------------------------ probing

struct TProbed {
  QJsonObject format;
  QJsonObject video;
  QJsonObject audio;
  qint64 videoBytes = 0;
  qint64 audioBytes = 0;
  double packetSpan = 0;  // first packet start to last packet end, for containers without a duration
  double Duration() const {
    const double d = format.value("duration").toString().toDouble();
    return d > 0 ? d : packetSpan;
  }
};

TProbed Probe(const QString& file) {
  const QString json = RunTool("ffprobe", {"-v", "error", "-show_entries",
                                           "format=format_name,duration:format_tags=major_brand:stream=index,"
                                           "codec_type,codec_name,width,height,pix_fmt,r_frame_rate,sample_rate,"
                                           "channels:packet=stream_index,size,pts_time,duration_time",
                                           "-of", "json", file});
  const QJsonObject root = QJsonDocument::fromJson(json.toUtf8()).object();
  TProbed p;
  p.format = root.value("format").toObject();
  QMap<int, QString> kinds;
  for (const QJsonValue& s : root.value("streams").toArray()) {
    const QJsonObject stream = s.toObject();
    const QString kind = stream.value("codec_type").toString();
    kinds.insert(stream.value("index").toInt(), kind);
    if (kind == "video" && p.video.isEmpty()) p.video = stream;
    if (kind == "audio" && p.audio.isEmpty()) p.audio = stream;
  }
  double first = 1e300, last = -1e300;
  for (const QJsonValue& v : root.value("packets").toArray()) {
    const QJsonObject packet = v.toObject();
    const qint64 size = packet.value("size").toString().toLongLong();
    bool timed = false;
    const double start = packet.value("pts_time").toString().toDouble(&timed);
    if (timed) {
      first = std::min(first, start);
      last = std::max(last, start + packet.value("duration_time").toString().toDouble());
    }
    const QString kind = kinds.value(packet.value("stream_index").toInt());
    if (kind == "video") p.videoBytes += size;
    if (kind == "audio") p.audioBytes += size;
  }
  if (last > first) p.packetSpan = last - first;
  return p;
}

double RateValue(const QString& fraction) {
  const QStringList parts = fraction.split('/');
  return parts.size() == 2 && parts[1].toDouble() != 0 ? parts[0].toDouble() / parts[1].toDouble() : 0;
}

void ExpectBitrate(const char* kind, qint64 bytes, double seconds, int target, double low, double high) {
  const double bits = seconds > 0 ? bytes * 8.0 / seconds : 0;
  EXPECT_GE(bits, target * low) << kind << " bitrate " << bits << " for a target of " << target;
  EXPECT_LE(bits, target * high) << kind << " bitrate " << bits << " for a target of " << target;
}

// MPEG program stream sectors: every packSize bytes a pack header.
void ExpectPacks(const QString& file, int packSize) {
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray data = f.readAll();
  ASSERT_FALSE(data.isEmpty());
  EXPECT_EQ(data.size() % packSize, 0) << "file size " << data.size() << " is not whole " << packSize << "-byte packs";
  for (qsizetype at = 0; at < data.size(); at += packSize)
    ASSERT_EQ(data.mid(at, 4), QByteArray("\0\0\1\xba", 4)) << "no pack header at " << at;
}

// The ffmpeg tool reads the whole file as the given format without a complaint.
void ExpectToolAccepts(const QString& file, const QString& format) {
  QProcess tool;
  tool.start("ffmpeg", {"-nostdin", "-v", "error", "-f", format, "-i", file, "-f", "null", "-"});
  ASSERT_TRUE(tool.waitForFinished(120000));
  EXPECT_EQ(tool.exitCode(), 0);
  EXPECT_EQ(QString::fromUtf8(tool.readAllStandardError()).trimmed(), "") << "ffmpeg -f " << format.toStdString();
}

void CheckVideo(const TProbed& p, const TExpected& want) {
  EXPECT_EQ(p.video.value("width").toInt(), want.width);
  EXPECT_EQ(p.video.value("height").toInt(), want.height);
  if (!want.pixelFormat.isEmpty()) {
    EXPECT_EQ(p.video.value("pix_fmt").toString(), want.pixelFormat);
  }
  if (want.images) return;  // a picture has no rate
  const QString rate = p.video.value("r_frame_rate").toString();
  EXPECT_NEAR(RateValue(rate), RateValue(want.rate), 0.01) << "frame rate " << rate.toStdString();
  if (want.videoBitrate) ExpectBitrate("video", p.videoBytes, p.Duration(), want.videoBitrate, 0.2, 3.0);
}

void CheckAudio(const TProbed& p, const TExpected& want) {
  if (want.sampleRate) {
    EXPECT_EQ(p.audio.value("sample_rate").toString().toInt(), want.sampleRate);
  }
  if (want.channels) {
    EXPECT_EQ(p.audio.value("channels").toInt(), want.channels);
  }
  if (want.audioBitrate) ExpectBitrate("audio", p.audioBytes, p.Duration(), want.audioBitrate, 0.7, 1.5);
}

class EveryProfile : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { CreateBuiltInProfiles(*FList, &FOwner); }
  TAVProfile& Profile() const { return *FList->Profiles(GetParam()); }

  TComponent FOwner;
  TAVProfileList* FList = new TAVProfileList(&FOwner);
};

std::string NameOfCase(const ::testing::TestParamInfo<int>& info) {
  TComponent owner;
  TAVProfileList list;
  CreateBuiltInProfiles(list, &owner);
  return list.Profiles(info.param)->Name().toStdString();
}

}  // namespace

TEST_P(EveryProfile, ConvertsToWhatItAsksFor) {
  TAVProfile& profile = Profile();
  const std::string label = QStringLiteral("%1 \"%2\"").arg(profile.Name(), profile.Description()).toStdString();
  TExpected want = Expected(profile);
  if (!want.width) want.width = SourceWidth;
  if (!want.height) want.height = SourceHeight;
  const QString source = MediaFixture(SourceClip());
  ASSERT_FALSE(source.isEmpty());
  const QDir folder(TemporaryFolder());
  const QString target = folder.filePath("out" + profile.Extension());

  TAVConverter c;
  ASSERT_TRUE(profile.ApplyProfile(c));
  c.SetDecoderThreadCount(2);  // as the program runs it: decoding beside the loop
  c.InputFiles() << source;
  c.OutputFiles() << target;
  const TConversionResult r = RunConversion(c);
  ASSERT_TRUE(r.Succeeded()) << label << ": " << r.errorMsg.toStdString() << " | "
                              << r.errorBoxes.join('|').toStdString() << "\n" << r.log.join('\n').toStdString();

  QString probed = target;
  if (want.images) {
    const QString suffix = profile.Extension().mid(3);  // after "%1d"
    probed = folder.filePath("out1" + suffix);
    ASSERT_TRUE(QFile::exists(probed)) << label << ": no numbered pictures";
    const auto pictures = folder.entryList({"out*" + suffix}, QDir::Files).size();
    EXPECT_NEAR(pictures, SourceSeconds * SourceRate, 1) << "pictures written";
  }

  const TProbed p = Probe(probed);
  EXPECT_EQ(p.format.value("format_name").toString(), want.container);
  if (!want.brand.isEmpty()) {
    EXPECT_EQ(p.format.value("tags").toObject().value("major_brand").toString(), want.brand);
  }
  EXPECT_EQ(p.video.value("codec_name").toString(), want.video);
  EXPECT_EQ(p.audio.value("codec_name").toString(), want.audio);
  if (!want.images) {
    EXPECT_NEAR(p.Duration(), SourceSeconds, 0.2);
  }
  if (!want.video.isEmpty()) CheckVideo(p, want);
  if (!want.audio.isEmpty()) CheckAudio(p, want);
  if (want.packSize) ExpectPacks(target, want.packSize);
  if (!want.toolFormat.isEmpty()) ExpectToolAccepts(target, want.toolFormat);
}

INSTANTIATE_TEST_SUITE_P(BuiltIn, EveryProfile, ::testing::Range(0, 71), NameOfCase);
