// The Crop tool: a rectangle dragged over the image, adjusted by its eight
// handles, moved with the right button and shown in the crop panel; a click
// inside it crops the frame (or every frame in Apply to all mode) to it.
// Rectangles are inclusive image pixels.
#pragma once

#include <cstdint>
#include <functional>

#include "imaging/image_rect.h"
#include "view/view_tools.h"

namespace veltor {

class CKelvoDoc;
class DocumentOverlays;

// Where a point lies relative to a crop rectangle. "Near" an edge is within
// 5 pixels inside it; the middle zone of an edge runs from its midpoint - 3
// to its midpoint + 2.
enum class CropHandle {
    None,
    TopLeft,
    Top,
    TopRight,
    Left,
    Right,
    BottomLeft,
    Bottom,
    BottomRight,
    Inside,  // anywhere else inside: a click crops, the right button moves
    Outside, // a click removes the rectangle
};
CropHandle classifyCropPoint(const ImageRect& rect, ViewPoint image);

// A handle dragged by `paneDelta` (press point minus cursor, pane pixels):
// each edge it names moves to its starting value minus trunc(delta / zoom),
// then left and top stay within 0 .. right - 10 and bottom - 10, right and
// bottom within left + 10 and top + 10 .. the frame's last pixel, taken in
// the order left, top, right, bottom.
ImageRect dragCropHandle(const ImageRect& start, CropHandle handle, ViewPoint paneDelta, float zoom,
                         int32_t frameWidth, int32_t frameHeight);
// The whole rectangle moved by the right button: its size never changes and
// it stops at the frame's edges.
ImageRect moveCropRect(const ImageRect& start, ViewPoint paneDelta, float zoom, int32_t frameWidth,
                       int32_t frameHeight);
// A new rectangle stays only when both sides span more than 9 pixels.
bool acceptableNewCropRect(const ImageRect& rect);

class CropTool final : public ViewToolHandler {
  public:
    // `cropped`: the frames were cropped (sizes changed).
    using Listener = std::function<void(bool cropped)>;
    CropTool(CKelvoDoc& doc, DocumentOverlays& overlays) : m_doc(doc), m_overlays(overlays) {}
    void setListener(Listener listener) { m_listener = std::move(listener); }

    bool buttonDown(const ToolInput& input) override;
    void mouseMove(const ToolInput& input) override;
    void buttonUp(const ToolInput& input) override;
    bool rightButtonDown(const ToolInput& input) override;
    void rightButtonUp(const ToolInput&) override;
    bool escape() override;
    void deactivated() override { hide(); }

    bool shown() const { return m_shown; }
    const ImageRect& rect() const { return m_rect; }
    // A new rectangle is being dragged: its band in pane coordinates.
    bool stretching() const { return m_state == State::Stretch; }
    ViewRect band() const;
    CropHandle activeHandle() const { return m_state == State::Handle ? m_handle : CropHandle::None; }
    bool moving() const { return m_state == State::Move; }

    // The panel's accepted edits, or Undo's clean-up.
    void setRect(const ImageRect& rect);
    void hide();

  private:
    enum class State { Idle, Stretch, Handle, Move };
    void notify(bool cropped = false) {
        if (m_listener) m_listener(cropped);
    }
    bool frameSize(int32_t& width, int32_t& height);

    CKelvoDoc& m_doc;
    DocumentOverlays& m_overlays;
    Listener m_listener;
    bool m_shown = false;
    ImageRect m_rect;
    State m_state = State::Idle;
    CropHandle m_handle = CropHandle::None;
    ImageRect m_start;
    ViewPoint m_press;
    ViewPoint m_now;
};

} // namespace veltor
