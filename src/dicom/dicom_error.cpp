#include "dicom_error.h"

#include <cstring>

namespace veltor {

namespace {

const char kMessages[9][kErrorMessageSlot] = {
    "No Error",
    "Memmory Allocation Error   ",
    "File I/O Error   ",
    "Unsupported Dicom file format   ",
    "Unknown file format   ",
    "Corrupted Dicom file   ",
    "Unknown Compression Scheme   ",
    "File not fount",
    "Unsupported file format   ",
};

} // namespace

const char* dicomErrorText(DicomError code) {
    const auto index = static_cast<int32_t>(code);
    if (index < 0 || index >= 9) return "";
    return kMessages[index];
}

void errorMessage(DicomError code, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) return;
    const char* text = dicomErrorText(code);
    size_t n = std::strlen(text);
    if (n > size - 1) n = size - 1;
    std::memcpy(buffer, text, n);
    buffer[n] = '\0';
}

} // namespace veltor
