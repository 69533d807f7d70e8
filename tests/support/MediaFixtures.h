#pragma once
// Test media generated with the ffmpeg tool from its synthetic sources, into
// the build tree, once per build: the same description gives the same file.

#include <QString>
#include <QStringList>

namespace testing_support {

struct MediaSpec {
  double seconds = 2.0;
  // Video: an empty codec means no video stream.
  QString videoSource = QStringLiteral("testsrc2");
  QString videoCodec = QStringLiteral("mpeg4");
  int width = 320;
  int height = 240;
  QString rate = QStringLiteral("25");
  QString pixelFormat;  // empty: the encoder's choice
  // Audio: an empty codec means no audio stream.
  QString audioSource = QStringLiteral("sine");
  QString audioCodec = QStringLiteral("mp2");
  int sampleRate = 44100;
  int channels = 2;
  // File name extension, which also picks the container.
  QString container = QStringLiteral("avi");
  QStringList extraOutputArgs;
};

// Path of the generated file; fails the current test when ffmpeg cannot make it.
QString MediaFixture(const MediaSpec& spec);

// 1 s of Matroska with a video stream, a loud and a quiet audio track (440 Hz,
// mono, the quiet one at a twentieth) and one subtitle track.
QString TwoAudioTracksFixture();

// 1.2 s of pictures recorded in fields (50 a second woven into 25 pictures)
// at size, encoded with the arguments given; fields: the weaving filters
// (top field first and flagged so by default).
QString InterlacedFixture(const QStringList& encoding, const QString& size, const QString& container,
                          const QString& fields = QStringLiteral("tinterlace=interleave_top,setfield=tff"));

// A second of 720p HDR the way cameras store it: BT.2020 primaries, the PQ
// ("smpte2084") or HLG ("arib-std-b67") curve, SDR's white at HDR's diffuse
// white of 203 cd/m², in 10-bit HEVC with x265's extra parameters.
QString HdrFixture(const QString& transfer, const QString& x265 = QString());

// The mastering display and content light levels of an HDR10 clip, as x265 takes them.
inline const char* const Hdr10Levels =
    "hdr10=1:master-display=G(13250,34500)B(7500,3000)R(34000,16000)WP(15635,16450)L(10000000,50):max-cll=1000,400";

// An MPEG program stream (720x576, 3 s) with two DVD subtitle pictures,
// authored with spumux; stripTimestamps clears the subtitle packets' times.
QString BitmapSubtitledFixture(bool stripTimestamps = false);

// A fixture made by the ffmpeg tool from the given arguments (inputs, filters,
// codecs; everything but the output name), cached like MediaFixture.
QString FixtureFromArguments(const QStringList& args, const QString& extension);

// Runs a tool (ffmpeg, ffprobe …) and returns its standard output; exitCode
// receives its exit status.
QString RunTool(const QString& program, const QStringList& args, int* exitCode = nullptr);

// ffprobe's value of one stream entry, e.g. ProbeStream(file, "v:0", "codec_name").
QString ProbeStream(const QString& file, const QString& stream, const QString& entry);
// ffprobe's value of one format entry, e.g. ProbeFormat(file, "duration").
QString ProbeFormat(const QString& file, const QString& entry);

}  // namespace testing_support

namespace testing_support {

// Frame number index of a video file as 8-bit gray pixels, decoded by the
// ffmpeg tool (empty when there is no such frame).
QByteArray GrayFrame(const QString& file, int index, int* width = nullptr, int* height = nullptr);

// Peak signal-to-noise ratio of two gray pictures of the same size, in dB
// (100 for identical pictures, 0 when the sizes differ).
double Psnr(const QByteArray& a, const QByteArray& b);

// The root mean square of the first channel of the audio, as 16-bit samples
// decoded by the ffmpeg tool, between from and from + seconds.
double AudioRms(const QString& file, double from = 0, double seconds = 1);

// Sizes of the packets of one stream, in order ("v:0", "a:0").
QStringList PacketSizes(const QString& file, const QString& stream);

}  // namespace testing_support

namespace testing_support {

// Number of audio samples (per channel) of the first audio stream, decoded by the ffmpeg tool.
int64_t AudioSampleCount(const QString& file);

// One ffprobe entry of every packet of a stream, in order ("flags", "pts_time" …).
QStringList PacketEntries(const QString& file, const QString& stream, const QString& entry);

// The raw bytes of the first packet of a stream.
QByteArray FirstPacketData(const QString& file, const QString& stream);

}  // namespace testing_support
