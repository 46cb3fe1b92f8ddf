// FFT filtering: curves, padding, the transform's round trip, rescaling,
// selections, refused arguments and ".fft" files.
#include "imaging/fft.h"
#include "imaging/fft_filter_file.h"
#include "imaging/image_buffer.h"

#include <gtest/gtest.h>

#include "imaging_test_support.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

namespace veltor {
namespace {

using testing::bytes;
using testing::make16;
using testing::make8;
using testing::samples16;

TEST(FftCurves, CutOffGainsAndShift)
{
    std::vector<double> c(64, 0.0);
    fft::butterworthCurve(c.data(), 64, 0, 2, 8, 0);
    EXPECT_DOUBLE_EQ(c[0], 1.0);
    EXPECT_NEAR(c[8], 0.7072, 1e-4);
    EXPECT_EQ(c[63 - 8], c[8]); // mirrored
    // Every family passes 1 / 1.414 at the cut-off and 1 at 0 for the low pass.
    for (int family = 0; family < 4; ++family) {
        const std::vector<double> f = fft::buildCurve(family, 64, 0, 3, 8, 0);
        ASSERT_EQ(f.size(), 64u);
        EXPECT_NEAR(f[8], 1 / 1.414, 1e-3) << family;
        EXPECT_NEAR(f[0], 1.0, 1e-9) << family;
        EXPECT_LT(f[31], 0.05) << family; // Bessel falls slowest
    }
    // High pass: 0 at i = 0; band reject: ~0 at the band centre.
    EXPECT_LT(fft::buildCurve(0, 64, 3, 1, 8, 0)[0], 1e-9);
    EXPECT_LT(fft::buildCurve(1, 64, 2, 1, 8, 16)[12], 1e-9);
    // Shift 0.5: a gain of 0 becomes 0.5, the largest stays.
    std::vector<double> s = {1.0, 0.5, 0.0};
    fft::applyShift(s, 0.5);
    EXPECT_EQ(s, (std::vector<double>{1.0, 0.75, 0.5}));
    fft::applyShift(s, 1.0); // no shift
    EXPECT_EQ(s, (std::vector<double>{1.0, 0.75, 0.5}));
    EXPECT_TRUE(fft::buildCurve(0, 64, 1, 1, 8, 8).empty());  // empty band
    EXPECT_TRUE(fft::buildCurve(0, 64, 0, 1, 33, 0).empty()); // beyond the spectrum
    EXPECT_TRUE(fft::buildCurve(4, 64, 0, 1, 8, 0).empty());  // no such family
}

TEST(FftPlane, PaddingRoundTripAndRescale)
{
    EXPECT_EQ(fft::paddedSize(300), 512);
    EXPECT_EQ(fft::paddedSize(200), 256);
    EXPECT_EQ(fft::paddedSize(256), 256);
    EXPECT_EQ(fft::paddedSize(1), 1);
    // An all-pass curve gives the plane back (300 x 200, padded to 512 x 256).
    std::mt19937 rng(1);
    const int w = 300, h = 200;
    std::vector<int32_t> plane(static_cast<size_t>(w * h));
    for (auto& v : plane)
        v = static_cast<int32_t>(rng() % 4096) - 1024;
    std::vector<int32_t> out(plane.size());
    const std::vector<double> pass(300, 1.0);
    ASSERT_TRUE(fft::filterPlane(plane, w, h, pass, out));
    int worst = 0;
    for (size_t i = 0; i < plane.size(); ++i)
        worst = std::max(worst, std::abs(out[i] - plane[i]));
    EXPECT_LE(worst, 1);
    EXPECT_EQ(*std::min_element(out.begin(), out.end()), *std::min_element(plane.begin(), plane.end()));
    EXPECT_EQ(*std::max_element(out.begin(), out.end()), *std::max_element(plane.begin(), plane.end()));
    // Odd and tiny sizes stay inside their planes.
    for (auto [pw, ph] : {std::pair{1, 1}, std::pair{1, 7}, std::pair{3, 5}}) {
        std::vector<int32_t> p(static_cast<size_t>(pw * ph), 9), o(p.size());
        p[0] = 1;
        ASSERT_TRUE(fft::filterPlane(p, pw, ph, std::vector<double>(std::max(pw, ph), 1.0), o));
        for (int32_t v : o) {
            EXPECT_GE(v, 1);
            EXPECT_LE(v, 9);
        }
    }
}

TEST(FftFilters, FramesKeepTheirRange)
{
    std::vector<uint8_t> grey(40 * 30);
    for (size_t i = 0; i < grey.size(); ++i)
        grey[i] = static_cast<uint8_t>(20 + (i * 13) % 200);
    const std::function<int(ImageBuffer&)> ops[] = {
        [](ImageBuffer& f) { return f.fftLowPass(0, 1, 5, 0.5); },
        [](ImageBuffer& f) { return f.fftHighPass(1, 2, 5, 0.2); },
        [](ImageBuffer& f) { return f.fftBandPass(2, 1, 3, 9, 0.0); },
        [](ImageBuffer& f) { return f.fftBandReject(3, 2, 3, 9, 0.99); },
        [](ImageBuffer& f) { return f.fftInverse(1, 5, 1.0); },
    };
    for (const auto& op : ops) {
        auto frame = make8(40, 30, false, grey);
        ASSERT_EQ(op(*frame), 1);
        const std::vector<uint8_t> out = bytes(*frame);
        EXPECT_EQ(*std::min_element(out.begin(), out.end()), 20);
        EXPECT_EQ(*std::max_element(out.begin(), out.end()), 219);
    }
    // A uniform frame stays uniform, 16-bit included.
    auto flat = make16(30, 20, std::vector<int16_t>(600, -700));
    ASSERT_EQ(flat->fftLowPass(0, 1, 3, 0.5), 1);
    EXPECT_EQ(samples16(*flat), std::vector<int16_t>(600, -700));
    // Shift 0.99 changes a frame only a little.
    auto gentle = make8(40, 30, false, grey);
    ASSERT_EQ(gentle->fftLowPass(0, 1, 2, 0.99), 1);
    const std::vector<uint8_t> g = bytes(*gentle);
    int worst = 0;
    for (size_t i = 0; i < g.size(); ++i)
        worst = std::max(worst, std::abs(int(g[i]) - int(grey[i])));
    EXPECT_LE(worst, 4);
}

TEST(FftFilters, SelectionAndRefusals)
{
    std::vector<uint8_t> rgb(16 * 16 * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<uint8_t>((i * 29) % 256);
    auto frame = make8(16, 16, true, rgb);
    frame->selectRectangle(ImageRect{4, 4, 11, 9});
    frame->differenceSelection(ImageRect{6, 6, 7, 7}); // a hole inside the box
    ASSERT_EQ(frame->fftLowPass(0, 1, 2, 0.0), 1);
    const std::vector<uint8_t> out = bytes(*frame);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const bool inside = x >= 4 && x <= 11 && y >= 4 && y <= 9 && !(x >= 6 && x <= 7 && y >= 6 && y <= 7);
            if (inside)
                continue;
            for (int c = 0; c < 3; ++c) {
                const auto i = static_cast<size_t>((y * 16 + x) * 3 + c);
                ASSERT_EQ(out[i], rgb[i]) << x << "," << y;
            }
        }
    EXPECT_NE(out, rgb);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::function<int(ImageBuffer&)> refused[] = {
        [&](ImageBuffer& f) { return f.fftLowPass(0, 1, 5, nan); },
        [&](ImageBuffer& f) { return f.fftHighPass(0, 1, 5, inf); },
        [](ImageBuffer& f) { return f.fftLowPass(0, 1, -1, 0.5); },
        [](ImageBuffer& f) { return f.fftLowPass(0, 1, 9, 0.5); }, // n / 2 = 8
        [](ImageBuffer& f) { return f.fftLowPass(0, 0, 5, 0.5); },
        [](ImageBuffer& f) { return f.fftLowPass(7, 1, 5, 0.5); },
        [](ImageBuffer& f) { return f.fftBandPass(0, 1, 5, 5, 0.5); },
        [](ImageBuffer& f) { return f.fftInverse(1, 9, 0.5); },
        [](ImageBuffer& f) { return f.fftCustom(std::vector<double>(15, 1.0)); },
        [&](ImageBuffer& f) { return f.fftCustom(std::vector<double>(16, nan)); },
    };
    auto plain = make8(16, 16, true, rgb);
    for (size_t i = 0; i < std::size(refused); ++i) {
        EXPECT_EQ(refused[i](*plain), 0) << i;
        EXPECT_EQ(plain->currentLevelIndex(), 0) << i;
    }
}

TEST(FftFilterFiles, ReadNormaliseResampleMirror)
{
    std::vector<double> values;
    ASSERT_TRUE(fft::parseFilterValues("2\n4\n-1\n", values));
    EXPECT_EQ(values, (std::vector<double>{0.5, 1.0, 0.0}));
    ASSERT_TRUE(fft::parseFilterValues("  1,5 \t3 ", values)); // a decimal comma
    EXPECT_EQ(values, (std::vector<double>{0.5, 1.0}));
    ASSERT_TRUE(fft::parseFilterValues("0 0", values)); // nothing to normalise by
    EXPECT_EQ(values, (std::vector<double>{0.0, 0.0}));
    for (const char* bad : {"", "  \n", "1 abc 2", "1 nan", "1e999"})
        EXPECT_FALSE(fft::parseFilterValues(bad, values)) << bad;
    EXPECT_FALSE(fft::parseFilterValues(std::string_view("1\0002", 3), values));

    // Two values spread over h = 4 entries: positions 0, 0.5, 1, 1.5.
    const std::vector<double> curve = fft::curveFromValues(std::vector<double>{0.0, 1.0}, 9);
    EXPECT_EQ(curve, (std::vector<double>{0.0, 0.5, 1.0, 1.0, 0.0, 1.0, 1.0, 0.5, 0.0}));
    // A million values resample without trouble.
    const std::vector<double> many(1000000, 1.0);
    EXPECT_EQ(fft::curveFromValues(many, 10), std::vector<double>(10, 1.0));

    EXPECT_EQ(fft::filterFileText(std::vector<double>{0.123456, 1.0, 7.0, 7.0}), "0.12346\n1.00000\n");
    const std::string path = ::testing::TempDir() + "/curve.fft";
    ASSERT_TRUE(fft::saveFilterFile(path, std::vector<double>{0.25, 1.0, 1.0, 0.25}));
    std::vector<double> loaded;
    ASSERT_TRUE(fft::loadFilterFile(path, 4, loaded));
    EXPECT_EQ(loaded, (std::vector<double>{0.25, 1.0, 1.0, 0.25}));
    EXPECT_FALSE(fft::loadFilterFile(path + ".missing", 4, loaded));
    EXPECT_FALSE(fft::saveFilterFile("/nonexistent-folder/x.fft", loaded));
}

} // namespace
} // namespace veltor
