// Documents and text metrics for the overlay tests: grey frames built from
// packed bitmaps (no files), and a measurer with fixed metrics.
#pragma once

#include <memory>
#include <vector>

#include "document/kelvo_doc.h"
#include "view/document_overlays.h"

namespace veltor::testing {

// 7 pixels per character, 16 pixels high, whatever the font.
inline TextExtent fixedMetrics(const OverlayFont&, const std::string& text) {
    return {int32_t(text.size()) * 7, 16};
}

// An 8-bit grey bitmap whose pixels are `value`.
inline std::vector<uint8_t> greyBitmap(int32_t w, int32_t h, uint8_t value) {
    const size_t stride = size_t((w + 3) / 4 * 4);
    std::vector<uint8_t> d(40 + 1024 + stride * size_t(h), 0);
    const auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) d[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, uint32_t(w));
    put32(8, uint32_t(h));
    d[12] = 1;
    d[14] = 8;
    for (int i = 0; i < 256; ++i) d[40 + size_t(4 * i)] = d[41 + size_t(4 * i)] = d[42 + size_t(4 * i)] = uint8_t(i);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) d[40 + 1024 + size_t(y) * stride + size_t(x)] = value;
    return d;
}

// A document of `frames` grey frames of w x h pixels with its overlays, 1 mm
// spacing, measured with fixedMetrics.
struct OverlayDocument {
    MemorySettingsStore settings;
    UserOptions options;
    QuietDocumentUi ui;
    CKelvoDoc doc{settings, options, ui};
    std::unique_ptr<DocumentOverlays> overlays;

    OverlayDocument(int32_t frames, int32_t w, int32_t h) {
        std::vector<std::vector<uint8_t>> bitmaps;
        std::vector<const uint8_t*> pointers;
        for (int32_t i = 0; i < frames; ++i) bitmaps.push_back(greyBitmap(w, h, uint8_t(40 + i)));
        for (const auto& b : bitmaps) pointers.push_back(b.data());
        loaded = doc.loadFromBitmaps(pointers);
        doc.setPixelSpacing(1.0, 1.0);
        overlays = std::make_unique<DocumentOverlays>(doc, options, fixedMetrics);
        overlays->afterLoad();
    }
    bool loaded = false;
    const OverlayLevel& level(int32_t frame = -1) const { return *overlays->level(frame); }
    TextAnnotation annotation(const std::string& text, int32_t x, int32_t y) const {
        TextAnnotation a;
        a.text = text;
        a.box = {x, y, int32_t(text.size()) * 7, 16};
        return a;
    }
};

} // namespace veltor::testing
