#include "download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "browse/recent_urls.h"

namespace veltor::browse {

namespace {

struct Transfer {
    int fd = -1;
    uint64_t written = 0;
    uint64_t limit = 0;
    uint64_t freeBytes = 0;
    bool tooLarge = false;
    bool noSpace = false;
    bool writeFailed = false;
    const DownloadOptions* options = nullptr;
    bool cancelled = false;
};

size_t onData(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    if (t->written + bytes > t->limit) {
        t->tooLarge = true;
        return 0;
    }
    if (t->written + bytes > t->freeBytes) {
        t->noSpace = true;
        return 0;
    }
    size_t done = 0;
    while (done < bytes) {
        const ssize_t n = ::write(t->fd, data + done, bytes - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            t->writeFailed = true;
            return 0;
        }
        done += size_t(n);
    }
    t->written += bytes;
    return bytes;
}

int onProgress(void* user, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    // A size announced up front is checked before the data arrives.
    if (total > 0 && uint64_t(total) > t->limit) {
        t->tooLarge = true;
        return 1;
    }
    if (total > 0 && uint64_t(total) > t->freeBytes) {
        t->noSpace = true;
        return 1;
    }
    if (t->options->progress && !t->options->progress(uint64_t(received), uint64_t(total))) {
        t->cancelled = true;
        return 1;
    }
    return 0;
}

// A file name that stays inside the cache folder and is printable.
std::string safeName(const std::string& address) {
    std::string name;
    for (char c : offeredFileName(address)) {
        const unsigned char u = static_cast<unsigned char>(c);
        name.push_back(u < 0x20 || c == '/' || c == '\\' || c == ':' || c == '?' || c == '*' ? '_'
                                                                                             : c);
        if (name.size() >= 120) break;
    }
    if (name.empty() || name == "." || name == "..") name = "download";
    return name;
}

std::string hashOf(const std::string& s) {
    uint64_t h = 1469598103934665603ull; // FNV-1a
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

bool makeFolders(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/') continue;
        const std::string part = path.substr(0, i);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::string defaultCacheFolder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    std::string base;
    if (xdg != nullptr && xdg[0] == '/')
        base = xdg;
    else {
        const char* home = std::getenv("HOME");
        base = std::string(home != nullptr && home[0] != '\0' ? home : "/tmp") + "/.cache";
    }
    return base + "/veltor";
}

DownloadResult download(const std::string& address, const DownloadOptions& options) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    DownloadResult result;
    if (!allowedScheme(address)) {
        result.reason = "Only http, https, ftp and file addresses can be opened";
        return result;
    }
    const std::string folder =
        options.cacheFolder.empty() ? defaultCacheFolder() : options.cacheFolder;
    if (!makeFolders(folder)) {
        result.reason = "The cache folder " + folder + " cannot be created";
        return result;
    }
    const std::string target = folder + "/" + hashOf(address) + "-" + safeName(address);
    const std::string partial = target + ".part";
    Transfer t;
    t.options = &options;
    t.limit = options.maxBytes;
    struct statvfs vfs {};
    t.freeBytes =
        ::statvfs(folder.c_str(), &vfs) == 0 ? uint64_t(vfs.f_bavail) * uint64_t(vfs.f_frsize) : 0;
    // Never executable, whatever the server says.
    t.fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (t.fd < 0) {
        result.reason = "The cache file " + partial + " cannot be created: " + std::strerror(errno);
        return result;
    }
    CURL* curl = curl_easy_init();
    if (curl == nullptr) {
        ::close(t.fd);
        ::unlink(partial.c_str());
        result.reason = "The download library cannot start";
        return result;
    }
    char error[CURL_ERROR_SIZE] = "";
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https,ftp,file");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.connectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.stallSeconds);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Veltor Dicom Viewer");
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_cleanup(curl);
    const bool closed = ::close(t.fd) == 0;
    if (code == CURLE_OK && closed && !t.writeFailed &&
        ::rename(partial.c_str(), target.c_str()) == 0) {
        result.ok = true;
        result.path = target;
        return result;
    }
    ::unlink(partial.c_str());
    if (t.tooLarge)
        result.reason =
            "The file is larger than the " + std::to_string(t.limit >> 20) + " MiB allowed";
    else if (t.noSpace)
        result.reason = "The file is larger than the free space of " + folder;
    else if (t.cancelled)
        result.reason = "Cancelled";
    else if (t.writeFailed || !closed)
        result.reason = "The cache file cannot be written";
    else if (code == CURLE_OPERATION_TIMEDOUT)
        result.reason = "The server stopped sending";
    else
        result.reason = error[0] != '\0' ? error : curl_easy_strerror(code);
    return result;
}

} // namespace veltor::browse
