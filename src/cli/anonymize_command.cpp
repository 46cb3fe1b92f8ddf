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
#include "export/deidentification.h"
#include "settings/ini_file_store.h"

namespace veltor::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int) { g_interrupted = 1; }

void printAnonymizeUsage(FILE* out) {
    std::fprintf(out,
                 "Usage: veltor anonymize [--recursive] [--out DIR] [--no-suffix]\n"
                 "                        [--overwrite|--no-overwrite] [--keep NAME,...]\n"
                 "                        [--private-pn|--no-private-pn]\n"
                 "                        [--profile basic|none] [--uid-root ROOT] [--key FILE]\n"
                 "                        [--keep-dates] PATH...\n"
                 "\n"
                 "Writes a copy of each DICOM file with identifying values overwritten by\n"
                 "blanks (spaces, or zeros for binary values), wherever they occur: at the top\n"
                 "level and inside sequence items at any depth. The copy has the length and\n"
                 "structure of its source. Sources are never modified. A copy is written to a\n"
                 "temporary file and renamed into place only when complete.\n"
                 "\n"
                 "PATH is a file, or a directory whose DICOM files are taken (files that do\n"
                 "not parse as DICOM are passed over). Each written copy is printed with what\n"
                 "was changed in it (counts and attribute names, never a value), separated by\n"
                 "a tab.\n"
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
                 "De-identification profile:\n"
                 "  --profile basic  apply the basic de-identification profile of DICOM PS3.15\n"
                 "                   (Annex E) instead of the option keys below: every listed\n"
                 "                   attribute blanked, given a dummy value of the same length,\n"
                 "                   or (UIDs) replaced, at every depth; private elements\n"
                 "                   blanked; dates shifted by a whole number of days per\n"
                 "                   patient. Patient Identity Removed, De-identification\n"
                 "                   Method, Longitudinal Temporal Information Modified and an\n"
                 "                   empty Burned In Annotation are set where the file has\n"
                 "                   them; the others are named in the copy's line\n"
                 "  --profile none   the option keys below (the default unless the viewer's\n"
                 "                   options chose the profile)\n"
                 "  --uid-root ROOT  replacement UIDs start with ROOT (your organisation's\n"
                 "                   root) instead of 2.25; a UID too short for ROOT and 16\n"
                 "                   digits falls back to 2.25\n"
                 "  --key FILE       the secret (any bytes, at most 1 MiB) that the replacement\n"
                 "                   UIDs and date shifts are derived from: runs with the same\n"
                 "                   key give the same UIDs and shifts, so studies and series\n"
                 "                   stay together across runs. Without it a random key serves\n"
                 "                   this run only. A key file that cannot be read stops the\n"
                 "                   run before any copy is written\n"
                 "  --keep-dates     keep dates and times as they are instead of shifting them\n"
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
    const char* profileOption = nullptr; // a profile option given on this command line

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
        } else if (line.is("--keep-dates")) {
            options.keepDates = true;
            profileOption = "--keep-dates";
        } else if (line.is("--out") || line.is("--keep") || line.is("--profile") || line.is("--uid-root") ||
                   line.is("--key")) {
            const bool out = line.is("--out");
            const bool keep = line.is("--keep");
            const bool profile = line.is("--profile");
            const bool root = line.is("--uid-root");
            const char* value = line.value();
            if (value == nullptr) return kExitUsage;
            if (out) {
                outDir = value;
            } else if (keep) {
                if (!keepValues(value, options)) return kExitUsage;
            } else if (profile) {
                if (std::strcmp(value, "basic") == 0) {
                    options.mode = AnonymizeMode::BasicProfile;
                } else if (std::strcmp(value, "none") == 0) {
                    options.mode = AnonymizeMode::ChosenFields;
                } else {
                    std::fprintf(stderr, "veltor anonymize: unknown profile '%s' (basic or none)\n", value);
                    return kExitUsage;
                }
            } else if (root) {
                options.uidRoot = value;
                profileOption = "--uid-root";
            } else {
                options.keyFile = value;
                profileOption = "--key";
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
    if (profileOption != nullptr && !options.profile()) {
        std::fprintf(stderr, "veltor anonymize: %s needs --profile basic\n", profileOption);
        return kExitUsage;
    }
    if (options.profile() && !options.uidRoot.empty()) {
        std::string root = options.uidRoot;
        if (root.back() == '.') root.pop_back();
        if (!isValidUidRoot(root)) {
            std::fprintf(stderr, "veltor anonymize: --uid-root '%s' is not a UID root (digits in dot-separated\n"
                                 "components without leading zeros, at most 40 characters)\n", options.uidRoot.c_str());
            return kExitUsage;
        }
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
    callbacks.written = [&](const std::string&, const std::string& target, const AnonymizeReport& r) {
        writtenTargets.insert(target);
        std::fprintf(stdout, "%s\t%s\n", target.c_str(), anonymizeSummary(r).c_str());
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
    if (result.status == BatchStatus::ProfileNotReady) {
        std::fprintf(stderr, "veltor anonymize: %s; nothing was written\n", result.message.c_str());
        return kExitFailure;
    }
    if (result.status == BatchStatus::Cancelled || g_interrupted != 0) {
        std::fprintf(stderr, "veltor anonymize: interrupted\n");
        status = kExitFailure;
    }
    return status;
}

} // namespace veltor::cli
