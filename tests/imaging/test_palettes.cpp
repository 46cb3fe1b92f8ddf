#include "imaging/palettes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace veltor {
namespace {

struct Point {
    int index, r, g, b;
};

struct PaletteCase {
    int number;
    std::vector<Point> points;
};

// Control points of the piecewise-linear palettes, as published for them.
const std::vector<PaletteCase> kLinear = {
    {0, {{0, 0, 0, 0}, {85, 255, 0, 0}, {170, 255, 255, 0}, {255, 255, 255, 255}}},
    {1,
     {{0, 72, 192, 0},    {15, 47, 223, 123}, {31, 0, 233, 255},  {47, 0, 127, 255},  {65, 1, 64, 255},
      {79, 15, 15, 255},  {96, 19, 0, 230},   {111, 31, 0, 207},  {144, 163, 0, 124}, {159, 223, 0, 64},
      {175, 225, 31, 0},  {223, 255, 239, 0}, {240, 169, 221, 11}, {255, 71, 191, 0}}},
    {3,
     {{0, 32, 200, 255}, {60, 17, 20, 255}, {63, 17, 20, 255}, {127, 0, 0, 0}, {191, 255, 2, 0},
      {223, 255, 128, 0}, {255, 255, 255, 255}}},
    {5, {{0, 0, 0, 0}, {63, 0, 127, 126}, {127, 127, 0, 255}, {191, 255, 127, 0}, {255, 255, 255, 255}}},
    {8, {{0, 0, 0, 0}, {128, 255, 0, 0}, {191, 255, 126, 0}, {255, 255, 255, 255}}},
    {9,
     {{0, 0, 0, 0},     {15, 85, 0, 170},   {31, 0, 0, 85},    {63, 0, 0, 255},   {79, 0, 85, 255},
      {95, 0, 170, 170}, {111, 0, 255, 170}, {127, 0, 255, 0}, {143, 127, 255, 85}, {159, 255, 255, 0},
      {217, 255, 0, 0}, {255, 171, 0, 0}}},
    {10, {{0, 255, 0, 255}, {51, 0, 0, 255}, {102, 0, 255, 255}, {153, 0, 255, 0}, {204, 255, 255, 0}, {255, 255, 0, 0}}},
};

// Each channel of every entry between two points within one unit of the line.
void expectOnLines(const PaletteTable& t, const std::vector<Point>& points)
{
    for (size_t k = 0; k + 1 < points.size(); ++k) {
        const Point& a = points[k];
        const Point& b = points[k + 1];
        for (int i = a.index; i <= b.index; ++i) {
            const double f = static_cast<double>(i - a.index) / (b.index - a.index);
            const PaletteEntry& e = t[static_cast<size_t>(i)];
            EXPECT_LE(std::fabs(e.red - (a.r + f * (b.r - a.r))), 0.5) << "entry " << i;
            EXPECT_LE(std::fabs(e.green - (a.g + f * (b.g - a.g))), 0.5) << "entry " << i;
            EXPECT_LE(std::fabs(e.blue - (a.b + f * (b.b - a.b))), 0.5) << "entry " << i;
        }
    }
    for (const Point& p : points) {
        const PaletteEntry& e = t[static_cast<size_t>(p.index)];
        EXPECT_EQ(e, (PaletteEntry{static_cast<uint8_t>(p.r), static_cast<uint8_t>(p.g), static_cast<uint8_t>(p.b), 0}))
            << "control point " << p.index;
    }
}

TEST(Palettes, NamesInMenuOrder)
{
    const char* names[] = {"Blackbody", "Cardiac",   "Fiveramp", "Flow", "Fusion16", "GE_Color",
                           "GrayRain",  "Grayscale", "Hotiron",  "NIH",  "Spectrum"};
    for (int i = 0; i < kBuiltinPaletteCount; ++i)
        EXPECT_EQ(builtinPaletteName(i), names[i]);
    EXPECT_TRUE(builtinPaletteName(11).empty());
    EXPECT_TRUE(builtinPaletteName(-1).empty());
}

TEST(Palettes, LinearPalettesPassThroughTheirControlPoints)
{
    for (const PaletteCase& c : kLinear) {
        SCOPED_TRACE(builtinPaletteName(c.number));
        expectOnLines(builtinPalette(c.number), c.points);
    }
    // In-between entries are rounded to the nearest unit, halves up.
    EXPECT_EQ(builtinPalette(0)[1].red, 3);   // 3.0
    EXPECT_EQ(builtinPalette(8)[1].red, 2);   // 1.99
    EXPECT_EQ(builtinPalette(8)[64].red, 128);  // 127.5 rounds up
}

TEST(Palettes, RampPalettesStartEachBandBlack)
{
    const PaletteTable& five = builtinPalette(2);
    const int starts[] = {0, 51, 102, 153, 204};
    const Point ends[] = {{50, 0, 0, 250}, {101, 0, 250, 0}, {152, 250, 250, 0}, {203, 250, 0, 0}, {255, 255, 255, 255}};
    for (int k = 0; k < 5; ++k)
        expectOnLines(five, {{starts[k], 0, 0, 0}, ends[k]});

    const PaletteTable& fusion = builtinPalette(4);
    const Point bandEnds[] = {{15, 0, 31, 31},     {31, 0, 63, 63},     {47, 0, 95, 95},     {63, 0, 127, 127},
                              {79, 31, 95, 159},   {95, 63, 63, 191},   {111, 95, 31, 223},  {127, 127, 0, 255},
                              {143, 159, 191, 31}, {159, 191, 63, 128}, {175, 223, 95, 63},  {191, 255, 127, 3},
                              {207, 255, 159, 63}, {223, 255, 191, 127}, {239, 255, 223, 191}, {255, 255, 255, 255}};
    for (int k = 0; k < 16; ++k)
        expectOnLines(fusion, {{16 * k, 0, 0, 0}, bandEnds[k]});
}

TEST(Palettes, GreyRampAndGreyRain)
{
    const PaletteTable& grey = builtinPalette(kGreyscalePalette);
    const PaletteTable& rain = builtinPalette(6);
    const Point marks[] = {{16, 175, 0, 255},  {32, 95, 0, 255},   {48, 15, 0, 255},   {64, 0, 64, 255},
                           {80, 0, 143, 255},  {96, 0, 223, 255},  {112, 0, 255, 207}, {128, 0, 255, 128},
                           {144, 0, 255, 47},  {160, 31, 255, 0},  {176, 111, 255, 0}, {192, 192, 255, 0},
                           {208, 255, 239, 0}, {224, 255, 159, 0}, {240, 255, 79, 0}};
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<uint8_t>(i);
        EXPECT_EQ(grey[static_cast<size_t>(i)], (PaletteEntry{v, v, v, 0}));
        if (i % 16 != 0 || i == 0) {
            EXPECT_EQ(rain[static_cast<size_t>(i)], (PaletteEntry{v, v, v, 0})) << i;
        }
    }
    for (const Point& p : marks)
        EXPECT_EQ(rain[static_cast<size_t>(p.index)],
                  (PaletteEntry{static_cast<uint8_t>(p.r), static_cast<uint8_t>(p.g), static_cast<uint8_t>(p.b), 0}));
}

TEST(Palettes, EveryEntryStoresZeroInTheFourthByteAndBadNumbersGiveGrey)
{
    for (int n = 0; n < kBuiltinPaletteCount; ++n)
        for (const PaletteEntry& e : builtinPalette(n))
            EXPECT_EQ(e.reserved, 0);
    EXPECT_EQ(builtinPalette(11), builtinPalette(kGreyscalePalette));
    EXPECT_EQ(builtinPalette(-3), builtinPalette(kGreyscalePalette));
}

} // namespace
} // namespace veltor
