// Integer pixel rectangles of a frame.
#pragma once

#include <cstdint>

namespace veltor {

// A rectangle in image pixels (x from the left, y from the top, both from 0).
// Whether right and bottom are inclusive depends on the use and is stated
// wherever a rectangle crosses an interface.
struct ImageRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;

    friend bool operator==(const ImageRect&, const ImageRect&) = default;
};

} // namespace veltor
