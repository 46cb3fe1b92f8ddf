#include "image_view.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include "app/app_icons.h"
#include "app/view_overlays.h"
#include "document/kelvo_doc.h"
#include "app/display_image.h"
#include "imaging/display_bitmap.h"

namespace veltor {

namespace {

QColor fromColourRef(uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }
ViewPoint toView(QPoint p) { return {p.x(), p.y()}; }
QRect toQt(const ViewRect& r) { return QRect(r.left, r.top, r.width(), r.height()); }
KeyModifiers toModifiers(Qt::KeyboardModifiers m) {
    return {m.testFlag(Qt::ShiftModifier), m.testFlag(Qt::ControlModifier)};
}


// The display bitmap as a QImage over the same memory; rows run bottom-up,
// so the painter flips it.

} // namespace

CKelvoView::CKelvoView(CKelvoDoc& doc, const UserOptions& options, QWidget* parent)
    : QAbstractScrollArea(parent), m_doc(doc), m_viewDoc(doc),
      m_model(std::make_unique<ImageViewModel>(m_viewDoc, options)), m_levelWindow(doc) {
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    m_bandTimer = new QTimer(this);
    m_bandTimer->setInterval(75);
    connect(m_bandTimer, &QTimer::timeout, this, [this] { m_model->bandTick(); });
    m_autoscrollTimer = new QTimer(this);
    m_autoscrollTimer->setInterval(10);
    connect(m_autoscrollTimer, &QTimer::timeout, this,
            [this] {
                const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
                m_model->autoscrollTick(toView(p));
                updateCursor(p, QGuiApplication::keyboardModifiers());
            });
    m_model->setChangeCallback([this](uint32_t changes) { onModelChange(changes); });
    m_model->setToolHandler(ViewTool::LevelWindow, &m_levelWindow);
    m_levelWindow.setListener([this](bool released) {
        // While dragging, paint at once so the picture keeps up with the mouse.
        if (released)
            viewport()->update();
        else
            viewport()->repaint();
        emit windowDragged(released);
    });
    m_overlays = std::make_unique<ViewOverlays>(*this, doc, options);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int) {
        if (!m_syncing) m_model->scrollTo({horizontalScrollBar()->value(), verticalScrollBar()->value()});
    });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int) {
        if (!m_syncing) m_model->scrollTo({horizontalScrollBar()->value(), verticalScrollBar()->value()});
    });
}

CKelvoView::~CKelvoView() {
    // No signals from a view being destroyed.
    m_levelWindow.setListener({});
    m_model->setChangeCallback({});
    m_overlays.reset();
    m_model->setToolHandler(ViewTool::LevelWindow, nullptr);
}

void CKelvoView::documentChanged() {
    m_model->documentChanged();
    m_overlays->documentChanged();
}

void CKelvoView::setPanelWidth(int width) {
    if (viewportMargins().right() != width) setViewportMargins(0, 0, width, 0);
}

void CKelvoView::contextMenuEvent(QContextMenuEvent* event) {
    // The menu key opens the menu 5 pixels inside the pane's top-left corner;
    // the mouse's menu comes with the right button's release.
    event->accept();
    if (event->reason() != QContextMenuEvent::Keyboard || !m_model->hasImage()) return;
    const ContextMenuKind kind = contextMenuFor(m_model->tool());
    if (kind != ContextMenuKind::None) m_overlays->contextMenu(QPoint(5, 5), kind == ContextMenuKind::Selection);
}

void CKelvoView::fitWhenShown() {
    m_fitPending = true;
    if (isVisible()) showEvent(nullptr);
}

void CKelvoView::showEvent(QShowEvent* event) {
    if (event != nullptr) QAbstractScrollArea::showEvent(event);
    if (!m_fitPending) return;
    // After the pending layouts, when the pane has its size.
    QTimer::singleShot(0, this, [this] {
        if (!m_fitPending || !isVisible()) return;
        m_fitPending = false;
        m_model->setPaneSize({viewport()->width(), viewport()->height()});
        m_model->fitIfLargerThanPane();
    });
}

void CKelvoView::onModelChange(uint32_t changes) {
    if (changes & (ViewChange::ScrollRange | ViewChange::ScrollPosition)) syncScrollBars();
    if (changes & ViewChange::Band) {
        if (m_model->zoomWindowActive() && !m_bandTimer->isActive()) m_bandTimer->start();
        if (!m_model->zoomWindowActive()) m_bandTimer->stop();
    }
    if (changes & ViewChange::Autoscroll) {
        if (m_model->autoscrollActive())
            m_autoscrollTimer->start();
        else
            m_autoscrollTimer->stop();
    }
    if (changes & ViewChange::RepaintImageOnly) {
        // A dynamic zoom shows the image alone while it is dragged.
        m_imageOnly = true;
        viewport()->repaint();
        m_imageOnly = false;
    }
    if (changes & (ViewChange::Repaint | ViewChange::Band | ViewChange::Autoscroll | ViewChange::Frame))
        viewport()->update();
    if (m_overlays != nullptr) {
        if (changes & (ViewChange::Frame | ViewChange::Cine)) m_overlays->documentChanged();
        if (changes & ViewChange::Tool) m_overlays->toolChanged();
    }
    if (changes & (ViewChange::Zoom | ViewChange::Tool | ViewChange::Frame | ViewChange::Cine)) emit viewStateChanged();
}

void CKelvoView::syncScrollBars() {
    m_syncing = true;
    const ScrollRange& r = m_model->scrollRange();
    const ViewSize pane = m_model->paneSize();
    horizontalScrollBar()->setRange(0, std::max(0, r.total.width - pane.width));
    verticalScrollBar()->setRange(0, std::max(0, r.total.height - pane.height));
    horizontalScrollBar()->setPageStep(std::max(1, pane.width));
    verticalScrollBar()->setPageStep(std::max(1, pane.height));
    horizontalScrollBar()->setSingleStep(std::max(1, r.line.width));
    verticalScrollBar()->setSingleStep(std::max(1, r.line.height));
    horizontalScrollBar()->setValue(m_model->scrollPosition().x);
    verticalScrollBar()->setValue(m_model->scrollPosition().y);
    m_syncing = false;
}

void CKelvoView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    m_model->setPaneSize({viewport()->width(), viewport()->height()});
    if (m_overlays != nullptr) m_overlays->documentChanged();
}

void CKelvoView::scrollContentsBy(int, int) { viewport()->update(); }

void CKelvoView::updateCursor(QPoint pane, Qt::KeyboardModifiers modifiers) {
    if (m_model->autoscrollActive()) {
        viewport()->setCursor(veltor::autoscrollCursor(veltor::autoscrollCursor(m_model->autoscrollMarker(), toView(pane))));
        return;
    }
    const ViewCursor c = m_model->cursorAt(toView(pane), toModifiers(modifiers));
    if (c == ViewCursor::ToolDefined && m_model->tool() == ViewTool::LevelWindow) {
        viewport()->setCursor(levelWindowCursor());
        return;
    }
    if (c == ViewCursor::ToolDefined) {
        if (const std::optional<QCursor> own = m_overlays->cursorAt(pane, modifiers)) {
            viewport()->setCursor(*own);
            return;
        }
    }
    viewport()->setCursor(viewCursor(c));
}

void CKelvoView::mousePressEvent(QMouseEvent* event) {
    const ViewPoint p = toView(event->position().toPoint());
    const KeyModifiers m = toModifiers(event->modifiers());
    if (event->button() == Qt::MiddleButton) {
        if (m_model->autoscrollActive())
            m_model->closeAutoscroll();
        else
            m_model->middleButtonDown(p);
        return;
    }
    m_model->closeAutoscroll();
    if (event->button() == Qt::LeftButton) m_model->leftButtonDown(p, m);
    if (event->button() == Qt::RightButton) m_model->rightButtonDown(p, m);
    updateCursor(event->position().toPoint(), event->modifiers());
}

void CKelvoView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    m_model->mouseMove(toView(p), toModifiers(event->modifiers()));
    if (m_model->hasImage()) {
        const ViewPoint ip = m_model->imagePointAt(toView(p));
        m_cursorImage = QPoint(ip.x, ip.y);
        m_cursorInside = m_model->isOverImage(toView(p));
        emit cursorMoved();
    }
    updateCursor(p, event->modifiers());
}

void CKelvoView::mouseReleaseEvent(QMouseEvent* event) {
    const ViewPoint p = toView(event->position().toPoint());
    const KeyModifiers m = toModifiers(event->modifiers());
    if (event->button() == Qt::LeftButton) m_model->leftButtonUp(p, m);
    ContextMenuKind menu = ContextMenuKind::None;
    if (event->button() == Qt::RightButton) menu = m_model->rightButtonUp(p, m);
    updateCursor(event->position().toPoint(), event->modifiers());
    if (menu != ContextMenuKind::None)
        m_overlays->contextMenu(event->position().toPoint(), menu == ContextMenuKind::Selection);
}

void CKelvoView::wheelEvent(QWheelEvent* event) {
    m_model->closeAutoscroll();
    const int delta = event->angleDelta().y();
    if (delta == 0) return;
    const WheelAction a = m_model->wheelNotch(delta > 0, event->buttons() != Qt::NoButton);
    if (a == WheelAction::Scroll) QAbstractScrollArea::wheelEvent(event);
}

void CKelvoView::keyPressEvent(QKeyEvent* event) {
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    bool handled = true;
    switch (event->key()) {
    case Qt::Key_Plus: m_model->zoomKey(ZoomKey::In); break;
    case Qt::Key_Minus: m_model->zoomKey(ZoomKey::Out); break;
    case Qt::Key_Asterisk: m_model->zoomKey(ZoomKey::Fit); break;
    case Qt::Key_Slash: m_model->zoomKey(ZoomKey::Normal); break;
    case Qt::Key_Up: m_model->scrollKey(ScrollKey::Up, shift); break;
    case Qt::Key_Home: m_model->scrollKey(ScrollKey::Home, shift); break;
    case Qt::Key_End: m_model->scrollKey(ScrollKey::End, shift); break;
    case Qt::Key_PageUp: m_model->scrollKey(ScrollKey::PageUp, shift); break;
    case Qt::Key_PageDown: m_model->scrollKey(ScrollKey::PageDown, shift); break;
    case Qt::Key_Escape: m_model->escape(); break;
    case Qt::Key_B: emit brightnessContrastRequested(); break;
    case Qt::Key_I:
    case Qt::Key_Delete:
        // Ctrl and Alt combinations belong to the window's accelerators.
        if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
            handled = false;
        else
            m_overlays->key(event->key());
        break;
    default: handled = false; break;
    }
    if (!handled) QAbstractScrollArea::keyPressEvent(event);
    // Modifier variants of the cursor follow the keyboard.
    updateCursor(viewport()->mapFromGlobal(QCursor::pos()), event->modifiers());
}

void CKelvoView::keyReleaseEvent(QKeyEvent* event) {
    QAbstractScrollArea::keyReleaseEvent(event);
    updateCursor(viewport()->mapFromGlobal(QCursor::pos()), event->modifiers());
}

void CKelvoView::focusOutEvent(QFocusEvent* event) {
    m_model->closeAutoscroll();
    QAbstractScrollArea::focusOutEvent(event);
}

void CKelvoView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const QColor background = fromColourRef(m_model->backgroundColour());
    const ImageBuffer* frame = m_doc.frameAt(-1);
    const DisplayBitmap* bitmap = frame != nullptr ? frame->display() : nullptr;
    if (bitmap == nullptr || bitmap->empty() || !m_model->hasImage()) {
        painter.fillRect(viewport()->rect(), background);
        if (m_doc.frameCount() == 0) {
            // A document of a header alone (a report, a presentation state).
            painter.setPen(background.lightness() < 128 ? Qt::white : Qt::black);
            painter.drawText(viewport()->rect(), Qt::AlignCenter, tr("No image data"));
        }
        return;
    }
    const PaintPlan plan = m_model->paintPlan();
    for (const ViewRect& margin : plan.margins) painter.fillRect(toQt(margin), background);
    // Nearest-neighbour stretch of the whole bitmap onto the destination.
    const QRect dest = toQt(plan.destination);
    painter.save();
    painter.translate(dest.left(), dest.top() + dest.height());
    painter.scale(double(dest.width()) / bitmap->width(), -double(dest.height()) / bitmap->height());
    painter.drawImage(QPointF(0, 0), displayImageOf(*bitmap));
    painter.restore();
    if (!m_imageOnly) m_overlays->paint(painter);

    if (m_model->zoomWindowActive()) {
        QPen pen(Qt::white, 1, Qt::CustomDashLine);
        pen.setDashPattern({6, 6});
        pen.setDashOffset(m_model->bandPhase());
        painter.setPen(pen);
        painter.drawRect(toQt(m_model->zoomBand()).adjusted(0, 0, -1, -1));
    }
    if (m_model->autoscrollActive()) {
        const AutoscrollMarker& marker = m_model->autoscrollMarker();
        const QRect box = toQt(marker.box);
        painter.setPen(Qt::black);
        painter.setBrush(QColor(255, 255, 255, 200));
        painter.drawEllipse(box.adjusted(0, 0, -1, -1));
        painter.drawPixmap(box.left(), box.top(), autoscrollMarkerPicture(marker.axes()));
    }
}

} // namespace veltor
