// The image pane's cursors and the autoscroll marker pictures: SVG drawings
// of data/icons made crisp and outlined here; the hot spots are the code's.
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include "app/app_icons.h"

namespace veltor {

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

// A cursor from drawing `name` (32 x 32), turned by `degrees` about the
// centre of pixel (15, 15).
QCursor makeCursor(QPoint hotSpot, const char* name, qreal degrees = 0.0) {
    QImage image(kCursorSize, kCursorSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(15.5, 15.5);
        p.rotate(degrees);
        p.translate(-15.5, -15.5);
        QSvgRenderer renderer(QStringLiteral(":/icons/%1.svg").arg(QString::fromLatin1(name)));
        renderer.render(&p, QRectF(0, 0, kCursorSize, kCursorSize));
    }
    harden(image);
    addOutline(image);
    return QCursor(QPixmap::fromImage(image), hotSpot.x(), hotSpot.y());
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
        cursor = makeCursor({15, 15}, "cursor-cross");
        break;
    case ViewCursor::Grabbing:
        cursor = makeCursor({16, 15}, "cursor-grabbing");
        break;
    // The zoom cursors' hot spot is the lens's centre.
    case ViewCursor::ZoomIn:
        cursor = makeCursor({12, 12}, "cursor-zoom-in");
        break;
    case ViewCursor::ZoomOut:
        cursor = makeCursor({12, 12}, "cursor-zoom-out");
        break;
    case ViewCursor::ZoomWindow:
        cursor = makeCursor({12, 12}, "cursor-zoom-window");
        break;
    case ViewCursor::ZoomDynamic:
        cursor = makeCursor({12, 12}, "cursor-zoom-dynamic");
        break;
    case ViewCursor::Playback:
        cursor = makeCursor({15, 15}, "cursor-playback");
        break;
    }
    cache.insert(key, cursor);
    return cursor;
}

QCursor levelWindowCursor() {
    static const QCursor cursor = makeCursor({15, 15}, "cursor-level-window");
    return cursor;
}

QCursor autoscrollCursor(AutoscrollCursor c) {
    static QHash<int, QCursor> cache;
    const int key = static_cast<int>(c);
    auto found = cache.constFind(key);
    if (found != cache.constEnd()) return *found;
    // North, then clockwise in steps of 45 degrees: the north arrow turned.
    const int step = static_cast<int>(c) - static_cast<int>(AutoscrollCursor::North);
    const QCursor cursor = c == AutoscrollCursor::Neutral
                               ? makeCursor({15, 15}, "cursor-autoscroll-neutral")
                               : makeCursor({15, 15}, "cursor-autoscroll-north", 45.0 * step);
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
        p.drawPixmap(0, 0, svgPicture(QStringLiteral("autoscroll-marker"), QSize(size, size)));
        if (axes != AutoscrollAxes::Horizontal)
            p.drawPixmap(0, 0, svgPicture(QStringLiteral("autoscroll-marker-vertical"), QSize(size, size)));
        if (axes != AutoscrollAxes::Vertical)
            p.drawPixmap(0, 0, svgPicture(QStringLiteral("autoscroll-marker-horizontal"), QSize(size, size)));
    }
    return QPixmap::fromImage(image);
}

} // namespace veltor
