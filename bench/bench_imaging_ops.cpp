// Cost of one pushed level for the image operations a user runs most: each
// iteration runs the operation (new level, kernel, display bitmap) and then
// undoes it outside the timed region, so every iteration starts from the
// same level 0 and memory stays flat.
#include "imaging/image_buffer.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace veltor {
namespace {

// A CT-like 16-bit frame: a smooth disc of tissue values with noise, air
// around it (what invert and equalize see on real studies).
std::vector<int16_t> ctFrame(int32_t size)
{
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0.0, 20.0);
    std::vector<int16_t> s(static_cast<size_t>(size) * size);
    const double c = size / 2.0;
    for (int32_t y = 0; y < size; ++y) {
        for (int32_t x = 0; x < size; ++x) {
            const double r = std::hypot(x - c, y - c) / c;
            const double v = r < 0.9 ? 40.0 + 300.0 * (1.0 - r) + noise(rng) : -1000.0 + noise(rng);
            s[static_cast<size_t>(y) * size + x] = static_cast<int16_t>(v);
        }
    }
    return s;
}

std::vector<uint8_t> bytesFrame(int32_t size, int32_t channels)
{
    std::mt19937 rng(9);
    std::vector<uint8_t> s(static_cast<size_t>(size) * size * channels);
    for (auto& v : s) {
        v = static_cast<uint8_t>(rng() % 200 + 20);
    }
    return s;
}

void runPushed(benchmark::State& state, ImageBuffer& buffer, const std::function<int(ImageBuffer&)>& op)
{
    for (auto _ : state) {
        if (op(buffer) != 1) {
            state.SkipWithError("operation failed");
            break;
        }
        state.PauseTiming();
        buffer.undo();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(buffer.width()) * buffer.height());
}

void sixteenBit(benchmark::State& state, const std::function<int(ImageBuffer&)>& op)
{
    const std::vector<int16_t> samples = ctFrame(512);
    ImageBuffer buffer;
    if (buffer.createFromSamples16(512, 512, 40, 400, samples.data()) != 1) {
        state.SkipWithError("no frame");
        return;
    }
    runPushed(state, buffer, op);
}

void eightBit(benchmark::State& state, int32_t channels, const std::function<int(ImageBuffer&)>& op)
{
    const std::vector<uint8_t> samples = bytesFrame(512, channels);
    ImageBuffer buffer;
    if (buffer.createFromRaw8(512, 512, static_cast<int32_t>(samples.size()), channels == 3 ? 1 : 0,
                              samples.data()) != 1) {
        state.SkipWithError("no frame");
        return;
    }
    runPushed(state, buffer, op);
}

void BM_Invert_Image16_512(benchmark::State& state)
{
    sixteenBit(state, [](ImageBuffer& b) { return b.invert(); });
}

void BM_Invert_RGB_512(benchmark::State& state)
{
    eightBit(state, 3, [](ImageBuffer& b) { return b.invert(); });
}

void BM_Rotate90_Image16_512(benchmark::State& state)
{
    sixteenBit(state, [](ImageBuffer& b) { return b.rotate90Clockwise(); });
}

void BM_Rotate90_RGB_512(benchmark::State& state)
{
    eightBit(state, 3, [](ImageBuffer& b) { return b.rotate90Clockwise(); });
}

// The custom-rotation dialog re-runs this on every preview.
void BM_RotateBy30Bilinear_Image16_512(benchmark::State& state)
{
    sixteenBit(state, [](ImageBuffer& b) { return b.rotateClockwise(30.0f, 1); });
}

void BM_RotateBy30Bicubic_Image16_512(benchmark::State& state)
{
    sixteenBit(state, [](ImageBuffer& b) { return b.rotateClockwise(30.0f, 2); });
}

void BM_ResampleBilinear_Image16_512_to_1024(benchmark::State& state)
{
    sixteenBit(state, [](ImageBuffer& b) { return b.resample(1024, 1024, 1); });
}

void BM_ResampleBilinear_Grey8_512_to_1024(benchmark::State& state)
{
    eightBit(state, 1, [](ImageBuffer& b) { return b.resample(1024, 1024, 1); });
}

void BM_Equalize_Image16_512(benchmark::State& state)
{
    sixteenBit(state, [](ImageBuffer& b) { return b.equalize(0); });
}

void BM_Equalize_Grey8_512(benchmark::State& state)
{
    eightBit(state, 1, [](ImageBuffer& b) { return b.equalize(0); });
}

BENCHMARK(BM_Invert_Image16_512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Invert_RGB_512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rotate90_Image16_512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Rotate90_RGB_512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RotateBy30Bilinear_Image16_512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RotateBy30Bicubic_Image16_512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ResampleBilinear_Image16_512_to_1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ResampleBilinear_Grey8_512_to_1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Equalize_Image16_512)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Equalize_Grey8_512)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace veltor
