#include "gui/client/client_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <array>
#include <functional>

namespace trqx {

namespace {

// The badge colours, in the order of HistoryState.
constexpr std::array<QRgb, 4> kBadgeColours = {
    0xFF2E9E44,  // sent
    0xFFD0342C,  // failed
    0xFFE8A317,  // pending
    0xFF8A8F96,  // cancelled
};

constexpr QRgb kAppColour = 0xFF2F6DB5;

// The white mark on the badge, in a 16 x 16 design grid.
void DrawMark(QPainter& painter, HistoryState state) {
  QPen pen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  switch (state) {
    case HistoryState::kSent: {
      QPainterPath check;
      check.moveTo(4.5, 8.3);
      check.lineTo(7.0, 10.8);
      check.lineTo(11.5, 5.5);
      painter.drawPath(check);
      break;
    }
    case HistoryState::kFailed:
      painter.drawLine(QPointF(5.3, 5.3), QPointF(10.7, 10.7));
      painter.drawLine(QPointF(10.7, 5.3), QPointF(5.3, 10.7));
      break;
    case HistoryState::kPending:
      pen.setWidthF(1.6);
      painter.setPen(pen);
      painter.drawLine(QPointF(8.0, 8.0), QPointF(8.0, 4.5));
      painter.drawLine(QPointF(8.0, 8.0), QPointF(10.8, 9.6));
      break;
    case HistoryState::kCancelled:
      painter.drawLine(QPointF(4.8, 8.0), QPointF(11.2, 8.0));
      break;
  }
}

void DrawUpArrow(QPainter& painter) {
  painter.setPen(QPen(Qt::white, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawLine(QPointF(8.0, 11.5), QPointF(8.0, 4.8));
  QPainterPath head;
  head.moveTo(5.2, 7.6);
  head.lineTo(8.0, 4.8);
  head.lineTo(10.8, 7.6);
  painter.drawPath(head);
}

// A round badge of colour at size pixels with the mark drawn by drawMark.
using DrawMarkFn = std::function<void(QPainter&)>;

QPixmap DrawBadge(QRgb colourValue, int size, const DrawMarkFn& drawMark) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 16.0, size / 16.0);
  const QColor colour = QColor::fromRgba(colourValue);
  painter.setPen(QPen(colour.darker(130), 1.0));
  painter.setBrush(colour);
  painter.drawEllipse(QRectF(1.5, 1.5, 13.0, 13.0));
  drawMark(painter);
  return pixmap;
}

QIcon BadgeIcon(QRgb colour, const DrawMarkFn& drawMark) {
  QIcon icon;
  for (int size : {16, 24, 32, 48}) {
    icon.addPixmap(DrawBadge(colour, size, drawMark));
  }
  return icon;
}

}  // namespace

QIcon HistoryStateIcon(HistoryState state) {
  return BadgeIcon(kBadgeColours[static_cast<std::size_t>(state)],
                   [state](QPainter& painter) { DrawMark(painter, state); });
}

QIcon ClientAppIcon() {
  return BadgeIcon(kAppColour, DrawUpArrow);
}

}  // namespace trqx
