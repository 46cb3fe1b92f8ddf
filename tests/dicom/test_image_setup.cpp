// Image attributes, frame reading and the conversions to the working layouts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dicom/dicom_file.h"
#include "dicom_bytes.h"

using namespace veltor;
using veltor::testing::DicomBytes;
using veltor::testing::Syntax;

namespace {

std::string us(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }

std::string samples16(const std::vector<int16_t>& v) {
    std::string s(v.size() * 2, '\0');
    std::memcpy(s.data(), v.data(), s.size());
    return s;
}

struct Image {
    int rows = 2, columns = 2, bits = 16, stored = 16, spp = 1, planar = 0;
    std::string photometric = "MONOCHROME2 ";
    std::string frames;                 // "" leaves Number of Frames out
    std::string intercept, slope;       // "" leaves them out
    std::string center, width;
    std::vector<std::pair<uint16_t, std::string>> extra; // more group 0028 elements (OB/US)
    std::string pixels;
    std::string syntax = "1.2.840.10008.1.2.1";
};

std::vector<uint8_t> build(const Image& im) {
    DicomBytes b;
    b.preamble(im.syntax);
    b.element(0x0018, 0x1063, "DS", "40.5");
    b.element(0x0028, 0x0002, "US", us(uint16_t(im.spp)));
    b.element(0x0028, 0x0004, "CS", DicomBytes::padText(im.photometric));
    if (im.spp > 1) b.element(0x0028, 0x0006, "US", us(uint16_t(im.planar)));
    if (!im.frames.empty()) b.element(0x0028, 0x0008, "IS", DicomBytes::padText(im.frames));
    b.element(0x0028, 0x0010, "US", us(uint16_t(im.rows)));
    b.element(0x0028, 0x0011, "US", us(uint16_t(im.columns)));
    b.element(0x0028, 0x0100, "US", us(uint16_t(im.bits)));
    b.element(0x0028, 0x0101, "US", us(uint16_t(im.stored)));
    b.element(0x0028, 0x0102, "US", us(uint16_t(im.stored - 1)));
    if (!im.center.empty()) b.element(0x0028, 0x1050, "DS", DicomBytes::padText(im.center));
    if (!im.width.empty()) b.element(0x0028, 0x1051, "DS", DicomBytes::padText(im.width));
    if (!im.intercept.empty()) b.element(0x0028, 0x1052, "DS", DicomBytes::padText(im.intercept));
    if (!im.slope.empty()) b.element(0x0028, 0x1053, "DS", DicomBytes::padText(im.slope));
    for (const auto& [element, value] : im.extra) b.element(0x0028, element, "OW", value);
    b.element(0x7FE0, 0x0010, im.bits == 8 ? "OB" : "OW", im.pixels);
    return b.bytes();
}

const int16_t* samplesOf(const DicomFile& f, int n) {
    return reinterpret_cast<const int16_t*>(f.frameBuffer(n));
}

} // namespace

TEST(ImageSetup, AttributesAndDefaults) {
    Image im;
    im.pixels = samples16({1, 2, 3, 4});
    DicomFile f;
    const auto bytes = build(im);
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    EXPECT_EQ(f.frameCount(), 1);
    EXPECT_EQ(f.rows(), 2);
    EXPECT_STREQ(f.compression(), "NONE");
    EXPECT_DOUBLE_EQ(f.frameTime(), 40.5);
    EXPECT_FALSE(f.rescaleNeeded());
    EXPECT_TRUE(f.isMonochrome2());
    EXPECT_EQ(f.frameBufferSize(1), 8u);
    EXPECT_EQ(f.frameBuffer(0), nullptr);
    EXPECT_EQ(f.frameBuffer(2), nullptr);
    // the pixel data record keeps its place and length but no value
    DicomElement e;
    ASSERT_TRUE(f.findElementByTag(0x7FE0, 0x0010, e));
    EXPECT_EQ(e.length, 8u);
    EXPECT_EQ(e.value, nullptr);
}

TEST(ImageSetup, RescaleOfSixteenBitCt) {
    Image im;
    im.intercept = "-1024";
    im.slope = "1";
    im.pixels = samples16({0, 1024, 2048, 100});
    DicomFile f;
    auto bytes = build(im);
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    EXPECT_TRUE(f.rescaleNeeded());
    const int16_t* s = samplesOf(f, 1);
    EXPECT_EQ(s[0], -1024);
    EXPECT_EQ(s[1], 0);
    EXPECT_EQ(s[2], 1024);
    EXPECT_EQ(s[3], -924);
    // unscaling gives the stored values back
    const std::vector<int16_t> stored = f.frame16(1, true);
    ASSERT_EQ(stored.size(), 4u);
    EXPECT_EQ(stored[1], 1024);

    im.slope = "0";
    im.intercept = "0";
    bytes = build(im);
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    EXPECT_FALSE(f.rescaleNeeded());
    EXPECT_DOUBLE_EQ(f.rescaleSlope(), 1.0);
}

TEST(ImageSetup, InterceptWithoutSlopeRescalesWithSlopeOne) {
    Image im;
    im.intercept = "-1000";
    im.pixels = samples16({1000, 1001, 1002, 1003});
    DicomFile f;
    const auto bytes = build(im);
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    EXPECT_EQ(samplesOf(f, 1)[3], 3);
}

TEST(ImageSetup, EightBitMonochrome1) {
    Image im;
    im.bits = im.stored = 8;
    im.photometric = "MONOCHROME1";
    im.pixels = std::string("\x0A\x14\x1E\x28", 4);
    DicomFile f;
    auto bytes = build(im);
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    EXPECT_EQ(f.frameBuffer(1)[0], 245);
    EXPECT_EQ(f.windowCenter(), 128);
    EXPECT_EQ(f.windowWidth(), 256);

    // with a rescale the frame becomes 16-bit: the rescaled values, shown
    // inverted (so that windows keep meaning stored values)
    im.intercept = "5";
    bytes = build(im);
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    EXPECT_EQ(f.bitsAllocated(), 16);
    EXPECT_TRUE(f.displayInverted());
    const int16_t* s = samplesOf(f, 1);
    EXPECT_EQ(s[0], 15);
    EXPECT_EQ(s[3], 45);
    EXPECT_EQ(f.frame8(1)[0], 255); // the range 15 .. 45, inverted
}

TEST(ImageSetup, OutlierCorrectionAndTwelveBitsStored) {
    Image im;
    im.rows = 1;
    im.columns = 6;
    im.pixels = samples16({0, 200, 400, 4095, 1000, 600});
    DicomFile f;
    auto bytes = build(im);
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    EXPECT_EQ(samplesOf(f, 1)[3], 0); // the burned-in maximum becomes the minimum
    EXPECT_EQ(samplesOf(f, 1)[4], 1000);

    // overlay bits above bit 11 are dropped with 12 bits stored
    im.stored = 12;
    im.pixels = samples16({int16_t(0x1005), int16_t(0xF0FF), 7, 8, 9, 10});
    bytes = build(im);
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    EXPECT_EQ(samplesOf(f, 1)[0], 5);
    EXPECT_EQ(samplesOf(f, 1)[1], 0xFF);
}

TEST(ImageSetup, PackedTwelveBitAndBigEndian) {
    Image im;
    im.bits = 12;
    im.stored = 12;
    // samples 0x123 and 0x456 packed: b0 = 0x23, b1 = 0x61, b2 = 0x45; then
    // 0x400 and 0x450 (close to the maximum, so no outlier correction)
    im.pixels = std::string("\x23\x61\x45\x00\x04\x45", 6);
    DicomFile f;
    auto bytes = build(im);
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    EXPECT_EQ(samplesOf(f, 1)[0], 0x123);
    EXPECT_EQ(samplesOf(f, 1)[1], 0x456);
    EXPECT_EQ(samplesOf(f, 1)[2], 0x400);
    EXPECT_EQ(samplesOf(f, 1)[3], 0x450);

    DicomBytes b(Syntax::ExplicitBig);
    b.preamble("1.2.840.10008.1.2.2");
    b.element(0x0028, 0x0010, "US", std::string("\x00\x01", 2));
    b.element(0x0028, 0x0011, "US", std::string("\x00\x02", 2));
    b.element(0x0028, 0x0100, "US", std::string("\x00\x10", 2));
    b.element(0x0028, 0x0101, "US", std::string("\x00\x10", 2));
    b.element(0x7FE0, 0x0010, "OW", std::string("\x01\x02\xFF\xFE", 4));
    ASSERT_TRUE(f.openMemory(b.bytes().data(), b.size(), false));
    EXPECT_EQ(samplesOf(f, 1)[0], 0x0102);
    EXPECT_EQ(samplesOf(f, 1)[1], -2);
}

TEST(ImageSetup, ColourFrames) {
    Image im;
    im.rows = 1;
    im.columns = 2;
    im.bits = im.stored = 8;
    im.spp = 3;
    im.photometric = "RGB";
    im.planar = 1;
    im.frames = "2";
    // two frames, each R plane, G plane, B plane
    im.pixels = std::string("\x01\x02\x03\x04\x05\x06\x0A\x0B\x0C\x0D\x0E\x0F", 12);
    DicomFile f;
    auto bytes = build(im);
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    ASSERT_EQ(f.frameCount(), 2);
    EXPECT_EQ(std::memcmp(f.frameBuffer(1), "\x01\x03\x05\x02\x04\x06", 6), 0);
    EXPECT_EQ(std::memcmp(f.frameBuffer(2), "\x0A\x0C\x0E\x0B\x0D\x0F", 6), 0);

    // YBR_FULL, interleaved, grey and a saturated colour
    im.photometric = "YBR_FULL";
    im.planar = 0;
    im.frames = "1";
    im.pixels = std::string("\x80\x80\x80\xFF\x00\xFF", 6);
    bytes = build(im);
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    const uint8_t* p = f.frameBuffer(1);
    EXPECT_EQ(p[0], 128);
    EXPECT_EQ(p[1], 128);
    EXPECT_EQ(p[2], 128);
    EXPECT_EQ(p[3], 255); // 255 + 1.402 * 127, clamped
    EXPECT_EQ(p[4], 208); // 255 + 44.05 - 90.70, truncated
    EXPECT_EQ(p[5], 28);  // 255 + 1.772 * -128 = 28.18
}

TEST(ImageSetup, UnsupportedPhotometricInterpretations) {
    for (const char* pi : {"YBR_PARTIAL_422", "YBR_ICT", "RGBA", "MONOCHROME3"}) {
        Image im;
        im.photometric = pi;
        im.pixels = samples16({1, 2, 3, 4});
        DicomFile f;
        const auto bytes = build(im);
        EXPECT_FALSE(f.openMemory(bytes.data(), bytes.size(), true)) << pi;
        EXPECT_EQ(f.status(), DicomError::UnsupportedDicom) << pi;
    }
}

TEST(ImageSetup, PaletteColour) {
    Image im;
    im.bits = im.stored = 8;
    im.photometric = "PALETTE COLOR";
    im.pixels = std::string("\x00\x01\x02\xFF", 4);
    std::string red(512, '\0'), green(512, '\0'), blue(512, '\0');
    for (int i = 0; i < 256; ++i) {
        red[2 * i + 1] = char(i);       // high bytes carry the colour
        red[2 * i] = char(0x77);        // low bytes must be ignored
        green[2 * i + 1] = char(255 - i);
        blue[2 * i + 1] = char(7);
    }
    im.extra = {{0x1201, red}, {0x1202, green}, {0x1203, blue}};
    DicomFile f;
    auto bytes = build(im);
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    EXPECT_EQ(f.paletteLength(), 512);
    const uint8_t* p = f.frameBuffer(1);
    EXPECT_EQ(p[3], 1);
    EXPECT_EQ(p[4], 254);
    EXPECT_EQ(p[5], 7);
    EXPECT_EQ(p[9], 255);
    EXPECT_EQ(f.frame8(1).size(), 12u);

    im.extra = {{0x1201, red}, {0x1202, green.substr(0, 256)}, {0x1203, blue}};
    bytes = build(im);
    EXPECT_FALSE(f.openMemory(bytes.data(), bytes.size(), false));
}

TEST(ImageSetup, FrameCountsAndShortData) {
    for (const char* frames : {"0", "-3", "abc", "2000000000"}) {
        Image im;
        im.frames = frames;
        im.pixels = samples16({1, 2, 3, 4});
        DicomFile f;
        const auto bytes = build(im);
        EXPECT_FALSE(f.openMemory(bytes.data(), bytes.size(), false)) << frames;
    }
    Image im;
    im.pixels = samples16({1, 2, 3}); // one sample short
    DicomFile f;
    auto bytes = build(im);
    EXPECT_FALSE(f.openMemory(bytes.data(), bytes.size(), false));
    // longer data: the extra is ignored
    im.pixels = samples16({1, 2, 3, 4, 5, 6});
    bytes = build(im);
    EXPECT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    // no pixel data at all
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0028, 0x0010, "US", us(2));
    EXPECT_TRUE(f.openMemory(b.bytes().data(), b.size(), true));
    EXPECT_FALSE(f.openMemory(b.bytes().data(), b.size(), false));
}

TEST(ImageSetup, WindowingToEightBits) {
    Image im;
    im.rows = 1;
    im.columns = 4;
    im.center = "40";
    im.width = "400";
    im.intercept = "-1024";
    im.slope = "1";
    im.pixels = samples16({0, 1024 - 160, 1024 + 240, 4095});
    DicomFile f;
    auto bytes = build(im);
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    std::vector<uint8_t> out = f.frame8(1);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 0);
    EXPECT_EQ(out[2], 255);
    EXPECT_EQ(f.windowCenter(), 40);

    // MR 0 .. 800 with 300/700: the lower bound is below the minimum
    im = Image{};
    im.rows = 1;
    im.columns = 3;
    im.center = "300";
    im.width = "700";
    im.pixels = samples16({0, 400, 800});
    bytes = build(im);
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    out = f.frame8(1);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 127);
    EXPECT_EQ(out[2], 255);
    EXPECT_EQ(f.windowCenter(), 400);
    EXPECT_EQ(f.windowWidth(), 800);

    // a flat frame without a window: every pixel 0
    im.center = im.width = "";
    im.pixels = samples16({5, 5, 5});
    bytes = build(im);
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    out = f.frame8(1);
    EXPECT_EQ(out, std::vector<uint8_t>(3, 0));
    EXPECT_TRUE(f.frame8(2).empty());
}

TEST(ImageSetup, PixelAspectRatio) {
    for (auto [text, ratio] : {std::pair<const char*, double>{"4\\3 ", 4.0 / 3.0}, {"4/3 ", 0.0},
                               {"0\\1 ", 0.0}, {"1\\0 ", 0.0}}) {
        DicomBytes b;
        b.preamble("1.2.840.10008.1.2.1");
        b.element(0x0028, 0x0034, "IS", text);
        DicomFile f;
        ASSERT_TRUE(f.openMemory(b.bytes().data(), b.size(), true));
        EXPECT_DOUBLE_EQ(f.pixelAspectRatio(), ratio) << text;
    }
}

namespace {

std::vector<uint8_t> fixtureFrame(const char* name, bool& ok) {
    DicomFile f;
    const std::string path = std::string(VELTOR_TEST_DATA) + "/" + name;
    ok = f.openFile(path.c_str(), false);
    if (!ok) return {};
    return std::vector<uint8_t>(f.frameBuffer(1), f.frameBuffer(1) + f.frameBufferSize(1));
}

} // namespace

// Files compressed by DCMTK decode to exactly the samples of the uncompressed
// original, through the whole open: fragment walk, decoder and conversion.
TEST(ImageSetup, CompressedFilesMatchTheirOriginals) {
    const std::pair<const char*, const char*> pairs[] = {
        {"nested_evle.dcm", "nested_jpll_sv1.dcm"},
        {"nested_evle.dcm", "nested_jpll_sv7.dcm"},
        {"rgb8.dcm", "rgb8_rle.dcm"},
        {"nested_evle.dcm", "nested_evbe.dcm"},
        {"nested_evle.dcm", "nested_ivle.dcm"},
        {"nested_evle.dcm", "nested_bare.dcm"},
    };
    for (const auto& [original, copy] : pairs) {
        bool okOriginal = false, okCopy = false;
        const std::vector<uint8_t> a = fixtureFrame(original, okOriginal);
        const std::vector<uint8_t> b = fixtureFrame(copy, okCopy);
        ASSERT_TRUE(okOriginal) << original;
        ASSERT_TRUE(okCopy) << copy;
        ASSERT_FALSE(a.empty());
        EXPECT_EQ(a, b) << copy;
    }
}
