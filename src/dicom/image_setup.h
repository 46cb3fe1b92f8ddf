// Reading the image attributes of a parsed data set and converting its frames
// to the working layouts: 8-bit grey, 24-bit RGB or signed 16-bit grey.
#pragma once

#include <cstdint>

#include "dicom_error.h"

namespace veltor {

class DicomFile;

// The steps of the image setup that do not read the file; DicomParser runs
// them around its pixel-data reading.
class ImageSetup {
  public:
    explicit ImageSetup(DicomFile& file) : m_file(file) {}

    // Fills the attributes from the top-level elements, takes the compression
    // from the transfer syntax and checks the photometric interpretation.
    bool readAttributes();
    // Copies the PALETTE COLOR lookup-table data.
    bool readPalette();
    // Refuses frames shorter than the conversions read.
    bool checkFrames();
    // Converts every frame; the first failure's code is kept, frames that
    // could not be converted stay as read.
    bool convertFrames();

    // Bytes one uncompressed frame must hold for the conversions.
    uint64_t requiredFrameBytes() const;
    DicomError error() const { return m_error; }

  private:
    bool fail(DicomError code) {
        if (m_error == DicomError::NoError) m_error = code;
        return false;
    }
    DicomFile& m_file;
    DicomError m_error = DicomError::NoError;
};

} // namespace veltor
