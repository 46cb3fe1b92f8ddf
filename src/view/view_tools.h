// The image view's tool modes and the door through which tools of other
// modules (annotations, measurements, selection, crop, level-window) receive
// the mouse gestures the view dispatches to them.
#pragma once

#include <cstdint>

#include "view/view_geometry.h"

namespace veltor {

// One tool is active per view; the values are stable (Pan Hand is 0).
enum class ViewTool : int32_t {
    PanHand = 0,
    ZoomInOut,
    ZoomWindow,
    ZoomDynamic,
    Movie,
    ReverseMovie,
    AnnotationText,
    SelectionRectangle,
    MoveAnnotation,
    DeleteAnnotation,
    MeasureLength,
    MeasureAngle,
    Crop,
    LevelWindow,
};
constexpr int32_t kViewToolCount = 14;

struct ViewToolInfo {
    ViewTool tool;
    const char* name;          // the tool's name
    const char* paletteButton; // its button in the tool palette, or null
    bool builtIn;              // its gestures are the view model's own
};
// Indexed by the tool's value.
const ViewToolInfo& viewToolInfo(ViewTool tool);

// Playback sets these tools; no tool command chooses them.
constexpr bool isMovieTool(ViewTool t) {
    return t == ViewTool::Movie || t == ViewTool::ReverseMovie;
}

struct KeyModifiers {
    bool shift = false;
    bool ctrl = false;
};

// What a tool's handler receives for each mouse message of its gesture.
struct ToolInput {
    ViewPoint pane;  // the mouse in pane coordinates
    ViewPoint image; // the pixel under it, clamped to the image
    bool overImage = false;
    KeyModifiers modifiers;
    // The layout the point was taken in, for tools that work in pane pixels.
    float zoom = 1.0f;
    ViewPoint scroll;
    ViewRect imageRect; // content coordinates
};

// A tool whose behaviour lives outside the view model. The view calls
// buttonDown for every left press while the tool is active (the handler
// decides whether the press must lie over the image); when it returns true a
// gesture is in progress and the following moves and the release go to it.
class ViewToolHandler {
  public:
    virtual ~ViewToolHandler() = default;
    virtual bool buttonDown(const ToolInput& input) = 0;
    virtual void mouseMove(const ToolInput& input) = 0;
    virtual void buttonUp(const ToolInput& input) = 0;
    // The tool stopped being the active one, or its gesture was abandoned
    // (a movie started, the tool was chosen again). May come more than once.
    virtual void deactivated() {}
    // The mouse moved while no gesture is in progress (a measurement being
    // placed follows the cursor between its clicks).
    virtual void hover(const ToolInput&) {}
    // A right press; true starts a right-button gesture whose moves go to
    // mouseMove and whose release goes to rightButtonUp (no context menu).
    virtual bool rightButtonDown(const ToolInput&) { return false; }
    virtual void rightButtonUp(const ToolInput&) {}
    // Escape reached the view; true when the tool used it.
    virtual bool escape() { return false; }
};

// Which menu a right-button release opens for a tool: the selection menu,
// the menu of the annotation or measurement under the cursor (hit-tested by
// its owner), or none.
enum class ContextMenuKind { None, Selection, HitItem };
ContextMenuKind contextMenuFor(ViewTool tool);

} // namespace veltor
