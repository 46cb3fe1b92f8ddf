// A frame's display bitmap seen as a QImage over the same memory.
#pragma once

#include <QImage>

#include "imaging/display_bitmap.h"

namespace veltor {

// 8-bit bitmaps become indexed images with their colour table, 24-bit ones
// BGR images. The rows run bottom-up: painters draw the image flipped.
inline QImage displayImageOf(const DisplayBitmap& bitmap) {
    if (bitmap.bitsPerPixel() == 8) {
        QImage image(bitmap.pixelBits(), bitmap.width(), bitmap.height(), int(bitmap.stride()),
                     QImage::Format_Indexed8);
        QList<QRgb> table(256);
        const uint8_t* colours = bitmap.data() + kBitmapInfoHeaderSize;
        for (int i = 0; i < 256; ++i) table[i] = qRgb(colours[4 * i + 2], colours[4 * i + 1], colours[4 * i]);
        image.setColorTable(table);
        return image;
    }
    return QImage(bitmap.pixelBits(), bitmap.width(), bitmap.height(), int(bitmap.stride()), QImage::Format_BGR888);
}

} // namespace veltor
