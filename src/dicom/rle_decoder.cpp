#include "dicom/rle_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace veltor {

namespace {

uint32_t readLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

FrameDecodeStatus refuse(std::string message) {
    FrameDecodeStatus status;
    status.error = DicomError::CorruptedDicom;
    status.complete = false;
    status.message = std::move(message);
    return status;
}

// Segment i spans [begin[i], begin[i + 1]), the last one up to the fragment end.
struct SegmentTable {
    uint32_t count = 0;
    std::array<size_t, kRleMaxSegments + 1> begin{};
};

FrameDecodeStatus readSegmentTable(std::span<const uint8_t> fragment, size_t frameSize,
                                   uint32_t expectedSegments, SegmentTable& table) {
    if (fragment.size() < kRleHeaderSize)
        return refuse("RLE fragment of " + std::to_string(fragment.size()) +
                      " bytes is shorter than its 64-byte header");
    const uint32_t count = readLe32(fragment.data());
    if (count == 0 || count > kRleMaxSegments)
        return refuse("RLE header gives " + std::to_string(count) + " segments (1 to 15 allowed)");
    if (expectedSegments != 0 && count != expectedSegments)
        return refuse("RLE header gives " + std::to_string(count) + " segments, the image needs " +
                      std::to_string(expectedSegments));
    if (frameSize == 0 || frameSize % count != 0)
        return refuse("RLE frame of " + std::to_string(frameSize) +
                      " bytes does not divide into " + std::to_string(count) + " segments");

    size_t previous = kRleHeaderSize - 1;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t offset = readLe32(fragment.data() + 4 + 4 * i);
        if (offset <= previous || offset >= fragment.size())
            return refuse("RLE segment " + std::to_string(i + 1) + " offset " +
                          std::to_string(offset) + " is out of order or past the fragment");
        table.begin[i] = offset;
        previous = offset;
    }
    table.begin[count] = fragment.size();
    table.count = count;

    const size_t planeSize = frameSize / count;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t length = table.begin[i + 1] - table.begin[i];
        if (planeSize > length * kRleMaxExpansion)
            return refuse("RLE segment " + std::to_string(i + 1) + " of " + std::to_string(length) +
                          " bytes cannot expand to " + std::to_string(planeSize) + " bytes");
    }
    return {};
}

} // namespace

size_t unpackBits(std::span<const uint8_t> input, std::span<uint8_t> output, bool minus128IsRun) {
    const uint8_t* in = input.data();
    const size_t inSize = input.size();
    uint8_t* out = output.data();
    const size_t outSize = output.size();
    size_t i = 0;
    size_t o = 0;
    while (o < outSize && i < inSize) {
        const int control = static_cast<int8_t>(in[i++]);
        if (control >= 0) {
            const size_t count = static_cast<size_t>(control) + 1;
            const size_t available = std::min(count, inSize - i);
            std::memcpy(out + o, in + i, std::min(available, outSize - o));
            i += available;
            if (available < count) {
                o += available; // the data ends inside the literal
                break;
            }
            o += count;
        } else if (control != -128) {
            if (i >= inSize) break;
            const size_t count = static_cast<size_t>(1 - control);
            std::memset(out + o, in[i++], std::min(count, outSize - o));
            o += count;
        } else if (minus128IsRun) {
            // The repeated byte is not consumed: it is read again as the next control.
            if (i >= inSize) break;
            std::memset(out + o, in[i], std::min<size_t>(129, outSize - o));
            o += 127;
        }
    }
    return o;
}

FrameDecodeStatus checkRleFragment(std::span<const uint8_t> fragment, size_t frameSize,
                                   uint32_t expectedSegments) {
    SegmentTable table;
    return readSegmentTable(fragment, frameSize, expectedSegments, table);
}

FrameDecodeStatus decodeRleFrame(std::span<const uint8_t> fragment, std::span<uint8_t> frame,
                                 uint32_t expectedSegments) {
    SegmentTable table;
    FrameDecodeStatus status = readSegmentTable(fragment, frame.size(), expectedSegments, table);
    if (!status.ok()) return status;

    const size_t planeSize = frame.size() / table.count;
    for (uint32_t s = 0; s < table.count; ++s) {
        const auto segment = fragment.subspan(table.begin[s], table.begin[s + 1] - table.begin[s]);
        const auto plane = frame.subspan(s * planeSize, planeSize);
        size_t produced = unpackBits(segment, plane, false);
        if (produced != planeSize) {
            std::fill(plane.begin(), plane.end(), uint8_t{0});
            produced = unpackBits(segment, plane, true);
        }
        if (produced < planeSize) {
            std::fill(plane.begin() + static_cast<std::ptrdiff_t>(produced), plane.end(), uint8_t{0});
            status.complete = false;
        }
    }
    return status;
}

} // namespace veltor

// ---------------------------------------------------------------------------
// The RLE codec of the DICOM reader: one segment per byte plane, for each
// sample its most significant byte first; the decoded frame interleaves the
// samples and stores each one little-endian, whatever the planar
// configuration attribute says (RLE always codes colour by plane).

namespace veltor {

namespace {

class RleFrameDecoder final : public FrameDecoder {
  public:
    const char* name() const override { return "RLE"; }

    FrameDecodeStatus checkImage(const FrameGeometry& g, const char* photometric) const override {
        if (g.bitsAllocated != 8 && g.bitsAllocated != 16 && g.bitsAllocated != 32)
            return frameRefusal(DicomError::UnsupportedDicom,
                                "RLE with " + std::to_string(g.bitsAllocated) +
                                    " bits allocated is not supported (8, 16 or 32)");
        if (segments(g) > kRleMaxSegments)
            return frameRefusal(DicomError::UnsupportedDicom,
                                "RLE image of " + std::to_string(g.samplesPerPixel) + " samples of " +
                                    std::to_string(g.bitsAllocated) + " bits needs more than 15 segments");
        if (std::strncmp(photometric, "YBR_FULL_422", 12) == 0 || std::strncmp(photometric, "YBR_PARTIAL", 11) == 0)
            return frameRefusal(DicomError::UnsupportedDicom,
                                std::string("RLE with photometric interpretation ") + photometric +
                                    " is not supported");
        return {};
    }

    FrameDecodeStatus checkFrame(std::span<const uint8_t> stream, const FrameGeometry& g) const override {
        return checkRleFragment(stream, decodedFrameBytes(g), segments(g));
    }

    FrameDecodeStatus decodeFrame(std::span<const uint8_t> stream, const FrameGeometry& g,
                                  std::span<uint8_t> frame) const override {
        const uint32_t count = segments(g);
        if (count == 1) return decodeRleFrame(stream, frame, 1);
        // Planes first, then each byte to its place in the interleaved frame.
        std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[frame.size()]);
        if (!buffer) return frameRefusal(DicomError::OutOfMemory, "no memory for the RLE planes");
        const std::span<uint8_t> planes(buffer.get(), frame.size());
        FrameDecodeStatus status = decodeRleFrame(stream, planes, count);
        if (!status.ok()) return status;
        const size_t pixels = frame.size() / count;
        const uint32_t bytes = decodedSampleBytes(g.bitsAllocated);
        if (count == 2) {
            // 16-bit grey, the common case: high plane, then low plane.
            const uint8_t* high = planes.data();
            const uint8_t* low = planes.data() + pixels;
            uint8_t* out = frame.data();
            for (size_t p = 0; p < pixels; ++p) {
                out[2 * p] = low[p];
                out[2 * p + 1] = high[p];
            }
            return status;
        }
        for (uint32_t s = 0; s < count; ++s) {
            const uint32_t sample = s / bytes;
            const uint32_t byteInSample = bytes - 1 - s % bytes; // most significant plane first
            const uint8_t* in = planes.data() + size_t{s} * pixels;
            uint8_t* out = frame.data() + size_t{sample} * bytes + byteInSample;
            const size_t stride = size_t{count};
            for (size_t p = 0; p < pixels; ++p) out[p * stride] = in[p];
        }
        return status;
    }

  private:
    static uint32_t segments(const FrameGeometry& g) {
        return g.samplesPerPixel * decodedSampleBytes(g.bitsAllocated);
    }
};

} // namespace

const FrameDecoder& rleFrameDecoder() {
    static const RleFrameDecoder decoder;
    return decoder;
}

} // namespace veltor
