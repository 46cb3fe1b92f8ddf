// Custom palette files, the palette list and palettes set on frames.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "dicom/dicom_file.h"
#include "dicom_bytes.h"
#include "document/custom_palettes.h"
#include "document/kelvo_doc.h"

using namespace veltor;
using veltor::testing::DicomBytes;

namespace {

void writeText(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
}

} // namespace

TEST(CustomPalettes, FolderOfPaletteFiles) {
    const std::string dir = ::testing::TempDir() + "veltor_palettes";
    ::mkdir(dir.c_str(), 0755);
    writeText(dir + "/a_warm.txt", "Warm\n255 0 0\n255\t128 0\n255 255 0\n");
    writeText(dir + "/b_blank.txt", "   \n\t\n");
    writeText(dir + "/c_two.txt", "Two Words\n1 2 3\n");
    writeText(dir + "/d_comma.txt", "Comma\n1 2 3\n0,5 1 1\n9 9 9\n");
    writeText(dir + "/e_ignored.pal", "Other 1 2 3");
    const std::vector<PaletteBlock> p = loadCustomPalettes(dir);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].name, "Warm");
    EXPECT_EQ(p[0].green[1], 128);
    EXPECT_EQ(p[0].red[3], 0); // entries past the file are black
    EXPECT_EQ(p[0].blue[255], 0);
    EXPECT_EQ(p[1].name, "Two");
    EXPECT_EQ(p[1].red[0], 0); // "Words" is not a number: nothing is read
    EXPECT_EQ(p[2].red[0], 1);
    EXPECT_EQ(p[2].red[1], 0); // reading stops at the decimal comma
    EXPECT_TRUE(loadCustomPalettes(dir + "/missing").empty());

    const std::vector<std::string> names = paletteListNames(p);
    ASSERT_EQ(names.size(), 14u);
    EXPECT_EQ(names[5], "GE_Color");
    EXPECT_EQ(names[11], "Warm");
}

TEST(CustomPalettes, WriteThenReadBack) {
    PaletteBlock b;
    b.name = "My Scale";
    for (int i = 0; i < 256; ++i) {
        b.red[size_t(i)] = i;
        b.green[size_t(i)] = 255 - i;
        b.blue[size_t(i)] = i / 2;
    }
    const std::string path = ::testing::TempDir() + "veltor_palette_out.txt";
    ASSERT_TRUE(writePaletteFile(path, b));
    PaletteBlock again;
    ASSERT_TRUE(readPaletteFile(path, again));
    EXPECT_EQ(again.name, "My_Scale");
    EXPECT_EQ(again.green, b.green);
    EXPECT_EQ(again.blue[255], 127);
    EXPECT_FALSE(writePaletteFile("/nonexistent/folder/p.txt", b));
    std::remove(path.c_str());
}

TEST(CustomPalettes, SetOnFramesAndExtract) {
    MemorySettingsStore settings;
    UserOptions options;
    QuietDocumentUi ui;
    CKelvoDoc doc(settings, options, ui);
    ASSERT_TRUE(doc.load(VELTOR_SAMPLE_FILE));
    EXPECT_EQ(setBuiltinPalette(doc, 8), 1);
    EXPECT_EQ(doc.frameAt(0)->paletteNumber(), 8);
    EXPECT_EQ(setBuiltinPalette(doc, 11), 0);
    PaletteBlock warm;
    warm.name = "Warm";
    warm.red.fill(255);
    EXPECT_EQ(setCustomPalette(doc, warm), 1);
    EXPECT_EQ(doc.frameAt(0)->paletteNumber(), kCustomPaletteNumber);
    EXPECT_EQ(doc.frameHistory().frame(0)->entries.size(), 2u);

    // a PALETTE COLOR file whose manufacturer holds two words and a pad blank
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    b.element(0x0008, 0x0070, "LO", "Acme Scan ");
    b.element(0x0028, 0x0004, "CS", "PALETTE COLOR ");
    b.element(0x0028, 0x0010, "US", std::string("\x01\x00", 2));
    b.element(0x0028, 0x0011, "US", std::string("\x02\x00", 2));
    std::string lut(256, '\0');
    for (int i = 0; i < 256; ++i) lut[size_t(i)] = char(i);
    b.element(0x0028, 0x1201, "OW", lut);
    b.element(0x0028, 0x1202, "OW", lut);
    b.element(0x0028, 0x1203, "OW", lut);
    b.element(0x7FE0, 0x0010, "OB", std::string("\x01\x02", 2));
    DicomFile f;
    ASSERT_TRUE(f.openMemory(b.bytes().data(), b.size(), false));
    PaletteBlock extracted;
    ASSERT_TRUE(extractPalette(f, extracted));
    EXPECT_EQ(extracted.name, "Acme_Scan");
    EXPECT_EQ(extracted.red[200], 200);
}
