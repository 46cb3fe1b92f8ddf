#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "imglib/imglib_internal.h"
#include "imglib/jpeg_memory.h"

namespace veltor {

bool Imglib_EncodeJpeg(const uint8_t* bitmap, int quality, std::vector<uint8_t>& out) {
    out.clear();
    imglib::DibRows rows;
    if (bitmap == nullptr || !rows.attach(bitmap)) return false;
    quality = quality < 1 ? 1 : quality > 100 ? 100 : quality;
    char* buffer = nullptr;
    size_t size = 0;
    FILE* stream = ::open_memstream(&buffer, &size);
    if (stream == nullptr) return false;
    const bool written = imglib::writeJpeg(stream, rows, quality);
    const bool closed = std::fclose(stream) == 0;
    if (written && closed && buffer != nullptr) out.assign(buffer, buffer + size);
    std::free(buffer);
    return written && closed && !out.empty();
}

} // namespace veltor
