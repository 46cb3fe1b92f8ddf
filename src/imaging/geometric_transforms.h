// Geometric transforms: the pixel kernels behind the quarter and half turns,
// the mirror flips, rotation by an angle, resampling, cropping and canvas
// resizing of an ImageBuffer.
//
// Every kernel is written once as a template over the sample type (uint8_t for
// grey and RGB frames, int16_t for 12- and 16-bit grey frames) and works on
// plain top-down rows of interleaved samples: `channels` samples per pixel,
// width x channels samples per row, no padding. A kernel reads the previous
// level and writes every sample of the new one; it never works in place and
// never allocates.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace veltor {

// Sampling used by rotation by an angle and by resampling. The numbers are the
// positions in the method lists of the rotate and resample dialogs.
enum class ScalingMethod : int32_t {
    NearestNeighbour = 0,
    Bilinear = 1,
    Bicubic = 2, // cubic B-spline over 4 x 4 samples
};

// The limits a computed sample is held to: 0 .. 255 for 8-bit stores, the
// level's minValue .. maxValue for 16-bit ones.
struct SampleRange {
    int32_t low = 0;
    int32_t high = 255;
};

// The range of a store with samples of type T: 0 .. 255 for 8-bit stores, the
// level's minimum and maximum for 16-bit ones (kept inside int16_t and
// ordered whatever the level record says).
template <typename T>
SampleRange sampleRange(int32_t minValue, int32_t maxValue)
{
    if constexpr (std::is_same_v<T, uint8_t>) {
        return SampleRange{0, 255};
    } else {
        const int32_t low = std::clamp<int32_t>(minValue, INT16_MIN, INT16_MAX);
        return SampleRange{low, std::clamp<int32_t>(maxValue, low, INT16_MAX)};
    }
}

// Size and trigonometry of a rotation by an angle in (0, 90) degrees.
struct RotationGeometry {
    double cosine = 1.0;
    double sine = 0.0;
    int32_t width = 0;  // of the rotated frame
    int32_t height = 0;
};

// Offsets of the kept block when a canvas is resized: the block starts at
// (sourceX, sourceY) in the old level and at (destX, destY) in the new one.
struct CanvasPlacement {
    int32_t destX = 0;
    int32_t destY = 0;
    int32_t sourceX = 0;
    int32_t sourceY = 0;
    int32_t copyWidth = 0;
    int32_t copyHeight = 0;
};

namespace geometry {

// Degrees to radians with the single-precision constants the viewer has
// always used (1/180 and pi, both rounded to float). The clockwise rotation
// stores theta as a float, the counter-clockwise one keeps the full product;
// the two directions therefore differ in the last bits, as they always have.
RotationGeometry rotationGeometry(float angleDegrees, bool clockwise, int32_t width, int32_t height);

// Offsets for resizing a width x height canvas to newWidth x newHeight (all
// four positive) with `anchor` (0 .. 8, the 3 x 3 grid row by row, valid).
CanvasPlacement canvasPlacement(int32_t width, int32_t height, int32_t newWidth, int32_t newHeight,
                                int32_t anchor);

// Cubic B-spline weight R(t) = (P(t+2)^3 - 4 P(t+1)^3 + 6 P(t)^3 - 4 P(t-1)^3) / 6
// with P(u) = max(u, 0). The weights of the four taps around a point sum to 1.
inline double cubicWeight(double t)
{
    auto cube = [](double u) { return u > 0.0 ? u * u * u : 0.0; };
    return (cube(t + 2.0) - 4.0 * cube(t + 1.0) + 6.0 * cube(t) - 4.0 * cube(t - 1.0)) / 6.0;
}

// Truncation toward zero held to the range. NaN (a zero-width window divided
// by itself) becomes the low limit rather than an undefined conversion.
inline int32_t truncateToRange(double value, SampleRange range)
{
    if (!(value == value)) {
        return range.low;
    }
    if (value <= static_cast<double>(range.low)) {
        return range.low;
    }
    if (value >= static_cast<double>(range.high)) {
        return range.high;
    }
    return static_cast<int32_t>(value);
}

// ---------------------------------------------------------------------------
// Moves without interpolation: colour pixels move as whole R, G, B triples.

// new(x, y) = old(W - 1 - x, H - 1 - y); the size is kept.
template <typename T>
void rotate180(const T* src, T* dst, int32_t width, int32_t height, int32_t channels)
{
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (channels == 1) {
        std::reverse_copy(src, src + pixels, dst);
        return;
    }
    const T* from = src + pixels * channels;
    for (size_t i = 0; i < pixels; ++i) {
        from -= channels;
        std::copy(from, from + channels, dst + i * channels);
    }
}

// new(x, y) = old(W - 1 - x, y).
template <typename T>
void flipHorizontal(const T* src, T* dst, int32_t width, int32_t height, int32_t channels)
{
    const size_t row = static_cast<size_t>(width) * channels;
    for (int32_t y = 0; y < height; ++y) {
        const T* from = src + y * row + row;
        T* to = dst + y * row;
        for (int32_t x = 0; x < width; ++x) {
            from -= channels;
            std::copy(from, from + channels, to);
            to += channels;
        }
    }
}

// new(x, y) = old(x, H - 1 - y).
template <typename T>
void flipVertical(const T* src, T* dst, int32_t width, int32_t height, int32_t channels)
{
    const size_t row = static_cast<size_t>(width) * channels;
    for (int32_t y = 0; y < height; ++y) {
        std::copy(src + (height - 1 - y) * row, src + (height - y) * row, dst + y * row);
    }
}

// Quarter turns: the new level is H wide and W high. Written as a walk over
// the source rows so that reads stay sequential; the destination is filled
// column by column in tiles small enough to stay in cache.
//   clockwise:         new(x, y) = old(y, H - 1 - x)
//   counter-clockwise: new(x, y) = old(W - 1 - y, x)
template <typename T>
void rotate90(const T* src, T* dst, int32_t width, int32_t height, int32_t channels, bool clockwise)
{
    const int32_t newWidth = height;
    constexpr int32_t kTile = 32;
    for (int32_t y0 = 0; y0 < height; y0 += kTile) {
        const int32_t y1 = std::min(height, y0 + kTile);
        for (int32_t x0 = 0; x0 < width; x0 += kTile) {
            const int32_t x1 = std::min(width, x0 + kTile);
            for (int32_t y = y0; y < y1; ++y) {
                const T* from = src + (static_cast<size_t>(y) * width + x0) * channels;
                for (int32_t x = x0; x < x1; ++x, from += channels) {
                    // old(x, y) lands at new(H - 1 - y, x) clockwise, new(y, W - 1 - x) otherwise.
                    const int32_t nx = clockwise ? height - 1 - y : y;
                    const int32_t ny = clockwise ? x : width - 1 - x;
                    T* to = dst + (static_cast<size_t>(ny) * newWidth + nx) * channels;
                    for (int32_t c = 0; c < channels; ++c) {
                        to[c] = from[c];
                    }
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------
// Interpolating samplers shared by rotation and resampling. (sx, sy) lies
// inside the frame: 0 <= sx < W and 0 <= sy < H. The method and the channel
// count are template parameters so that the per-pixel loops carry no
// branches on them; sampleAt below picks the instance at run time.

template <typename T, int32_t Channels, ScalingMethod Method>
void sampleFixed(const T* src, int32_t width, int32_t height, double sx, double sy, SampleRange range, T* out)
{
    const int32_t x0 = std::min(static_cast<int32_t>(sx), width - 1);
    const int32_t y0 = std::min(static_cast<int32_t>(sy), height - 1);
    const size_t row = static_cast<size_t>(width) * Channels;
    if constexpr (Method == ScalingMethod::NearestNeighbour) {
        const T* p = src + y0 * row + static_cast<size_t>(x0) * Channels;
        for (int32_t c = 0; c < Channels; ++c) {
            out[c] = p[c];
        }
    } else if constexpr (Method == ScalingMethod::Bilinear) {
        const double fx = sx - x0;
        const double fy = sy - y0;
        // The second neighbour is held at the last row and column, so the
        // edge never reads past the frame.
        const int32_t x1 = std::min(x0 + 1, width - 1);
        const int32_t y1 = std::min(y0 + 1, height - 1);
        const double w00 = (1.0 - fx) * (1.0 - fy);
        const double w10 = fx * (1.0 - fy);
        const double w01 = (1.0 - fx) * fy;
        const double w11 = fx * fy;
        const T* r0 = src + y0 * row;
        const T* r1 = src + y1 * row;
        for (int32_t c = 0; c < Channels; ++c) {
            const double v = w00 * r0[x0 * Channels + c] + w10 * r0[x1 * Channels + c] +
                             w01 * r1[x0 * Channels + c] + w11 * r1[x1 * Channels + c];
            out[c] = static_cast<T>(truncateToRange(v, range));
        }
    } else {
        // B-spline over the 4 x 4 neighbourhood; taps outside the frame are
        // left out and the remaining weights are deliberately not
        // renormalised, so the border darkens slightly.
        const double fx = sx - x0;
        const double fy = sy - y0;
        double wx[4];
        double wy[4];
        for (int32_t i = 0; i < 4; ++i) {
            wx[i] = cubicWeight(static_cast<double>(i - 1) - fx);
            wy[i] = cubicWeight(fy - static_cast<double>(i - 1));
        }
        double sum[Channels] = {};
        const bool inside = x0 >= 1 && y0 >= 1 && x0 + 2 < width && y0 + 2 < height;
        for (int32_t k = 0; k < 4; ++k) {
            const int32_t y = y0 + k - 1;
            if (!inside && (y < 0 || y >= height)) {
                continue;
            }
            const T* r = src + y * row;
            for (int32_t m = 0; m < 4; ++m) {
                const int32_t x = x0 + m - 1;
                if (!inside && (x < 0 || x >= width)) {
                    continue;
                }
                const double w = wx[m] * wy[k];
                for (int32_t c = 0; c < Channels; ++c) {
                    sum[c] += w * r[x * Channels + c];
                }
            }
        }
        for (int32_t c = 0; c < Channels; ++c) {
            out[c] = static_cast<T>(truncateToRange(sum[c], range));
        }
    }
}

// Calls body(std::integral_constant<int32_t, channels>, method constant) for
// the run-time channel count (1 or 3) and method.
template <typename Body>
void withFixedSampling(int32_t channels, ScalingMethod method, Body&& body)
{
    auto byMethod = [&](auto channelCount) {
        switch (method) {
        case ScalingMethod::NearestNeighbour:
            body(channelCount, std::integral_constant<ScalingMethod, ScalingMethod::NearestNeighbour>{});
            break;
        case ScalingMethod::Bilinear:
            body(channelCount, std::integral_constant<ScalingMethod, ScalingMethod::Bilinear>{});
            break;
        default:
            body(channelCount, std::integral_constant<ScalingMethod, ScalingMethod::Bicubic>{});
            break;
        }
    };
    if (channels == 3) {
        byMethod(std::integral_constant<int32_t, 3>{});
    } else {
        byMethod(std::integral_constant<int32_t, 1>{});
    }
}

template <typename T>
void sampleAt(const T* src, int32_t width, int32_t height, int32_t channels, double sx, double sy,
              ScalingMethod method, SampleRange range, T* out)
{
    withFixedSampling(channels, method, [&](auto channelCount, auto fixedMethod) {
        sampleFixed<T, decltype(channelCount)::value, decltype(fixedMethod)::value>(src, width, height, sx, sy,
                                                                                    range, out);
    });
}

// Rotation by an angle into a newWidth x newHeight level (see
// rotationGeometry). Pixels whose source position falls outside the frame
// get `fill` (channels samples). For new (x', y') the source position is
//   clockwise:         sx = c x' + s y' - s c H + 0.5,  sy = c y' - s x' + s s H + 0.5
//   counter-clockwise: sx = c x' - s y' + s s W + 0.5,  sy = c y' + s x' - s c W + 0.5
// evaluated in that order; the +0.5 makes the sampler's truncation round to
// the nearest pixel.
template <typename T>
void rotateByAngle(const T* src, int32_t width, int32_t height, int32_t channels, T* dst,
                   const RotationGeometry& geometry, bool clockwise, ScalingMethod method,
                   const T* fill, SampleRange range)
{
    const double c = geometry.cosine;
    const double s = geometry.sine;
    const double shiftX = clockwise ? -(s * c * height) : s * s * width;
    const double shiftY = clockwise ? s * s * height : -(s * c * width);
    const double xFromY = clockwise ? s : -s; // d sx / d y'
    const double yFromX = clockwise ? -s : s; // d sy / d x'
    withFixedSampling(channels, method, [&](auto channelCount, auto fixedMethod) {
        constexpr int32_t kChannels = decltype(channelCount)::value;
        T* to = dst;
        for (int32_t ny = 0; ny < geometry.height; ++ny) {
            for (int32_t nx = 0; nx < geometry.width; ++nx, to += kChannels) {
                const double sx = c * nx + xFromY * ny + shiftX + 0.5;
                const double sy = c * ny + yFromX * nx + shiftY + 0.5;
                if (!(sx >= 0.0 && sx < width && sy >= 0.0 && sy < height)) {
                    for (int32_t k = 0; k < kChannels; ++k) {
                        to[k] = fill[k];
                    }
                    continue;
                }
                sampleFixed<T, kChannels, decltype(fixedMethod)::value>(src, width, height, sx, sy, range, to);
            }
        }
    });
}

// Bilinear resampling with a compile-time channel count. The column terms
// are worked out once per block of columns (in a small table on the stack)
// and the row terms once per row; the arithmetic is that of sampleAt, term
// for term, so the results are identical.
template <typename T, int32_t Channels>
void resampleBilinear(const T* src, int32_t width, int32_t height, T* dst, int32_t newWidth, int32_t newHeight,
                      SampleRange range)
{
    constexpr int32_t kBlock = 256;
    const double ry = static_cast<double>(height) / newHeight;
    const double rx = static_cast<double>(width) / newWidth;
    const size_t row = static_cast<size_t>(width) * Channels;
    const size_t newRow = static_cast<size_t>(newWidth) * Channels;
    // Weights are convex and samples finite, so the sum is never NaN.
    const double low = range.low;
    const double high = range.high;
    int32_t left[kBlock];
    int32_t right[kBlock];
    double fraction[kBlock];
    for (int32_t bx = 0; bx < newWidth; bx += kBlock) {
        const int32_t count = std::min(kBlock, newWidth - bx);
        for (int32_t j = 0; j < count; ++j) {
            const double sx = (bx + j) * rx;
            left[j] = std::min(static_cast<int32_t>(sx), width - 1);
            right[j] = std::min(left[j] + 1, width - 1);
            fraction[j] = sx - left[j];
        }
        for (int32_t ny = 0; ny < newHeight; ++ny) {
            const double sy = ny * ry;
            const int32_t y0 = std::min(static_cast<int32_t>(sy), height - 1);
            const int32_t y1 = std::min(y0 + 1, height - 1);
            const double fy = sy - y0;
            const T* r0 = src + y0 * row;
            const T* r1 = src + y1 * row;
            T* to = dst + ny * newRow + static_cast<size_t>(bx) * Channels;
            for (int32_t j = 0; j < count; ++j, to += Channels) {
                const double fx = fraction[j];
                const double w00 = (1.0 - fx) * (1.0 - fy);
                const double w10 = fx * (1.0 - fy);
                const double w01 = (1.0 - fx) * fy;
                const double w11 = fx * fy;
                const int32_t x0 = left[j] * Channels;
                const int32_t x1 = right[j] * Channels;
                for (int32_t c = 0; c < Channels; ++c) {
                    const double v = w00 * r0[x0 + c] + w10 * r0[x1 + c] + w01 * r1[x0 + c] + w11 * r1[x1 + c];
                    to[c] = static_cast<T>(static_cast<int32_t>(std::min(std::max(v, low), high)));
                }
            }
        }
    }
}

// Resampling to newWidth x newHeight: new (x', y') samples old (x' W / W',
// y' H / H') with no half-pixel offset, so the first row and column are kept.
template <typename T>
void resample(const T* src, int32_t width, int32_t height, int32_t channels, T* dst,
              int32_t newWidth, int32_t newHeight, ScalingMethod method, SampleRange range)
{
    if (method == ScalingMethod::Bilinear) {
        if (channels == 3) {
            resampleBilinear<T, 3>(src, width, height, dst, newWidth, newHeight, range);
        } else {
            resampleBilinear<T, 1>(src, width, height, dst, newWidth, newHeight, range);
        }
        return;
    }
    const double ry = static_cast<double>(height) / newHeight;
    const double rx = static_cast<double>(width) / newWidth;
    T* to = dst;
    for (int32_t ny = 0; ny < newHeight; ++ny) {
        const double sy = ny * ry;
        for (int32_t nx = 0; nx < newWidth; ++nx, to += channels) {
            sampleAt(src, width, height, channels, nx * rx, sy, method, range, to);
        }
    }
}

// Copies the rectangle [left, right) x [top, bottom), which lies inside the
// frame, into a (right - left) x (bottom - top) level.
template <typename T>
void crop(const T* src, int32_t width, int32_t channels, T* dst, int32_t left, int32_t top,
          int32_t right, int32_t bottom)
{
    const size_t row = static_cast<size_t>(width) * channels;
    const size_t newRow = static_cast<size_t>(right - left) * channels;
    for (int32_t y = top; y < bottom; ++y) {
        const T* from = src + y * row + static_cast<size_t>(left) * channels;
        std::copy(from, from + newRow, dst + (y - top) * newRow);
    }
}

// Fills the new canvas with `fill` (channels samples) and copies the kept
// block of the old level into it.
template <typename T>
void resizeCanvas(const T* src, int32_t width, int32_t channels, T* dst, int32_t newWidth,
                  int32_t newHeight, const CanvasPlacement& placement, const T* fill)
{
    const size_t pixels = static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight);
    if (channels == 1) {
        std::fill(dst, dst + pixels, fill[0]);
    } else {
        for (size_t i = 0; i < pixels; ++i) {
            std::copy(fill, fill + channels, dst + i * channels);
        }
    }
    const size_t row = static_cast<size_t>(width) * channels;
    const size_t newRow = static_cast<size_t>(newWidth) * channels;
    const size_t span = static_cast<size_t>(placement.copyWidth) * channels;
    for (int32_t j = 0; j < placement.copyHeight; ++j) {
        const T* from = src + (placement.sourceY + j) * row + static_cast<size_t>(placement.sourceX) * channels;
        std::copy(from, from + span,
                  dst + (placement.destY + j) * newRow + static_cast<size_t>(placement.destX) * channels);
    }
}

} // namespace geometry
} // namespace veltor
