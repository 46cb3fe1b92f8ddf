// Downloading an address into the user's cache folder (~/.cache/veltor/).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace veltor::browse {

constexpr uint64_t kMaxDownloadBytes = uint64_t(4) << 30; // 4 GiB

struct DownloadOptions {
    std::string cacheFolder; // empty: defaultCacheFolder()
    uint64_t maxBytes = kMaxDownloadBytes;
    long connectTimeoutSeconds = 30;
    // A transfer slower than one byte a second for this long is cut.
    long stallSeconds = 30;
    // Called often during the transfer with the bytes received and the total
    // (0 when unknown); returning false cancels it.
    std::function<bool(uint64_t received, uint64_t total)> progress;
};

struct DownloadResult {
    bool ok = false;
    std::string path;   // the cache file
    std::string reason; // why it failed, in words
};

// $XDG_CACHE_HOME/veltor, else ~/.cache/veltor (created when missing).
std::string defaultCacheFolder();

// Fetches an http, https, ftp or file address into a new file of the cache
// folder. The file is written under a temporary name and renamed when
// complete, so a failed or cancelled download leaves nothing behind; it is
// never made executable. Transfers larger than `maxBytes` or than the free
// space of the cache folder are refused.
DownloadResult download(const std::string& address, const DownloadOptions& options = {});

} // namespace veltor::browse
