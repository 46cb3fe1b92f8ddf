// The frames of a video: the conversion each frame goes through before the
// AVI writer takes it, the frame rate, and the checks of the values a user
// gives (frame time, size, quality). Shared by the viewer's "Export as AVI"
// and `veltor video`.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "avi_writer.h"

namespace veltor {

struct VideoFrameOptions {
    bool colour = true; // 24-bit frames; false: 8-bit grey
    bool scale = false; // resample to width x height
    int32_t width = 0;
    int32_t height = 0;
    int32_t method = 0; // 0 nearest neighbour, 1 bilinear
};

// An export bitmap made ready for the writer: converted to colour or grey
// (a frame that already has that form stays as it is), then resampled when
// asked. Empty when the bitmap is not one the writers take.
std::vector<uint8_t> videoFrameBitmap(const uint8_t* bitmap, size_t size, const VideoFrameOptions& options);

// Frames per second: the integer nearest to 1000 / frame time (66.67 ms
// gives 15), at least 1. 0 when the frame time is not positive.
int32_t videoRate(double frameTimeMs);

// Limits of the values a user gives; an empty result means the value is
// fine, else the reason in words.
constexpr int32_t kMaxExportSide = 16384;
constexpr double kMaxFramesPerSecond = 1000.0;
std::string checkExportSize(int32_t width, int32_t height);
std::string checkFrameRate(double framesPerSecond);
std::string checkJpegQuality(int quality);

// Words for a failed AviWriter (with the system's reason when it has one).
std::string aviErrorText(const AviWriter& writer);

} // namespace veltor
