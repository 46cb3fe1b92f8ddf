// Frame files: the own TIFF, BMP and raw layouts and the JPEG path through
// imglib. Every writer starts either from an export bitmap (a packed DIB: the
// display bitmap of a frame, or one with overlays drawn in) or from packed
// pixel bytes (rows top to bottom, no padding, one grey byte or R, G, B per
// pixel), which is also the form of a frame converted straight from a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace veltor {

enum class ExportFormat { Tiff, Jpeg, Bmp, Raw };

// The messages the export commands show (trailing blanks none).
inline constexpr char kFileCreationError[] = "File creation error";
inline constexpr char kJpegWriteError[] = "Error during JPEG Image writing";
inline constexpr char kBmpWriteError[] = "Error during BMP Image writing";
inline constexpr char kRawWriteError[] = "Error during Raw Image writing";

enum class ExportStatus {
    Ok,
    CreateFailed,  // the file could not be created; nothing was written
    WriteFailed,   // writing failed part-way; the partial file was removed
    BadImage,      // the bitmap or pixels are not a form the writers take
    TooLarge,      // the image does not fit the layout's 16- or 32-bit fields
    LibraryFailed, // imglib did not write the file
};

struct ExportResult {
    ExportStatus status = ExportStatus::Ok;
    int systemError = 0; // errno of a failed create or write, else 0
    bool ok() const { return status == ExportStatus::Ok; }
};

// A short English description for logs and the command line, with the
// system's reason when there is one ("cannot create the file: Permission
// denied").
std::string exportErrorText(const ExportResult& result);

// Packed pixel bytes of one image held elsewhere: samples x width x height
// bytes at `bytes`.
struct PixelView {
    int32_t width = 0;
    int32_t height = 0;
    int samples = 1; // 1: grey (or stored index), 3: red, green, blue
    const uint8_t* bytes = nullptr;
    size_t size = 0;

    // Positive geometry, 1 or 3 samples, and exactly the bytes it needs.
    bool valid() const;
};

// Packed pixel bytes of one image, owned.
struct PackedPixels {
    int32_t width = 0;
    int32_t height = 0;
    int samples = 1;
    std::vector<uint8_t> bytes;

    PixelView view() const { return {width, height, samples, bytes.data(), bytes.size()}; }
    bool valid() const { return view().valid(); }
};

// The packed pixel bytes of an export bitmap of `size` bytes: a 24-bit bitmap
// gives R, G, B triplets; an 8-bit bitmap gives its stored indices when every
// colour table entry is grey, else the R, G, B of each index's entry (indices
// beyond a short table take its last entry). False for anything else: other
// depths, compressed or top-down bitmaps, a size shorter than the header says.
bool GetPackedPixels(const uint8_t* bitmap, size_t size, PackedPixels& pixels);

// An export bitmap holding `pixels`: 8 bits with a 256-entry grey table for
// one sample, 24 bits for three. Empty when `pixels` is not valid.
std::vector<uint8_t> makeExportBitmap(const PixelView& pixels);

// The bytes in front of the pixels in a TIFF file of this geometry: 170 for
// one sample, 188 for three (little-endian header, 13 or 14 directory
// entries, BitsPerSample values). Empty when the geometry does not fit the
// SHORT width and height or the LONG byte count, or samples is not 1 or 3.
std::vector<uint8_t> tiffHeader(int32_t width, int32_t height, int samples);

// The 14-byte BITMAPFILEHEADER for the export bitmap of `size` bytes (which
// must pass GetPackedPixels' checks); empty when it does not.
std::vector<uint8_t> bmpFileHeader(const uint8_t* bitmap, size_t size);

// Writers. Each creates `path` (an existing file is truncated and replaced),
// writes the whole file with one write, and leaves the file writable by its
// owner. A failed write removes the partial file.
ExportResult writeTiffImage(const char* path, const PixelView& pixels);
ExportResult writeRawImage(const char* path, const PixelView& pixels);
ExportResult writeBmpBitmap(const char* path, const uint8_t* bitmap, size_t size);
// TIFF and raw from an export bitmap, through GetPackedPixels.
ExportResult writeTiffBitmap(const char* path, const uint8_t* bitmap, size_t size);
ExportResult writeRawBitmap(const char* path, const uint8_t* bitmap, size_t size);
// Whatever imglib makes of the path's extension (JPEG for ".jpg"), at
// `jpegQuality` 1..100.
ExportResult writeLibraryBitmap(const char* path, const uint8_t* bitmap, size_t size,
                                int jpegQuality);
// The writer of `format`: own TIFF, BMP and raw layouts, JPEG through imglib.
ExportResult writeExportBitmap(ExportFormat format, const char* path, const uint8_t* bitmap, size_t size,
                               int jpegQuality);

} // namespace veltor
