// Fuzzes the libjpeg adapter (8-bit and 12-bit builds). Input: one byte
// choosing 8 or 12 bits stored, then the JPEG stream; the expected geometry is
// the one the stream's frame header claims, capped so that memory stays small.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "dicom/jpeg_lossy_decoder.h"
#include "jpeg_frame_geometry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    veltor::FrameGeometry g;
    g.bitsStored = (data[0] & 1) ? 12 : 8;
    g.bitsAllocated = g.bitsStored == 8 ? 8 : 16;
    const std::span<const uint8_t> stream(data + 1, size - 1);
    if (!veltor::fuzz::frameGeometryOf(stream.data(), stream.size(), 1u << 20, g)) return 0;
    std::vector<uint8_t> frame(size_t{g.rows} * g.columns * g.samplesPerPixel * g.bitsAllocated / 8);
    (void)veltor::decodeJpegFrame(stream, g, frame);
    return 0;
}
