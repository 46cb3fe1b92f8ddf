// veltor video: the frames of a multi-frame DICOM file as an AVI video,
// uncompressed or Motion JPEG, through the same frame conversion and writer
// as the viewer's "Export as AVI".
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "command_line.h"
#include "commands.h"
#include "dicom/dicom_file.h"
#include "export/batch_convert.h"
#include "export/video_export.h"

namespace veltor::cli {

namespace {

constexpr double kDefaultFrameTimeMs = 66.67;

void printVideoUsage(FILE* out) {
    std::fprintf(out,
                 "Usage: veltor video [--fps N|--frame-time MS] [--size WxH] [--mono]\n"
                 "                    [--codec raw|mjpeg] [--quality Q] FILE OUT.avi\n"
                 "\n"
                 "Writes every frame of a DICOM file, in order, as one video stream of an\n"
                 "AVI file: 12- and 16-bit frames through the window stored in the file.\n"
                 "\n"
                 "Options:\n"
                 "  --fps N          frames per second, above 0 and at most 1000\n"
                 "  --frame-time MS  milliseconds per frame (the rate is the nearest\n"
                 "                   integer to 1000 / MS); default the file's frame time,\n"
                 "                   else 66.67 ms (15 frames per second)\n"
                 "  --size WxH       resample every frame to W x H pixels (1..16384)\n"
                 "  --bilinear       resample bilinearly (default nearest neighbour)\n"
                 "  --mono           8-bit grey frames (default: colour for colour files)\n"
                 "  --codec C        raw (uncompressed, the default) or mjpeg (Motion JPEG)\n"
                 "  --quality Q      Motion JPEG quality 1..100 (default 90)\n"
                 "\n"
                 "Exit status: 0 when the video was written, 1 when it was not, 2 for a\n"
                 "bad command line.\n");
}

bool parseNumber(const char* text, double& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && errno == 0 && std::isfinite(value);
}

bool parseSize(const char* text, int32_t& width, int32_t& height) {
    char* end = nullptr;
    const long w = std::strtol(text, &end, 10);
    if (end == text || (*end != 'x' && *end != 'X')) return false;
    const char* rest = end + 1;
    const long h = std::strtol(rest, &end, 10);
    if (end == rest || *end != '\0') return false;
    if (w < 0 || h < 0 || w > 1000000 || h > 1000000) {
        width = height = -1;
        return true;
    }
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    return true;
}

int usageError(const char* format, const char* value) {
    std::fprintf(stderr, format, value);
    return kExitUsage;
}

} // namespace

int runVideo(int argc, char** argv) {
    double fps = 0.0, frameTime = 0.0;
    VideoFrameOptions frameOptions;
    bool mono = false;
    AviCodec codec = AviCodec::Uncompressed;
    int quality = 90;

    CommandLine line("video", argc, argv, printVideoUsage);
    while (line.nextOption() != nullptr) {
        if (line.isHelp()) {
            printVideoUsage(stdout);
            return kExitOk;
        } else if (line.is("--mono")) {
            mono = true;
        } else if (line.is("--bilinear")) {
            frameOptions.method = 1;
        } else if (line.is("--fps") || line.is("--frame-time") || line.is("--size") || line.is("--codec") ||
                   line.is("--quality")) {
            const bool isFps = line.is("--fps"), isTime = line.is("--frame-time"), isSize = line.is("--size"),
                       isCodec = line.is("--codec");
            const char* value = line.value();
            if (value == nullptr) return kExitUsage;
            if (isFps || isTime) {
                double v = 0.0;
                if (!parseNumber(value, v)) return usageError("veltor video: '%s' is not a number\n", value);
                const double rate = isFps ? v : (v > 0.0 ? 1000.0 / v : 0.0);
                const std::string problem = checkFrameRate(rate);
                if (!problem.empty()) {
                    std::fprintf(stderr, "veltor video: %s %s: %s\n", isFps ? "--fps" : "--frame-time", value,
                                 problem.c_str());
                    return kExitUsage;
                }
                if (isFps) {
                    fps = v;
                    frameTime = 0.0;
                } else {
                    frameTime = v;
                    fps = 0.0;
                }
            } else if (isSize) {
                if (!parseSize(value, frameOptions.width, frameOptions.height))
                    return usageError("veltor video: --size '%s' is not WIDTHxHEIGHT\n", value);
                const std::string problem = checkExportSize(frameOptions.width, frameOptions.height);
                if (!problem.empty()) {
                    std::fprintf(stderr, "veltor video: --size %s: %s\n", value, problem.c_str());
                    return kExitUsage;
                }
                frameOptions.scale = true;
            } else if (isCodec) {
                if (std::strcmp(value, "raw") == 0)
                    codec = AviCodec::Uncompressed;
                else if (std::strcmp(value, "mjpeg") == 0)
                    codec = AviCodec::MotionJpeg;
                else
                    return usageError("veltor video: unknown codec '%s' (raw or mjpeg)\n", value);
            } else {
                char* end = nullptr;
                const long q = std::strtol(value, &end, 10);
                if (end == value || *end != '\0' || !checkJpegQuality(q < 0 || q > 1000 ? 0 : int(q)).empty())
                    return usageError("veltor video: quality '%s' is not a number from 1 to 100\n", value);
                quality = static_cast<int>(q);
            }
        } else {
            return line.unknownOption();
        }
    }
    const int first = line.firstPath();
    if (argc - first != 2) {
        std::fprintf(stderr, "veltor video: give one DICOM file and the AVI file to write\n");
        printVideoUsage(stderr);
        return kExitUsage;
    }
    const char* source = argv[first];
    const std::string target = argv[first + 1];

    DicomFile file;
    if (!file.openFile(source, false)) {
        std::string reason = dicomErrorText(file.status());
        while (!reason.empty() && reason.back() == ' ') reason.pop_back();
        std::fprintf(stderr, "veltor video: %s: %s%s%s\n", source, reason.c_str(),
                     file.errorReason().empty() ? "" : ": ", file.errorReason().c_str());
        return kExitFailure;
    }
    const int32_t frames = file.hasPixelData() ? file.frameCount() : 0;
    if (frames < 1) {
        std::fprintf(stderr, "veltor video: %s: no frames to write\n", source);
        return kExitFailure;
    }
    if (frameTime <= 0.0 && fps <= 0.0)
        frameTime = file.frameTime() > 0.0 && std::isfinite(file.frameTime()) ? file.frameTime() : kDefaultFrameTimeMs;
    const int32_t rate = fps > 0.0 ? videoRate(1000.0 / fps) : videoRate(frameTime);
    frameOptions.colour = !mono && file.isColour() && file.bitsAllocated() == 8;

    AviWriter writer(rate, codec, quality);
    if (!writer.open(target)) {
        std::fprintf(stderr, "veltor video: %s: %s: %s\n", target.c_str(), kAviCreateError,
                     std::strerror(writer.systemError()));
        return kExitFailure;
    }
    std::vector<uint8_t> storage;
    for (int32_t n = 1; n <= frames; ++n) {
        PixelView image;
        if (!frameImageView(file, n, storage, image)) {
            std::fprintf(stderr, "veltor video: %s: frame %d cannot be converted\n", source, n);
            return kExitFailure;
        }
        const std::vector<uint8_t> bitmap = makeExportBitmap(image);
        const std::vector<uint8_t> frame = videoFrameBitmap(bitmap.data(), bitmap.size(), frameOptions);
        if (frame.empty() || writer.addFrame(frame.data(), frame.size()) == 0) {
            std::fprintf(stderr, "veltor video: %s: frame %d cannot be written\n", source, n);
            return kExitFailure;
        }
    }
    if (writer.finish() == 0) {
        std::fprintf(stderr, "veltor video: %s: %s\n", target.c_str(), aviErrorText(writer).c_str());
        return kExitFailure;
    }
    std::fprintf(stderr, "veltor video: %d frames at %d frames per second written to %s\n", frames, rate,
                 target.c_str());
    return kExitOk;
}

} // namespace veltor::cli
