#include "frame_preview.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

#include "app/display_image.h"
#include "imaging/image_buffer.h"

namespace veltor {

namespace {

constexpr double kZoomStep = 1.25;
constexpr double kMaxZoom = 32.0;

const DisplayBitmap* bitmapOf(const ImageBuffer* frame) {
    const DisplayBitmap* bitmap = frame != nullptr ? frame->display() : nullptr;
    return bitmap != nullptr && !bitmap->empty() ? bitmap : nullptr;
}

} // namespace

FramePreview::FramePreview(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Sunken | QFrame::StyledPanel);
    setMinimumSize(120, 120);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void FramePreview::setFrame(const ImageBuffer* frame) {
    const DisplayBitmap* before = bitmapOf(m_frame);
    const QSize oldSize = before != nullptr ? QSize(before->width(), before->height()) : QSize();
    m_frame = frame;
    const DisplayBitmap* bitmap = bitmapOf(m_frame);
    // A frame of another size starts centred again; the same frame redrawn
    // after a change keeps the zoom and the panned position.
    if (bitmap != nullptr && QSize(bitmap->width(), bitmap->height()) != oldSize)
        m_centre = QPointF(bitmap->width() / 2.0, bitmap->height() / 2.0);
    clampCentre();
    update();
}

void FramePreview::setZoomable(bool on) {
    m_zoomable = on;
    if (!on) setZoom(1.0);
    setCursor(on ? Qt::OpenHandCursor : Qt::ArrowCursor);
}

void FramePreview::setZoom(double zoom) {
    zoom = std::clamp(zoom, 1.0, kMaxZoom);
    if (zoom == m_zoom) return;
    m_zoom = zoom;
    clampCentre();
    update();
    emit zoomChanged(m_zoom);
}

void FramePreview::zoomIn() {
    if (m_zoomable) setZoom(m_zoom * kZoomStep);
}

void FramePreview::zoomOut() {
    if (m_zoomable) setZoom(m_zoom / kZoomStep);
}

QImage FramePreview::shownImage() const {
    const DisplayBitmap* bitmap = bitmapOf(m_frame);
    if (bitmap == nullptr) return {};
    // The bitmap's rows run bottom-up.
    return displayImageOf(*bitmap).mirrored(false, true);
}

double FramePreview::scale() const {
    const DisplayBitmap* bitmap = bitmapOf(m_frame);
    if (bitmap == nullptr) return 1.0;
    const QRect area = contentsRect();
    const double fit =
        std::min(double(area.width()) / bitmap->width(), double(area.height()) / bitmap->height());
    return fit * m_zoom;
}

void FramePreview::clampCentre() {
    const DisplayBitmap* bitmap = bitmapOf(m_frame);
    if (bitmap == nullptr) return;
    const double s = scale();
    const QRect area = contentsRect();
    auto clampAxis = [](double centre, double frameSide, double halfView) {
        if (2 * halfView >= frameSide) return frameSide / 2;
        return std::clamp(centre, halfView, frameSide - halfView);
    };
    m_centre.setX(clampAxis(m_centre.x(), bitmap->width(), area.width() / (2 * s)));
    m_centre.setY(clampAxis(m_centre.y(), bitmap->height(), area.height() / (2 * s)));
}

void FramePreview::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const DisplayBitmap* bitmap = bitmapOf(m_frame);
    if (bitmap == nullptr) return;
    QPainter p(this);
    const QRect area = contentsRect();
    p.setClipRect(area);
    p.fillRect(area, palette().dark());
    const double s = scale();
    const QPointF middle = QRectF(area).center();
    // Frame point (x, y) lands at middle + ((x, y) - centre) x s; the bitmap is
    // drawn upside down because its rows are stored bottom-up.
    p.translate(middle.x() - m_centre.x() * s, middle.y() + (bitmap->height() - m_centre.y()) * s);
    p.scale(s, -s);
    p.setRenderHint(QPainter::SmoothPixmapTransform, s < 1.0);
    p.drawImage(QPointF(0, 0), displayImageOf(*bitmap));
}

void FramePreview::wheelEvent(QWheelEvent* event) {
    if (!m_zoomable) {
        QFrame::wheelEvent(event);
        return;
    }
    const int steps = event->angleDelta().y() / 120;
    if (steps > 0)
        for (int i = 0; i < steps; ++i)
            zoomIn();
    else
        for (int i = 0; i < -steps; ++i)
            zoomOut();
    event->accept();
}

void FramePreview::mousePressEvent(QMouseEvent* event) {
    m_dragFrom = event->position();
    QFrame::mousePressEvent(event);
}

void FramePreview::mouseMoveEvent(QMouseEvent* event) {
    if (!m_zoomable || !(event->buttons() & Qt::LeftButton)) {
        QFrame::mouseMoveEvent(event);
        return;
    }
    const QPointF delta = event->position() - m_dragFrom;
    m_dragFrom = event->position();
    m_centre -= delta / scale();
    clampCentre();
    update();
}

QLabel* newProblemLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName("message");
    label->setWordWrap(true);
    QPalette warning = label->palette();
    warning.setColor(QPalette::WindowText, QColor(192, 0, 0));
    label->setPalette(warning);
    label->hide();
    return label;
}

} // namespace veltor
