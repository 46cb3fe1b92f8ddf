// Secondary Capture data sets built from bitmaps and raster files: the element
// records, their padding and group lengths, the image attributes and frames,
// and the raster path of opening a file.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include <unistd.h>

#include "dicom/dataset_builder.h"
#include "dicom/dicom_file.h"
#include "imglib/imglib.h"

using namespace veltor;

namespace {

struct OwnedBitmap {
    uint8_t* p;
    explicit OwnedBitmap(uint8_t* bitmap) : p(bitmap) {}
    ~OwnedBitmap() { Imglib_FreeBitmap(p); }
    OwnedBitmap(const OwnedBitmap&) = delete;
    OwnedBitmap& operator=(const OwnedBitmap&) = delete;
    // Pixel bytes of row y counted from the top.
    uint8_t* row(int32_t y) const {
        DibLayout l;
        dibLayout(p, l);
        return p + l.pixelOffset + size_t(l.height - 1 - y) * l.stride;
    }
};

std::string valueOf(const DicomFile& file, uint16_t group, uint16_t element) {
    DicomElement e;
    if (!file.findElementByTag(group, element, e) || e.value == nullptr)
        return "<none>";
    return std::string(reinterpret_cast<const char*>(e.value), e.length);
}

uint32_t lengthOf(const DicomFile& file, uint16_t group, uint16_t element) {
    DicomElement e;
    return file.findElementByTag(group, element, e) ? e.length : 0xDEADu;
}

int32_t numberOf(const DicomFile& file, uint16_t group, uint16_t element) {
    DicomElement e;
    return file.findElementByTag(group, element, e) ? e.number : -99999;
}

DicomElement textRecord(uint16_t group, uint16_t element, const char* vr, const std::string& value) {
    DicomElement r;
    r.group = group;
    r.element = element;
    std::snprintf(r.vr, sizeof r.vr, "%s", vr);
    r.value = reinterpret_cast<const uint8_t*>(value.data());
    r.length = static_cast<uint32_t>(value.size());
    return r;
}

class TempFolder {
  public:
    TempFolder() {
        m_path = std::filesystem::temp_directory_path() / ("veltor_builder_" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

  private:
    std::filesystem::path m_path;
};

} // namespace

TEST(DataSetBuilder, GreyBitmapGivesTheSecondaryCaptureElementsInTagOrder) {
    // 3 x 2, 8 bits: rows padded to 4 bytes in the bitmap, bottom row first.
    OwnedBitmap bitmap(Imglib_AllocateBitmap(3, 2, 8, 256));
    ASSERT_NE(bitmap.p, nullptr);
    const uint8_t top[3] = {10, 20, 30}, bottom[3] = {40, 50, 60};
    std::memcpy(bitmap.row(0), top, 3);
    std::memcpy(bitmap.row(1), bottom, 3);
    std::memset(bitmap.p + kDibHeaderSize, 0xEE, 1024); // the table is not consulted

    DicomFile file;
    const uint8_t* list[] = {bitmap.p};
    ASSERT_TRUE(DataSetBuilder(file).buildFromBitmaps(list, 1));
    EXPECT_EQ(file.status(), DicomError::NoError);

    struct Row {
        uint16_t group, element;
        const char* vr;
        uint32_t length;
    };
    // Lengths after padding; group lengths are the sums of 8 (12 for OB/OW)
    // plus the lengths of the other elements of their group.
    const Row expected[] = {
        {0x0002, 0x0000, "UL", 4},  {0x0002, 0x0001, "OB", 2},  {0x0002, 0x0002, "UI", 26},
        {0x0002, 0x0010, "UI", 20}, {0x0002, 0x0013, "SH", 16}, {0x0008, 0x0000, "UL", 4},
        {0x0008, 0x0008, "CS", 18}, {0x0008, 0x0016, "UI", 26}, {0x0008, 0x0020, "DA", 10},
        {0x0008, 0x0030, "TM", 8},  {0x0008, 0x0070, "LO", 12}, {0x0028, 0x0000, "UL", 4},
        {0x0028, 0x0002, "US", 2},  {0x0028, 0x0004, "CS", 12}, {0x0028, 0x0008, "IS", 2},
        {0x0028, 0x0010, "US", 2},  {0x0028, 0x0011, "US", 2},  {0x0028, 0x0100, "US", 2},
        {0x0028, 0x0101, "US", 2},  {0x0028, 0x0102, "US", 2},  {0x0028, 0x0103, "US", 2},
        {0x0028, 0x1050, "DS", 4},  {0x0028, 0x1051, "DS", 4},  {0x7FE0, 0x0000, "UL", 4},
        {0x7FE0, 0x0010, "OB", 6},
    };
    ASSERT_EQ(file.elementCount(), int32_t(std::size(expected)));
    for (int32_t i = 0; i < file.elementCount(); ++i) {
        DicomElement e;
        ASSERT_TRUE(file.elementAt(i, e));
        SCOPED_TRACE(::testing::Message() << std::hex << e.group << "," << e.element);
        EXPECT_EQ(e.group, expected[i].group);
        EXPECT_EQ(e.element, expected[i].element);
        EXPECT_STREQ(e.vr, expected[i].vr);
        EXPECT_EQ(e.length, expected[i].length);
        EXPECT_EQ(e.valueOffset, 0u);
        EXPECT_NE(e.name[0], '\0');
    }
    EXPECT_EQ(numberOf(file, 0x0002, 0x0000), 14 + 34 + 28 + 24);
    EXPECT_EQ(numberOf(file, 0x0008, 0x0000), 26 + 34 + 18 + 16 + 20);
    EXPECT_EQ(numberOf(file, 0x0028, 0x0000), 7 * 10 + 20 + 10 + 12 + 12);
    EXPECT_EQ(numberOf(file, 0x7FE0, 0x0000), 18);

    EXPECT_EQ(valueOf(file, 0x0002, 0x0001), std::string("\x00\x01", 2));
    EXPECT_EQ(valueOf(file, 0x0002, 0x0002), std::string("1.2.840.10008.5.1.4.1.1.7\0", 26));
    EXPECT_EQ(valueOf(file, 0x0002, 0x0010), std::string("1.2.840.10008.1.2.1\0", 20));
    EXPECT_EQ(valueOf(file, 0x0002, 0x0013), kImplementationVersionName);
    EXPECT_EQ(valueOf(file, 0x0008, 0x0008), "ORIGINAL\\PRIMARY  ");
    EXPECT_EQ(valueOf(file, 0x0008, 0x0070), kManufacturerName);
    EXPECT_TRUE(std::regex_match(valueOf(file, 0x0008, 0x0020), std::regex("[0-9]{4}:[0-9]{2}:[0-9]{2}")));
    EXPECT_TRUE(std::regex_match(valueOf(file, 0x0008, 0x0030), std::regex("[0-9]{2}:[0-9]{2}:[0-9]{2}")));
    EXPECT_EQ(valueOf(file, 0x0028, 0x0004), "MONOCHROME2 ");
    EXPECT_EQ(valueOf(file, 0x0028, 0x0008), "1 ");
    EXPECT_EQ(valueOf(file, 0x0028, 0x1050), "128 ");
    EXPECT_EQ(valueOf(file, 0x0028, 0x1051), "256 ");
    EXPECT_EQ(numberOf(file, 0x0028, 0x0010), 2);
    EXPECT_EQ(numberOf(file, 0x0028, 0x0011), 3);
    EXPECT_EQ(numberOf(file, 0x0028, 0x0102), 7);
    EXPECT_EQ(numberOf(file, 0x0028, 0x0008), 1); // IS read as its integer
    DicomElement pixels;
    ASSERT_TRUE(file.findElementByTag(0x7FE0, 0x0010, pixels));
    EXPECT_EQ(pixels.value, nullptr);
    DicomElement syntax;
    ASSERT_TRUE(file.findElementByTag(0x0002, 0x0010, syntax));
    EXPECT_STREQ(syntax.uidName, "Explicit VR Little Endian");

    // Attributes and the frame: grey bytes, top row first, no padding.
    EXPECT_TRUE(file.implicitVr());
    EXPECT_FALSE(file.bigEndian());
    EXPECT_TRUE(file.hasMetaHeader());
    EXPECT_EQ(std::memcmp(file.magic(), "DICM", 4), 0);
    EXPECT_STREQ(file.compression(), "NONE");
    EXPECT_EQ(file.frameCount(), 1);
    EXPECT_EQ(file.rows(), 2);
    EXPECT_EQ(file.columns(), 3);
    EXPECT_EQ(file.samplesPerPixel(), 1);
    EXPECT_EQ(file.bitsAllocated(), 8);
    EXPECT_EQ(file.bitsStored(), 8);
    EXPECT_EQ(file.highBit(), 7);
    EXPECT_EQ(file.windowCenter(), 128);
    EXPECT_EQ(file.windowWidth(), 256);
    EXPECT_TRUE(file.isMonochrome2());
    ASSERT_EQ(file.frameBufferSize(1), 6u);
    const uint8_t frame[6] = {10, 20, 30, 40, 50, 60};
    EXPECT_EQ(std::memcmp(file.frameBuffer(1), frame, 6), 0);
    EXPECT_EQ(file.frame8(1), std::vector<uint8_t>(frame, frame + 6));
}

TEST(DataSetBuilder, ColourBitmapsOfEveryDepthBecomeRgbFrames) {
    // The same two pixels at 16 (5-5-5), 24 and 32 bits: red 248/green 0/blue 8,
    // then white.
    OwnedBitmap b16(Imglib_AllocateBitmap(2, 1, 16, 0)), b24(Imglib_AllocateBitmap(2, 1, 24, 0)),
        b32(Imglib_AllocateBitmap(2, 1, 32, 0));
    const uint16_t red = (31 << 10) | 1, white = 0x7FFF;
    const uint8_t w16[4] = {uint8_t(red), uint8_t(red >> 8), uint8_t(white), uint8_t(white >> 8)};
    const uint8_t w24[6] = {8, 0, 248, 248, 248, 248};
    const uint8_t w32[8] = {8, 0, 248, 77, 248, 248, 248, 77};
    std::memcpy(b16.row(0), w16, 4);
    std::memcpy(b24.row(0), w24, 6);
    std::memcpy(b32.row(0), w32, 8);

    DicomFile file;
    const uint8_t* list[] = {b16.p, b24.p, b32.p};
    ASSERT_TRUE(DataSetBuilder(file).buildFromBitmaps(list, 3));
    EXPECT_EQ(file.frameCount(), 3);
    EXPECT_EQ(file.samplesPerPixel(), 3);
    EXPECT_TRUE(file.isRgb());
    EXPECT_EQ(valueOf(file, 0x0028, 0x0004), "RGB ");
    EXPECT_EQ(valueOf(file, 0x0028, 0x0006), std::string("\0\0", 2));
    EXPECT_EQ(valueOf(file, 0x0028, 0x0008), "3 ");
    EXPECT_EQ(lengthOf(file, 0x7FE0, 0x0010), 3u * 2u * 1u * 3u);
    // Group 0028 now also holds (0028,0006) and a "RGB " photometric.
    EXPECT_EQ(numberOf(file, 0x0028, 0x0000), 8 * 10 + 12 + 10 + 12 + 12);
    const uint8_t rgb[6] = {248, 0, 8, 248, 248, 248};
    for (int32_t n = 1; n <= 3; ++n) {
        ASSERT_EQ(file.frameBufferSize(n), 6u) << n;
        EXPECT_EQ(std::memcmp(file.frameBuffer(n), rgb, 6), 0) << n;
    }
}

TEST(DataSetBuilder, BitmapsThatCannotShareAttributesAreRefused) {
    OwnedBitmap grey(Imglib_AllocateBitmap(4, 4, 8, 256)), rgb(Imglib_AllocateBitmap(4, 4, 24, 0)),
        small(Imglib_AllocateBitmap(2, 4, 24, 0)), nibbles(Imglib_AllocateBitmap(4, 4, 4, 16));
    struct Case {
        std::vector<const uint8_t*> bitmaps;
        const char* why;
    };
    const Case cases[] = {
        {{nibbles.p}, "4 bits per pixel"},
        {{rgb.p, small.p}, "sizes differ"},
        {{grey.p, rgb.p}, "grey and colour frames"},
        {{rgb.p, nullptr}, "a missing bitmap"},
        {{}, "no bitmap at all"},
    };
    for (const Case& c : cases) {
        DicomFile file;
        EXPECT_FALSE(DataSetBuilder(file).buildFromBitmaps(c.bitmaps.data(), int(c.bitmaps.size()))) << c.why;
        EXPECT_EQ(file.status(), DicomError::UnknownFormat) << c.why;
        EXPECT_EQ(file.elementCount(), 0) << c.why;
        EXPECT_EQ(file.frameBuffer(1), nullptr) << c.why;
    }
}

TEST(DataSetBuilder, SetElementPadsOddValuesByTheirVr) {
    struct Case {
        const char* vr;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"CS", "ABCDEFGHIJKLMNOP ", "ABCDEFGHIJKLMNOP  "}, // odd 17 -> 18, two spaces
        {"CS", "EVEN", "EVEN"},
        {"LO", "abc", "abc "},
        {"PN", "DOE^J", "DOE^J "},
        {"AE", "ABCDEFGHIJKLMNOPQ", "ABCDEFGHIJKLMNOP"}, // padded to 18, then cut to 16
        {"AE", "AET", "AET "},
        {"UI", "1.2.3", std::string("1.2.3\0", 6)},
        {"OB", std::string("\x01\x02\x03", 3), std::string("\x01\x02\x03\0", 4)},
        {"DS", "128", "128 "},
        {"DS", "7.0", "7 "},            // integral values lose their fraction
        {"DS", "0", ""},                // and zero becomes an empty text
        {"DS", "-2.50", "-2.50 "},      // other values keep their text
        {"DS", "1.00", "1.00"},         // even lengths are not rewritten
        {"US", std::string("\x05", 1), std::string("\x05", 1)},
        {"FD", "abc", "abc"},
        {"UN", "abc", "abc"},
    };
    for (const Case& c : cases) {
        DicomFile file;
        ASSERT_TRUE(DataSetBuilder(file).setElement(textRecord(0x0009, 0x0010, c.vr, c.in))) << c.vr << c.in;
        EXPECT_EQ(valueOf(file, 0x0009, 0x0010), c.out) << c.vr << " '" << c.in << "'";
        DicomElement e;
        ASSERT_TRUE(file.findElementByTag(0x0009, 0x0010, e));
        EXPECT_EQ(e.value[e.length], 0) << c.vr;
    }
}

TEST(DataSetBuilder, SetElementReplacesKeepsTagOrderAndUpdatesGroupLength) {
    DicomFile file;
    DataSetBuilder builder(file);
    ASSERT_TRUE(builder.setElement(textRecord(0x7FE0, 0x0010, "OB", std::string(6, 'x'))));
    ASSERT_TRUE(builder.setElement(textRecord(0x8001, 0x0010, "LO", "LAST")));
    ASSERT_TRUE(builder.setElement(textRecord(0x0010, 0x0020, "LO", "ID1")));
    ASSERT_TRUE(builder.setElement(textRecord(0x0010, 0x0010, "PN", "DOE^JOHN")));
    // Group lengths come in as (gggg,0000) of each group.
    std::vector<std::pair<uint16_t, uint16_t>> tags;
    for (const DicomElement& e : file.elements())
        tags.emplace_back(e.group, e.element);
    const std::vector<std::pair<uint16_t, uint16_t>> order = {
        {0x0010, 0x0000}, {0x0010, 0x0010}, {0x0010, 0x0020}, {0x7FE0, 0x0000},
        {0x7FE0, 0x0010}, {0x8001, 0x0000}, {0x8001, 0x0010}};
    EXPECT_EQ(tags, order);
    EXPECT_EQ(numberOf(file, 0x0010, 0x0000), (8 + 8) + (8 + 4));
    EXPECT_EQ(numberOf(file, 0x7FE0, 0x0000), 12 + 6);

    // Replacing keeps the count and recomputes the length of its group only.
    const int32_t count = file.elementCount();
    ASSERT_TRUE(builder.setElement(textRecord(0x0010, 0x0010, "PN", "ROE^JANE^MARIA")));
    EXPECT_EQ(file.elementCount(), count);
    EXPECT_EQ(valueOf(file, 0x0010, 0x0010), "ROE^JANE^MARIA");
    EXPECT_EQ(numberOf(file, 0x0010, 0x0000), (8 + 14) + (8 + 4));
    EXPECT_EQ(numberOf(file, 0x7FE0, 0x0000), 12 + 6);

    // Names always come from the dictionary.
    DicomElement e;
    ASSERT_TRUE(file.findElementByTag(0x0010, 0x0010, e));
    EXPECT_STREQ(e.name, "Patient's Name");
}

TEST(DataSetBuilder, FrameTimeIsStoredInItsOwnGroup) {
    OwnedBitmap bitmap(Imglib_AllocateBitmap(2, 2, 24, 0));
    DicomFile file;
    DataSetBuilder builder(file);
    const uint8_t* list[] = {bitmap.p};
    ASSERT_TRUE(builder.buildFromBitmaps(list, 1));
    EXPECT_EQ(lengthOf(file, 0x0018, 0x1063), 0xDEADu); // no frame time yet
    ASSERT_TRUE(builder.setFrameTime(33.3333));
    EXPECT_DOUBLE_EQ(file.frameTime(), 33.3333);
    EXPECT_EQ(valueOf(file, 0x0018, 0x1063), "33.33 ");
    EXPECT_EQ(numberOf(file, 0x0018, 0x0000), 8 + 6);
    ASSERT_TRUE(builder.setFrameTime(100));
    EXPECT_EQ(valueOf(file, 0x0018, 0x1063), "100 "); // "100.00 " is odd: rewritten
}

class RasterOpen : public ::testing::Test {
  protected:
    // A 5 x 3 bitmap whose pixels all differ; written in each format.
    void SetUp() override {
        m_rgb = Imglib_AllocateBitmap(5, 3, 24, 0);
        ASSERT_NE(m_rgb, nullptr);
        OwnedBitmap view(m_rgb);
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x) {
                uint8_t* px = view.row(y) + 3 * x;
                px[0] = uint8_t(40 * x);       // blue
                px[1] = uint8_t(60 * y);       // green
                px[2] = uint8_t(200 - 10 * x); // red
            }
        view.p = nullptr;
    }
    void TearDown() override { Imglib_FreeBitmap(m_rgb); }

    // The expected R, G, B frame, top row first.
    std::vector<uint8_t> expectedFrame() const {
        std::vector<uint8_t> f;
        for (int32_t y = 0; y < 3; ++y)
            for (int32_t x = 0; x < 5; ++x) {
                f.push_back(uint8_t(200 - 10 * x));
                f.push_back(uint8_t(60 * y));
                f.push_back(uint8_t(40 * x));
            }
        return f;
    }

    uint8_t* m_rgb = nullptr;
    TempFolder m_dir;
};

TEST_F(RasterOpen, RasterFilesOpenAsRgbSecondaryCapture) {
    for (const char* name : {"a.png", "a.bmp", "a.tif", "a.jpg"}) {
        SCOPED_TRACE(name);
        const std::string path = m_dir.file(name);
        ASSERT_TRUE(Imglib_WriteFile(path.c_str(), m_rgb, 100));
        DicomFile file;
        ASSERT_TRUE(file.openFile(path.c_str(), false));
        EXPECT_EQ(file.status(), DicomError::NoError);
        EXPECT_STREQ(file.filePath(), path.c_str());
        EXPECT_EQ(file.rows(), 3);
        EXPECT_EQ(file.columns(), 5);
        EXPECT_EQ(file.frameCount(), 1);
        EXPECT_TRUE(file.isRgb());
        EXPECT_EQ(file.bitsAllocated(), 8);
        EXPECT_GT(file.fileSize(), 0u);
        ASSERT_EQ(file.frameBufferSize(1), 45u);
        const std::vector<uint8_t> want = expectedFrame();
        const uint8_t* got = file.frameBuffer(1);
        const int tolerance = std::string(name) == "a.jpg" ? 40 : 0;
        int worst = 0;
        for (size_t i = 0; i < want.size(); ++i)
            worst = std::max(worst, std::abs(int(want[i]) - int(got[i])));
        EXPECT_LE(worst, tolerance);
        EXPECT_NE(valueOf(file, 0x0008, 0x0020), "<none>"); // the file's date
    }
}

TEST_F(RasterOpen, GreyPngBecomesRgbAndHeaderOnlyOpensCarryNoDate) {
    OwnedBitmap grey(Imglib_AllocateBitmap(2, 1, 8, 256));
    for (int i = 0; i < 256; ++i)
        std::memset(grey.p + kDibHeaderSize + 4 * i, i, 3);
    grey.row(0)[0] = 7;
    grey.row(0)[1] = 250;
    const std::string path = m_dir.file("grey.PNG");
    ASSERT_TRUE(Imglib_WriteFile(path.c_str(), grey.p));

    DicomFile file;
    ASSERT_TRUE(file.openFile(path.c_str(), true));
    EXPECT_EQ(file.samplesPerPixel(), 3);
    EXPECT_EQ(valueOf(file, 0x0028, 0x0004), "RGB ");
    const uint8_t rgb[6] = {7, 7, 7, 250, 250, 250};
    ASSERT_EQ(file.frameBufferSize(1), 6u);
    EXPECT_EQ(std::memcmp(file.frameBuffer(1), rgb, 6), 0);
    EXPECT_EQ(valueOf(file, 0x0008, 0x0020), "<none>");
    EXPECT_EQ(valueOf(file, 0x0008, 0x0030), "<none>");
}

TEST_F(RasterOpen, ShortColourTablesLendTheirLastEntryToIndexesBeyondThem) {
    // 100 x 1, 8 bits, two colour-table entries; pixel 2 uses index 5.
    OwnedBitmap indexed(Imglib_AllocateBitmap(100, 1, 8, 2));
    const uint8_t table[8] = {1, 2, 3, 0, 40, 50, 60, 0}; // B, G, R, 0
    std::memcpy(indexed.p + kDibHeaderSize, table, 8);
    indexed.row(0)[0] = 0;
    indexed.row(0)[1] = 1;
    indexed.row(0)[2] = 5;
    const std::string path = m_dir.file("short.bmp");
    ASSERT_TRUE(Imglib_WriteFile(path.c_str(), indexed.p));
    DicomFile file;
    ASSERT_TRUE(file.openFile(path.c_str(), false));
    ASSERT_EQ(file.frameBufferSize(1), 300u);
    const uint8_t rgb[9] = {3, 2, 1, 60, 50, 40, 60, 50, 40};
    EXPECT_EQ(std::memcmp(file.frameBuffer(1), rgb, 9), 0);
}

TEST_F(RasterOpen, BitmapsBelowEightBitsOrCompressedAreRefusedAndGoToTheDicomParser) {
    OwnedBitmap nibbles(Imglib_AllocateBitmap(40, 4, 4, 16)); // over the 132 bytes of a DICOM preamble
    const std::string fourBit = m_dir.file("four.bmp");
    ASSERT_TRUE(Imglib_WriteFile(fourBit.c_str(), nibbles.p));
    // An RLE8 file: file header, 40-byte header, 256-entry table, 8 data bytes.
    std::vector<uint8_t> rle(14 + 40 + 1024, 0);
    const uint8_t data[8] = {2, 5, 0, 0, 2, 6, 0, 1};
    rle.insert(rle.end(), data, data + 8);
    rle[0] = 'B';
    rle[1] = 'M';
    rle[10] = uint8_t((14 + 40 + 1024) & 0xFF);
    rle[11] = uint8_t((14 + 40 + 1024) >> 8);
    rle[14] = 40;
    rle[18] = 2; // width
    rle[22] = 2; // height
    rle[26] = 1;
    rle[28] = 8; // bits
    rle[30] = 1; // RLE8
    rle[34] = 8; // data bytes
    const std::string rlePath = m_dir.file("rle.bmp");
    std::ofstream(rlePath, std::ios::binary).write(reinterpret_cast<const char*>(rle.data()), std::streamsize(rle.size()));

    for (const std::string& path : {fourBit, rlePath}) {
        SCOPED_TRACE(path);
        DicomFile direct;
        EXPECT_FALSE(DataSetBuilder(direct).buildFromImage(path.c_str()));
        EXPECT_EQ(direct.status(), DicomError::UnsupportedFile);
        EXPECT_EQ(direct.elementCount(), 0);
        // openFile then tries the DICOM parser, whose failure replaces the code.
        DicomFile file;
        EXPECT_FALSE(file.openFile(path.c_str(), false));
        EXPECT_EQ(file.status(), DicomError::UnsupportedDicom);
        EXPECT_EQ(file.frameBuffer(1), nullptr);
    }
}

TEST_F(RasterOpen, DicomAndOtherFilesAreNotTakenForRasters) {
    DicomFile dicom;
    EXPECT_TRUE(dicom.openFile(VELTOR_SAMPLE_FILE, false));
    EXPECT_EQ(dicom.status(), DicomError::NoError);
    EXPECT_FALSE(dicom.isRgb());
    DicomElement e;
    EXPECT_FALSE(dicom.findElementByTag(0x0008, 0x0070, e) && std::string(e.text()) == kManufacturerName);

    const std::string text = m_dir.file("notes.txt");
    std::ofstream(text) << "Some words that are neither DICOM nor an image, long enough to pass the size check of "
                           "one hundred and thirty-two bytes that the parser applies first.\n";
    DicomFile notes;
    EXPECT_FALSE(notes.openFile(text.c_str(), false));
    EXPECT_EQ(notes.status(), DicomError::UnsupportedDicom);

    DicomFile missing;
    EXPECT_FALSE(missing.openFile(m_dir.file("missing.png").c_str(), false));
    EXPECT_EQ(missing.status(), DicomError::FileNotFound);

    // Listings are for DICOM files: a raster file is not built there.
    const std::string png = m_dir.file("list.png");
    ASSERT_TRUE(Imglib_WriteFile(png.c_str(), m_rgb));
    DicomFile listed;
    EXPECT_FALSE(listed.openForListing(png.c_str()));
    EXPECT_EQ(listed.frameBuffer(1), nullptr);
}
