#include "app/mdi_background.h"

#include <QEvent>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>

#include "app/icon_painting.h"
#include "view/background_layout.h"

namespace veltor {

namespace {

const QColor kTileBase(0x25, 0x2f, 0x3b);
const QColor kTileLine(0x2b, 0x36, 0x44);
const QColor kTileDot(0x33, 0x40, 0x50);

QImage blankImage(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QFont wordmarkFont(int pixelSize, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QPixmap makeTile() {
    // Diagonal hairlines every 16 pixels and a dot in each cell; 16 divides
    // 64, so the tile repeats without seams.
    QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
    image.fill(kTileBase);
    QPainter p(&image);
    p.setPen(QPen(kTileLine, 1.0));
    for (int k = -64; k < 64; k += 16)
        p.drawLine(k, 0, k + 63, 63);
    p.setPen(QPen(kTileDot, 1.0));
    for (int y = 8; y < 64; y += 16)
        for (int x = 8; x < 64; x += 16)
            p.drawPoint(x, y);
    return QPixmap::fromImage(image);
}

QPixmap makeCentre() {
    QImage image = blankImage(256, 128);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    // A soft panel so the words read on any tile.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x10, 0x18, 0x22, 150));
    p.drawRoundedRect(QRectF(4, 14, 248, 100), 14, 14);
    icons::emblem(p, QPointF(16, 32), 64);

    QLinearGradient shine(0, 34, 0, 74);
    shine.setColorAt(0.0, QColor(0xff, 0xff, 0xff));
    shine.setColorAt(1.0, QColor(0xb9, 0xd3, 0xee));
    p.setFont(wordmarkFont(38, true));
    p.setPen(QPen(QBrush(shine), 1.0));
    p.drawText(QRectF(90, 28, 160, 48), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Veltor"));
    p.setFont(wordmarkFont(17, false));
    p.setPen(QColor(0x9f, 0xc3, 0xe8));
    p.drawText(QRectF(92, 72, 160, 26), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Dicom Viewer"));
    return QPixmap::fromImage(image);
}

QPixmap makeCorner() {
    QImage image = blankImage(96, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    icons::emblem(p, QPointF(4, 5), 22);
    p.setFont(wordmarkFont(15, true));
    p.setPen(QColor(0x8d, 0xa9, 0xc6));
    p.drawText(QRectF(30, 0, 66, 32), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Veltor"));
    return QPixmap::fromImage(image);
}

ViewSize sizeOf(const QSize& s) {
    return {s.width(), s.height()};
}

} // namespace

QPixmap backgroundTilePicture() {
    static const QPixmap picture = makeTile();
    return picture;
}

QPixmap backgroundCentrePicture() {
    static const QPixmap picture = makeCentre();
    return picture;
}

QPixmap backgroundCornerPicture() {
    static const QPixmap picture = makeCorner();
    return picture;
}

MdiBackgroundArea::MdiBackgroundArea(QWidget* parent) : QMdiArea(parent) {
    // The viewport is painted here, not by the area's background brush.
    viewport()->setAutoFillBackground(false);
}

void MdiBackgroundArea::setBackgroundMode(bool pictures, const QColor& colour) {
    m_pictures = pictures;
    m_colour = colour;
    setBackground(colour);
    viewport()->update();
}

void MdiBackgroundArea::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    const QRect area = viewport()->rect();
    if (!m_pictures) {
        p.fillRect(event->rect(), m_colour);
        return;
    }
    p.drawTiledPixmap(area, backgroundTilePicture());
    const QPixmap centre = backgroundCentrePicture();
    const QPixmap corner = backgroundCornerPicture();
    const BackgroundLayout layout =
        backgroundLayout(sizeOf(area.size()), sizeOf(centre.size()), sizeOf(corner.size()));
    if (layout.centreShown) p.drawPixmap(layout.centre.x, layout.centre.y, centre);
    if (layout.cornerShown) p.drawPixmap(layout.corner.x, layout.corner.y, corner);
}

bool MdiBackgroundArea::viewportEvent(QEvent* event) {
    // The centre and corner pictures move with the size, so a resize repaints
    // the whole area rather than only the newly exposed strips.
    if (event->type() == QEvent::Resize && m_pictures) viewport()->update();
    return QMdiArea::viewportEvent(event);
}

} // namespace veltor
