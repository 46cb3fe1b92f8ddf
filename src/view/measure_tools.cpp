#include "view/measure_tools.h"

namespace veltor {

bool MeasureTool::buttonDown(const ToolInput& input) {
    if (m_placed == 0) {
        if (!input.overImage) return false;
        m_points = {input.image, input.image};
        m_placed = 1;
    } else {
        m_points.back() = input.image;
        ++m_placed;
        if (m_placed < m_count) m_points.push_back(input.image);
    }
    m_pressed = true;
    notify(false);
    return true;
}

void MeasureTool::follow(const ToolInput& input) {
    if (m_placed == 0 || m_placed >= m_count || m_points.back() == input.image) return;
    m_points.back() = input.image;
    notify(false);
}

void MeasureTool::buttonUp(const ToolInput&) {
    if (!m_pressed) return;
    m_pressed = false;
    if (m_placed < m_count) return;
    finish();
    m_points.clear();
    m_placed = 0;
    notify(true);
}

void MeasureTool::deactivated() {
    if (m_placed == 0) return;
    m_points.clear();
    m_placed = 0;
    m_pressed = false;
    notify(false);
}

std::string MeasureLengthTool::liveLabel() const {
    if (m_points.size() < 2) return {};
    const ViewPoint a = m_points[0], b = m_points[1];
    return lengthLabel(lengthMillimetres(a.x, a.y, b.x, b.y, m_overlays.spacing()));
}

void MeasureLengthTool::finish() { m_overlays.addMeasurement(m_overlays.makeLength(m_points[0], m_points[1])); }

std::string MeasureAngleTool::liveLabel() const {
    if (m_points.size() < 3) return {};
    const ViewPoint a = m_points[0], b = m_points[1], c = m_points[2];
    return angleLabel(angleDegrees(a.x, a.y, b.x, b.y, c.x, c.y));
}

void MeasureAngleTool::finish() {
    m_overlays.addMeasurement(m_overlays.makeAngle(m_points[0], m_points[1], m_points[2]));
}

} // namespace veltor
