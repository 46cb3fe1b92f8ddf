#include "view/threshold_setup.h"

#include "imaging/grey_table.h"
#include "imaging/pixel_store.h"

#include <algorithm>
#include <vector>

namespace veltor {

Histogram256 binValueCounts(std::span<const uint32_t> counts) {
    Histogram256 bins{};
    const int64_t n = static_cast<int64_t>(counts.size());
    if (n < 257) {
        std::copy(counts.begin(), counts.end(), bins.begin());
        return bins;
    }
    for (int64_t i = 0; i < 256; ++i) {
        const int64_t first = i * n / 256;
        const int64_t end = (i + 1) * n / 256;
        uint64_t sum = 0;
        for (int64_t k = first; k < end; ++k)
            sum += counts[static_cast<size_t>(k)];
        bins[static_cast<size_t>(i)] = static_cast<uint32_t>(std::min<uint64_t>(sum, UINT32_MAX));
    }
    return bins;
}

int32_t histogramBinOf(int64_t offset, int64_t n) {
    if (n <= 0) return 0;
    offset = std::clamp<int64_t>(offset, 0, n - 1);
    if (n < 257) return static_cast<int32_t>(offset);
    // The last bin i whose first value trunc(i x n / 256) is at most offset.
    return static_cast<int32_t>((256 * (offset + 1) - 1) / n);
}

Histogram256 levelHistogram(const ImageLevel& level, bool sixteenBit) {
    Histogram256 bins{};
    if (level.pixels == nullptr || level.width <= 0 || level.height <= 0) return bins;
    const size_t count = static_cast<size_t>(level.width) * static_cast<size_t>(level.height);
    if (sixteenBit) {
        const int32_t low = level.minValue;
        const int32_t high = std::max(level.maxValue, level.minValue);
        std::vector<uint32_t> counts(static_cast<size_t>(high - low + 1), 0);
        const int16_t* samples = level.samples16();
        for (size_t i = 0; i < count; ++i) {
            // Markers outside the level's range (32767, -32768) are left out.
            const int32_t v = samples[i];
            if (v >= low && v <= high) ++counts[static_cast<size_t>(v - low)];
        }
        return binValueCounts(counts);
    }
    if (level.colour != 0) {
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* p = level.pixels + 3 * i;
            ++bins[greyValue(p[0], p[1], p[2])];
        }
    } else {
        for (size_t i = 0; i < count; ++i)
            ++bins[level.pixels[i]];
    }
    return bins;
}

ThresholdSetup::ThresholdSetup(int32_t minValue, int32_t maxValue)
    : m_min(std::min(minValue, maxValue)), m_max(std::max(minValue, maxValue)) {
    const int64_t span = static_cast<int64_t>(m_max) - m_min;
    m_lower = static_cast<int32_t>(m_min + span / 3);
    m_upper = static_cast<int32_t>(m_min + 2 * span / 3);
}

int32_t ThresholdSetup::setLower(int32_t value) {
    m_lower = std::clamp(value, m_min, m_upper);
    return m_lower;
}

int32_t ThresholdSetup::setUpper(int32_t value) {
    m_upper = std::clamp(value, m_lower, m_max);
    return m_upper;
}

bool ThresholdSetup::setMode(int32_t mode) {
    if (mode < 0 || mode > 3) return false;
    m_mode = mode;
    return true;
}

} // namespace veltor
