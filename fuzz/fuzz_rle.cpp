// Fuzzes the RLE frame decoder. Input: two bytes of frame size (little-endian,
// plus one), then the fragment with its 64-byte header.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "dicom/rle_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t frameSize = (static_cast<size_t>(data[0]) | static_cast<size_t>(data[1]) << 8) + 1;
    const std::span<const uint8_t> fragment(data + 2, size - 2);
    const veltor::FrameDecodeStatus check = veltor::checkRleFragment(fragment, frameSize);
    std::vector<uint8_t> frame(frameSize, 0xA5);
    const veltor::FrameDecodeStatus status = veltor::decodeRleFrame(fragment, frame);
    // The check and the decoder agree on what they refuse.
    if (check.ok() != status.ok()) __builtin_trap();
    return 0;
}
