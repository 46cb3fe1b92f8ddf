// Typed access to the other settings sections.
#include <gtest/gtest.h>

#include <cstdlib>

#include "settings/settings_keys.h"

using namespace veltor;
namespace s = veltor::settings;

TEST(SettingsKeys, DefaultsOnAFreshStore) {
    MemorySettingsStore store;
    EXPECT_EQ(s::exportJpegQuality(store), 75);
    EXPECT_EQ(s::rotateScalingMethod(store), 1);
    EXPECT_TRUE(s::useScalingInVideo(store));
    EXPECT_TRUE(s::previewIcons(store));
    EXPECT_EQ(s::currentWorkingDirectory(store), "");
    const s::GreyFactors g = s::greyFactors(store);
    EXPECT_DOUBLE_EQ(g.red, 0.299);
    EXPECT_DOUBLE_EQ(g.blue, 0.114);
    const char* home = std::getenv("HOME");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(s::batchExportDirectory(store), s::withTrailingSeparator(home));
    for (bool on : s::groupingKeys(store)) EXPECT_TRUE(on);
    for (const auto& p : s::windowPresets(store)) {
        EXPECT_EQ(p.name, "");
        EXPECT_EQ(p.width, 0);
    }
    EXPECT_TRUE(s::recentUrls(store).empty());
    EXPECT_TRUE(s::favoriteDirectories(store).empty());
}

TEST(SettingsKeys, RoundTripsAndStoredForms) {
    MemorySettingsStore store;
    s::setExportDirectory(store, s::ExportKind::Bmp, "/data/out");
    EXPECT_EQ(store.readText("Settings", "BMP Export Directory", ""), "/data/out/");
    s::setFavoriteDirectories(store, {"/a", "/b/"});
    EXPECT_EQ(store.readInt("Favorite Directories", "Number", 0), 2);
    EXPECT_EQ(store.readText("Favorite Directories", "0002", ""), "/b/");
    EXPECT_EQ(s::favoriteDirectories(store), (std::vector<std::string>{"/a/", "/b/"}));
    s::setRecentUrls(store, {"http://x/1.dcm", "http://x/2.dcm"});
    EXPECT_EQ(store.readText("Recent URL List", "URL2", ""), "http://x/2.dcm");
    EXPECT_EQ(s::recentUrls(store).size(), 2u);
    auto keys = s::groupingKeys(store);
    keys[static_cast<int>(s::GroupingKey::Directory)] = false;
    s::setGroupingKeys(store, keys);
    EXPECT_EQ(store.readInt("Open Multiple", "Directory", 1), 0);
    std::array<s::StoredWindowPreset, s::kWindowPresetCount> presets{};
    presets[13] = {"Bone", 300, 1500};
    s::setWindowPresets(store, presets);
    EXPECT_EQ(store.readInt("Windows", "Width13", 0), 1500);
    EXPECT_EQ(s::windowPresets(store)[13].name, "Bone");
}

TEST(SettingsKeys, DamagedValuesReadAsDefaults) {
    MemorySettingsStore store;
    store.writeInt("Settings", "Export Jpeg Quality", 400);
    EXPECT_EQ(s::exportJpegQuality(store), 75);
    store.writeText("Settings", "Red Factor", "0,3");
    store.writeText("Settings", "Green Factor", "nan");
    store.writeText("Settings", "Blue Factor", " 0.2 ");
    const s::GreyFactors g = s::greyFactors(store);
    EXPECT_DOUBLE_EQ(g.red, 0.299);
    EXPECT_DOUBLE_EQ(g.green, 0.587);
    EXPECT_DOUBLE_EQ(g.blue, 0.2);
    store.writeInt("Favorite Directories", "Number", 2000000000);
    EXPECT_TRUE(s::favoriteDirectories(store).empty());
}
