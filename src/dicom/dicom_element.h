// One DICOM data element as held in memory, and the storage that owns element data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace veltor {

constexpr size_t kElementNameSize = 80;
constexpr uint32_t kUndefinedLength = 0xFFFFFFFFu;

// A fixed-size record. The pointers (`uidName`, `value`, `children`) refer to
// memory owned by the data set the record came from (an ElementStore), so a
// record can be copied freely; the copy is valid while that data set lives.
struct DicomElement {
    uint16_t group = 0;
    uint16_t element = 0;
    char name[kElementNameSize] = {};
    char vr[4] = {};                  // two letters and NUL; empty when unknown
    const char* uidName = nullptr;    // name of a well-known UID value, for VR UI
    uint32_t valueOffset = 0;         // offset of the first value byte in the file
    uint32_t length = 0;              // as stored; 0 for SQ, 0xFFFFFFFF for undefined non-SQ
    const uint8_t* value = nullptr;   // length + 1 bytes, the last one (at least) NUL
    int32_t number = 0;               // quick numeric value, host order
    int32_t childCount = 0;
    const DicomElement* children = nullptr; // elements of all items, in file order

    const char* text() const { return value ? reinterpret_cast<const char*>(value) : ""; }
    bool isSequence() const { return children != nullptr || (vr[0] == 'S' && vr[1] == 'Q' && vr[2] == '\0'); }
};

// Owns the value bytes, UID names and child arrays of a data set. Memory is
// handed out from large blocks and released all at once.
class ElementStore {
  public:
    ElementStore() = default;
    ElementStore(const ElementStore&) = delete;
    ElementStore& operator=(const ElementStore&) = delete;
    ElementStore(ElementStore&&) noexcept = default;
    ElementStore& operator=(ElementStore&&) noexcept = default;

    // A zero-filled buffer of length + 1 bytes holding a copy of `bytes`
    // (which may be null when length is 0). Null when memory runs out.
    uint8_t* copyValue(const uint8_t* bytes, uint32_t length);
    // A NUL-terminated copy of `text`.
    const char* copyText(const char* text);
    // A contiguous copy of `count` records.
    const DicomElement* copyElements(const DicomElement* records, size_t count);

    void clear();
    size_t bytesHeld() const { return m_bytesHeld; }

  private:
    void* allocate(size_t size, size_t align);

    std::vector<std::unique_ptr<uint8_t[]>> m_blocks;
    uint8_t* m_cursor = nullptr;
    size_t m_left = 0;
    size_t m_bytesHeld = 0;
};

// Numeric conversions of IS and DS text. Neither modifies its input.
//
// parseIntegerString: leading spaces skipped (nothing left gives 0); digits,
// spaces and '-' are passed over; if the first other character is '+', '.',
// 'E' or 'e' the text is read as a decimal and truncated toward zero, otherwise
// the text up to that character is read as an integer ("12\34" gives 12).
int32_t parseIntegerString(const char* text);

// parseDecimalString: the text up to the first character that is not a digit,
// space, '+', '-', '.', 'E' or 'e', read as a double ("0.5\0.5" gives 0.5).
// Never returns NaN or an infinity: such results become 0.
double parseDecimalString(const char* text);

// Saturating conversion of a double to int32 (truncation toward zero; NaN gives 0).
int32_t truncateToInt32(double value);

} // namespace veltor
