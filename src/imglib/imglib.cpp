#include "imglib/imglib.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "imglib/imglib_internal.h"

namespace veltor {

using namespace imglib;

DibHeader readDibHeader(const uint8_t* bitmap) {
    DibHeader h;
    h.width = static_cast<int32_t>(readLe32(bitmap + 4));
    h.height = static_cast<int32_t>(readLe32(bitmap + 8));
    h.planes = readLe16(bitmap + 12);
    h.bitCount = readLe16(bitmap + 14);
    h.compression = readLe32(bitmap + 16);
    h.sizeImage = readLe32(bitmap + 20);
    h.xPelsPerMeter = static_cast<int32_t>(readLe32(bitmap + 24));
    h.yPelsPerMeter = static_cast<int32_t>(readLe32(bitmap + 28));
    h.clrUsed = readLe32(bitmap + 32);
    h.clrImportant = readLe32(bitmap + 36);
    return h;
}

void writeDibHeader(uint8_t* bitmap, const DibHeader& h) {
    writeLe32(bitmap, kDibHeaderSize);
    writeLe32(bitmap + 4, static_cast<uint32_t>(h.width));
    writeLe32(bitmap + 8, static_cast<uint32_t>(h.height));
    writeLe16(bitmap + 12, h.planes);
    writeLe16(bitmap + 14, h.bitCount);
    writeLe32(bitmap + 16, h.compression);
    writeLe32(bitmap + 20, h.sizeImage);
    writeLe32(bitmap + 24, static_cast<uint32_t>(h.xPelsPerMeter));
    writeLe32(bitmap + 28, static_cast<uint32_t>(h.yPelsPerMeter));
    writeLe32(bitmap + 32, h.clrUsed);
    writeLe32(bitmap + 36, h.clrImportant);
}

static bool validDepth(int bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

size_t dibStride(int64_t width, int bitCount) {
    if (width <= 0 || !validDepth(bitCount) || uint64_t(width) > kImglibMaxPixels)
        return 0;
    const uint64_t bits = uint64_t(width) * uint64_t(bitCount);
    return static_cast<size_t>(((bits + 31) / 32) * 4);
}

uint32_t dibPaletteEntries(int bitCount, uint32_t clrUsed) {
    if (bitCount > 8 || bitCount <= 0)
        return 0;
    const uint32_t full = 1u << bitCount;
    return clrUsed == 0 || clrUsed > full ? full : clrUsed;
}

bool dibLayout(const uint8_t* bitmap, DibLayout& layout) {
    if (bitmap == nullptr || readLe32(bitmap) != kDibHeaderSize)
        return false;
    const DibHeader h = readDibHeader(bitmap);
    if (!validDepth(h.bitCount) || h.width <= 0 || h.height <= 0)
        return false;
    if (uint64_t(h.width) * uint64_t(h.height) > kImglibMaxPixels)
        return false;
    if (h.bitCount <= 8 && h.clrUsed > (1u << h.bitCount))
        return false;
    DibLayout l;
    l.width = h.width;
    l.height = h.height;
    l.bitCount = h.bitCount;
    l.compression = h.compression;
    l.paletteEntries = dibPaletteEntries(h.bitCount, h.clrUsed);
    l.stride = dibStride(h.width, h.bitCount);
    l.pixelOffset = kDibHeaderSize + size_t(l.paletteEntries) * 4;
    if (h.compression == kDibRgb) {
        l.pixelBytes = l.stride * size_t(h.height);
    } else {
        // Compressed data: only its byte count is known.
        if (h.sizeImage == 0)
            return false;
        l.pixelBytes = h.sizeImage;
    }
    l.totalSize = l.pixelOffset + l.pixelBytes;
    layout = l;
    return true;
}

uint8_t* Imglib_AllocateBitmap(int32_t width, int32_t height, int bitCount, uint32_t paletteEntries) {
    if (!validDepth(bitCount) || (bitCount > 8 && paletteEntries != 0) ||
        (bitCount <= 8 && paletteEntries > (1u << bitCount)))
        return nullptr;
    uint8_t header[kDibHeaderSize];
    DibHeader h;
    h.width = width;
    h.height = height;
    h.bitCount = static_cast<uint16_t>(bitCount);
    h.clrUsed = paletteEntries;
    writeDibHeader(header, h);
    DibLayout layout;
    if (!dibLayout(header, layout))
        return nullptr;
    auto* bitmap = static_cast<uint8_t*>(std::calloc(1, layout.totalSize));
    if (bitmap == nullptr)
        return nullptr;
    h.sizeImage = layout.pixelBytes <= UINT32_MAX ? static_cast<uint32_t>(layout.pixelBytes) : 0;
    writeDibHeader(bitmap, h);
    return bitmap;
}

void Imglib_FreeBitmap(uint8_t* bitmap) { std::free(bitmap); }

namespace imglib {

bool withinPixelBudget(uint64_t width, uint64_t height, uint64_t fileBytes) {
    if (width == 0 || height == 0 || width > kImglibMaxPixels || height > kImglibMaxPixels)
        return false;
    const uint64_t pixels = width * height;
    return pixels <= kImglibMaxPixels && pixels <= fileBytes * 8192 + (uint64_t(1) << 22);
}

uint64_t fileSizeOf(FILE* file) {
    struct stat st;
    if (fstat(fileno(file), &st) != 0 || st.st_size < 0)
        return 0;
    return static_cast<uint64_t>(st.st_size);
}

uint8_t* allocateGreyOrRgb(int32_t width, int32_t height, bool grey) {
    uint8_t* bitmap = Imglib_AllocateBitmap(width, height, grey ? 8 : 24, grey ? 256 : 0);
    if (bitmap != nullptr && grey) {
        uint8_t* table = bitmap + kDibHeaderSize;
        for (int i = 0; i < 256; ++i) {
            table[4 * i] = table[4 * i + 1] = table[4 * i + 2] = uint8_t(i);
            table[4 * i + 3] = 0;
        }
    }
    return bitmap;
}

bool DibRows::attach(const uint8_t* bitmap) {
    if (!dibLayout(bitmap, m_layout) || m_layout.compression != kDibRgb)
        return false;
    m_bitmap = bitmap;
    m_palette = bitmap + kDibHeaderSize;
    return true;
}

bool DibRows::isGreyRamp() const {
    if (m_layout.bitCount > 8 || m_layout.paletteEntries != (1u << m_layout.bitCount))
        return false;
    const uint32_t n = m_layout.paletteEntries;
    for (uint32_t i = 0; i < n; ++i) {
        // The grey ramp of the depth: 0 .. 255 spread evenly over the entries.
        const uint8_t level = static_cast<uint8_t>(i * 255 / (n - 1));
        const uint8_t* e = m_palette + 4 * i;
        if (e[0] != level || e[1] != level || e[2] != level)
            return false;
    }
    return true;
}

const uint8_t* DibRows::storedRow(int32_t y) const {
    return m_bitmap + m_layout.pixelOffset + size_t(m_layout.height - 1 - y) * m_layout.stride;
}

uint32_t DibRows::indexAt(const uint8_t* row, int32_t x) const {
    switch (m_layout.bitCount) {
    case 8:
        return row[x];
    case 4:
        return (row[x / 2] >> ((x & 1) ? 0 : 4)) & 0x0F;
    default: // 1
        return (row[x / 8] >> (7 - (x & 7))) & 1;
    }
}

void DibRows::greyRow(int32_t y, uint8_t* out) const {
    const uint8_t* row = storedRow(y);
    if (m_layout.bitCount == 8) {
        std::memcpy(out, row, size_t(m_layout.width)); // the 8-bit ramp maps i to i
        return;
    }
    const uint32_t n = m_layout.paletteEntries;
    for (int32_t x = 0; x < m_layout.width; ++x)
        out[x] = static_cast<uint8_t>(indexAt(row, x) * 255 / (n - 1));
}

void DibRows::rgbRow(int32_t y, uint8_t* out) const {
    const uint8_t* row = storedRow(y);
    const int32_t w = m_layout.width;
    switch (m_layout.bitCount) {
    case 32:
    case 24: {
        const int step = m_layout.bitCount / 8;
        for (int32_t x = 0; x < w; ++x, row += step, out += 3) {
            out[0] = row[2];
            out[1] = row[1];
            out[2] = row[0];
        }
        break;
    }
    case 16:
        // 5-5-5: x RRRRR GGGGG BBBBB, little-endian.
        for (int32_t x = 0; x < w; ++x, row += 2, out += 3) {
            const uint16_t v = readLe16(row);
            out[0] = uint8_t(((v >> 10) & 0x1F) << 3);
            out[1] = uint8_t(((v >> 5) & 0x1F) << 3);
            out[2] = uint8_t((v & 0x1F) << 3);
        }
        break;
    default: {
        const uint32_t last = m_layout.paletteEntries - 1;
        for (int32_t x = 0; x < w; ++x, out += 3) {
            uint32_t i = indexAt(row, x);
            if (i > last)
                i = last;
            const uint8_t* e = m_palette + 4 * i;
            out[0] = e[2];
            out[1] = e[1];
            out[2] = e[0];
        }
    }
    }
}

} // namespace imglib

namespace {

enum class Format { None, Jpeg, Png, Tiff, Bmp };

Format formatFromMagic(const uint8_t* b, size_t n) {
    if (n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF)
        return Format::Jpeg;
    static const uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (n >= 8 && std::memcmp(b, png, 8) == 0)
        return Format::Png;
    if (n >= 4 && ((b[0] == 'I' && b[1] == 'I' && b[2] == 42 && b[3] == 0) ||
                   (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && b[3] == 42)))
        return Format::Tiff;
    if (n >= 2 && b[0] == 'B' && b[1] == 'M')
        return Format::Bmp;
    return Format::None;
}

Format formatFromExtension(const char* path) {
    const char* slash = std::strrchr(path, '/');
    const char* dot = std::strrchr(path, '.');
    if (dot == nullptr || (slash != nullptr && dot < slash))
        return Format::None;
    const char* ext = dot + 1;
    if (strcasecmp(ext, "jpg") == 0 || strcasecmp(ext, "jpeg") == 0)
        return Format::Jpeg;
    if (strcasecmp(ext, "png") == 0)
        return Format::Png;
    if (strcasecmp(ext, "tif") == 0 || strcasecmp(ext, "tiff") == 0)
        return Format::Tiff;
    if (strcasecmp(ext, "bmp") == 0)
        return Format::Bmp;
    return Format::None;
}

} // namespace

uint8_t* Imglib_ReadFile(const char* path) {
    // Only regular files: a FIFO or a device would block or never end.
    struct stat st;
    if (path == nullptr || ::stat(path, &st) != 0 || !S_ISREG(st.st_mode))
        return nullptr;
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return nullptr;
    // The first bytes name the format. A DICOM file may carry a raster
    // header in its preamble (a dual-personality file); "DICM" after the
    // preamble makes it DICOM, never a raster image.
    uint8_t start[132] = {};
    const size_t n = std::fread(start, 1, sizeof start, file);
    const bool dicom = n == sizeof start && std::memcmp(start + 128, "DICM", 4) == 0;
    const Format format = dicom ? Format::None : formatFromMagic(start, n);
    uint8_t* bitmap = nullptr;
    if (format != Format::None && std::fseek(file, 0, SEEK_SET) == 0) {
        switch (format) {
        case Format::Jpeg:
            bitmap = readJpeg(file);
            break;
        case Format::Png:
            bitmap = readPng(file);
            break;
        case Format::Bmp:
            bitmap = readBmp(file);
            break;
        case Format::Tiff:
            // libtiff opens the path itself; the open file serves checks first.
            bitmap = readTiff(path, file);
            break;
        case Format::None:
            break;
        }
    }
    std::fclose(file);
    return bitmap;
}

bool Imglib_WriteFile(const char* path, const uint8_t* bitmap, int jpegQuality) {
    if (path == nullptr || bitmap == nullptr)
        return false;
    const Format format = formatFromExtension(path);
    DibRows rows;
    if (format == Format::None || !rows.attach(bitmap))
        return false;
    if (jpegQuality < 1)
        jpegQuality = 1;
    if (jpegQuality > 100)
        jpegQuality = 100;

    bool written = false;
    if (format == Format::Tiff) {
        written = writeTiff(path, rows);
    } else {
        FILE* file = std::fopen(path, "wb");
        if (file == nullptr)
            return false;
        switch (format) {
        case Format::Jpeg:
            written = writeJpeg(file, rows, jpegQuality);
            break;
        case Format::Png:
            written = writePng(file, rows);
            break;
        case Format::Bmp:
            written = writeBmp(file, rows);
            break;
        default:
            break;
        }
        written = (std::fclose(file) == 0) && written;
    }
    if (!written)
        ::unlink(path);
    return written;
}

} // namespace veltor
