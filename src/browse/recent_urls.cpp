#include "recent_urls.h"

#include <cctype>

namespace veltor::browse {

namespace {

const char kSection[] = "Recent URL List";

std::string keyOf(int n) {
    return "URL" + std::to_string(n);
}

} // namespace

std::vector<std::string> RecentUrls::newestFirst() const {
    std::vector<std::string> out;
    for (int i = kRecentUrlSlots; i >= 1; --i) {
        std::string url = m_store.readText(kSection, keyOf(i), "");
        if (!url.empty()) out.push_back(std::move(url));
    }
    return out;
}

void RecentUrls::remember(const std::string& address) {
    std::string slots[kRecentUrlSlots];
    for (int i = 0; i < kRecentUrlSlots; ++i) {
        slots[i] = m_store.readText(kSection, keyOf(i + 1), "");
        if (slots[i] == address) return;
    }
    int free = -1;
    for (int i = 0; i < kRecentUrlSlots && free < 0; ++i)
        if (slots[i].empty()) free = i;
    if (free < 0) {
        for (int i = 0; i + 1 < kRecentUrlSlots; ++i)
            slots[i] = slots[i + 1];
        free = kRecentUrlSlots - 1;
    }
    slots[free] = address;
    for (int i = 0; i < kRecentUrlSlots; ++i)
        m_store.writeText(kSection, keyOf(i + 1), slots[i]);
}

std::string schemeOf(const std::string& address) {
    const size_t colon = address.find("://");
    if (colon == std::string::npos || colon == 0) return {};
    std::string scheme;
    for (size_t i = 0; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(address[i]);
        const bool ok =
            std::isalpha(c) || (i > 0 && (std::isdigit(c) || c == '+' || c == '-' || c == '.'));
        if (!ok) return {};
        scheme.push_back(char(std::tolower(c)));
    }
    return scheme;
}

std::string completeAddress(const std::string& typed) {
    if (typed.find("http://") != std::string::npos || typed.find("ftp://") != std::string::npos)
        return typed;
    // An address with its own scheme (https://, file://) is left as typed;
    // "http://" in front of it would only make it unreachable.
    if (!schemeOf(typed).empty()) return typed;
    return "http://" + typed;
}

bool allowedScheme(const std::string& address) {
    const std::string s = schemeOf(address);
    return s == "http" || s == "https" || s == "ftp" || s == "file";
}

std::string offeredFileName(const std::string& address) {
    std::string name = address.substr(
        address.find_last_of('/') == std::string::npos ? 0 : address.find_last_of('/') + 1);
    const size_t back = name.find_last_of('\\');
    if (back != std::string::npos) name = name.substr(back + 1);
    return name;
}

} // namespace veltor::browse
