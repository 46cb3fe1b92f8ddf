// The selection and crop commands of the image view, on the current frame or,
// in Apply to all mode with frames alike, on every frame: applying a dragged
// rectangle, Inverse Selection, Unselect, Clear, Crop To Selection, the crop
// of the Crop tool, and the ROI bitmap of Copy ROI. Each frame a command
// changes gets an image entry in its history per change.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/frame_history.h"
#include "imaging/image_rect.h"
#include "view/view_geometry.h"
#include "view/view_tools.h"

namespace veltor {

class CKelvoDoc;
class DocumentOverlays;
class ImageBuffer;

// How a dragged rectangle combines with the selection.
enum class SelectionMode : int32_t { Difference = -1, New = 0, Union = 1, Intersection = 2 };
// Shift and Ctrl intersection, Shift union, Ctrl difference, none new.
SelectionMode selectionModeFor(KeyModifiers modifiers);

// A pane rectangle (any corner order) in image pixels, inclusive: scroll
// position added, image rectangle's corner taken off, divided by the zoom and
// truncated, then limited to 0..width - 1 and 0..height - 1.
ImageRect bandToImage(const ViewRect& band, ViewPoint scroll, const ViewRect& imageRect, float zoom,
                      int32_t width, int32_t height);

// The current frame has a selection outline.
bool hasSelection(CKelvoDoc& doc);

// Each returns the number of frames changed.
int32_t applySelection(CKelvoDoc& doc, SelectionMode mode, const ImageRect& inclusive);
int32_t inverseSelection(CKelvoDoc& doc);
int32_t unselect(CKelvoDoc& doc);
// Fills the selected pixels with each frame's background (its colour, or
// its grey or 16-bit value); frames without a selection are skipped.
int32_t clearSelected(CKelvoDoc& doc, const FrameProgress& progress = {});
// Crops each frame with a selection to the selection's box: the selection is
// cleared, then, unless the box is the whole frame, the frame is cropped and
// its default annotations re-placed. One history entry per frame: the crop
// (which drops the frame's selection steps), or the clearing alone.
int32_t cropToSelection(CKelvoDoc& doc, DocumentOverlays& overlays);
// The Crop tool's crop to an inclusive rectangle, clipped to each frame.
// Refused (nothing recorded) when less than one pixel remains or the
// rectangle is the whole frame.
int32_t cropFrames(CKelvoDoc& doc, DocumentOverlays& overlays, const ImageRect& inclusive);

// Copy ROI: the pixels of the selection's box, selected ones as they are and
// the others 0, rendered through the frame's window and palette into a packed
// device-independent bitmap (8-bit with a colour table, or 24-bit). Empty
// without a selection or when memory is short.
std::vector<uint8_t> roiBitmap(const ImageBuffer& frame);

} // namespace veltor
