// Scanning a folder for DICOM files and grouping them into images by chosen
// header keys ("Open Multiple Files" and `veltor series`).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "settings/settings_keys.h"

namespace veltor {

// Header values of one readable file, copied from a header-only open.
struct ScannedFile {
    std::string patientName;
    std::string studyId;
    std::string studyDate;
    std::string modality;
    std::string studyUid;
    std::string seriesUid;
    int32_t rows = 0;
    int32_t columns = 0;
    int32_t bitsAllocated = 0;
    int32_t bitsStored = 0;
    int32_t highBit = 0;
    int32_t instanceNumber = -1; // -1 when the file has none
    std::string frames;          // frame count as decimal text
    std::string fileName;        // name within its folder
};

struct ScannedFolder {
    std::string path; // with a trailing '/'
    std::vector<ScannedFile> files;
};

struct FileRef {
    int32_t folder = 0;
    int32_t file = 0;
};

struct FileGroup {
    std::vector<FileRef> files;
    std::string label; // "%s, %s, %s, %s": patient, study ID, study date, modality
};

using GroupingKeys = std::array<bool, settings::kGroupingKeyCount>;

// Called before each file with the running count, the folder and the file
// name; returning false stops the scan.
using ScanProgress = std::function<bool(int count, const std::string& folder, const std::string& file)>;
// Called after a readable file was added and grouped, with its place and its
// full path (on the thread that scans).
using ScanAdded = std::function<void(FileRef ref, const std::string& path)>;

class SeriesScanner {
  public:
    explicit SeriesScanner(const GroupingKeys& keys) : m_keys(keys) {}

    // Walks `folder` (and its subfolders when `recursive`), reading the header
    // of every file; unreadable files are skipped. Files are taken in name
    // order so that scans are reproducible.
    void scan(const std::string& folder, bool recursive, const ScanProgress& progress = {},
              const ScanAdded& added = {});
    // Adds one already-read file of `folderPath` and groups it; returns its
    // place.
    FileRef addFile(const std::string& folderPath, ScannedFile file);

    const std::vector<ScannedFolder>& folders() const { return m_folders; }
    const std::vector<FileGroup>& groups() const { return m_groups; }
    // Groups holding at least `minimum` files, in creation order.
    std::vector<int32_t> groupsWithAtLeast(size_t minimum) const;
    // A group's files ordered by instance number (files without one first).
    std::vector<FileRef> orderedFiles(int32_t group) const;
    const ScannedFile& file(FileRef ref) const;
    std::string pathOf(FileRef ref) const;
    // Paths of a whole group in instance order, and the document title
    // "%s, %d" (label, number of files).
    std::vector<std::string> groupPaths(int32_t group) const;
    std::string groupTitle(int32_t group) const;
    // Whether two files agree on every ticked key: the grouping's rule (the
    // grouping itself finds matching files through a hash of the key values).
    bool matches(FileRef a, FileRef b) const;

  private:
    // The ticked keys' values of a file as one text: equal exactly when the
    // files match.
    std::string keyOf(FileRef ref) const;
    void group(FileRef added);
    void walk(const std::string& folder, bool recursive, const ScanProgress& progress, const ScanAdded& added,
              int& count, bool& stopped);

    GroupingKeys m_keys;
    std::vector<ScannedFolder> m_folders;
    std::vector<FileGroup> m_groups;
    std::vector<std::vector<int32_t>> m_groupOf; // per folder, per file
    std::unordered_map<std::string, int32_t> m_groupOfKey;
    std::vector<FileRef> m_firstOf; // per group, its first member in folder-then-file order
};

// Reads the values of a scanned file record; false for unreadable files.
bool scanFile(const std::string& path, ScannedFile& out);

// "%s, %s, %s, %s" of a file's patient name, study ID, study date and modality.
std::string groupLabel(const ScannedFile& f);

} // namespace veltor
