// How an element's value is shown in header listings (the tag grid, the tag
// picker window and the command-line dump).
#pragma once

#include <array>
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

// Topic tabs of the "Dicom Tags" window.
enum class HeaderTopic { All, Patient, Study, Physician, Image };
constexpr const char* kHeaderTopicNames[] = {"All", "Patient", "Study", "Physician", "Image"};
// Whether a top-level element is listed under `topic`. Group-length elements
// (element 0000) are never listed; the topic tabs also leave out element 0001.
bool inHeaderTopic(HeaderTopic topic, uint16_t group, uint16_t element);

// What OK of the "Dicom Tags" window returns for a row's value text: the text
// without one leading and one trailing quotation mark.
std::string pickedValue(const std::string& listValue);

// The tag grid's column widths: each column as wide as the widest of its
// header text and its cells, measured in their padded forms plus 4 pixels.
// `measure` returns the pixel width of a text in the grid's font.
constexpr const char* kGridColumns[] = {"Tag", "Tag Name", "VR", "Length", "Value"};
using MeasureText = int (*)(const std::string& text, void* context);
std::array<int, 5> gridColumnWidths(const DicomElement* records, size_t count, bool implicitVr,
                                    MeasureText measure, void* context);

} // namespace veltor
