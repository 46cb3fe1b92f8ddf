#include "view/image_view_model.h"

#include <algorithm>
#include <cmath>

#include "view/zoom_box.h"

namespace veltor {

ImageViewModel::ImageViewModel(ViewDocument& document, const UserOptions& options)
    : m_doc(document), m_options(options), m_background(options.docBgColor()) {
    relayout();
}

void ImageViewModel::setBackgroundColour(uint32_t colour) {
    m_background = colour & 0x00FFFFFFu;
    notify(ViewChange::Repaint);
}

void ImageViewModel::notify(uint32_t changes) {
    if (changes != 0 && m_onChange) m_onChange(changes);
}

// --- pane, layout and scrolling -------------------------------------------

float ImageViewModel::zoom() const {
    return clampZoom(m_doc.zoom());
}

ViewSize ImageViewModel::displayedSize() const {
    if (!hasImage()) return {};
    return veltor::displayedSize(m_doc.imageWidth(), m_doc.imageHeight(), zoom());
}

bool ImageViewModel::imageExceedsPane() const {
    const ViewSize d = displayedSize();
    return hasImage() && (d.width > m_pane.width || d.height > m_pane.height);
}

void ImageViewModel::relayout() {
    const ViewSize d = displayedSize();
    if (!m_anchored) {
        m_imageRect = imageRectangle(d, m_pane);
        return;
    }
    const float z = zoom();
    const AnchoredAxis x =
        anchoredAxis(d.width, m_pane.width, m_scroll.x, z, m_anchorImage.x, m_anchorPane.x);
    const AnchoredAxis y =
        anchoredAxis(d.height, m_pane.height, m_scroll.y, z, m_anchorImage.y, m_anchorPane.y);
    m_imageRect = {x.origin, y.origin, x.origin + d.width, y.origin + d.height};
    m_correction = {x.correction, y.correction};
}

void ImageViewModel::setScrollRange(const ScrollRange& range) {
    m_range = range;
    m_scroll = clampScrollPosition(m_scroll, m_range, m_pane);
    relayout();
    notify(ViewChange::ScrollRange | ViewChange::ScrollPosition);
}

void ImageViewModel::updateScrollRange() {
    setScrollRange(scrollRangeFor(displayedSize(), m_pane));
}

void ImageViewModel::setPaneSize(ViewSize pane) {
    m_pane = {std::max(pane.width, 0), std::max(pane.height, 0)};
    documentChanged();
}

void ImageViewModel::moveScroll(ViewPoint position) {
    const ViewPoint clamped = clampScrollPosition(position, m_range, m_pane);
    if (clamped == m_scroll) return;
    m_scroll = clamped;
    relayout();
    notify(ViewChange::ScrollPosition | ViewChange::Repaint);
}

void ImageViewModel::scrollTo(ViewPoint position) {
    moveScroll(position);
}

void ImageViewModel::resetScroll() {
    m_scroll = {0, 0};
    updateScrollRange();
    notify(ViewChange::Repaint);
}

void ImageViewModel::documentChanged() {
    // A zoom gesture keeps its temporary range until the button is released.
    if (m_gesture == Gesture::ZoomClick || m_gesture == Gesture::ZoomDynamic)
        setScrollRange(m_range);
    else
        updateScrollRange();
    notify(ViewChange::Repaint);
}

bool ImageViewModel::isOverImage(ViewPoint pane) const {
    return hasImage() && veltor::isOverImage(m_imageRect, pane);
}

ViewPoint ImageViewModel::imagePointAt(ViewPoint pane) const {
    return paneToImage(m_imageRect, m_scroll, zoom(), pane);
}

ViewPoint ImageViewModel::imageToPane(ViewPoint image) const {
    return veltor::imageToPane(m_imageRect, zoom(), image);
}

PaintPlan ImageViewModel::paintPlan() const {
    if (!hasImage()) return {};
    return paintPlanFor(m_imageRect, m_scroll, m_pane);
}

// --- zoom -----------------------------------------------------------------

bool ImageViewModel::storeZoom(float z) {
    if (std::isnan(z)) return false;
    m_doc.setZoom(clampZoom(z));
    return true;
}

bool ImageViewModel::applyZoom(float z, ZoomChangeKind kind) {
    if (!hasImage() || !storeZoom(z)) return false;
    updateScrollRange();
    pushZoomHistory(kind);
    notify(ViewChange::Zoom | ViewChange::Repaint);
    return true;
}

void ImageViewModel::pushZoomHistory(ZoomChangeKind kind) {
    m_history.push(m_scroll.x, m_scroll.y, zoom(), kind);
}

bool ImageViewModel::zoomNormal() {
    return applyZoom(1.0f, ZoomChangeKind::Other);
}

bool ImageViewModel::zoomLimits() {
    if (!hasImage()) return false;
    const std::optional<float> fit = zoomToFit(m_pane, m_doc.imageWidth(), m_doc.imageHeight());
    return fit && applyZoom(*fit, ZoomChangeKind::Other);
}

bool ImageViewModel::fitIfLargerThanPane() {
    return imageExceedsPane() && zoomLimits();
}

bool ImageViewModel::zoomKey(ZoomKey key) {
    if (!hasImage() || m_bandActive) return false;
    std::optional<float> next;
    switch (key) {
    case ZoomKey::In:
        next = zoomKeyIn(zoom());
        break;
    case ZoomKey::Out:
        next = zoomKeyOut(zoom());
        break;
    case ZoomKey::Fit:
        return zoomLimits();
    case ZoomKey::Normal:
        if (sameZoom(zoom(), 1.0)) return false;
        return zoomNormal();
    }
    return next && applyZoom(*next, ZoomChangeKind::Other);
}

WheelAction ImageViewModel::wheelNotch(bool awayFromUser, bool anyButtonHeld) {
    closeAutoscroll();
    if (!hasImage() || !m_options.useMButton() || anyButtonHeld) return WheelAction::Scroll;
    const std::optional<float> next = zoomWheelNotch(zoom(), awayFromUser);
    if (!next) return WheelAction::Ignored;
    applyZoom(*next, ZoomChangeKind::Wheel);
    return WheelAction::Zoomed;
}

bool ImageViewModel::zoomBoxEntry(const std::string& text) {
    if (!hasImage()) return false;
    const std::optional<ZoomBoxRequest> request = parseZoomBoxEntry(text);
    if (!request) return false;
    if (request->fit) return zoomLimits();
    return applyZoom(request->zoom, ZoomChangeKind::Other);
}

void ImageViewModel::goToHistoryEntry(const ZoomHistoryEntry& entry) {
    storeZoom(static_cast<float>(entry.zoom));
    updateScrollRange();
    ViewPoint target = m_scroll;
    if (entry.scrollX != m_scroll.x) target.x = entry.scrollX;
    if (entry.scrollY != m_scroll.y) target.y = entry.scrollY;
    moveScroll(target);
    notify(ViewChange::Zoom | ViewChange::Repaint);
}

bool ImageViewModel::previousZoom() {
    if (!canPreviousZoom()) return false;
    goToHistoryEntry(*m_history.back());
    return true;
}

bool ImageViewModel::nextZoom() {
    if (!canNextZoom()) return false;
    goToHistoryEntry(*m_history.forward());
    return true;
}

// --- tools ----------------------------------------------------------------

ViewToolHandler* ImageViewModel::handlerFor(ViewTool tool) const {
    const auto i = static_cast<size_t>(tool);
    return i < m_handlers.size() ? m_handlers[i] : nullptr;
}

bool ImageViewModel::toolAvailable(ViewTool tool) const {
    return viewToolInfo(tool).builtIn || handlerFor(tool) != nullptr;
}

void ImageViewModel::setToolHandler(ViewTool tool, ViewToolHandler* handler) {
    const auto i = static_cast<size_t>(tool);
    if (i >= m_handlers.size() || viewToolInfo(tool).builtIn) return;
    if (m_tool == tool) {
        cancelGesture(); // the old handler's gesture ends with it
        if (handler == nullptr) {
            m_tool = ViewTool::PanHand;
            notify(ViewChange::Tool);
        }
    }
    m_handlers[i] = handler;
}

bool ImageViewModel::setTool(ViewTool tool) {
    if (!hasImage() || isMovieTool(tool) || !toolAvailable(tool)) return false;
    if (playing()) stopPlayback();
    cancelGesture();
    if (tool != m_tool) {
        if (ViewToolHandler* old = handlerFor(m_tool)) old->deactivated();
        m_tool = tool;
    }
    notify(ViewChange::Tool);
    return true;
}

ToolInput ImageViewModel::toolInput(ViewPoint pane, KeyModifiers modifiers) const {
    return {pane, imagePointAt(pane), isOverImage(pane), modifiers, zoom(), m_scroll, m_imageRect};
}

void ImageViewModel::cancelGesture() {
    if (m_gesture == Gesture::None && !m_mouseDown) return;
    if (m_gesture == Gesture::Handler) {
        if (ViewToolHandler* h = handlerFor(m_tool)) h->deactivated();
    }
    const bool rangeWasTemporary =
        m_gesture == Gesture::ZoomClick || m_gesture == Gesture::ZoomDynamic;
    m_gesture = Gesture::None;
    m_mouseDown = false;
    m_rightZoomGesture = false;
    m_rightHandlerGesture = false;
    m_anchored = false;
    m_correction = {};
    if (m_bandActive) {
        m_bandActive = false;
        notify(ViewChange::Band);
    }
    if (rangeWasTemporary) updateScrollRange();
    relayout();
    notify(ViewChange::Repaint);
}

// Zoom In/Out and Zoom Dynamic: the anchor pixel stays under the press while
// the button is down. The scroll range is 100 x 100 meanwhile; the anchored
// layout works out the scroll position to take on release.
void ImageViewModel::beginAnchoredGesture(Gesture gesture, ViewPoint pane,
                                          std::optional<float> newZoom) {
    m_anchored = isOverImage(pane);
    m_anchorImage = imagePointAt(pane);
    m_anchorPane = pane;
    m_lastY = pane.y;
    m_gesture = gesture;
    m_mouseDown = true;
    if (newZoom) storeZoom(*newZoom);
    setScrollRange(scrollRangeOfTotal({100, 100}));
    notify(ViewChange::Zoom | ViewChange::Repaint);
}

void ImageViewModel::endAnchoredGesture() {
    const ViewPoint correction = m_anchored ? m_correction : ViewPoint{};
    const ViewPoint before = m_scroll;
    m_anchored = false;
    m_correction = {};
    m_gesture = Gesture::None;
    m_rightZoomGesture = false;
    updateScrollRange();
    ViewPoint target = m_scroll;
    if (before.x + correction.x > 0) target.x = before.x + correction.x;
    if (before.y + correction.y > 0) target.y = before.y + correction.y;
    moveScroll(target);
    pushZoomHistory(ZoomChangeKind::Other);
    notify(ViewChange::Zoom | ViewChange::Repaint);
}

void ImageViewModel::endZoomWindow() {
    m_bandActive = false;
    m_gesture = Gesture::None;
    const ZoomWindowResult r = zoomWindow(m_band, m_imageRect, m_scroll, zoom(), m_doc.imageWidth(),
                                          m_doc.imageHeight(), m_pane);
    notify(ViewChange::Band);
    if (!r.changes) {
        notify(ViewChange::Repaint);
        return;
    }
    storeZoom(r.zoom);
    updateScrollRange();
    ViewPoint target = m_scroll;
    if (r.scroll.x > 0) target.x = r.scroll.x;
    if (r.scroll.y > 0) target.y = r.scroll.y;
    moveScroll(target);
    pushZoomHistory(ZoomChangeKind::Other);
    notify(ViewChange::Zoom | ViewChange::Repaint);
}

void ImageViewModel::leftButtonDown(ViewPoint pane, KeyModifiers modifiers) {
    closeAutoscroll();
    m_previousMouse = pane;
    if (!hasImage() || m_gesture != Gesture::None) return;
    const bool over = isOverImage(pane);
    switch (m_tool) {
    case ViewTool::PanHand:
        if (!over) return;
        m_gesture = Gesture::Pan;
        m_mouseDown = true;
        notify(ViewChange::Tool);
        return;
    case ViewTool::ZoomInOut:
        beginAnchoredGesture(Gesture::ZoomClick, pane, zoomClickStep(zoom(), modifiers.ctrl));
        return;
    case ViewTool::ZoomDynamic:
        if (over) beginAnchoredGesture(Gesture::ZoomDynamic, pane, std::nullopt);
        return;
    case ViewTool::ZoomWindow:
        if (!over) return;
        m_bandStart = pane;
        m_band = {pane.x, pane.y, pane.x, pane.y};
        m_bandActive = true;
        m_gesture = Gesture::ZoomWindow;
        m_mouseDown = true;
        notify(ViewChange::Band);
        return;
    case ViewTool::Movie:
    case ViewTool::ReverseMovie:
        stopPlayback();
        return;
    default:
        if (ViewToolHandler* h = handlerFor(m_tool);
            h != nullptr && h->buttonDown(toolInput(pane, modifiers))) {
            m_gesture = Gesture::Handler;
            m_mouseDown = true;
        }
        return;
    }
}

void ImageViewModel::rightButtonDown(ViewPoint pane, KeyModifiers modifiers) {
    closeAutoscroll();
    m_previousMouse = pane;
    if (hasImage() && m_gesture == Gesture::None && m_tool != ViewTool::ZoomInOut) {
        if (ViewToolHandler* h = handlerFor(m_tool); h != nullptr && h->rightButtonDown(toolInput(pane, modifiers))) {
            m_gesture = Gesture::Handler;
            m_rightHandlerGesture = true;
        }
        return;
    }
    if (!hasImage() || m_gesture != Gesture::None || m_tool != ViewTool::ZoomInOut ||
        !isOverImage(pane))
        return;
    m_rightZoomGesture = true;
    beginAnchoredGesture(Gesture::ZoomClick, pane, zoomClickStep(zoom(), !modifiers.ctrl));
}

void ImageViewModel::mouseMove(ViewPoint pane, KeyModifiers modifiers) {
    const ViewPoint previous = m_previousMouse;
    m_previousMouse = pane;
    switch (m_gesture) {
    case Gesture::Pan: {
        // Only an axis on which the image is larger than the pane pans.
        const double z = zoom();
        ViewPoint target = m_scroll;
        if (z * m_doc.imageWidth() > m_pane.width) target.x = m_scroll.x + (previous.x - pane.x);
        if (z * m_doc.imageHeight() > m_pane.height) target.y = m_scroll.y + (previous.y - pane.y);
        moveScroll(target);
        return;
    }
    case Gesture::ZoomDynamic:
        if (!isOverImage(pane)) return;
        storeZoom(zoomDynamicStep(zoom(), m_lastY, pane.y));
        m_lastY = pane.y;
        relayout();
        notify(ViewChange::Zoom | ViewChange::RepaintImageOnly);
        return;
    case Gesture::ZoomWindow:
        if (!isOverImage(pane)) return;
        m_band = normalisedRect(m_bandStart, pane);
        notify(ViewChange::Band);
        return;
    case Gesture::Handler:
        if (ViewToolHandler* h = handlerFor(m_tool)) h->mouseMove(toolInput(pane, modifiers));
        return;
    case Gesture::None:
        if (ViewToolHandler* h = handlerFor(m_tool); h != nullptr && hasImage())
            h->hover(toolInput(pane, modifiers));
        return;
    case Gesture::ZoomClick:
        return;
    }
}

void ImageViewModel::leftButtonUp(ViewPoint pane, KeyModifiers modifiers) {
    m_previousMouse = pane;
    switch (m_gesture) {
    case Gesture::Pan:
        m_gesture = Gesture::None;
        notify(ViewChange::Tool);
        break;
    case Gesture::ZoomClick:
        if (!m_rightZoomGesture) endAnchoredGesture();
        break;
    case Gesture::ZoomDynamic:
        endAnchoredGesture();
        break;
    case Gesture::ZoomWindow:
        endZoomWindow();
        break;
    case Gesture::Handler:
        if (m_rightHandlerGesture) break; // the right button's gesture goes on
        m_gesture = Gesture::None;
        if (ViewToolHandler* h = handlerFor(m_tool)) h->buttonUp(toolInput(pane, modifiers));
        break;
    case Gesture::None:
        break;
    }
    if (m_gesture == Gesture::None) m_mouseDown = false;
}

ContextMenuKind ImageViewModel::rightButtonUp(ViewPoint pane, KeyModifiers modifiers) {
    m_previousMouse = pane;
    if (m_gesture == Gesture::Handler && m_rightHandlerGesture) {
        m_gesture = Gesture::None;
        m_rightHandlerGesture = false;
        if (ViewToolHandler* h = handlerFor(m_tool)) h->rightButtonUp(toolInput(pane, modifiers));
        return ContextMenuKind::None;
    }
    if (m_gesture == Gesture::ZoomClick && m_rightZoomGesture) {
        endAnchoredGesture();
        m_mouseDown = false;
        return ContextMenuKind::None;
    }
    if (!hasImage() || m_gesture != Gesture::None) return ContextMenuKind::None;
    return contextMenuFor(m_tool);
}

ViewCursor ImageViewModel::cursorAt(ViewPoint pane, KeyModifiers modifiers) const {
    if (playing()) return ViewCursor::Playback;
    if (m_gesture == Gesture::Pan) return ViewCursor::Grabbing;
    if (!isOverImage(pane)) return ViewCursor::Arrow;
    switch (m_tool) {
    case ViewTool::PanHand:
        return ViewCursor::Cross;
    case ViewTool::ZoomInOut:
        return modifiers.ctrl ? ViewCursor::ZoomOut : ViewCursor::ZoomIn;
    case ViewTool::ZoomWindow:
        return ViewCursor::ZoomWindow;
    case ViewTool::ZoomDynamic:
        return ViewCursor::ZoomDynamic;
    default:
        return ViewCursor::ToolDefined;
    }
}

void ImageViewModel::bandTick() {
    if (!m_bandActive) return;
    m_bandPhase = (m_bandPhase + 1) % 12;
    notify(ViewChange::Band);
}

// --- keys -------------------------------------------------------------------

bool ImageViewModel::scrollKey(ScrollKey key, bool shift) {
    if (!hasImage() || m_tool != ViewTool::PanHand || m_gesture != Gesture::None) return false;
    const int32_t step = shift ? 1 : 10;
    const ViewPoint most = maxScrollPosition(m_range, m_pane);
    const bool wider = m_range.total.width > m_pane.width;
    const bool taller = m_range.total.height > m_pane.height;
    ViewPoint target = m_scroll;
    switch (key) {
    case ScrollKey::Left:
        if (m_scroll.x > 0) target.x -= step;
        break;
    case ScrollKey::Up:
        if (m_scroll.y > 0) target.y -= step;
        break;
    case ScrollKey::Right:
        if (wider) target.x += step;
        break;
    case ScrollKey::Down:
        if (taller) target.y += step;
        break;
    case ScrollKey::Home:
        if (wider && m_scroll.x != 0) target.x = 0;
        break;
    case ScrollKey::End:
        if (wider && m_scroll.x != most.x) target.x = most.x;
        break;
    case ScrollKey::PageUp:
        if (taller && m_scroll.y != 0) target.y = 0;
        break;
    case ScrollKey::PageDown:
        if (taller && m_scroll.y != most.y) target.y = most.y;
        break;
    }
    const ViewPoint before = m_scroll;
    moveScroll(target);
    return m_scroll != before;
}

bool ImageViewModel::escape() {
    if (playing()) {
        stopPlayback();
        return true;
    }
    ViewToolHandler* h = handlerFor(m_tool);
    return h != nullptr && hasImage() && h->escape();
}

// --- autoscroll -------------------------------------------------------------

bool ImageViewModel::middleButtonDown(ViewPoint pane) {
    if (m_autoscrollActive) {
        closeAutoscroll();
        return false;
    }
    if (!hasImage() || m_mouseDown || playing()) return false;
    const ViewSize d = displayedSize();
    const bool horizontal = d.width > m_pane.width;
    const bool vertical = d.height > m_pane.height;
    if (!horizontal && !vertical) return false;
    m_marker = autoscrollMarkerAt(pane, horizontal, vertical);
    m_autoscrollActive = true;
    notify(ViewChange::Autoscroll);
    return true;
}

bool ImageViewModel::autoscrollTick(ViewPoint pane) {
    if (!m_autoscrollActive) return false;
    const ViewPoint step = autoscrollStep(m_marker, pane);
    const ViewPoint before = m_scroll;
    moveScroll({m_scroll.x + step.x, m_scroll.y + step.y});
    return m_scroll != before;
}

void ImageViewModel::closeAutoscroll() {
    if (!m_autoscrollActive) return;
    m_autoscrollActive = false;
    notify(ViewChange::Autoscroll);
}

// --- frames and playback ----------------------------------------------------

NavigationEnables ImageViewModel::navigationEnables() const {
    return veltor::navigationEnables(
        {hasImage(), m_doc.currentFrame(), m_doc.frameCount(), m_doc.frameTime()});
}

bool ImageViewModel::stepFrame(FrameStep step) {
    if (!hasImage() || m_doc.frameCount() <= 1) return false;
    if (const std::optional<int32_t> target =
            steppedFrame(step, m_doc.currentFrame(), m_doc.frameCount())) {
        m_doc.setCurrentFrame(*target);
        // Frames may differ in size: the range follows the frame shown.
        updateScrollRange();
        notify(ViewChange::Frame);
    }
    notify(ViewChange::Repaint);
    return true;
}

bool ImageViewModel::movieCommand(CineDirection direction, double nowMs) {
    const ViewTool wanted =
        direction == CineDirection::Forward ? ViewTool::Movie : ViewTool::ReverseMovie;
    if (m_tool == wanted) {
        stopPlayback();
        return true;
    }
    if (playing()) {
        // The other direction: the playback goes on the other way and still
        // returns to the frame where it began.
        m_cine.setDirection(direction);
        m_tool = wanted;
        notify(ViewChange::Tool);
        return true;
    }
    if (!navigationEnables().movie) return false;
    cancelGesture();
    closeAutoscroll();
    if (ViewToolHandler* old = handlerFor(m_tool)) old->deactivated();
    m_tool = wanted;
    m_cine.start(direction, m_doc.currentFrame(), nowMs);
    m_cineRect = m_imageRect.translated(-m_scroll.x, -m_scroll.y);
    notify(ViewChange::Tool | ViewChange::Cine);
    return true;
}

std::optional<int32_t> ImageViewModel::cineTick(double nowMs) {
    if (!playing()) return std::nullopt;
    const std::optional<int32_t> frame =
        m_cine.poll(nowMs, m_doc.frameTime(), m_doc.currentFrame(), m_doc.frameCount());
    if (!frame) return std::nullopt;
    m_doc.setCurrentFrame(*frame);
    relayout();
    m_cineRect = m_cineRect.united(m_imageRect.translated(-m_scroll.x, -m_scroll.y));
    notify(ViewChange::Frame);
    return frame;
}

double ImageViewModel::cineMsUntilDue(double nowMs) const {
    return playing() ? m_cine.msUntilDue(nowMs, m_doc.frameTime()) : 0.0;
}

void ImageViewModel::stopPlayback() {
    if (!playing()) return;
    m_tool = ViewTool::PanHand;
    m_doc.setCurrentFrame(m_cine.stop());
    relayout();
    notify(ViewChange::Tool | ViewChange::Cine | ViewChange::Frame | ViewChange::Repaint);
}

} // namespace veltor
