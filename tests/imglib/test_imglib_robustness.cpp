// Files imglib must refuse (null) or read safely: other kinds of file,
// truncated images, hostile headers of every format.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "imglib_test_support.h"

using namespace veltor;
using namespace veltor::testing;

namespace {

uint32_t crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

// A BMP file of the given header fields, colour table and pixel bytes.
struct BmpSpec {
    int32_t width = 2;
    int32_t height = 2;
    uint16_t bitCount = 8;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    uint32_t clrUsed = 0;
    uint32_t paletteEntries = 0; // written after the header
    std::vector<uint8_t> pixels;
    int64_t pixelOffset = -1;    // default: right after the table
};

std::vector<uint8_t> makeBmp(const BmpSpec& s) {
    const size_t tableEnd = 14 + 40 + size_t(s.paletteEntries) * 4;
    std::vector<uint8_t> b(tableEnd);
    b[0] = 'B';
    b[1] = 'M';
    putLe32(b, 10, s.pixelOffset < 0 ? uint32_t(tableEnd) : uint32_t(s.pixelOffset));
    putLe32(b, 14, 40);
    putLe32(b, 18, uint32_t(s.width));
    putLe32(b, 22, uint32_t(s.height));
    putLe16(b, 26, 1);
    putLe16(b, 28, s.bitCount);
    putLe32(b, 30, s.compression);
    putLe32(b, 34, s.sizeImage);
    putLe32(b, 46, s.clrUsed);
    for (uint32_t i = 0; i < s.paletteEntries; ++i) {
        b[54 + 4 * i] = uint8_t(i);     // blue
        b[54 + 4 * i + 1] = uint8_t(i); // green
        b[54 + 4 * i + 2] = uint8_t(255 - i);
    }
    b.insert(b.end(), s.pixels.begin(), s.pixels.end());
    putLe32(b, 2, uint32_t(b.size()));
    return b;
}

class ImglibRobustness : public ::testing::Test {
  protected:
    uint8_t* readBytesAsFile(const std::vector<uint8_t>& bytes, const char* name = "f") {
        const std::string path = m_dir.file(name);
        writeBytes(path, bytes);
        return Imglib_ReadFile(path.c_str());
    }
    std::vector<uint8_t> written(const uint8_t* bitmap, const char* name) {
        const std::string path = m_dir.file(name);
        EXPECT_TRUE(Imglib_WriteFile(path.c_str(), bitmap));
        return readBytes(path);
    }
    TempDir m_dir;
};

} // namespace

TEST_F(ImglibRobustness, FilesThatAreNotImagesGiveNull) {
    EXPECT_EQ(Imglib_ReadFile(VELTOR_SAMPLE_FILE), nullptr); // a DICOM file
    EXPECT_EQ(Imglib_ReadFile(m_dir.file("missing.png").c_str()), nullptr);
    EXPECT_EQ(Imglib_ReadFile(nullptr), nullptr);
    EXPECT_EQ(Imglib_ReadFile(std::filesystem::temp_directory_path().c_str()), nullptr);
    EXPECT_EQ(Imglib_ReadFile("/dev/null"), nullptr);
    const std::string text = "Plain text that is no image at all\n";
    EXPECT_EQ(readBytesAsFile(std::vector<uint8_t>(text.begin(), text.end())), nullptr);
    EXPECT_EQ(readBytesAsFile({}), nullptr);
    // Magic bytes alone do not make an image.
    EXPECT_EQ(readBytesAsFile({0xFF, 0xD8, 0xFF}), nullptr);
    EXPECT_EQ(readBytesAsFile({'B', 'M'}), nullptr);
    EXPECT_EQ(readBytesAsFile({'I', 'I', 42, 0}), nullptr);
    EXPECT_EQ(readBytesAsFile({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), nullptr);
}

TEST_F(ImglibRobustness, TruncatedImagesOfEveryFormatGiveNull) {
    Bitmap rgb(makeRgb(40, 30));
    for (const char* name : {"t.jpg", "t.png", "t.tif", "t.bmp"}) {
        const std::vector<uint8_t> whole = written(rgb.p, name);
        ASSERT_GT(whole.size(), 200u) << name;
        Bitmap full(readBytesAsFile(whole, name));
        EXPECT_NE(full.p, nullptr) << name;
        for (size_t keep : {whole.size() / 2, whole.size() - 3}) {
            std::vector<uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(keep));
            EXPECT_EQ(readBytesAsFile(cut, name), nullptr) << name << " cut at " << keep;
        }
    }
}

TEST_F(ImglibRobustness, HugeDimensionsInTinyFilesAreRefusedBeforeDecoding) {
    Bitmap rgb(makeRgb(8, 8));
    // JPEG: the SOF0 frame header claims 60000 x 60000.
    std::vector<uint8_t> jpeg = written(rgb.p, "h.jpg");
    size_t sof = 2;
    while (sof + 9 < jpeg.size() && !(jpeg[sof] == 0xFF && jpeg[sof + 1] == 0xC0))
        ++sof;
    ASSERT_LT(sof + 9, jpeg.size());
    jpeg[sof + 5] = jpeg[sof + 7] = 0xEA;
    jpeg[sof + 6] = jpeg[sof + 8] = 0x60;
    EXPECT_EQ(readBytesAsFile(jpeg, "h.jpg"), nullptr);

    // PNG: IHDR of 100000 x 100000 with a correct CRC.
    std::vector<uint8_t> png = written(rgb.p, "h.png");
    ASSERT_EQ(std::memcmp(png.data() + 12, "IHDR", 4), 0);
    for (size_t at : {size_t(16), size_t(20)}) {
        png[at] = 0;
        png[at + 1] = 0x01;
        png[at + 2] = 0x86;
        png[at + 3] = 0xA0;
    }
    const uint32_t crc = crc32(png.data() + 12, 17);
    for (int i = 0; i < 4; ++i)
        png[29 + size_t(i)] = uint8_t(crc >> (24 - 8 * i));
    EXPECT_EQ(readBytesAsFile(png, "h.png"), nullptr);
}

namespace {

// A little-endian baseline TIFF: 8-bit grey, one strip.
std::vector<uint8_t> makeTiff(uint32_t width, uint32_t height, uint32_t stripOffset, uint32_t stripBytes,
                              uint32_t nextIfd, const std::vector<uint8_t>& pixels) {
    const uint16_t count = 9;
    std::vector<uint8_t> b(8 + 2 + count * 12 + 4);
    b[0] = b[1] = 'I';
    b[2] = 42;
    putLe32(b, 4, 8);
    putLe16(b, 8, count);
    const uint32_t entries[count][3] = {
        {256, 4, width},      {257, 4, height},     {258, 3, 8}, {259, 3, 1}, {262, 3, 1},
        {273, 4, stripOffset}, {277, 3, 1},          {278, 4, height}, {279, 4, stripBytes}};
    for (uint16_t i = 0; i < count; ++i) {
        const size_t at = 10 + size_t(i) * 12;
        putLe16(b, at, entries[i][0]);
        putLe16(b, at + 2, entries[i][1]);
        putLe32(b, at + 4, 1);
        putLe32(b, at + 8, entries[i][2]);
    }
    putLe32(b, 10 + count * 12, nextIfd);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

} // namespace

TEST_F(ImglibRobustness, TiffStripsPastTheEndAndDirectoryLoops) {
    const std::vector<uint8_t> pixels = {1, 2, 3, 4, 5, 6};
    const uint32_t dataAt = 8 + 2 + 9 * 12 + 4;
    // The valid file reads, rows top first.
    Bitmap ok(readBytesAsFile(makeTiff(3, 2, dataAt, 6, 0, pixels), "ok.tif"));
    ASSERT_NE(ok.p, nullptr);
    EXPECT_EQ(ok.row(0)[0], 1);
    EXPECT_EQ(ok.row(1)[2], 6);
    // A directory whose next-directory link points at itself, or at a
    // directory that points back: a corrupt file, refused (and no endless walk).
    EXPECT_EQ(readBytesAsFile(makeTiff(3, 2, dataAt, 6, 8, pixels), "loop.tif"), nullptr);
    std::vector<uint8_t> two = makeTiff(3, 2, dataAt, 6, 0, pixels);
    const uint32_t second = uint32_t(two.size());
    putLe32(two, 8 + 2 + 9 * 12, second); // first -> second
    std::vector<uint8_t> back = makeTiff(3, 2, dataAt, 6, 8, {});
    // The second directory: a copy of the first whose link returns to it.
    two.insert(two.end(), back.begin() + 8, back.begin() + 8 + 2 + 9 * 12 + 4);
    EXPECT_EQ(readBytesAsFile(two, "loop2.tif"), nullptr);
    // A strip beyond the end of the file, or cut short by it.
    EXPECT_EQ(readBytesAsFile(makeTiff(3, 2, 100000, 6, 0, pixels), "far.tif"), nullptr);
    EXPECT_EQ(readBytesAsFile(makeTiff(3, 2, dataAt, 6, 0, {1, 2, 3}), "short.tif"), nullptr);
    // A byte count larger than the file: only the bytes the rows need are read.
    Bitmap counted(readBytesAsFile(makeTiff(3, 2, dataAt, 600000, 0, pixels), "long.tif"));
    ASSERT_NE(counted.p, nullptr);
    EXPECT_EQ(counted.row(1)[2], 6);
    // A DICOM file whose preamble holds a TIFF header is DICOM, not TIFF.
    std::vector<uint8_t> dual = makeTiff(3, 2, 200, 6, 0, {});
    dual.resize(200);
    dual.insert(dual.end(), pixels.begin(), pixels.end());
    EXPECT_NE(Bitmap(readBytesAsFile(dual, "dual.tif")).p, nullptr);
    std::memcpy(dual.data() + 128, "DICM", 4);
    EXPECT_EQ(readBytesAsFile(dual, "dual.dcm"), nullptr);
    // 70000 x 70000 claimed by a 140-byte file.
    EXPECT_EQ(readBytesAsFile(makeTiff(70000, 70000, dataAt, 6, 0, pixels), "huge.tif"), nullptr);
}

TEST_F(ImglibRobustness, BmpHeadersThatLieAreRefused) {
    BmpSpec good;
    good.paletteEntries = 256;
    good.pixels = {1, 2, 0, 0, 3, 4, 0, 0};
    ASSERT_NE(Bitmap(readBytesAsFile(makeBmp(good))).p, nullptr);

    BmpSpec s = good;
    s.width = s.height = INT32_MAX; // width x height x bits far beyond any budget
    EXPECT_EQ(readBytesAsFile(makeBmp(s)), nullptr);
    s = good;
    s.height = INT32_MIN; // cannot be negated in 32 bits
    EXPECT_EQ(readBytesAsFile(makeBmp(s)), nullptr);
    s = good;
    s.width = 0;
    EXPECT_EQ(readBytesAsFile(makeBmp(s)), nullptr);
    s = good;
    s.pixelOffset = 1 << 20; // pixels past the end
    EXPECT_EQ(readBytesAsFile(makeBmp(s)), nullptr);
    s = good;
    s.pixelOffset = 20; // inside the header
    EXPECT_EQ(readBytesAsFile(makeBmp(s)), nullptr);
    s = good;
    s.pixels.resize(5); // fewer pixel bytes than the rows need
    EXPECT_EQ(readBytesAsFile(makeBmp(s)), nullptr);
    s = good;
    s.bitCount = 12;
    EXPECT_EQ(readBytesAsFile(makeBmp(s)), nullptr);
    s = good;
    s.compression = 4; // JPEG inside BMP
    EXPECT_EQ(readBytesAsFile(makeBmp(s)), nullptr);
    s = good;
    s.compression = 2; // RLE4 does not go with 8 bits
    EXPECT_EQ(readBytesAsFile(makeBmp(s)), nullptr);
    s = good;
    s.paletteEntries = 0; // the table the header promises is missing entirely
    s.pixels.clear();
    EXPECT_EQ(readBytesAsFile(makeBmp(s)), nullptr);
}

TEST_F(ImglibRobustness, BmpOddButReadableFilesAreReadSafely) {
    // A colour table shorter than the indexes used: the bitmap keeps its short
    // table, and writing it maps the stray index to the last entry.
    BmpSpec s;
    s.clrUsed = s.paletteEntries = 2;
    s.pixels = {0, 200, 0, 0, 1, 255, 0, 0};
    Bitmap shortTable(readBytesAsFile(makeBmp(s)));
    ASSERT_NE(shortTable.p, nullptr);
    EXPECT_EQ(shortTable.header().clrUsed, 2u);
    const std::string png = m_dir.file("short.png");
    ASSERT_TRUE(Imglib_WriteFile(png.c_str(), shortTable.p));
    Bitmap back(Imglib_ReadFile(png.c_str()));
    ASSERT_NE(back.p, nullptr);
    EXPECT_EQ(back.row(1)[3 + 2], 254); // index 200 -> entry 1: red 254

    // A 24-bit file with a colour table: the table is dropped.
    BmpSpec t;
    t.bitCount = 24;
    t.clrUsed = t.paletteEntries = 16;
    t.width = 1;
    t.height = 1;
    t.pixels = {10, 20, 30, 0};
    Bitmap rgb(readBytesAsFile(makeBmp(t)));
    ASSERT_NE(rgb.p, nullptr);
    EXPECT_EQ(rgb.header().clrUsed, 0u);
    EXPECT_EQ(rgb.layout().pixelOffset, 40u);
    EXPECT_EQ(rgb.row(0)[2], 30);

    // Top-down rows come back bottom-up.
    BmpSpec d;
    d.height = -2;
    d.paletteEntries = 256;
    d.pixels = {7, 7, 0, 0, 9, 9, 0, 0};
    Bitmap flipped(readBytesAsFile(makeBmp(d)));
    ASSERT_NE(flipped.p, nullptr);
    EXPECT_EQ(flipped.header().height, 2);
    EXPECT_EQ(flipped.row(0)[0], 7);
    EXPECT_EQ(flipped.row(1)[0], 9);

    // RLE8 data comes back as stored, still marked compressed, and can only
    // be refused downstream; a size past the end is refused here.
    BmpSpec r;
    r.compression = 1;
    r.paletteEntries = 256;
    r.pixels = {2, 5, 0, 0, 2, 6, 0, 1};
    r.sizeImage = 8;
    Bitmap rle(readBytesAsFile(makeBmp(r)));
    ASSERT_NE(rle.p, nullptr);
    EXPECT_EQ(rle.header().compression, kDibRle8);
    EXPECT_EQ(rle.layout().pixelBytes, 8u);
    r.sizeImage = 4000;
    EXPECT_EQ(readBytesAsFile(makeBmp(r)), nullptr);

    // 4-bit bitmaps come back at their own depth.
    BmpSpec f;
    f.bitCount = 4;
    f.paletteEntries = 16;
    f.pixels = {0x12, 0, 0, 0, 0x34, 0, 0, 0};
    Bitmap four(readBytesAsFile(makeBmp(f)));
    ASSERT_NE(four.p, nullptr);
    EXPECT_EQ(four.header().bitCount, 4);
}

// Byte changes all over valid files of every format: each read ends in null
// or in a bitmap whose own layout holds (under the sanitizers every byte of it
// is then touched).
TEST_F(ImglibRobustness, MutatedFilesReadSafely) {
    Bitmap rgb(makeRgb(9, 7)), grey(makeGrey(6, 5));
    for (const char* name : {"m.jpg", "m.png", "m.tif", "m.bmp", "g.tif", "g.bmp"}) {
        const std::vector<uint8_t> whole = written(name[0] == 'g' ? grey.p : rgb.p, name);
        const size_t step = std::max<size_t>(1, whole.size() / 60);
        for (size_t at = 0; at < whole.size(); at += step) {
            for (uint8_t value : {uint8_t(0x00), uint8_t(0xFF), uint8_t(whole[at] ^ 0x80)}) {
                std::vector<uint8_t> bytes = whole;
                bytes[at] = value;
                Bitmap read(readBytesAsFile(bytes, name));
                if (read.p == nullptr)
                    continue;
                DibLayout layout;
                ASSERT_TRUE(dibLayout(read.p, layout)) << name << " byte " << at;
                unsigned sum = 0;
                for (size_t i = 0; i < layout.totalSize; ++i)
                    sum += read.p[i];
                (void)sum;
            }
        }
    }
}
