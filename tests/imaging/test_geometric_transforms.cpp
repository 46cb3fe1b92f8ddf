// Geometric transforms of ImageBuffer: sizes, sample placement, sampling
// methods, corner fills and undo.
#include "imaging/geometric_transforms.h"
#include "imaging/image_buffer.h"

#include <gtest/gtest.h>

#include "imaging_test_support.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace veltor {
namespace {

using testing::bytes;
using testing::make16;
using testing::make8;
using testing::samples16;


int32_t grey(const ImageBuffer& b, int32_t x, int32_t y)
{
    PixelValue v;
    EXPECT_TRUE(b.sampleAt(x, y, v)) << x << "," << y;
    return v.red;
}

std::vector<uint8_t> randomBytes(size_t n, std::mt19937& rng)
{
    std::uniform_int_distribution<int> d(0, 255);
    std::vector<uint8_t> v(n);
    for (auto& x : v) {
        x = static_cast<uint8_t>(d(rng));
    }
    return v;
}

// ---------------------------------------------------------------------------
// Quarter and half turns, flips: exact placement on a 3 x 2 frame
//   1 2 3
//   4 5 6

TEST(QuarterTurnsAndFlips, PlaceGreySamplesExactly)
{
    const std::vector<uint8_t> image{1, 2, 3, 4, 5, 6};
    struct Case {
        const char* name;
        int (ImageBuffer::*op)();
        int32_t width, height;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {"cw", &ImageBuffer::rotate90Clockwise, 2, 3, {4, 1, 5, 2, 6, 3}},
        {"ccw", &ImageBuffer::rotate90CounterClockwise, 2, 3, {3, 6, 2, 5, 1, 4}},
        {"180", &ImageBuffer::rotate180, 3, 2, {6, 5, 4, 3, 2, 1}},
        {"flipH", &ImageBuffer::flipHorizontal, 3, 2, {3, 2, 1, 6, 5, 4}},
        {"flipV", &ImageBuffer::flipVertical, 3, 2, {4, 5, 6, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        auto b = make8(3, 2, false, image);
        ASSERT_EQ(((*b).*c.op)(), 1) << c.name;
        EXPECT_EQ(b->width(), c.width) << c.name;
        EXPECT_EQ(b->height(), c.height) << c.name;
        EXPECT_EQ(bytes(*b), c.expected) << c.name;
        EXPECT_EQ(b->currentLevelIndex(), 1) << c.name;
    }
}

TEST(QuarterTurnsAndFlips, MoveColourPixelsAsWholeTriples)
{
    // 2 x 1 RGB: (1,2,3) (4,5,6)
    auto b = make8(2, 1, true, {1, 2, 3, 4, 5, 6});
    ASSERT_EQ(b->rotate90Clockwise(), 1);
    EXPECT_EQ(b->width(), 1);
    EXPECT_EQ(b->height(), 2);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    ASSERT_EQ(b->rotate90Clockwise(), 1); // now 2 x 1 again, turned 180
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{4, 5, 6, 1, 2, 3}));
    ASSERT_EQ(b->flipHorizontal(), 1);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
}

TEST(QuarterTurnsAndFlips, PropertiesHoldForEveryStoreAndSize)
{
    std::mt19937 rng(7);
    const int32_t sizes[][2] = {{1, 1}, {1, 7}, {7, 1}, {5, 3}, {33, 70}, {64, 64}};
    for (const auto& size : sizes) {
        const int32_t w = size[0];
        const int32_t h = size[1];
        for (int kind = 0; kind < 3; ++kind) {
            std::unique_ptr<ImageBuffer> b;
            if (kind == 2) {
                std::vector<int16_t> s(static_cast<size_t>(w) * h);
                std::uniform_int_distribution<int> d(-3000, 3000);
                for (auto& v : s) {
                    v = static_cast<int16_t>(d(rng));
                }
                b = make16(w, h, s);
            } else {
                b = make8(w, h, kind == 1, randomBytes(static_cast<size_t>(w) * h * (kind == 1 ? 3 : 1), rng));
            }
            const std::vector<uint8_t> original = bytes(*b);
            SCOPED_TRACE(::testing::Message() << w << "x" << h << " kind " << kind);

            for (int i = 0; i < 4; ++i) {
                ASSERT_EQ(b->rotate90Clockwise(), 1);
            }
            EXPECT_EQ(bytes(*b), original);
            ASSERT_EQ(b->rotate90CounterClockwise(), 1);
            ASSERT_EQ(b->rotate90Clockwise(), 1);
            EXPECT_EQ(bytes(*b), original);

            // A half turn is both flips.
            ASSERT_EQ(b->rotate180(), 1);
            const std::vector<uint8_t> turned = bytes(*b);
            ASSERT_EQ(b->rotate180(), 1);
            ASSERT_EQ(b->flipHorizontal(), 1);
            ASSERT_EQ(b->flipVertical(), 1);
            EXPECT_EQ(bytes(*b), turned);

            // Two quarter turns clockwise are a half turn.
            ASSERT_EQ(b->rotate180(), 1);
            ASSERT_EQ(b->rotate90Clockwise(), 1);
            ASSERT_EQ(b->rotate90Clockwise(), 1);
            EXPECT_EQ(bytes(*b), turned);

            // Undo walks every level back to level 0, byte for byte, sizes included.
            while (b->canUndo() != 0) {
                ASSERT_EQ(b->undo(), 1);
            }
            EXPECT_EQ(b->width(), w);
            EXPECT_EQ(b->height(), h);
            EXPECT_EQ(bytes(*b), original);
        }
    }
}

// A rotation of a non-square frame changes its size: the selection is
// replaced by an empty one of the new size, and again by undo.
TEST(QuarterTurnsAndFlips, SizeChangeResetsTheSelectionBothWays)
{
    auto b = make8(6, 4, false, std::vector<uint8_t>(24, 9));
    ASSERT_EQ(b->selectRectangle(ImageRect{1, 1, 3, 2}), 1);
    ASSERT_EQ(b->rotate90Clockwise(), 1);
    EXPECT_EQ(b->selection()->width(), 4);
    EXPECT_EQ(b->selection()->height(), 6);
    EXPECT_TRUE(b->selection()->isEmpty());
    ASSERT_EQ(b->undo(), 1);
    EXPECT_EQ(b->width(), 6);
    EXPECT_EQ(b->selection()->width(), 6);
    EXPECT_EQ(b->selection()->height(), 4);
    EXPECT_TRUE(b->selection()->isEmpty());
    // The selection entries went with the old selection: only the rotation
    // is left to redo, and nothing to undo.
    for (HistoryKind kind : b->history()->entries) {
        EXPECT_NE(kind, HistoryKind::Selection);
    }
    EXPECT_EQ(b->canUndo(), 0);
    ASSERT_EQ(b->redo(), 1);
    EXPECT_EQ(b->width(), 4);
}

// The selection never restricts a geometric transform.
TEST(QuarterTurnsAndFlips, IgnoreTheSelection)
{
    auto b = make8(4, 4, false, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    ASSERT_EQ(b->selectRectangle(ImageRect{0, 0, 1, 1}), 1);
    ASSERT_EQ(b->flipHorizontal(), 1);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12}));
}

// ---------------------------------------------------------------------------
// Rotation by an angle.

TEST(RotationByAngle, ThirtyDegreesOfA100By50FrameGives112By93WithFilledCorners)
{
    for (bool clockwise : {true, false}) {
        auto b = make8(100, 50, true, std::vector<uint8_t>(100 * 50 * 3, 200));
        b->setBackground8(0x332211); // R 0x11, G 0x22, B 0x33
        const int r = clockwise ? b->rotateClockwise(30.0f, 1) : b->rotateCounterClockwise(30.0f, 1);
        ASSERT_EQ(r, 1);
        EXPECT_EQ(b->width(), 112);
        EXPECT_EQ(b->height(), 93);
        for (auto [x, y] : {std::pair{0, 0}, {111, 0}, {0, 92}, {111, 92}}) {
            PixelValue v;
            ASSERT_TRUE(b->sampleAt(x, y, v));
            EXPECT_EQ(v, (PixelValue{0x11, 0x22, 0x33})) << x << "," << y << " cw " << clockwise;
        }
        PixelValue centre;
        ASSERT_TRUE(b->sampleAt(56, 46, centre));
        EXPECT_EQ(centre.red, 200);
        EXPECT_EQ(b->selection()->width(), 112);
    }
}

// Marks in the top-left and bottom-left corners of the frame show where the
// rotation puts them: clockwise, the frame's origin goes to (s H, 0) at the
// top edge; counter-clockwise to (0, s W) at the left edge.
TEST(RotationByAngle, TurnsInTheNamedDirection)
{
    std::vector<uint8_t> image(100 * 50, 100);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            image[y * 100 + x] = 200;        // top-left
            image[(y + 40) * 100 + x] = 50;  // bottom-left
        }
    }
    auto cw = make8(100, 50, false, image);
    ASSERT_EQ(cw->rotateClockwise(30.0f, 0), 1);
    EXPECT_EQ(grey(*cw, 26, 6), 200);
    EXPECT_EQ(grey(*cw, 6, 41), 50);
    EXPECT_EQ(grey(*cw, 0, 0), 0); // background8 starts at 0

    auto ccw = make8(100, 50, false, image);
    ASSERT_EQ(ccw->rotateCounterClockwise(30.0f, 0), 1);
    EXPECT_EQ(grey(*ccw, 6, 51), 200);
    EXPECT_EQ(grey(*ccw, 26, 86), 50);
}

// With a tiny angle the half-pixel offset makes nearest-neighbour sampling
// land on the pixel's own source: the frame comes back unchanged.
TEST(RotationByAngle, TinyAngleWithNearestSamplingIsTheIdentity)
{
    std::mt19937 rng(17);
    const std::vector<uint8_t> image = randomBytes(9 * 6 * 3, rng);
    std::vector<int16_t> deep(9 * 6);
    for (auto& v : deep) {
        v = static_cast<int16_t>(static_cast<int32_t>(rng() % 2000) - 1000);
    }
    for (bool clockwise : {true, false}) {
        for (int kind = 0; kind < 3; ++kind) {
            auto b = kind == 2 ? make16(9, 6, deep)
                               : make8(9, 6, kind == 1,
                                       std::vector<uint8_t>(image.begin(), image.begin() + 9 * 6 * (kind == 1 ? 3 : 1)));
            const std::vector<uint8_t> before = bytes(*b);
            ASSERT_EQ(clockwise ? b->rotateClockwise(0.001f, 0) : b->rotateCounterClockwise(0.001f, 0), 1);
            EXPECT_EQ(b->width(), 9);
            EXPECT_EQ(b->height(), 6);
            EXPECT_EQ(bytes(*b), before) << "clockwise " << clockwise << " kind " << kind;
        }
    }
}

TEST(RotationByAngle, ZeroNegativeAndNaNAnglesPushNothing)
{
    auto b = make8(5, 3, false, std::vector<uint8_t>(15, 1));
    EXPECT_EQ(b->rotateClockwise(0.0f, 1), 0);
    EXPECT_EQ(b->rotateCounterClockwise(-10.0f, 1), 0);
    EXPECT_EQ(b->rotateClockwise(std::numeric_limits<float>::quiet_NaN(), 1), 0);
    EXPECT_EQ(b->currentLevelIndex(), 0);
    EXPECT_EQ(b->canUndo(), 0);
}

TEST(RotationByAngle, NinetyOrMoreIsTheQuarterTurn)
{
    std::mt19937 rng(3);
    const std::vector<uint8_t> image = randomBytes(5 * 3 * 3, rng);
    for (bool clockwise : {true, false}) {
        for (float angle : {90.0f, 135.0f, std::numeric_limits<float>::infinity()}) {
            auto a = make8(5, 3, true, image);
            auto b = make8(5, 3, true, image);
            ASSERT_EQ(clockwise ? a->rotateClockwise(angle, 2) : a->rotateCounterClockwise(angle, 2), 1);
            ASSERT_EQ(clockwise ? b->rotate90Clockwise() : b->rotate90CounterClockwise(), 1);
            EXPECT_EQ(a->width(), 3);
            EXPECT_EQ(bytes(*a), bytes(*b)) << angle;
        }
    }
}

TEST(RotationByAngle, SixteenBitFillsWithBackgroundAndStaysInRange)
{
    std::vector<int16_t> s(40 * 30);
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<int16_t>((i * 37) % 2001) - 1000;
    }
    for (int method : {0, 1, 2}) {
        auto b = make16(40, 30, s);
        EXPECT_EQ(b->background16(), -1000);
        b->setBackground16(-7);
        ASSERT_EQ(b->rotateCounterClockwise(45.0f, method), 1);
        const int32_t w = b->width();
        const int32_t h = b->height();
        EXPECT_EQ(w, static_cast<int32_t>(std::cos(0.785398) * 70 + 0.5));
        const std::vector<int16_t> out = samples16(*b);
        EXPECT_EQ(out[0], -7);
        EXPECT_EQ(out[static_cast<size_t>(w) * h - 1], -7);
        for (int16_t v : out) {
            ASSERT_GE(v, -1000);
            ASSERT_LE(v, 1000);
        }
    }
}

TEST(RotationByAngle, SizeFollowsTheFloatConstants)
{
    // W' = integer part of (c W + s H + 0.5) with theta from single-precision
    // constants; the tiniest positive angle keeps the size.
    const RotationGeometry g = geometry::rotationGeometry(1e-6f, true, 17, 9);
    EXPECT_EQ(g.width, 17);
    EXPECT_EQ(g.height, 9);
    const RotationGeometry h = geometry::rotationGeometry(45.0f, false, 1, 1);
    EXPECT_EQ(h.width, 1); // 0.7071 + 0.7071 + 0.5 = 1.91
    EXPECT_NEAR(h.cosine, std::cos(45.0 * static_cast<double>(0.0055555557f) * static_cast<double>(3.14159f)), 1e-15);
}

// ---------------------------------------------------------------------------
// Resampling.

TEST(Resample, NearestTakesEveryOtherSampleWhenHalving)
{
    std::vector<uint8_t> image(16);
    for (int i = 0; i < 16; ++i) {
        image[i] = static_cast<uint8_t>(i);
    }
    auto b = make8(4, 4, false, image);
    ASSERT_EQ(b->resample(2, 2, 0), 1);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{0, 2, 8, 10})); // (0,0) (2,0) (0,2) (2,2)
}

TEST(Resample, BilinearDoublingClampsTheSecondNeighbourAtTheEdge)
{
    // 0   100      ->   0  50 100 100
    // 200  40         100  85  70  70
    //                 200 120  40  40
    //                 200 120  40  40
    auto b = make8(2, 2, false, {0, 100, 200, 40});
    ASSERT_EQ(b->resample(4, 4, 1), 1);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{0, 50, 100, 100, 100, 85, 70, 70, 200, 120, 40, 40, 200, 120, 40, 40}));
}

TEST(Resample, BicubicSplineSpreadsAnImpulseWithoutRenormalising)
{
    // At zero offset the B-spline taps are 1/6, 4/6, 1/6: an impulse of 255
    // becomes 255 x {1, 4, 1} x {1, 4, 1} / 36, truncated.
    auto b = make8(3, 3, false, {0, 0, 0, 0, 255, 0, 0, 0, 0});
    ASSERT_EQ(b->resample(3, 3, 2), 1);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{7, 28, 7, 28, 113, 28, 7, 28, 7}));

    // Taps outside the frame are left out: a flat 60 darkens to
    // 60 x (5/6)^2 = 41.7 in the corner.
    auto flat = make8(3, 3, false, std::vector<uint8_t>(9, 60));
    ASSERT_EQ(flat->resample(3, 3, 2), 1);
    EXPECT_EQ(grey(*flat, 0, 0), 41);
    EXPECT_EQ(grey(*flat, 2, 2), 41);
}

// Rotation samples through sampleAt, resampling through a row-hoisted copy of
// the same bilinear arithmetic: the two must agree bit for bit.
TEST(Resample, BilinearPathsAgreeWithTheSharedSampler)
{
    std::mt19937 rng(21);
    for (int32_t channels : {1, 3}) {
        const std::vector<uint8_t> image = randomBytes(static_cast<size_t>(7 * 5 * channels), rng);
        const int32_t nw = 17;
        const int32_t nh = 6;
        std::vector<uint8_t> fast(static_cast<size_t>(nw * nh * channels));
        std::vector<uint8_t> shared(fast.size());
        geometry::resample(image.data(), 7, 5, channels, fast.data(), nw, nh, ScalingMethod::Bilinear,
                           SampleRange{0, 255});
        for (int32_t y = 0; y < nh; ++y) {
            for (int32_t x = 0; x < nw; ++x) {
                geometry::sampleAt(image.data(), 7, 5, channels, x * (7.0 / nw), y * (5.0 / nh),
                                   ScalingMethod::Bilinear, SampleRange{0, 255},
                                   shared.data() + (static_cast<size_t>(y) * nw + x) * channels);
            }
        }
        EXPECT_EQ(fast, shared) << channels;
    }
    // By hand: between 100 and 40 a quarter of the way down, the second
    // column clamped to the first: 0.75 x 100 + 0.25 x 40.
    const uint8_t square[] = {0, 100, 200, 40};
    uint8_t out = 0;
    geometry::sampleAt(square, 2, 2, 1, 1.5, 0.25, ScalingMethod::Bilinear, SampleRange{0, 255}, &out);
    EXPECT_EQ(out, 85);
    geometry::sampleAt(square, 2, 2, 1, 0.5, 0.5, ScalingMethod::Bilinear, SampleRange{0, 255}, &out);
    EXPECT_EQ(out, 85);
    const int16_t deep[] = {-300, 100, 500, -40};
    int16_t low = 0;
    geometry::sampleAt(deep, 2, 2, 1, 0.25, 0.0, ScalingMethod::Bilinear, SampleRange{-200, 400}, &low);
    EXPECT_EQ(low, -200); // -200 exactly, also the level's minimum
    geometry::sampleAt(deep, 2, 2, 1, 0.0, 0.75, ScalingMethod::Bilinear, SampleRange{-200, 400}, &low);
    EXPECT_EQ(low, 300); // 0.25 x -300 + 0.75 x 500
}

TEST(Resample, ColourAndSixteenBit)
{
    auto rgb = make8(2, 1, true, {0, 10, 200, 100, 30, 0});
    ASSERT_EQ(rgb->resample(4, 1, 1), 1);
    EXPECT_EQ(bytes(*rgb), (std::vector<uint8_t>{0, 10, 200, 50, 20, 100, 100, 30, 0, 100, 30, 0}));

    auto s = make16(2, 1, {-1000, 1000});
    ASSERT_EQ(s->resample(4, 2, 1), 1);
    EXPECT_EQ(samples16(*s), (std::vector<int16_t>{-1000, 0, 1000, 1000, -1000, 0, 1000, 1000}));
    EXPECT_EQ(s->minValue(), -1000);
}

TEST(Resample, RefusesSizesThatCannotExist)
{
    auto b = make8(4, 4, false, std::vector<uint8_t>(16, 3));
    EXPECT_EQ(b->resample(0, 4, 1), 0);
    EXPECT_EQ(b->resample(4, -1, 1), 0);
    EXPECT_EQ(b->resample(65536, 65536, 0), 0);
    EXPECT_EQ(b->lastError(), LibraryError::MemoryAllocation);
    EXPECT_EQ(b->currentLevelIndex(), 0);
    EXPECT_EQ(b->width(), 4);
}

// ---------------------------------------------------------------------------
// Crop.

TEST(Crop, CopiesTheRectangleAndRefusesOneOutsideTheFrame)
{
    std::vector<uint8_t> image(12);
    for (int i = 0; i < 12; ++i) {
        image[i] = static_cast<uint8_t>(i);
    }
    auto b = make8(4, 3, false, image); // rows 0..3, 4..7, 8..11
    ASSERT_EQ(b->crop(1, 1, 3, 3), 1);
    EXPECT_EQ(b->width(), 2);
    EXPECT_EQ(b->height(), 2);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{5, 6, 9, 10}));

    auto c = make8(4, 3, false, image);
    EXPECT_EQ(c->crop(-1, 0, 2, 2), 0);
    EXPECT_EQ(c->crop(0, 0, 5, 2), 0);
    EXPECT_EQ(c->crop(2, 0, 2, 2), 0);
    EXPECT_EQ(c->crop(0, 2, 4, 1), 0);
    EXPECT_EQ(c->currentLevelIndex(), 0);
    ASSERT_EQ(c->crop(0, 0, 4, 3), 1); // the whole frame is a valid rectangle
    EXPECT_EQ(bytes(*c), image);
}

// ---------------------------------------------------------------------------
// Canvas resizing.

TEST(ResizeCanvas, AnchorsPlaceTheImageAndFillTheRest)
{
    // 2 x 2 image into 4 x 3; fill 0x0907 -> grey low byte 7.
    const std::vector<uint8_t> image{1, 2, 3, 4};
    struct Case {
        int32_t anchor;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {0, {1, 2, 7, 7, 3, 4, 7, 7, 7, 7, 7, 7}},
        {1, {7, 1, 2, 7, 7, 3, 4, 7, 7, 7, 7, 7}},
        {2, {7, 7, 1, 2, 7, 7, 3, 4, 7, 7, 7, 7}},
        {3, {1, 2, 7, 7, 3, 4, 7, 7, 7, 7, 7, 7}}, // dh = 1: half of it is 0
        {4, {7, 1, 2, 7, 7, 3, 4, 7, 7, 7, 7, 7}},
        {5, {7, 7, 1, 2, 7, 7, 3, 4, 7, 7, 7, 7}},
        {6, {7, 7, 7, 7, 1, 2, 7, 7, 3, 4, 7, 7}},
        {7, {7, 7, 7, 7, 7, 1, 2, 7, 7, 3, 4, 7}},
        {8, {7, 7, 7, 7, 7, 7, 1, 2, 7, 7, 3, 4}},
    };
    for (const Case& c : cases) {
        auto b = make8(2, 2, false, image);
        ASSERT_EQ(b->resizeCanvas(4, 3, c.anchor, 0x0907), 1);
        EXPECT_EQ(b->width(), 4);
        EXPECT_EQ(b->height(), 3);
        EXPECT_EQ(bytes(*b), c.expected) << "anchor " << c.anchor;
    }
}

TEST(ResizeCanvas, ShrinkingCentredTakesTheOddPixelFromTheRightAndBottom)
{
    std::vector<uint8_t> image(16);
    for (int i = 0; i < 16; ++i) {
        image[i] = static_cast<uint8_t>(i); // value = 4 y + x
    }
    const std::pair<int32_t, uint8_t> cases[] = {{0, 0}, {2, 3}, {4, 5}, {6, 12}, {8, 15}};
    for (auto [anchor, value] : cases) {
        auto b = make8(4, 4, false, image);
        ASSERT_EQ(b->resizeCanvas(1, 1, anchor, 0), 1);
        EXPECT_EQ(bytes(*b), std::vector<uint8_t>{value}) << "anchor " << anchor;
    }
    // 4 x 2 to 2 x 4 middle-right: the right two columns, one fill row above and below.
    auto b = make8(4, 2, false, {1, 2, 3, 4, 5, 6, 7, 8});
    ASSERT_EQ(b->resizeCanvas(2, 4, 5, 0), 1);
    EXPECT_EQ(bytes(*b), (std::vector<uint8_t>{0, 0, 3, 4, 7, 8, 0, 0}));
}

TEST(ResizeCanvas, FillRulesPerStore)
{
    auto rgb = make8(1, 1, true, {1, 2, 3});
    ASSERT_EQ(rgb->resizeCanvas(2, 1, 0, 0x00CCBBAA), 1);
    EXPECT_EQ(bytes(*rgb), (std::vector<uint8_t>{1, 2, 3, 0xAA, 0xBB, 0xCC}));

    auto s = make16(2, 1, {-50, 300});
    ASSERT_EQ(s->resizeCanvas(4, 1, 0, 100), 1);
    EXPECT_EQ(samples16(*s), (std::vector<int16_t>{-50, 300, 100, 100}));
    auto out = make16(2, 1, {-50, 300});
    ASSERT_EQ(out->resizeCanvas(4, 1, 0, 301), 1); // outside minValue .. maxValue
    EXPECT_EQ(samples16(*out), (std::vector<int16_t>{-50, 300, -50, -50}));
}

TEST(ResizeCanvas, AnchorOutsideTheGridDoesNothing)
{
    auto b = make8(2, 2, false, {1, 2, 3, 4});
    EXPECT_EQ(b->resizeCanvas(4, 4, 9, 0), 0);
    EXPECT_EQ(b->resizeCanvas(4, 4, -1, 0), 0);
    EXPECT_EQ(b->resizeCanvas(0, 4, 4, 0), 0);
    EXPECT_EQ(b->currentLevelIndex(), 0);
}

// ---------------------------------------------------------------------------

// Arguments straight from hostile callers: every call either pushes one
// level of the size it promises or returns 0 and leaves the frame alone.
// Run under the sanitizers, this also proves no sample is read or written
// outside its level.
TEST(GeometricTransforms, HostileArgumentsNeverCorruptTheFrame)
{
    std::mt19937 rng(99);
    auto any = [&](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); };
    // Sizes stay small or are far too large to exist (65536 x 65536 and up).
    const int32_t extremes[] = {INT32_MIN, -1, 0, 1, 2, 65536, INT32_MAX};
    auto wild = [&]() { return any(0, 3) == 0 ? extremes[any(0, 6)] : any(-4, 12); };
    for (int round = 0; round < 60; ++round) {
        const int kind = round % 3;
        const int32_t w = any(1, 9);
        const int32_t h = any(1, 9);
        std::unique_ptr<ImageBuffer> b;
        if (kind == 2) {
            std::vector<int16_t> s(static_cast<size_t>(w) * h);
            for (auto& v : s) {
                v = static_cast<int16_t>(any(-32768, 32767));
            }
            b = make16(w, h, s);
        } else {
            b = make8(w, h, kind == 1, randomBytes(static_cast<size_t>(w) * h * (kind == 1 ? 3 : 1), rng));
        }
        for (int step = 0; step < 12; ++step) {
            const int32_t before = b->currentLevelIndex();
            const std::vector<uint8_t> samples = bytes(*b);
            const int32_t a1 = wild();
            const int32_t a2 = wild();
            const int32_t a3 = wild();
            const int32_t a4 = wild();
            int r = 0;
            switch (any(0, 8)) {
            case 0:
                r = b->crop(a1, a2, a3, a4);
                break;
            case 1:
                r = b->resizeCanvas(a1, a2, a3, a4);
                break;
            case 2:
                r = b->resample(a1, a2, a3);
                break;
            case 3: {
                const float angles[] = {-1.0f, 0.5f, 33.3f, 89.99f, 1e30f, std::numeric_limits<float>::quiet_NaN()};
                r = b->rotateClockwise(angles[any(0, 5)], a3);
                break;
            }
            case 4:
                r = b->threshold(a1, a2, a3);
                break;
            case 5:
                r = b->brightnessContrast(static_cast<int16_t>(a1), static_cast<int16_t>(a2));
                break;
            case 6:
                r = b->fillValue(a1);
                break;
            case 7:
                r = b->selectRectangle(ImageRect{a1, a2, a3, a4});
                break;
            default:
                r = b->equalize(a1);
                break;
            }
            const ImageLevel* level = b->currentLevel();
            ASSERT_NE(level, nullptr);
            ASSERT_GT(level->width, 0);
            ASSERT_GT(level->height, 0);
            ASSERT_EQ(static_cast<int64_t>(level->dataSize),
                      static_cast<int64_t>(level->width) * level->height * (kind == 2 ? 2 : level->channels()));
            if (r == 0) {
                ASSERT_EQ(b->currentLevelIndex(), before);
                ASSERT_EQ(bytes(*b), samples);
            }
        }
        while (b->canUndo() != 0) {
            ASSERT_EQ(b->undo(), 1);
        }
        EXPECT_EQ(b->width(), w);
        EXPECT_EQ(b->height(), h);
    }
}

TEST(GeometricTransforms, BufferWithoutStoreReturnsZero)
{
    ImageBuffer empty;
    EXPECT_EQ(empty.rotate180(), 0);
    EXPECT_EQ(empty.rotate90Clockwise(), 0);
    EXPECT_EQ(empty.flipVertical(), 0);
    EXPECT_EQ(empty.rotateClockwise(30.0f, 1), 0);
    EXPECT_EQ(empty.resample(4, 4, 1), 0);
    EXPECT_EQ(empty.crop(0, 0, 1, 1), 0);
    EXPECT_EQ(empty.resizeCanvas(4, 4, 4, 0), 0);
}

} // namespace
} // namespace veltor
