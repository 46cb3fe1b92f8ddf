// veltor series: the groups "Open Multiple Files" would offer for a folder.
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

#include "commands.h"
#include "document/series_grouping.h"
#include "settings/ini_file_store.h"

namespace veltor::cli {

namespace {

void printSeriesUsage(FILE* out) {
    std::fprintf(out,
                 "Usage: veltor series [--recursive] [--keys K,...] DIR\n"
                 "\n"
                 "Reads the header of every file in DIR and groups the DICOM files into\n"
                 "images, as \"Open Multiple Files\" does. Prints one line per group,\n"
                 "\"%%04d: LABEL (N files)\" with LABEL = patient name, study ID, study date,\n"
                 "modality; then the group's files in instance-number order.\n"
                 "\n"
                 "Options:\n"
                 "  --recursive  also scan the subfolders\n"
                 "  --keys K,... group by these keys only (default: the stored choices, all\n"
                 "               on unless changed in the application), from\n"
                 "               StudyIUID SeriesIUID Directory PatientName Modality StudyDate\n"
                 "               ImageRows ImageColumns BitsAllocated BitsStored HighBit StudyID\n");
}

bool parseKeys(const std::string& list, GroupingKeys& keys) {
    keys.fill(false);
    std::stringstream in(list);
    std::string name;
    while (std::getline(in, name, ',')) {
        bool found = false;
        for (int i = 0; i < settings::kGroupingKeyCount; ++i) {
            if (name == settings::groupingKeyName(static_cast<settings::GroupingKey>(i))) {
                keys[size_t(i)] = true;
                found = true;
            }
        }
        if (!found) {
            std::fprintf(stderr, "veltor series: unknown key '%s'\n", name.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

int runSeries(int argc, char** argv) {
    bool recursive = false;
    // The keys ticked in "Open Multiple Files", unless --keys says otherwise.
    GroupingKeys keys = settings::groupingKeys(IniFileSettingsStore());
    const char* folder = nullptr;
    for (int i = 0; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--recursive") == 0 || std::strcmp(a, "-r") == 0) {
            recursive = true;
        } else if (std::strcmp(a, "--keys") == 0 && i + 1 < argc) {
            if (!parseKeys(argv[++i], keys)) return kExitUsage;
        } else if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
            printSeriesUsage(stdout);
            return kExitOk;
        } else if (a[0] == '-' || folder != nullptr) {
            std::fprintf(stderr, "veltor series: unexpected argument '%s'\n", a);
            printSeriesUsage(stderr);
            return kExitUsage;
        } else {
            folder = a;
        }
    }
    if (folder == nullptr) {
        printSeriesUsage(stderr);
        return kExitUsage;
    }
    SeriesScanner scanner(keys);
    scanner.scan(folder, recursive);
    for (int32_t g : scanner.groupsWithAtLeast(1)) {
        const auto files = scanner.orderedFiles(g);
        std::printf("%04d: %s (%zu %s)\n", g + 1, scanner.groups()[size_t(g)].label.c_str(), files.size(),
                    files.size() == 1 ? "file" : "files");
        for (const FileRef& r : files)
            std::printf("  %s\n", scanner.pathOf(r).c_str());
    }
    return kExitOk;
}

} // namespace veltor::cli
