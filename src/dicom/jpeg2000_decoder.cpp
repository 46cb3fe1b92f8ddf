// JPEG 2000 (lossless and lossy) and High-Throughput JPEG 2000 frames through
// OpenJPEG, from memory: raw codestreams and codestreams wrapped in a JP2 box.
// The codestream's size, component count and precision are checked against
// the image attributes right after its header is read, before OpenJPEG sizes
// any sample buffer. Components come out interleaved, clamped to their
// precision, one byte per sample up to 8 bits allocated, else two; the
// inverse component transform (RCT/ICT) is applied by OpenJPEG, so YBR_RCT
// and YBR_ICT images come out as RGB.
#include <openjpeg.h>

#include <csetjmp>
#include <csignal>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "dicom/frame_decoder.h"

namespace veltor {

namespace {

// More tiles than this in one frame is not an image anyone wrote: each tile
// costs OpenJPEG bookkeeping before a single sample is decoded.
constexpr uint32_t kMaxTiles = 4096;

const uint8_t kJp2Signature[12] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};

bool isCodestream(std::span<const uint8_t> s) {
    return s.size() >= 4 && s[0] == 0xFF && s[1] == 0x4F && s[2] == 0xFF && s[3] == 0x51;
}
bool isJp2(std::span<const uint8_t> s) {
    return s.size() >= sizeof kJp2Signature && std::memcmp(s.data(), kJp2Signature, sizeof kJp2Signature) == 0;
}

// Where the codestream starts: 0, or inside a JP2 file its SOC.
size_t codestreamStart(std::span<const uint8_t> s) {
    if (!isJp2(s)) return 0;
    for (size_t i = sizeof kJp2Signature; i + 4 <= s.size(); ++i)
        if (isCodestream(s.subspan(i))) return i;
    return s.size();
}

uint32_t be32at(std::span<const uint8_t> s, size_t i) {
    return (uint32_t{s[i]} << 24) | (uint32_t{s[i + 1]} << 16) | (uint32_t{s[i + 2]} << 8) | s[i + 3];
}

// The image and tile grid of the SIZ segment, read before OpenJPEG is given
// the stream: a codestream whose size or tile count is not the image's is
// refused before the library sets up anything for it.
FrameDecodeStatus checkSiz(std::span<const uint8_t> s, const FrameGeometry& g, uint32_t maxTiles) {
    const size_t at = codestreamStart(s);
    // SOC, SIZ marker, Lsiz, Rsiz, then eight 32-bit numbers and Csiz.
    if (at + 4 + 2 + 2 + 32 + 2 > s.size() || !isCodestream(s.subspan(at)))
        return frameRefusal(DicomError::CorruptedDicom, "JPEG 2000 frame without an image and tile size segment");
    const size_t p = at + 4 + 2 + 2;
    const uint32_t xsiz = be32at(s, p), ysiz = be32at(s, p + 4), x0 = be32at(s, p + 8), y0 = be32at(s, p + 12);
    const uint32_t xt = be32at(s, p + 16), yt = be32at(s, p + 20), xt0 = be32at(s, p + 24), yt0 = be32at(s, p + 28);
    const uint32_t components = (uint32_t{s[p + 32]} << 8) | s[p + 33];
    if (xsiz <= x0 || ysiz <= y0 || xsiz - x0 != g.columns || ysiz - y0 != g.rows || components != g.samplesPerPixel)
        return frameRefusal(DicomError::CorruptedDicom,
                            "JPEG 2000 image of " + std::to_string(xsiz > x0 ? xsiz - x0 : 0) + "x" +
                                std::to_string(ysiz > y0 ? ysiz - y0 : 0) + " pixels with " +
                                std::to_string(components) + " components does not match the image (" +
                                std::to_string(g.columns) + "x" + std::to_string(g.rows) + ", " +
                                std::to_string(g.samplesPerPixel) + " samples)");
    if (xt == 0 || yt == 0 || xt0 > x0 || yt0 > y0)
        return frameRefusal(DicomError::CorruptedDicom, "JPEG 2000 frame with an impossible tile grid");
    const uint64_t tiles = ((uint64_t{xsiz} - xt0 + xt - 1) / xt) * ((uint64_t{ysiz} - yt0 + yt - 1) / yt);
    if (tiles > maxTiles)
        return frameRefusal(DicomError::CorruptedDicom,
                            "JPEG 2000 frame of " + std::to_string(tiles) + " tiles is not supported");
    return {};
}

// True when the main header has a CAP marker: a High-Throughput codestream.
bool isHighThroughput(std::span<const uint8_t> s) {
    size_t i = codestreamStart(s);
    if (!isCodestream(s.subspan(std::min(i, s.size())))) return false;
    i += 2;
    while (i + 4 <= s.size() && s[i] == 0xFF) {
        const uint8_t marker = s[i + 1];
        if (marker == 0x50) return true;
        if (marker == 0x90 || marker == 0x93) return false;
        i += 2 + ((size_t{s[i + 2]} << 8) | s[i + 3]);
    }
    return false;
}

// OpenJPEG 2.5.0 stops the program with an assertion on some damaged
// High-Throughput code-blocks. While a frame decodes, SIGABRT returns here
// instead; the frame is then refused. Only this thread's decoding is guarded
// (guarded frames decode on this thread alone).
thread_local sigjmp_buf* t_abortReturn = nullptr;

extern "C" void returnFromAbort(int) {
    if (t_abortReturn != nullptr) siglongjmp(*t_abortReturn, 1);
    // Not ours: abort goes on as it would have.
}

class AbortGuard {
  public:
    explicit AbortGuard(sigjmp_buf* target) {
        struct sigaction action {};
        action.sa_handler = returnFromAbort;
        sigemptyset(&action.sa_mask);
        sigaction(SIGABRT, &action, &m_previous);
        t_abortReturn = target;
    }
    ~AbortGuard() {
        t_abortReturn = nullptr;
        sigaction(SIGABRT, &m_previous, nullptr);
    }
    AbortGuard(const AbortGuard&) = delete;
    AbortGuard& operator=(const AbortGuard&) = delete;

  private:
    struct sigaction m_previous {};
};

struct MemoryStream {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

OPJ_SIZE_T readStream(void* buffer, OPJ_SIZE_T bytes, void* user) {
    auto* m = static_cast<MemoryStream*>(user);
    if (m->pos >= m->size) return static_cast<OPJ_SIZE_T>(-1);
    const size_t n = std::min<size_t>(bytes, m->size - m->pos);
    std::memcpy(buffer, m->data + m->pos, n);
    m->pos += n;
    return n;
}

OPJ_OFF_T skipStream(OPJ_OFF_T bytes, void* user) {
    auto* m = static_cast<MemoryStream*>(user);
    if (bytes < 0) {
        const size_t back = std::min<size_t>(static_cast<size_t>(-bytes), m->pos);
        m->pos -= back;
        return -static_cast<OPJ_OFF_T>(back);
    }
    const size_t forward = std::min<size_t>(static_cast<size_t>(bytes), m->size - std::min(m->pos, m->size));
    m->pos += forward;
    return static_cast<OPJ_OFF_T>(forward);
}

OPJ_BOOL seekStream(OPJ_OFF_T offset, void* user) {
    auto* m = static_cast<MemoryStream*>(user);
    if (offset < 0 || static_cast<uint64_t>(offset) > m->size) return OPJ_FALSE;
    m->pos = static_cast<size_t>(offset);
    return OPJ_TRUE;
}

void keepFirstError(const char* message, void* user) {
    auto* text = static_cast<std::string*>(user);
    if (text->empty() && message != nullptr) {
        *text = message;
        while (!text->empty() && (text->back() == '\n' || text->back() == ' ')) text->pop_back();
    }
}
void ignoreMessage(const char*, void*) {}

struct CodecDeleter {
    void operator()(opj_codec_t* c) const { opj_destroy_codec(c); }
};
struct StreamDeleter {
    void operator()(opj_stream_t* s) const { opj_stream_destroy(s); }
};
struct ImageDeleter {
    void operator()(opj_image_t* i) const { opj_image_destroy(i); }
};

// One decoding session over a stream in memory.
class Session {
  public:
    explicit Session(std::span<const uint8_t> stream) : m_memory{stream.data(), stream.size(), 0} {}

    FrameDecodeStatus readHeader(const FrameGeometry& g) {
        const bool jp2 = isJp2({m_memory.data, m_memory.size});
        if (!jp2 && !isCodestream({m_memory.data, m_memory.size}))
            return frameRefusal(DicomError::CorruptedDicom, "JPEG 2000 frame starts with neither SOC nor a JP2 signature");
        FrameDecodeStatus siz = checkSiz({m_memory.data, m_memory.size}, g, kMaxTiles);
        if (!siz.ok()) return siz;
        m_codec.reset(opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
        if (!m_codec) return frameRefusal(DicomError::OutOfMemory, "no memory for the JPEG 2000 decoder");
        opj_set_error_handler(m_codec.get(), keepFirstError, &m_error);
        opj_set_warning_handler(m_codec.get(), ignoreMessage, nullptr);
        opj_set_info_handler(m_codec.get(), ignoreMessage, nullptr);
        opj_dparameters_t parameters;
        opj_set_default_decoder_parameters(&parameters);
        if (!opj_setup_decoder(m_codec.get(), &parameters)) return failure("setup");
        m_stream.reset(opj_stream_create(64 * 1024, OPJ_TRUE));
        if (!m_stream) return frameRefusal(DicomError::OutOfMemory, "no memory for the JPEG 2000 stream");
        opj_stream_set_user_data(m_stream.get(), &m_memory, nullptr);
        opj_stream_set_user_data_length(m_stream.get(), m_memory.size);
        opj_stream_set_read_function(m_stream.get(), readStream);
        opj_stream_set_skip_function(m_stream.get(), skipStream);
        opj_stream_set_seek_function(m_stream.get(), seekStream);
        opj_image_t* image = nullptr;
        if (!opj_read_header(m_stream.get(), m_codec.get(), &image)) {
            if (image != nullptr) opj_image_destroy(image);
            return failure("header");
        }
        m_image.reset(image);
        return checkHeader(g);
    }

    FrameDecodeStatus decode(const FrameGeometry& g, std::span<uint8_t> frame) {
        // A pure computation over the frame: OpenJPEG's own threads give the
        // same samples and shorten the wait on large frames. High-Throughput
        // code-blocks decode on this thread, under the abort guard.
        const bool highThroughput = isHighThroughput({m_memory.data, m_memory.size});
        const unsigned threads = std::min(std::max(std::thread::hardware_concurrency(), 1u), 4u);
        if (!highThroughput && threads > 1 && uint64_t{g.rows} * g.columns >= 256 * 256)
            opj_codec_set_threads(m_codec.get(), static_cast<int>(threads));
        if (!decodeGuarded(!highThroughput)) return failure("data");
        const opj_image_t& image = *m_image;
        const size_t pixels = size_t{g.rows} * g.columns;
        const size_t components = image.numcomps;
        const size_t bytes = decodedSampleBytes(g.bitsAllocated);
        for (size_t c = 0; c < components; ++c) {
            const opj_image_comp_t& comp = image.comps[c];
            if (comp.data == nullptr || comp.w != g.columns || comp.h != g.rows)
                return frameRefusal(DicomError::CorruptedDicom, "JPEG 2000 decoding gave a component of another size");
            const int prec = static_cast<int>(comp.prec);
            const int32_t lo = comp.sgnd ? -(1 << (prec - 1)) : 0;
            const int32_t hi = comp.sgnd ? (1 << (prec - 1)) - 1 : (1 << prec) - 1;
            const OPJ_INT32* in = comp.data;
            uint8_t* out = frame.data() + c * bytes;
            const size_t stride = components * bytes;
            if (bytes == 1) {
                for (size_t p = 0; p < pixels; ++p) out[p * stride] = static_cast<uint8_t>(std::clamp(in[p], lo, hi));
            } else {
                for (size_t p = 0; p < pixels; ++p) {
                    const auto v = static_cast<uint16_t>(std::clamp(in[p], lo, hi));
                    out[p * stride] = static_cast<uint8_t>(v);
                    out[p * stride + 1] = static_cast<uint8_t>(v >> 8);
                }
            }
        }
        return {};
    }

  private:
    // opj_decode and opj_end_decompress; false on an error or an assertion.
    bool decodeGuarded(bool threaded) {
        sigjmp_buf target;
        if (threaded) {
            return opj_decode(m_codec.get(), m_stream.get(), m_image.get()) &&
                   opj_end_decompress(m_codec.get(), m_stream.get());
        }
        AbortGuard guard(&target);
        if (sigsetjmp(target, 1) != 0) {
            if (m_error.empty()) m_error = "damaged code-block";
            return false;
        }
        return opj_decode(m_codec.get(), m_stream.get(), m_image.get()) &&
               opj_end_decompress(m_codec.get(), m_stream.get());
    }

    FrameDecodeStatus failure(const char* stage) {
        return frameRefusal(DicomError::CorruptedDicom, std::string("JPEG 2000 ") + stage + ": " +
                                                            (m_error.empty() ? std::string("unreadable codestream") : m_error));
    }

    FrameDecodeStatus checkHeader(const FrameGeometry& g) {
        const opj_image_t& image = *m_image;
        const uint32_t width = image.x1 - image.x0;
        const uint32_t height = image.y1 - image.y0;
        bool match = image.x1 > image.x0 && image.y1 > image.y0 && width == g.columns && height == g.rows &&
                     image.numcomps == g.samplesPerPixel;
        uint32_t maxPrecision = 0;
        for (uint32_t c = 0; match && c < image.numcomps; ++c) {
            const opj_image_comp_t& comp = image.comps[c];
            maxPrecision = std::max<uint32_t>(maxPrecision, comp.prec);
            match = comp.dx == 1 && comp.dy == 1 && comp.prec >= 1 && comp.prec <= 16 &&
                    (comp.prec <= 8 || decodedSampleBytes(g.bitsAllocated) >= 2);
        }
        if (!match)
            return frameRefusal(DicomError::CorruptedDicom,
                                "JPEG 2000 image of " + std::to_string(width) + "x" + std::to_string(height) +
                                    " pixels, " + std::to_string(image.numcomps) + " components of up to " +
                                    std::to_string(maxPrecision) + " bits does not match the image (" +
                                    std::to_string(g.columns) + "x" + std::to_string(g.rows) + ", " +
                                    std::to_string(g.samplesPerPixel) + " samples of " +
                                    std::to_string(g.bitsAllocated) + " bits)");
        if (opj_codestream_info_v2_t* info = opj_get_cstr_info(m_codec.get())) {
            const uint64_t tiles = uint64_t{info->tw} * info->th;
            opj_destroy_cstr_info(&info);
            if (tiles > kMaxTiles)
                return frameRefusal(DicomError::CorruptedDicom,
                                    "JPEG 2000 frame of " + std::to_string(tiles) + " tiles is not supported");
        }
        return {};
    }

    MemoryStream m_memory;
    std::string m_error;
    std::unique_ptr<opj_codec_t, CodecDeleter> m_codec;
    std::unique_ptr<opj_stream_t, StreamDeleter> m_stream;
    std::unique_ptr<opj_image_t, ImageDeleter> m_image;
};

class Jpeg2000FrameDecoder final : public FrameDecoder {
  public:
    const char* name() const override { return "JPEG 2000"; }

    FrameDecodeStatus checkImage(const FrameGeometry& g, const char*) const override {
        if (g.bitsAllocated > 16 || g.bitsStored < 1 || g.bitsStored > 16)
            return frameRefusal(DicomError::UnsupportedDicom,
                                "JPEG 2000 with " + std::to_string(g.bitsStored) + " bits stored in " +
                                    std::to_string(g.bitsAllocated) + " bits allocated is not supported");
        return {};
    }

    FrameDecodeStatus checkFrame(std::span<const uint8_t> stream, const FrameGeometry& g) const override {
        Session session(stream);
        return session.readHeader(g);
    }

    FrameDecodeStatus decodeFrame(std::span<const uint8_t> stream, const FrameGeometry& g,
                                  std::span<uint8_t> frame) const override {
        Session session(stream);
        FrameDecodeStatus status = session.readHeader(g);
        if (!status.ok()) return status;
        return session.decode(g, frame);
    }

    DecodedColour colour(const char* photometric) const override {
        auto is = [&](const char* name) {
            const size_t n = std::strlen(name);
            return std::strncmp(photometric, name, n) == 0 &&
                   (photometric[n] == '\0' || (photometric[n] == ' ' && photometric[n + 1] == '\0'));
        };
        return is("YBR_RCT") || is("YBR_ICT") ? DecodedColour::Rgb : DecodedColour::AsStored;
    }

    bool startsFrame(std::span<const uint8_t> fragment) const override {
        return isCodestream(fragment) || isJp2(fragment);
    }
};

} // namespace

const FrameDecoder& jpeg2000FrameDecoder() {
    static const Jpeg2000FrameDecoder decoder;
    return decoder;
}

} // namespace veltor
