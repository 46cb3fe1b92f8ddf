// Frame files: writing one 512 x 512 grey and colour frame as TIFF and raw
// (header and pixels in one write into the page cache), building an export
// bitmap and packing it back, and converting the sample CT file end to end.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "export/batch_convert.h"
#include "export/frame_export.h"

namespace {

constexpr int32_t kSide = 512;

veltor::PackedPixels frame(int samples) {
    veltor::PackedPixels p{kSide, kSide, samples,
                           std::vector<uint8_t>(size_t(kSide) * kSide * size_t(samples))};
    for (size_t i = 0; i < p.bytes.size(); ++i)
        p.bytes[i] = uint8_t(i * 31 + (i >> 9));
    return p;
}

std::string scratchDirectory() {
    std::string pattern = "/tmp/veltor_bench_export_XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return "/tmp";
    return pattern;
}

void BM_WriteTiff512(benchmark::State& state) {
    const veltor::PackedPixels p = frame(static_cast<int>(state.range(0)));
    const std::string dir = scratchDirectory();
    const std::string path = dir + "/frame.tif";
    for (auto _ : state) {
        if (!veltor::writeTiffImage(path.c_str(), p.view()).ok())
            state.SkipWithError("write failed");
    }
    ::unlink(path.c_str());
    ::rmdir(dir.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(p.bytes.size()));
}
BENCHMARK(BM_WriteTiff512)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

void BM_WriteRaw512(benchmark::State& state) {
    const veltor::PackedPixels p = frame(1);
    const std::string dir = scratchDirectory();
    const std::string path = dir + "/frame.raw";
    for (auto _ : state) {
        if (!veltor::writeRawImage(path.c_str(), p.view()).ok())
            state.SkipWithError("write failed");
    }
    ::unlink(path.c_str());
    ::rmdir(dir.c_str());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(p.bytes.size()));
}
BENCHMARK(BM_WriteRaw512)->Unit(benchmark::kMicrosecond);

void BM_ExportBitmapRoundTrip512(benchmark::State& state) {
    const veltor::PackedPixels p = frame(static_cast<int>(state.range(0)));
    veltor::PackedPixels back;
    for (auto _ : state) {
        const std::vector<uint8_t> bitmap = veltor::makeExportBitmap(p.view());
        if (!veltor::GetPackedPixels(bitmap.data(), bitmap.size(), back))
            state.SkipWithError("refused");
        benchmark::DoNotOptimize(back.bytes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(p.bytes.size()));
}
BENCHMARK(BM_ExportBitmapRoundTrip512)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

// Open, window and write the sample CT slice: what `veltor convert` does per file.
void BM_ConvertSampleFile(benchmark::State& state) {
    const std::string dir = scratchDirectory();
    veltor::ConvertOptions options;
    options.format = veltor::ExportFormat::Tiff;
    for (auto _ : state) {
        const veltor::ConvertReport r = veltor::convertFile(VELTOR_SAMPLE_FILE, dir, options, {});
        if (r.written != 1) state.SkipWithError("conversion failed");
    }
    if (std::system(("rm -rf '" + dir + "'").c_str()) != 0) state.SkipWithError("cleanup failed");
}
BENCHMARK(BM_ConvertSampleFile)->Unit(benchmark::kMicrosecond);

} // namespace
