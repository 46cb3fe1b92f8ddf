#include "imaging/palettes.h"

#include <cmath>
#include <cstddef>
#include <initializer_list>

namespace veltor {

namespace {

struct ControlPoint {
    int index;
    int red;
    int green;
    int blue;
};

// Entries between two control points lie on the straight line between them,
// rounded to the nearest unit (halves away from zero).
int interpolate(int from, int to, int step, int steps)
{
    return static_cast<int>(std::lround(from + static_cast<double>(to - from) * step / steps));
}

void ramp(PaletteTable& table, const ControlPoint& a, const ControlPoint& b)
{
    const int steps = b.index - a.index;
    for (int i = a.index; i <= b.index; ++i) {
        const int step = i - a.index;
        PaletteEntry& e = table[static_cast<size_t>(i)];
        e.red = static_cast<uint8_t>(steps == 0 ? b.red : interpolate(a.red, b.red, step, steps));
        e.green = static_cast<uint8_t>(steps == 0 ? b.green : interpolate(a.green, b.green, step, steps));
        e.blue = static_cast<uint8_t>(steps == 0 ? b.blue : interpolate(a.blue, b.blue, step, steps));
        e.reserved = 0;
    }
}

PaletteTable fromControlPoints(std::initializer_list<ControlPoint> points)
{
    PaletteTable table{};
    const ControlPoint* previous = nullptr;
    for (const ControlPoint& p : points) {
        if (previous != nullptr)
            ramp(table, *previous, p);
        previous = &p;
    }
    return table;
}

// Consecutive ramps, each from black at its first entry to its own end colour.
PaletteTable fromBlackRamps(std::initializer_list<ControlPoint> ends, int firstIndex)
{
    PaletteTable table{};
    int start = firstIndex;
    for (const ControlPoint& end : ends) {
        ramp(table, ControlPoint{start, 0, 0, 0}, end);
        start = end.index + 1;
    }
    return table;
}

PaletteTable greyRamp()
{
    PaletteTable table{};
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = PaletteEntry{static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i), 0};
    return table;
}

PaletteTable greyRain()
{
    PaletteTable table = greyRamp();
    static constexpr ControlPoint kMarks[] = {
        {16, 175, 0, 255},  {32, 95, 0, 255},   {48, 15, 0, 255},   {64, 0, 64, 255},  {80, 0, 143, 255},
        {96, 0, 223, 255},  {112, 0, 255, 207}, {128, 0, 255, 128}, {144, 0, 255, 47}, {160, 31, 255, 0},
        {176, 111, 255, 0}, {192, 192, 255, 0}, {208, 255, 239, 0}, {224, 255, 159, 0}, {240, 255, 79, 0},
    };
    for (const ControlPoint& p : kMarks)
        table[static_cast<size_t>(p.index)] =
            PaletteEntry{static_cast<uint8_t>(p.red), static_cast<uint8_t>(p.green), static_cast<uint8_t>(p.blue), 0};
    return table;
}

struct BuiltinPalettes {
    PaletteTable tables[kBuiltinPaletteCount];

    BuiltinPalettes()
        : tables{
              // 0 Blackbody
              fromControlPoints({{0, 0, 0, 0}, {85, 255, 0, 0}, {170, 255, 255, 0}, {255, 255, 255, 255}}),
              // 1 Cardiac
              fromControlPoints({{0, 72, 192, 0},
                                 {15, 47, 223, 123},
                                 {31, 0, 233, 255},
                                 {47, 0, 127, 255},
                                 {65, 1, 64, 255},
                                 {79, 15, 15, 255},
                                 {96, 19, 0, 230},
                                 {111, 31, 0, 207},
                                 {144, 163, 0, 124},
                                 {159, 223, 0, 64},
                                 {175, 225, 31, 0},
                                 {223, 255, 239, 0},
                                 {240, 169, 221, 11},
                                 {255, 71, 191, 0}}),
              // 2 Fiveramp
              fromBlackRamps({{50, 0, 0, 250}, {101, 0, 250, 0}, {152, 250, 250, 0}, {203, 250, 0, 0},
                              {255, 255, 255, 255}},
                             0),
              // 3 Flow
              fromControlPoints({{0, 32, 200, 255},
                                 {60, 17, 20, 255},
                                 {63, 17, 20, 255},
                                 {127, 0, 0, 0},
                                 {191, 255, 2, 0},
                                 {223, 255, 128, 0},
                                 {255, 255, 255, 255}}),
              // 4 Fusion16
              fromBlackRamps({{15, 0, 31, 31},
                              {31, 0, 63, 63},
                              {47, 0, 95, 95},
                              {63, 0, 127, 127},
                              {79, 31, 95, 159},
                              {95, 63, 63, 191},
                              {111, 95, 31, 223},
                              {127, 127, 0, 255},
                              {143, 159, 191, 31},
                              {159, 191, 63, 128},
                              {175, 223, 95, 63},
                              {191, 255, 127, 3},
                              {207, 255, 159, 63},
                              {223, 255, 191, 127},
                              {239, 255, 223, 191},
                              {255, 255, 255, 255}},
                             0),
              // 5 GE_Color
              fromControlPoints(
                  {{0, 0, 0, 0}, {63, 0, 127, 126}, {127, 127, 0, 255}, {191, 255, 127, 0}, {255, 255, 255, 255}}),
              // 6 GrayRain
              greyRain(),
              // 7 Grayscale
              greyRamp(),
              // 8 Hotiron
              fromControlPoints({{0, 0, 0, 0}, {128, 255, 0, 0}, {191, 255, 126, 0}, {255, 255, 255, 255}}),
              // 9 NIH
              fromControlPoints({{0, 0, 0, 0},
                                 {15, 85, 0, 170},
                                 {31, 0, 0, 85},
                                 {63, 0, 0, 255},
                                 {79, 0, 85, 255},
                                 {95, 0, 170, 170},
                                 {111, 0, 255, 170},
                                 {127, 0, 255, 0},
                                 {143, 127, 255, 85},
                                 {159, 255, 255, 0},
                                 {217, 255, 0, 0},
                                 {255, 171, 0, 0}}),
              // 10 Spectrum
              fromControlPoints({{0, 255, 0, 255},
                                 {51, 0, 0, 255},
                                 {102, 0, 255, 255},
                                 {153, 0, 255, 0},
                                 {204, 255, 255, 0},
                                 {255, 255, 0, 0}}),
          }
    {
    }
};

const BuiltinPalettes& palettes()
{
    static const BuiltinPalettes instance;
    return instance;
}

constexpr std::string_view kNames[kBuiltinPaletteCount] = {
    "Blackbody", "Cardiac", "Fiveramp", "Flow", "Fusion16", "GE_Color",
    "GrayRain",  "Grayscale", "Hotiron", "NIH", "Spectrum",
};

} // namespace

const PaletteTable& builtinPalette(int number)
{
    if (number < 0 || number >= kBuiltinPaletteCount)
        number = kGreyscalePalette;
    return palettes().tables[number];
}

std::string_view builtinPaletteName(int number)
{
    if (number < 0 || number >= kBuiltinPaletteCount)
        return {};
    return kNames[number];
}

} // namespace veltor
