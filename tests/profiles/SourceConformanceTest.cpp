// Every built-in profile against sources shaped like the files people have:
// containers, codecs, time bases from 1/1000 to 1/90000, sample rates from
// 8 kHz to 96 kHz, mono to 5.1, 10-bit and 4:4:4 pictures, turned phone
// clips, variable frame rates and streams that start late. Each result holds
// every stream the profile asks for, as long as the source's, starting where
// the source's starts, in a format the target plays; ffprobe is the judge.

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

#include "engine/ConversionSupport.h"
#include "profiles/BuiltInProfiles.h"
#include "profiles/CustomProfiles.h"
#include "profiles/ModernProfiles.h"
#include "profiles/ProfileExpectations.h"
#include "profiles/TargetProfiles.h"

using namespace testing_support;

namespace {

struct TSource {
  const char* name;
  QString args;  // the ffmpeg tool's inputs and codecs, split at spaces
  const char* extension;
  int rotation = 0;  // a display matrix written afterwards by a stream copy
};

QString Video(const char* rate = "25", const char* size = "320x240") {
  return QStringLiteral("-f lavfi -i testsrc2=size=%1:rate=%2:duration=2 ").arg(size, rate);
}
QString Audio(int rate) { return QStringLiteral("-f lavfi -i sine=sample_rate=%1:duration=2 ").arg(rate); }
QString Surround(int input) {
  return QStringLiteral("-filter_complex [%1:a]pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0[a] -map [a] ").arg(input);
}
const QString X265 = "-c:v libx265 -preset ultrafast -x265-params log-level=error ";
const QString Vpx = "-deadline realtime -cpu-used 8 ";

const TSource Sources[] = {
    {"Mp4H264Aac", Video() + Audio(44100) + "-c:v libx264 -c:a aac", "mp4"},
    {"MatroskaH264Aac", Video() + Audio(44100) + "-c:v libx264 -c:a aac", "mkv"},
    {"WebmVp9Opus", Video() + Audio(48000) + "-c:v libvpx-vp9 " + Vpx + "-c:a libopus", "webm"},
    {"WebmVp8Vorbis", Video() + Audio(44100) + "-c:v libvpx " + Vpx + "-c:a libvorbis", "webm"},
    {"MatroskaHevc10Ac3Surround", Video() + Audio(48000) + Surround(1) + "-map 0:v " + X265 +
                                      "-pix_fmt yuv420p10le -c:a ac3", "mkv"},
    {"Mp4HevcAac90k", Video() + Audio(48000) + X265 + "-tag:v hvc1 -c:a aac -video_track_timescale 90000", "mp4"},
    {"AviMpeg4Mp3Mono22k", Video() + Audio(22050) + "-c:v mpeg4 -c:a libmp3lame -ac 1", "avi"},
    {"AviMjpegPcmU8", Video() + Audio(11025) + "-c:v mjpeg -c:a pcm_u8 -ac 1", "avi"},
    {"TransportH264Mp2", Video() + Audio(48000) + "-c:v libx264 -c:a mp2", "ts"},
    {"ProgramMpeg2Ac3", Video("25", "352x288") + Audio(48000) + "-c:v mpeg2video -c:a ac3 -f vob", "mpg"},
    {"ProgramMpeg2Mp2", Video("25", "720x576") + Audio(44100) + "-c:v mpeg2video -c:a mp2", "mpg"},
    {"FlvH264Mp3", Video() + Audio(44100) + "-c:v libx264 -c:a libmp3lame", "flv"},
    {"FlvFlv1Mp3At11k", Video() + Audio(11025) + "-c:v flv -c:a libmp3lame", "flv"},
    {"OggTheoraVorbis", Video() + Audio(44100) + "-c:v libtheora -c:a libvorbis", "ogv"},
    {"AsfWmv2Wma", Video() + Audio(44100) + "-c:v wmv2 -c:a wmav2", "wmv"},
    {"AsfMsmpeg4WmaMono8k", Video() + Audio(8000) + "-c:v msmpeg4 -c:a wmav2 -ac 1", "asf"},
    {"PhoneMp4Turned90", Video("30") + Audio(48000) + "-c:v libx264 -c:a aac", "mp4", 90},
    {"PhoneMovTurned270", Video("30") + Audio(48000) + "-c:v libx264 -c:a aac", "mov", 270},
    {"CameraMovMjpegPcmNtsc", Video("30000/1001") + Audio(48000) + "-c:v mjpeg -c:a pcm_s16le", "mov", 180},
    {"MatroskaH264444Flac96k", Video() + Audio(96000) + "-c:v libx264 -pix_fmt yuv444p -c:a flac", "mkv"},
    {"MovH264422At10BitPcm24", Video() + Audio(48000) + "-c:v libx264 -pix_fmt yuv422p10le -c:a pcm_s24le", "mov"},
    {"Mp4VariableFrameRate", Video("30") + Audio(44100) + "-vf select=lt(mod(n\\,7)\\,4) -vsync vfr -c:v libx264 -c:a aac",
     "mp4"},
    {"Mp4AudioStartsLate", Video() + "-itsoffset 0.5 " + Audio(44100) + "-c:v libx264 -c:a aac", "mp4"},
    {"MatroskaVideoStartsLate", "-itsoffset 0.4 " + Video() + Audio(44100) + "-c:v libx264 -c:a libvorbis", "mkv"},
    {"WavPcmMono8k", Audio(8000) + "-c:a pcm_s16le -ac 1", "wav"},
    {"Mp3Stereo", Audio(44100) + "-c:a libmp3lame -ac 2", "mp3"},
    {"Flac96kAt24Bit", Audio(96000) + "-c:a flac -sample_fmt s32 -ac 2", "flac"},
    {"M4aAacSurround", Audio(48000) + Surround(0) + "-c:a aac", "m4a"},
    {"OggOpus", Audio(48000) + "-c:a libopus -ac 2", "opus"},
    {"OggVorbisMono32k", Audio(32000) + "-c:a libvorbis -ac 1", "ogg"},
    // A TV recording in fields, and a camera's HDR10 clip with its levels.
    {"InterlacedMpeg2Ts", Video("50", "720x576") + Audio(48000) +
                              "-vf tinterlace=interleave_top,setfield=tff -c:v mpeg2video -flags +ildct+ilme -top 1 "
                              "-c:a mp2",
     "ts"},
    {"Hdr10HevcInMatroska", Video("25", "640x360") + Audio(48000) +
                                "-vf format=yuv420p10le -c:v libx265 -preset ultrafast -x265-params "
                                "log-level=error:hdr10=1:max-cll=1000,400 -color_primaries bt2020 -color_trc smpte2084 "
                                "-colorspace bt2020nc -c:a aac",
     "mkv"},
};

QString SourceFile(const TSource& s) {
  QString file = FixtureFromArguments(s.args.split(' ', Qt::SkipEmptyParts), s.extension);
  if (s.rotation && !file.isEmpty())
    file = FixtureFromArguments({"-i", file, "-c", "copy", "-metadata:s:v:0", QStringLiteral("rotate=%1").arg(s.rotation)},
                                s.extension);
  return file;
}

// ------------------------------------------------------------------ spans

// Where one stream's data lies, in seconds, and its longest unit (a frame or
// an audio packet): the tolerance of "as long as".
struct TSpan {
  int units = 0;
  double start = 1e300, end = -1e300, longest = 0;
  double last = -1e300;  // the start of the latest unit without a duration (FLV pictures)
};

struct TSpans {
  TSpan video, audio;
  QJsonObject videoStream, audioStream;  // the first of each kind
  bool hasVideo = false, hasAudio = false;
  double containerStart = 1e300;
  // The start of the file's timeline: its earliest picture or sound of the
  // kinds asked for; with both, no later than the container's start.
  double Zero(bool pictures, bool sound) const {
    const double zero =
        std::min(pictures && video.units ? video.start : 1e300, sound && audio.units ? audio.start : 1e300);
    return pictures && sound ? std::min(zero, containerStart) : zero;
  }
};

void AddUnit(TSpan& span, const QJsonObject& unit, const char* time, const char* duration) {
  // Packets a player drops (an encoder's priming, cut by an edit list) are not shown.
  if (unit.value("flags").toString().contains('D')) return;
  bool timed = false;
  double t = unit.value(time).toString().toDouble(&timed);
  if (!timed) t = unit.value("dts_time").toString().toDouble(&timed);
  if (!timed) return;
  bool lasting = false;
  const double d = unit.value(duration).toString().toDouble(&lasting);
  ++span.units;
  span.start = std::min(span.start, t);
  span.end = std::max(span.end, t + d);
  span.longest = std::max(span.longest, d);
  if (!lasting) span.last = std::max(span.last, t);
}

// Units without a duration last as long as the average one.
void CompleteUntimedUnits(TSpan& span) {
  if (span.last < span.start || span.units < 2) return;
  const double average = (span.last - span.start) / (span.units - 1);
  span.longest = std::max(span.longest, average);
  span.end = std::max(span.end, span.last + average);
}

// The spans of the first video and audio stream: decoded frames when decode,
// packets otherwise.
TSpans Spans(const QString& file, bool decode) {
  const QString units = decode ? "frame=media_type,stream_index,best_effort_timestamp_time,pkt_duration_time"
                               : "packet=stream_index,pts_time,dts_time,duration_time,flags";
  const QString json = RunTool("ffprobe", {"-v", "error", "-show_entries",
                                           units + ":format=start_time:stream=index,codec_type,codec_name,width,height,pix_fmt,"
                                                   "sample_rate,channels,start_time,color_transfer",
                                           "-of", "json", decode ? "-show_frames" : "-show_packets", file});
  const QJsonObject root = QJsonDocument::fromJson(json.toUtf8()).object();
  TSpans s;
  int videoIndex = -1, audioIndex = -1;
  for (const QJsonValue& v : root.value("streams").toArray()) {
    const QJsonObject st = v.toObject();
    const QString kind = st.value("codec_type").toString();
    if (kind == "video" && videoIndex < 0) videoIndex = st.value("index").toInt(), s.videoStream = st, s.hasVideo = true;
    if (kind == "audio" && audioIndex < 0) audioIndex = st.value("index").toInt(), s.audioStream = st, s.hasAudio = true;
  }
  const char* time = decode ? "best_effort_timestamp_time" : "pts_time";
  const char* duration = decode ? "pkt_duration_time" : "duration_time";
  for (const QJsonValue& v : root.value(decode ? "frames" : "packets").toArray()) {
    const QJsonObject unit = v.toObject();
    const int index = unit.value("stream_index").toInt();
    if (index == videoIndex) AddUnit(s.video, unit, time, duration);
    if (index == audioIndex) AddUnit(s.audio, unit, time, duration);
  }
  CompleteUntimedUnits(s.video);
  CompleteUntimedUnits(s.audio);
  bool known = false;
  const double containerStart = root.value("format").toObject().value("start_time").toString().toDouble(&known);
  if (known) s.containerStart = containerStart;
  // An edit list may show only the end of a stream's first packet.
  for (auto [span, stream] : {std::pair{&s.video, &s.videoStream}, std::pair{&s.audio, &s.audioStream}})
    if (const double start = stream->value("start_time").toString().toDouble(&known); known && span->units)
      span->start = std::max(span->start, start);
  return s;
}

// ------------------------------------------------------------------ checks

// Codecs whose players take 8-bit 4:2:0 only.
bool PlayersWant420(const QString& codec) {
  static const QStringList codecs{"h264", "hevc", "mpeg4", "mpeg1video", "mpeg2video", "wmv2",
                                  "msmpeg4v3", "flv1", "h263", "rv20", "vp8", "vp9", "av1"};
  return codecs.contains(codec);
}

// Profiles whose container cannot be made without pictures.
bool NeedsPictures(const TAVProfile& p, const TExpected& want) {
  const QString c = p.ClassName();
  const auto* custom = dynamic_cast<const TAVCustomAudioProfile*>(&p);
  return want.images || want.video == "gif" || c == "TAVDvProfile" || c == "TAVDv50Profile" ||
         (custom && custom->Format() == F_PSP);
}

// A unit of each side, and one more of the output for an encoder's priming
// where the container keeps no edit list (MP3 in AVI).
double Tolerance(const TSpan& in, const TSpan& out) { return in.longest + 2 * out.longest + 0.02; }

// Complete: as long as the source's stream, and longer only by a start
// filled up to the beginning of the file's timeline (pictures repeated or
// silence for a stream that starts late) or, where the muxer keeps sound and
// pictures in lockstep (DV, SWF), by an end filled up to the other stream's.
void CheckLength(const char* kind, const TSpan& in, double inZero, double inEnd, const TSpan& out) {
  ASSERT_GT(out.units, 0) << kind << " stream holds no data";
  const double length = out.end - out.start;
  EXPECT_GE(length, in.end - in.start - Tolerance(in, out)) << kind << " is shorter than the source's";
  EXPECT_LE(length, inEnd - inZero + Tolerance(in, out)) << kind << " is longer than the source's";
}

// In step: the streams end as far apart as the source's (together in
// lockstep), and start no further apart (a late start may be filled).
void CheckInStep(const TSpans& in, const TSpans& out, bool lockstep) {
  const double tolerance = Tolerance(in.video, out.video) + Tolerance(in.audio, out.audio);
  const double sourceEndGap = lockstep ? 0 : in.video.end - in.audio.end;
  EXPECT_NEAR(out.video.end - out.audio.end, sourceEndGap, tolerance) << "the streams end apart";
  const double sourceGap = in.video.start - in.audio.start, gap = out.video.start - out.audio.start;
  EXPECT_LE(std::fabs(gap), std::fabs(sourceGap) + tolerance) << "the streams start further apart than the source's";
  if (std::fabs(gap) > tolerance) {
    EXPECT_GT(gap * sourceGap, 0) << "the later stream starts first";
  }
}

void CheckTimeline(const TSpans& in, const TSpans& out, const TExpected& want) {
  const bool lockstep = want.container == "dv" || want.container == "swf";
  const double inZero = in.Zero(out.hasVideo, out.hasAudio);
  const double bothEnd = std::max(out.hasVideo ? in.video.end : -1e300, out.hasAudio ? in.audio.end : -1e300);
  if (out.hasVideo) CheckLength("video", in.video, inZero, lockstep ? bothEnd : in.video.end, out.video);
  if (out.hasAudio) CheckLength("audio", in.audio, inZero, lockstep ? bothEnd : in.audio.end, out.audio);
  if (out.hasVideo && out.hasAudio) CheckInStep(in, out, lockstep);
}

void CheckFormats(const TSpans& in, const TSpans& out, const TExpected& want, int rotation) {
  if (out.hasVideo) {
    const QJsonObject& v = out.videoStream;
    const QString codec = v.value("codec_name").toString();
    EXPECT_EQ(codec, want.video);
    const QString format = v.value("pix_fmt").toString();
    // HDR stays HDR in 10-bit HEVC and AV1 (where 8-bit 4:2:0 is only the
    // players' choice), and becomes SDR anywhere else.
    const bool hdr = in.videoStream.value("color_transfer").toString() == "smpte2084";
    const bool keepsHdr = hdr && (codec == "hevc" || codec == "av1") &&
                          (want.pixelFormat.isEmpty() || want.pixelFormat == "yuv420p");
    if (keepsHdr) {
      EXPECT_EQ(format, "yuv420p10le");
    } else if (!want.pixelFormat.isEmpty()) {
      EXPECT_EQ(format, want.pixelFormat);
    } else if (PlayersWant420(codec)) {
      EXPECT_EQ(format, "yuv420p") << codec.toStdString();
    }
    if (hdr) {
      EXPECT_EQ(v.value("color_transfer").toString() == "smpte2084", keepsHdr) << codec.toStdString();
    }
    const bool quarter = rotation % 180 == 90;
    const QJsonObject& s = in.videoStream;
    int width = want.width ? want.width : s.value(quarter ? "height" : "width").toInt();
    int height = want.height ? want.height : s.value(quarter ? "width" : "height").toInt();
    if (want.maxHeight && height > want.maxHeight) {
      width = static_cast<int>(std::lrint(double(width) * want.maxHeight / height / 2)) * 2;
      height = want.maxHeight;
    }
    EXPECT_EQ(v.value("width").toInt(), width);
    EXPECT_EQ(v.value("height").toInt(), height);
  }
  if (out.hasAudio) {
    const QJsonObject& a = out.audioStream;
    EXPECT_EQ(a.value("codec_name").toString(), want.audio);
    if (want.sampleRate) {
      EXPECT_EQ(a.value("sample_rate").toString().toInt(), want.sampleRate);
    }
    const int sourceChannels = in.audioStream.value("channels").toInt();
    const int channels = want.maxChannels ? std::min(sourceChannels, want.maxChannels) : want.channels;
    if (channels) {
      EXPECT_EQ(a.value("channels").toInt(), channels);
    }
  }
}

// In the sanitizer build every eighth pair, a different eighth per source.
bool InSample(int source, int profile) {
#ifdef TESVANOR_MATRIX_SAMPLE
  return (source + profile) % TESVANOR_MATRIX_SAMPLE == 0;
#else
  (void)source, (void)profile;
  return true;
#endif
}

class SourceConformance : public ::testing::TestWithParam<int> {};

std::string NameOfSource(const ::testing::TestParamInfo<int>& info) { return Sources[info.param].name; }

}  // namespace

TEST_P(SourceConformance, EveryProfileKeepsEveryStreamWhole) {
  const TSource& source = Sources[GetParam()];
  const QString file = SourceFile(source);
  ASSERT_FALSE(file.isEmpty());
  const TSpans in = Spans(file, true);
  TComponent owner;
  auto* list = new TAVProfileList(&owner);
  CreateBuiltInProfiles(*list, &owner);
  CreateModernProfiles(*list, &owner, {});
  for (int i = 0; i < list->ProfileCount(); ++i) {
    if (!InSample(GetParam(), i)) continue;
    TAVProfile& profile = *list->Profiles(i);
    const TExpected want = Expected(profile);
    SCOPED_TRACE(QStringLiteral("profile %1 \"%2\"").arg(profile.Name(), profile.Description()).toStdString());
    const QDir folder(TemporaryFolder());
    const QString target = folder.filePath("out" + profile.Extension());
    TAVConverter c;
    ASSERT_TRUE(profile.ApplyProfile(c));
    c.SetDecoderThreadCount(i % 2 ? 2 : 1);  // decoding beside the loop, and on it
    c.InputFiles() << file;
    c.OutputFiles() << target;
    const TConversionResult r = RunConversion(c);
    if (!in.hasVideo && NeedsPictures(profile, want)) {
      EXPECT_FALSE(r.Succeeded()) << "a target made of pictures from a source without any";
      continue;
    }
    ASSERT_TRUE(r.Succeeded()) << r.errorBoxes.join('|').toStdString() << "\n" << r.log.join('\n').toStdString();
    if (want.images) {
      const QString suffix = profile.Extension().mid(3);  // after "%1d"
      EXPECT_GT(folder.entryList({"out*" + suffix}, QDir::Files).size(), 0) << "no numbered pictures";
      continue;
    }
    const TSpans out = Spans(target, false);
    EXPECT_EQ(out.hasVideo, in.hasVideo && !want.video.isEmpty());
    EXPECT_EQ(out.hasAudio, in.hasAudio && !want.audio.isEmpty());
    CheckTimeline(in, out, want);
    CheckFormats(in, out, want, source.rotation);
    QDir(folder).removeRecursively();
  }
}

INSTANTIATE_TEST_SUITE_P(Sources, SourceConformance, ::testing::Range(0, int(std::size(Sources))), NameOfSource);
