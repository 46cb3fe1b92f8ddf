// The values of the crop panel beside the image view: "Start position",
// "End position" and "Size" of the crop rectangle, with the rules for the
// user's edits. Every accepted edit gives a new rectangle for the view;
// a refused one leaves every value as it was.
#pragma once

#include <cstdint>

#include "imaging/image_rect.h"

namespace veltor {

enum class CropAxis { X, Y };

class CropPanelModel {
  public:
    // The last pixel on each axis (frame width - 1, frame height - 1).
    void setLimits(int32_t maxX, int32_t maxY);
    // Shows a rectangle: corners swapped so that start <= end, each clamped
    // to 0..limit.
    void show(const ImageRect& inclusive);
    // No rectangle: the fields are empty.
    void clear() { m_shown = false; }
    bool shown() const { return m_shown; }

    int32_t start(CropAxis a) const { return a == CropAxis::X ? m_start[0] : m_start[1]; }
    int32_t end(CropAxis a) const { return a == CropAxis::X ? m_end[0] : m_end[1]; }
    int32_t limit(CropAxis a) const { return a == CropAxis::X ? m_limit[0] : m_limit[1]; }
    // end - start + 1, or 0 when start and end are equal.
    int32_t size(CropAxis a) const;
    // While on, the size fields are disabled and size edits refused.
    bool fixedSize() const { return m_fixed; }
    void setFixedSize(bool on) { m_fixed = on; }

    // A typed size or its spin buttons: the start stays, the end moves.
    // Refused when not positive or when the end would leave the frame.
    bool setSize(CropAxis a, int32_t size);
    // The start's spin buttons (or a typed start): the rectangle moves with
    // its size kept. Refused when it would leave the frame or when the size
    // is below 10.
    bool setStart(CropAxis a, int32_t start);
    // A typed end: the start stays; the same limits as a size edit.
    bool setEnd(CropAxis a, int32_t end);

    ImageRect rect() const { return {m_start[0], m_start[1], m_end[0], m_end[1]}; }

  private:
    static int index(CropAxis a) { return a == CropAxis::X ? 0 : 1; }
    bool m_shown = false;
    bool m_fixed = false;
    int32_t m_limit[2] = {0, 0};
    int32_t m_start[2] = {0, 0};
    int32_t m_end[2] = {0, 0};
};

} // namespace veltor
