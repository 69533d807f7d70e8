#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <cmath>

namespace testing_support {

namespace {

QStringList FfmpegArguments(const MediaSpec& s, const QString& output) {
  QStringList args{"-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
  const QString duration = QString::number(s.seconds, 'g', 10);
  if (!s.videoCodec.isEmpty())
    args << "-f" << "lavfi" << "-i"
         << QStringLiteral("%1=size=%2x%3:rate=%4:duration=%5")
                .arg(s.videoSource).arg(s.width).arg(s.height).arg(s.rate, duration);
  if (!s.audioCodec.isEmpty())
    args << "-f" << "lavfi" << "-i"
         << QStringLiteral("%1=sample_rate=%2:duration=%3").arg(s.audioSource).arg(s.sampleRate).arg(duration);
  if (!s.videoCodec.isEmpty()) {
    args << "-c:v" << s.videoCodec;
    if (!s.pixelFormat.isEmpty()) args << "-pix_fmt" << s.pixelFormat;
  }
  if (!s.audioCodec.isEmpty()) args << "-c:a" << s.audioCodec << "-ac" << QString::number(s.channels);
  args << s.extraOutputArgs << output;
  return args;
}

}  // namespace

QString RunTool(const QString& program, const QStringList& args, int* exitCode) {
  QProcess p;
  p.setProcessChannelMode(QProcess::SeparateChannels);
  p.start(program, args);
  p.closeWriteChannel();
  p.waitForFinished(600000);
  if (exitCode) *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  return QString::fromUtf8(p.readAllStandardOutput());
}

QString FixtureFromArguments(const QStringList& args, const QString& extension) {
  const QDir dir(QStringLiteral(TESVANOR_FIXTURE_DIR));
  dir.mkpath(QStringLiteral("."));
  const QByteArray key =
      QCryptographicHash::hash(args.join(QChar(0)).toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  const QString path = dir.filePath(QString::fromLatin1(key) + QLatin1Char('.') + extension);
  if (QFile::exists(path)) return path;

  // Written under a private name first: parallel test processes may race for
  // the same fixture, and a reader must never see half a file.
  const QString partial = path + QStringLiteral(".part%1.").arg(QCoreApplication::applicationPid()) + extension;
  int exitCode = -1;
  RunTool(QStringLiteral("ffmpeg"), QStringList{"-nostdin", "-hide_banner", "-loglevel", "error", "-y"} << args << partial,
          &exitCode);
  if (exitCode != 0 || !QFile::rename(partial, path)) {
    QFile::remove(partial);
    if (!QFile::exists(path)) {
      ADD_FAILURE() << "ffmpeg could not make the fixture " << args.join(' ').toStdString();
      return QString();
    }
  }
  return path;
}

QString MediaFixture(const MediaSpec& spec) {
  QStringList args = FfmpegArguments(spec, QString());
  args.removeLast();  // the output name
  return FixtureFromArguments(args.mid(5), spec.container);
}

QString TwoAudioTracksFixture() {
  const QByteArray srt = QByteArray("1\n00:00:00,000 --> 00:00:01,000\nHello\n\n").toBase64();
  return FixtureFromArguments({"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25:duration=1", "-f", "lavfi", "-i",
                               "sine=frequency=440:sample_rate=44100:duration=1", "-f", "lavfi", "-i",
                               "sine=frequency=440:sample_rate=44100:duration=1,volume=0.05", "-f", "srt", "-i",
                               "data:text/plain;base64," + QString::fromLatin1(srt), "-map", "0", "-map", "1", "-map",
                               "2", "-map", "3", "-c:v", "mpeg4", "-c:a", "mp2", "-c:s", "srt"},
                              QStringLiteral("mkv"));
}

QString ProbeStream(const QString& file, const QString& stream, const QString& entry) {
  // Transport streams list their streams twice (in their program and on their own).
  return RunTool(QStringLiteral("ffprobe"), {"-v", "error", "-select_streams", stream, "-show_entries",
                                             "stream=" + entry, "-of", "default=nw=1:nk=1", file})
      .section(QLatin1Char('\n'), 0, 0)
      .trimmed();
}

QString ProbeFormat(const QString& file, const QString& entry) {
  return RunTool(QStringLiteral("ffprobe"),
                 {"-v", "error", "-show_entries", "format=" + entry, "-of", "default=nw=1:nk=1", file})
      .trimmed();
}

}  // namespace testing_support

namespace testing_support {

QByteArray GrayFrame(const QString& file, int index, int* width, int* height) {
  const QStringList size = RunTool(QStringLiteral("ffprobe"), {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                                               "stream=width,height", "-of", "csv=p=0", file})
                               .trimmed()
                               .split(',');
  if (width) *width = size.value(0).toInt();
  if (height) *height = size.value(1).toInt();
  QProcess p;
  p.start(QStringLiteral("ffmpeg"), {"-nostdin", "-v", "error", "-i", file, "-vf",
                                     QStringLiteral("select=eq(n\\,%1)").arg(index), "-frames:v", "1", "-f",
                                     "rawvideo", "-pix_fmt", "gray", "-"});
  p.waitForFinished(120000);
  return p.readAllStandardOutput();
}

double Psnr(const QByteArray& a, const QByteArray& b) {
  if (a.size() != b.size() || a.isEmpty()) return 0;
  double squares = 0;
  for (qsizetype i = 0; i < a.size(); ++i) {
    const double d = double(uint8_t(a[i])) - double(uint8_t(b[i]));
    squares += d * d;
  }
  if (squares == 0) return 100;
  return 10 * std::log10(255.0 * 255.0 / (squares / a.size()));
}

double AudioRms(const QString& file, double from, double seconds) {
  QProcess p;
  p.start(QStringLiteral("ffmpeg"), {"-nostdin", "-v", "error", "-ss", QString::number(from), "-t",
                                     QString::number(seconds), "-i", file, "-map", "0:a:0", "-ac", "1", "-f", "s16le",
                                     "-acodec", "pcm_s16le", "-"});
  p.waitForFinished(120000);
  const QByteArray raw = p.readAllStandardOutput();
  const auto* s = reinterpret_cast<const int16_t*>(raw.constData());
  const qsizetype n = raw.size() / 2;
  if (n == 0) return 0;
  double sum = 0;
  for (qsizetype i = 0; i < n; ++i) sum += double(s[i]) * s[i];
  return std::sqrt(sum / n);
}


}  // namespace testing_support

namespace testing_support {

int64_t AudioSampleCount(const QString& file) {
  QProcess p;
  p.start(QStringLiteral("ffmpeg"),
          {"-nostdin", "-v", "error", "-i", file, "-map", "0:a:0", "-ac", "1", "-f", "s16le", "-acodec", "pcm_s16le", "-"});
  p.waitForFinished(120000);
  return p.readAllStandardOutput().size() / 2;
}

QStringList PacketEntries(const QString& file, const QString& stream, const QString& entry) {
  // Packets with side data get a trailing field and an empty line of their own.
  QStringList values;
  for (const QString& line : RunTool(QStringLiteral("ffprobe"), {"-v", "error", "-select_streams", stream,
                                                                  "-show_entries", "packet=" + entry, "-of", "csv=p=0",
                                                                  file})
                                 .split('\n', Qt::SkipEmptyParts))
    values << line.section(QLatin1Char(','), 0, 0);
  return values;
}

QStringList PacketSizes(const QString& file, const QString& stream) { return PacketEntries(file, stream, "size"); }

QByteArray FirstPacketData(const QString& file, const QString& stream) {
  QProcess p;
  p.start(QStringLiteral("ffmpeg"), {"-nostdin", "-v", "error", "-i", file, "-map", "0:" + stream, "-c", "copy",
                                     "-frames", "1", "-f", "data", "-"});
  p.waitForFinished(120000);
  return p.readAllStandardOutput();
}

// An MPEG program stream with DVD subtitle pictures, authored with spumux.
QString BitmapSubtitledFixture(bool stripTimestamps) {
  const QDir dir(QStringLiteral(TESVANOR_FIXTURE_DIR));
  const QString picture = dir.filePath("subpicture.png");
  const QString xml = dir.filePath("subpicture.xml");
  const QString plain = FixtureFromArguments({"-f", "lavfi", "-i", "testsrc2=size=720x576:rate=25:duration=3", "-f",
                                              "lavfi", "-i", "sine=sample_rate=48000:duration=3", "-c:v", "mpeg2video",
                                              "-c:a", "mp2", "-f", "vob"},
                                             "vob");
  const QString authored = dir.filePath(stripTimestamps ? "subtitled-nopts.vob" : "subtitled.vob");
  if (QFile::exists(authored)) return authored;
  int exit = -1;
  // Two colours only, the black one transparent: what subtitle pictures may hold.
  RunTool("ffmpeg", {"-v", "error", "-y", "-f", "lavfi", "-i",
                     "color=c=black:s=720x576,drawbox=x=100:y=400:w=300:h=60:color=white:t=fill,format=rgb24",
                     "-frames:v", "1", picture},
          &exit);
  QFile x(xml);
  x.open(QIODevice::WriteOnly);
  x.write(QStringLiteral("<subpictures><stream>"
                         "<spu start=\"00:00:00.50\" end=\"00:00:01.50\" image=\"%1\" transparent=\"000000\"/>"
                         "<spu start=\"00:00:02.00\" end=\"00:00:02.60\" image=\"%1\" transparent=\"000000\"/>"
                         "</stream></subpictures>")
              .arg(picture)
              .toUtf8());
  x.close();
  QProcess spumux;
  spumux.setStandardInputFile(plain);
  spumux.setStandardOutputFile(authored + ".part");
  spumux.start("spumux", {"-m", "dvd", xml});
  spumux.waitForFinished(60000);
  QFile part(authored + ".part");
  if (stripTimestamps && part.open(QIODevice::ReadWrite)) {
    // Clear the timestamp flags of every subtitle packet (private stream 1, substream 0x20).
    QByteArray d = part.readAll();
    for (qsizetype at = d.indexOf(QByteArray("\0\0\1\xbd", 4)); at >= 0; at = d.indexOf(QByteArray("\0\0\1\xbd", 4), at + 1)) {
      const int headerLength = uint8_t(d[at + 8]);
      if ((uint8_t(d[at + 9 + headerLength]) & 0xe0) == 0x20) d[at + 7] = char(uint8_t(d[at + 7]) & 0x3f);
    }
    part.seek(0);
    part.write(d);
    part.close();
  }
  QFile::rename(authored + ".part", authored);
  return authored;
}

QString InterlacedFixture(const QStringList& encoding, const QString& size, const QString& container,
                          const QString& fields) {
  return FixtureFromArguments(
      QStringList{"-f", "lavfi", "-i", "testsrc2=size=" + size + ":rate=50:duration=1.2", "-vf", fields} + encoding,
      container);
}

QString HdrFixture(const QString& transfer, const QString& x265) {
  return FixtureFromArguments(
      {"-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=25:duration=1", "-vf",
       "format=yuv420p,setparams=range=tv:color_primaries=bt709:color_trc=bt709:colorspace=bt709,"
       "zscale=t=linear:npl=203,format=gbrpf32le,zscale=p=bt2020,zscale=t=" +
           transfer + ":m=bt2020nc:r=limited:npl=203,format=yuv420p10le",
       "-c:v", "libx265", "-preset", "ultrafast", "-x265-params", "log-level=error:" + x265, "-color_primaries",
       "bt2020", "-color_trc", transfer, "-colorspace", "bt2020nc"},
      "mkv");
}

}  // namespace testing_support
