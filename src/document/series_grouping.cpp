#include "series_grouping.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "dicom/dicom_file.h"

namespace veltor {

namespace {

std::string textOf(const DicomFile& f, uint16_t group, uint16_t element) {
    DicomElement e;
    return f.findElementByTag(group, element, e) ? std::string(e.text()) : std::string();
}

int32_t numberOf(const DicomFile& f, uint16_t group, uint16_t element, int32_t missing) {
    DicomElement e;
    return f.findElementByTag(group, element, e) ? e.number : missing;
}

std::string withSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder.push_back('/');
    return folder;
}

} // namespace

std::string groupLabel(const ScannedFile& f) {
    return f.patientName + ", " + f.studyId + ", " + f.studyDate + ", " + f.modality;
}

bool scanFile(const std::string& path, ScannedFile& out) {
    DicomFile f;
    if (!f.openFile(path.c_str(), true)) return false;
    out.patientName = textOf(f, 0x0010, 0x0010);
    out.studyId = textOf(f, 0x0020, 0x0010);
    out.studyDate = textOf(f, 0x0008, 0x0020);
    out.modality = textOf(f, 0x0008, 0x0060);
    out.studyUid = textOf(f, 0x0020, 0x000D);
    out.seriesUid = textOf(f, 0x0020, 0x000E);
    out.rows = numberOf(f, 0x0028, 0x0010, 0);
    out.columns = numberOf(f, 0x0028, 0x0011, 0);
    out.bitsAllocated = numberOf(f, 0x0028, 0x0100, 0);
    out.bitsStored = numberOf(f, 0x0028, 0x0101, 0);
    out.highBit = numberOf(f, 0x0028, 0x0102, 0);
    out.instanceNumber = numberOf(f, 0x0020, 0x0013, -1);
    out.frames = std::to_string(f.frameCount());
    const std::string p = path;
    const size_t slash = p.find_last_of('/');
    out.fileName = slash == std::string::npos ? p : p.substr(slash + 1);
    return true;
}

const ScannedFile& SeriesScanner::file(FileRef ref) const {
    return m_folders[size_t(ref.folder)].files[size_t(ref.file)];
}

std::string SeriesScanner::pathOf(FileRef ref) const {
    return withSlash(m_folders[size_t(ref.folder)].path) + file(ref).fileName;
}

bool SeriesScanner::matches(FileRef ra, FileRef rb) const {
    using settings::GroupingKey;
    const ScannedFile& a = file(ra);
    const ScannedFile& b = file(rb);
    auto on = [&](GroupingKey k) { return m_keys[static_cast<size_t>(k)]; };
    if (on(GroupingKey::Directory) && ra.folder != rb.folder) return false;
    if (on(GroupingKey::StudyIUID) && a.studyUid != b.studyUid) return false;
    if (on(GroupingKey::SeriesIUID) && a.seriesUid != b.seriesUid) return false;
    if (on(GroupingKey::PatientName) && a.patientName != b.patientName) return false;
    if (on(GroupingKey::Modality) && a.modality != b.modality) return false;
    if (on(GroupingKey::StudyDate) && a.studyDate != b.studyDate) return false;
    if (on(GroupingKey::StudyID) && a.studyId != b.studyId) return false;
    if (on(GroupingKey::ImageRows) && a.rows != b.rows) return false;
    if (on(GroupingKey::ImageColumns) && a.columns != b.columns) return false;
    if (on(GroupingKey::BitsAllocated) && a.bitsAllocated != b.bitsAllocated) return false;
    if (on(GroupingKey::BitsStored) && a.bitsStored != b.bitsStored) return false;
    if (on(GroupingKey::HighBit) && a.highBit != b.highBit) return false;
    return true;
}

std::string SeriesScanner::keyOf(FileRef ref) const {
    using settings::GroupingKey;
    const ScannedFile& f = file(ref);
    auto on = [&](GroupingKey k) { return m_keys[static_cast<size_t>(k)]; };
    // Each ticked value with its length, so that no two value lists share a key.
    std::string key;
    auto text = [&](const std::string& v) {
        key += std::to_string(v.size());
        key.push_back(':');
        key += v;
    };
    auto number = [&](int64_t v) {
        key += std::to_string(v);
        key.push_back(';');
    };
    if (on(GroupingKey::Directory)) number(ref.folder);
    if (on(GroupingKey::StudyIUID)) text(f.studyUid);
    if (on(GroupingKey::SeriesIUID)) text(f.seriesUid);
    if (on(GroupingKey::PatientName)) text(f.patientName);
    if (on(GroupingKey::Modality)) text(f.modality);
    if (on(GroupingKey::StudyDate)) text(f.studyDate);
    if (on(GroupingKey::StudyID)) text(f.studyId);
    if (on(GroupingKey::ImageRows)) number(f.rows);
    if (on(GroupingKey::ImageColumns)) number(f.columns);
    if (on(GroupingKey::BitsAllocated)) number(f.bitsAllocated);
    if (on(GroupingKey::BitsStored)) number(f.bitsStored);
    if (on(GroupingKey::HighBit)) number(f.highBit);
    return key;
}

void SeriesScanner::group(FileRef added) {
    // Matching is equality on the ticked keys, so all files that match one
    // another share one group, found through a hash of their key values. The
    // first earlier file that matches (folder by folder, file by file) is the
    // group's first member in that order; it names the group.
    const std::string key = keyOf(added);
    const auto found = m_groupOfKey.find(key);
    if (found != m_groupOfKey.end()) {
        const int32_t g = found->second;
        const FileRef first = m_firstOf[size_t(g)];
        m_groups[size_t(g)].files.push_back(added);
        m_groups[size_t(g)].label = groupLabel(file(first));
        m_groupOf[size_t(added.folder)][size_t(added.file)] = g;
        if (added.folder < first.folder || (added.folder == first.folder && added.file < first.file))
            m_firstOf[size_t(g)] = added;
        return;
    }
    m_groups.push_back({{added}, groupLabel(file(added))});
    const int32_t g = int32_t(m_groups.size() - 1);
    m_groupOf[size_t(added.folder)][size_t(added.file)] = g;
    m_groupOfKey.emplace(key, g);
    m_firstOf.push_back(added);
}

FileRef SeriesScanner::addFile(const std::string& folderPath, ScannedFile f) {
    const std::string folder = withSlash(folderPath);
    int32_t index = -1;
    for (size_t i = 0; i < m_folders.size(); ++i)
        if (m_folders[i].path == folder) index = int32_t(i);
    if (index < 0) {
        m_folders.push_back({folder, {}});
        m_groupOf.emplace_back();
        index = int32_t(m_folders.size() - 1);
    }
    m_folders[size_t(index)].files.push_back(std::move(f));
    m_groupOf[size_t(index)].push_back(-1);
    const FileRef ref{index, int32_t(m_folders[size_t(index)].files.size() - 1)};
    group(ref);
    return ref;
}

void SeriesScanner::walk(const std::string& folder, bool recursive, const ScanProgress& progress,
                         const ScanAdded& added, int& count, bool& stopped) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    const std::string base = withSlash(folder);
    for (const std::string& name : names) {
        if (stopped) return;
        const std::string path = base + name;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            // Symbolic links to folders are not followed, so loops cannot form.
            struct stat lst {};
            if (recursive && ::lstat(path.c_str(), &lst) == 0 && !S_ISLNK(lst.st_mode))
                walk(path, recursive, progress, added, count, stopped);
            continue;
        }
        if (!S_ISREG(st.st_mode)) continue;
        if (progress && !progress(count, base, name)) {
            stopped = true;
            return;
        }
        ScannedFile f;
        if (!scanFile(path, f)) continue;
        ++count;
        const FileRef ref = addFile(base, std::move(f));
        if (added) added(ref, path);
    }
}

void SeriesScanner::scan(const std::string& folder, bool recursive, const ScanProgress& progress,
                         const ScanAdded& added) {
    m_folders.clear();
    m_groups.clear();
    m_groupOf.clear();
    m_groupOfKey.clear();
    m_firstOf.clear();
    int count = 0;
    bool stopped = false;
    walk(folder, recursive, progress, added, count, stopped);
}

std::vector<int32_t> SeriesScanner::groupsWithAtLeast(size_t minimum) const {
    std::vector<int32_t> out;
    for (size_t i = 0; i < m_groups.size(); ++i)
        if (!m_groups[i].files.empty() && m_groups[i].files.size() >= minimum) out.push_back(int32_t(i));
    return out;
}

std::vector<FileRef> SeriesScanner::orderedFiles(int32_t g) const {
    if (g < 0 || g >= int32_t(m_groups.size())) return {};
    std::vector<FileRef> files = m_groups[size_t(g)].files;
    // Exchange sort: swap only when a later file's number is strictly smaller.
    for (size_t i = 0; i < files.size(); ++i)
        for (size_t j = i + 1; j < files.size(); ++j)
            if (file(files[j]).instanceNumber < file(files[i]).instanceNumber) std::swap(files[i], files[j]);
    return files;
}

std::vector<std::string> SeriesScanner::groupPaths(int32_t g) const {
    std::vector<std::string> paths;
    for (FileRef r : orderedFiles(g)) paths.push_back(pathOf(r));
    return paths;
}

std::string SeriesScanner::groupTitle(int32_t g) const {
    if (g < 0 || g >= int32_t(m_groups.size())) return {};
    return m_groups[size_t(g)].label + ", " + std::to_string(m_groups[size_t(g)].files.size());
}

} // namespace veltor
