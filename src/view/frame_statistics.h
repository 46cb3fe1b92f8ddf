// Pixel statistics of a frame, over its selected pixels or over the whole
// frame when the selection is empty: count, minimum, maximum, mean and
// standard deviation, and 256-bin histograms (the grey value, and for colour
// frames each channel). The "Histogram" and "Info" dialogs show them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace veltor {

class ImageBuffer;

struct ChannelStatistics {
    std::array<uint64_t, 256> bins{};
    double mean = 0.0;
    double deviation = 0.0; // divided by the count, not count - 1
};

struct FrameStatistics {
    bool colour = false;
    int64_t count = 0;
    // Colour frames: the integer part of 0.29 R + 0.59 G + 0.12 B.
    int32_t minimum = 0;
    int32_t maximum = 0;
    // The grey value (colour frames: through the grey table); the histogram of
    // a 16-bit frame gathers its value range into 256 bins.
    ChannelStatistics luminance;
    ChannelStatistics red, green, blue; // colour frames only
};

// Empty statistics for a frame without samples.
FrameStatistics frameStatistics(const ImageBuffer& frame);

// The zoom slider's first position (1..99) for a histogram: with v the
// largest count and e the largest count left once the three largest are
// removed, trunc(v / (v + e) x 100) limited to 1..99. Disabled (`enabled`
// false, position 1) when v + e is 0.
int32_t histogramSliderStart(const std::array<uint64_t, 256>& bins, bool& enabled);

// Bar heights of the graph (0..115) for a slider position: scale
// s = trunc((100 - position) x 0.01 x largest count), at least 1; a bin's
// bar is trunc(count / s x 100 + 0.5), at most 115 and at least 1 when the
// count is not 0.
std::array<int32_t, 256> histogramBars(const std::array<uint64_t, 256>& bins, int32_t sliderPosition);
constexpr int32_t kHistogramGraphHeight = 115;

// One row of the "Info" list.
struct InfoRow {
    std::string frame, voxels, minimum, maximum, mean, deviation, area, volume;
    friend bool operator==(const InfoRow&, const InfoRow&) = default;
};

struct InfoFrame {
    FrameStatistics statistics;
    bool hasSelection = false;
};

// One row per frame ("%d" numbers, "%.2f" mean and deviation; area in cm2
// and, with a slice thickness, volume in cm3 for frames with a selection),
// then for more than one frame a "Total" row of the frames with a selection
// (each sum shown only when not 0). Unusable spacings count as 1 mm.
std::vector<InfoRow> infoRows(const std::vector<InfoFrame>& frames, double spacingRow, double spacingColumn,
                              double sliceThickness);

} // namespace veltor
