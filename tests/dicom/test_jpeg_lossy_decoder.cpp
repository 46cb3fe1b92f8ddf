#include "dicom/jpeg_lossy_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "decoder_test_support.h"

#include <cstdio>
#include <jpeglib.h>

namespace veltor {
namespace {

using test::readFixture;
using Bytes = std::vector<uint8_t>;

FrameGeometry geometry(uint32_t rows, uint32_t columns, uint32_t samples, uint32_t bitsStored) {
    FrameGeometry g;
    g.rows = rows;
    g.columns = columns;
    g.samplesPerPixel = samples;
    g.bitsStored = bitsStored;
    g.bitsAllocated = bitsStored == 8 ? 8 : 16;
    return g;
}

size_t frameBytes(const FrameGeometry& g) {
    return static_cast<size_t>(g.rows) * g.columns * g.samplesPerPixel * g.bitsAllocated / 8;
}

std::vector<int> samplesOf(const Bytes& bytes, uint32_t bitsStored) {
    std::vector<int> out;
    if (bitsStored == 8) return {bytes.begin(), bytes.end()};
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) out.push_back(bytes[i] | bytes[i + 1] << 8);
    return out;
}

struct Fixture {
    const char* name;
    uint32_t samplesPerPixel;
    uint32_t bitsStored;
};

class LossyFixture : public testing::TestWithParam<Fixture> {};

// DCMTK decodes with its own copy of the IJG library; the two decoders may
// round a sample differently, never by more than one.
TEST_P(LossyFixture, MatchesDcmdjpegWithinOne) {
    const Fixture& f = GetParam();
    const Bytes fragment = readFixture(std::string(f.name) + ".bin");
    const auto reference = samplesOf(readFixture(std::string(f.name) + ".raw"), f.bitsStored);
    const FrameGeometry g = geometry(64, 64, f.samplesPerPixel, f.bitsStored);
    ASSERT_EQ(reference.size(), 64u * 64u * f.samplesPerPixel);

    Bytes frame(frameBytes(g), 0);
    const FrameDecodeStatus status = decodeJpegFrame(fragment, g, frame);
    ASSERT_TRUE(status.ok()) << status.message;
    EXPECT_TRUE(status.complete);
    EXPECT_EQ(status.message, "");
    const auto decoded = samplesOf(frame, f.bitsStored);
    int worst = 0;
    for (size_t i = 0; i < reference.size(); ++i) worst = std::max(worst, std::abs(decoded[i] - reference[i]));
    EXPECT_LE(worst, 1);
    // The image is not flat: a decoder that wrote nothing would fail above.
    EXPECT_NE(*std::max_element(reference.begin(), reference.end()),
              *std::min_element(reference.begin(), reference.end()));
}

INSTANTIATE_TEST_SUITE_P(Dcmtk, LossyFixture,
                         testing::Values(Fixture{"jpeg_gray8_baseline", 1, 8},
                                         Fixture{"jpeg_rgb8_baseline_422", 3, 8},
                                         Fixture{"jpeg_rgb8_progressive", 3, 8},
                                         Fixture{"jpeg_ct12_extended", 1, 12}),
                         [](const testing::TestParamInfo<Fixture>& info) { return std::string(info.param.name); });

TEST(JpegLossyDecoder, OnlyEightAndTwelveBitSamplesAreSupported) {
    const Bytes fragment = readFixture("jpeg_gray8_baseline.bin");
    for (uint32_t bits : {6u, 10u, 16u}) {
        const FrameGeometry g = geometry(64, 64, 1, bits);
        Bytes frame(frameBytes(g));
        EXPECT_EQ(decodeJpegFrame(fragment, g, frame).error, DicomError::UnsupportedDicom) << bits;
    }
}

TEST(JpegLossyDecoder, LibraryErrorsReturnToTheCaller) {
    // An 8-bit stream handed to the 12-bit library, and the reverse.
    const Bytes eight = readFixture("jpeg_gray8_baseline.bin");
    const Bytes twelve = readFixture("jpeg_ct12_extended.bin");
    Bytes frame(64 * 64 * 2);
    FrameDecodeStatus status = decodeJpegFrame(eight, geometry(64, 64, 1, 12), frame);
    EXPECT_EQ(status.error, DicomError::CorruptedDicom);
    EXPECT_NE(status.message.find("precision"), std::string::npos) << status.message;
    status = decodeJpegFrame(twelve, geometry(64, 64, 1, 8), frame);
    EXPECT_EQ(status.error, DicomError::CorruptedDicom);
    EXPECT_FALSE(status.message.empty());

    const Bytes garbage(500, 0x5A);
    EXPECT_EQ(decodeJpegFrame(garbage, geometry(64, 64, 1, 8), frame).error, DicomError::CorruptedDicom);
    EXPECT_EQ(decodeJpegFrame({}, geometry(64, 64, 1, 8), frame).error, DicomError::CorruptedDicom);
}

TEST(JpegLossyDecoder, GeometryThatDisagreesIsRefusedBeforeDecoding) {
    const Bytes fragment = readFixture("jpeg_rgb8_baseline_422.bin");
    for (const FrameGeometry& g : {geometry(64, 32, 3, 8), geometry(32, 64, 3, 8), geometry(64, 64, 1, 8)}) {
        Bytes frame(64 * 64 * 3, 0xAB);
        const FrameDecodeStatus status = decodeJpegFrame(fragment, g, frame);
        EXPECT_EQ(status.error, DicomError::CorruptedDicom);
        EXPECT_NE(status.message.find("does not match"), std::string::npos) << status.message;
        EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](uint8_t b) { return b == 0xAB; }));
    }
    Bytes small(64 * 64 * 3 - 1);
    EXPECT_FALSE(decodeJpegFrame(fragment, geometry(64, 64, 3, 8), small).ok());
}

Bytes withDimensions(Bytes fragment, uint16_t width, uint16_t height) {
    const uint8_t sofMarker[] = {0xFF, 0xC0};
    const auto sof = std::search(fragment.begin(), fragment.end(), std::begin(sofMarker), std::end(sofMarker));
    EXPECT_NE(sof, fragment.end());
    sof[5] = static_cast<uint8_t>(height >> 8);
    sof[6] = static_cast<uint8_t>(height);
    sof[7] = static_cast<uint8_t>(width >> 8);
    sof[8] = static_cast<uint8_t>(width);
    return fragment;
}

TEST(JpegLossyDecoder, HeaderOnlyCheckAgreesWithTheFixtures) {
    EXPECT_TRUE(checkJpegFrame(readFixture("jpeg_gray8_baseline.bin"), geometry(64, 64, 1, 8)).ok());
    EXPECT_TRUE(checkJpegFrame(readFixture("jpeg_rgb8_baseline_422.bin"), geometry(64, 64, 3, 8)).ok());
    EXPECT_TRUE(checkJpegFrame(readFixture("jpeg_ct12_extended.bin"), geometry(64, 64, 1, 12)).ok());
    EXPECT_FALSE(checkJpegFrame(readFixture("jpeg_ct12_extended.bin"), geometry(64, 63, 1, 12)).ok());
    EXPECT_EQ(checkJpegFrame(readFixture("jpeg_gray8_baseline.bin"), geometry(64, 64, 1, 16)).error,
              DicomError::UnsupportedDicom);
}

TEST(JpegLossyDecoder, HugeHeaderInATinyStreamIsRefusedQuickly) {
    const Bytes base = readFixture("jpeg_gray8_baseline.bin"); // 742 bytes
    // Beyond the absolute budget, even when the image attributes agree.
    const Bytes huge = withDimensions(base, 65000, 65000);
    EXPECT_NE(checkJpegFrame(huge, geometry(65000, 65000, 1, 8)).message.find("beyond"), std::string::npos);
    // Within the budget, but far more 8x8 blocks than 742 bytes of Huffman data can code.
    const Bytes large = withDimensions(base, 4000, 4000);
    const FrameGeometry g = geometry(4000, 4000, 1, 8);
    EXPECT_FALSE(checkJpegFrame(large, g).ok());
    Bytes frame(frameBytes(g));
    const auto start = std::chrono::steady_clock::now();
    const FrameDecodeStatus status = decodeJpegFrame(large, g, frame);
    EXPECT_EQ(status.error, DicomError::CorruptedDicom);
    EXPECT_NE(status.message.find("beyond what 742 bytes can hold"), std::string::npos) << status.message;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
}

TEST(JpegLossyDecoder, TruncatedStreamsWarnAndFillOrFail) {
    for (const char* name : {"jpeg_gray8_baseline", "jpeg_ct12_extended"}) {
        const Bytes fragment = readFixture(std::string(name) + ".bin");
        const bool twelve = std::string(name).find("ct12") != std::string::npos;
        const FrameGeometry g = geometry(64, 64, 1, twelve ? 12 : 8);
        size_t partial = 0;
        for (size_t length = 0; length < fragment.size(); ++length) {
            const Bytes cut(fragment.begin(), fragment.begin() + static_cast<long>(length));
            Bytes frame(frameBytes(g));
            const FrameDecodeStatus status = decodeJpegFrame(cut, g, frame);
            // Either refused, or decoded with the end-of-data warning and marked incomplete.
            ASSERT_TRUE(!status.ok() || !status.complete) << name << " " << length;
            if (status.ok()) {
                ++partial;
                EXPECT_NE(status.message.find("Premature end of JPEG file"), std::string::npos);
            }
        }
        EXPECT_GT(partial, fragment.size() / 2) << name; // cuts inside the entropy data
    }
}

TEST(JpegLossyDecoder, EndlessWarningsAreCutOff) {
    Bytes fragment = readFixture("jpeg_gray8_baseline.bin");
    // Each junk byte before a comment marker is an "extraneous bytes" warning.
    Bytes noise;
    for (int i = 0; i < kJpegMaxWarnings + 10; ++i) noise.insert(noise.end(), {0x00, 0xFF, 0xFE, 0x00, 0x02});
    fragment.insert(fragment.begin() + 2, noise.begin(), noise.end());
    Bytes frame(64 * 64);
    const FrameDecodeStatus status = decodeJpegFrame(fragment, geometry(64, 64, 1, 8), frame);
    EXPECT_EQ(status.error, DicomError::CorruptedDicom);
    EXPECT_EQ(status.message, "Too many warnings in the JPEG data");

    // A few of them are only warnings.
    Bytes fewer = readFixture("jpeg_gray8_baseline.bin");
    fewer.insert(fewer.begin() + 2, noise.begin(), noise.begin() + 15);
    const FrameDecodeStatus ok = decodeJpegFrame(fewer, geometry(64, 64, 1, 8), frame);
    EXPECT_TRUE(ok.ok()) << ok.message;
    EXPECT_NE(ok.message.find("extraneous"), std::string::npos) << ok.message;
}

TEST(JpegLossyDecoder, EndlessScansAreCutOff) {
    const Bytes progressive = readFixture("jpeg_rgb8_progressive.bin");
    // The last scan (from its SOS to the EOI), repeated many times.
    size_t lastSos = 0;
    for (size_t i = 0; i + 1 < progressive.size(); ++i)
        if (progressive[i] == 0xFF && progressive[i + 1] == 0xDA) lastSos = i;
    ASSERT_GT(lastSos, 0u);
    ASSERT_EQ(progressive[progressive.size() - 1], 0xD9);
    const Bytes scan(progressive.begin() + static_cast<long>(lastSos), progressive.end() - 2);
    Bytes crafted(progressive.begin(), progressive.end() - 2);
    for (int i = 0; i < kJpegMaxScans + 50; ++i) crafted.insert(crafted.end(), scan.begin(), scan.end());
    crafted.push_back(0xFF);
    crafted.push_back(0xD9);

    Bytes frame(64 * 64 * 3);
    const auto start = std::chrono::steady_clock::now();
    const FrameDecodeStatus status = decodeJpegFrame(crafted, geometry(64, 64, 3, 8), frame);
    EXPECT_EQ(status.error, DicomError::CorruptedDicom);
    EXPECT_TRUE(status.message == "Too many scans in the JPEG data" ||
                status.message == "Too many warnings in the JPEG data")
        << status.message;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// A valid progressive stream whose scan script sends every AC coefficient on
// its own, bit plane by bit plane: 632 scans for a 64 x 64 grey image.
Bytes progressiveWithManyScans() {
    std::vector<jpeg_scan_info> script;
    script.push_back({1, {0, 0, 0, 0}, 0, 0, 0, 1});
    script.push_back({1, {0, 0, 0, 0}, 0, 0, 1, 0});
    for (int k = 1; k < 64; ++k) {
        script.push_back({1, {0, 0, 0, 0}, k, k, 0, 9});
        for (int al = 8; al >= 0; --al) script.push_back({1, {0, 0, 0, 0}, k, k, al + 1, al});
    }
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = 64;
    info.image_height = 64;
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    info.scan_info = script.data();
    info.num_scans = static_cast<int>(script.size());
    jpeg_start_compress(&info, TRUE);
    Bytes row(64);
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) row[x] = static_cast<uint8_t>(x * 4 ^ y * 3);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes stream(buffer, buffer + size);
    std::free(buffer);
    return stream;
}

TEST(JpegLossyDecoder, ProgressiveStreamsWithTooManyScansAreRefused) {
    const Bytes stream = progressiveWithManyScans();
    size_t scans = 0;
    for (size_t i = 0; i + 1 < stream.size(); ++i) scans += stream[i] == 0xFF && stream[i + 1] == 0xDA;
    ASSERT_GT(scans, static_cast<size_t>(kJpegMaxScans));
    Bytes frame(64 * 64);
    const FrameDecodeStatus status = decodeJpegFrame(stream, geometry(64, 64, 1, 8), frame);
    EXPECT_EQ(status.error, DicomError::CorruptedDicom);
    EXPECT_EQ(status.message, "Too many scans in the JPEG data");
}

} // namespace
} // namespace veltor
