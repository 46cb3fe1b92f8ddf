#include "view/zoom_box.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace veltor {

const std::vector<std::string>& zoomBoxPresets() {
    static const std::vector<std::string> presets = {"50.00 %", "75.00%",   "100.00%", "150.00%",
                                                     "200.00%", "250.00%",  "300.00%", "350.00%",
                                                     "400.00%", kZoomBoxFit};
    return presets;
}

std::string zoomBoxText(float zoom) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f%%", static_cast<double>(zoom * 100.0f));
    return text;
}

std::optional<ZoomBoxRequest> parseZoomBoxEntry(const std::string& text) {
    size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return std::nullopt;
    if (text.compare(start, std::string::npos, kZoomBoxFit) == 0) return ZoomBoxRequest{true, 1.0f};
    if (text[start] == '+') ++start;
    double percent = 0.0;
    const char* first = text.data() + start;
    const auto [end, ec] =
        std::from_chars(first, text.data() + text.size(), percent, std::chars_format::fixed);
    if (ec != std::errc() || end == first || !std::isfinite(percent)) return std::nullopt;
    // Whatever follows the number ("%", " %") is the unit; the number decides.
    if (std::fabs(percent) > 1.0e6) percent = std::copysign(1.0e6, percent);
    return ZoomBoxRequest{false, static_cast<float>(percent * 0.01)};
}

ZoomBox::ZoomBox() : m_entries(zoomBoxPresets()) {}

bool ZoomBox::showZoom(float zoom, bool hasFocus) {
    if (hasFocus) return false;
    const std::string text = zoomBoxText(zoom);
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i] == text) {
            const bool changed = m_selected != static_cast<int>(i);
            m_selected = static_cast<int>(i);
            return changed;
        }
    }
    m_entries.push_back(text);
    m_selected = static_cast<int>(m_entries.size()) - 1;
    return true;
}

} // namespace veltor
