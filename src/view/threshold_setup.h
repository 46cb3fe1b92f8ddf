// The "Thresholding" dialog's arithmetic: the two limits, each held on its own
// side of the other, the mode, and the frame's 256-bin histogram the limits are
// drawn over.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace veltor {

struct ImageLevel;

// The frame's value distribution in 256 bins.
using Histogram256 = std::array<uint32_t, 256>;

// Counts of the values minValue .. minValue + n - 1 (n = counts.size()) folded
// into 256 bins: with n >= 257 bin i sums the counts at trunc(i x n / 256) ..
// trunc((i + 1) x n / 256) - 1; otherwise bin i is the count at i and the bins
// from n on stay 0.
Histogram256 binValueCounts(std::span<const uint32_t> counts);
// The bin of binValueCounts that holds the value at `offset` (value - minValue)
// for a range of n values; offsets outside 0 .. n - 1 are taken to the nearer end.
int32_t histogramBinOf(int64_t offset, int64_t n);

// The histogram of a level: 8-bit grey frames count each value in its own bin,
// colour frames the grey level of each pixel (grey table weights), 16-bit
// frames their samples folded by binValueCounts over minValue .. maxValue.
// `sixteenBit` tells which store the level belongs to.
Histogram256 levelHistogram(const ImageLevel& level, bool sixteenBit);

// The limits and mode as the dialog holds them. Each limit stays within
// minValue .. maxValue and on its own side of the other (lower <= upper).
class ThresholdSetup {
  public:
    static constexpr const char* kTitle = "Thresholding";
    static constexpr const char* kLowerLimit = "Lower Limit";
    static constexpr const char* kUpperLimit = "Upper Limit";
    static constexpr const char* kBetweenLimits = "Between Limits";
    static constexpr const char* kModeNames[4] = {"Keep Values", "Apply Window", "Black and White",
                                                  "Stretch"};
    static constexpr const char* kOriginal = "Original";
    static constexpr const char* kProcessed = "Processed";

    // Opens with the limits a third and two thirds of the way through the range.
    ThresholdSetup(int32_t minValue, int32_t maxValue);

    int32_t minValue() const { return m_min; }
    int32_t maxValue() const { return m_max; }
    int32_t lower() const { return m_lower; }
    int32_t upper() const { return m_upper; }
    int32_t mode() const { return m_mode; }

    // Each returns the value actually taken: held to minValue .. upper (lower)
    // or lower .. maxValue (upper).
    int32_t setLower(int32_t value);
    int32_t setUpper(int32_t value);
    // Modes outside 0 .. 3 are refused (false, mode unchanged).
    bool setMode(int32_t mode);

  private:
    int32_t m_min;
    int32_t m_max;
    int32_t m_lower;
    int32_t m_upper;
    int32_t m_mode = 0;
};

} // namespace veltor
