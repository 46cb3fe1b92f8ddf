// The per-frame selection: a mask with its outline, bounding box and undo snapshots.
#pragma once

#include "imaging/image_rect.h"

#include <cstdint>
#include <span>
#include <vector>

namespace veltor {

struct SelectionPoint {
    int32_t x = 0;
    int32_t y = 0;

    friend bool operator==(const SelectionPoint&, const SelectionPoint&) = default;
};

// Mask byte values. A pixel is selected when its byte is Outline or Interior.
inline constexpr uint8_t kMaskUnselected = 0;
inline constexpr uint8_t kMaskOutline = 128;
inline constexpr uint8_t kMaskInterior = 255;

// One frame's selection. The mask is width x height bytes, row-major, and is
// absent while nothing is selected. Invariants after every operation:
//  - the outline list holds exactly the mask's 128 bytes, in scan order of the
//    last re-trace (for a plain rectangle: around the border, clockwise);
//  - the bounding box is that of the outline pixels, and area counts the
//    selected pixels inside it;
//  - a region with fewer than 5 outline points or an area of 0 is cleared.
// An empty selection (no outline, or an area equal to the whole frame) stands
// for the whole image to the image operations.
//
// Every mutating operation returns true exactly when it pushed a snapshot; the
// owning ImageBuffer records one Selection history entry per snapshot, which
// keeps its history and these snapshots in step.
class SelectionRegion {
public:
    // An empty region for a frame of the given size (negative sizes count as 0).
    SelectionRegion(int32_t width, int32_t height);

    // Replaces the selection by rectangle r (inclusive). Corners are limited to
    // the frame; a rectangle of zero width or height selects nothing. Always
    // pushes a snapshot.
    bool setRectangle(ImageRect r);
    // Adds rectangle r (inclusive); with no selection it behaves as setRectangle.
    bool unionRectangle(ImageRect r);
    // Deselects the pixels of r; refused (false, no snapshot) on an empty region.
    bool differenceRectangle(ImageRect r);
    // Keeps only the pixels also in r; refused on an empty region.
    bool intersectRectangle(ImageRect r);
    // Swaps selected and unselected pixels over the whole frame; only when an
    // outline exists.
    bool invert();
    // Removes the selection; with history a snapshot is pushed (true), without
    // (used when a region is replaced wholesale) nothing is recorded (false).
    bool clear(bool withHistory);

    bool canUndo() const { return m_currentSnapshot >= 0; }
    bool canRedo() const { return m_currentSnapshot + 1 < static_cast<int32_t>(m_snapshots.size()); }
    // Step through the snapshots; false when there is nothing to step to.
    bool undo();
    bool redo();

    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    // True while an outline exists (the view's "has a selection").
    bool hasOutline() const { return !m_shape.outline.empty(); }
    // No outline, or every pixel of the frame selected.
    bool isEmpty() const;
    // Coordinates outside the frame are never selected.
    bool selected(int32_t x, int32_t y) const;
    int32_t area() const { return m_shape.area; }
    // Inclusive bounding box of the outline; meaningful only with an outline.
    int32_t left() const { return m_shape.left; }
    int32_t top() const { return m_shape.top; }
    int32_t right() const { return m_shape.right; }
    int32_t bottom() const { return m_shape.bottom; }
    // The bounding box as (left, top, right + 1, bottom + 1); (0, 0, 0, 0) without outline.
    ImageRect boundingBox() const;
    std::span<const SelectionPoint> outline() const { return m_shape.outline; }
    // width x height mask bytes, or null without a selection.
    const uint8_t* mask() const { return m_shape.mask.empty() ? nullptr : m_shape.mask.data(); }
    int32_t snapshotCount() const { return static_cast<int32_t>(m_snapshots.size()); }
    int32_t currentSnapshot() const { return m_currentSnapshot; }

private:
    struct Shape {
        std::vector<SelectionPoint> outline;
        std::vector<uint8_t> mask;
        int32_t area = 0;
        int32_t left = 0;
        int32_t top = 0;
        int32_t right = 0;
        int32_t bottom = 0;
    };

    void clearShape();
    // Builds rectangle r into `shape` as setRectangle does; false for no selection.
    bool buildRectangle(ImageRect r, Shape& shape) const;
    // Marks the outline of the mask over the whole frame and lists it in scan order.
    void retrace();
    // Bounding box from the mask's 128 bytes and area inside it; false when none.
    bool measure();
    // After a combine: re-trace, measure, clear when degenerate.
    void finishCombine();
    void pushSnapshot();
    void restore(const Shape& shape);

    int32_t m_width = 0;
    int32_t m_height = 0;
    Shape m_shape;
    std::vector<Shape> m_snapshots;
    int32_t m_currentSnapshot = -1;
};

} // namespace veltor
