// veltor: headless dumping and anonymizing of DICOM files.
#include <cstdio>
#include <cstring>

#include "commands.h"

namespace {

const char kProduct[] = "Veltor Dicom Viewer";

void printUsage(FILE* out) {
    std::fprintf(out,
                 "Usage: veltor COMMAND [OPTIONS] FILE...\n"
                 "\n"
                 "Commands:\n"
                 "  dump      list the data elements of DICOM files\n"
                 "  info      open DICOM files completely and print their image attributes\n"
                 "  series    group the DICOM files of a folder into images\n"
                 "  anonymize write copies of DICOM files without identifying values\n"
                 "  convert   write the frames of DICOM files as TIFF, JPEG, BMP, raw or HTML files\n"
                 "  extract   write the decoded pixel data of a DICOM file as stored samples\n"
                 "  search    list the DICOM files of a folder whose headers match\n"
                 "  video     write the frames of a DICOM file as an AVI video\n"
                 "\n"
                 "Options:\n"
                 "  --help     show this help (or `veltor COMMAND --help`)\n"
                 "  --version  print the product name and version\n"
                 "\n"
                 "Environment:\n"
                 "  VELTOR_SETTINGS  the settings file to read instead of\n"
                 "                   ~/.config/Veltor/Dicom Viewer V4.0.1.ini\n"
                 "\n"
                 "Exit status: 0 when every file was handled, 1 when at least one failed,\n"
                 "2 for a bad command line.\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage(stderr);
        return veltor::cli::kExitUsage;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
        printUsage(stdout);
        return veltor::cli::kExitOk;
    }
    if (std::strcmp(command, "--version") == 0) {
        std::printf("%s %s\n", kProduct, VELTOR_VERSION);
        return veltor::cli::kExitOk;
    }
    if (std::strcmp(command, "dump") == 0) return veltor::cli::runDump(argc - 2, argv + 2);
    if (std::strcmp(command, "info") == 0) return veltor::cli::runInfo(argc - 2, argv + 2);
    if (std::strcmp(command, "series") == 0) return veltor::cli::runSeries(argc - 2, argv + 2);
    if (std::strcmp(command, "anonymize") == 0) return veltor::cli::runAnonymize(argc - 2, argv + 2);
    if (std::strcmp(command, "convert") == 0) return veltor::cli::runConvert(argc - 2, argv + 2);
    if (std::strcmp(command, "extract") == 0) return veltor::cli::runExtract(argc - 2, argv + 2);
    if (std::strcmp(command, "search") == 0) return veltor::cli::runSearch(argc - 2, argv + 2);
    if (std::strcmp(command, "video") == 0) return veltor::cli::runVideo(argc - 2, argv + 2);
    std::fprintf(stderr, "veltor: unknown command '%s'\n", command);
    printUsage(stderr);
    return veltor::cli::kExitUsage;
}
