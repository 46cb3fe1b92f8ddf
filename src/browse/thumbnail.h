// Small pictures of a file's first frame for lists and previews.
#pragma once

#include <cstdint>
#include <vector>

#include "dicom/voi.h"

namespace veltor {
class DicomFile;
}

namespace veltor::browse {

// A square RGB picture, three bytes per pixel, top row first.
struct Thumbnail {
    int size = 0; // 0: no picture
    bool colour = false;
    std::vector<uint8_t> rgb;
    bool empty() const { return size == 0; }
};

// The first frame of a fully opened file scaled to fit a size x size square
// with its proportions kept (the longer side becomes `size`, the other is
// rounded to the nearest pixel) and centred on a black square, grey frames
// shown through the window `window` selects. Empty when the file has no
// usable frame.
Thumbnail makeThumbnail(DicomFile& file, int size, const WindowChoice& window = {});

} // namespace veltor::browse
