// Anonymized copies: exactly the chosen values blanked, byte for byte; the
// source untouched; failures that never destroy an existing target.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dicom/dicom_file.h"
#include "dicom_bytes.h"
#include "export/anonymizer.h"
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

int optionIndex(const char* key) { return anonymizedElementIndex(std::string_view(key)); }

// A range of the file the copy must hold as `fill` bytes.
struct Blank {
    size_t offset;
    size_t length;
    uint8_t fill;
};

// Builds a data set and, from the builder's own knowledge of where each value
// lands, the ranges a copy with `options` must have blanked.
class AnonFileBuilder {
  public:
    AnonFileBuilder(Syntax syntax, const AnonymizeOptions& options) : m_b(syntax), m_syntax(syntax), m_options(options) {}

    // A value that is blanked with `fill` when `blanked`.
    AnonFileBuilder& value(uint16_t g, uint16_t e, const char* vr, const std::string& v, bool blanked,
                           uint8_t fill = 0x20) {
        m_b.element(g, e, vr, v);
        if (blanked && !v.empty()) m_blanks.push_back({m_b.size() - v.size(), v.size(), fill});
        return *this;
    }
    // One of the 36, blanked when its option is on.
    AnonFileBuilder& chosen(uint16_t g, uint16_t e, const char* key, const char* vr, const std::string& v,
                            uint8_t fill = 0x20) {
        return value(g, e, vr, v, m_options.remove[static_cast<size_t>(optionIndex(key))], fill);
    }
    // A person name reached only by the private person-name rule.
    AnonFileBuilder& nestedName(uint16_t g, uint16_t e, const std::string& v) {
        return value(g, e, "PN", v, m_options.privateTags);
    }
    // A chosen person name inside items: blanked by its own choice or by the
    // person-name rule.
    AnonFileBuilder& nestedChosenName(uint16_t g, uint16_t e, const char* key, const std::string& v) {
        return value(g, e, "PN", v, m_options.privateTags || m_options.remove[static_cast<size_t>(optionIndex(key))]);
    }
    DicomBytes& bytes() { return m_b; }
    Syntax syntax() const { return m_syntax; }
    const std::vector<Blank>& blanks() const { return m_blanks; }

  private:
    DicomBytes m_b;
    Syntax m_syntax;
    AnonymizeOptions m_options;
    std::vector<Blank> m_blanks;
};

// Every rule in one data set: the chosen elements at the top level, the same
// tags inside items, private elements with and without person names, a binary
// value among the chosen, burned-in annotation and pixel data.
// `bulk` bytes of a private OB value ahead of everything else push the header
// past the first block the anonymizer reads; `pixels` sets the pixel data size.
AnonFileBuilder identifyingFile(Syntax syntax, const AnonymizeOptions& options, size_t bulk = 0,
                                size_t pixels = 8) {
    AnonFileBuilder f(syntax, options);
    const bool implicit = syntax == Syntax::ImplicitLittle;
    f.bytes().preamble(veltor::testing::syntaxUid(syntax));
    if (bulk > 0) f.value(0x0007, 0x1010, "OB", std::string(bulk, 'b'), false);
    f.value(0x0008, 0x0020, "DA", "20240229", false); // Study Date stays
    f.chosen(0x0008, 0x0050, "Accession", "SH", "ACC12345");
    f.chosen(0x0008, 0x0080, "InsttutionName", "LO", "SAINT ELSEWHERE ");
    f.chosen(0x0008, 0x0090, "Referring", "PN", "REF^ROSA");
    // A standard sequence: chosen values in its items go as at the top level,
    // and its items' person names by the private person-name rule too.
    f.bytes().sequence(0x0008, 0x1140, kUndefinedLength).item(kUndefinedLength);
    f.nestedChosenName(0x0008, 0x0090, "Referring", "NESTED^REF");
    f.nestedChosenName(0x0010, 0x0010, "PatientsName", "INNER^NAME");
    f.chosen(0x0010, 0x0020, "PatientsID", "LO", "INNERID ");
    f.value(0x0010, 0x0021, "LO", "ISSUER", false); // not among the chosen
    f.bytes().sequence(0x0040, 0xA730, kUndefinedLength).item(kUndefinedLength);
    f.nestedChosenName(0x0010, 0x0010, "PatientsName", "DEEP^NAME ");
    f.bytes().itemEnd().sequenceEnd().itemEnd().sequenceEnd();
    f.chosen(0x0008, 0x1030, "StudyDesc", "LO", "HEAD CT ");
    // Private group: the creator and the LO stay; the PN goes, but only where
    // the file says it is a PN (implicit VR files carry no VR for it).
    f.value(0x0009, 0x0010, "LO", "VELTOR TEST ", false);
    f.value(0x0009, 0x1001, "LO", "private text", false);
    f.value(0x0009, 0x1002, "PN", "PRIV^PERSON ", options.privateTags && !implicit);
    // A private sequence: the names in its items go with the rule.
    f.bytes().sequence(0x0009, 0x1003, kUndefinedLength).item(kUndefinedLength);
    f.nestedChosenName(0x0010, 0x0010, "PatientsName", "PRIVSEQ^NAME");
    f.bytes().itemEnd().sequenceEnd();
    f.chosen(0x0010, 0x0010, "PatientsName", "PN", "DOE^JOHNATHN"); // 12 bytes
    f.chosen(0x0010, 0x0020, "PatientsID", "LO", "PID-0001");
    f.chosen(0x0010, 0x0030, "BirthDate", "DA", "19700101");
    if (implicit) {
        f.chosen(0x0010, 0x1020, "PatientsSize", "DS", "1.82");
    } else {
        // A binary VR among the chosen (as a writer might store it): zeros.
        f.chosen(0x0010, 0x1020, "PatientsSize", "FL", std::string("\x3f\xe8\xf5\xc3", 4), 0x00);
    }
    f.chosen(0x0010, 0x2154, "PatientsPhone", "SH", "555-0101");
    f.chosen(0x0018, 0x1000, "DeviceSerialNum", "LO", "SN-0042 ");
    f.chosen(0x0020, 0x0010, "StudyID", "SH", "STUDY-11");
    f.chosen(0x0020, 0x4000, "ImageComments", "LT", "IMAGE COMMENT TEXT");
    f.value(0x0028, 0x0010, "US", std::string("\x02\x00", 2), false);
    f.value(0x0028, 0x0301, "CS", "YES ", false);
    std::string pixelData(pixels, '\0');
    for (size_t i = 0; i < pixels; ++i) pixelData[i] = static_cast<char>(i * 7 + 1);
    f.value(0x7FE0, 0x0010, "OW", pixelData, false);
    return f;
}

// The copy equals the source outside the blanked ranges and holds the fill
// inside them.
::testing::AssertionResult matchesExpectation(const std::vector<uint8_t>& source,
                                              const std::vector<uint8_t>& copy,
                                              const std::vector<Blank>& blanks) {
    if (copy.size() != source.size())
        return ::testing::AssertionFailure() << "copy has " << copy.size() << " bytes, source " << source.size();
    std::vector<int> expected(source.begin(), source.end());
    for (const Blank& b : blanks)
        for (size_t i = 0; i < b.length; ++i) expected[b.offset + i] = b.fill;
    for (size_t i = 0; i < copy.size(); ++i) {
        if (copy[i] != expected[i])
            return ::testing::AssertionFailure() << "byte " << i << " is " << int(copy[i]) << ", expected "
                                                 << expected[i] << " (source " << int(source[i]) << ")";
    }
    return ::testing::AssertionSuccess();
}

struct Outcome {
    int result;
    AnonymizeReport report;
};

Outcome anonymizeWithParse(const std::string& source, const std::string& target, const AnonymizeOptions& options) {
    DicomFile dataset;
    EXPECT_TRUE(dataset.openFile(source.c_str(), true)) << source;
    Outcome o{};
    o.result = AnonymizeFileBytes(source.c_str(), dataset, target.c_str(), options, o.report);
    return o;
}

class AnonymizeSyntax : public ::testing::TestWithParam<Syntax> {};

TEST_P(AnonymizeSyntax, DefaultOptionsBlankExactlyTheChosenValuesAndNamesInItems) {
    TempFolder dir;
    AnonymizeOptions options;
    AnonFileBuilder f = identifyingFile(GetParam(), options);
    ASSERT_TRUE(writeFile(dir / "src.dcm", f.bytes().bytes()));
    const Outcome o = anonymizeWithParse(dir / "src.dcm", dir / "copy.dcm", options);
    ASSERT_EQ(o.result, 1) << anonymizeMessage(o.report);
    EXPECT_TRUE(matchesExpectation(f.bytes().bytes(), readFile(dir / "copy.dcm"), f.blanks()));
    EXPECT_EQ(o.report.blanked, f.blanks().size());
    EXPECT_EQ(o.report.outOfFile, 0u);
    EXPECT_TRUE(o.report.burnedIn);
    EXPECT_EQ(readFile(dir / "src.dcm"), f.bytes().bytes()) << "the source changed";
}

TEST_P(AnonymizeSyntax, OptionsTurnedOffKeepTheirValues) {
    TempFolder dir;
    AnonymizeOptions options;
    options.remove[static_cast<size_t>(optionIndex("PatientsID"))] = false;
    options.remove[static_cast<size_t>(optionIndex("ImageComments"))] = false;
    options.remove[static_cast<size_t>(optionIndex("PatientsSize"))] = false;
    options.privateTags = false;
    options.attention2 = false;
    AnonFileBuilder f = identifyingFile(GetParam(), options);
    ASSERT_TRUE(writeFile(dir / "src.dcm", f.bytes().bytes()));
    const Outcome o = anonymizeWithParse(dir / "src.dcm", dir / "copy.dcm", options);
    ASSERT_EQ(o.result, 1) << anonymizeMessage(o.report);
    EXPECT_TRUE(matchesExpectation(f.bytes().bytes(), readFile(dir / "copy.dcm"), f.blanks()));
    EXPECT_FALSE(o.report.burnedIn);
}

TEST_P(AnonymizeSyntax, EverythingUncheckedGivesAnIdenticalCopy) {
    TempFolder dir;
    AnonymizeOptions options;
    options.uncheckAll();
    AnonFileBuilder f = identifyingFile(GetParam(), options);
    ASSERT_TRUE(f.blanks().empty());
    ASSERT_TRUE(writeFile(dir / "src.dcm", f.bytes().bytes()));
    ASSERT_EQ(anonymizeWithParse(dir / "src.dcm", dir / "copy.dcm", options).result, 1);
    EXPECT_EQ(readFile(dir / "copy.dcm"), f.bytes().bytes());
}

TEST_P(AnonymizeSyntax, SingleReadPathWritesTheSameCopy) {
    TempFolder dir;
    AnonymizeOptions options;
    AnonFileBuilder f = identifyingFile(GetParam(), options);
    ASSERT_TRUE(writeFile(dir / "src.dcm", f.bytes().bytes()));
    Anonymizer anonymizer(options);
    AnonymizeReport report;
    ASSERT_TRUE(anonymizer.anonymizeFile(dir / "src.dcm", dir / "copy.dcm", report)) << anonymizeMessage(report);
    EXPECT_TRUE(matchesExpectation(f.bytes().bytes(), readFile(dir / "copy.dcm"), f.blanks()));
    EXPECT_EQ(report.blanked, f.blanks().size());
}

TEST_P(AnonymizeSyntax, LargeFilesWhoseHeaderEndsEarlyOrLate) {
    // A header inside the first block read, with the pixel data copied as it
    // stands; and a header that runs past it, read whole.
    for (size_t bulk : {size_t{0}, size_t{70000}}) {
        TempFolder dir;
        AnonymizeOptions options;
        AnonFileBuilder f = identifyingFile(GetParam(), options, bulk, 300000);
        ASSERT_TRUE(writeFile(dir / "src.dcm", f.bytes().bytes()));
        Anonymizer anonymizer(options);
        AnonymizeReport report;
        ASSERT_TRUE(anonymizer.anonymizeFile(dir / "src.dcm", dir / "copy.dcm", report)) << anonymizeMessage(report);
        EXPECT_TRUE(matchesExpectation(f.bytes().bytes(), readFile(dir / "copy.dcm"), f.blanks())) << "bulk " << bulk;
        // The same object again, now with a buffer of the larger size.
        ASSERT_TRUE(anonymizer.anonymizeFile(dir / "src.dcm", dir / "copy2.dcm", report));
        EXPECT_EQ(readFile(dir / "copy2.dcm"), readFile(dir / "copy.dcm"));
    }
}

TEST(AnonymizeLarge, TailCopiedAcrossFileSystems) {
    // A source on another file system (tmpfs here) cannot be copied inside
    // the kernel; the tail goes through memory instead, with the same result.
    struct stat shm {};
    struct stat tmp {};
    TempFolder dir;
    if (::stat("/dev/shm", &shm) != 0 || ::stat(dir.path().c_str(), &tmp) != 0 || shm.st_dev == tmp.st_dev)
        GTEST_SKIP() << "no second file system";
    const std::string source = "/dev/shm/veltor_anon_source_" + std::to_string(::getpid()) + ".dcm";
    AnonFileBuilder f = identifyingFile(Syntax::ExplicitLittle, AnonymizeOptions(), 0, 3000000);
    ASSERT_TRUE(writeFile(source, f.bytes().bytes()));
    Anonymizer anonymizer{AnonymizeOptions()};
    AnonymizeReport report;
    const bool ok = anonymizer.anonymizeFile(source, dir / "copy.dcm", report);
    ::unlink(source.c_str());
    ASSERT_TRUE(ok) << anonymizeMessage(report);
    EXPECT_TRUE(matchesExpectation(f.bytes().bytes(), readFile(dir / "copy.dcm"), f.blanks()));
}

INSTANTIATE_TEST_SUITE_P(Syntaxes, AnonymizeSyntax,
                         ::testing::Values(Syntax::ExplicitLittle, Syntax::ExplicitBig, Syntax::ImplicitLittle));

TEST(Anonymize, TwelveBytePatientNameBecomesTwelveSpacesAndStudyDateStays) {
    TempFolder dir;
    DicomBytes b(Syntax::ExplicitLittle);
    b.preamble(veltor::testing::syntaxUid(Syntax::ExplicitLittle));
    b.element(0x0008, 0x0020, "DA", "20240229");
    b.element(0x0010, 0x0010, "PN", "DOE^JOHNATHN");
    const size_t nameAt = b.size() - 12;
    ASSERT_TRUE(writeFile(dir / "src.dcm", b.bytes()));
    ASSERT_EQ(anonymizeWithParse(dir / "src.dcm", dir / "copy.dcm", AnonymizeOptions()).result, 1);
    const std::vector<uint8_t> copy = readFile(dir / "copy.dcm");
    ASSERT_EQ(copy.size(), b.size());
    EXPECT_EQ(std::string(copy.begin() + static_cast<long>(nameAt), copy.end()), std::string(12, ' '));
    EXPECT_NE(std::search(copy.begin(), copy.end(), b.bytes().begin() + static_cast<long>(nameAt) - 16,
                          b.bytes().begin() + static_cast<long>(nameAt) - 8),
              copy.end())
        << "the study date is gone";
}

TEST(Anonymize, BurnedInFlagIsReadCaseInsensitivelyAsYes) {
    struct Case {
        const char* value;
        bool attention2;
        bool warned;
    } cases[] = {
        {"YES", true, true},  {"YES ", true, true}, {"yes ", true, true}, {"Yes", true, true},
        {"NO", true, false},  {"YESS", true, false}, {" YES", true, false}, {"", true, false},
        {"YES ", false, false},
    };
    for (const Case& c : cases) {
        DicomBytes b(Syntax::ExplicitLittle);
        b.preamble(veltor::testing::syntaxUid(Syntax::ExplicitLittle));
        b.element(0x0028, 0x0301, "CS", c.value);
        DicomFile dataset;
        ASSERT_TRUE(dataset.openMemory(b.bytes().data(), b.size(), true));
        AnonymizeOptions options;
        options.attention2 = c.attention2;
        AnonymizeReport report;
        std::vector<uint8_t> bytes = b.bytes();
        anonymizeBytes(bytes.data(), bytes.size(), dataset, options, report);
        EXPECT_EQ(report.burnedIn, c.warned) << "'" << c.value << "' attention2=" << c.attention2;
    }
    const std::string warning = burnedInWarning("/data/scans/ct7.dcm");
    EXPECT_NE(warning.find("ct7.dcm"), std::string::npos);
    EXPECT_EQ(warning.find("/data/scans"), std::string::npos);
    EXPECT_NE(warning.find("burned-in"), std::string::npos);
}

TEST(Anonymize, ValuesOutsideTheBytesAreSkipped) {
    AnonymizeOptions options;
    DicomBytes b(Syntax::ExplicitLittle);
    b.preamble(veltor::testing::syntaxUid(Syntax::ExplicitLittle));
    b.element(0x0010, 0x0020, "LO", "PID-0001");
    b.element(0x0010, 0x0010, "PN", "DOE^JOHNATHN");
    DicomFile dataset;
    ASSERT_TRUE(dataset.openMemory(b.bytes().data(), b.size(), true));
    // The same data set over fewer bytes (a file that shrank, a data set of
    // another file): the name runs past the end and must not be written.
    const size_t shorter = b.size() - 4;
    std::vector<uint8_t> bytes(b.bytes().begin(), b.bytes().begin() + static_cast<long>(shorter));
    AnonymizeReport report;
    anonymizeBytes(bytes.data(), bytes.size(), dataset, options, report);
    EXPECT_EQ(report.blanked, 1u);
    EXPECT_EQ(report.outOfFile, 1u);
    EXPECT_EQ(std::string(bytes.end() - 8, bytes.end()), "DOE^JOHN");
}

TEST(Anonymize, UndefinedLengthValueIsSkippedWhileItsItemsAreWalked) {
    // Implicit VR: a chosen element of undefined length holds items; it has
    // no value bytes of its own, but the names in its items still go.
    DicomBytes b(Syntax::ImplicitLittle);
    b.preamble(veltor::testing::syntaxUid(Syntax::ImplicitLittle));
    b.tag(0x0010, 0x1001).u32(kUndefinedLength).item(kUndefinedLength);
    b.element(0x0010, 0x0010, "PN", "INNER^NAME");
    const size_t innerAt = b.size() - 10;
    b.itemEnd().sequenceEnd();
    DicomFile dataset;
    ASSERT_TRUE(dataset.openMemory(b.bytes().data(), b.size(), true));
    std::vector<uint8_t> bytes = b.bytes();
    AnonymizeReport report;
    anonymizeBytes(bytes.data(), bytes.size(), dataset, AnonymizeOptions(), report);
    EXPECT_EQ(report.outOfFile, 1u);
    EXPECT_EQ(report.blanked, 1u);
    std::vector<uint8_t> expected = b.bytes();
    std::fill(expected.begin() + static_cast<long>(innerAt), expected.begin() + static_cast<long>(innerAt) + 10, ' ');
    EXPECT_EQ(bytes, expected);
}

TEST(AnonymizeFailures, SourceMessagesAreTheExactTexts) {
    TempFolder dir;
    DicomFile empty;
    AnonymizeReport report;
    EXPECT_EQ(AnonymizeFileBytes((dir / "missing.dcm").c_str(), empty, (dir / "out.dcm").c_str(),
                                 AnonymizeOptions(), report),
              0);
    EXPECT_EQ(report.failure, AnonymizeFailure::SourceNotFound);
    EXPECT_EQ(anonymizeMessage(report), dir / "missing.dcm" + "    \n File not found!");

    ASSERT_TRUE(writeFile(dir / "zero.dcm", {}));
    EXPECT_EQ(AnonymizeFileBytes((dir / "zero.dcm").c_str(), empty, (dir / "out.dcm").c_str(),
                                 AnonymizeOptions(), report),
              0);
    EXPECT_EQ(anonymizeMessage(report), "File has zero length.    ");
    EXPECT_EQ(anonymizeMessageLine(report), dir / "zero.dcm" + ": File has zero length.");

    // A folder or a pipe is not a file to copy; the pipe must not block.
    EXPECT_EQ(AnonymizeFileBytes(dir.path().c_str(), empty, (dir / "out.dcm").c_str(), AnonymizeOptions(), report), 0);
    EXPECT_EQ(report.failure, AnonymizeFailure::SourceNotFound);
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    Anonymizer anonymizer{AnonymizeOptions()};
    EXPECT_FALSE(anonymizer.anonymizeFile(dir / "pipe", dir / "out.dcm", report));
    EXPECT_EQ(report.failure, AnonymizeFailure::SourceNotFound);
    EXPECT_FALSE(fileExists(dir / "out.dcm"));
}

TEST(AnonymizeFailures, DataSetOfAnotherOrBrokenFileIsRefused) {
    TempFolder dir;
    AnonFileBuilder f = identifyingFile(Syntax::ExplicitLittle, AnonymizeOptions());
    ASSERT_TRUE(writeFile(dir / "src.dcm", f.bytes().bytes()));
    DicomBytes other(Syntax::ExplicitLittle);
    other.preamble(veltor::testing::syntaxUid(Syntax::ExplicitLittle));
    other.element(0x0010, 0x0010, "PN", "SOMEONE^ELSE");
    DicomFile otherSet;
    ASSERT_TRUE(otherSet.openMemory(other.bytes().data(), other.size(), true));
    AnonymizeReport report;
    EXPECT_EQ(AnonymizeFileBytes((dir / "src.dcm").c_str(), otherSet, (dir / "a.dcm").c_str(), AnonymizeOptions(), report), 0);
    EXPECT_EQ(report.failure, AnonymizeFailure::SourceChanged);

    // A parse that failed part-way would leave the later values in the copy.
    std::vector<uint8_t> broken = f.bytes().bytes();
    const std::string name = "DOE^JOHNATHN";
    broken.resize(static_cast<size_t>(std::search(broken.begin(), broken.end(), name.begin(), name.end()) -
                                      broken.begin()) + 5);
    ASSERT_TRUE(writeFile(dir / "broken.dcm", broken));
    DicomFile brokenSet;
    ASSERT_TRUE(brokenSet.openFile((dir / "broken.dcm").c_str(), true));
    ASSERT_TRUE(brokenSet.truncated());
    EXPECT_EQ(AnonymizeFileBytes((dir / "broken.dcm").c_str(), brokenSet, (dir / "b.dcm").c_str(), AnonymizeOptions(), report), 0);
    EXPECT_EQ(report.failure, AnonymizeFailure::NotDicom);

    Anonymizer anonymizer{AnonymizeOptions()};
    EXPECT_FALSE(anonymizer.anonymizeFile(dir / "broken.dcm", dir / "c.dcm", report));
    EXPECT_EQ(report.failure, AnonymizeFailure::NotDicom);
    EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"broken.dcm", "src.dcm"}));
}

TEST(AnonymizeFailures, ADocumentBuiltFromARasterImageIsNoSourceToOverwrite) {
    // A 2 x 2 24-bit BMP opens as a Secondary Capture data set whose records
    // describe values that are not bytes of the file.
    std::vector<uint8_t> bmp = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0,
                                1, 0, 24, 0, 0, 0, 0, 0, 16, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0,
                                0, 0, 0, 0};
    for (int i = 0; i < 16; ++i) bmp.push_back(static_cast<uint8_t>(i * 9));
    TempFolder dir;
    ASSERT_TRUE(writeFile(dir / "picture.bmp", bmp));
    DicomFile dataset;
    ASSERT_TRUE(dataset.openFile((dir / "picture.bmp").c_str(), false)) << int(dataset.status());
    AnonymizeReport report;
    EXPECT_EQ(AnonymizeFileBytes((dir / "picture.bmp").c_str(), dataset, (dir / "copy.bmp").c_str(),
                                 AnonymizeOptions(), report),
              0);
    EXPECT_EQ(report.failure, AnonymizeFailure::NotDicom);
    EXPECT_EQ(readFile(dir / "picture.bmp"), bmp);
    EXPECT_FALSE(fileExists(dir / "copy.bmp"));
}

TEST(AnonymizeFailures, DeflatedDataSetIsNeverCopied) {
    // A meta group naming deflate, followed by bytes that would parse as
    // plain elements: they are not the values, so nothing can be blanked.
    // Whether the parser or the anonymizer refuses it, no copy appears.
    TempFolder dir;
    DicomBytes b(Syntax::ExplicitLittle);
    b.preamble("1.2.840.10008.1.2.1.99");
    b.element(0x0010, 0x0010, "PN", "DOE^JOHNATHN");
    ASSERT_TRUE(writeFile(dir / "deflated.dcm", b.bytes()));
    DicomFile dataset;
    dataset.openFile((dir / "deflated.dcm").c_str(), true);
    AnonymizeReport report;
    EXPECT_EQ(AnonymizeFileBytes((dir / "deflated.dcm").c_str(), dataset, (dir / "a.dcm").c_str(),
                                 AnonymizeOptions(), report),
              0);
    EXPECT_TRUE(report.failure == AnonymizeFailure::Deflated || report.failure == AnonymizeFailure::NotDicom);
    Anonymizer anonymizer{AnonymizeOptions()};
    EXPECT_FALSE(anonymizer.anonymizeFile(dir / "deflated.dcm", dir / "b.dcm", report));
    EXPECT_TRUE(report.failure == AnonymizeFailure::Deflated || report.failure == AnonymizeFailure::NotDicom);
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"deflated.dcm"});
}

TEST(AnonymizeTargets, TargetThatIsTheSourceIsRefusedUnderAnyName) {
    TempFolder dir;
    AnonFileBuilder f = identifyingFile(Syntax::ExplicitLittle, AnonymizeOptions());
    ASSERT_TRUE(writeFile(dir / "src.dcm", f.bytes().bytes()));
    ASSERT_EQ(::link((dir / "src.dcm").c_str(), (dir / "hard.dcm").c_str()), 0);
    ASSERT_EQ(::symlink((dir / "src.dcm").c_str(), (dir / "soft.dcm").c_str()), 0);
    ASSERT_EQ(::mkdir((dir / "sub").c_str(), 0755), 0);
    for (const std::string& target :
         {dir / "src.dcm", dir / "./src.dcm", dir / "sub/../src.dcm", dir / "hard.dcm", dir / "soft.dcm"}) {
        const Outcome o = anonymizeWithParse(dir / "src.dcm", target, AnonymizeOptions());
        EXPECT_EQ(o.result, 0) << target;
        EXPECT_EQ(o.report.failure, AnonymizeFailure::TargetIsSource) << target;
        EXPECT_EQ(anonymizeMessage(o.report).rfind(target + "    \n File not created!", 0), 0u);
    }
    EXPECT_EQ(readFile(dir / "src.dcm"), f.bytes().bytes());
    EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"hard.dcm", "soft.dcm", "src.dcm", "sub"}));
}

TEST(AnonymizeTargets, LongerReadOnlyTargetIsReplacedByACopyOfTheSourceLength) {
    TempFolder dir;
    AnonymizeOptions options;
    AnonFileBuilder f = identifyingFile(Syntax::ExplicitLittle, options);
    ASSERT_TRUE(writeFile(dir / "src.dcm", f.bytes().bytes()));
    ASSERT_TRUE(writeFile(dir / "copy.dcm", std::vector<uint8_t>(f.bytes().size() * 3, 0xAB)));
    ASSERT_EQ(::chmod((dir / "copy.dcm").c_str(), 0444), 0);
    const Outcome o = anonymizeWithParse(dir / "src.dcm", dir / "copy.dcm", options);
    ASSERT_EQ(o.result, 1) << anonymizeMessage(o.report);
    EXPECT_TRUE(matchesExpectation(f.bytes().bytes(), readFile(dir / "copy.dcm"), f.blanks()));
    struct stat st {};
    ASSERT_EQ(::stat((dir / "copy.dcm").c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u) << "the copy is read-only";
    EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"copy.dcm", "src.dcm"}));
}

TEST(AnonymizeTargets, FailedWriteLeavesTheExistingTargetIntact) {
    TempFolder dir;
    AnonFileBuilder f = identifyingFile(Syntax::ExplicitLittle, AnonymizeOptions());
    std::vector<uint8_t> source = f.bytes().bytes();
    source.resize(source.size() + 200000, 0x11); // trailing bytes, beyond the size limit below
    ASSERT_TRUE(writeFile(dir / "src.dcm", source));
    const std::vector<uint8_t> previous(5000, 0x5A);
    ASSERT_TRUE(writeFile(dir / "copy.dcm", previous));
    DicomFile dataset;
    ASSERT_TRUE(dataset.openFile((dir / "src.dcm").c_str(), true));
    // The copy is written by a child process whose file size limit is below
    // the source size: the write fails part-way, as on a full disk.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100000, 100000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        // Both ways of writing: the whole file from memory, and the header
        // from memory with the rest copied from the source.
        AnonymizeReport report;
        const int result = AnonymizeFileBytes((dir / "src.dcm").c_str(), dataset, (dir / "copy.dcm").c_str(),
                                              AnonymizeOptions(), report);
        const bool first = result == 0 && report.failure == AnonymizeFailure::TargetNotCreated;
        Anonymizer anonymizer{AnonymizeOptions()};
        const bool second = !anonymizer.anonymizeFile(dir / "src.dcm", dir / "copy.dcm", report) &&
                            report.failure == AnonymizeFailure::TargetNotCreated;
        ::_exit(first && second ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failure was not reported";
    EXPECT_EQ(readFile(dir / "copy.dcm"), previous);
    EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"copy.dcm", "src.dcm"})) << "a temporary file was left";
    EXPECT_EQ(readFile(dir / "src.dcm"), source);
}

TEST(AnonymizeTargets, UnwritablePlacesFailWithoutLeftovers) {
    TempFolder dir;
    AnonFileBuilder f = identifyingFile(Syntax::ExplicitLittle, AnonymizeOptions());
    ASSERT_TRUE(writeFile(dir / "src.dcm", f.bytes().bytes()));
    const Outcome missing = anonymizeWithParse(dir / "src.dcm", dir / "no/such/folder/copy.dcm", AnonymizeOptions());
    EXPECT_EQ(missing.result, 0);
    EXPECT_EQ(anonymizeMessage(missing.report), dir / "no/such/folder/copy.dcm" + "    \n File not created!");
    EXPECT_FALSE(missing.report.reason.empty());

    ASSERT_EQ(::mkdir((dir / "folder").c_str(), 0755), 0);
    ASSERT_TRUE(writeFile(dir / "folder/keep", {1, 2, 3}));
    const Outcome folder = anonymizeWithParse(dir / "src.dcm", dir / "folder", AnonymizeOptions());
    EXPECT_EQ(folder.result, 0);
    EXPECT_EQ(folder.report.failure, AnonymizeFailure::TargetNotCreated);
    EXPECT_EQ(readFile(dir / "folder/keep"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"folder", "src.dcm"}));
}

// Files written by DCMTK: every chosen element present once, names in items,
// private elements, in three encodings.
class AnonymizeFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(AnonymizeFixture, CopyDiffersFromItsSourceOnlyInTheChosenValues) {
    const std::string source = std::string(VELTOR_TEST_DATA) + "/" + GetParam();
    const std::vector<uint8_t> before = readFile(source);
    ASSERT_FALSE(before.empty()) << source;
    TempFolder dir;
    Anonymizer anonymizer{AnonymizeOptions()};
    AnonymizeReport report;
    ASSERT_TRUE(anonymizer.anonymizeFile(source, dir / "copy.dcm", report)) << anonymizeMessage(report);
    EXPECT_TRUE(report.burnedIn);
    const std::vector<uint8_t> copy = readFile(dir / "copy.dcm");
    EXPECT_EQ(readFile(source), before) << "the source changed";

    DicomFile original;
    DicomFile anonymized;
    ASSERT_TRUE(original.openFile(source.c_str(), false));
    ASSERT_TRUE(anonymized.openFile((dir / "copy.dcm").c_str(), false));
    ASSERT_EQ(anonymized.elementCount(), original.elementCount());
    const bool implicit = original.implicitVr();
    std::vector<bool> changed(before.size(), false);
    int chosenSeen = 0;
    std::function<void(const DicomElement&, const DicomElement&, bool)> compare =
        [&](const DicomElement& a, const DicomElement& b, bool nested) {
            ASSERT_EQ(a.group, b.group);
            ASSERT_EQ(a.element, b.element);
            ASSERT_EQ(a.length, b.length);
            ASSERT_EQ(a.valueOffset, b.valueOffset);
            // Records without value bytes (sequences, pixel data) compare empty.
            auto valueOf = [](const DicomElement& e) {
                return e.value == nullptr || e.length == kUndefinedLength
                           ? std::string()
                           : std::string(reinterpret_cast<const char*>(e.value), e.length);
            };
            const std::string was = valueOf(a);
            const std::string now = valueOf(b);
            // The chosen elements go at every depth.
            const bool chosen = anonymizedElementIndex(a.group, a.element) >= 0;
            const bool privatePn = !nested && (a.group & 1) && std::strcmp(a.vr, "PN") == 0;
            const bool nestedPn = nested && std::strcmp(a.vr, "PN") == 0;
            if (chosen && !nested) ++chosenSeen;
            if ((chosen || privatePn || nestedPn) && a.value != nullptr) {
                EXPECT_EQ(now, std::string(a.length, ' ')) << std::hex << a.group << "," << a.element;
                for (uint32_t i = 0; i < a.length; ++i) changed[a.valueOffset + i] = true;
            } else {
                EXPECT_EQ(now, was) << std::hex << a.group << "," << a.element;
            }
            ASSERT_EQ(a.childCount, b.childCount);
            for (int32_t i = 0; i < a.childCount; ++i) compare(a.children[i], b.children[i], true);
        };
    for (size_t i = 0; i < original.elements().size(); ++i)
        compare(original.elements()[i], anonymized.elements()[i], false);
    EXPECT_EQ(chosenSeen, 36);
    ASSERT_EQ(copy.size(), before.size());
    for (size_t i = 0; i < copy.size(); ++i) {
        if (!changed[i]) {
            ASSERT_EQ(copy[i], before[i]) << "byte " << i;
        }
    }
    // The private PN is blanked where the file names its VR.
    const std::string privateName = "PRIVATE^PERSON";
    const bool stillThere =
        std::search(copy.begin(), copy.end(), privateName.begin(), privateName.end()) != copy.end();
    EXPECT_EQ(stillThere, implicit);
    for (const char* gone : {"DOE^JOHNATHN", "DEEPLY^NESTED", "NESTED^REFERRER", "SAINT ELSEWHERE", "NESTEDID"}) {
        const std::string s(gone);
        EXPECT_EQ(std::search(copy.begin(), copy.end(), s.begin(), s.end()), copy.end()) << gone;
    }
    for (const char* kept : {"private text", "20240229"}) {
        const std::string s(kept);
        EXPECT_NE(std::search(copy.begin(), copy.end(), s.begin(), s.end()), copy.end()) << kept;
    }
}

INSTANTIATE_TEST_SUITE_P(Dcmtk, AnonymizeFixture,
                         ::testing::Values("anon_evle.dcm", "anon_evbe.dcm", "anon_ivle.dcm"));

} // namespace
