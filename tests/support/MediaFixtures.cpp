#include "support/MediaFixtures.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>

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
