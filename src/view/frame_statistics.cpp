#include "view/frame_statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "imaging/grey_table.h"
#include "imaging/image_buffer.h"
#include "view/measurements.h"

namespace veltor {

namespace {

// Mean and deviation of values `first + i` counted in `counts`.
void moments(const uint64_t* counts, size_t size, int32_t first, double& mean, double& deviation) {
    uint64_t n = 0;
    double sum = 0.0;
    for (size_t i = 0; i < size; ++i) {
        n += counts[i];
        sum += double(counts[i]) * double(first + int32_t(i));
    }
    mean = deviation = 0.0;
    if (n == 0) return;
    mean = sum / double(n);
    double squares = 0.0;
    for (size_t i = 0; i < size; ++i) {
        if (counts[i] == 0) continue;
        const double d = double(first + int32_t(i)) - mean;
        squares += double(counts[i]) * d * d;
    }
    deviation = std::sqrt(squares / double(n));
}

ChannelStatistics channelOf(const std::array<uint64_t, 256>& counts) {
    ChannelStatistics c;
    c.bins = counts;
    moments(counts.data(), counts.size(), 0, c.mean, c.deviation);
    return c;
}

// Visits the selected pixels (all of them without a selection) as offsets
// into the frame's pixel array.
template <class Fn>
void forSelected(const ImageBuffer& frame, int32_t width, int32_t height, Fn fn) {
    const SelectionRegion* sel = frame.selection();
    const uint8_t* mask = sel != nullptr && !sel->isEmpty() ? sel->mask() : nullptr;
    int32_t x0 = 0, y0 = 0, x1 = width, y1 = height;
    if (mask != nullptr) {
        const ImageRect box = sel->boundingBox();
        x0 = std::max(box.left, 0);
        y0 = std::max(box.top, 0);
        x1 = std::min(box.right, width);
        y1 = std::min(box.bottom, height);
    }
    for (int32_t y = y0; y < y1; ++y) {
        const size_t row = size_t(y) * size_t(width);
        if (mask == nullptr) {
            for (int32_t x = x0; x < x1; ++x) fn(row + size_t(x));
        } else {
            for (int32_t x = x0; x < x1; ++x)
                if (mask[row + size_t(x)] != 0) fn(row + size_t(x));
        }
    }
}

void extremes(const uint64_t* counts, size_t size, int32_t first, int32_t& lo, int32_t& hi) {
    size_t a = 0, b = size;
    while (a < size && counts[a] == 0) ++a;
    while (b > a && counts[b - 1] == 0) --b;
    lo = a < size ? first + int32_t(a) : 0;
    hi = b > a ? first + int32_t(b - 1) : 0;
}

} // namespace

FrameStatistics frameStatistics(const ImageBuffer& frame) {
    FrameStatistics s;
    const ImageLevel* level = frame.currentLevel();
    if (level == nullptr || level->pixels == nullptr || level->width <= 0 || level->height <= 0) return s;
    const int32_t w = level->width, h = level->height;
    if (frame.image16() != nullptr) {
        std::vector<uint64_t> counts(65536, 0);
        const int16_t* samples = level->samples16();
        forSelected(frame, w, h, [&](size_t i) { ++counts[size_t(int32_t(samples[i]) + 32768)]; });
        for (uint64_t c : counts) s.count += int64_t(c);
        extremes(counts.data(), counts.size(), -32768, s.minimum, s.maximum);
        moments(counts.data(), counts.size(), -32768, s.luminance.mean, s.luminance.deviation);
        // The level's value range gathered into 256 bins; values outside it
        // (the reserved extremes) go to the nearest end.
        const int32_t lo = std::min(level->minValue, level->maxValue);
        const int64_t n = int64_t{std::max(level->minValue, level->maxValue)} - lo + 1;
        std::vector<uint64_t> range(size_t(n), 0);
        for (size_t i = 0; i < counts.size(); ++i) {
            if (counts[i] == 0) continue;
            const int64_t offset = std::clamp<int64_t>(int64_t(i) - 32768 - lo, 0, n - 1);
            range[size_t(offset)] += counts[i];
        }
        if (n >= 257) {
            for (int64_t b = 0; b < 256; ++b)
                for (int64_t k = b * n / 256; k < (b + 1) * n / 256; ++k) s.luminance.bins[size_t(b)] += range[size_t(k)];
        } else {
            for (int64_t k = 0; k < n; ++k) s.luminance.bins[size_t(k)] = range[size_t(k)];
        }
        return s;
    }
    if (level->colour == 0) {
        std::array<uint64_t, 256> counts{};
        const uint8_t* p = level->pixels;
        forSelected(frame, w, h, [&](size_t i) { ++counts[p[i]]; });
        for (uint64_t c : counts) s.count += int64_t(c);
        extremes(counts.data(), counts.size(), 0, s.minimum, s.maximum);
        s.luminance = channelOf(counts);
        return s;
    }
    s.colour = true;
    std::array<uint64_t, 256> grey{}, red{}, green{}, blue{};
    // 0.29 R + 0.59 G + 0.12 B has at most 2 decimals: its integer part is exact in hundredths.
    std::array<uint64_t, 256> weighted{};
    const uint8_t* table = greyTable();
    const uint8_t* p = level->pixels;
    forSelected(frame, w, h, [&](size_t i) {
        const uint8_t r = p[3 * i], g = p[3 * i + 1], b = p[3 * i + 2];
        ++red[r];
        ++green[g];
        ++blue[b];
        ++grey[table[(uint32_t(r) << 16) | (uint32_t(g) << 8) | b]];
        ++weighted[(29u * r + 59u * g + 12u * b) / 100u];
    });
    for (uint64_t c : grey) s.count += int64_t(c);
    extremes(weighted.data(), weighted.size(), 0, s.minimum, s.maximum);
    s.luminance = channelOf(grey);
    s.red = channelOf(red);
    s.green = channelOf(green);
    s.blue = channelOf(blue);
    return s;
}

int32_t histogramSliderStart(const std::array<uint64_t, 256>& bins, bool& enabled) {
    std::array<uint64_t, 256> sorted = bins;
    std::partial_sort(sorted.begin(), sorted.begin() + 4, sorted.end(), std::greater<>());
    const double v = double(sorted[0]), e = double(sorted[3]);
    enabled = v + e > 0.0;
    if (!enabled) return 1;
    return std::clamp(static_cast<int32_t>(std::trunc(v / (v + e) * 100.0)), 1, 99);
}

std::array<int32_t, 256> histogramBars(const std::array<uint64_t, 256>& bins, int32_t position) {
    std::array<int32_t, 256> bars{};
    const uint64_t largest = *std::max_element(bins.begin(), bins.end());
    const double scale =
        std::max(1.0, std::trunc((100 - std::clamp(position, 1, 99)) * 0.01 * double(largest)));
    for (size_t i = 0; i < bins.size(); ++i) {
        if (bins[i] == 0) continue;
        const double bar = std::trunc(double(bins[i]) / scale * 100.0 + 0.5);
        bars[i] = static_cast<int32_t>(std::clamp(bar, 1.0, double(kHistogramGraphHeight)));
    }
    return bars;
}

namespace {

std::string format(const char* pattern, double v) {
    char text[64];
    std::snprintf(text, sizeof text, pattern, v);
    return text;
}

std::string integer(int64_t v) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(v));
    return text;
}

} // namespace

std::vector<InfoRow> infoRows(const std::vector<InfoFrame>& frames, double spacingRow, double spacingColumn,
                              double sliceThickness) {
    const PixelSpacing s = measurementSpacing(spacingRow, spacingColumn);
    const double thickness = std::isfinite(sliceThickness) ? sliceThickness : 0.0;
    std::vector<InfoRow> rows;
    int64_t totalCount = 0;
    double totalArea = 0.0, totalVolume = 0.0;
    for (size_t i = 0; i < frames.size(); ++i) {
        const FrameStatistics& st = frames[i].statistics;
        InfoRow row;
        row.frame = integer(int64_t(i) + 1);
        row.voxels = integer(st.count);
        row.minimum = integer(st.minimum);
        row.maximum = integer(st.maximum);
        row.mean = format("%.2f", st.luminance.mean);
        row.deviation = format("%.2f", st.luminance.deviation);
        if (frames[i].hasSelection) {
            const double area = double(st.count) * s.row * s.column * 0.01;
            row.area = format("%.2f", area);
            totalCount += st.count;
            totalArea += area;
            if (thickness != 0.0) {
                const double volume = thickness * double(st.count) * s.row * s.column * 0.001;
                row.volume = format("%.2f", volume);
                totalVolume += volume;
            }
        }
        rows.push_back(std::move(row));
    }
    if (frames.size() > 1) {
        InfoRow total;
        total.frame = "Total";
        if (totalCount != 0) total.voxels = integer(totalCount);
        if (totalArea != 0.0) total.area = format("%.2f", totalArea);
        if (totalVolume != 0.0) total.volume = format("%.2f", totalVolume);
        rows.push_back(std::move(total));
    }
    return rows;
}

} // namespace veltor
