// Grouping the files of folders into images.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "dicom_bytes.h"
#include "document/series_grouping.h"

using namespace veltor;
using veltor::testing::DicomBytes;

namespace {

void writeSlice(const std::string& path, const std::string& series, int instance) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0008, 0x0020, "DA", "20240101");
    b.element(0x0008, 0x0060, "CS", "CT");
    b.element(0x0010, 0x0010, "PN", "DOE^JANE");
    b.element(0x0020, 0x000D, "UI", DicomBytes::padUid("1.2.3"));
    b.element(0x0020, 0x000E, "UI", DicomBytes::padUid(series));
    b.element(0x0020, 0x0010, "SH", "77");
    if (instance >= 0) b.element(0x0020, 0x0013, "IS", DicomBytes::padText(std::to_string(instance)));
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(b.bytes().data(), 1, b.size(), f);
    std::fclose(f);
}

std::string makeFolder(const std::string& name) {
    const std::string path = ::testing::TempDir() + name;
    ::mkdir(path.c_str(), 0755);
    return path;
}

GroupingKeys allKeys() {
    GroupingKeys k;
    k.fill(true);
    return k;
}

} // namespace

TEST(SeriesGrouping, OneSeriesOrderedByInstanceNumber) {
    const std::string dir = makeFolder("veltor_series_a");
    writeSlice(dir + "/a.dcm", "1.2.3.4", 3);
    writeSlice(dir + "/b.dcm", "1.2.3.4", 1);
    writeSlice(dir + "/c.dcm", "1.2.3.4", 2);
    writeSlice(dir + "/d.dcm", "1.2.3.4", -1); // no instance number: first
    FILE* text = std::fopen((dir + "/notes.txt").c_str(), "wb");
    std::fputs("not a DICOM file at all, just some words in a folder of slices.................."
               "........................................................................",
               text);
    std::fclose(text);

    SeriesScanner scanner(allKeys());
    int seen = 0;
    scanner.scan(dir, false, [&](int, const std::string&, const std::string&) {
        ++seen;
        return true;
    });
    EXPECT_EQ(seen, 5);
    ASSERT_EQ(scanner.groups().size(), 1u);
    EXPECT_EQ(scanner.groups()[0].label, "DOE^JANE, 77, 20240101, CT");
    const auto paths = scanner.groupPaths(0);
    ASSERT_EQ(paths.size(), 4u);
    EXPECT_EQ(paths[0], dir + "/d.dcm");
    EXPECT_EQ(paths[1], dir + "/b.dcm");
    EXPECT_EQ(paths[3], dir + "/a.dcm");
    EXPECT_EQ(scanner.groupTitle(0), "DOE^JANE, 77, 20240101, CT, 4");
    EXPECT_TRUE(scanner.groupsWithAtLeast(5).empty());
}

TEST(SeriesGrouping, DirectoryKeySeparatesCopies) {
    const std::string top = makeFolder("veltor_series_b");
    const std::string one = makeFolder("veltor_series_b/one");
    const std::string two = makeFolder("veltor_series_b/two");
    for (int i = 0; i < 3; ++i) {
        writeSlice(one + "/s" + std::to_string(i), "1.2.3.9", i);
        writeSlice(two + "/s" + std::to_string(i), "1.2.3.9", i);
    }
    writeSlice(two + "/other", "1.2.3.10", 1); // another series

    SeriesScanner byFolder(allKeys());
    // each readable file is reported once, after it was added, with its place
    std::vector<std::string> added;
    byFolder.scan(top, true, {}, [&](FileRef ref, const std::string& path) {
        EXPECT_EQ(byFolder.pathOf(ref), path);
        EXPECT_EQ(ref.file + 1, int32_t(byFolder.folders()[size_t(ref.folder)].files.size()));
        added.push_back(path);
    });
    EXPECT_EQ(byFolder.groupsWithAtLeast(1).size(), 3u);
    ASSERT_EQ(added.size(), 7u);
    EXPECT_EQ(added[3], two + "/other");

    GroupingKeys keys = allKeys();
    keys[static_cast<size_t>(settings::GroupingKey::Directory)] = false;
    SeriesScanner merged(keys);
    merged.scan(top, true);
    ASSERT_EQ(merged.groups().size(), 2u);
    EXPECT_EQ(merged.groups()[0].files.size(), 6u);

    // without recursion nothing is found at the top
    SeriesScanner flat(allKeys());
    flat.scan(top, false);
    EXPECT_TRUE(flat.groups().empty());
}

// The hashed grouping gives the groups and labels of the pairwise rule (each
// new file joins the group of the first earlier file that matches it).
TEST(SeriesGrouping, HashedGroupsEqualPairwiseRule) {
    uint32_t seed = 12345;
    auto next = [&](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int round = 0; round < 20; ++round) {
        GroupingKeys keys;
        for (bool& k : keys) k = next(2) == 1;
        SeriesScanner scanner(keys);
        for (int i = 0; i < 300; ++i) {
            ScannedFile f;
            f.patientName = next(3) ? "DOE" : "ROE";
            f.studyUid = "1.2." + std::to_string(next(3));
            f.seriesUid = "1.3." + std::to_string(next(4));
            f.modality = next(2) ? "CT" : "MR";
            f.studyDate = "2024010" + std::to_string(next(2));
            f.studyId = std::to_string(next(2));
            f.rows = int32_t(next(2)) * 256;
            f.columns = 512;
            f.bitsStored = 12 + int32_t(next(2)) * 4;
            f.fileName = "f" + std::to_string(i);
            scanner.addFile("/d" + std::to_string(next(3)), f);
        }
        // The pairwise rule over the same files, in the order they came.
        std::vector<FileRef> order;
        for (const FileGroup& g : scanner.groups())
            for (FileRef r : g.files) order.push_back(r);
        std::sort(order.begin(), order.end(), [&](FileRef a, FileRef b) {
            // Arrival order: a file's position in the sequence of addFile calls.
            return std::stoi(scanner.file(a).fileName.substr(1)) < std::stoi(scanner.file(b).fileName.substr(1));
        });
        std::vector<std::vector<FileRef>> groups;
        std::vector<std::string> labels;
        std::vector<std::pair<FileRef, size_t>> seen;
        for (FileRef n : order) {
            std::optional<std::pair<FileRef, size_t>> first;
            for (const auto& e : seen) {
                if (!scanner.matches(e.first, n)) continue;
                const FileRef f = e.first;
                if (!first || f.folder < first->first.folder ||
                    (f.folder == first->first.folder && f.file < first->first.file))
                    first = e;
            }
            if (first) {
                groups[first->second].push_back(n);
                labels[first->second] = groupLabel(scanner.file(first->first));
                seen.push_back({n, first->second});
            } else {
                groups.push_back({n});
                labels.push_back(groupLabel(scanner.file(n)));
                seen.push_back({n, groups.size() - 1});
            }
        }
        ASSERT_EQ(groups.size(), scanner.groups().size()) << "round " << round;
        for (size_t g = 0; g < groups.size(); ++g) {
            EXPECT_EQ(labels[g], scanner.groups()[g].label);
            ASSERT_EQ(groups[g].size(), scanner.groups()[g].files.size());
            for (size_t i = 0; i < groups[g].size(); ++i) {
                EXPECT_EQ(groups[g][i].folder, scanner.groups()[g].files[i].folder);
                EXPECT_EQ(groups[g][i].file, scanner.groups()[g].files[i].file);
            }
        }
    }
}
