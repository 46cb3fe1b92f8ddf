// Measure Length and Measure Angle: points placed by clicks over the image,
// with the next point following the cursor (rubber band and live label)
// until the last click's release stores the measurement.
//
//   length: idle -> first point placed -> both placed -> stored -> idle
//   angle:  idle -> vertex placed -> first ray placed -> both placed -> stored
//
// Choosing another tool abandons a placement.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "view/document_overlays.h"
#include "view/view_tools.h"

namespace veltor {

class MeasureTool : public ViewToolHandler {
  public:
    using Listener = std::function<void(bool finished)>;
    // Two points for a length, three for an angle.
    MeasureTool(DocumentOverlays& overlays, int32_t pointCount) : m_overlays(overlays), m_count(pointCount) {}
    void setListener(Listener listener) { m_listener = std::move(listener); }

    bool buttonDown(const ToolInput& input) override;
    void mouseMove(const ToolInput& input) override { follow(input); }
    void buttonUp(const ToolInput& input) override;
    void deactivated() override;
    void hover(const ToolInput& input) override { follow(input); }

    // A placement is in progress (at least one point placed).
    bool placing() const { return !m_points.empty(); }
    // The points so far, the last one following the cursor while the next
    // click is awaited (image pixels).
    const std::vector<ViewPoint>& points() const { return m_points; }
    // Points fixed by clicks.
    int32_t placedCount() const { return m_placed; }
    // The label the rubber band shows now.
    virtual std::string liveLabel() const = 0;

  protected:
    // Stores the finished measurement.
    virtual void finish() = 0;
    DocumentOverlays& m_overlays;
    std::vector<ViewPoint> m_points;

  private:
    void follow(const ToolInput& input);
    void notify(bool finished) {
        if (m_listener) m_listener(finished);
    }
    int32_t m_count;
    int32_t m_placed = 0;
    bool m_pressed = false;
    Listener m_listener;
};

class MeasureLengthTool final : public MeasureTool {
  public:
    explicit MeasureLengthTool(DocumentOverlays& overlays) : MeasureTool(overlays, 2) {}
    // "%dmm" from the document's current spacing.
    std::string liveLabel() const override;

  private:
    void finish() override;
};

class MeasureAngleTool final : public MeasureTool {
  public:
    explicit MeasureAngleTool(DocumentOverlays& overlays) : MeasureTool(overlays, 3) {}
    // "%.2f°" once both rays exist, else empty.
    std::string liveLabel() const override;

  private:
    void finish() override;
};

} // namespace veltor
