// The DICOM files of a folder (and, on request, its subfolders) with their key
// header values and thumbnails: the list behind "Directory Contents", the
// search, and the dialogs that pick files by their headers.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "browse/search_criteria.h"
#include "browse/thumbnail.h"

namespace veltor::browse {

constexpr int kListThumbnailSize = 64;

struct FileListItem {
    std::string patientName; // (0010,0010), empty when absent
    std::string studyId;     // (0020,0010)
    std::string studyDate;   // (0008,0020)
    std::string modality;    // (0008,0060)
    std::string frames;      // number of frames as decimal text
    std::string fileName;    // without its folder
    Thumbnail thumbnail;     // 64 x 64 when icons were loaded
};

// The DICOM files found in one folder during a scan.
struct DirectoryRecord {
    std::string path; // with a trailing '/'
    bool iconsMade = false;
    std::vector<FileListItem> items;
};

// The entries of a folder: regular files and (not followed when they are
// symbolic links, so that link loops cannot form) subfolders, each in natural
// name order. Unreadable folders, broken links and other kinds are left out.
struct FolderListing {
    std::vector<std::string> files;
    std::vector<std::string> folders;
};
FolderListing listFolder(const std::string& folder);

// Reads one file for a list: a header-only open, then (with `loadIcons`) a
// full open for the thumbnail. False when the file does not parse or, with
// criteria, does not match them. Safe to call from several threads at once.
// The thumbnail shows grey frames through the window `window` selects.
bool readListItem(const std::string& path, bool loadIcons, const SearchCriteria* criteria,
                  FileListItem& item, SearchValues* values = nullptr, const WindowChoice& window = {});

std::string withTrailingSlash(std::string folder);

class DicomFileList {
  public:
    struct ScanOptions {
        bool subdirectories = true;               // "Search Subdirectories"
        bool loadIcons = true;                    // "Load Icons"
        const SearchCriteria* criteria = nullptr; // normalized; null lists every DICOM file
        WindowChoice window;                      // of the thumbnails' grey frames
    };
    // Before each file: the running count of files looked at, the folder
    // (with its trailing '/') and the file name. This is where a caller keeps
    // its window responsive.
    using Progress =
        std::function<void(int count, const std::string& folder, const std::string& name)>;
    // After a file was added; `firstInFolder` when the folder's record was
    // just (re)started, so the rows shown belong to the folder in hand.
    using Added = std::function<void(const DirectoryRecord& record, const FileListItem& item,
                                     bool firstInFolder)>;

    // Walks `root`; stops early, after the file in hand, once stop() was
    // called. Returns the number of files looked at. The scan may run on a
    // worker thread (the callbacks then run there); stop() and scanning()
    // may be called from any thread, records() only while no scan runs.
    int scan(const std::string& root, const ScanOptions& options, const Progress& progress = {},
             const Added& added = {});
    void stop() { m_stop = true; }
    bool stopRequested() const { return m_stop; }
    bool scanning() const { return m_scanning; }

    const std::vector<DirectoryRecord>& records() const { return m_records; }
    const DirectoryRecord* record(const std::string& folder) const;
    void clear() { m_records.clear(); }

  private:
    void walk(const std::string& folder, const ScanOptions& options, const Progress& progress,
              const Added& added, int& count, int depth);

    std::vector<DirectoryRecord> m_records;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_scanning{false};
};

// The search of `veltor search`: every file under `root` (with `recursive`, in
// its subfolders too) whose header matches, in walk order. The headers are
// read on `threads` threads (0: one per processor); the result does not
// depend on their number.
struct SearchHit {
    std::string path;
    SearchValues values;
};
std::vector<SearchHit> searchTree(const std::string& root, bool recursive,
                                  const SearchCriteria& criteria, unsigned threads = 0);

} // namespace veltor::browse
