// Frequency-domain filtering: response curves, the separable transfer
// function built from them, and the radix-2 two-dimensional FFT that applies
// it to a plane of samples padded to powers of two.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace veltor::fft {

// The kind argument of the curve builders.
enum class FilterKind : int32_t { LowPass = 0, BandPass = 1, BandReject = 2, HighPass = 3 };

// The families of the dialogs' type lists, in list order. Elliptic uses the
// Chebyshev response (the equal-ripple pass band an elliptic filter shares;
// its stop-band zeros are left out). Bessel uses the magnitude of the Bessel
// (Thomson) filter of the order, with its frequency scaled so that the gain
// is 1 / 1.414 at the cut-off like the other families.
enum class FilterFamily : int32_t { Butterworth = 0, Chebyshev = 1, Elliptic = 2, Bessel = 3 };
inline constexpr const char* kFamilyNames[4] = {"Butterworth", "Chebyshev", "Elliptic", "Bessel"};
inline constexpr const char* kKindNames[4] = {"Low pass", "Band pass", "Band reject", "High pass"};

// Curve builders. `curve` holds n doubles; entries i and n - 1 - i for i <
// n / 2 receive the gain at frequency index i; the others are left as they
// are. For the band kinds fco is the lower and hfco the upper band edge;
// otherwise hfco is ignored. A cut-off of 0 is read as "nothing but the
// constant term" (low pass) or "everything but it" (high pass).
void butterworthCurve(double* curve, int32_t n, int32_t kind, int32_t order, int32_t fco, int32_t hfco);
void chebyshevCurve(double* curve, int32_t n, int32_t kind, int32_t order, int32_t fco, int32_t hfco);
void besselCurve(double* curve, int32_t n, int32_t kind, int32_t order, int32_t fco, int32_t hfco);
// The rising response min(1, 0.707 (i / fco)^order).
void inverseCurve(double* curve, int32_t n, int32_t order, int32_t fco);

// Largest order the dialogs and operations take; higher orders add nothing
// a double can show.
inline constexpr int32_t kMaxOrder = 32;

// Whether the arguments describe a curve: n >= 1, order 1 .. kMaxOrder,
// kind 0 .. 3, cut-offs inside 0 .. n / 2 and, for bands, fco < hfco.
bool validCurveArguments(int32_t n, int32_t kind, int32_t order, int32_t fco, int32_t hfco);

// A curve of n zeros built by the family's builder (family 0 .. 3);
// empty when the arguments are invalid.
std::vector<double> buildCurve(int32_t family, int32_t n, int32_t kind, int32_t order, int32_t fco, int32_t hfco);

// With M the largest gain, every entry becomes shift + g (M - shift) / M, so
// that the stop band passes a fraction `shift`. Applied when 0 <= shift < 1;
// a curve of zeros becomes `shift` throughout.
void applyShift(std::span<double> curve, double shift);

// 2 to the power ceil(log2 size): a power of two is kept.
// Sizes above 2^30 give 2^31 (never allocated: see kMaxPlaneElements).
int64_t paddedSize(int64_t size);

// The response along one axis of `size` samples padded to `padded`, from a
// curve of n entries, including the 1 / padded normalisation of the inverse
// transform.
std::vector<double> axisResponse(std::span<const double> curve, int32_t size, int64_t padded);

// Filters one plane of width x height samples (row-major) with `curve`:
// padded with the plane's minimum, transformed, multiplied by the separable
// response, transformed back and rescaled into the input's range; `out`
// receives width x height values. False when memory for the work planes
// cannot be had (or they would exceed kMaxPlaneElements).
inline constexpr int64_t kMaxPlaneElements = int64_t{1} << 28;
bool filterPlane(std::span<const int32_t> samples, int32_t width, int32_t height, std::span<const double> curve,
                 std::span<int32_t> out);

} // namespace veltor::fft
