// Neighbourhood filters of an ImageBuffer: fixed 3 x 3 masks, gradient
// operators, rank filters and the parameterised filters behind the dialogs
// (smoothing, local averaging, unsharp filtering, edge enhancement, dust and
// scratches, geometric mean, user-defined masks).
//
// Every filter reads the untouched previous level and writes the new one,
// inside the apply scope and only on selected pixels. Windowed filters leave
// a ring as wide as their radius along the scope (the image, or the
// selection's bounding box) unchanged, so no window ever reaches outside the
// frame. Colour frames are filtered per channel unless a filter says
// otherwise; results are held to 0 .. 255 for 8-bit stores and to the
// level's minValue .. maxValue for 16-bit ones.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace veltor {

// The three 3 x 3 mask families, four masks each, numbered 1 .. 4. Masks are
// written row by row from the top and applied as a true convolution: the
// neighbour at (dx, dy) meets entry (1 - dy, 1 - dx), so the top-left
// neighbour meets the bottom-right entry.
enum class MaskFamily { Blur, Laplacian, Sharp };

struct Mask3 {
    std::array<int32_t, 9> k{};
    // The sum of the entries, or 1 when they sum to 0.
    int32_t divisor() const;
};

// Mask `number` (1 .. 4) of a family; false for any other number.
bool mask3(MaskFamily family, int32_t number, Mask3& mask);

// One pass of a user-defined mask: a 7 x 7 grid of weights whose (2r + 1)
// square centre is used, and the divisor of a full window. grid[row * 7 +
// column]; the weight of the neighbour at (dx, dy) is grid[(3 + dx) * 7 + 3 +
// dy] (grid rows run along the image's x axis, and the mask is not turned
// around).
struct CustomMaskPass {
    std::array<int32_t, 49> grid{};
    int32_t divisor = 1;

    // The 3 x 3 box mean: ones around the centre, divisor 9.
    static CustomMaskPass boxMean();
};

// A user-defined filter: one radius (1, 2 or 3) shared by one to three passes,
// each reading the previous pass's result.
struct CustomMask {
    int32_t radius = 1;
    std::vector<CustomMaskPass> passes;

    static constexpr int32_t kMaxPasses = 3;
};

// Why a user-defined mask cannot run; Ok when it can.
enum class CustomMaskProblem { Ok, Radius, NoPasses, TooManyPasses, Divisor, AllZero };
CustomMaskProblem checkCustomMask(const CustomMask& mask);

} // namespace veltor
