// Compressed-frame decoders: lossless JPEG and RLE of a 512 x 512 CT-like
// frame. Throughput is reported in decoded bytes per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

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
    std::vector<uint8_t> fragment(veltor::kRleHeaderSize, 0);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) fragment[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(0, 2);
    put(4, 64);
    put(8, static_cast<uint32_t>(64 + a.size()));
    fragment.insert(fragment.end(), a.begin(), a.end());
    fragment.insert(fragment.end(), b.begin(), b.end());
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

} // namespace
