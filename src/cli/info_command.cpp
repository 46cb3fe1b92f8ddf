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
                 "Exit status: 0 when every file opened, 1 when any failed ('FILE: message'\n"
                 "on standard error), 2 for a bad command line.\n");
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
            std::fprintf(stderr, "%s: %s\n", argv[i], trimmed(dicomErrorText(file.status())).c_str());
            status = kExitFailure;
            continue;
        }
        std::printf("%s: %dx%d frames=%d samples=%d bits=%d/%d photometric=%s compression=%s "
                    "window=%d/%d rescale=%g/%g\n",
                    argv[i], file.columns(), file.rows(), file.frameCount(), file.samplesPerPixel(),
                    file.bitsAllocated(), file.bitsStored(), trimmed(file.photometric()).c_str(),
                    file.compression(), file.windowCenter(), file.windowWidth(),
                    file.rescaleSlope() == 0.0 ? 1.0 : file.rescaleSlope(), file.rescaleIntercept());
    }
    return status;
}

} // namespace veltor::cli
