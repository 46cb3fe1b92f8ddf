#include "view/selection_tool.h"

#include "document/kelvo_doc.h"
#include "view/zoom_math.h"

namespace veltor {

bool SelectionTool::buttonDown(const ToolInput& input) {
    m_mode = selectionModeFor(input.modifiers);
    m_press = m_now = input.pane;
    m_dragging = true;
    notify(false);
    return true;
}

void SelectionTool::mouseMove(const ToolInput& input) {
    if (!m_dragging || input.pane == m_now) return;
    m_now = input.pane;
    notify(false);
}

void SelectionTool::buttonUp(const ToolInput& input) {
    if (!m_dragging) return;
    m_dragging = false;
    m_now = input.pane;
    const ImageBuffer* frame = m_doc.frameAt(-1);
    if (frame != nullptr) {
        const ImageRect r =
            bandToImage(band(), input.scroll, input.imageRect, input.zoom, frame->width(), frame->height());
        applySelection(m_doc, m_mode, r);
    }
    notify(true);
}

void SelectionTool::deactivated() {
    if (!m_dragging) return;
    m_dragging = false;
    notify(false);
}

ViewRect SelectionTool::band() const { return normalisedRect(m_press, m_now); }

} // namespace veltor
