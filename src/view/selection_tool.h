// The Selection Rectangle tool: a drag makes a rectangle that replaces the
// selection, or with Shift is added to it, with Ctrl taken from it and with
// Shift and Ctrl intersected with it, on the current frame or on all frames.
#pragma once

#include <functional>

#include "view/selection_commands.h"
#include "view/view_tools.h"

namespace veltor {

class CKelvoDoc;

class SelectionTool final : public ViewToolHandler {
  public:
    // `released`: the drag ended and the selection may have changed.
    using Listener = std::function<void(bool released)>;
    explicit SelectionTool(CKelvoDoc& doc) : m_doc(doc) {}
    void setListener(Listener listener) { m_listener = std::move(listener); }

    // Anywhere in the pane: the image pixels are clamped on release.
    bool buttonDown(const ToolInput& input) override;
    void mouseMove(const ToolInput& input) override;
    void buttonUp(const ToolInput& input) override;
    void deactivated() override;

    bool dragging() const { return m_dragging; }
    SelectionMode mode() const { return m_mode; }
    // The rubber band in pane coordinates, normalised.
    ViewRect band() const;

  private:
    void notify(bool released) {
        if (m_listener) m_listener(released);
    }
    CKelvoDoc& m_doc;
    Listener m_listener;
    bool m_dragging = false;
    SelectionMode m_mode = SelectionMode::New;
    ViewPoint m_press;
    ViewPoint m_now;
};

} // namespace veltor
