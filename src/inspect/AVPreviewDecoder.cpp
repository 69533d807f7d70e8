#include "inspect/AVPreviewDecoder.h"

#include <QPainter>
#include <cmath>

#include "engine/ErrorBox.h"
#include "inspect/PictureFilter.h"
#include "media/MediaLibraries.h"

namespace {

// Positions beyond this many seconds do not fit the microsecond clock.
constexpr double LargestPosition = 9.0e12;

// "HH:NN:SS.zzz" of a position in microseconds.
QString PositionText(int64_t microseconds) {
  const int64_t ms = microseconds / 1000;
  return QString::asprintf("%02lld:%02lld:%02lld.%03lld", static_cast<long long>(ms / 3600000),
                           static_cast<long long>(ms / 60000 % 60), static_cast<long long>(ms / 1000 % 60),
                           static_cast<long long>(ms % 1000));
}

}  // namespace

TAVPreviewDecoder::TAVPreviewDecoder() { media::LoadMediaLibraries(); }

TAVPreviewDecoder::~TAVPreviewDecoder() {
  OnChange = nullptr;  // nobody to repaint any more
  Close();
}

void TAVPreviewDecoder::SetInputFile(const QString& value) {
  FInputFile = value;
  if (FActive) {
    Close();
    Changed();
  }
}

void TAVPreviewDecoder::SetActive(bool value) {
  if (value == FActive) return;
  if (!value) {
    Close();
    Changed();
    return;
  }
  if (!FReader.Open(FInputFile)) {
    Close();
    return;
  }
  FStartTime = FReader.StartTime();
  FDurationKnown = FReader.Duration() != AV_NOPTS_VALUE;
  FDuration = FDurationKnown ? static_cast<double>(FReader.Duration()) / 1000000.0 : 0.0;
  // An input without a single picture to show is no preview.
  if (!ShowFrame()) {
    Close();
    return;
  }
  FActive = true;
  Changed();
}

void TAVPreviewDecoder::Settimestamp(double value) {
  if (std::isnan(value) || !FActive) return;
  if (FDurationKnown && value > FDuration) {
    ShowErrorBox(QStringLiteral("timestamp can not be large than stream duration!"));
    return;
  }
  if (!(std::fabs(value) < LargestPosition)) return;
  const auto t = static_cast<int64_t>(value * 1000000.0);  // truncated towards zero
  if (t == Ftimestamp) return;
  Ftimestamp = t;
  if (ShowFrame()) Changed();
}

bool TAVPreviewDecoder::ShowFrame() {
  bool seekFailed = false;
  const AVFrame* picture = FReader.FrameAt(Ftimestamp + FStartTime, seekFailed);
  if (seekFailed) ShowErrorBox(QStringLiteral("could not seek to position %1").arg(PositionText(Ftimestamp)));
  if (!picture) return false;  // reading ended first: the last picture stays
  QImage image = FPicture.Convert(picture, FReader.Pictures());
  if (image.isNull()) return false;
  if (!FReader.Turn().isIdentity()) image = image.transformed(FReader.Turn());
  FPlainBitmap = std::move(image);
  PresentPicture();
  return true;
}

void TAVPreviewDecoder::SetVideoFilters(const QString& filters, const QSize& size) {
  if (filters == FVideoFilters && size == FFilterSize) return;
  FVideoFilters = filters;
  FFilterSize = size;
  if (!FActive) return;
  PresentPicture();
  Changed();
}

void TAVPreviewDecoder::PresentPicture() {
  FFilterError.clear();
  if (FVideoFilters.trimmed().isEmpty()) {
    FBitmap = FPlainBitmap;
    return;
  }
  // The conversion scales to the target's size before the user's filters,
  // which place things in the target's pixels.
  QImage sized = FPlainBitmap;
  if (FFilterSize.isValid() && !FFilterSize.isEmpty() && sized.size() != FFilterSize)
    sized = sized.scaled(FFilterSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QImage filtered = inspect::FilterPicture(sized, FVideoFilters, timestamp(), &FFilterError);
  FBitmap = filtered.isNull() ? FPlainBitmap : std::move(filtered);
}

void TAVPreviewDecoder::Close() {
  FReader.Close();
  FActive = false;
  Ftimestamp = 0;
  FStartTime = 0;
  FDuration = 0;
  FDurationKnown = false;
}

void TAVPreviewDecoder::Changed() {
  if (OnChange) OnChange(this);
}

void TAVPreviewDecoder::PaintTo(QPainter& painter, const QRect& area) const {
  if (!FActive || FBitmap.isNull()) {
    painter.fillRect(area, Qt::black);
    return;
  }
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(area, FBitmap);
  painter.restore();
}
