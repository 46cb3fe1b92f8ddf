#include "favorite_folders.h"

#include <cstdio>

namespace veltor::browse {

namespace {

const char kSection[] = "Favorite Directories";
const char kNumber[] = "Number";

std::string keyOf(int position) {
    char key[16];
    std::snprintf(key, sizeof key, "%04d", position);
    return key;
}

} // namespace

int FavoriteFolders::count() const {
    const int n = m_store.readInt(kSection, kNumber, 0);
    return n < 0 ? 0 : n > 9999 ? 9999 : n;
}

std::string FavoriteFolders::at(int position) const {
    return m_store.readText(kSection, keyOf(position), "");
}

std::vector<std::string> FavoriteFolders::all() const {
    std::vector<std::string> out;
    const int n = count();
    for (int i = 1; i <= n; ++i)
        out.push_back(at(i));
    return out;
}

int FavoriteFolders::find(const std::string& folder) const {
    const int n = count();
    for (int i = 1; i <= n; ++i)
        if (at(i) == folder) return i;
    return 0;
}

bool FavoriteFolders::add(const std::string& folder) {
    if (folder.empty() || find(folder) != 0) return false;
    const int n = count() + 1;
    m_store.writeText(kSection, keyOf(n), folder);
    m_store.writeInt(kSection, kNumber, n);
    return true;
}

bool FavoriteFolders::remove(const std::string& folder) {
    const int position = find(folder);
    if (position == 0) return false;
    const int n = count();
    for (int i = position; i < n; ++i)
        m_store.writeText(kSection, keyOf(i), at(i + 1));
    // The last key is emptied: the store has no way to delete a key.
    m_store.writeText(kSection, keyOf(n), "");
    m_store.writeInt(kSection, kNumber, n - 1);
    return true;
}

std::string shortenedFavorite(const std::string& folder) {
    if (folder.size() <= kFavoriteEntryLength) return folder;
    const size_t slash = folder.find_last_of('/', folder.size() - 2);
    if (slash == std::string::npos) return folder.substr(0, kFavoriteEntryLength - 3) + "...";
    const std::string last = folder.substr(slash + 1);
    const std::string marker = ".../";
    if (last.size() + marker.size() >= kFavoriteEntryLength) return marker + last;
    const size_t keep = kFavoriteEntryLength - marker.size() - last.size();
    return folder.substr(0, keep) + marker + last;
}

std::string favoriteForm(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

} // namespace veltor::browse
