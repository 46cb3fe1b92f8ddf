// JPEG-LS lossless and near-lossless frames through CharLS (its C interface).
// Any interleave mode; samples of 2 to 8 bits come out in one byte, 9 to 16
// bits in two little-endian bytes, the components of a pixel side by side.
#include <charls/charls.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dicom/frame_decoder.h"

namespace veltor {

namespace {

struct DecoderDeleter {
    void operator()(charls_jpegls_decoder* d) const { charls_jpegls_decoder_destroy(d); }
};
using DecoderHandle = std::unique_ptr<charls_jpegls_decoder, DecoderDeleter>;

FrameDecodeStatus charlsRefusal(const char* what, charls_jpegls_errc code) {
    return frameRefusal(DicomError::CorruptedDicom,
                        std::string("JPEG-LS ") + what + ": " + charls_get_error_message(code));
}

bool startsWithSoi(std::span<const uint8_t> s) { return s.size() >= 2 && s[0] == 0xFF && s[1] == 0xD8; }

// Opens the stream and reads its header; checks it against the geometry.
FrameDecodeStatus openStream(std::span<const uint8_t> stream, const FrameGeometry& g, DecoderHandle& decoder,
                             charls_frame_info& info, charls_interleave_mode& mode) {
    if (!startsWithSoi(stream))
        return frameRefusal(DicomError::CorruptedDicom, "JPEG-LS frame does not start with SOI");
    // CharLS 2.4 spends many seconds on a stream that runs out of bytes in
    // the middle of its scan: a frame must end with its EOI marker (padding
    // zeros after it aside), which also refuses cut-off frames.
    size_t end = stream.size();
    while (end > 2 && stream[end - 1] == 0x00) --end;
    if (end < 4 || stream[end - 2] != 0xFF || stream[end - 1] != 0xD9)
        return frameRefusal(DicomError::CorruptedDicom, "JPEG-LS frame ends before its EOI marker");
    decoder.reset(charls_jpegls_decoder_create());
    if (!decoder) return frameRefusal(DicomError::OutOfMemory, "no memory for the JPEG-LS decoder");
    charls_jpegls_errc rc = charls_jpegls_decoder_set_source_buffer(decoder.get(), stream.data(), stream.size());
    if (rc != charls::jpegls_errc::success) return charlsRefusal("source", rc);
    rc = charls_jpegls_decoder_read_header(decoder.get());
    if (rc != charls::jpegls_errc::success) return charlsRefusal("header", rc);
    rc = charls_jpegls_decoder_get_frame_info(decoder.get(), &info);
    if (rc != charls::jpegls_errc::success) return charlsRefusal("header", rc);
    rc = charls_jpegls_decoder_get_interleave_mode(decoder.get(), &mode);
    if (rc != charls::jpegls_errc::success) return charlsRefusal("header", rc);
    const uint32_t sampleBytes = decodedSampleBytes(g.bitsAllocated);
    const uint32_t streamBytes = info.bits_per_sample <= 8 ? 1 : 2;
    if (info.width != g.columns || info.height != g.rows ||
        static_cast<uint32_t>(info.component_count) != g.samplesPerPixel || streamBytes > sampleBytes ||
        info.bits_per_sample < 2 || info.bits_per_sample > 16) {
        return frameRefusal(DicomError::CorruptedDicom,
                            "JPEG-LS image of " + std::to_string(info.width) + "x" + std::to_string(info.height) +
                                " pixels, " + std::to_string(info.component_count) + " components of " +
                                std::to_string(info.bits_per_sample) + " bits does not match the image (" +
                                std::to_string(g.columns) + "x" + std::to_string(g.rows) + ", " +
                                std::to_string(g.samplesPerPixel) + " samples of " +
                                std::to_string(g.bitsAllocated) + " bits)");
    }
    return {};
}

class JpegLsFrameDecoder final : public FrameDecoder {
  public:
    const char* name() const override { return "JPEG-LS"; }

    FrameDecodeStatus checkImage(const FrameGeometry& g, const char*) const override {
        if (g.bitsAllocated > 16 || g.bitsStored < 2 || g.bitsStored > 16)
            return frameRefusal(DicomError::UnsupportedDicom,
                                "JPEG-LS with " + std::to_string(g.bitsStored) + " bits stored in " +
                                    std::to_string(g.bitsAllocated) + " bits allocated is not supported");
        return {};
    }

    FrameDecodeStatus checkFrame(std::span<const uint8_t> stream, const FrameGeometry& g) const override {
        DecoderHandle decoder;
        charls_frame_info info{};
        charls_interleave_mode mode{};
        return openStream(stream, g, decoder, info, mode);
    }

    FrameDecodeStatus decodeFrame(std::span<const uint8_t> stream, const FrameGeometry& g,
                                  std::span<uint8_t> frame) const override {
        DecoderHandle decoder;
        charls_frame_info info{};
        charls_interleave_mode mode{};
        FrameDecodeStatus status = openStream(stream, g, decoder, info, mode);
        if (!status.ok()) return status;
        const size_t streamBytes = info.bits_per_sample <= 8 ? 1 : 2;
        const size_t pixels = size_t{info.width} * info.height;
        const size_t components = static_cast<size_t>(info.component_count);
        size_t size = 0;
        charls_jpegls_errc rc = charls_jpegls_decoder_get_destination_size(decoder.get(), 0, &size);
        if (rc != charls::jpegls_errc::success) return charlsRefusal("size", rc);
        const bool direct = streamBytes == decodedSampleBytes(g.bitsAllocated) &&
                            (components == 1 || mode != charls::interleave_mode::none) && size == frame.size();
        if (direct) {
            rc = charls_jpegls_decoder_decode_to_buffer(decoder.get(), frame.data(), frame.size(), 0);
            if (rc != charls::jpegls_errc::success) return charlsRefusal("data", rc);
            return status;
        }
        // Planes (interleave mode none) or 8-bit samples in 16 bits: decoded
        // aside, then put in place.
        std::vector<uint8_t> decoded(size);
        rc = charls_jpegls_decoder_decode_to_buffer(decoder.get(), decoded.data(), decoded.size(), 0);
        if (rc != charls::jpegls_errc::success) return charlsRefusal("data", rc);
        const size_t outBytes = decodedSampleBytes(g.bitsAllocated);
        const bool planar = components > 1 && mode == charls::interleave_mode::none;
        for (size_t p = 0; p < pixels; ++p) {
            for (size_t c = 0; c < components; ++c) {
                const size_t from = planar ? c * pixels + p : p * components + c;
                const uint16_t v = streamBytes == 1 ? decoded[from]
                                                    : static_cast<uint16_t>(decoded[2 * from] | (decoded[2 * from + 1] << 8));
                uint8_t* out = frame.data() + (p * components + c) * outBytes;
                out[0] = static_cast<uint8_t>(v);
                if (outBytes == 2) out[1] = static_cast<uint8_t>(v >> 8);
            }
        }
        return status;
    }

    bool startsFrame(std::span<const uint8_t> fragment) const override { return startsWithSoi(fragment); }
};

} // namespace

const FrameDecoder& jpegLsFrameDecoder() {
    static const JpegLsFrameDecoder decoder;
    return decoder;
}

} // namespace veltor
