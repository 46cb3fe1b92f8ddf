// veltor anonymize: anonymized copies of DICOM files, into a folder or beside
// their sources, with the choices of the "Anonymizing Options" settings.
#include <signal.h>
#include <strings.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "export/anonymize_batch.h"
#include "export/anonymize_options.h"
#include "export/anonymizer.h"
#include "settings/ini_file_store.h"

namespace veltor::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int) { g_interrupted = 1; }

void printAnonymizeUsage(FILE* out) {
    std::fprintf(out,
                 "Usage: veltor anonymize [--recursive] [--out DIR] [--no-suffix]\n"
                 "                        [--overwrite|--no-overwrite] [--keep NAME,...]\n"
                 "                        [--private-pn|--no-private-pn] PATH...\n"
                 "\n"
                 "Writes a copy of each DICOM file with identifying values overwritten by\n"
                 "blanks (spaces, or zeros for binary values); the copy has the length and\n"
                 "structure of its source. Sources are never modified. A copy is written to a\n"
                 "temporary file and renamed into place only when complete.\n"
                 "\n"
                 "PATH is a file, or a directory whose DICOM files are taken (files that do\n"
                 "not parse as DICOM are passed over). Each written copy is printed.\n"
                 "\n"
                 "Options:\n"
                 "  --recursive      also take the DICOM files of subdirectories\n"
                 "  --out DIR        write the copies into DIR under their sources' names with\n"
                 "                   \"_anon\" before the extension; without --out each copy is\n"
                 "                   written beside its source with that suffix\n"
                 "  --no-suffix      with --out, keep the sources' names unchanged\n"
                 "  --overwrite      replace existing copies (the default)\n"
                 "  --no-overwrite   leave existing copies alone and skip their sources\n"
                 "  --keep NAME,...  keep these values for this run (option keys below)\n"
                 "  --private-pn     also blank person names in private elements and in\n"
                 "                   sequence items (the default)\n"
                 "  --no-private-pn  leave those person names\n"
                 "\n"
                 "Option keys (all removed by default):\n");
    for (size_t i = 0; i < kAnonymizedElements.size(); ++i) {
        const AnonymizedElement& e = kAnonymizedElements[i];
        std::fprintf(out, "  %-20s (%04X,%04X)%s\n", e.key, e.group, e.element,
                     e.critical ? "  critical" : "");
    }
    std::fprintf(out,
                 "\n"
                 "Keeping a critical value gives one warning per run; a file whose Burned In\n"
                 "Annotation is YES gives a warning of its own.\n"
                 "Exit status: 0 when every copy was written, 1 when any file failed, 2 for\n"
                 "a bad command line.\n");
}

// Applies a --keep list; false (with a message) for an unknown key.
bool keepValues(const char* list, AnonymizeOptions& options) {
    std::string text(list);
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        const std::string key = text.substr(start, comma - start);
        if (!key.empty()) {
            int index = -1;
            for (size_t i = 0; i < kAnonymizedElements.size() && index < 0; ++i) {
                if (strcasecmp(key.c_str(), kAnonymizedElements[i].key) == 0)
                    index = static_cast<int>(i);
            }
            if (index < 0) {
                std::fprintf(stderr, "veltor anonymize: unknown option key '%s'\n", key.c_str());
                return false;
            }
            options.remove[static_cast<size_t>(index)] = false;
        }
        start = comma + 1;
    }
    return true;
}

bool isDirectory(const char* path) {
    struct stat st {};
    return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

int runAnonymize(int argc, char** argv) {
    bool recursive = false;
    bool suffix = true;
    bool overwrite = true;
    const char* outDir = nullptr;
    // The choices stored by the desktop application ("Anonymizing Options");
    // --keep changes them for this run only.
    IniFileSettingsStore store;
    AnonymizeOptions options = AnonymizeOptions::load(store);

    CommandLine line("anonymize", argc, argv, printAnonymizeUsage);
    while (line.nextOption() != nullptr) {
        if (line.is("--recursive")) {
            recursive = true;
        } else if (line.is("--no-suffix")) {
            suffix = false;
        } else if (line.is("--overwrite")) {
            overwrite = true;
        } else if (line.is("--no-overwrite")) {
            overwrite = false;
        } else if (line.is("--private-pn")) {
            options.privateTags = true;
        } else if (line.is("--no-private-pn")) {
            options.privateTags = false;
        } else if (line.is("--out") || line.is("--keep")) {
            const bool out = line.is("--out");
            const char* value = line.value();
            if (value == nullptr) return kExitUsage;
            if (out) {
                outDir = value;
            } else if (!keepValues(value, options)) {
                return kExitUsage;
            }
        } else if (line.isHelp()) {
            printAnonymizeUsage(stdout);
            return kExitOk;
        } else {
            return line.unknownOption();
        }
    }
    if (!line.havePaths()) return kExitUsage;
    const int first = line.firstPath();
    if (!suffix && outDir == nullptr) {
        std::fprintf(stderr, "veltor anonymize: --no-suffix needs --out (a copy cannot replace its source)\n");
        return kExitUsage;
    }
    if (outDir != nullptr && (outDir[0] == '\0' || !isDirectory(outDir))) {
        std::fprintf(stderr, "veltor anonymize: %s: not a directory\n", outDir);
        return kExitFailure;
    }

    int status = kExitOk;
    std::vector<std::string> files;
    for (int i = first; i < argc; ++i) {
        if (!isDirectory(argv[i])) {
            files.emplace_back(argv[i]);
            continue;
        }
        const size_t before = files.size();
        const BatchStatus scan = collectDicomFiles(argv[i], recursive, files);
        if (scan == BatchStatus::InvalidDirectory) {
            std::fprintf(stderr, "veltor anonymize: %s: cannot list the directory\n", argv[i]);
            status = kExitFailure;
        } else if (files.size() == before) {
            std::fprintf(stderr, "veltor anonymize: %s: no DICOM files\n", argv[i]);
        }
    }

    // Ctrl-C ends the run after the file in hand, so no temporary file is left.
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::set<std::string> writtenTargets;
    AnonymizeBatchCallbacks callbacks;
    callbacks.criticalFields = [] {
        std::fprintf(stderr, "veltor anonymize: warning: %s\n", kCriticalFieldsWarning);
    };
    callbacks.progress = [](size_t, size_t) { return g_interrupted == 0; };
    callbacks.confirmOverwrite = [&](const std::string& target) {
        if (writtenTargets.count(target) != 0) {
            // Two sources of one name into one folder: the second would replace
            // the first one's copy.
            std::fprintf(stderr, "veltor anonymize: %s: already written in this run; not replaced\n",
                         target.c_str());
            status = kExitFailure;
            return false;
        }
        if (!overwrite) std::fprintf(stderr, "veltor anonymize: %s: exists; skipped\n", target.c_str());
        return overwrite;
    };
    callbacks.written = [&](const std::string&, const std::string& target) {
        writtenTargets.insert(target);
        std::fputs(target.c_str(), stdout);
        std::fputc('\n', stdout);
    };
    auto report = [&](const std::string&, const AnonymizeReport& r) {
        std::fflush(stdout);
        std::fprintf(stderr, "veltor anonymize: %s\n", anonymizeMessageLine(r).c_str());
        status = kExitFailure;
    };
    callbacks.failed = report;
    callbacks.notDicom = report;
    callbacks.burnedIn = [](const std::string& source) {
        std::fprintf(stderr, "veltor anonymize: warning: %s\n", burnedInWarning(source).c_str());
    };

    const BatchResult result = outDir != nullptr
                                   ? anonymizeSelectedFiles(files, outDir, suffix, options, callbacks)
                                   : anonymizeBesideSources(files, options, callbacks);
    std::fflush(stdout);
    if (result.status == BatchStatus::Cancelled || g_interrupted != 0) {
        std::fprintf(stderr, "veltor anonymize: interrupted\n");
        status = kExitFailure;
    }
    return status;
}

} // namespace veltor::cli
