// How header listings show elements: value rendering, topics, picked values
// and the grid's column widths.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dicom/dicom_file.h"
#include "dicom_bytes.h"
#include "document/header_format.h"

using namespace veltor;
using veltor::testing::DicomBytes;

namespace {

DicomElement record(uint16_t g, uint16_t e, const char* vr, const std::string& value, int32_t number = 0) {
    static std::vector<std::string> keep; // values outlive the records in these tests
    keep.push_back(value);
    DicomElement r;
    r.group = g;
    r.element = e;
    std::strcpy(r.vr, vr);
    r.length = static_cast<uint32_t>(value.size());
    r.value = reinterpret_cast<const uint8_t*>(keep.back().c_str());
    r.number = number;
    return r;
}

} // namespace

TEST(HeaderFormat, ValueRendering) {
    EXPECT_EQ(gridValueText(record(0x0002, 0x0001, "OB", std::string("\0\1", 2))), "  \"Sequence Data\"");
    EXPECT_EQ(listValueText(record(0x7FE0, 0x0010, "OW", "")), "\"Frame Data\"");
    EXPECT_EQ(listValueText(record(0x0008, 0x1140, "SQ", "")), "\"Sequence Data\"");
    EXPECT_EQ(listValueText(record(0x0020, 0x4000, "LT", std::string(600, 'x'))), "\"Long Size Data\"");
    EXPECT_EQ(listValueText(record(0x0020, 0x4000, "LT", std::string(511, 'x'))),
              "\"" + std::string(511, 'x') + "\"");
    EXPECT_EQ(gridValueText(record(0x0028, 0x0010, "US", "", 512)), "  512");
    EXPECT_EQ(listValueText(record(0x0018, 0x1063, "FD", std::string(8, '\x40'))), "0");
    EXPECT_EQ(listValueText(record(0x0010, 0x0010, "PN", "ABC")), "\"ABC\"");
    EXPECT_EQ(pickedValue(listValueText(record(0x0010, 0x0010, "PN", "ABC"))), "ABC");
    EXPECT_EQ(pickedValue("512"), "512");
    EXPECT_EQ(tagText(0x7FE0, 0x0010), "0x7fe0, 0x0010");
}

TEST(HeaderFormat, TopicFilters) {
    EXPECT_FALSE(inHeaderTopic(HeaderTopic::All, 0x0008, 0x0000));
    EXPECT_TRUE(inHeaderTopic(HeaderTopic::All, 0x0008, 0x0001));
    EXPECT_FALSE(inHeaderTopic(HeaderTopic::Patient, 0x0010, 0x0001));
    EXPECT_TRUE(inHeaderTopic(HeaderTopic::Patient, 0x0010, 0x0010));
    EXPECT_FALSE(inHeaderTopic(HeaderTopic::Patient, 0x0008, 0x0090));
    EXPECT_TRUE(inHeaderTopic(HeaderTopic::Study, 0x0032, 0x0034));
    EXPECT_FALSE(inHeaderTopic(HeaderTopic::Study, 0x0032, 0x0036));
    EXPECT_TRUE(inHeaderTopic(HeaderTopic::Physician, 0x0032, 0x1032));
    EXPECT_TRUE(inHeaderTopic(HeaderTopic::Image, 0x0028, 0x0030));
    EXPECT_TRUE(inHeaderTopic(HeaderTopic::Image, 0x0020, 0x0013));
    EXPECT_FALSE(inHeaderTopic(HeaderTopic::Image, 0x0020, 0x0011));
}

TEST(HeaderFormat, GridColumnWidthsFollowTheWidestCell) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0010, 0x0010, "PN", std::string(100, 'N'));
    DicomFile f;
    ASSERT_TRUE(f.openMemory(b.bytes().data(), b.size(), true));
    auto measure = [](const std::string& text, void*) { return int(text.size()) * 7; };
    const auto w = gridColumnWidths(f.elements().data(), f.elements().size(), f.implicitVr(), measure, nullptr);
    EXPECT_EQ(w[0], int(std::string("  0x0002, 0x0010  ").size()) * 7 + 4);
    EXPECT_EQ(w[2], int(std::string("  VR  ").size()) * 7 + 4);
    EXPECT_EQ(w[4], (2 + 102 + 2) * 7 + 4); // two blanks, the quoted name, two blanks
}
