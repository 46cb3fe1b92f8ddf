// The 12-bit build of the libjpeg adapter. The IJG library built for 12-bit
// samples ships with GDCM under mangled function names but with the same type
// names as the 8-bit libjpeg, so its declarations are kept in a namespace of
// their own; its include directories are given to this file only.
#include "dicom/jpeg_lossy_decoder.h"

#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace veltor::detail {

namespace libjpeg12 {
extern "C" {
#include "jpeglib.h"
#include "jerror.h"
}
static_assert(BITS_IN_JSAMPLE == 12, "the 12-bit libjpeg headers must come first on the path");

inline bool sequentialHuffman(const jpeg_decompress_struct& info) {
    return info.process == JPROC_SEQUENTIAL && !info.arith_code;
}

#include "dicom/jpeg_lossy_library.inc"
} // namespace libjpeg12

FrameDecodeStatus decodeJpeg12(std::span<const uint8_t> fragment, const FrameGeometry& expected,
                               std::span<uint8_t> frame) {
    return libjpeg12::decodeWithLibjpeg(fragment, expected, frame);
}

FrameDecodeStatus checkJpeg12(std::span<const uint8_t> fragment, const FrameGeometry& expected) {
    return libjpeg12::checkWithLibjpeg(fragment, expected);
}

} // namespace veltor::detail
