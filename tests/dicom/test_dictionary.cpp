// The data dictionary and UID tables, and the lookups the parser runs on every element.
#include "dicom/dicom_dictionary.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace veltor {
namespace {

using Tag = std::pair<uint16_t, uint16_t>;

// The VRs of a row's list, in order.
std::vector<std::string> vrList(const DictionaryEntry& entry) {
    std::vector<std::string> vrs;
    size_t i = 0;
    while (i + 2 < sizeof(entry.vrs) && entry.vrs[i] != '\0') {
        vrs.emplace_back(entry.vrs + i, 2);
        i += 3;
    }
    return vrs;
}

const DictionaryEntry& entryFor(uint16_t group, uint16_t element) {
    static const DictionaryEntry missing{};
    const DictionaryEntry* entry = findDictionaryEntry(group, element);
    EXPECT_NE(entry, nullptr) << std::hex << group << "," << element;
    return entry != nullptr ? *entry : missing;
}

DicomElement recordWith(const char* name, const char* vr) {
    DicomElement record;
    std::strcpy(record.name, name);
    std::strcpy(record.vr, vr);
    return record;
}

// ---------------------------------------------------------------------------
// Shape of the data dictionary

TEST(DicomDictionaryTable, GroupsHoldTheirEntryCounts) {
    const std::map<uint16_t, size_t> expected = {
        {0x0002, 10}, {0x0004, 19}, {0x0008, 100}, {0x0010, 32}, {0x0018, 291}, {0x0020, 32},
        {0x0028, 73}, {0x0032, 26}, {0x0038, 22},  {0x003A, 25}, {0x0040, 169}, {0x0050, 9},
        {0x0054, 78}, {0x0088, 8},  {0x2000, 15},  {0x2010, 18}, {0x2020, 8},   {0x2030, 3},
        {0x2040, 8},  {0x2050, 4},  {0x2100, 11},  {0x2110, 5},  {0x2120, 3},   {0x2130, 9},
        {0x3002, 17}, {0x3004, 22}, {0x3006, 44},  {0x300A, 224}, {0x300C, 25}, {0x300E, 4},
        {0x4008, 28}, {0x7FE0, 2},
    };
    std::map<uint16_t, size_t> counted;
    for (size_t i = 0; i < kDicomDictionarySize; ++i) ++counted[kDicomDictionary[i].group];
    EXPECT_EQ(counted, expected);
    EXPECT_EQ(kDicomDictionarySize, 1344u);
    EXPECT_EQ(counted.count(0xFFFE), 0u) << "item and delimitation tags are never named";
}

TEST(DicomDictionaryTable, TagsStrictlyAscend) {
    for (size_t i = 1; i < kDicomDictionarySize; ++i) {
        const DictionaryEntry& a = kDicomDictionary[i - 1];
        const DictionaryEntry& b = kDicomDictionary[i];
        ASSERT_LT(Tag(a.group, a.element), Tag(b.group, b.element)) << "row " << i;
    }
}

TEST(DicomDictionaryTable, RowsAreWellFormed) {
    for (size_t i = 0; i < kDicomDictionarySize; ++i) {
        const DictionaryEntry& entry = kDicomDictionary[i];
        const size_t nameLength = strnlen(entry.name, sizeof(entry.name));
        EXPECT_GT(nameLength, 0u) << "row " << i;
        // Names are copied into DicomElement::name whole.
        EXPECT_LT(nameLength, kElementNameSize) << entry.name;
        const std::vector<std::string> vrs = vrList(entry);
        EXPECT_LE(vrs.size(), 3u) << entry.name;
        for (const std::string& vr : vrs) {
            EXPECT_TRUE(vr[0] >= 'A' && vr[0] <= 'Z' && vr[1] >= 'A' && vr[1] <= 'Z') << entry.name;
        }
        // Every VR, the last one included, is followed by a NUL.
        EXPECT_EQ(entry.vrs[vrs.size() * 3], '\0') << entry.name;
    }
}

// ---------------------------------------------------------------------------
// Rows with a particular form

TEST(DicomDictionaryParticulars, PixelDataGroup) {
    const DictionaryEntry& frameData = entryFor(0x7FE0, 0x0010);
    EXPECT_STREQ(frameData.name, "Frame Data");
    EXPECT_EQ(vrList(frameData), (std::vector<std::string>{"OB", "OW"}));

    const DictionaryEntry& length = entryFor(0x7FE0, 0x0000);
    EXPECT_STREQ(length.name, "Group Length");
    EXPECT_EQ(vrList(length), std::vector<std::string>{"UL"});
}

TEST(DicomDictionaryParticulars, GroupLengthRows) {
    size_t count = 0;
    for (size_t i = 0; i < kDicomDictionarySize; ++i) {
        const DictionaryEntry& entry = kDicomDictionary[i];
        if (entry.element != 0x0000) continue;
        ++count;
        EXPECT_STREQ(entry.name, "Group Length") << std::hex << entry.group;
        EXPECT_EQ(vrList(entry), std::vector<std::string>{"UL"}) << std::hex << entry.group;
    }
    EXPECT_EQ(count, 23u);
    // Data sets built in memory store these group lengths and take their VRs from the table.
    for (uint16_t group : {0x0002, 0x0008, 0x0018, 0x0028}) {
        EXPECT_NE(findDictionaryEntry(group, 0x0000), nullptr) << std::hex << group;
    }
}

TEST(DicomDictionaryParticulars, RowsCarryingTheirVrInTheName) {
    const std::map<Tag, std::string> quoted = {
        {{0x0008, 0x0054}, "Retrieve AE Title AE"},
        {{0x0008, 0x0058}, "Failed SOP Instance UID List UI"},
        {{0x0008, 0x1080}, "Admitting Diagnoses Description LO"},
        {{0x0010, 0x1000}, "Other Patient IDs LO"},
        {{0x0028, 0x0009}, "Frame Increment Pointer AT"},
        {{0x0028, 0x3006}, "LUT Data US or SS"},
    };
    size_t count = 0;
    for (size_t i = 0; i < kDicomDictionarySize; ++i) {
        const DictionaryEntry& entry = kDicomDictionary[i];
        if (entry.vrs[0] != '\0') continue;
        ++count;
        // The name ends in a blank and a two-letter VR.
        const std::string name = entry.name;
        ASSERT_GE(name.size(), 4u) << name;
        EXPECT_EQ(name[name.size() - 3], ' ') << name;
        EXPECT_TRUE(std::isupper(static_cast<unsigned char>(name.back()))) << name;
    }
    EXPECT_EQ(count, 33u);
    for (const auto& [tag, name] : quoted) {
        const DictionaryEntry& entry = entryFor(tag.first, tag.second);
        EXPECT_EQ(std::string(entry.name), name);
        EXPECT_TRUE(vrList(entry).empty()) << name;
    }
}

TEST(DicomDictionaryParticulars, OnlyTheListedRowsOfferAChoiceOfVr) {
    const std::vector<std::string> usSs = {"US", "SS"};
    const std::vector<std::string> usSsOw = {"US", "SS", "OW"};
    const std::map<Tag, std::vector<std::string>> expected = {
        {{0x0028, 0x0104}, usSs},   {{0x0028, 0x0105}, usSs},   {{0x0028, 0x0106}, usSs},
        {{0x0028, 0x0107}, usSs},   {{0x0028, 0x0108}, usSs},   {{0x0028, 0x0109}, usSs},
        {{0x0028, 0x0110}, usSs},   {{0x0028, 0x0111}, usSs},   {{0x0028, 0x0120}, usSs},
        {{0x0028, 0x1101}, usSs},   {{0x0028, 0x1102}, usSs},   {{0x0028, 0x1103}, usSs},
        {{0x0028, 0x1201}, usSsOw}, {{0x0028, 0x1202}, usSsOw}, {{0x0028, 0x1203}, usSsOw},
        {{0x0028, 0x3002}, usSs},   {{0x7FE0, 0x0010}, {"OB", "OW"}},
    };
    std::map<Tag, std::vector<std::string>> found;
    for (size_t i = 0; i < kDicomDictionarySize; ++i) {
        const DictionaryEntry& entry = kDicomDictionary[i];
        const std::vector<std::string> vrs = vrList(entry);
        if (vrs.size() > 1) found[{entry.group, entry.element}] = vrs;
    }
    EXPECT_EQ(found, expected);
    EXPECT_STREQ(entryFor(0x0028, 0x0120).name, "Pixel Padding Value");
    EXPECT_STREQ(entryFor(0x0028, 0x3002).name, "LUT Descriptor");
}

TEST(DicomDictionaryParticulars, OrdinaryRowsNameTheirElements) {
    struct Row {
        uint16_t group, element;
        const char* name;
        const char* vr;
    };
    const Row rows[] = {
        {0x0002, 0x0010, "Transfer Syntax UID", "UI"},
        {0x0008, 0x0060, "Modality", "CS"},
        {0x0010, 0x0010, "Patient's Name", "PN"},
        {0x0028, 0x0010, "Rows", "US"},
        {0x0028, 0x0030, "Pixel Spacing", "DS"},
        {0x0028, 0x1050, "Window Center", "DS"},
    };
    for (const Row& row : rows) {
        const DictionaryEntry& entry = entryFor(row.group, row.element);
        EXPECT_STREQ(entry.name, row.name);
        EXPECT_EQ(vrList(entry), std::vector<std::string>{row.vr}) << row.name;
    }
}

// The secondary-capture builder stores these tags into implicit-VR data sets,
// whose records take their VRs from the dictionary.
TEST(DicomDictionaryParticulars, BuiltDataSetTagsHaveTheirVrs) {
    const std::map<Tag, std::string> expected = {
        {{0x0002, 0x0001}, "OB"}, {{0x0002, 0x0002}, "UI"}, {{0x0002, 0x0013}, "SH"},
        {{0x0008, 0x0008}, "CS"}, {{0x0008, 0x0016}, "UI"}, {{0x0008, 0x0020}, "DA"},
        {{0x0008, 0x0030}, "TM"}, {{0x0008, 0x0070}, "LO"}, {{0x0018, 0x1063}, "DS"},
        {{0x0028, 0x0002}, "US"}, {{0x0028, 0x0004}, "CS"}, {{0x0028, 0x0006}, "US"},
        {{0x0028, 0x0008}, "IS"}, {{0x0028, 0x0011}, "US"}, {{0x0028, 0x0100}, "US"},
        {{0x0028, 0x0101}, "US"}, {{0x0028, 0x0102}, "US"}, {{0x0028, 0x0103}, "US"},
    };
    for (const auto& [tag, vr] : expected) {
        const std::vector<std::string> vrs = vrList(entryFor(tag.first, tag.second));
        ASSERT_FALSE(vrs.empty()) << std::hex << tag.first << "," << tag.second;
        EXPECT_EQ(vrs.front(), vr) << std::hex << tag.first << "," << tag.second;
    }
}

// ---------------------------------------------------------------------------
// UID names

TEST(UidNameTable, TransferSyntaxesComeFirst) {
    const std::pair<const char*, const char*> expected[] = {
        {"1.2.840.10008.1.2", "Implicit VR Little Endian"},
        {"1.2.840.10008.1.2.1", "Explicit VR Little Endian"},
        {"1.2.840.10008.1.2.2", "Explicit VR Big Endian"},
        {"1.2.840.10008.1.2.4.50", "JPEG Baseline (Process 1)"},
        {"1.2.840.10008.1.2.4.51", "JPEG Extended (Process 2 & 4)"},
        {"1.2.840.10008.1.2.4.52", "JPEG Extended (Process 3 & 5)"},
        {"1.2.840.10008.1.2.4.53", "JPEG Spectral Selection, Non-Hierarchical (Process 6 & 8)"},
        {"1.2.840.10008.1.2.4.54", "JPEG Spectral Selection, Non-Hierarchical (Process 7 & 9)"},
        {"1.2.840.10008.1.2.4.55", "JPEG Full Progression, Non-Hierarchical (Process 10 & 12)"},
        {"1.2.840.10008.1.2.4.56", "JPEG Full Progression, Non-Hierarchical (Process 11 & 13)"},
        {"1.2.840.10008.1.2.4.57", "JPEG Lossless, Non-Hierarchical (Process 14)"},
        {"1.2.840.10008.1.2.4.58", "JPEG Lossless, Non-Hierarchical (Process 15)"},
        {"1.2.840.10008.1.2.4.59", "JPEG Extended, Hierarchical (Process 16 & 18)"},
        {"1.2.840.10008.1.2.4.60", "JPEG Extended, Hierarchical (Process 17 & 19)"},
        {"1.2.840.10008.1.2.4.61", "JPEG Spectral Selection, Hierarchical (Process 20 & 22)"},
        {"1.2.840.10008.1.2.4.62", "JPEG Spectral Selection, Hierarchical (Process 21 & 23)"},
        {"1.2.840.10008.1.2.4.63", "JPEG Full Progression, Hierarchical (Process 24 & 26)"},
        {"1.2.840.10008.1.2.4.64", "JPEG Full Progression, Hierarchical (Process 25 & 27)"},
        {"1.2.840.10008.1.2.4.65", "JPEG Lossless, Hierarchical(Process 28)"},
        {"1.2.840.10008.1.2.4.66", "JPEG Lossless, Hierarchical (Process 29)"},
        {"1.2.840.10008.1.2.4.70",
         "JPEG Lossless, Non-Hierarchical,First-Order Prediction (Process 14 [Selection Value 1])"},
        {"1.2.840.10008.1.2.5", "RLE Lossless"},
    };
    ASSERT_EQ(kUidNameTableSize, 116u);
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_STREQ(kUidNameTable[i].uid, expected[i].first) << "row " << i;
        EXPECT_STREQ(kUidNameTable[i].name, expected[i].second) << "row " << i;
    }
}

TEST(UidNameTable, RowsFitTheirFieldsAndAreUnique) {
    std::set<std::string> seen;
    for (size_t i = 0; i < kUidNameTableSize; ++i) {
        const UidNameEntry& row = kUidNameTable[i];
        const size_t uidLength = strnlen(row.uid, sizeof(row.uid));
        const size_t nameLength = strnlen(row.name, sizeof(row.name));
        EXPECT_TRUE(uidLength > 0 && uidLength <= 31) << "row " << i;
        EXPECT_TRUE(nameLength > 0 && nameLength <= 89) << "row " << i;
        EXPECT_EQ(std::strncmp(row.uid, "1.2.840.10008.", 14), 0) << row.uid;
        EXPECT_TRUE(seen.insert(row.uid).second) << "duplicate " << row.uid;
    }
}

TEST(UidNameTable, NamesOfTheOtherRows) {
    EXPECT_STREQ(kUidNameTable[22].uid, "1.2.840.10008.1.1");
    EXPECT_STREQ(kUidNameTable[22].name, "Verification SOP Class SOP Class");
    EXPECT_STREQ(lookupUidName("1.2.840.10008.3.1.1.1"),
                 "DICOM Application Context Name Application Context Name");
    // The trailing blank is part of the name.
    EXPECT_STREQ(lookupUidName("1.2.840.10008.5.1.4.1.1.7"), "Secondary Capture Image Storage ");
    EXPECT_STREQ(lookupUidName("1.2.840.10008.5.1.4.1.1.481.7"), "RT Treatment Summary Record Storage");
    const UidNameEntry& last = kUidNameTable[kUidNameTableSize - 1];
    EXPECT_STREQ(last.uid, "1.2.840.10008.5.1.4.31");
    EXPECT_STREQ(last.name, "Modality Worklist Information Model - FIND");
}

// ---------------------------------------------------------------------------
// Lookups

// The search must find exactly what a scan from the top finds, including for
// tags just beside the table's rows.
TEST(DictionaryLookup, FindAgreesWithAScanInTableOrder) {
    auto scan = [](uint16_t group, uint16_t element) -> const DictionaryEntry* {
        for (size_t i = 0; i < kDicomDictionarySize; ++i) {
            if (kDicomDictionary[i].group == group && kDicomDictionary[i].element == element) {
                return &kDicomDictionary[i];
            }
        }
        return nullptr;
    };
    for (size_t i = 0; i < kDicomDictionarySize; ++i) {
        const DictionaryEntry& entry = kDicomDictionary[i];
        ASSERT_EQ(findDictionaryEntry(entry.group, entry.element), &entry) << "row " << i;
        const uint16_t after = static_cast<uint16_t>(entry.element + 1);
        const uint16_t before = static_cast<uint16_t>(entry.element - 1);
        ASSERT_EQ(findDictionaryEntry(entry.group, after), scan(entry.group, after));
        ASSERT_EQ(findDictionaryEntry(entry.group, before), scan(entry.group, before));
    }
    EXPECT_EQ(findDictionaryEntry(0x0000, 0x0000), nullptr);
    EXPECT_EQ(findDictionaryEntry(0xFFFE, 0xE000), nullptr);
    EXPECT_EQ(findDictionaryEntry(0xFFFF, 0xFFFF), nullptr);
}

TEST(DictionaryLookup, UnknownTagLeavesTheRecordUntouched) {
    DicomElement record = recordWith("earlier", "XX");
    EXPECT_FALSE(lookupTagName(0x0009, 0x0010, record)); // private creator
    EXPECT_FALSE(lookupTagVr(0x0009, 0x0010, record));
    EXPECT_STREQ(record.name, "earlier");
    EXPECT_STREQ(record.vr, "XX");

    DicomElement fresh;
    EXPECT_FALSE(lookupTagName(0x6000, 0x3000, fresh)); // overlay data: repeating group
    EXPECT_STREQ(fresh.name, "");
}

TEST(DictionaryLookup, KnownTagSetsNameAndFirstVr) {
    DicomElement record = recordWith("a much longer earlier name", "");
    ASSERT_TRUE(lookupTagName(0x0010, 0x0010, record));
    EXPECT_STREQ(record.name, "Patient's Name");
    ASSERT_TRUE(lookupTagVr(0x0028, 0x0106, record));
    EXPECT_STREQ(record.vr, "US");
    ASSERT_TRUE(lookupTagVr(0x7FE0, 0x0010, record));
    EXPECT_STREQ(record.vr, "OB");
    ASSERT_TRUE(lookupTagVr(0x0028, 0x1201, record));
    EXPECT_STREQ(record.vr, "US");
}

TEST(DictionaryLookup, VrInNameRowGivesAnEmptyVr) {
    DicomElement record = recordWith("", "LO");
    ASSERT_TRUE(lookupTagName(0x0008, 0x1080, record));
    ASSERT_TRUE(lookupTagVr(0x0008, 0x1080, record));
    EXPECT_STREQ(record.name, "Admitting Diagnoses Description LO");
    EXPECT_STREQ(record.vr, "");
}

TEST(DictionaryLookup, RefreshVr) {
    DicomElement unknown = recordWith("", "OB");
    unknown.group = 0x0029;
    unknown.element = 0x1010;
    refreshVr(unknown);
    EXPECT_STREQ(unknown.vr, "  ");

    DicomElement known = recordWith("", "  ");
    known.group = 0x0028;
    known.element = 0x0010;
    refreshVr(known);
    EXPECT_STREQ(known.vr, "US");

    DicomElement vrInName = recordWith("", "AE");
    vrInName.group = 0x0008;
    vrInName.element = 0x0054;
    refreshVr(vrInName);
    EXPECT_STREQ(vrInName.vr, "");
}

TEST(UidLookup, WholeStringsOnly) {
    // UI values are padded to even length with a NUL, which ends the text.
    const char nulPadded[] = "1.2.840.10008.1.2.1\0";
    EXPECT_STREQ(lookupUidName(nulPadded), "Explicit VR Little Endian");
    EXPECT_EQ(lookupUidName("1.2.840.10008.1.2.1 "), nullptr);
    EXPECT_EQ(lookupUidName("1.2.840.10008.1.2.1.9"), nullptr); // a known UID as prefix
    EXPECT_EQ(lookupUidName("1.2.840.10008.1"), nullptr);       // prefix of a known UID
    EXPECT_EQ(lookupUidName(""), nullptr);
    EXPECT_EQ(lookupUidName("1.3.12.2.1107.5.1.4.1.2"), nullptr);          // another root
    EXPECT_EQ(lookupUidName("1.2.840.10008.5.1.4.1.1.2.1"), nullptr);      // registry UID not listed
    EXPECT_EQ(lookupUidName(nullptr), nullptr);
    const std::string overlong = std::string(kUidNameTable[0].uid) + std::string(40, '0');
    EXPECT_EQ(lookupUidName(overlong.c_str()), nullptr);
}

TEST(UidLookup, EveryRowIsFoundByItsUid) {
    for (size_t i = 0; i < kUidNameTableSize; ++i) {
        EXPECT_EQ(lookupUidName(kUidNameTable[i].uid), kUidNameTable[i].name) << kUidNameTable[i].uid;
    }
}

} // namespace
} // namespace veltor
