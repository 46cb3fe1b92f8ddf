// The eleven built-in colour palettes for grey frames.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace veltor {

// One palette entry, stored red, green, blue, 0.
struct PaletteEntry {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t reserved = 0;

    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

// A palette maps the 8-bit display value produced by the window to a colour.
using PaletteTable = std::array<PaletteEntry, 256>;

inline constexpr int kBuiltinPaletteCount = 11;
// "Grayscale", the palette every frame starts with.
inline constexpr int kGreyscalePalette = 7;
// Custom palettes are numbered from here (11 + index of the custom palette);
// a frame shows them through one custom slot, reported as this number.
inline constexpr int kCustomPaletteNumber = 11;

// The table of built-in palette `number` (0 .. 10). Any other number yields the
// grey ramp, so a bad number can never index past the tables.
const PaletteTable& builtinPalette(int number);

// The name of built-in palette `number` ("Blackbody" .. "Spectrum"), empty for
// numbers outside 0 .. 10.
std::string_view builtinPaletteName(int number);

} // namespace veltor
