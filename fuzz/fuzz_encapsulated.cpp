// Fuzzes the walk of encapsulated pixel data and the location of its frames.
// Input: one byte of frame count, then the items (offset table first).
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "dicom/encapsulated_pixel_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::span<const uint8_t> items(data + 1, size - 1);
    veltor::EncapsulatedItems walked;
    if (!veltor::walkEncapsulatedItems(items, 0, walked).ok()) return 0;
    for (const veltor::FrameDecoder* codec : {&veltor::rleFrameDecoder(), &veltor::lossyJpegFrameDecoder()}) {
        std::vector<veltor::FrameFragments> frames;
        if (!veltor::locateFrames(items, walked, {}, data[0], *codec, frames).ok()) continue;
        // Every frame names fragments that exist, in order.
        uint32_t next = 0;
        for (const veltor::FrameFragments& f : frames) {
            if (f.count == 0 || f.first < next || f.first + f.count > walked.fragments.size()) __builtin_trap();
            next = f.first + f.count;
        }
    }
    return 0;
}
