// Lookup tables of a frame's last display build (internal to the library).
#pragma once

#include "imaging/image_buffer.h"

#include <cstdint>
#include <memory>

namespace veltor {

// The window maps samples to display bytes through a table that depends only on
// the window bounds and the level's sample range; dragging the window rebuilds
// the bitmap many times a second, so the last table of each kind is kept and
// reused while those inputs repeat.
struct ImageBuffer::DisplayCache {
    bool valid8 = false;
    int64_t low8 = 0;
    int64_t high8 = 0;
    uint8_t table8[256] = {};

    bool valid16 = false;
    int64_t low16 = 0;
    int64_t high16 = 0;
    int32_t min16 = 0;
    int32_t max16 = 0;
    bool inverted16 = false;
    const DisplayLut* lut16 = nullptr; // the table the entries came from, if any
    // 65536 entries indexed by sample + 32768, the clamping to the level's range
    // folded in, so the per-sample work is a single load.
    std::unique_ptr<uint8_t[]> table16;
};

} // namespace veltor
