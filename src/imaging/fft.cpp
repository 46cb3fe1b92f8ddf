#include "imaging/fft.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <memory>
#include <new>

namespace veltor::fft {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// The normalised frequency x(i) of a kind; `atCentre` is what the band
// reject and the high pass use where the division has no finite answer.
double normalisedFrequency(int32_t kind, int32_t i, int32_t fco, int32_t hfco, double atCentre)
{
    switch (static_cast<FilterKind>(kind)) {
    case FilterKind::LowPass:
        if (i == 0)
            return 0.0;
        return fco == 0 ? kInfinity : static_cast<double>(i) / fco;
    case FilterKind::BandPass:
    case FilterKind::BandReject: {
        const double w = (hfco - fco) / 2.0;
        const double c = fco + w;
        if (static_cast<FilterKind>(kind) == FilterKind::BandPass)
            return (i - c) / w;
        return i == c ? atCentre : w / (i - c);
    }
    case FilterKind::HighPass:
        return i >= 1 ? static_cast<double>(fco) / i : atCentre;
    }
    return 0.0;
}

template <typename Gain>
void fillCurve(double* curve, int32_t n, int32_t kind, int32_t fco, int32_t hfco, double atCentre, Gain&& gain)
{
    const int32_t h = n / 2;
    for (int32_t i = 0; i < h; ++i) {
        const double g = gain(normalisedFrequency(kind, i, fco, hfco, atCentre));
        curve[i] = g;
        curve[n - 1 - i] = g;
    }
}

// 3.4028234663852886e38 (the largest float) to the power 0.125.
const double kButterworthCentre = std::pow(3.4028234663852886e38, 0.125);

// |H(j w)| of the Bessel filter of `order`, H(s) = theta(0) / theta(s) with
// theta the reverse Bessel polynomial.
class BesselMagnitude {
public:
    explicit BesselMagnitude(int32_t order)
    {
        for (int32_t k = 0; k <= order; ++k) {
            // (2n - k)! / (2^(n - k) k! (n - k)!)
            const double logA = std::lgamma(2.0 * order - k + 1) - (order - k) * std::log(2.0) -
                                std::lgamma(k + 1.0) - std::lgamma(order - k + 1.0);
            m_coefficients.push_back(std::exp(logA));
        }
        // The frequency where the gain is 1 / 1.414, by bisection (the
        // magnitude falls monotonically).
        double lo = 0.0;
        double hi = 4.0 + 2.0 * order;
        for (int32_t i = 0; i < 100; ++i) {
            const double mid = (lo + hi) / 2.0;
            (at(mid) > 1.0 / 1.414 ? lo : hi) = mid;
        }
        m_cutoff = (lo + hi) / 2.0;
    }
    // The gain at normalised frequency |x| (1 at the cut-off).
    double gain(double x) const
    {
        if (!std::isfinite(x))
            return 0.0;
        return at(std::abs(x) * m_cutoff);
    }

private:
    double at(double w) const
    {
        std::complex<double> sum = 0.0;
        std::complex<double> power = 1.0;
        const std::complex<double> s(0.0, w);
        for (double a : m_coefficients) {
            sum += a * power;
            power *= s;
        }
        const double magnitude = std::abs(sum);
        return std::isfinite(magnitude) && magnitude > 0.0 ? m_coefficients[0] / magnitude : 0.0;
    }
    std::vector<double> m_coefficients;
    double m_cutoff = 1.0;
};

} // namespace

void butterworthCurve(double* curve, int32_t n, int32_t kind, int32_t order, int32_t fco, int32_t hfco)
{
    fillCurve(curve, n, kind, fco, hfco, kButterworthCentre,
              [order](double x) { return 1.0 / (0.414 * std::pow(x * x, order) + 1.0); });
}

void chebyshevCurve(double* curve, int32_t n, int32_t kind, int32_t order, int32_t fco, int32_t hfco)
{
    fillCurve(curve, n, kind, fco, hfco, kInfinity, [order](double x) {
        if (!std::isfinite(x))
            return 0.0;
        double t = 0.0;
        if (std::abs(x) <= 1.0) {
            t = std::cos(order * std::acos(x));
        } else {
            // 2.7 stands in for e, as the response has always been drawn.
            const double z = order * std::log(std::abs(x) + std::sqrt(x * x - 1.0));
            t = (std::pow(2.7, z) + std::pow(2.7, -z)) * 0.5;
        }
        return 1.0 / (0.414 * t * t + 1.0);
    });
}

void besselCurve(double* curve, int32_t n, int32_t kind, int32_t order, int32_t fco, int32_t hfco)
{
    const BesselMagnitude bessel(order);
    fillCurve(curve, n, kind, fco, hfco, kInfinity, [&](double x) { return bessel.gain(x); });
}

void inverseCurve(double* curve, int32_t n, int32_t order, int32_t fco)
{
    const int32_t h = n / 2;
    for (int32_t i = 0; i < h; ++i) {
        double g = 0.0;
        if (i > 0)
            g = fco == 0 ? 1.0 : std::min(1.0, 0.707 * std::pow(static_cast<double>(i) / fco, order));
        curve[i] = g;
        curve[n - 1 - i] = g;
    }
}

bool validCurveArguments(int32_t n, int32_t kind, int32_t order, int32_t fco, int32_t hfco)
{
    if (n < 1 || kind < 0 || kind > 3 || order < 1 || order > kMaxOrder || fco < 0 || fco > n / 2)
        return false;
    const auto k = static_cast<FilterKind>(kind);
    if (k == FilterKind::BandPass || k == FilterKind::BandReject)
        return hfco > fco && hfco <= n / 2;
    return true;
}

std::vector<double> buildCurve(int32_t family, int32_t n, int32_t kind, int32_t order, int32_t fco, int32_t hfco)
{
    if (family < 0 || family > 3 || !validCurveArguments(n, kind, order, fco, hfco))
        return {};
    std::vector<double> curve(static_cast<size_t>(n), 0.0);
    switch (static_cast<FilterFamily>(family)) {
    case FilterFamily::Butterworth:
        butterworthCurve(curve.data(), n, kind, order, fco, hfco);
        break;
    case FilterFamily::Chebyshev:
    case FilterFamily::Elliptic:
        chebyshevCurve(curve.data(), n, kind, order, fco, hfco);
        break;
    case FilterFamily::Bessel:
        besselCurve(curve.data(), n, kind, order, fco, hfco);
        break;
    }
    return curve;
}

void applyShift(std::span<double> curve, double shift)
{
    if (!(shift >= 0.0 && shift < 1.0) || curve.empty())
        return;
    const double m = *std::max_element(curve.begin(), curve.end());
    for (double& g : curve)
        g = m > 0.0 ? shift + g * (m - shift) / m : shift;
}

int64_t paddedSize(int64_t size)
{
    int64_t padded = 1;
    while (padded < size && padded <= (int64_t{1} << 30))
        padded <<= 1;
    return padded;
}

std::vector<double> axisResponse(std::span<const double> curve, int32_t size, int64_t padded)
{
    std::vector<double> response(static_cast<size_t>(padded), 0.0);
    const auto n = static_cast<int32_t>(curve.size());
    if (n == 0 || size < 1)
        return response;
    if (padded == 1) {
        response[0] = curve[0];
        return response;
    }
    const double scale = static_cast<double>(n) / size;
    const auto set = [&](int64_t u, double value) {
        response[static_cast<size_t>(u)] = value / static_cast<double>(padded);
        response[static_cast<size_t>(padded - 1 - u)] = value / static_cast<double>(padded);
    };
    for (int32_t u = 0; u < size / 2; ++u) {
        const double p = u * scale;
        const auto i0 = std::min(static_cast<int32_t>(p), n - 1);
        const int32_t i1 = std::min(i0 + 1, n - 1);
        const double f = p - i0;
        set(u, (1.0 - f) * curve[static_cast<size_t>(i0)] + f * curve[static_cast<size_t>(i1)]);
    }
    const double beyond = curve[static_cast<size_t>(std::clamp(size / 2 - 1, 0, n - 1))];
    for (int64_t u = size / 2; u < padded / 2; ++u)
        set(u, beyond);
    return response;
}

namespace {

// Twiddles cos and sin of 2 pi i / N for i = 0 .. N / 2, in single precision
// with the step 2 pi / N computed in single precision.
struct Twiddles {
    std::vector<float> cosine;
    std::vector<float> sine;
    explicit Twiddles(int64_t n)
    {
        const float step = 2.0f * static_cast<float>(M_PI) / static_cast<float>(n);
        for (int64_t i = 0; i <= n / 2; ++i) {
            const float angle = step * static_cast<float>(i);
            cosine.push_back(std::cos(angle));
            sine.push_back(std::sin(angle));
        }
    }
};

int32_t log2Of(int64_t n)
{
    int32_t bits = 0;
    while ((int64_t{1} << bits) < n)
        ++bits;
    return bits;
}

int64_t reverseBits(int64_t v, int32_t bits)
{
    int64_t r = 0;
    for (int32_t b = 0; b < bits; ++b)
        r |= ((v >> b) & 1) << (bits - 1 - b);
    return r;
}

// In-place radix-2 transform of `count` interleaved sequences of length n:
// element e of sequence s sits at offset e * stride + s. With stride 1 and
// count 1 that is one row; with stride = count = the row length it is every
// column at once, the inner loop running along the rows. `inverse` turns the
// sign of the exponent; no scaling is applied.
void transform(float* re, float* im, int64_t n, int64_t stride, int64_t count, const Twiddles& tw, bool inverse)
{
    const int32_t bits = log2Of(n);
    for (int64_t i = 0; i < n; ++i) {
        const int64_t j = reverseBits(i, bits);
        if (j > i) {
            std::swap_ranges(re + i * stride, re + i * stride + count, re + j * stride);
            std::swap_ranges(im + i * stride, im + i * stride + count, im + j * stride);
        }
    }
    const float sign = inverse ? 1.0f : -1.0f;
    for (int64_t len = 2; len <= n; len <<= 1) {
        const int64_t half = len / 2;
        const int64_t step = n / len;
        for (int64_t start = 0; start < n; start += len) {
            for (int64_t j = 0; j < half; ++j) {
                const float wr = tw.cosine[static_cast<size_t>(j * step)];
                const float wi = sign * tw.sine[static_cast<size_t>(j * step)];
                float* ar = re + (start + j) * stride;
                float* ai = im + (start + j) * stride;
                float* br = re + (start + j + half) * stride;
                float* bi = im + (start + j + half) * stride;
                for (int64_t s = 0; s < count; ++s) {
                    const float tr = wr * br[s] - wi * bi[s];
                    const float ti = wr * bi[s] + wi * br[s];
                    br[s] = ar[s] - tr;
                    bi[s] = ai[s] - ti;
                    ar[s] += tr;
                    ai[s] += ti;
                }
            }
        }
    }
}

} // namespace

bool filterPlane(std::span<const int32_t> samples, int32_t width, int32_t height, std::span<const double> curve,
                 std::span<int32_t> out)
{
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (width < 1 || height < 1 || samples.size() < count || out.size() < count || curve.empty())
        return false;
    const int64_t nx = paddedSize(width);
    const int64_t ny = paddedSize(height);
    if (nx * ny > kMaxPlaneElements)
        return false;
    const auto elements = static_cast<size_t>(nx * ny);
    std::unique_ptr<float[]> re(new (std::nothrow) float[elements]);
    std::unique_ptr<float[]> im(new (std::nothrow) float[elements]);
    if (!re || !im)
        return false;

    const auto [lowest, highest] = std::minmax_element(samples.begin(), samples.begin() + static_cast<ptrdiff_t>(count));
    const int32_t mn = *lowest;
    const int32_t mx = *highest;
    std::fill(im.get(), im.get() + elements, 0.0f);
    for (int32_t y = 0; y < height; ++y) {
        float* r = re.get() + y * nx;
        for (int32_t x = 0; x < width; ++x)
            r[x] = static_cast<float>(samples[static_cast<size_t>(y) * width + x]);
        std::fill(r + width, r + nx, static_cast<float>(mn));
    }

    const std::vector<double> rx = axisResponse(curve, width, nx);
    const std::vector<double> ry = axisResponse(curve, height, ny);
    const Twiddles twx(nx);
    const Twiddles twy(ny);
    // The transfer function is the product Rx(u) Ry(v), so each factor is
    // applied between the transforms along its own axis.
    for (int64_t y = 0; y < ny; ++y) {
        float* r = re.get() + y * nx;
        float* i = im.get() + y * nx;
        if (y >= height) {
            // A padding row holds mn throughout: its transform is mn x NX at 0.
            std::fill(r, r + nx, 0.0f);
            r[0] = static_cast<float>(static_cast<double>(mn) * static_cast<double>(nx) * rx[0]);
            continue;
        }
        transform(r, i, nx, 1, 1, twx, false);
        for (int64_t u = 0; u < nx; ++u) {
            r[u] *= static_cast<float>(rx[static_cast<size_t>(u)]);
            i[u] *= static_cast<float>(rx[static_cast<size_t>(u)]);
        }
    }
    transform(re.get(), im.get(), ny, nx, nx, twy, false);
    for (int64_t v = 0; v < ny; ++v) {
        const auto g = static_cast<float>(ry[static_cast<size_t>(v)]);
        float* r = re.get() + v * nx;
        float* i = im.get() + v * nx;
        for (int64_t u = 0; u < nx; ++u) {
            r[u] *= g;
            i[u] *= g;
        }
    }
    transform(re.get(), im.get(), ny, nx, nx, twy, true);
    for (int64_t y = 0; y < height; ++y)
        transform(re.get() + y * nx, im.get() + y * nx, nx, 1, 1, twx, true);

    // Rescale the rounded results onto the input's range.
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (int32_t y = 0; y < height; ++y) {
        float* r = re.get() + y * nx;
        for (int32_t x = 0; x < width; ++x) {
            const double rounded = std::trunc(static_cast<double>(r[x]) + 0.5);
            r[x] = static_cast<float>(rounded);
            lo = std::min(lo, rounded);
            hi = std::max(hi, rounded);
        }
    }
    const double factor = hi > lo ? static_cast<double>(mx - mn) / (hi - lo) : 0.0;
    for (int32_t y = 0; y < height; ++y) {
        const float* r = re.get() + y * nx;
        for (int32_t x = 0; x < width; ++x) {
            double v = mn + factor * (static_cast<double>(r[x]) - lo);
            v = std::isfinite(v) ? std::clamp(v, static_cast<double>(mn), static_cast<double>(mx)) : mn;
            out[static_cast<size_t>(y) * width + x] = static_cast<int32_t>(v);
        }
    }
    return true;
}

} // namespace veltor::fft
