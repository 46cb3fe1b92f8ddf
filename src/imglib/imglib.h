// imglib: reads common raster files (JPEG, PNG, TIFF, BMP) into packed
// device-independent bitmaps and writes such bitmaps to JPEG, PNG, TIFF or BMP
// files. Its own library with no dependency on the rest of the system, so that
// the DICOM layer can ask it first whether a file is a raster image.
//
// A packed DIB is one memory block: a 40-byte BITMAPINFOHEADER (little-endian),
// the colour table as 4-byte B, G, R, 0 entries (biClrUsed entries, or
// 2^biBitCount when biClrUsed is 0, for 1, 4 and 8 bits per pixel; none for 16,
// 24 and 32), then the pixel rows bottom-up, each padded to a multiple of 4
// bytes. A compressed bitmap (biCompression other than 0) carries biSizeImage
// bytes of compressed data instead of the rows.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veltor {

constexpr uint32_t kDibHeaderSize = 40;
constexpr int kImglibDefaultJpegQuality = 75;
// Images are refused before decoding when width x height exceeds this budget
// (about 16384 x 16384); it bounds the memory a hostile header can ask for.
constexpr uint64_t kImglibMaxPixels = uint64_t(1) << 28;

// biCompression values.
constexpr uint32_t kDibRgb = 0;
constexpr uint32_t kDibRle8 = 1;
constexpr uint32_t kDibRle4 = 2;

// The fields of a BITMAPINFOHEADER.
struct DibHeader {
    int32_t width = 0;
    int32_t height = 0; // positive: rows stored bottom-up
    uint16_t planes = 1;
    uint16_t bitCount = 0;
    uint32_t compression = kDibRgb;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t clrUsed = 0;
    uint32_t clrImportant = 0;
};

// Reads / writes the 40 header bytes at `bitmap` (no alignment needed).
DibHeader readDibHeader(const uint8_t* bitmap);
void writeDibHeader(uint8_t* bitmap, const DibHeader& header);

// Bytes of one row of `width` pixels at `bitCount` bits, padded to 4 bytes;
// 0 when the row cannot be held (overflow, width <= 0, bad depth).
size_t dibStride(int64_t width, int bitCount);
// Colour table entries: clrUsed, or 2^bitCount when 0, for depths up to 8
// (capped at 2^bitCount); 0 for 16, 24 and 32 bits.
uint32_t dibPaletteEntries(int bitCount, uint32_t clrUsed);

// Where everything lies in a packed DIB, derived from its header.
struct DibLayout {
    int32_t width = 0;
    int32_t height = 0; // always positive
    int bitCount = 0;
    uint32_t compression = kDibRgb;
    uint32_t paletteEntries = 0;
    size_t stride = 0;       // bytes per stored row (uncompressed bitmaps)
    size_t pixelOffset = 0;  // header + colour table
    size_t pixelBytes = 0;   // stride x height, or biSizeImage when compressed
    size_t totalSize = 0;    // pixelOffset + pixelBytes
};

// The layout of the bitmap whose header is at `bitmap`. False when the header
// cannot describe a bottom-up packed DIB: a size other than 40, a depth other
// than 1, 4, 8, 16, 24 or 32, a width or height of 0 or below, more pixels than
// kImglibMaxPixels.
bool dibLayout(const uint8_t* bitmap, DibLayout& layout);

// A zero-filled packed DIB of the given geometry with its header filled in
// (biClrUsed = paletteEntries); null when the geometry is refused as by
// dibLayout or memory runs out. Free it with Imglib_FreeBitmap.
uint8_t* Imglib_AllocateBitmap(int32_t width, int32_t height, int bitCount, uint32_t paletteEntries);

// Reads a JPEG, PNG, TIFF or BMP file into a newly allocated packed DIB. Null
// when the file is not an image the library reads: a DICOM file (even one whose
// preamble holds a raster header), a text file, a truncated or corrupt image,
// an image beyond the pixel budget, anything but a regular file. The format is
// recognised by its leading bytes, so other files are refused without decoding.
// BMP files come back as the DIB they hold (any depth, RLE data left
// compressed); the other formats come back as 8-bit grey or palette bitmaps or
// as 24-bit bitmaps.
uint8_t* Imglib_ReadFile(const char* path);

// Writes `bitmap` to `path` in the format its extension names, case-insensitive:
// ".jpg" / ".jpeg" JPEG at `jpegQuality` (1..100), ".png", ".tif" / ".tiff",
// ".bmp". Accepts uncompressed bitmaps of 8 bits with a colour table and of 16
// (5-5-5), 24 and 32 bits. An existing file is replaced; on failure no partial
// file is left. True when the file was written.
bool Imglib_WriteFile(const char* path, const uint8_t* bitmap, int jpegQuality = kImglibDefaultJpegQuality);

// Frees a bitmap returned by Imglib_ReadFile or Imglib_AllocateBitmap; null is
// allowed.
void Imglib_FreeBitmap(uint8_t* bitmap);

} // namespace veltor
