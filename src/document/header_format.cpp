#include "header_format.h"

#include <algorithm>
#include <cstdio>

#include "dicom/dicom_dictionary.h"
#include "dicom/dicom_vr.h"

namespace veltor {

namespace {
constexpr uint32_t kLongValue = 512;
}

ValueDisplay displayValue(const DicomElement& record) {
    ValueDisplay d;
    if (!isTextVr(record.vr)) {
        d.kind = ValueKind::Number;
        d.number = record.number;
    } else if (record.group == 0x7FE0 && record.element == 0x0010) {
        d.text = "Frame Data";
    } else if (vrIs(record.vr, "OB") || vrIs(record.vr, "OW") || vrIs(record.vr, "SQ")) {
        d.text = "Sequence Data";
    } else if (record.length >= kLongValue) {
        d.text = "Long Size Data";
    } else {
        d.text = record.text();
    }
    return d;
}

std::string gridValueText(const DicomElement& record) {
    const ValueDisplay d = displayValue(record);
    if (d.kind == ValueKind::Number) return "  " + std::to_string(d.number);
    return std::string("  \"") + d.text + "\"";
}

std::string listValueText(const DicomElement& record) {
    const ValueDisplay d = displayValue(record);
    if (d.kind == ValueKind::Number) return std::to_string(d.number);
    return std::string("\"") + d.text + "\"";
}

std::string tagText(uint16_t group, uint16_t element) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "0x%04x, 0x%04x", group, element);
    return buffer;
}

bool inHeaderTopic(HeaderTopic topic, uint16_t group, uint16_t element) {
    if (element == 0x0000) return false;
    if (topic == HeaderTopic::All) return true;
    if (element == 0x0001) return false;
    const uint32_t tag = (uint32_t{group} << 16) | element;
    switch (topic) {
    case HeaderTopic::Patient: return group == 0x0010;
    case HeaderTopic::Study:
        switch (tag) {
        case 0x00080020: case 0x00080021: case 0x00080030: case 0x00081030: case 0x0008103E:
        case 0x0020000D: case 0x0020000E: case 0x00200010: case 0x00201070:
        case 0x0032000A: case 0x0032000C: case 0x00320012:
        case 0x00320032: case 0x00320033: case 0x00320034: case 0x00320035:
        case 0x00321000: case 0x00321001: case 0x00321010: case 0x00321011: case 0x00321020:
        case 0x00321021: case 0x00321030: case 0x00321040: case 0x00321041: case 0x00321050:
        case 0x00321051: case 0x00321055: case 0x00324000: return true;
        default: return false;
        }
    case HeaderTopic::Physician:
        switch (tag) {
        case 0x00080090: case 0x00080092: case 0x00080094: case 0x00081048: case 0x00081050:
        case 0x00081060: case 0x00081070: case 0x00321032: return true;
        default: return false;
        }
    case HeaderTopic::Image:
        if (group == 0x0028) return true;
        return tag == 0x00080008 || tag == 0x00080023 || tag == 0x00080033 || tag == 0x00200013;
    case HeaderTopic::All: return true;
    }
    return false;
}

std::string pickedValue(const std::string& listValue) {
    std::string v = listValue;
    if (!v.empty() && v.front() == '"') v.erase(v.begin());
    if (!v.empty() && v.back() == '"') v.pop_back();
    return v;
}

std::array<int, 5> gridColumnWidths(const DicomElement* records, size_t count, bool implicitVr,
                                    MeasureText measure, void* context) {
    std::array<int, 5> widths{};
    for (size_t c = 0; c < widths.size(); ++c)
        widths[c] = measure(std::string("  ") + kGridColumns[c] + "  ", context) + 4;
    auto widen = [&](size_t column, const std::string& text) {
        widths[column] = std::max(widths[column], measure(text, context) + 4);
    };
    for (size_t i = 0; i < count; ++i) {
        DicomElement r = records[i];
        if (implicitVr) refreshVr(r);
        widen(0, "  " + tagText(r.group, r.element) + "  ");
        widen(1, std::string("  ") + r.name + "  ");
        widen(2, std::string("  ") + r.vr + "  ");
        widen(3, "  " + std::to_string(r.length) + "  ");
        widen(4, gridValueText(r) + "  ");
    }
    return widths;
}

} // namespace veltor
