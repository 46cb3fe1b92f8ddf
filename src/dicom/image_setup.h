// Reading the image attributes of a parsed data set and converting its
// decoded frames to the working layouts: 8-bit grey, 24-bit RGB or signed
// 16-bit grey.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
    // Checks that samples per pixel, planar configuration and bits agree
    // with the photometric interpretation (only needed for the pixels).
    bool checkLayout();
    // Copies the PALETTE COLOR lookup-table data and builds the tables.
    bool readPalette();
    // Refuses frames shorter than the conversions read.
    bool checkFrames();
    // Converts every decoded frame; the first failure's code is kept, frames
    // that could not be converted stay as decoded.
    bool convertFrames();

    DicomError error() const { return m_error; }
    const std::string& reason() const { return m_reason; }

  private:
    bool fail(DicomError code, std::string reason = {}) {
        if (m_error == DicomError::NoError) {
            m_error = code;
            m_reason = std::move(reason);
        }
        return false;
    }
    bool convertColour();
    bool convertPalette();
    bool convertWide();
    struct ModalityTable {
        int32_t first = 0;
        std::vector<uint16_t> entries;
    };
    bool readModalityLut(ModalityTable& table);
    void readVoiLut();

    DicomFile& m_file;
    DicomError m_error = DicomError::NoError;
    std::string m_reason;
};

} // namespace veltor
