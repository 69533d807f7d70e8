#include "app/PreviewControl.h"

#include <QPainter>

TAVPreview::TAVPreview(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted
  FDecoder.OnChange = [this](TAVPreviewDecoder*) { update(); };
}

void TAVPreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  FDecoder.PaintTo(painter, rect());
}
