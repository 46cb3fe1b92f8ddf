// Drawing helpers shared by the command icons, the cursors and the window
// background: one set of colours and a few recurring shapes (pages, folders,
// magnifiers, arrows), all in the caller's coordinates.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPointF>
#include <QRectF>

namespace veltor::icons {

// The icon set's colours: a dark ink for outlines, blue for the viewer's own
// actions, green for going somewhere, red for removing, yellow for folders.
inline const QColor kInk{0x26, 0x31, 0x3d};
inline const QColor kGrey{0x7d, 0x89, 0x96};
inline const QColor kLightGrey{0xdc, 0xe2, 0xe8};
inline const QColor kPaper{0xff, 0xff, 0xff};
inline const QColor kBlue{0x2a, 0x6f, 0xc0};
inline const QColor kLightBlue{0xb4, 0xd4, 0xf4};
inline const QColor kGreen{0x23, 0x92, 0x48};
inline const QColor kRed{0xcf, 0x3b, 0x30};
inline const QColor kYellow{0xf3, 0xc4, 0x4f};
inline const QColor kDarkYellow{0xa8, 0x7c, 0x14};

// A pen of the given width with square ends, as outlines want.
QPen outlinePen(const QColor& colour, qreal width = 1.0);
// A pen with round ends and joins, as strokes and arrows want.
QPen strokePen(const QColor& colour, qreal width);

// A filled triangular arrow head whose tip is at `tip`, pointing along
// `direction` (need not be normalised).
void arrowHead(QPainter& p, QPointF tip, QPointF direction, qreal length, qreal halfWidth,
               const QColor& colour);
// A straight arrow from `from` to `to`, the head at `to`.
void arrow(QPainter& p, QPointF from, QPointF to, qreal width, qreal headLength,
           qreal headHalfWidth, const QColor& colour);
// An arc about `centre` from `startDegrees` turning by `spanDegrees`
// (counter-clockwise when positive, as Qt measures angles) with a head at
// its end.
void circularArrow(QPainter& p, QPointF centre, qreal radius, qreal startDegrees, qreal spanDegrees,
                   qreal width, qreal headLength, const QColor& colour);

// A sheet of paper with a folded top-right corner.
void page(QPainter& p, const QRectF& r, qreal fold = 4.0);
// Grey lines of text across a page.
void textLines(QPainter& p, qreal left, qreal right, qreal top, int count, qreal step);
// A closed folder filling `r`.
void folder(QPainter& p, const QRectF& r);
// A magnifying glass: the lens about `centre` and a handle towards the
// bottom right ending at `handleEnd`.
void magnifier(QPainter& p, QPointF centre, qreal radius, QPointF handleEnd);

// The viewer's emblem: a round image slice with a stylised V, in a square of
// side `size` at `topLeft`.
void emblem(QPainter& p, QPointF topLeft, qreal size);

} // namespace veltor::icons
