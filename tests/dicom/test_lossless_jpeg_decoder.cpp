#include "dicom/lossless_jpeg_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "decoder_test_support.h"

namespace veltor {
namespace {

using test::CapturedStream;
using test::LosslessJpegWriter;
using test::readFixture;

FrameGeometry geometry(uint32_t rows, uint32_t columns, uint32_t samples, uint32_t bitsStored) {
    FrameGeometry g;
    g.rows = rows;
    g.columns = columns;
    g.samplesPerPixel = samples;
    g.bitsStored = bitsStored;
    g.bitsAllocated = bitsStored == 8 ? 8 : 16;
    return g;
}

std::vector<uint16_t> toSamples(const std::vector<uint8_t>& bytes, uint32_t bitsStored) {
    std::vector<uint16_t> samples;
    if (bitsStored == 8) return {bytes.begin(), bytes.end()};
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        samples.push_back(static_cast<uint16_t>(bytes[i] | bytes[i + 1] << 8));
    return samples;
}

// Index of the marker FF `code` in `stream`.
size_t markerAt(const std::vector<uint8_t>& stream, uint8_t code) {
    for (size_t i = 0; i + 1 < stream.size(); ++i)
        if (stream[i] == 0xFF && stream[i + 1] == code) return i;
    ADD_FAILURE() << "marker " << int(code) << " not found";
    return 0;
}

struct Decoded {
    FrameDecodeStatus status;
    std::vector<uint16_t> samples;
    std::string errors;
    LosslessJpegHeader header;
};

Decoded decode(const std::vector<uint8_t>& stream, const FrameGeometry& g) {
    Decoded result;
    std::vector<uint8_t> frame(static_cast<size_t>(g.rows) * g.columns * g.samplesPerPixel *
                               g.bitsAllocated / 8);
    CapturedStream errors;
    result.status = decodeLosslessFrame(stream, g, frame, errors.file(), &result.header);
    result.errors = errors.text();
    result.samples = toSamples(frame, g.bitsStored);
    return result;
}

// ---- Bit-exact against DCMTK (and PVRG for restart intervals) ----

struct Fixture {
    const char* name;
    uint32_t samplesPerPixel;
    uint32_t bitsStored;
    int predictor;
    int pointTransform;
    uint32_t rows = 64;
    uint32_t columns = 64;
};

class LosslessFixture : public testing::TestWithParam<Fixture> {};

TEST_P(LosslessFixture, MatchesIndependentDecoder) {
    const Fixture& f = GetParam();
    const auto stream = readFixture(std::string(f.name) + ".bin");
    const auto reference = toSamples(readFixture(std::string(f.name) + ".raw"), f.bitsStored);
    const size_t pixels = size_t{f.rows} * f.columns;
    ASSERT_FALSE(stream.empty());
    ASSERT_EQ(reference.size(), pixels * f.samplesPerPixel);

    const Decoded d = decode(stream, geometry(f.rows, f.columns, f.samplesPerPixel, f.bitsStored));
    ASSERT_TRUE(d.status.ok()) << d.status.message;
    EXPECT_TRUE(d.status.complete);
    EXPECT_EQ(d.errors, "");
    EXPECT_EQ(d.header.predictor, f.predictor);
    EXPECT_EQ(d.header.pointTransform, f.pointTransform);

    // Only the first component is written, one sample per pixel; the reference
    // decoder applies the point transform, this decoder does not.
    size_t mismatches = 0;
    for (size_t i = 0; i < pixels; ++i) {
        const uint16_t expected =
            static_cast<uint16_t>(reference[i * f.samplesPerPixel] >> f.pointTransform);
        if (d.samples[i] != expected && mismatches++ < 5)
            ADD_FAILURE() << "pixel " << i << ": " << d.samples[i] << " != " << expected;
    }
    EXPECT_EQ(mismatches, 0u);
    // The rest of a multi-sample frame buffer stays as it was (zero).
    for (size_t i = pixels; i < d.samples.size(); ++i) ASSERT_EQ(d.samples[i], 0) << i;
}

INSTANTIATE_TEST_SUITE_P(
    DcmtkAndPvrg, LosslessFixture,
    testing::Values(Fixture{"ll_gray8_sv1", 1, 8, 1, 0}, Fixture{"ll_gray8_sv4", 1, 8, 4, 0},
                    Fixture{"ll_gray8_sv7", 1, 8, 7, 0}, Fixture{"ll_odd8_sv1", 1, 8, 1, 0, 61, 63},
                    Fixture{"ll_rgb8_sv1", 3, 8, 1, 0},
                    Fixture{"ll_ct12_sv1", 1, 12, 1, 0}, Fixture{"ll_ct12_sv4", 1, 12, 4, 0},
                    Fixture{"ll_ct12_sv7", 1, 12, 7, 0}, Fixture{"ll_ct12_sv1_pt2", 1, 12, 1, 2},
                    Fixture{"ll_ct16_sv1", 1, 16, 1, 0}, Fixture{"ll_ct16_sv2", 1, 16, 2, 0},
                    Fixture{"ll_ct16_sv3", 1, 16, 3, 0}, Fixture{"ll_ct16_sv4", 1, 16, 4, 0},
                    Fixture{"ll_ct16_sv5", 1, 16, 5, 0}, Fixture{"ll_ct16_sv6", 1, 16, 6, 0},
                    Fixture{"ll_ct16_sv7", 1, 16, 7, 0},
                    Fixture{"pvrg_ct16_sv7_rst1", 1, 16, 7, 0},
                    Fixture{"pvrg_ct16_sv4_rst2", 1, 16, 4, 0},
                    Fixture{"pvrg_gray8_sv1_rst1", 1, 8, 1, 0}),
    [](const testing::TestParamInfo<Fixture>& info) { return std::string(info.param.name); });

// ---- Round trips through the test writer ----

std::vector<uint16_t> testImage(int width, int height, int components, int precision) {
    std::vector<uint16_t> samples;
    uint32_t state = 12345;
    const uint32_t mask = (1u << precision) - 1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < components; ++c) {
                state = state * 1664525u + 1013904223u;
                // Mostly smooth with large jumps now and then (long codes).
                uint32_t v = static_cast<uint32_t>(x * 37 + y * 91 + c * 1000) + (state >> 28);
                if ((state >> 8) % 17 == 0) v += state >> 12;
                samples.push_back(static_cast<uint16_t>(v & mask));
            }
    return samples;
}

std::vector<uint16_t> firstComponent(const std::vector<uint16_t>& samples, int components) {
    std::vector<uint16_t> result;
    for (size_t i = 0; i < samples.size(); i += static_cast<size_t>(components)) result.push_back(samples[i]);
    return result;
}

TEST(LosslessJpegDecoder, EveryPredictorAndPrecisionRoundTrips) {
    for (int precision : {2, 8, 12, 16}) {
        for (int predictor = 1; predictor <= 7; ++predictor) {
            LosslessJpegWriter writer;
            writer.precision = precision;
            writer.predictor = predictor;
            const auto image = testImage(23, 9, 1, precision);
            const uint32_t bitsStored = precision <= 8 ? 8 : 16;
            const Decoded d = decode(writer.encode(image, 23, 9), geometry(9, 23, 1, bitsStored));
            ASSERT_TRUE(d.status.ok()) << d.status.message;
            std::vector<uint16_t> expected = image;
            if (bitsStored == 8)
                for (auto& v : expected) v &= 0xFF;
            EXPECT_EQ(d.samples, expected) << "P=" << precision << " PSV=" << predictor;
        }
    }
}

TEST(LosslessJpegDecoder, InterleavedComponentsYieldTheFirstOnly) {
    for (int components : {2, 3, 4}) {
        LosslessJpegWriter writer;
        writer.predictor = 4;
        const auto image = testImage(10, 7, components, 16);
        const Decoded d =
            decode(writer.encode(image, 10, 7, components), geometry(7, 10, components, 16));
        ASSERT_TRUE(d.status.ok()) << d.status.message;
        const auto first = firstComponent(image, components);
        EXPECT_TRUE(std::equal(first.begin(), first.end(), d.samples.begin())) << components;
    }
}

TEST(LosslessJpegDecoder, SixteenBitFirstPixelIsPredictedAs32768) {
    LosslessJpegWriter writer;
    writer.predictor = 1;
    // A single pixel of 32768 encodes as difference 0 against the first-pixel prediction.
    const auto stream = writer.encode({32768}, 1, 1);
    const Decoded d = decode(stream, geometry(1, 1, 1, 16));
    ASSERT_TRUE(d.status.ok());
    EXPECT_EQ(d.samples, std::vector<uint16_t>{32768});
    // The difference byte after the SOS header is the 4-bit code of category 0.
    EXPECT_EQ(stream[markerAt(stream, 0xDA) + 10] >> 4, 0);
}

TEST(LosslessJpegDecoder, RestartEveryRowCyclesThroughRst0ToRst7) {
    LosslessJpegWriter writer;
    writer.predictor = 6;
    writer.restartInterval = 5; // one row of 5 pixels
    const auto image = testImage(5, 12, 1, 16);
    const auto stream = writer.encode(image, 5, 12);
    // Eleven restarts: RST0..RST7, then RST0..RST2 again.
    size_t rstCount = 0;
    for (size_t i = 0; i + 1 < stream.size(); ++i)
        if (stream[i] == 0xFF && stream[i + 1] >= 0xD0 && stream[i + 1] <= 0xD7) ++rstCount;
    ASSERT_EQ(rstCount, 11u);

    const Decoded d = decode(stream, geometry(12, 5, 1, 16));
    ASSERT_TRUE(d.status.ok()) << d.status.message;
    EXPECT_EQ(d.samples, image);
    EXPECT_EQ(d.header.restartInterval, 5u);

    // Three-row intervals, a last interval cut short by the image end.
    writer.restartInterval = 15;
    const Decoded three = decode(writer.encode(image, 5, 12), geometry(12, 5, 1, 16));
    ASSERT_TRUE(three.status.ok()) << three.status.message;
    EXPECT_EQ(three.samples, image);
}

TEST(LosslessJpegDecoder, RestartMarkerOutOfOrderIsFatal) {
    LosslessJpegWriter writer;
    writer.restartInterval = 4;
    auto stream = writer.encode(testImage(4, 6, 1, 16), 4, 6);
    stream[markerAt(stream, 0xD1) + 1] = 0xD3; // RST1 replaced by RST3
    const Decoded d = decode(stream, geometry(6, 4, 1, 16));
    EXPECT_EQ(d.status.error, DicomError::UnsupportedDicom);
    EXPECT_EQ(d.errors, "Error: Corrupt JPEG data.  Exiting...\n");
    EXPECT_EQ(d.status.message, "Error: Corrupt JPEG data.  Exiting...");
    // Rows of the first two intervals were decoded before the failure.
    const auto image = testImage(4, 6, 1, 16);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 8, d.samples.begin()));
}

std::vector<uint8_t> baseStream();
size_t sosAt(const std::vector<uint8_t>& s);

TEST(LosslessJpegDecoder, RestartIntervalThatIsNotWholeRowsIsRefused) {
    LosslessJpegWriter writer;
    writer.restartInterval = 6;
    // The writer only places markers at row starts; the header alone decides.
    const Decoded d = decode(writer.encode(testImage(4, 6, 1, 16), 4, 6), geometry(6, 4, 1, 16));
    EXPECT_EQ(d.status.error, DicomError::UnsupportedDicom);
    EXPECT_NE(d.errors.find("Restart interval 6"), std::string::npos) << d.errors;

    // A DRI of zero turns restarts off.
    auto stream = baseStream();
    const std::vector<uint8_t> dri = {0xFF, 0xDD, 0x00, 0x04, 0x00, 0x00};
    stream.insert(stream.begin() + static_cast<long>(sosAt(stream)), dri.begin(), dri.end());
    const Decoded zero = decode(stream, geometry(4, 4, 1, 16));
    ASSERT_TRUE(zero.status.ok()) << zero.status.message;
    EXPECT_EQ(zero.samples, testImage(4, 4, 1, 16));
}

TEST(LosslessJpegDecoder, UndefinedPredictorWarnsAndPredictsZero) {
    LosslessJpegWriter writer;
    writer.predictor = 0; // selection value 0 belongs to hierarchical mode only
    const auto image = testImage(6, 4, 1, 12);
    const Decoded d = decode(writer.encode(image, 6, 4), geometry(4, 6, 1, 12));
    ASSERT_TRUE(d.status.ok()) << d.status.message;
    EXPECT_EQ(d.errors, "Warning: Undefined PSV\n");
    EXPECT_EQ(d.samples, image);
}

TEST(LosslessJpegDecoder, PointTransformIsNotApplied) {
    LosslessJpegWriter writer;
    writer.precision = 12;
    writer.pointTransform = 3;
    std::vector<uint16_t> image = testImage(8, 8, 1, 9); // already shifted values
    const Decoded d = decode(writer.encode(image, 8, 8), geometry(8, 8, 1, 12));
    ASSERT_TRUE(d.status.ok()) << d.status.message;
    EXPECT_EQ(d.samples, image);
    EXPECT_EQ(d.header.pointTransform, 3);

    writer.pointTransform = 12; // not below the precision
    const Decoded bad = decode(writer.encode(image, 8, 8), geometry(8, 8, 1, 12));
    EXPECT_EQ(bad.status.error, DicomError::UnsupportedDicom);
}

// ---- Header errors: the diagnostics and the refusal ----

struct HeaderCase {
    const char* what;
    std::vector<uint8_t> (*mutate)(std::vector<uint8_t>);
    const char* errors;
};

std::vector<uint8_t> baseStream() {
    LosslessJpegWriter writer;
    return writer.encode(testImage(4, 4, 1, 16), 4, 4);
}

size_t sofAt(const std::vector<uint8_t>& s) { return markerAt(s, 0xC3); }
size_t sosAt(const std::vector<uint8_t>& s) { return markerAt(s, 0xDA); }
size_t dhtAt(const std::vector<uint8_t>& s) { return markerAt(s, 0xC4); }

const HeaderCase kHeaderCases[] = {
    {"not a JPEG", [](std::vector<uint8_t> s) { s[0] = 0x12; s[1] = 0xAB; return s; },
     "Not a JPEG file. Found 12 AB\n"},
    {"progressive SOF", [](std::vector<uint8_t> s) { s[sofAt(s) + 1] = 0xC2; return s; },
     "Unsupported SOF marker type 0xc2"},
    {"precision 1", [](std::vector<uint8_t> s) { s[sofAt(s) + 4] = 1; return s; },
     "Unsupported JPEG data precision"},
    {"precision 17", [](std::vector<uint8_t> s) { s[sofAt(s) + 4] = 17; return s; },
     "Unsupported JPEG data precision"},
    {"zero width", [](std::vector<uint8_t> s) { s[sofAt(s) + 7] = 0; s[sofAt(s) + 8] = 0; return s; },
     "Empty JPEG image (DNL not supported)"},
    {"SOF length", [](std::vector<uint8_t> s) { s[sofAt(s) + 3] = 12; return s; }, "Bogus SOF length"},
    {"subsampled", [](std::vector<uint8_t> s) { s[sofAt(s) + 11] = 0x21; return s; },
     "Error: Downsampling is not supported.\n"},
    {"SOS length", [](std::vector<uint8_t> s) { s[sosAt(s) + 3] = 9; return s; }, "Bogus SOS length"},
    {"five scan components",
     [](std::vector<uint8_t> s) { s[sosAt(s) + 3] = 16; s[sosAt(s) + 4] = 5; return s; },
     "Bogus SOS length"},
    {"unknown component", [](std::vector<uint8_t> s) { s[sosAt(s) + 5] = 9; return s; },
     "Invalid component number in SOS"},
    {"undefined table", [](std::vector<uint8_t> s) { s[sosAt(s) + 6] = 0x20; return s; },
     "Error: Use of undefined Huffman table\n"},
    {"table selector 5", [](std::vector<uint8_t> s) { s[sosAt(s) + 6] = 0x50; return s; },
     "Error: Use of undefined Huffman table\n"},
    {"DHT counts", [](std::vector<uint8_t> s) { s[dhtAt(s) + 5 + 15] = 250; return s; },
     "Bogus DHT counts"},
    {"AC table", [](std::vector<uint8_t> s) { s[dhtAt(s) + 4] = 0x10; return s; },
     "Huffman table for lossless JPEG is not defined.\nBogus DHT index 16"},
    {"table id 4", [](std::vector<uint8_t> s) { s[dhtAt(s) + 4] = 0x04; return s; }, "Bogus DHT index 4"},
    {"over-subscribed table",
     // Two 1-bit codes leave no room for the 4-bit ones (the symbol count is unchanged).
     [](std::vector<uint8_t> s) { s[dhtAt(s) + 5] = 2; s[dhtAt(s) + 8] = 4; return s; },
     "Bogus Huffman table definition\n"},
    {"category 17 in table", [](std::vector<uint8_t> s) { s[dhtAt(s) + 5 + 16] = 17; return s; },
     "Bogus Huffman table definition\n"},
    {"DRI length",
     [](std::vector<uint8_t> s) {
         const std::vector<uint8_t> dri = {0xFF, 0xDD, 0x00, 0x05, 0x00, 0x04, 0x00};
         s.insert(s.begin() + static_cast<long>(sosAt(s)), dri.begin(), dri.end());
         return s;
     },
     "Bogus length in DRI"},
    {"second frame header",
     [](std::vector<uint8_t> s) {
         const std::vector<uint8_t> sof(s.begin() + static_cast<long>(sofAt(s)),
                                        s.begin() + static_cast<long>(sofAt(s) + 13));
         s.insert(s.begin() + static_cast<long>(sosAt(s)), sof.begin(), sof.end());
         return s;
     },
     "Unexpected marker 0xc3"},
    {"header cut short", [](std::vector<uint8_t> s) { s.resize(sofAt(s) + 6); return s; },
     "Premature end of JPEG file\n"},
};

TEST(LosslessJpegDecoder, HeaderErrorsPrintTheirDiagnosticAndWriteNothing) {
    for (const HeaderCase& c : kHeaderCases) {
        SCOPED_TRACE(c.what);
        const Decoded d = decode(c.mutate(baseStream()), geometry(4, 4, 1, 16));
        EXPECT_FALSE(d.status.ok());
        EXPECT_FALSE(d.status.complete);
        EXPECT_EQ(d.errors, c.errors);
        EXPECT_TRUE(std::all_of(d.samples.begin(), d.samples.end(), [](uint16_t v) { return v == 0; }));
    }
}

TEST(LosslessJpegDecoder, WarningsBeforeTheFrameDoNotStopDecoding) {
    auto stream = baseStream();
    // A stray RST marker and a DQT segment (whose bytes the marker search skips).
    const std::vector<uint8_t> extra = {0xFF, 0xD4, 0xFF, 0xDB, 0x00, 0x04, 0x00, 0x01};
    stream.insert(stream.begin() + 2, extra.begin(), extra.end());
    const Decoded d = decode(stream, geometry(4, 4, 1, 16));
    ASSERT_TRUE(d.status.ok()) << d.status.message;
    EXPECT_EQ(d.errors, "Warning: unexpected marker 0xd4Not a lossless JPEG file.\n");
    EXPECT_EQ(d.samples, testImage(4, 4, 1, 16));
}

TEST(LosslessJpegDecoder, StreamWithoutScanLeavesTheFrameZeroAndIncomplete) {
    auto stream = baseStream();
    stream.resize(sosAt(stream));
    stream.push_back(0xFF);
    stream.push_back(0xD9);
    const Decoded d = decode(stream, geometry(4, 4, 1, 16));
    EXPECT_TRUE(d.status.ok());
    EXPECT_FALSE(d.status.complete);
}

TEST(LosslessJpegDecoder, GeometryThatDisagreesWithTheImageIsRefusedBeforeWriting) {
    const auto stream = baseStream(); // 4 x 4, one component
    for (const FrameGeometry& g : {geometry(4, 5, 1, 16), geometry(5, 4, 1, 16), geometry(4, 4, 3, 16)}) {
        std::vector<uint8_t> frame(200, 0xAB);
        CapturedStream errors;
        const auto status = decodeLosslessFrame(stream, g, frame, errors.file());
        EXPECT_EQ(status.error, DicomError::CorruptedDicom);
        EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 0xAB; }));
    }
    // A frame buffer too small for the stated geometry is refused as well.
    std::vector<uint8_t> small(31);
    EXPECT_EQ(decodeLosslessFrame(stream, geometry(4, 4, 1, 16), small, nullptr).error,
              DicomError::CorruptedDicom);
}

// ---- Truncated and damaged entropy data ----

TEST(LosslessJpegDecoder, EveryTruncationFailsCleanly) {
    const auto stream = readFixture("ll_ct16_sv7.bin");
    const auto reference = toSamples(readFixture("ll_ct16_sv7.raw"), 16);
    const size_t sos = sosAt(stream);
    // DCMTK ends the entropy data with a 0xFF fill byte before EOI: cuts that
    // remove only those three bytes still hold the whole image.
    ASSERT_EQ(stream[stream.size() - 3], 0xFF);
    for (size_t length = 0; length + 3 < stream.size(); ++length) {
        std::vector<uint8_t> cut(stream.begin(), stream.begin() + static_cast<long>(length));
        const Decoded d = decode(cut, geometry(64, 64, 1, 16));
        ASSERT_FALSE(d.status.ok() && d.status.complete) << length;
        if (length > sos + 64 * 64 / 8 + 100) {
            // Rows completed before the data ran out are kept.
            EXPECT_EQ(d.status.message, "Corrupt JPEG data: premature end of data segment");
            EXPECT_EQ(d.samples[0], reference[0]);
        }
    }
}

TEST(LosslessJpegDecoder, ImageLargerThanTheDataCanCodeIsRefusedBeforeWriting) {
    auto stream = baseStream(); // 4 x 4 pixels
    const size_t sof = sofAt(stream);
    stream[sof + 5] = 0x10; // 4096 rows of 4 pixels: 16384 samples, 2048 bytes at least
    stream[sof + 6] = 0x00;
    const FrameGeometry g = geometry(4096, 4, 1, 16);
    std::vector<uint8_t> frame(4096 * 4 * 2, 0xAB);
    CapturedStream errors;
    const auto status = decodeLosslessFrame(stream, g, frame, errors.file());
    EXPECT_EQ(status.error, DicomError::UnsupportedDicom);
    EXPECT_EQ(errors.text(), "Corrupt JPEG data: premature end of data segment\n");
    EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 0xAB; }));
    EXPECT_GT(4096u * 4u, kLosslessJpegMaxSamplesPerByte * stream.size());
}

TEST(LosslessJpegDecoder, MissingEoiOrTrailingFfStillDecodes) {
    auto stream = readFixture("ll_ct16_sv1.bin");
    const auto reference = toSamples(readFixture("ll_ct16_sv1.raw"), 16);
    ASSERT_EQ(stream[stream.size() - 2], 0xFF);
    stream.resize(stream.size() - 2); // no EOI
    EXPECT_EQ(decode(stream, geometry(64, 64, 1, 16)).samples, reference);
    stream.push_back(0xFF); // a lone 0xFF as the last byte
    const Decoded d = decode(stream, geometry(64, 64, 1, 16));
    EXPECT_TRUE(d.status.ok() && d.status.complete);
    EXPECT_EQ(d.samples, reference);
}

TEST(LosslessJpegDecoder, BadHuffmanCodesWarnABoundedNumberOfTimes) {
    LosslessJpegWriter writer;
    auto stream = writer.encode(std::vector<uint16_t>(64 * 64, 1000), 64, 64);
    // Sixteen one-bits match no code of the writer's table (its longest codes
    // start with 1001): fill the entropy data with them.
    const size_t data = sosAt(stream) + 10;
    for (size_t i = data; i + 2 < stream.size(); i += 2) {
        stream[i] = 0xFF;
        stream[i + 1] = 0x00;
    }
    const Decoded d = decode(stream, geometry(64, 64, 1, 16));
    size_t warnings = 0;
    for (size_t at = 0; (at = d.errors.find("Corrupt JPEG data: bad Huffman code", at)) != std::string::npos; ++at)
        ++warnings;
    EXPECT_GT(warnings, 0u);
    EXPECT_LE(warnings, 20u);
}

} // namespace
} // namespace veltor
