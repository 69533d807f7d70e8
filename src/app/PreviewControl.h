#pragma once
// The preview picture: one decoded frame of a file or "stream:N" input at a
// chosen time, stretched over the control; black while inactive. The
// decoding is the preview decoder's; this control forwards its properties
// and repaints when the decoder says the picture changed.

#include <QWidget>

#include "inspect/AVPreviewDecoder.h"

class TAVPreview : public QWidget {
  Q_OBJECT

 public:
  explicit TAVPreview(QWidget* parent = nullptr);

  const QString& InputFile() const { return FDecoder.InputFile(); }
  // An active preview closes; the caller activates it again.
  void SetInputFile(const QString& Value) { FDecoder.SetInputFile(Value); }
  bool Active() const { return FDecoder.Active(); }
  // True opens the input and shows the frame at timestamp; a failure leaves
  // the control inactive and black, without a message.
  void SetActive(bool Value) { FDecoder.SetActive(Value); }
  // Seconds.
  double timestamp() const { return FDecoder.timestamp(); }
  // Shows the frame at Value seconds; past Duration the error box refuses it.
  void Settimestamp(double Value) { FDecoder.Settimestamp(Value); }
  double Duration() const { return FDecoder.Duration(); }
  const QImage& Bitmap() const { return FDecoder.Bitmap(); }
  // The pictures through a conversion's video filters (TAVPreviewDecoder);
  // when they cannot be applied, the reason is written over the picture.
  void SetVideoFilters(const QString& Filters, const QSize& Size) { FDecoder.SetVideoFilters(Filters, Size); }
  const QString& FilterError() const { return FDecoder.FilterError(); }

  QSize sizeHint() const override { return {216, 163}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TAVPreviewDecoder FDecoder;
};
