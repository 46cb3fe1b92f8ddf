// The Level-Window tool: dragging over the image sets the current frame's
// window centre (vertical movement) and width (horizontal movement). While
// the button is down the changes leave no history; the release records one
// window change on the current frame, or on every frame with "Apply to all".
#pragma once

#include <functional>

#include "document/windowing.h"
#include "view/view_tools.h"

namespace veltor {

class CKelvoDoc;

class LevelWindowTool final : public ViewToolHandler {
  public:
    // Told after every window change of a gesture; `released` is true for the
    // recorded change at the end (and for an abandoned gesture's restore).
    using Listener = std::function<void(bool released)>;

    explicit LevelWindowTool(CKelvoDoc& doc) : m_doc(doc) {}
    void setListener(Listener listener) { m_listener = std::move(listener); }

    bool buttonDown(const ToolInput& input) override;
    void mouseMove(const ToolInput& input) override;
    void buttonUp(const ToolInput& input) override;
    void deactivated() override;

    bool dragging() const { return m_active; }

  private:
    Window windowAt(ViewPoint pane) const;
    void notify(bool released) {
        if (m_listener) m_listener(released);
    }

    CKelvoDoc& m_doc;
    Listener m_listener;
    bool m_active = false;
    int32_t m_frame = -1;
    ViewPoint m_start;
    Window m_startWindow;
    Window m_shown;
    int32_t m_min = 0;
    int32_t m_max = 0;
};

} // namespace veltor
