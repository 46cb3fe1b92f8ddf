// Malformed input: truncations and byte flips of real files must end in a
// status, never in a read outside the data (run under the sanitizers in CI).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "openjpeg_leaks.h"
#include "dicom/dicom_file.h"
#include "dicom_bytes.h"

using namespace veltor;
using veltor::testing::DicomBytes;
using veltor::testing::Syntax;

namespace {

std::vector<uint8_t> readFixture(const std::string& name) {
    std::ifstream in(std::string(VELTOR_TEST_DATA) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const char* const kFixtures[] = {"nested_evle.dcm",         "nested_ivle.dcm",
                                 "nested_evbe.dcm",         "nested_evle_deflen.dcm",
                                 "nested_bare.dcm",         "nested_jpll_sv1.dcm",
                                 "nested_jpll_sv7.dcm",     "rgb8_rle.dcm"};

// Opens in both modes; the outcome must be a defined status, and a success
// must leave every record's value NUL-terminated inside its own buffer.
void openBoth(const std::vector<uint8_t>& bytes) {
    for (bool headerOnly : {true, false}) {
        DicomFile file;
        const bool ok = file.openMemory(bytes.data(), bytes.size(), headerOnly);
        const auto code = static_cast<int>(file.status());
        ASSERT_TRUE(ok ? code == 0 : (code >= 1 && code <= 8)) << code;
        for (const DicomElement& e : file.elements()) {
            if (e.value != nullptr && e.length != kUndefinedLength) {
                ASSERT_EQ(e.value[e.length], 0);
            }
        }
    }
}

} // namespace

TEST(ParserRobustness, FixturesOpenInEveryEncoding) {
    for (const char* name : kFixtures) {
        const std::vector<uint8_t> bytes = readFixture(name);
        ASSERT_GT(bytes.size(), 132u) << name;
        DicomFile file;
        ASSERT_TRUE(file.openMemory(bytes.data(), bytes.size(), false)) << name;
        DicomElement e;
        if (std::string(name).rfind("nested", 0) != 0) continue;
        ASSERT_TRUE(file.findElementByTag(0x0010, 0x0010, e)) << name;
        EXPECT_STREQ(e.text(), "ROE^JANE") << name;
        ASSERT_TRUE(file.findElementByTag(0x0028, 0x0010, e)) << name;
        EXPECT_EQ(e.number, 16) << name;
        ASSERT_TRUE(file.findElementByTag(0x0008, 0x1140, e)) << name;
        EXPECT_GT(e.childCount, 3) << name;
    }
}

TEST(ParserRobustness, EveryTruncationEndsInAStatus) {
    for (const char* name : kFixtures) {
        const std::vector<uint8_t> bytes = readFixture(name);
        for (size_t cut = 0; cut < bytes.size(); ++cut) {
            const std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
            openBoth(part);
        }
    }
}

TEST(ParserRobustness, ByteFlipsEndInAStatus) {
    std::mt19937 rng(20261209);
    for (const char* name : kFixtures) {
        const std::vector<uint8_t> original = readFixture(name);
        std::uniform_int_distribution<size_t> where(0, original.size() - 1);
        std::uniform_int_distribution<int> what(0, 255);
        for (int round = 0; round < 1500; ++round) {
            std::vector<uint8_t> bytes = original;
            const int flips = 1 + round % 4;
            for (int i = 0; i < flips; ++i) {
                const size_t at = where(rng);
                // Lengths and tags are where damage matters: favour values
                // that stress them (0x00, 0xFF) over plain noise.
                switch (round % 3) {
                case 0: bytes[at] = static_cast<uint8_t>(what(rng)); break;
                case 1: bytes[at] = 0xFF; break;
                default: bytes[at] = 0x00; break;
                }
            }
            openBoth(bytes);
        }
    }
}

// Files of every codec: cut anywhere and damaged in their compressed data,
// each open ends in a status (or in frames of the size the image says).
TEST(ParserRobustness, CodecFixturesSurviveCutsAndDamage) {
    const char* const codecs[] = {"codecs/jls_ct16.dcm",     "codecs/jls_rgb8_none.dcm",
                                  "codecs/jls_ct16_fragments.dcm", "codecs/jls_ct16_extended_offsets.dcm",
                                  "codecs/j2k_ct16.dcm",     "codecs/j2k_rgb8_lossy.dcm",
                                  "codecs/htj2k_grey12.dcm", "codecs/rle_ct16.dcm",
                                  "codecs/rle_rgb8.dcm",     "codecs/deflate_ct16.dcm"};
    std::mt19937 rng(7);
    for (const char* name : codecs) {
        const std::vector<uint8_t> original = readFixture(name);
        ASSERT_GT(original.size(), 1000u) << name;
        for (size_t cut = 0; cut < original.size(); cut += 19) {
            const std::vector<uint8_t> part(original.begin(), original.begin() + static_cast<long>(cut));
            openBoth(part);
        }
        // Damage past the header, where the codestreams and fragment items are.
        std::uniform_int_distribution<size_t> where(original.size() / 4, original.size() - 1);
        for (int round = 0; round < 150; ++round) {
            std::vector<uint8_t> bytes = original;
            for (int i = 0; i <= round % 3; ++i) bytes[where(rng)] = static_cast<uint8_t>(round % 2 ? 0xFF : rng());
            openBoth(bytes);
            DicomFile decoded;
            if (decoded.openMemoryDecoded(bytes.data(), bytes.size())) {
                for (int32_t n = 1; n <= decoded.frameCount(); ++n)
                    ASSERT_GE(decoded.frameBufferSize(n), decoded.decodedLayout().frameBytes()) << name;
            }
        }
    }
}

TEST(ParserRobustness, HostileStructures) {
    // A thousand nested undefined-length sequences in a few kilobytes.
    {
        DicomBytes b;
        b.preamble("1.2.840.10008.1.2.1");
        for (int i = 0; i < 1000; ++i) b.sequence(0x0008, 0x1140, 0xFFFFFFFF).item(0xFFFFFFFF);
        openBoth(b.bytes());
    }
    // The same in implicit VR through undefined-length private elements.
    {
        DicomBytes b(Syntax::ImplicitLittle);
        b.preamble("1.2.840.10008.1.2");
        for (int i = 0; i < 1000; ++i) b.tag(0x0009, 0x1010).u32(0xFFFFFFFF).item(0xFFFFFFFF);
        openBoth(b.bytes());
    }
    // An element longer than its item, stray delimiters and NUL VR bytes.
    {
        DicomBytes b;
        b.preamble("1.2.840.10008.1.2.1");
        b.sequence(0x0008, 0x1140, 40).item(10);
        b.element(0x0008, 0x0060, "CS", std::string(20, 'X'));
        b.sequenceEnd().itemEnd();
        b.tag(0x0010, 0x0010).u8(0).u8(0).u16(2).raw("AB");
        openBoth(b.bytes());
    }
    // Encapsulated data whose offset tables lie or overflow, and fragments
    // that are not codestreams, for every codec.
    for (const char* syntax : {"1.2.840.10008.1.2.5", "1.2.840.10008.1.2.4.80", "1.2.840.10008.1.2.4.90",
                               "1.2.840.10008.1.2.4.201", "1.2.840.10008.1.2.4.50", "1.2.840.10008.1.2.4.70"}) {
        DicomBytes b;
        b.preamble(syntax);
        b.element(0x0028, 0x0008, "IS", "3 ");
        b.element(0x0028, 0x0010, "US", std::string("\x00\x40", 2));
        b.element(0x0028, 0x0011, "US", std::string("\x00\x40", 2));
        b.element(0x0028, 0x0100, "US", std::string("\x10\x00", 2));
        b.element(0x0028, 0x0101, "US", std::string("\x10\x00", 2));
        b.element(0x7FE0, 0x0001, "OV", std::string("\xF0\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8));
        b.tag(0x7FE0, 0x0010).raw("OB").u16(0).u32(0xFFFFFFFF);
        b.item(8).u32(0).u32(0x7FFFFFF0);
        b.item(4).raw(std::string("\xFF\xD8\xFF\x4F", 4)).item(2).raw("xx").item(0);
        b.sequenceEnd();
        openBoth(b.bytes());
    }
    // Meta group whose lengths lie.
    {
        DicomBytes b;
        b.bytes().resize(128, 0);
        b.raw("DICM");
        b.tag(0x0002, 0x0010).raw("UI").u16(0xFFF0).raw("1.2");
        b.bytes().resize(300, 0);
        openBoth(b.bytes());
    }
}
