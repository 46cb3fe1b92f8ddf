// Rich-text (RTF) reports of a document: the header as a table and frames
// as embedded device-independent bitmaps, for the clipboard and printing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "header_report.h"

namespace veltor {

enum class RtfVariant {
    Header,                // H1, T1, TH, TR per element, "}"
    AllFrames,             // H1, T2, P per frame, "\par}"
    HeaderAndFrames,       // H2, T1, TH, TR per element, S, P per frame, "\par}"
    MarkedFrames,          // as AllFrames, with the marked frames
    HeaderAndMarkedFrames, // as HeaderAndFrames, with the marked frames
};

bool rtfVariantHasHeader(RtfVariant variant);
bool rtfVariantHasFrames(RtfVariant variant);

// The report bytes. `pictures` are packed 8- or 24-bit bitmaps; one that is
// not a bitmap the writers take is left out. `rows` are RTF rows.
std::string BuildRtfReport(RtfVariant variant, const std::string& fileName, const std::vector<ReportRow>& rows,
                           const std::vector<std::vector<uint8_t>>& pictures);

// The size a frame is pictured at: frames wider or taller than 1024 pixels
// shrink to p = trunc(1024 / larger side x 100) percent, each side
// trunc(side x p / 100); others stay at 100 %.
struct PictureSize {
    int32_t percent = 100;
    int32_t width = 0;
    int32_t height = 0;
};
PictureSize reportPictureSize(int32_t width, int32_t height);

// An export bitmap resampled to width x height (method 0 nearest neighbour,
// 1 bilinear, 2 bicubic): 8-bit grey bitmaps stay 8-bit, others come back
// 24-bit. Empty when the bitmap is not one the writers take or a size is
// not positive.
std::vector<uint8_t> resampleExportBitmap(const uint8_t* bitmap, size_t size, int32_t width, int32_t height,
                                          int32_t method);

} // namespace veltor
