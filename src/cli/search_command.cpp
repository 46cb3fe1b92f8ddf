// veltor search: the DICOM files of a folder whose headers match, as the
// viewer's "Search..." window lists them.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "browse/dicom_file_list.h"
#include "browse/search_criteria.h"
#include "commands.h"

namespace veltor::cli {

namespace {

void printSearchUsage(FILE* out) {
    std::fprintf(
        out, "Usage: veltor search DIR [--name P] [--id P] [--physician P] [--study-id P]\n"
             "                         [--from YYYYMMDD] [--to YYYYMMDD] [--recursive] [--long]\n"
             "\n"
             "Reads the header of every file in DIR and prints the path of each DICOM file\n"
             "whose header matches, one per line. Patterns are compared without regard to\n"
             "case; '*' stands for any run of characters and '?' for one character (the\n"
             "character after a run of stars is matched at its first occurrence, without\n"
             "going back). An empty pattern, \"*\" or \"?\" matches every file.\n"
             "\n"
             "Options:\n"
             "  --name P       patient's name (0010,0010)\n"
             "  --id P         patient ID (0010,0020)\n"
             "  --physician P  physician's name (0008,1050)\n"
             "  --study-id P   study ID (0020,0010)\n"
             "  --from DATE    study date (0008,0020) on or after DATE\n"
             "  --to DATE      study date on or before DATE\n"
             "  --recursive    also search the subfolders\n"
             "  --long         print the path, patient's name, patient ID, physician's name,\n"
             "                 study ID and study date, separated by tabs\n"
             "\n"
             "Exit status: 0 when a file matched, 1 when none did, 2 for a bad command line.\n");
}

bool eightDigits(const char* option, const std::string& date) {
    int digits = 0;
    for (char c : date)
        digits += c >= '0' && c <= '9';
    if (date.empty() || digits >= 8) return true;
    std::fprintf(stderr, "veltor search: %s wants a date of eight digits, YYYYMMDD (got '%s')\n",
                 option, date.c_str());
    return false;
}

} // namespace

int runSearch(int argc, char** argv) {
    browse::SearchCriteria criteria;
    bool recursive = false;
    bool longFormat = false;
    const char* folder = nullptr;
    struct Field {
        const char* option;
        std::string* target;
    };
    const Field fields[] = {
        {"--name", &criteria.patientName},        {"--id", &criteria.patientId},
        {"--physician", &criteria.physicianName}, {"--study-id", &criteria.studyId},
        {"--from", &criteria.dateFrom},           {"--to", &criteria.dateTo}};
    bool optionsEnded = false;
    for (int i = 0; i < argc; ++i) {
        const char* a = argv[i];
        if (!optionsEnded && a[0] == '-' && a[1] != '\0') {
            if (std::strcmp(a, "--") == 0) {
                optionsEnded = true;
                continue;
            }
            if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
                printSearchUsage(stdout);
                return kExitOk;
            }
            if (std::strcmp(a, "--recursive") == 0 || std::strcmp(a, "-r") == 0) {
                recursive = true;
                continue;
            }
            if (std::strcmp(a, "--long") == 0) {
                longFormat = true;
                continue;
            }
            const Field* field = nullptr;
            for (const Field& f : fields)
                if (std::strcmp(a, f.option) == 0) field = &f;
            if (field == nullptr) {
                std::fprintf(stderr, "veltor search: unknown option '%s'\n", a);
                printSearchUsage(stderr);
                return kExitUsage;
            }
            if (i + 1 >= argc) {
                std::fprintf(stderr, "veltor search: %s wants a value\n", a);
                return kExitUsage;
            }
            *field->target = argv[++i];
            continue;
        }
        if (folder != nullptr) {
            std::fprintf(stderr, "veltor search: one folder only ('%s' and '%s')\n", folder, a);
            return kExitUsage;
        }
        folder = a;
    }
    if (folder == nullptr) {
        printSearchUsage(stderr);
        return kExitUsage;
    }
    criteria.normalize();
    if (!eightDigits("--from", criteria.dateFrom) || !eightDigits("--to", criteria.dateTo))
        return kExitUsage;
    struct stat st {};
    if (::stat(folder, &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::fprintf(stderr, "veltor search: '%s' is not a folder that can be read\n", folder);
        return kExitFailure;
    }
    const std::vector<browse::SearchHit> hits = browse::searchTree(folder, recursive, criteria);
    for (const browse::SearchHit& h : hits) {
        if (longFormat) {
            const browse::SearchValues& v = h.values;
            std::printf("%s\t%s\t%s\t%s\t%s\t%s\n", h.path.c_str(), v.patientName.c_str(),
                        v.patientId.c_str(), v.physicianName.c_str(), v.studyId.c_str(),
                        v.studyDate.c_str());
        } else {
            std::fputs(h.path.c_str(), stdout);
            std::fputc('\n', stdout);
        }
    }
    return hits.empty() ? kExitFailure : kExitOk;
}

} // namespace veltor::cli
