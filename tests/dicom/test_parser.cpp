// DicomFile parsing: layouts, encodings, sequences, refills and failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

#include "dicom/dicom_file.h"
#include "dicom_bytes.h"

using namespace veltor;
using veltor::testing::DicomBytes;
using veltor::testing::Syntax;

namespace {

std::string writeTemp(const std::vector<uint8_t>& bytes, const char* name) {
    std::string path = ::testing::TempDir() + "veltor_parser_" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f != nullptr) {
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

// Header-only by default: most cases here have no pixel data, which a full
// open requires.
bool openBytes(DicomFile& file, const std::vector<uint8_t>& bytes, bool headerOnly = true) {
    return file.openMemory(bytes.data(), bytes.size(), headerOnly);
}

// A Part 10 file in `syntax` with a few ordinary elements.
DicomBytes smallFile(Syntax syntax) {
    DicomBytes b(syntax);
    b.preamble(veltor::testing::syntaxUid(syntax));
    b.element(0x0008, 0x0060, "CS", "CT");
    b.element(0x0010, 0x0010, "PN", "DOE^JOHN");
    b.element(0x0028, 0x0010, "US", std::string("\x00\x02", 2));
    return b;
}

} // namespace

TEST(ParserFileAccess, MissingEmptyAndShortFiles) {
    DicomFile file;
    EXPECT_FALSE(file.openFile("/nonexistent/veltor/file.dcm", false));
    EXPECT_EQ(file.status(), DicomError::FileNotFound);

    const std::string empty = writeTemp({}, "empty");
    EXPECT_FALSE(file.openFile(empty.c_str(), false));
    EXPECT_EQ(file.status(), DicomError::FileIo);

    const std::string shortFile = writeTemp(std::vector<uint8_t>(131, 0), "short");
    EXPECT_FALSE(file.openFile(shortFile.c_str(), true));
    EXPECT_EQ(file.status(), DicomError::UnknownFormat);
    EXPECT_STREQ(file.filePath(), shortFile.c_str());

    EXPECT_FALSE(file.openFile(::testing::TempDir().c_str(), false));
    EXPECT_EQ(file.status(), DicomError::FileNotFound);
    std::remove(empty.c_str());
    std::remove(shortFile.c_str());
}

TEST(ParserLayouts, BareImplicitDataSetOpens) {
    DicomBytes b(Syntax::ImplicitLittle);
    b.element(0x0008, 0x0005, "CS", "ISO_IR 100");
    b.element(0x0008, 0x0060, "CS", "MR");
    b.element(0x0010, 0x0010, "PN", std::string(120, 'A')); // past 132 bytes
    DicomFile file;
    ASSERT_TRUE(openBytes(file, b.bytes()));
    EXPECT_FALSE(file.hasMetaHeader());
    EXPECT_TRUE(file.implicitVr());
    ASSERT_EQ(file.elementCount(), 3);
    DicomElement e;
    ASSERT_TRUE(file.elementAt(1, e));
    EXPECT_STREQ(e.name, "Modality");
    EXPECT_STREQ(e.vr, "CS");
    EXPECT_STREQ(e.text(), "MR");
}

TEST(ParserLayouts, TextFileIsNotDicom) {
    std::string text = "This is a plain text file, not an image. ";
    while (text.size() < 300) text += text;
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    DicomFile file;
    EXPECT_FALSE(openBytes(file, bytes));
    EXPECT_EQ(file.status(), DicomError::UnsupportedDicom);
}

TEST(ParserLayouts, UnknownVrInMetaGroupRereadsEverythingAsImplicit) {
    DicomBytes b(Syntax::ImplicitLittle);
    b.bytes().resize(128, 0);
    b.raw("DICM");
    // implicit VR meta group: the length bytes stand where a VR is expected
    b.element(0x0002, 0x0001, "OB", std::string("\0\1", 2));
    b.element(0x0002, 0x0010, "UI", DicomBytes::padUid("1.2.840.10008.1.2"));
    b.element(0x0008, 0x0060, "CS", "CT");
    DicomFile file;
    ASSERT_TRUE(openBytes(file, b.bytes()));
    EXPECT_TRUE(file.hasMetaHeader());
    EXPECT_TRUE(file.implicitVr());
    ASSERT_EQ(file.elementCount(), 3);
    DicomElement e;
    ASSERT_TRUE(file.elementAt(1, e));
    EXPECT_STREQ(e.uidName, "Implicit VR Little Endian");
    ASSERT_TRUE(file.findElementByTag(0x0008, 0x0060, e));
    EXPECT_STREQ(e.text(), "CT");
}

TEST(ParserLayouts, WithoutTransferSyntaxTheFirstElementTellsTheEncoding) {
    for (Syntax syntax : {Syntax::ExplicitLittle, Syntax::ImplicitLittle, Syntax::ExplicitBig}) {
        DicomBytes b(syntax);
        b.preamble("");
        b.element(0x0008, 0x0060, "CS", "CT");
        b.element(0x0028, 0x0010, "US", std::string("\x00\x02", 2));
        DicomFile file;
        ASSERT_TRUE(openBytes(file, b.bytes(), true)) << int(syntax);
        ASSERT_EQ(file.elementCount(), 3);
        DicomElement e;
        ASSERT_TRUE(file.findElementByTag(0x0008, 0x0060, e));
        EXPECT_STREQ(e.text(), "CT");
        ASSERT_TRUE(file.findElementByTag(0x0028, 0x0010, e));
        EXPECT_EQ(e.number, syntax == Syntax::ExplicitBig ? 2 : 512) << int(syntax);
        EXPECT_EQ(file.implicitVr(), syntax == Syntax::ImplicitLittle);
        EXPECT_EQ(file.bigEndian(), syntax == Syntax::ExplicitBig);
    }
}

TEST(ParserLayouts, TransferSyntaxThatDisagreesWithTheData) {
    // Implicit data under an explicit transfer syntax, and the reverse.
    for (Syntax data : {Syntax::ImplicitLittle, Syntax::ExplicitLittle}) {
        DicomBytes b(data);
        b.preamble(data == Syntax::ImplicitLittle ? "1.2.840.10008.1.2.1" : "1.2.840.10008.1.2");
        b.element(0x0008, 0x0060, "CS", "MR");
        b.element(0x0010, 0x0010, "PN", "DOE^JOHN");
        DicomFile file;
        ASSERT_TRUE(openBytes(file, b.bytes(), true));
        EXPECT_EQ(file.implicitVr(), data == Syntax::ImplicitLittle);
        DicomElement e;
        ASSERT_TRUE(file.findElementByTag(0x0010, 0x0010, e));
        EXPECT_STREQ(e.text(), "DOE^JOHN");
        EXPECT_FALSE(file.warnings().empty());
    }
}

TEST(ParserLayouts, BareExplicitDataSets) {
    for (Syntax syntax : {Syntax::ExplicitLittle, Syntax::ExplicitBig}) {
        DicomBytes b(syntax);
        b.element(0x0008, 0x0005, "CS", "ISO_IR 100");
        b.element(0x0008, 0x0060, "CS", "CT");
        b.element(0x0010, 0x0010, "PN", std::string(120, 'A'));
        DicomFile file;
        ASSERT_TRUE(openBytes(file, b.bytes(), true)) << int(syntax);
        EXPECT_FALSE(file.hasMetaHeader());
        EXPECT_FALSE(file.implicitVr());
        EXPECT_EQ(file.bigEndian(), syntax == Syntax::ExplicitBig);
        EXPECT_EQ(file.elementCount(), 3);
    }
}

TEST(ParserLayouts, TransferSyntaxPaddedWithSpace) {
    DicomBytes b(Syntax::ExplicitBig);
    b.bytes().resize(128, 0);
    b.raw("DICM");
    b.setSyntax(Syntax::ExplicitLittle);
    b.element(0x0002, 0x0010, "UI", "1.2.840.10008.1.2.2 "); // space-padded big endian
    b.setSyntax(Syntax::ExplicitBig);
    b.element(0x0008, 0x0060, "CS", "CT");
    DicomFile file;
    ASSERT_TRUE(openBytes(file, b.bytes()));
    EXPECT_STREQ(file.compression(), "NONE");
    const std::string path = writeTemp(b.bytes(), "padded_ts");
    ASSERT_TRUE(file.openForListing(path.c_str()));
    std::remove(path.c_str());
    EXPECT_TRUE(file.bigEndian());
    EXPECT_FALSE(file.implicitVr());
    DicomElement e;
    ASSERT_TRUE(file.elementAt(0, e));
    EXPECT_EQ(e.uidName, nullptr);
    ASSERT_TRUE(file.elementAt(1, e));
    EXPECT_STREQ(e.text(), "CT");
}

TEST(ParserEncodings, SameElementsInEveryEncoding) {
    for (Syntax s : {Syntax::ImplicitLittle, Syntax::ExplicitLittle, Syntax::ExplicitBig}) {
        DicomBytes b = smallFile(s);
        DicomFile file;
        ASSERT_TRUE(openBytes(file, b.bytes())) << static_cast<int>(s);
        EXPECT_EQ(file.implicitVr(), s == Syntax::ImplicitLittle);
        EXPECT_EQ(file.bigEndian(), s == Syntax::ExplicitBig);
        ASSERT_EQ(file.elementCount(), 5);
        DicomElement e;
        ASSERT_TRUE(file.findElementByTag(0x0028, 0x0010, e));
        EXPECT_STREQ(e.name, "Rows");
        EXPECT_STREQ(e.vr, "US");
        EXPECT_EQ(e.length, 2u);
        ASSERT_TRUE(file.findElementByTag(0x0010, 0x0010, e));
        EXPECT_STREQ(e.text(), "DOE^JOHN");
        EXPECT_EQ(e.valueOffset + e.length, b.size() - 10);
        EXPECT_FALSE(file.findElementByTag(0x0010, 0x0020, e));
    }
}

TEST(ParserEncodings, BigEndianNumbersAreConvertedButValuesKeptAsStored) {
    DicomBytes b(Syntax::ExplicitBig);
    b.preamble("1.2.840.10008.1.2.2");
    b.element(0x0028, 0x0010, "US", std::string("\x02\x00", 2));
    b.element(0x0028, 0x1052, "SL", std::string("\xFF\xFF\xFC\x00", 4));
    DicomFile file;
    ASSERT_TRUE(openBytes(file, b.bytes()));
    DicomElement e;
    ASSERT_TRUE(file.findElementByTag(0x0028, 0x0010, e));
    EXPECT_EQ(e.number, 512);
    EXPECT_EQ(e.value[0], 0x02);
    EXPECT_EQ(e.value[1], 0x00);
    ASSERT_TRUE(file.findElementByTag(0x0028, 0x1052, e));
    EXPECT_EQ(e.number, -1024);
}

TEST(ParserEncodings, ExplicitLengthForms) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    // UT takes the 16-bit length like any short VR ...
    b.tag(0x0020, 0x4000).raw("UT").u16(4).raw("NOTE");
    // ... unless that field is zero: then the 32-bit length follows, as
    // current writers store UT and the newer long VRs
    b.tag(0x0040, 0xA160).raw("UT").u16(0).u32(6).raw("LONGER");
    b.tag(0x0040, 0xA161).raw("UC").u16(0).u32(2).raw("uc");
    // UN with a zero 16-bit field takes the 32-bit length after it
    b.tag(0x0009, 0x0010).raw("UN").u16(0).u32(6).raw("ABCDEF");
    // OB with a non-zero 16-bit field keeps it
    b.tag(0x0009, 0x0011).raw("OB").u16(2).raw("xy");
    // an unknown VR is read with the short form
    b.tag(0x0009, 0x0012).raw("UC").u16(2).raw("ab");
    DicomFile file;
    ASSERT_TRUE(openBytes(file, b.bytes()));
    DicomElement e;
    ASSERT_TRUE(file.findElementByTag(0x0020, 0x4000, e));
    EXPECT_STREQ(e.text(), "NOTE");
    ASSERT_TRUE(file.findElementByTag(0x0040, 0xA160, e));
    EXPECT_STREQ(e.text(), "LONGER");
    ASSERT_TRUE(file.findElementByTag(0x0040, 0xA161, e));
    EXPECT_STREQ(e.text(), "uc");
    ASSERT_TRUE(file.findElementByTag(0x0009, 0x0010, e));
    EXPECT_EQ(e.length, 6u);
    EXPECT_STREQ(e.text(), "ABCDEF");
    ASSERT_TRUE(file.findElementByTag(0x0009, 0x0011, e));
    EXPECT_STREQ(e.text(), "xy");
    ASSERT_TRUE(file.findElementByTag(0x0009, 0x0012, e));
    EXPECT_STREQ(e.vr, "UC");
    EXPECT_EQ(e.length, 2u);
}

TEST(ParserEncodings, ImplicitNamesVrsAndNumbers) {
    DicomBytes b(Syntax::ImplicitLittle);
    b.preamble("1.2.840.10008.1.2");
    b.element(0x0008, 0x1080, "LO", "FEVER ");
    b.element(0x0009, 0x1001, "LO", "PRIV");
    b.element(0x0018, 0x0050, "DS", "2.5 ");
    b.element(0x0020, 0x0013, "IS", "12\\34 ");
    DicomFile file;
    ASSERT_TRUE(openBytes(file, b.bytes()));
    DicomElement e;
    ASSERT_TRUE(file.findElementByTag(0x0008, 0x1080, e));
    EXPECT_STREQ(e.name, "Admitting Diagnoses Description LO");
    EXPECT_STREQ(e.vr, "");
    ASSERT_TRUE(file.findElementByTag(0x0009, 0x1001, e));
    EXPECT_STREQ(e.name, "");
    EXPECT_STREQ(e.vr, "  "); // refreshed on the copy: unknown tag
    EXPECT_STREQ(file.elements()[3].vr, "");
    ASSERT_TRUE(file.findElementByTag(0x0018, 0x0050, e));
    EXPECT_EQ(e.number, 2);
    ASSERT_TRUE(file.findElementByTag(0x0020, 0x0013, e));
    EXPECT_EQ(e.number, 12);
    EXPECT_STREQ(e.text(), "12\\34 ");
}

TEST(ParserEncodings, UidNamesAndOddLengthValues) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0008, 0x0016, "UI", std::string("1.2.840.10008.1.2.1\0", 20));
    b.element(0x0008, 0x0018, "UI", "1.2.840.10008.1.2.1 ");
    b.element(0x0010, 0x0010, "PN", "ABC"); // odd length as found in the wild
    DicomFile file;
    ASSERT_TRUE(openBytes(file, b.bytes()));
    DicomElement e;
    ASSERT_TRUE(file.elementAt(1, e));
    EXPECT_STREQ(e.uidName, "Explicit VR Little Endian");
    ASSERT_TRUE(file.findElementByTag(0x0008, 0x0016, e));
    EXPECT_STREQ(e.uidName, "Explicit VR Little Endian");
    ASSERT_TRUE(file.findElementByTag(0x0008, 0x0018, e));
    EXPECT_EQ(e.uidName, nullptr);
    ASSERT_TRUE(file.findElementByTag(0x0010, 0x0010, e));
    EXPECT_EQ(e.length, 3u);
    EXPECT_EQ(e.value[3], 0);
}

TEST(ParserSequences, DefinedAndUndefinedLengthsGiveTheSameChildren) {
    for (bool undefined : {false, true}) {
        DicomBytes b;
        b.preamble("1.2.840.10008.1.2.1");
        const uint32_t itemLength = 8 + 4; // one CS element of 4 bytes
        b.sequence(0x0008, 0x1140, undefined ? 0xFFFFFFFF : 3 * (8 + itemLength));
        for (const char* v : {"AAAA", "BBBB", "CCCC"}) {
            b.item(undefined ? 0xFFFFFFFF : itemLength);
            b.element(0x0008, 0x0060, "CS", v);
            if (undefined) b.itemEnd();
        }
        if (undefined) b.sequenceEnd();
        b.element(0x0010, 0x0010, "PN", "DOE ");
        DicomFile file;
        ASSERT_TRUE(openBytes(file, b.bytes())) << undefined;
        ASSERT_EQ(file.elementCount(), 4);
        DicomElement seq;
        ASSERT_TRUE(file.elementAt(2, seq));
        EXPECT_STREQ(seq.vr, "SQ");
        EXPECT_EQ(seq.length, 0u);
        EXPECT_EQ(seq.value, nullptr);
        ASSERT_EQ(seq.childCount, 3);
        EXPECT_STREQ(seq.children[0].text(), "AAAA");
        EXPECT_STREQ(seq.children[2].text(), "CCCC");
        DicomElement last;
        ASSERT_TRUE(file.elementAt(3, last));
        EXPECT_STREQ(last.text(), "DOE ");
    }
}

TEST(ParserSequences, ImplicitUndefinedLengthPrivateElementsNestAtEveryLevel) {
    DicomBytes b(Syntax::ImplicitLittle);
    b.preamble("1.2.840.10008.1.2");
    b.tag(0x0009, 0x1010).u32(0xFFFFFFFF);
    b.item(0xFFFFFFFF);
    b.tag(0x0009, 0x1020).u32(0xFFFFFFFF);
    b.item(0xFFFFFFFF);
    b.element(0x0010, 0x0010, "PN", "INNER ");
    b.itemEnd().sequenceEnd();
    b.itemEnd().sequenceEnd();
    b.element(0x0020, 0x0010, "SH", "1 ");
    DicomFile file;
    ASSERT_TRUE(openBytes(file, b.bytes()));
    ASSERT_EQ(file.elementCount(), 4);
    const DicomElement& outer = file.elements()[2];
    EXPECT_EQ(outer.length, 0xFFFFFFFFu);
    ASSERT_EQ(outer.childCount, 1);
    const DicomElement& inner = outer.children[0];
    EXPECT_EQ(inner.length, 0xFFFFFFFFu);
    ASSERT_EQ(inner.childCount, 1);
    EXPECT_STREQ(inner.children[0].text(), "INNER ");
}

TEST(ParserSequences, PixelDataInsideAnItemDoesNotStopTheParse) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.sequence(0x0088, 0x0200, 0xFFFFFFFF).item(0xFFFFFFFF);
    b.element(0x7FE0, 0x0010, "OB", "ICON");
    b.itemEnd().sequenceEnd();
    b.element(0x0010, 0x0010, "PN", "DOE ");
    DicomFile file;
    ASSERT_TRUE(openBytes(file, b.bytes()));
    ASSERT_EQ(file.elementCount(), 4);
    EXPECT_EQ(file.elements()[2].childCount, 1);
}

TEST(ParserSequences, NestingBeyondTheLimitIsRefused) {
    auto nested = [](int depth) {
        DicomBytes b;
        b.preamble("1.2.840.10008.1.2.1");
        for (int i = 0; i < depth; ++i) b.sequence(0x0008, 0x1140, 0xFFFFFFFF).item(0xFFFFFFFF);
        b.element(0x0008, 0x0060, "CS", "CT");
        for (int i = 0; i < depth; ++i) b.itemEnd().sequenceEnd();
        return b;
    };
    DicomFile file;
    DicomBytes ok = nested(kMaxSequenceDepth);
    EXPECT_TRUE(openBytes(file, ok.bytes()));
    DicomBytes deep = nested(1000);
    EXPECT_FALSE(openBytes(file, deep.bytes()));
    EXPECT_EQ(file.status(), DicomError::UnsupportedDicom);
}

TEST(ParserSequences, MissingDelimitersEndAtTheEndOfTheData) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.sequence(0x0008, 0x1140, 0xFFFFFFFF).item(0xFFFFFFFF);
    b.element(0x0008, 0x0060, "CS", "CT");
    DicomFile file;
    ASSERT_TRUE(openBytes(file, b.bytes()));
    EXPECT_TRUE(file.truncated());
    EXPECT_EQ(file.elementCount(), 3);
    EXPECT_EQ(file.elements()[2].childCount, 1);
}

TEST(ParserTruncation, LengthsBeyondTheFileKeepWhatIsThere) {
    for (uint32_t length : {0xFFFFFFFEu, 0x7FFFFFFFu, 100u}) {
        DicomBytes b;
        b.preamble("1.2.840.10008.1.2.1");
        b.element(0x0008, 0x0060, "CS", "CT");
        b.tag(0x0009, 0x0010).raw("OB").u16(0).u32(length).raw("short");
        DicomFile file;
        ASSERT_TRUE(openBytes(file, b.bytes())) << length;
        EXPECT_TRUE(file.truncated());
        DicomElement e;
        ASSERT_TRUE(file.findElementByTag(0x0009, 0x0010, e));
        EXPECT_EQ(e.length, 5u);
        EXPECT_STREQ(e.text(), "short");
        ASSERT_FALSE(file.warnings().empty());
        EXPECT_NE(file.warnings().back().find("(0009,0010)"), std::string::npos);
        // A full open does not take what is left for an object without pixels.
        EXPECT_FALSE(openBytes(file, b.bytes(), false));
        EXPECT_NE(file.errorReason().find("the file ends at byte"), std::string::npos) << file.errorReason();
    }
    // An image whose data ends before its pixel data is refused, with the reason.
    DicomBytes b = smallFile(Syntax::ExplicitLittle);
    b.element(0x0028, 0x0011, "US", std::string("\x00\x02", 2));
    b.tag(0x0009, 0x0010).raw("OB").u16(0).u32(4000).raw("short");
    DicomFile file;
    EXPECT_FALSE(openBytes(file, b.bytes(), false));
    EXPECT_NE(file.errorReason().find("before any pixel data"), std::string::npos) << file.errorReason();
}

TEST(ParserSequences, UndefinedLengthElementsInExplicitVrHoldItems) {
    // OB of undefined length, and UN of undefined length whose items are in
    // implicit VR little endian, in both explicit encodings.
    for (Syntax syntax : {Syntax::ExplicitLittle, Syntax::ExplicitBig}) {
        DicomBytes b(syntax);
        b.preamble(veltor::testing::syntaxUid(syntax));
        b.tag(0x0009, 0x0010).raw("OB").u16(0).u32(0xFFFFFFFF);
        b.item(0).sequenceEnd();
        b.tag(0x0009, 0x1020).raw("UN").u16(0).u32(0xFFFFFFFF);
        b.setSyntax(Syntax::ImplicitLittle);
        b.item(0xFFFFFFFF).element(0x0010, 0x0010, "PN", "DOE ").itemEnd().sequenceEnd();
        b.setSyntax(syntax);
        b.element(0x0010, 0x0020, "LO", "ID42");
        DicomFile file;
        ASSERT_TRUE(openBytes(file, b.bytes())) << int(syntax);
        EXPECT_FALSE(file.truncated());
        DicomElement e;
        ASSERT_TRUE(file.findElementByTag(0x0009, 0x1020, e));
        ASSERT_EQ(e.childCount, 1);
        EXPECT_STREQ(e.children[0].text(), "DOE ");
        ASSERT_TRUE(file.findElementByTag(0x0010, 0x0020, e));
        EXPECT_STREQ(e.text(), "ID42");
    }
}

TEST(ParserSequences, SequenceStoredAsUnIsReadAsImplicitItems) {
    // (0008,1140) is a sequence in the dictionary; stored as UN with a defined length.
    DicomBytes items(Syntax::ImplicitLittle);
    items.item(16).element(0x0008, 0x1150, "UI", "1.2.3.4 ");
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0008, 0x1140, "UN", std::string(items.bytes().begin(), items.bytes().end()));
    b.element(0x0009, 0x1001, "UN", std::string(items.bytes().begin(), items.bytes().end())); // unknown tag: bytes
    DicomFile file;
    ASSERT_TRUE(openBytes(file, b.bytes()));
    DicomElement e;
    ASSERT_TRUE(file.findElementByTag(0x0008, 0x1140, e));
    ASSERT_EQ(e.childCount, 1);
    EXPECT_STREQ(e.children[0].text(), "1.2.3.4 ");
    ASSERT_TRUE(file.findElementByTag(0x0009, 0x1001, e));
    EXPECT_EQ(e.childCount, 0);
    EXPECT_EQ(e.length, 24u);
}

TEST(ParserTruncation, TrailingBytesAfterTheLastElement) {
    DicomBytes b = smallFile(Syntax::ExplicitLittle);
    DicomFile file;
    ASSERT_TRUE(openBytes(file, b.bytes()));
    EXPECT_FALSE(file.truncated());
    b.u8(0).u8(0);
    ASSERT_TRUE(openBytes(file, b.bytes()));
    EXPECT_TRUE(file.truncated());
    EXPECT_EQ(file.elementCount(), 5);
}

TEST(ParserPixelData, ParseStopsOnThePixelGroup) {
    DicomBytes b = smallFile(Syntax::ExplicitLittle);
    const uint32_t pixelTag = static_cast<uint32_t>(b.size());
    b.element(0x7FE0, 0x0010, "OW", std::string(8, '\x01'));
    DicomFile file;
    ASSERT_TRUE(openBytes(file, b.bytes(), true));
    EXPECT_EQ(file.position(), pixelTag);
    EXPECT_EQ(file.elementCount(), 5);

    const std::string path = writeTemp(b.bytes(), "pixels");
    ASSERT_TRUE(file.openForListing(path.c_str()));
    ASSERT_EQ(file.elementCount(), 6);
    DicomElement e;
    ASSERT_TRUE(file.elementAt(5, e));
    EXPECT_STREQ(e.name, "Frame Data");
    EXPECT_STREQ(e.vr, "OW");
    EXPECT_EQ(e.length, 8u);
    EXPECT_EQ(e.valueOffset, pixelTag + 12);
    EXPECT_EQ(e.value, nullptr);

    // pixel data that the file does not hold: listed, and the file marked
    b.bytes().resize(b.size() - 4);
    const std::string cut = writeTemp(b.bytes(), "pixels_cut");
    ASSERT_TRUE(file.openForListing(cut.c_str()));
    EXPECT_TRUE(file.truncated());
    EXPECT_EQ(file.elementCount(), 6);
    std::remove(path.c_str());
    std::remove(cut.c_str());
}

TEST(ParserRefill, HeaderOnlyReadsPastTheFirstBlock) {
    // Elements that end exactly at byte 4096, then more elements.
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    const size_t fill = 4096 - b.size() - 8;
    b.element(0x0008, 0x0005, "LT", std::string(fill, 'x'));
    ASSERT_EQ(b.size(), 4096u);
    b.element(0x0008, 0x0060, "CS", "CT");
    b.element(0x0010, 0x0010, "PN", std::string(9000, 'P'));
    b.element(0x7FE0, 0x0010, "OW", std::string(20000, '\0'));
    const std::string path = writeTemp(b.bytes(), "refill");
    DicomFile file;
    ASSERT_TRUE(file.openFile(path.c_str(), true));
    ASSERT_EQ(file.elementCount(), 5);
    DicomElement e;
    ASSERT_TRUE(file.findElementByTag(0x0008, 0x0060, e));
    EXPECT_STREQ(e.text(), "CT");
    EXPECT_EQ(e.valueOffset, 4096u + 8u);
    ASSERT_TRUE(file.findElementByTag(0x0010, 0x0010, e));
    EXPECT_EQ(e.length, 9000u);
    EXPECT_EQ(e.value[8999], 'P');
    EXPECT_TRUE(file.headerOnly());
    std::remove(path.c_str());
}
