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

QString MediaFixture(const MediaSpec& spec) {
  const QDir dir(QStringLiteral(TESVANOR_FIXTURE_DIR));
  dir.mkpath(QStringLiteral("."));
  const QStringList recipe = FfmpegArguments(spec, QStringLiteral("OUT"));
  const QByteArray key =
      QCryptographicHash::hash(recipe.join(QChar(0)).toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
  const QString path = dir.filePath(QString::fromLatin1(key) + QLatin1Char('.') + spec.container);
  if (QFile::exists(path)) return path;

  // Written under a private name first: parallel test processes may race for
  // the same fixture, and a reader must never see half a file.
  const QString partial = path + QStringLiteral(".part%1.").arg(QCoreApplication::applicationPid()) + spec.container;
  int exitCode = -1;
  RunTool(QStringLiteral("ffmpeg"), FfmpegArguments(spec, partial), &exitCode);
  if (exitCode != 0 || !QFile::rename(partial, path)) {
    QFile::remove(partial);
    if (!QFile::exists(path)) {
      ADD_FAILURE() << "ffmpeg could not make the fixture " << recipe.join(' ').toStdString();
      return QString();
    }
  }
  return path;
}

QString ProbeStream(const QString& file, const QString& stream, const QString& entry) {
  return RunTool(QStringLiteral("ffprobe"), {"-v", "error", "-select_streams", stream, "-show_entries",
                                             "stream=" + entry, "-of", "default=nw=1:nk=1", file})
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

QStringList PacketSizes(const QString& file, const QString& stream) {
  return RunTool(QStringLiteral("ffprobe"), {"-v", "error", "-select_streams", stream, "-show_entries",
                                             "packet=size", "-of", "csv=p=0", file})
      .split('\n', Qt::SkipEmptyParts);
}

}  // namespace testing_support
