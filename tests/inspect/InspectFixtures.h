#pragma once
// Media the probe and preview tests need beyond the shared fixtures: damaged
// or unusual files made from generated ones, the ffmpeg tool's picture of a
// frame as an oracle, and a named pipe that feeds a file without seeking.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>
#include <thread>

namespace inspect_testing {

// A copy of source in a temporary folder, named name, changed by patch.
QString PatchedCopy(const QString& source, const QString& name, const std::function<void(QByteArray&)>& patch);

// A file of name in a temporary folder holding bytes.
QString WrittenFile(const QString& name, const QByteArray& bytes);

// An MPEG transport stream that holds nothing but stuffing packets.
QString StuffingOnlyTransportStream();

// Frame index of the first video stream of file, decoded and converted to
// packed RGB by the ffmpeg tool (empty when there is no such frame).
QByteArray ToolFrame(const QString& file, int index);

// The pixels of image as packed 24-bit RGB rows without padding.
QByteArray PackedRgb(const QImage& image);

// Peak signal-to-noise ratio of image against the tool's frame index of file.
double FramePsnr(const QImage& image, const QString& file, int index);

// A named pipe that hands the bytes of a file (at most 64 KiB, the pipe's
// capacity) to whoever opens it for reading: an input that cannot seek.
class TPipeFeed {
 public:
  explicit TPipeFeed(const QString& file);
  ~TPipeFeed();
  const QString& Path() const { return FPath; }

 private:
  QString FPath;
  QByteArray FBytes;
  std::thread FWriter;
};

}  // namespace inspect_testing
