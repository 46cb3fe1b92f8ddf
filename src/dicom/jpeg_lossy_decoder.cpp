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

// ---------------------------------------------------------------------------
// The lossy JPEG codec of the DICOM reader. The library build follows the
// stream's own sample precision (8 or 12 bits), so every bits-stored value
// from 1 to 12 decodes; samples come out in the bytes the image allocates.

namespace {

// The sample precision of the stream's frame header; 0 when none is found.
int jpegPrecision(std::span<const uint8_t> s) {
    size_t i = 2;
    while (i + 4 < s.size()) {
        if (s[i] != 0xFF) {
            ++i;
            continue;
        }
        const uint8_t marker = s[i + 1];
        if (marker == 0xFF || marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            ++i;
            continue;
        }
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
            return i + 4 < s.size() ? s[i + 4] : 0;
        if (marker == 0xD9 || marker == 0xDA) return 0;
        const size_t length = (size_t{s[i + 2]} << 8) | s[i + 3];
        i += 2 + length;
    }
    return 0;
}

class LossyJpegFrameDecoder final : public FrameDecoder {
  public:
    const char* name() const override { return "JPEG LOSSY"; }

    FrameDecodeStatus checkImage(const FrameGeometry& g, const char*) const override {
        if (g.bitsStored < 1 || g.bitsStored > 12 || g.bitsAllocated > 16)
            return frameRefusal(DicomError::UnsupportedDicom,
                                "Lossy JPEG with " + std::to_string(g.bitsStored) +
                                    " bits stored is not supported (1 to 12)");
        if (g.samplesPerPixel != 1 && g.samplesPerPixel != 3)
            return frameRefusal(DicomError::UnsupportedDicom,
                                "Lossy JPEG with " + std::to_string(g.samplesPerPixel) + " samples per pixel is not supported");
        return {};
    }

    FrameDecodeStatus checkFrame(std::span<const uint8_t> stream, const FrameGeometry& g) const override {
        const int precision = jpegPrecision(stream);
        if (precision != 8 && precision != 12)
            return frameRefusal(DicomError::CorruptedDicom,
                                precision == 0 ? std::string("no JPEG frame header in the frame")
                                               : "JPEG sample precision " + std::to_string(precision) +
                                                     " is not supported (8 or 12)");
        if (precision == 12 && decodedSampleBytes(g.bitsAllocated) == 1)
            return frameRefusal(DicomError::CorruptedDicom, "12-bit JPEG data in an image of 8 bits allocated");
        FrameGeometry library = g;
        library.bitsStored = static_cast<uint32_t>(precision);
        return precision == 8 ? detail::checkJpeg8(stream, library) : detail::checkJpeg12(stream, library);
    }

    FrameDecodeStatus decodeFrame(std::span<const uint8_t> stream, const FrameGeometry& g,
                                  std::span<uint8_t> frame) const override {
        const int precision = jpegPrecision(stream);
        FrameGeometry library = g;
        library.bitsStored = static_cast<uint32_t>(precision);
        FrameDecodeStatus status;
        if (precision == 12) {
            if (decodedSampleBytes(g.bitsAllocated) != 2)
                return frameRefusal(DicomError::CorruptedDicom, "12-bit JPEG data in an image of 8 bits allocated");
            status = detail::decodeJpeg12(stream, library, frame);
        } else if (precision == 8) {
            if (decodedSampleBytes(g.bitsAllocated) == 1) {
                status = detail::decodeJpeg8(stream, library, frame);
            } else {
                // 8-bit samples in 16 bits allocated: widened.
                std::vector<uint8_t> bytes(frame.size() / 2);
                status = detail::decodeJpeg8(stream, library, bytes);
                for (size_t i = 0; i < bytes.size(); ++i) {
                    frame[2 * i] = bytes[i];
                    frame[2 * i + 1] = 0;
                }
            }
        } else {
            return frameRefusal(DicomError::CorruptedDicom, "no JPEG frame header in the frame");
        }
        // A library error part-way keeps the rows decoded before it.
        if (!status.ok()) {
            status.error = DicomError::NoError;
            status.complete = false;
        }
        return status;
    }

    DecodedColour colour(const char*) const override { return DecodedColour::Rgb; }

    // Complete means every row of the checked size was read out.
    bool writesWholeFrames() const override { return true; }

    bool startsFrame(std::span<const uint8_t> fragment) const override {
        return fragment.size() >= 2 && fragment[0] == 0xFF && fragment[1] == 0xD8;
    }
};

} // namespace

const FrameDecoder& lossyJpegFrameDecoder() {
    static const LossyJpegFrameDecoder decoder;
    return decoder;
}

} // namespace veltor
