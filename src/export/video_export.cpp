#include "video_export.h"

#include <cmath>
#include <cstring>

#include "frame_export.h"
#include "imaging/grey_table.h"
#include "imaging/intensity_operations.h"
#include "rtf_report.h"

namespace veltor {

std::vector<uint8_t> videoFrameBitmap(const uint8_t* bitmap, size_t size, const VideoFrameOptions& options) {
    PackedPixels pixels;
    if (!GetPackedPixels(bitmap, size, pixels)) return {};
    if (options.colour && pixels.samples == 1) {
        PackedPixels rgb;
        rgb.width = pixels.width;
        rgb.height = pixels.height;
        rgb.samples = 3;
        rgb.bytes.resize(pixels.bytes.size() * 3);
        uint8_t* out = rgb.bytes.data();
        for (const uint8_t v : pixels.bytes) {
            out[0] = out[1] = out[2] = v;
            out += 3;
        }
        pixels = std::move(rgb);
    } else if (!options.colour && pixels.samples == 3) {
        PackedPixels grey;
        grey.width = pixels.width;
        grey.height = pixels.height;
        grey.samples = 1;
        grey.bytes.resize(pixels.bytes.size() / 3);
        intensity::rgbToGrey(pixels.bytes.data(), grey.bytes.data(), grey.bytes.size(), greyTable());
        pixels = std::move(grey);
    }
    std::vector<uint8_t> out = makeExportBitmap(pixels.view());
    if (options.scale && !out.empty() && (options.width != pixels.width || options.height != pixels.height))
        out = resampleExportBitmap(out.data(), out.size(), options.width, options.height, options.method);
    return out;
}

int32_t videoRate(double frameTimeMs) {
    if (!(frameTimeMs > 0.0) || !std::isfinite(frameTimeMs)) return 0;
    const double rate = std::floor(1000.0 / frameTimeMs + 0.5);
    return rate < 1.0 ? 1 : rate > 1000.0 ? 1000 : static_cast<int32_t>(rate);
}

std::string checkExportSize(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) return "the width and height must be at least 1 pixel";
    if (width > kMaxExportSide || height > kMaxExportSide)
        return "the width and height must be at most " + std::to_string(kMaxExportSide) + " pixels";
    return {};
}

std::string checkFrameRate(double framesPerSecond) {
    if (!std::isfinite(framesPerSecond) || framesPerSecond <= 0.0 || framesPerSecond > kMaxFramesPerSecond)
        return "the frame rate must be above 0 and at most 1000 frames per second";
    return {};
}

std::string checkJpegQuality(int quality) {
    if (quality < 1 || quality > 100) return "the JPEG quality must be from 1 to 100";
    return {};
}

std::string aviErrorText(const AviWriter& writer) {
    std::string text;
    switch (writer.status()) {
    case AviStatus::Ok: return {};
    case AviStatus::NotOpen: text = kAviCreateError; break;
    case AviStatus::NoFrames: text = "no frame to write"; break;
    case AviStatus::NotEnoughSpace: text = kAviDiskFullError; break;
    case AviStatus::TooLarge: text = "the video would be larger than an AVI file can hold (4 GiB)"; break;
    case AviStatus::WriteFailed: text = "writing the video failed"; break;
    }
    if (writer.systemError() != 0) text += std::string(": ") + std::strerror(writer.systemError());
    return text;
}

} // namespace veltor
