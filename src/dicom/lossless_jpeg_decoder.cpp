#include "dicom/lossless_jpeg_decoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdarg>
#include <cstring>
#include <string>
#include <vector>

#include "dicom/lossless_jpeg_entropy.h"

namespace veltor {

namespace {

using lossless_jpeg::BitReader;
using lossless_jpeg::extendDifference;
using lossless_jpeg::HuffmanTable;
using lossless_jpeg::kLookBits;
using lossless_jpeg::kLookComplete;

// Marker codes (the byte after 0xFF).
constexpr int kTem = 0x01;
constexpr int kSof0 = 0xC0;
constexpr int kSof1 = 0xC1;
constexpr int kSof3 = 0xC3;
constexpr int kDht = 0xC4;
constexpr int kRst0 = 0xD0;
constexpr int kRst7 = 0xD7;
constexpr int kSoi = 0xD8;
constexpr int kEoi = 0xD9;
constexpr int kSos = 0xDA;
constexpr int kDqt = 0xDB;
constexpr int kDri = 0xDD;

// A corrupt stream can produce a warning per pixel; after this many in one
// frame the rest are counted but not printed.
constexpr int kMaxPrintedWarnings = 20;

bool isFrameMarker(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != kDht && marker != 0xC8 && marker != 0xCC;
}

// Markers that end a header search: frame markers, SOI, EOI and SOS.
bool endsHeaderSearch(int marker) {
    return isFrameMarker(marker) || marker == kSoi || marker == kEoi || marker == kSos;
}

struct FrameComponent {
    int id = 0;
    int h = 0;
    int v = 0;
};

class LosslessJpegDecoder {
public:
    LosslessJpegDecoder(std::span<const uint8_t> fragment, std::FILE* errorStream)
        : m_data(fragment.data()), m_size(fragment.size()), m_errors(errorStream) {}

    FrameDecodeStatus decode(const FrameGeometry& expected, std::span<uint8_t> frame,
                             LosslessJpegHeader* header, bool allComponents);

private:
    // Header parsing; each returns false after fail() on a fatal condition.
    bool readHeaders(const FrameGeometry& expected);
    int findMarker(); // the next marker code, or -1 at the end of the data
    bool nextMarker(int& marker);
    bool readByte(int& value);
    bool read16(int& value);
    bool readDht();
    bool readDri();
    bool readSof(int marker);
    bool readSos();
    bool skipSegment();
    bool handleTableMarker(int marker, bool& handled);

    bool decodeImage(std::span<uint8_t> frame, uint32_t sampleBytes, size_t outComponents);
    template <int Psv, bool SingleComponent>
    void decodeRow(BitReader& bits, uint16_t* current, const uint16_t* previous);
    void decodeFirstRow(BitReader& bits, uint16_t* current);
    int decodeDifference(BitReader& bits, const HuffmanTable& table);

    void print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void warn(const char* format, ...) __attribute__((format(printf, 2, 3)));
    bool fail(DicomError error, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void vprint(const char* format, va_list args);

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    std::FILE* m_errors;
    int m_warnings = 0;
    DicomError m_error = DicomError::NoError;
    std::string m_message;

    std::array<HuffmanTable, 4> m_tables{};
    int m_precision = 0;
    uint32_t m_height = 0;
    uint32_t m_width = 0;
    std::vector<FrameComponent> m_components;
    int m_scanComponents = 0;
    std::array<const HuffmanTable*, 4> m_scanTables{};
    int m_psv = 0;
    int m_pointTransform = 0;
    uint32_t m_restartInterval = 0;
    bool m_haveScan = false;
};

void LosslessJpegDecoder::vprint(const char* format, va_list args) {
    if (m_errors != nullptr) std::vfprintf(m_errors, format, args);
}

void LosslessJpegDecoder::print(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprint(format, args);
    va_end(args);
}

void LosslessJpegDecoder::warn(const char* format, ...) {
    if (++m_warnings > kMaxPrintedWarnings) return;
    va_list args;
    va_start(args, format);
    vprint(format, args);
    va_end(args);
}

bool LosslessJpegDecoder::fail(DicomError error, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (m_errors != nullptr) std::fputs(text, m_errors);
    m_error = error;
    m_message = text;
    while (!m_message.empty() && m_message.back() == '\n') m_message.pop_back();
    return false;
}

bool LosslessJpegDecoder::readByte(int& value) {
    if (m_pos >= m_size) return fail(DicomError::UnsupportedDicom, "Premature end of JPEG file\n");
    value = m_data[m_pos++];
    return true;
}

bool LosslessJpegDecoder::read16(int& value) {
    int high = 0;
    int low = 0;
    if (!readByte(high) || !readByte(low)) return false;
    value = high << 8 | low;
    return true;
}

// A marker is one or more 0xFF bytes followed by a non-zero byte; anything
// else between markers is skipped.
int LosslessJpegDecoder::findMarker() {
    for (;;) {
        while (m_pos < m_size && m_data[m_pos] != 0xFF) ++m_pos;
        while (m_pos < m_size && m_data[m_pos] == 0xFF) ++m_pos;
        if (m_pos >= m_size) return -1;
        const int code = m_data[m_pos++];
        if (code != 0) return code;
    }
}

bool LosslessJpegDecoder::nextMarker(int& marker) {
    marker = findMarker();
    if (marker < 0) return fail(DicomError::UnsupportedDicom, "Premature end of JPEG file\n");
    return true;
}

bool LosslessJpegDecoder::skipSegment() {
    int length = 0;
    if (!read16(length)) return false;
    if (length > 2) {
        const size_t skip = static_cast<size_t>(length - 2);
        m_pos = skip < m_size - m_pos ? m_pos + skip : m_size;
    }
    return true;
}

bool LosslessJpegDecoder::readDht() {
    int length = 0;
    if (!read16(length)) return false;
    length -= 2;
    while (length > 0) {
        int index = 0;
        if (!readByte(index)) return false;
        std::array<uint8_t, 17> counts{};
        int total = 0;
        for (int l = 1; l <= 16; ++l) {
            int count = 0;
            if (!readByte(count)) return false;
            counts[l] = static_cast<uint8_t>(count);
            total += count;
        }
        if (total > 256) return fail(DicomError::UnsupportedDicom, "Bogus DHT counts");
        std::array<uint8_t, 256> symbols{};
        for (int i = 0; i < total; ++i) {
            int symbol = 0;
            if (!readByte(symbol)) return false;
            symbols[i] = static_cast<uint8_t>(symbol);
        }
        if (index & 0x10) print("Huffman table for lossless JPEG is not defined.\n");
        if (index > 3) return fail(DicomError::UnsupportedDicom, "Bogus DHT index %d", index);
        HuffmanTable& table = m_tables[index];
        table = HuffmanTable{};
        table.counts = counts;
        table.symbols = symbols;
        table.defined = true;
        length -= 1 + 16 + total;
    }
    return true;
}

bool LosslessJpegDecoder::readDri() {
    int length = 0;
    if (!read16(length)) return false;
    if (length != 4) return fail(DicomError::UnsupportedDicom, "Bogus length in DRI");
    int interval = 0;
    if (!read16(interval)) return false;
    m_restartInterval = static_cast<uint32_t>(interval);
    return true;
}

// Markers that may appear among the tables before a frame or a scan.
bool LosslessJpegDecoder::handleTableMarker(int marker, bool& handled) {
    handled = true;
    if ((marker >= kRst0 && marker <= kRst7) || marker == kTem) {
        warn("Warning: unexpected marker 0x%02x", marker);
        return true;
    }
    switch (marker) {
    case kDht:
        return readDht();
    case kDqt:
        // Lossless streams carry no quantisation tables; the table bytes are
        // left to the marker search.
        warn("Not a lossless JPEG file.\n");
        return true;
    case kDri:
        return readDri();
    default:
        break;
    }
    if (endsHeaderSearch(marker)) {
        handled = false;
        return true;
    }
    return skipSegment();
}

bool LosslessJpegDecoder::readSof(int marker) {
    if (marker != kSof0 && marker != kSof1 && marker != kSof3)
        return fail(DicomError::UnsupportedDicom, "Unsupported SOF marker type 0x%02x", marker);
    int length = 0;
    int precision = 0;
    int height = 0;
    int width = 0;
    int count = 0;
    if (!read16(length) || !readByte(precision) || !read16(height) || !read16(width) ||
        !readByte(count))
        return false;
    if (height <= 0 || width <= 0 || count <= 0)
        return fail(DicomError::UnsupportedDicom, "Empty JPEG image (DNL not supported)");
    if (precision < 2 || precision > 16)
        return fail(DicomError::UnsupportedDicom, "Unsupported JPEG data precision");
    if (length != 3 * count + 8) return fail(DicomError::UnsupportedDicom, "Bogus SOF length");
    m_precision = precision;
    m_height = static_cast<uint32_t>(height);
    m_width = static_cast<uint32_t>(width);
    m_components.assign(static_cast<size_t>(count), FrameComponent{});
    for (FrameComponent& component : m_components) {
        int sampling = 0;
        int quantTable = 0;
        if (!readByte(component.id) || !readByte(sampling) || !readByte(quantTable)) return false;
        component.h = sampling >> 4;
        component.v = sampling & 0x0F;
    }
    return true;
}

bool LosslessJpegDecoder::readSos() {
    int length = 0;
    int count = 0;
    if (!read16(length) || !readByte(count)) return false;
    if (length != 2 * count + 6 || count < 1 || count > 4)
        return fail(DicomError::UnsupportedDicom, "Bogus SOS length");
    std::array<int, 4> selectors{};
    for (int i = 0; i < count; ++i) {
        int id = 0;
        int tables = 0;
        if (!readByte(id) || !readByte(tables)) return false;
        bool known = false;
        for (const FrameComponent& component : m_components) known = known || component.id == id;
        if (!known) return fail(DicomError::UnsupportedDicom, "Invalid component number in SOS");
        selectors[i] = tables >> 4;
    }
    int ss = 0;
    int se = 0;
    int ahAl = 0;
    if (!readByte(ss) || !readByte(se) || !readByte(ahAl)) return false;
    m_psv = ss;
    m_pointTransform = ahAl & 0x0F;
    m_scanComponents = count;

    for (const FrameComponent& component : m_components)
        if (component.h != 1 || component.v != 1)
            return fail(DicomError::UnsupportedDicom, "Error: Downsampling is not supported.\n");
    for (int i = 0; i < count; ++i) {
        if (selectors[i] > 3 || !m_tables[selectors[i]].defined)
            return fail(DicomError::UnsupportedDicom, "Error: Use of undefined Huffman table\n");
        HuffmanTable& table = m_tables[selectors[i]];
        if (!table.derived && !table.derive())
            return fail(DicomError::UnsupportedDicom, "Bogus Huffman table definition\n");
        m_scanTables[i] = &table;
    }
    m_haveScan = true;
    return true;
}

bool LosslessJpegDecoder::readHeaders(const FrameGeometry& expected) {
    if (m_size < 2 || m_data[0] != 0xFF || m_data[1] != kSoi)
        return fail(DicomError::UnsupportedDicom, "Not a JPEG file. Found %02X %02X\n",
                    m_size > 0 ? m_data[0] : 0, m_size > 1 ? m_data[1] : 0);
    m_pos = 2;

    int marker = 0;
    for (;;) {
        if (!nextMarker(marker)) return false;
        bool handled = false;
        if (!handleTableMarker(marker, handled)) return false;
        if (!handled) break;
    }
    if (!readSof(marker)) return false;

    if (m_height != expected.rows || m_width != expected.columns ||
        m_components.size() != expected.samplesPerPixel)
        return fail(DicomError::CorruptedDicom,
                    "JPEG frame of %ux%u pixels with %zu components does not match the image "
                    "(%ux%u pixels, %u samples)\n",
                    m_width, m_height, m_components.size(), expected.columns, expected.rows,
                    expected.samplesPerPixel);

    for (;;) {
        if (!nextMarker(marker)) return false;
        bool handled = false;
        if (!handleTableMarker(marker, handled)) return false;
        if (handled) continue;
        if (marker == kEoi) return true; // no scan: the frame stays as it is
        if (marker != kSos) return fail(DicomError::UnsupportedDicom, "Unexpected marker 0x%02x", marker);
        if (!readSos()) return false;
        break;
    }

    // Every sample costs at least one bit of entropy data: a stream too short
    // for the image would run dry before the last row, so it fails here,
    // before anything is written.
    const uint64_t samples = uint64_t{m_height} * m_width * static_cast<uint64_t>(m_scanComponents);
    if (samples > kLosslessJpegMaxSamplesPerByte * static_cast<uint64_t>(m_size - m_pos))
        return fail(DicomError::UnsupportedDicom, "Corrupt JPEG data: premature end of data segment\n");
    if (m_pointTransform >= m_precision)
        return fail(DicomError::UnsupportedDicom, "Point transform %d is not below precision %d\n",
                    m_pointTransform, m_precision);
    // Rows are decoded whole, and after a restart the prediction starts over
    // as on the first row; an interval that ends inside a row has no such
    // row to start from, and lossless encoders only write whole rows.
    if (m_restartInterval != 0 && m_restartInterval % m_width != 0)
        return fail(DicomError::UnsupportedDicom,
                    "Restart interval %u is not a whole number of %u-pixel rows\n",
                    m_restartInterval, m_width);
    return true;
}

inline int LosslessJpegDecoder::decodeDifference(BitReader& bits, const HuffmanTable& table) {
    bits.ensure32();
    const uint32_t entry = table.look[bits.peek(kLookBits)];
    if (entry & kLookComplete) {
        bits.skip(static_cast<int>(entry & 0x1F));
        return static_cast<int>(entry >> 16);
    }
    int category;
    if (entry != 0) {
        bits.skip(static_cast<int>(entry & 0x1F));
        category = static_cast<int>(entry >> 8);
    } else {
        // A code longer than the look-ahead: extend it bit by bit.
        const uint32_t code16 = bits.peek(16);
        int length = kLookBits + 1;
        int32_t code = 0;
        for (; length <= 16; ++length) {
            code = static_cast<int32_t>(code16 >> (16 - length));
            if (code <= table.maxcode[length]) break;
        }
        if (length > 16) {
            bits.skip(16);
            warn("Corrupt JPEG data: bad Huffman code");
            return 0;
        }
        bits.skip(length);
        category = table.symbols[table.valptr[length] + code - table.mincode[length]];
        if (category == 0) return 0;
        if (category == 16) return 32768;
    }
    return extendDifference(bits.take(category), category);
}

void LosslessJpegDecoder::decodeFirstRow(BitReader& bits, uint16_t* current) {
    const int ns = m_scanComponents;
    const int initial = 1 << (m_precision - m_pointTransform - 1);
    for (int c = 0; c < ns; ++c)
        current[c] = static_cast<uint16_t>(initial + decodeDifference(bits, *m_scanTables[c]));
    const size_t count = static_cast<size_t>(m_width) * static_cast<size_t>(ns);
    int c = 0;
    for (size_t i = static_cast<size_t>(ns); i < count; ++i) {
        current[i] = static_cast<uint16_t>(current[i - ns] + decodeDifference(bits, *m_scanTables[c]));
        if (++c == ns) c = 0;
    }
}

// Predictions are taken over the unsigned sample values at full precision and
// the sum wraps modulo 2^16 (T.81 H.1.2.1), which matters for 16-bit data whose
// neighbours straddle 32768.
template <int Psv>
inline int predict(int ra, int rb, int rc) {
    if constexpr (Psv == 1) return ra;
    else if constexpr (Psv == 2) return rb;
    else if constexpr (Psv == 3) return rc;
    else if constexpr (Psv == 4) return ra + rb - rc;
    else if constexpr (Psv == 5) return ra + ((rb - rc) >> 1);
    else if constexpr (Psv == 6) return rb + ((ra - rc) >> 1);
    else if constexpr (Psv == 7) return (ra + rb) >> 1;
    else return 0; // undefined selection value
}

template <int Psv, bool SingleComponent>
void LosslessJpegDecoder::decodeRow(BitReader& bits, uint16_t* current, const uint16_t* previous) {
    const size_t ns = SingleComponent ? 1 : static_cast<size_t>(m_scanComponents);
    const size_t count = static_cast<size_t>(m_width) * ns;
    if constexpr (SingleComponent) {
        const HuffmanTable& table = *m_scanTables[0];
        current[0] = static_cast<uint16_t>(previous[0] + decodeDifference(bits, table));
        for (size_t i = 1; i < count; ++i)
            current[i] = static_cast<uint16_t>(predict<Psv>(current[i - 1], previous[i], previous[i - 1]) +
                                               decodeDifference(bits, table));
    } else {
        for (size_t c = 0; c < ns; ++c)
            current[c] = static_cast<uint16_t>(previous[c] + decodeDifference(bits, *m_scanTables[c]));
        size_t c = 0;
        for (size_t i = ns; i < count; ++i) {
            current[i] = static_cast<uint16_t>(predict<Psv>(current[i - ns], previous[i], previous[i - ns]) +
                                               decodeDifference(bits, *m_scanTables[c]));
            if (++c == ns) c = 0;
        }
    }
}

bool LosslessJpegDecoder::decodeImage(std::span<uint8_t> frame, uint32_t sampleBytes, size_t outComponents) {
    const size_t ns = static_cast<size_t>(m_scanComponents);
    const size_t rowValues = static_cast<size_t>(m_width) * ns;
    std::vector<uint16_t> rows(2 * rowValues);
    uint16_t* previous = rows.data();
    uint16_t* current = rows.data() + rowValues;

    if (m_psv < 1 || m_psv > 7) warn("Warning: Undefined PSV\n");
    using RowDecoder = void (LosslessJpegDecoder::*)(BitReader&, uint16_t*, const uint16_t*);
    static constexpr RowDecoder kRowDecoders[2][8] = {
        {&LosslessJpegDecoder::decodeRow<0, false>, &LosslessJpegDecoder::decodeRow<1, false>,
         &LosslessJpegDecoder::decodeRow<2, false>, &LosslessJpegDecoder::decodeRow<3, false>,
         &LosslessJpegDecoder::decodeRow<4, false>, &LosslessJpegDecoder::decodeRow<5, false>,
         &LosslessJpegDecoder::decodeRow<6, false>, &LosslessJpegDecoder::decodeRow<7, false>},
        {&LosslessJpegDecoder::decodeRow<0, true>, &LosslessJpegDecoder::decodeRow<1, true>,
         &LosslessJpegDecoder::decodeRow<2, true>, &LosslessJpegDecoder::decodeRow<3, true>,
         &LosslessJpegDecoder::decodeRow<4, true>, &LosslessJpegDecoder::decodeRow<5, true>,
         &LosslessJpegDecoder::decodeRow<6, true>, &LosslessJpegDecoder::decodeRow<7, true>},
    };
    const RowDecoder decodeRowWithPredictor =
        kRowDecoders[ns == 1 ? 1 : 0][m_psv >= 1 && m_psv <= 7 ? m_psv : 0];

    const uint32_t restartRows = m_restartInterval / m_width;
    uint32_t rowsLeft = restartRows > 0 ? restartRows - 1 : 0;
    int nextRestart = 0;
    BitReader bits(m_data, m_size, m_pos);
    uint8_t* out = frame.data();

    for (uint32_t row = 0; row < m_height; ++row) {
        if (row == 0) {
            decodeFirstRow(bits, current);
        } else if (restartRows > 0 && rowsLeft == 0) {
            m_pos = bits.position();
            if (findMarker() != kRst0 + nextRestart)
                return fail(DicomError::UnsupportedDicom, "Error: Corrupt JPEG data.  Exiting...\n");
            nextRestart = (nextRestart + 1) & 7;
            rowsLeft = restartRows - 1;
            bits.restartAt(m_pos);
            decodeFirstRow(bits, current);
        } else {
            if (restartRows > 0) --rowsLeft;
            (this->*decodeRowWithPredictor)(bits, current, previous);
        }
        if (bits.overrun())
            return fail(DicomError::UnsupportedDicom,
                        "Corrupt JPEG data: premature end of data segment\n");

        if (outComponents > 1) {
            const size_t values = static_cast<size_t>(m_width) * outComponents;
            if (sampleBytes == 1) {
                for (size_t i = 0; i < values; ++i) out[i] = static_cast<uint8_t>(current[i]);
            } else {
                for (size_t i = 0; i < values; ++i) {
                    out[2 * i] = static_cast<uint8_t>(current[i]);
                    out[2 * i + 1] = static_cast<uint8_t>(current[i] >> 8);
                }
            }
        } else if (sampleBytes == 1) {
            for (uint32_t x = 0; x < m_width; ++x) out[x] = static_cast<uint8_t>(current[x * ns]);
        } else if (ns == 1 && std::endian::native == std::endian::little) {
            std::memcpy(out, current, static_cast<size_t>(m_width) * 2);
        } else {
            for (uint32_t x = 0; x < m_width; ++x) {
                const uint16_t v = current[x * ns];
                out[2 * x] = static_cast<uint8_t>(v);
                out[2 * x + 1] = static_cast<uint8_t>(v >> 8);
            }
        }
        out += static_cast<size_t>(m_width) * sampleBytes * outComponents;
        std::swap(previous, current);
    }
    return true;
}

FrameDecodeStatus LosslessJpegDecoder::decode(const FrameGeometry& expected,
                                              std::span<uint8_t> frame,
                                              LosslessJpegHeader* header, bool allComponents) {
    const uint32_t sampleBytes = losslessSampleBytes(expected.bitsStored);
    const size_t outComponents = allComponents ? std::max<uint32_t>(expected.samplesPerPixel, 1) : 1;
    const bool fits = static_cast<uint64_t>(expected.rows) * expected.columns * sampleBytes * outComponents <=
                      frame.size();
    bool ok = fits ? readHeaders(expected)
                   : fail(DicomError::CorruptedDicom, "Frame buffer too small for a %ux%u image\n",
                          expected.columns, expected.rows);
    if (header != nullptr) {
        header->precision = m_precision;
        header->height = m_height;
        header->width = m_width;
        header->frameComponents = static_cast<int>(m_components.size());
        header->scanComponents = m_scanComponents;
        header->predictor = m_psv;
        header->pointTransform = m_pointTransform;
        header->restartInterval = m_restartInterval;
    }
    if (ok && m_haveScan && outComponents > 1 && static_cast<size_t>(m_scanComponents) != outComponents)
        ok = fail(DicomError::UnsupportedDicom, "Lossless JPEG with %d of %zu components in its first scan is not supported\n",
                  m_scanComponents, outComponents);
    if (ok && m_haveScan) ok = decodeImage(frame, sampleBytes, outComponents);

    FrameDecodeStatus status;
    status.error = m_error;
    status.message = m_message;
    status.complete = ok && m_haveScan;
    return status;
}

} // namespace

FrameDecodeStatus decodeLosslessFrame(std::span<const uint8_t> fragment,
                                      const FrameGeometry& expected, std::span<uint8_t> frame,
                                      std::FILE* errorStream, LosslessJpegHeader* header, bool allComponents) {
    LosslessJpegDecoder decoder(fragment, errorStream);
    return decoder.decode(expected, frame, header, allComponents);
}

} // namespace veltor

// ---------------------------------------------------------------------------
// The lossless JPEG codec of the DICOM reader: every component of the scan,
// interleaved, one byte per sample up to 8 bits allocated, else two.

namespace veltor {

namespace {

class LosslessJpegFrameDecoder final : public FrameDecoder {
  public:
    const char* name() const override { return "JPEG LOSSLESS"; }

    FrameDecodeStatus checkImage(const FrameGeometry& g, const char*) const override {
        if (g.bitsStored < 2 || g.bitsStored > 16 || g.bitsAllocated > 16 ||
            (g.bitsAllocated <= 8 && g.bitsStored > 8))
            return frameRefusal(DicomError::UnsupportedDicom,
                                "Lossless JPEG with " + std::to_string(g.bitsStored) + " bits stored in " +
                                    std::to_string(g.bitsAllocated) + " bits allocated is not supported");
        return {};
    }

    FrameDecodeStatus checkFrame(std::span<const uint8_t> stream, const FrameGeometry& g) const override {
        if (stream.size() < 2 || stream[0] != 0xFF || stream[1] != 0xD8)
            return frameRefusal(DicomError::CorruptedDicom, "lossless JPEG frame does not start with SOI");
        const uint64_t samples = uint64_t{g.rows} * g.columns * g.samplesPerPixel;
        if (samples > kLosslessJpegMaxSamplesPerByte * stream.size())
            return frameRefusal(DicomError::CorruptedDicom,
                                "lossless JPEG frame of " + std::to_string(stream.size()) +
                                    " bytes cannot hold " + std::to_string(samples) + " samples");
        return {};
    }

    FrameDecodeStatus decodeFrame(std::span<const uint8_t> stream, const FrameGeometry& g,
                                  std::span<uint8_t> frame) const override {
        FrameGeometry output = g;
        output.bitsStored = decodedSampleBytes(g.bitsAllocated) == 1 ? 8 : 16;
        return decodeLosslessFrame(stream, output, frame, stderr, nullptr, true);
    }

    bool startsFrame(std::span<const uint8_t> fragment) const override {
        return fragment.size() >= 2 && fragment[0] == 0xFF && fragment[1] == 0xD8;
    }
};

} // namespace

const FrameDecoder& losslessJpegFrameDecoder() {
    static const LosslessJpegFrameDecoder decoder;
    return decoder;
}

} // namespace veltor
