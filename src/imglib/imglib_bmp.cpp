// BMP files: a 14-byte file header followed by a DIB. The reader turns the
// DIB the file holds into a packed DIB with a 40-byte header: core (OS/2)
// headers and the larger Windows headers are reduced to it, 3-byte colour
// entries widened to 4, top-down rows turned bottom-up. Compressed (RLE) data
// is returned as it is stored; the bitmap keeps its compression code so that
// callers can refuse it.
#include <cstdlib>
#include <cstring>

#include "imglib/imglib_internal.h"

namespace veltor::imglib {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kBitfields = 3;

bool knownInfoSize(uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// Bit-field masks that describe the plain layouts: 5-5-5 for 16 bits and
// 8-8-8 for 32 bits. Other masks (5-6-5 and friends) are not read.
bool plainMasks(int bitCount, uint32_t red, uint32_t green, uint32_t blue) {
    if (bitCount == 16)
        return red == 0x7C00 && green == 0x03E0 && blue == 0x001F;
    if (bitCount == 32)
        return red == 0x00FF0000 && green == 0x0000FF00 && blue == 0x000000FF;
    return false;
}

// The whole file in memory, refused when it is larger than any bitmap within
// the pixel budget can be.
uint8_t* readWholeFile(FILE* file, size_t& size) {
    const uint64_t bytes = fileSizeOf(file);
    constexpr uint64_t kMaxFile = kImglibMaxPixels * 4 + (uint64_t(1) << 20);
    if (bytes < kFileHeaderSize + kCoreHeaderSize || bytes > kMaxFile)
        return nullptr;
    auto* data = static_cast<uint8_t*>(std::malloc(bytes));
    if (data == nullptr)
        return nullptr;
    if (std::fread(data, 1, bytes, file) != bytes) {
        std::free(data);
        return nullptr;
    }
    size = static_cast<size_t>(bytes);
    return data;
}

} // namespace

uint8_t* readBmpBytes(const uint8_t* data, size_t size) {
    if (size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M')
        return nullptr;
    const uint32_t pixelOffset = readLe32(data + 10);
    const uint8_t* info = data + kFileHeaderSize;
    const uint32_t infoSize = readLe32(info);
    if (infoSize != kCoreHeaderSize && !knownInfoSize(infoSize))
        return nullptr;
    if (size - kFileHeaderSize < infoSize)
        return nullptr;

    int64_t width, height;
    int bitCount;
    uint32_t compression = kDibRgb, sizeImage = 0, clrUsed = 0;
    int32_t xPels = 0, yPels = 0;
    size_t entrySize = 4;
    size_t paletteStart = kFileHeaderSize + infoSize;
    if (infoSize == kCoreHeaderSize) {
        width = readLe16(info + 4);
        height = readLe16(info + 6);
        bitCount = readLe16(info + 10);
        entrySize = 3;
    } else {
        width = static_cast<int32_t>(readLe32(info + 4));
        height = static_cast<int32_t>(readLe32(info + 8));
        bitCount = readLe16(info + 14);
        compression = readLe32(info + 16);
        sizeImage = readLe32(info + 20);
        xPels = static_cast<int32_t>(readLe32(info + 24));
        yPels = static_cast<int32_t>(readLe32(info + 28));
        clrUsed = readLe32(info + 32);
        if (compression == kBitfields) {
            // The three masks follow a 40-byte header and are part of the
            // larger ones.
            if (infoSize == 40) {
                if (size < paletteStart + 12)
                    return nullptr;
                paletteStart += 12;
            }
            const uint8_t* masks = info + 40;
            if (!plainMasks(bitCount, readLe32(masks), readLe32(masks + 4), readLe32(masks + 8)))
                return nullptr;
            compression = kDibRgb;
        }
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return nullptr;
    if (!(compression == kDibRgb || (compression == kDibRle8 && bitCount == 8) ||
          (compression == kDibRle4 && bitCount == 4)))
        return nullptr;
    // Negative heights mean top-down rows; RLE data is always bottom-up.
    const bool topDown = height < 0;
    if (topDown) {
        if (compression != kDibRgb)
            return nullptr;
        height = -height; // int64_t: INT32_MIN negates safely
    }
    if (width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) > kImglibMaxPixels)
        return nullptr;

    // Depths up to 8 bits carry a colour table; one in a 16, 24 or 32-bit file
    // is only an optimisation hint and is dropped.
    if (pixelOffset < paletteStart || pixelOffset >= size)
        return nullptr;
    uint32_t entries = dibPaletteEntries(bitCount, clrUsed);
    // Some writers leave fewer entries than the header counts before the
    // pixels: the table ends where the pixels begin.
    const size_t room = (pixelOffset - paletteStart) / entrySize;
    if (entries > room)
        entries = static_cast<uint32_t>(room);
    if (bitCount <= 8 && entries == 0)
        return nullptr;
    const size_t available = size - pixelOffset;
    const size_t stride = dibStride(width, bitCount);
    size_t pixelBytes;
    if (compression == kDibRgb) {
        pixelBytes = stride * size_t(height);
        if (pixelBytes > available)
            return nullptr; // truncated
    } else {
        pixelBytes = sizeImage == 0 ? available : sizeImage;
        if (pixelBytes > available)
            return nullptr;
    }

    const size_t outPixelOffset = kDibHeaderSize + size_t(entries) * 4;
    auto* bitmap = static_cast<uint8_t*>(std::malloc(outPixelOffset + pixelBytes));
    if (bitmap == nullptr)
        return nullptr;
    DibHeader h;
    h.width = static_cast<int32_t>(width);
    h.height = static_cast<int32_t>(height);
    h.bitCount = static_cast<uint16_t>(bitCount);
    h.compression = compression;
    h.sizeImage = static_cast<uint32_t>(pixelBytes);
    h.xPelsPerMeter = xPels;
    h.yPelsPerMeter = yPels;
    h.clrUsed = bitCount <= 8 ? entries : 0;
    writeDibHeader(bitmap, h);
    for (uint32_t i = 0; i < entries; ++i) {
        const uint8_t* in = data + paletteStart + size_t(i) * entrySize;
        uint8_t* out = bitmap + kDibHeaderSize + size_t(i) * 4;
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = 0;
    }
    const uint8_t* pixels = data + pixelOffset;
    if (topDown) {
        for (size_t y = 0; y < size_t(height); ++y)
            std::memcpy(bitmap + outPixelOffset + (size_t(height) - 1 - y) * stride, pixels + y * stride, stride);
    } else {
        std::memcpy(bitmap + outPixelOffset, pixels, pixelBytes);
    }
    return bitmap;
}

uint8_t* readBmp(FILE* file) {
    size_t size = 0;
    uint8_t* data = readWholeFile(file, size);
    if (data == nullptr)
        return nullptr;
    uint8_t* bitmap = readBmpBytes(data, size);
    std::free(data);
    return bitmap;
}

bool writeBmp(FILE* file, const DibRows& rows) {
    // The file header, then the DIB unchanged.
    const DibLayout& layout = rows.layout();
    uint8_t header[kFileHeaderSize] = {'B', 'M'};
    if (kFileHeaderSize + layout.totalSize > UINT32_MAX)
        return false;
    writeLe32(header + 2, static_cast<uint32_t>(kFileHeaderSize + layout.totalSize));
    writeLe32(header + 10, static_cast<uint32_t>(kFileHeaderSize + layout.pixelOffset));
    return std::fwrite(header, 1, sizeof header, file) == sizeof header &&
        std::fwrite(rows.bitmap(), 1, layout.totalSize, file) == layout.totalSize;
}

} // namespace veltor::imglib
