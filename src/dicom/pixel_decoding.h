// The decoding step of the image setup: native or encapsulated pixel data to
// frames in the decoded layout (see DecodedLayout), before any conversion to
// display samples.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "dicom_error.h"

namespace veltor {

class DicomFile;

// How the pixel values are stored.
enum class PixelDataKind {
    Integer, // (7FE0,0010)
    Float,   // (7FE0,0008), 32-bit IEEE
    Double,  // (7FE0,0009), 64-bit IEEE
};

class PixelDecoding {
  public:
    explicit PixelDecoding(DicomFile& file) : m_file(file) {}

    // Native pixel data: `value` (`length` bytes, writable: frames that need
    // only a byte swap are swapped where they lie) in the data set's byte
    // order. Frames that are already in the decoded layout point into
    // `value`; `borrowed()` then tells the caller to keep that memory.
    bool decodeNative(uint8_t* value, uint32_t length, PixelDataKind kind);
    // Encapsulated pixel data: `items` from the first item tag; `base` its
    // file offset; `extendedOffsets` the Extended Offset Table when present.
    bool decodeEncapsulated(std::span<const uint8_t> items, uint64_t base, std::span<const uint64_t> extendedOffsets);

    // Bytes the native pixel data must hold for every frame (0 when the
    // layout is not one this reader decodes; reason() says why).
    uint64_t nativeBytesNeeded(PixelDataKind kind);

    bool borrowed() const { return m_borrowed; }
    DicomError error() const { return m_error; }
    const std::string& reason() const { return m_reason; }

  private:
    bool fail(DicomError code, std::string reason);
    bool checkFrameCount();

    DicomFile& m_file;
    bool m_borrowed = false;
    DicomError m_error = DicomError::NoError;
    std::string m_reason;
};

} // namespace veltor
