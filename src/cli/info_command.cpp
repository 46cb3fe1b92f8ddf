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
                 "Usage: veltor info [--window auto|file|C,W] FILE...\n"
                 "\n"
                 "Reads every file completely, decoding its pixel data, and prints one line\n"
                 "per file: rows x columns, frames, samples per pixel, bits allocated/stored,\n"
                 "photometric interpretation, compression, window centre/width and rescale.\n"
                 "The attributes are those of the frames as converted for display: 8-bit\n"
                 "colour for colour images, 16-bit for rescaled 8-bit data, 8-bit 0/255 for\n"
                 "1-bit data. Float, double and 32-bit samples become 16-bit: whole numbers\n"
                 "that fit in 16 bits stay as they are; other data is mapped linearly, the\n"
                 "smallest value of the image to -32768 and the largest to 32767.\n"
                 "Then the windows of grey images: file-windows= lists the file's windows\n"
                 "as centre/width with their explanations in brackets (those of the first\n"
                 "frame's functional groups when the top level has none; 'voi-lut' for a VOI\n"
                 "lookup table; 'none'), used= the window exports of frame 1 apply with\n"
                 "--window (auto by default; 'voi-lut' when the table is applied), and,\n"
                 "where the file has them, modality-lut=applied and rescale-type=TYPE.\n"
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

// The file's windows, the one exports use and the modality transform.
void printWindows(DicomFile& file, const WindowChoice& choice) {
    if (file.isColour()) return;
    std::string windows;
    for (const VoiWindow& w : file.fileWindows()) {
        if (!windows.empty()) windows += ',';
        char text[64];
        std::snprintf(text, sizeof text, "%g/%g", w.center, w.width);
        windows += text;
        if (!w.explanation.empty()) windows += "(" + w.explanation + ")";
    }
    if (windows.empty()) windows = file.voiLut().empty() ? "none" : "voi-lut";
    std::printf(" file-windows=%s", windows.c_str());
    DicomFile::DisplayWindow used;
    if (file.bitsAllocated() == 8) {
        const std::vector<VoiWindow>& own = file.windows(1);
        if (choice.mode == WindowMode::Given)
            std::printf(" used=%g/%g", choice.center, choice.width);
        else if (choice.mode == WindowMode::File && !own.empty())
            std::printf(" used=%g/%g", own.front().center, own.front().width);
        else
            std::printf(" used=%d/%d", file.windowCenter(), file.windowWidth());
    } else if (file.displayWindow(1, choice, used)) {
        if (used.kind == DicomFile::DisplayWindow::Lookup)
            std::printf(" used=voi-lut");
        else
            std::printf(" used=%g/%g", used.center, used.width);
    }
    if (file.modalityLutApplied()) std::printf(" modality-lut=applied");
    if (!file.rescaleTypeText().empty()) std::printf(" rescale-type=%s", file.rescaleTypeText().c_str());
}

} // namespace

int runInfo(int argc, char** argv) {
    CommandLine line("info", argc, argv, printInfoUsage);
    WindowChoice choice;
    while (line.nextOption() != nullptr) {
        if (line.is("--window")) {
            const char* value = line.value();
            if (value == nullptr) return kExitUsage;
            if (!parseWindowChoice(value, choice)) {
                std::fprintf(stderr,
                             "veltor info: window '%s' is not auto, file or CENTER,WIDTH with a width above 0\n",
                             value);
                return kExitUsage;
            }
            continue;
        }
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
                        "window=%d/%d rescale=%g/%g",
                        argv[i], file.columns(), file.rows(), file.frameCount(), file.samplesPerPixel(),
                        file.bitsAllocated(), file.bitsStored(), trimmed(file.photometric()).c_str(),
                        file.compression(), file.windowCenter(), file.windowWidth(),
                        file.rescaleSlope() == 0.0 ? 1.0 : file.rescaleSlope(), file.rescaleIntercept());
            printWindows(file, choice);
            std::fputc('\n', stdout);
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
