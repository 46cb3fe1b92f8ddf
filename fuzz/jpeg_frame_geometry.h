// Finds a JPEG stream's frame header, so that a fuzz target can hand the
// decoder the geometry the stream claims (bounded) and reach the entropy data.
#pragma once

#include <cstddef>
#include <cstdint>

#include "dicom/frame_decoder.h"

namespace veltor::fuzz {

// Fills rows, columns and samples from the first SOFn marker; false when there
// is none or the image would exceed `maxPixels`.
inline bool frameGeometryOf(const uint8_t* data, size_t size, uint64_t maxPixels, FrameGeometry& g) {
    for (size_t i = 0; i + 9 < size; ++i) {
        if (data[i] != 0xFF) continue;
        const uint8_t code = data[i + 1];
        if (code < 0xC0 || code > 0xCF || code == 0xC4 || code == 0xC8 || code == 0xCC) continue;
        g.rows = static_cast<uint32_t>(data[i + 5] << 8 | data[i + 6]);
        g.columns = static_cast<uint32_t>(data[i + 7] << 8 | data[i + 8]);
        g.samplesPerPixel = data[i + 9];
        const uint64_t pixels = uint64_t{g.rows} * g.columns * (g.samplesPerPixel == 0 ? 1 : g.samplesPerPixel);
        return pixels > 0 && pixels <= maxPixels;
    }
    return false;
}

} // namespace veltor::fuzz
