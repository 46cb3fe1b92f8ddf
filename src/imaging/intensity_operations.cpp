// Intensity operations of an ImageBuffer: validation, the pushed level and the
// kernels of intensity_operations.h.
#include "imaging/intensity_operations.h"

#include "imaging/grey_table.h"
#include "imaging/image_buffer.h"

#include <cstdlib>
#include <type_traits>
#include <vector>

namespace veltor {
namespace intensity {

ContrastPlan planContrast(int32_t brightness, int32_t contrast, SampleRange range)
{
    ContrastPlan plan;
    if (contrast == 0) {
        return plan;
    }
    plan.active = true;
    // The brightness once more, as a shift of the range the contrast works on.
    const double u = static_cast<double>(brightness) * (range.high - range.low) * 0.01 + 0.5;
    plan.w = truncateToRange(u + range.high, range);
    plan.v = truncateToRange(u + range.low, range);
    if (plan.v >= plan.w) {
        plan.v = plan.w - 1;
    }
    plan.a = plan.v;
    plan.b = plan.w;
    if (range.low == plan.w) {
        plan.a += 1;
        plan.b += 1;
    }
    plan.c = static_cast<int32_t>(((plan.w - plan.v) * 0.01 * contrast + 1.0) * 0.5);
    const int32_t step = std::abs(plan.c);
    plan.d = plan.a + step;
    plan.e = plan.b - step;
    if (plan.d >= plan.e) {
        plan.e = plan.d + 1;
    }
    return plan;
}

void rgbToGrey(const uint8_t* rgb, uint8_t* grey, size_t pixels, const uint8_t* greyTable)
{
    for (size_t i = 0; i < pixels; ++i, rgb += 3) {
        grey[i] = greyTable[(static_cast<uint32_t>(rgb[0]) << 16) | (static_cast<uint32_t>(rgb[1]) << 8) | rgb[2]];
    }
}

void rgbToGreyWeighted(const uint8_t* rgb, uint8_t* grey, size_t pixels, float redFactor, float greenFactor,
                       float blueFactor)
{
    const SampleRange range{0, 255};
    for (size_t i = 0; i < pixels; ++i, rgb += 3) {
        // Single-precision sum, as the factors are stored.
        const float sum = redFactor * rgb[0] + greenFactor * rgb[1] + blueFactor * rgb[2];
        grey[i] = static_cast<uint8_t>(truncateToRange(sum, range));
    }
}

void greyToRgb(const uint8_t* grey, uint8_t* rgb, size_t pixels)
{
    for (size_t i = 0; i < pixels; ++i, rgb += 3) {
        rgb[0] = rgb[1] = rgb[2] = grey[i];
    }
}

} // namespace intensity
} // namespace veltor

namespace veltor {
namespace {

template <typename T>
SampleRange rangeOf(const ImageLevel& level)
{
    return sampleRange<T>(level.minValue, level.maxValue);
}

ApplyRegion regionOf(const LevelEdit& edit)
{
    const ImageRect scope = edit.scope();
    return ApplyRegion{scope.left, scope.top, scope.right, scope.bottom, edit.selectionMask()};
}

// Pushes a copy of the current level, runs op(tag, edit) with tag a value of
// the store's sample type, and publishes the result.
template <typename Op>
int pushPointOperation(ImageBuffer& buffer, Op&& op)
{
    if (!buffer.hasStore()) {
        return 0;
    }
    LevelEdit edit = buffer.beginEdit(LevelStart::CopyPrevious);
    if (!edit) {
        return 0;
    }
    if (buffer.image16() != nullptr) {
        op(int16_t{}, edit);
    } else {
        op(uint8_t{}, edit);
    }
    return edit.commit();
}

// Colour conversions exist only between the two kinds of 8-bit level.
bool refuseUnlessColour(ImageBuffer& buffer)
{
    if (!buffer.hasStore()) {
        return true;
    }
    if (buffer.image16() != nullptr || !buffer.isColour()) {
        buffer.setLastError(LibraryError::NotAllowedInMonochrome);
        return true;
    }
    return false;
}

template <typename Convert>
int pushConversion(ImageBuffer& buffer, int32_t colour, Convert&& convert)
{
    const LevelShape shape{buffer.width(), buffer.height(), colour};
    LevelEdit edit = buffer.beginEdit(shape, LevelStart::Uninitialised);
    if (!edit) {
        return 0;
    }
    const size_t pixels = static_cast<size_t>(shape.width) * static_cast<size_t>(shape.height);
    convert(edit.sourceSamples<uint8_t>(), edit.targetSamples<uint8_t>(), pixels);
    return edit.commit();
}

} // namespace

int ImageBuffer::invert()
{
    return pushPointOperation(*this, [](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        const ImageLevel& level = edit.source();
        int32_t pivot = 255;
        if constexpr (std::is_same_v<T, int16_t>) {
            // Turn around the window in force, not the whole sample range.
            const int64_t halfWidth = level.windowWidth / 2;
            const int64_t lower = std::max<int64_t>(level.minValue, level.windowCenter - halfWidth);
            const int64_t upper = std::min<int64_t>(level.maxValue, level.windowCenter + halfWidth + 1);
            pivot = static_cast<int32_t>(std::clamp<int64_t>(lower + upper, INT32_MIN / 2, INT32_MAX / 2));
        }
        intensity::invert(edit.sourceSamples<T>(), edit.targetSamples<T>(), level.width, level.channels(),
                          regionOf(edit), pivot);
    });
}

int ImageBuffer::equalize(int32_t perChannel)
{
    return pushPointOperation(*this, [perChannel](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        const ImageLevel& level = edit.source();
        const SampleRange range = rangeOf<T>(level);
        // One counter per possible sample: 256, or maxValue - minValue + 1
        // (at most 65536). Kept per thread, so that equalizing frame after
        // frame allocates nothing but the new levels.
        thread_local std::vector<uint32_t> table;
        table.resize(static_cast<size_t>(range.high - range.low) + 1);
        const int32_t channels = level.channels();
        const T* src = edit.sourceSamples<T>();
        T* dst = edit.targetSamples<T>();
        const ApplyRegion region = regionOf(edit);
        if (perChannel != 0 && channels == 3) {
            for (int32_t c = 0; c < 3; ++c) {
                intensity::equalize(src, dst, level.width, channels, c, c + 1, region, range, table.data());
            }
        } else {
            intensity::equalize(src, dst, level.width, channels, 0, channels, region, range, table.data());
        }
    });
}

int ImageBuffer::autoLevels()
{
    return pushPointOperation(*this, [](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        const ImageLevel& level = edit.source();
        intensity::autoLevels(edit.sourceSamples<T>(), edit.targetSamples<T>(), level.width, level.channels(),
                              regionOf(edit), rangeOf<T>(level));
    });
}

int ImageBuffer::brightnessContrast(int16_t brightness, int16_t contrast)
{
    return pushPointOperation(*this, [brightness, contrast](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        const ImageLevel& level = edit.source();
        intensity::brightnessContrast(edit.sourceSamples<T>(), edit.targetSamples<T>(), level.width,
                                      level.channels(), regionOf(edit), rangeOf<T>(level), brightness, contrast);
    });
}

int ImageBuffer::threshold(int32_t lower, int32_t upper, int32_t mode)
{
    if (mode < 0 || mode > 3) {
        return 0; // no such mode: nothing is pushed
    }
    return pushPointOperation(*this, [lower, upper, mode](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        const ImageLevel& level = edit.source();
        intensity::threshold(edit.sourceSamples<T>(), edit.targetSamples<T>(), level.width, level.channels(),
                             regionOf(edit), rangeOf<T>(level), lower, upper, static_cast<ThresholdMode>(mode));
    });
}

int ImageBuffer::removeBurnedIn(int32_t useMaximum)
{
    return pushPointOperation(*this, [useMaximum](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        const ImageLevel& level = edit.source();
        intensity::removeBurnedIn(edit.sourceSamples<T>(), edit.targetSamples<T>(), level.width, level.channels(),
                                  regionOf(edit), useMaximum != 0);
    });
}

int ImageBuffer::toGrey()
{
    if (refuseUnlessColour(*this)) {
        return 0;
    }
    const uint8_t* table = greyTable();
    return pushConversion(*this, 0, [table](const uint8_t* rgb, uint8_t* grey, size_t pixels) {
        intensity::rgbToGrey(rgb, grey, pixels, table);
    });
}

int ImageBuffer::toGreyWeighted(float redFactor, float greenFactor, float blueFactor)
{
    if (refuseUnlessColour(*this)) {
        return 0;
    }
    return pushConversion(*this, 0, [=](const uint8_t* rgb, uint8_t* grey, size_t pixels) {
        intensity::rgbToGreyWeighted(rgb, grey, pixels, redFactor, greenFactor, blueFactor);
    });
}

int ImageBuffer::toColour()
{
    if (!hasStore()) {
        return 0;
    }
    if (isColour()) {
        setLastError(LibraryError::NotAllowedInColour);
        return 0;
    }
    if (image16() != nullptr) {
        // A 16-bit store holds grey samples only; an RGB level cannot be built from it.
        setLastError(LibraryError::BuildFailed);
        return 0;
    }
    if (static_cast<int64_t>(width()) * height() * 3 > INT32_MAX) {
        setLastError(LibraryError::MemoryAllocation);
        return 0;
    }
    return pushConversion(*this, 1, [](const uint8_t* grey, uint8_t* rgb, size_t pixels) {
        intensity::greyToRgb(grey, rgb, pixels);
    });
}

int ImageBuffer::fillValue(int32_t value)
{
    return pushPointOperation(*this, [value](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        const ImageLevel& level = edit.source();
        T samples[3] = {};
        if constexpr (std::is_same_v<T, uint8_t>) {
            samples[0] = samples[1] = samples[2] = static_cast<uint8_t>(value & 255);
        } else {
            samples[0] = static_cast<int16_t>(intensity::clampToRange(value, rangeOf<T>(level)));
        }
        intensity::fill(edit.targetSamples<T>(), level.width, level.channels(), regionOf(edit), samples);
    });
}

int ImageBuffer::fillColour(uint8_t red, uint8_t green, uint8_t blue)
{
    return pushPointOperation(*this, [=](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        const ImageLevel& level = edit.source();
        const int32_t grey = greyValue(red, green, blue);
        T samples[3] = {};
        if constexpr (std::is_same_v<T, uint8_t>) {
            if (level.channels() == 3) {
                samples[0] = red;
                samples[1] = green;
                samples[2] = blue;
            } else {
                samples[0] = static_cast<uint8_t>(grey);
            }
        } else {
            samples[0] = static_cast<int16_t>(intensity::clampToRange(grey, rangeOf<T>(level)));
        }
        intensity::fill(edit.targetSamples<T>(), level.width, level.channels(), regionOf(edit), samples);
    });
}

} // namespace veltor
