#include "rtf_report.h"

#include <cstdio>

#include "frame_export.h"
#include "imaging/geometric_transforms.h"
#include "imglib/imglib.h"

namespace veltor {

namespace {

const char kH1[] =
    "{\\rtf1\\ansi\\ansicpg1253\\deff0\\uc1{\\fonttbl{\\f0\\fcharset0 Times New Roman;}}{\\stylesheet{\\s0"
    "\\nowidctlpar\\nooverflow\\sl240\\slmult1\\f0\\fs20\\kerning28 Normal;}}\\paperw11899\\paperh16837\\margt720"
    "\\margl720\\margr720\\margb1440\\deftab720\\pgnstart1\\viewkind1\\viewscale100\\fet0\\pard\\plain";
const char kH2[] =
    "{\\rtf1\\ansi\\ansicpg1253\\deff0\\uc1{\\fonttbl{\\f0\\fcharset0 Times New Roman;}}{\\stylesheet{\\s0"
    "\\nowidctlpar\\nooverflow\\sl240\\slmult1\\f0\\fs20\\kerning28 Normal;}}\\paperw11899\\paperh16837\\margt720"
    "\\margl720\\margr720\\margb720\\deftab720\\pgnstart1\\viewkind1\\viewscale100\\fet0\\pard\\plain";
const char kT1a[] = "\\pard\\nowidctlpar\\nooverflow\\qc\\sl240\\slmult1{\\b\\f0\\lang1033\\fs24\\kerning28 ";
const char kT1b[] = "\\par}";
const char kT2b[] = "  \\par}\\pard\\qc";
const char kTableHead[] =
    "\\pard\\nowidctlpar\\nooverflow\\sl240\\slmult1{\\f0\\lang1033\\fs20\\kerning28\\par}\\pard\\nowidctlpar"
    "\\nooverflow\\sl240\\slmult1{\\f1\\lang1033\\fs16\\kerning28\\trowd\\trql\\trgaph100\\trrh280\\trleft2\\trqc"
    "\\cellx1264\\cellx4064\\cellx4564\\cellx5464\\cellx10064\\pard \\intbl \\b Tag \\b0 \\cell\\pard \\intbl \\b "
    "Tag Name \\b0 \\cell\\pard \\intbl \\b VR \\b0 \\cell\\pard \\intbl \\b Length \\b0 \\cell\\pard \\intbl \\b "
    "Value \\b0 \\cell\\pard\\pard\\intbl\\row\\pard\\f1\\lang1033\\fs2\\par}";
const char kRowStart[] =
    "\\pard\\nowidctlpar\\nooverflow\\sl240\\slmult1{\\f1\\lang1033\\fs16\\kerning28\\trowd\\trql\\trgaph100"
    "\\trrh280\\trleft2\\trqc\\cellx1264\\cellx4064\\cellx4564\\cellx5464\\cellx10064";
const char kCell[] = "\\pard \\intbl ";
const char kCellEnd[] = "\\cell";
const char kRowEnd[] = "\\pard\\pard\\intbl\\row\\pard\\f1\\lang1033\\fs2\\par}";
const char kSeparator[] = "\\pard\\nowidctlpar\\nooverflow\\qc\\sl240\\slmult1{\\b\\f0\\lang1033\\fs24\\kerning28"
                          "                           \\par}\\pard\\qc";

void appendPicture(std::string& out, const std::vector<uint8_t>& bitmap) {
    if (bitmap.size() < kDibHeaderSize) return;
    DibLayout layout;
    if (!dibLayout(bitmap.data(), layout) || layout.compression != kDibRgb ||
        (layout.bitCount != 8 && layout.bitCount != 24) || layout.totalSize > bitmap.size())
        return;
    const size_t rowBytes = dibStride(layout.width, layout.bitCount);
    char head[256];
    std::snprintf(head, sizeof head,
                  "{\\pict \\dibitmap0 \\picw%d \\pich%d \\wbmbitspixel%d \\wbmplanes1 \\wbmwidthbytes%zu "
                  "\\picwgoal%d \\pichgoal%d \\picscalex100 \\picscaley100 \\bin%zu ",
                  layout.width, layout.height, int(layout.bitCount), rowBytes, 12 * layout.width,
                  12 * layout.height, layout.totalSize);
    out += head;
    out.append(reinterpret_cast<const char*>(bitmap.data()), layout.totalSize);
    out += "}  ";
}

} // namespace

bool rtfVariantHasHeader(RtfVariant variant) {
    return variant == RtfVariant::Header || variant == RtfVariant::HeaderAndFrames ||
           variant == RtfVariant::HeaderAndMarkedFrames;
}

bool rtfVariantHasFrames(RtfVariant variant) { return variant != RtfVariant::Header; }

std::string BuildRtfReport(RtfVariant variant, const std::string& fileName, const std::vector<ReportRow>& rows,
                           const std::vector<std::vector<uint8_t>>& pictures) {
    const bool header = rtfVariantHasHeader(variant);
    const bool frames = rtfVariantHasFrames(variant);
    std::string out;
    size_t reserve = 4096 + rows.size() * 512;
    for (const auto& p : pictures) reserve += p.size() + 256;
    out.reserve(reserve);
    out += header && frames ? kH2 : kH1;
    out += kT1a;
    out += escapeRtf(fileName);
    out += header ? kT1b : kT2b;
    if (header) {
        out += kTableHead;
        for (const ReportRow& row : rows) {
            out += kRowStart;
            for (const std::string* cell : {&row.tag, &row.name, &row.vr, &row.length, &row.value}) {
                out += kCell;
                out += escapeRtf(*cell);
                out += kCellEnd;
            }
            out += kRowEnd;
        }
    }
    if (!frames) {
        out += "}";
        return out;
    }
    if (header) out += kSeparator;
    for (const auto& picture : pictures) appendPicture(out, picture);
    out += "\\par}";
    return out;
}

PictureSize reportPictureSize(int32_t width, int32_t height) {
    PictureSize size{100, width, height};
    const int32_t larger = width > height ? width : height;
    if (larger > 1024) {
        size.percent = static_cast<int32_t>(1024.0 / larger * 100.0);
        size.width = static_cast<int32_t>(int64_t(width) * size.percent / 100);
        size.height = static_cast<int32_t>(int64_t(height) * size.percent / 100);
        if (size.width < 1) size.width = 1;
        if (size.height < 1) size.height = 1;
    }
    return size;
}

std::vector<uint8_t> resampleExportBitmap(const uint8_t* bitmap, size_t size, int32_t width, int32_t height,
                                          int32_t method) {
    if (width <= 0 || height <= 0 || uint64_t(width) * uint64_t(height) > kImglibMaxPixels) return {};
    PackedPixels pixels;
    if (!GetPackedPixels(bitmap, size, pixels)) return {};
    PackedPixels out;
    out.width = width;
    out.height = height;
    out.samples = pixels.samples;
    out.bytes.resize(size_t(width) * size_t(height) * size_t(pixels.samples));
    const ScalingMethod m = method == 1   ? ScalingMethod::Bilinear
                            : method == 2 ? ScalingMethod::Bicubic
                                          : ScalingMethod::NearestNeighbour;
    geometry::resample<uint8_t>(pixels.bytes.data(), pixels.width, pixels.height, pixels.samples, out.bytes.data(), width,
                      height, m, SampleRange{0, 255});
    return makeExportBitmap(out.view());
}

} // namespace veltor
