// Helpers shared by the imaging tests: small frames, packed bitmaps and a
// reference edit written through the operation door.
#pragma once

#include "imaging/image_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace veltor::testing {

// Frames made from samples given row by row (colour: R, G, B per pixel).
inline std::unique_ptr<ImageBuffer> make8(int32_t w, int32_t h, bool colour, const std::vector<uint8_t>& samples)
{
    auto buffer = std::make_unique<ImageBuffer>();
    EXPECT_EQ(buffer->createFromCopy8(w, h, static_cast<int32_t>(samples.size()), colour ? 1 : 0, samples.data()),
              1);
    return buffer;
}

inline std::unique_ptr<ImageBuffer> make16(int32_t w, int32_t h, const std::vector<int16_t>& samples,
                                           int32_t center = 0, int32_t width = 0)
{
    auto buffer = std::make_unique<ImageBuffer>();
    EXPECT_EQ(buffer->createFromCopy16(w, h, 16, center, width, samples.data()), 1);
    return buffer;
}

// The current level's bytes, and its samples for a 16-bit frame.
inline std::vector<uint8_t> bytes(const ImageBuffer& b)
{
    const ImageLevel* level = b.currentLevel();
    return std::vector<uint8_t>(level->pixels, level->pixels + level->dataSize);
}

inline std::vector<int16_t> samples16(const ImageBuffer& b)
{
    const ImageLevel* level = b.currentLevel();
    const int16_t* p = level->samples16();
    return std::vector<int16_t>(p, p + static_cast<size_t>(level->width) * level->height);
}

inline uint32_t le32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

inline uint16_t le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// A packed bitmap: BITMAPINFOHEADER, `table` (0x00RRGGBB values, written
// B, G, R, 0), then `rows` in bitmap order (the first is the bottom row unless
// the height is negative), each padded to 4 bytes.
inline std::vector<uint8_t> packedBitmap(int32_t width, int32_t height, uint16_t bits,
                                         const std::vector<uint32_t>& table,
                                         const std::vector<std::vector<uint8_t>>& rows, uint32_t coloursUsed = 0)
{
    std::vector<uint8_t> out(40, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, static_cast<uint32_t>(width));
    put32(8, static_cast<uint32_t>(height));
    out[12] = 1;
    out[14] = static_cast<uint8_t>(bits);
    put32(32, coloursUsed);
    for (uint32_t c : table) {
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(static_cast<uint8_t>(c >> 8));
        out.push_back(static_cast<uint8_t>(c >> 16));
        out.push_back(0);
    }
    for (const auto& row : rows) {
        out.insert(out.end(), row.begin(), row.end());
        out.insert(out.end(), (4 - row.size() % 4) % 4, uint8_t{0});
    }
    return out;
}

// Adds `delta` (limited to 0 .. 255) to every selected sample of the scope of
// an Image8 frame, through the same door the image operations use.
inline int addToSelected(ImageBuffer& frame, int delta)
{
    LevelEdit edit = frame.beginEdit(LevelStart::CopyPrevious);
    if (!edit)
        return 0;
    const ImageRect scope = edit.scope();
    const int channels = edit.source().channels();
    const int width = edit.source().width;
    const uint8_t* src = edit.sourceSamples<uint8_t>();
    uint8_t* dst = edit.targetSamples<uint8_t>();
    for (int y = scope.top; y < scope.bottom; ++y)
        for (int x = scope.left; x < scope.right; ++x)
            if (edit.selected(x, y))
                for (int c = 0; c < channels; ++c) {
                    const size_t i = (static_cast<size_t>(y) * width + x) * channels + c;
                    const int v = src[i] + delta;
                    dst[i] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
                }
    return edit.commit();
}

// The current level's samples as bytes.
inline std::vector<uint8_t> levelBytes(const ImageBuffer& frame)
{
    const ImageLevel* level = frame.currentLevel();
    if (level == nullptr)
        return {};
    return {level->pixels, level->pixels + level->dataSize};
}

} // namespace veltor::testing
