// TIFF through libtiff, with per-handle error handlers (errors are reported by
// return values, never printed) and a cap on single allocations.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/types.h>

#include <tiffio.h>

#include "imglib/imglib_internal.h"

namespace veltor::imglib {

namespace {

int silentHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

// Errors are not printed; they are counted for the handle they belong to.
int countingHandler(TIFF*, void* errors, const char*, const char*, va_list) {
    if (errors != nullptr)
        ++*static_cast<int*>(errors);
    return 1;
}

TIFF* openTiff(const char* path, const char* mode, int* errors) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(options, countingHandler, errors);
    TIFFOpenOptionsSetWarningHandlerExtR(options, silentHandler, nullptr);
    // One strip, tile or tag array never needs more than a budget-sized RGBA
    // image; a header claiming more is refused by libtiff itself.
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kImglibMaxPixels * 4));
    TIFF* tiff = TIFFOpenExt(path, mode, options);
    TIFFOpenOptionsFree(options);
    return tiff;
}

bool readAt(FILE* file, uint64_t offset, uint8_t* out, size_t n) {
    return offset <= uint64_t(INT64_MAX) && fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0 &&
        std::fread(out, 1, n, file) == n;
}

uint64_t wordAt(const uint8_t* p, int bytes, bool bigEndian) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= uint64_t(p[bigEndian ? bytes - 1 - i : i]) << (8 * i);
    return v;
}

// Walks the chain of image file directories (classic and BigTIFF) without
// reading them. A chain that comes back to a directory it has passed is a
// corrupt file and is refused; libtiff would only cut it short with a warning.
// A link past the end of the file simply ends the chain, as it does for libtiff.
bool directoryChainEnds(FILE* file, uint64_t fileBytes) {
    constexpr int kMaxDirectories = 1024;
    uint8_t header[16];
    if (!readAt(file, 0, header, 8))
        return false;
    const bool big = header[0] == 'M';
    const bool bigTiff = wordAt(header + 2, 2, big) == 43;
    if (bigTiff && !readAt(file, 0, header, 16))
        return false;
    const int offsetBytes = bigTiff ? 8 : 4;
    const int countBytes = bigTiff ? 8 : 2;
    const uint64_t entryBytes = bigTiff ? 20 : 12;
    uint64_t next = bigTiff ? wordAt(header + 8, 8, big) : wordAt(header + 4, 4, big);
    uint64_t visited[kMaxDirectories];
    for (int n = 0; next != 0 && next < fileBytes; ++n) {
        if (n == kMaxDirectories)
            return false;
        for (int i = 0; i < n; ++i)
            if (visited[i] == next)
                return false;
        visited[n] = next;
        uint8_t word[8];
        if (!readAt(file, next, word, size_t(countBytes)))
            return true;
        const uint64_t count = wordAt(word, countBytes, big);
        if (count > fileBytes / entryBytes)
            return true; // libtiff refuses this directory itself
        if (!readAt(file, next + uint64_t(countBytes) + count * entryBytes, word, size_t(offsetBytes)))
            return true;
        next = wordAt(word, offsetBytes, big);
    }
    return true;
}

// 8-bit single-sample grey in strips: read as it is stored, so that grey
// images come back as grey bitmaps.
uint8_t* readGreyScanlines(TIFF* tiff, uint32_t width, uint32_t height, bool minIsWhite) {
    if (TIFFScanlineSize64(tiff) < width)
        return nullptr;
    uint8_t* bitmap = allocateGreyOrRgb(static_cast<int32_t>(width), static_cast<int32_t>(height), true);
    auto* line = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(TIFFScanlineSize64(tiff))));
    if (bitmap == nullptr || line == nullptr) {
        Imglib_FreeBitmap(bitmap);
        std::free(line);
        return nullptr;
    }
    DibLayout layout;
    dibLayout(bitmap, layout);
    for (uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tiff, line, y, 0) < 0) {
            Imglib_FreeBitmap(bitmap);
            std::free(line);
            return nullptr;
        }
        uint8_t* row = bitmap + layout.pixelOffset + size_t(height - 1 - y) * layout.stride;
        for (uint32_t x = 0; x < width; ++x)
            row[x] = minIsWhite ? uint8_t(255 - line[x]) : line[x];
    }
    std::free(line);
    return bitmap;
}

// Every other kind through libtiff's RGBA reader, which already delivers the
// rows bottom-up.
uint8_t* readRgba(TIFF* tiff, uint32_t width, uint32_t height) {
    uint8_t* bitmap = allocateGreyOrRgb(static_cast<int32_t>(width), static_cast<int32_t>(height), false);
    auto* raster = static_cast<uint32_t*>(std::malloc(size_t(width) * height * sizeof(uint32_t)));
    if (bitmap == nullptr || raster == nullptr ||
        !TIFFReadRGBAImageOriented(tiff, width, height, raster, ORIENTATION_BOTLEFT, 1)) {
        Imglib_FreeBitmap(bitmap);
        std::free(raster);
        return nullptr;
    }
    DibLayout layout;
    dibLayout(bitmap, layout);
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t* in = raster + size_t(y) * width;
        uint8_t* out = bitmap + layout.pixelOffset + size_t(y) * layout.stride;
        for (uint32_t x = 0; x < width; ++x, out += 3) {
            out[0] = uint8_t(TIFFGetB(in[x]));
            out[1] = uint8_t(TIFFGetG(in[x]));
            out[2] = uint8_t(TIFFGetR(in[x]));
        }
    }
    std::free(raster);
    return bitmap;
}

} // namespace

uint8_t* readTiff(const char* path, FILE* file) {
    const uint64_t fileBytes = fileSizeOf(file);
    if (!directoryChainEnds(file, fileBytes))
        return nullptr;
    // "m": read, not memory-map, so that a file changed under us cannot fault.
    int errors = 0;
    TIFF* tiff = openTiff(path, "rm", &errors);
    if (tiff == nullptr)
        return nullptr;

    uint32_t width = 0, height = 0;
    uint16_t samples = 1, bits = 1, photometric = 0, planar = PLANARCONFIG_CONTIG;
    uint8_t* bitmap = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) && TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) &&
        withinPixelBudget(width, height, fileBytes)) {
        TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
        TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
        const bool hasPhotometric = TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) != 0;
        const bool greyKind = hasPhotometric &&
            (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE);
        if (greyKind && samples == 1 && bits == 8 && !TIFFIsTiled(tiff))
            bitmap = readGreyScanlines(tiff, width, height, photometric == PHOTOMETRIC_MINISWHITE);
        else
            bitmap = readRgba(tiff, width, height);
    }
    TIFFClose(tiff);
    if (errors != 0) {
        // Anything libtiff reported while reading spoils the image.
        Imglib_FreeBitmap(bitmap);
        return nullptr;
    }
    return bitmap;
}

bool writeTiff(const char* path, const DibRows& rows) {
    TIFF* tiff = openTiff(path, "w", nullptr);
    if (tiff == nullptr)
        return false;
    const DibLayout& layout = rows.layout();
    const bool grey = rows.isGreyRamp();
    const uint16_t samples = grey ? 1 : 3;
    const auto width = static_cast<uint32_t>(layout.width);
    const auto height = static_cast<uint32_t>(layout.height);
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width) && TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height) &&
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples) && TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8) &&
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, grey ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB) &&
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE) &&
        TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    auto* line = static_cast<uint8_t*>(std::malloc(size_t(width) * samples));
    ok = ok && line != nullptr;
    for (uint32_t y = 0; ok && y < height; ++y) {
        if (grey)
            rows.greyRow(static_cast<int32_t>(y), line);
        else
            rows.rgbRow(static_cast<int32_t>(y), line);
        ok = TIFFWriteScanline(tiff, line, y, 0) >= 0;
    }
    std::free(line);
    ok = ok && TIFFWriteDirectory(tiff);
    TIFFClose(tiff);
    return ok;
}

} // namespace veltor::imglib
