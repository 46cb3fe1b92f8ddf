// Conversion of whole DICOM files: frame images as the file's frame8 gives
// them, one image file per frame under the batch names, overwrite choices and
// files that cannot be read or written.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "dicom/dicom_file.h"
#include "dicom_bytes.h"
#include "export/batch_convert.h"
#include "export/export_names.h"
#include "imglib/imglib.h"
#include "export_test_support.h"

namespace veltor {
namespace {

using testing::DicomBytes;
using testing::fileExists;
using testing::listFolder;
using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

const std::string kDicomData = std::string(VELTOR_TEST_DATA) + "/../../dicom/data/";

std::string us(uint16_t v) {
    return std::string{char(v & 0xFF), char(v >> 8)};
}

struct Image {
    int rows = 2, columns = 3, bits = 8;
    std::string photometric = "MONOCHROME2 ";
    std::string frames = "1";
    std::string center, width;
    std::string pixels;
    std::vector<std::pair<uint16_t, std::string>> palette; // (0028,12xx) data
};

std::vector<uint8_t> build(const Image& im) {
    DicomBytes b;
    b.preamble("1.2.840.10008.1.2.1");
    const bool colour = im.photometric == "RGB ";
    b.element(0x0028, 0x0002, "US", us(colour ? 3 : 1));
    b.element(0x0028, 0x0004, "CS", DicomBytes::padText(im.photometric));
    if (colour) b.element(0x0028, 0x0006, "US", us(0));
    b.element(0x0028, 0x0008, "IS", DicomBytes::padText(im.frames));
    b.element(0x0028, 0x0010, "US", us(uint16_t(im.rows)));
    b.element(0x0028, 0x0011, "US", us(uint16_t(im.columns)));
    b.element(0x0028, 0x0100, "US", us(uint16_t(im.bits)));
    b.element(0x0028, 0x0101, "US", us(uint16_t(im.bits)));
    b.element(0x0028, 0x0102, "US", us(uint16_t(im.bits - 1)));
    if (!im.center.empty()) b.element(0x0028, 0x1050, "DS", DicomBytes::padText(im.center));
    if (!im.width.empty()) b.element(0x0028, 0x1051, "DS", DicomBytes::padText(im.width));
    for (const auto& [element, value] : im.palette)
        b.element(0x0028, element, "OW", value);
    b.element(0x7FE0, 0x0010, im.bits == 8 ? "OB" : "OW", im.pixels);
    return b.bytes();
}

std::string samples16(const std::vector<int16_t>& v) {
    std::string s(v.size() * 2, '\0');
    std::memcpy(s.data(), v.data(), s.size());
    return s;
}

// frame8 of every frame of `path`, in frame order, from a separate open.
std::vector<std::vector<uint8_t>> expectedFrames(const std::string& path) {
    DicomFile f;
    std::vector<std::vector<uint8_t>> frames;
    if (!f.openFile(path.c_str(), false)) return frames;
    for (int32_t n = 1; n <= f.frameCount(); ++n)
        frames.push_back(f.frame8(n));
    return frames;
}

// The pixels a written file holds, read by format; `samples` as found.
std::vector<uint8_t> pixelsOf(const std::string& path, ExportFormat format, int& samples) {
    const std::vector<uint8_t> file = readFile(path);
    if (format == ExportFormat::Raw) return file;
    if (format == ExportFormat::Tiff) {
        if (file.size() < 170) return {};
        samples = file[8] == 14 ? 3 : 1;
        const size_t offset = samples == 3 ? 188 : 170;
        return std::vector<uint8_t>(file.begin() + long(offset), file.end());
    }
    PackedPixels p;
    if (format == ExportFormat::Bmp && file.size() > 14 && file[0] == 'B' &&
        GetPackedPixels(file.data() + 14, file.size() - 14, p)) {
        samples = p.samples;
        return p.bytes;
    }
    return {};
}

ConvertOptions optionsFor(ExportFormat format,
                          ConvertCommand command = ConvertCommand::ExportSelectedFiles) {
    ConvertOptions o;
    o.format = format;
    o.command = command;
    return o;
}

TEST(FrameImages, FixturesConvertToWhatFrame8Gives) {
    // Uncompressed 16-bit in three encodings, lossless JPEG, RLE colour and a
    // 16-bit CT with two windows (the first one counts).
    struct Fixture {
        std::string path;
        int samples;
    };
    const Fixture fixtures[] = {
        {kDicomData + "nested_evle.dcm", 1},     {kDicomData + "nested_evbe.dcm", 1},
        {kDicomData + "nested_ivle.dcm", 1},     {kDicomData + "nested_jpll_sv1.dcm", 1},
        {kDicomData + "nested_jpll_sv7.dcm", 1}, {kDicomData + "rgb8.dcm", 3},
        {kDicomData + "rgb8_rle.dcm", 3},        {VELTOR_SAMPLE_FILE, 1},
    };
    TempFolder out;
    for (const Fixture& fx : fixtures) {
        const std::vector<std::vector<uint8_t>> expected = expectedFrames(fx.path);
        ASSERT_EQ(expected.size(), 1u) << fx.path;
        for (ExportFormat format : {ExportFormat::Tiff, ExportFormat::Raw, ExportFormat::Bmp}) {
            SCOPED_TRACE(fx.path + exportExtension(format));
            std::vector<std::string> written;
            ConvertCallbacks cb;
            cb.written = [&](const std::string& t) { written.push_back(t); };
            const ConvertReport r = convertFile(fx.path, out.path(), optionsFor(format), cb);
            ASSERT_TRUE(r.converted());
            EXPECT_EQ(r.written, 1u);
            ASSERT_EQ(written.size(), 1u);
            EXPECT_EQ(written[0], batchOutputBase(out.path(), fx.path) + exportExtension(format));
            int samples = 0;
            EXPECT_EQ(pixelsOf(written[0], format, samples), expected[0]);
            if (format != ExportFormat::Raw) {
                EXPECT_EQ(samples, fx.samples);
            }
        }
    }
}

TEST(FrameImages, SixteenBitFramesUseTheFileWindow) {
    // Window 40/400: lower -160 and upper 240 map to 0 and 255, 40 to
    // trunc(200 / 400 x 255) = 127, 100 to 165; samples beyond either end
    // saturate, never wrap.
    Image im;
    im.bits = 16;
    im.rows = 2;
    im.columns = 4;
    im.center = "40";
    im.width = "400";
    im.pixels = samples16({-1024, -160, 40, 240, 100, 3000, 3071, -500});
    TempFolder dir;
    const std::string source = dir / "ct.dcm";
    ASSERT_TRUE(writeFile(source, build(im)));
    ASSERT_TRUE(convertFile(source, dir.path(), optionsFor(ExportFormat::Raw), {}).converted());
    EXPECT_EQ(readFile(dir / "ct_dcm.raw"),
              (std::vector<uint8_t>{0, 0, 127, 255, 165, 255, 255, 0}));
}

TEST(FrameImages, MultiFrameFilesGiveOneNumberedFilePerFrame) {
    // Three 8-bit frames: each file holds its own frame.
    Image im;
    im.frames = "3";
    im.pixels = std::string("\x01\x02\x03\x04\x05\x06"
                            "\x11\x12\x13\x14\x15\x16"
                            "\x21\x22\x23\x24\x25\x26",
                            18);
    TempFolder dir;
    const std::string source = dir / "ct.dcm";
    ASSERT_TRUE(writeFile(source, build(im)));
    const ConvertReport r = convertFile(source, dir.path(), optionsFor(ExportFormat::Tiff), {});
    EXPECT_EQ(r.frames, 3);
    EXPECT_EQ(r.written, 3u);
    EXPECT_EQ(listFolder(dir.path()),
              (std::vector<std::string>{"ct.dcm", "ct_dcm_0000.tif", "ct_dcm_0001.tif",
                                        "ct_dcm_0002.tif"}));
    for (int i = 0; i < 3; ++i) {
        int samples = 0;
        const std::vector<uint8_t> p = pixelsOf(dir / ("ct_dcm_000" + std::to_string(i) + ".tif"),
                                                ExportFormat::Tiff, samples);
        EXPECT_EQ(samples, 1);
        ASSERT_EQ(p.size(), 6u);
        EXPECT_EQ(p[0], 0x01 + 0x10 * i);
        EXPECT_EQ(p[5], 0x06 + 0x10 * i);
    }
}

TEST(FrameImages, AnUnusableWindowIsReplacedOnceForAllLaterFrames) {
    // No window: the first frame's range 0..100 becomes the file's window,
    // and the second frame (range 0..200) is windowed with it.
    Image im;
    im.bits = 16;
    im.rows = 1;
    im.columns = 3;
    im.frames = "2";
    im.pixels = samples16({0, 50, 100, 0, 100, 200});
    TempFolder dir;
    const std::string source = dir / "mr.dcm";
    ASSERT_TRUE(writeFile(source, build(im)));
    ASSERT_TRUE(convertFile(source, dir.path(), optionsFor(ExportFormat::Raw), {}).converted());
    EXPECT_EQ(readFile(dir / "mr_dcm_0000.raw"), (std::vector<uint8_t>{0, 127, 255}));
    EXPECT_EQ(readFile(dir / "mr_dcm_0001.raw"), (std::vector<uint8_t>{0, 255, 255}));
}

TEST(FrameImages, PaletteColourFramesAreWrittenAsRgb) {
    Image im;
    im.photometric = "PALETTE COLOR ";
    im.rows = 1;
    im.columns = 2;
    im.pixels = std::string("\x00\x02", 2);
    std::string red(256, '\0'), green(256, '\0'), blue(256, '\0');
    red[2] = char(200);
    green[2] = char(100);
    blue[0] = char(7);
    im.palette = {{0x1201, red}, {0x1202, green}, {0x1203, blue}};
    TempFolder dir;
    const std::string source = dir / "pal.dcm";
    ASSERT_TRUE(writeFile(source, build(im)));
    ASSERT_TRUE(convertFile(source, dir.path(), optionsFor(ExportFormat::Tiff), {}).converted());
    int samples = 0;
    EXPECT_EQ(pixelsOf(dir / "pal_dcm.tif", ExportFormat::Tiff, samples),
              (std::vector<uint8_t>{0, 0, 7, 200, 100, 0}));
    EXPECT_EQ(samples, 3);
}

TEST(FrameImages, LibraryFormatsCarryTheSameImage) {
    // JPEG (and BMP in Batch Convert) go through imglib; reading them back
    // gives the frame's geometry, colour or grey, and its pixels.
    TempFolder dir;
    const std::string source = kDicomData + "rgb8.dcm";
    const std::vector<uint8_t> expected = expectedFrames(source).at(0);
    for (ExportFormat format : {ExportFormat::Jpeg, ExportFormat::Bmp}) {
        SCOPED_TRACE(exportExtension(format));
        ASSERT_TRUE(
            convertFile(source, dir.path(), optionsFor(format, ConvertCommand::BatchConvert), {})
                .converted());
        const std::string target = dir / (std::string("rgb8_dcm") + exportExtension(format));
        uint8_t* back = Imglib_ReadFile(target.c_str());
        ASSERT_NE(back, nullptr);
        DibLayout layout;
        PackedPixels p;
        const bool read = dibLayout(back, layout) && GetPackedPixels(back, layout.totalSize, p);
        Imglib_FreeBitmap(back);
        ASSERT_TRUE(read);
        EXPECT_EQ(p.width, 8);
        EXPECT_EQ(p.height, 8);
        EXPECT_EQ(p.samples, 3);
        ASSERT_EQ(p.bytes.size(), expected.size());
        if (format == ExportFormat::Bmp) {
            EXPECT_EQ(p.bytes, expected);
        }
    }
}

TEST(Converting, ExistingTargetsAreAskedAboutAndKeptOnNo) {
    Image im;
    im.frames = "2";
    im.pixels = std::string(12, '\x05');
    TempFolder dir;
    const std::string source = dir / "ct.dcm";
    ASSERT_TRUE(writeFile(source, build(im)));
    ASSERT_TRUE(writeFile(dir / "ct_dcm_0001.raw", {'o', 'l', 'd'}));
    std::vector<std::string> asked;
    ConvertCallbacks cb;
    cb.confirmOverwrite = [&](const std::string& t) {
        asked.push_back(t);
        return false;
    };
    ConvertReport r = convertFile(source, dir.path(), optionsFor(ExportFormat::Raw), cb);
    EXPECT_TRUE(r.converted());
    EXPECT_EQ(asked, std::vector<std::string>{dir / "ct_dcm_0001.raw"})
        << "new targets are not asked about";
    EXPECT_EQ(r.written, 1u);
    EXPECT_EQ(r.skipped, 1u);
    EXPECT_EQ(readFile(dir / "ct_dcm_0001.raw"), (std::vector<uint8_t>{'o', 'l', 'd'}));

    cb.confirmOverwrite = [](const std::string&) { return true; };
    r = convertFile(source, dir.path(), optionsFor(ExportFormat::Raw), cb);
    EXPECT_EQ(r.written, 2u);
    EXPECT_EQ(readFile(dir / "ct_dcm_0001.raw"), std::vector<uint8_t>(6, 5));
}

TEST(Converting, FilesThatDoNotParseGiveNoOutput) {
    TempFolder dir;
    ASSERT_TRUE(writeFile(dir / "notes.txt", {'h', 'e', 'l', 'l', 'o', '\n'}));
    ConvertReport r =
        convertFile(dir / "notes.txt", dir.path(), optionsFor(ExportFormat::Tiff), {});
    EXPECT_FALSE(r.converted());
    EXPECT_EQ(r.failure, ConvertFailure::NotParsed);
    EXPECT_FALSE(convertFailureText(r).empty());

    r = convertFile(dir / "missing.dcm", dir.path(), optionsFor(ExportFormat::Tiff), {});
    EXPECT_EQ(r.failure, ConvertFailure::NotParsed);
    EXPECT_EQ(r.dicomStatus, DicomError::FileNotFound);

    // Pixel data shorter than its frames need.
    Image im;
    im.frames = "2";
    im.pixels = std::string(6, '\x01');
    ASSERT_TRUE(writeFile(dir / "short.dcm", build(im)));
    r = convertFile(dir / "short.dcm", dir.path(), optionsFor(ExportFormat::Tiff), {});
    EXPECT_FALSE(r.converted());
    EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"notes.txt", "short.dcm"}));
}

TEST(Converting, DepthsWithoutAFrameImageGiveNoOutput) {
    // 24 bits allocated: no frame image can be made of it.
    Image im;
    im.bits = 24;
    im.rows = 1;
    im.columns = 2;
    im.pixels = std::string(6, '\x01');
    TempFolder dir;
    ASSERT_TRUE(writeFile(dir / "deep.dcm", build(im)));
    const ConvertReport r = convertFile(dir / "deep.dcm", dir.path(), optionsFor(ExportFormat::Tiff), {});
    EXPECT_FALSE(r.converted());
    EXPECT_EQ(r.written, 0u);
    EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"deep.dcm"});
}

TEST(Converting, ImagesThatCannotBeCreatedAreReportedAndTheFileStillCounts) {
    Image im;
    im.frames = "2";
    im.pixels = std::string(12, '\x05');
    TempFolder dir;
    const std::string source = dir / "ct.dcm";
    ASSERT_TRUE(writeFile(source, build(im)));
    std::vector<std::string> failedTargets;
    ConvertCallbacks cb;
    cb.writeFailed = [&](const std::string& t, const ExportResult& result) {
        failedTargets.push_back(t);
        EXPECT_EQ(result.status, ExportStatus::CreateFailed);
    };
    for (ExportFormat format : {ExportFormat::Tiff, ExportFormat::Raw, ExportFormat::Bmp}) {
        failedTargets.clear();
        const ConvertReport r = convertFile(source, dir / "absent", optionsFor(format), cb);
        EXPECT_TRUE(r.converted()) << "the file parsed";
        EXPECT_EQ(r.failed, 2u);
        EXPECT_EQ(failedTargets.size(), 2u);
    }
}

TEST(Converting, RunsLogConvertedFilesAndWriteBesideSourcesByDefault) {
    Image im;
    im.pixels = std::string(6, '\x09');
    TempFolder dir;
    ASSERT_TRUE(testing::writeFile(dir / "a.dcm", build(im)));
    ASSERT_TRUE(writeFile(dir / "junk.txt", {'x'}));
    ASSERT_TRUE(testing::writeFile(dir / "b.dcm", build(im)));
    const std::vector<std::string> files = {dir / "a.dcm", dir / "junk.txt", dir / "b.dcm"};

    std::vector<std::string> reported;
    const ConvertRunResult run =
        convertFiles(files, "", optionsFor(ExportFormat::Raw, ConvertCommand::BatchConvert), {},
                     [&](const std::string& s, const ConvertReport&) { reported.push_back(s); });
    EXPECT_FALSE(run.cancelled);
    EXPECT_EQ(run.converted, 2u);
    EXPECT_EQ(run.notConverted, 1u);
    EXPECT_EQ(run.written, 2u);
    EXPECT_EQ(run.log, files[0] + "\r\n" + files[2] + "\r\n");
    EXPECT_EQ(reported, files);
    EXPECT_TRUE(fileExists(dir / "a_dcm.raw"));
    EXPECT_TRUE(fileExists(dir / "b_dcm.raw"));

    // Cancel ends the run after the file in hand.
    TempFolder out;
    ConvertCallbacks cb;
    cb.progress = [](size_t done, size_t) { return done < 1; };
    const ConvertRunResult cancelled =
        convertFiles(files, out.path(), optionsFor(ExportFormat::Raw), cb);
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_EQ(listFolder(out.path()), std::vector<std::string>{"a_dcm.raw"});
}

TEST(Converting, MakeFrameImageRefusesFramesItCannotMake) {
    Image im;
    im.pixels = std::string(6, '\x09');
    const std::vector<uint8_t> bytes = build(im);
    DicomFile f;
    ASSERT_TRUE(f.openMemory(bytes.data(), bytes.size(), false));
    PackedPixels p;
    EXPECT_TRUE(makeFrameImage(f, 1, p));
    EXPECT_EQ(p.bytes, std::vector<uint8_t>(6, 9));
    EXPECT_FALSE(makeFrameImage(f, 0, p));
    EXPECT_FALSE(makeFrameImage(f, 2, p));
    DicomFile headerOnly;
    ASSERT_TRUE(headerOnly.openMemory(bytes.data(), bytes.size(), true));
    // no pixels were read: 8-bit frames come back as zeros, like frame8
    EXPECT_TRUE(makeFrameImage(headerOnly, 1, p));
    EXPECT_EQ(p.bytes, std::vector<uint8_t>(6, 0));
}

} // namespace
} // namespace veltor
