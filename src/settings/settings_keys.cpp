#include "settings_keys.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace veltor::settings {

namespace {

const char kSettings[] = "Settings";
const char kDirectories[] = "Directories";
const char kUserInfo[] = "UserInfo";
const char kWindows[] = "Windows";
const char kOpenMultiple[] = "Open Multiple";
const char kRecentUrls[] = "Recent URL List";
const char kFavorites[] = "Favorite Directories";
const char kRecentFiles[] = "Recent File List";

const char* const kExportKeys[] = {"TIFF Export Directory", "JPEG Export Directory",
                                   "BMP Export Directory",  "RAW Export Directory",
                                   "HTML Export Directory", "AVI Export Directory"};

const char* const kGroupingKeys[kGroupingKeyCount] = {
    "StudyIUID", "SeriesIUID", "Directory",     "PatientName", "Modality", "StudyDate",
    "ImageRows", "ImageColumns", "BitsAllocated", "BitsStored",  "HighBit",  "StudyID",
};

bool flag(const SettingsStore& s, const char* key, bool d) {
    return s.readInt(kSettings, key, d ? 1 : 0) != 0;
}
void setFlag(SettingsStore& s, const char* key, bool on) { s.writeInt(kSettings, key, on ? 1 : 0); }

std::string numbered(const char* format, int n) {
    char key[32];
    std::snprintf(key, sizeof key, format, n);
    return key;
}

double decimal(const SettingsStore& s, const char* key, double d) {
    const std::string text = s.readText(kSettings, key, "");
    if (text.empty()) return d;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    while (end != nullptr && *end == ' ') ++end;
    if (end == nullptr || *end != '\0' || !std::isfinite(v)) return d;
    return v;
}

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    return withTrailingSeparator(home != nullptr && *home != '\0' ? home : "/");
}

} // namespace

std::string withTrailingSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder.push_back('/');
    return folder;
}

std::string currentWorkingDirectory(const SettingsStore& s) {
    return s.readText(kSettings, "Current Working Directory", "");
}
void setCurrentWorkingDirectory(SettingsStore& s, const std::string& folder) {
    s.writeText(kSettings, "Current Working Directory", folder);
}

std::string exportDirectory(const SettingsStore& s, ExportKind kind) {
    return s.readText(kSettings, kExportKeys[static_cast<int>(kind)], "");
}
void setExportDirectory(SettingsStore& s, ExportKind kind, const std::string& folder) {
    s.writeText(kSettings, kExportKeys[static_cast<int>(kind)], withTrailingSeparator(folder));
}

int exportScalingMethod(const SettingsStore& s) { return s.readInt(kSettings, "Export Scaling Method", 0); }
void setExportScalingMethod(SettingsStore& s, int m) { s.writeInt(kSettings, "Export Scaling Method", m); }
int exportJpegQuality(const SettingsStore& s) {
    const int q = s.readInt(kSettings, "Export Jpeg Quality", 75);
    return q >= 1 && q <= 100 ? q : 75;
}
void setExportJpegQuality(SettingsStore& s, int q) { s.writeInt(kSettings, "Export Jpeg Quality", q); }
bool useScalingAtExport(const SettingsStore& s) { return flag(s, "Use Scaling at Export", false); }
void setUseScalingAtExport(SettingsStore& s, bool on) { setFlag(s, "Use Scaling at Export", on); }
int rotateScalingMethod(const SettingsStore& s) { return s.readInt(kSettings, "Rotate Scaling Method", 1); }
void setRotateScalingMethod(SettingsStore& s, int m) { s.writeInt(kSettings, "Rotate Scaling Method", m); }
int videoScalingMethod(const SettingsStore& s) { return s.readInt(kSettings, "Video Scaling Method", 0); }
void setVideoScalingMethod(SettingsStore& s, int m) { s.writeInt(kSettings, "Video Scaling Method", m); }
bool useScalingInVideo(const SettingsStore& s) { return flag(s, "Use Scaling in Video", true); }
void setUseScalingInVideo(SettingsStore& s, bool on) { setFlag(s, "Use Scaling in Video", on); }
bool openVideo(const SettingsStore& s) { return flag(s, "Open Video", true); }
void setOpenVideo(SettingsStore& s, bool on) { setFlag(s, "Open Video", on); }
bool showCodecs(const SettingsStore& s) { return flag(s, "Show Codecs", true); }
void setShowCodecs(SettingsStore& s, bool on) { setFlag(s, "Show Codecs", on); }
bool previewIcons(const SettingsStore& s) { return flag(s, "PreviewIcons", true); }
void setPreviewIcons(SettingsStore& s, bool on) { setFlag(s, "PreviewIcons", on); }
int previewPages(const SettingsStore& s) { return s.readInt(kSettings, "PreviewPages", 0); }
void setPreviewPages(SettingsStore& s, int pages) { s.writeInt(kSettings, "PreviewPages", pages); }

GreyFactors greyFactors(const SettingsStore& s) {
    const GreyFactors d;
    return {decimal(s, "Red Factor", d.red), decimal(s, "Green Factor", d.green),
            decimal(s, "Blue Factor", d.blue)};
}
void setGreyFactors(SettingsStore& s, const GreyFactors& f) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", f.red);
    s.writeText(kSettings, "Red Factor", text);
    std::snprintf(text, sizeof text, "%g", f.green);
    s.writeText(kSettings, "Green Factor", text);
    std::snprintf(text, sizeof text, "%g", f.blue);
    s.writeText(kSettings, "Blue Factor", text);
}

std::string batchExportDirectory(const SettingsStore& s) {
    return s.readText(kDirectories, "Export Directory", homeFolder());
}
void setBatchExportDirectory(SettingsStore& s, const std::string& folder) {
    s.writeText(kDirectories, "Export Directory", withTrailingSeparator(folder));
}

UserInfo userInfo(const SettingsStore& s) {
    return {s.readText(kUserInfo, "Physician", ""), s.readText(kUserInfo, "Company", ""),
            s.readText(kUserInfo, "Address", "")};
}

std::array<StoredWindowPreset, kWindowPresetCount> windowPresets(const SettingsStore& s) {
    std::array<StoredWindowPreset, kWindowPresetCount> p;
    for (int i = 0; i < kWindowPresetCount; ++i) {
        p[size_t(i)].name = s.readText(kWindows, numbered("Name%d", i), "");
        p[size_t(i)].center = s.readInt(kWindows, numbered("Center%d", i), 0);
        p[size_t(i)].width = s.readInt(kWindows, numbered("Width%d", i), 0);
    }
    return p;
}
void setWindowPresets(SettingsStore& s, const std::array<StoredWindowPreset, kWindowPresetCount>& p) {
    for (int i = 0; i < kWindowPresetCount; ++i) {
        s.writeText(kWindows, numbered("Name%d", i), p[size_t(i)].name);
        s.writeInt(kWindows, numbered("Center%d", i), p[size_t(i)].center);
        s.writeInt(kWindows, numbered("Width%d", i), p[size_t(i)].width);
    }
}

const char* groupingKeyName(GroupingKey key) { return kGroupingKeys[static_cast<int>(key)]; }

std::array<bool, kGroupingKeyCount> groupingKeys(const SettingsStore& s) {
    std::array<bool, kGroupingKeyCount> on{};
    for (int i = 0; i < kGroupingKeyCount; ++i)
        on[size_t(i)] = s.readInt(kOpenMultiple, kGroupingKeys[i], 1) != 0;
    return on;
}
void setGroupingKeys(SettingsStore& s, const std::array<bool, kGroupingKeyCount>& on) {
    for (int i = 0; i < kGroupingKeyCount; ++i)
        s.writeInt(kOpenMultiple, kGroupingKeys[i], on[size_t(i)] ? 1 : 0);
}

std::vector<std::string> recentUrls(const SettingsStore& s) {
    std::vector<std::string> urls;
    for (int i = 1; i <= kRecentUrlCount; ++i) {
        std::string url = s.readText(kRecentUrls, numbered("URL%d", i), "");
        if (!url.empty()) urls.push_back(std::move(url));
    }
    return urls;
}
void setRecentUrls(SettingsStore& s, const std::vector<std::string>& urls) {
    for (int i = 1; i <= kRecentUrlCount; ++i)
        s.writeText(kRecentUrls, numbered("URL%d", i), size_t(i) <= urls.size() ? urls[size_t(i - 1)] : "");
}

std::vector<std::string> favoriteDirectories(const SettingsStore& s) {
    std::vector<std::string> folders;
    int n = s.readInt(kFavorites, "Number", 0);
    // A damaged count cannot make us read thousands of keys.
    if (n < 0) n = 0;
    if (n > 9999) n = 9999;
    for (int i = 1; i <= n; ++i) {
        std::string folder = s.readText(kFavorites, numbered("%04d", i), "");
        if (!folder.empty()) folders.push_back(std::move(folder));
    }
    return folders;
}
void setFavoriteDirectories(SettingsStore& s, const std::vector<std::string>& folders) {
    s.writeInt(kFavorites, "Number", static_cast<int>(folders.size()));
    for (size_t i = 0; i < folders.size(); ++i)
        s.writeText(kFavorites, numbered("%04d", int(i + 1)), withTrailingSeparator(folders[i]));
}

std::vector<std::string> recentFiles(const SettingsStore& s) {
    std::vector<std::string> files;
    for (int i = 1; i <= kRecentFileCount; ++i) {
        std::string file = s.readText(kRecentFiles, numbered("File%d", i), "");
        if (!file.empty()) files.push_back(std::move(file));
    }
    return files;
}
void setRecentFiles(SettingsStore& s, const std::vector<std::string>& files) {
    for (int i = 1; i <= kRecentFileCount; ++i)
        s.writeText(kRecentFiles, numbered("File%d", i), size_t(i) <= files.size() ? files[size_t(i - 1)] : "");
}

} // namespace veltor::settings
