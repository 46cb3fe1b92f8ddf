#include "imaging/display_bitmap.h"

#include <cstring>
#include <limits>
#include <new>

namespace veltor {

namespace {

void put16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

} // namespace

bool DisplayBitmap::allocate(int32_t width, int32_t height, int32_t bitsPerPixel)
{
    reset();
    if (width <= 0 || height <= 0 || (bitsPerPixel != 8 && bitsPerPixel != 24))
        return false;
    const int64_t stride = bitmapStride(width, bitsPerPixel);
    const int64_t imageSize = stride * height;
    const int64_t offset = kBitmapInfoHeaderSize + (bitsPerPixel == 8 ? kColourTableSize : 0);
    // The header stores the image size in 32 bits.
    if (imageSize > std::numeric_limits<int32_t>::max() - offset)
        return false;
    const size_t total = static_cast<size_t>(offset + imageSize);
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[total]);
    if (!bytes)
        return false;

    uint8_t* h = bytes.get();
    std::memset(h, 0, static_cast<size_t>(offset));
    put32(h + 0, kBitmapInfoHeaderSize);
    put32(h + 4, static_cast<uint32_t>(width));
    put32(h + 8, static_cast<uint32_t>(height));  // positive: rows bottom-up
    put16(h + 12, 1);                             // planes
    put16(h + 14, static_cast<uint32_t>(bitsPerPixel));
    put32(h + 16, 0);                             // no compression
    put32(h + 20, static_cast<uint32_t>(imageSize));
    put32(h + 24, 0);
    put32(h + 28, 0);
    put32(h + 32, bitsPerPixel == 8 ? 256 : 0);   // colours used
    put32(h + 36, bitsPerPixel == 8 ? 256 : 0);   // colours important

    // Padding bytes at the end of each row stay zero across rebuilds: builds
    // write only the pixel bytes of a row.
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel / 8);
    if (static_cast<size_t>(stride) != rowBytes) {
        for (int32_t row = 0; row < height; ++row)
            std::memset(h + offset + row * stride + rowBytes, 0, static_cast<size_t>(stride) - rowBytes);
    }

    m_bytes = std::move(bytes);
    m_size = total;
    m_stride = static_cast<size_t>(stride);
    m_bitsOffset = static_cast<size_t>(offset);
    m_width = width;
    m_height = height;
    m_bitsPerPixel = bitsPerPixel;
    return true;
}

void DisplayBitmap::reset()
{
    m_bytes.reset();
    m_size = 0;
    m_stride = 0;
    m_bitsOffset = 0;
    m_width = 0;
    m_height = 0;
    m_bitsPerPixel = 0;
}

void DisplayBitmap::setColourTable(const PaletteTable& palette)
{
    if (empty() || m_bitsPerPixel != 8)
        return;
    uint8_t* table = m_bytes.get() + kBitmapInfoHeaderSize;
    for (const PaletteEntry& e : palette) {
        *table++ = e.blue;
        *table++ = e.green;
        *table++ = e.red;
        *table++ = 0;
    }
}

} // namespace veltor
