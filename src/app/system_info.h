// What the "System Info" sheet's General page reports: the operating system,
// the screen, the memory and the free disk space, read from what Linux
// offers (/etc/os-release, uname, /proc/meminfo, statvfs).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace veltor {

struct SystemFigures {
    std::string osName;    // "Debian GNU/Linux 12 (bookworm)"
    int kernelMajor = 0;   // 6 of "6.1.0-18-amd64"
    int kernelMinor = 0;   // 1
    int kernelBuild = 0;   // 0
    std::string kernelText; // the kernel's build string and machine
    int screenWidth = 0;
    int screenHeight = 0;
    int bitsPerPixel = 0;
    std::optional<uint64_t> totalMemoryKb; // unknown when /proc/meminfo is unreadable
    std::optional<uint64_t> freeMemoryKb;
    struct Disk {
        std::string mountPoint;
        uint64_t freeKb = 0;
    };
    std::vector<Disk> disks;
};

// "PRETTY_NAME" of an os-release file's text (quotes removed), else "NAME",
// else empty.
std::string osNameFromOsRelease(const std::string& text);
// "MemTotal" and "MemAvailable" (or "MemFree" on old kernels) in kB.
void memoryFromMeminfo(const std::string& text, std::optional<uint64_t>& totalKb,
                       std::optional<uint64_t>& freeKb);
// Major, minor and build numbers of a kernel release ("6.1.0-18-amd64");
// missing parts are 0.
void kernelNumbers(const std::string& release, int& major, int& minor, int& build);

// Everything but the screen, from this machine; `folders` name the folders
// whose file systems are listed (each mount point once).
SystemFigures readSystemFigures(const std::vector<std::string>& folders);

// The General page's text.
std::string formatSystemFigures(const SystemFigures& figures);

} // namespace veltor
