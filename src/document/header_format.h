// How an element's value is shown in header listings (the tag grid, the tag
// picker window and the command-line dump).
#pragma once

#include <cstddef>
#include <string>

#include "dicom/dicom_element.h"

namespace veltor {

enum class ValueKind { Number, Text };

struct ValueDisplay {
    ValueKind kind = ValueKind::Text;
    int32_t number = 0;       // for Number
    const char* text = "";    // for Text: the value text or one of the fixed captions
};

// Binary numeric VRs show `number`; the pixel data shows "Frame Data"; other
// OB, OW and SQ elements "Sequence Data"; text values of 512 bytes or more
// "Long Size Data"; shorter text values themselves. The record's VR must be
// the one a listing shows (refreshed for implicit VR files).
ValueDisplay displayValue(const DicomElement& record);

// The grid's cell text: "  %d" for numbers, two blanks and the quoted text otherwise.
std::string gridValueText(const DicomElement& record);
// The tag picker's text: "%d", or the quoted text without blanks.
std::string listValueText(const DicomElement& record);
// "0x%04x, 0x%04x".
std::string tagText(uint16_t group, uint16_t element);

} // namespace veltor
