// The own TIFF, BMP and raw layouts byte for byte, packed pixels of export
// bitmaps, JPEG through imglib, and the replacement of existing files.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "export/frame_export.h"
#include "imglib/imglib.h"
#include "export_test_support.h"

namespace veltor {
namespace {

using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

uint32_t le16(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (uint32_t(b[at + 1]) << 8);
}
uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return le16(b, at) | (le16(b, at + 2) << 16);
}

PackedPixels grey(int32_t w, int32_t h) {
    PackedPixels p{w, h, 1, std::vector<uint8_t>(size_t(w) * size_t(h))};
    for (size_t i = 0; i < p.bytes.size(); ++i)
        p.bytes[i] = uint8_t(i * 7 + 3);
    return p;
}

PackedPixels rgb(int32_t w, int32_t h) {
    PackedPixels p{w, h, 3, std::vector<uint8_t>(3 * size_t(w) * size_t(h))};
    for (size_t i = 0; i < p.bytes.size(); ++i)
        p.bytes[i] = uint8_t(i * 13 + 1);
    return p;
}

// A hand-made bottom-up DIB: header, `table` (B, G, R, 0 entries) and rows
// given top row first, each padded to 4 bytes with 0xEE so that padding
// leaking into the output shows.
std::vector<uint8_t> dib(int32_t w, int32_t h, int bits, const std::vector<uint8_t>& table,
                         uint32_t clrUsed, const std::vector<std::vector<uint8_t>>& topDownRows) {
    const size_t stride = dibStride(w, bits);
    std::vector<uint8_t> b(kDibHeaderSize + table.size() + stride * size_t(h), 0xEE);
    DibHeader header;
    header.width = w;
    header.height = h;
    header.bitCount = uint16_t(bits);
    header.clrUsed = clrUsed;
    writeDibHeader(b.data(), header);
    if (!table.empty()) std::memcpy(b.data() + kDibHeaderSize, table.data(), table.size());
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = b.data() + kDibHeaderSize + table.size() + size_t(h - 1 - y) * stride;
        std::memcpy(row, topDownRows[size_t(y)].data(), topDownRows[size_t(y)].size());
    }
    return b;
}

std::vector<uint8_t> greyTable(uint32_t entries) {
    std::vector<uint8_t> t;
    for (uint32_t i = 0; i < entries; ++i)
        t.insert(t.end(), {uint8_t(i), uint8_t(i), uint8_t(i), 0});
    return t;
}

struct Entry {
    uint16_t tag, type;
    uint32_t count, value;
};

// The directory a TIFF of this geometry must carry, in file order.
std::vector<Entry> expectedEntries(uint32_t w, uint32_t h, uint32_t s) {
    const uint32_t n = s == 3 ? 14 : 13;
    std::vector<Entry> e = {
        {254, 4, 1, 0},
        {256, 3, 1, w},
        {257, 3, 1, h},
        {258, 3, s, s == 3 ? 14 + 12 * n : 8},
        {259, 3, 1, 1},
        {262, 3, 1, s == 3 ? 2u : 1u},
        {273, 3, 1, 14 + 12 * n + (s == 3 ? 6 : 0)},
        {277, 3, 1, s},
        {278, 3, 1, h},
        {279, 4, 1, s * w * h},
        {282, 3, 1, w},
        {283, 3, 1, h},
    };
    if (s == 3) e.push_back({284, 3, 1, 1});
    e.push_back({296, 3, 1, 1});
    return e;
}

void expectTiff(const std::vector<uint8_t>& file, const PackedPixels& p) {
    const uint32_t s = uint32_t(p.samples), w = uint32_t(p.width), h = uint32_t(p.height);
    const size_t pixelOffset = s == 3 ? 188 : 170;
    ASSERT_EQ(file.size(), pixelOffset + p.bytes.size());
    EXPECT_EQ(file[0], 'I');
    EXPECT_EQ(file[1], 'I');
    EXPECT_EQ(le16(file, 2), 42u);
    EXPECT_EQ(le32(file, 4), 8u);
    const std::vector<Entry> entries = expectedEntries(w, h, s);
    ASSERT_EQ(le16(file, 8), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const size_t at = 10 + 12 * i;
        const Entry& e = entries[i];
        SCOPED_TRACE("tag " + std::to_string(e.tag));
        EXPECT_EQ(le16(file, at), e.tag);
        EXPECT_EQ(le16(file, at + 2), e.type);
        EXPECT_EQ(le32(file, at + 4), e.count);
        if (e.type == 3 && e.count == 1) {
            // a SHORT sits in the first two bytes, the other two are zero
            EXPECT_EQ(le16(file, at + 8), e.value);
            EXPECT_EQ(le16(file, at + 10), 0u);
        } else {
            EXPECT_EQ(le32(file, at + 8), e.value);
        }
    }
    EXPECT_EQ(le32(file, 10 + 12 * entries.size()), 0u) << "no further directory";
    if (s == 3) {
        EXPECT_EQ(le16(file, 182), 8u);
        EXPECT_EQ(le16(file, 184), 8u);
        EXPECT_EQ(le16(file, 186), 8u);
    }
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + long(pixelOffset), file.end()), p.bytes);
}

TEST(TiffLayout, GreyAndColourFilesCarryTheirDirectoriesAndPixels) {
    TempFolder dir;
    for (const PackedPixels& p : {grey(3, 2), rgb(5, 3), grey(1, 1), rgb(1, 7)}) {
        SCOPED_TRACE(std::to_string(p.width) + "x" + std::to_string(p.height) + "x" +
                     std::to_string(p.samples));
        const std::string path = dir / "f.tif";
        ASSERT_TRUE(writeTiffImage(path.c_str(), p.view()).ok());
        expectTiff(readFile(path), p);
    }
}

TEST(TiffLayout, FullSizeFramesFromBitmaps) {
    // A grey 512 x 512 frame gives 170 + 512 x 512 bytes; the same frame
    // through a colour palette gives 188 + 3 x 512 x 512 bytes.
    TempFolder dir;
    std::vector<std::vector<uint8_t>> rows(512, std::vector<uint8_t>(512));
    for (size_t y = 0; y < 512; ++y)
        for (size_t x = 0; x < 512; ++x)
            rows[y][x] = uint8_t(x ^ y);
    const std::vector<uint8_t> greyDib = dib(512, 512, 8, greyTable(256), 0, rows);
    std::vector<uint8_t> hot = greyTable(256);
    hot[4 * 200 + 2] = 255; // one red entry makes the whole table a palette
    const std::vector<uint8_t> paletteDib = dib(512, 512, 8, hot, 256, rows);

    const std::string a = dir / "grey.tif", b = dir / "palette.tif";
    ASSERT_TRUE(writeTiffBitmap(a.c_str(), greyDib.data(), greyDib.size()).ok());
    ASSERT_TRUE(writeTiffBitmap(b.c_str(), paletteDib.data(), paletteDib.size()).ok());
    const std::vector<uint8_t> ga = readFile(a), pb = readFile(b);
    ASSERT_EQ(ga.size(), 170u + 512 * 512);
    ASSERT_EQ(pb.size(), 188u + 3 * 512 * 512);
    EXPECT_EQ(le16(ga, 8), 13u);
    EXPECT_EQ(le16(pb, 8), 14u);
    EXPECT_EQ(le16(pb, 10 + 5 * 12 + 8), 2u) << "PhotometricInterpretation RGB";
    // Top row first: pixel (x, 0) then row 1.
    EXPECT_EQ(ga[170 + 5], 5);
    EXPECT_EQ(ga[170 + 512 + 5], 5 ^ 1);
    const size_t at = 188 + 3 * (512 * 0 + 200); // x = 200, y = 0: index 200
    EXPECT_EQ(pb[at], 255);
    EXPECT_EQ(pb[at + 1], 200);
    EXPECT_EQ(pb[at + 2], 200);
}

TEST(TiffLayout, GeometryBeyondTheShortAndLongFieldsIsRefused) {
    EXPECT_EQ(tiffHeader(65535, 1, 1).size(), 170u);
    EXPECT_TRUE(tiffHeader(65536, 1, 1).empty());
    EXPECT_TRUE(tiffHeader(1, 65536, 3).empty());
    EXPECT_TRUE(tiffHeader(0, 5, 1).empty());
    EXPECT_TRUE(tiffHeader(5, 5, 2).empty());
    // 65535 x 65535 x 3 bytes does not fit StripByteCounts.
    EXPECT_TRUE(tiffHeader(65535, 65535, 3).empty());
    EXPECT_EQ(tiffHeader(65535, 65535, 1).size(), 170u);

    TempFolder dir;
    std::vector<uint8_t> wide(70000);
    const PixelView tooWide{70000, 1, 1, wide.data(), wide.size()};
    const std::string path = dir / "wide.tif";
    EXPECT_EQ(writeTiffImage(path.c_str(), tooWide).status, ExportStatus::TooLarge);
    EXPECT_FALSE(testing::fileExists(path)) << "nothing is created for a refused image";
}

TEST(PackedPixels, TwentyFourBitBitmapsBecomeTopDownRgbWithoutPadding) {
    // 3 pixels of B, G, R: rows of 9 bytes padded to 12.
    const std::vector<uint8_t> b =
        dib(3, 2, 24, {}, 0, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {11, 12, 13, 14, 15, 16, 17, 18, 19}});
    PackedPixels p;
    ASSERT_TRUE(GetPackedPixels(b.data(), b.size(), p));
    EXPECT_EQ(p.width, 3);
    EXPECT_EQ(p.height, 2);
    EXPECT_EQ(p.samples, 3);
    EXPECT_EQ(p.bytes, (std::vector<uint8_t>{3, 2, 1, 6, 5, 4, 9, 8, 7, 13, 12, 11, 16, 15, 14, 19,
                                             18, 17}));
}

TEST(PackedPixels, EightBitBitmapsGiveIndicesWhenGreyElseColours) {
    const std::vector<std::vector<uint8_t>> rows = {{0, 1, 2}, {3, 4, 5}};
    PackedPixels p;
    const std::vector<uint8_t> g = dib(3, 2, 8, greyTable(256), 0, rows);
    ASSERT_TRUE(GetPackedPixels(g.data(), g.size(), p));
    EXPECT_EQ(p.samples, 1);
    EXPECT_EQ(p.bytes, (std::vector<uint8_t>{0, 1, 2, 3, 4, 5}));

    // A grey table whose entries are not the identity: the stored index is
    // what a one-sample file holds.
    std::vector<uint8_t> inverted = greyTable(256);
    for (int i = 0; i < 256; ++i)
        inverted[4 * size_t(i)] = inverted[4 * size_t(i) + 1] = inverted[4 * size_t(i) + 2] =
            uint8_t(255 - i);
    const std::vector<uint8_t> gi = dib(3, 2, 8, inverted, 0, rows);
    ASSERT_TRUE(GetPackedPixels(gi.data(), gi.size(), p));
    EXPECT_EQ(p.samples, 1);
    EXPECT_EQ(p.bytes, (std::vector<uint8_t>{0, 1, 2, 3, 4, 5}));

    // Four entries (biClrUsed 4), one of them coloured; index 5 lies beyond
    // the table and takes its last entry.
    const std::vector<uint8_t> table = {0, 0, 0, 0, 10, 20, 30, 0, 50, 50, 50, 0, 1, 2, 3, 0};
    const std::vector<uint8_t> c = dib(3, 2, 8, table, 4, rows);
    ASSERT_TRUE(GetPackedPixels(c.data(), c.size(), p));
    EXPECT_EQ(p.samples, 3);
    EXPECT_EQ(p.bytes,
              (std::vector<uint8_t>{0, 0, 0, 30, 20, 10, 50, 50, 50, 3, 2, 1, 3, 2, 1, 3, 2, 1}));
}

TEST(PackedPixels, BitmapsTheWritersDoNotTakeAreRefused) {
    const std::vector<uint8_t> good =
        dib(3, 2, 24, {}, 0, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6, 7, 8, 9}});
    PackedPixels p;
    EXPECT_FALSE(GetPackedPixels(nullptr, 0, p));
    EXPECT_FALSE(GetPackedPixels(good.data(), good.size() - 1, p)) << "rows cut short";
    EXPECT_FALSE(GetPackedPixels(good.data(), 20, p)) << "header cut short";

    std::vector<uint8_t> bad = good;
    DibHeader h = readDibHeader(bad.data());
    h.bitCount = 16;
    writeDibHeader(bad.data(), h);
    EXPECT_FALSE(GetPackedPixels(bad.data(), bad.size(), p)) << "16 bits";
    h = readDibHeader(good.data());
    h.compression = kDibRle8;
    bad = good;
    writeDibHeader(bad.data(), h);
    EXPECT_FALSE(GetPackedPixels(bad.data(), bad.size(), p)) << "compressed";
    h = readDibHeader(good.data());
    h.height = -2;
    bad = good;
    writeDibHeader(bad.data(), h);
    EXPECT_FALSE(GetPackedPixels(bad.data(), bad.size(), p)) << "top-down";
    bad = good;
    bad[0] = 108; // a BITMAPV4HEADER is not a packed export bitmap
    EXPECT_FALSE(GetPackedPixels(bad.data(), bad.size(), p));

    TempFolder dir;
    const std::string path = dir / "x.bmp";
    bad = good;
    writeDibHeader(bad.data(), [] {
        DibHeader d;
        d.width = 3;
        d.height = 2;
        d.bitCount = 32;
        return d;
    }());
    EXPECT_EQ(writeBmpBitmap(path.c_str(), bad.data(), bad.size()).status, ExportStatus::BadImage);
    EXPECT_EQ(writeTiffBitmap(path.c_str(), bad.data(), bad.size()).status, ExportStatus::BadImage);
    EXPECT_EQ(writeRawBitmap(path.c_str(), bad.data(), bad.size()).status, ExportStatus::BadImage);
    EXPECT_FALSE(testing::fileExists(path));
}

TEST(PackedPixels, ExportBitmapsGiveTheirPixelsBack) {
    for (const PackedPixels& p :
         {grey(1, 1), grey(5, 3), grey(8, 2), rgb(1, 1), rgb(3, 4), rgb(4, 2)}) {
        SCOPED_TRACE(std::to_string(p.width) + "x" + std::to_string(p.height) + "x" +
                     std::to_string(p.samples));
        const std::vector<uint8_t> b = makeExportBitmap(p.view());
        ASSERT_FALSE(b.empty());
        DibLayout layout;
        ASSERT_TRUE(dibLayout(b.data(), layout));
        EXPECT_EQ(layout.bitCount, p.samples == 3 ? 24 : 8);
        EXPECT_EQ(layout.totalSize, b.size());
        PackedPixels back;
        ASSERT_TRUE(GetPackedPixels(b.data(), b.size(), back));
        EXPECT_EQ(back.samples, p.samples);
        EXPECT_EQ(back.bytes, p.bytes);
    }
    PackedPixels wrong = grey(3, 3);
    wrong.bytes.pop_back();
    EXPECT_TRUE(makeExportBitmap(wrong.view()).empty());
}

TEST(BmpLayout, FileHeaderThenTheBitmapUnchanged) {
    TempFolder dir;
    struct Case {
        const char* name;
        std::vector<uint8_t> bitmap;
        uint32_t infoSize; // I: header and colour table
    };
    const std::vector<std::vector<uint8_t>> rows = {{9, 8, 7}, {6, 5, 4}};
    std::vector<uint8_t> sixteen = greyTable(16);
    sixteen[4 * 3] = 99; // a palette colour survives in the file
    const std::vector<Case> cases = {
        {"grey 256", dib(3, 2, 8, greyTable(256), 0, rows), 40 + 4 * 256},
        {"palette of 16", dib(3, 2, 8, sixteen, 16, rows), 40 + 4 * 16},
        {"24 bits",
         dib(3, 2, 24, {}, 0, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6, 7, 8, 9}}), 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / "f.bmp";
        ASSERT_TRUE(writeBmpBitmap(path.c_str(), c.bitmap.data(), c.bitmap.size()).ok());
        const std::vector<uint8_t> f = readFile(path);
        const uint32_t rowBytes = c.infoSize == 40 ? 12 : 4; // 9 or 3 bytes padded to 4
        const uint32_t pixelBytes = 2 * rowBytes;
        ASSERT_EQ(f.size(), 14 + c.infoSize + pixelBytes);
        EXPECT_EQ(f[0], 'B');
        EXPECT_EQ(f[1], 'M');
        EXPECT_EQ(le32(f, 2), 14 + c.infoSize + pixelBytes);
        EXPECT_EQ(le32(f, 6), 0u);
        EXPECT_EQ(le32(f, 10), 14 + c.infoSize);
        EXPECT_EQ(std::vector<uint8_t>(f.begin() + 14, f.end()), c.bitmap);
    }
}

TEST(BmpLayout, TrailingBytesAfterTheBitmapAreNotWritten) {
    TempFolder dir;
    std::vector<uint8_t> b = dib(3, 2, 8, greyTable(256), 0, {{1, 2, 3}, {4, 5, 6}});
    const size_t size = b.size();
    b.resize(size + 100, 0x55);
    const std::string path = dir / "f.bmp";
    ASSERT_TRUE(writeBmpBitmap(path.c_str(), b.data(), b.size()).ok());
    EXPECT_EQ(readFile(path).size(), 14 + size);
}

TEST(RawLayout, PackedBytesOnly) {
    TempFolder dir;
    const std::string path = dir / "f.raw";
    const std::vector<uint8_t> b =
        dib(3, 2, 24, {}, 0, {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}});
    ASSERT_TRUE(writeRawBitmap(path.c_str(), b.data(), b.size()).ok());
    EXPECT_EQ(readFile(path), (std::vector<uint8_t>{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14,
                                                    13, 18, 17, 16}));
    const PackedPixels g = grey(7, 3);
    ASSERT_TRUE(writeRawImage(path.c_str(), g.view()).ok());
    EXPECT_EQ(readFile(path), g.bytes);
}

TEST(WritingFiles, ExistingFilesAreReplacedNeverAppendedTo) {
    TempFolder dir;
    const std::string path = dir / "f.tif";
    ASSERT_TRUE(writeFile(path, std::vector<uint8_t>(100000, 0x77)));
    const PackedPixels p = grey(4, 4);
    ASSERT_TRUE(writeTiffImage(path.c_str(), p.view()).ok());
    expectTiff(readFile(path), p);
    ASSERT_TRUE(writeFile(path, std::vector<uint8_t>(100000, 0x77)));
    ASSERT_TRUE(writeRawImage(path.c_str(), p.view()).ok());
    EXPECT_EQ(readFile(path), p.bytes);
}

TEST(WritingFiles, FilesThatCannotBeCreatedAreReportedWithTheReason) {
    TempFolder dir;
    const PackedPixels p = grey(2, 2);
    const std::string missing = dir / "no/such/folder/f.tif";
    ExportResult r = writeTiffImage(missing.c_str(), p.view());
    EXPECT_EQ(r.status, ExportStatus::CreateFailed);
    EXPECT_EQ(r.systemError, ENOENT);
    EXPECT_NE(exportErrorText(r).find("No such file"), std::string::npos) << exportErrorText(r);

    r = writeRawImage(dir.path().c_str(), p.view()); // a folder is not a file
    EXPECT_EQ(r.status, ExportStatus::CreateFailed);
    EXPECT_EQ(writeRawImage("", p.view()).status, ExportStatus::CreateFailed);

    const std::vector<uint8_t> b = makeExportBitmap(p.view());
    EXPECT_EQ(writeBmpBitmap(missing.c_str(), b.data(), b.size()).status,
              ExportStatus::CreateFailed);
    // The library's file is made under a temporary name first, so a missing
    // folder is told apart from a failed encoder.
    EXPECT_EQ(writeLibraryBitmap((dir / "no/f.jpg").c_str(), b.data(), b.size(), 75).status,
              ExportStatus::CreateFailed);
}

TEST(WritingFiles, WriteErrorsAreReportedAndOnlyRegularFilesRemoved) {
    // /dev/full accepts the open and fails every write with ENOSPC: the
    // writer must say so rather than report success, and must not remove a
    // device node it was pointed at.
    struct stat st {};
    if (::stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode)) GTEST_SKIP() << "no /dev/full";
    const PackedPixels p = grey(64, 64);
    const ExportResult r = writeRawImage("/dev/full", p.view());
    EXPECT_EQ(r.status, ExportStatus::WriteFailed);
    EXPECT_EQ(r.systemError, ENOSPC);
    EXPECT_EQ(::stat("/dev/full", &st), 0);
}

TEST(LibraryFiles, JpegFilesComeBackThroughImglib) {
    TempFolder dir;
    // A smooth ramp survives JPEG within a few grey levels.
    PackedPixels p{32, 16, 1, std::vector<uint8_t>(32 * 16)};
    for (size_t y = 0; y < 16; ++y)
        for (size_t x = 0; x < 32; ++x)
            p.bytes[y * 32 + x] = uint8_t(x * 6 + y * 2);
    const std::vector<uint8_t> b = makeExportBitmap(p.view());
    const std::string path = dir / "f.jpg";
    ASSERT_TRUE(writeLibraryBitmap(path.c_str(), b.data(), b.size(), 95).ok());
    const std::vector<uint8_t> f = readFile(path);
    ASSERT_GE(f.size(), 4u);
    EXPECT_EQ(f[0], 0xFF);
    EXPECT_EQ(f[1], 0xD8) << "a JPEG stream";
    uint8_t* back = Imglib_ReadFile(path.c_str());
    ASSERT_NE(back, nullptr);
    DibLayout layout;
    ASSERT_TRUE(dibLayout(back, layout));
    PackedPixels q;
    ASSERT_TRUE(GetPackedPixels(back, layout.totalSize, q));
    Imglib_FreeBitmap(back);
    ASSERT_EQ(q.width, 32);
    ASSERT_EQ(q.height, 16);
    ASSERT_EQ(q.samples, 1);
    for (size_t i = 0; i < p.bytes.size(); ++i)
        EXPECT_NEAR(q.bytes[i], p.bytes[i], 6) << i;
}

} // namespace
} // namespace veltor
