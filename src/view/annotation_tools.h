// The annotation tools of the image view: Annotation Text (a click asks for
// a new annotation at that point), Move Annotation (drags an annotation, Shift
// for vertical and Ctrl for horizontal moves) and Delete Annotation (a click
// deletes the annotation or measurement under the cursor).
#pragma once

#include <functional>
#include <optional>

#include "view/document_overlays.h"
#include "view/view_tools.h"

namespace veltor {

// A click over the image: on release the owner is asked to run the "Add
// Annotation" dialog for the press point, and then calls placeNewAnnotation.
class AnnotationTextTool final : public ViewToolHandler {
  public:
    using Request = std::function<void(const ToolInput& press)>;
    explicit AnnotationTextTool(DocumentOverlays& overlays) : m_overlays(overlays) {}
    void setRequest(Request request) { m_request = std::move(request); }

    bool buttonDown(const ToolInput& input) override;
    void mouseMove(const ToolInput&) override {}
    void buttonUp(const ToolInput& input) override;
    void deactivated() override { m_press.reset(); }

    // Measures `a`'s text with its font, places it with the click as its
    // lower-left corner and adds it to the current frame (or every frame).
    // Returns the frames changed.
    int32_t placeNewAnnotation(const ToolInput& press, TextAnnotation a, bool allFrames);

  private:
    DocumentOverlays& m_overlays;
    Request m_request;
    std::optional<ToolInput> m_press;
};

class MoveAnnotationTool final : public ViewToolHandler {
  public:
    using Listener = std::function<void()>;
    explicit MoveAnnotationTool(DocumentOverlays& overlays) : m_overlays(overlays) {}
    void setListener(Listener listener) { m_listener = std::move(listener); }

    bool buttonDown(const ToolInput& input) override;
    void mouseMove(const ToolInput& input) override;
    void buttonUp(const ToolInput& input) override;
    void deactivated() override;

    bool dragging() const { return m_index >= 0; }
    // The annotation being dragged (skipped by the normal drawing) and where
    // its text shows now, in pane coordinates (never left of or above the
    // image).
    int32_t draggedIndex() const { return m_index; }
    const TextAnnotation& dragged() const { return m_dragged; }
    ViewPoint dragPosition() const { return m_position; }

  private:
    void notify() {
        if (m_listener) m_listener();
    }
    ViewPoint positionFor(const ToolInput& input) const;

    DocumentOverlays& m_overlays;
    Listener m_listener;
    int32_t m_index = -1;
    int32_t m_frame = -1;
    TextAnnotation m_dragged;
    ViewPoint m_press;
    ViewPoint m_position;
};

class DeleteAnnotationTool final : public ViewToolHandler {
  public:
    using Listener = std::function<void()>;
    explicit DeleteAnnotationTool(DocumentOverlays& overlays) : m_overlays(overlays) {}
    void setListener(Listener listener) { m_listener = std::move(listener); }

    // Deletes at once; no gesture follows.
    bool buttonDown(const ToolInput& input) override;
    void mouseMove(const ToolInput&) override {}
    void buttonUp(const ToolInput&) override {}

  private:
    DocumentOverlays& m_overlays;
    Listener m_listener;
};

} // namespace veltor
