// The image pane's cursors and the autoscroll marker pictures.
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>

#include <array>

#include "app/app_icons.h"
#include "app/icon_painting.h"

namespace veltor {

using namespace icons;

namespace {

const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);

// Shapes are drawn smooth, then every pixel becomes either opaque or clear so
// that the outline below can be one whole pixel wide.
void harden(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x];
            line[x] = qAlpha(c) >= 128 ? qRgb(qRed(c), qGreen(c), qBlue(c)) : qRgba(0, 0, 0, 0);
        }
    }
}

// Gives every clear pixel next to the shape the shade opposite to its
// neighbours: white beside dark ink, black beside light fill.
void addOutline(QImage& image) {
    const QImage shape = image.copy();
    const int w = shape.width();
    const int h = shape.height();
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            if (qAlpha(shape.pixel(x, y)) != 0) continue;
            int count = 0;
            int lightness = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                    const QRgb n = shape.pixel(nx, ny);
                    if (qAlpha(n) == 0) continue;
                    ++count;
                    lightness += qGray(n);
                }
            if (count > 0)
                image.setPixel(x, y, lightness / count < 128 ? kWhite.rgb() : kBlack.rgb());
        }
    }
}

template <typename Draw> QCursor makeCursor(QPoint hotSpot, Draw draw) {
    QImage image(kCursorSize, kCursorSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        draw(p);
    }
    harden(image);
    addOutline(image);
    return QCursor(QPixmap::fromImage(image), hotSpot.x(), hotSpot.y());
}

// The magnifier of the zoom cursors: lens centred on (12, 12), the hot spot.
constexpr QPointF kLens(12.5, 12.5);
void cursorMagnifier(QPainter& p) {
    p.setPen(strokePen(kBlack, 5.0));
    p.drawLine(QPointF(19.0, 19.0), QPointF(27.0, 27.0));
    p.setPen(QPen(kBlack, 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(kLens, 8.0, 8.0);
}

QCursor crossCursor() {
    return makeCursor({15, 15}, [](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Qt::NoPen);
        p.setBrush(kBlack);
        // A gap at the centre leaves the pixel under the hot spot visible.
        p.drawRect(15, 3, 1, 10);
        p.drawRect(15, 18, 1, 10);
        p.drawRect(3, 15, 10, 1);
        p.drawRect(18, 15, 10, 1);
        p.drawRect(15, 15, 1, 1);
    });
}

QCursor grabbingCursor() {
    return makeCursor({16, 15}, [](QPainter& p) {
        QPainterPath fist;
        fist.addRoundedRect(QRectF(8.5, 11.5, 16, 13), 5, 5);
        for (int i = 0; i < 4; ++i) {
            QPainterPath knuckle;
            knuckle.addRoundedRect(QRectF(8.5 + 4 * i, 8.5, 4, 8), 2, 2);
            fist = fist.united(knuckle);
        }
        QPainterPath thumb;
        thumb.addRoundedRect(QRectF(5.0, 13.5, 8, 4.5), 2.2, 2.2);
        fist = fist.united(thumb).simplified();
        p.setPen(QPen(kBlack, 1.2));
        p.setBrush(kWhite);
        p.drawPath(fist);
        p.setPen(QPen(kBlack, 1.0));
        for (int i = 1; i < 4; ++i)
            p.drawLine(QPointF(8.5 + 4 * i, 9.5), QPointF(8.5 + 4 * i, 13));
    });
}

QCursor zoomCursor(ViewCursor c) {
    return makeCursor({12, 12}, [c](QPainter& p) {
        cursorMagnifier(p);
        p.setPen(Qt::NoPen);
        p.setBrush(kBlack);
        switch (c) {
        case ViewCursor::ZoomIn:
            p.drawRect(QRectF(8.0, 11.5, 9, 2));
            p.drawRect(QRectF(11.5, 8.0, 2, 9));
            break;
        case ViewCursor::ZoomOut:
            p.drawRect(QRectF(8.0, 11.5, 9, 2));
            break;
        case ViewCursor::ZoomWindow: {
            p.setRenderHint(QPainter::Antialiasing, false);
            // A box of three-pixel dashes, drawn pixel-exact so that each
            // dash keeps its own outline.
            for (int i : {8, 14}) {
                p.drawRect(i, 8, 3, 1);
                p.drawRect(i, 16, 3, 1);
                p.drawRect(8, i, 1, 3);
                p.drawRect(16, i, 1, 3);
            }
            break;
        }
        case ViewCursor::ZoomDynamic:
            p.drawPolygon(QPolygonF{{12.5, 6.5}, {16.0, 10.5}, {9.0, 10.5}});
            p.drawPolygon(QPolygonF{{12.5, 18.5}, {16.0, 14.5}, {9.0, 14.5}});
            break;
        default:
            break;
        }
    });
}

QCursor playbackCursor() {
    return makeCursor({15, 15}, [](QPainter& p) {
        const QPointF c(15.5, 15.5);
        p.setPen(QPen(kBlack, 2.0));
        p.setBrush(kWhite);
        p.drawEllipse(c, 10.0, 10.0);
        p.setBrush(kBlack);
        p.setPen(Qt::NoPen);
        p.drawRect(QRectF(13.0, 2.0, 5, 3)); // the stop-watch's button
        p.setPen(strokePen(kBlack, 2.0));
        p.drawLine(c, c + QPointF(0, -7));
        p.drawLine(c, c + QPointF(5, 2.5));
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 12; i += 3) {
            const QPointF tick = QTransform().rotate(30.0 * i).map(QPointF(0, -8.0));
            p.drawEllipse(c + tick, 0.9, 0.9);
        }
    });
}

// The autoscroll direction cursors: a small ring where the marker is and a
// solid arrow head beyond it, pointing up before it is turned to face the
// direction.
QCursor directionCursor(qreal degrees) {
    return makeCursor({15, 15}, [degrees](QPainter& p) {
        const QPointF c(15.5, 15.5);
        p.setPen(QPen(kBlack, 1.5));
        p.setBrush(kWhite);
        p.drawEllipse(c, 3.5, 3.5);
        p.setPen(Qt::NoPen);
        p.setBrush(kBlack);
        p.translate(c);
        p.rotate(degrees);
        p.drawPolygon(QPolygonF{{0, -13.0}, {6.5, -6.0}, {-6.5, -6.0}});
    });
}

QCursor neutralCursor() {
    return makeCursor({15, 15}, [](QPainter& p) {
        const QPointF c(15.5, 15.5);
        p.setPen(QPen(kBlack, 1.5));
        p.setBrush(kWhite);
        p.drawEllipse(c, 5.0, 5.0);
        p.setPen(Qt::NoPen);
        p.setBrush(kBlack);
        p.drawEllipse(c, 1.8, 1.8);
        for (int i = 0; i < 4; ++i) {
            QTransform t;
            t.translate(c.x(), c.y());
            t.rotate(90.0 * i);
            p.drawPolygon(t.map(QPolygonF{{0, -13.5}, {4.0, -8.5}, {-4.0, -8.5}}));
        }
    });
}

} // namespace

QCursor viewCursor(ViewCursor c) {
    static QHash<int, QCursor> cache;
    const int key = static_cast<int>(c);
    auto found = cache.constFind(key);
    if (found != cache.constEnd()) return *found;
    QCursor cursor;
    switch (c) {
    case ViewCursor::Arrow:
    case ViewCursor::ToolDefined:
        return QCursor(Qt::ArrowCursor);
    case ViewCursor::Cross:
        cursor = crossCursor();
        break;
    case ViewCursor::Grabbing:
        cursor = grabbingCursor();
        break;
    case ViewCursor::ZoomIn:
    case ViewCursor::ZoomOut:
    case ViewCursor::ZoomWindow:
    case ViewCursor::ZoomDynamic:
        cursor = zoomCursor(c);
        break;
    case ViewCursor::Playback:
        cursor = playbackCursor();
        break;
    }
    cache.insert(key, cursor);
    return cursor;
}

QCursor levelWindowCursor() {
    static const QCursor cursor = makeCursor({15, 15}, [](QPainter& p) {
        const QPointF c(15.5, 15.5);
        const QRectF disc(c.x() - 8, c.y() - 8, 16, 16);
        p.setPen(Qt::NoPen);
        p.setBrush(kWhite);
        p.drawEllipse(disc);
        p.setBrush(kBlack);
        p.drawChord(disc, 90 * 16, 180 * 16);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kBlack, 1.5));
        p.drawEllipse(disc);
        // Arrows for the two drag directions (window across, level up and down).
        p.setPen(Qt::NoPen);
        p.setBrush(kBlack);
        for (int i = 0; i < 4; ++i) {
            QTransform t;
            t.translate(c.x(), c.y());
            t.rotate(90.0 * i);
            p.drawPolygon(t.map(QPolygonF{{0, -13.5}, {3.5, -10.0}, {-3.5, -10.0}}));
        }
    });
    return cursor;
}

QCursor autoscrollCursor(AutoscrollCursor c) {
    static QHash<int, QCursor> cache;
    const int key = static_cast<int>(c);
    auto found = cache.constFind(key);
    if (found != cache.constEnd()) return *found;
    // North, then clockwise in steps of 45 degrees.
    const int step = static_cast<int>(c) - static_cast<int>(AutoscrollCursor::North);
    const QCursor cursor = c == AutoscrollCursor::Neutral ? neutralCursor() : directionCursor(45 * step);
    cache.insert(key, cursor);
    return cursor;
}

QPixmap autoscrollMarkerPicture(AutoscrollAxes axes) {
    const int size = kAutoscrollPictureSize;
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        const QPointF c(size / 2.0, size / 2.0);
        p.setPen(QPen(kInk, 1.0));
        p.setBrush(QColor(0xf4, 0xf6, 0xf8));
        p.drawEllipse(c, size / 2.0 - 0.5, size / 2.0 - 0.5);
        p.setPen(Qt::NoPen);
        p.setBrush(kInk);
        p.drawEllipse(c, 2.0, 2.0);
        const bool horizontal = axes != AutoscrollAxes::Vertical;
        const bool vertical = axes != AutoscrollAxes::Horizontal;
        const qreal reach = size / 2.0 - 3.0;
        if (vertical) {
            arrowHead(p, c + QPointF(0, -reach), QPointF(0, -1), 6.0, 4.5, kInk);
            arrowHead(p, c + QPointF(0, reach), QPointF(0, 1), 6.0, 4.5, kInk);
        }
        if (horizontal) {
            arrowHead(p, c + QPointF(-reach, 0), QPointF(-1, 0), 6.0, 4.5, kInk);
            arrowHead(p, c + QPointF(reach, 0), QPointF(1, 0), 6.0, 4.5, kInk);
        }
    }
    return QPixmap::fromImage(image);
}

} // namespace veltor
