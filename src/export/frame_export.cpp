#include "frame_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "atomic_file.h"
#include "imglib/imglib.h"

namespace veltor {

namespace {

constexpr size_t kBmpFileHeaderSize = 14;
constexpr size_t kGreyTableEntries = 256;

void put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v) {
    put16(p, v);
    put16(p + 2, v >> 16);
}

struct Part {
    const void* data;
    size_t size;
};

// Writes the parts under a temporary name and renames the finished file over
// `path`: a failed write (a full disk) leaves neither a truncated image, which
// would pass for a complete one, nor a hole where a replaced file was.
ExportResult writeParts(const char* path, std::initializer_list<Part> parts) {
    ExportResult result;
    if (path == nullptr || path[0] == '\0') {
        result.status = ExportStatus::CreateFailed;
        result.systemError = ENOENT;
        return result;
    }
    AtomicFile file;
    if (!file.open(path)) {
        result.status = ExportStatus::CreateFailed;
        result.systemError = file.error();
        return result;
    }
    for (const Part& part : parts) {
        if (part.size != 0 && !file.write(part.data, part.size)) {
            result.status = ExportStatus::WriteFailed;
            result.systemError = file.error();
            return result;
        }
    }
    if (!file.commit()) {
        result.status = ExportStatus::WriteFailed;
        result.systemError = file.error();
    }
    return result;
}

ExportResult failed(ExportStatus status) {
    ExportResult result;
    result.status = status;
    return result;
}

// The layout of an export bitmap the writers take: uncompressed, bottom-up,
// 8 or 24 bits, all of it inside `size`.
bool exportLayout(const uint8_t* bitmap, size_t size, DibLayout& layout) {
    if (bitmap == nullptr || size < kDibHeaderSize) return false;
    if (!dibLayout(bitmap, layout)) return false;
    if (layout.compression != kDibRgb) return false;
    if (layout.bitCount != 8 && layout.bitCount != 24) return false;
    if (layout.bitCount == 8 && layout.paletteEntries == 0) return false;
    return layout.totalSize <= size;
}

} // namespace

std::string exportErrorText(const ExportResult& result) {
    std::string text;
    switch (result.status) {
    case ExportStatus::Ok:
        return "no error";
    case ExportStatus::CreateFailed:
        text = "cannot create the file";
        break;
    case ExportStatus::WriteFailed:
        text = "cannot write the file";
        break;
    case ExportStatus::BadImage:
        return "not an image the writer takes";
    case ExportStatus::TooLarge:
        return "image too large for the file format";
    case ExportStatus::LibraryFailed:
        return "the image library could not write the file";
    }
    if (result.systemError != 0) text += std::string(": ") + std::strerror(result.systemError);
    return text;
}

bool PixelView::valid() const {
    if (bytes == nullptr || width <= 0 || height <= 0 || (samples != 1 && samples != 3))
        return false;
    const uint64_t expected = uint64_t(width) * uint64_t(height) * uint64_t(samples);
    return expected == size;
}

bool GetPackedPixels(const uint8_t* bitmap, size_t size, PackedPixels& pixels) {
    DibLayout layout;
    if (!exportLayout(bitmap, size, layout)) return false;
    const size_t width = static_cast<size_t>(layout.width);
    const size_t height = static_cast<size_t>(layout.height);
    const uint8_t* rows = bitmap + layout.pixelOffset;
    pixels.width = layout.width;
    pixels.height = layout.height;
    if (layout.bitCount == 24) {
        pixels.samples = 3;
        pixels.bytes.resize(3 * width * height);
        uint8_t* out = pixels.bytes.data();
        for (size_t y = 0; y < height; ++y) {
            const uint8_t* in = rows + (height - 1 - y) * layout.stride;
            for (size_t x = 0; x < width; ++x, in += 3, out += 3) {
                out[0] = in[2];
                out[1] = in[1];
                out[2] = in[0];
            }
        }
        return true;
    }
    const uint8_t* table = bitmap + kDibHeaderSize;
    const uint32_t entries = layout.paletteEntries;
    bool grey = true;
    for (uint32_t i = 0; i < entries && grey; ++i) {
        const uint8_t* e = table + 4 * i;
        grey = e[0] == e[1] && e[1] == e[2];
    }
    if (grey) {
        pixels.samples = 1;
        pixels.bytes.resize(width * height);
        for (size_t y = 0; y < height; ++y)
            std::memcpy(pixels.bytes.data() + y * width, rows + (height - 1 - y) * layout.stride,
                        width);
        return true;
    }
    pixels.samples = 3;
    pixels.bytes.resize(3 * width * height);
    uint8_t* out = pixels.bytes.data();
    for (size_t y = 0; y < height; ++y) {
        const uint8_t* in = rows + (height - 1 - y) * layout.stride;
        for (size_t x = 0; x < width; ++x, out += 3) {
            const uint32_t index = in[x] < entries ? in[x] : entries - 1;
            const uint8_t* e = table + 4 * index;
            out[0] = e[2];
            out[1] = e[1];
            out[2] = e[0];
        }
    }
    return true;
}

std::vector<uint8_t> makeExportBitmap(const PixelView& pixels) {
    if (!pixels.valid()) return {};
    const int bitCount = pixels.samples == 3 ? 24 : 8;
    const size_t stride = dibStride(pixels.width, bitCount);
    const uint32_t entries = bitCount == 8 ? kGreyTableEntries : 0;
    const size_t offset = kDibHeaderSize + 4 * size_t(entries);
    if (stride == 0 || uint64_t(pixels.width) * uint64_t(pixels.height) > kImglibMaxPixels)
        return {};
    std::vector<uint8_t> bitmap(offset + stride * size_t(pixels.height), 0);
    DibHeader header;
    header.width = pixels.width;
    header.height = pixels.height;
    header.bitCount = static_cast<uint16_t>(bitCount);
    header.sizeImage = static_cast<uint32_t>(stride * size_t(pixels.height));
    header.clrUsed = entries;
    writeDibHeader(bitmap.data(), header);
    for (uint32_t i = 0; i < entries; ++i) {
        uint8_t* e = bitmap.data() + kDibHeaderSize + 4 * i;
        e[0] = e[1] = e[2] = static_cast<uint8_t>(i);
    }
    const size_t width = size_t(pixels.width);
    const size_t height = size_t(pixels.height);
    uint8_t* rows = bitmap.data() + offset;
    for (size_t y = 0; y < height; ++y) {
        uint8_t* out = rows + (height - 1 - y) * stride;
        if (bitCount == 8) {
            std::memcpy(out, pixels.bytes + y * width, width);
            continue;
        }
        const uint8_t* in = pixels.bytes + 3 * y * width;
        for (size_t x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
    }
    return bitmap;
}

std::vector<uint8_t> tiffHeader(int32_t width, int32_t height, int samples) {
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return {};
    if (samples != 1 && samples != 3) return {};
    const uint64_t byteCount = uint64_t(width) * uint64_t(height) * uint64_t(samples);
    if (byteCount > 0xFFFFFFFFu) return {};
    const uint32_t entries = samples == 3 ? 14 : 13;
    const uint32_t bitsOffset = 14 + 12 * entries; // just past the directory
    const uint32_t pixelOffset = bitsOffset + (samples == 3 ? 6 : 0);
    std::vector<uint8_t> h(pixelOffset, 0);
    h[0] = 'I';
    h[1] = 'I';
    put16(&h[2], 42);
    put32(&h[4], 8);
    put16(&h[8], entries);
    uint8_t* e = &h[10];
    auto entry = [&e](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        put16(e, tag);
        put16(e + 2, type);
        put32(e + 4, count);
        // A SHORT value sits in the first two bytes; the other two stay zero.
        if (type == 3 && count == 1)
            put16(e + 8, value);
        else
            put32(e + 8, value);
        e += 12;
    };
    constexpr uint16_t kShort = 3, kLong = 4;
    const uint32_t w = uint32_t(width), hgt = uint32_t(height), s = uint32_t(samples);
    entry(254, kLong, 1, 0);                                // NewSubfileType
    entry(256, kShort, 1, w);                               // ImageWidth
    entry(257, kShort, 1, hgt);                             // ImageLength
    entry(258, kShort, s, samples == 3 ? bitsOffset : 8);   // BitsPerSample
    entry(259, kShort, 1, 1);                               // Compression: none
    entry(262, kShort, 1, samples == 3 ? 2 : 1);            // Photometric: RGB / black is zero
    entry(273, kShort, 1, pixelOffset);                     // StripOffsets
    entry(277, kShort, 1, s);                               // SamplesPerPixel
    entry(278, kShort, 1, hgt);                             // RowsPerStrip: one strip
    entry(279, kLong, 1, static_cast<uint32_t>(byteCount)); // StripByteCounts
    entry(282, kShort, 1, w);                               // XResolution
    entry(283, kShort, 1, hgt);                             // YResolution
    if (samples == 3) entry(284, kShort, 1, 1);             // PlanarConfiguration: chunky
    entry(296, kShort, 1, 1);                               // ResolutionUnit: none
    // Four zero bytes follow the directory: no further directory.
    if (samples == 3) {
        put16(&h[bitsOffset], 8);
        put16(&h[bitsOffset + 2], 8);
        put16(&h[bitsOffset + 4], 8);
    }
    return h;
}

std::vector<uint8_t> bmpFileHeader(const uint8_t* bitmap, size_t size) {
    DibLayout layout;
    if (!exportLayout(bitmap, size, layout)) return {};
    const uint64_t total = kBmpFileHeaderSize + uint64_t(layout.totalSize);
    if (total > 0xFFFFFFFFu) return {};
    std::vector<uint8_t> h(kBmpFileHeaderSize, 0);
    h[0] = 'B';
    h[1] = 'M';
    put32(&h[2], static_cast<uint32_t>(total));
    put32(&h[10], static_cast<uint32_t>(kBmpFileHeaderSize + layout.pixelOffset));
    return h;
}

ExportResult writeTiffImage(const char* path, const PixelView& pixels) {
    if (!pixels.valid()) return failed(ExportStatus::BadImage);
    const std::vector<uint8_t> header = tiffHeader(pixels.width, pixels.height, pixels.samples);
    if (header.empty()) return failed(ExportStatus::TooLarge);
    return writeParts(path, {{header.data(), header.size()}, {pixels.bytes, pixels.size}});
}

ExportResult writeRawImage(const char* path, const PixelView& pixels) {
    if (!pixels.valid()) return failed(ExportStatus::BadImage);
    return writeParts(path, {{pixels.bytes, pixels.size}});
}

ExportResult writeBmpBitmap(const char* path, const uint8_t* bitmap, size_t size) {
    DibLayout layout;
    if (!exportLayout(bitmap, size, layout)) return failed(ExportStatus::BadImage);
    const std::vector<uint8_t> header = bmpFileHeader(bitmap, size);
    if (header.empty()) return failed(ExportStatus::TooLarge);
    // The bitmap goes out unchanged: an 8-bit one keeps its colour table.
    return writeParts(path, {{header.data(), header.size()}, {bitmap, layout.totalSize}});
}

ExportResult writeTiffBitmap(const char* path, const uint8_t* bitmap, size_t size) {
    PackedPixels pixels;
    if (!GetPackedPixels(bitmap, size, pixels)) return failed(ExportStatus::BadImage);
    return writeTiffImage(path, pixels.view());
}

ExportResult writeRawBitmap(const char* path, const uint8_t* bitmap, size_t size) {
    PackedPixels pixels;
    if (!GetPackedPixels(bitmap, size, pixels)) return failed(ExportStatus::BadImage);
    return writeRawImage(path, pixels.view());
}

ExportResult writeLibraryBitmap(const char* path, const uint8_t* bitmap, size_t size,
                                int jpegQuality) {
    DibLayout layout;
    if (!exportLayout(bitmap, size, layout)) return failed(ExportStatus::BadImage);
    if (path == nullptr || path[0] == '\0') return failed(ExportStatus::CreateFailed);
    // imglib picks the format by the extension, so the temporary name keeps it.
    const std::string target(path);
    const size_t slash = target.rfind('/');
    const size_t dot = target.rfind('.');
    const std::string extension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash) ? target.substr(dot) : "";
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string pattern = folder + ".export.XXXXXX" + extension;
    const int fd = ::mkstemps(pattern.data(), static_cast<int>(extension.size()));
    if (fd < 0) {
        ExportResult result = failed(ExportStatus::CreateFailed);
        result.systemError = errno;
        return result;
    }
    ::close(fd);
    if (!Imglib_WriteFile(pattern.c_str(), bitmap, jpegQuality)) {
        ::unlink(pattern.c_str());
        return failed(ExportStatus::LibraryFailed);
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(pattern.c_str(), 0666 & ~mask);
    if (::rename(pattern.c_str(), path) != 0) {
        ExportResult result = failed(ExportStatus::WriteFailed);
        result.systemError = errno;
        ::unlink(pattern.c_str());
        return result;
    }
    return {};
}

ExportResult writeExportBitmap(ExportFormat format, const char* path, const uint8_t* bitmap, size_t size,
                               int jpegQuality) {
    switch (format) {
    case ExportFormat::Tiff: return writeTiffBitmap(path, bitmap, size);
    case ExportFormat::Bmp: return writeBmpBitmap(path, bitmap, size);
    case ExportFormat::Raw: return writeRawBitmap(path, bitmap, size);
    case ExportFormat::Jpeg: return writeLibraryBitmap(path, bitmap, size, jpegQuality);
    }
    return failed(ExportStatus::BadImage);
}

} // namespace veltor
