// Pixel layouts beyond 8, 12 and 16-bit grey and RGB: YBR_FULL_422 without
// compression, 1-bit, float, double and 32-bit samples, palettes described by
// their descriptors (segmented, 16-bit entries), modality and VOI lookup
// tables, deflated data sets, objects without pixels, and the reasons given
// for what is refused.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "dicom/dicom_file.h"
#include "dicom_bytes.h"

using namespace veltor;
using veltor::testing::DicomBytes;

namespace {

std::string us(uint16_t v) { return std::string{char(v & 0xFF), char(v >> 8)}; }
std::string words(const std::vector<uint16_t>& v) {
    std::string s;
    for (uint16_t w : v) s += us(w);
    return s;
}

DicomBytes image(const std::string& syntax, int rows, int columns, int spp, int bits, int stored,
                 const std::string& photometric, const std::string& frames = "") {
    DicomBytes b;
    b.preamble(syntax);
    b.element(0x0008, 0x0016, "UI", DicomBytes::padUid("1.2.840.10008.5.1.4.1.1.7"));
    b.element(0x0028, 0x0002, "US", us(uint16_t(spp)));
    b.element(0x0028, 0x0004, "CS", DicomBytes::padText(photometric));
    if (!frames.empty()) b.element(0x0028, 0x0008, "IS", DicomBytes::padText(frames));
    b.element(0x0028, 0x0010, "US", us(uint16_t(rows)));
    b.element(0x0028, 0x0011, "US", us(uint16_t(columns)));
    b.element(0x0028, 0x0100, "US", us(uint16_t(bits)));
    b.element(0x0028, 0x0101, "US", us(uint16_t(stored)));
    b.element(0x0028, 0x0102, "US", us(uint16_t(stored > 0 ? stored - 1 : 0)));
    return b;
}

bool open(DicomFile& f, DicomBytes& b, bool decodedOnly = false) {
    return decodedOnly ? f.openMemoryDecoded(b.bytes().data(), b.size())
                       : f.openMemory(b.bytes().data(), b.size(), false);
}

std::vector<uint8_t> frameBytes(const DicomFile& f, int n) {
    const uint8_t* p = f.frameBuffer(n);
    return p == nullptr ? std::vector<uint8_t>{} : std::vector<uint8_t>(p, p + f.frameBufferSize(n));
}

std::vector<int16_t> samples(const DicomFile& f, int n) {
    std::vector<int16_t> s(f.frameBufferSize(n) / 2);
    std::memcpy(s.data(), f.frameBuffer(n), s.size() * 2);
    return s;
}

} // namespace

TEST(PixelLayouts, YbrFull422WithoutCompression) {
    // Two rows of a pair of pixels: Y0 Y1 Cb Cr.
    DicomBytes b = image("1.2.840.10008.1.2.1", 2, 2, 3, 8, 8, "YBR_FULL_422");
    b.element(0x7FE0, 0x0010, "OB", std::string("\x10\x20\x80\x80\x30\x40\xFF\x00", 8));
    DicomFile decoded;
    ASSERT_TRUE(open(decoded, b, true)) << decoded.errorReason();
    EXPECT_STREQ(decoded.decodedLayout().photometric, "YBR_FULL");
    EXPECT_EQ(frameBytes(decoded, 1),
              (std::vector<uint8_t>{0x10, 0x80, 0x80, 0x20, 0x80, 0x80, 0x30, 0xFF, 0x00, 0x40, 0xFF, 0x00}));
    DicomFile shown;
    ASSERT_TRUE(open(shown, b));
    const std::vector<uint8_t> rgb = frameBytes(shown, 1);
    ASSERT_EQ(rgb.size(), 12u);
    EXPECT_EQ(rgb[0], 0x10); // grey: Cb = Cr = 128
    EXPECT_EQ(rgb[1], 0x10);
    // Y 0x30, Cb 255, Cr 0: R = 48 - 179.5 -> 0, G = 48 - 43.7 + 91.4 = 95, B = 48 + 225 -> 255
    EXPECT_EQ(rgb[6], 0);
    EXPECT_EQ(rgb[7], 95);
    EXPECT_EQ(rgb[8], 255);
}

TEST(PixelLayouts, OneBitFramesFollowEachOtherBitByBit) {
    // 3 x 3 pixels, two frames: frame 2 starts at bit 9.
    DicomBytes b = image("1.2.840.10008.1.2.1", 3, 3, 1, 1, 1, "MONOCHROME2", "2");
    // frame 1: 1 0 1 / 0 1 0 / 1 0 1 ; frame 2: all 1 but the centre
    const std::string data("\x55\xDF\x03\x00", 4);
    b.element(0x7FE0, 0x0010, "OB", data);
    DicomFile decoded;
    ASSERT_TRUE(open(decoded, b, true)) << decoded.errorReason();
    EXPECT_EQ(frameBytes(decoded, 1), (std::vector<uint8_t>{1, 0, 1, 0, 1, 0, 1, 0, 1}));
    EXPECT_EQ(frameBytes(decoded, 2), (std::vector<uint8_t>{1, 1, 1, 1, 0, 1, 1, 1, 1}));
    DicomFile shown;
    ASSERT_TRUE(open(shown, b));
    EXPECT_EQ(shown.bitsAllocated(), 8);
    EXPECT_EQ(frameBytes(shown, 2), (std::vector<uint8_t>{255, 255, 255, 255, 0, 255, 255, 255, 255}));
}

TEST(PixelLayouts, FloatDoubleAndWideSamplesBecomeSixteenBits) {
    auto floats = [](const std::vector<float>& v) {
        std::string s(v.size() * 4, '\0');
        std::memcpy(s.data(), v.data(), s.size());
        return s;
    };
    // Fractions: mapped onto the whole 16-bit range.
    DicomBytes b = image("1.2.840.10008.1.2.1", 2, 2, 1, 32, 32, "MONOCHROME2");
    b.element(0x7FE0, 0x0008, "OF", floats({0.0f, 0.25f, 0.5f, 1.0f}));
    DicomFile f;
    ASSERT_TRUE(open(f, b)) << f.errorReason();
    EXPECT_EQ(f.bitsAllocated(), 16);
    EXPECT_EQ(samples(f, 1), (std::vector<int16_t>{-32768, -16384, 0, 32767}));
    DicomFile decoded;
    ASSERT_TRUE(open(decoded, b, true));
    EXPECT_TRUE(decoded.decodedLayout().floating);
    EXPECT_EQ(decoded.decodedLayout().bytesPerSample, 4);

    // Whole numbers that fit stay as they are (here doubles).
    const std::vector<double> values = {-5.0, 0.0, 100.0, 3000.0};
    std::string d(32, '\0');
    std::memcpy(d.data(), values.data(), 32);
    b = image("1.2.840.10008.1.2.1", 2, 2, 1, 64, 64, "MONOCHROME2");
    b.element(0x7FE0, 0x0009, "OD", d);
    ASSERT_TRUE(open(f, b)) << f.errorReason();
    EXPECT_EQ(samples(f, 1), (std::vector<int16_t>{-5, 0, 100, 3000}));

    // 32-bit integers beyond 16 bits, as in dose grids.
    b = image("1.2.840.10008.1.2.1", 1, 3, 1, 32, 32, "MONOCHROME2");
    b.element(0x7FE0, 0x0010, "OW", std::string("\x00\x00\x00\x00\xA0\x86\x01\x00\x50\xC3\x00\x00", 12));
    ASSERT_TRUE(open(f, b)) << f.errorReason();
    EXPECT_EQ(samples(f, 1), (std::vector<int16_t>{-32768, 32767, 0}));
}

TEST(PixelLayouts, BitsStoredOutsideTheAllocatedBitsAreClampedWithAWarning) {
    for (int stored : {0, 20}) {
        DicomBytes b = image("1.2.840.10008.1.2.1", 1, 2, 1, 16, stored, "MONOCHROME2");
        b.element(0x7FE0, 0x0010, "OW", words({0x1234, 0xF001}));
        DicomFile f;
        ASSERT_TRUE(open(f, b)) << stored;
        EXPECT_EQ(f.bitsStored(), 16);
        ASSERT_EQ(f.warnings().size(), 1u);
        EXPECT_EQ(f.warnings()[0], "bits stored " + std::to_string(stored) + " outside 1..16: taken as 16");
    }
}

TEST(PixelLayouts, PalettesFromTheirDescriptors) {
    // 16-bit pixels through 4096-entry tables of 16-bit entries, the first
    // mapped value 100; red is segmented: a discrete 0, then a linear ramp.
    DicomBytes b = image("1.2.840.10008.1.2.1", 1, 4, 1, 16, 12, "PALETTE COLOR");
    const std::string descriptor = words({4096, 100, 16});
    b.element(0x0028, 0x1101, "US", descriptor);
    b.element(0x0028, 0x1102, "US", descriptor);
    b.element(0x0028, 0x1103, "US", descriptor);
    std::vector<uint16_t> green(4096), blue(4096, 0x8000);
    for (size_t i = 0; i < green.size(); ++i) green[i] = static_cast<uint16_t>(i * 16);
    b.element(0x0028, 0x1202, "OW", words(green));
    b.element(0x0028, 0x1203, "OW", words(blue));
    b.element(0x0028, 0x1221, "OW", words({0, 1, 0, 1, 4095, 0xFFFF}));
    b.element(0x7FE0, 0x0010, "OW", words({0, 100, 2148, 5000}));
    DicomFile f;
    ASSERT_TRUE(open(f, b)) << f.errorReason();
    EXPECT_EQ(f.bitsAllocated(), 8);
    const std::vector<uint8_t> rgb = frameBytes(f, 1);
    ASSERT_EQ(rgb.size(), 12u);
    // below the first mapped value: entry 0; 2148: entry 2048, half-way up the ramp
    EXPECT_EQ(std::vector<uint8_t>(rgb.begin(), rgb.begin() + 3), (std::vector<uint8_t>{0, 0, 0x80}));
    EXPECT_EQ(std::vector<uint8_t>(rgb.begin() + 6, rgb.begin() + 9), (std::vector<uint8_t>{0x80, 0x80, 0x80}));
    EXPECT_EQ(std::vector<uint8_t>(rgb.begin() + 9, rgb.end()), (std::vector<uint8_t>{0xFF, 0xFF, 0x80}));
    // The 256-entry table of Extract Palette follows the descriptor too.
    EXPECT_EQ(f.paletteTable(1)[101], 0);
    EXPECT_EQ(f.paletteTable(1)[255], (155 * 16) >> 8);
}

TEST(PixelLayouts, ModalityAndVoiLookupTables) {
    DicomBytes b = image("1.2.840.10008.1.2.1", 1, 3, 1, 16, 12, "MONOCHROME2");
    // Modality LUT: 4 entries from input 10, doubling; VOI LUT: 100 entries from 20.
    b.sequence(0x0028, 0x3000, 0xFFFFFFFF).item(0xFFFFFFFF);
    b.element(0x0028, 0x3002, "US", words({4, 10, 16}));
    b.element(0x0028, 0x3006, "OW", words({0, 200, 400, 600}));
    b.itemEnd().sequenceEnd();
    b.sequence(0x0028, 0x3010, 0xFFFFFFFF).item(0xFFFFFFFF);
    b.element(0x0028, 0x3002, "US", words({100, 20, 8}));
    b.element(0x0028, 0x3006, "OW", std::string(200, '\x01'));
    b.itemEnd().sequenceEnd();
    b.element(0x7FE0, 0x0010, "OW", words({9, 11, 13}));
    DicomFile f;
    ASSERT_TRUE(open(f, b)) << f.errorReason();
    EXPECT_EQ(samples(f, 1), (std::vector<int16_t>{0, 200, 600}));
    EXPECT_EQ(f.windowCenter(), 70);
    EXPECT_EQ(f.windowWidth(), 100);
}

TEST(PixelLayouts, DeflatedDataSets) {
    DicomBytes set(veltor::testing::Syntax::ExplicitLittle);
    set.element(0x0008, 0x0016, "UI", DicomBytes::padUid("1.2.840.10008.5.1.4.1.1.7"));
    set.element(0x0010, 0x0010, "PN", "DEFLATED^ONE");
    set.element(0x0028, 0x0002, "US", us(1));
    set.element(0x0028, 0x0010, "US", us(2));
    set.element(0x0028, 0x0011, "US", us(2));
    set.element(0x0028, 0x0100, "US", us(16));
    set.element(0x0028, 0x0101, "US", us(16));
    set.element(0x0028, 0x0102, "US", us(15));
    set.element(0x7FE0, 0x0010, "OW", words({1, 2, 3, 4}));
    auto deflated = [&](int windowBits, const std::vector<uint8_t>& data, bool damaged = false) {
        z_stream z{};
        EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY), Z_OK);
        std::vector<uint8_t> out(deflateBound(&z, data.size()));
        z.next_in = const_cast<uint8_t*>(data.data());
        z.avail_in = static_cast<uInt>(data.size());
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
        out.resize(z.total_out);
        deflateEnd(&z);
        if (damaged) out[0] = 0xFF; // a final block of the reserved type
        DicomBytes file;
        file.preamble("1.2.840.10008.1.2.1.99");
        file.bytes().insert(file.bytes().end(), out.begin(), out.end());
        return file;
    };
    // Raw deflate as the standard has it, and a zlib stream as some writers make.
    for (int windowBits : {-15, 15}) {
        DicomBytes file = deflated(windowBits, set.bytes());
        DicomFile f;
        ASSERT_TRUE(open(f, file)) << f.errorReason();
        EXPECT_STREQ(f.compression(), "DEFLATE");
        EXPECT_EQ(samples(f, 1), (std::vector<int16_t>{1, 2, 3, 4}));
        DicomElement e;
        ASSERT_TRUE(f.findElementByTag(0x0010, 0x0010, e));
        EXPECT_STREQ(e.text(), "DEFLATED^ONE");
        ASSERT_TRUE(f.openMemory(file.bytes().data(), file.size(), true));
        EXPECT_EQ(f.elementCount(), 10);
    }
    // A damaged stream is refused with its reason.
    DicomBytes broken = deflated(-15, set.bytes(), true);
    DicomFile f;
    EXPECT_FALSE(open(f, broken));
    EXPECT_EQ(f.errorReason(), "the deflated data set is corrupt after 0 inflated bytes (invalid block type)");
    // Pixel data claiming far more than the image needs is inflated only as
    // far as the image needs.
    DicomBytes bomb = set;
    bomb.bytes().resize(bomb.size() - 8 - 12);
    bomb.tag(0x7FE0, 0x0010).raw("OW").u16(0).u32(64u << 20);
    bomb.bytes().resize(bomb.size() + (64u << 20), 0);
    DicomBytes small = deflated(-15, bomb.bytes());
    EXPECT_LT(small.size(), 100000u);
    ASSERT_TRUE(open(f, small)) << f.errorReason();
    EXPECT_EQ(samples(f, 1), (std::vector<int16_t>{0, 0, 0, 0}));
}

TEST(PixelLayouts, ObjectsWithoutPixelData) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0008, 0x0016, "UI", DicomBytes::padUid("1.2.840.10008.5.1.4.1.1.88.11"));
    b.element(0x0040, 0xA040, "CS", "CONTAINER ");
    DicomFile f;
    ASSERT_TRUE(open(f, b)) << f.errorReason();
    EXPECT_FALSE(f.hasPixelData());
    EXPECT_EQ(f.frameCount(), 0);
    EXPECT_EQ(f.frameBuffer(1), nullptr);
    EXPECT_TRUE(f.frame8(1).empty());
}

TEST(PixelLayouts, RefusalsNameTheirReason) {
    struct Case {
        std::string syntax;
        std::string photometric;
        int spp;
        int bits;
        std::string pixels;
        std::string reason;
    };
    const Case cases[] = {
        {"1.2.840.10008.1.2.4.110", "MONOCHROME2", 1, 8, "abcd", "JPEG XL Lossless is not supported"},
        {"1.2.3.4.5", "MONOCHROME2", 1, 8, "abcd", "transfer syntax 1.2.3.4.5 is not supported"},
        {"1.2.840.10008.1.2.1", "YBR_PARTIAL_420", 3, 8, "abcd", "photometric interpretation YBR_PARTIAL_420 is not supported"},
        {"1.2.840.10008.1.2.1", "RGB", 1, 8, "abcd", "1 samples per pixel do not fit photometric interpretation RGB"},
        {"1.2.840.10008.1.2.1", "MONOCHROME2", 1, 24, std::string(12, 'a'), "24 bits allocated is not supported (1, 8, 12, 16, 32 or 64)"},
        {"1.2.840.10008.1.2.1", "MONOCHROME2", 1, 16, "abc", "pixel data of 4 bytes is shorter than the 8 bytes of 1 frame"},
        {"1.2.840.10008.1.2.4.80", "MONOCHROME2", 1, 8, "abcd", "JPEG-LS transfer syntax with pixel data that is not encapsulated"},
    };
    for (const Case& c : cases) {
        DicomBytes b = image(c.syntax, 2, 2, c.spp, c.bits, c.bits, c.photometric);
        b.element(0x7FE0, 0x0010, "OB", c.pixels.size() % 2 ? c.pixels + '\0' : c.pixels);
        DicomFile f;
        EXPECT_FALSE(open(f, b)) << c.reason;
        EXPECT_EQ(f.status(), DicomError::UnsupportedDicom);
        EXPECT_EQ(f.errorReason(), c.reason);
    }
    // Encapsulated data in a native transfer syntax.
    DicomBytes b = image("1.2.840.10008.1.2.1", 2, 2, 1, 8, 8, "MONOCHROME2");
    b.tag(0x7FE0, 0x0010).raw("OB").u16(0).u32(0xFFFFFFFF).item(0).sequenceEnd();
    DicomFile f;
    EXPECT_FALSE(open(f, b));
    EXPECT_EQ(f.errorReason(), "encapsulated pixel data in a file whose transfer syntax is native");
}
