// Intensity operations: the point operations of an ImageBuffer that change
// sample values without moving them (inverse, histogram equalization, auto
// levels, brightness and contrast, thresholding, removal of burned-in
// annotations, grey and colour conversion, filling).
//
// The kernels are templates over the sample type (uint8_t for grey and RGB
// frames, int16_t for 12- and 16-bit grey frames). They read the previous
// level `src` and write the new level `dst`, which starts as a copy of `src`,
// and touch only the selected pixels of the apply scope (ApplyRegion). Results
// are held to the store's SampleRange: 0 .. 255 for 8-bit stores, the level's
// minValue .. maxValue for 16-bit ones. "Integer part" always means
// truncation toward zero.
#pragma once

#include "imaging/geometric_transforms.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace veltor {

// Where a point operation writes: the apply scope (right and bottom
// exclusive) and the frame's selection mask (width x height bytes, non-zero =
// selected), or no mask when the selection is empty and every pixel of the
// scope counts as selected.
struct ApplyRegion {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    const uint8_t* mask = nullptr;

    int64_t area() const { return static_cast<int64_t>(right - left) * (bottom - top); }
};

// The four modes of threshold(), numbered as in the dialog's "Between
// Limits" group.
enum class ThresholdMode : int32_t {
    KeepValues = 0,
    ApplyWindow = 1,
    BlackAndWhite = 2,
    Stretch = 3,
};

namespace intensity {

// Calls visit(first, last) for every run of consecutive selected pixels of
// the region, as pixel indexes [first, last) counted from the first sample of
// a frame `width` pixels wide. Without a mask every row of the scope is one
// run, which keeps the kernels' inner loops plain enough to vectorise.
template <typename VisitRun>
void forEachSelectedRun(const ApplyRegion& region, int32_t width, VisitRun&& visit)
{
    for (int32_t y = region.top; y < region.bottom; ++y) {
        const size_t rowStart = static_cast<size_t>(y) * static_cast<size_t>(width);
        if (region.mask == nullptr) {
            visit(rowStart + static_cast<size_t>(region.left), rowStart + static_cast<size_t>(region.right));
            continue;
        }
        const uint8_t* mask = region.mask + rowStart;
        int32_t x = region.left;
        while (x < region.right) {
            while (x < region.right && mask[x] == 0) {
                ++x;
            }
            const int32_t first = x;
            while (x < region.right && mask[x] != 0) {
                ++x;
            }
            if (x > first) {
                visit(rowStart + static_cast<size_t>(first), rowStart + static_cast<size_t>(x));
            }
        }
    }
}

// Calls visit(index) for every selected pixel of the region.
template <typename Visit>
void forEachSelected(const ApplyRegion& region, int32_t width, Visit&& visit)
{
    forEachSelectedRun(region, width, [&](size_t first, size_t last) {
        for (size_t i = first; i < last; ++i) {
            visit(i);
        }
    });
}

// Applies out = map(in) to every sample of every selected pixel; for
// operations that treat all channels alike.
template <typename T, typename Map>
void mapSelectedSamples(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region, Map&& map)
{
    forEachSelectedRun(region, width, [&](size_t first, size_t last) {
        const size_t end = last * channels;
        for (size_t k = first * channels; k < end; ++k) {
            dst[k] = map(src[k]);
        }
    });
}

// Truncation toward zero held to `range` (see geometry::truncateToRange).
inline int32_t truncateToRange(double value, SampleRange range)
{
    return geometry::truncateToRange(value, range);
}

inline int32_t clampToRange(int64_t value, SampleRange range)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, range.low, range.high));
}

// ---------------------------------------------------------------------------
// Inverse: dst = pivot - src. 8-bit stores pass 255 (the complement of the
// byte); 16-bit stores pass lower + upper of the window, so the inverse turns
// around the window rather than the whole sample range. The result is not
// held to the level's range; it is only kept inside the sample type so that a
// far-out sample cannot wrap round.
template <typename T>
void invert(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region, int32_t pivot)
{
    if constexpr (std::is_same_v<T, uint8_t>) {
        if (pivot == 255) { // the usual 8-bit case: the complement of the byte
            mapSelectedSamples(src, dst, width, channels, region, [](uint8_t v) { return static_cast<uint8_t>(~v); });
            return;
        }
    }
    mapSelectedSamples(src, dst, width, channels, region, [pivot](T v) {
        const int32_t inverse = pivot - static_cast<int32_t>(v);
        return static_cast<T>(std::clamp<int32_t>(inverse, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
    });
}

// ---------------------------------------------------------------------------
// Histogram equalization of the channels [firstChannel, lastChannel) of the
// region, counted in one histogram (the joint colour case counts R, G and B
// together; the per-channel case calls this once per channel). `table` must
// hold range.high - range.low + 1 entries (256 for 8-bit stores); it is
// scratch space the caller keeps so that the kernel itself never allocates.
//
// The table divides by the scope rectangle's area times the channels, not by
// the number of selected samples: a small selection in a large bounding box
// stays darker than white.
template <typename T>
void equalize(const T* src, T* dst, int32_t width, int32_t channels, int32_t firstChannel, int32_t lastChannel,
              const ApplyRegion& region, SampleRange range, uint32_t* table)
{
    constexpr bool kEightBit = std::is_same_v<T, uint8_t>;
    const int64_t samples = region.area() * (lastChannel - firstChannel);
    if (samples <= 0) {
        return;
    }
    const int32_t bins = range.high - range.low + 1;
    // Samples outside minValue .. maxValue (the 16-bit sentinels 32767 and
    // -32768 are left out of the range) count in the nearest end bin.
    auto binOf = [&](T sample) -> int32_t {
        if constexpr (kEightBit) {
            return sample;
        } else {
            return std::clamp(static_cast<int32_t>(sample) - range.low, 0, bins - 1);
        }
    };
    // The samples of one run that this pass counts: all of them, or one
    // channel of each pixel.
    const bool everyChannel = lastChannel - firstChannel == channels;
    auto forEachSample = [&](auto&& visit) {
        forEachSelectedRun(region, width, [&](size_t first, size_t last) {
            if (everyChannel) {
                for (size_t k = first * channels; k < last * channels; ++k) {
                    visit(k);
                }
            } else {
                for (size_t k = first * channels + firstChannel; k < last * channels; k += channels) {
                    visit(k);
                }
            }
        });
    };

    std::fill(table, table + bins, 0u);
    forEachSample([&](size_t k) { ++table[binOf(src[k])]; });

    // Running sums turned into the mapping T in place. First-pass values are
    // T, used with 255 as ceiling by 8-bit stores and as they are by 16-bit
    // ones. The stretch needs the smallest (m) and largest (M) first-pass
    // value of the selected samples: exactly the T of the bins that counted
    // something. 16-bit stores start m at maxValue and M at minValue.
    const float perBin = static_cast<float>(samples) / 256.0f; // single precision, as always
    const float reciprocal = 1.0f / perBin;
    int64_t m = kEightBit ? std::numeric_limits<int64_t>::max() : range.high;
    int64_t bigM = kEightBit ? std::numeric_limits<int64_t>::min() : range.low;
    uint64_t running = 0;
    int32_t lo = -1;
    int32_t hi = -1;
    for (int32_t b = 0; b < bins; ++b) {
        const uint32_t count = table[b];
        running += count;
        uint32_t mapped = 0;
        if constexpr (kEightBit) {
            const float scaled = static_cast<float>(running) * reciprocal;
            mapped = static_cast<uint32_t>(static_cast<double>(scaled) + 0.5);
        } else {
            mapped = static_cast<uint32_t>(static_cast<double>(running) * bins / static_cast<double>(samples) + 0.5);
        }
        if (mapped != 0) {
            lo = lo < 0 ? b : lo;
            hi = b;
        }
        const int64_t first = kEightBit ? std::min<uint32_t>(mapped, 255u) : mapped;
        table[b] = static_cast<uint32_t>(first);
        if (count != 0) {
            m = std::min(m, first);
            bigM = std::max(bigM, first);
        }
    }
    if (lo < 0) {
        lo = kEightBit ? 0 : bins - 1;
        hi = kEightBit ? 255 : 0;
    }

    // The final value of every bin: the first-pass value, stretched from
    // [m, M] onto [lo, hi] (shifted by minValue for 16-bit stores) unless all
    // are equal. Worked out per bin, so a first-pass value beyond the sample
    // type is never stored.
    if (m != bigM) {
        const double target = static_cast<double>(hi - lo);
        const double base = kEightBit ? lo : static_cast<double>(lo) + range.low;
        for (int32_t b = 0; b < bins; ++b) {
            const double t = static_cast<double>(table[b] - m) / static_cast<double>(bigM - m) * target + base;
            table[b] = static_cast<uint32_t>(truncateToRange(t, range));
        }
    }
    // With m = M every selected first-pass value equals m, inside the range.
    forEachSample([&](size_t k) { dst[k] = static_cast<T>(static_cast<int32_t>(table[binOf(src[k])])); });
}

// ---------------------------------------------------------------------------
// Auto levels: each channel's smallest and largest selected sample, m and M,
// are stretched to the whole range. A channel with m = M becomes 0 (held to
// the range). m starts at the range's top and M at its bottom: for 8-bit
// stores that is the plain minimum and maximum; for 16-bit ones a selection
// of nothing but sentinel samples (32767) still stretches from maxValue.
template <typename T>
void autoLevels(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region, SampleRange range)
{
    for (int32_t c = 0; c < channels; ++c) {
        int32_t m = range.high;
        int32_t bigM = range.low;
        forEachSelected(region, width, [&](size_t i) {
            const int32_t v = src[i * channels + c];
            m = std::min(m, v);
            bigM = std::max(bigM, v);
        });
        const double span = static_cast<double>(range.high - range.low);
        const T flat = static_cast<T>(clampToRange(0, range));
        forEachSelected(region, width, [&](size_t i) {
            const size_t k = i * channels + c;
            if (m == bigM) {
                dst[k] = flat;
                return;
            }
            const double t = static_cast<double>(src[k] - m) / static_cast<double>(bigM - m) * span + range.low;
            dst[k] = static_cast<T>(truncateToRange(t, range));
        });
    }
}

// ---------------------------------------------------------------------------
// Brightness and contrast. Brightness b (-100 .. 100) shifts every value by
// b percent of the range, rounded. Contrast c (-100 .. 100) works on the
// brightness-shifted range [A, B]: a negative contrast compresses it toward
// its middle by |C| on each side; a positive one compresses and then
// stretches [D, E] out to [A - C, B + C]. Both passes round to nearest and
// hold the result to the range.
struct ContrastPlan {
    bool active = false;
    int32_t v = 0, w = 0;  // brightness-shifted range, v < w
    int32_t a = 0, b = 0;  // its ends as the mapping sees them
    int32_t c = 0;         // signed contrast step
    int32_t d = 0, e = 0;  // compressed ends, d < e
};

ContrastPlan planContrast(int32_t brightness, int32_t contrast, SampleRange range);

// The rounded brightness shift of one value. 8-bit stores use the factor
// 2.55 directly (the table the viewer has always used), 16-bit ones
// b x range x 0.01.
template <typename T>
int32_t brighten(int32_t value, int32_t brightness, SampleRange range)
{
    double shift = 0.0;
    if constexpr (std::is_same_v<T, uint8_t>) {
        shift = brightness * 2.55;
    } else {
        shift = static_cast<double>(brightness) * (range.high - range.low) * 0.01;
    }
    return truncateToRange(value + shift + 0.5, range);
}

inline int32_t applyContrast(const ContrastPlan& plan, int32_t s, SampleRange range)
{
    const double first = plan.d + static_cast<double>(s - plan.a) * (plan.e - plan.d) / (plan.w - plan.v) + 0.5;
    const int32_t once = truncateToRange(first, range);
    if (plan.c <= 0) {
        return once;
    }
    const int32_t a2 = plan.a - plan.c;
    const double second =
        a2 + static_cast<double>(once - plan.d) * (plan.b + plan.c - a2) / (plan.e - plan.d) + 0.5;
    return truncateToRange(second, range);
}

template <typename T>
void brightnessContrast(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region,
                        SampleRange range, int32_t brightness, int32_t contrast)
{
    if (brightness == 0 && contrast == 0) {
        return;
    }
    const ContrastPlan plan = planContrast(brightness, contrast, range);
    auto map = [&](int32_t s) {
        if (brightness != 0) {
            s = brighten<T>(s, brightness, range);
        }
        return plan.active ? applyContrast(plan, s, range) : s;
    };
    if constexpr (std::is_same_v<T, uint8_t>) {
        std::array<uint8_t, 256> table{};
        for (int32_t i = 0; i < 256; ++i) {
            table[i] = static_cast<uint8_t>(map(i));
        }
        mapSelectedSamples(src, dst, width, channels, region, [&](uint8_t v) { return table[v]; });
    } else {
        mapSelectedSamples(src, dst, width, channels, region, [&](T v) { return static_cast<T>(map(v)); });
    }
}

// ---------------------------------------------------------------------------
// Thresholding. A pixel is inside when its luminance Y lies in
// [lower, upper]: for colour pixels Y = 0.299 R + 0.587 G + 0.114 B + 0.5,
// kept unrounded; for grey pixels Y is the sample. "Black" is the range's
// bottom and "white" its top.
template <typename T>
void threshold(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region,
               SampleRange range, int32_t lower, int32_t upper, ThresholdMode mode)
{
    const T black = static_cast<T>(range.low);
    const T white = static_cast<T>(range.high);
    // Limits come from dialogs bounded to the range, but are computed in 64
    // bits so that no pair of int32 values can overflow.
    const int64_t limitSpan = static_cast<int64_t>(upper) - lower;
    const float window = static_cast<float>(limitSpan); // single precision, as always
    const float span = static_cast<float>(range.high - range.low);
    forEachSelected(region, width, [&](size_t i) {
        T* out = dst + i * channels;
        const T* in = src + i * channels;
        if (mode == ThresholdMode::Stretch) {
            for (int32_t c = 0; c < channels; ++c) {
                double t = 0.0;
                if constexpr (std::is_same_v<T, uint8_t>) {
                    t = lower + static_cast<double>(limitSpan * in[c]) * 0.003921569;
                } else if (range.high == range.low) {
                    t = lower;
                } else {
                    t = lower + static_cast<double>(limitSpan * (in[c] - range.low)) /
                                    (range.high - range.low);
                }
                out[c] = static_cast<T>(truncateToRange(t, range));
            }
            return;
        }
        const double y = channels == 3 ? 0.299 * in[0] + 0.587 * in[1] + 0.114 * in[2] + 0.5
                                       : static_cast<double>(in[0]);
        const bool inside = y >= lower && y <= upper;
        for (int32_t c = 0; c < channels; ++c) {
            if (!inside) {
                out[c] = black;
            } else if (mode == ThresholdMode::BlackAndWhite) {
                out[c] = white;
            } else if (mode == ThresholdMode::ApplyWindow) {
                const float t = static_cast<float>(in[c] - static_cast<int64_t>(lower)) / window * span +
                                static_cast<float>(range.low);
                out[c] = static_cast<T>(truncateToRange(t, range));
            }
            // KeepValues: dst already holds the sample.
        }
    });
}

// ---------------------------------------------------------------------------
// Removal of burned-in annotations: text and graphics drawn into the pixels
// are two-level (a flat background and a flat foreground), while anatomy has
// texture. A pixel of the interior whose 3 x 3 window holds exactly two
// distinct values takes the smaller (or, with useMaximum, the larger) one.
// Colour windows qualify only when every channel is two-level with the same
// two grey extremes. Pixels on the scope's outer ring keep their values.
template <typename T>
void removeBurnedIn(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region,
                    bool useMaximum)
{
    if (region.right - region.left < 3 || region.bottom - region.top < 3) {
        return;
    }
    ApplyRegion interior = region;
    interior.left += 1;
    interior.top += 1;
    interior.right -= 1;
    interior.bottom -= 1;
    const size_t row = static_cast<size_t>(width) * channels;
    forEachSelected(interior, width, [&](size_t i) {
        T lowest[3] = {};
        T highest[3] = {};
        for (int32_t c = 0; c < channels; ++c) {
            const T* centre = src + i * channels + c;
            T lo = *centre;
            T hi = *centre;
            for (int32_t dy = -1; dy <= 1; ++dy) {
                const T* r = centre + dy * static_cast<std::ptrdiff_t>(row);
                for (int32_t dx = -1; dx <= 1; ++dx) {
                    const T v = r[dx * channels];
                    lo = std::min(lo, v);
                    hi = std::max(hi, v);
                }
            }
            if (lo == hi) {
                return; // one level only: nothing drawn here
            }
            // Exactly two distinct values: every sample is one of the extremes.
            for (int32_t dy = -1; dy <= 1; ++dy) {
                const T* r = centre + dy * static_cast<std::ptrdiff_t>(row);
                for (int32_t dx = -1; dx <= 1; ++dx) {
                    const T v = r[dx * channels];
                    if (v != lo && v != hi) {
                        return;
                    }
                }
            }
            lowest[c] = lo;
            highest[c] = hi;
        }
        for (int32_t c = 1; c < channels; ++c) {
            if (lowest[c] != lowest[0] || highest[c] != highest[0]) {
                return; // coloured extremes are not burned-in grey text
            }
        }
        const T value = useMaximum ? highest[0] : lowest[0];
        for (int32_t c = 0; c < channels; ++c) {
            dst[i * channels + c] = value;
        }
    });
}

// ---------------------------------------------------------------------------
// Whole-image conversions between grey and RGB 8-bit levels (pixel counts,
// not sample counts). `greyTable` is the 16 MiB colour-to-grey table indexed
// by R x 65536 + G x 256 + B.
void rgbToGrey(const uint8_t* rgb, uint8_t* grey, size_t pixels, const uint8_t* greyTable);
void rgbToGreyWeighted(const uint8_t* rgb, uint8_t* grey, size_t pixels, float redFactor, float greenFactor,
                       float blueFactor);
void greyToRgb(const uint8_t* grey, uint8_t* rgb, size_t pixels);

// Sets every selected pixel of the region to `value` (channels samples).
template <typename T>
void fill(T* dst, int32_t width, int32_t channels, const ApplyRegion& region, const T* value)
{
    forEachSelected(region, width, [&](size_t i) {
        for (int32_t c = 0; c < channels; ++c) {
            dst[i * channels + c] = value[c];
        }
    });
}

} // namespace intensity
} // namespace veltor
