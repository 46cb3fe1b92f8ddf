// veltor extract: the decoded pixel data of one frame or of all frames, as
// stored sample values, with its layout on standard error.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "command_line.h"
#include "commands.h"
#include "dicom/dicom_file.h"

namespace veltor::cli {

namespace {

void printExtractUsage(FILE* out) {
    std::fprintf(out,
                 "Usage: veltor extract [--frame N | --all] [--out FILE] FILE\n"
                 "\n"
                 "Writes the decoded pixel data of frame N (counted from 1; the default is 1)\n"
                 "or of every frame, as the stored sample values: after decompression, before\n"
                 "rescale, masking, outlier correction, inversion, palette or windowing.\n"
                 "Samples are little-endian in 1, 2, 4 or 8 bytes (bits allocated up to 8,\n"
                 "16, 32, 64; packed 12-bit data in 2 bytes, 1-bit data one byte 0 or 1 per\n"
                 "pixel, float and double data as IEEE values); rows top to bottom, the\n"
                 "samples of a pixel side by side (R, G, B). Colour comes out as the decoder\n"
                 "delivers it: lossy JPEG and JPEG 2000 with a colour transform (YBR_ICT,\n"
                 "YBR_RCT) as RGB, other YBR data as Y, Cb, Cr triplets (YBR_FULL_422 expanded\n"
                 "to one triplet per pixel).\n"
                 "\n"
                 "The layout goes to standard error as one line:\n"
                 "  rows=R columns=C samples=S bits=B photometric=P frames=F bytes=N\n"
                 "(bits: the bits allocated; frames and bytes: what was written).\n"
                 "\n"
                 "Options:\n"
                 "  --frame N   the frame to write, from 1\n"
                 "  --all       every frame, one after another\n"
                 "  --out FILE  write to FILE instead of standard output\n"
                 "\n"
                 "Exit status: 0 when the pixels were written, 1 when the file could not be\n"
                 "read or has no such frame, 2 for a bad command line.\n");
}

bool parseFrame(const char* text, long& frame) {
    char* end = nullptr;
    errno = 0;
    frame = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && errno == 0 && frame >= 1 && frame <= 0x7FFFFFFF;
}

std::string trimmed(const char* text) {
    std::string s = text;
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

} // namespace

int runExtract(int argc, char** argv) {
    long frame = 1;
    bool all = false;
    bool frameGiven = false;
    const char* outPath = nullptr;
    CommandLine line("extract", argc, argv, printExtractUsage);
    while (line.nextOption() != nullptr) {
        if (line.is("--all")) {
            all = true;
        } else if (line.is("--frame") || line.is("--out")) {
            const bool isFrame = line.is("--frame");
            const char* value = line.value();
            if (value == nullptr) return kExitUsage;
            if (!isFrame) {
                outPath = value;
            } else if (!parseFrame(value, frame)) {
                std::fprintf(stderr, "veltor extract: frame '%s' is not a number from 1\n", value);
                return kExitUsage;
            } else {
                frameGiven = true;
            }
        } else if (line.isHelp()) {
            printExtractUsage(stdout);
            return kExitOk;
        } else {
            return line.unknownOption();
        }
    }
    if (all && frameGiven) {
        std::fprintf(stderr, "veltor extract: --frame and --all exclude each other\n");
        return kExitUsage;
    }
    if (!line.havePaths()) return kExitUsage;
    if (argc - line.firstPath() != 1) {
        std::fprintf(stderr, "veltor extract: one file at a time\n");
        printExtractUsage(stderr);
        return kExitUsage;
    }
    const char* path = argv[line.firstPath()];

    DicomFile file;
    if (!file.openDecoded(path)) {
        std::string message = trimmed(dicomErrorText(file.status()));
        if (!file.errorReason().empty()) message += ": " + file.errorReason();
        std::fprintf(stderr, "%s: %s\n", path, message.c_str());
        return kExitFailure;
    }
    const DecodedLayout& layout = file.decodedLayout();
    const int32_t frames = file.frameCount();
    if (!file.hasPixelData() || frames <= 0) {
        std::fprintf(stderr, "%s: no pixel data\n", path);
        return kExitFailure;
    }
    if (!all && frame > frames) {
        std::fprintf(stderr, "%s: no frame %ld (the file has %d)\n", path, frame, frames);
        return kExitFailure;
    }
    const int32_t first = all ? 1 : static_cast<int32_t>(frame);
    const int32_t last = all ? frames : first;
    const size_t frameBytes = layout.frameBytes();
    for (int32_t n = first; n <= last; ++n) {
        if (file.frameBuffer(n) == nullptr || file.frameBufferSize(n) < frameBytes) {
            std::fprintf(stderr, "%s: frame %d has no decoded samples\n", path, n);
            return kExitFailure;
        }
    }

    FILE* out = stdout;
    if (outPath != nullptr) {
        out = std::fopen(outPath, "wb");
        if (out == nullptr) {
            std::fprintf(stderr, "veltor extract: %s: %s\n", outPath, std::strerror(errno));
            return kExitFailure;
        }
    }
    bool written = true;
    for (int32_t n = first; n <= last && written; ++n)
        written = std::fwrite(file.frameBuffer(n), 1, frameBytes, out) == frameBytes;
    written = std::fflush(out) == 0 && written;
    if (out != stdout) written = std::fclose(out) == 0 && written;
    if (!written) {
        std::fprintf(stderr, "veltor extract: %s: %s\n", outPath != nullptr ? outPath : "standard output",
                     std::strerror(errno));
        return kExitFailure;
    }
    const int bits = layout.floating ? layout.bytesPerSample * 8 : file.bitsAllocated();
    std::fprintf(stderr, "rows=%d columns=%d samples=%d bits=%d photometric=%s frames=%d bytes=%zu\n", layout.rows,
                 layout.columns, layout.samples, bits, layout.photometric, last - first + 1,
                 frameBytes * size_t(last - first + 1));
    for (const std::string& warning : file.warnings()) std::fprintf(stderr, "%s: warning: %s\n", path, warning.c_str());
    return kExitOk;
}

} // namespace veltor::cli
