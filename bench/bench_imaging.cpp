// Display-bitmap builds while the window is dragged, against a plain lookup
// pass over the same samples.
#include "imaging/image_buffer.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using veltor::ImageBuffer;

std::vector<int16_t> ctSamples(int size)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> value(-1024, 3071);
    std::vector<int16_t> s(static_cast<size_t>(size) * static_cast<size_t>(size));
    for (auto& v : s)
        v = static_cast<int16_t>(value(rng));
    return s;
}

std::vector<uint8_t> bytes(size_t count)
{
    std::mt19937 rng(9);
    std::vector<uint8_t> b(count);
    for (auto& v : b)
        v = static_cast<uint8_t>(rng());
    return b;
}

// Each iteration is one step of a window drag: a new window, then the rebuild.
void dragWindow(benchmark::State& state, ImageBuffer& frame)
{
    int step = 0;
    for (auto _ : state) {
        frame.setWindow(40 + (step & 1) * 7, 400 + (step & 2));
        frame.rebuildDisplay();
        benchmark::DoNotOptimize(frame.displayBitmap());
        ++step;
    }
    state.SetItemsProcessed(state.iterations() * frame.width() * frame.height());
}

void BM_DisplayImage16(benchmark::State& state)
{
    const int size = static_cast<int>(state.range(0));
    const auto samples = ctSamples(size);
    ImageBuffer frame;
    frame.createFromSamples16(size, size, 40, 400, samples.data());
    dragWindow(state, frame);
}
BENCHMARK(BM_DisplayImage16)->Arg(512)->Arg(3000)->Unit(benchmark::kMicrosecond);

// MONOCHROME1: the same drag, shown inverted.
void BM_DisplayImage16Inverted(benchmark::State& state)
{
    const int size = static_cast<int>(state.range(0));
    const auto samples = ctSamples(size);
    ImageBuffer frame;
    frame.createFromSamples16(size, size, 40, 400, samples.data());
    frame.setInvertedDisplay(true);
    dragWindow(state, frame);
}
BENCHMARK(BM_DisplayImage16Inverted)->Arg(512)->Unit(benchmark::kMicrosecond);

// A VOI lookup table of 4096 entries shown at its own window: each build
// fills the display table from the lookup table (the table is handed in
// again, so nothing is reused) and maps every sample.
void BM_DisplayImage16VoiLut(benchmark::State& state)
{
    const int size = static_cast<int>(state.range(0));
    const auto samples = ctSamples(size);
    auto lut = std::make_shared<veltor::DisplayLut>();
    lut->first = -1024;
    lut->bytes.resize(4096);
    for (size_t i = 0; i < lut->bytes.size(); ++i)
        lut->bytes[i] = static_cast<uint8_t>(255.0 * std::sqrt(double(i) / 4095.0));
    lut->center = lut->first + 2048;
    lut->width = 4096;
    ImageBuffer frame;
    frame.createFromSamples16(size, size, 40, 400, samples.data());
    frame.setInitialWindow(lut->center, lut->width);
    for (auto _ : state) {
        frame.setDisplayLut(lut);
        frame.rebuildDisplay();
        benchmark::DoNotOptimize(frame.displayBitmap());
    }
    state.SetItemsProcessed(state.iterations() * frame.width() * frame.height());
}
BENCHMARK(BM_DisplayImage16VoiLut)->Arg(512)->Unit(benchmark::kMicrosecond);

// The floor: one table load per sample into a contiguous buffer, the table
// built once.
void BM_PlainLookup16(benchmark::State& state)
{
    const int size = static_cast<int>(state.range(0));
    const auto samples = ctSamples(size);
    std::vector<uint8_t> table(65536);
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<uint8_t>(i * 7);
    const uint8_t* zero = table.data() + 32768;
    std::vector<uint8_t> out(samples.size());
    for (auto _ : state) {
        for (size_t i = 0; i < samples.size(); ++i)
            out[i] = zero[samples[i]];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(samples.size()));
}
BENCHMARK(BM_PlainLookup16)->Arg(512)->Arg(3000)->Unit(benchmark::kMicrosecond);

void BM_DisplayImage8Grey(benchmark::State& state)
{
    const auto pixels = bytes(512 * 512);
    ImageBuffer frame;
    frame.createFromRaw8(512, 512, 512 * 512, 0, pixels.data());
    dragWindow(state, frame);
}
BENCHMARK(BM_DisplayImage8Grey)->Unit(benchmark::kMicrosecond);

void BM_DisplayImage8Rgb(benchmark::State& state)
{
    const auto pixels = bytes(512 * 512 * 3);
    ImageBuffer frame;
    frame.createFromRaw8(512, 512, 512 * 512 * 3, 1, pixels.data());
    dragWindow(state, frame);
}
BENCHMARK(BM_DisplayImage8Rgb)->Unit(benchmark::kMicrosecond);

// Keeps the console output and remembers each run's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const
    {
        for (const char* size : {"512", "3000"}) {
            const auto display = m_times.find(std::string("BM_DisplayImage16/") + size);
            const auto plain = m_times.find(std::string("BM_PlainLookup16/") + size);
            if (display != m_times.end() && plain != m_times.end() && plain->second > 0)
                std::printf("Image16 %sx%s display build / plain lookup pass: %.2fx (goal: within 3x)\n", size, size,
                            display->second / plain->second);
        }
        const auto plain = m_times.find("BM_PlainLookup16/512");
        for (const char* name : {"BM_DisplayImage16Inverted/512", "BM_DisplayImage16VoiLut/512"}) {
            const auto t = m_times.find(name);
            if (t != m_times.end() && plain != m_times.end() && plain->second > 0)
                std::printf("%s / plain lookup pass: %.2fx (goal: within 3x)\n", name, t->second / plain->second);
        }
    }

private:
    std::map<std::string, double> m_times;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
