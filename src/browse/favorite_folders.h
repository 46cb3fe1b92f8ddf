// The favourite folders of the open dialog, kept in the settings section
// "Favorite Directories": "Number" and the folders under "0001", "0002", ...
#pragma once

#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace veltor::browse {

// The menu shows at most this many favourites.
constexpr int kMaxFavoriteEntries = 998;
// Entries longer than this are shortened in the menu.
constexpr size_t kFavoriteEntryLength = 79;

class FavoriteFolders {
  public:
    explicit FavoriteFolders(SettingsStore& store) : m_store(store) {}

    // Number, clamped to 0 .. 9999 against a damaged store.
    int count() const;
    // The folder under position (1 .. count), as stored.
    std::string at(int position) const;
    std::vector<std::string> all() const;
    // Position of the first favourite equal to `folder`, or 0.
    int find(const std::string& folder) const;
    // Stores `folder` as a new last favourite; false when it already is one.
    bool add(const std::string& folder);
    // Removes the first favourite equal to `folder`; later ones move one key
    // down. False when it is not a favourite.
    bool remove(const std::string& folder);

  private:
    SettingsStore& m_store;
};

// A favourite as a menu shows it: up to 79 characters unchanged; longer, the
// beginning of its folder part, ".../" and its last component.
std::string shortenedFavorite(const std::string& folder);

// A folder as the favourites store it: no trailing '/' except for the root.
std::string favoriteForm(std::string folder);

} // namespace veltor::browse
