// Helpers of the imglib tests: bitmaps built pixel by pixel, files written
// and read back in a private temporary folder.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "imglib/imglib.h"

namespace veltor::testing {

// Owns a bitmap from imglib.
struct Bitmap {
    uint8_t* p = nullptr;
    Bitmap() = default;
    explicit Bitmap(uint8_t* bitmap) : p(bitmap) {}
    ~Bitmap() { Imglib_FreeBitmap(p); }
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    Bitmap& operator=(uint8_t* bitmap) {
        Imglib_FreeBitmap(p);
        p = bitmap;
        return *this;
    }
    DibLayout layout() const {
        DibLayout l;
        dibLayout(p, l);
        return l;
    }
    DibHeader header() const { return readDibHeader(p); }
    // Pixel bytes of row y counted from the top.
    uint8_t* row(int32_t y) const {
        const DibLayout l = layout();
        return p + l.pixelOffset + size_t(l.height - 1 - y) * l.stride;
    }
    uint8_t* palette() const { return p + kDibHeaderSize; }
};

inline void setGreyRamp(uint8_t* bitmap) {
    for (int i = 0; i < 256; ++i) {
        uint8_t* e = bitmap + kDibHeaderSize + 4 * i;
        e[0] = e[1] = e[2] = uint8_t(i);
        e[3] = 0;
    }
}

// A grey bitmap whose pixels vary in both directions; odd widths give padded rows.
inline uint8_t* makeGrey(int32_t w, int32_t h) {
    uint8_t* b = Imglib_AllocateBitmap(w, h, 8, 256);
    if (b == nullptr)
        return nullptr;
    setGreyRamp(b);
    Bitmap view(b);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            view.row(y)[x] = uint8_t(x * 37 + y * 11);
    view.p = nullptr;
    return b;
}

// A 24-bit bitmap; `smooth` gives gradients that survive JPEG well.
inline uint8_t* makeRgb(int32_t w, int32_t h, bool smooth = false) {
    uint8_t* b = Imglib_AllocateBitmap(w, h, 24, 0);
    if (b == nullptr)
        return nullptr;
    Bitmap view(b);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* px = view.row(y) + 3 * x;
            if (smooth) {
                px[0] = uint8_t(x * 255 / w);
                px[1] = uint8_t(y * 255 / h);
                px[2] = uint8_t(128);
            } else {
                px[0] = uint8_t(x * 13 + y);
                px[1] = uint8_t(x * 7 + y * 29);
                px[2] = uint8_t(x + y * 3 + 100);
            }
        }
    view.p = nullptr;
    return b;
}

// A folder of its own per test process, removed at the end.
class TempDir {
  public:
    TempDir() {
        m_path = std::filesystem::temp_directory_path() / ("veltor_imglib_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

  private:
    std::filesystem::path m_path;
};

inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline void putLe16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
inline void putLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

} // namespace veltor::testing
