#include "dicom_file_list.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <thread>

#include "browse/natural_sort.h"
#include "dicom/dicom_file.h"

namespace veltor::browse {

namespace {

// Deeper trees than this are not entered (no stack exhaustion on odd mounts).
constexpr int kMaxDepth = 128;

std::string textOf(const DicomFile& f, uint16_t group, uint16_t element) {
    DicomElement e;
    if (!f.findElementByTag(group, element, e)) return {};
    std::string s = e.text();
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    return s;
}

} // namespace

std::string withTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder.push_back('/');
    return folder;
}

FolderListing listFolder(const std::string& folder) {
    FolderListing out;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return out;
    const std::string base = withTrailingSlash(folder);
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = base + name;
        unsigned char type = entry->d_type;
        if (type == DT_UNKNOWN || type == DT_LNK) {
            struct stat lst {};
            if (::lstat(path.c_str(), &lst) != 0) continue;
            if (S_ISLNK(lst.st_mode)) {
                // A link to a file counts as the file; links to folders are
                // not followed; broken links are left out.
                struct stat st {};
                if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
                    out.files.push_back(name);
                continue;
            }
            type = S_ISDIR(lst.st_mode) ? DT_DIR : S_ISREG(lst.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR)
            out.folders.push_back(name);
        else if (type == DT_REG)
            out.files.push_back(name);
    }
    ::closedir(dir);
    naturalSort(out.files);
    naturalSort(out.folders);
    return out;
}

bool readListItem(const std::string& path, bool loadIcons, const SearchCriteria* criteria,
                  FileListItem& item, SearchValues* values, const WindowChoice& window) {
    DicomFile header;
    if (!header.openFile(path.c_str(), true)) return false;
    if (criteria != nullptr || values != nullptr) {
        const SearchValues v = searchValues(header);
        if (criteria != nullptr && !matches(*criteria, v)) return false;
        if (values != nullptr) *values = v;
    }
    item.patientName = textOf(header, 0x0010, 0x0010);
    item.studyId = textOf(header, 0x0020, 0x0010);
    item.studyDate = textOf(header, 0x0008, 0x0020);
    item.modality = textOf(header, 0x0008, 0x0060);
    item.frames = std::to_string(header.frameCount());
    const size_t slash = path.find_last_of('/');
    item.fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    item.thumbnail = {};
    if (loadIcons) {
        DicomFile full;
        if (full.openFile(path.c_str(), false)) {
            item.thumbnail = makeThumbnail(full, kListThumbnailSize, window);
            item.frames = std::to_string(full.frameCount());
        }
    }
    return true;
}

const DirectoryRecord* DicomFileList::record(const std::string& folder) const {
    const std::string key = withTrailingSlash(folder);
    for (const DirectoryRecord& r : m_records)
        if (r.path == key) return &r;
    return nullptr;
}

int DicomFileList::scan(const std::string& root, const ScanOptions& options,
                        const Progress& progress, const Added& added) {
    m_stop = false;
    m_scanning = true;
    int count = 0;
    walk(root, options, progress, added, count, 0);
    m_scanning = false;
    return count;
}

void DicomFileList::walk(const std::string& folder, const ScanOptions& options,
                         const Progress& progress, const Added& added, int& count, int depth) {
    if (depth > kMaxDepth || m_stop) return;
    const std::string base = withTrailingSlash(folder);
    const FolderListing listing = listFolder(base);
    int recordIndex = -1;
    for (const std::string& name : listing.files) {
        if (m_stop) return;
        ++count;
        if (progress) progress(count, base, name);
        if (m_stop) return;
        FileListItem item;
        if (!readListItem(base + name, options.loadIcons, options.criteria, item, nullptr, options.window)) continue;
        bool first = false;
        if (recordIndex < 0) {
            first = true;
            auto it = std::find_if(m_records.begin(), m_records.end(),
                                   [&](const DirectoryRecord& r) { return r.path == base; });
            if (it == m_records.end()) {
                m_records.push_back({base, options.loadIcons, {}});
                recordIndex = int(m_records.size() - 1);
            } else {
                it->items.clear();
                it->iconsMade = options.loadIcons;
                recordIndex = int(it - m_records.begin());
            }
        }
        DirectoryRecord& r = m_records[size_t(recordIndex)];
        r.items.push_back(std::move(item));
        if (added) added(r, r.items.back(), first);
    }
    if (!options.subdirectories) return;
    for (const std::string& sub : listing.folders) {
        if (m_stop) return;
        walk(base + sub, options, progress, added, count, depth + 1);
    }
}

namespace {

void collectFiles(const std::string& folder, bool recursive, int depth,
                  std::vector<std::string>& out) {
    if (depth > kMaxDepth) return;
    const std::string base = withTrailingSlash(folder);
    const FolderListing listing = listFolder(base);
    for (const std::string& name : listing.files)
        out.push_back(base + name);
    if (!recursive) return;
    for (const std::string& sub : listing.folders)
        collectFiles(base + sub, recursive, depth + 1, out);
}

} // namespace

std::vector<SearchHit> searchTree(const std::string& root, bool recursive,
                                  const SearchCriteria& criteria, unsigned threads) {
    std::vector<std::string> paths;
    collectFiles(root, recursive, 0, paths);
    std::vector<char> matched(paths.size(), 0);
    std::vector<SearchValues> values(paths.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (;;) {
            const size_t i = next.fetch_add(1);
            if (i >= paths.size()) return;
            // The DICOM header first without the raster-image probe that
            // every header-only open makes; files that are not DICOM get that
            // probe afterwards, so raster images are found as before.
            DicomFile header;
            if (!header.openForListing(paths[i].c_str()) &&
                !header.openFile(paths[i].c_str(), true))
                continue;
            SearchValues v = searchValues(header);
            if (!matches(criteria, v)) continue;
            values[i] = std::move(v);
            matched[i] = 1;
        }
    };
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    threads = std::min<unsigned>(threads, unsigned(std::max<size_t>(1, paths.size() / 16)));
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (std::thread& t : pool)
        t.join();
    std::vector<SearchHit> hits;
    for (size_t i = 0; i < paths.size(); ++i)
        if (matched[i]) hits.push_back({std::move(paths[i]), std::move(values[i])});
    return hits;
}

} // namespace veltor::browse
