// Colour-to-grey lookup used wherever the library turns RGB into grey.
#pragma once

#include <cstdint>

namespace veltor {

// The 16 MiB GreyTable: entry R * 65536 + G * 256 + B holds the integer part of
// 0.299 R + 0.587 G + 0.114 B + 0.5, clamped to 0 .. 255. Built on first use
// (thread-safe), never freed; contents are identical to a table built at start.
const uint8_t* greyTable();

inline uint8_t greyValue(uint8_t red, uint8_t green, uint8_t blue)
{
    return greyTable()[(static_cast<uint32_t>(red) << 16) | (static_cast<uint32_t>(green) << 8) | blue];
}

} // namespace veltor
