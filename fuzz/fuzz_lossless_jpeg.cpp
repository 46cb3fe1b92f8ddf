// Fuzzes the lossless JPEG decoder. Input: one byte choosing the bits stored
// (8, 12 or 16), then the JPEG stream; the expected geometry is the one the
// stream's frame header claims, capped so that memory stays small.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "dicom/lossless_jpeg_decoder.h"
#include "jpeg_frame_geometry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    static constexpr uint32_t kBits[3] = {8, 12, 16};
    veltor::FrameGeometry g;
    g.bitsStored = kBits[data[0] % 3];
    g.bitsAllocated = g.bitsStored == 8 ? 8 : 16;
    const std::span<const uint8_t> stream(data + 1, size - 1);
    if (!veltor::fuzz::frameGeometryOf(stream.data(), stream.size(), 1u << 20, g)) {
        g.rows = g.columns = 8;
        g.samplesPerPixel = 1;
    }
    std::vector<uint8_t> frame(size_t{g.rows} * g.columns * g.samplesPerPixel * g.bitsAllocated / 8);
    (void)veltor::decodeLosslessFrame(stream, g, frame, nullptr);
    return 0;
}
