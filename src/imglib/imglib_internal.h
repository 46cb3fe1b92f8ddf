// Shared pieces of the format readers and writers of imglib.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "imglib/imglib.h"

namespace veltor::imglib {

inline uint16_t readLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t readLe32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline void writeLe16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void writeLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

// Reads the rows of an uncompressed packed DIB top row first, whatever its
// depth, so that every writer handles every depth the same way.
class DibRows {
  public:
    // False unless `bitmap` is an uncompressed DIB of 1, 4, 8, 16, 24 or 32 bits.
    bool attach(const uint8_t* bitmap);

    const DibLayout& layout() const { return m_layout; }
    const uint8_t* bitmap() const { return m_bitmap; }
    // An 8-bit (or lower) bitmap whose colour table is the full grey ramp:
    // written as grey, and read back the same.
    bool isGreyRamp() const;
    // The stored bytes of row y, counted from the top.
    const uint8_t* storedRow(int32_t y) const;
    // Row y as grey levels (only meaningful when isGreyRamp()).
    void greyRow(int32_t y, uint8_t* out) const;
    // Row y as R, G, B triplets. Colour indexes beyond the table take its last
    // entry, so a short table never leads past the bitmap.
    void rgbRow(int32_t y, uint8_t* out) const;

  private:
    uint32_t indexAt(const uint8_t* row, int32_t x) const;

    const uint8_t* m_bitmap = nullptr;
    const uint8_t* m_palette = nullptr;
    DibLayout m_layout;
};

// The pixel budget of a decoder: width x height within kImglibMaxPixels and
// within what a compressed file of `fileBytes` can plausibly expand to (no
// real codec reaches 8192 pixels per byte), so that a tiny file claiming a
// huge image is refused before anything is allocated for it.
bool withinPixelBudget(uint64_t width, uint64_t height, uint64_t fileBytes);
// The size of an open file; 0 when it cannot be told.
uint64_t fileSizeOf(FILE* file);

// Allocates a DIB for a decoder: 8-bit grey with the grey-ramp table, or 24-bit.
uint8_t* allocateGreyOrRgb(int32_t width, int32_t height, bool grey);

// Per-format readers; each returns null for anything it does not read whole.
uint8_t* readJpeg(FILE* file);
uint8_t* readPng(FILE* file);
uint8_t* readTiff(const char* path, FILE* file);
uint8_t* readBmp(FILE* file);
// The BMP reader over a file held in memory (also the fuzzing entry).
uint8_t* readBmpBytes(const uint8_t* data, size_t size);

// Per-format writers over a checked bitmap.
bool writeJpeg(FILE* file, const DibRows& rows, int quality);
bool writePng(FILE* file, const DibRows& rows);
bool writeTiff(const char* path, const DibRows& rows);
bool writeBmp(FILE* file, const DibRows& rows);

} // namespace veltor::imglib
