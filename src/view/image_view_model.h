// The image pane's state and behaviour without a toolkit: layout, scrolling,
// every zoom path with its history, the tool modes and their mouse gestures,
// keys, middle-button autoscroll and movie playback. The widget forwards its
// input here, keeps its scroll bars and timers in step with what the change
// callback reports, and paints from paintPlan() and the accessors.
//
// Invariants kept by every command:
//   - the scroll position lies within the scroll range for the pane size;
//   - the image rectangle is the layout of the current frame at the current
//     zoom (anchored while a zoom gesture is in progress, else centred);
//   - the zoom handed to the document lies in kMinZoom..kMaxZoom.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "settings/user_options.h"
#include "view/autoscroll.h"
#include "view/cine_player.h"
#include "view/frame_navigation.h"
#include "view/view_document.h"
#include "view/view_geometry.h"
#include "view/view_tools.h"
#include "view/zoom_history.h"
#include "view/zoom_math.h"

namespace veltor {

// What changed, as bits handed to the change callback.
namespace ViewChange {
constexpr uint32_t Repaint = 1u << 0;          // the whole pane with overlays
constexpr uint32_t RepaintImageOnly = 1u << 1; // background and image only, at once
constexpr uint32_t ScrollRange = 1u << 2;
constexpr uint32_t ScrollPosition = 1u << 3;
constexpr uint32_t Zoom = 1u << 4;       // the zoom box and status follow it
constexpr uint32_t Tool = 1u << 5;       // checked tool commands, cursor
constexpr uint32_t Band = 1u << 6;       // zoom-window band began, moved, ticked or ended
constexpr uint32_t Frame = 1u << 7;      // the current frame changed
constexpr uint32_t Autoscroll = 1u << 8; // the autoscroll marker opened or closed
constexpr uint32_t Cine = 1u << 9;       // playback began or ended
} // namespace ViewChange

enum class ScrollKey { Left, Right, Up, Down, Home, End, PageUp, PageDown };
enum class ZoomKey { In, Out, Fit, Normal }; // "+", "-", "*", "/"
enum class WheelAction { Scroll, Zoomed, Ignored };

// The cursor over the pane; the widget supplies the images.
enum class ViewCursor {
    Arrow,    // outside the image
    Cross,    // Pan Hand
    Grabbing, // Pan Hand while dragging
    ZoomIn,   // Zoom In/Out
    ZoomOut,  // Zoom In/Out with Ctrl
    ZoomWindow,
    ZoomDynamic,
    Playback,    // while a movie plays
    ToolDefined, // a tool of another module chooses its cursor
};

class ImageViewModel {
  public:
    using ChangeCallback = std::function<void(uint32_t changes)>;

    ImageViewModel(ViewDocument& document, const UserOptions& options);
    ImageViewModel(const ImageViewModel&) = delete;
    ImageViewModel& operator=(const ImageViewModel&) = delete;

    void setChangeCallback(ChangeCallback callback) { m_onChange = std::move(callback); }

    // --- pane, layout and scrolling ---------------------------------------
    void setPaneSize(ViewSize pane);
    ViewSize paneSize() const { return m_pane; }
    // Recomputes the scroll range from the displayed size (initial update,
    // first show, after every zoom change).
    void updateScrollRange();
    const ScrollRange& scrollRange() const { return m_range; }
    ViewPoint scrollPosition() const { return m_scroll; }
    // The scroll bars moved; the position is kept within the range.
    void scrollTo(ViewPoint position);
    // Single Frame: both positions back to 0 and the range recomputed.
    void resetScroll();
    // The document changed behind the view's back (another view of it
    // zoomed, the "Frames" dialog chose a frame, an operation resized the
    // frame): the range and the layout follow, and the pane repaints.
    void documentChanged();

    bool hasImage() const { return m_doc.hasImage(); }
    // The document's zoom as the view uses it (clamped, NaN as 1.0).
    float zoom() const;
    ViewSize displayedSize() const;
    // True when the displayed image is larger than the pane on some axis.
    bool imageExceedsPane() const;
    // In content coordinates.
    const ViewRect& imageRect() const { return m_imageRect; }
    bool isOverImage(ViewPoint pane) const;
    ViewPoint imagePointAt(ViewPoint pane) const;
    // The pixel under the last mouse position the view was told of.
    ViewPoint imagePointUnderCursor() const { return imagePointAt(m_previousMouse); }
    // Content coordinates of an image pixel, for overlays.
    ViewPoint imageToPane(ViewPoint image) const;
    PaintPlan paintPlan() const;
    uint32_t backgroundColour() const { return m_background; }
    // The margins' colour (0x00BBGGRR); repaints the pane.
    void setBackgroundColour(uint32_t colour);

    // --- zoom -------------------------------------------------------------
    // Every path clamps, recomputes the scroll range, records the history
    // and repaints. False when nothing happened (no image, at a limit...).
    bool zoomNormal();
    bool zoomLimits();
    // A document window opening: an image larger than the pane on either
    // axis is fitted at once.
    bool fitIfLargerThanPane();
    // The keys "+", "-", "*", "/"; ignored while a zoom-window band is dragged.
    bool zoomKey(ZoomKey key);
    // One wheel notch. With the "UseMButton" setting off, or a mouse button
    // held, the answer is Scroll: the widget scrolls as usual.
    WheelAction wheelNotch(bool awayFromUser, bool anyButtonHeld);
    // A zoom box preset or typed text ("fit", "150%").
    bool zoomBoxEntry(const std::string& text);
    bool previousZoom();
    bool nextZoom();
    bool canPreviousZoom() const { return hasImage() && m_history.canGoBack(); }
    bool canNextZoom() const { return hasImage() && m_history.canGoForward(); }
    const ZoomHistory& zoomHistory() const { return m_history; }

    // --- tools and mouse --------------------------------------------------
    ViewTool tool() const { return m_tool; }
    // A tool command. Refused without an image, for the movie tools (see
    // movieCommand) and for a tool that has no behaviour yet.
    bool setTool(ViewTool tool);
    bool toolAvailable(ViewTool tool) const;
    // Gives a tool of another module its behaviour; null removes it.
    void setToolHandler(ViewTool tool, ViewToolHandler* handler);

    void leftButtonDown(ViewPoint pane, KeyModifiers modifiers);
    void rightButtonDown(ViewPoint pane, KeyModifiers modifiers);
    void mouseMove(ViewPoint pane, KeyModifiers modifiers);
    void leftButtonUp(ViewPoint pane, KeyModifiers modifiers);
    // The context menu this release opens (the Zoom In/Out gesture of the
    // right button ends here and opens none).
    ContextMenuKind rightButtonUp(ViewPoint pane, KeyModifiers modifiers);
    // A left-button gesture of the current tool is in progress.
    bool mouseDown() const { return m_mouseDown; }
    ViewCursor cursorAt(ViewPoint pane, KeyModifiers modifiers) const;

    // The zoom-window rubber band, in pane coordinates.
    bool zoomWindowActive() const { return m_bandActive; }
    const ViewRect& zoomBand() const { return m_band; }
    // 0..11: the dash pattern's shift, advanced by each 75 ms tick.
    int32_t bandPhase() const { return m_bandPhase; }
    void bandTick();

    // --- keys ---------------------------------------------------------------
    // Arrow, Home, End, Page Up and Page Down keys that reach the view.
    bool scrollKey(ScrollKey key, bool shift);
    // Escape: stops a movie, else goes to the active tool (a crop rectangle
    // hides). True when it did something.
    bool escape();

    // --- middle-button autoscroll -----------------------------------------
    bool middleButtonDown(ViewPoint pane);
    bool autoscrollActive() const { return m_autoscrollActive; }
    const AutoscrollMarker& autoscrollMarker() const { return m_marker; }
    // One 10 ms tick with the cursor at `pane`; true when it scrolled.
    bool autoscrollTick(ViewPoint pane);
    // Any button press, a wheel notch or loss of focus.
    void closeAutoscroll();

    // --- frames and playback ----------------------------------------------
    NavigationEnables navigationEnables() const;
    // First, Previous, Next, Last. The view repaints even when the frame
    // cannot move; true when the command was enabled.
    bool stepFrame(FrameStep step);
    // Movie (Forward) and Reverse movie (Backward): starts playback, or
    // stops it when the same command is already playing.
    bool movieCommand(CineDirection direction, double nowMs);
    bool playing() const { return isMovieTool(m_tool); }
    // The widget's playback loop calls this with its clock; when a step is
    // due the document moves to the returned frame.
    std::optional<int32_t> cineTick(double nowMs);
    double cineMsUntilDue(double nowMs) const;
    // The pane region a playback paint must cover: the union of the image
    // rectangles of every frame shown since playback began.
    const ViewRect& cineRepaintRect() const { return m_cineRect; }

  private:
    enum class Gesture { None, Pan, ZoomClick, ZoomDynamic, ZoomWindow, Handler };

    void notify(uint32_t changes);
    // Stores a clamped zoom in the document; false for NaN.
    bool storeZoom(float zoom);
    // The zoom-change sequence: store, range, history, repaint.
    bool applyZoom(float zoom, ZoomChangeKind kind);
    void pushZoomHistory(ZoomChangeKind kind);
    void relayout();
    void setScrollRange(const ScrollRange& range);
    void moveScroll(ViewPoint position);
    void beginAnchoredGesture(Gesture gesture, ViewPoint pane, std::optional<float> zoom);
    void endAnchoredGesture();
    void endZoomWindow();
    void cancelGesture();
    void stopPlayback();
    void goToHistoryEntry(const ZoomHistoryEntry& entry);
    ViewToolHandler* handlerFor(ViewTool tool) const;
    ToolInput toolInput(ViewPoint pane, KeyModifiers modifiers) const;

    ViewDocument& m_doc;
    const UserOptions& m_options;
    uint32_t m_background;
    ChangeCallback m_onChange;

    ViewSize m_pane;
    ScrollRange m_range;
    ViewPoint m_scroll;
    ViewRect m_imageRect;

    ViewTool m_tool = ViewTool::PanHand;
    std::array<ViewToolHandler*, kViewToolCount> m_handlers{};
    Gesture m_gesture = Gesture::None;
    bool m_mouseDown = false;
    bool m_rightZoomGesture = false;
    bool m_rightHandlerGesture = false; // a tool's right-button gesture
    bool m_anchored = false;
    ViewPoint m_anchorImage;
    ViewPoint m_anchorPane;
    int32_t m_lastY = 0;
    ViewPoint m_correction;
    // Panning moves by the distance from the previous mouse message; each
    // view keeps its own.
    ViewPoint m_previousMouse;

    bool m_bandActive = false;
    ViewPoint m_bandStart;
    ViewRect m_band;
    int32_t m_bandPhase = 0;

    ZoomHistory m_history;

    bool m_autoscrollActive = false;
    AutoscrollMarker m_marker;

    CinePlayer m_cine;
    ViewRect m_cineRect;
};

} // namespace veltor
