// Geometric transforms of an ImageBuffer: validation, the pushed level and the
// kernels of geometric_transforms.h.
#include "imaging/geometric_transforms.h"

#include "imaging/image_buffer.h"

#include <cmath>
#include <limits>
#include <type_traits>

namespace veltor {
namespace geometry {

RotationGeometry rotationGeometry(float angleDegrees, bool clockwise, int32_t width, int32_t height)
{
    // 1/180 and pi as the float constants the viewer has always used.
    const double product = static_cast<double>(angleDegrees) * static_cast<double>(0.0055555557f) *
                           static_cast<double>(3.14159f);
    const double theta = clockwise ? static_cast<double>(static_cast<float>(product)) : product;
    RotationGeometry g;
    g.cosine = std::cos(theta);
    g.sine = std::sin(theta);
    // Held below 2^31 so that the conversion is defined for any frame; a size
    // that large is refused when the level is pushed.
    constexpr double kLargest = std::numeric_limits<int32_t>::max();
    g.width = static_cast<int32_t>(std::min(g.cosine * width + g.sine * height + 0.5, kLargest));
    g.height = static_cast<int32_t>(std::min(g.cosine * height + g.sine * width + 0.5, kLargest));
    return g;
}

CanvasPlacement canvasPlacement(int32_t width, int32_t height, int32_t newWidth, int32_t newHeight,
                                int32_t anchor)
{
    // All four sizes are positive, so the differences fit in 32 bits.
    // One axis: column 0 keeps the start, column 1 centres (the odd pixel goes
    // to the far side), column 2 keeps the end.
    auto place = [](int32_t delta, int32_t column, int32_t& dest, int32_t& source) {
        dest = 0;
        source = 0;
        if (column == 1) {
            dest = delta / 2;
            if (dest < 0) {
                source = -dest;
                dest = 0;
            }
        } else if (column == 2) {
            if (delta >= 0) {
                dest = delta;
            } else {
                source = -delta;
            }
        }
    };
    CanvasPlacement p;
    place(newWidth - width, anchor % 3, p.destX, p.sourceX);
    place(newHeight - height, anchor / 3, p.destY, p.sourceY);
    p.copyWidth = std::min(newWidth, width);
    p.copyHeight = std::min(newHeight, height);
    return p;
}

} // namespace geometry
} // namespace veltor

namespace veltor {
namespace {

ScalingMethod scalingMethod(int32_t method)
{
    // Any number other than 0 and 1 selects the B-spline, as the dialogs' lists
    // have always been read.
    if (method == 0) {
        return ScalingMethod::NearestNeighbour;
    }
    return method == 1 ? ScalingMethod::Bilinear : ScalingMethod::Bicubic;
}

template <typename T>
SampleRange rangeOf(const ImageLevel& level)
{
    return sampleRange<T>(level.minValue, level.maxValue);
}

// True when a width x height level of `channels` samples of `bytes` bytes has
// a size the level record (32-bit dataSize) can describe. Records code 2
// otherwise: such a level can never be allocated.
bool levelFits(ImageBuffer& buffer, int32_t width, int32_t height, int32_t channels, int32_t bytes)
{
    const int64_t size = static_cast<int64_t>(width) * height * channels * bytes;
    if (size > std::numeric_limits<int32_t>::max()) {
        buffer.setLastError(LibraryError::MemoryAllocation);
        return false;
    }
    return true;
}

// Pushes a level of `shape` whose every sample the kernel writes, runs
// kernel(tag, source, target) with tag a value of the store's sample type,
// and publishes it. 0 without a store or when the push fails.
template <typename Kernel>
int pushWhole(ImageBuffer& buffer, const LevelShape& shape, Kernel&& kernel)
{
    if (!buffer.hasStore()) {
        return 0;
    }
    const bool sixteen = buffer.image16() != nullptr;
    if (shape.width <= 0 || shape.height <= 0 ||
        !levelFits(buffer, shape.width, shape.height, shape.colour != 0 ? 3 : 1, sixteen ? 2 : 1)) {
        return 0;
    }
    LevelEdit edit = buffer.beginEdit(shape, LevelStart::Uninitialised);
    if (!edit) {
        return 0;
    }
    if (sixteen) {
        kernel(int16_t{}, edit.source(), edit);
    } else {
        kernel(uint8_t{}, edit.source(), edit);
    }
    return edit.commit();
}

LevelShape shapeOf(const ImageBuffer& buffer, int32_t width, int32_t height)
{
    return LevelShape{width, height, buffer.isColour() ? 1 : 0};
}

// The background a geometric operation paints, one value per channel:
// background8 is a packed R + G x 256 + B x 65536 colour (grey frames take its
// low byte), background16 a sample value.
template <typename T>
void backgroundFill(const ImageBuffer& buffer, int32_t packed, bool clampToLevel, T* fill)
{
    if constexpr (std::is_same_v<T, uint8_t>) {
        fill[0] = static_cast<uint8_t>(packed & 255);
        fill[1] = static_cast<uint8_t>((packed >> 8) & 255);
        fill[2] = static_cast<uint8_t>((packed >> 16) & 255);
    } else {
        const SampleRange range = rangeOf<int16_t>(*buffer.currentLevel());
        int32_t value = std::clamp<int32_t>(packed, INT16_MIN, INT16_MAX);
        if (clampToLevel && (value < range.low || value > range.high)) {
            value = range.low;
        }
        fill[0] = static_cast<int16_t>(value);
    }
}

enum class Move { Turn180, FlipLeftRight, FlipTopBottom, QuarterClockwise, QuarterCounterClockwise };

int moveSamples(ImageBuffer& buffer, Move move)
{
    if (!buffer.hasStore()) {
        return 0;
    }
    const bool quarter = move == Move::QuarterClockwise || move == Move::QuarterCounterClockwise;
    const int32_t w = buffer.width();
    const int32_t h = buffer.height();
    const LevelShape shape = quarter ? shapeOf(buffer, h, w) : shapeOf(buffer, w, h);
    return pushWhole(buffer, shape, [&](auto tag, const ImageLevel& from, LevelEdit& edit) {
        using T = decltype(tag);
        const T* src = edit.sourceSamples<T>();
        T* dst = edit.targetSamples<T>();
        const int32_t channels = from.channels();
        switch (move) {
        case Move::Turn180:
            geometry::rotate180(src, dst, w, h, channels);
            break;
        case Move::FlipLeftRight:
            geometry::flipHorizontal(src, dst, w, h, channels);
            break;
        case Move::FlipTopBottom:
            geometry::flipVertical(src, dst, w, h, channels);
            break;
        case Move::QuarterClockwise:
        case Move::QuarterCounterClockwise:
            geometry::rotate90(src, dst, w, h, channels, move == Move::QuarterClockwise);
            break;
        }
    });
}

int rotateByAngle(ImageBuffer& buffer, float angle, int32_t method, bool clockwise)
{
    if (!buffer.hasStore() || !(angle > 0.0f)) {
        return 0; // nothing to turn (NaN included)
    }
    if (angle >= 90.0f) {
        return moveSamples(buffer, clockwise ? Move::QuarterClockwise : Move::QuarterCounterClockwise);
    }
    const int32_t w = buffer.width();
    const int32_t h = buffer.height();
    const RotationGeometry g = geometry::rotationGeometry(angle, clockwise, w, h);
    const int32_t packed = buffer.image16() != nullptr ? buffer.background16() : buffer.background8();
    return pushWhole(buffer, shapeOf(buffer, g.width, g.height), [&](auto tag, const ImageLevel& from, LevelEdit& edit) {
        using T = decltype(tag);
        T fill[3] = {};
        backgroundFill<T>(buffer, packed, false, fill);
        geometry::rotateByAngle(edit.sourceSamples<T>(), w, h, from.channels(), edit.targetSamples<T>(), g,
                                clockwise, scalingMethod(method), fill, rangeOf<T>(from));
    });
}

} // namespace

int ImageBuffer::rotate180()
{
    return moveSamples(*this, Move::Turn180);
}

int ImageBuffer::rotate90Clockwise()
{
    return moveSamples(*this, Move::QuarterClockwise);
}

int ImageBuffer::rotate90CounterClockwise()
{
    return moveSamples(*this, Move::QuarterCounterClockwise);
}

int ImageBuffer::flipHorizontal()
{
    return moveSamples(*this, Move::FlipLeftRight);
}

int ImageBuffer::flipVertical()
{
    return moveSamples(*this, Move::FlipTopBottom);
}

int ImageBuffer::rotateClockwise(float angle, int32_t method)
{
    return rotateByAngle(*this, angle, method, true);
}

int ImageBuffer::rotateCounterClockwise(float angle, int32_t method)
{
    return rotateByAngle(*this, angle, method, false);
}

int ImageBuffer::resample(int32_t width, int32_t height, int32_t method)
{
    if (!hasStore()) {
        return 0;
    }
    const int32_t w = this->width();
    const int32_t h = this->height();
    return pushWhole(*this, shapeOf(*this, width, height), [&](auto tag, const ImageLevel& from, LevelEdit& edit) {
        using T = decltype(tag);
        geometry::resample(edit.sourceSamples<T>(), w, h, from.channels(), edit.targetSamples<T>(), width, height,
                           scalingMethod(method), rangeOf<T>(from));
    });
}

int ImageBuffer::crop(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    if (!hasStore()) {
        return 0;
    }
    // Callers clip the rectangle first; one that still leaves the frame or is
    // empty is refused rather than read outside the samples.
    if (left < 0 || top < 0 || right > width() || bottom > height() || left >= right || top >= bottom) {
        return 0;
    }
    const int32_t w = width();
    return pushWhole(*this, shapeOf(*this, right - left, bottom - top),
                     [&](auto tag, const ImageLevel& from, LevelEdit& edit) {
                         using T = decltype(tag);
                         geometry::crop(edit.sourceSamples<T>(), w, from.channels(), edit.targetSamples<T>(), left,
                                        top, right, bottom);
                     });
}

int ImageBuffer::resizeCanvas(int32_t width, int32_t height, int32_t anchor, int32_t fill)
{
    if (!hasStore() || anchor < 0 || anchor > 8 || width <= 0 || height <= 0) {
        return 0;
    }
    const int32_t w = this->width();
    const int32_t h = this->height();
    const CanvasPlacement placement = geometry::canvasPlacement(w, h, width, height, anchor);
    return pushWhole(*this, shapeOf(*this, width, height), [&](auto tag, const ImageLevel& from, LevelEdit& edit) {
        using T = decltype(tag);
        T samples[3] = {};
        backgroundFill<T>(*this, fill, true, samples);
        geometry::resizeCanvas(edit.sourceSamples<T>(), w, from.channels(), edit.targetSamples<T>(), width, height,
                               placement, samples);
    });
}

} // namespace veltor
