// The input layout of the codec fuzz targets: six bytes of image attributes
// (rows and columns, 16-bit little-endian each, samples per pixel, bits
// allocated), then one frame's compressed stream. The attributes are capped
// so that a frame stays small; the codec checks the stream against them as
// it would against a data set's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "dicom/frame_decoder.h"

namespace veltor::fuzz {

inline int decodeWithCodec(const FrameDecoder& codec, const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    FrameGeometry g;
    g.rows = static_cast<uint32_t>(data[0] | (data[1] << 8)) % 1024 + 1;
    g.columns = static_cast<uint32_t>(data[2] | (data[3] << 8)) % 1024 + 1;
    g.samplesPerPixel = data[4] % 2 == 0 ? 1 : 3;
    g.bitsAllocated = data[5] % 2 == 0 ? 8 : 16;
    g.bitsStored = g.bitsAllocated == 8 ? 8 : 12 + data[5] % 5;
    if (g.bitsStored > 16) g.bitsStored = 16;
    const std::span<const uint8_t> stream(data + 6, size - 6);
    if (!codec.checkImage(g, g.samplesPerPixel == 3 ? "RGB" : "MONOCHROME2").ok()) return 0;
    const FrameDecodeStatus check = codec.checkFrame(stream, g);
    if (!check.ok()) return 0;
    std::vector<uint8_t> frame(decodedFrameBytes(g));
    (void)codec.decodeFrame(stream, g, frame);
    return 0;
}

} // namespace veltor::fuzz
