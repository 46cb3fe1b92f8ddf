// A DICOM file (or a data set built in memory) read into element records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "dicom_element.h"
#include "dicom_error.h"

namespace veltor {

constexpr size_t kFilePathSize = 516; // 515 characters and a NUL
// Sequences nested deeper than this are refused: real data sets stay in single
// digits, and the walk is recursive.
constexpr int kMaxSequenceDepth = 64;

// Reads a DICOM file: the 128-byte preamble and "DICM" with a file meta group,
// or a bare implicit VR little endian data set; then the data set in implicit
// VR little endian, explicit VR little endian or explicit VR big endian, down to
// the pixel data group. A DicomFile is used once: construct, open, query.
class DicomFile {
  public:
    DicomFile() = default;
    ~DicomFile() = default;
    DicomFile(const DicomFile&) = delete;
    DicomFile& operator=(const DicomFile&) = delete;

    // Reads the file. With `headerOnly` the first 4096 bytes are read and more
    // only as the header needs them. Never throws; the outcome is in status().
    bool openFile(const char* path, bool headerOnly);
    // The same parse over bytes in memory (tests and fuzzing); `path` is stored
    // as the file path.
    bool openMemory(const uint8_t* data, size_t size, bool headerOnly, const char* path = "");
    // A header-only open followed by the records of the pixel data group (their
    // tags, VRs, lengths and offsets; the pixel values themselves are neither
    // read nor kept). What a header listing shows without the cost of the pixels.
    bool openForListing(const char* path);

    DicomError status() const { return m_status; }
    void errorMessage(char* buffer, size_t size) const { veltor::errorMessage(m_status, buffer, size); }

    int32_t elementCount() const { return static_cast<int32_t>(m_elements.size()); }
    // A shallow copy of the top-level record at `index`; in implicit VR files
    // its VR is refreshed from the dictionary. False when out of range.
    bool elementAt(int32_t index, DicomElement& record) const;
    // The first top-level record with this tag, copied as by elementAt.
    bool findElementByTag(uint16_t group, uint16_t element, DicomElement& record) const;
    // The top-level records in file order (VRs as stored in the records).
    const std::vector<DicomElement>& elements() const { return m_elements; }

    void setFilePath(const char* path);
    const char* filePath() const { return m_filePath; }

    bool headerOnly() const { return m_headerOnly; }
    bool implicitVr() const { return m_implicitVr; }
    bool bigEndian() const { return m_bigEndian; }
    bool hasMetaHeader() const { return m_hasMetaHeader; }
    uint32_t fileSize() const { return m_fileSize; }
    uint32_t position() const { return m_position; }
    const uint8_t* preamble() const { return m_preamble; }
    const uint8_t* magic() const { return m_magic; }

    // Frees everything the object holds; the object is then as constructed.
    void release();

  private:
    friend class DicomParser;

    struct Source;
    bool open(Source& source, bool headerOnly, bool listPixelRecords);
    bool openPath(const char* path, bool headerOnly, bool listPixelRecords);
    void reset();

    DicomError m_status = DicomError::NoError;
    bool m_headerOnly = false;
    bool m_implicitVr = false;
    bool m_bigEndian = false;
    bool m_hasMetaHeader = false;
    uint32_t m_fileSize = 0;
    uint32_t m_position = 0;
    uint8_t m_preamble[128] = {};
    uint8_t m_magic[4] = {};
    char m_filePath[kFilePathSize] = {};

    std::vector<DicomElement> m_elements;
    ElementStore m_store;
};

} // namespace veltor
