// What the compressed-frame decoders share: the geometry a frame must have
// according to the DICOM image attributes, the outcome of decoding one frame,
// and the one interface every codec implements (one source file per codec).
//
// A decoded frame is laid out the same way whatever the codec: rows top to
// bottom, the samples of a pixel next to each other, each sample in 1, 2, 4
// or 8 little-endian bytes (bits allocated up to 8, 16, 32, 64).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

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
    bool isSigned = false; // Pixel Representation 1
};

// Bytes one decoded sample takes: 1 up to 8 bits allocated, then 2, 4, 8.
constexpr uint32_t decodedSampleBytes(uint32_t bitsAllocated) {
    return bitsAllocated <= 8 ? 1 : bitsAllocated <= 16 ? 2 : bitsAllocated <= 32 ? 4 : 8;
}

// Bytes of one decoded frame (64-bit: checked by callers before allocating).
constexpr uint64_t decodedFrameBytes(const FrameGeometry& g) {
    return uint64_t{g.rows} * g.columns * g.samplesPerPixel * decodedSampleBytes(g.bitsAllocated);
}

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

inline FrameDecodeStatus frameRefusal(DicomError error, std::string message) {
    FrameDecodeStatus status;
    status.error = error;
    status.complete = false;
    status.message = std::move(message);
    return status;
}

// Colour as a decoder delivers three-sample frames.
enum class DecodedColour {
    AsStored, // the samples of the photometric interpretation (RGB, YBR_FULL)
    Rgb,      // converted to RGB by the codec (JPEG's YCbCr, JPEG 2000's component transforms)
};

// One codec. Implementations are stateless singletons; every call stands alone.
class FrameDecoder {
  public:
    virtual ~FrameDecoder() = default;

    // Short name used in messages and as the file's compression text.
    virtual const char* name() const = 0;
    // Whether this codec can deliver frames of these attributes at all; the
    // reason in the message when not (checked once, before any frame).
    virtual FrameDecodeStatus checkImage(const FrameGeometry& geometry, const char* photometric) const = 0;
    // Reads the stream's headers without decoding and checks them against the
    // geometry and against what the stream's size can describe. Run before the
    // frame's buffer is allocated.
    virtual FrameDecodeStatus checkFrame(std::span<const uint8_t> stream, const FrameGeometry& geometry) const = 0;
    // Decodes one frame into `frame`, which holds decodedFrameBytes(geometry).
    virtual FrameDecodeStatus decodeFrame(std::span<const uint8_t> stream, const FrameGeometry& geometry,
                                          std::span<uint8_t> frame) const = 0;
    // How three-sample frames come out for this photometric interpretation.
    virtual DecodedColour colour(const char* photometric) const {
        (void)photometric;
        return DecodedColour::AsStored;
    }
    // True when `fragment` begins a codestream of this codec (JPEG's SOI,
    // JPEG 2000's SOC or JP2 signature): where nothing else tells how the
    // fragments make frames, a frame starts at each such fragment.
    virtual bool startsFrame(std::span<const uint8_t> fragment) const {
        (void)fragment;
        return false;
    }
    // True when a frame decoded completely has had every byte of its buffer
    // written, so the buffer need not be cleared first (a large cine spends
    // a fifth of its time clearing otherwise). Incomplete frames are decoded
    // again over a cleared buffer, so their missing part stays zero.
    virtual bool writesWholeFrames() const { return false; }
};

// The codecs, one per source file.
const FrameDecoder& rleFrameDecoder();
const FrameDecoder& losslessJpegFrameDecoder();
const FrameDecoder& lossyJpegFrameDecoder();
const FrameDecoder& jpegLsFrameDecoder();
const FrameDecoder& jpeg2000FrameDecoder();

} // namespace veltor
