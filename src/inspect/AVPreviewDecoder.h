#pragma once
// The frame side of the preview control: opens a media file or a "stream:N"
// byte stream, decodes the picture on screen at a chosen time into an upright
// 24-bit image of the source's size, and paints it stretched over an area
// (black while inactive). The control that shows it forwards its properties
// here and repaints on OnChange. Everything runs on the calling thread.

#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>

#include "inspect/FramePicture.h"
#include "inspect/VideoFrameReader.h"

class QPainter;
class QRect;

class TAVPreviewDecoder;
using TAVPreviewEvent = std::function<void(TAVPreviewDecoder* Sender)>;

class TAVPreviewDecoder {
 public:
  TAVPreviewDecoder();
  TAVPreviewDecoder(const TAVPreviewDecoder&) = delete;
  TAVPreviewDecoder& operator=(const TAVPreviewDecoder&) = delete;
  ~TAVPreviewDecoder();

  const QString& InputFile() const { return FInputFile; }
  // Stores the name; an active preview closes (the caller activates it again).
  void SetInputFile(const QString& value);
  bool Active() const { return FActive; }
  // True opens InputFile and shows the picture at timestamp; a failure closes
  // again without a message. False closes. An unchanged value does nothing.
  void SetActive(bool value);
  // The position shown, in seconds from the start of the input.
  double timestamp() const { return static_cast<double>(Ftimestamp) / 1000000.0; }
  // Shows the picture at value seconds (truncated to microseconds). Nothing
  // happens while inactive or when the position does not change; a position
  // past Duration is refused with the error box.
  void Settimestamp(double value);
  // Seconds; 0 when the input does not tell.
  double Duration() const { return FDuration; }
  // The last picture shown.
  const QImage& Bitmap() const { return FBitmap; }

  // Shows the pictures through these video filters (a VideoFilters text),
  // at the size the conversion filters them at (an empty size: the
  // source's); empty filters show the pictures as they are. The picture on
  // screen is shown again at once.
  void SetVideoFilters(const QString& filters, const QSize& size);
  // Why the filters could not be applied to the picture on screen (which is
  // then shown without them); empty when they were, or when there are none.
  const QString& FilterError() const { return FFilterError; }

  // The picture stretched over area while active (the aspect ratio is not
  // kept), black otherwise.
  void PaintTo(QPainter& painter, const QRect& area) const;

  // Raised when what PaintTo paints has changed: a picture was shown, or the
  // preview became inactive.
  TAVPreviewEvent OnChange;

 private:
  void Close();
  bool ShowFrame();
  void Changed();
  // FBitmap from FPlainBitmap, through the filters when there are any.
  void PresentPicture();

  QString FInputFile;
  int64_t Ftimestamp = 0;  // microseconds from the input's start
  QImage FBitmap;
  QImage FPlainBitmap;  // the picture before the user's filters
  QString FVideoFilters;
  QSize FFilterSize;
  QString FFilterError;
  bool FActive = false;
  inspect::TVideoFrameReader FReader;
  inspect::TFramePicture FPicture;
  int64_t FStartTime = 0;  // microseconds
  double FDuration = 0;
  bool FDurationKnown = false;
};
