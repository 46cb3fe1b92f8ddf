// Frames as they leave the viewer: the display bitmap of a frame (after
// window, level and palette) with the view's rulers, annotations and
// measurements burned in, at the frame's own size or the size of a report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veltor {

class CKelvoView;
class DocumentOverlays;

// The export bitmap of `frame` (-1 the current one) at scale 1: a copy of
// the display bitmap when no overlay is shown, else its 24-bit form with
// every overlay pixel that is not pure black put over the frame. Empty when
// the frame has no display.
std::vector<uint8_t> RenderFrameForExport(CKelvoView& view, int frame);

// `bitmap` (a packed 8- or 24-bit bitmap of the frame, possibly resampled)
// as 24 bits with the overlays of `frame` drawn at `scale` burned in.
std::vector<uint8_t> burnOverlays(const uint8_t* bitmap, size_t size, DocumentOverlays& overlays, int frame,
                                  float scale);

// The picture of `frame` in a rich-text report: frames larger than 1024
// pixels are resampled with `method` to at most 1024, and the annotations
// (when `annotations`) are drawn at the same percentage.
std::vector<uint8_t> reportPicture(CKelvoView& view, int frame, int method, bool annotations);

// `bitmap` resampled to width x height with `method` (0 nearest, 1
// bilinear); unchanged when that is its size already.
std::vector<uint8_t> sizedExportBitmap(std::vector<uint8_t> bitmap, int width, int height, int method);

} // namespace veltor
