#include "header_format.h"

#include <cstdio>

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

} // namespace veltor
