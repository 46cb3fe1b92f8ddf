// The suffix rule and the two batch walks: anonymize selected files into a
// folder, and Batch Anonymize of a folder tree with copies beside sources.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "dicom_bytes.h"
#include "export/anonymize_batch.h"
#include "export_test_support.h"

using namespace veltor;
using veltor::testing::DicomBytes;
using veltor::testing::Syntax;
using veltor::testing::TempFolder;
using veltor::testing::fileExists;
using veltor::testing::listFolder;
using veltor::testing::readFile;
using veltor::testing::writeFile;

namespace {

TEST(SuffixRule, AnonGoesBeforeTheExtensionOfTheLastComponent) {
    const struct {
        const char* path;
        const char* target;
    } cases[] = {
        {"/img/ct1.dcm", "/img/ct1_anon.dcm"},
        {"/img.dir/IM0001", "/img.dir/IM0001_anon"},
        {"ct1_anon.dcm", "ct1_anon_anon.dcm"},
        {"a/b.c.dcm", "a/b.c_anon.dcm"},
        {"noext", "noext_anon"},
        {"trailing.", "trailing_anon."},
        {"./x", "./x_anon"},
        {"../up/IM1", "../up/IM1_anon"},
    };
    for (const auto& c : cases) EXPECT_EQ(anonymizedPath(c.path), c.target) << c.path;
}

std::vector<uint8_t> dicomWithName(const std::string& name, bool burnedIn = false) {
    DicomBytes b(Syntax::ExplicitLittle);
    b.preamble(veltor::testing::syntaxUid(Syntax::ExplicitLittle));
    b.element(0x0008, 0x0020, "DA", "20240229");
    b.element(0x0010, 0x0010, "PN", DicomBytes::padText(name));
    if (burnedIn) b.element(0x0028, 0x0301, "CS", "YES ");
    return b.bytes();
}

bool holds(const std::vector<uint8_t>& bytes, const std::string& text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

// A tree: two DICOM files and a text file at the top, a subfolder with one
// DICOM file, a pipe and a link back to the top (a cycle if followed).
class BatchTree : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(writeFile(m_dir / "ct1.dcm", dicomWithName("ALPHA^ONE")));
        ASSERT_TRUE(writeFile(m_dir / "IM0002", dicomWithName("BETA^TWO", true)));
        ASSERT_TRUE(writeFile(m_dir / "notes.txt", std::vector<uint8_t>(300, 'x')));
        ASSERT_EQ(::mkdir((m_dir / "sub").c_str(), 0755), 0);
        ASSERT_TRUE(writeFile(m_dir / "sub/ct3.dcm", dicomWithName("GAMMA^THREE")));
        ASSERT_EQ(::mkfifo((m_dir / "sub/pipe").c_str(), 0600), 0);
        ASSERT_EQ(::symlink(m_dir.path().c_str(), (m_dir / "sub/loop").c_str()), 0);
    }
    TempFolder m_dir;
};

TEST_F(BatchTree, CollectsDicomFilesOnlyAndNeverFollowsDirectoryLinks) {
    std::vector<std::string> files;
    EXPECT_EQ(collectDicomFiles(m_dir.path(), true, files), BatchStatus::Completed);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{m_dir / "IM0002", m_dir / "ct1.dcm", m_dir / "sub/ct3.dcm"}));
    files.clear();
    EXPECT_EQ(collectDicomFiles(m_dir.path(), false, files), BatchStatus::Completed);
    EXPECT_EQ(files.size(), 2u);
    EXPECT_EQ(collectDicomFiles(m_dir / "absent", true, files), BatchStatus::InvalidDirectory);
    int calls = 0;
    files.clear();
    EXPECT_EQ(collectDicomFiles(m_dir.path(), true, files, [&] { return ++calls < 2; }), BatchStatus::Cancelled);
}

TEST_F(BatchTree, BatchWritesCopiesBesideSourcesAndLogsEachPath) {
    std::vector<std::string> burned;
    int critical = 0;
    AnonymizeBatchCallbacks callbacks;
    callbacks.burnedIn = [&](const std::string& s) { burned.push_back(s); };
    callbacks.criticalFields = [&] { ++critical; };
    const BatchResult r = batchAnonymize(m_dir.path(), true, AnonymizeOptions(), callbacks);
    EXPECT_EQ(r.status, BatchStatus::Completed);
    EXPECT_EQ(r.written, 3u);
    EXPECT_EQ(r.failed + r.notDicom + r.skipped, 0u);
    EXPECT_EQ(critical, 0);
    EXPECT_EQ(burned, std::vector<std::string>{m_dir / "IM0002"});
    // The log is "%s%s\r\n" of the previous log and each source path.
    for (const std::string& source : {m_dir / "ct1.dcm", m_dir / "IM0002", m_dir / "sub/ct3.dcm"})
        EXPECT_NE(r.log.find(source + "\r\n"), std::string::npos) << source;
    EXPECT_EQ(r.log.size(), (m_dir / "ct1.dcm").size() + (m_dir / "IM0002").size() + (m_dir / "sub/ct3.dcm").size() + 6);
    EXPECT_FALSE(holds(readFile(m_dir / "ct1_anon.dcm"), "ALPHA"));
    EXPECT_FALSE(holds(readFile(m_dir / "IM0002_anon"), "BETA"));
    EXPECT_FALSE(holds(readFile(m_dir / "sub/ct3_anon.dcm"), "GAMMA"));
    EXPECT_TRUE(holds(readFile(m_dir / "ct1.dcm"), "ALPHA^ONE"));
    EXPECT_EQ(listFolder(m_dir.path()),
              (std::vector<std::string>{"IM0002", "IM0002_anon", "ct1.dcm", "ct1_anon.dcm", "notes.txt", "sub"}));

    // A second run takes the copies as sources too: ct1_anon.dcm gives
    // ct1_anon_anon.dcm, and the first copies are replaced.
    const BatchResult again = batchAnonymize(m_dir.path(), false, AnonymizeOptions(), {});
    EXPECT_EQ(again.written, 4u);
    EXPECT_TRUE(fileExists(m_dir / "ct1_anon_anon.dcm"));
    EXPECT_TRUE(fileExists(m_dir / "IM0002_anon_anon"));
    EXPECT_FALSE(fileExists(m_dir / "sub/ct3_anon_anon.dcm"));
}

TEST_F(BatchTree, OverwriteQuestionDecidesForExistingCopies) {
    ASSERT_TRUE(writeFile(m_dir / "ct1_anon.dcm", {9, 9, 9}));
    std::vector<std::string> asked;
    AnonymizeBatchCallbacks callbacks;
    callbacks.confirmOverwrite = [&](const std::string& target) {
        asked.push_back(overwriteQuestion(target));
        return false;
    };
    const BatchResult r = batchAnonymize(m_dir.path(), false, AnonymizeOptions(), callbacks);
    // The three-byte ct1_anon.dcm is not DICOM, so it is no source itself.
    EXPECT_EQ(asked, std::vector<std::string>{"File " + (m_dir / "ct1_anon.dcm") + " exists! \nOverwrite existing file?"});
    EXPECT_EQ(r.skipped, 1u);
    EXPECT_EQ(r.written, 1u);
    EXPECT_EQ(readFile(m_dir / "ct1_anon.dcm"), (std::vector<uint8_t>{9, 9, 9}));
    EXPECT_EQ(r.log, m_dir / "IM0002" + "\r\n");

    callbacks.confirmOverwrite = [](const std::string&) { return true; };
    const BatchResult yes = batchAnonymize(m_dir.path(), false, AnonymizeOptions(), callbacks);
    EXPECT_EQ(yes.skipped, 0u);
    EXPECT_GT(readFile(m_dir / "ct1_anon.dcm").size(), 3u);
}

TEST_F(BatchTree, EmptyOrMissingFoldersEndBeforeAnything) {
    TempFolder empty;
    ASSERT_TRUE(writeFile(empty / "readme", std::vector<uint8_t>(200, 'r')));
    int critical = 0;
    AnonymizeBatchCallbacks callbacks;
    callbacks.criticalFields = [&] { ++critical; };
    AnonymizeOptions keepName;
    keepName.remove[0] = false;
    const BatchResult nothing = batchAnonymize(empty.path(), true, keepName, callbacks);
    EXPECT_EQ(nothing.status, BatchStatus::NothingToDo);
    EXPECT_STREQ(batchStatusMessage(nothing.status), "Nothing to do      ");
    const BatchResult invalid = batchAnonymize(empty / "gone", true, keepName, callbacks);
    EXPECT_STREQ(batchStatusMessage(invalid.status), "Invalid Directory      ");
    EXPECT_EQ(critical, 0) << "the warning comes only when a run starts";
    EXPECT_EQ(listFolder(empty.path()), std::vector<std::string>{"readme"});
}

TEST_F(BatchTree, SelectedFilesGoIntoTheExportFolderUnderTheirOwnNames) {
    TempFolder out;
    const std::vector<std::string> files = {m_dir / "ct1.dcm", m_dir / "notes.txt", m_dir / "sub/ct3.dcm",
                                            m_dir / "missing.dcm"};
    std::vector<std::string> written, notDicom, failed;
    int critical = 0;
    AnonymizeBatchCallbacks callbacks;
    callbacks.written = [&](const std::string&, const std::string& t, const AnonymizeReport&) { written.push_back(t); };
    callbacks.notDicom = [&](const std::string& s, const AnonymizeReport&) { notDicom.push_back(s); };
    callbacks.failed = [&](const std::string& s, const AnonymizeReport& r) {
        failed.push_back(s);
        EXPECT_EQ(anonymizeMessage(r), s + "    \n File not found!");
    };
    callbacks.criticalFields = [&] { ++critical; };
    AnonymizeOptions options;
    options.remove[static_cast<size_t>(anonymizedElementIndex(std::string_view("MothersName")))] = false;
    BatchResult r = anonymizeSelectedFiles(files, out.path() + "/", true, options, callbacks);
    EXPECT_EQ(critical, 1);
    EXPECT_EQ(written, (std::vector<std::string>{out / "ct1_anon.dcm", out / "ct3_anon.dcm"}));
    EXPECT_EQ(notDicom, std::vector<std::string>{m_dir / "notes.txt"});
    EXPECT_EQ(failed, std::vector<std::string>{m_dir / "missing.dcm"});
    EXPECT_EQ(listFolder(out.path()), (std::vector<std::string>{"ct1_anon.dcm", "ct3_anon.dcm"}));

    // Without the suffix the names are the sources' own; existing copies are
    // replaced without a question when no callback asks one.
    ASSERT_TRUE(writeFile(out / "ct1.dcm", std::vector<uint8_t>(4000, 1)));
    r = anonymizeSelectedFiles({m_dir / "ct1.dcm"}, out.path(), false, AnonymizeOptions(), {});
    EXPECT_EQ(r.written, 1u);
    EXPECT_EQ(readFile(out / "ct1.dcm").size(), readFile(m_dir / "ct1.dcm").size());

    r = anonymizeSelectedFiles(files, "", true, options, callbacks);
    EXPECT_EQ(r.status, BatchStatus::NoExportDirectory);
    EXPECT_STREQ(batchStatusMessage(r.status), "Please select an export directory   ");
    EXPECT_EQ(critical, 1);
}

TEST_F(BatchTree, TargetNamesNeverComeFromFileContents) {
    // Values that look like paths or names must not steer where copies go.
    TempFolder tree;
    DicomBytes b(Syntax::ExplicitLittle);
    b.preamble(veltor::testing::syntaxUid(Syntax::ExplicitLittle));
    b.element(0x0008, 0x0018, "UI", "../../escaped");
    b.element(0x0010, 0x0010, "PN", "/tmp/evil_anon.dcm ");
    b.element(0x0010, 0x0020, "LO", "..");
    ASSERT_TRUE(writeFile(tree / "plain", b.bytes()));
    // A leftover copy in progress is not taken as a source.
    ASSERT_TRUE(writeFile(tree / (std::string(kTemporaryPrefix) + "1-1.tmp"), b.bytes()));
    const BatchResult r = batchAnonymize(tree.path(), true, AnonymizeOptions(), {});
    EXPECT_EQ(r.written, 1u);
    EXPECT_EQ(listFolder(tree.path()),
              (std::vector<std::string>{std::string(kTemporaryPrefix) + "1-1.tmp", "plain", "plain_anon"}));
    EXPECT_FALSE(fileExists("/tmp/evil_anon.dcm"));
}

TEST_F(BatchTree, CancelStopsAfterTheFileInHand) {
    TempFolder out;
    const std::vector<std::string> files = {m_dir / "ct1.dcm", m_dir / "IM0002", m_dir / "sub/ct3.dcm"};
    std::vector<size_t> seen;
    AnonymizeBatchCallbacks callbacks;
    callbacks.progress = [&](size_t done, size_t total) {
        EXPECT_EQ(total, 3u);
        seen.push_back(done);
        return done < 2;
    };
    const BatchResult r = anonymizeSelectedFiles(files, out.path(), true, AnonymizeOptions(), callbacks);
    EXPECT_EQ(r.status, BatchStatus::Cancelled);
    EXPECT_EQ(seen, (std::vector<size_t>{1, 2}));
    EXPECT_EQ(r.written, 2u);
    EXPECT_EQ(listFolder(out.path()), (std::vector<std::string>{"IM0002_anon", "ct1_anon.dcm"}));
}

} // namespace
