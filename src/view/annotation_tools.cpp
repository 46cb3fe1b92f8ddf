#include "view/annotation_tools.h"

#include <algorithm>
#include <cmath>

#include "document/kelvo_doc.h"

namespace veltor {

// --- Annotation Text ----------------------------------------------------------

bool AnnotationTextTool::buttonDown(const ToolInput& input) {
    if (!input.overImage) return false;
    m_press = input;
    return true;
}

void AnnotationTextTool::buttonUp(const ToolInput&) {
    if (!m_press) return;
    const ToolInput press = *m_press;
    m_press.reset();
    if (m_request) m_request(press);
}

int32_t AnnotationTextTool::placeNewAnnotation(const ToolInput& press, TextAnnotation a, bool allFrames) {
    a.kind = kAnnotationKind;
    a.text = annotationText(a.text);
    if (a.text.empty()) return 0;
    const TextExtent e = m_overlays.measurer()(a.font, a.text);
    const ViewPoint at = annotationOrigin(press.pane, press.scroll, press.imageRect, press.zoom, e.height);
    a.box = {at.x, at.y, e.width, e.height};
    return m_overlays.placeAnnotation(a, allFrames);
}

// --- Move Annotation -----------------------------------------------------------

ViewPoint MoveAnnotationTool::positionFor(const ToolInput& input) const {
    const ViewPoint d = constrainedDrag(m_press, input.pane, input.modifiers);
    const double z = input.zoom;
    const int32_t left = input.imageRect.left - input.scroll.x;
    const int32_t top = input.imageRect.top - input.scroll.y;
    const int32_t x = int32_t(std::trunc(z * m_dragged.box.x + d.x + 0.5)) + left;
    const int32_t y = int32_t(std::trunc(z * m_dragged.box.y + d.y + 0.5)) + top;
    return {std::max(x, left), std::max(y, top)};
}

bool MoveAnnotationTool::buttonDown(const ToolInput& input) {
    if (!input.overImage) return false;
    const OverlayHit hit = m_overlays.hitTest(-1, input.image);
    if (!hit || hit.kind != OverlayKind::Annotation) return false;
    m_index = hit.index;
    m_frame = m_overlays.document().currentFrame();
    m_dragged = m_overlays.level(m_frame)->annotations[size_t(hit.index)];
    m_press = input.pane;
    m_position = positionFor(input);
    notify();
    return true;
}

void MoveAnnotationTool::mouseMove(const ToolInput& input) {
    if (!dragging()) return;
    const ViewPoint p = positionFor(input);
    if (p == m_position) return;
    m_position = p;
    notify();
}

void MoveAnnotationTool::buttonUp(const ToolInput& input) {
    if (!dragging()) return;
    const int32_t index = m_index;
    m_index = -1;
    const ViewPoint offset = dragImageOffset(constrainedDrag(m_press, input.pane, input.modifiers), input.zoom);
    // A drag that ends where it began, or on another frame, moves nothing.
    if ((offset.x != 0 || offset.y != 0) && m_frame == m_overlays.document().currentFrame())
        m_overlays.moveAnnotationOnFrames(index, offset);
    notify();
}

void MoveAnnotationTool::deactivated() {
    if (!dragging()) return;
    m_index = -1;
    notify();
}

// --- Delete Annotation -----------------------------------------------------------

bool DeleteAnnotationTool::buttonDown(const ToolInput& input) {
    if (!input.overImage) return false;
    const OverlayHit hit = m_overlays.hitTest(-1, input.image);
    if (hit && m_overlays.deleteItem(hit) > 0 && m_listener) m_listener();
    return false;
}

} // namespace veltor
