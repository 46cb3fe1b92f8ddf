#include "view/level_window_tool.h"

#include "document/kelvo_doc.h"

namespace veltor {

bool LevelWindowTool::buttonDown(const ToolInput& input) {
    if (m_active || !input.overImage) return false;
    ImageBuffer* frame = m_doc.frameAt(-1);
    // Colour frames are shown without a window.
    if (frame == nullptr || !frame->hasStore() || frame->isColour()) return false;
    if (frame->beginWindowTrial() != 1) return false;
    m_active = true;
    m_frame = m_doc.currentFrame();
    m_start = input.pane;
    m_startWindow = {frame->windowCenter(), frame->windowWidth()};
    m_shown = m_startWindow;
    m_min = frame->minValue();
    m_max = frame->maxValue();
    return true;
}

Window LevelWindowTool::windowAt(ViewPoint pane) const {
    return dragWindow(m_min, m_max, m_startWindow, m_start.x, m_start.y, pane.x, pane.y);
}

void LevelWindowTool::mouseMove(const ToolInput& input) {
    if (!m_active) return;
    ImageBuffer* frame = m_doc.frameAt(m_frame);
    if (frame == nullptr) return;
    const Window w = windowAt(input.pane);
    if (w == m_shown) return; // nothing new to paint
    m_shown = w;
    // Live values only: nothing is recorded until the release.
    frame->showWindow(w.center, w.width);
    frame->rebuildDisplay();
    notify(false);
}

void LevelWindowTool::buttonUp(const ToolInput& input) {
    if (!m_active) return;
    m_active = false;
    ImageBuffer* frame = m_doc.frameAt(m_frame);
    if (frame == nullptr) return;
    // Back to the window of the press, then one recorded change.
    frame->endWindowTrial(true);
    const Window w = windowAt(input.pane);
    if (m_doc.applyToAll()) {
        applyWindow(m_doc, w, true);
    } else if (w != m_startWindow && frame->setWindow(w.center, w.width) == 1) {
        // The dragged frame, even if another one is shown by now.
        frame->rebuildDisplay();
        m_doc.frameHistory().appendMark(m_frame, FrameEditKind::Image);
    }
    notify(true);
}

void LevelWindowTool::deactivated() {
    if (!m_active) return;
    m_active = false;
    if (ImageBuffer* frame = m_doc.frameAt(m_frame)) frame->endWindowTrial(true);
    notify(true);
}

} // namespace veltor
