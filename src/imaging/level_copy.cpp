#include "imaging/level_copy.h"

#include "imaging/image_buffer.h"

namespace veltor {

namespace {

PixelStore* storeOf(ImageBuffer& frame)
{
    if (frame.image8() != nullptr)
        return frame.image8();
    return frame.image16();
}

} // namespace

int copyCurrentLevel(const ImageBuffer& from, ImageBuffer& to)
{
    if (&from == &to)
        return from.hasStore() ? 1 : 0;
    const ImageLevel* level = from.currentLevel();
    if (level == nullptr) {
        to.createFromCopy8(0, 0, 0, 0, nullptr); // leaves `to` without a store
        return 0;
    }
    int built = 0;
    if (from.image16() != nullptr) {
        built = to.createFromCopy16(level->width, level->height, 16, level->windowCenter, level->windowWidth,
                                    level->samples16());
    } else {
        built = to.createFromCopy8(level->width, level->height, level->dataSize, level->colour, level->pixels);
    }
    if (built == 0)
        return 0;

    // Construction derives the range and the window from the samples; the
    // level being copied may carry others (an edit keeps the range of the
    // level it started from, and the window may have been set since), so the
    // record is taken over as it is.
    PixelStore* store = storeOf(to);
    ImageLevel copied = *level;
    copied.pixels = store->current().pixels;
    store->current() = copied;
    store->first = copied;
    store->windowList.pairs = {WindowSetting{copied.windowCenter, copied.windowWidth}};
    store->windowList.current = 1;

    const int32_t palette = from.paletteNumber();
    if (palette >= kCustomPaletteNumber)
        to.setPalette(palette, false, from.palette());
    else
        to.setPalette(palette, false);
    to.setBackground8(from.background8());
    to.setBackground16(from.background16());
    to.setSourceText(from.sourceText());
    if (to.rebuildDisplay() == 0) {
        to.createFromCopy8(0, 0, 0, 0, nullptr);
        return 0;
    }
    return 1;
}

} // namespace veltor
