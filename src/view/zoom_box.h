// The Zoom toolbar's editable zoom box: its preset entries, the text that
// shows a zoom, and what a chosen or typed entry asks for.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace veltor {

// The presets in their order. The first keeps its blank before "%": it never
// equals a displayed zoom, so showing 50 % appends "50.00%".
const std::vector<std::string>& zoomBoxPresets();
constexpr int kZoomBoxInitialPreset = 2; // "100.00%"
constexpr const char* kZoomBoxFit = "fit";

// "%.2f%%" of zoom x 100.
std::string zoomBoxText(float zoom);

// What an entry asks for: the zoom that fits the pane, or N % (zoom N x 0.01).
struct ZoomBoxRequest {
    bool fit = false;
    float zoom = 1.0f; // unclamped N x 0.01 when !fit
};
// "fit", or a number with an optional "%" after it ("150", "150%", "50.00 %").
// Nothing for text that does not start with a finite number.
std::optional<ZoomBoxRequest> parseZoomBoxEntry(const std::string& text);

// The box's list and selection. Showing a zoom selects the entry whose text
// equals zoomBoxText, appending it when no entry does; the box is left alone
// while it has the keyboard focus so that typing is not overwritten.
class ZoomBox {
  public:
    ZoomBox();
    const std::vector<std::string>& entries() const { return m_entries; }
    int selected() const { return m_selected; }
    // True when the list or the selection changed.
    bool showZoom(float zoom, bool hasFocus);

  private:
    std::vector<std::string> m_entries;
    int m_selected = kZoomBoxInitialPreset;
};

} // namespace veltor
