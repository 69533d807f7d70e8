#include "app/ImageLists.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <functional>

namespace {

using TDraw = std::function<void(QPainter& p, const QRectF& r)>;

QIcon Drawn(int size, const TDraw& draw) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p, QRectF(0, 0, size, size));
  return QIcon(pixmap);
}

// A round badge of colour with a white symbol drawn on it.
QIcon Badge(int size, const QColor& colour, const TDraw& symbol) {
  return Drawn(size, [&](QPainter& p, const QRectF& r) {
    const QRectF disc = r.adjusted(r.width() * 0.06, r.height() * 0.06, -r.width() * 0.06, -r.height() * 0.06);
    p.setPen(QPen(colour.darker(130), qMax(1.0, r.width() / 24)));
    p.setBrush(colour);
    p.drawEllipse(disc);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    symbol(p, disc);
  });
}

void PlaySymbol(QPainter& p, const QRectF& r) {
  const QPointF c = r.center();
  const double s = r.width() * 0.22;
  p.drawPolygon(QPolygonF({c + QPointF(-s * 0.8, -s), c + QPointF(s * 1.1, 0), c + QPointF(-s * 0.8, s)}));
}

void PauseSymbol(QPainter& p, const QRectF& r) {
  const QPointF c = r.center();
  const double s = r.width() * 0.2;
  p.drawRect(QRectF(c.x() - s, c.y() - s, s * 0.7, s * 2));
  p.drawRect(QRectF(c.x() + s * 0.3, c.y() - s, s * 0.7, s * 2));
}

void StopSymbol(QPainter& p, const QRectF& r) {
  const QPointF c = r.center();
  const double s = r.width() * 0.19;
  p.drawRect(QRectF(c.x() - s, c.y() - s, s * 2, s * 2));
}

void PlusSymbol(QPainter& p, const QRectF& r) {
  const QPointF c = r.center();
  const double s = r.width() * 0.26, t = r.width() * 0.07;
  p.drawRect(QRectF(c.x() - s, c.y() - t, s * 2, t * 2));
  p.drawRect(QRectF(c.x() - t, c.y() - s, t * 2, s * 2));
}

void CrossSymbol(QPainter& p, const QRectF& r) {
  p.save();
  p.translate(r.center());
  p.rotate(45);
  PlusSymbol(p, QRectF(-r.width() / 2, -r.height() / 2, r.width(), r.height()));
  p.restore();
}

void TickSymbol(QPainter& p, const QRectF& r) {
  const QPointF c = r.center();
  const double s = r.width() * 0.22;
  p.setPen(QPen(Qt::white, r.width() * 0.12, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(QPolygonF({c + QPointF(-s, 0), c + QPointF(-s * 0.25, s * 0.8), c + QPointF(s * 1.1, -s * 0.8)}));
}

// A house outline: the maker's home page.
void HouseSymbol(QPainter& p, const QRectF& r) {
  const QPointF c = r.center();
  const double s = r.width() * 0.24;
  p.drawPolygon(QPolygonF({c + QPointF(0, -s * 1.1), c + QPointF(s * 1.1, -s * 0.1), c + QPointF(-s * 1.1, -s * 0.1)}));
  p.drawRect(QRectF(c.x() - s * 0.75, c.y() - s * 0.15, s * 1.5, s * 1.05));
}

// A letter: the support mailbox.
void MailSymbol(QPainter& p, const QRectF& r) {
  const QPointF c = r.center();
  const double w = r.width() * 0.27, h = r.width() * 0.18;
  p.drawRect(QRectF(c.x() - w, c.y() - h, w * 2, h * 2));
  p.setPen(QPen(QColor(0x55, 0x55, 0x55), r.width() / 20));
  p.drawPolyline(QPolygonF({c + QPointF(-w, -h), c + QPointF(0, h * 0.2), c + QPointF(w, -h)}));
}

// A clock face: a task waiting in the queue.
void ClockSymbol(QPainter& p, const QRectF& r) {
  const QPointF c = r.center();
  const double s = r.width() * 0.3;
  p.setPen(QPen(Qt::white, r.width() * 0.09, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(c, s, s);
  p.drawPolyline(QPolygonF({c + QPointF(0, -s * 0.65), c, c + QPointF(s * 0.5, 0)}));
}

void GearSymbol(QPainter& p, const QRectF& r) {
  const QPointF c = r.center();
  const double s = r.width() * 0.27;
  for (int i = 0; i < 8; ++i) {
    p.save();
    p.translate(c);
    p.rotate(i * 45);
    p.drawRect(QRectF(-s * 0.18, -s, s * 0.36, s * 0.5));
    p.restore();
  }
  p.drawEllipse(c, s * 0.7, s * 0.7);
}

void Folder(QPainter& p, const QRectF& r, const QColor& colour) {
  const double w = r.width(), h = r.height();
  QPainterPath path;
  path.moveTo(w * 0.06, h * 0.22);
  path.lineTo(w * 0.4, h * 0.22);
  path.lineTo(w * 0.48, h * 0.32);
  path.lineTo(w * 0.94, h * 0.32);
  path.lineTo(w * 0.94, h * 0.84);
  path.lineTo(w * 0.06, h * 0.84);
  path.closeSubpath();
  p.setPen(QPen(colour.darker(150), 1));
  p.setBrush(colour);
  p.drawPath(path);
}

// A sheet with lines: the list of running conversions.
void TaskSheet(QPainter& p, const QRectF& r) {
  const double w = r.width(), h = r.height();
  p.setPen(QPen(QColor(0x2a, 0x5d, 0x9f), 1));
  p.setBrush(QColor(0xe8, 0xf0, 0xfb));
  p.drawRect(QRectF(w * 0.15, h * 0.08, w * 0.7, h * 0.84));
  for (int i = 0; i < 4; ++i) p.drawLine(QPointF(w * 0.28, h * (0.28 + i * 0.16)), QPointF(w * 0.72, h * (0.28 + i * 0.16)));
}

const QColor Green(0x2e, 0x9e, 0x44);
const QColor Amber(0xe0, 0x9a, 0x10);
const QColor Red(0xc8, 0x32, 0x32);
const QColor Blue(0x2a, 0x6f, 0xc9);
const QColor Grey(0x70, 0x78, 0x80);

}  // namespace

QIcon TImageList::Icon(int Index) const {
  return Index >= 0 && Index < Count() ? FImages[size_t(Index)] : QIcon();
}

TImageList CreateExplorerImages() {
  TImageList list({16, 16});
  list.Add(Drawn(16, TaskSheet));
  list.Add(Drawn(16, [](QPainter& p, const QRectF& r) { Folder(p, r, QColor(0xf2, 0xc9, 0x4c)); }));
  return list;
}

TImageList CreateTaskImages() {
  TImageList list({16, 16});
  list.Add(Badge(16, Green, PlaySymbol));
  list.Add(Badge(16, Amber, PauseSymbol));
  list.Add(Badge(16, Red, CrossSymbol));
  list.Add(Badge(16, Blue, TickSymbol));
  list.Add(Badge(16, Grey, ClockSymbol));
  return list;
}

TImageList CreateToolbarImages() {
  TImageList list({48, 48});
  list.Add(Badge(48, Blue, PlusSymbol));    // 0 add
  list.Add(Badge(48, Green, PlaySymbol));   // 1 start
  list.Add(Badge(48, Amber, PauseSymbol));  // 2 pause
  list.Add(Badge(48, Red, StopSymbol));     // 3 stop
  list.Add(Badge(48, Grey, GearSymbol));    // 4 options
  list.Add(Badge(48, Blue, HouseSymbol));   // 5 home page
  for (int i = 6; i <= 10; ++i) list.Add(QIcon());
  list.Add(Badge(48, Grey, MailSymbol));  // 11 bug report
  return list;
}

TImageList CreateAlertImages() {
  TImageList list({32, 32});
  list.Add(Badge(32, Blue, TickSymbol));
  return list;
}
