// Drawing helpers of the cursors drawn in code: pens and arrow heads in the
// caller's coordinates.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QPointF>

namespace veltor::icons {

// The dark ink of outlines.
inline const QColor kInk{0x26, 0x31, 0x3d};

// A pen with round ends and joins, as strokes and arrows want.
QPen strokePen(const QColor& colour, qreal width);

// A filled triangular arrow head whose tip is at `tip`, pointing along
// `direction` (need not be normalised).
void arrowHead(QPainter& p, QPointF tip, QPointF direction, qreal length, qreal halfWidth,
               const QColor& colour);

} // namespace veltor::icons
