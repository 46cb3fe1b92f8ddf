// Builds Secondary Capture data sets in memory from bitmaps: raster files read
// through imglib and bitmaps pasted from the clipboard. The result is held by
// a DicomFile exactly as a parsed file would be: image attributes, 8-bit frames
// (grey bytes or R, G, B triplets, top row first) and sorted element records
// with padded values and group lengths.
#pragma once

#include <cstdint>
#include <ctime>

#include "dicom_element.h"
#include "dicom_error.h"

namespace veltor {

class DicomFile;

// Text of (0002,0013) Implementation Version Name: 16 characters.
inline constexpr char kImplementationVersionName[] = "VELTOR_DICOM_401";
// Text of (0008,0070) Manufacturer: 12 characters.
inline constexpr char kManufacturerName[] = "VELTOR_DICOM";

class DataSetBuilder {
  public:
    explicit DataSetBuilder(DicomFile& file) : m_file(file) {}

    // Adds or replaces a top-level element. The value (`length` bytes at
    // `value`, which may be null for an element held without its value bytes)
    // is copied after the odd-length rule of its VR; records stay in ascending
    // tag order; the group's length element is recomputed. False (status
    // OutOfMemory) when memory runs out.
    bool setElement(const DicomElement& record);

    // One frame per packed DIB: 8-bit bitmaps as grey levels (the colour table
    // is not consulted), 16-bit (5-5-5), 24-bit and 32-bit bitmaps as RGB. All
    // bitmaps must share one size and one kind; otherwise, for other depths and
    // for compressed bitmaps, status UnknownFormat and nothing is built.
    bool buildFromBitmaps(const uint8_t* const* bitmaps, int count);

    // The raster path of opening a file. True when imglib read the file and it
    // became an RGB data set. False with status still 0 when the file is not a
    // raster image; false with UnsupportedFile for bitmaps below 8 bits or
    // compressed, OutOfMemory when the frame cannot be allocated.
    bool buildFromImage(const char* path);

    // Frame Time in milliseconds, also stored as (0018,1063).
    bool setFrameTime(double ms);

  private:
    bool storeValue(uint16_t group, uint16_t element, const char* vr, const void* value, uint32_t length);
    bool storeText(uint16_t group, uint16_t element, const char* vr, const char* text);
    bool storeUs(uint16_t group, uint16_t element, uint16_t value);
    bool storeCommonElements(const std::tm* when);
    void setImageAttributes(int32_t rows, int32_t columns, int16_t samples, int32_t frames);
    bool recomputeGroupLength(uint16_t group);
    bool fail(DicomError code);

    DicomFile& m_file;
};

} // namespace veltor
