// HTML pages, rich-text reports and AVI videos, byte for byte where the
// layout is fixed; videos are checked with ffprobe.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dicom_bytes.h"
#include "dicom/dicom_file.h"
#include "export/atomic_file.h"
#include "export/avi_writer.h"
#include "export/html_page.h"
#include "export/rtf_report.h"
#include "export/video_export.h"
#include "export_test_support.h"

namespace veltor {
namespace {

using veltor::testing::DicomBytes;
using veltor::testing::Syntax;
using veltor::testing::TempFolder;

DicomElement record(uint16_t g, uint16_t e, const char* name, const char* vr, const std::string& value,
                    int32_t number = 0) {
    DicomElement r;
    r.group = g;
    r.element = e;
    std::snprintf(r.name, sizeof r.name, "%s", name);
    std::snprintf(r.vr, sizeof r.vr, "%s", vr);
    r.length = static_cast<uint32_t>(value.size());
    r.value = reinterpret_cast<const uint8_t*>(value.c_str());
    r.number = number;
    return r;
}

// Two elements: a name and a binary number.
std::vector<ReportRow> twoRows(ReportFormat format) {
    static const std::string name = "DOE^JANE", rows = std::string("\x00\x02", 2);
    return {reportRow(record(0x0010, 0x0010, "Patient's Name", "PN", name), format),
            reportRow(record(0x0028, 0x0010, "Rows", "US", rows, 512), format)};
}

std::string crlf(const std::string& s) { return withCrLf(s); }

TEST(HtmlPage, TwoElementHeaderAndOneFrameByteForByte) {
    TempFolder dir;
    const std::vector<ReportRow> rows = twoRows(ReportFormat::Html);
    HtmlPageSource page;
    page.title = "image.dcm.html";
    page.fileName = "image.dcm";
    page.dateText = "01/02/2024";
    page.fileSize = 5000;
    page.header = &rows;
    HtmlWriteRequest request;
    request.pagePath = dir / "report.html";
    request.imageFolder = dir / "report_files";
    request.sourcePrefix = "report_files/";
    request.frames = {{0, 1}, {1, 2}};
    request.writeImage = [](int32_t index, const std::string& path) {
        return index == 0 && veltor::testing::writeFile(path, {0xFF, 0xD8});
    };
    ASSERT_TRUE(WriteHtmlPage(page, request).ok());
    const std::string expected = crlf(
        "<HTML>\n<HEAD>\n<TITLE>image.dcm.html</TITLE>\n</HEAD>\n<BODY>"
        "\n<HR><BR><H2 ALIGN=\"center\">image.dcm</H2>\nDate : 01/02/2024 <BR>\nSize : 4KB <BR>\n<HR><BR><BR>"
        "\n<TABLE BORDER=1 ALIGN=\"center\" BORDERCOLOR=\"#0000\">\n<TR>"
        "\n<TD ALIGN=\"center\">Tag\n</TD>\n<TD ALIGN=\"center\">Tag Name\n</TD>\n<TD ALIGN=\"center\">VR\n</TD>"
        "\n<TD ALIGN=\"center\">Length\n</TD>\n<TD ALIGN=\"center\">Value\n</TD>\n</TR>"
        "\n<TR>\n<TD>0x0010, 0x0010\n</TD>\n<TD>Patient's Name\n</TD>\n<TD>PN\n</TD>\n<TD>8\n</TD>"
        "\n<TD>\"DOE^JANE\"\n</TD>\n</TR>"
        "\n<TR>\n<TD>0x0028, 0x0010\n</TD>\n<TD>Rows\n</TD>\n<TD>US\n</TD>\n<TD>2\n</TD>\n<TD>512\n</TD>\n</TR>"
        "\n</TABLE>\n<BR><BR>"
        "\n<TABLE BORDER=1 ALIGN=\"center\" BORDERCOLOR=\"#000000\">"
        "\n<TR>\n<TD ALIGN=\"CENTER\"><IMG SRC=\"report_files/0001.jpg\"> <BR> Frame : 0001 <BR>\n</TD>\n</TR>"
        "\n</TABLE>"
        "\n<BR><BR><HR><I>Created by <B>Veltor Dicom Viewer 4.0.1</B></I>"
        "\n<BR><A href=\"https://veltor.org/dicom-viewer/\"><I>https://veltor.org/dicom-viewer/</I></A>"
        "\n<BR><I><A href=\"mailto:dicom-viewer@veltor.org\">The Veltor Dicom Viewer team</A></I>"
        "\n</BODY>\n</HTML>");
    const std::vector<uint8_t> written = veltor::testing::readFile(request.pagePath);
    EXPECT_EQ(std::string(written.begin(), written.end()), expected);
    EXPECT_TRUE(veltor::testing::fileExists(dir / "report_files/0001.jpg"));
    EXPECT_EQ(veltor::testing::listFolder(dir.path()), (std::vector<std::string>{"report.html", "report_files"}))
        << "no temporary file is left";
}

TEST(HtmlPage, MissingFolderIsACreationErrorAndWritesNoPicture) {
    TempFolder dir;
    HtmlPageSource page;
    HtmlWriteRequest request;
    request.pagePath = dir / "missing/report.html";
    request.imageFolder = dir / "missing/report_files";
    request.frames = {{0, 1}};
    int written = 0;
    request.writeImage = [&](int32_t, const std::string&) { return ++written > 0; };
    EXPECT_EQ(WriteHtmlPage(page, request).status, ExportStatus::CreateFailed);
    EXPECT_EQ(written, 0);
}

TEST(ReportRows, ValueRulesCutsAndEscapes) {
    const std::string sixty(60, 'A');
    const DicomElement longText = record(0x0008, 0x1030, "Study Description", "LO", sixty);
    EXPECT_EQ(reportRow(longText, ReportFormat::Html).value, "\"" + sixty + "\"");
    EXPECT_EQ(reportRow(longText, ReportFormat::Rtf).value, "\"Long Size Data\"");
    const std::string fortyEight(48, 'B');
    EXPECT_EQ(reportRow(record(0x0008, 0x1030, "x", "LO", fortyEight), ReportFormat::Rtf).value,
              "\"" + std::string(45, 'B') + "...") << "48 bytes quoted are 50 characters, cut to 46";
    const std::string forty(40, 'n');
    EXPECT_EQ(reportRow(record(0x0009, 0x0010, forty.c_str(), "LO", "x"), ReportFormat::Rtf).name,
              std::string(33, 'n') + "...");
    EXPECT_EQ(reportRow(record(0x7FE0, 0x0010, "Pixel Data", "OW", "xx"), ReportFormat::Html).value,
              "\"Frame Data\"");
    EXPECT_EQ(reportRow(record(0x0008, 0x1140, "Seq", "SQ", ""), ReportFormat::Rtf).value, "\"Sequence Data\"");
    EXPECT_EQ(reportRow(record(0x0010, 0x0010, "n", "PN", "A"), ReportFormat::Rtf).tag, "0x0010,0x0010");

    EXPECT_EQ(escapeHtml("a<b>&c\x01"), "a&lt;b&gt;&amp;c\\x01");
    EXPECT_EQ(escapeRtf("{a\\b}\n\xe9"), "\\{a\\\\b\\}\\\\x0A\\'e9");
}

TEST(ReportRows, AnonymizedExportLeavesThePatientNameEmpty) {
    DicomBytes b(Syntax::ExplicitLittle);
    b.preamble(veltor::testing::syntaxUid(Syntax::ExplicitLittle));
    b.element(0x0010, 0x0010, "PN", "DOE^JOHN");
    std::vector<uint8_t> bytes = b.bytes();
    DicomFile file;
    ASSERT_TRUE(file.openMemory(bytes.data(), bytes.size(), true));
    for (ReportFormat format : {ReportFormat::Html, ReportFormat::Rtf}) {
        const std::vector<ReportRow> hidden = reportRows(file, format, true, AnonymizeOptions());
        ASSERT_FALSE(hidden.empty());
        EXPECT_EQ(hidden.back().value, "\"\"");
        EXPECT_EQ(reportRows(file, format, false, AnonymizeOptions()).back().value, "\"DOE^JOHN\"");
    }
}

const char kH1[] =
    "{\\rtf1\\ansi\\ansicpg1253\\deff0\\uc1{\\fonttbl{\\f0\\fcharset0 Times New Roman;}}{\\stylesheet{\\s0\\nowidctlpar"
    "\\nooverflow\\sl240\\slmult1\\f0\\fs20\\kerning28 Normal;}}\\paperw11899\\paperh16837\\margt720\\margl720"
    "\\margr720\\margb1440\\deftab720\\pgnstart1\\viewkind1\\viewscale100\\fet0\\pard\\plain";
const char kRowHead[] =
    "\\pard\\nowidctlpar\\nooverflow\\sl240\\slmult1{\\f1\\lang1033\\fs16\\kerning28\\trowd\\trql\\trgaph100\\trrh280"
    "\\trleft2\\trqc\\cellx1264\\cellx4064\\cellx4564\\cellx5464\\cellx10064";

TEST(RtfReport, HeaderVariantByteForByte) {
    const std::string report = BuildRtfReport(RtfVariant::Header, "scan.dcm", twoRows(ReportFormat::Rtf), {});
    const std::string expected =
        std::string(kH1) + "\\pard\\nowidctlpar\\nooverflow\\qc\\sl240\\slmult1{\\b\\f0\\lang1033\\fs24\\kerning28 "
                           "scan.dcm\\par}" +
        "\\pard\\nowidctlpar\\nooverflow\\sl240\\slmult1{\\f0\\lang1033\\fs20\\kerning28\\par}" + kRowHead +
        "\\pard \\intbl \\b Tag \\b0 \\cell\\pard \\intbl \\b Tag Name \\b0 \\cell\\pard \\intbl \\b VR \\b0 "
        "\\cell\\pard \\intbl \\b Length \\b0 \\cell\\pard \\intbl \\b Value \\b0 \\cell\\pard\\pard\\intbl\\row\\pard"
        "\\f1\\lang1033\\fs2\\par}" +
        kRowHead +
        "\\pard \\intbl 0x0010,0x0010\\cell\\pard \\intbl Patient's Name\\cell\\pard \\intbl PN\\cell\\pard \\intbl "
        "8\\cell\\pard \\intbl \"DOE^JANE\"\\cell\\pard\\pard\\intbl\\row\\pard\\f1\\lang1033\\fs2\\par}" +
        kRowHead +
        "\\pard \\intbl 0x0028,0x0010\\cell\\pard \\intbl Rows\\cell\\pard \\intbl US\\cell\\pard \\intbl "
        "2\\cell\\pard \\intbl 512\\cell\\pard\\pard\\intbl\\row\\pard\\f1\\lang1033\\fs2\\par}" +
        "}";
    EXPECT_EQ(report, expected);
}

TEST(RtfReport, FramePictureCarriesTheWholeBitmap) {
    const uint8_t grey[3] = {1, 2, 3};
    const std::vector<uint8_t> bitmap = makeExportBitmap({3, 1, 1, grey, 3});
    const std::string report = BuildRtfReport(RtfVariant::AllFrames, "a", {}, {bitmap});
    const std::string expected =
        std::string(kH1) +
        "\\pard\\nowidctlpar\\nooverflow\\qc\\sl240\\slmult1{\\b\\f0\\lang1033\\fs24\\kerning28 a  \\par}\\pard\\qc" +
        "{\\pict \\dibitmap0 \\picw3 \\pich1 \\wbmbitspixel8 \\wbmplanes1 \\wbmwidthbytes4 \\picwgoal36 \\pichgoal12 "
        "\\picscalex100 \\picscaley100 \\bin1068 " +
        std::string(bitmap.begin(), bitmap.end()) + "}  \\par}";
    EXPECT_EQ(bitmap.size(), 40u + 1024u + 4u);
    EXPECT_EQ(report, expected);
    const std::string both = BuildRtfReport(RtfVariant::HeaderAndFrames, "a", {}, {bitmap});
    EXPECT_NE(both.find("\\margb720"), std::string::npos);
    EXPECT_NE(both.find("\\kerning28                           \\par}\\pard\\qc{\\pict"), std::string::npos);
}

TEST(RtfReport, LargeFramesArePicturedAtMost1024Pixels) {
    const PictureSize p = reportPictureSize(2048, 1536);
    EXPECT_EQ(p.percent, 50);
    EXPECT_EQ(p.width, 1024);
    EXPECT_EQ(p.height, 768);
    const PictureSize odd = reportPictureSize(1500, 10);
    EXPECT_EQ(odd.percent, 68); // trunc(68.27)
    EXPECT_EQ(odd.width, 1020);
    EXPECT_EQ(odd.height, 6);
    EXPECT_EQ(reportPictureSize(1024, 1024).percent, 100);

    std::vector<uint8_t> rgb(2048 * 1536 * 3, 7);
    const std::vector<uint8_t> big = makeExportBitmap({2048, 1536, 3, rgb.data(), rgb.size()});
    const std::vector<uint8_t> small = resampleExportBitmap(big.data(), big.size(), p.width, p.height, 1);
    const std::string report = BuildRtfReport(RtfVariant::AllFrames, "a", {}, {small});
    EXPECT_NE(report.find("\\picw1024 \\pich768 \\wbmbitspixel24 \\wbmplanes1 \\wbmwidthbytes3072 \\picwgoal12288 "
                          "\\pichgoal9216 "),
              std::string::npos);
}

// ffprobe's view of a video: "codec,width,height,rate,frames".
std::string probe(const std::string& path) {
    const std::string command = "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                "stream=codec_name,width,height,r_frame_rate,nb_read_frames -of csv=p=0 '" +
                                path + "' 2>&1";
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, p) != nullptr) out += buffer;
        ::pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

TEST(AviWriter, FifteenOfTwentyFramesPlayAtTheNearestIntegerRate) {
    if (std::system("ffprobe -version > /dev/null 2>&1") != 0) GTEST_SKIP() << "ffprobe is not installed";
    TempFolder dir;
    const int32_t rate = videoRate(66.67);
    ASSERT_EQ(rate, 15);
    EXPECT_EQ(videoRate(40.0), 25);
    EXPECT_EQ(videoRate(33.33), 30);
    for (AviCodec codec : {AviCodec::Uncompressed, AviCodec::MotionJpeg}) {
        for (bool colour : {false, true}) {
            const std::string path = dir / (std::string(codec == AviCodec::MotionJpeg ? "m" : "u") +
                                            (colour ? "c" : "g") + ".avi");
            AviWriter writer(rate, codec, 80);
            ASSERT_TRUE(writer.open(path));
            std::vector<uint8_t> grey(33 * 17);
            for (int frame = 0; frame < 20; ++frame) {
                if (frame >= 5 && frame <= 9) continue; // excluded
                for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<uint8_t>(i * 3 + frame * 10);
                const std::vector<uint8_t> source = makeExportBitmap({33, 17, 1, grey.data(), grey.size()});
                VideoFrameOptions options;
                options.colour = colour;
                const std::vector<uint8_t> bitmap = videoFrameBitmap(source.data(), source.size(), options);
                ASSERT_EQ(writer.addFrame(bitmap.data(), bitmap.size()), 1);
            }
            const std::vector<uint8_t> other = makeExportBitmap({32, 17, 1, grey.data(), 32 * 17});
            EXPECT_EQ(writer.addFrame(other.data(), other.size()), 0) << "a frame of another size is refused";
            ASSERT_EQ(writer.finish(), 1);
            const char* codecName = codec == AviCodec::MotionJpeg ? "mjpeg" : "rawvideo";
            EXPECT_EQ(probe(path), std::string(codecName) + ",33,17,15/1,15") << path;
        }
    }
    // Scaled frames, and a file that cannot be created.
    std::vector<uint8_t> rgb(10 * 10 * 3, 200);
    const std::vector<uint8_t> source = makeExportBitmap({10, 10, 3, rgb.data(), rgb.size()});
    VideoFrameOptions scaled;
    scaled.scale = true;
    scaled.width = 256;
    scaled.height = 64;
    scaled.method = 1;
    const std::vector<uint8_t> frame = videoFrameBitmap(source.data(), source.size(), scaled);
    AviWriter writer(25);
    ASSERT_TRUE(writer.open(dir / "s.avi"));
    ASSERT_EQ(writer.addFrame(frame.data(), frame.size()), 1);
    ASSERT_EQ(writer.finish(), 1);
    EXPECT_EQ(probe(dir / "s.avi"), "rawvideo,256,64,25/1,1");
    AviWriter nowhere(25);
    EXPECT_FALSE(nowhere.open(dir / "missing/x.avi"));
}

TEST(AviWriter, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    TempFolder dir;
    ASSERT_TRUE(veltor::testing::writeFile(dir / "keep.avi", {1, 2, 3}));
    {
        AtomicFile file;
        ASSERT_TRUE(file.open(dir / "keep.avi"));
        ASSERT_TRUE(file.write("new", 3));
    } // dropped before commit, as after a failed write
    EXPECT_EQ(veltor::testing::readFile(dir / "keep.avi"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(veltor::testing::listFolder(dir.path()), std::vector<std::string>{"keep.avi"});
    AtomicFile full;
    if (full.open("/dev/full")) {
        EXPECT_FALSE(full.write(std::string(1 << 16, 'x'))) << "a full disk is reported";
    }
}

TEST(VideoChecks, ValuesOutsideTheLimitsAreRefusedWithAReason) {
    EXPECT_TRUE(checkExportSize(1, 16384).empty());
    EXPECT_FALSE(checkExportSize(0, 10).empty());
    EXPECT_FALSE(checkExportSize(10, 16385).empty());
    EXPECT_TRUE(checkFrameRate(1000).empty());
    EXPECT_FALSE(checkFrameRate(0).empty());
    EXPECT_FALSE(checkFrameRate(1000.5).empty());
    EXPECT_FALSE(checkJpegQuality(0).empty());
    EXPECT_FALSE(checkJpegQuality(101).empty());
    EXPECT_EQ(videoRate(0.0), 0);
    EXPECT_EQ(videoRate(5000.0), 1) << "slower than one frame a second still plays at 1";
}

} // namespace
} // namespace veltor
