// The six ways a frame's store comes into being: from bitmaps, from 8-bit
// samples and from 16-bit samples, wrapped or copied.
#include "imaging/grey_table.h"
#include "imaging/image_buffer.h"

#include <cstring>
#include <limits>

namespace veltor {

namespace {

constexpr int32_t kInt32Max = std::numeric_limits<int32_t>::max();

// Bytes of a width x height image of `bytesPerPixel`, or -1 when the image is
// empty or its size does not fit the 32-bit dataSize field.
int64_t imageBytes(int32_t width, int32_t height, int32_t bytesPerPixel)
{
    if (width <= 0 || height <= 0)
        return -1;
    // Both factors are below 2^31, so their product fits; the bytes per pixel
    // are applied only once the pixel count is known to be small enough.
    const int64_t pixels = static_cast<int64_t>(width) * height;
    if (pixels > kInt32Max)
        return -1;
    const int64_t bytes = pixels * bytesPerPixel;
    return bytes > kInt32Max ? -1 : bytes;
}

uint16_t read16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t read32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// The BITMAPINFOHEADER fields a conversion needs, validated against the bytes
// that are present.
struct BitmapLayout {
    int32_t width = 0;
    int32_t height = 0;         // always positive here
    bool topDown = false;       // a negative height in the header
    int32_t bitCount = 0;
    const uint8_t* colourTable = nullptr;
    int32_t tableEntries = 0;   // entries present in the colour table (at most 256)
    int32_t usedEntries = 0;    // entries in use: colours-used, or 2^bits when 0
    const uint8_t* bits = nullptr;
    size_t bitsSize = 0;
};

// Reads the header of a packed bitmap: header, colour table, bits. The colour
// table holds colours-used entries, or 2^bits for 8 bits or fewer when that is
// 0. False for headers shorter than 40 bytes, empty or overflowing sizes,
// compressed bitmaps and tables that run past the data.
bool readLayout(std::span<const uint8_t> dib, BitmapLayout& layout)
{
    if (dib.size() < static_cast<size_t>(kBitmapInfoHeaderSize))
        return false;
    const uint8_t* h = dib.data();
    const uint32_t headerSize = read32(h);
    const int32_t width = static_cast<int32_t>(read32(h + 4));
    const int32_t height = static_cast<int32_t>(read32(h + 8));
    const uint16_t bitCount = read16(h + 14);
    const uint32_t compression = read32(h + 16);
    const uint32_t coloursUsed = read32(h + 32);
    if (headerSize < static_cast<uint32_t>(kBitmapInfoHeaderSize) || headerSize > dib.size())
        return false;
    if (width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min() || compression != 0)
        return false;
    layout.width = width;
    layout.height = height < 0 ? -height : height;
    layout.topDown = height < 0;
    layout.bitCount = bitCount;

    uint64_t tableCount = coloursUsed;
    if (tableCount == 0 && bitCount <= 8)
        tableCount = uint64_t{1} << bitCount;
    const uint64_t tableBytes = tableCount * 4;
    if (tableBytes > dib.size() - headerSize)
        return false;
    layout.colourTable = h + headerSize;
    const int32_t maxEntries = bitCount <= 8 ? (1 << bitCount) : 256;
    layout.usedEntries = static_cast<int32_t>(tableCount < static_cast<uint64_t>(maxEntries) ? tableCount : maxEntries);
    layout.tableEntries = layout.usedEntries;
    layout.bits = h + headerSize + tableBytes;
    layout.bitsSize = dib.size() - headerSize - static_cast<size_t>(tableBytes);
    return true;
}

// True when `bitCount` rows of the layout's width fit in the bits present.
bool rowsPresent(const BitmapLayout& layout, int32_t bitCount, int64_t& stride)
{
    stride = bitmapStride(layout.width, bitCount);
    return stride > 0 && static_cast<uint64_t>(stride) <= layout.bitsSize &&
           static_cast<uint64_t>(layout.height) <= layout.bitsSize / static_cast<uint64_t>(stride);
}

const uint8_t* bitmapRow(const BitmapLayout& layout, int64_t stride, int32_t imageRow)
{
    const int32_t row = layout.topDown ? imageRow : layout.height - 1 - imageRow;
    return layout.bits + static_cast<size_t>(row) * static_cast<size_t>(stride);
}

// Colour table entries are B, G, R, 0.
bool greyColourTable(const BitmapLayout& layout)
{
    for (int32_t i = 0; i < layout.usedEntries; ++i) {
        const uint8_t* e = layout.colourTable + 4 * i;
        if (e[0] != e[1] || e[1] != e[2])
            return false;
    }
    return true;
}

// Index `index` of a 1-, 4- or 8-bit row.
uint32_t indexAt(const uint8_t* row, int32_t bitCount, int32_t x)
{
    switch (bitCount) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
        return (x & 1) != 0 ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    default:
        return row[x];
    }
}

} // namespace

int ImageBuffer::installLevel(bool sixteenBit, ImageLevel level, const uint8_t* data, bool copy)
{
    SampleBuffer owned;
    if (copy) {
        owned = SampleBuffer::allocate(static_cast<size_t>(level.dataSize));
        if (!owned) {
            m_lastError = LibraryError::MemoryAllocation;
            return 0;
        }
        std::memcpy(owned.data(), data, static_cast<size_t>(level.dataSize));
        level.pixels = owned.data();
    } else {
        level.pixels = data;
    }
    return installStore(sixteenBit, level, std::move(owned)) ? 1 : 0;
}

int ImageBuffer::installFrom8(int32_t width, int32_t height, int32_t dataSize, int32_t colour,
                              const uint8_t* pixels, bool copy)
{
    resetStore();
    const int64_t bytes = imageBytes(width, height, colour != 0 ? 3 : 1);
    if (pixels == nullptr || (colour != 0 && colour != 1) || bytes < 0 || dataSize < bytes) {
        m_lastError = LibraryError::BuildFailed;
        return 0;
    }
    ImageLevel level;
    level.colour = colour;
    level.width = width;
    level.height = height;
    level.dataSize = static_cast<int32_t>(bytes);
    level.maxValue = 255;
    level.minValue = 0;
    level.windowCenter = 128;
    level.windowWidth = 256;
    return installLevel(false, level, pixels, copy);
}

int ImageBuffer::createFromRaw8(int32_t width, int32_t height, int32_t dataSize, int32_t colour,
                                const uint8_t* pixels)
{
    return installFrom8(width, height, dataSize, colour, pixels, false);
}

int ImageBuffer::createFromCopy8(int32_t width, int32_t height, int32_t dataSize, int32_t colour,
                                 const uint8_t* pixels)
{
    return installFrom8(width, height, dataSize, colour, pixels, true);
}

int ImageBuffer::installFrom16(int32_t width, int32_t height, int32_t windowCenter, int32_t windowWidth,
                               const int16_t* samples, bool copy)
{
    resetStore();
    const int64_t bytes = imageBytes(width, height, 2);
    if (samples == nullptr || bytes < 0) {
        m_lastError = LibraryError::BuildFailed;
        return 0;
    }
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);

    // 32767 and -32768 often mark padding or overflow rather than tissue, so
    // they do not set the range unless nothing else is there.
    int32_t maxValue = std::numeric_limits<int32_t>::min();
    int32_t minValue = std::numeric_limits<int32_t>::max();
    int32_t trueMax = -32768;
    int32_t trueMin = 32767;
    for (size_t i = 0; i < count; ++i) {
        const int32_t v = samples[i];
        if (v != 32767 && v > maxValue)
            maxValue = v;
        if (v != -32768 && v < minValue)
            minValue = v;
        trueMax = v > trueMax ? v : trueMax;
        trueMin = v < trueMin ? v : trueMin;
    }
    if (maxValue == std::numeric_limits<int32_t>::min())
        maxValue = 32767;
    if (minValue == std::numeric_limits<int32_t>::max())
        minValue = -32768;
    // Only markers of both kinds: an inverted range would leave the display
    // table without entries, so the true range is taken.
    if (minValue > maxValue) {
        minValue = trueMin;
        maxValue = trueMax;
    }

    if (windowCenter == 0 && windowWidth == 0) {
        windowWidth = maxValue - minValue + 1;
        windowCenter = minValue + windowWidth / 2;
    } else {
        // A centre beyond every sample would show a blank frame: it comes down
        // to the middle of the range. A centre inside the range is the file's
        // choice and stays, even when padding far below the anatomy (CT air
        // outside the field of view at -2000 or -3024) pulls the middle of the
        // range below it: lowering it then would wash the image out.
        const int32_t midpoint = minValue + (maxValue - minValue) / 2;
        if (windowCenter > maxValue)
            windowCenter = midpoint;
        if (windowWidth > maxValue - minValue + 1)
            windowWidth = maxValue - minValue + 1;
    }

    ImageLevel level;
    level.colour = 0;
    level.isSigned = minValue < 0 ? 1 : 0;
    level.width = width;
    level.height = height;
    level.dataSize = static_cast<int32_t>(bytes);
    level.maxValue = maxValue;
    level.minValue = minValue;
    level.windowCenter = windowCenter;
    level.windowWidth = windowWidth;
    return installLevel(true, level, reinterpret_cast<const uint8_t*>(samples), copy);
}

int ImageBuffer::createFromSamples16(int32_t width, int32_t height, int32_t windowCenter, int32_t windowWidth,
                                     const int16_t* samples)
{
    return installFrom16(width, height, windowCenter, windowWidth, samples, false);
}

int ImageBuffer::createFromCopy16(int32_t width, int32_t height, int32_t sampleFormat, int32_t windowCenter,
                                  int32_t windowWidth, const int16_t* samples)
{
    if (sampleFormat != 16) {
        resetStore();
        m_lastError = LibraryError::BuildFailed;
        return 0;
    }
    return installFrom16(width, height, windowCenter, windowWidth, samples, true);
}

int ImageBuffer::createFromBitmap(std::span<const uint8_t> dib)
{
    return installFromPackedBitmap(dib, false);
}

int ImageBuffer::createFromConvertedBitmap(std::span<const uint8_t> dib)
{
    return installFromPackedBitmap(dib, true);
}

int ImageBuffer::installFromPackedBitmap(std::span<const uint8_t> dib, bool convert)
{
    resetStore();
    BitmapLayout layout;
    if (!readLayout(dib, layout)) {
        m_lastError = LibraryError::BuildFailed;
        return 0;
    }
    int32_t bitCount = layout.bitCount;
    if (convert) {
        if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
            m_lastError = LibraryError::UnknownBitmapFormat;
            return 0;
        }
        // A 32-bit bitmap is taken as though its header said 24 bits.
        if (bitCount == 32)
            bitCount = 24;
    } else if (bitCount != 8) {
        // Anything but 8 bits is read as 24-bit B, G, R.
        bitCount = 24;
    }

    bool grey = false;
    if (bitCount == 1)
        grey = true;
    else if (bitCount == 8 && !convert)
        grey = true;
    else if (bitCount == 4 || bitCount == 8)
        grey = greyColourTable(layout);

    int64_t stride = 0;
    const int64_t bytes = imageBytes(layout.width, layout.height, grey ? 1 : 3);
    if (bytes < 0 || !rowsPresent(layout, bitCount, stride)) {
        m_lastError = LibraryError::BuildFailed;
        return 0;
    }
    SampleBuffer owned = SampleBuffer::allocate(static_cast<size_t>(bytes));
    if (!owned) {
        m_lastError = LibraryError::MemoryAllocation;
        return 0;
    }

    const size_t width = static_cast<size_t>(layout.width);
    // Indexes past the colour table read as black.
    auto tableEntry = [&](uint32_t index) -> const uint8_t* {
        static constexpr uint8_t kBlack[4] = {0, 0, 0, 0};
        return index < static_cast<uint32_t>(layout.tableEntries) ? layout.colourTable + 4 * index : kBlack;
    };
    for (int32_t y = 0; y < layout.height; ++y) {
        const uint8_t* src = bitmapRow(layout, stride, y);
        uint8_t* dst = owned.data() + static_cast<size_t>(y) * width * (grey ? 1 : 3);
        switch (bitCount) {
        case 1:
            for (size_t x = 0; x < width; ++x)
                dst[x] = indexAt(src, 1, static_cast<int32_t>(x)) != 0 ? 255 : 0;
            break;
        case 4:
        case 8:
            for (size_t x = 0; x < width; ++x) {
                const uint32_t index = indexAt(src, bitCount, static_cast<int32_t>(x));
                if (grey && bitCount == 8) {
                    dst[x] = static_cast<uint8_t>(index);
                } else if (grey) {
                    const uint8_t* e = tableEntry(index);
                    dst[x] = greyValue(e[2], e[1], e[0]);
                } else {
                    const uint8_t* e = tableEntry(index);
                    dst[3 * x] = e[2];
                    dst[3 * x + 1] = e[1];
                    dst[3 * x + 2] = e[0];
                }
            }
            break;
        case 16:
            for (size_t x = 0; x < width; ++x) {
                const uint32_t v = read16(src + 2 * x);
                dst[3 * x] = static_cast<uint8_t>(((v >> 10) & 31u) << 3);
                dst[3 * x + 1] = static_cast<uint8_t>(((v >> 5) & 31u) << 3);
                dst[3 * x + 2] = static_cast<uint8_t>((v & 31u) << 3);
            }
            break;
        default:  // 24
            for (size_t x = 0; x < width; ++x) {
                dst[3 * x] = src[3 * x + 2];
                dst[3 * x + 1] = src[3 * x + 1];
                dst[3 * x + 2] = src[3 * x];
            }
            break;
        }
    }

    ImageLevel level;
    level.colour = grey ? 0 : 1;
    level.width = layout.width;
    level.height = layout.height;
    level.dataSize = static_cast<int32_t>(bytes);
    level.maxValue = 255;
    level.minValue = 0;
    level.windowCenter = 128;
    level.windowWidth = 256;
    level.pixels = owned.data();
    return installStore(false, level, std::move(owned)) ? 1 : 0;
}

} // namespace veltor
