#include "avi_writer.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "atomic_file.h"
#include "imglib/imglib.h"
#include "imglib/jpeg_memory.h"

namespace veltor {

struct AviWriter::Impl {
    AtomicFile file;
};

namespace {

constexpr uint32_t kAvifHasIndex = 0x10;
constexpr uint32_t kAviifKeyFrame = 0x10;
constexpr uint64_t kRiffLimit = 0xFFFFFFF0u;

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v);
    put16(out, v >> 16);
}
void fourcc(std::vector<uint8_t>& out, const char* code) { out.insert(out.end(), code, code + 4); }
void set32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + size_t(i)] = static_cast<uint8_t>(v >> (8 * i));
}

size_t padded(size_t n) { return n + (n & 1); }

} // namespace

AviWriter::AviWriter(int32_t rate, AviCodec codec, int jpegQuality)
    : m_rate(rate < 1 ? 1 : rate), m_codec(codec),
      m_quality(jpegQuality < 1 ? 1 : jpegQuality > 100 ? 100 : jpegQuality) {}

AviWriter::~AviWriter() { release(); }

void AviWriter::release() {
    delete m_file;
    m_file = nullptr;
}

bool AviWriter::open(const std::string& path) {
    release();
    m_file = new Impl;
    m_path = path;
    if (!m_file->file.open(path)) {
        m_systemError = m_file->file.error();
        release();
        return false;
    }
    m_status = AviStatus::Ok;
    return true;
}

int AviWriter::addFrame(const uint8_t* bitmap, size_t size) {
    if (bitmap == nullptr || size < kDibHeaderSize) return 0;
    DibLayout layout;
    if (!dibLayout(bitmap, layout) || layout.compression != kDibRgb || layout.totalSize > size) return 0;
    if (layout.bitCount != 8 && layout.bitCount != 24) return 0;
    const DibHeader header = readDibHeader(bitmap);
    const Format format{layout.width, layout.height, static_cast<uint16_t>(layout.bitCount), header.clrUsed};
    if (m_frames.empty()) {
        m_format = format;
        m_formatBytes.assign(bitmap, bitmap + layout.pixelOffset);
    } else if (!(format == m_format)) {
        return 0;
    }
    std::vector<uint8_t> sample;
    if (m_codec == AviCodec::MotionJpeg) {
        if (!Imglib_EncodeJpeg(bitmap, m_quality, sample)) return 0;
    } else {
        const size_t imageBytes = layout.stride * size_t(layout.height);
        sample.assign(bitmap + layout.pixelOffset, bitmap + layout.pixelOffset + imageBytes);
    }
    m_frames.push_back(std::move(sample));
    return 1;
}

uint64_t AviWriter::bytesNeeded() const {
    uint64_t total = 12 + 12 + 8 + 56 + 12 + 8 + 56 + 8 + padded(m_formatBytes.size()) + 12 + 8 +
                     16 * uint64_t(m_frames.size());
    for (const auto& f : m_frames) total += 8 + padded(f.size());
    return total;
}

int64_t freeSpaceFor(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct statvfs st {};
    if (::statvfs(folder.c_str(), &st) != 0) return -1;
    return static_cast<int64_t>(uint64_t(st.f_bavail) * uint64_t(st.f_frsize));
}

int AviWriter::finish() {
    if (m_file == nullptr) {
        m_status = AviStatus::NotOpen;
        return 0;
    }
    if (m_frames.empty()) {
        m_status = AviStatus::NoFrames;
        release();
        return 0;
    }
    const uint64_t needed = bytesNeeded();
    if (needed > kRiffLimit) {
        m_status = AviStatus::TooLarge;
        release();
        m_frames.clear();
        return 0;
    }
    const int64_t available = freeSpaceFor(m_path);
    if (available >= 0 && uint64_t(available) < needed) {
        m_status = AviStatus::NotEnoughSpace;
        release();
        m_frames.clear();
        return 0;
    }
    AtomicFile& file = m_file->file;
    const bool mjpeg = m_codec == AviCodec::MotionJpeg;
    const uint32_t frames = static_cast<uint32_t>(m_frames.size());
    uint32_t largest = 0;
    for (const auto& f : m_frames) largest = std::max<uint32_t>(largest, static_cast<uint32_t>(f.size()));
    const uint32_t rowBytes = static_cast<uint32_t>(dibStride(m_format.width, m_format.bitCount));
    const uint32_t imageBytes = rowBytes * uint32_t(m_format.height);

    // The stream format: the first frame's header and colour table; a
    // Motion JPEG stream says so in its compression and bit count.
    std::vector<uint8_t> strf = m_formatBytes;
    if (mjpeg) {
        strf.resize(kDibHeaderSize);
        DibHeader h = readDibHeader(strf.data());
        h.compression = 0x47504A4D; // "MJPG"
        h.bitCount = 24;
        h.sizeImage = uint32_t(m_format.width) * uint32_t(m_format.height) * 3;
        h.clrUsed = 0;
        h.clrImportant = 0;
        writeDibHeader(strf.data(), h);
    }
    if (strf.size() & 1) strf.push_back(0);

    std::vector<uint8_t> head;
    head.reserve(512 + strf.size());
    fourcc(head, "RIFF");
    put32(head, static_cast<uint32_t>(needed - 8));
    fourcc(head, "AVI ");
    fourcc(head, "LIST");
    const size_t hdrlSize = head.size();
    put32(head, 0);
    fourcc(head, "hdrl");
    fourcc(head, "avih");
    put32(head, 56);
    put32(head, static_cast<uint32_t>(1000000 / m_rate)); // microseconds per frame
    put32(head, largest * uint32_t(m_rate));              // maximum bytes per second
    put32(head, 0);                                       // padding granularity
    put32(head, kAvifHasIndex);
    put32(head, frames);
    put32(head, 0); // initial frames
    put32(head, 1); // streams
    put32(head, largest);
    put32(head, uint32_t(m_format.width));
    put32(head, uint32_t(m_format.height));
    for (int i = 0; i < 4; ++i) put32(head, 0);
    fourcc(head, "LIST");
    const size_t strlSize = head.size();
    put32(head, 0);
    fourcc(head, "strl");
    fourcc(head, "strh");
    put32(head, 56);
    fourcc(head, "vids");
    if (mjpeg)
        fourcc(head, "MJPG");
    else
        put32(head, 0);
    put32(head, 0);           // flags
    put32(head, 0);           // priority and language
    put32(head, 0);           // initial frames
    put32(head, 1);           // scale
    put32(head, uint32_t(m_rate));
    put32(head, 0);           // start
    put32(head, frames);      // length
    put32(head, largest);     // suggested buffer size: one sample
    put32(head, 0xFFFFFFFFu); // quality: the default
    put32(head, mjpeg ? 0 : imageBytes); // sample size
    put16(head, 0);
    put16(head, 0);
    put16(head, uint32_t(m_format.width));
    put16(head, uint32_t(m_format.height));
    fourcc(head, "strf");
    put32(head, static_cast<uint32_t>(mjpeg ? kDibHeaderSize : m_formatBytes.size()));
    head.insert(head.end(), strf.begin(), strf.end());
    set32(head, strlSize, static_cast<uint32_t>(head.size() - strlSize - 4));
    set32(head, hdrlSize, static_cast<uint32_t>(head.size() - hdrlSize - 4));
    uint64_t moviBytes = 4;
    for (const auto& f : m_frames) moviBytes += 8 + padded(f.size());
    fourcc(head, "LIST");
    put32(head, static_cast<uint32_t>(moviBytes));
    fourcc(head, "movi");

    bool ok = file.write(head.data(), head.size());
    const char* chunkId = mjpeg ? "00dc" : "00db";
    std::vector<uint8_t> index;
    index.reserve(8 + 16 * m_frames.size());
    fourcc(index, "idx1");
    put32(index, 16 * frames);
    uint32_t offset = 4; // from the "movi" code
    for (size_t i = 0; ok && i < m_frames.size(); ++i) {
        const auto& f = m_frames[i];
        std::vector<uint8_t> chunk;
        fourcc(chunk, chunkId);
        put32(chunk, static_cast<uint32_t>(f.size()));
        ok = file.write(chunk.data(), chunk.size()) && file.write(f.data(), f.size());
        if (ok && (f.size() & 1)) ok = file.write("", 1);
        fourcc(index, chunkId);
        put32(index, kAviifKeyFrame);
        put32(index, offset);
        put32(index, static_cast<uint32_t>(f.size()));
        offset += static_cast<uint32_t>(8 + padded(f.size()));
    }
    ok = ok && file.write(index.data(), index.size()) && file.commit();
    if (!ok) {
        m_status = AviStatus::WriteFailed;
        m_systemError = file.error();
    }
    m_frames.clear();
    release();
    return ok ? 1 : 0;
}

} // namespace veltor
