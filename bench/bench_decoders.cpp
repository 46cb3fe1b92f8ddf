// Compressed-frame decoders: lossless JPEG, RLE, JPEG-LS and JPEG 2000 of a
// 512 x 512 16-bit CT-like frame. Throughput is reported in decoded bytes per
// second.
#include <benchmark/benchmark.h>
#include <charls/charls.h>
#include <openjpeg.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "dicom/frame_decoder.h"
#include "dicom/lossless_jpeg_decoder.h"
#include "dicom/rle_decoder.h"
#include "lossless_jpeg_writer.h"

namespace {

constexpr int kSide = 512;

// A CT slice in stored values: air around a body disc of soft tissue with
// noise, and a ring of bone.
std::vector<uint16_t> ctSlice() {
    std::vector<uint16_t> samples;
    samples.reserve(kSide * kSide);
    uint32_t state = 42;
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>(state >> 27) - 16;
            const int dx = x - kSide / 2;
            const int dy = y - kSide / 2;
            const int r2 = dx * dx + dy * dy;
            int v = 24;
            if (r2 < 200 * 200) v = 1040 + noise;
            if (r2 > 170 * 170 && r2 < 185 * 185) v = 1900 + 2 * noise;
            samples.push_back(static_cast<uint16_t>(v));
        }
    }
    return samples;
}

void BM_LosslessJpegDecodeCt512(benchmark::State& state) {
    veltor::test::LosslessJpegWriter writer;
    writer.predictor = static_cast<int>(state.range(0));
    const std::vector<uint8_t> stream = writer.encode(ctSlice(), kSide, kSide);
    veltor::FrameGeometry geometry;
    geometry.rows = kSide;
    geometry.columns = kSide;
    geometry.bitsAllocated = 16;
    geometry.bitsStored = 16;
    std::vector<uint8_t> frame(kSide * kSide * 2);
    for (auto _ : state) {
        const auto status = veltor::decodeLosslessFrame(stream, geometry, frame, nullptr);
        if (!status.ok()) state.SkipWithError(status.message.c_str());
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frame.size()));
    state.counters["compressed"] = static_cast<double>(stream.size());
}
BENCHMARK(BM_LosslessJpegDecodeCt512)->DenseRange(1, 7)->Unit(benchmark::kMicrosecond);

// PackBits as DICOM writers produce it: runs of 3 or more become run packets,
// everything else literal packets of up to 128 bytes.
std::vector<uint8_t> packBits(const std::vector<uint8_t>& plane) {
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < plane.size()) {
        size_t run = 1;
        while (i + run < plane.size() && run < 128 && plane[i + run] == plane[i]) ++run;
        if (run >= 3) {
            out.push_back(static_cast<uint8_t>(1 - static_cast<int>(run)));
            out.push_back(plane[i]);
            i += run;
            continue;
        }
        size_t literal = 0;
        while (i + literal < plane.size() && literal < 128) {
            const size_t j = i + literal;
            if (j + 2 < plane.size() && plane[j] == plane[j + 1] && plane[j] == plane[j + 2]) break;
            ++literal;
        }
        out.push_back(static_cast<uint8_t>(literal - 1));
        out.insert(out.end(), plane.begin() + static_cast<long>(i), plane.begin() + static_cast<long>(i + literal));
        i += literal;
    }
    if (out.size() % 2 != 0) out.push_back(0x80); // even segment length, as DICOM requires
    return out;
}

// The 16-bit slice as an RLE fragment: the high-byte plane, then the low-byte plane.
std::vector<uint8_t> rleFragment() {
    const auto slice = ctSlice();
    std::vector<uint8_t> high;
    std::vector<uint8_t> low;
    for (uint16_t v : slice) {
        high.push_back(static_cast<uint8_t>(v >> 8));
        low.push_back(static_cast<uint8_t>(v));
    }
    const auto a = packBits(high);
    const auto b = packBits(low);
    std::vector<uint8_t> fragment(veltor::kRleHeaderSize + a.size() + b.size(), 0);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) fragment[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(0, 2);
    put(4, 64);
    put(8, static_cast<uint32_t>(64 + a.size()));
    std::memcpy(fragment.data() + veltor::kRleHeaderSize, a.data(), a.size());
    std::memcpy(fragment.data() + veltor::kRleHeaderSize + a.size(), b.data(), b.size());
    return fragment;
}

void BM_RleDecodeCt512(benchmark::State& state) {
    const std::vector<uint8_t> fragment = rleFragment();
    std::vector<uint8_t> frame(kSide * kSide * 2);
    for (auto _ : state) {
        const auto status = veltor::decodeRleFrame(fragment, frame, 2);
        if (!status.ok() || !status.complete) state.SkipWithError("RLE decoding failed");
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frame.size()));
    state.counters["compressed"] = static_cast<double>(fragment.size());
}
BENCHMARK(BM_RleDecodeCt512)->Unit(benchmark::kMicrosecond);

veltor::FrameGeometry ctGeometry() {
    veltor::FrameGeometry g;
    g.rows = kSide;
    g.columns = kSide;
    g.bitsAllocated = 16;
    g.bitsStored = 16;
    return g;
}

// Decodes `stream` through a codec of the reader, as a file's frame is.
void decodeThrough(benchmark::State& state, const veltor::FrameDecoder& codec, const std::vector<uint8_t>& stream) {
    const veltor::FrameGeometry g = ctGeometry();
    std::vector<uint8_t> frame(veltor::decodedFrameBytes(g));
    for (auto _ : state) {
        const auto status = codec.decodeFrame(stream, g, frame);
        if (!status.ok()) state.SkipWithError(status.message.c_str());
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frame.size()));
    state.counters["compressed"] = static_cast<double>(stream.size());
}

void BM_RleCodecDecodeCt512(benchmark::State& state) { decodeThrough(state, veltor::rleFrameDecoder(), rleFragment()); }
BENCHMARK(BM_RleCodecDecodeCt512)->Unit(benchmark::kMicrosecond);

// The slice as a JPEG-LS lossless stream (CharLS).
std::vector<uint8_t> jpegLsStream() {
    const auto slice = ctSlice();
    charls_jpegls_encoder* encoder = charls_jpegls_encoder_create();
    charls_frame_info info{kSide, kSide, 16, 1};
    std::vector<uint8_t> out;
    size_t size = 0;
    if (charls_jpegls_encoder_set_frame_info(encoder, &info) == charls::jpegls_errc::success &&
        charls_jpegls_encoder_get_estimated_destination_size(encoder, &size) == charls::jpegls_errc::success) {
        out.resize(size);
        size_t written = 0;
        if (charls_jpegls_encoder_set_destination_buffer(encoder, out.data(), out.size()) == charls::jpegls_errc::success &&
            charls_jpegls_encoder_encode_from_buffer(encoder, slice.data(), slice.size() * 2, 0) == charls::jpegls_errc::success &&
            charls_jpegls_encoder_get_bytes_written(encoder, &written) == charls::jpegls_errc::success)
            out.resize(written);
        else
            out.clear();
    }
    charls_jpegls_encoder_destroy(encoder);
    return out;
}

void BM_JpegLsDecodeCt512(benchmark::State& state) { decodeThrough(state, veltor::jpegLsFrameDecoder(), jpegLsStream()); }
BENCHMARK(BM_JpegLsDecodeCt512)->Unit(benchmark::kMicrosecond);

// The slice as a lossless JPEG 2000 codestream (OpenJPEG, 5/3 wavelet).
OPJ_SIZE_T writeTo(void* buffer, OPJ_SIZE_T bytes, void* user) {
    auto* out = static_cast<std::vector<uint8_t>*>(user);
    const auto* p = static_cast<const uint8_t*>(buffer);
    out->insert(out->end(), p, p + bytes);
    return bytes;
}
OPJ_OFF_T skipOut(OPJ_OFF_T bytes, void* user) {
    auto* out = static_cast<std::vector<uint8_t>*>(user);
    out->resize(out->size() + static_cast<size_t>(bytes));
    return bytes;
}
OPJ_BOOL seekOut(OPJ_OFF_T, void*) { return OPJ_FALSE; }

std::vector<uint8_t> jpeg2000Stream() {
    const auto slice = ctSlice();
    opj_image_cmptparm_t component{};
    component.dx = component.dy = 1;
    component.w = component.h = kSide;
    component.prec = 16;
    component.sgnd = 0;
    opj_image_t* image = opj_image_create(1, &component, OPJ_CLRSPC_GRAY);
    image->x1 = image->y1 = kSide;
    for (size_t i = 0; i < slice.size(); ++i) image->comps[0].data[i] = slice[i];
    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    parameters.tcp_numlayers = 1;
    parameters.tcp_rates[0] = 0;
    parameters.cp_disto_alloc = 1;
    opj_codec_t* codec = opj_create_compress(OPJ_CODEC_J2K);
    std::vector<uint8_t> out;
    opj_stream_t* stream = opj_stream_create(1 << 16, OPJ_FALSE);
    opj_stream_set_user_data(stream, &out, nullptr);
    opj_stream_set_write_function(stream, writeTo);
    opj_stream_set_skip_function(stream, skipOut);
    opj_stream_set_seek_function(stream, seekOut);
    const bool ok = opj_setup_encoder(codec, &parameters, image) && opj_start_compress(codec, image, stream) &&
                    opj_encode(codec, stream) && opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    if (!ok) out.clear();
    return out;
}

void BM_Jpeg2000DecodeCt512(benchmark::State& state) {
    decodeThrough(state, veltor::jpeg2000FrameDecoder(), jpeg2000Stream());
}
BENCHMARK(BM_Jpeg2000DecodeCt512)->Unit(benchmark::kMicrosecond);

} // namespace
