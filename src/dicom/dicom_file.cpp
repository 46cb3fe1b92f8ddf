#include "dicom_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "dataset_builder.h"
#include "dicom_dictionary.h"
#include "dicom_vr.h"
#include "image_setup.h"
#include "jpeg_lossy_decoder.h"
#include "lossless_jpeg_decoder.h"
#include "rle_decoder.h"

namespace veltor {

namespace {

constexpr uint32_t kReadBlock = 4096;
constexpr uint32_t kPreambleEnd = 132;

constexpr uint16_t kItemGroup = 0xFFFE;
constexpr uint16_t kItem = 0xE000;
constexpr uint16_t kItemDelimitation = 0xE00D;
constexpr uint16_t kSequenceDelimitation = 0xE0DD;
constexpr uint16_t kPixelGroup = 0x7FE0;

const char kTsImplicitLittle[] = "1.2.840.10008.1.2";
const char kTsImplicitDeflatedLegacy[] = "1.2.840.10008.1.20";
const char kTsExplicitBig[] = "1.2.840.10008.1.2.2";

inline uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t le32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
inline uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t be32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

// VRs whose explicit-VR length field, when it reads 0, is followed by a 32-bit
// length. OB, OW and UN always use that form. UT and the VRs added to the
// standard later (UC, UR, OD, OF, OL, OV, SV, UV) use it too in current files;
// a non-zero 16-bit field still counts as the length, as older writers stored
// UT, so both kinds of file read correctly.
bool isLongFormVr(const char* vr) {
    if (vr[0] == '\0' || vr[1] == '\0' || vr[2] != '\0') return false;
    switch (vr[0]) {
    case 'O': return vr[1] == 'B' || vr[1] == 'W' || vr[1] == 'D' || vr[1] == 'F' || vr[1] == 'L' || vr[1] == 'V';
    case 'U': return vr[1] == 'N' || vr[1] == 'T' || vr[1] == 'C' || vr[1] == 'R' || vr[1] == 'V';
    case 'S': return vr[1] == 'V';
    default: return false;
    }
}

// The file bytes read so far, from offset 0. Capacity grows geometrically
// while the amount read follows the refill rule, so long headers read in
// 4096-byte steps do not copy the buffer over and over. Large buffers (the
// whole file of a full open) are mapped with huge pages where the system
// offers them: reading a big image then takes far fewer page faults.
class ByteBuffer {
  public:
    ~ByteBuffer() { freeMemory(m_data, m_capacity, m_mapped); }
    const uint8_t* data() const { return m_data; }
    uint32_t length() const { return m_length; }
    // Room for `extra` more bytes; false when memory runs out.
    bool reserveMore(uint32_t extra) {
        const size_t need = size_t{m_length} + extra;
        if (need <= m_capacity) return true;
        if (m_data == nullptr && need >= kMapThreshold) {
            void* p = ::mmap(nullptr, need, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            if (p != MAP_FAILED) {
#ifdef MADV_HUGEPAGE
                ::madvise(p, need, MADV_HUGEPAGE);
#endif
                m_data = static_cast<uint8_t*>(p);
                m_capacity = need;
                m_mapped = true;
                return true;
            }
        }
        size_t capacity = std::max(need, m_capacity + m_capacity / 2);
        uint8_t* p = nullptr;
        if (m_mapped) {
            void* q = ::mremap(m_data, m_capacity, capacity, MREMAP_MAYMOVE);
            if (q == MAP_FAILED) return false;
            p = static_cast<uint8_t*>(q);
        } else {
            p = static_cast<uint8_t*>(std::realloc(m_data, capacity));
            if (p == nullptr) {
                capacity = need;
                p = static_cast<uint8_t*>(std::realloc(m_data, capacity));
                if (p == nullptr) return false;
            }
        }
        m_data = p;
        m_capacity = capacity;
        return true;
    }
    uint8_t* end() { return m_data + m_length; }
    void grow(uint32_t n) { m_length += n; }
    // Hands the memory over to the caller, who frees it with freeMemory.
    void release(uint8_t*& data, size_t& capacity, bool& mapped) {
        data = m_data;
        capacity = m_capacity;
        mapped = m_mapped;
        m_data = nullptr;
        m_length = 0;
        m_capacity = 0;
        m_mapped = false;
    }
    static void freeMemory(uint8_t* p, size_t capacity, bool mapped) {
        if (p == nullptr) return;
        if (mapped)
            ::munmap(p, capacity);
        else
            std::free(p);
    }

  private:
    static constexpr size_t kMapThreshold = size_t{8} << 20;
    uint8_t* m_data = nullptr;
    uint32_t m_length = 0;
    size_t m_capacity = 0;
    bool m_mapped = false;
};

} // namespace

// Where refills come from: an open file, or bytes in memory.
struct DicomFile::Source {
    int fd = -1;
    const uint8_t* memory = nullptr;
    uint64_t size = 0;

    // Reads exactly n bytes at `offset`; false on a short read.
    bool readAt(uint64_t offset, uint8_t* dst, size_t n) const {
        if (offset > size || n > size - offset) return false;
        if (memory != nullptr) {
            std::memcpy(dst, memory + offset, n);
            return true;
        }
        while (n > 0) {
            const ssize_t got = ::pread(fd, dst, std::min<size_t>(n, size_t{1} << 30),
                                        static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            dst += got;
            offset += static_cast<uint64_t>(got);
            n -= static_cast<size_t>(got);
        }
        return true;
    }
};

// The element parse of one open. Every read is checked against the bytes held,
// after a refill from the source; nothing reads outside the buffer.
class DicomParser {
  public:
    DicomParser(DicomFile& file, const DicomFile::Source& source, ByteBuffer& buffer)
        : m_file(file), m_source(source), m_buffer(buffer), m_fileSize(file.m_fileSize) {}

    DicomError error() const { return m_error; }
    // A frame conversion ran out of memory: the open fails with OutOfMemory.
    bool conversionOutOfMemory() const { return m_conversionOutOfMemory; }
    // Frames still point into the file buffer: the open must keep it.
    bool keepBuffer() const { return m_keepBuffer; }

    bool parse(bool listPixelRecords);

  private:
    uint32_t& pos() { return m_file.m_position; }
    const uint8_t* at() const { return m_buffer.data() + m_file.m_position; }
    uint16_t u16(const uint8_t* p) const { return m_bigEndian ? be16(p) : le16(p); }
    uint32_t u32(const uint8_t* p) const { return m_bigEndian ? be32(p) : le32(p); }
    uint32_t remaining() const { return m_fileSize - m_file.m_position; }

    bool fail(DicomError code) {
        if (m_error == DicomError::NoError) m_error = code;
        return false;
    }
    bool ensure(uint32_t n);
    bool parseMetaGroup();
    bool parseDataSet();
    bool parseElement(std::vector<DicomElement>& out, int depth, bool topLevel);
    bool parseSequence(DicomElement& record, uint32_t length, int depth);
    bool parseItem(std::vector<DicomElement>& out, int depth);
    bool storeValue(DicomElement& record, uint32_t length, bool topLevel);
    bool readLength(bool longForm, uint32_t& length);
    bool listPixelRecords();
    bool setupImage();
    bool readPixelHeader(DicomElement& record, uint32_t& length);
    bool readUncompressed(ImageSetup& setup);
    bool readEncapsulated(ImageSetup& setup);

    DicomFile& m_file;
    const DicomFile::Source& m_source;
    ByteBuffer& m_buffer;
    const uint32_t m_fileSize;
    bool m_implicit = true;
    bool m_bigEndian = false;
    DicomError m_error = DicomError::NoError;
    bool m_conversionOutOfMemory = false;
    bool m_metaOnly = false;
    bool m_keepBuffer = false;
};

bool DicomParser::ensure(uint32_t n) {
    const uint64_t need = uint64_t{pos()} + n;
    if (need <= m_buffer.length()) return true;
    if (m_buffer.length() < m_fileSize && n < m_fileSize) {
        uint32_t grow = std::max(n, kReadBlock);
        grow = std::min(grow, m_fileSize - m_buffer.length());
        if (!m_buffer.reserveMore(grow)) return fail(DicomError::OutOfMemory);
        if (!m_source.readAt(m_buffer.length(), m_buffer.end(), grow))
            return fail(DicomError::CorruptedDicom);
        m_buffer.grow(grow);
    }
    if (need <= m_buffer.length()) return true;
    return fail(DicomError::CorruptedDicom);
}

bool DicomParser::storeValue(DicomElement& record, uint32_t length, bool topLevel) {
    // The length is checked against the file before anything is allocated.
    if (length > remaining()) return fail(DicomError::CorruptedDicom);
    if (!ensure(length)) return false;
    const uint8_t* bytes = at();
    const uint8_t* value = m_file.m_store.copyValue(bytes, length);
    if (value == nullptr) return fail(DicomError::OutOfMemory);
    record.value = value;
    record.length = length;
    record.valueOffset = pos();
    if (length == 2)
        record.number = static_cast<int16_t>(u16(bytes));
    else if (length == 4)
        record.number = static_cast<int32_t>(u32(bytes));
    if (topLevel && m_implicit && (vrIs(record.vr, "IS") || vrIs(record.vr, "DS")))
        record.number = parseIntegerString(record.text());
    if (vrIs(record.vr, "UI")) record.uidName = lookupUidName(record.text());
    pos() += length;
    return true;
}

bool DicomParser::parseMetaGroup() {
    // The meta group is read from the first block only, in explicit VR little endian.
    const uint32_t block = m_buffer.length();
    auto& out = m_file.m_elements;
    while (uint64_t{pos()} + 4 <= block) {
        const uint8_t* p = at();
        const uint16_t group = le16(p);
        const uint16_t element = le16(p + 2);
        if (group != 0x0002) return true;
        out.emplace_back();
        DicomElement& record = out.back();
        record.group = group;
        record.element = element;
        lookupTagName(group, element, record);
        pos() += 4;
        if (uint64_t{pos()} + 2 > block) return fail(DicomError::CorruptedDicom);
        record.vr[0] = static_cast<char>(at()[0]);
        record.vr[1] = static_cast<char>(at()[1]);
        record.vr[2] = '\0';
        if (!isKnownVr(record.vr)) return fail(DicomError::RetryImplicit);
        pos() += 2;
        if (uint64_t{pos()} + 2 > block) return fail(DicomError::CorruptedDicom);
        uint32_t length = le16(at());
        pos() += 2;
        if (length == 0 && isLongFormVr(record.vr)) {
            if (uint64_t{pos()} + 4 > block) return fail(DicomError::CorruptedDicom);
            length = le32(at());
            pos() += 4;
        }
        if (length > block - pos()) return fail(DicomError::CorruptedDicom);
        if (!storeValue(record, length, true)) return false;
    }
    return true;
}

bool DicomParser::parseDataSet() {
    auto& out = m_file.m_elements;
    for (;;) {
        if (!ensure(4)) return fail(DicomError::CorruptedDicom);
        // The pixel data group is left to the pixel-data reader.
        if (u16(at()) == kPixelGroup) return true;
        if (!parseElement(out, 0, true)) return false;
        if (pos() >= m_fileSize) return true;
    }
}

// The length field after the tag (and, in explicit VR, the VR): 32 bits in
// implicit VR; in explicit VR 16 bits, followed by a 32-bit length when they
// read zero and the VR takes the long form.
bool DicomParser::readLength(bool longForm, uint32_t& length) {
    if (m_implicit) {
        if (!ensure(4)) return false;
        length = u32(at());
        pos() += 4;
        return true;
    }
    if (!ensure(2)) return false;
    length = u16(at());
    pos() += 2;
    if (length == 0 && longForm) {
        if (!ensure(4)) return false;
        length = u32(at());
        pos() += 4;
    }
    return true;
}

bool DicomParser::parseElement(std::vector<DicomElement>& out, int depth, bool topLevel) {
    // Called with at least the four tag bytes held.
    const uint16_t group = u16(at());
    const uint16_t element = u16(at() + 2);
    pos() += 4;
    out.emplace_back();
    const size_t index = out.size() - 1;
    {
        DicomElement& record = out[index];
        record.group = group;
        record.element = element;
        lookupTagName(group, element, record);
        if (m_implicit) {
            lookupTagVr(group, element, record);
        } else {
            if (!ensure(2)) return false;
            record.vr[0] = static_cast<char>(at()[0]);
            record.vr[1] = static_cast<char>(at()[1]);
            record.vr[2] = '\0';
            pos() += 2;
        }
    }
    DicomElement record = out[index];
    uint32_t length = 0;
    if (vrIs(record.vr, "SQ")) {
        // In explicit VR two reserved bytes, then the 32-bit length when they are zero.
        if (!readLength(true, length)) return false;
        const bool ok = parseSequence(record, length, depth + 1);
        out[index] = record;
        return ok;
    }
    if (!readLength(isLongFormVr(record.vr), length)) return false;
    if (length == kUndefinedLength) {
        // Implicit VR: an element of undefined length holds items, whatever its VR.
        if (!m_implicit) return fail(DicomError::CorruptedDicom);
        record.length = kUndefinedLength;
        const bool ok = parseSequence(record, length, depth + 1);
        out[index] = record;
        return ok;
    }
    const bool ok = storeValue(record, length, topLevel);
    out[index] = record;
    return ok;
}

bool DicomParser::parseSequence(DicomElement& record, uint32_t length, int depth) {
    if (depth > kMaxSequenceDepth) return fail(DicomError::CorruptedDicom);
    std::vector<DicomElement> children;
    bool ok = true;
    if (length == kUndefinedLength) {
        for (;;) {
            if (!ensure(4)) {
                ok = false;
                break;
            }
            if (u16(at()) == kItemGroup && u16(at() + 2) == kSequenceDelimitation) {
                if (!ensure(8)) {
                    ok = false;
                    break;
                }
                pos() += 8;
                break;
            }
            pos() += 4; // the item tag, whatever it holds
            if (!parseItem(children, depth)) {
                ok = false;
                break;
            }
        }
    } else if (length > 0) {
        if (length > remaining()) {
            ok = fail(DicomError::CorruptedDicom);
        } else {
            const uint32_t end = pos() + length;
            while (pos() < end) {
                if (!ensure(4)) {
                    ok = false;
                    break;
                }
                pos() += 4;
                if (!parseItem(children, depth)) {
                    ok = false;
                    break;
                }
            }
        }
    }
    // Children parsed before a failure are kept, like top-level records.
    if (!children.empty()) {
        record.children = m_file.m_store.copyElements(children.data(), children.size());
        if (record.children == nullptr) return fail(DicomError::OutOfMemory);
        record.childCount = static_cast<int32_t>(children.size());
    }
    return ok;
}

bool DicomParser::parseItem(std::vector<DicomElement>& out, int depth) {
    if (!ensure(4)) return false;
    const uint32_t length = u32(at());
    pos() += 4;
    if (length == kUndefinedLength) {
        for (;;) {
            if (!ensure(4)) return false;
            const uint16_t group = u16(at());
            const uint16_t element = u16(at() + 2);
            if (group == kItemGroup && element == kItemDelimitation) {
                if (!ensure(8)) return false;
                pos() += 8;
                return true;
            }
            // A sequence delimiter where the item delimiter is missing ends the
            // item and is left for the enclosing sequence.
            if (group == kItemGroup && element == kSequenceDelimitation) return true;
            if (!parseElement(out, depth, false)) return false;
        }
    }
    if (length > remaining()) return fail(DicomError::CorruptedDicom);
    const uint32_t end = pos() + length;
    while (pos() < end) {
        if (!ensure(4)) return false;
        if (!parseElement(out, depth, false)) return false;
    }
    return true;
}

bool DicomParser::listPixelRecords() {
    auto& out = m_file.m_elements;
    while (pos() < m_fileSize) {
        if (!ensure(4)) return false;
        const uint16_t group = u16(at());
        const uint16_t element = u16(at() + 2);
        if (group != kPixelGroup) return fail(DicomError::CorruptedDicom);
        if (element == 0x0000) {
            if (!parseElement(out, 0, true)) return false;
            continue;
        }
        if (element != 0x0010) return fail(DicomError::CorruptedDicom);
        DicomElement record;
        uint32_t length = 0;
        if (!readPixelHeader(record, length)) return false;
        record.length = length;
        record.valueOffset = pos();
        out.push_back(record);
        // Encapsulated data (undefined length) is listed as it stands.
        if (length != kUndefinedLength && length > remaining())
            return fail(DicomError::CorruptedDicom);
        return true;
    }
    return true;
}

// Reads the header of the pixel data element (tag already checked): its VR
// and length in the data set's encoding. The record is appended to the file.
bool DicomParser::readPixelHeader(DicomElement& record, uint32_t& length) {
    record.group = u16(at());
    record.element = u16(at() + 2);
    lookupTagName(record.group, record.element, record);
    pos() += 4;
    if (m_implicit) {
        lookupTagVr(record.group, record.element, record);
        if (!ensure(4)) return false;
        length = u32(at());
        pos() += 4;
        return true;
    }
    if (!ensure(4)) return false;
    record.vr[0] = static_cast<char>(at()[0]);
    record.vr[1] = static_cast<char>(at()[1]);
    record.vr[2] = '\0';
    length = u16(at() + 2);
    pos() += 4;
    if (length == 0 && isLongFormVr(record.vr)) {
        if (!ensure(4)) return false;
        length = u32(at());
        pos() += 4;
    }
    return true;
}

bool DicomParser::readUncompressed(ImageSetup& setup) {
    DicomFile& f = m_file;
    while (uint64_t{pos()} + 4 <= m_fileSize) {
        if (!ensure(4)) return false;
        if (u16(at()) != kPixelGroup) return fail(DicomError::CorruptedDicom);
        const uint16_t element = u16(at() + 2);
        if (element == 0x0000) {
            if (!parseElement(f.m_elements, 0, true)) return false;
            continue;
        }
        if (element != 0x0010) return fail(DicomError::CorruptedDicom);
        DicomElement record;
        uint32_t length = 0;
        if (!readPixelHeader(record, length)) return false;
        if (length == kUndefinedLength || length > remaining()) return fail(DicomError::CorruptedDicom);
        record.length = length;
        record.valueOffset = pos();
        f.m_elements.push_back(record);
        if (!ensure(length)) return false;
        const uint32_t frameSize = length / static_cast<uint32_t>(f.m_frameCount);
        // Checked before anything is allocated: every frame must hold what the
        // conversions read, so a huge frame count cannot allocate a huge array.
        if (frameSize == 0 || frameSize < setup.requiredFrameBytes())
            return fail(DicomError::CorruptedDicom);
        f.m_frameSize = frameSize;
        f.m_frames.resize(static_cast<size_t>(f.m_frameCount));
        // The frames stay in the file buffer, which the open keeps; the
        // conversions write new buffers where they change the samples.
        uint8_t* first = const_cast<uint8_t*>(at());
        for (size_t i = 0; i < f.m_frames.size(); ++i) {
            f.m_frames[i].data.borrow(first + i * size_t{frameSize});
            f.m_frames[i].size = frameSize;
        }
        m_keepBuffer = true;
        pos() += length;
        return true;
    }
    return true;
}

bool DicomParser::readEncapsulated(ImageSetup&) {
    DicomFile& f = m_file;
    struct Fragment {
        uint32_t offset;
        uint32_t size;
    };
    std::vector<Fragment> fragments;
    size_t listed = 0;
    bool found = false;
    DicomElement record;
    while (!found) {
        if (!ensure(4)) return false;
        if (u16(at()) != kPixelGroup) return fail(DicomError::CorruptedDicom);
        const uint16_t element = u16(at() + 2);
        if (element == 0x0000) {
            if (!parseElement(f.m_elements, 0, true)) return false;
            continue;
        }
        if (element != 0x0010) return fail(DicomError::CorruptedDicom);
        // Tag, VR, two reserved bytes that must be zero, undefined length.
        if (!ensure(12)) return false;
        record.group = kPixelGroup;
        record.element = 0x0010;
        lookupTagName(record.group, record.element, record);
        record.vr[0] = static_cast<char>(at()[4]);
        record.vr[1] = static_cast<char>(at()[5]);
        record.vr[2] = '\0';
        if (u16(at() + 6) != 0 || u32(at() + 8) != kUndefinedLength)
            return fail(DicomError::CorruptedDicom);
        pos() += 12;
        record.valueOffset = pos();
        found = true;
    }
    // The basic offset table: its entry count is the number of frames.
    if (!ensure(8)) return false;
    if (u16(at()) != kItemGroup || u16(at() + 2) != kItem) return fail(DicomError::CorruptedDicom);
    const uint32_t tableLength = u32(at() + 4);
    pos() += 8;
    if (tableLength > remaining()) return fail(DicomError::CorruptedDicom);
    pos() += tableLength;
    listed = tableLength / 4;
    const bool rle = std::strcmp(f.m_compression, "RLE") == 0;
    if (listed == 0) {
        if (rle) return fail(DicomError::CorruptedDicom);
        listed = static_cast<size_t>(f.m_frameCount);
    }
    for (;;) {
        if (!ensure(8)) return false;
        const uint16_t group = u16(at());
        const uint16_t element = u16(at() + 2);
        if (group == kItemGroup && element == kSequenceDelimitation) {
            pos() += 8;
            break;
        }
        if (group != kItemGroup || element != kItem) return fail(DicomError::CorruptedDicom);
        const uint32_t length = u32(at() + 4);
        pos() += 8;
        if (length > remaining() || !ensure(length)) return fail(DicomError::CorruptedDicom);
        if (fragments.size() < listed) fragments.push_back({pos(), length});
        pos() += length;
    }
    // Fragment i is frame i; fewer fragments than frames cannot be shown.
    if (fragments.size() < listed || fragments.empty()) return fail(DicomError::CorruptedDicom);

    FrameGeometry geometry;
    geometry.rows = static_cast<uint32_t>(f.m_rows);
    geometry.columns = static_cast<uint32_t>(f.m_columns);
    geometry.samplesPerPixel = static_cast<uint32_t>(std::max<int16_t>(f.m_samplesPerPixel, 0));
    geometry.bitsAllocated = static_cast<uint32_t>(std::max<int16_t>(f.m_bitsAllocated, 0));
    geometry.bitsStored = static_cast<uint32_t>(std::max<int16_t>(f.m_bitsStored, 0));
    const uint64_t pixels = uint64_t{geometry.rows} * geometry.columns;
    uint64_t frameSize = 0;
    const bool lossless = std::strcmp(f.m_compression, "JPEG LOSSLESS") == 0;
    if (rle) {
        if (f.m_bitsStored != 8) return fail(DicomError::UnsupportedDicom);
        frameSize = pixels * geometry.samplesPerPixel;
    } else {
        if (lossless ? (f.m_bitsStored != 8 && f.m_bitsStored != 12 && f.m_bitsStored != 16)
                     : (f.m_bitsStored != 8 && f.m_bitsStored != 12))
            return fail(DicomError::UnsupportedDicom);
        frameSize = pixels * geometry.samplesPerPixel * geometry.bitsAllocated / 8;
    }
    if (frameSize == 0 || frameSize > UINT32_MAX) return fail(DicomError::CorruptedDicom);
    if (rle) {
        // Refused before any frame is allocated: the headers must describe
        // segments that can expand to the frame.
        for (const Fragment& fr : fragments) {
            const FrameDecodeStatus st = checkRleFragment(
                std::span<const uint8_t>(m_buffer.data() + fr.offset, fr.size), frameSize);
            if (!st.ok()) return fail(DicomError::CorruptedDicom);
        }
    }
    f.m_frameSize = static_cast<uint32_t>(frameSize);
    f.m_frameCount = static_cast<int32_t>(fragments.size());
    f.m_frames.resize(fragments.size());
    for (size_t i = 0; i < fragments.size(); ++i) {
        DicomFile::Frame& frame = f.m_frames[i];
        frame.data.reset(new (std::nothrow) uint8_t[frameSize]());
        if (!frame.data) return fail(DicomError::OutOfMemory);
        frame.size = frameSize;
        const std::span<const uint8_t> in(m_buffer.data() + fragments[i].offset, fragments[i].size);
        const std::span<uint8_t> out(frame.data.get(), frameSize);
        if (rle) {
            if (!decodeRleFrame(in, out).ok()) return fail(DicomError::CorruptedDicom);
        } else if (lossless) {
            if (!decodeLosslessFrame(in, geometry, out).ok()) return fail(DicomError::UnsupportedDicom);
        } else {
            // A library error keeps the rows decoded before it; a stream that
            // disagrees with the attributes writes nothing and is refused.
            const FrameDecodeStatus st = decodeJpegFrame(in, geometry, out);
            if (st.error == DicomError::UnsupportedDicom) return fail(DicomError::UnsupportedDicom);
        }
    }
    record.length = static_cast<uint32_t>(std::min<uint64_t>(frameSize * fragments.size(), UINT32_MAX - 1));
    f.m_elements.push_back(record);
    return true;
}

bool DicomParser::setupImage() {
    DicomFile& f = m_file;
    ImageSetup setup(f);
    if (!setup.readAttributes()) return fail(setup.error());
    if (f.m_headerOnly) return true;
    if (f.isPaletteColor() && !setup.readPalette()) return fail(setup.error());
    if (f.m_frameCount <= 0 || f.m_rows <= 0 || f.m_columns <= 0)
        return fail(DicomError::CorruptedDicom);
    if (std::strcmp(f.m_compression, "NONE") == 0) {
        if (!readUncompressed(setup)) return false;
    } else {
        if (!readEncapsulated(setup)) return false;
    }
    if (!setup.checkFrames()) return fail(setup.error());
    if (!setup.convertFrames()) {
        m_conversionOutOfMemory = setup.error() == DicomError::OutOfMemory;
        return fail(setup.error());
    }
    return true;
}

bool DicomParser::parse(bool listPixels) {
    DicomFile& f = m_file;
    const uint8_t* data = m_buffer.data();
    std::memcpy(f.m_preamble, data, 128);
    std::memcpy(f.m_magic, data + 128, 4);

    bool ok = false;
    if (std::memcmp(f.m_magic, "DICM", 4) == 0) {
        f.m_hasMetaHeader = true;
        f.m_implicitVr = true;
        f.m_bigEndian = false;
        pos() = kPreambleEnd;
        m_implicit = false;
        m_bigEndian = false;
        if (!parseMetaGroup()) {
            if (m_error != DicomError::RetryImplicit) return false;
            // An unknown VR in the meta group: the whole data set, meta group
            // included, is read again as implicit VR little endian.
            f.m_elements.clear();
            f.m_store.clear();
            m_error = DicomError::NoError;
            pos() = kPreambleEnd;
            m_implicit = true;
            ok = parseDataSet();
        } else {
            const DicomElement* syntax = nullptr;
            for (const DicomElement& e : f.m_elements) {
                if (e.group == 0x0002 && e.element == 0x0010) {
                    syntax = &e;
                    break;
                }
            }
            const char* uid = syntax != nullptr ? syntax->text() : "";
            if (std::strcmp(uid, kTsExplicitBig) == 0) {
                f.m_implicitVr = false;
                f.m_bigEndian = true;
                m_implicit = false;
                m_bigEndian = true;
            } else if (std::strcmp(uid, kTsImplicitLittle) == 0 ||
                       std::strcmp(uid, kTsImplicitDeflatedLegacy) == 0) {
                f.m_implicitVr = true;
                m_implicit = true;
            } else {
                f.m_implicitVr = false;
                m_implicit = false;
            }
            // Without a transfer syntax nothing after the meta group is read.
            m_metaOnly = syntax == nullptr;
            ok = m_metaOnly ? true : parseDataSet();
        }
    } else {
        // A bare data set starts with a small group number (0008 and the like).
        if (le16(data) > 0x0028 && le16(data + 2) > 0x0028) return fail(DicomError::UnknownFormat);
        f.m_hasMetaHeader = false;
        f.m_implicitVr = true;
        pos() = 0;
        m_implicit = true;
        ok = parseDataSet();
    }
    if (ok && listPixels && !m_metaOnly && pos() < m_fileSize) ok = listPixelRecords();
    if (ok && !listPixels) ok = setupImage();
    return ok;
}

void DicomFile::PixelSource::reset() {
    ByteBuffer::freeMemory(data, capacity, mapped);
    data = nullptr;
    capacity = 0;
    mapped = false;
}

void DicomFile::reset() {
    m_status = DicomError::NoError;
    m_headerOnly = false;
    m_implicitVr = false;
    m_bigEndian = false;
    m_hasMetaHeader = false;
    m_fileSize = 0;
    m_position = 0;
    std::memset(m_preamble, 0, sizeof m_preamble);
    std::memset(m_magic, 0, sizeof m_magic);
    m_filePath[0] = '\0';
    m_elements.clear();
    m_elements.shrink_to_fit();
    m_store.clear();
    m_rescaleNeeded = false;
    m_rescaleIntercept = 0.0;
    m_rescaleSlope = 0.0;
    m_rescaleType = 0;
    m_frameCount = 0;
    m_rows = 0;
    m_columns = 0;
    m_frameTime = 0.0;
    m_bitsAllocated = 0;
    m_bitsStored = 0;
    m_highBit = 0;
    m_windowCenter = 0;
    m_windowWidth = 0;
    m_samplesPerPixel = 0;
    m_photometric[0] = '\0';
    m_compression[0] = '\0';
    m_planarConfiguration = 0;
    m_paletteLength = 0;
    m_frameSize = 0;
    m_frames.clear();
    m_pixelSource.reset();
    m_paletteRed.reset();
    m_paletteGreen.reset();
    m_paletteBlue.reset();
}

void DicomFile::release() { reset(); }

void DicomFile::setFilePath(const char* path) {
    if (path == nullptr) path = "";
    const size_t n = std::min(std::strlen(path), kFilePathSize - 1);
    std::memcpy(m_filePath, path, n);
    m_filePath[n] = '\0';
}

bool DicomFile::open(Source& source, bool headerOnly, bool listPixelRecords) {
    if (source.size == 0) {
        m_status = DicomError::FileIo;
        return false;
    }
    if (source.size < kPreambleEnd) {
        m_status = DicomError::UnknownFormat;
        return false;
    }
    if (source.size > UINT32_MAX) {
        // Offsets and lengths are 32-bit throughout.
        m_status = DicomError::UnsupportedDicom;
        return false;
    }
    m_fileSize = static_cast<uint32_t>(source.size);
    const uint32_t first = headerOnly ? std::min(m_fileSize, kReadBlock) : m_fileSize;
    ByteBuffer buffer;
    if (!buffer.reserveMore(first)) {
        m_status = DicomError::OutOfMemory;
        return false;
    }
    if (!source.readAt(0, buffer.end(), first)) {
        m_status = DicomError::FileIo;
        return false;
    }
    buffer.grow(first);
    DicomParser parser(*this, source, buffer);
    const bool parsed = parser.parse(listPixelRecords);
    if (parser.keepBuffer()) {
        bool borrowed = false;
        for (const Frame& frame : m_frames) borrowed = borrowed || frame.data.borrowed();
        if (borrowed) {
            m_pixelSource.reset();
            buffer.release(m_pixelSource.data, m_pixelSource.capacity, m_pixelSource.mapped);
        }
    }
    if (!parsed) {
        m_status = parser.conversionOutOfMemory() ? DicomError::OutOfMemory
                                                  : DicomError::UnsupportedDicom;
        return false;
    }
    m_status = DicomError::NoError;
    return true;
}

bool DicomFile::openFile(const char* path, bool headerOnly) {
    return openPath(path, headerOnly, false);
}

bool DicomFile::openForListing(const char* path) { return openPath(path, true, true); }

bool DicomFile::openPath(const char* path, bool headerOnly, bool listPixelRecords) {
    reset();
    m_headerOnly = headerOnly;
    if (path == nullptr) path = "";
    // Raster images (JPEG, PNG, TIFF, BMP) open as Secondary Capture data sets.
    // imglib recognises them by their first bytes, so DICOM files pay only for
    // that look; listings are of DICOM files and skip it altogether. A bitmap
    // it reads but cannot take leaves its code, which a successful DICOM parse
    // keeps and a failed one replaces.
    DicomError rasterStatus = DicomError::NoError;
    if (!listPixelRecords) {
        if (DataSetBuilder(*this).buildFromImage(path)) {
            setFilePath(path);
            return true;
        }
        rasterStatus = m_status;
        reset();
        m_headerOnly = headerOnly;
    }
    Source source;
    source.fd = ::open(path, O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (source.fd < 0 || ::fstat(source.fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        if (source.fd >= 0) ::close(source.fd);
        m_status = DicomError::FileNotFound;
        setFilePath(path);
        return false;
    }
    source.size = static_cast<uint64_t>(st.st_size);
    bool ok = open(source, headerOnly, listPixelRecords);
    ::close(source.fd);
    setFilePath(path);
    if (ok && rasterStatus != DicomError::NoError) {
        m_status = rasterStatus;
        ok = false;
    }
    return ok;
}

bool DicomFile::openMemory(const uint8_t* data, size_t size, bool headerOnly, const char* path) {
    reset();
    m_headerOnly = headerOnly;
    Source source;
    source.memory = data;
    source.size = data == nullptr ? 0 : size;
    const bool ok = open(source, headerOnly, false);
    setFilePath(path);
    return ok;
}

bool DicomFile::elementAt(int32_t index, DicomElement& record) const {
    if (index < 0 || index >= elementCount()) return false;
    record = m_elements[static_cast<size_t>(index)];
    if (m_implicitVr) refreshVr(record);
    return true;
}

bool DicomFile::findElementByTag(uint16_t group, uint16_t element, DicomElement& record) const {
    for (const DicomElement& e : m_elements) {
        if (e.group == group && e.element == element) {
            record = e;
            if (m_implicitVr) refreshVr(record);
            return true;
        }
    }
    return false;
}

} // namespace veltor
