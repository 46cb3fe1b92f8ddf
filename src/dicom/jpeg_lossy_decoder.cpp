#include "dicom/jpeg_lossy_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace veltor {

namespace detail {

namespace libjpeg8 {
inline bool sequentialHuffman(const jpeg_decompress_struct& info) {
    return !info.progressive_mode && !info.arith_code;
}
#include "dicom/jpeg_lossy_library.inc"
} // namespace libjpeg8

FrameDecodeStatus decodeJpeg8(std::span<const uint8_t> fragment, const FrameGeometry& expected,
                              std::span<uint8_t> frame) {
    return libjpeg8::decodeWithLibjpeg(fragment, expected, frame);
}

FrameDecodeStatus checkJpeg8(std::span<const uint8_t> fragment, const FrameGeometry& expected) {
    return libjpeg8::checkWithLibjpeg(fragment, expected);
}

} // namespace detail

namespace {

FrameDecodeStatus unsupportedBits(uint32_t bitsStored) {
    FrameDecodeStatus status;
    status.error = DicomError::UnsupportedDicom;
    status.complete = false;
    status.message = "Lossy JPEG with " + std::to_string(bitsStored) +
                     " bits stored is not supported (8 or 12)";
    return status;
}

} // namespace

FrameDecodeStatus checkJpegFrame(std::span<const uint8_t> fragment, const FrameGeometry& expected) {
    if (expected.bitsStored == 8) return detail::checkJpeg8(fragment, expected);
    if (expected.bitsStored == 12) return detail::checkJpeg12(fragment, expected);
    return unsupportedBits(expected.bitsStored);
}

FrameDecodeStatus decodeJpegFrame(std::span<const uint8_t> fragment, const FrameGeometry& expected,
                                  std::span<uint8_t> frame) {
    if (expected.bitsStored == 8) return detail::decodeJpeg8(fragment, expected, frame);
    if (expected.bitsStored == 12) return detail::decodeJpeg12(fragment, expected, frame);
    return unsupportedBits(expected.bitsStored);
}

} // namespace veltor
