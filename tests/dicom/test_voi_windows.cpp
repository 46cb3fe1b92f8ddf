// Stored bits and the window sources of grey frames (MONOCHROME1 pictures
// are compared with DCMTK by tests/cli/window_compare.py).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dicom/dicom_file.h"
#include "dicom_bytes.h"

using namespace veltor;
using veltor::testing::DicomBytes;

namespace {

std::string us(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }

std::string words(const std::vector<uint16_t>& v) {
    std::string s(v.size() * 2, '\0');
    std::memcpy(s.data(), v.data(), s.size());
    return s;
}

// A 1-row grey image; `more` writes elements between (0028,0103) and the pixels.
std::vector<uint8_t> grey(int bits, int stored, int high, bool isSigned, const std::string& pixels,
                          const char* photometric = "MONOCHROME2 ", int frames = 1,
                          const std::function<void(DicomBytes&)>& more = {}) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0028, 0x0002, "US", us(1));
    b.element(0x0028, 0x0004, "CS", photometric);
    if (frames > 1) b.element(0x0028, 0x0008, "IS", DicomBytes::padText(std::to_string(frames)));
    b.element(0x0028, 0x0010, "US", us(1));
    b.element(0x0028, 0x0011, "US", us(uint16_t(pixels.size() / (bits == 8 ? 1 : 2) / frames)));
    b.element(0x0028, 0x0100, "US", us(uint16_t(bits)));
    b.element(0x0028, 0x0101, "US", us(uint16_t(stored)));
    b.element(0x0028, 0x0102, "US", us(uint16_t(high)));
    b.element(0x0028, 0x0103, "US", us(isSigned ? 1 : 0));
    if (more) more(b);
    b.element(0x7FE0, 0x0010, bits == 8 ? "OB" : "OW", pixels);
    return b.bytes();
}

const int16_t* samples(const DicomFile& f, int n = 1) { return reinterpret_cast<const int16_t*>(f.frameBuffer(n)); }

} // namespace

// Every bits stored 1..16, signed and unsigned, at the low end of the word
// and with the high bit at the top of the word: the bits outside are ignored
// and signed values are extended from their top stored bit.
TEST(StoredBits, MaskedAndSignExtendedForEveryDepth) {
    for (int stored = 1; stored <= 16; ++stored) {
        for (int high : {stored - 1, 15}) {
            for (bool isSigned : {false, true}) {
                const int shift = high + 1 - stored;
                const uint32_t mask = (uint32_t{1} << stored) - 1;
                const uint16_t outside = static_cast<uint16_t>(~(mask << shift));
                // the largest value, the smallest (signed: the most negative), 1,
                // and one below the largest (so that it is no isolated maximum)
                const int32_t largest = isSigned ? int32_t(mask >> 1) : int32_t(mask);
                const int32_t smallest = isSigned ? -int32_t(mask >> 1) - 1 : 0;
                std::vector<uint16_t> w;
                for (int32_t v : {largest, smallest, std::min<int32_t>(1, largest), largest - 1})
                    w.push_back(static_cast<uint16_t>(((uint32_t(v) & mask) << shift) | outside));
                DicomFile f;
                const auto bytes = grey(16, stored, high, isSigned, words(w));
                ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false)) << stored;
                const int16_t* s = samples(f);
                const std::string where = std::to_string(stored) + " bits, high bit " + std::to_string(high) +
                                          (isSigned ? ", signed" : "");
                // unsigned 16-bit values above 32767 keep their 16 bits as signed
                EXPECT_EQ(s[0], static_cast<int16_t>(largest)) << where;
                EXPECT_EQ(s[1], static_cast<int16_t>(smallest)) << where;
                EXPECT_EQ(s[2], static_cast<int16_t>(std::min<int32_t>(1, largest))) << where;
            }
        }
    }
    // 8 bits allocated: 6 stored with the top bits set; signed 8-bit samples
    DicomFile f;
    auto bytes = grey(8, 6, 5, false, std::string("\xFF\xC1", 2));
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    EXPECT_EQ(f.frameBuffer(1)[0], 63);
    EXPECT_EQ(f.frameBuffer(1)[1], 1);
    bytes = grey(8, 8, 7, true, std::string("\xFF\x80", 2));
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    ASSERT_EQ(f.bitsAllocated(), 16);
    EXPECT_EQ(samples(f)[0], -1);
    EXPECT_EQ(samples(f)[1], -128);
}

// Several windows with explanations; the MR edge case of the fitted window
// (auto) against the window as stored (file) and a given one.
TEST(WindowSources, TopLevelWindowsAndModes) {
    DicomFile f;
    const auto bytes = grey(16, 16, 15, false, words({0, 400, 800}), "MONOCHROME2 ", 1, [](DicomBytes& b) {
        b.element(0x0028, 0x1050, "DS", "300\\40 ");
        b.element(0x0028, 0x1051, "DS", "700\\400 ");
        b.element(0x0028, 0x1055, "LO", "MR\\OTHER ");
    });
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    const auto& w = f.fileWindows();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[1].center, 40);
    EXPECT_EQ(w[1].width, 400);
    EXPECT_EQ(w[0].explanation, "MR");
    EXPECT_EQ(w[1].explanation, "OTHER");
    // file: 300/700 as stored (-50 .. 650), so 800 lies above it
    auto out = f.frame8(1, {WindowMode::File, 0, 0});
    EXPECT_EQ(out[0], 18); // (0 - 299.5) / 699 + 0.5
    EXPECT_EQ(out[1], 164); // (400 - 299.5) / 699 + 0.5
    EXPECT_EQ(out[2], 255);
    out = f.frame8(1, {WindowMode::Given, 400, 2});
    EXPECT_EQ(out, (std::vector<uint8_t>{0, 255, 255}));
    // auto: the lower edge is below the minimum, so the range 0..800
    out = f.frame8(1);
    EXPECT_EQ(out[1], 127);
    EXPECT_EQ(f.windowCenter(), 400);

    // a narrow window in auto mode: samples far above it give 255
    DicomFile n;
    const auto narrow = grey(16, 16, 15, true, words({999, 1000, 3999, 4000}), "MONOCHROME2 ", 1, [](DicomBytes& b) {
        b.element(0x0028, 0x1050, "DS", "1000");
        b.element(0x0028, 0x1051, "DS", "2 ");
    });
    ASSERT_TRUE(n.openMemory(narrow.data(), narrow.size(), false));
    EXPECT_EQ(n.frame8(1), (std::vector<uint8_t>{0, 127, 255, 255}));
}

// Enhanced multi-frame: each frame's window in the per-frame functional
// groups, or one for all in the shared ones; a VOI LUT where there is none.
TEST(WindowSources, FunctionalGroupsAndVoiLut) {
    auto frameVoi = [](DicomBytes& b, const char* center, const char* width) {
        b.sequence(0x0028, 0x9132, 0xFFFFFFFF).item(0xFFFFFFFF);
        b.element(0x0028, 0x1050, "DS", center).element(0x0028, 0x1051, "DS", width);
        b.itemEnd().sequenceEnd();
    };
    const std::string pixels = words({0, 100, 200, 0, 100, 200});
    DicomFile f;
    auto bytes = grey(16, 16, 15, false, pixels, "MONOCHROME2 ", 2, [&](DicomBytes& b) {
        b.sequence(0x5200, 0x9230, 0xFFFFFFFF);
        for (const char* c : {"50", "150 "}) {
            b.item(0xFFFFFFFF);
            b.sequence(0x0020, 0x9111, 0xFFFFFFFF).sequenceEnd();
            frameVoi(b, c, "100 ");
            b.itemEnd();
        }
        b.sequenceEnd();
    });
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    ASSERT_EQ(f.frameCount(), 2);
    EXPECT_EQ(f.windows(1).at(0).center, 50);
    EXPECT_EQ(f.windows(2).at(0).center, 150);
    int32_t c = 0, w = 0;
    f.initialWindow(2, false, c, w);
    EXPECT_EQ(c, 150);
    EXPECT_EQ(f.frame8(1, {WindowMode::File, 0, 0})[1], 255);
    EXPECT_EQ(f.frame8(2, {WindowMode::File, 0, 0})[1], 0);

    bytes = grey(16, 16, 15, false, pixels, "MONOCHROME2 ", 2, [&](DicomBytes& b) {
        b.sequence(0x5200, 0x9229, 0xFFFFFFFF).item(0xFFFFFFFF);
        frameVoi(b, "100 ", "50");
        b.itemEnd().sequenceEnd();
    });
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    EXPECT_EQ(f.windows(2).at(0).width, 50);

    // VOI LUT of 4 entries from input 100, 8 bits: 0, 10, 20, 255
    bytes = grey(16, 16, 15, false, words({0, 101, 102, 200}), "MONOCHROME2 ", 1, [&](DicomBytes& b) {
        b.sequence(0x0028, 0x3010, 0xFFFFFFFF).item(0xFFFFFFFF);
        b.element(0x0028, 0x3002, "US", us(4) + us(100) + us(8));
        b.element(0x0028, 0x3006, "OW", words({0, 10, 20, 255}));
        b.itemEnd().sequenceEnd();
    });
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    EXPECT_TRUE(f.usesVoiLut(1));
    EXPECT_EQ(f.voiLut().center(), 102);
    EXPECT_EQ(f.frame8(1, {WindowMode::File, 0, 0}), (std::vector<uint8_t>{0, 10, 20, 255}));

    // auto applies the table too, also when its first input (100) lies below
    // every sample, where its equivalent window would count as unusable
    bytes = grey(16, 16, 15, false, words({101, 102, 103, 150}), "MONOCHROME2 ", 1, [&](DicomBytes& b) {
        b.sequence(0x0028, 0x3010, 0xFFFFFFFF).item(0xFFFFFFFF);
        b.element(0x0028, 0x3002, "US", us(4) + us(100) + us(8));
        b.element(0x0028, 0x3006, "OW", words({0, 10, 20, 255}));
        b.itemEnd().sequenceEnd();
    });
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    EXPECT_EQ(f.frame8(1), (std::vector<uint8_t>{10, 20, 255, 255}));
    DicomFile::DisplayWindow used;
    ASSERT_TRUE(f.displayWindow(1, {}, used));
    EXPECT_EQ(used.kind, DicomFile::DisplayWindow::Lookup);
    EXPECT_EQ(f.windowCenter(), 102);
}

TEST(WindowSources, WindowChoiceText) {
    WindowChoice c;
    EXPECT_TRUE(parseWindowChoice("file", c));
    EXPECT_EQ(c.mode, WindowMode::File);
    EXPECT_TRUE(parseWindowChoice("-600,1500.5", c));
    EXPECT_EQ(c.mode, WindowMode::Given);
    EXPECT_EQ(c.center, -600);
    EXPECT_EQ(c.width, 1500.5);
    for (const char* bad : {"", "Auto", "40", "40,0", "40,-1", "a,b", "40,400x", ",400"})
        EXPECT_FALSE(parseWindowChoice(bad, c)) << bad;
}
