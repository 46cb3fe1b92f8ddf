// Fuzzes the raster readers. The BMP reader runs straight on the bytes; then
// the bytes go through a file, as users' files do, to imglib's reader (which
// picks JPEG, PNG, TIFF or BMP by the leading bytes) and to the raster path of
// opening a file, which turns an accepted bitmap into a data set.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "dicom/dicom_file.h"
#include "imglib/imglib.h"
#include "imglib/imglib_internal.h"

namespace {

const std::string& scratchPath() {
    static const std::string path = "/tmp/fuzz_imglib_" + std::to_string(::getpid()) + ".img";
    return path;
}

// Every byte of a returned bitmap must be readable: a reader that claims more
// than it allocated shows up under AddressSanitizer here.
void touch(const uint8_t* bitmap) {
    veltor::DibLayout layout;
    if (!veltor::dibLayout(bitmap, layout))
        __builtin_trap(); // readers return only bitmaps their own layout accepts
    volatile uint8_t sum = 0;
    for (size_t i = 0; i < layout.totalSize; ++i)
        sum = uint8_t(sum + bitmap[i]);
    (void)sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (uint8_t* bmp = veltor::imglib::readBmpBytes(data, size)) {
        touch(bmp);
        veltor::Imglib_FreeBitmap(bmp);
    }

    FILE* file = std::fopen(scratchPath().c_str(), "wb");
    if (file == nullptr)
        return 0;
    const bool written = std::fwrite(data, 1, size, file) == size;
    std::fclose(file);
    if (!written)
        return 0;
    if (uint8_t* bitmap = veltor::Imglib_ReadFile(scratchPath().c_str())) {
        touch(bitmap);
        veltor::Imglib_FreeBitmap(bitmap);
    }
    veltor::DicomFile dicom;
    dicom.openFile(scratchPath().c_str(), false);
    for (int32_t n = 1; n <= dicom.frameCount(); ++n) {
        const uint8_t* frame = dicom.frameBuffer(n);
        if (frame != nullptr && dicom.frameBufferSize(n) > 0) {
            volatile uint8_t last = frame[dicom.frameBufferSize(n) - 1];
            (void)last;
        }
    }
    return 0;
}
