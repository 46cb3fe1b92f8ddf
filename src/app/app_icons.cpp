#include "app/app_icons.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QScreen>
#include <QTransform>

#include <array>

#include "app/icon_painting.h"

namespace veltor {

using namespace icons;

namespace {

// Every icon is designed on a 16 x 16 grid; one unit is one pixel of the
// small icon. Outlines sit on half units so that they fall on whole pixels.
constexpr qreal kGrid = 16.0;

// --- shapes used by several icons ----------------------------------------

// A media-player triangle pointing right (or left) inside `r`.
void playTriangle(QPainter& p, const QRectF& r, bool left, const QColor& colour) {
    QPolygonF t;
    if (left)
        t << QPointF(r.left(), r.center().y()) << r.topRight() << r.bottomRight();
    else
        t << r.topLeft() << QPointF(r.right(), r.center().y()) << r.bottomLeft();
    p.save();
    p.setPen(outlinePen(colour.darker(140), 1.0));
    p.setBrush(colour);
    p.drawPolygon(t);
    p.restore();
}

void stopBar(QPainter& p, const QRectF& r, const QColor& colour) {
    p.save();
    p.setPen(outlinePen(colour.darker(140), 1.0));
    p.setBrush(colour);
    p.drawRect(r);
    p.restore();
}

// First, Previous, Next, Last in one family: `step` -1/+1 moves one, -2/+2
// goes to the end (a bar beside the triangle).
void navigationGlyph(QPainter& p, const QRectF& area, int step, const QColor& colour) {
    const bool left = step < 0;
    const bool toEnd = step == -2 || step == 2;
    const qreal barWidth = toEnd ? area.width() * 0.2 : 0.0;
    QRectF tri = area;
    if (toEnd) {
        const qreal gap = 1.0;
        if (left) {
            stopBar(p, QRectF(area.left(), area.top(), barWidth, area.height()), colour);
            tri.setLeft(area.left() + barWidth + gap);
        } else {
            stopBar(p, QRectF(area.right() - barWidth, area.top(), barWidth, area.height()),
                    colour);
            tri.setRight(area.right() - barWidth - gap);
        }
    }
    playTriangle(p, tri, left, colour);
}

void xMark(QPainter& p, QPointF c, qreal half, const QColor& colour, qreal width) {
    p.save();
    p.setPen(strokePen(colour, width));
    p.drawLine(c + QPointF(-half, -half), c + QPointF(half, half));
    p.drawLine(c + QPointF(-half, half), c + QPointF(half, -half));
    p.restore();
}

void plusMark(QPainter& p, QPointF c, qreal half, const QColor& colour, qreal width) {
    p.save();
    p.setPen(outlinePen(colour, width));
    p.drawLine(c + QPointF(-half, 0), c + QPointF(half, 0));
    p.drawLine(c + QPointF(0, -half), c + QPointF(0, half));
    p.restore();
}

// A small landscape picture: sky, sun and a hill.
void picture(QPainter& p, const QRectF& r) {
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(kLightBlue);
    p.drawRect(r);
    p.setBrush(kYellow);
    const qreal s = r.height() * 0.22;
    p.drawEllipse(QPointF(r.right() - r.width() * 0.28, r.top() + r.height() * 0.3), s, s);
    QPainterPath hill;
    hill.moveTo(r.left(), r.bottom());
    hill.lineTo(r.left(), r.bottom() - r.height() * 0.25);
    hill.lineTo(r.left() + r.width() * 0.35, r.top() + r.height() * 0.35);
    hill.lineTo(r.left() + r.width() * 0.65, r.bottom() - r.height() * 0.3);
    hill.lineTo(r.left() + r.width() * 0.78, r.bottom() - r.height() * 0.45);
    hill.lineTo(r.right(), r.bottom() - r.height() * 0.2);
    hill.lineTo(r.bottomRight());
    hill.closeSubpath();
    p.setBrush(kGreen);
    p.drawPath(hill);
    p.setBrush(Qt::NoBrush);
    p.setPen(outlinePen(kInk));
    p.drawRect(r);
    p.restore();
}

// A strip of film with sprocket holes, the frame in the middle left white.
void filmStrip(QPainter& p, const QRectF& r) {
    p.save();
    p.setPen(outlinePen(kInk));
    p.setBrush(QColor(0x3c, 0x46, 0x52));
    p.drawRect(r);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    for (qreal x = r.left() + 1.5; x < r.right() - 1.0; x += 3.0) {
        p.drawRect(QRectF(x, r.top() + 1.0, 1.5, 1.5));
        p.drawRect(QRectF(x, r.bottom() - 2.5, 1.5, 1.5));
    }
    p.drawRect(QRectF(r.left() + 1.0, r.top() + 3.5, r.width() - 2.0, r.height() - 7.0));
    p.restore();
}

// The hand of the Pan Hand tool, open, in a 16 x 16 box.
QPainterPath openHand() {
    QPainterPath hand;
    hand.addRoundedRect(QRectF(4.0, 7.0, 9.5, 7.5), 3.0, 3.0);
    const std::array<QRectF, 4> fingers{QRectF(4.0, 4.0, 2.4, 7.0), QRectF(6.4, 1.5, 2.4, 8.0),
                                        QRectF(8.8, 2.0, 2.4, 8.0), QRectF(11.2, 3.5, 2.3, 7.0)};
    for (const QRectF& f : fingers) {
        QPainterPath finger;
        finger.addRoundedRect(f, 1.2, 1.2);
        hand = hand.united(finger);
    }
    QPainterPath thumb;
    thumb.addRoundedRect(QRectF(-1.2, -4.5, 2.4, 5.5), 1.2, 1.2);
    QTransform t;
    t.translate(4.8, 11.0);
    t.rotate(-50.0);
    hand = hand.united(t.map(thumb));
    return hand.simplified();
}

// --- the icons ---------------------------------------------------------------

void drawOpen(QPainter& p) {
    // The folder's back and its open front flap.
    QPainterPath back;
    back.moveTo(1.5, 2.5);
    back.lineTo(6.0, 2.5);
    back.lineTo(7.5, 4.0);
    back.lineTo(13.5, 4.0);
    back.lineTo(13.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.setPen(outlinePen(kDarkYellow));
    p.setBrush(kYellow.darker(115));
    p.drawPath(back);
    p.setBrush(kPaper);
    p.setPen(outlinePen(kGrey));
    p.drawRect(QRectF(3.5, 5.5, 8, 6));
    QPolygonF front{{1.5, 13.5}, {4.0, 7.5}, {15.5, 7.5}, {13.5, 13.5}};
    p.setPen(outlinePen(kDarkYellow));
    p.setBrush(kYellow);
    p.drawPolygon(front);
}

void drawReload(QPainter& p) {
    page(p, QRectF(1.5, 0.5, 10, 13));
    textLines(p, 3.5, 8.5, 5.5, 3, 2);
    p.setBrush(kPaper);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(11.5, 11.5), 4.5, 4.5);
    circularArrow(p, QPointF(11.5, 11.5), 3.0, 120, -300, 1.6, 3.2, kGreen);
}

void drawClose(QPainter& p) {
    page(p, QRectF(1.5, 0.5, 10, 13));
    textLines(p, 3.5, 8.5, 5.5, 3, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QPointF(11.5, 11.5), 4.2, 4.2);
    xMark(p, QPointF(11.5, 11.5), 1.8, kPaper, 1.5);
}

void drawPrint(QPainter& p) {
    p.setPen(outlinePen(kInk));
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setBrush(QColor(0xa9, 0xb4, 0xbf));
    p.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1.0, 1.0);
    p.setBrush(kPaper);
    p.drawRect(QRectF(4.5, 9.5, 7, 5));
    textLines(p, 6, 10, 11.5, 2, 2);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    p.drawRect(QRectF(11.5, 7, 1.5, 1.5));
}

void drawPrintPreview(QPainter& p) {
    page(p, QRectF(1.5, 0.5, 10, 14));
    textLines(p, 3.5, 9.5, 3.5, 4, 2);
    magnifier(p, QPointF(9.5, 9.5), 3.3, QPointF(14.5, 14.5));
}

void drawAbout(QPainter& p) {
    p.setPen(outlinePen(kBlue.darker(130)));
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(8, 8), 6.8, 6.8);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(8, 4.6), 1.25, 1.25);
    p.drawRoundedRect(QRectF(6.9, 6.8, 2.2, 5.8), 0.6, 0.6);
}

void drawUndoRedo(QPainter& p, bool redo) {
    if (redo) {
        p.translate(kGrid, 0);
        p.scale(-1, 1);
    }
    QPainterPath curve;
    curve.moveTo(13.5, 13.0);
    curve.cubicTo(14.5, 7.0, 10.0, 5.0, 5.5, 6.0);
    p.setPen(strokePen(kBlue, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    arrowHead(p, QPointF(1.0, 6.3), QPointF(-1, 0.05), 5.0, 4.0, kBlue);
}

void drawCopy(QPainter& p) {
    page(p, QRectF(1.5, 0.5, 8, 10), 3);
    textLines(p, 3.5, 6.5, 3.5, 2, 2);
    page(p, QRectF(6.5, 4.5, 8, 11), 3);
    textLines(p, 8.5, 12.5, 8.5, 3, 2);
}

void drawZoomInOut(QPainter& p) {
    magnifier(p, QPointF(6.5, 6.5), 5.0, QPointF(14.5, 14.5));
    plusMark(p, QPointF(6.5, 6.5), 2.5, kInk, 1.5);
}

void drawZoomWindow(QPainter& p) {
    p.setPen(outlinePen(kPaper));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 12, 9));
    QPen dash = outlinePen(kInk);
    dash.setDashPattern({2.0, 2.0});
    p.setPen(dash);
    p.drawRect(QRectF(0.5, 0.5, 12, 9));
    magnifier(p, QPointF(9.5, 9.0), 3.6, QPointF(14.5, 14.5));
}

void drawZoomDynamic(QPainter& p) {
    magnifier(p, QPointF(6.0, 7.0), 4.6, QPointF(10.5, 14.5));
    arrowHead(p, QPointF(13.5, 0.5), QPointF(0, -1), 3.5, 2.5, kBlue);
    arrowHead(p, QPointF(13.5, 15.5), QPointF(0, 1), 3.5, 2.5, kBlue);
    p.setPen(outlinePen(kBlue, 1.6));
    p.drawLine(QPointF(13.5, 3.5), QPointF(13.5, 12.5));
}

void drawZoomLimits(QPainter& p) {
    p.setPen(outlinePen(kInk, 1.5));
    p.setBrush(Qt::NoBrush);
    // Four corner brackets: the pane the image is fitted to.
    const qreal a = 1.25, b = 14.75, l = 4.0;
    p.drawPolyline(QPolygonF{{a, a + l}, {a, a}, {a + l, a}});
    p.drawPolyline(QPolygonF{{b - l, a}, {b, a}, {b, a + l}});
    p.drawPolyline(QPolygonF{{a, b - l}, {a, b}, {a + l, b}});
    p.drawPolyline(QPolygonF{{b - l, b}, {b, b}, {b, b - l}});
    p.setPen(outlinePen(kBlue.darker(120)));
    p.setBrush(kLightBlue);
    p.drawRect(QRectF(5.5, 5.5, 5, 5));
    for (const QPointF d : {QPointF(-1, -1), QPointF(1, -1), QPointF(-1, 1), QPointF(1, 1)})
        arrowHead(p, QPointF(8, 8) + d * 5.2, d, 2.8, 1.6, kBlue);
}

void drawZoomNormal(QPainter& p) {
    magnifier(p, QPointF(6.5, 6.5), 5.0, QPointF(14.5, 14.5));
    p.setPen(strokePen(kInk, 1.5));
    p.drawLine(QPointF(7.0, 3.8), QPointF(7.0, 9.3));
    p.drawLine(QPointF(7.0, 3.8), QPointF(5.3, 5.3));
}

void drawZoomHistory(QPainter& p, bool next) {
    magnifier(p, QPointF(6.5, 5.5), 4.5, QPointF(12.0, 11.0));
    if (next)
        arrow(p, QPointF(0.8, 13.8), QPointF(9.5, 13.8), 1.8, 3.5, 2.6, kGreen);
    else
        arrow(p, QPointF(15.2, 13.8), QPointF(6.5, 13.8), 1.8, 3.5, 2.6, kGreen);
}

void drawFrameStep(QPainter& p, int step) {
    navigationGlyph(p, QRectF(2.5, 2.5, 11, 11), step, kBlue);
}

void drawMovie(QPainter& p, bool reverse) {
    filmStrip(p, QRectF(0.5, 1.5, 15, 13));
    playTriangle(p, QRectF(5.0, 5.5, 6.0, 5.0), reverse, kGreen);
}

void drawVideoSetup(QPainter& p) {
    p.setPen(outlinePen(kInk));
    p.setBrush(kInk);
    p.drawRect(QRectF(6.5, 0.5, 3, 1.5));
    p.drawLine(QPointF(8, 2), QPointF(8, 3));
    p.drawLine(QPointF(12.5, 3.5), QPointF(13.5, 2.5));
    p.setBrush(kPaper);
    p.drawEllipse(QPointF(8, 9), 6.3, 6.3);
    p.setPen(strokePen(kRed, 1.4));
    p.drawLine(QPointF(8, 9), QPointF(8, 4.5));
    p.setPen(strokePen(kInk, 1.4));
    p.drawLine(QPointF(8, 9), QPointF(11, 10.5));
    p.setPen(outlinePen(kGrey));
    for (int i = 0; i < 4; ++i) {
        const QPointF d = QTransform().rotate(90.0 * i).map(QPointF(0, -5.3));
        p.drawPoint(QPointF(8, 9) + d);
    }
}

void drawAllFrames(QPainter& p) {
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 2; ++col)
            picture(p, QRectF(0.5 + col * 8, 1.5 + row * 7, 7, 6));
}

void drawSingleFrame(QPainter& p) {
    picture(p, QRectF(0.5, 2.5, 15, 11));
}

void drawHeader(QPainter& p) {
    page(p, QRectF(1.5, 0.5, 12, 15));
    // Tag and value columns.
    p.setPen(outlinePen(kBlue));
    for (int i = 0; i < 5; ++i)
        p.drawLine(QPointF(3.5, 3.5 + 2 * i), QPointF(5.5, 3.5 + 2 * i));
    p.setPen(outlinePen(kGrey));
    for (int i = 0; i < 5; ++i)
        p.drawLine(QPointF(7.5, 3.5 + 2 * i), QPointF(i % 2 ? 9.5 : 11.5, 3.5 + 2 * i));
}

void drawPanHand(QPainter& p) {
    const QPainterPath hand = openHand();
    p.setPen(outlinePen(kInk));
    p.setBrush(QColor(0xfb, 0xe3, 0xc6));
    p.drawPath(hand);
}

void drawLevelWindow(QPainter& p) {
    const QRectF disc(1.5, 1.5, 13, 13);
    p.setPen(Qt::NoPen);
    p.setBrush(kPaper);
    p.drawEllipse(disc);
    p.setBrush(kInk);
    p.drawChord(disc, 45 * 16, 180 * 16);
    p.setBrush(Qt::NoBrush);
    p.setPen(outlinePen(kInk));
    p.drawEllipse(disc);
}

void drawThresholding(QPainter& p) {
    // A histogram split by the threshold: dark below it, light above it.
    const std::array<qreal, 7> heights{3, 6, 10, 12, 8, 5, 7};
    p.setPen(Qt::NoPen);
    for (size_t i = 0; i < heights.size(); ++i) {
        const qreal x = 1.0 + 2.0 * static_cast<qreal>(i);
        p.setBrush(i < 3 ? kInk : kGrey);
        p.drawRect(QRectF(x, 15.0 - heights[i], 1.0, heights[i]));
    }
    p.setPen(outlinePen(kRed, 1.0));
    p.drawLine(QPointF(6.5, 0.5), QPointF(6.5, 15.5));
    p.drawLine(QPointF(15.5, 15.0), QPointF(0.5, 15.0));
}

void drawToolsPalette(QPainter& p) {
    p.setPen(outlinePen(kInk));
    p.setBrush(kLightGrey);
    p.drawRect(QRectF(1.5, 0.5, 13, 15));
    p.setBrush(kInk);
    p.drawRect(QRectF(1.5, 0.5, 13, 1.5));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 2; ++col) {
            const bool pressed = row == 0 && col == 0;
            p.setPen(outlinePen(pressed ? kBlue.darker(130) : kGrey));
            p.setBrush(pressed ? kLightBlue : kPaper);
            p.drawRect(QRectF(3.5 + col * 5, 3.5 + row * 4, 4, 3));
        }
}

void drawRulers(QPainter& p) {
    const QColor wood(0xf6, 0xd9, 0x86);
    QPainterPath ruler;
    ruler.moveTo(0.5, 0.5);
    ruler.lineTo(15.5, 0.5);
    ruler.lineTo(15.5, 5.5);
    ruler.lineTo(5.5, 5.5);
    ruler.lineTo(5.5, 15.5);
    ruler.lineTo(0.5, 15.5);
    ruler.closeSubpath();
    p.setPen(outlinePen(kDarkYellow));
    p.setBrush(wood);
    p.drawPath(ruler);
    p.setPen(outlinePen(kInk));
    for (int i = 0; i < 5; ++i) {
        const qreal t = 7.5 + 2 * i;
        const qreal len = (i % 2 == 0) ? 2.5 : 1.5;
        p.drawLine(QPointF(t, 1), QPointF(t, 1 + len));
        p.drawLine(QPointF(1, t), QPointF(1 + len, t));
    }
}

void drawAnnotations(QPainter& p) {
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(0.5, 1.5, 15, 10), 2.5, 2.5);
    QPainterPath tail;
    tail.moveTo(3.5, 10);
    tail.lineTo(3.5, 15.0);
    tail.lineTo(8.0, 10);
    tail.closeSubpath();
    p.setPen(outlinePen(kInk));
    p.setBrush(QColor(0xff, 0xf6, 0xc4));
    p.drawPath(bubble.united(tail).simplified());
    p.setPen(outlinePen(kBlue, 1.5));
    p.drawLine(QPointF(3.5, 4.75), QPointF(12.5, 4.75));
    p.drawLine(QPointF(3.5, 8.25), QPointF(9.5, 8.25));
}

void drawMeasurements(QPainter& p) {
    // A set square with a length mark.
    QPainterPath square;
    square.moveTo(1.5, 1.5);
    square.lineTo(14.5, 14.5);
    square.lineTo(1.5, 14.5);
    square.closeSubpath();
    QPainterPath hole;
    hole.moveTo(4.5, 8.5);
    hole.lineTo(10.5, 14.5 - 3.0);
    hole.lineTo(4.5, 11.5);
    hole.closeSubpath();
    p.setPen(outlinePen(kDarkYellow));
    p.setBrush(QColor(0xf6, 0xd9, 0x86));
    p.drawPath(square.subtracted(hole));
    p.setPen(outlinePen(kInk));
    for (int i = 0; i < 4; ++i) {
        const qreal y = 5.5 + 2.5 * i;
        p.drawLine(QPointF(1.5, y), QPointF(3.0, y));
    }
    p.setPen(outlinePen(kRed, 1.2));
    p.drawLine(QPointF(9.5, 1.5), QPointF(14.5, 6.5));
    p.drawLine(QPointF(8.8, 2.9), QPointF(10.9, 0.8));
    p.drawLine(QPointF(13.1, 7.2), QPointF(15.2, 5.1));
}

void drawContactAuthor(QPainter& p) {
    p.setPen(outlinePen(kInk));
    p.setBrush(kPaper);
    p.drawRect(QRectF(0.5, 3.5, 15, 10));
    p.setBrush(Qt::NoBrush);
    p.setPen(strokePen(kInk, 1.0));
    p.drawPolyline(QPolygonF{{0.8, 3.8}, {8, 9.5}, {15.2, 3.8}});
    p.setPen(strokePen(kGrey, 1.0));
    p.drawLine(QPointF(0.8, 13.2), QPointF(6, 8.5));
    p.drawLine(QPointF(15.2, 13.2), QPointF(10, 8.5));
}

void drawWebSite(QPainter& p) {
    const QPointF c(8, 8);
    p.setPen(outlinePen(kBlue.darker(140)));
    p.setBrush(kLightBlue);
    p.drawEllipse(c, 7, 7);
    p.setBrush(Qt::NoBrush);
    p.setPen(outlinePen(kBlue, 1.0));
    p.drawEllipse(c, 3, 7);
    p.drawLine(QPointF(8, 1), QPointF(8, 15));
    p.drawLine(QPointF(1, 8), QPointF(15, 8));
    p.drawLine(QPointF(2.5, 4.5), QPointF(13.5, 4.5));
    p.drawLine(QPointF(2.5, 11.5), QPointF(13.5, 11.5));
    p.setPen(outlinePen(kBlue.darker(140)));
    p.drawEllipse(c, 7, 7);
}

void drawAnonymize(QPainter& p) {
    const QColor skin(0x9f, 0xb3, 0xc8);
    QPainterPath body;
    body.moveTo(1.5, 15.5);
    body.cubicTo(1.5, 10.0, 4.0, 9.5, 8.0, 9.5);
    body.cubicTo(12.0, 9.5, 14.5, 10.0, 14.5, 15.5);
    body.closeSubpath();
    p.setPen(outlinePen(kInk));
    p.setBrush(skin);
    p.drawPath(body);
    p.drawEllipse(QPointF(8, 5.3), 3.6, 4.0);
    // The black bar over the eyes.
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRect(QRectF(3.5, 3.6, 9, 2.6));
}

void drawExportFrames(QPainter& p) {
    picture(p, QRectF(0.5, 0.5, 11, 9));
    arrow(p, QPointF(4.5, 13.0), QPointF(15.5, 13.0), 2.0, 4.5, 3.0, kGreen);
}

void drawSearch(QPainter& p) {
    folder(p, QRectF(0.5, 2.5, 12, 10));
    magnifier(p, QPointF(10.0, 9.5), 3.3, QPointF(14.8, 14.8));
}

void drawSelectDirectory(QPainter& p) {
    folder(p, QRectF(0.5, 2.5, 15, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    for (int i = 0; i < 3; ++i)
        p.drawRect(QRectF(4.5 + 3 * i, 9.5, 1.6, 1.6));
}

void drawRefresh(QPainter& p) {
    circularArrow(p, QPointF(8, 8), 5.5, 100, 150, 2.0, 4.5, kGreen);
    circularArrow(p, QPointF(8, 8), 5.5, 280, 150, 2.0, 4.5, kGreen);
}

void drawFileStep(QPainter& p, int step) {
    page(p, QRectF(step < 0 ? 5.5 : 0.5, 0.5, 10, 13), 3);
    p.setPen(Qt::NoPen);
    navigationGlyph(p, step < 0 ? QRectF(0.5, 6.5, 9, 9) : QRectF(6.5, 6.5, 9, 9), step, kGreen);
}

void drawSelectionRectangle(QPainter& p) {
    const QRectF r(1.5, 2.5, 13, 11);
    p.setBrush(Qt::NoBrush);
    p.setPen(outlinePen(kPaper));
    p.drawRect(r);
    QPen dash = outlinePen(kInk);
    dash.setDashPattern({2.0, 2.0});
    p.setPen(dash);
    p.drawRect(r);
}

void drawCrop(QPainter& p) {
    p.setPen(outlinePen(kInk, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{{4, 0.5}, {4, 12}, {15.5, 12}});
    p.drawPolyline(QPolygonF{{0.5, 4}, {12, 4}, {12, 15.5}});
    p.setPen(outlinePen(kRed, 1.0));
    p.drawLine(QPointF(5.5, 10.5), QPointF(10.5, 5.5));
}

void drawAnnotationText(QPainter& p) {
    QPainterPath a;
    a.moveTo(1.5, 14.5);
    a.lineTo(6.0, 1.5);
    a.lineTo(10.5, 14.5);
    p.setPen(strokePen(kBlue, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(a);
    p.drawLine(QPointF(3.6, 10.0), QPointF(8.4, 10.0));
    // The text cursor.
    p.setPen(outlinePen(kInk));
    p.drawLine(QPointF(13.5, 2.5), QPointF(13.5, 13.5));
    p.drawLine(QPointF(12.5, 1.5), QPointF(14.5, 1.5));
    p.drawLine(QPointF(12.5, 14.5), QPointF(14.5, 14.5));
}

void drawMoveAnnotation(QPainter& p) {
    const QPointF c(8, 8);
    p.setPen(outlinePen(kInk, 1.5));
    p.drawLine(QPointF(8, 3), QPointF(8, 13));
    p.drawLine(QPointF(3, 8), QPointF(13, 8));
    for (const QPointF d : {QPointF(0, -1), QPointF(0, 1), QPointF(-1, 0), QPointF(1, 0)})
        arrowHead(p, c + d * 7.5, d, 3.5, 2.8, kInk);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(5.5, 5.5, 5, 5));
    p.setPen(outlinePen(kPaper, 1.0));
    p.drawLine(QPointF(6.5, 7.0), QPointF(9.5, 7.0));
    p.drawLine(QPointF(6.5, 9.0), QPointF(8.5, 9.0));
}

void drawEraseAnnotation(QPainter& p) {
    p.save();
    p.translate(8, 7.5);
    p.rotate(-40);
    p.setPen(outlinePen(kInk));
    p.setBrush(QColor(0xf2, 0x9c, 0xb0));
    p.drawRect(QRectF(-6.5, -3, 6.5, 6));
    p.setBrush(kPaper);
    p.drawRect(QRectF(0, -3, 6.5, 6));
    p.restore();
    p.setPen(outlinePen(kGrey));
    p.drawLine(QPointF(3, 15), QPointF(15, 15));
}

void drawMeasureLength(QPainter& p) {
    p.setPen(outlinePen(kInk, 1.2));
    p.drawLine(QPointF(0.8, 11.2), QPointF(4.8, 15.2));
    p.drawLine(QPointF(11.2, 0.8), QPointF(15.2, 4.8));
    arrow(p, QPointF(8, 8), QPointF(3.2, 12.8), 1.4, 3.5, 2.2, kBlue);
    arrow(p, QPointF(8, 8), QPointF(12.8, 3.2), 1.4, 3.5, 2.2, kBlue);
}

void drawMeasureAngle(QPainter& p) {
    const QPointF vertex(1.5, 14.0);
    p.setPen(strokePen(kInk, 1.5));
    p.drawLine(vertex, QPointF(15.0, 14.0));
    p.drawLine(vertex, QPointF(9.5, 1.0));
    p.setPen(strokePen(kRed, 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(vertex.x() - 8, vertex.y() - 8, 16, 16), 0, 66 * 16);
}

void drawCalculator(QPainter& p) {
    p.setPen(outlinePen(kInk));
    p.setBrush(QColor(0x5a, 0x66, 0x73));
    p.drawRoundedRect(QRectF(2.5, 0.5, 11, 15), 1.0, 1.0);
    p.setBrush(QColor(0xcf, 0xe8, 0xc8));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(4, 2, 8, 3));
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) {
            p.setBrush(row == 2 && col == 2 ? QColor(0xf0, 0x8a, 0x3c) : kLightGrey);
            p.drawRect(QRectF(4 + col * 3, 6.5 + row * 3, 2, 2));
        }
}

void paintCommandIcon(QPainter& p, CommandIcon id) {
    switch (id) {
    case CommandIcon::Open:
        drawOpen(p);
        break;
    case CommandIcon::Reload:
        drawReload(p);
        break;
    case CommandIcon::Close:
        drawClose(p);
        break;
    case CommandIcon::Print:
        drawPrint(p);
        break;
    case CommandIcon::PrintPreview:
        drawPrintPreview(p);
        break;
    case CommandIcon::About:
        drawAbout(p);
        break;
    case CommandIcon::Undo:
        drawUndoRedo(p, false);
        break;
    case CommandIcon::Redo:
        drawUndoRedo(p, true);
        break;
    case CommandIcon::Copy:
        drawCopy(p);
        break;
    case CommandIcon::ZoomInOut:
        drawZoomInOut(p);
        break;
    case CommandIcon::ZoomWindow:
        drawZoomWindow(p);
        break;
    case CommandIcon::ZoomDynamic:
        drawZoomDynamic(p);
        break;
    case CommandIcon::ZoomLimits:
        drawZoomLimits(p);
        break;
    case CommandIcon::ZoomNormal:
        drawZoomNormal(p);
        break;
    case CommandIcon::PreviousZoom:
        drawZoomHistory(p, false);
        break;
    case CommandIcon::NextZoom:
        drawZoomHistory(p, true);
        break;
    case CommandIcon::FirstFrame:
        drawFrameStep(p, -2);
        break;
    case CommandIcon::PreviousFrame:
        drawFrameStep(p, -1);
        break;
    case CommandIcon::NextFrame:
        drawFrameStep(p, 1);
        break;
    case CommandIcon::LastFrame:
        drawFrameStep(p, 2);
        break;
    case CommandIcon::Movie:
        drawMovie(p, false);
        break;
    case CommandIcon::ReverseMovie:
        drawMovie(p, true);
        break;
    case CommandIcon::VideoSetup:
        drawVideoSetup(p);
        break;
    case CommandIcon::AllFrames:
        drawAllFrames(p);
        break;
    case CommandIcon::SingleFrame:
        drawSingleFrame(p);
        break;
    case CommandIcon::Header:
        drawHeader(p);
        break;
    case CommandIcon::PanHand:
        drawPanHand(p);
        break;
    case CommandIcon::LevelWindow:
        drawLevelWindow(p);
        break;
    case CommandIcon::Thresholding:
        drawThresholding(p);
        break;
    case CommandIcon::ToolsPalette:
        drawToolsPalette(p);
        break;
    case CommandIcon::Rulers:
        drawRulers(p);
        break;
    case CommandIcon::Annotations:
        drawAnnotations(p);
        break;
    case CommandIcon::Measurements:
        drawMeasurements(p);
        break;
    case CommandIcon::ContactAuthor:
        drawContactAuthor(p);
        break;
    case CommandIcon::WebSite:
        drawWebSite(p);
        break;
    case CommandIcon::Anonymize:
        drawAnonymize(p);
        break;
    case CommandIcon::ExportFrames:
        drawExportFrames(p);
        break;
    case CommandIcon::Search:
        drawSearch(p);
        break;
    case CommandIcon::SelectDirectory:
        drawSelectDirectory(p);
        break;
    case CommandIcon::Refresh:
        drawRefresh(p);
        break;
    case CommandIcon::FirstFile:
        drawFileStep(p, -2);
        break;
    case CommandIcon::PreviousFile:
        drawFileStep(p, -1);
        break;
    case CommandIcon::NextFile:
        drawFileStep(p, 1);
        break;
    case CommandIcon::LastFile:
        drawFileStep(p, 2);
        break;
    case CommandIcon::SelectionRectangle:
        drawSelectionRectangle(p);
        break;
    case CommandIcon::Crop:
        drawCrop(p);
        break;
    case CommandIcon::AnnotationText:
        drawAnnotationText(p);
        break;
    case CommandIcon::MoveAnnotation:
        drawMoveAnnotation(p);
        break;
    case CommandIcon::EraseAnnotation:
        drawEraseAnnotation(p);
        break;
    case CommandIcon::MeasureLength:
        drawMeasureLength(p);
        break;
    case CommandIcon::MeasureAngle:
        drawMeasureAngle(p);
        break;
    case CommandIcon::Calculator:
        drawCalculator(p);
        break;
    }
}

QPixmap renderIcon(CommandIcon id, int size, qreal ratio) {
    const int device = qRound(size * ratio);
    QImage image(device, device, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(device / kGrid, device / kGrid);
        paintCommandIcon(p, id);
    }
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(image);
}

} // namespace

QIcon commandIcon(CommandIcon id, bool large) {
    static QHash<int, QIcon> cache;
    const int index = static_cast<int>(id);
    if (index < 0 || index >= kCommandIconCount) return {};
    const int key = index * 2 + (large ? 1 : 0);
    auto found = cache.constFind(key);
    if (found != cache.constEnd()) return *found;
    const int size = large ? kLargeIconSize : kSmallIconSize;
    QIcon icon;
    icon.addPixmap(renderIcon(id, size, 1.0));
    icon.addPixmap(renderIcon(id, size, 2.0));
    cache.insert(key, icon);
    return icon;
}

bool useLargeToolPalette(const QScreen* screen) {
    if (screen == nullptr) return true;
    return useLargeToolPalette(screen->geometry().width(), screen->logicalDotsPerInchX());
}

} // namespace veltor
