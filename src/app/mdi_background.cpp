#include "app/mdi_background.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

#include "app/app_icons.h"
#include "view/background_layout.h"

namespace veltor {

namespace {

ViewSize sizeOf(const QSize& s) {
    return {s.width(), s.height()};
}

} // namespace

QPixmap backgroundTilePicture() {
    static const QPixmap picture = svgPicture(QStringLiteral("background-tile"), QSize(64, 64));
    return picture;
}

QPixmap backgroundCentrePicture() {
    static const QPixmap picture = svgPicture(QStringLiteral("background-centre"), QSize(256, 128));
    return picture;
}

QPixmap backgroundCornerPicture() {
    static const QPixmap picture = svgPicture(QStringLiteral("background-corner"), QSize(96, 32));
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
