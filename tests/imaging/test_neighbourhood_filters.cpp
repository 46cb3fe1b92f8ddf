// Neighbourhood filters on small frames: hand-computed results, the ring
// along the scope, refused arguments, 16-bit ranges, and the running-sum and
// running-histogram kernels against plain window scans.
#include "imaging/image_buffer.h"
#include "imaging/neighbourhood_filters.h"

#include <gtest/gtest.h>

#include "imaging_test_support.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <vector>

namespace veltor {
namespace {

using testing::bytes;
using testing::make16;
using testing::make8;
using testing::samples16;

const std::vector<uint8_t> kSpike = {10, 10, 10, 10, 200, 10, 10, 10, 10};

TEST(NeighbourhoodFilters, SpikeWindowResults)
{
    struct Case {
        const char* name;
        std::function<int(ImageBuffer&)> op;
        uint8_t centre;
    };
    const Case cases[] = {
        {"blur4 = 280 / 9", [](ImageBuffer& f) { return f.blur(4); }, 31},
        {"blur1 = (80 + 1600) / 16", [](ImageBuffer& f) { return f.blur(1); }, 105},
        {"median", [](ImageBuffer& f) { return f.medianFilter(1); }, 10},
        {"minimum", [](ImageBuffer& f) { return f.minimumFilter(1); }, 10},
        {"maximum", [](ImageBuffer& f) { return f.maximumFilter(1); }, 200},
        {"laplacian3 darker neighbours: negative -> 0", [](ImageBuffer& f) { return f.laplacian(3); }, 0},
        {"sharpen1 = 1000 - 40", [](ImageBuffer& f) { return f.sharpen(1); }, 255},
        {"dust t=20 replaces by the 4th smallest", [](ImageBuffer& f) { return f.dustAndScratches(1, 20); }, 10},
        {"dust t=190 keeps", [](ImageBuffer& f) { return f.dustAndScratches(1, 190); }, 200},
        {"smooth 50 = trunc(100 + 15.5)", [](ImageBuffer& f) { return f.smooth(50); }, 115},
        {"local average t=0 keeps", [](ImageBuffer& f) { return f.localAverage(0, 3); }, 200},
        {"local average t=200 takes the mean", [](ImageBuffer& f) { return f.localAverage(200, 3); }, 31},
        {"kirsch flat ring", [](ImageBuffer& f) { return f.kirsch(); }, 0},
    };
    for (const Case& c : cases) {
        auto frame = make8(3, 3, false, kSpike);
        ASSERT_EQ(c.op(*frame), 1) << c.name;
        std::vector<uint8_t> expected = kSpike;
        expected[4] = c.centre;
        EXPECT_EQ(bytes(*frame), expected) << c.name; // the ring keeps its values
        EXPECT_EQ(frame->currentLevelIndex(), 1) << c.name;
    }
}

TEST(NeighbourhoodFilters, GradientsAndGeometricMean)
{
    // A vertical step 0 | 255: Sobel's 1020 is limited to 255.
    std::vector<uint8_t> step(5 * 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 3; x < 5; ++x)
            step[static_cast<size_t>(y * 5 + x)] = 255;
    auto frame = make8(5, 3, false, step);
    ASSERT_EQ(frame->sobel(), 1);
    const std::vector<uint8_t> sobel = bytes(*frame);
    EXPECT_EQ(std::vector<uint8_t>(sobel.begin() + 5, sobel.begin() + 10),
              (std::vector<uint8_t>{0, 0, 255, 255, 255}));
    // Prewitt of a small step goes through the magnitude table: |g2| = 3 x 20.
    std::vector<uint8_t> small(9, 10);
    small[2] = small[5] = small[8] = 30;
    auto p = make8(3, 3, false, small);
    ASSERT_EQ(p->prewitt(), 1);
    EXPECT_EQ(bytes(*p)[4], 60);
    // A 0 anywhere in the window gives a geometric mean of 0; a flat window its value.
    std::vector<uint8_t> g(9, 100);
    auto flat = make8(3, 3, false, g);
    ASSERT_EQ(flat->geometricMean(), 1);
    EXPECT_EQ(bytes(*flat)[4], 100);
    g[0] = 0;
    auto zero = make8(3, 3, false, g);
    ASSERT_EQ(zero->geometricMean(), 1);
    EXPECT_EQ(bytes(*zero)[4], 0);
}

TEST(NeighbourhoodFilters, RefusedArgumentsPushNothing)
{
    auto frame = make8(8, 8, false, std::vector<uint8_t>(64, 7));
    const std::function<int(ImageBuffer&)> refused[] = {
        [](ImageBuffer& f) { return f.blur(5); },        [](ImageBuffer& f) { return f.sharpen(0); },
        [](ImageBuffer& f) { return f.laplacian(-1); },  [](ImageBuffer& f) { return f.localAverage(3, 4); },
        [](ImageBuffer& f) { return f.localAverage(-1, 0); }, [](ImageBuffer& f) { return f.smooth(101); },
        [](ImageBuffer& f) { return f.smooth(-1); },     [](ImageBuffer& f) { return f.medianFilter(0); },
        [](ImageBuffer& f) { return f.medianFilter(4); }, // a 9 x 9 window does not fit 8 x 8
        [](ImageBuffer& f) { return f.dustAndScratches(1, -1); }, [](ImageBuffer& f) { return f.unsharp(10, 0); },
        [](ImageBuffer& f) { return f.edgeEnhance(101); },
        [](ImageBuffer& f) { return f.customMask(CustomMask{1, {}}); },
        [](ImageBuffer& f) { return f.customMask(CustomMask{4, {CustomMaskPass::boxMean()}}); },
        [](ImageBuffer& f) {
            CustomMaskPass zero = CustomMaskPass::boxMean();
            zero.divisor = 0;
            return f.customMask(CustomMask{1, {zero}});
        },
        [](ImageBuffer& f) { return f.customMask(CustomMask{1, {CustomMaskPass{}}}); }, // all zeros
    };
    for (size_t i = 0; i < std::size(refused); ++i) {
        EXPECT_EQ(refused[i](*frame), 0) << i;
        EXPECT_EQ(frame->currentLevelIndex(), 0) << i;
        EXPECT_EQ(frame->history()->length(), 0) << i;
    }
    EXPECT_EQ(frame->smooth(0), 1); // pushes an unchanged level
    EXPECT_EQ(frame->currentLevelIndex(), 1);
}

TEST(NeighbourhoodFilters, SelectionRingAlongBoundingBox)
{
    std::vector<uint8_t> samples(8 * 8);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<uint8_t>((i * 37) % 251);
    auto frame = make8(8, 8, false, samples);
    frame->selectRectangle(ImageRect{2, 2, 5, 5}); // inclusive: a 4 x 4 box
    ASSERT_EQ(frame->blur(4), 1);
    const std::vector<uint8_t> out = bytes(*frame);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const size_t i = static_cast<size_t>(y * 8 + x);
            if (x >= 3 && x <= 4 && y >= 3 && y <= 4) {
                int s = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        s += samples[static_cast<size_t>((y + dy) * 8 + x + dx)];
                EXPECT_EQ(out[i], s / 9) << x << "," << y;
            } else {
                EXPECT_EQ(out[i], samples[i]) << x << "," << y;
            }
        }
}

// Plain scans of the clipped window, the references of the fast kernels.
template <typename T>
T rankOfWindow(const std::vector<T>& s, int w, int x, int y, int r, int channels, int c, size_t index)
{
    std::vector<T> win;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx)
            win.push_back(s[(static_cast<size_t>(y + dy) * w + x + dx) * channels + c]);
    std::sort(win.begin(), win.end());
    return win[index];
}

TEST(NeighbourhoodFilters, RankKernelsMatchWindowScans)
{
    std::mt19937 rng(11);
    const int w = 23, h = 17;
    for (int channels : {1, 3}) {
        std::vector<uint8_t> s(static_cast<size_t>(w * h * channels));
        for (auto& v : s)
            v = static_cast<uint8_t>(rng() % 256);
        for (int r : {1, 2, 4}) {
            const int n = (2 * r + 1) * (2 * r + 1);
            const std::pair<std::function<int(ImageBuffer&)>, size_t> ops[] = {
                {[r](ImageBuffer& f) { return f.medianFilter(r); }, static_cast<size_t>((n - 1) / 2)},
                {[r](ImageBuffer& f) { return f.minimumFilter(r); }, size_t{0}},
                {[r](ImageBuffer& f) { return f.maximumFilter(r); }, static_cast<size_t>(n - 1)},
            };
            for (const auto& [op, index] : ops) {
                auto frame = make8(w, h, channels == 3, s);
                ASSERT_EQ(op(*frame), 1);
                const std::vector<uint8_t> out = bytes(*frame);
                for (int y = r; y < h - r; ++y)
                    for (int x = r; x < w - r; ++x)
                        for (int c = 0; c < channels; ++c)
                            ASSERT_EQ(out[(static_cast<size_t>(y) * w + x) * channels + c],
                                      rankOfWindow(s, w, x, y, r, channels, c, index))
                                << "r " << r << " index " << index << " at " << x << "," << y;
            }
            // Dust and scratches, threshold 0: the ((n - 1) / 2)-th smallest (1-based)
            // wherever it differs; colour pixels change all channels together.
            auto frame = make8(w, h, channels == 3, s);
            ASSERT_EQ(frame->dustAndScratches(r, 0), 1);
            const std::vector<uint8_t> out = bytes(*frame);
            for (int y = r; y < h - r; ++y)
                for (int x = r; x < w - r; ++x)
                    for (int c = 0; c < channels; ++c)
                        ASSERT_EQ(out[(static_cast<size_t>(y) * w + x) * channels + c],
                                  rankOfWindow(s, w, x, y, r, channels, c, static_cast<size_t>((n - 1) / 2 - 1)));
        }
    }
}

// Windows of more than 65,535 samples, most of them of one value: a count
// that does not fit 16 bits.
TEST(NeighbourhoodFilters, RankKernelsOnWindowsAboveSixteenBitCounts)
{
    std::mt19937 rng(23);
    const int w = 260, h = 258, r = 128, channels = 3;
    const int n = (2 * r + 1) * (2 * r + 1);
    std::vector<uint8_t> s(static_cast<size_t>(w * h * channels));
    for (auto& v : s)
        v = static_cast<uint8_t>(rng() % 512 == 0 ? rng() % 256 : 7);
    auto median = make8(w, h, true, s);
    auto dust = make8(w, h, true, s);
    ASSERT_EQ(median->medianFilter(r), 1);
    ASSERT_EQ(dust->dustAndScratches(r, 0), 1);
    const std::vector<uint8_t> m = bytes(*median), d = bytes(*dust);
    for (int y = r; y < h - r; ++y)
        for (int x = r; x < w - r; ++x)
            for (int c = 0; c < channels; ++c) {
                const size_t i = (static_cast<size_t>(y) * w + x) * channels + c;
                ASSERT_EQ(m[i], rankOfWindow(s, w, x, y, r, channels, c, static_cast<size_t>((n - 1) / 2)));
                ASSERT_EQ(d[i], rankOfWindow(s, w, x, y, r, channels, c, static_cast<size_t>((n - 1) / 2 - 1)));
            }
}

TEST(NeighbourhoodFilters, SixteenBitRankKernelsMatchWindowScans)
{
    std::mt19937 rng(17);
    const int w = 41, h = 29;
    std::vector<int16_t> s(static_cast<size_t>(w * h));
    for (auto& v : s)
        v = static_cast<int16_t>(static_cast<int>(rng() % 40000) - 20000); // a range above 32,767
    // Small radii slide running histograms, larger ones use column histograms.
    for (int r : {1, 3, 4, 9, 14}) {
        const int n = (2 * r + 1) * (2 * r + 1);
        auto median = make16(w, h, s);
        auto dust = make16(w, h, s);
        ASSERT_EQ(median->medianFilter(r), 1);
        ASSERT_EQ(dust->dustAndScratches(r, 0), 1);
        const std::vector<int16_t> m = samples16(*median), d = samples16(*dust);
        for (int y = r; y < h - r; ++y)
            for (int x = r; x < w - r; ++x) {
                const size_t i = static_cast<size_t>(y * w + x);
                ASSERT_EQ(m[i], rankOfWindow(s, w, x, y, r, 1, 0, static_cast<size_t>((n - 1) / 2)));
                ASSERT_EQ(d[i], rankOfWindow(s, w, x, y, r, 1, 0, static_cast<size_t>((n - 1) / 2 - 1)));
            }
    }
}

TEST(NeighbourhoodFilters, SixteenBitDustKeepsUnselectedPixels)
{
    std::mt19937 rng(29);
    const int w = 41, h = 29;
    std::vector<int16_t> s(static_cast<size_t>(w * h));
    for (auto& v : s)
        v = static_cast<int16_t>(static_cast<int>(rng() % 3000) - 1000);
    for (int r : {2, 9}) {
        const int n = (2 * r + 1) * (2 * r + 1);
        auto dust = make16(w, h, s);
        ASSERT_EQ(dust->selectRectangle(ImageRect{1, 1, 39, 27}), 1);
        ASSERT_EQ(dust->differenceSelection(ImageRect{12, 12, 20, 14}), 1); // a hole
        ASSERT_EQ(dust->dustAndScratches(r, 0), 1);
        const std::vector<int16_t> d = samples16(*dust);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const size_t i = static_cast<size_t>(y * w + x);
                const bool hole = x >= 12 && x <= 20 && y >= 12 && y <= 14;
                const bool interior = x >= 1 + r && x <= 39 - r && y >= 1 + r && y <= 27 - r;
                if (interior && !hole)
                    ASSERT_EQ(d[i], rankOfWindow(s, w, x, y, r, 1, 0, static_cast<size_t>((n - 1) / 2 - 1)));
                else
                    ASSERT_EQ(d[i], s[i]) << "r " << r << " at " << x << "," << y;
            }
    }
}

TEST(NeighbourhoodFilters, ColourRankKernelsKeepUnselectedPixels)
{
    std::mt19937 rng(31);
    const int w = 30, h = 24, r = 3, channels = 3;
    const int n = (2 * r + 1) * (2 * r + 1);
    std::vector<uint8_t> s(static_cast<size_t>(w * h * channels));
    for (auto& v : s)
        v = static_cast<uint8_t>(rng() % 256);
    for (size_t index : {static_cast<size_t>((n - 1) / 2), static_cast<size_t>((n - 1) / 2 - 1)}) {
        const bool median = index == static_cast<size_t>((n - 1) / 2);
        auto frame = make8(w, h, true, s);
        ASSERT_EQ(frame->selectRectangle(ImageRect{1, 2, 27, 21}), 1);
        ASSERT_EQ(frame->differenceSelection(ImageRect{10, 9, 14, 11}), 1); // a hole
        ASSERT_EQ(median ? frame->medianFilter(r) : frame->dustAndScratches(r, 0), 1);
        const std::vector<uint8_t> out = bytes(*frame);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < channels; ++c) {
                    const size_t i = (static_cast<size_t>(y) * w + x) * channels + c;
                    const bool hole = x >= 10 && x <= 14 && y >= 9 && y <= 11;
                    const bool interior = x >= 1 + r && x <= 27 - r && y >= 2 + r && y <= 21 - r;
                    if (interior && !hole)
                        ASSERT_EQ(out[i], rankOfWindow(s, w, x, y, r, channels, c, index));
                    else
                        ASSERT_EQ(out[i], s[i]) << (median ? "median" : "dust") << " at " << x << "," << y;
                }
    }
}

TEST(NeighbourhoodFilters, UnsharpMatchesClippedMeans)
{
    std::mt19937 rng(3);
    const int w = 19, h = 13;
    std::vector<int16_t> s(static_cast<size_t>(w * h));
    for (auto& v : s)
        v = static_cast<int16_t>(static_cast<int>(rng() % 3000) - 1000);
    for (int r : {1, 5, 40}) { // 40 exceeds the frame: every window is the frame
        auto frame = make16(w, h, s);
        const int lo = frame->minValue(), hi = frame->maxValue();
        ASSERT_EQ(frame->unsharp(150, r), 1);
        const std::vector<int16_t> out = samples16(*frame);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                double sum = 0;
                int count = 0;
                for (int yy = std::max(0, y - r); yy <= std::min(h - 1, y + r); ++yy)
                    for (int xx = std::max(0, x - r); xx <= std::min(w - 1, x + r); ++xx, ++count)
                        sum += s[static_cast<size_t>(yy * w + xx)];
                const double v = 2.5 * s[static_cast<size_t>(y * w + x)] - 1.5 * (sum / count);
                const int expected = static_cast<int>(std::clamp(v, double(lo), double(hi)));
                ASSERT_EQ(out[static_cast<size_t>(y * w + x)], expected) << r << " at " << x << "," << y;
            }
    }
}

TEST(NeighbourhoodFilters, SixteenBitRangesAndWideHistograms)
{
    // A spike above a negative background: results stay inside the level's
    // minimum and maximum, and a range wider than 32,767 values works.
    std::vector<int16_t> s(25, -30000);
    s[12] = 30000;
    const std::function<int(ImageBuffer&)> ops[] = {
        [](ImageBuffer& f) { return f.sharpen(3); }, [](ImageBuffer& f) { return f.laplacian(1); },
        [](ImageBuffer& f) { return f.sobel(); },    [](ImageBuffer& f) { return f.kirsch(); },
        [](ImageBuffer& f) { return f.geometricMean(); },
    };
    for (const auto& op : ops) {
        auto frame = make16(5, 5, s);
        ASSERT_EQ(op(*frame), 1);
        for (int16_t v : samples16(*frame)) {
            EXPECT_GE(v, -30000);
            EXPECT_LE(v, 30000);
        }
    }
    auto dust = make16(5, 5, s);
    ASSERT_EQ(dust->dustAndScratches(1, 100), 1);
    EXPECT_EQ(samples16(*dust)[12], -30000);
    auto median = make16(5, 5, s);
    ASSERT_EQ(median->medianFilter(2), 1);
    EXPECT_EQ(samples16(*median)[12], -30000);
    // Geometric mean relative to the minimum: a flat window of min + 100.
    auto geo = make16(3, 3, std::vector<int16_t>{-900, -900, -900, -900, -900, -900, -900, -900, -1000});
    ASSERT_EQ(geo->geometricMean(), 1);
    EXPECT_EQ(samples16(*geo)[4], -1000); // the minimum in the window: ln 0
}

TEST(NeighbourhoodFilters, CustomMaskBordersAndPasses)
{
    // The default box mean: the border divisor follows the weight inside, so
    // a flat frame stays flat, corners included.
    auto flat = make8(4, 4, false, std::vector<uint8_t>(16, 90));
    ASSERT_EQ(flat->customMask(CustomMask{1, {CustomMaskPass::boxMean()}}), 1);
    EXPECT_EQ(bytes(*flat), std::vector<uint8_t>(16, 90));
    // Grid rows run along x: a weight at grid (4, 3) takes the right
    // neighbour; two passes shift by two in one level.
    CustomMaskPass right;
    right.grid[4 * 7 + 3] = 1;
    right.divisor = 1;
    std::vector<uint8_t> ramp = {0, 10, 20, 30, 40};
    auto frame = make8(5, 1, false, ramp);
    ASSERT_EQ(frame->customMask(CustomMask{1, {right, right}}), 1);
    EXPECT_EQ(frame->currentLevelIndex(), 1);
    // Pass 1: 10 20 30 40 0 (the last has no weight inside: S = 0);
    // pass 2: 20 30 40 0 0.
    EXPECT_EQ(bytes(*frame), (std::vector<uint8_t>{20, 30, 40, 0, 0}));
}

TEST(NeighbourhoodFilters, ChainsAreOneStep)
{
    std::vector<uint8_t> rgb(6 * 5 * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<uint8_t>(i * 7);
    auto frame = make8(6, 5, true, rgb);
    const std::vector<uint8_t> before = bytes(*frame);
    ASSERT_EQ(frame->enhancementChain(0.299f, 0.587f, 0.114f), 1);
    EXPECT_FALSE(frame->isColour());
    EXPECT_EQ(frame->currentLevelIndex(), 1);
    EXPECT_EQ(frame->lastLevelIndex(), 1);
    EXPECT_EQ(frame->history()->length(), 1);
    ASSERT_EQ(frame->undo(), 1);
    EXPECT_EQ(bytes(*frame), before);
    ASSERT_EQ(frame->redo(), 1);
    EXPECT_FALSE(frame->isColour());

    // Edge enhancement leaves only its own level behind: amount 100 is the
    // Prewitt result, 0 the frame as it was.
    std::vector<uint8_t> spike(25, 10);
    spike[12] = 200;
    auto a = make8(5, 5, false, spike);
    auto b = make8(5, 5, false, spike);
    ASSERT_EQ(a->edgeEnhance(100), 1);
    ASSERT_EQ(b->prewitt(), 1);
    EXPECT_EQ(bytes(*a), bytes(*b));
    EXPECT_EQ(a->history()->length(), 1);
    EXPECT_EQ(a->lastLevelIndex(), 1);
}

} // namespace
} // namespace veltor
