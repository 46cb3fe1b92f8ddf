#include "navigation_model.h"

#include <strings.h>

#include <cstdio>

#include "browse/dicom_file_list.h"
#include "browse/natural_sort.h"
#include "dicom/dicom_file.h"

namespace veltor::browse {

namespace {

bool sameNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && ::strcasecmp(a.c_str(), b.c_str()) == 0;
}

} // namespace

std::vector<std::string> readableFiles(const std::string& folder,
                                       const std::function<void()>& progress) {
    const std::string base = withTrailingSlash(folder);
    std::vector<std::string> names;
    for (const std::string& name : listFolder(base).files) {
        if (progress) progress();
        DicomFile f;
        if (f.openFile((base + name).c_str(), true)) names.push_back(name);
    }
    return names; // listFolder gives natural order already
}

NavigationModel::NavigationModel(Scanner scanner) : m_scanner(std::move(scanner)) {
    if (!m_scanner) m_scanner = [](const std::string& folder) { return readableFiles(folder); };
}

const NavigationEntry* NavigationModel::current() const {
    return m_selected >= 0 && m_selected < int(m_entries.size()) ? &m_entries[size_t(m_selected)]
                                                                 : nullptr;
}

bool NavigationModel::selectFolder(const std::string& folder) {
    const std::string key = withTrailingSlash(folder);
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (sameNoCase(m_entries[i].folder, key)) {
            m_selected = int(i);
            return false;
        }
    }
    m_entries.push_back({key, {}, -1});
    m_selected = int(m_entries.size() - 1);
    refresh();
    return true;
}

void NavigationModel::selectEntry(int index) {
    if (index >= 0 && index < int(m_entries.size())) m_selected = index;
}

void NavigationModel::syncToOpenedFile(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return;
    selectFolder(path.substr(0, slash + 1));
    NavigationEntry& e = m_entries[size_t(m_selected)];
    const std::string name = path.substr(slash + 1);
    for (size_t i = 0; i < e.files.size(); ++i) {
        if (sameNoCase(e.files[i], name)) {
            e.position = int(i);
            return;
        }
    }
    e.files.push_back(name);
    e.position = int(e.files.size() - 1);
}

void NavigationModel::refresh() {
    if (m_selected < 0) return;
    NavigationEntry& e = m_entries[size_t(m_selected)];
    e.files.clear();
    e.position = -1;
    e.files = m_scanner(e.folder);
}

bool NavigationModel::canStep(Step s) const {
    const NavigationEntry* e = current();
    if (e == nullptr) return false;
    const int n = int(e->files.size());
    switch (s) {
    case Step::First:
    case Step::Previous:
        return n > 0 && e->position > 0;
    case Step::Next:
    case Step::Last:
        return e->position < n - 1;
    }
    return false;
}

std::string NavigationModel::step(Step s) {
    if (!canStep(s)) return {};
    NavigationEntry& e = m_entries[size_t(m_selected)];
    switch (s) {
    case Step::First:
        e.position = 0;
        break;
    case Step::Previous:
        e.position -= 1;
        break;
    case Step::Next:
        e.position += 1;
        break;
    case Step::Last:
        e.position = int(e.files.size()) - 1;
        break;
    }
    return currentPath();
}

std::string NavigationModel::choose(int index) {
    if (m_selected < 0) return {};
    NavigationEntry& e = m_entries[size_t(m_selected)];
    if (index < 0 || index >= int(e.files.size())) return {};
    e.position = index;
    return currentPath();
}

std::string NavigationModel::positionText() const {
    const NavigationEntry* e = current();
    char text[32];
    std::snprintf(text, sizeof text, "%d/%d", e ? e->position + 1 : 0,
                  e ? int(e->files.size()) : 0);
    return text;
}

std::string NavigationModel::currentPath() const {
    const NavigationEntry* e = current();
    if (e == nullptr || e->position < 0 || e->position >= int(e->files.size())) return {};
    return e->folder + e->files[size_t(e->position)];
}

std::string comboTip(const std::string& text) {
    return text.size() > 80 ? text.substr(0, 79) : text;
}

} // namespace veltor::browse
