#include "dicom_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <zlib.h>

#include <memory>
#include <string>

#include "dataset_builder.h"
#include "dicom_dictionary.h"
#include "dicom_vr.h"
#include "frame_decoder.h"
#include "image_setup.h"
#include "pixel_decoding.h"
#include "transfer_syntax.h"

namespace veltor {

namespace {

constexpr uint32_t kReadBlock = 4096;
constexpr uint32_t kPreambleEnd = 132;

constexpr uint16_t kItemGroup = 0xFFFE;
constexpr uint16_t kItem = 0xE000;
constexpr uint16_t kItemDelimitation = 0xE00D;
constexpr uint16_t kSequenceDelimitation = 0xE0DD;
constexpr uint16_t kPixelGroup = 0x7FE0;

// A deflated data set may expand to this much before its pixel data; the
// pixel data itself to what the image attributes need.
constexpr uint32_t kMaxInflatedHeader = uint32_t{256} << 20;
// Inflated at a time when the parser asks for more.
constexpr uint32_t kInflateChunk = 64 * 1024;

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

// Two capital letters of a VR this reader knows: the mark of an explicit VR
// element at the start of a data set.
bool looksLikeVr(const uint8_t* p) {
    if (p[0] < 'A' || p[0] > 'Z' || p[1] < 'A' || p[1] > 'Z') return false;
    const char vr[3] = {static_cast<char>(p[0]), static_cast<char>(p[1]), '\0'};
    return isKnownVr(vr) || isLongFormVr(vr) || vrIs(vr, "OD") || vrIs(vr, "OF") || vrIs(vr, "OL") ||
           vrIs(vr, "OV") || vrIs(vr, "SV") || vrIs(vr, "UV");
}

// Group numbers that open a data set (0008 and the like).
bool smallGroup(uint16_t g) { return g >= 0x0002 && g <= 0x00FF; }

std::string tagText(uint16_t group, uint16_t element) {
    char text[16];
    std::snprintf(text, sizeof text, "(%04X,%04X)", group, element);
    return text;
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
    // Forgets the bytes from `n` on (they are read again another way).
    void shrinkTo(uint32_t n) { m_length = std::min(m_length, n); }
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
namespace {
struct SourceBytes {
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

} // namespace

struct DicomFile::Source : SourceBytes {};

namespace {

// The data set of a deflated file, inflated as the parser asks for it. Both
// raw deflate streams (as the standard has them) and zlib-wrapped ones (as
// some writers produce) are read.
class Inflater {
  public:
    Inflater(const SourceBytes& source, uint64_t start) : m_source(source), m_inPos(start) {}
    ~Inflater() {
        if (m_started) inflateEnd(&m_z);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool ended() const { return m_ended; }
    bool failed() const { return m_failed; }
    const std::string& message() const { return m_message; }

    // Writes up to n inflated bytes at dst; returns how many.
    size_t produce(uint8_t* dst, size_t n) {
        if (m_ended || m_failed) return 0;
        if (!m_started && !start()) return 0;
        m_z.next_out = dst;
        m_z.avail_out = static_cast<uInt>(std::min<size_t>(n, 1u << 30));
        const size_t wanted = m_z.avail_out;
        while (m_z.avail_out > 0) {
            if (m_z.avail_in == 0 && !refill()) {
                // The compressed data ended before the stream did.
                m_ended = true;
                break;
            }
            const int rc = inflate(&m_z, Z_NO_FLUSH);
            if (rc == Z_STREAM_END) {
                m_ended = true;
                break;
            }
            if (rc != Z_OK && rc != Z_BUF_ERROR) {
                m_failed = true;
                m_message = m_z.msg != nullptr ? m_z.msg : "inflate error " + std::to_string(rc);
                break;
            }
            if (rc == Z_BUF_ERROR && m_z.avail_in > 0) {
                m_failed = true;
                m_message = "inflate made no progress";
                break;
            }
        }
        return wanted - m_z.avail_out;
    }

  private:
    bool refill() {
        if (m_inPos >= m_source.size) return false;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(m_in.size(), m_source.size - m_inPos));
        if (!m_source.readAt(m_inPos, m_in.data(), n)) return false;
        m_inPos += n;
        m_z.next_in = m_in.data();
        m_z.avail_in = static_cast<uInt>(n);
        return true;
    }
    bool start() {
        std::memset(&m_z, 0, sizeof m_z);
        if (!refill()) {
            m_ended = true;
            return false;
        }
        // A zlib header: CM 8 with a window of at most 32 KiB and a check
        // value that divides by 31.
        const bool wrapped = m_z.avail_in >= 2 && (m_in[0] & 0x0F) == 8 && (m_in[0] >> 4) <= 7 &&
                             ((m_in[0] << 8) | m_in[1]) % 31 == 0;
        if (inflateInit2(&m_z, wrapped ? MAX_WBITS : -MAX_WBITS) != Z_OK) {
            m_failed = true;
            m_message = "no memory for inflating";
            return false;
        }
        m_started = true;
        return true;
    }

    const SourceBytes& m_source;
    uint64_t m_inPos;
    std::vector<uint8_t> m_in = std::vector<uint8_t>(kInflateChunk);
    z_stream m_z{};
    bool m_started = false;
    bool m_ended = false;
    bool m_failed = false;
    std::string m_message;
};

// Where a data set's pixel data element stands.
struct PixelElement {
    bool found = false;
    PixelDataKind kind = PixelDataKind::Integer;
    DicomElement record;
    uint32_t length = 0;
};

} // namespace

// The element parse of one open. Every read is checked against the bytes held,
// after a refill from the source; nothing reads outside the buffer.
class DicomParser {
  public:
    using ReadMode = DicomFile::ReadMode;
    DicomParser(DicomFile& file, const DicomFile::Source& source, ByteBuffer& buffer, ReadMode mode)
        : m_file(file), m_source(source), m_buffer(buffer), m_fileSize(file.m_fileSize), m_mode(mode) {}

    DicomError error() const { return m_error; }
    const std::string& reason() const { return m_reason; }
    // A frame conversion ran out of memory: the open fails with OutOfMemory.
    bool conversionOutOfMemory() const { return m_conversionOutOfMemory; }
    // Frames still point into the file buffer: the open must keep it.
    bool keepBuffer() const { return m_keepBuffer; }

    bool parse();

  private:
    uint32_t& pos() { return m_file.m_position; }
    const uint8_t* at() const { return m_buffer.data() + m_file.m_position; }
    uint16_t u16(const uint8_t* p) const { return m_bigEndian ? be16(p) : le16(p); }
    uint32_t u32(const uint8_t* p) const { return m_bigEndian ? be32(p) : le32(p); }
    uint32_t remaining() const { return m_fileSize - m_file.m_position; }

    bool fail(DicomError code, const std::string& reason = {}) {
        if (m_error == DicomError::NoError) {
            m_error = code;
            m_reason = reason;
        }
        return false;
    }
    // Bytes up to `need` (from offset 0) held, reading or inflating more;
    // false when the data ends first (or inflating fails).
    bool fill(uint64_t need);
    bool ensure(uint32_t n);
    bool atEnd();
    bool ranOut();
    bool parseMetaGroup();
    bool chooseEncoding();
    void sniffEncoding(bool declaredImplicit, bool declaredBig, bool haveSyntax);
    bool startInflating();
    bool parseDataSet();
    bool parseElement(std::vector<DicomElement>& out, int depth, bool topLevel);
    bool parseSequence(DicomElement& record, uint32_t length, int depth);
    bool parseItem(std::vector<DicomElement>& out, int depth);
    bool parseUnknownAsSequence(DicomElement& record, uint32_t length, int depth);
    bool storeValue(DicomElement& record, uint32_t length, bool topLevel);
    bool readLength(bool longForm, uint32_t& length);
    bool readPixelGroup(PixelElement& pixel);
    bool listPixelRecords();
    bool setupImage();
    bool readPixelHeader(DicomElement& record, uint32_t& length);
    bool readNative(ImageSetup& setup, PixelElement& pixel);
    bool readEncapsulated(PixelElement& pixel);
    std::vector<uint64_t> extendedOffsets() const;

    DicomFile& m_file;
    const DicomFile::Source& m_source;
    ByteBuffer& m_buffer;
    uint32_t m_fileSize;
    ReadMode m_mode;
    bool m_implicit = true;
    bool m_bigEndian = false;
    DicomError m_error = DicomError::NoError;
    std::string m_reason;
    bool m_conversionOutOfMemory = false;
    bool m_keepBuffer = false;
    // The data ended inside an element: where, and in which element.
    bool m_ranOut = false;
    uint32_t m_ranOutAt = 0;
    std::unique_ptr<Inflater> m_inflater;
    uint32_t m_inflateLimit = 0;
    uint32_t m_inflateStart = 0;
    uint16_t m_currentGroup = 0;
    uint16_t m_currentElement = 0;
};

bool DicomParser::fill(uint64_t need) {
    if (need <= m_buffer.length()) return true;
    if (m_inflater) {
        if (need > m_inflateLimit) {
            fail(DicomError::CorruptedDicom, "the deflated data set expands beyond " +
                                                 std::to_string(m_inflateLimit) + " bytes");
            return false;
        }
        while (m_buffer.length() < need && !m_inflater->ended() && !m_inflater->failed()) {
            uint32_t want = static_cast<uint32_t>(std::max<uint64_t>(need - m_buffer.length(), kInflateChunk));
            want = std::min(want, m_inflateLimit - m_buffer.length());
            if (want == 0) break;
            if (!m_buffer.reserveMore(want)) return fail(DicomError::OutOfMemory, "no memory for the inflated data set");
            const size_t got = m_inflater->produce(m_buffer.end(), want);
            m_buffer.grow(static_cast<uint32_t>(got));
        }
        if (m_inflater->failed())
            return fail(DicomError::CorruptedDicom, "the deflated data set is corrupt after " +
                                                        std::to_string(m_buffer.length() - m_inflateStart) +
                                                        " inflated bytes (" + m_inflater->message() + ")");
        if (m_inflater->ended()) m_fileSize = m_buffer.length();
        return need <= m_buffer.length();
    }
    if (m_buffer.length() < m_fileSize && need <= m_fileSize) {
        uint32_t grow = std::max(static_cast<uint32_t>(need - m_buffer.length()), kReadBlock);
        grow = std::min(grow, m_fileSize - m_buffer.length());
        if (!m_buffer.reserveMore(grow)) return fail(DicomError::OutOfMemory);
        if (!m_source.readAt(m_buffer.length(), m_buffer.end(), grow)) return fail(DicomError::FileIo);
        m_buffer.grow(grow);
    }
    return need <= m_buffer.length();
}

// The data ended inside the element being read.
bool DicomParser::ranOut() {
    if (!m_ranOut) {
        m_ranOut = true;
        m_ranOutAt = pos();
    }
    return fail(DicomError::CorruptedDicom);
}

bool DicomParser::ensure(uint32_t n) {
    if (fill(uint64_t{pos()} + n)) return true;
    if (m_error != DicomError::NoError) return false;
    return ranOut();
}

bool DicomParser::atEnd() {
    if (pos() < m_buffer.length()) return false;
    if (m_inflater) return !fill(uint64_t{pos()} + 1) && m_error == DicomError::NoError;
    return pos() >= m_fileSize;
}

bool DicomParser::storeValue(DicomElement& record, uint32_t length, bool topLevel) {
    uint32_t present = length;
    const bool complete = (m_inflater || length <= remaining()) && fill(uint64_t{pos()} + length);
    if (!complete) {
        if (m_error != DicomError::NoError) return false;
        // The value runs past the end of the data: what is there is kept.
        fill(m_fileSize);
        if (m_error != DicomError::NoError) return false;
        present = m_buffer.length() - std::min(pos(), m_buffer.length());
    }
    const uint8_t* bytes = at();
    const uint8_t* value = m_file.m_store.copyValue(bytes, present);
    if (value == nullptr) return fail(DicomError::OutOfMemory);
    record.value = value;
    record.length = present;
    record.valueOffset = pos();
    if (present == 2)
        record.number = static_cast<int16_t>(u16(bytes));
    else if (present == 4)
        record.number = static_cast<int32_t>(u32(bytes));
    if (topLevel && m_implicit && (vrIs(record.vr, "IS") || vrIs(record.vr, "DS")))
        record.number = parseIntegerString(record.text());
    if (vrIs(record.vr, "UI")) record.uidName = lookupUidName(record.text());
    if (!complete) {
        m_currentGroup = record.group;
        m_currentElement = record.element;
        ranOut();
        pos() += present;
        return false;
    }
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
        if (uint64_t{pos()} + 2 > block)
            return fail(DicomError::CorruptedDicom, "the meta group ends at byte " + std::to_string(pos()));
        record.vr[0] = static_cast<char>(at()[0]);
        record.vr[1] = static_cast<char>(at()[1]);
        record.vr[2] = '\0';
        if (!isKnownVr(record.vr)) return fail(DicomError::RetryImplicit);
        pos() += 2;
        if (uint64_t{pos()} + 2 > block)
            return fail(DicomError::CorruptedDicom, "the meta group ends at byte " + std::to_string(pos()));
        uint32_t length = le16(at());
        pos() += 2;
        if (length == 0 && isLongFormVr(record.vr)) {
            if (uint64_t{pos()} + 4 > block)
                return fail(DicomError::CorruptedDicom, "the meta group ends at byte " + std::to_string(pos()));
            length = le32(at());
            pos() += 4;
        }
        if (length > block - pos())
            return fail(DicomError::CorruptedDicom, "meta element " + tagText(group, element) + " of " +
                                                        std::to_string(length) + " bytes runs past byte " +
                                                        std::to_string(block));
        if (!storeValue(record, length, true)) return false;
    }
    return true;
}

// The data set's encoding after a meta group: the transfer syntax's, unless
// the first element plainly says otherwise (as files with a wrong or missing
// transfer syntax do), in which case the element is believed.
void DicomParser::sniffEncoding(bool declaredImplicit, bool declaredBig, bool haveSyntax) {
    bool implicit = declaredImplicit;
    bool big = declaredBig;
    if (fill(uint64_t{pos()} + 8)) {
        const uint8_t* p = at();
        const bool explicitVr = looksLikeVr(p + 4);
        const uint16_t little = le16(p);
        const uint16_t bigGroup = be16(p);
        if (explicitVr) {
            implicit = false;
            if (smallGroup(bigGroup) && !smallGroup(little)) big = true;
            if (smallGroup(little) && !smallGroup(bigGroup)) big = false;
        } else if (!declaredImplicit || !haveSyntax) {
            // No VR where one belongs: implicit VR little endian, when the
            // element's length then fits the data.
            const uint32_t length = le32(p + 4);
            if (smallGroup(little) && (length == kUndefinedLength || length <= m_fileSize - pos() - 8)) {
                implicit = true;
                big = false;
            }
        }
    }
    m_error = DicomError::NoError;
    if (haveSyntax && (implicit != declaredImplicit || big != declaredBig))
        m_file.m_warnings.push_back(std::string("the data set is in ") +
                                    (implicit ? "implicit VR little endian" : big ? "explicit VR big endian"
                                                                                  : "explicit VR little endian") +
                                    ", not as its transfer syntax says");
    m_implicit = implicit;
    m_bigEndian = big;
    m_file.m_implicitVr = implicit;
    m_file.m_bigEndian = big;
}

bool DicomParser::startInflating() {
    // The bytes after the meta group are a deflate stream: they are dropped
    // from the buffer and inflated there instead.
    m_buffer.shrinkTo(pos());
    m_inflater = std::make_unique<Inflater>(m_source, pos());
    m_inflateStart = pos();
    m_inflateLimit = pos() + kMaxInflatedHeader;
    m_fileSize = UINT32_MAX - 1;
    m_implicit = false;
    m_bigEndian = false;
    m_file.m_implicitVr = false;
    m_file.m_bigEndian = false;
    return true;
}

// After the meta group: the encoding named by the transfer syntax.
bool DicomParser::chooseEncoding() {
    const DicomElement* syntax = nullptr;
    for (const DicomElement& e : m_file.m_elements) {
        if (e.group == 0x0002 && e.element == 0x0010) {
            syntax = &e;
            break;
        }
    }
    if (syntax == nullptr) {
        sniffEncoding(true, false, false);
        return true;
    }
    const TransferSyntax* row = findTransferSyntax(syntax->text());
    if (row != nullptr && row->encoding == DataSetEncoding::DeflatedExplicitLittle) return startInflating();
    const bool implicit = row != nullptr && row->encoding == DataSetEncoding::ImplicitLittle;
    const bool big = row != nullptr && row->encoding == DataSetEncoding::ExplicitBig;
    sniffEncoding(implicit, big, true);
    return true;
}

bool DicomParser::parseDataSet() {
    auto& out = m_file.m_elements;
    for (;;) {
        if (!ensure(4)) return false;
        // The pixel data group is left to the pixel-data reader.
        if (u16(at()) == kPixelGroup) return true;
        if (!parseElement(out, 0, true)) return false;
        if (atEnd()) return m_error == DicomError::NoError;
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
    m_currentGroup = group;
    m_currentElement = element;
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
        // An element of undefined length holds items, whatever its VR; in
        // explicit VR those of a UN element are in implicit VR little endian.
        record.length = kUndefinedLength;
        bool ok = false;
        if (!m_implicit && vrIs(record.vr, "UN")) {
            const bool big = m_bigEndian;
            m_implicit = true;
            m_bigEndian = false;
            ok = parseSequence(record, length, depth + 1);
            m_implicit = false;
            m_bigEndian = big;
        } else {
            ok = parseSequence(record, length, depth + 1);
        }
        out[index] = record;
        return ok;
    }
    if (!m_implicit && vrIs(record.vr, "UN") && length >= 8) {
        const bool ok = parseUnknownAsSequence(record, length, depth + 1);
        out[index] = record;
        return ok;
    }
    const bool ok = storeValue(record, length, topLevel);
    out[index] = record;
    return ok;
}

// A defined-length UN element whose tag the dictionary knows as a sequence
// (a private or newer sequence passed through a system that did not know it):
// its value is read as items in implicit VR little endian. When that does not
// work out, the value is kept as bytes.
bool DicomParser::parseUnknownAsSequence(DicomElement& record, uint32_t length, int depth) {
    DicomElement known;
    lookupTagVr(record.group, record.element, known);
    const bool startsWithItem = length <= remaining() && fill(uint64_t{pos()} + 8) &&
                                le16(at()) == kItemGroup && le16(at() + 2) == kItem;
    if (!vrIs(known.vr, "SQ") || !startsWithItem || length > remaining() || !fill(uint64_t{pos()} + length))
        return m_error == DicomError::NoError ? storeValue(record, length, false) : false;
    const uint32_t start = pos();
    const bool big = m_bigEndian, implicit = m_implicit;
    m_implicit = true;
    m_bigEndian = false;
    DicomElement attempt = record;
    const bool ok = parseSequence(attempt, length, depth) && pos() == start + length;
    m_implicit = implicit;
    m_bigEndian = big;
    if (ok) {
        record = attempt;
        return true;
    }
    m_error = DicomError::NoError;
    m_reason.clear();
    m_ranOut = false;
    pos() = start;
    return storeValue(record, length, false);
}

bool DicomParser::parseSequence(DicomElement& record, uint32_t length, int depth) {
    if (depth > kMaxSequenceDepth)
        return fail(DicomError::CorruptedDicom, "sequences nested deeper than " + std::to_string(kMaxSequenceDepth) +
                                                    " levels at byte " + std::to_string(pos()));
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
        // A sequence longer than the data is read as far as the data goes.
        const uint64_t end = uint64_t{pos()} + length;
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
    const uint64_t end = uint64_t{pos()} + length;
    while (pos() < end) {
        if (!ensure(4)) return false;
        if (!parseElement(out, depth, false)) return false;
    }
    return true;
}

// Reads the header of the pixel data element (tag already checked): its VR
// and length in the data set's encoding.
bool DicomParser::readPixelHeader(DicomElement& record, uint32_t& length) {
    record.group = u16(at());
    record.element = u16(at() + 2);
    m_currentGroup = record.group;
    m_currentElement = record.element;
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

// The elements of group 7FE0 before the pixel values (group length, extended
// offset table, ...) become ordinary records; the walk stops on the header of
// (7FE0,0010), (7FE0,0008) or (7FE0,0009). `pixel.found` is false when the
// data ends or leaves the group first.
bool DicomParser::readPixelGroup(PixelElement& pixel) {
    pixel = PixelElement{};
    while (!atEnd()) {
        if (m_error != DicomError::NoError) return false;
        if (!ensure(4)) return false;
        if (u16(at()) != kPixelGroup) return true;
        const uint16_t element = u16(at() + 2);
        if (element == 0x0010 || element == 0x0008 || element == 0x0009) {
            if (!readPixelHeader(pixel.record, pixel.length)) return false;
            pixel.found = true;
            pixel.kind = element == 0x0008   ? PixelDataKind::Float
                         : element == 0x0009 ? PixelDataKind::Double
                                             : PixelDataKind::Integer;
            pixel.record.length = pixel.length;
            pixel.record.valueOffset = pos();
            return true;
        }
        if (!parseElement(m_file.m_elements, 0, true)) return false;
    }
    return m_error == DicomError::NoError;
}

bool DicomParser::listPixelRecords() {
    PixelElement pixel;
    if (!readPixelGroup(pixel)) return false;
    if (!pixel.found) return true;
    m_file.m_elements.push_back(pixel.record);
    // Encapsulated data (undefined length) is listed as it stands; values
    // that run past the end of the file mark it as truncated.
    if (pixel.length != kUndefinedLength && pixel.length > remaining() && !m_inflater) return ranOut();
    return true;
}

std::vector<uint64_t> DicomParser::extendedOffsets() const {
    std::vector<uint64_t> offsets;
    for (const DicomElement& e : m_file.m_elements) {
        if (e.group != kPixelGroup || e.element != 0x0001 || e.value == nullptr) continue;
        offsets.resize(e.length / 8);
        for (size_t i = 0; i < offsets.size(); ++i) {
            const uint8_t* p = e.value + 8 * i;
            offsets[i] = m_bigEndian ? (uint64_t{be32(p)} << 32) | be32(p + 4) : (uint64_t{le32(p + 4)} << 32) | le32(p);
        }
    }
    return offsets;
}

bool DicomParser::readNative(ImageSetup& setup, PixelElement& pixel) {
    DicomFile& f = m_file;
    (void)setup;
    PixelDecoding decoding(f);
    const uint64_t needed = decoding.nativeBytesNeeded(pixel.kind);
    if (needed == 0) return fail(decoding.error(), decoding.reason());
    uint32_t length = pixel.length;
    if (m_inflater) {
        // Inflated no further than the frames need.
        length = static_cast<uint32_t>(std::min<uint64_t>(length, needed));
        m_inflateLimit = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{pos()} + length, UINT32_MAX - 1));
    }
    if (!fill(uint64_t{pos()} + length)) {
        if (m_error != DicomError::NoError) return false;
        const uint32_t present = m_buffer.length() - std::min(pos(), m_buffer.length());
        return fail(DicomError::CorruptedDicom, "pixel data of " + std::to_string(pixel.length) + " bytes at byte " +
                                                    std::to_string(pos()) + " runs past the end of the data (" +
                                                    std::to_string(present) + " bytes there)");
    }
    f.m_elements.push_back(pixel.record);
    uint8_t* value = const_cast<uint8_t*>(at());
    if (!decoding.decodeNative(value, length, pixel.kind)) return fail(decoding.error(), decoding.reason());
    m_keepBuffer = decoding.borrowed();
    pos() += length;
    return true;
}

bool DicomParser::readEncapsulated(PixelElement& pixel) {
    DicomFile& f = m_file;
    // Everything up to the end of the file is held by a full open.
    fill(m_fileSize);
    if (m_error != DicomError::NoError) return false;
    const std::span<const uint8_t> items(at(), m_buffer.length() - pos());
    const std::vector<uint64_t> offsets = extendedOffsets();
    PixelDecoding decoding(f);
    if (!decoding.decodeEncapsulated(items, pos(), offsets)) return fail(decoding.error(), decoding.reason());
    DicomElement record = pixel.record;
    record.length =
        static_cast<uint32_t>(std::min<uint64_t>(uint64_t{f.m_frameSize} * f.m_frames.size(), UINT32_MAX - 1));
    f.m_elements.push_back(record);
    return true;
}

bool DicomParser::setupImage() {
    DicomFile& f = m_file;
    ImageSetup setup(f);
    if (!setup.readAttributes()) return fail(setup.error(), setup.reason());
    if (f.m_headerOnly) return true;
    PixelElement pixel;
    if (!m_ranOut && !readPixelGroup(pixel)) {
        if (!m_ranOut) return false;
        // The data ended inside group 7FE0 before any pixel value.
        m_error = DicomError::NoError;
        m_reason.clear();
        f.m_truncated = true;
        pixel.found = false;
    }
    if (!pixel.found) {
        // A file that ends early may have lost its pixel data with the rest:
        // it is not taken for an object that has none.
        if (m_ranOut || f.m_truncated)
            return fail(DicomError::CorruptedDicom,
                        "the file ends at byte " + std::to_string(m_buffer.length()) + " inside " +
                            tagText(m_currentGroup, m_currentElement) + ", before any pixel data");
        DicomElement sopClass;
        if (!f.findElementByTag(0x0008, 0x0016, sopClass) && !f.findElementByTag(0x0002, 0x0002, sopClass))
            return fail(DicomError::CorruptedDicom, "no pixel data and no SOP class");
        // An object without pixel data: its elements and no frame.
        m_error = DicomError::NoError;
        f.m_hasPixelData = false;
        f.m_frameCount = 0;
        return true;
    }
    f.m_hasPixelData = true;
    if (!setup.checkLayout()) return fail(setup.error(), setup.reason());
    if (f.isPaletteColor() && !setup.readPalette()) return fail(setup.error(), setup.reason());
    if (pixel.length == kUndefinedLength) {
        if (f.m_codec == nullptr)
            return fail(DicomError::UnsupportedDicom, "encapsulated pixel data in a file whose transfer syntax is native");
        if (pixel.kind != PixelDataKind::Integer)
            return fail(DicomError::UnsupportedDicom, "encapsulated float pixel data");
        if (!readEncapsulated(pixel)) return false;
    } else {
        if (f.m_codec != nullptr)
            return fail(DicomError::UnsupportedDicom,
                        std::string(f.m_codec->name()) + " transfer syntax with pixel data that is not encapsulated");
        if (!readNative(setup, pixel)) return false;
    }
    if (m_mode == ReadMode::Decoded) return true;
    if (!setup.checkFrames()) return fail(setup.error(), setup.reason());
    if (!setup.convertFrames()) {
        m_conversionOutOfMemory = setup.error() == DicomError::OutOfMemory;
        return fail(setup.error(), setup.reason());
    }
    return true;
}

bool DicomParser::parse() {
    DicomFile& f = m_file;
    const uint8_t* data = m_buffer.data();
    std::memcpy(f.m_preamble, data, 128);
    std::memcpy(f.m_magic, data + 128, 4);

    bool ok = false;
    const bool withPreamble = std::memcmp(f.m_magic, "DICM", 4) == 0;
    // A meta group without the preamble: some writers leave it out.
    const bool bareMeta = !withPreamble && le16(data) == 0x0002 && looksLikeVr(data + 4);
    if (withPreamble || bareMeta) {
        f.m_hasMetaHeader = withPreamble;
        f.m_implicitVr = true;
        f.m_bigEndian = false;
        pos() = withPreamble ? kPreambleEnd : 0;
        m_implicit = false;
        m_bigEndian = false;
        if (!parseMetaGroup()) {
            if (m_error != DicomError::RetryImplicit) return false;
            // An unknown VR in the meta group: the whole data set, meta group
            // included, is read again as implicit VR little endian.
            f.m_elements.clear();
            f.m_store.clear();
            m_error = DicomError::NoError;
            pos() = withPreamble ? kPreambleEnd : 0;
            m_implicit = true;
            ok = parseDataSet();
        } else {
            ok = chooseEncoding() && (atEnd() || parseDataSet());
        }
    } else {
        // A bare data set starts with a small group number (0008 and the
        // like): in implicit VR little endian, or in explicit VR when the
        // first element carries a VR (little or big endian by its group).
        const bool explicitVr = looksLikeVr(data + 4);
        const bool big = explicitVr && smallGroup(be16(data)) && !smallGroup(le16(data));
        if (!explicitVr && le16(data) > 0x0028 && le16(data + 2) > 0x0028)
            return fail(DicomError::UnknownFormat, "not a DICOM file: no DICM marker and no data set at its start");
        if (explicitVr && !big && !smallGroup(le16(data)))
            return fail(DicomError::UnknownFormat, "not a DICOM file: no DICM marker and no data set at its start");
        f.m_hasMetaHeader = false;
        f.m_implicitVr = !explicitVr;
        f.m_bigEndian = big;
        pos() = 0;
        m_implicit = !explicitVr;
        m_bigEndian = big;
        ok = parseDataSet();
    }
    if (!ok && m_ranOut && m_error == DicomError::CorruptedDicom) {
        // The data ended inside an element: the elements before it stand.
        f.m_truncated = true;
        f.m_warnings.push_back("the file ends at byte " + std::to_string(m_buffer.length()) + " inside " +
                               tagText(m_currentGroup, m_currentElement));
        m_error = DicomError::NoError;
        m_reason.clear();
        ok = true;
    }
    if (!ok) {
        if (m_reason.empty() && m_error == DicomError::CorruptedDicom)
            m_reason = "corrupt data at byte " + std::to_string(pos());
        return false;
    }
    if (m_mode == ReadMode::Listing) {
        if (!f.m_truncated && !atEnd() && !listPixelRecords()) {
            if (!m_ranOut) return false;
            f.m_truncated = true;
            f.m_warnings.push_back("the file ends at byte " + std::to_string(m_buffer.length()) + " inside " +
                                   tagText(m_currentGroup, m_currentElement));
            m_error = DicomError::NoError;
        }
        return true;
    }
    return setupImage();
}

void DicomFile::PixelSource::reset() {
    ByteBuffer::freeMemory(data, capacity, mapped);
    data = nullptr;
    capacity = 0;
    mapped = false;
}

void DicomFile::reset() {
    m_status = DicomError::NoError;
    m_reason.clear();
    m_hasPixelData = false;
    m_truncated = false;
    m_warnings.clear();
    m_decoded = DecodedLayout{};
    m_codec = nullptr;
    m_pixelSigned = false;
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
    m_rescaleTypeText.clear();
    m_modalityLutApplied = false;
    m_displayInverted = false;
    m_windows.clear();
    m_frameWindows.clear();
    m_sharedWindows.clear();
    m_voiLut = VoiLut{};
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
    for (Lut& lut : m_paletteLut) lut = Lut{};
}

void DicomFile::release() { reset(); }

void DicomFile::setFilePath(const char* path) {
    if (path == nullptr) path = "";
    const size_t n = std::min(std::strlen(path), kFilePathSize - 1);
    std::memcpy(m_filePath, path, n);
    m_filePath[n] = '\0';
}

bool DicomFile::open(Source& source, ReadMode mode) {
    if (source.size == 0) {
        m_status = DicomError::FileIo;
        return false;
    }
    if (source.size < kPreambleEnd) {
        m_status = DicomError::UnknownFormat;
        return false;
    }
    if (source.size > UINT32_MAX - 1) {
        // Offsets and lengths are 32-bit throughout.
        m_status = DicomError::UnsupportedDicom;
        m_reason = "files of 4 GiB or more are not supported";
        return false;
    }
    const bool headerOnly = mode == ReadMode::HeaderOnly || mode == ReadMode::Listing;
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
    DicomParser parser(*this, source, buffer, mode);
    const bool parsed = parser.parse();
    if (parser.keepBuffer()) {
        bool borrowed = false;
        for (const Frame& frame : m_frames) borrowed = borrowed || frame.data.borrowed();
        if (borrowed) {
            m_pixelSource.reset();
            buffer.release(m_pixelSource.data, m_pixelSource.capacity, m_pixelSource.mapped);
        }
    }
    if (!parsed) {
        m_status = parser.conversionOutOfMemory() ? DicomError::OutOfMemory : DicomError::UnsupportedDicom;
        m_reason = parser.reason();
        if (m_reason.empty()) {
            if (parser.error() == DicomError::OutOfMemory) m_reason = "not enough memory";
            else if (parser.error() == DicomError::FileIo) m_reason = "the file could not be read";
        }
        return false;
    }
    m_status = DicomError::NoError;
    return true;
}

bool DicomFile::openFile(const char* path, bool headerOnly) {
    return openPath(path, headerOnly ? ReadMode::HeaderOnly : ReadMode::Full);
}

bool DicomFile::openForListing(const char* path) { return openPath(path, ReadMode::Listing); }

bool DicomFile::openDecoded(const char* path) { return openPath(path, ReadMode::Decoded); }

bool DicomFile::openPath(const char* path, ReadMode mode) {
    reset();
    const bool headerOnly = mode == ReadMode::HeaderOnly || mode == ReadMode::Listing;
    m_headerOnly = headerOnly;
    if (path == nullptr) path = "";
    // Raster images (JPEG, PNG, TIFF, BMP) open as Secondary Capture data sets.
    // imglib recognises them by their first bytes, so DICOM files pay only for
    // that look; listings are of DICOM files and skip it altogether. A bitmap
    // it reads but cannot take leaves its code, which a successful DICOM parse
    // keeps and a failed one replaces.
    DicomError rasterStatus = DicomError::NoError;
    if (mode != ReadMode::Listing) {
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
    bool ok = open(source, mode);
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
    const bool ok = open(source, headerOnly ? ReadMode::HeaderOnly : ReadMode::Full);
    setFilePath(path);
    return ok;
}

bool DicomFile::openMemoryDecoded(const uint8_t* data, size_t size) {
    reset();
    Source source;
    source.memory = data;
    source.size = data == nullptr ? 0 : size;
    return open(source, ReadMode::Decoded);
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
