// veltor convert: every frame of DICOM files to TIFF, JPEG, BMP, raw image
// files or HTML pages, beside their sources (Batch Convert) or into one folder (Export
// selected files). One process takes the whole list.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "export/anonymize_batch.h"
#include "export/batch_convert.h"
#include "export/export_names.h"
#include "settings/ini_file_store.h"
#include "settings/user_options.h"

namespace veltor::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onConvertInterrupt(int) {
    g_interrupted = 1;
}

void printConvertUsage(FILE* out) {
    std::fprintf(
        out,
        "Usage: veltor convert [--format tiff|jpeg|bmp|raw|html] [--out DIR] [--recursive]\n"
        "                      [--overwrite|--no-overwrite] [--quality Q] [--window W]\n"
        "                      [--verbose] PATH...\n"
        "\n"
        "Writes every frame of each DICOM file as an image file: 8-bit grey for\n"
        "monochrome 8-bit images, RGB for colour images, and 12- and 16-bit images\n"
        "windowed to 8 bits with the window stored in the file (the frame's own\n"
        "range when that window is unusable).\n"
        "\n"
        "A file of one frame gives NAME.tif, one of several frames NAME_0000.tif,\n"
        "NAME_0001.tif, ..., NAME being the source's file name with every '.'\n"
        "replaced by '_' (scan.dcm gives scan_dcm.tif). TIFF, BMP and raw files use\n"
        "8 bits per sample, rows top to bottom; raw files hold the pixels only.\n"
        "HTML gives a page NAME.html (NAME the unchanged file name) with the header\n"
        "as a table and the frames from the folder NAME_files (0001.jpg onwards;\n"
        "the folder also gets NAME_0000.jpg onwards). Header values chosen in the\n"
        "\"Anonymizing Options\" are left empty while \"Anonymized copies and\n"
        "exports\" is on (the stored AnonExports setting).\n"
        "\n"
        "PATH is a file, or a directory whose DICOM files are taken (files that do\n"
        "not parse as DICOM are passed over silently; --verbose names them).\n"
        "Objects without pixel data (reports, presentation states, DICOMDIR files)\n"
        "are skipped; --verbose names them.\n"
        "The path of each converted file is printed; a summary goes to standard error.\n"
        "\n"
        "Options:\n"
        "  --format F       tiff (the default), jpeg, bmp, raw or html\n"
        "  --out DIR        write into DIR; without it each file's images are written\n"
        "                   beside it\n"
        "  --recursive      also take the DICOM files of subdirectories\n"
        "  --overwrite      replace existing image files (the default)\n"
        "  --no-overwrite   keep existing image files and skip those frames\n"
        "  --quality Q      JPEG quality 1..100 (default 75; HTML pictures too)\n"
        "  --window W       window of grey images: auto (the default: the file's\n"
        "                   window, or the frame's range when that window does not\n"
        "                   fit its samples), file (the file's window exactly as\n"
        "                   stored, else its VOI lookup table, else the frame's\n"
        "                   range; 8-bit grey images too) or C,W (that centre and\n"
        "                   width, in rescaled values)\n"
        "  --verbose        name the files passed over, with the reason\n"
        "\n"
        "Exit status: 0 when every named file was converted and every image written,\n"
        "1 when a file or an image failed (or nothing was converted), 2 for a bad\n"
        "command line.\n");
}

bool isDirectory(const char* path) {
    struct stat st {};
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool parseFormat(const char* text, ExportFormat& format) {
    struct Name {
        const char* name;
        ExportFormat format;
    };
    static const Name kNames[] = {{"tiff", ExportFormat::Tiff}, {"tif", ExportFormat::Tiff},
                                  {"jpeg", ExportFormat::Jpeg}, {"jpg", ExportFormat::Jpeg},
                                  {"bmp", ExportFormat::Bmp},   {"raw", ExportFormat::Raw}};
    for (const Name& n : kNames) {
        if (std::strcmp(text, n.name) == 0) {
            format = n.format;
            return true;
        }
    }
    return false;
}

bool parseQuality(const char* text, int& quality) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > 100) return false;
    quality = static_cast<int>(value);
    return true;
}

} // namespace

int runConvert(int argc, char** argv) {
    ConvertOptions options;
    bool recursive = false;
    bool overwrite = true;
    bool verbose = false;
    const char* outDir = nullptr;

    CommandLine line("convert", argc, argv, printConvertUsage);
    while (line.nextOption() != nullptr) {
        if (line.is("--recursive")) {
            recursive = true;
        } else if (line.is("--overwrite")) {
            overwrite = true;
        } else if (line.is("--no-overwrite")) {
            overwrite = false;
        } else if (line.is("--verbose")) {
            verbose = true;
        } else if (line.is("--window")) {
            const char* value = line.value();
            if (value == nullptr) return kExitUsage;
            if (!parseWindowChoice(value, options.window)) {
                std::fprintf(stderr,
                             "veltor convert: window '%s' is not auto, file or CENTER,WIDTH with a width above 0\n",
                             value);
                return kExitUsage;
            }
        } else if (line.is("--format") || line.is("--out") || line.is("--quality")) {
            const bool out = line.is("--out"), format = line.is("--format");
            const char* value = line.value();
            if (value == nullptr) return kExitUsage;
            if (out) {
                outDir = value;
            } else if (format) {
                options.html = std::strcmp(value, "html") == 0;
                if (!options.html && !parseFormat(value, options.format)) {
                    std::fprintf(stderr,
                                 "veltor convert: unknown format '%s' (tiff, jpeg, bmp, raw or html)\n",
                                 value);
                    return kExitUsage;
                }
            } else if (!parseQuality(value, options.jpegQuality)) {
                std::fprintf(stderr, "veltor convert: quality '%s' is not a number from 1 to 100\n",
                             value);
                return kExitUsage;
            }
        } else if (line.isHelp()) {
            printConvertUsage(stdout);
            return kExitOk;
        } else {
            return line.unknownOption();
        }
    }
    if (!line.havePaths()) return kExitUsage;
    const int first = line.firstPath();
    if (outDir != nullptr) {
        if (outDir[0] == '\0' || !isDirectory(outDir)) {
            std::fprintf(stderr, "veltor convert: %s: not a directory\n", outDir);
            return kExitFailure;
        }
        if (::access(outDir, W_OK | X_OK) != 0) {
            std::fprintf(stderr, "veltor convert: %s: %s\n", outDir, std::strerror(errno));
            return kExitFailure;
        }
        options.command = ConvertCommand::ExportSelectedFiles;
    } else {
        options.command = ConvertCommand::BatchConvert;
    }

    if (options.html) {
        IniFileSettingsStore store;
        UserOptions stored;
        stored.load(store);
        options.anonymizeExports = stored.anonExports();
        options.anonymize = AnonymizeOptions::load(store);
    }

    int status = kExitOk;
    std::vector<std::string> files;
    // Files found in directories that fail to convert are passed over like the
    // directory walk's non-DICOM files; files named on the command line are not.
    std::unordered_set<std::string> walked;
    for (int i = first; i < argc; ++i) {
        if (!isDirectory(argv[i])) {
            files.emplace_back(argv[i]);
            continue;
        }
        std::vector<std::string> found;
        const BatchStatus scan =
            collectDicomFiles(argv[i], recursive, found, [] { return g_interrupted == 0; });
        if (scan == BatchStatus::InvalidDirectory) {
            std::fprintf(stderr, "veltor convert: %s: cannot list the directory\n", argv[i]);
            status = kExitFailure;
        } else if (found.empty()) {
            std::fprintf(stderr, "veltor convert: %s: no DICOM files\n", argv[i]);
        }
        for (std::string& f : found) {
            walked.insert(f);
            files.push_back(std::move(f));
        }
    }

    struct sigaction action {};
    action.sa_handler = onConvertInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    const bool showProgress = ::isatty(STDERR_FILENO) == 1 && files.size() > 1;
    std::unordered_set<std::string> writtenTargets;
    ConvertCallbacks callbacks;
    callbacks.confirmOverwrite = [&](const std::string& target) {
        if (writtenTargets.count(target) != 0) {
            // Two sources of one name into one folder: the second would
            // replace the first one's images.
            std::fprintf(stderr, "veltor convert: %s: already written in this run; not replaced\n",
                         target.c_str());
            status = kExitFailure;
            return false;
        }
        if (!overwrite && verbose)
            std::fprintf(stderr, "veltor convert: %s: exists; kept\n", target.c_str());
        return overwrite;
    };
    callbacks.written = [&](const std::string& target) { writtenTargets.insert(target); };
    callbacks.writeFailed = [&](const std::string& target, const ExportResult& result) {
        const bool creation = result.status == ExportStatus::CreateFailed ||
                              result.status == ExportStatus::WriteFailed;
        std::fprintf(stderr, "veltor convert: %s: %s%s\n", target.c_str(),
                     creation ? "File creation error: " : "", exportErrorText(result).c_str());
        status = kExitFailure;
    };
    callbacks.progress = [&](size_t done, size_t total) {
        if (showProgress) std::fprintf(stderr, "\r%zu/%zu", done, total);
        return g_interrupted == 0;
    };
    size_t noPixelData = 0;
    auto report = [&](const std::string& source, const ConvertReport& r) {
        if (r.converted()) {
            std::fputs(source.c_str(), stdout);
            std::fputc('\n', stdout);
            return;
        }
        if (r.failure == ConvertFailure::Declined) return; // --no-overwrite kept the page
        const bool skipped = r.failure == ConvertFailure::NoPixelData;
        if (skipped) {
            ++noPixelData;
            if (verbose) {
                if (showProgress) std::fputc('\n', stderr);
                std::fprintf(stderr, "veltor convert: %s: no pixel data; skipped\n", source.c_str());
            }
            return;
        }
        const bool named = walked.count(source) == 0;
        if (named) status = kExitFailure;
        if (named || verbose) {
            if (showProgress) std::fputc('\n', stderr);
            std::fprintf(stderr, "veltor convert: %s: %s%s\n", source.c_str(),
                         convertFailureText(r).c_str(), named ? "" : "; passed over");
        }
    };

    const ConvertRunResult run = convertFiles(
        files, outDir != nullptr ? std::string(outDir) : std::string(), options, callbacks, report);
    std::fflush(stdout);
    if (showProgress) std::fputc('\n', stderr);
    std::fprintf(stderr, "veltor convert: %zu of %zu files converted, %zu images written",
                 run.converted, files.size(), run.written);
    if (run.failed != 0) std::fprintf(stderr, ", %zu failed", run.failed);
    if (run.skipped != 0) std::fprintf(stderr, ", %zu kept", run.skipped);
    std::fputc('\n', stderr);
    if (run.cancelled || g_interrupted != 0) {
        std::fprintf(stderr, "veltor convert: interrupted\n");
        status = kExitFailure;
    }
    if (noPixelData != 0) std::fprintf(stderr, "veltor convert: %zu without pixel data skipped\n", noPixelData);
    // Nothing converted is a failure, unless every file was an object
    // without pixels, which has nothing to convert.
    if (run.converted == 0 && noPixelData < files.size()) status = kExitFailure;
    return status;
}

} // namespace veltor::cli
