// Chosen values inside sequence items: blanked at every depth, in every
// encoding, with sequences and items of defined and undefined length; values
// that are not chosen stay, and so does every other byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "dicom/dicom_file.h"
#include "dicom_bytes.h"
#include "export/anonymizer.h"
#include "export_test_support.h"

using namespace veltor;
using veltor::testing::DicomBytes;
using veltor::testing::readFile;
using veltor::testing::Syntax;
using veltor::testing::TempFolder;
using veltor::testing::writeFile;

namespace {

constexpr int kDepth = 5;

struct Value {
    std::string text;
    const char* key; // the option that blanks it, or null for a value that stays
};

// Items nested kDepth deep inside Request Attributes sequences; each level
// holds a name, an ID, a weight (chosen) and an issuer (not chosen), the
// deepest a device serial number too. Every text is unique in the file.
class NestedFile {
  public:
    NestedFile(Syntax syntax, bool definedLengths) : m_syntax(syntax), m_defined(definedLengths) {
        DicomBytes b(syntax);
        b.preamble(veltor::testing::syntaxUid(syntax));
        add(b, 0x0008, 0x0020, "DA", {"20240229", nullptr});
        add(b, 0x0010, 0x0010, "PN", {"TOP^NAME", "PatientsName"});
        append(b, sequence(1));
        b.element(0x7FE0, 0x0010, "OW", std::string("\x01\x02\x03\x04", 4));
        m_bytes = b.bytes();
    }

    const std::vector<uint8_t>& bytes() const { return m_bytes; }
    // Each value with where it starts in the file.
    std::vector<std::pair<Value, size_t>> placed() const {
        std::vector<std::pair<Value, size_t>> out;
        for (const Value& v : m_values) {
            const auto it =
                std::search(m_bytes.begin(), m_bytes.end(), v.text.begin(), v.text.end());
            out.emplace_back(v, static_cast<size_t>(it - m_bytes.begin()));
        }
        return out;
    }

  private:
    void add(DicomBytes& b, uint16_t g, uint16_t e, const char* vr, Value v) {
        b.element(g, e, vr, v.text);
        m_values.push_back(std::move(v));
    }
    static void append(DicomBytes& b, const std::vector<uint8_t>& bytes) {
        b.bytes().insert(b.bytes().end(), bytes.begin(), bytes.end());
    }

    // The Request Attributes sequence whose item is at `depth`.
    std::vector<uint8_t> sequence(int depth) {
        DicomBytes item(m_syntax);
        const std::string d = std::to_string(depth);
        add(item, 0x0010, 0x0010, "PN", {"NAME^D" + d + " ", "PatientsName"});
        add(item, 0x0010, 0x0020, "LO", {"ID-D" + d + " ", "PatientsID"});
        add(item, 0x0010, 0x0021, "LO", {"ISSUER-D" + d + " ", nullptr});
        add(item, 0x0010, 0x1030, "DS", {"7" + d + ".5", "PatientsWeight"});
        if (depth == kDepth)
            add(item, 0x0018, 0x1000, "LO", {"SERIAL-D" + d + " ", "DeviceSerialNum"});
        if (depth < kDepth) append(item, sequence(depth + 1));
        const auto content = static_cast<uint32_t>(item.size());
        DicomBytes out(m_syntax);
        if (m_defined) {
            out.sequence(0x0040, 0x0275, content + 8).item(content);
            append(out, item.bytes());
        } else {
            out.sequence(0x0040, 0x0275, kUndefinedLength).item(kUndefinedLength);
            append(out, item.bytes());
            out.itemEnd().sequenceEnd();
        }
        return out.bytes();
    }

    Syntax m_syntax;
    bool m_defined;
    std::vector<Value> m_values;
    std::vector<uint8_t> m_bytes;
};

using Case = std::tuple<Syntax, bool>;

class AnonymizeNested : public ::testing::TestWithParam<Case> {
  protected:
    // Copies the file with `options` through both ways in (a parsed data
    // set, and the batch reader) and checks every byte of both copies.
    void check(const AnonymizeOptions& options) {
        const NestedFile file(std::get<0>(GetParam()), std::get<1>(GetParam()));
        TempFolder dir;
        ASSERT_TRUE(writeFile(dir / "src.dcm", file.bytes()));
        std::vector<uint8_t> expected = file.bytes();
        size_t blanked = 0;
        for (const auto& [value, at] : file.placed()) {
            ASSERT_LT(at, expected.size()) << value.text;
            const int index =
                value.key != nullptr ? anonymizedElementIndex(std::string_view(value.key)) : -1;
            if (index >= 0 && options.remove[static_cast<size_t>(index)]) {
                std::fill(expected.begin() + static_cast<long>(at),
                          expected.begin() + static_cast<long>(at + value.text.size()), ' ');
                ++blanked;
            }
        }
        DicomFile dataset;
        ASSERT_TRUE(dataset.openFile((dir / "src.dcm").c_str(), true));
        AnonymizeReport report;
        ASSERT_EQ(AnonymizeFileBytes((dir / "src.dcm").c_str(), dataset, (dir / "a.dcm").c_str(),
                                     options, report),
                  1)
            << anonymizeMessage(report);
        EXPECT_EQ(report.blanked, blanked);
        EXPECT_EQ(readFile(dir / "a.dcm"), expected);
        Anonymizer anonymizer(options);
        ASSERT_TRUE(anonymizer.anonymizeFile(dir / "src.dcm", dir / "b.dcm", report))
            << anonymizeMessage(report);
        EXPECT_EQ(readFile(dir / "b.dcm"), expected);
        EXPECT_EQ(readFile(dir / "src.dcm"), file.bytes()) << "the source changed";
    }
};

TEST_P(AnonymizeNested, ChosenValuesGoAtEveryDepth) {
    check(AnonymizeOptions());
}

TEST_P(AnonymizeNested, WithoutThePersonNameRuleTheChoicesStillReachIntoItems) {
    AnonymizeOptions options;
    options.privateTags = false;
    check(options);
}

TEST_P(AnonymizeNested, AnUncheckedChoiceKeepsItsValuesAtEveryDepth) {
    AnonymizeOptions options;
    options.privateTags = false;
    options.remove[static_cast<size_t>(anonymizedElementIndex(std::string_view("PatientsID")))] =
        false;
    options
        .remove[static_cast<size_t>(anonymizedElementIndex(std::string_view("DeviceSerialNum")))] =
        false;
    check(options);
}

INSTANTIATE_TEST_SUITE_P(Encodings, AnonymizeNested,
                         ::testing::Combine(::testing::Values(Syntax::ImplicitLittle,
                                                              Syntax::ExplicitLittle,
                                                              Syntax::ExplicitBig),
                                            ::testing::Bool()));

} // namespace
