#include "view/selection_commands.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "document/kelvo_doc.h"
#include "view/document_overlays.h"

namespace veltor {

namespace {

std::vector<int32_t> framesOf(CKelvoDoc& doc) {
    std::vector<int32_t> list;
    if (doc.commandsReachAllFrames()) {
        for (int32_t i = 0; i < doc.frameCount(); ++i) list.push_back(i);
    } else if (doc.frameCount() > 0) {
        list.push_back(doc.currentFrame());
    }
    return list;
}

bool frameHasSelection(const ImageBuffer* f) {
    return f != nullptr && f->hasStore() && f->selection() != nullptr && f->selection()->hasOutline();
}

// Marks an edit of the frame's image (or of its selection alone) and follows
// the image history, which a crop may have shortened.
void mark(CKelvoDoc& doc, int32_t frame, FrameEditKind kind = FrameEditKind::Image) {
    doc.frameHistory().appendMark(frame, kind);
    if (const ImageBuffer* f = doc.frameAt(frame)) doc.frameHistory().syncWithImage(frame, *f);
}

int32_t toPixel(float v, int32_t limit) {
    const float t = std::trunc(v);
    if (!(t > 0.0f)) return 0;
    return t >= float(limit) ? limit : static_cast<int32_t>(t);
}

} // namespace

SelectionMode selectionModeFor(KeyModifiers m) {
    if (m.shift && m.ctrl) return SelectionMode::Intersection;
    if (m.shift) return SelectionMode::Union;
    if (m.ctrl) return SelectionMode::Difference;
    return SelectionMode::New;
}

ImageRect bandToImage(const ViewRect& band, ViewPoint scroll, const ViewRect& imageRect, float zoom, int32_t width,
                      int32_t height) {
    const float z = zoom > 0.0f && std::isfinite(zoom) ? zoom : 1.0f;
    const int32_t l = std::min(band.left, band.right), r = std::max(band.left, band.right);
    const int32_t t = std::min(band.top, band.bottom), b = std::max(band.top, band.bottom);
    const auto x = [&](int32_t v) { return float(int64_t{v} + scroll.x - imageRect.left) / z; };
    const auto y = [&](int32_t v) { return float(int64_t{v} + scroll.y - imageRect.top) / z; };
    const int32_t maxX = std::max(width - 1, 0), maxY = std::max(height - 1, 0);
    return {toPixel(x(l), maxX), toPixel(y(t), maxY), toPixel(x(r), maxX), toPixel(y(b), maxY)};
}

bool hasSelection(CKelvoDoc& doc) { return frameHasSelection(doc.frameAt(-1)); }

int32_t applySelection(CKelvoDoc& doc, SelectionMode mode, const ImageRect& r) {
    int32_t changed = 0;
    for (int32_t i : framesOf(doc)) {
        ImageBuffer* f = doc.frameAt(i);
        if (f == nullptr || !f->hasStore()) continue;
        int done = 0;
        switch (mode) {
        case SelectionMode::New: done = f->selectRectangle(r); break;
        case SelectionMode::Union: done = f->unionSelection(r); break;
        case SelectionMode::Difference: done = f->differenceSelection(r); break;
        case SelectionMode::Intersection: done = f->intersectSelection(r); break;
        }
        if (done == 1) {
            mark(doc, i, FrameEditKind::Selection);
            ++changed;
        }
    }
    return changed;
}

int32_t inverseSelection(CKelvoDoc& doc) {
    int32_t changed = 0;
    for (int32_t i : framesOf(doc)) {
        ImageBuffer* f = doc.frameAt(i);
        if (frameHasSelection(f) && f->invertSelection() == 1) {
            mark(doc, i, FrameEditKind::Selection);
            ++changed;
        }
    }
    return changed;
}

int32_t unselect(CKelvoDoc& doc) {
    int32_t changed = 0;
    for (int32_t i : framesOf(doc)) {
        ImageBuffer* f = doc.frameAt(i);
        if (frameHasSelection(f) && f->clearSelection(true) == 1) {
            mark(doc, i, FrameEditKind::Selection);
            ++changed;
        }
    }
    return changed;
}

int32_t clearSelected(CKelvoDoc& doc, const FrameProgress& progress) {
    const std::vector<int32_t> frames = framesOf(doc);
    int32_t changed = 0;
    for (int32_t i : frames) {
        if (progress && frames.size() > 1) progress(i + 1, int32_t(frames.size()));
        ImageBuffer* f = doc.frameAt(i);
        if (!frameHasSelection(f)) continue;
        int done = 0;
        if (f->image16() != nullptr) {
            done = f->fillValue(f->background16());
        } else {
            const int32_t c = f->background8();
            if (f->isColour())
                done = f->fillColour(uint8_t(c & 0xFF), uint8_t((c >> 8) & 0xFF), uint8_t((c >> 16) & 0xFF));
            else
                done = f->fillValue(c & 0xFF);
        }
        if (done == 1) {
            mark(doc, i);
            ++changed;
        }
    }
    return changed;
}

int32_t cropToSelection(CKelvoDoc& doc, DocumentOverlays& overlays) {
    int32_t changed = 0;
    for (int32_t i : framesOf(doc)) {
        ImageBuffer* f = doc.frameAt(i);
        if (!frameHasSelection(f)) continue;
        const ImageRect box = f->selection()->boundingBox();
        const bool cleared = f->clearSelection(true) == 1;
        ++changed;
        // A crop to a smaller size drops the frame's selection steps from its
        // image history, the clearing just made among them: only the crop
        // stays to be undone.
        const bool whole = box == ImageRect{0, 0, f->width(), f->height()};
        if (!whole && box.right > box.left && box.bottom > box.top &&
            f->crop(box.left, box.top, box.right, box.bottom) == 1) {
            mark(doc, i);
            overlays.placeDefaultAnnotations(i);
        } else if (cleared) {
            mark(doc, i, FrameEditKind::Selection);
        }
    }
    return changed;
}

int32_t cropFrames(CKelvoDoc& doc, DocumentOverlays& overlays, const ImageRect& r) {
    int32_t changed = 0;
    for (int32_t i : framesOf(doc)) {
        ImageBuffer* f = doc.frameAt(i);
        if (f == nullptr || !f->hasStore()) continue;
        const int32_t l = std::max(r.left, 0), t = std::max(r.top, 0);
        const int32_t right = std::min(r.right, f->width() - 1), bottom = std::min(r.bottom, f->height() - 1);
        if (right < l || bottom < t) continue; // less than one pixel
        if (l == 0 && t == 0 && right + 1 == f->width() && bottom + 1 == f->height()) continue;
        if (f->crop(l, t, right + 1, bottom + 1) == 1) {
            mark(doc, i);
            overlays.placeDefaultAnnotations(i);
            ++changed;
        }
    }
    return changed;
}

std::vector<uint8_t> roiBitmap(const ImageBuffer& frame) {
    const SelectionRegion* sel = frame.selection();
    const ImageLevel* level = frame.currentLevel();
    if (sel == nullptr || !sel->hasOutline() || level == nullptr || level->pixels == nullptr) return {};
    const ImageRect box = sel->boundingBox();
    const int32_t w = box.right - box.left, h = box.bottom - box.top;
    if (w <= 0 || h <= 0) return {};
    ImageBuffer roi;
    if (frame.image16() != nullptr) {
        std::vector<int16_t> samples(size_t(w) * size_t(h), 0);
        const int16_t* src = level->samples16();
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                if (sel->selected(box.left + x, box.top + y))
                    samples[size_t(y) * size_t(w) + size_t(x)] =
                        src[size_t(box.top + y) * size_t(level->width) + size_t(box.left + x)];
        if (roi.createFromCopy16(w, h, 16, frame.windowCenter(), frame.windowWidth(), samples.data()) != 1)
            return {};
        roi.setInvertedDisplay(frame.invertedDisplay());
    } else {
        const int32_t ch = level->channels();
        std::vector<uint8_t> samples(size_t(w) * size_t(h) * size_t(ch), 0);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                if (sel->selected(box.left + x, box.top + y))
                    std::memcpy(&samples[(size_t(y) * size_t(w) + size_t(x)) * size_t(ch)],
                                level->pixels + (size_t(box.top + y) * size_t(level->width) + size_t(box.left + x)) *
                                                    size_t(ch),
                                size_t(ch));
        if (roi.createFromCopy8(w, h, int32_t(samples.size()), level->colour, samples.data()) != 1) return {};
        if (!frame.isColour() && roi.setWindow(frame.windowCenter(), frame.windowWidth()) == 1) roi.rebuildDisplay();
    }
    if (!frame.isColour()) {
        const int32_t number = frame.paletteNumber();
        roi.setPalette(number, false, number >= kCustomPaletteNumber ? frame.palette() : nullptr);
    }
    const uint8_t* bytes = roi.displayBitmap();
    if (bytes == nullptr) return {};
    return std::vector<uint8_t>(bytes, bytes + roi.displayBitmapSize());
}

} // namespace veltor
