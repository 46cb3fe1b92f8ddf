#include "view/spacing_setup.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "document/kelvo_doc.h"
#include "view/measurements.h"

namespace veltor {

std::string shortestDecimal(double v) {
    char text[64];
    const std::to_chars_result r = std::to_chars(text, text + sizeof text, v);
    return r.ec == std::errc() ? std::string(text, r.ptr) : std::string("0");
}

std::optional<double> parseDecimal(const std::string& text) {
    std::string t = text;
    const size_t first = t.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    t = t.substr(first, t.find_last_not_of(" \t") - first + 1);
    for (char& c : t)
        if (c == ',') c = '.';
    if (!t.empty() && t.front() == '+') t.erase(0, 1);
    double v = 0.0;
    const std::from_chars_result r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (r.ec != std::errc() || r.ptr != t.data() + t.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

SpacingValues currentSpacing(const CKelvoDoc& doc) {
    const PixelSpacing s = measurementSpacing(doc.pixelSpacingRow(), doc.pixelSpacingColumn());
    const double t = doc.sliceThickness();
    return {s.column, s.row, std::isfinite(t) ? t : 0.0};
}

SpacingValues spacingAsRead(const CKelvoDoc& doc) {
    return {doc.pixelSpacingColumnAsRead(), doc.pixelSpacingRowAsRead(), doc.sliceThicknessAsRead()};
}

bool fromHeaderAvailable(const CKelvoDoc& doc) {
    const SpacingValues r = spacingAsRead(doc);
    return r.horizontal != 0.0 && r.vertical != 0.0 && r.thickness != 0.0;
}

void storeSpacing(CKelvoDoc& doc, const SpacingValues& v) {
    const PixelSpacing s = measurementSpacing(v.vertical, v.horizontal);
    doc.setPixelSpacing(s.row, s.column);
    const bool thicknessOk = std::isfinite(v.thickness) && v.thickness >= 0.0 && v.thickness <= 100000.0;
    doc.setSliceThickness(thicknessOk ? v.thickness : 0.0);
}

} // namespace veltor
