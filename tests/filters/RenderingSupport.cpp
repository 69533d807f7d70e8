#include "RenderingSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <cstdlib>

using namespace testing_support;

namespace rendering {

std::array<int, 3> TPicture::At(int x, int y) const {
  const qsizetype i = (qsizetype(y) * width + x) * 3;
  if (x < 0 || y < 0 || x >= width || y >= height || i + 2 >= rgb.size()) return {-1, -1, -1};
  return {uint8_t(rgb[i]), uint8_t(rgb[i + 1]), uint8_t(rgb[i + 2])};
}

TPicture RgbFrame(const QString& file, int index) {
  TPicture p;
  const QStringList size = RunTool("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                               "stream=width,height", "-of", "csv=p=0", file})
                               .trimmed()
                               .split(',');
  p.width = size.value(0).toInt();
  p.height = size.value(1).toInt();
  QProcess tool;
  tool.start("ffmpeg", {"-nostdin", "-v", "error", "-i", file, "-vf", QStringLiteral("select=eq(n\\,%1)").arg(index),
                        "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"});
  tool.waitForFinished(120000);
  p.rgb = tool.readAllStandardOutput();
  if (p.rgb.size() != qsizetype(p.width) * p.height * 3) p.rgb.clear();
  return p;
}

bool Near(const std::array<int, 3>& pixel, int r, int g, int b, int tolerance) {
  return std::abs(pixel[0] - r) <= tolerance && std::abs(pixel[1] - g) <= tolerance &&
         std::abs(pixel[2] - b) <= tolerance;
}

QString Clip(double seconds) {
  MediaSpec spec;
  spec.seconds = seconds;
  spec.audioCodec.clear();
  return MediaFixture(spec);
}

QString ConvertWithFilters(const QString& source, const QString& name, const QString& filters,
                           TConversionResult* result, int64_t startTime) {
  const QString target = Target(name);
  TAVConverter c;
  c.InputFiles() << source;
  c.OutputFiles() << target;
  c.ConvertOptions().VideoOptions().SetEncoderVideoCodecName("ffv1");
  c.ConvertOptions().FilterOptions().SetVideoFilters(filters);
  c.ConvertOptions().SetStartTime(startTime);
  const TConversionResult r = RunConversion(c);
  if (result) *result = r;
  if (!r.Succeeded()) {
    if (!result)
      ADD_FAILURE() << "converting with " << filters.toStdString() << ": " << r.errorBoxes.join('|').toStdString()
                    << " / " << r.log.join('\n').toStdString();
    return QString();
  }
  return target;
}

QString Unfiltered() {
  static const QString file = ConvertWithFilters(Clip(), "unfiltered.mkv", QString());
  return file;
}

QString ToolConversion(const QString& source, const QString& name, const QStringList& args) {
  const QString target = Target(name);
  int exit = -1;
  RunTool(
      "ffmpeg",
      QStringList{"-nostdin", "-v", "error", "-y", "-i", source} + args + QStringList{"-c:v", "ffv1", "-an", target},
      &exit);
  EXPECT_EQ(exit, 0) << "ffmpeg " << args.join(' ').toStdString();
  return exit == 0 ? target : QString();
}

QString WriteFile(const QString& name, const QByteArray& content) {
  const QString path = QDir(TemporaryFolder()).filePath(name);
  QFile f(path);
  EXPECT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(content);
  return path;
}

QString WriteLogo(const QString& name) {
  QImage logo(64, 48, QImage::Format_ARGB32);
  for (int y = 0; y < logo.height(); ++y)
    for (int x = 0; x < logo.width(); ++x) logo.setPixel(x, y, x < 32 ? qRgba(255, 0, 0, 255) : qRgba(0, 0, 0, 0));
  const QString path = QDir(TemporaryFolder()).filePath(name);
  EXPECT_TRUE(logo.save(path, "PNG"));
  return path;
}

}  // namespace rendering
