// The device-independent bitmap a frame is painted from.
#pragma once

#include "imaging/palettes.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace veltor {

// Size of the BITMAPINFOHEADER that starts every bitmap.
inline constexpr int32_t kBitmapInfoHeaderSize = 40;
// Size of the 256-entry B, G, R, 0 colour table of an 8-bit bitmap.
inline constexpr int32_t kColourTableSize = 256 * 4;

// Bytes per bitmap row: `width` pixels of `bitsPerPixel` padded with zero
// bytes to a multiple of 4. Computed in 64 bits; callers check for overflow.
inline int64_t bitmapStride(int64_t width, int32_t bitsPerPixel)
{
    return ((width * bitsPerPixel + 31) / 32) * 4;
}

// A packed device-independent bitmap in the BITMAPINFOHEADER layout: the 40-byte
// header (little-endian; planes 1, compression 0, resolutions 0), for 8 bits per
// pixel a 256-entry colour table in B, G, R, 0 order with colours-used and
// colours-important 256, then the rows bottom-up (image row 0 is the last bitmap
// row), each padded with zero bytes to a multiple of 4.
class DisplayBitmap {
public:
    DisplayBitmap() = default;

    // Allocates and writes the header (and a zero colour table) for an image of
    // the given size; bitsPerPixel is 8 or 24. False when the size is invalid or
    // the memory cannot be had; the bitmap is then left empty.
    bool allocate(int32_t width, int32_t height, int32_t bitsPerPixel);
    void reset();

    bool empty() const { return m_bytes == nullptr; }
    const uint8_t* data() const { return m_bytes.get(); }
    size_t size() const { return m_size; }
    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    int32_t bitsPerPixel() const { return m_bitsPerPixel; }
    size_t stride() const { return m_stride; }
    bool sameLayout(int32_t width, int32_t height, int32_t bitsPerPixel) const
    {
        return !empty() && m_width == width && m_height == height && m_bitsPerPixel == bitsPerPixel;
    }

    // The bitmap bytes of image row y (0 = top of the image).
    uint8_t* imageRow(int32_t y) { return pixelBits() + static_cast<size_t>(m_height - 1 - y) * m_stride; }
    const uint8_t* imageRow(int32_t y) const
    {
        return pixelBits() + static_cast<size_t>(m_height - 1 - y) * m_stride;
    }
    uint8_t* pixelBits() { return m_bytes.get() + m_bitsOffset; }
    const uint8_t* pixelBits() const { return m_bytes.get() + m_bitsOffset; }

    // Writes `palette` into the colour table with red and blue exchanged (the
    // table holds B, G, R, 0). Does nothing for a 24-bit bitmap.
    void setColourTable(const PaletteTable& palette);

private:
    std::unique_ptr<uint8_t[]> m_bytes;
    size_t m_size = 0;
    size_t m_stride = 0;
    size_t m_bitsOffset = 0;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_bitsPerPixel = 0;
};

} // namespace veltor
