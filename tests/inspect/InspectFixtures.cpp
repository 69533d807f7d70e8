#include "InspectFixtures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "support/MediaFixtures.h"
#include "support/TestSupport.h"

namespace inspect_testing {

QString WrittenFile(const QString& name, const QByteArray& bytes) {
  const QString path = QDir(testing_support::TemporaryFolder()).filePath(name);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) ADD_FAILURE() << "cannot write " << path.toStdString();
  return path;
}

QString PatchedCopy(const QString& source, const QString& name, const std::function<void(QByteArray&)>& patch) {
  QFile f(source);
  if (!f.open(QIODevice::ReadOnly)) {
    ADD_FAILURE() << "cannot read " << source.toStdString();
    return QString();
  }
  QByteArray bytes = f.readAll();
  patch(bytes);
  return WrittenFile(name, bytes);
}

QString StuffingOnlyTransportStream() {
  QByteArray packet("\x47\x1f\xff\x10", 4);
  packet.append(184, '\xff');
  return WrittenFile(QStringLiteral("stuffing.ts"), packet.repeated(200));
}

QByteArray ToolFrame(const QString& file, int index) {
  QProcess p;
  p.start(QStringLiteral("ffmpeg"), {"-nostdin", "-v", "error", "-i", file, "-map", "0:v:0", "-vf",
                                     QStringLiteral("select=eq(n\\,%1)").arg(index), "-frames:v", "1", "-f",
                                     "rawvideo", "-pix_fmt", "rgb24", "-"});
  p.waitForFinished(120000);
  return p.readAllStandardOutput();
}

QByteArray PackedRgb(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
  QByteArray packed;
  const qsizetype row = qsizetype{rgb.width()} * 3;
  packed.reserve(row * rgb.height());
  for (int y = 0; y < rgb.height(); ++y) packed.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), row);
  return packed;
}

double FramePsnr(const QImage& image, const QString& file, int index) {
  return testing_support::Psnr(PackedRgb(image), ToolFrame(file, index));
}

TPipeFeed::TPipeFeed(const QString& file) {
  QFile f(file);
  if (f.open(QIODevice::ReadOnly)) FBytes = f.readAll();
  EXPECT_LE(FBytes.size(), 65536) << "the pipe must take the whole file at once";
  FPath = QDir(testing_support::TemporaryFolder()).filePath(QStringLiteral("feed.") + QFileInfo(file).suffix());
  if (mkfifo(QFile::encodeName(FPath).constData(), 0600) != 0) ADD_FAILURE() << "mkfifo failed";
  const QByteArray path = QFile::encodeName(FPath);
  // Opening for writing waits for a reader; everything then fits the pipe at once.
  FWriter = std::thread([path, bytes = FBytes] {
    const int fd = ::open(path.constData(), O_WRONLY);
    if (fd < 0) return;
    for (qsizetype done = 0; done < bytes.size();) {
      const ssize_t n = ::write(fd, bytes.constData() + done, bytes.size() - done);
      if (n <= 0) break;
      done += n;
    }
    ::close(fd);
  });
}

TPipeFeed::~TPipeFeed() {
  // A reader that never came would leave the writer waiting: be that reader.
  const int fd = ::open(QFile::encodeName(FPath).constData(), O_RDONLY | O_NONBLOCK);
  FWriter.join();
  if (fd >= 0) ::close(fd);
}

}  // namespace inspect_testing
