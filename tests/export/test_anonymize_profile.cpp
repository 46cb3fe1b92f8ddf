// The basic de-identification profile on built data sets: each table action
// at the top level and in items, private and trailing elements, the
// de-identification attributes, dates moved together, and every byte that
// the profile does not name left as it was (pixel data above all).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dicom/dicom_file.h"
#include "dicom_bytes.h"
#include "export/anonymize_batch.h"
#include "export/anonymizer.h"
#include "export/deidentification_profile.h"
#include "export/element_for_report.h"
#include "export_test_support.h"

using namespace veltor;
using veltor::testing::DicomBytes;
using veltor::testing::fileExists;
using veltor::testing::listFolder;
using veltor::testing::readFile;
using veltor::testing::Syntax;
using veltor::testing::TempFolder;
using veltor::testing::writeFile;

namespace {

const std::string kSopUid = "1.2.826.0.1.3680043.10.1147.6.1";
const std::string kStudyUid = "1.2.826.0.1.3680043.10.1147.6.2";
const std::string kReferencedUid = "1.2.826.0.1.3680043.10.1147.6.7";
const std::string kObservationUid = "1.2.826.0.1.3680043.10.1147.6.99";
const std::string kCtStorage = "1.2.840.10008.5.1.4.1.1.2";

Deidentifier fixedRun(bool keepDates = false) {
    const std::string key = "a test key, not a secret";
    return Deidentifier(std::vector<uint8_t>(key.begin(), key.end()), kDefaultUidRoot, keepDates);
}

AnonymizeOptions profileOptions(bool keepDates = false) {
    AnonymizeOptions options;
    options.mode = AnonymizeMode::BasicProfile;
    options.keepDates = keepDates;
    return options;
}

// What a value must become.
enum class Expect { Same, Blank, Dummy, Uid, Date, Private };

struct Placed {
    size_t offset;
    std::string text;
    Expect expect;
    std::string dummy; // for Dummy
};

// Builds a data set and remembers where each value lands and what the
// profile must do to it.
class ProfileFile {
  public:
    explicit ProfileFile(Syntax syntax) : m_syntax(syntax), m_b(syntax) {}

    DicomBytes& b() { return m_b; }
    ProfileFile& value(uint16_t g, uint16_t e, const char* vr, const std::string& v, Expect expect,
                       const std::string& dummy = {}) {
        m_b.element(g, e, vr, v);
        m_placed.push_back({m_b.size() - v.size(), v, expect, dummy});
        return *this;
    }
    // A meta element (always explicit VR little endian).
    ProfileFile& meta(uint16_t e, const std::string& v, Expect expect) {
        m_b.setSyntax(Syntax::ExplicitLittle);
        value(0x0002, e, "UI", v, expect);
        m_b.setSyntax(m_syntax);
        return *this;
    }
    void begin(uint16_t g, uint16_t e) {
        m_b.sequence(g, e, kUndefinedLength).item(kUndefinedLength);
    }
    void end() { m_b.itemEnd().sequenceEnd(); }
    const std::vector<Placed>& placed() const { return m_placed; }
    const std::vector<uint8_t>& bytes() { return m_b.bytes(); }

  private:
    Syntax m_syntax;
    DicomBytes m_b;
    std::vector<Placed> m_placed;
};

std::string uid(const std::string& u) {
    return DicomBytes::padUid(u);
}

// One of each kind of row, at the top level and inside items; `pixels`
// bytes of pixel data, then Data Set Trailing Padding.
ProfileFile identifyingFile(Syntax syntax, size_t pixels = 16, bool keepDates = false) {
    ProfileFile f(syntax);
    f.b().preamble(veltor::testing::syntaxUid(syntax));
    f.meta(0x0003, uid(kSopUid), Expect::Uid);
    f.value(0x0008, 0x0016, "UI", uid(kCtStorage), Expect::Same); // not in the table
    f.value(0x0008, 0x0018, "UI", uid(kSopUid), Expect::Uid);
    f.value(0x0008, 0x0020, "DA", "20240229", Expect::Date);
    f.value(0x0008, 0x0030, "TM", "101500",
            Expect::Same); // times stay when dates move by whole days
    f.value(0x0008, 0x0050, "SH", "ACC12345", Expect::Blank);
    f.value(0x0008, 0x0070, "LO", "VELTOR", Expect::Same);
    f.value(0x0008, 0x0080, "LO", "SAINT ELSEWHERE ", Expect::Dummy, "ANONYMIZED      ");
    f.value(0x0008, 0x1070, "PN", "OPERATOR^OLGA ", Expect::Dummy, "ANONYMOUS     ");
    // X/Z/U*: the sequence stays, its UIDs are replaced.
    f.begin(0x0008, 0x1140);
    f.value(0x0008, 0x1150, "UI", uid(kCtStorage), Expect::Same);
    f.value(0x0008, 0x1155, "UI", uid(kReferencedUid), Expect::Uid);
    f.end();
    f.value(0x0009, 0x0010, "LO", "VELTOR TEST ", Expect::Private);
    f.value(0x0009, 0x1001, "OB", std::string("\x11\x22\x33\x44", 4), Expect::Private);
    f.value(0x0010, 0x0010, "PN", "DOE^JOHNATHN", Expect::Blank);
    f.value(0x0010, 0x0020, "LO", "PID-0001", Expect::Blank);
    f.value(0x0010, 0x0030, "DA", "19700101", Expect::Blank); // Z, not a moved date
    // X: everything in the items goes, at every depth.
    f.begin(0x0010, 0x1002);
    f.value(0x0010, 0x0020, "LO", "OTHERID1", Expect::Blank);
    f.value(0x0010, 0x0022, "CS", "TEXT", Expect::Blank);
    f.begin(0x0040, 0x0275);
    f.value(0x0040, 0x0009, "SH", "SPS-0001", Expect::Blank);
    f.value(0x0040, 0x1001, "SH", "RP-00001", Expect::Blank);
    f.end();
    f.end();
    f.value(0x0012, 0x0062, "CS", "NO  ", Expect::Dummy, "YES ");
    f.value(0x0012, 0x0063, "LO", std::string(30, 'M'), Expect::Dummy,
            keepDates ? "BASIC PROFILE, DATES KEPT     " : "BASIC PROFILE, DATES SHIFTED  ");
    f.value(0x0020, 0x000D, "UI", uid(kStudyUid), Expect::Uid);
    f.value(0x0028, 0x0010, "US", std::string("\x02\x00", 2), Expect::Same);
    f.value(0x0028, 0x0301, "CS", "    ", Expect::Dummy, "YES ");
    // D: the items stay in outline; rows apply, free text gets dummies.
    f.begin(0x0040, 0xA730);
    f.value(0x0040, 0xA040, "CS", "TEXT", Expect::Same);
    f.value(0x0040, 0xA121, "DA", "20240228", Expect::Date);
    f.value(0x0040, 0xA123, "PN", "OBSERVER^OLA", Expect::Dummy, "ANONYMOUS   ");
    f.value(0x0040, 0xA124, "UI", uid(kObservationUid), Expect::Uid);
    f.value(0x0040, 0xA160, "UT", "SEEN BY DR WHO  ", Expect::Dummy, "ANONYMIZED      ");
    f.end();
    std::string pixelData(pixels, '\0');
    for (size_t i = 0; i < pixels; ++i)
        pixelData[i] = static_cast<char>(i * 13 + 5);
    f.value(0x7FE0, 0x0010, "OW", pixelData, Expect::Same);
    f.value(0xFFFC, 0xFFFC, "OB", "TRAILING PADDING", Expect::Blank);
    return f;
}

int64_t daysOf(const std::string& yyyymmdd) {
    using namespace std::chrono;
    const year_month_day d{year(std::stoi(yyyymmdd.substr(0, 4))),
                           month(unsigned(std::stoi(yyyymmdd.substr(4, 2)))),
                           day(unsigned(std::stoi(yyyymmdd.substr(6, 2))))};
    return sys_days(d).time_since_epoch().count();
}

// Checks the copy against the file's expectations; every date moves by the
// same whole number of days, returned in `shift`.
::testing::AssertionResult copyIsAsExpected(ProfileFile& f, const std::vector<uint8_t>& copy,
                                            const Deidentifier& d, int64_t& shift) {
    const std::vector<uint8_t>& source = f.bytes();
    if (copy.size() != source.size())
        return ::testing::AssertionFailure()
               << "copy has " << copy.size() << " bytes, source " << source.size();
    std::vector<bool> named(source.size(), false);
    bool haveShift = false;
    for (const Placed& p : f.placed()) {
        const std::string now(reinterpret_cast<const char*>(copy.data() + p.offset), p.text.size());
        for (size_t i = 0; i < p.text.size(); ++i)
            named[p.offset + i] = true;
        std::string want = p.text;
        switch (p.expect) {
        case Expect::Same:
            break;
        case Expect::Blank:
            if (now != std::string(now.size(), ' ') && now != std::string(now.size(), '\0'))
                return ::testing::AssertionFailure() << "'" << p.text << "' became '" << now << "'";
            continue;
        case Expect::Private:
            for (char c : now)
                if (c != ' ' && c != '\0')
                    return ::testing::AssertionFailure() << "private '" << p.text << "' stays";
            continue;
        case Expect::Dummy:
            want = p.dummy;
            break;
        case Expect::Uid: {
            std::string u = p.text;
            while (!u.empty() && u.back() == '\0')
                u.pop_back();
            want = d.replacementUid(u);
            want.resize(p.text.size(), '\0');
            break;
        }
        case Expect::Date: {
            const int64_t moved = daysOf(now) - daysOf(p.text);
            if (!haveShift) {
                shift = moved;
                haveShift = true;
            }
            if (moved != shift)
                return ::testing::AssertionFailure() << p.text << " moved by " << moved;
            continue;
        }
        }
        if (now != want)
            return ::testing::AssertionFailure()
                   << "'" << p.text << "' became '" << now << "', not '" << want << "'";
    }
    for (size_t i = 0; i < source.size(); ++i)
        if (!named[i] && copy[i] != source[i])
            return ::testing::AssertionFailure() << "byte " << i << " changed";
    return ::testing::AssertionSuccess();
}

class ProfileSyntax : public ::testing::TestWithParam<Syntax> {};

TEST_P(ProfileSyntax, EveryActionAtEveryDepthAndNothingElse) {
    TempFolder dir;
    ProfileFile f = identifyingFile(GetParam());
    ASSERT_TRUE(writeFile(dir / "src.dcm", f.bytes()));
    const Deidentifier d = fixedRun();
    DicomFile dataset;
    ASSERT_TRUE(dataset.openFile((dir / "src.dcm").c_str(), true));
    AnonymizeReport report;
    ASSERT_EQ(AnonymizeFileBytes((dir / "src.dcm").c_str(), dataset, (dir / "copy.dcm").c_str(),
                                 profileOptions(), report, &d),
              1)
        << anonymizeMessage(report);
    int64_t shift = 0;
    EXPECT_TRUE(copyIsAsExpected(f, readFile(dir / "copy.dcm"), d, shift));
    EXPECT_LE(shift, -1);
    EXPECT_GE(shift, -kMaxDayShift);
    EXPECT_EQ(shift, d.dayShift("id:PID-0001"));
    EXPECT_EQ(report.profile.uids, 5u);
    EXPECT_EQ(report.profile.datesShifted, 2u);
    EXPECT_EQ(report.profile.privates, 2u);
    EXPECT_EQ(report.profile.set,
              (std::vector<std::string>{"Patient Identity Removed", "De-identification Method",
                                        "Burned In Annotation"}));
    EXPECT_EQ(report.profile.noRoom,
              (std::vector<std::string>{"Longitudinal Temporal Information Modified"}));
    // The line says what changed, never what was there.
    const std::string line = anonymizeSummary(report);
    for (const char* value : {"DOE", "PID", "ACC", "ELSEWHERE", "2024", "1147"})
        EXPECT_EQ(line.find(value), std::string::npos) << line;
    EXPECT_NE(line.find("5 UIDs replaced"), std::string::npos) << line;

    // The batch reader writes the same copy with the same run.
    Anonymizer anonymizer(profileOptions(), fixedRun());
    ASSERT_TRUE(anonymizer.anonymizeFile(dir / "src.dcm", dir / "batch.dcm", report))
        << anonymizeMessage(report);
    EXPECT_EQ(readFile(dir / "batch.dcm"), readFile(dir / "copy.dcm"));
    EXPECT_EQ(readFile(dir / "src.dcm"), f.bytes()) << "the source changed";
}

TEST_P(ProfileSyntax, LargeFileWithTrailingElementsBeyondTheFirstBlock) {
    // The pixel data pushes the trailing padding far past the bytes read
    // first: the whole file is then read, and the pixels still come through.
    TempFolder dir;
    ProfileFile f = identifyingFile(GetParam(), 300000);
    ASSERT_TRUE(writeFile(dir / "src.dcm", f.bytes()));
    Anonymizer anonymizer(profileOptions(), fixedRun());
    AnonymizeReport report;
    ASSERT_TRUE(anonymizer.anonymizeFile(dir / "src.dcm", dir / "copy.dcm", report))
        << anonymizeMessage(report);
    int64_t shift = 0;
    EXPECT_TRUE(copyIsAsExpected(f, readFile(dir / "copy.dcm"), fixedRun(), shift));
}

TEST_P(ProfileSyntax, KeptDatesStayAndTheMethodSaysSo) {
    TempFolder dir;
    ProfileFile f = identifyingFile(GetParam(), 16, true);
    ASSERT_TRUE(writeFile(dir / "src.dcm", f.bytes()));
    const Deidentifier d = fixedRun(true);
    Anonymizer anonymizer(profileOptions(true), fixedRun(true));
    AnonymizeReport report;
    ASSERT_TRUE(anonymizer.anonymizeFile(dir / "src.dcm", dir / "copy.dcm", report))
        << anonymizeMessage(report);
    int64_t shift = -1;
    EXPECT_TRUE(copyIsAsExpected(f, readFile(dir / "copy.dcm"), d, shift));
    EXPECT_EQ(shift, 0);
}

INSTANTIATE_TEST_SUITE_P(Encodings, ProfileSyntax,
                         ::testing::Values(Syntax::ImplicitLittle, Syntax::ExplicitLittle,
                                           Syntax::ExplicitBig));

TEST(ProfileImplicit, ASequenceTheParserKeptAsOneValueLosesEveryValueOfItsItems) {
    // Implicit VR, defined lengths, a sequence tag the viewer's dictionary
    // does not know: its items are one opaque value to the parser.
    DicomBytes item(Syntax::ImplicitLittle);
    item.element(0x0008, 0x0020, "DA", "20240229");
    item.element(0x0010, 0x0010, "PN", "AUTHOR^NAME ");
    item.element(0x0040, 0xA124, "UI", uid(kObservationUid));
    DicomBytes b(Syntax::ImplicitLittle);
    b.preamble(veltor::testing::syntaxUid(Syntax::ImplicitLittle));
    const auto length = static_cast<uint32_t>(item.size());
    b.tag(0x0040, 0xA078).u32(length + 8).item(length);
    const size_t itemAt = b.size();
    b.bytes().insert(b.bytes().end(), item.bytes().begin(), item.bytes().end());
    b.element(0x7FE0, 0x0010, "OW", "PIXELS");
    DicomFile dataset;
    ASSERT_TRUE(dataset.openMemory(b.bytes().data(), b.size(), true));
    std::vector<uint8_t> bytes = b.bytes();
    ProfileSummary summary;
    applyBasicProfile(bytes.data(), bytes.size(), dataset, fixedRun(), summary);
    EXPECT_EQ(summary.blanked, 3u);
    // Item structure (tags and lengths) stays; the three values are blank.
    std::vector<uint8_t> expected = b.bytes();
    size_t at = itemAt;
    for (size_t n : {size_t{8}, size_t{12}, uid(kObservationUid).size()}) {
        at += 8;
        const uint8_t fill = n == 8 || n == 12 ? ' ' : 0;
        std::fill(expected.begin() + static_cast<long>(at),
                  expected.begin() + static_cast<long>(at + n), fill);
        at += n;
    }
    EXPECT_EQ(bytes, expected);

    // Items that cannot be read: the whole value goes.
    std::vector<uint8_t> broken = b.bytes();
    broken[itemAt + 4] = 0xFF; // a length that runs past the item
    DicomFile brokenSet;
    ASSERT_TRUE(brokenSet.openMemory(broken.data(), broken.size(), true));
    ProfileSummary brokenSummary;
    applyBasicProfile(broken.data(), broken.size(), brokenSet, fixedRun(), brokenSummary);
    EXPECT_TRUE(std::all_of(broken.begin() + static_cast<long>(itemAt - 8),
                            broken.begin() + static_cast<long>(itemAt + length),
                            [](uint8_t c) { return c == 0; }));
}

TEST(ProfileDates, OnePatientOneShiftAcrossFilesAndKeys) {
    // Dates of one patient move together in every file; another key moves
    // them differently; another patient (most likely) too.
    auto studyDateAfter = [](const std::string& pid, const std::string& key) {
        DicomBytes b(Syntax::ExplicitLittle);
        b.preamble(veltor::testing::syntaxUid(Syntax::ExplicitLittle));
        b.element(0x0008, 0x0020, "DA", "20240229");
        b.element(0x0010, 0x0020, "LO", DicomBytes::padText(pid));
        DicomFile dataset;
        EXPECT_TRUE(dataset.openMemory(b.bytes().data(), b.size(), true));
        std::vector<uint8_t> bytes = b.bytes();
        ProfileSummary summary;
        applyBasicProfile(
            bytes.data(), bytes.size(), dataset,
            Deidentifier(std::vector<uint8_t>(key.begin(), key.end()), kDefaultUidRoot, false),
            summary);
        const size_t at = b.size() - 8 - 8 - DicomBytes::padText(pid).size();
        return std::string(reinterpret_cast<const char*>(bytes.data() + at), 8);
    };
    const std::string a = studyDateAfter("PATIENT-A", "k1");
    EXPECT_NE(a, "20240229");
    EXPECT_EQ(studyDateAfter("PATIENT-A", "k1"), a);
    EXPECT_NE(studyDateAfter("PATIENT-A", "k2"), a);
    EXPECT_NE(studyDateAfter("PATIENT-B", "k1"), a);
}

TEST(ProfileTable, RowsAreUniqueEvenAndFoundByTag) {
    std::map<std::pair<uint32_t, uint32_t>, int> seen;
    for (size_t i = 0; i < kBasicProfileRowCount; ++i) {
        const ProfileRow& r = kBasicProfileRows[i];
        EXPECT_EQ(r.group & 1, 0) << r.name;
        EXPECT_NE(r.action, ProfileAction::Keep) << r.name;
        const std::pair<uint32_t, uint32_t> key{uint32_t{r.group} << 16 | r.element,
                                                uint32_t{r.groupMask} << 16 | r.elementMask};
        EXPECT_EQ(++seen[key], 1) << r.name;
        if (r.groupMask == 0xFFFF && r.elementMask == 0xFFFF) {
            EXPECT_EQ(findProfileRow(r.group, r.element), &r) << r.name;
        }
    }
    EXPECT_GT(kBasicProfileRowCount, 400u);
    const struct {
        uint16_t g, e;
        ProfileAction action;
        bool temporal;
    } cases[] = {
        {0x0010, 0x0010, ProfileAction::Blank, false},
        {0x0020, 0x000D, ProfileAction::Uid, false},
        {0x0008, 0x0080, ProfileAction::Dummy, false},
        {0x0008, 0x1140, ProfileAction::Clean, false},
        {0x0008, 0x0020, ProfileAction::Blank, true},
        {0x0008, 0x0021, ProfileAction::Dummy, true},
        {0x6002, 0x3000, ProfileAction::Blank, false},
        {0x501E, 0x1234, ProfileAction::Blank, false},
        {0x0040, 0xA730, ProfileAction::Dummy, false},
        {0x0002, 0x0003, ProfileAction::Uid, false},
    };
    for (const auto& c : cases) {
        const ProfileRow* row = findProfileRow(c.g, c.e);
        ASSERT_NE(row, nullptr) << std::hex << c.g << "," << c.e;
        EXPECT_EQ(row->action, c.action) << row->name;
        EXPECT_EQ(row->temporal, c.temporal) << row->name;
    }
    for (auto [g, e] : {std::pair<uint16_t, uint16_t>{0x0028, 0x0010},
                        {0x0009, 0x0010},
                        {0x6002, 0x0010},
                        {0x0008, 0x0016},
                        {0x7FE0, 0x0010}})
        EXPECT_EQ(findProfileRow(g, e), nullptr) << std::hex << g << "," << e;
    EXPECT_EQ(profileActionOf("X/Z/U*"), ProfileAction::Clean);
    EXPECT_EQ(profileActionOf("Z/D"), ProfileAction::Dummy);
    EXPECT_EQ(profileActionOf("K"), ProfileAction::Keep);
}

// A file whose pixel data is followed by private elements, digital
// signatures and padding, in explicit VR little endian.
std::vector<uint8_t> trailingFile(std::vector<std::pair<size_t, size_t>>& removed, size_t& pixelAt,
                                  size_t& pixelSize) {
    DicomBytes b(Syntax::ExplicitLittle);
    b.preamble(veltor::testing::syntaxUid(Syntax::ExplicitLittle));
    b.element(0x0010, 0x0010, "PN", "DOE^JOHN");
    const std::string pixels(70000, '\x5a');
    b.element(0x7FE0, 0x0010, "OB", pixels);
    pixelAt = b.size() - pixels.size();
    pixelSize = pixels.size();
    auto value = [&](uint16_t g, uint16_t e, const char* vr, const std::string& v) {
        b.element(g, e, vr, v);
        removed.emplace_back(b.size() - v.size(), v.size());
    };
    value(0x7FE1, 0x0010, "LO", "VENDOR X");
    b.sequence(0x7FE1, 0x1001, kUndefinedLength).item(kUndefinedLength);
    value(0x0010, 0x0010, "PN", "HIDDEN^NAME ");
    b.itemEnd().sequenceEnd();
    b.sequence(0xFFFA, 0xFFFA, kUndefinedLength).item(kUndefinedLength);
    value(0x0400, 0x0100, "UI", "1.2.3.4.5.6.7.8");
    value(0x0400, 0x0120, "OB", "SIGNATURE BYTES!");
    b.itemEnd().sequenceEnd();
    value(0xFFFC, 0xFFFC, "OB", std::string(10, 'P'));
    return b.bytes();
}

TEST(ProfileTrailer, ElementsAfterThePixelDataAreBlankedInPlace) {
    TempFolder dir;
    std::vector<std::pair<size_t, size_t>> removed;
    size_t pixelAt = 0, pixelSize = 0;
    const std::vector<uint8_t> source = trailingFile(removed, pixelAt, pixelSize);
    ASSERT_TRUE(writeFile(dir / "src.dcm", source));
    Anonymizer anonymizer(profileOptions(), fixedRun());
    AnonymizeReport report;
    ASSERT_TRUE(anonymizer.anonymizeFile(dir / "src.dcm", dir / "copy.dcm", report))
        << anonymizeMessage(report);
    const std::vector<uint8_t> copy = readFile(dir / "copy.dcm");
    ASSERT_EQ(copy.size(), source.size());
    std::vector<bool> blank(source.size(), false);
    for (auto [at, n] : removed)
        for (size_t i = 0; i < n; ++i)
            blank[at + i] = true;
    for (size_t i = 0; i < source.size(); ++i) {
        if (blank[i]) {
            ASSERT_TRUE(copy[i] == 0 || copy[i] == ' ') << "byte " << i << " kept";
        } else if (i >= pixelAt) {
            ASSERT_EQ(copy[i], source[i])
                << "byte " << i << " of the pixel data or a header changed";
        }
    }
    EXPECT_EQ(report.profile.privates, 2u); // the creator, and the name in the private sequence
    EXPECT_EQ(report.profile.blanked,
              4u); // the patient's name, the signature's UID and bytes, the padding
    // The same through the single-file path.
    DicomFile dataset;
    ASSERT_TRUE(dataset.openFile((dir / "src.dcm").c_str(), true));
    const Deidentifier d = fixedRun();
    ASSERT_EQ(AnonymizeFileBytes((dir / "src.dcm").c_str(), dataset, (dir / "single.dcm").c_str(),
                                 profileOptions(), report, &d),
              1);
    EXPECT_EQ(readFile(dir / "single.dcm"), copy);
}

TEST(ProfileTrailer, UnreadableDataAfterThePixelDataRefusesTheCopy) {
    TempFolder dir;
    std::vector<std::pair<size_t, size_t>> removed;
    size_t pixelAt = 0, pixelSize = 0;
    std::vector<uint8_t> source = trailingFile(removed, pixelAt, pixelSize);
    source.resize(source.size() - 4); // the padding now runs past the end
    ASSERT_TRUE(writeFile(dir / "src.dcm", source));
    Anonymizer anonymizer(profileOptions(), fixedRun());
    AnonymizeReport report;
    EXPECT_FALSE(anonymizer.anonymizeFile(dir / "src.dcm", dir / "copy.dcm", report));
    EXPECT_EQ(report.failure, AnonymizeFailure::UnreadableTrailer);
    EXPECT_NE(anonymizeMessage(report).find(
                  "The data after the pixel data cannot be read: a value runs past the end"),
              std::string::npos)
        << anonymizeMessage(report);
    EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"src.dcm"}));
    // The chosen-fields mode copies what follows the pixel data as it stands.
    Anonymizer plain{AnonymizeOptions()};
    EXPECT_TRUE(plain.anonymizeFile(dir / "src.dcm", dir / "plain.dcm", report))
        << anonymizeMessage(report);
}

TEST(ProfileRuns, AKeyFileThatCannotBeReadStopsTheRunBeforeAnyCopy) {
    TempFolder dir;
    ASSERT_TRUE(writeFile(dir / "a.dcm", identifyingFile(Syntax::ExplicitLittle).bytes()));
    ASSERT_TRUE(writeFile(dir / "b.dcm", identifyingFile(Syntax::ImplicitLittle).bytes()));
    AnonymizeOptions options = profileOptions();
    options.keyFile = dir / "no.key";
    int progress = 0;
    AnonymizeBatchCallbacks callbacks;
    callbacks.progress = [&](size_t, size_t) { return ++progress > 0; };
    const BatchResult r =
        anonymizeBesideSources({dir / "a.dcm", dir / "b.dcm"}, options, callbacks);
    EXPECT_EQ(r.status, BatchStatus::ProfileNotReady);
    EXPECT_NE(r.message.find("no.key"), std::string::npos) << r.message;
    EXPECT_EQ(progress, 0);
    EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"a.dcm", "b.dcm"}));

    // With a readable key the run goes, and its log says what changed.
    ASSERT_TRUE(writeFile(dir / "no.key", {1, 2, 3, 4}));
    const BatchResult ok =
        anonymizeBesideSources({dir / "a.dcm", dir / "b.dcm"}, options, callbacks);
    EXPECT_EQ(ok.written, 2u);
    EXPECT_NE(ok.log.find((dir / "a.dcm") + "  ("), std::string::npos) << ok.log;
    EXPECT_NE(ok.log.find("UIDs replaced"), std::string::npos) << ok.log;
    // One run, one key: the copies share their study's replacement UID.
    const std::vector<uint8_t> a = readFile(dir / "a_anon.dcm");
    const std::vector<uint8_t> bcopy = readFile(dir / "b_anon.dcm");
    Deidentifier run;
    std::string error;
    ASSERT_TRUE(Deidentifier::prepare(options, run, error));
    const std::string study = run.replacementUid(kStudyUid);
    EXPECT_NE(std::search(a.begin(), a.end(), study.begin(), study.end()), a.end());
    EXPECT_NE(std::search(bcopy.begin(), bcopy.end(), study.begin(), study.end()), bcopy.end());
}

TEST(ProfileReports, ExportsHideWhatTheProfileChanges) {
    ProfileFile f = identifyingFile(Syntax::ExplicitLittle);
    DicomFile dataset;
    ASSERT_TRUE(dataset.openMemory(f.bytes().data(), f.bytes().size(), true));
    std::map<uint32_t, std::string> shown;
    for (bool keepDates : {false, true}) {
        const AnonymizeOptions options = profileOptions(keepDates);
        for (int32_t i = 0; i < dataset.elementCount(); ++i) {
            DicomElement r;
            ASSERT_TRUE(GetElementForReport(dataset, i, true, options, r));
            shown[uint32_t{r.group} << 16 | r.element] = r.text();
        }
        EXPECT_EQ(shown[0x00100010], "");
        EXPECT_EQ(shown[0x00090010], "");
        EXPECT_EQ(shown[0x0020000D], "");
        EXPECT_EQ(shown[0x00080070], "VELTOR");
        EXPECT_EQ(shown[0x00080030], "101500");
        EXPECT_EQ(shown[0x00080020], keepDates ? "20240229" : "");
    }
}

} // namespace
