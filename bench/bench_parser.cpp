// Parsing speed: header-only and full opens of a 512 x 512 CT slice, and of a
// data set made mostly of nested sequences.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "dicom/dicom_file.h"
#include "dicom_bytes.h"

using namespace veltor;
using veltor::testing::DicomBytes;

namespace {

// A CT-like header of about 80 elements and 512 x 512 16-bit pixels.
std::vector<uint8_t> ctSlice() {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    for (uint16_t e = 0x0010; e < 0x0060; ++e) b.element(0x0008, e, "LO", "SOME VALUE TEXT ");
    b.element(0x0010, 0x0010, "PN", "DOE^JOHN");
    b.sequence(0x0008, 0x1140, 0xFFFFFFFF).item(0xFFFFFFFF);
    b.element(0x0008, 0x1150, "UI", DicomBytes::padUid("1.2.840.10008.5.1.4.1.1.2"));
    b.itemEnd().sequenceEnd();
    b.element(0x0029, 0x1010, "OB", std::string(4096, '\x5A'));
    b.element(0x0028, 0x0010, "US", std::string("\x00\x02", 2));
    b.element(0x0028, 0x0011, "US", std::string("\x00\x02", 2));
    b.element(0x0028, 0x1050, "DS", "40\\400");
    b.element(0x7FE0, 0x0010, "OW", std::string(512 * 512 * 2, '\x01'));
    return b.bytes();
}

// Four levels of undefined-length sequences, 30 items at each of the top
// two levels, three elements per item.
std::vector<uint8_t> nestedSequences() {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.sequence(0x0040, 0xA730, 0xFFFFFFFF);
    for (int i = 0; i < 30; ++i) {
        b.item(0xFFFFFFFF);
        b.element(0x0040, 0xA040, "CS", "CONTAINER ");
        b.sequence(0x0040, 0xA730, 0xFFFFFFFF);
        for (int j = 0; j < 30; ++j) {
            b.item(0xFFFFFFFF);
            b.element(0x0040, 0xA040, "CS", "TEXT");
            b.element(0x0040, 0xA160, "UT", "a finding of some length ");
            b.sequence(0x0040, 0xA730, 0xFFFFFFFF).item(0xFFFFFFFF);
            b.sequence(0x0040, 0xA730, 0xFFFFFFFF).item(0xFFFFFFFF);
            b.element(0x0010, 0x0010, "PN", "NESTED^NAME ");
            b.itemEnd().sequenceEnd().itemEnd().sequenceEnd();
            b.itemEnd();
        }
        b.sequenceEnd().itemEnd();
    }
    b.sequenceEnd();
    b.element(0x0028, 0x0010, "US", std::string("\x04\x00", 2));
    b.element(0x0028, 0x0011, "US", std::string("\x08\x00", 2));
    b.element(0x0028, 0x0100, "US", std::string("\x10\x00", 2));
    b.element(0x0028, 0x0101, "US", std::string("\x10\x00", 2));
    b.element(0x7FE0, 0x0010, "OW", std::string(64, '\0'));
    return b.bytes();
}

std::string writeTemp(const std::vector<uint8_t>& bytes, const char* name) {
    std::string path = std::string("/tmp/veltor_bench_") + name + "_" + std::to_string(::getpid());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f != nullptr) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

void openPath(benchmark::State& state, const std::vector<uint8_t>& bytes, const char* name,
              bool headerOnly) {
    const std::string path = writeTemp(bytes, name);
    for (auto _ : state) {
        DicomFile file;
        if (!file.openFile(path.c_str(), headerOnly)) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(file.elementCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(bytes.size()));
    std::remove(path.c_str());
}

void BM_CtHeaderOnly(benchmark::State& state) { openPath(state, ctSlice(), "ct", true); }
void BM_CtFull(benchmark::State& state) { openPath(state, ctSlice(), "ct", false); }
void BM_CtListing(benchmark::State& state) {
    const std::string path = writeTemp(ctSlice(), "ctl");
    for (auto _ : state) {
        DicomFile file;
        if (!file.openForListing(path.c_str())) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(file.elementCount());
    }
    std::remove(path.c_str());
}
void BM_NestedHeaderOnly(benchmark::State& state) {
    openPath(state, nestedSequences(), "nested", true);
}
void BM_NestedFull(benchmark::State& state) { openPath(state, nestedSequences(), "nested", false); }
void BM_NestedInMemory(benchmark::State& state) {
    const std::vector<uint8_t> bytes = nestedSequences();
    for (auto _ : state) {
        DicomFile file;
        file.openMemory(bytes.data(), bytes.size(), false);
        benchmark::DoNotOptimize(file.elementCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(bytes.size()));
}

} // namespace

BENCHMARK(BM_CtHeaderOnly);
BENCHMARK(BM_CtFull);
BENCHMARK(BM_CtListing);
BENCHMARK(BM_NestedHeaderOnly);
BENCHMARK(BM_NestedFull);
BENCHMARK(BM_NestedInMemory);

namespace {

// A 16-bit CT-like frame of size x size with a soft-tissue window.
std::vector<uint8_t> ctFrame(int size) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    const std::string side{char(size & 0xFF), char(size >> 8)};
    b.element(0x0028, 0x0010, "US", side);
    b.element(0x0028, 0x0011, "US", side);
    b.element(0x0028, 0x0100, "US", std::string("\x10\x00", 2));
    b.element(0x0028, 0x0101, "US", std::string("\x10\x00", 2));
    b.element(0x0028, 0x1050, "DS", "40");
    b.element(0x0028, 0x1051, "DS", "400 ");
    std::string pixels(size_t(size) * size_t(size) * 2, '\0');
    for (size_t i = 0; i < pixels.size() / 2; ++i) {
        const auto v = static_cast<uint16_t>((i * 7919) % 2048); // 0 .. 2047
        pixels[2 * i] = char(v & 0xFF);
        pixels[2 * i + 1] = char(v >> 8);
    }
    b.element(0x7FE0, 0x0010, "OW", pixels);
    return b.bytes();
}

void BM_Frame8(benchmark::State& state) {
    const std::vector<uint8_t> bytes = ctFrame(static_cast<int>(state.range(0)));
    DicomFile file;
    if (!file.openMemory(bytes.data(), bytes.size(), false)) state.SkipWithError("open failed");
    for (auto _ : state) {
        std::vector<uint8_t> out = file.frame8(1);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0) * state.range(0));
}

} // namespace

BENCHMARK(BM_Frame8)->Arg(512)->Arg(3000)->Unit(benchmark::kMicrosecond);
