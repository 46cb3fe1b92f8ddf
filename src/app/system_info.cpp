#include "app/system_info.h"

#include <sys/statvfs.h>
#include <sys/utsname.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace veltor {

namespace {

constexpr size_t kMaxSystemFile = 1 << 20;

std::string readSmallFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::string text(kMaxSystemFile, '\0');
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(size_t(in.gcount()));
    return text;
}

std::string unquote(std::string v) {
    while (!v.empty() && (v.back() == '\r' || v.back() == ' ')) v.pop_back();
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return v;
}

// Mount point of the file system holding `path`: the longest mount point in
// /proc/self/mounts that is a prefix of it.
std::string mountPointOf(const std::string& path, const std::string& mounts) {
    std::string best = "/";
    std::istringstream lines(mounts);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, point;
        if (!(fields >> device >> point)) continue;
        const bool under = path == point || (path.compare(0, point.size(), point) == 0 &&
                                             (point == "/" || path[point.size()] == '/'));
        if (under && point.size() > best.size()) best = point;
    }
    return best;
}

std::string sizeText(const std::optional<uint64_t>& kb) {
    if (!kb) return "unknown";
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%" PRIu64 " KB", *kb);
    return buffer;
}

} // namespace

std::string osNameFromOsRelease(const std::string& text) {
    std::string pretty, name;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        if (key == "PRETTY_NAME") pretty = unquote(line.substr(eq + 1));
        if (key == "NAME") name = unquote(line.substr(eq + 1));
    }
    return !pretty.empty() ? pretty : name;
}

void memoryFromMeminfo(const std::string& text, std::optional<uint64_t>& totalKb,
                       std::optional<uint64_t>& freeKb) {
    totalKb.reset();
    freeKb.reset();
    std::optional<uint64_t> memFree;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string key;
        uint64_t value = 0;
        if (!(fields >> key >> value)) continue;
        if (key == "MemTotal:") totalKb = value;
        else if (key == "MemAvailable:") freeKb = value;
        else if (key == "MemFree:") memFree = value;
    }
    if (!freeKb) freeKb = memFree;
}

void kernelNumbers(const std::string& release, int& major, int& minor, int& build) {
    int parts[3] = {0, 0, 0};
    size_t at = 0;
    for (int& part : parts) {
        if (at >= release.size() || release[at] < '0' || release[at] > '9') break;
        long value = 0;
        while (at < release.size() && release[at] >= '0' && release[at] <= '9' && value < 1000000)
            value = value * 10 + (release[at++] - '0');
        part = int(value);
        if (at >= release.size() || release[at] != '.') break;
        ++at;
    }
    major = parts[0];
    minor = parts[1];
    build = parts[2];
}

SystemFigures readSystemFigures(const std::vector<std::string>& folders) {
    SystemFigures f;
    f.osName = osNameFromOsRelease(readSmallFile("/etc/os-release"));
    utsname u{};
    if (uname(&u) == 0) {
        if (f.osName.empty()) f.osName = u.sysname;
        kernelNumbers(u.release, f.kernelMajor, f.kernelMinor, f.kernelBuild);
        f.kernelText = std::string(u.sysname) + " " + u.release + " " + u.version + " " + u.machine;
    }
    if (f.osName.empty()) f.osName = "Linux";
    memoryFromMeminfo(readSmallFile("/proc/meminfo"), f.totalMemoryKb, f.freeMemoryKb);
    const std::string mounts = readSmallFile("/proc/self/mounts");
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        const std::string point = mountPointOf(folder, mounts);
        bool seen = false;
        for (const auto& d : f.disks) seen = seen || d.mountPoint == point;
        struct statvfs s{};
        if (seen || statvfs(point.c_str(), &s) != 0) continue;
        f.disks.push_back({point, uint64_t(s.f_bavail) * uint64_t(s.f_frsize) / 1024});
    }
    return f;
}

std::string formatSystemFigures(const SystemFigures& f) {
    std::string out;
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "OS Version Info:\n%s Version %d.%d\nBuild %d %s\n\n", f.osName.c_str(),
                  f.kernelMajor, f.kernelMinor, f.kernelBuild, f.kernelText.c_str());
    out += buffer;
    std::snprintf(buffer, sizeof buffer, "Screen:\n%dx%d (%d bits per pixel)\n\n", f.screenWidth, f.screenHeight,
                  f.bitsPerPixel);
    out += buffer;
    std::string disks;
    for (const auto& d : f.disks) {
        std::snprintf(buffer, sizeof buffer, "%" PRIu64 " KB Free on %s", d.freeKb, d.mountPoint.c_str());
        if (!disks.empty()) disks += "\n";
        disks += buffer;
    }
    if (disks.empty()) disks = "unknown";
    out += "Total Memory:\n" + sizeText(f.totalMemoryKb) + "\n\nFree Memory:\n" + sizeText(f.freeMemoryKb) +
           "\n\nFree disk space:\n" + disks + "\n\n";
    return out;
}

} // namespace veltor
