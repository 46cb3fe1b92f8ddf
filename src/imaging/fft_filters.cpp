// FFT filters of an ImageBuffer: the curve of the chosen filter, shifted,
// applied to every channel of the frame (or of the selection's bounding box)
// through fft::filterPlane.
#include "imaging/fft.h"
#include "imaging/image_buffer.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

namespace veltor {

namespace {

// n of the response curves: the larger side of the frame.
int32_t curveLength(const ImageBuffer& buffer)
{
    return std::max(buffer.width(), buffer.height());
}

// Shift values: 0 .. 0.99 shift the curve, 1 or more leave it as it is.
bool validShift(double shift)
{
    return std::isfinite(shift) && shift >= 0.0;
}

// Pushes a level and filters each channel of the scope with `curve`; only
// selected pixels are written back. Unselected pixels of the scope enter the
// transform as 0.
int filterFrame(ImageBuffer& buffer, std::span<const double> curve)
{
    if (!buffer.hasStore() || curve.size() != static_cast<size_t>(curveLength(buffer)))
        return 0;
    for (double g : curve)
        if (!std::isfinite(g))
            return 0;
    LevelEdit edit = buffer.beginEdit(LevelStart::CopyPrevious);
    if (!edit)
        return 0;
    const ImageRect scope = edit.scope();
    const int32_t w = scope.right - scope.left;
    const int32_t h = scope.bottom - scope.top;
    const ImageLevel& level = edit.source();
    const int32_t width = level.width;
    const size_t ch = static_cast<size_t>(level.channels());
    std::vector<int32_t> plane(static_cast<size_t>(w) * static_cast<size_t>(h));
    std::vector<int32_t> filtered(plane.size());
    const auto run = [&](auto tag) -> bool {
        using T = decltype(tag);
        const T* src = edit.sourceSamples<T>();
        T* dst = edit.targetSamples<T>();
        for (size_t c = 0; c < ch; ++c) {
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x) {
                    const int32_t ix = scope.left + x;
                    const int32_t iy = scope.top + y;
                    plane[static_cast<size_t>(y) * w + x] =
                        edit.selected(ix, iy) ? src[(static_cast<size_t>(iy) * width + ix) * ch + c] : 0;
                }
            if (!fft::filterPlane(plane, w, h, curve, filtered))
                return false;
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x) {
                    const int32_t ix = scope.left + x;
                    const int32_t iy = scope.top + y;
                    if (edit.selected(ix, iy))
                        dst[(static_cast<size_t>(iy) * width + ix) * ch + c] =
                            static_cast<T>(filtered[static_cast<size_t>(y) * w + x]);
                }
        }
        return true;
    };
    const bool done = buffer.image16() != nullptr ? run(int16_t{}) : run(uint8_t{});
    if (!done) {
        edit.abandon();
        buffer.setLastError(LibraryError::MemoryAllocation);
        return 0;
    }
    return edit.commit();
}

int familyFilter(ImageBuffer& buffer, int32_t family, int32_t kind, int32_t order, int32_t fco, int32_t hfco,
                 double shift)
{
    if (!buffer.hasStore() || !validShift(shift))
        return 0;
    std::vector<double> curve = fft::buildCurve(family, curveLength(buffer), kind, order, fco, hfco);
    if (curve.empty())
        return 0;
    fft::applyShift(curve, shift);
    return filterFrame(buffer, curve);
}

} // namespace

int ImageBuffer::fftLowPass(int32_t family, int32_t order, int32_t fco, double shift)
{
    return familyFilter(*this, family, static_cast<int32_t>(fft::FilterKind::LowPass), order, fco, 0, shift);
}

int ImageBuffer::fftHighPass(int32_t family, int32_t order, int32_t fco, double shift)
{
    return familyFilter(*this, family, static_cast<int32_t>(fft::FilterKind::HighPass), order, fco, 0, shift);
}

int ImageBuffer::fftBandPass(int32_t family, int32_t order, int32_t lfco, int32_t hfco, double shift)
{
    return familyFilter(*this, family, static_cast<int32_t>(fft::FilterKind::BandPass), order, lfco, hfco, shift);
}

int ImageBuffer::fftBandReject(int32_t family, int32_t order, int32_t lfco, int32_t hfco, double shift)
{
    return familyFilter(*this, family, static_cast<int32_t>(fft::FilterKind::BandReject), order, lfco, hfco,
                        shift);
}

int ImageBuffer::fftInverse(int32_t order, int32_t fco, double shift)
{
    const int32_t n = curveLength(*this);
    if (!hasStore() || !validShift(shift) || !fft::validCurveArguments(n, 0, order, fco, 0))
        return 0;
    std::vector<double> curve(static_cast<size_t>(n), 0.0);
    fft::inverseCurve(curve.data(), n, order, fco);
    fft::applyShift(curve, shift);
    return filterFrame(*this, curve);
}

int ImageBuffer::fftCustom(std::span<const double> curve)
{
    return filterFrame(*this, curve);
}

} // namespace veltor
