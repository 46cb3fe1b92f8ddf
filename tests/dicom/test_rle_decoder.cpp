#include "dicom/rle_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "decoder_test_support.h"

namespace veltor {
namespace {

using test::readFixture;
using Bytes = std::vector<uint8_t>;

void putLe32(Bytes& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A fragment: the 64-byte header (segment count, offsets) and the segments.
Bytes rleFragment(const std::vector<Bytes>& segments) {
    Bytes out(kRleHeaderSize, 0);
    putLe32(out, 0, static_cast<uint32_t>(segments.size()));
    for (size_t i = 0; i < segments.size(); ++i) {
        putLe32(out, 4 + 4 * i, static_cast<uint32_t>(out.size()));
        out.insert(out.end(), segments[i].begin(), segments[i].end());
    }
    return out;
}

struct Decoded {
    FrameDecodeStatus status;
    Bytes frame;
};

Decoded decode(const Bytes& fragment, size_t frameSize, uint32_t expectedSegments = 0) {
    Decoded d;
    d.frame.assign(frameSize, 0xEE);
    d.status = decodeRleFrame(fragment, d.frame, expectedSegments);
    return d;
}

// ---- PackBits ----

TEST(RleDecoder, PackBitsLiteralsAndRuns) {
    const Decoded d = decode(rleFragment({{0x02, 0x41, 0x42, 0x43, 0xFE, 0x44}}), 6);
    ASSERT_TRUE(d.status.ok()) << d.status.message;
    EXPECT_TRUE(d.status.complete);
    EXPECT_EQ(d.frame, (Bytes{0x41, 0x42, 0x43, 0x44, 0x44, 0x44}));
}

TEST(RleDecoder, Minus128IsANoOpWhenTheSegmentFits) {
    const Decoded d = decode(rleFragment({{0x80, 0x02, 0x41, 0x42, 0x43, 0x80, 0xFE, 0x44}}), 6);
    EXPECT_EQ(d.frame, (Bytes{0x41, 0x42, 0x43, 0x44, 0x44, 0x44}));
}

TEST(RleDecoder, SegmentThatDoesNotFitIsDecodedAgainWithMinus128AsARun) {
    // First pass: -128 ignored, "01 AA BB" gives two bytes of 129.
    // Second pass: -128 writes 0x01 129 times and moves on by 127; 0x01 is then
    // read again as a control and copies AA BB over the last two bytes.
    const Decoded d = decode(rleFragment({{0x80, 0x01, 0xAA, 0xBB}}), 129);
    ASSERT_TRUE(d.status.ok());
    EXPECT_TRUE(d.status.complete);
    Bytes expected(127, 0x01);
    expected.push_back(0xAA);
    expected.push_back(0xBB);
    EXPECT_EQ(d.frame, expected);
}

TEST(RleDecoder, RunsAreClampedToTheirPlane) {
    // Two planes of 4 bytes; the first segment's second run overshoots by 2.
    const Decoded d = decode(rleFragment({{0xFE, 0x44, 0xFE, 0x55}, {0xFD, 0x66}}), 8);
    ASSERT_TRUE(d.status.ok());
    EXPECT_EQ(d.frame, (Bytes{0x44, 0x44, 0x44, 0x55, 0x66, 0x66, 0x66, 0x66}));
}

TEST(RleDecoder, EachSegmentStartsAtItsOwnOffset) {
    // The first segment is 5 bytes long and padded with a zero byte to an even
    // length; read as one stream, that pad would be taken for a control byte.
    const Decoded d = decode(rleFragment({{0x01, 5, 6, 0x00, 7, 0x00}, {0xFE, 9}}), 6);
    ASSERT_TRUE(d.status.ok());
    EXPECT_TRUE(d.status.complete);
    EXPECT_EQ(d.frame, (Bytes{5, 6, 7, 9, 9, 9}));
}

TEST(RleDecoder, DataThatEndsEarlyLeavesZerosAndReportsIncomplete) {
    const Decoded d = decode(rleFragment({{0x02, 0x41, 0x42, 0x43}, {0x01, 0x10}}), 10);
    ASSERT_TRUE(d.status.ok());
    EXPECT_FALSE(d.status.complete);
    EXPECT_EQ(d.frame, (Bytes{0x41, 0x42, 0x43, 0, 0, 0x10, 0, 0, 0, 0}));
}

TEST(RleDecoder, UnpackBitsReportsWhatTheStreamAccountsFor) {
    Bytes out(4);
    EXPECT_EQ(unpackBits(Bytes{0x03, 1, 2, 3, 4}, out, false), 4u);
    EXPECT_EQ(unpackBits(Bytes{0x05, 1, 2, 3, 4, 5, 6}, out, false), 6u); // overshoot
    EXPECT_EQ(unpackBits(Bytes{0x01, 1}, out, false), 1u);                // literal cut short
    EXPECT_EQ(unpackBits(Bytes{0x03, 1, 2}, out, false), 2u);
    EXPECT_EQ(unpackBits(Bytes{0xFF}, out, false), 0u);                   // run without its byte
    EXPECT_EQ(unpackBits(Bytes{0x80, 0x07}, out, false), 0u);
    EXPECT_EQ(unpackBits(Bytes{0x80, 0x07}, out, true), 127u); // a 129-byte run, advancing 127
    EXPECT_EQ(out, (Bytes{0x07, 0x07, 0x07, 0x07}));
}

// ---- Header checks ----

TEST(RleDecoder, MalformedHeadersAreRefusedWithoutWriting) {
    const Bytes good = rleFragment({{0x03, 1, 2, 3, 4}, {0xFD, 9}});
    struct Case {
        const char* what;
        Bytes fragment;
        size_t frameSize;
        uint32_t expectedSegments;
    };
    Bytes countZero = good;
    putLe32(countZero, 0, 0);
    Bytes countSixteen = good;
    putLe32(countSixteen, 0, 16);
    Bytes backwards = good;
    putLe32(backwards, 8, 64); // second offset equal to the first
    Bytes pastEnd = good;
    putLe32(pastEnd, 8, static_cast<uint32_t>(good.size()));
    Bytes intoHeader = good;
    putLe32(intoHeader, 4, 60);
    const Case cases[] = {
        {"shorter than the header", Bytes(good.begin(), good.begin() + 63), 8, 0},
        {"no segments", countZero, 8, 0},
        {"sixteen segments", countSixteen, 8, 0},
        {"offsets not increasing", backwards, 8, 0},
        {"offset past the fragment", pastEnd, 8, 0},
        {"offset inside the header", intoHeader, 8, 0},
        {"frame not divisible by the segments", good, 9, 0},
        {"empty frame", good, 0, 0},
        {"segment count not the expected one", good, 8, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(checkRleFragment(c.fragment, c.frameSize, c.expectedSegments).error,
                  DicomError::CorruptedDicom);
        const Decoded d = decode(c.fragment, c.frameSize, c.expectedSegments);
        EXPECT_EQ(d.status.error, DicomError::CorruptedDicom);
        EXPECT_FALSE(d.status.message.empty());
        EXPECT_TRUE(std::all_of(d.frame.begin(), d.frame.end(), [](uint8_t b) { return b == 0xEE; }));
    }
    EXPECT_TRUE(checkRleFragment(good, 8, 2).ok());
}

TEST(RleDecoder, FramesBeyondWhatTheDataCanExpandToAreRefused) {
    const Bytes fragment = rleFragment({{0x80, 0x80}}); // 2 bytes: at most 254 out
    EXPECT_TRUE(checkRleFragment(fragment, 2 * kRleMaxExpansion).ok());
    EXPECT_EQ(checkRleFragment(fragment, 2 * kRleMaxExpansion + 1).error, DicomError::CorruptedDicom);
    // A huge claimed frame is refused from the header alone, before any allocation.
    EXPECT_FALSE(checkRleFragment(fragment, size_t{1} << 40).ok());
}

// ---- Bit-exact against DCMTK ----

struct Fixture {
    const char* name;
    uint32_t segments;
    uint32_t bytesPerSample; // 1: sample s is plane s; 2: planes are MSB, LSB
};

class RleFixture : public testing::TestWithParam<Fixture> {};

TEST_P(RleFixture, MatchesDcmdrle) {
    const Fixture& f = GetParam();
    const Bytes fragment = readFixture(std::string(f.name) + ".bin");
    const Bytes reference = readFixture(std::string(f.name) + ".raw"); // interleaved
    ASSERT_FALSE(fragment.empty());
    ASSERT_FALSE(reference.empty());
    ASSERT_TRUE(checkRleFragment(fragment, reference.size(), f.segments).ok());
    const Decoded d = decode(fragment, reference.size(), f.segments);
    ASSERT_TRUE(d.status.ok()) << d.status.message;
    EXPECT_TRUE(d.status.complete);

    const size_t plane = reference.size() / f.segments;
    Bytes interleaved(reference.size());
    for (size_t s = 0; s < f.segments; ++s)
        for (size_t i = 0; i < plane; ++i) {
            if (f.bytesPerSample == 1) interleaved[i * f.segments + s] = d.frame[s * plane + i];
            else interleaved[2 * i + (1 - s)] = d.frame[s * plane + i]; // little-endian samples
        }
    EXPECT_EQ(interleaved, reference);
}

INSTANTIATE_TEST_SUITE_P(Dcmtk, RleFixture,
                         testing::Values(Fixture{"rle_gray8", 1, 1}, Fixture{"rle_odd8", 1, 1},
                                         Fixture{"rle_rgb8", 3, 1},
                                         Fixture{"rle_ct16", 2, 2}),
                         [](const testing::TestParamInfo<Fixture>& info) { return std::string(info.param.name); });

TEST(RleDecoder, EveryTruncationOfARealFragmentStaysInBounds) {
    const Bytes fragment = readFixture("rle_rgb8.bin");
    ASSERT_GT(fragment.size(), kRleHeaderSize);
    const size_t lastOffset = fragment[12] | fragment[13] << 8 | fragment[14] << 16;
    for (size_t length = 0; length <= fragment.size(); ++length) {
        const Bytes cut(fragment.begin(), fragment.begin() + static_cast<long>(length));
        const Decoded d = decode(cut, 64 * 64 * 3, 3);
        // Refused while the last segment's offset lies past the cut, or while
        // what is left of that segment cannot expand to a plane.
        const bool acceptable = length > lastOffset && (length - lastOffset) * kRleMaxExpansion >= 64 * 64;
        ASSERT_EQ(d.status.ok(), acceptable) << length;
        if (length == fragment.size()) {
            EXPECT_TRUE(d.status.complete);
        }
        // Segments are padded to even lengths, so the last byte may be padding.
        if (d.status.ok() && length + 1 < fragment.size()) {
            EXPECT_FALSE(d.status.complete) << length;
        }
    }
}

} // namespace
} // namespace veltor
