#include "voi.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "dicom_element.h"

namespace veltor {

namespace {

// The values of a multi-valued text element, split at backslashes.
std::vector<std::string> valuesOf(const DicomElement* e) {
    std::vector<std::string> out;
    if (e == nullptr || e->value == nullptr) return out;
    std::string current;
    const char* text = e->text();
    for (uint32_t i = 0; i < e->length && text[i] != '\0'; ++i) {
        if (text[i] == '\\') {
            out.push_back(current);
            current.clear();
        } else {
            current += text[i];
        }
    }
    out.push_back(current);
    for (std::string& v : out) {
        const size_t a = v.find_first_not_of(' ');
        const size_t b = v.find_last_not_of(' ');
        v = a == std::string::npos ? std::string() : v.substr(a, b - a + 1);
    }
    return out;
}

// A decimal string value; false when empty or not a finite number.
bool decimalOf(const std::string& text, double& out) {
    if (text.empty()) return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(v)) return false;
    out = v;
    return true;
}

const DicomElement* findIn(const DicomElement* records, int32_t count, uint16_t group, uint16_t element) {
    for (int32_t i = 0; i < count; ++i)
        if (records[i].group == group && records[i].element == element) return &records[i];
    return nullptr;
}

} // namespace

uint8_t VoiLut::outputAt(int32_t v) const {
    if (entries.empty()) return 0;
    const int64_t index = std::clamp<int64_t>(int64_t(v) - first, 0, int64_t(entries.size()) - 1);
    const int b = std::clamp(bits, 1, 16);
    const uint32_t top = (uint32_t{1} << b) - 1;
    const uint32_t e = std::min<uint32_t>(entries[size_t(index)], top);
    return static_cast<uint8_t>((e * 255 + top / 2) / top);
}

bool parseWindowChoice(const char* text, WindowChoice& choice) {
    if (text == nullptr) return false;
    if (std::strcmp(text, "auto") == 0) {
        choice = {WindowMode::Auto, 0.0, 0.0};
        return true;
    }
    if (std::strcmp(text, "file") == 0) {
        choice = {WindowMode::File, 0.0, 0.0};
        return true;
    }
    const char* comma = std::strchr(text, ',');
    if (comma == nullptr) return false;
    const std::string c(text, comma), w(comma + 1);
    char* end = nullptr;
    const double center = std::strtod(c.c_str(), &end);
    if (c.empty() || *end != '\0' || !std::isfinite(center)) return false;
    const double width = std::strtod(w.c_str(), &end);
    if (w.empty() || *end != '\0' || !std::isfinite(width) || !(width > 0.0)) return false;
    choice = {WindowMode::Given, center, width};
    return true;
}

std::vector<VoiWindow> windowsIn(const DicomElement* records, int32_t count) {
    std::vector<VoiWindow> out;
    const std::vector<std::string> centers = valuesOf(findIn(records, count, 0x0028, 0x1050));
    const std::vector<std::string> widths = valuesOf(findIn(records, count, 0x0028, 0x1051));
    const std::vector<std::string> names = valuesOf(findIn(records, count, 0x0028, 0x1055));
    for (size_t i = 0; i < centers.size() && i < widths.size(); ++i) {
        VoiWindow w;
        if (!decimalOf(centers[i], w.center) || !decimalOf(widths[i], w.width) || !(w.width > 0.0)) break;
        if (i < names.size()) w.explanation = names[i];
        out.push_back(std::move(w));
    }
    return out;
}

std::vector<std::vector<VoiWindow>> functionalGroupWindows(const DicomElement& sequence) {
    std::vector<std::vector<VoiWindow>> items;
    if (sequence.children == nullptr || sequence.childCount <= 0) return items;
    // Tags rise within an item, so a tag that does not starts the next one.
    uint32_t previous = 0;
    bool first = true;
    for (int32_t i = 0; i < sequence.childCount; ++i) {
        const DicomElement& e = sequence.children[i];
        const uint32_t tag = (uint32_t{e.group} << 16) | e.element;
        if (first || tag <= previous) items.emplace_back();
        first = false;
        previous = tag;
        if (e.group == 0x0028 && e.element == 0x9132 && items.back().empty())
            items.back() = windowsIn(e.children, e.childCount);
    }
    return items;
}

} // namespace veltor
