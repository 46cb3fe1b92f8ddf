// What the compressed-frame decoders (RLE, lossless JPEG, lossy JPEG) share:
// the geometry a frame must have according to the DICOM image attributes, and
// the outcome of decoding one fragment.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "dicom/dicom_error.h"

namespace veltor {

// The image attributes a decoded frame has to agree with. The decoders compare
// a compressed stream's own header against these before writing any sample,
// so a fragment can never describe a larger image than the caller allocated.
struct FrameGeometry {
    uint32_t rows = 0;
    uint32_t columns = 0;
    uint32_t samplesPerPixel = 1;
    uint32_t bitsAllocated = 8;
    uint32_t bitsStored = 8;
};

// Outcome of decoding one frame. `error` is NoError on success; otherwise
// `message` says what was wrong with the fragment. `complete` is false when the
// data ran out (or the stream held no scan) and part of the frame was left
// zero: callers that accept partially decoded frames can still use the buffer.
struct FrameDecodeStatus {
    DicomError error = DicomError::NoError;
    bool complete = true;
    std::string message;

    bool ok() const { return error == DicomError::NoError; }
};

} // namespace veltor
