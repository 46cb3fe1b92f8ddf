// Names of exported frames: the single-export default, the numbered frame
// files and the batch conversion outputs.
#include <gtest/gtest.h>

#include <string>

#include "export/export_names.h"

namespace veltor {
namespace {

TEST(ExportNames, DefaultNameFollowsTheSourceExtension) {
    struct Case {
        const char* source;
        ExportFormat format;
        const char* offered;
    };
    const Case cases[] = {
        // any other source keeps its whole name
        {"scan.dcm", ExportFormat::Tiff, "scan.dcm.tif"},
        {"scan.dcm", ExportFormat::Jpeg, "scan.dcm.jpg"},
        {"scan.dcm", ExportFormat::Bmp, "scan.dcm.bmp"},
        {"scan.dcm", ExportFormat::Raw, "scan.dcm.raw"},
        {"IM000123", ExportFormat::Tiff, "IM000123.tif"},
        // BMP sources
        {"photo.bmp", ExportFormat::Tiff, "photo.tif"},
        {"photo.BMP", ExportFormat::Jpeg, "photo.jpg"},
        {"photo.bmp", ExportFormat::Bmp, "copy of photo.bmp"},
        {"copy of photo.bmp", ExportFormat::Bmp, "copy of photo.bmp"},
        {"photo.bmp", ExportFormat::Raw, "photo.raw"},
        // JPEG sources, all three extensions, any case
        {"photo.JPG", ExportFormat::Jpeg, "copy of photo.JPG"},
        {"copy of photo.jpg", ExportFormat::Jpeg, "copy of photo.jpg"},
        {"Copy Of photo.jpg", ExportFormat::Jpeg,
         "copy of Copy Of photo.jpg"}, // case-sensitive test
        {"photo.jpe", ExportFormat::Bmp, "photo.bmp"},
        {"photo.jpeg", ExportFormat::Tiff, "photo.tif"},
        {"a.b.jpeg", ExportFormat::Raw, "a.b.raw"},
        // nothing before the dot: the whole name is used
        {".jpg", ExportFormat::Tiff, ".jpg.tif"},
        {".bmp", ExportFormat::Raw, ".bmp.raw"},
        // an extension that merely starts like one of ours
        {"photo.jpgx", ExportFormat::Tiff, "photo.jpgx.tif"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(defaultExportName(c.format, c.source), c.offered) << c.source;
}

TEST(ExportNames, ExportFramesBaseAndNumbers) {
    EXPECT_EQ(exportFramesBaseName("scan.dcm"), "scan.dcm");
    EXPECT_EQ(exportFramesBaseName("photo.Jpeg"), "photo");
    EXPECT_EQ(exportFramesBaseName("photo.bmp"), "photo");
    EXPECT_EQ(exportFramesBaseName(".jpg"), ".jpg");
    EXPECT_EQ(exportFrameFileName("scan.dcm", 3, ExportFormat::Tiff), "scan.dcm_0003.tif");
    EXPECT_EQ(exportFrameFileName("scan.dcm", 1, ExportFormat::Jpeg), "scan.dcm_0001.jpg");
    EXPECT_EQ(exportFrameFileName("b", 9999, ExportFormat::Bmp), "b_9999.bmp");
    EXPECT_EQ(exportFrameFileName("b", 10000, ExportFormat::Raw), "b_10000.raw");
}

TEST(ExportNames, PathsJoinWithOneSeparator) {
    EXPECT_EQ(exportPath("/tmp/out", "a.tif"), "/tmp/out/a.tif");
    EXPECT_EQ(exportPath("/tmp/out/", "a.tif"), "/tmp/out/a.tif");
    EXPECT_EQ(exportPath("", "a.tif"), "a.tif");
    EXPECT_EQ(directoryOf("/data/ct/scan.dcm"), "/data/ct");
    EXPECT_EQ(directoryOf("scan.dcm"), ".");
    EXPECT_EQ(directoryOf("/scan.dcm"), "/");
}

TEST(BatchNames, EveryDotOfTheSourceNameBecomesAnUnderscore) {
    EXPECT_EQ(batchOutputBase("/out", "/data/scan.a.dcm"), "/out/scan_a_dcm");
    EXPECT_EQ(batchOutputBase("/out/", "scan.dcm"), "/out/scan_dcm");
    // only the file name is rewritten, never the folders
    EXPECT_EQ(batchOutputBase("/my.data", "/my.data/x.y/IM000123"), "/my.data/IM000123");
    EXPECT_EQ(batchOutputBase("/out", "..dcm"), "/out/__dcm");
}

TEST(BatchNames, MultiFrameFilesAreNumberedFromZero) {
    const std::string base = "/out/ct_dcm";
    EXPECT_EQ(batchOutputName(base, 0, 1, ExportFormat::Tiff), "/out/ct_dcm.tif");
    EXPECT_EQ(batchOutputName(base, 0, 1, ExportFormat::Raw), "/out/ct_dcm.raw");
    EXPECT_EQ(batchOutputName(base, 0, 3, ExportFormat::Tiff), "/out/ct_dcm_0000.tif");
    EXPECT_EQ(batchOutputName(base, 2, 3, ExportFormat::Jpeg), "/out/ct_dcm_0002.jpg");
    EXPECT_EQ(batchOutputName(base, 299, 300, ExportFormat::Bmp), "/out/ct_dcm_0299.bmp");
}

} // namespace
} // namespace veltor
