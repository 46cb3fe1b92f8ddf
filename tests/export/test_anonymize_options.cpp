// The options record over the settings store, the dialog's check-all rules,
// the critical-fields decision and the header filter for exports.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "dicom/dicom_file.h"
#include "dicom_bytes.h"
#include "export/anonymize_options.h"
#include "export/element_for_report.h"
#include "settings/settings_store.h"

using namespace veltor;
using veltor::testing::DicomBytes;
using veltor::testing::Syntax;

namespace {

size_t at(const char* key) { return static_cast<size_t>(anonymizedElementIndex(std::string_view(key))); }

TEST(AnonymizeOptionsTable, ThirtySixDistinctElementsUnderTheStoredKeys) {
    // The keys of the "Anonymizing Options" section as existing stores hold
    // them, misspelling included.
    const std::vector<std::string> stored = {
        "Accession", "Age", "BirthDate", "BirthName", "BirthTime", "DepartmentName", "DerivationDesc",
        "DeviceSerialNum", "Diagnoses", "EthnicGroup", "ImageComments", "InstitutionAddress", "InsttutionName",
        "MothersName", "Occupation", "Operator", "OtherPatientID", "OtherPatientName", "PatientComments",
        "PatientsHistory", "PatientsID", "PatientsAddress", "PatientsName", "PatientsPhone", "PatientsSex",
        "Performer", "ProtocolName", "ReadingDoc", "Records", "Referring", "SeriesDesc", "PatientsSize",
        "StationName", "StudyDesc", "StudyID", "PatientsWeight"};
    std::set<std::string> keys;
    std::set<uint32_t> tags;
    for (const AnonymizedElement& e : kAnonymizedElements) {
        keys.insert(e.key);
        tags.insert(uint32_t{e.group} << 16 | e.element);
        EXPECT_EQ(anonymizedElementIndex(e.group, e.element), anonymizedElementIndex(std::string_view(e.key)));
    }
    EXPECT_EQ(keys, std::set<std::string>(stored.begin(), stored.end()));
    EXPECT_EQ(tags.size(), 36u);
    EXPECT_EQ(kAnonymizedElements[at("PatientsName")].group, 0x0010);
    EXPECT_EQ(kAnonymizedElements[at("PatientsName")].element, 0x0010);
    EXPECT_EQ(kAnonymizedElements[at("SeriesDesc")].element, 0x103E);
    EXPECT_EQ(kAnonymizedElements[at("PatientsHistory")].element, 0x21B0);
    EXPECT_EQ(anonymizedElementIndex(0x0008, 0x0020), -1); // Study Date is never chosen
    EXPECT_EQ(anonymizedElementIndex(0x0011, 0x0010), -1);
    EXPECT_EQ(anonymizedElementIndex(std::string_view("InstitutionName")), -1);
    EXPECT_EQ(anonymizedElementIndex(std::string_view("patientsname")), -1);
}

TEST(AnonymizeOptionsStore, FreshStoreMeansEverythingOnAndSaveWritesAll39Keys) {
    MemorySettingsStore store;
    const AnonymizeOptions fresh = AnonymizeOptions::load(store);
    EXPECT_TRUE(std::all_of(fresh.remove.begin(), fresh.remove.end(), [](bool b) { return b; }));
    EXPECT_TRUE(fresh.privateTags && fresh.attention && fresh.attention2);

    AnonymizeOptions options;
    options.remove[at("BirthTime")] = false;
    options.attention2 = false;
    options.save(store);
    int written = 0;
    for (const AnonymizedElement& e : kAnonymizedElements) written += store.contains(kAnonymizeSection, e.key);
    for (const char* key : {kPrivateTagsKey, kAttentionKey, kAttention2Key}) written += store.contains(kAnonymizeSection, key);
    EXPECT_EQ(written, 39);
    EXPECT_EQ(store.readInt(kAnonymizeSection, "BirthTime", -1), 0);
    EXPECT_EQ(store.readInt(kAnonymizeSection, "BirthDate", -1), 1);
    EXPECT_EQ(store.readInt(kAnonymizeSection, "Attention2", -1), 0);

    const AnonymizeOptions back = AnonymizeOptions::load(store);
    EXPECT_EQ(back.remove, options.remove);
    EXPECT_FALSE(back.attention2);
}

TEST(AnonymizeOptionsStore, TextOrOddNumbersUnderAKey) {
    MemorySettingsStore store;
    store.writeText(kAnonymizeSection, "PatientsName", "no");     // text: the default, on
    store.writeInt(kAnonymizeSection, "PatientsID", 0);           // off
    store.writeInt(kAnonymizeSection, "StudyID", 7);              // any non-zero: on
    store.writeInt(kAnonymizeSection, kPrivateTagsKey, 0);
    const AnonymizeOptions o = AnonymizeOptions::load(store);
    EXPECT_TRUE(o.remove[at("PatientsName")]);
    EXPECT_FALSE(o.remove[at("PatientsID")]);
    EXPECT_TRUE(o.remove[at("StudyID")]);
    EXPECT_FALSE(o.privateTags);
}

TEST(AnonymizeOptionsDialog, CheckAllAndUncheckAllLeaveTheWarningsAlone) {
    AnonymizeOptions o;
    o.attention = false;
    o.uncheckAll();
    EXPECT_TRUE(std::none_of(o.remove.begin(), o.remove.end(), [](bool b) { return b; }));
    EXPECT_FALSE(o.privateTags);
    EXPECT_FALSE(o.attention);
    EXPECT_TRUE(o.attention2);
    o.checkAll();
    EXPECT_TRUE(std::all_of(o.remove.begin(), o.remove.end(), [](bool b) { return b; }));
    EXPECT_TRUE(o.privateTags);
    EXPECT_FALSE(o.attention);
}

TEST(AnonymizeOptionsDialog, CriticalWarningFollowsTheSixCriticalChoices) {
    const std::set<std::string> critical = {"PatientsName", "OtherPatientName", "BirthName",
                                            "MothersName",  "PatientsAddress",  "PatientsPhone"};
    EXPECT_FALSE(AnonymizeOptions().criticalWarningDue());
    for (const AnonymizedElement& e : kAnonymizedElements) {
        AnonymizeOptions o;
        o.remove[at(e.key)] = false;
        EXPECT_EQ(o.criticalWarningDue(), critical.count(e.key) == 1) << e.key;
        o.attention = false;
        EXPECT_FALSE(o.criticalWarningDue()) << e.key;
    }
    AnonymizeOptions none;
    none.uncheckAll();
    EXPECT_TRUE(none.criticalWarningDue());
}

// A data set for the header filter: chosen text and binary values, a private
// element, an ordinary one.
class ReportFilter : public ::testing::Test {
  protected:
    void SetUp() override {
        DicomBytes b(Syntax::ExplicitLittle);
        b.preamble(veltor::testing::syntaxUid(Syntax::ExplicitLittle));
        b.element(0x0008, 0x0020, "DA", "20240229");
        b.element(0x0009, 0x1002, "PN", "PRIV^PERSON ");
        b.element(0x0010, 0x0010, "PN", "DOE^JOHNATHN");
        b.element(0x0010, 0x1030, "US", std::string("\x4d\x00", 2)); // a binary value among the chosen
        m_bytes = b.bytes();
        ASSERT_TRUE(m_file.openMemory(m_bytes.data(), m_bytes.size(), true));
    }
    int32_t indexOf(uint16_t g, uint16_t e) const {
        DicomElement r;
        for (int32_t i = 0; m_file.elementAt(i, r); ++i)
            if (r.group == g && r.element == e) return i;
        return -1;
    }
    std::vector<uint8_t> m_bytes;
    DicomFile m_file;
};

TEST_F(ReportFilter, ChosenValuesComeOutEmptyOnlyWithTheFlagAndTheirOption) {
    AnonymizeOptions options;
    DicomElement r;
    ASSERT_TRUE(GetElementForReport(m_file, indexOf(0x0010, 0x0010), false, options, r));
    EXPECT_STREQ(r.text(), "DOE^JOHNATHN");
    ASSERT_TRUE(GetElementForReport(m_file, indexOf(0x0010, 0x0010), true, options, r));
    EXPECT_STREQ(r.text(), "");
    EXPECT_EQ(r.length, 12u) << "the row keeps its length";
    EXPECT_STREQ(r.vr, "PN");

    ASSERT_TRUE(GetElementForReport(m_file, indexOf(0x0010, 0x1030), true, options, r));
    EXPECT_EQ(r.number, 0);
    ASSERT_TRUE(GetElementForReport(m_file, indexOf(0x0010, 0x1030), false, options, r));
    EXPECT_EQ(r.number, 77);

    options.remove[at("PatientsName")] = false;
    ASSERT_TRUE(GetElementForReport(m_file, indexOf(0x0010, 0x0010), true, options, r));
    EXPECT_STREQ(r.text(), "DOE^JOHNATHN");
}

TEST_F(ReportFilter, PrivateAndOtherElementsPassUnchanged) {
    AnonymizeOptions options;
    DicomElement r;
    ASSERT_TRUE(GetElementForReport(m_file, indexOf(0x0009, 0x1002), true, options, r));
    EXPECT_STREQ(r.text(), "PRIV^PERSON ");
    ASSERT_TRUE(GetElementForReport(m_file, indexOf(0x0008, 0x0020), true, options, r));
    EXPECT_STREQ(r.text(), "20240229");
    EXPECT_FALSE(GetElementForReport(m_file, -1, true, options, r));
    EXPECT_FALSE(GetElementForReport(m_file, m_file.elementCount(), true, options, r));
}

} // namespace
