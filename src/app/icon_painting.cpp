#include "app/icon_painting.h"

#include <QPolygonF>
#include <QRadialGradient>
#include <QtMath>

#include <cmath>

namespace veltor::icons {

QPen outlinePen(const QColor& colour, qreal width) {
    QPen pen(colour, width);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

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

void arrow(QPainter& p, QPointF from, QPointF to, qreal width, qreal headLength,
           qreal headHalfWidth, const QColor& colour) {
    const QPointF d = to - from;
    const qreal norm = std::hypot(d.x(), d.y());
    if (norm <= 0.0) return;
    // The shaft stops inside the head so that its round end does not show.
    const QPointF shaftEnd = to - d / norm * (headLength * 0.8);
    p.save();
    p.setPen(strokePen(colour, width));
    p.drawLine(from, shaftEnd);
    p.restore();
    arrowHead(p, to, d, headLength, headHalfWidth, colour);
}

void circularArrow(QPainter& p, QPointF centre, qreal radius, qreal startDegrees, qreal spanDegrees,
                   qreal width, qreal headLength, const QColor& colour) {
    // The arc leaves room for the head at its end.
    const qreal headDegrees = qRadiansToDegrees(headLength * 0.6 / radius);
    const qreal arcSpan = spanDegrees > 0 ? spanDegrees - headDegrees : spanDegrees + headDegrees;
    const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    p.save();
    p.setPen(strokePen(colour, width));
    p.setBrush(Qt::NoBrush);
    p.drawArc(box, qRound(startDegrees * 16), qRound(arcSpan * 16));
    p.restore();

    const qreal end = qDegreesToRadians(startDegrees + arcSpan);
    const QPointF at = centre + QPointF(std::cos(end), -std::sin(end)) * radius;
    QPointF tangent(-std::sin(end), -std::cos(end));
    if (spanDegrees < 0) tangent = -tangent;
    arrowHead(p, at + tangent * (headLength * 0.6), tangent, headLength, headLength * 0.75, colour);
}

void page(QPainter& p, const QRectF& r, qreal fold) {
    QPainterPath sheet;
    sheet.moveTo(r.topLeft());
    sheet.lineTo(r.right() - fold, r.top());
    sheet.lineTo(r.right(), r.top() + fold);
    sheet.lineTo(r.bottomRight());
    sheet.lineTo(r.bottomLeft());
    sheet.closeSubpath();
    p.save();
    p.setPen(outlinePen(kInk));
    p.setBrush(kPaper);
    p.drawPath(sheet);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    corner.closeSubpath();
    p.setBrush(kLightGrey);
    p.drawPath(corner);
    p.restore();
}

void textLines(QPainter& p, qreal left, qreal right, qreal top, int count, qreal step) {
    p.save();
    p.setPen(outlinePen(kGrey));
    for (int i = 0; i < count; ++i) {
        const qreal y = top + i * step;
        // Every other line is shorter, as text is.
        const qreal end = (i % 2 == 1) ? right - (right - left) * 0.3 : right;
        p.drawLine(QPointF(left, y), QPointF(end, y));
    }
    p.restore();
}

void folder(QPainter& p, const QRectF& r) {
    const qreal tab = r.width() * 0.4;
    QPainterPath body;
    body.moveTo(r.left(), r.top());
    body.lineTo(r.left() + tab, r.top());
    body.lineTo(r.left() + tab + 1.5, r.top() + 1.5);
    body.lineTo(r.right(), r.top() + 1.5);
    body.lineTo(r.bottomRight());
    body.lineTo(r.bottomLeft());
    body.closeSubpath();
    p.save();
    p.setPen(outlinePen(kDarkYellow));
    p.setBrush(kYellow);
    p.drawPath(body);
    p.setPen(outlinePen(kYellow.lighter(125)));
    p.drawLine(QPointF(r.left() + 1, r.top() + 3.0), QPointF(r.right() - 1, r.top() + 3.0));
    p.restore();
}

void magnifier(QPainter& p, QPointF centre, qreal radius, QPointF handleEnd) {
    const QPointF dir = handleEnd - centre;
    const qreal norm = std::hypot(dir.x(), dir.y());
    const QPointF start = centre + dir / norm * radius;
    p.save();
    p.setPen(strokePen(kInk, radius * 0.55));
    p.drawLine(start, handleEnd);
    p.setPen(outlinePen(kInk, qMax(1.0, radius * 0.22)));
    QColor glass = kLightBlue;
    glass.setAlpha(190);
    p.setBrush(glass);
    p.drawEllipse(centre, radius, radius);
    p.restore();
}

void emblem(QPainter& p, QPointF topLeft, qreal size) {
    const QRectF box(topLeft, QSizeF(size, size));
    const QPointF c = box.center();
    const qreal r = size / 2.0;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    // The slice: a disc shaded from the light top-left, with two rings.
    QRadialGradient shade(c - QPointF(r * 0.35, r * 0.35), r * 1.4);
    shade.setColorAt(0.0, QColor(0xe9, 0xf2, 0xfb));
    shade.setColorAt(1.0, QColor(0x6f, 0x9c, 0xc9));
    p.setPen(QPen(QColor(0x1b, 0x3d, 0x66), qMax(1.0, size / 24.0)));
    p.setBrush(shade);
    p.drawEllipse(c, r * 0.95, r * 0.95);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x2f, 0x6a, 0xa8, 110), qMax(1.0, size / 40.0)));
    p.drawEllipse(c, r * 0.72, r * 0.72);
    // The V.
    QPainterPath v;
    v.moveTo(c.x() - r * 0.48, c.y() - r * 0.42);
    v.lineTo(c.x(), c.y() + r * 0.5);
    v.lineTo(c.x() + r * 0.48, c.y() - r * 0.42);
    QPen vPen(QColor(0x12, 0x2e, 0x52), qMax(1.5, size / 8.0));
    vPen.setCapStyle(Qt::RoundCap);
    vPen.setJoinStyle(Qt::RoundJoin);
    p.setPen(vPen);
    p.drawPath(v);
    p.restore();
}

} // namespace veltor::icons
