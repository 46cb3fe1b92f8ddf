#include "dicom/jpeg_lossy_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace veltor {

namespace detail {

namespace libjpeg8 {
#include "dicom/jpeg_lossy_library.inc"
} // namespace libjpeg8

FrameDecodeStatus decodeJpeg8(std::span<const uint8_t> fragment, const FrameGeometry& expected,
                              std::span<uint8_t> frame) {
    return libjpeg8::decodeWithLibjpeg(fragment, expected, frame);
}

} // namespace detail

FrameDecodeStatus decodeJpegFrame(std::span<const uint8_t> fragment, const FrameGeometry& expected,
                                  std::span<uint8_t> frame) {
    if (expected.bitsStored == 8) return detail::decodeJpeg8(fragment, expected, frame);
    if (expected.bitsStored == 12) return detail::decodeJpeg12(fragment, expected, frame);
    FrameDecodeStatus status;
    status.error = DicomError::UnsupportedDicom;
    status.complete = false;
    status.message = "Lossy JPEG with " + std::to_string(expected.bitsStored) +
                     " bits stored is not supported (8 or 12)";
    return status;
}

} // namespace veltor
