#include "view/image_size_setup.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace veltor {

namespace {

// Integer part of v + 0.5 for a finite v, held to 1 .. 32767 before the
// conversion so that huge values cannot overflow it.
int32_t roundedSide(double v) {
    if (!std::isfinite(v)) return v > 0 ? kMaxImageSide : kMinImageSide;
    return clampImageSide(static_cast<int64_t>(std::clamp(v + 0.5, 0.0, double{kMaxImageSide})));
}

} // namespace

int32_t clampImageSide(int64_t value) {
    return static_cast<int32_t>(std::clamp<int64_t>(value, kMinImageSide, kMaxImageSide));
}

int32_t percentToPixels(double percent, int32_t original) {
    if (!std::isfinite(percent)) return clampImageSide(original);
    return roundedSide(static_cast<double>(original) * percent / 100.0);
}

double pixelsToPercent(int32_t pixels, int32_t original) {
    return original > 0 ? static_cast<double>(pixels) / original * 100.0 : 0.0;
}

int32_t proportionalSide(int32_t changed, int32_t changedOriginal, int32_t otherOriginal) {
    if (changedOriginal <= 0) return clampImageSide(otherOriginal);
    return roundedSide(static_cast<double>(changed) * otherOriginal / changedOriginal);
}

PixelSize scaledSizeStart(PixelSize frame, double displayScale) {
    double scale = displayScale;
    if (!std::isfinite(scale) || scale <= 0.0) scale = 1.0;
    scale = std::min(scale, kMaxScaledSizeFactor);
    return {roundedSide(frame.width * scale), roundedSide(frame.height * scale)};
}

int64_t levelDataSize(PixelSize size, int32_t channels, int32_t bytesPerSample) {
    return static_cast<int64_t>(size.width) * size.height * channels * bytesPerSample;
}

bool levelSizeAllowed(PixelSize size, int32_t channels, int32_t bytesPerSample) {
    return size.width > 0 && size.height > 0 && size.width <= kMaxImageSide &&
           size.height <= kMaxImageSide &&
           levelDataSize(size, channels, bytesPerSample) <= std::numeric_limits<int32_t>::max();
}

double previewFactor(int32_t limit, PixelSize a, PixelSize b) {
    const int32_t longest = std::max({a.width, a.height, b.width, b.height});
    if (limit <= 0 || longest <= limit) return 1.0;
    return static_cast<double>(limit) / longest;
}

int32_t reducedSide(int32_t side, double factor) {
    return std::max<int32_t>(1, static_cast<int32_t>(side * factor + 0.5));
}

int32_t canvasFillStart16(int32_t background16, int32_t minValue, int32_t maxValue) {
    return background16 < minValue || background16 > maxValue ? minValue : background16;
}

int32_t packColour(int32_t red, int32_t green, int32_t blue) {
    return (red & 255) + (green & 255) * 256 + (blue & 255) * 65536;
}

ResampleSetup::ResampleSetup(PixelSize frame, double displayScale)
    : m_frame{std::max(1, frame.width), std::max(1, frame.height)},
      m_scaledStart(scaledSizeStart(m_frame, displayScale)), m_size{
                                                                 clampImageSide(m_frame.width),
                                                                 clampImageSide(m_frame.height)} {}

void ResampleSetup::setWidth(int32_t pixels) {
    m_size.width = clampImageSide(pixels);
    if (m_constrained)
        m_size.height = proportionalSide(m_size.width, m_frame.width, m_frame.height);
}

void ResampleSetup::setHeight(int32_t pixels) {
    m_size.height = clampImageSide(pixels);
    if (m_constrained)
        m_size.width = proportionalSide(m_size.height, m_frame.height, m_frame.width);
}

void ResampleSetup::setScaledSize(bool on) {
    m_scaledSize = on;
    m_size = on ? m_scaledStart
                : PixelSize{clampImageSide(m_frame.width), clampImageSide(m_frame.height)};
}

} // namespace veltor
