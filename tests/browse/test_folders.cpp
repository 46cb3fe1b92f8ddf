// Favourite folders, the address history, the navigation bar's rules and the
// folder walk of the file list.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "browse/dicom_file_list.h"
#include "browse/favorite_folders.h"
#include "browse/navigation_model.h"
#include "browse/recent_urls.h"
#include "dicom_bytes.h"
#include "settings/settings_store.h"

using namespace veltor;
using namespace veltor::browse;
using veltor::testing::DicomBytes;

namespace {

// A new empty folder for each run.
std::string makeFolder(const std::string& name) {
    std::string path = ::testing::TempDir() + name + "_XXXXXX";
    if (::mkdtemp(path.data()) == nullptr) return {};
    return path + "/";
}

void writeFile(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

void writeDicom(const std::string& path, const std::string& name) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0008, 0x0020, "DA", "20040305");
    b.element(0x0010, 0x0010, "PN", DicomBytes::padText(name));
    const std::vector<uint8_t>& bytes = b.bytes();
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

} // namespace

TEST(Favorites, AddRemoveRenumbers) {
    MemorySettingsStore store;
    FavoriteFolders fav(store);
    EXPECT_TRUE(fav.add("/data/one"));
    EXPECT_FALSE(fav.add("/data/one")); // the same folder twice keeps one entry
    EXPECT_TRUE(fav.add("/data/two"));
    EXPECT_TRUE(fav.add("/data/three"));
    EXPECT_TRUE(fav.remove("/data/two"));
    EXPECT_FALSE(fav.remove("/data/none"));
    EXPECT_EQ(store.readInt("Favorite Directories", "Number", -1), 2);
    EXPECT_EQ(store.readText("Favorite Directories", "0001", ""), "/data/one");
    EXPECT_EQ(store.readText("Favorite Directories", "0002", ""), "/data/three");
    store.writeInt("Favorite Directories", "Number", -5); // damaged store
    EXPECT_EQ(fav.count(), 0);

    const std::string longFolder = "/" + std::string(90, 'x') + "/series";
    const std::string shown = shortenedFavorite(longFolder);
    EXPECT_EQ(shown.size(), kFavoriteEntryLength);
    EXPECT_EQ(shown.substr(shown.size() - 10), ".../series");
    EXPECT_EQ(shortenedFavorite("/short"), "/short");
    EXPECT_EQ(favoriteForm("/data/one/"), "/data/one");
    EXPECT_EQ(favoriteForm("/"), "/");
}

TEST(RecentUrls, RotationAndCompletion) {
    MemorySettingsStore store;
    RecentUrls urls(store);
    for (int i = 1; i <= 8; ++i)
        urls.remember("http://h/" + std::to_string(i));
    urls.remember("http://h/3"); // already stored: nothing moves
    EXPECT_EQ(store.readText("Recent URL List", "URL3", ""), "http://h/3");
    urls.remember("http://h/9");
    EXPECT_EQ(store.readText("Recent URL List", "URL1", ""), "http://h/2");
    EXPECT_EQ(store.readText("Recent URL List", "URL8", ""), "http://h/9");
    EXPECT_EQ(urls.newestFirst().front(), "http://h/9");
    EXPECT_EQ(urls.newestFirst().size(), 8u);

    EXPECT_EQ(completeAddress("example.org/a.dcm"), "http://example.org/a.dcm");
    EXPECT_EQ(completeAddress("ftp://h/a.dcm"), "ftp://h/a.dcm");
    EXPECT_EQ(completeAddress("h/?u=http://x"), "h/?u=http://x");
    EXPECT_EQ(completeAddress("https://h/a"), "https://h/a");
    EXPECT_TRUE(allowedScheme("file:///tmp/a"));
    EXPECT_TRUE(allowedScheme("HTTPS://h/a"));
    EXPECT_FALSE(allowedScheme("gopher://h/a"));
    EXPECT_FALSE(allowedScheme("javascript:alert(1)"));
    EXPECT_EQ(offeredFileName("http://h/dir/a.dcm"), "a.dcm");
    EXPECT_EQ(offeredFileName("http://h/x\\y.dcm"), "y.dcm");
}

TEST(Navigation, StepsOverNaturalOrder) {
    const std::string dir = makeFolder("veltor_nav");
    writeDicom(dir + "IM1", "A");
    writeDicom(dir + "IM10", "A");
    writeDicom(dir + "IM2", "A");
    writeFile(dir + "notes.txt", std::string(300, 'x'));
    NavigationModel nav;
    EXPECT_TRUE(nav.selectFolder(dir));
    ASSERT_EQ(nav.current()->files, (std::vector<std::string>{"IM1", "IM2", "IM10"}));
    EXPECT_EQ(nav.positionText(), "0/3");
    EXPECT_FALSE(nav.canStep(NavigationModel::Step::Previous));
    EXPECT_TRUE(nav.canStep(NavigationModel::Step::Next));
    EXPECT_EQ(nav.step(NavigationModel::Step::Next), dir + "IM1");
    EXPECT_EQ(nav.positionText(), "1/3");
    EXPECT_FALSE(nav.canStep(NavigationModel::Step::First));
    EXPECT_FALSE(nav.canStep(NavigationModel::Step::Previous));
    EXPECT_EQ(nav.step(NavigationModel::Step::Last), dir + "IM10");
    EXPECT_FALSE(nav.canStep(NavigationModel::Step::Next));
    EXPECT_TRUE(nav.canStep(NavigationModel::Step::Previous));

    // A file created after the scan is appended and made current.
    writeDicom(dir + "IM0", "A");
    nav.syncToOpenedFile(dir + "IM0");
    EXPECT_EQ(nav.positionText(), "4/4");
    // A folder already in the bar is selected again, not scanned.
    EXPECT_FALSE(nav.selectFolder(dir));
    nav.refresh();
    EXPECT_EQ(nav.positionText(), "0/4");
    EXPECT_EQ(comboTip(std::string(81, 'n')).size(), 79u);
    EXPECT_EQ(comboTip(std::string(80, 'n')).size(), 80u);
}

TEST(FileList, ScanSearchesAndSurvivesOddEntries) {
    const std::string top = makeFolder("veltor_list");
    const std::string sub = top + "sub/";
    ::mkdir(sub.c_str(), 0755);
    writeDicom(top + "a.dcm", "DOE^JOHN");
    writeDicom(top + "b.dcm", "Roe^Jane");
    writeDicom(sub + "c.dcm", "doe^jane");
    writeFile(top + "junk.dcm", "DICM but not really");
    writeDicom(top + "caf\xe9.dcm", "Nobody"); // a Latin-1 name in a UTF-8 world
    ::symlink((top + "missing").c_str(), (top + "broken").c_str());
    ::symlink(top.c_str(), (sub + "loop").c_str()); // a link back up: not followed
    ::mkdir((top + "closed").c_str(), 0);

    DicomFileList list;
    SearchCriteria c;
    c.patientName = "doe*";
    c.normalize();
    DicomFileList::ScanOptions options;
    options.criteria = &c;
    int added = 0;
    const int seen = list.scan(top, options, {},
                               [&](const DirectoryRecord&, const FileListItem&, bool) { ++added; });
    EXPECT_EQ(seen, 5);
    EXPECT_EQ(added, 2);
    ASSERT_EQ(list.records().size(), 2u);
    EXPECT_EQ(list.records()[0].items[0].patientName, "DOE^JOHN");
    EXPECT_EQ(list.records()[1].path, sub);

    const auto hits = searchTree(top, true, c, 3);
    ASSERT_EQ(hits.size(), 2u);
    EXPECT_EQ(hits[0].path, top + "a.dcm");
    EXPECT_EQ(hits[1].path, sub + "c.dcm");
    EXPECT_TRUE(searchTree(top + "nowhere", true, c).empty());

    // A stop request ends the walk after the file in hand.
    DicomFileList stopped;
    const int looked =
        stopped.scan(top, {}, [&](int, const std::string&, const std::string&) { stopped.stop(); });
    EXPECT_EQ(looked, 1);
    ::chmod((top + "closed").c_str(), 0755);
}

// Thumbnails show grey frames through the scan's window choice: the file's
// window as stored, or the automatic one that finds 300/700 unusable for
// samples 0 .. 800 and takes their range.
TEST(FileList, ThumbnailsFollowTheWindowChoice) {
    const std::string top = makeFolder("veltor_thumbs");
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0028, 0x0002, "US", std::string("\x01\x00", 2));
    b.element(0x0028, 0x0004, "CS", "MONOCHROME2 ");
    b.element(0x0028, 0x0010, "US", std::string("\x01\x00", 2));
    b.element(0x0028, 0x0011, "US", std::string("\x02\x00", 2));
    b.element(0x0028, 0x0100, "US", std::string("\x10\x00", 2));
    b.element(0x0028, 0x0101, "US", std::string("\x10\x00", 2));
    b.element(0x0028, 0x0102, "US", std::string("\x0F\x00", 2));
    b.element(0x0028, 0x1050, "DS", "300 ");
    b.element(0x0028, 0x1051, "DS", "700 ");
    b.element(0x7FE0, 0x0010, "OW", std::string("\x00\x00\x20\x03", 4)); // 0, 800
    writeFile(top + "w.dcm", std::string(b.bytes().begin(), b.bytes().end()));

    // the picture's left pixel (row 16 of the 64 x 32 picture centred in 64 x 64)
    auto leftPixel = [&](WindowMode mode) {
        DicomFileList list;
        DicomFileList::ScanOptions options;
        options.window.mode = mode;
        list.scan(top, options);
        const Thumbnail& t = list.records().at(0).items.at(0).thumbnail;
        return t.empty() ? -1 : int(t.rgb.at(size_t(16 * kListThumbnailSize) * 3));
    };
    EXPECT_EQ(leftPixel(WindowMode::Auto), 0);
    EXPECT_EQ(leftPixel(WindowMode::File), 18); // 0 in 300/700 as stored
}
