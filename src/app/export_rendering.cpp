#include "app/export_rendering.h"

#include <QImage>
#include <QPainter>
#include <cstring>

#include "app/image_view.h"
#include "app/overlay_painting.h"
#include "app/view_overlays.h"
#include "document/kelvo_doc.h"
#include "export/frame_export.h"
#include "export/rtf_report.h"
#include "imglib/imglib.h"

namespace veltor {

std::vector<uint8_t> burnOverlays(const uint8_t* bitmap, size_t size, DocumentOverlays& overlays, int frame,
                                  float scale) {
    PackedPixels pixels;
    if (!GetPackedPixels(bitmap, size, pixels)) return {};
    const int width = pixels.width, height = pixels.height;
    QImage layer(width, height, QImage::Format_RGB888);
    layer.fill(Qt::black);
    {
        QPainter painter(&layer);
        paintFrameOverlays(painter, overlays, frame, QPoint(0, 0), scale);
    }
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* over = layer.constScanLine(y);
        uint8_t* out = rgb.data() + size_t(y) * size_t(width) * 3;
        if (pixels.samples == 3) {
            std::memcpy(out, pixels.bytes.data() + size_t(y) * size_t(width) * 3, size_t(width) * 3);
        } else {
            const uint8_t* in = pixels.bytes.data() + size_t(y) * size_t(width);
            for (int x = 0; x < width; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = in[x];
        }
        for (int x = 0; x < width; ++x, over += 3, out += 3) {
            if ((over[0] | over[1] | over[2]) != 0) {
                out[0] = over[0];
                out[1] = over[1];
                out[2] = over[2];
            }
        }
    }
    return makeExportBitmap({width, height, 3, rgb.data(), rgb.size()});
}

std::vector<uint8_t> RenderFrameForExport(CKelvoView& view, int frame) {
    CKelvoDoc& doc = view.overlayView().overlays().document();
    if (frame < 0) frame = doc.currentFrame();
    const ImageBuffer* buffer = doc.frameAt(frame);
    if (buffer == nullptr || buffer->displayBitmap() == nullptr) return {};
    const uint8_t* display = buffer->displayBitmap();
    const size_t size = buffer->displayBitmapSize();
    DocumentOverlays& overlays = view.overlayView().overlays();
    if (!overlaysShown(overlays, frame)) return std::vector<uint8_t>(display, display + size);
    return burnOverlays(display, size, overlays, frame, 1.0f);
}

std::vector<uint8_t> reportPicture(CKelvoView& view, int frame, int method, bool annotations) {
    CKelvoDoc& doc = view.overlayView().overlays().document();
    const ImageBuffer* buffer = doc.frameAt(frame);
    if (buffer == nullptr || buffer->displayBitmap() == nullptr) return {};
    std::vector<uint8_t> bitmap(buffer->displayBitmap(), buffer->displayBitmap() + buffer->displayBitmapSize());
    const PictureSize size = reportPictureSize(buffer->width(), buffer->height());
    if (size.percent != 100) bitmap = resampleExportBitmap(bitmap.data(), bitmap.size(), size.width, size.height, method);
    DocumentOverlays& overlays = view.overlayView().overlays();
    if (annotations && !bitmap.empty() && overlaysShown(overlays, frame))
        bitmap = burnOverlays(bitmap.data(), bitmap.size(), overlays, frame, float(size.percent) / 100.0f);
    return bitmap;
}

std::vector<uint8_t> sizedExportBitmap(std::vector<uint8_t> bitmap, int width, int height, int method) {
    if (bitmap.size() < kDibHeaderSize) return bitmap;
    const DibHeader header = readDibHeader(bitmap.data());
    if (header.width == width && (header.height == height || header.height == -height)) return bitmap;
    return resampleExportBitmap(bitmap.data(), bitmap.size(), width, height, method);
}

} // namespace veltor
