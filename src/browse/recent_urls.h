// The addresses of "Open from Internet": the eight last ones in the settings
// section "Recent URL List" under "URL1" (oldest) to "URL8", and the rules for
// what may be downloaded.
#pragma once

#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace veltor::browse {

constexpr int kRecentUrlSlots = 8;

class RecentUrls {
  public:
    explicit RecentUrls(SettingsStore& store) : m_store(store) {}
    // The non-empty addresses, newest (URL8) first.
    std::vector<std::string> newestFirst() const;
    // An address already stored leaves the list as it is; otherwise it takes
    // the first empty key from URL1 on, or, when all are in use, URL1 to URL7
    // take the values of URL2 to URL8 and it goes under URL8.
    void remember(const std::string& address);

  private:
    SettingsStore& m_store;
};

// An address without "http://" or "ftp://" anywhere in it and without a
// scheme of its own gets "http://" in front.
std::string completeAddress(const std::string& typed);

// The scheme of an address ("http" of "http://host/"), lower-cased; empty
// when it names none.
std::string schemeOf(const std::string& address);
// Whether the address may be downloaded: http, https, ftp and file only.
bool allowedScheme(const std::string& address);

// The name offered when a download is saved: the part after the last '/',
// and of that the part after the last '\'.
std::string offeredFileName(const std::string& address);

} // namespace veltor::browse
