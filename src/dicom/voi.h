// Value-of-interest (VOI) transforms a file carries for its grey frames: the
// windows (centre, width and explanation) of the top level and of the
// functional groups of enhanced multi-frame files, and the VOI lookup table.
// Also the choice of window that previews and exports apply.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltor {

struct DicomElement;

// A window as stored: Window Center and Window Width values (decimal
// strings, so they may have fractions) with their Window Center & Width
// Explanation, empty when the file gives none.
struct VoiWindow {
    double center = 0.0;
    double width = 0.0;
    std::string explanation;
};

// A VOI lookup table: input values first .. first + entries - 1 map to the
// entries, each of `bits` bits; inputs below or above take the first or the
// last entry.
struct VoiLut {
    int32_t first = 0;
    int32_t bits = 0;
    std::vector<uint16_t> entries;
    std::string explanation;
    bool empty() const { return entries.empty(); }
    // The equivalent window: the table's input range.
    int32_t center() const { return first + static_cast<int32_t>(entries.size() / 2); }
    int32_t width() const { return static_cast<int32_t>(entries.size()); }
    // The 8-bit output for input value v (largest entry value at 255).
    uint8_t outputAt(int32_t v) const;
};

// Which window previews and exports apply to 12- and 16-bit frames.
enum class WindowMode {
    Auto, // the file's VOI lookup table; else its window unless that does not fit the
          // frame's samples, then their range
    File, // the file's window exactly as stored (other toolkits' rule)
    Given // the window in WindowChoice
};

struct WindowChoice {
    WindowMode mode = WindowMode::Auto;
    double center = 0.0;
    double width = 0.0;
};

// Parses "auto", "file" or "C,W" (decimal numbers, W > 0). False for any
// other text.
bool parseWindowChoice(const char* text, WindowChoice& choice);

// The windows of Window Center, Window Width and Window Center & Width
// Explanation among `records` (multi-valued: one window per value pair; a
// width of 0 or less, or a missing width, ends the list).
std::vector<VoiWindow> windowsIn(const DicomElement* records, int32_t count);

// Frame VOI LUT windows of a functional groups sequence record: per-frame
// (one list per item, in order) or shared (a single list). Items are told
// apart by their tags, which rise within an item.
std::vector<std::vector<VoiWindow>> functionalGroupWindows(const DicomElement& sequence);

// Standard linear windowing of value x into 0 .. 255 (centre c, width w >= 1).
inline uint8_t linearWindow(double x, double c, double w) {
    if (w < 1.0) w = 1.0;
    const double low = c - 0.5 - (w - 1.0) / 2.0;
    const double high = c - 0.5 + (w - 1.0) / 2.0;
    if (x <= low) return 0;
    if (x > high) return 255;
    const double y = ((x - (c - 0.5)) / (w - 1.0) + 0.5) * 255.0 + 0.5;
    return y >= 255.0 ? 255 : static_cast<uint8_t>(y);
}

} // namespace veltor
