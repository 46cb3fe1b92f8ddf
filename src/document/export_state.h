// What a document remembers between exports, prints and videos for as long
// as it is open (none of it is stored in the settings).
#pragma once

#include <cstdint>
#include <vector>

namespace veltor {

enum class ExportSizeMode : int32_t { Actual = 0, Scaled = 1, UserDefined = 2 };

// The size group of the "Export frames", "Select items to copy" and "Video
// Setup" windows.
struct ExportSizeState {
    ExportSizeMode mode = ExportSizeMode::Actual;
    bool constrain = false;
    int32_t width = 0;
    int32_t height = 0;
};

// The "Page Setup" choices: what printing and the rich-text copies carry.
struct PrintSettings {
    bool printHeader = true;
    bool printImages = true;
    bool printAnnotations = true;
    int32_t scalingMethod = 0; // 0 nearest neighbour, 1 bilinear interpolation
};

struct VideoState {
    std::vector<uint8_t> include; // one flag per frame, 1 = in the video; empty = all in
    int32_t colour = -1;          // 1 colour, 0 monochrome, -1 not chosen yet (the first frame's form)
    ExportSizeState size;
};

struct DocumentExportState {
    ExportSizeState frames; // the "Export frames" window
    PrintSettings print;
    VideoState video;
};

} // namespace veltor
