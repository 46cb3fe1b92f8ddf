// Neighbourhood filters: validation, the pushed level, and the kernels, each
// written once as a template over the sample type (uint8_t for grey and RGB
// frames, int16_t for 16-bit grey frames).
#include "imaging/neighbourhood_filters.h"

#include "imaging/image_buffer.h"
#include "imaging/intensity_operations.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <type_traits>
#include <vector>

namespace veltor {

int32_t Mask3::divisor() const
{
    int32_t sum = 0;
    for (int32_t v : k)
        sum += v;
    return sum == 0 ? 1 : sum;
}

bool mask3(MaskFamily family, int32_t number, Mask3& mask)
{
    static constexpr std::array<std::array<int32_t, 9>, 4> kBlur = {{
        {1, 1, 1, 1, 8, 1, 1, 1, 1},
        {1, 1, 1, 1, 4, 1, 1, 1, 1},
        {1, 1, 1, 1, 2, 1, 1, 1, 1},
        {1, 1, 1, 1, 1, 1, 1, 1, 1},
    }};
    static constexpr std::array<std::array<int32_t, 9>, 4> kLaplacian = {{
        {0, 1, 0, 1, -4, 1, 0, 1, 0},
        {2, -1, 2, -1, -4, -1, 2, -1, 2},
        {1, 1, 1, 1, -8, 1, 1, 1, 1},
        {3, -1, 3, -1, -8, -1, 3, -1, 3},
    }};
    static constexpr std::array<std::array<int32_t, 9>, 4> kSharp = {{
        {0, -1, 0, -1, 5, -1, 0, -1, 0},
        {-2, 1, -2, 1, 5, 1, -2, 1, -2},
        {-1, -1, -1, -1, 9, -1, -1, -1, -1},
        {-3, 1, -3, 1, 9, 1, -3, 1, -3},
    }};
    if (number < 1 || number > 4)
        return false;
    const auto& table = family == MaskFamily::Blur ? kBlur : family == MaskFamily::Laplacian ? kLaplacian : kSharp;
    mask.k = table[static_cast<size_t>(number - 1)];
    return true;
}

CustomMaskPass CustomMaskPass::boxMean()
{
    CustomMaskPass pass;
    for (int32_t r = 2; r <= 4; ++r)
        for (int32_t c = 2; c <= 4; ++c)
            pass.grid[static_cast<size_t>(r * 7 + c)] = 1;
    pass.divisor = 9;
    return pass;
}

CustomMaskProblem checkCustomMask(const CustomMask& mask)
{
    if (mask.radius < 1 || mask.radius > 3)
        return CustomMaskProblem::Radius;
    if (mask.passes.empty())
        return CustomMaskProblem::NoPasses;
    if (mask.passes.size() > static_cast<size_t>(CustomMask::kMaxPasses))
        return CustomMaskProblem::TooManyPasses;
    for (const CustomMaskPass& pass : mask.passes) {
        // A divisor of 0 or below would leave the sums undivided or turn them
        // around; neither is a filter a user can mean.
        if (pass.divisor <= 0)
            return CustomMaskProblem::Divisor;
        bool any = false;
        for (int32_t dx = -mask.radius; dx <= mask.radius; ++dx)
            for (int32_t dy = -mask.radius; dy <= mask.radius; ++dy)
                any = any || pass.grid[static_cast<size_t>((3 + dx) * 7 + 3 + dy)] != 0;
        if (!any)
            return CustomMaskProblem::AllZero;
    }
    return CustomMaskProblem::Ok;
}

namespace filters {
namespace {

using intensity::forEachSelectedRun;

// The scope without its outer ring of width `ring` (empty when too small).
ApplyRegion interiorOf(const ApplyRegion& region, int32_t ring)
{
    ApplyRegion in = region;
    in.left += ring;
    in.top += ring;
    in.right = std::max(in.left, in.right - ring);
    in.bottom = std::max(in.top, in.bottom - ring);
    return in;
}

template <typename T>
T clampTo(int64_t v, SampleRange range)
{
    return static_cast<T>(std::clamp<int64_t>(v, range.low, range.high));
}

template <typename T>
T truncTo(double v, SampleRange range)
{
    return static_cast<T>(geometry::truncateToRange(v, range));
}

// Calls visit(k) for every sample of every selected pixel of the interior;
// k indexes `src`, and neighbours sit at k +- channels and k +- row.
template <typename Visit>
void forEachInteriorSample(const ApplyRegion& region, int32_t ring, int32_t width, int32_t channels, Visit&& visit)
{
    forEachSelectedRun(interiorOf(region, ring), width, [&](size_t first, size_t last) {
        const size_t end = last * static_cast<size_t>(channels);
        for (size_t k = first * static_cast<size_t>(channels); k < end; ++k)
            visit(k);
    });
}

// The 3 x 3 neighbourhood of a sample, named by compass position.
template <typename T>
struct Window3 {
    int32_t tl, t, tr, l, c, r, bl, b, br;

    Window3(const T* p, std::ptrdiff_t row, std::ptrdiff_t ch)
        : tl(p[-row - ch]), t(p[-row]), tr(p[-row + ch]), l(p[-ch]), c(p[0]), r(p[ch]), bl(p[row - ch]),
          b(p[row]), br(p[row + ch])
    {
    }
};

template <typename T, typename Divide>
void convolveWith(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region,
                  SampleRange range, const Mask3& mask, Divide divide)
{
    const std::ptrdiff_t ch = channels;
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(width) * ch;
    // Entry (1 - dy, 1 - dx) for the neighbour at (dx, dy).
    const auto& m = mask.k;
    forEachInteriorSample(region, 1, width, channels, [&](size_t k) {
        const Window3<T> w(src + k, row, ch);
        const int32_t s = m[8] * w.tl + m[7] * w.t + m[6] * w.tr + m[5] * w.l + m[4] * w.c + m[3] * w.r +
                          m[2] * w.bl + m[1] * w.b + m[0] * w.br;
        dst[k] = clampTo<T>(divide(s), range);
    });
}

// The divisors of the mask tables as constants, so that the division
// (truncating toward zero) compiles to a multiplication.
template <typename T>
void convolve(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region, SampleRange range,
              const Mask3& mask)
{
    const int32_t divisor = mask.divisor();
    const auto by = [&](auto constant) {
        convolveWith(src, dst, width, channels, region, range, mask,
                     [](int32_t s) { return s / decltype(constant)::value; });
    };
    switch (divisor) {
    case 1:
        by(std::integral_constant<int32_t, 1>{});
        break;
    case 9:
        by(std::integral_constant<int32_t, 9>{});
        break;
    case 10:
        by(std::integral_constant<int32_t, 10>{});
        break;
    case 12:
        by(std::integral_constant<int32_t, 12>{});
        break;
    case 16:
        by(std::integral_constant<int32_t, 16>{});
        break;
    default:
        convolveWith(src, dst, width, channels, region, range, mask, [divisor](int32_t s) { return s / divisor; });
        break;
    }
}

// Integer parts of square roots limited to 255: entry n = the integer part
// of the square root of n for n < 255 squared. The 8-bit gradient magnitude
// is then a lookup of g1 squared + g2 squared, exactly the integer part of
// the floating-point magnitude.
const uint8_t* magnitudeTable()
{
    static const std::vector<uint8_t> table = [] {
        std::vector<uint8_t> t(255 * 255);
        for (size_t n = 0; n < t.size(); ++n)
            t[n] = static_cast<uint8_t>(std::sqrt(static_cast<double>(n)));
        return t;
    }();
    return table.data();
}

// Gradient magnitude of Sobel (weight 2) or Prewitt (weight 1). 8-bit
// results are limited to 255; 16-bit ones to the level's range.
template <typename T>
void gradient(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region, SampleRange range,
              int32_t weight)
{
    constexpr bool kEightBit = std::is_same_v<T, uint8_t>;
    const std::ptrdiff_t ch = channels;
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(width) * ch;
    const uint8_t* table = magnitudeTable();
    forEachInteriorSample(region, 1, width, channels, [&](size_t k) {
        const Window3<T> w(src + k, row, ch);
        const int32_t g1 = (w.tl + weight * w.t + w.tr) - (w.bl + weight * w.b + w.br);
        const int32_t g2 = (w.tl + weight * w.l + w.bl) - (w.tr + weight * w.r + w.br);
        if constexpr (kEightBit) {
            const int32_t squared = g1 * g1 + g2 * g2;
            dst[k] = squared < 255 * 255 ? table[squared] : uint8_t{255};
        } else {
            const double m = std::sqrt(static_cast<double>(g1) * g1 + static_cast<double>(g2) * g2);
            dst[k] = truncTo<T>(m, range);
        }
    });
}

template <typename T>
void kirsch(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region, SampleRange range)
{
    const std::ptrdiff_t ch = channels;
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(width) * ch;
    forEachInteriorSample(region, 1, width, channels, [&](size_t k) {
        const Window3<T> w(src + k, row, ch);
        const int32_t sums[8] = {
            (w.tl + w.t + w.tr) - (w.bl + w.b + w.br), // north
            (w.t + w.tr + w.r) - (w.l + w.bl + w.b),   // north-east
            (w.tr + w.r + w.br) - (w.tl + w.l + w.bl), // east
            (w.r + w.br + w.b) - (w.t + w.tl + w.l),   // south-east
            (w.bl + w.b + w.br) - (w.tl + w.t + w.tr), // south
            (w.l + w.bl + w.b) - (w.t + w.tr + w.r),   // south-west
            (w.tl + w.l + w.bl) - (w.tr + w.r + w.br), // west
            (w.tl + w.t + w.l) - (w.r + w.br + w.b),   // north-west
        };
        dst[k] = clampTo<T>(*std::max_element(sums, sums + 8), range);
    });
}

// ---------------------------------------------------------------------------
// Rank filters.

enum class Rank { Minimum, Median, Maximum };

// The rank-th smallest (1-based) of a multiset of bin indexes, kept in a
// histogram that the window adds samples to and removes them from. The
// answer is tracked from the previous one, so a sliding window costs what it
// adds and removes rather than a scan of the whole histogram.
class RunningRank {
public:
    RunningRank(int32_t bins, int32_t rank) : m_counts(static_cast<size_t>(bins), 0u), m_rank(rank) {}
    void add(int32_t bin)
    {
        ++m_counts.data()[bin];
        m_below += static_cast<int64_t>(bin < m_value);
    }
    void remove(int32_t bin)
    {
        --m_counts.data()[bin];
        m_below -= static_cast<int64_t>(bin < m_value);
    }
    // Requires at least `rank` samples in the histogram.
    int32_t value()
    {
        while (m_below + static_cast<int64_t>(m_counts[static_cast<size_t>(m_value)]) < m_rank) {
            m_below += m_counts[static_cast<size_t>(m_value)];
            ++m_value;
        }
        while (m_below >= m_rank) {
            --m_value;
            m_below -= m_counts[static_cast<size_t>(m_value)];
        }
        return m_value;
    }

private:
    std::vector<uint32_t> m_counts;
    int64_t m_rank;
    int32_t m_value = 0;
    int64_t m_below = 0; // samples below m_value
};

// Bin of a sample: the byte for 8-bit stores; for 16-bit stores the offset
// from the level's minimum, samples outside the range (the 16-bit sentinels)
// counting in the end bins.
template <typename T>
struct Binning {
    SampleRange range;
    int32_t bins() const { return std::is_same_v<T, uint8_t> ? 256 : range.high - range.low + 1; }
    int32_t bin(T v) const
    {
        if constexpr (std::is_same_v<T, uint8_t>) {
            return v;
        } else {
            return std::clamp<int32_t>(v - range.low, 0, range.high - range.low);
        }
    }
    T sample(int32_t bin) const
    {
        if constexpr (std::is_same_v<T, uint8_t>) {
            return static_cast<T>(bin);
        } else {
            return static_cast<T>(bin + range.low);
        }
    }
};

// The rank-th smallest (1-based) bin of every (2r + 1) square window of a
// plane of bins (one channel, rows of `stride` bins whose first row and
// column are in.top - r and in.left - r) at a cost per pixel that does not
// grow with the radius: a histogram per column kept while moving down, and a
// two-level window histogram kept while moving right. The window's coarse
// histogram (buckets of about the square root of the bin count) follows
// every column; the fine counts of a bucket are
// brought up to date only when the answer falls in that bucket, from the
// columns that came and left since its last use. Calls visit(x, y, bin) for
// every selected pixel of the interior.
template <typename Bin, typename Visit>
void slidingRankBins(const Bin* bins, size_t stride, const ApplyRegion& in, int32_t r, int32_t binCount,
                     int64_t rank, const uint8_t* regionMask, int32_t width, Visit&& visit)
{
    int32_t shift = 0;
    while ((int64_t{1} << (2 * shift)) < binCount)
        ++shift;
    const size_t bucketWidth = size_t{1} << shift; // about the square root of the bin count
    const size_t buckets = (static_cast<size_t>(binCount) + bucketWidth - 1) / bucketWidth;
    const size_t fineSpan = buckets * bucketWidth;
    const auto columns = static_cast<size_t>(in.right - in.left + 2 * r);
    const size_t side = static_cast<size_t>(2 * r + 1);
    // Column counts never exceed 2r + 1 (below 65536: the window fits the frame).
    std::vector<uint16_t> fine(columns * fineSpan, 0);
    std::vector<uint16_t> coarse(columns * buckets, 0);
    auto count = [&](size_t column, size_t row, int32_t delta) {
        const size_t b = bins[row * stride + column];
        uint16_t& f = fine[column * fineSpan + b];
        uint16_t& g = coarse[column * buckets + (b >> shift)];
        f = static_cast<uint16_t>(f + delta);
        g = static_cast<uint16_t>(g + delta);
    };
    for (size_t column = 0; column < columns; ++column)
        for (size_t row = 0; row < side; ++row)
            count(column, row, 1);
    std::vector<uint32_t> windowCoarse(buckets);
    std::vector<uint32_t> windowFine(fineSpan);
    // The column (index of the window's left column) each bucket's fine counts hold.
    std::vector<int64_t> fineAt(buckets);
    uint32_t* wc = windowCoarse.data();
    uint32_t* wf = windowFine.data();
    auto addSegment = [&](size_t column, size_t bucket, bool add) {
        const uint16_t* f = fine.data() + column * fineSpan + bucket * bucketWidth;
        uint32_t* w = wf + bucket * bucketWidth;
        if (add)
            for (size_t k = 0; k < bucketWidth; ++k)
                w[k] += f[k];
        else
            for (size_t k = 0; k < bucketWidth; ++k)
                w[k] -= f[k];
    };
    for (int32_t y = in.top; y < in.bottom; ++y) {
        if (y > in.top) {
            const auto row = static_cast<size_t>(y - in.top);
            for (size_t column = 0; column < columns; ++column) {
                count(column, row - 1, -1);
                count(column, row + side - 1, 1);
            }
        }
        std::fill(windowCoarse.begin(), windowCoarse.end(), 0u);
        for (size_t column = 0; column < side; ++column) {
            const uint16_t* g = coarse.data() + column * buckets;
            for (size_t b = 0; b < buckets; ++b)
                wc[b] += g[b];
        }
        std::fill(fineAt.begin(), fineAt.end(), -1 - static_cast<int64_t>(side));
        const uint8_t* mask = regionMask != nullptr ? regionMask + static_cast<size_t>(y) * width : nullptr;
        for (int32_t x = in.left;; ++x) {
            const auto left = static_cast<size_t>(x - in.left); // the window's left column
            if (mask == nullptr || mask[x] != 0) {
                int64_t below = 0;
                size_t bucket = 0;
                while (below + wc[bucket] < rank)
                    below += wc[bucket++];
                const int64_t at = fineAt[bucket];
                if (at + static_cast<int64_t>(side) <= static_cast<int64_t>(left)) {
                    // No column in common with the last use: count afresh.
                    std::fill(wf + bucket * bucketWidth, wf + (bucket + 1) * bucketWidth, 0u);
                    for (size_t column = left; column < left + side; ++column)
                        addSegment(column, bucket, true);
                } else {
                    for (auto from = static_cast<size_t>(at); from < left; ++from) {
                        addSegment(from, bucket, false);
                        addSegment(from + side, bucket, true);
                    }
                }
                fineAt[bucket] = static_cast<int64_t>(left);
                size_t v = bucket * bucketWidth;
                while (below + wf[v] < rank)
                    below += wf[v++];
                visit(x, y, static_cast<int32_t>(v));
            }
            if (x + 1 >= in.right)
                break;
            const uint16_t* leaving = coarse.data() + left * buckets;
            const uint16_t* coming = coarse.data() + (left + side) * buckets;
            for (size_t b = 0; b < buckets; ++b)
                wc[b] = wc[b] + coming[b] - leaving[b];
        }
    }
}

// The rank-th smallest (1-based) sample of every (2r + 1) square window of
// an 8-bit store, channel by channel (a grey plane is read in place, a
// colour channel copied out first): calls visit(c, x, y, v) for every
// selected pixel of the interior, all of channel 0 first.
template <typename Visit>
void forEachChannelRank8(const uint8_t* src, int32_t width, int32_t channels, const ApplyRegion& region, int32_t r,
                         int64_t rank, Visit&& visit)
{
    const ApplyRegion in = interiorOf(region, r);
    if (in.right <= in.left || in.bottom <= in.top)
        return;
    const size_t ch = static_cast<size_t>(channels);
    const auto planeWidth = static_cast<size_t>(in.right - in.left + 2 * r);
    const auto planeHeight = static_cast<size_t>(in.bottom - in.top + 2 * r);
    const size_t origin = static_cast<size_t>(in.top - r) * width + static_cast<size_t>(in.left - r);
    std::vector<uint8_t> plane(ch > 1 ? planeWidth * planeHeight : 0);
    for (size_t c = 0; c < ch; ++c) {
        const uint8_t* bins = src + origin;
        size_t stride = static_cast<size_t>(width);
        if (ch > 1) {
            for (size_t y = 0; y < planeHeight; ++y) {
                const uint8_t* line = src + (origin + y * width) * ch + c;
                uint8_t* out = plane.data() + y * planeWidth;
                for (size_t x = 0; x < planeWidth; ++x)
                    out[x] = line[x * ch];
            }
            bins = plane.data();
            stride = planeWidth;
        }
        slidingRankBins(bins, stride, in, r, 256, rank, region.mask, width,
                        [&](int32_t x, int32_t y, int32_t v) { visit(c, x, y, v); });
    }
}

// Minimum or maximum over the (2r + 1) square: separable, a row pass into a
// scratch plane and a column pass out of it.
template <typename T>
void minMaxFilter(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region, int32_t r,
                  bool maximum)
{
    const ApplyRegion in = interiorOf(region, r);
    if (in.right <= in.left || in.bottom <= in.top)
        return;
    const size_t ch = static_cast<size_t>(channels);
    const size_t cols = static_cast<size_t>(in.right - in.left) * ch;
    const int32_t firstRow = in.top - r;
    const int32_t rows = in.bottom - in.top + 2 * r;
    std::vector<T> across(cols * static_cast<size_t>(rows));
    const auto pick = [maximum](T a, T b) { return maximum ? std::max(a, b) : std::min(a, b); };
    for (int32_t y = 0; y < rows; ++y) {
        const T* line = src + (static_cast<size_t>(firstRow + y) * width + in.left) * ch;
        T* out = across.data() + static_cast<size_t>(y) * cols;
        for (std::ptrdiff_t k = 0; k < static_cast<std::ptrdiff_t>(cols); ++k) {
            T v = line[k];
            for (std::ptrdiff_t d = 1; d <= r; ++d) {
                const std::ptrdiff_t step = d * static_cast<std::ptrdiff_t>(ch);
                v = pick(v, pick(line[k - step], line[k + step]));
            }
            out[k] = v;
        }
    }
    forEachSelectedRun(in, width, [&](size_t first, size_t last) {
        const size_t y = first / static_cast<size_t>(width);
        const size_t x = first % static_cast<size_t>(width);
        const T* top = across.data() + (y - static_cast<size_t>(firstRow) - static_cast<size_t>(r)) * cols +
                       (x - static_cast<size_t>(in.left)) * ch;
        const size_t count = (last - first) * ch;
        for (size_t k = 0; k < count; ++k) {
            T v = top[k];
            for (int32_t d = 1; d <= 2 * r; ++d)
                v = pick(v, top[k + static_cast<size_t>(d) * cols]);
            dst[first * ch + k] = v;
        }
    });
}

// Median of the 3 x 3 window through a 19-exchange network.
template <typename T>
void median3(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region)
{
    const std::ptrdiff_t ch = channels;
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(width) * ch;
    forEachInteriorSample(region, 1, width, channels, [&](size_t k) {
        const T* p = src + k;
        T v0 = p[-row - ch], v1 = p[-row], v2 = p[-row + ch], v3 = p[-ch], v4 = p[0], v5 = p[ch],
          v6 = p[row - ch], v7 = p[row], v8 = p[row + ch];
        const auto s = [](T& a, T& b) {
            const T lo = std::min(a, b);
            b = std::max(a, b);
            a = lo;
        };
        s(v1, v2); s(v4, v5); s(v7, v8); s(v0, v1); s(v3, v4); s(v6, v7); s(v1, v2); s(v4, v5); s(v7, v8);
        s(v0, v3); s(v5, v8); s(v4, v7); s(v3, v6); s(v1, v4); s(v2, v5); s(v4, v7); s(v4, v2); s(v6, v4);
        s(v4, v2);
        dst[k] = v4;
    });
}

// Median of a larger window: constant-time histograms for 8-bit frames; for
// 16-bit frames a running histogram per channel slid along each row.
template <typename T>
void medianRunning(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region,
                   SampleRange range, int32_t r)
{
    const int32_t side = 2 * r + 1;
    const int32_t rank = (side * side - 1) / 2 + 1;
    if constexpr (std::is_same_v<T, uint8_t>) {
        const size_t ch = static_cast<size_t>(channels);
        forEachChannelRank8(src, width, channels, region, r, rank, [&](size_t c, int32_t x, int32_t y, int32_t v) {
            dst[(static_cast<size_t>(y) * width + static_cast<size_t>(x)) * ch + c] = static_cast<uint8_t>(v);
        });
        return;
    }
    const ApplyRegion in = interiorOf(region, r);
    if (in.right <= in.left || in.bottom <= in.top)
        return;
    const Binning<T> binning{range};
    const size_t ch = static_cast<size_t>(channels);
    std::vector<RunningRank> hist(ch, RunningRank(binning.bins(), rank));
    auto at = [&](int32_t x, int32_t y, size_t c) { return src[(static_cast<size_t>(y) * width + x) * ch + c]; };
    for (int32_t y = in.top; y < in.bottom; ++y) {
        for (size_t c = 0; c < ch; ++c)
            for (int32_t wy = y - r; wy <= y + r; ++wy)
                for (int32_t wx = in.left - r; wx <= in.left + r; ++wx)
                    hist[c].add(binning.bin(at(wx, wy, c)));
        const uint8_t* mask = region.mask != nullptr ? region.mask + static_cast<size_t>(y) * width : nullptr;
        for (int32_t x = in.left;; ++x) {
            if (mask == nullptr || mask[x] != 0)
                for (size_t c = 0; c < ch; ++c)
                    dst[(static_cast<size_t>(y) * width + x) * ch + c] = binning.sample(hist[c].value());
            if (x + 1 >= in.right)
                break;
            for (size_t c = 0; c < ch; ++c)
                for (int32_t wy = y - r; wy <= y + r; ++wy) {
                    hist[c].remove(binning.bin(at(x - r, wy, c)));
                    hist[c].add(binning.bin(at(x + 1 + r, wy, c)));
                }
        }
        // Empty the histograms for the next row (cheaper than clearing them).
        for (size_t c = 0; c < ch; ++c)
            for (int32_t wy = y - r; wy <= y + r; ++wy)
                for (int32_t wx = in.right - 1 - r; wx <= in.right - 1 + r; ++wx)
                    hist[c].remove(binning.bin(at(wx, wy, c)));
    }
}

// ---------------------------------------------------------------------------
// Parameterised filters.

template <typename T>
void smooth(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region, SampleRange range,
            int32_t amount)
{
    const std::ptrdiff_t ch = channels;
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(width) * ch;
    const double keep = (100 - amount) * 0.01;
    const double blend = amount * 0.01;
    forEachInteriorSample(region, 1, width, channels, [&](size_t k) {
        const Window3<T> w(src + k, row, ch);
        const int32_t blurred =
            clampTo<T>((w.tl + w.t + w.tr + w.l + w.c + w.r + w.bl + w.b + w.br) / 9, range);
        dst[k] = truncTo<T>(keep * w.c + blend * blurred, range);
    });
}

template <typename T>
void localAverage(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region,
                  SampleRange range, int32_t threshold, const Mask3& mask)
{
    const std::ptrdiff_t ch = channels;
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(width) * ch;
    const int32_t centre = mask.k[4];
    const int32_t divisor = mask.divisor();
    forEachInteriorSample(region, 1, width, channels, [&](size_t k) {
        const Window3<T> w(src + k, row, ch);
        const int32_t s = w.tl + w.t + w.tr + w.l + centre * w.c + w.r + w.bl + w.b + w.br;
        const int32_t a = clampTo<T>(s / divisor, range);
        if (std::abs(a - w.c) <= threshold)
            dst[k] = static_cast<T>(a);
    });
}

// Unsharp filtering over the whole image: the mean of the (2r + 1) square
// clipped to the image, from column sums kept while moving down and a window
// sum kept while moving right, so the cost per pixel does not depend on r.
template <typename T>
void unsharp(const T* src, T* dst, int32_t width, int32_t height, int32_t channels, const uint8_t* mask,
             SampleRange range, double k, int32_t r)
{
    const size_t ch = static_cast<size_t>(channels);
    const size_t rowSamples = static_cast<size_t>(width) * ch;
    std::vector<int64_t> columns(rowSamples, 0);
    auto addRow = [&](int32_t y, int64_t sign) {
        const T* line = src + static_cast<size_t>(y) * rowSamples;
        for (size_t i = 0; i < rowSamples; ++i)
            columns[i] += sign * line[i];
    };
    for (int32_t y = 0; y <= std::min(height - 1, r); ++y)
        addRow(y, 1);
    std::vector<int64_t> sums(ch);
    for (int32_t y = 0; y < height; ++y) {
        if (y > 0) {
            if (y + r < height)
                addRow(y + r, 1);
            if (y - r - 1 >= 0)
                addRow(y - r - 1, -1);
        }
        const int64_t rowsIn = std::min(height - 1, y + r) - std::max(0, y - r) + 1;
        std::fill(sums.begin(), sums.end(), 0);
        for (int32_t x = 0; x <= std::min(width - 1, r); ++x)
            for (size_t c = 0; c < ch; ++c)
                sums[c] += columns[static_cast<size_t>(x) * ch + c];
        const T* line = src + static_cast<size_t>(y) * rowSamples;
        T* out = dst + static_cast<size_t>(y) * rowSamples;
        const uint8_t* maskRow = mask != nullptr ? mask + static_cast<size_t>(y) * width : nullptr;
        for (int32_t x = 0; x < width; ++x) {
            if (x > 0) {
                if (x + r < width)
                    for (size_t c = 0; c < ch; ++c)
                        sums[c] += columns[static_cast<size_t>(x + r) * ch + c];
                if (x - r - 1 >= 0)
                    for (size_t c = 0; c < ch; ++c)
                        sums[c] -= columns[static_cast<size_t>(x - r - 1) * ch + c];
            }
            if (maskRow != nullptr && maskRow[x] == 0)
                continue;
            const int64_t colsIn = std::min(width - 1, x + r) - std::max(0, x - r) + 1;
            const double count = static_cast<double>(rowsIn * colsIn);
            for (size_t c = 0; c < ch; ++c) {
                const size_t i = static_cast<size_t>(x) * ch + c;
                const double mean = static_cast<double>(sums[c]) / count;
                out[i] = truncTo<T>((1.0 + k) * line[i] - k * mean, range);
            }
        }
    }
}

// From this radius on, 16-bit grey dust and scratches uses the two-level
// column histograms (their fixed cost per pixel is then below that of
// sliding a running histogram over 2 x (2r + 1) samples), when the column
// histograms stay within this many counters.
constexpr int32_t kLargeRankRadius = 4;
constexpr int64_t kMaxColumnHistogramCounts = int64_t{1} << 24;

// Dust and scratches: a conditional rank filter. 8-bit frames use the
// constant-time histograms above, so that a large radius costs about what a
// small one does; so do 16-bit grey frames at larger radii while the column
// histograms of the level's range fit the budget above. Otherwise 16-bit
// frames walk down each column of the interior with one running histogram
// per channel, covering the level's whole range (maxValue - minValue + 1
// counters, up to 65,536).
template <typename T>
void dustAndScratches(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region,
                      SampleRange range, int32_t r, int64_t threshold)
{
    const int32_t side = 2 * r + 1;
    const int32_t rank = (side * side - 1) / 2;
    if constexpr (std::is_same_v<T, uint8_t>) {
        const size_t ch = static_cast<size_t>(channels);
        if (ch == 1) {
            forEachChannelRank8(src, width, channels, region, r, rank, [&](size_t, int32_t x, int32_t y, int32_t v) {
                const size_t i = static_cast<size_t>(y) * width + static_cast<size_t>(x);
                if (std::abs(int64_t{v} - src[i]) > threshold)
                    dst[i] = static_cast<uint8_t>(v);
            });
            return;
        }
        // Colour: the values of every channel first, then one decision per pixel.
        const ApplyRegion in = interiorOf(region, r);
        if (in.right <= in.left || in.bottom <= in.top)
            return;
        const auto across = static_cast<size_t>(in.right - in.left);
        std::vector<uint8_t> values(across * static_cast<size_t>(in.bottom - in.top) * ch);
        auto valuesAt = [&](int32_t x, int32_t y) {
            return values.data() + (static_cast<size_t>(y - in.top) * across + static_cast<size_t>(x - in.left)) * ch;
        };
        forEachChannelRank8(src, width, channels, region, r, rank, [&](size_t c, int32_t x, int32_t y, int32_t v) {
            valuesAt(x, y)[c] = static_cast<uint8_t>(v);
        });
        for (int32_t y = in.top; y < in.bottom; ++y)
            for (int32_t x = in.left; x < in.right; ++x) {
                const size_t p = static_cast<size_t>(y) * width + static_cast<size_t>(x);
                if (region.mask != nullptr && region.mask[p] == 0)
                    continue;
                const uint8_t* v = valuesAt(x, y);
                bool replace = false;
                for (size_t c = 0; c < ch; ++c)
                    replace = replace || std::abs(int64_t{v[c]} - src[p * ch + c]) > threshold;
                if (replace)
                    for (size_t c = 0; c < ch; ++c)
                        dst[p * ch + c] = v[c];
            }
        return;
    }
    const ApplyRegion in = interiorOf(region, r);
    if (in.right <= in.left || in.bottom <= in.top)
        return;
    const Binning<T> binning{range};
    const size_t ch = static_cast<size_t>(channels);
    const auto binRow = static_cast<size_t>(in.right - in.left + 2 * r);
    if (ch == 1 && r >= kLargeRankRadius &&
        static_cast<int64_t>(binRow) * binning.bins() <= kMaxColumnHistogramCounts) {
        // The bins of every sample the windows cover, from the window's
        // first row and column on.
        const auto binRows = static_cast<size_t>(in.bottom - in.top + 2 * r);
        std::vector<uint16_t> bins(binRow * binRows);
        for (size_t y = 0; y < binRows; ++y) {
            const T* line = src + (static_cast<size_t>(in.top - r) + y) * width + static_cast<size_t>(in.left - r);
            uint16_t* out = bins.data() + y * binRow;
            for (size_t k = 0; k < binRow; ++k)
                out[k] = static_cast<uint16_t>(binning.bin(line[k]));
        }
        slidingRankBins(bins.data(), binRow, in, r, binning.bins(), rank, region.mask, width,
                        [&](int32_t x, int32_t y, int32_t bin) {
                            const size_t i = static_cast<size_t>(y) * width + static_cast<size_t>(x);
                            const T v = binning.sample(bin);
                            if (std::abs(static_cast<int64_t>(v) - src[i]) > threshold)
                                dst[i] = v;
                        });
        return;
    }
    std::vector<RunningRank> hist(ch, RunningRank(binning.bins(), rank));
    auto index = [&](int32_t x, int32_t y) { return (static_cast<size_t>(y) * width + x) * ch; };
    for (int32_t x = in.left; x < in.right; ++x) {
        for (int32_t wy = in.top - r; wy <= in.top + r; ++wy)
            for (int32_t wx = x - r; wx <= x + r; ++wx)
                for (size_t c = 0; c < ch; ++c)
                    hist[c].add(binning.bin(src[index(wx, wy) + c]));
        for (int32_t y = in.top;; ++y) {
            if (region.mask == nullptr || region.mask[static_cast<size_t>(y) * width + x] != 0) {
                const size_t i = index(x, y);
                T v[3] = {};
                bool replace = false;
                for (size_t c = 0; c < ch; ++c) {
                    v[c] = binning.sample(hist[c].value());
                    replace = replace || std::abs(static_cast<int64_t>(v[c]) - src[i + c]) > threshold;
                }
                if (replace)
                    for (size_t c = 0; c < ch; ++c)
                        dst[i + c] = v[c];
            }
            if (y + 1 >= in.bottom)
                break;
            // The window's top row leaves, the row below its bottom comes in.
            const T* leaving = src + index(x - r, y - r);
            const T* coming = src + index(x - r, y + 1 + r);
            const size_t span = static_cast<size_t>(2 * r + 1) * ch;
            if (ch == 1) {
                RunningRank& h = hist[0];
                for (size_t k = 0; k < span; ++k) {
                    h.remove(binning.bin(leaving[k]));
                    h.add(binning.bin(coming[k]));
                }
            } else {
                for (size_t k = 0; k < span; ++k) {
                    hist[k % ch].remove(binning.bin(leaving[k]));
                    hist[k % ch].add(binning.bin(coming[k]));
                }
            }
        }
        for (int32_t wy = in.bottom - 1 - r; wy <= in.bottom - 1 + r; ++wy)
            for (int32_t wx = x - r; wx <= x + r; ++wx)
                for (size_t c = 0; c < ch; ++c)
                    hist[c].remove(binning.bin(src[index(wx, wy) + c]));
    }
}

// Geometric mean with the weights of Blur mask 2 (divisor 12) from tables of
// weighted logarithms; a 0 in the window (ln 0 = minus infinity) gives 0.
// 16-bit samples are taken relative to the level's minimum.
template <typename T>
void geometricMean(const T* src, T* dst, int32_t width, int32_t channels, const ApplyRegion& region,
                   SampleRange range)
{
    const Binning<T> binning{range};
    const int32_t bins = binning.bins();
    // lnOne[v] = ln(v); the centre weight 4 is applied as 4 x lnOne.
    std::vector<double> lnOne(static_cast<size_t>(bins));
    for (int32_t v = 0; v < bins; ++v)
        lnOne[static_cast<size_t>(v)] = std::log(static_cast<double>(v));
    const double* ln = lnOne.data();
    const std::ptrdiff_t ch = channels;
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(width) * ch;
    const int32_t base = std::is_same_v<T, uint8_t> ? 0 : range.low;
    const SampleRange offsets{0, range.high - base};
    forEachInteriorSample(region, 1, width, channels, [&](size_t k) {
        const T* p = src + k;
        auto b = [&](std::ptrdiff_t d) { return ln[binning.bin(p[d])]; };
        const double sum = b(-row - ch) + b(-row) + b(-row + ch) + b(-ch) + 4.0 * b(0) + b(ch) + b(row - ch) +
                           b(row) + b(row + ch);
        const double value = std::exp(sum / 12.0) + 0.5;
        dst[k] = static_cast<T>(base + geometry::truncateToRange(value, offsets));
    });
}

// One pass of a user-defined mask over the selected pixels of the whole
// image; windows are clipped to the image and the divisor is reduced in
// proportion to the weight that falls outside.
template <typename T>
void customPass(const T* src, T* dst, int32_t width, int32_t height, int32_t channels, const uint8_t* mask,
                SampleRange range, int32_t r, const CustomMaskPass& pass)
{
    const size_t ch = static_cast<size_t>(channels);
    auto weight = [&](int32_t dx, int32_t dy) { return pass.grid[static_cast<size_t>((3 + dx) * 7 + 3 + dy)]; };
    int64_t full = 0;
    for (int32_t dy = -r; dy <= r; ++dy)
        for (int32_t dx = -r; dx <= r; ++dx)
            full += weight(dx, dy);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            if (mask != nullptr && mask[static_cast<size_t>(y) * width + x] == 0)
                continue;
            int64_t s[3] = {};
            int64_t inside = 0;
            for (int32_t dy = -r; dy <= r; ++dy) {
                const int32_t yy = y + dy;
                if (yy < 0 || yy >= height)
                    continue;
                for (int32_t dx = -r; dx <= r; ++dx) {
                    const int32_t xx = x + dx;
                    if (xx < 0 || xx >= width)
                        continue;
                    const int64_t w = weight(dx, dy);
                    inside += w;
                    const T* p = src + (static_cast<size_t>(yy) * width + xx) * ch;
                    for (size_t c = 0; c < ch; ++c)
                        s[c] += w * p[c];
                }
            }
            double divisor = 0.0;
            if (full != 0)
                divisor = static_cast<double>(inside) * pass.divisor / static_cast<double>(full);
            T* out = dst + (static_cast<size_t>(y) * width + x) * ch;
            for (size_t c = 0; c < ch; ++c) {
                const double value = divisor > 0.0 ? static_cast<double>(s[c]) / divisor + 0.5
                                                   : static_cast<double>(s[c]);
                out[c] = truncTo<T>(value, range);
            }
        }
    }
}

} // namespace
} // namespace filters

// ---------------------------------------------------------------------------
// The operations.

namespace {

ApplyRegion regionOf(const LevelEdit& edit)
{
    const ImageRect scope = edit.scope();
    return ApplyRegion{scope.left, scope.top, scope.right, scope.bottom, edit.selectionMask()};
}

template <typename T>
SampleRange rangeOf(const ImageLevel& level)
{
    return sampleRange<T>(level.minValue, level.maxValue);
}

// The frame of every filter: push a copy of the previous level, run
// op(tag, edit, src, dst) with tag a value of the store's sample type, publish.
template <typename Op>
int pushFilter(ImageBuffer& buffer, Op&& op)
{
    if (!buffer.hasStore())
        return 0;
    LevelEdit edit = buffer.beginEdit(LevelStart::CopyPrevious);
    if (!edit)
        return 0;
    if (buffer.image16() != nullptr) {
        op(int16_t{}, edit);
    } else {
        op(uint8_t{}, edit);
    }
    return edit.commit();
}

// Shorthand for the kernels' common arguments.
#define VELTOR_FILTER_ARGS                                                                                        \
    edit.sourceSamples<T>(), edit.targetSamples<T>(), edit.source().width, edit.source().channels(), regionOf(edit)

int convolveWith(ImageBuffer& buffer, MaskFamily family, int32_t number)
{
    Mask3 mask;
    if (!mask3(family, number, mask))
        return 0;
    return pushFilter(buffer, [&](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        filters::convolve(VELTOR_FILTER_ARGS, rangeOf<T>(edit.source()), mask);
    });
}

// A window of radius r fits the scope (the image, or the selection's
// bounding box); a larger one would leave nothing to filter.
bool windowFits(const ImageBuffer& buffer, int32_t radius)
{
    if (!buffer.hasStore() || radius < 1)
        return false;
    const ImageRect scope = buffer.applyScope();
    const int64_t side = 2 * static_cast<int64_t>(radius) + 1;
    return side <= scope.right - scope.left && side <= scope.bottom - scope.top;
}

int rankFilter(ImageBuffer& buffer, int32_t radius, filters::Rank rank)
{
    if (!windowFits(buffer, radius))
        return 0;
    return pushFilter(buffer, [&](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        if (rank != filters::Rank::Median) {
            filters::minMaxFilter(VELTOR_FILTER_ARGS, radius, rank == filters::Rank::Maximum);
        } else if (radius == 1) {
            filters::median3(VELTOR_FILTER_ARGS);
        } else {
            filters::medianRunning(VELTOR_FILTER_ARGS, rangeOf<T>(edit.source()), radius);
        }
    });
}

} // namespace

int ImageBuffer::blur(int32_t mask) { return convolveWith(*this, MaskFamily::Blur, mask); }
int ImageBuffer::laplacian(int32_t mask) { return convolveWith(*this, MaskFamily::Laplacian, mask); }
int ImageBuffer::sharpen(int32_t mask) { return convolveWith(*this, MaskFamily::Sharp, mask); }

int ImageBuffer::sobel()
{
    return pushFilter(*this, [](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        filters::gradient(VELTOR_FILTER_ARGS, rangeOf<T>(edit.source()), 2);
    });
}

int ImageBuffer::prewitt()
{
    return pushFilter(*this, [](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        filters::gradient(VELTOR_FILTER_ARGS, rangeOf<T>(edit.source()), 1);
    });
}

int ImageBuffer::kirsch()
{
    return pushFilter(*this, [](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        filters::kirsch(VELTOR_FILTER_ARGS, rangeOf<T>(edit.source()));
    });
}

int ImageBuffer::minimumFilter(int32_t radius) { return rankFilter(*this, radius, filters::Rank::Minimum); }
int ImageBuffer::medianFilter(int32_t radius) { return rankFilter(*this, radius, filters::Rank::Median); }
int ImageBuffer::maximumFilter(int32_t radius) { return rankFilter(*this, radius, filters::Rank::Maximum); }

int ImageBuffer::smooth(int32_t amount)
{
    if (amount < 0 || amount > 100)
        return 0;
    return pushFilter(*this, [amount](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        filters::smooth(VELTOR_FILTER_ARGS, rangeOf<T>(edit.source()), amount);
    });
}

int ImageBuffer::localAverage(int32_t threshold, int32_t mask)
{
    Mask3 weights;
    if (threshold < 0 || !mask3(MaskFamily::Blur, mask + 1, weights))
        return 0;
    return pushFilter(*this, [&](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        filters::localAverage(VELTOR_FILTER_ARGS, rangeOf<T>(edit.source()), threshold, weights);
    });
}

int ImageBuffer::unsharp(int32_t amount, int32_t radius)
{
    if (amount < 0 || radius < 1)
        return 0;
    return pushFilter(*this, [=](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        const ImageLevel& level = edit.source();
        // A radius beyond the frame covers the frame: the same result.
        const int32_t r = std::min(radius, std::max(level.width, level.height));
        filters::unsharp(edit.sourceSamples<T>(), edit.targetSamples<T>(), level.width, level.height,
                         level.channels(), edit.selectionMask(), rangeOf<T>(level), amount * 0.01, r);
    });
}

int ImageBuffer::edgeEnhance(int32_t amount)
{
    if (amount < 0 || amount > 100 || !hasStore())
        return 0;
    // The Prewitt edges, computed through a level that leaves the history at
    // once, are blended with the samples from before the operation.
    if (prewitt() == 0)
        return 0;
    const ImageLevel edges = *currentLevel();
    std::vector<uint8_t> edgeCopy(edges.pixels, edges.pixels + edges.dataSize);
    undo();
    PixelStore* s = image16() != nullptr ? static_cast<PixelStore*>(image16()) : static_cast<PixelStore*>(image8());
    s->levels.resize(static_cast<size_t>(s->currentLevel) + 1);
    s->history.entries.resize(static_cast<size_t>(s->history.position));
    return pushFilter(*this, [&](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        const T* edge = reinterpret_cast<const T*>(edgeCopy.data());
        const T* src = edit.sourceSamples<T>();
        T* dst = edit.targetSamples<T>();
        const ImageLevel& level = edit.source();
        const SampleRange range = rangeOf<T>(level);
        std::copy(edge, edge + static_cast<size_t>(level.width) * level.height * level.channels(), dst);
        const double keep = (100 - amount) * 0.01;
        const double blend = amount * 0.01;
        filters::forEachInteriorSample(regionOf(edit), 1, level.width, level.channels(), [&](size_t k) {
            dst[k] = filters::truncTo<T>(keep * src[k] + blend * edge[k], range);
        });
    });
}

int ImageBuffer::dustAndScratches(int32_t radius, int32_t threshold)
{
    if (!windowFits(*this, radius) || threshold < 0)
        return 0;
    return pushFilter(*this, [=](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        filters::dustAndScratches(VELTOR_FILTER_ARGS, rangeOf<T>(edit.source()), radius, threshold);
    });
}

int ImageBuffer::geometricMean()
{
    return pushFilter(*this, [](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        filters::geometricMean(VELTOR_FILTER_ARGS, rangeOf<T>(edit.source()));
    });
}

int ImageBuffer::customMask(const CustomMask& masks)
{
    if (checkCustomMask(masks) != CustomMaskProblem::Ok)
        return 0;
    return pushFilter(*this, [&](auto tag, LevelEdit& edit) {
        using T = decltype(tag);
        const ImageLevel& level = edit.source();
        const size_t count = static_cast<size_t>(level.width) * level.height * level.channels();
        // Each pass reads the previous pass's result; the first reads the
        // previous level.
        std::vector<T> previous;
        const T* input = edit.sourceSamples<T>();
        T* dst = edit.targetSamples<T>();
        for (size_t p = 0; p < masks.passes.size(); ++p) {
            if (p > 0) {
                previous.assign(dst, dst + count);
                input = previous.data();
            }
            filters::customPass(input, dst, level.width, level.height, level.channels(), edit.selectionMask(),
                                rangeOf<T>(level), masks.radius, masks.passes[p]);
        }
    });
}

int ImageBuffer::enhancementChain(float redFactor, float greenFactor, float blueFactor)
{
    PixelStore* s = image16() != nullptr ? static_cast<PixelStore*>(image16()) : static_cast<PixelStore*>(image8());
    if (s == nullptr)
        return 0;
    const int32_t baseLevel = s->currentLevel;
    const int32_t basePosition = s->history.position;
    const std::vector<HistoryKind> baseEntries = s->history.entries;
    const bool colour = isColour();
    int32_t steps = 0;
    bool ok = blur(4) != 0;
    steps += ok ? 1 : 0;
    const auto step = [&](int result) {
        if (ok && result != 0)
            ++steps;
        else
            ok = false;
    };
    if (ok && colour)
        step(toGreyWeighted(redFactor, greenFactor, blueFactor));
    if (ok)
        step(invert());
    if (ok)
        step(maximumFilter(1));
    if (ok)
        step(rotate180());
    if (ok)
        step(unsharp(50, 20));
    if (!ok) {
        // Back to where the chain started, with no trace of its steps.
        for (int32_t i = 0; i < steps; ++i)
            undo();
        s->levels.resize(static_cast<size_t>(baseLevel) + 1);
        s->history.entries = baseEntries;
        s->history.position = basePosition;
        return 0;
    }
    // Only the last level stays: it moves down into the first new slot, and
    // the intermediate levels and their history entries go.
    auto first = s->levels.begin() + baseLevel + 1;
    std::swap(*first, s->levels.back());
    s->levels.resize(static_cast<size_t>(baseLevel) + 2);
    s->currentLevel = baseLevel + 1;
    s->history.entries.resize(static_cast<size_t>(s->history.position) - static_cast<size_t>(steps - 1));
    s->history.position = s->history.length();
    return 1;
}

} // namespace veltor
