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

// Runs a tool (ffmpeg, ffprobe …) and returns its standard output; exitCode
// receives its exit status.
QString RunTool(const QString& program, const QStringList& args, int* exitCode = nullptr);

// ffprobe's value of one stream entry, e.g. ProbeStream(file, "v:0", "codec_name").
QString ProbeStream(const QString& file, const QString& stream, const QString& entry);
// ffprobe's value of one format entry, e.g. ProbeFormat(file, "duration").
QString ProbeFormat(const QString& file, const QString& entry);

}  // namespace testing_support
