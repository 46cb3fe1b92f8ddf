#include "image_view.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

#include "document/kelvo_doc.h"
#include "imaging/display_bitmap.h"

namespace veltor {

namespace {

QColor fromColourRef(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

} // namespace

CKelvoView::CKelvoView(CKelvoDoc& doc, QWidget* parent) : QAbstractScrollArea(parent), m_doc(doc) {
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

QSize CKelvoView::displayedSize() const {
    const ImageBuffer* frame = const_cast<CKelvoDoc&>(m_doc).frameAt(-1);
    if (frame == nullptr) return {0, 0};
    const double z = m_doc.zoomFactor();
    return {int(std::lround(frame->width() * z)), int(std::lround(frame->height() * z))};
}

QRect CKelvoView::imageRect() const {
    const QSize s = displayedSize();
    const QSize pane = viewport()->size();
    const int x = s.width() < pane.width() ? (pane.width() - s.width()) / 2 : -horizontalScrollBar()->value();
    const int y = s.height() < pane.height() ? (pane.height() - s.height()) / 2 : -verticalScrollBar()->value();
    return {QPoint(x, y), s};
}

QPoint CKelvoView::imagePoint(QPoint p) const {
    const ImageBuffer* frame = const_cast<CKelvoDoc&>(m_doc).frameAt(-1);
    if (frame == nullptr) return {0, 0};
    const QRect r = imageRect();
    const double z = m_doc.zoomFactor() > 0 ? m_doc.zoomFactor() : 1.0;
    const int x = int(std::floor((p.x() - r.left()) / z));
    const int y = int(std::floor((p.y() - r.top()) / z));
    return {std::clamp(x, 0, std::max(frame->width() - 1, 0)), std::clamp(y, 0, std::max(frame->height() - 1, 0))};
}

void CKelvoView::documentChanged() {
    updateScrollBars();
    viewport()->update();
}

void CKelvoView::updateScrollBars() {
    const QSize s = displayedSize();
    const QSize pane = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, s.width() - pane.width()));
    verticalScrollBar()->setRange(0, std::max(0, s.height() - pane.height()));
    horizontalScrollBar()->setPageStep(pane.width());
    verticalScrollBar()->setPageStep(pane.height());
}

void CKelvoView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void CKelvoView::scrollContentsBy(int, int) { viewport()->update(); }

void CKelvoView::mouseMoveEvent(QMouseEvent* event) {
    const ImageBuffer* frame = m_doc.frameAt(-1);
    if (frame != nullptr) {
        const QPoint p = event->position().toPoint();
        m_cursorImage = imagePoint(p);
        m_cursorInside = imageRect().contains(p);
        emit cursorMoved();
    }
    QAbstractScrollArea::mouseMoveEvent(event);
}

void CKelvoView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QColor background = fromColourRef(0x00644600);
    painter.fillRect(viewport()->rect(), background);
    const ImageBuffer* frame = m_doc.frameAt(-1);
    if (frame == nullptr) return;
    const DisplayBitmap* bitmap = frame->display();
    if (bitmap == nullptr || bitmap->empty()) return;

    QImage image;
    if (bitmap->bitsPerPixel() == 8) {
        image = QImage(bitmap->pixelBits(), bitmap->width(), bitmap->height(), int(bitmap->stride()),
                       QImage::Format_Indexed8);
        QList<QRgb> table(256);
        const uint8_t* colours = bitmap->data() + kBitmapInfoHeaderSize;
        for (int i = 0; i < 256; ++i) table[i] = qRgb(colours[4 * i + 2], colours[4 * i + 1], colours[4 * i]);
        image.setColorTable(table);
    } else {
        image = QImage(bitmap->pixelBits(), bitmap->width(), bitmap->height(), int(bitmap->stride()),
                       QImage::Format_BGR888);
    }
    // The bitmap's rows run bottom-up: draw it flipped, without smoothing.
    const QRect r = imageRect();
    const double z = m_doc.zoomFactor();
    painter.save();
    painter.translate(r.left(), r.top() + r.height());
    painter.scale(z, -z);
    painter.drawImage(QPointF(0, 0), image);
    painter.restore();
}

} // namespace veltor
