// Typed access to the settings sections other than "UserOptions". Each key
// name is spelled here once; callers read a value when a dialog opens and write
// it back when the dialog is confirmed.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "settings_store.h"

namespace veltor::settings {

// --- "Settings"
std::string currentWorkingDirectory(const SettingsStore& s);
void setCurrentWorkingDirectory(SettingsStore& s, const std::string& folder);

enum class ExportKind { Tiff, Jpeg, Bmp, Raw, Html, Avi };
std::string exportDirectory(const SettingsStore& s, ExportKind kind);
void setExportDirectory(SettingsStore& s, ExportKind kind, const std::string& folder);

int exportScalingMethod(const SettingsStore& s);
void setExportScalingMethod(SettingsStore& s, int method);
// 1 .. 100; stored values outside that range read as the default 75.
int exportJpegQuality(const SettingsStore& s);
void setExportJpegQuality(SettingsStore& s, int quality);
bool useScalingAtExport(const SettingsStore& s);
void setUseScalingAtExport(SettingsStore& s, bool on);
int rotateScalingMethod(const SettingsStore& s);
void setRotateScalingMethod(SettingsStore& s, int method);
int videoScalingMethod(const SettingsStore& s);
void setVideoScalingMethod(SettingsStore& s, int method);
bool useScalingInVideo(const SettingsStore& s);
void setUseScalingInVideo(SettingsStore& s, bool on);
bool openVideo(const SettingsStore& s);
void setOpenVideo(SettingsStore& s, bool on);
bool showCodecs(const SettingsStore& s);
void setShowCodecs(SettingsStore& s, bool on);
bool previewIcons(const SettingsStore& s);
void setPreviewIcons(SettingsStore& s, bool on);
int previewPages(const SettingsStore& s);
void setPreviewPages(SettingsStore& s, int pages);

// Weights of the weighted grey conversion, stored as decimal texts. A text
// that is not a finite number (a decimal comma, garbage) reads as the default.
struct GreyFactors {
    double red = 0.299;
    double green = 0.587;
    double blue = 0.114;
};
GreyFactors greyFactors(const SettingsStore& s);
void setGreyFactors(SettingsStore& s, const GreyFactors& f);

// --- "Directories": target folder of batch conversions; the home folder
// (with a trailing '/') when none is stored.
std::string batchExportDirectory(const SettingsStore& s);
void setBatchExportDirectory(SettingsStore& s, const std::string& folder);

// --- "UserInfo": lines of the default annotations.
struct UserInfo {
    std::string physician;
    std::string company;
    std::string address;
};
UserInfo userInfo(const SettingsStore& s);

// --- "Windows": the 14 window presets as stored.
constexpr int kWindowPresetCount = 14;
struct StoredWindowPreset {
    std::string name;
    int center = 0;
    int width = 0;
};
std::array<StoredWindowPreset, kWindowPresetCount> windowPresets(const SettingsStore& s);
void setWindowPresets(SettingsStore& s, const std::array<StoredWindowPreset, kWindowPresetCount>& p);

// --- "Open Multiple": grouping criteria, in dialog order.
enum class GroupingKey {
    StudyIUID, SeriesIUID, Directory, PatientName, Modality, StudyDate,
    ImageRows, ImageColumns, BitsAllocated, BitsStored, HighBit, StudyID,
};
constexpr int kGroupingKeyCount = 12;
const char* groupingKeyName(GroupingKey key);
std::array<bool, kGroupingKeyCount> groupingKeys(const SettingsStore& s);
void setGroupingKeys(SettingsStore& s, const std::array<bool, kGroupingKeyCount>& on);

// --- "Recent URL List": newest first, at most 8, empty entries dropped.
constexpr int kRecentUrlCount = 8;
std::vector<std::string> recentUrls(const SettingsStore& s);
void setRecentUrls(SettingsStore& s, const std::vector<std::string>& urls);

// --- "Favorite Directories"
std::vector<std::string> favoriteDirectories(const SettingsStore& s);
void setFavoriteDirectories(SettingsStore& s, const std::vector<std::string>& folders);

// --- "Recent File List": the four most recently opened files.
constexpr int kRecentFileCount = 4;
std::vector<std::string> recentFiles(const SettingsStore& s);
void setRecentFiles(SettingsStore& s, const std::vector<std::string>& files);

// Folder names are stored with a trailing separator.
std::string withTrailingSeparator(std::string folder);

} // namespace veltor::settings
