#include "app/icon_painting.h"

#include <QPolygonF>

#include <cmath>

namespace veltor::icons {

QPen strokePen(const QColor& colour, qreal width) {
    QPen pen(colour, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void arrowHead(QPainter& p, QPointF tip, QPointF direction, qreal length, qreal halfWidth,
               const QColor& colour) {
    const qreal norm = std::hypot(direction.x(), direction.y());
    if (norm <= 0.0) return;
    const QPointF d = direction / norm;
    const QPointF n(-d.y(), d.x());
    const QPointF base = tip - d * length;
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(QPolygonF{{tip, base + n * halfWidth, base - n * halfWidth}});
    p.restore();
}

} // namespace veltor::icons
