// A DICOM file (or a data set built in memory) read into element records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dicom_element.h"
#include "dicom_error.h"
#include "voi.h"

namespace veltor {

constexpr size_t kFilePathSize = 516; // 515 characters and a NUL
// Sequences nested deeper than this are refused: real data sets stay in single
// digits, and the walk is recursive.
constexpr int kMaxSequenceDepth = 64;

// Reads a DICOM file: the 128-byte preamble and "DICM" with a file meta group,
// or a bare implicit VR little endian data set; then the data set in implicit
// VR little endian, explicit VR little endian or explicit VR big endian, down to
// the pixel data group. A DicomFile is used once: construct, open, query.
class FrameDecoder;

// The frames as decoding left them, before any conversion: rows top to
// bottom, the samples of a pixel side by side, each sample little-endian in
// `bytesPerSample` bytes (1-bit data one byte per pixel, 0 or 1; packed
// 12-bit data two bytes per sample). `photometric` is the colour the samples
// are in: the file's, or "RGB" where the codec converted YCbCr, or
// "YBR_FULL" for YBR_FULL_422 data expanded to a triplet per pixel.
struct DecodedLayout {
    int32_t rows = 0;
    int32_t columns = 0;
    int32_t samples = 0;
    int32_t bytesPerSample = 0;
    bool floating = false; // IEEE float (4 bytes) or double (8 bytes)
    int32_t frames = 0;
    char photometric[48] = {};
    size_t frameBytes() const {
        return size_t(rows > 0 ? rows : 0) * size_t(columns > 0 ? columns : 0) * size_t(samples > 0 ? samples : 0) *
               size_t(bytesPerSample > 0 ? bytesPerSample : 0);
    }
};

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
    // A full open that stops after decoding: the frames hold the stored
    // sample values in the decoded layout (decodedLayout()), unconverted.
    bool openDecoded(const char* path);
    bool openMemoryDecoded(const uint8_t* data, size_t size);

    DicomError status() const { return m_status; }
    void errorMessage(char* buffer, size_t size) const { veltor::errorMessage(m_status, buffer, size); }
    // Why the open failed, in words ("JPEG XL is not supported", "fragment
    // item expected at byte 1234"); empty when it did not fail or no more is known.
    const std::string& errorReason() const { return m_reason; }
    // False for a file that opened without pixel data (structured reports,
    // presentation states, ...): it has its elements and no frame.
    bool hasPixelData() const { return m_hasPixelData; }
    // A value ran past the end of the file: the elements before it were kept
    // and the parse stopped there.
    bool truncated() const { return m_truncated; }
    // What the reader put right while reading (one sentence each).
    const std::vector<std::string>& warnings() const { return m_warnings; }
    // The frames' layout after decoding (see DecodedLayout); all zero until
    // pixel data was decoded.
    const DecodedLayout& decodedLayout() const { return m_decoded; }

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

    // --- Image attributes, read from the top-level elements by the image setup.
    int32_t frameCount() const { return m_frameCount; }
    int32_t rows() const { return m_rows; }
    int32_t columns() const { return m_columns; }
    int16_t samplesPerPixel() const { return m_samplesPerPixel; }
    int16_t bitsAllocated() const { return m_bitsAllocated; }
    int16_t bitsStored() const { return m_bitsStored; }
    int16_t highBit() const { return m_highBit; }
    int16_t windowCenter() const { return m_windowCenter; }
    int16_t windowWidth() const { return m_windowWidth; }
    uint8_t planarConfiguration() const { return m_planarConfiguration; }
    bool rescaleNeeded() const { return m_rescaleNeeded; }
    double rescaleIntercept() const { return m_rescaleIntercept; }
    double rescaleSlope() const { return m_rescaleSlope; }
    int16_t rescaleType() const { return m_rescaleType; }
    // Rescale Type (0028,1054) as written ("HU", "OD", "US"...), trimmed;
    // empty when absent.
    const std::string& rescaleTypeText() const { return m_rescaleTypeText; }
    // The Modality LUT Sequence mapped the stored values (there was no rescale).
    bool modalityLutApplied() const { return m_modalityLutApplied; }
    double frameTime() const { return m_frameTime; }
    const char* photometric() const { return m_photometric; }
    const char* compression() const { return m_compression; }
    int32_t paletteLength() const { return m_paletteLength; }
    uint32_t frameSize() const { return m_frameSize; }

    bool isRgb() const;
    bool isYbrFull() const;
    bool isYbrFull422() const;
    bool isPaletteColor() const;
    bool isMonochrome1() const;
    bool isMonochrome2() const;
    // Frames shown in colour: three samples per pixel, or a palette.
    bool isColour() const;

    // The converted buffer of frame n (counted from 1), or null. 8-bit grey:
    // rows x columns bytes; RGB: three bytes per pixel; 16-bit: signed samples
    // in host order. The buffer lives as long as this object.
    const uint8_t* frameBuffer(int32_t n) const;
    size_t frameBufferSize(int32_t n) const;
    // An 8-bit (or RGB) copy of frame n for previews and exports: 8-bit frames
    // as they are (zeros when the frame has no buffer), 12- and 16-bit frames
    // through the file's VOI lookup table or window; empty for other depths or
    // a bad n. May replace an unusable file window by the frame's range.
    std::vector<uint8_t> frame8(int32_t n);
    // The same through the window `choice` selects (Auto is frame8(n)). With
    // File the window of windows(n) is applied exactly as stored, else the
    // VOI lookup table, else the frame's range; Given applies the given one.
    std::vector<uint8_t> frame8(int32_t n, const WindowChoice& choice);

    // --- Windows (VOI). The windows that apply to frame n: the top-level
    // ones, else the frame's Frame VOI LUT window of the per-frame or shared
    // functional groups; empty when the file has none.
    const std::vector<VoiWindow>& windows(int32_t n) const;
    // Every window of the file (top-level, or the functional groups' of frame 1
    // when there are none at the top level).
    const std::vector<VoiWindow>& fileWindows() const { return windows(1); }
    // The first table of the VOI LUT Sequence; used only where no window
    // applies. Empty when there is none.
    const VoiLut& voiLut() const { return m_voiLut; }
    // True when frame n is shown through voiLut() by default.
    bool usesVoiLut(int32_t n) const { return !m_voiLut.empty() && windows(n).empty(); }
    // The window a 16-bit frame n starts with in the viewer: with `exact`
    // (keep the file's window) the first of windows(n), else the VOI LUT's
    // equivalent window; without, the frame's own functional-group window or
    // the file's windowCenter()/windowWidth(). (0, 0) when there is none.
    void initialWindow(int32_t n, bool exact, int32_t& center, int32_t& width) const;
    // The window previews and exports apply to 12- or 16-bit frame n under
    // `choice` (Auto may replace an unusable file window, as frame8 does).
    struct DisplayWindow {
        enum Kind {
            Fitted, // lower .. upper, the fitted linear map (Auto)
            Linear, // centre and width through the standard linear function
            Lookup  // the VOI lookup table
        } kind = Fitted;
        double center = 0.0;
        double width = 0.0;
        int32_t lower = 0;
        int32_t upper = 0;
    };
    bool displayWindow(int32_t n, const WindowChoice& choice, DisplayWindow& out);
    // Smallest and largest sample of a 16-bit frame; false without one.
    bool frameRange(int32_t n, int32_t& min, int32_t& max) const;
    // 12- and 16-bit MONOCHROME1 frames hold the stored (rescaled) values, so
    // that windows keep their meaning; they are shown inverted.
    bool displayInverted() const { return m_displayInverted; }
    // A copy of a 16-bit frame; with `unscale`, rescaled samples are turned back
    // into stored values. Empty when there is no such 16-bit frame.
    std::vector<int16_t> frame16(int32_t n, bool unscale) const;
    // The 256-entry table of one palette channel (0 red, 1 green, 2 blue);
    // empty unless the image is PALETTE COLOR.
    std::vector<uint8_t> paletteTable(int channel) const;
    // Pixel Aspect Ratio a\b as a / b; 0 when absent, malformed or zero.
    double pixelAspectRatio() const;

  private:
    friend class DicomParser;

    friend class PixelDecoding;
    enum class ReadMode { Full, HeaderOnly, Listing, Decoded };
    struct Source;
    bool open(Source& source, ReadMode mode);
    bool openPath(const char* path, ReadMode mode);
    void reset();

    DicomError m_status = DicomError::NoError;
    std::string m_reason;
    bool m_hasPixelData = false;
    bool m_truncated = false;
    std::vector<std::string> m_warnings;
    DecodedLayout m_decoded;
    const FrameDecoder* m_codec = nullptr; // of encapsulated pixel data; null for native
    bool m_pixelSigned = false;            // Pixel Representation 1
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

    // Image attributes.
    bool m_rescaleNeeded = false;
    double m_rescaleIntercept = 0.0;
    double m_rescaleSlope = 0.0;
    int16_t m_rescaleType = 0;
    std::string m_rescaleTypeText;
    bool m_modalityLutApplied = false;
    bool m_displayInverted = false;
    std::vector<VoiWindow> m_windows;                     // top level
    std::vector<std::vector<VoiWindow>> m_frameWindows;   // per-frame functional groups
    std::vector<VoiWindow> m_sharedWindows;               // shared functional groups
    VoiLut m_voiLut;
    int32_t m_frameCount = 0;
    int32_t m_rows = 0;
    int32_t m_columns = 0;
    double m_frameTime = 0.0;
    int16_t m_bitsAllocated = 0;
    int16_t m_bitsStored = 0;
    int16_t m_highBit = 0;
    int16_t m_windowCenter = 0;
    int16_t m_windowWidth = 0;
    int16_t m_samplesPerPixel = 0;
    char m_photometric[48] = {};
    char m_compression[48] = {};
    uint8_t m_planarConfiguration = 0;
    int32_t m_paletteLength = 0;
    uint32_t m_frameSize = 0;
    std::unique_ptr<uint8_t[]> m_paletteRed;
    std::unique_ptr<uint8_t[]> m_paletteGreen;
    std::unique_ptr<uint8_t[]> m_paletteBlue;
    // A lookup table as its descriptor says: `entries` values for inputs from
    // `first`, each of `bits` bits.
    struct Lut {
        int32_t first = 0;
        int32_t bits = 0;
        std::vector<uint16_t> entries;
        bool empty() const { return entries.empty(); }
    };
    Lut m_paletteLut[3]; // from the descriptors; empty when they are missing or do not fit the data
    // A frame's bytes: owned, or borrowed from the file buffer kept in
    // m_pixelSource (uncompressed frames that need no conversion are used
    // where they were read, without a copy).
    class FrameBytes {
      public:
        void reset(uint8_t* owned = nullptr) {
            m_owned.reset(owned);
            m_ptr = owned;
        }
        void borrow(uint8_t* bytes) {
            m_owned.reset();
            m_ptr = bytes;
        }
        FrameBytes& operator=(std::unique_ptr<uint8_t[]>&& owned) {
            m_owned = std::move(owned);
            m_ptr = m_owned.get();
            return *this;
        }
        uint8_t* get() const { return m_ptr; }
        bool borrowed() const { return m_ptr != nullptr && !m_owned; }
        explicit operator bool() const { return m_ptr != nullptr; }
        bool operator==(std::nullptr_t) const { return m_ptr == nullptr; }

      private:
        std::unique_ptr<uint8_t[]> m_owned;
        uint8_t* m_ptr = nullptr;
    };
    struct Frame {
        FrameBytes data;
        size_t size = 0;
        // Smallest and largest 16-bit sample, once known (windowing needs them).
        bool rangeKnown = false;
        int32_t min = 0;
        int32_t max = 0;
    };
    // The file buffer of a full open, kept when frames point into it.
    struct PixelSource {
        uint8_t* data = nullptr;
        size_t capacity = 0;
        bool mapped = false; // from mmap rather than malloc
        PixelSource() = default;
        PixelSource(const PixelSource&) = delete;
        PixelSource& operator=(const PixelSource&) = delete;
        ~PixelSource() { reset(); }
        void reset();
    };
    // Declared before the frames, which may point into it.
    PixelSource m_pixelSource;
    std::vector<Frame> m_frames;

    friend class ImageSetup;
    friend class DataSetBuilder;
};

} // namespace veltor
