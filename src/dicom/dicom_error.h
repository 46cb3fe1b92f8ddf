// Status codes of the DICOM layer and their user-visible messages.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veltor {

// Status of a DicomFile. The numeric values are stored and compared by callers,
// so they never change.
enum class DicomError : int32_t {
    RetryImplicit = -1, // internal: the meta group held an unknown VR; never reported
    NoError = 0,
    OutOfMemory = 1,
    FileIo = 2,
    UnsupportedDicom = 3,
    UnknownFormat = 4,
    CorruptedDicom = 5,
    UnknownCompression = 6,
    FileNotFound = 7,
    UnsupportedFile = 8,
};

// Message slots are 64 characters, indexed by code; the texts (trailing blanks
// included) are shown to users verbatim.
constexpr size_t kErrorMessageSlot = 64;

// The message of `code`, or an empty text for codes outside the table.
const char* dicomErrorText(DicomError code);

// Copies the message of `code` into `buffer`, cut to size - 1 characters and
// NUL-terminated. Does nothing when size is 0.
void errorMessage(DicomError code, char* buffer, size_t size);

} // namespace veltor
