#include "dicom/rle_decoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>

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
