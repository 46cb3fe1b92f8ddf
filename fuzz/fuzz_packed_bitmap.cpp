// Fuzzes the packed-bitmap constructions of ImageBuffer. Input: one control
// byte (bit 0 chooses the converting reader, the rest drive a few edits), then
// the packed bitmap (BITMAPINFOHEADER, colour table, bits).
#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/image_buffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t control = data[0];
    const std::span<const uint8_t> dib(data + 1, size - 1);
    veltor::ImageBuffer frame;
    const int built = (control & 1) != 0 ? frame.createFromConvertedBitmap(dib) : frame.createFromBitmap(dib);
    if (built == 0) {
        if (frame.hasStore())
            __builtin_trap();
        return 0;
    }
    // A frame that was built is whole: its level and display cover the image.
    const veltor::ImageLevel* level = frame.currentLevel();
    const size_t channels = level->colour != 0 ? 3 : 1;
    if (level->pixels == nullptr || static_cast<size_t>(level->dataSize) !=
                                        static_cast<size_t>(level->width) * static_cast<size_t>(level->height) * channels)
        __builtin_trap();
    if (frame.displayBitmapSize() == 0)
        __builtin_trap();
    const int32_t w = frame.width();
    const int32_t h = frame.height();
    frame.setWindow(control * 3 - 300, control * 5 - 200);
    frame.rebuildDisplay();
    frame.selectRectangle({w / 4, h / 4, w - 1 - (control >> 5), h - 1});
    frame.unionSelection({0, h / 2, w / 2, h + 3});
    if ((control & 2) != 0)
        frame.invertSelection();
    frame.setPalette(control % 11, true);
    while (frame.canUndo() != 0)
        if (frame.undo() == 0)
            __builtin_trap();
    return 0;
}
