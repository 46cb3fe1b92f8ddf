// veltor info: opens each file fully (pixel data decoded and converted) and
// prints its image attributes, one line per file.
#include <cstdio>
#include <cstring>
#include <string>

#include "command_line.h"
#include "commands.h"
#include "dicom/dicom_file.h"

namespace veltor::cli {

namespace {

void printInfoUsage(FILE* out) {
    std::fprintf(out,
                 "Usage: veltor info FILE...\n"
                 "\n"
                 "Reads every file completely, decoding its pixel data, and prints one line\n"
                 "per file: rows x columns, frames, samples per pixel, bits allocated/stored,\n"
                 "photometric interpretation, compression, window centre/width and rescale.\n"
                 "The attributes are those of the frames as converted for display: 8-bit\n"
                 "colour for colour images, 16-bit for rescaled 8-bit data, 8-bit 0/255 for\n"
                 "1-bit data. Float, double and 32-bit samples become 16-bit: whole numbers\n"
                 "that fit in 16 bits stay as they are; other data is mapped linearly, the\n"
                 "smallest value of the image to -32768 and the largest to 32767.\n"
                 "Objects without pixel data (reports, presentation states, ...) print\n"
                 "'FILE: no pixel data'. What the reader put right goes to standard error\n"
                 "as 'FILE: warning: ...'.\n"
                 "Exit status: 0 when every file opened, 1 when any failed ('FILE: message'\n"
                 "on standard error, with the reason after a colon), 2 for a bad command line.\n");
}

std::string trimmed(const char* text) {
    std::string s = text;
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

} // namespace

int runInfo(int argc, char** argv) {
    CommandLine line("info", argc, argv, printInfoUsage);
    while (line.nextOption() != nullptr) {
        if (!line.isHelp()) return line.unknownOption();
        printInfoUsage(stdout);
        return kExitOk;
    }
    if (!line.havePaths()) return kExitUsage;
    const int first = line.firstPath();
    int status = kExitOk;
    for (int i = first; i < argc; ++i) {
        DicomFile file;
        if (!file.openFile(argv[i], false)) {
            std::fflush(stdout);
            std::string message = trimmed(dicomErrorText(file.status()));
            if (!file.errorReason().empty()) message += ": " + file.errorReason();
            std::fprintf(stderr, "%s: %s\n", argv[i], message.c_str());
            status = kExitFailure;
            continue;
        }
        if (!file.hasPixelData()) {
            std::printf("%s: no pixel data\n", argv[i]);
        } else {
            std::printf("%s: %dx%d frames=%d samples=%d bits=%d/%d photometric=%s compression=%s "
                        "window=%d/%d rescale=%g/%g\n",
                        argv[i], file.columns(), file.rows(), file.frameCount(), file.samplesPerPixel(),
                        file.bitsAllocated(), file.bitsStored(), trimmed(file.photometric()).c_str(),
                        file.compression(), file.windowCenter(), file.windowWidth(),
                        file.rescaleSlope() == 0.0 ? 1.0 : file.rescaleSlope(), file.rescaleIntercept());
        }
        if (!file.warnings().empty()) {
            std::fflush(stdout);
            for (const std::string& warning : file.warnings())
                std::fprintf(stderr, "%s: warning: %s\n", argv[i], warning.c_str());
        }
    }
    return status;
}

} // namespace veltor::cli
