#pragma once
// Converting generated clips with video filters and reading back pixels.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>

#include "engine/ConversionSupport.h"

namespace rendering {

// One decoded picture, 8-bit RGB.
struct TPicture {
  int width = 0;
  int height = 0;
  QByteArray rgb;
  bool IsEmpty() const { return rgb.isEmpty(); }
  std::array<int, 3> At(int x, int y) const;
};

// Frame index of a video file, decoded by the ffmpeg tool.
TPicture RgbFrame(const QString& file, int index);

// Whether pixel is within tolerance of r, g, b in every channel.
bool Near(const std::array<int, 3>& pixel, int r, int g, int b, int tolerance = 16);

// A generated 320×240, 25 fps clip of the given length without sound.
QString Clip(double seconds = 3);

// Converts source to a lossless file named name in a temporary folder with
// VideoFilters set to filters, from startTime (microseconds) on.
QString ConvertWithFilters(const QString& source, const QString& name, const QString& filters,
                           TConversionResult* result = nullptr, int64_t startTime = 0);
// The same clip converted without filters (made once).
QString Unfiltered();
// The ffmpeg tool's lossless conversion of source with the extra arguments
// (e.g. -vf …) into a temporary file named name.
QString ToolConversion(const QString& source, const QString& name, const QStringList& args);

// A file in a temporary folder with the given bytes.
QString WriteFile(const QString& name, const QByteArray& content);
// A 64×48 PNG logo: the left half opaque red, the right half transparent.
QString WriteLogo(const QString& name);

constexpr const char* DejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr const char* MicroHei = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";

}  // namespace rendering
