// Bitmaps written by imglib and read back: lossless formats give the same
// pixels exactly, JPEG within a tolerance; every depth the writers accept.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "imglib_test_support.h"

using namespace veltor;
using namespace veltor::testing;

namespace {

// Same geometry and the same visible colour at every pixel.
void expectSameRgb(const Bitmap& expected, const Bitmap& actual, int tolerance = 0) {
    const DibLayout e = expected.layout(), a = actual.layout();
    ASSERT_EQ(a.width, e.width);
    ASSERT_EQ(a.height, e.height);
    int worst = 0;
    for (int32_t y = 0; y < e.height; ++y)
        for (int32_t x = 0; x < e.width; ++x)
            for (int c = 0; c < 3; ++c) {
                auto channel = [&](const Bitmap& b, const DibLayout& l) -> int {
                    if (l.bitCount == 24)
                        return b.row(y)[3 * x + c];
                    return b.palette()[4 * b.row(y)[x] + c]; // 8-bit
                };
                worst = std::max(worst, std::abs(channel(expected, e) - channel(actual, a)));
            }
    EXPECT_LE(worst, tolerance);
}

} // namespace

TEST(ImglibLayout, StridesPaletteCountsAndRefusedGeometry) {
    // Rows are padded to 4 bytes at every depth.
    EXPECT_EQ(dibStride(1, 24), 4u);
    EXPECT_EQ(dibStride(5, 24), 16u);
    EXPECT_EQ(dibStride(5, 8), 8u);
    EXPECT_EQ(dibStride(33, 1), 8u);
    EXPECT_EQ(dibStride(3, 16), 8u);
    EXPECT_EQ(dibStride(0, 8), 0u);
    EXPECT_EQ(dibStride(4, 12), 0u);
    EXPECT_EQ(dibPaletteEntries(8, 0), 256u);
    EXPECT_EQ(dibPaletteEntries(8, 17), 17u);
    EXPECT_EQ(dibPaletteEntries(4, 0), 16u);
    EXPECT_EQ(dibPaletteEntries(24, 256), 0u);

    Bitmap b(Imglib_AllocateBitmap(3, 2, 8, 256));
    ASSERT_NE(b.p, nullptr);
    const DibLayout l = b.layout();
    EXPECT_EQ(l.pixelOffset, 40u + 1024u);
    EXPECT_EQ(l.totalSize, 40u + 1024u + 8u);
    EXPECT_EQ(b.header().clrUsed, 256u);

    EXPECT_EQ(Imglib_AllocateBitmap(0, 5, 24, 0), nullptr);
    EXPECT_EQ(Imglib_AllocateBitmap(5, -1, 24, 0), nullptr);
    EXPECT_EQ(Imglib_AllocateBitmap(65536, 65536, 24, 0), nullptr); // beyond the pixel budget
    EXPECT_EQ(Imglib_AllocateBitmap(4, 4, 12, 0), nullptr);
    EXPECT_EQ(Imglib_AllocateBitmap(4, 4, 24, 16), nullptr);
    EXPECT_EQ(Imglib_AllocateBitmap(4, 4, 8, 257), nullptr);
}

TEST(ImglibRoundTrip, LosslessFormatsGiveBackTheBitmap) {
    TempDir dir;
    for (const char* ext : {".bmp", ".png", ".tif"}) {
        SCOPED_TRACE(ext);
        Bitmap grey(makeGrey(7, 5)), rgb(makeRgb(5, 3));
        const std::string greyPath = dir.file(std::string("grey") + ext);
        const std::string rgbPath = dir.file(std::string("rgb") + ext);
        ASSERT_TRUE(Imglib_WriteFile(greyPath.c_str(), grey.p));
        ASSERT_TRUE(Imglib_WriteFile(rgbPath.c_str(), rgb.p));
        // Grey comes back as 8-bit grey, colour as 24-bit: the same blocks.
        Bitmap greyBack(Imglib_ReadFile(greyPath.c_str())), rgbBack(Imglib_ReadFile(rgbPath.c_str()));
        ASSERT_NE(greyBack.p, nullptr);
        ASSERT_NE(rgbBack.p, nullptr);
        ASSERT_EQ(greyBack.layout().totalSize, grey.layout().totalSize);
        EXPECT_EQ(std::memcmp(greyBack.p, grey.p, grey.layout().totalSize), 0);
        ASSERT_EQ(rgbBack.layout().totalSize, rgb.layout().totalSize);
        EXPECT_EQ(std::memcmp(rgbBack.p, rgb.p, rgb.layout().totalSize), 0);
    }
}

TEST(ImglibRoundTrip, BmpFileIsFileHeaderAndTheDibUnchanged) {
    TempDir dir;
    Bitmap rgb(makeRgb(3, 2));
    const std::string path = dir.file("x.bmp");
    ASSERT_TRUE(Imglib_WriteFile(path.c_str(), rgb.p));
    const std::vector<uint8_t> file = readBytes(path);
    const size_t total = rgb.layout().totalSize;
    ASSERT_EQ(file.size(), 14 + total);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(file[2] | (file[3] << 8), int(14 + total));
    EXPECT_EQ(file[10], 14 + 40); // pixels right after the header: no colour table
    EXPECT_EQ(std::memcmp(file.data() + 14, rgb.p, total), 0);
}

TEST(ImglibRoundTrip, OtherDepthsAreWrittenThroughTheirColours) {
    TempDir dir;
    // 8 bits with a short colour table: index 9 is past its 4 entries and
    // takes the last one.
    Bitmap pal(Imglib_AllocateBitmap(3, 1, 8, 4));
    ASSERT_NE(pal.p, nullptr);
    const uint8_t table[4][4] = {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}, {10, 20, 30, 0}};
    std::memcpy(pal.palette(), table, sizeof table);
    pal.row(0)[0] = 0;
    pal.row(0)[1] = 2;
    pal.row(0)[2] = 9;
    // 16 bits 5-5-5 and 32 bits B, G, R, x.
    Bitmap w16(Imglib_AllocateBitmap(2, 1, 16, 0)), w32(Imglib_AllocateBitmap(2, 1, 32, 0));
    const uint16_t v = (31 << 10) | (1 << 5) | 16; // red 248, green 8, blue 128
    w16.row(0)[0] = uint8_t(v);
    w16.row(0)[1] = uint8_t(v >> 8);
    const uint8_t bgrx[8] = {1, 2, 3, 99, 200, 100, 50, 99};
    std::memcpy(w32.row(0), bgrx, 8);

    const std::string pPal = dir.file("pal.png"), p16 = dir.file("w16.tiff"), p32 = dir.file("w32.png");
    ASSERT_TRUE(Imglib_WriteFile(pPal.c_str(), pal.p));
    ASSERT_TRUE(Imglib_WriteFile(p16.c_str(), w16.p));
    ASSERT_TRUE(Imglib_WriteFile(p32.c_str(), w32.p));
    Bitmap bPal(Imglib_ReadFile(pPal.c_str())), b16(Imglib_ReadFile(p16.c_str())), b32(Imglib_ReadFile(p32.c_str()));
    ASSERT_NE(bPal.p, nullptr);
    ASSERT_NE(b16.p, nullptr);
    ASSERT_NE(b32.p, nullptr);
    ASSERT_EQ(bPal.header().bitCount, 24);
    const uint8_t expectPal[9] = {0, 0, 255, 255, 0, 0, 10, 20, 30}; // B, G, R per pixel
    EXPECT_EQ(std::memcmp(bPal.row(0), expectPal, 9), 0);
    const uint8_t expect16[3] = {128, 8, 248};
    EXPECT_EQ(std::memcmp(b16.row(0), expect16, 3), 0);
    const uint8_t expect32[6] = {1, 2, 3, 200, 100, 50};
    EXPECT_EQ(std::memcmp(b32.row(0), expect32, 6), 0);
}

TEST(ImglibRoundTrip, JpegStaysWithinToleranceAndHonoursQuality) {
    TempDir dir;
    Bitmap rgb(makeRgb(64, 48, true)), grey(makeGrey(33, 17));
    const std::string pHigh = dir.file("high.jpg"), pLow = dir.file("low.JPEG"), pGrey = dir.file("grey.jpg");
    ASSERT_TRUE(Imglib_WriteFile(pHigh.c_str(), rgb.p, 95));
    ASSERT_TRUE(Imglib_WriteFile(pLow.c_str(), rgb.p, 10));
    ASSERT_TRUE(Imglib_WriteFile(pGrey.c_str(), grey.p));
    EXPECT_LT(readBytes(pLow).size(), readBytes(pHigh).size());

    Bitmap back(Imglib_ReadFile(pHigh.c_str()));
    ASSERT_NE(back.p, nullptr);
    EXPECT_EQ(back.header().bitCount, 24);
    expectSameRgb(rgb, back, 12);
    // Grey JPEGs are single-component and come back as 8-bit grey.
    Bitmap greyBack(Imglib_ReadFile(pGrey.c_str()));
    ASSERT_NE(greyBack.p, nullptr);
    EXPECT_EQ(greyBack.header().bitCount, 8);
    EXPECT_EQ(greyBack.header().clrUsed, 256u);
}

TEST(ImglibWrite, FormatFollowsTheExtensionInAnyCase) {
    TempDir dir;
    Bitmap rgb(makeRgb(4, 4));
    struct Case {
        const char* name;
        std::vector<uint8_t> magic;
    };
    const Case cases[] = {{"a.JPG", {0xFF, 0xD8, 0xFF}},  {"b.Jpeg", {0xFF, 0xD8, 0xFF}},
                          {"c.PnG", {0x89, 'P', 'N', 'G'}}, {"d.TIFF", {'I', 'I', 42, 0}},
                          {"e.Tif", {'I', 'I', 42, 0}},     {"f.BMP", {'B', 'M'}}};
    for (const Case& c : cases) {
        const std::string path = dir.file(c.name);
        ASSERT_TRUE(Imglib_WriteFile(path.c_str(), rgb.p)) << c.name;
        const std::vector<uint8_t> bytes = readBytes(path);
        ASSERT_GE(bytes.size(), c.magic.size());
        EXPECT_TRUE(std::equal(c.magic.begin(), c.magic.end(), bytes.begin())) << c.name;
    }
    // No extension it knows, a folder that does not exist, or a bitmap it
    // cannot write: false, and nothing is left behind.
    const std::string gif = dir.file("g.gif");
    EXPECT_FALSE(Imglib_WriteFile(gif.c_str(), rgb.p));
    EXPECT_FALSE(std::filesystem::exists(gif));
    EXPECT_FALSE(Imglib_WriteFile(dir.file("no/such/dir.png").c_str(), rgb.p));
    std::vector<uint8_t> rle(rgb.p, rgb.p + rgb.layout().totalSize);
    rle[14] = 8;  // biBitCount 8 ...
    rle[16] = 1;  // ... RLE8
    rle[20] = 16; // biSizeImage
    const std::string rlePath = dir.file("rle.png");
    EXPECT_FALSE(Imglib_WriteFile(rlePath.c_str(), rle.data()));
    EXPECT_FALSE(std::filesystem::exists(rlePath));
}

TEST(ImglibWrite, ReplacesAnExistingFile) {
    TempDir dir;
    const std::string path = dir.file("r.bmp");
    writeBytes(path, std::vector<uint8_t>(5000, 0xAB));
    Bitmap rgb(makeRgb(2, 2));
    ASSERT_TRUE(Imglib_WriteFile(path.c_str(), rgb.p));
    EXPECT_EQ(readBytes(path).size(), 14 + rgb.layout().totalSize);
}
