// Window/level: presets, the drag arithmetic, the tool window's ranges and
// applying a window to one frame or to all frames.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "settings/settings_keys.h"

namespace veltor {

class CKelvoDoc;
class ImageBuffer;

struct Window {
    int32_t center = 0;
    int32_t width = 0;
    friend bool operator==(const Window&, const Window&) = default;
};

struct WindowPreset {
    std::string name;
    Window window;
};
using WindowPresetArray = std::array<WindowPreset, settings::kWindowPresetCount>;

// The 14 built-in presets ("CT - Abdomen" 40/400 ... "User 14" 128/256).
WindowPresetArray builtInWindowPresets();
// Reads the presets; when every stored entry is 0/0/empty (a first start) the
// built-in ones are taken and written back.
WindowPresetArray loadWindowPresets(SettingsStore& store);
void saveWindowPresets(SettingsStore& store, const WindowPresetArray& presets);

// Dragging in the view's window mode, from the press at (x0, y0) with window
// `start` to (x, y), on a level whose samples run from min to max: moving down
// raises the centre, moving right widens the window.
Window dragWindow(int32_t min, int32_t max, Window start, int32_t x0, int32_t y0, int32_t x, int32_t y);

// Ranges of the Window tool window for a frame with samples min .. max.
struct WindowRanges {
    int32_t centerMin = 0;
    int32_t centerMax = 0;
    int32_t widthMin = 1;
    int32_t widthMax = 1;
    bool accepts(Window w) const {
        return w.center >= centerMin && w.center <= centerMax && w.width >= widthMin && w.width <= widthMax;
    }
};
WindowRanges windowRanges(int32_t min, int32_t max);

// The windows the file of frame `frameIndex` carries for it, as presets
// named by their explanations ("File 1", "File 2", ... without one), in the
// frame's terms (8-bit MONOCHROME1 frames hold 255 - stored value).
std::vector<WindowPreset> fileWindowPresets(CKelvoDoc& doc, int32_t frameIndex);
// The Rescale Type of the frame's file when it is not Hounsfield units
// ("OD", "US"...); empty for HU or none.
std::string frameValueUnit(CKelvoDoc& doc, int32_t frameIndex);

// Sets `w` on every frame of the document when `allFrames`, else on the
// current frame; each frame changed gets an image entry in its history.
// Returns the number of frames changed.
int applyWindow(CKelvoDoc& doc, Window w, bool allFrames);
// Back to the window each frame was created with.
int resetWindow(CKelvoDoc& doc, bool allFrames);
// Centre and width spanning the selected samples of the current frame (the
// whole frame without a selection); `doubleWidth` doubles the width. False
// for a frame without samples.
bool windowFromSelection(const ImageBuffer& frame, bool doubleWidth, Window& out);

} // namespace veltor
