#include "app/PreviewControl.h"

#include <QPainter>

TAVPreview::TAVPreview(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);  // every pixel is painted
  FDecoder.OnChange = [this](TAVPreviewDecoder*) { update(); };
}

void TAVPreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  FDecoder.PaintTo(painter, rect());
  if (!Active() || FilterError().isEmpty()) return;
  // Over a dark band, so that it reads on any picture.
  const QRect band = rect().adjusted(0, rect().height() - 44, 0, 0);
  painter.fillRect(band, QColor(0, 0, 0, 170));
  painter.setPen(QColor(0xff, 0x80, 0x80));
  painter.drawText(band.adjusted(4, 2, -4, -2), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignVCenter, FilterError());
}
