#include "gui/server/host_marker.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QRadialGradient>

namespace trqx {

namespace {

// One lamp: a round body with a dark rim and a highlight; lit lamps glow, unlit ones are flat.
QPixmap Lamp(const QColor& centre, const QColor& edge, const QColor& rim) {
  QPixmap pixmap(kHostMarkerSize, kHostMarkerSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF body(1.5, 1.5, kHostMarkerSize - 3.0, kHostMarkerSize - 3.0);
  QRadialGradient gradient(body.center() - QPointF(2.0, 2.0), body.width() / 1.4);
  gradient.setColorAt(0.0, centre);
  gradient.setColorAt(1.0, edge);
  painter.setBrush(gradient);
  painter.setPen(QPen(rim, 1.2));
  painter.drawEllipse(body);
  return pixmap;
}

}  // namespace

QPixmap ActiveHostMarker() {
  return Lamp(QColor(190, 255, 190), QColor(0, 170, 0), QColor(0, 90, 0));
}

QPixmap InactiveHostMarker() {
  return Lamp(QColor(235, 235, 235), QColor(160, 160, 160), QColor(110, 110, 110));
}

}  // namespace trqx
