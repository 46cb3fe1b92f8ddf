// Cost of the neighbourhood and FFT filters as a user runs them: one pushed
// level (kernel and display bitmap) per iteration, undone outside the timed
// region. Every filter on 512 x 512 grey, RGB and 16-bit frames; unsharp
// filtering and dust and scratches at radius 1 and 50 (their running sums
// and histograms keep the cost from growing with the square of the radius);
// the FFT low pass on 512 x 512 and on 3000 x 3000 (padded to 4096 x 4096).
#include "imaging/image_buffer.h"
#include "imaging/neighbourhood_filters.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace veltor {
namespace {

using Op = std::function<int(ImageBuffer&)>;

enum class Store { Grey, Rgb, Sixteen };

// A smooth disc with noise: tissue-like 16-bit values, or bytes.
bool makeFrame(ImageBuffer& buffer, Store store, int32_t size)
{
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0.0, 12.0);
    const int32_t channels = store == Store::Rgb ? 3 : 1;
    std::vector<double> v(static_cast<size_t>(size) * size * channels);
    const double c = size / 2.0;
    for (int32_t y = 0; y < size; ++y)
        for (int32_t x = 0; x < size; ++x)
            for (int32_t k = 0; k < channels; ++k) {
                const double r = std::hypot(x - c, y - c) / c;
                v[(static_cast<size_t>(y) * size + x) * channels + k] =
                    (r < 0.9 ? 0.6 * (1.0 - r) + 0.2 : 0.05) + noise(rng) / 255.0;
            }
    if (store == Store::Sixteen) {
        std::vector<int16_t> s(v.size());
        for (size_t i = 0; i < v.size(); ++i)
            s[i] = static_cast<int16_t>(std::clamp(v[i], 0.0, 1.0) * 3000.0 - 1000.0);
        return buffer.createFromCopy16(size, size, 16, 40, 400, s.data()) == 1;
    }
    std::vector<uint8_t> s(v.size());
    for (size_t i = 0; i < v.size(); ++i)
        s[i] = static_cast<uint8_t>(std::clamp(v[i], 0.0, 1.0) * 255.0);
    return buffer.createFromCopy8(size, size, static_cast<int32_t>(s.size()), channels == 3 ? 1 : 0, s.data()) == 1;
}

void runFilter(benchmark::State& state, Store store, int32_t size, const Op& op)
{
    ImageBuffer buffer;
    if (!makeFrame(buffer, store, size)) {
        state.SkipWithError("no frame");
        return;
    }
    for (auto _ : state) {
        if (op(buffer) != 1) {
            state.SkipWithError("operation failed");
            break;
        }
        state.PauseTiming();
        buffer.undo();
        state.ResumeTiming();
    }
}

struct Named {
    const char* name;
    Op op;
};

const std::vector<Named>& filters()
{
    static const std::vector<Named> list = {
        {"Blur4", [](ImageBuffer& b) { return b.blur(4); }},
        {"Laplacian3", [](ImageBuffer& b) { return b.laplacian(3); }},
        {"Sharpen1", [](ImageBuffer& b) { return b.sharpen(1); }},
        {"Sobel", [](ImageBuffer& b) { return b.sobel(); }},
        {"Prewitt", [](ImageBuffer& b) { return b.prewitt(); }},
        {"Kirsch", [](ImageBuffer& b) { return b.kirsch(); }},
        {"Minimum1", [](ImageBuffer& b) { return b.minimumFilter(1); }},
        {"Median1", [](ImageBuffer& b) { return b.medianFilter(1); }},
        {"Maximum1", [](ImageBuffer& b) { return b.maximumFilter(1); }},
        {"Median5", [](ImageBuffer& b) { return b.medianFilter(5); }},
        {"Minimum5", [](ImageBuffer& b) { return b.minimumFilter(5); }},
        {"Smooth50", [](ImageBuffer& b) { return b.smooth(50); }},
        {"LocalAverage", [](ImageBuffer& b) { return b.localAverage(20, 1); }},
        {"GeometricMean", [](ImageBuffer& b) { return b.geometricMean(); }},
        {"EdgeEnhance50", [](ImageBuffer& b) { return b.edgeEnhance(50); }},
        {"CustomMaskBox", [](ImageBuffer& b) { return b.customMask(CustomMask{1, {CustomMaskPass::boxMean()}}); }},
        {"Unsharp_r1", [](ImageBuffer& b) { return b.unsharp(15, 1); }},
        {"Unsharp_r50", [](ImageBuffer& b) { return b.unsharp(15, 50); }},
        {"DustScratches_r1", [](ImageBuffer& b) { return b.dustAndScratches(1, 20); }},
        {"DustScratches_r50", [](ImageBuffer& b) { return b.dustAndScratches(50, 20); }},
        {"EnhancementChain", [](ImageBuffer& b) { return b.enhancementChain(0.299f, 0.587f, 0.114f); }},
        {"FftLowPass", [](ImageBuffer& b) { return b.fftLowPass(0, 1, 64, 0.5); }},
    };
    return list;
}

int registerAll()
{
    const std::pair<Store, const char*> stores[] = {
        {Store::Grey, "Grey8"}, {Store::Rgb, "RGB"}, {Store::Sixteen, "Image16"}};
    for (const Named& f : filters())
        for (const auto& [store, storeName] : stores) {
            const std::string name = std::string("BM_") + f.name + "_" + storeName + "_512";
            const Store s = store;
            const Op op = f.op;
            benchmark::RegisterBenchmark(name.c_str(), [s, op](benchmark::State& st) { runFilter(st, s, 512, op); })
                ->Unit(benchmark::kMillisecond);
        }
    benchmark::RegisterBenchmark("BM_FftLowPass_Grey8_3000", [](benchmark::State& st) {
        runFilter(st, Store::Grey, 3000, [](ImageBuffer& b) { return b.fftLowPass(0, 1, 375, 0.5); });
    })->Unit(benchmark::kMillisecond)->Iterations(3);
    return 0;
}

const int kRegistered = registerAll();

} // namespace
} // namespace veltor
