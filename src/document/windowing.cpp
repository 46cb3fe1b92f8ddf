#include "windowing.h"

#include <algorithm>
#include <climits>

#include "document/kelvo_doc.h"
#include "imaging/image_buffer.h"
#include "imaging/selection_region.h"

namespace veltor {

WindowPresetArray builtInWindowPresets() {
    WindowPresetArray p;
    p[0] = {"CT - Abdomen", {40, 400}};
    p[1] = {"CT - Lang", {-500, 1500}};
    p[2] = {"CT - Bone", {750, 3500}};
    p[3] = {"CT - Brain", {40, 80}};
    p[4] = {"CT - Pelvis", {50, 250}};
    for (size_t i = 5; i < p.size(); ++i) p[i] = {"User " + std::to_string(i + 1), {128, 256}};
    return p;
}

WindowPresetArray loadWindowPresets(SettingsStore& store) {
    const auto stored = settings::windowPresets(store);
    bool allEmpty = true;
    WindowPresetArray p;
    for (size_t i = 0; i < p.size(); ++i) {
        p[i] = {stored[i].name, {stored[i].center, stored[i].width}};
        if (!stored[i].name.empty() || stored[i].center != 0 || stored[i].width != 0) allEmpty = false;
    }
    if (allEmpty) {
        p = builtInWindowPresets();
        saveWindowPresets(store, p);
    }
    return p;
}

void saveWindowPresets(SettingsStore& store, const WindowPresetArray& presets) {
    std::array<settings::StoredWindowPreset, settings::kWindowPresetCount> stored;
    for (size_t i = 0; i < presets.size(); ++i)
        stored[i] = {presets[i].name, presets[i].window.center, presets[i].window.width};
    settings::setWindowPresets(store, stored);
}

Window dragWindow(int32_t min, int32_t max, Window start, int32_t x0, int32_t y0, int32_t x, int32_t y) {
    const double range = 2.0 * double(max) - double(min) + 1.0;
    const auto step = [&](int32_t d) {
        const double v = range / 256.0 * double(d);
        return v >= double(INT32_MAX) ? INT32_MAX : v <= double(INT32_MIN) ? INT32_MIN : static_cast<int32_t>(v);
    };
    Window w;
    int64_t c = int64_t{step(y - y0)} + start.center;
    c = std::clamp<int64_t>(c, min, std::max(min, max));
    int64_t wd = int64_t{step(x - x0)} + start.width;
    wd = std::min<int64_t>(wd, static_cast<int64_t>(range));
    wd = std::max<int64_t>(wd, 1);
    w.center = static_cast<int32_t>(c);
    w.width = static_cast<int32_t>(wd);
    return w;
}

WindowRanges windowRanges(int32_t min, int32_t max) {
    WindowRanges r;
    r.centerMin = min + 1;
    r.centerMax = max - 1;
    r.widthMin = 1;
    r.widthMax = 2 * ((max - 1) - (min + 1)) + 5;
    return r;
}

std::vector<WindowPreset> fileWindowPresets(CKelvoDoc& doc, int32_t frameIndex) {
    std::vector<WindowPreset> out;
    const int32_t fileIndex = doc.frameFileIndex(frameIndex);
    DicomFile* file = fileIndex >= 0 ? doc.fileAt(fileIndex) : nullptr;
    if (file == nullptr || file->isColour()) return out;
    const bool mirrored = file->bitsAllocated() == 8 && file->isMonochrome1();
    const std::vector<VoiWindow>& windows = file->windows(doc.frameInFileOfFrame(frameIndex) + 1);
    for (size_t i = 0; i < windows.size(); ++i) {
        const VoiWindow& v = windows[i];
        WindowPreset p;
        p.name = v.explanation.empty() ? "File " + std::to_string(i + 1) : v.explanation;
        p.window.center = truncateToInt32(v.center < 0 ? v.center - 0.5 : v.center + 0.5);
        p.window.width = std::max(1, truncateToInt32(v.width + 0.5));
        if (mirrored) p.window.center = 255 - p.window.center;
        out.push_back(std::move(p));
    }
    return out;
}

std::string frameValueUnit(CKelvoDoc& doc, int32_t frameIndex) {
    const int32_t fileIndex = doc.frameFileIndex(frameIndex);
    DicomFile* file = fileIndex >= 0 ? doc.fileAt(fileIndex) : nullptr;
    if (file == nullptr || file->rescaleTypeText() == "HU") return {};
    return file->rescaleTypeText();
}

int applyWindow(CKelvoDoc& doc, Window w, bool allFrames) {
    return doc.editFrames(allFrames, [&](ImageBuffer& f) {
        if (f.setWindow(w.center, w.width) != 1) return 0;
        f.rebuildDisplay();
        return 1;
    });
}

int resetWindow(CKelvoDoc& doc, bool allFrames) {
    return doc.editFrames(allFrames, [&](ImageBuffer& f) {
        const ImageLevel* first = f.firstLevel();
        if (first == nullptr || f.setWindow(first->windowCenter, first->windowWidth) != 1) return 0;
        f.rebuildDisplay();
        return 1;
    });
}

bool windowFromSelection(const ImageBuffer& frame, bool doubleWidth, Window& out) {
    const ImageLevel* level = frame.currentLevel();
    if (level == nullptr || level->pixels == nullptr || level->width <= 0 || level->height <= 0) return false;
    const SelectionRegion* selection = frame.selection();
    const uint8_t* mask = selection != nullptr && !selection->isEmpty() ? selection->mask() : nullptr;
    const size_t pixels = size_t(level->width) * size_t(level->height);
    int32_t lo = INT32_MAX, hi = INT32_MIN;
    for (size_t i = 0; i < pixels; ++i) {
        if (mask != nullptr && mask[i] == 0) continue;
        int32_t v;
        if (frame.image16() != nullptr) {
            v = level->samples16()[i];
        } else if (level->colour != 0) {
            const uint8_t* p = level->pixels + 3 * i;
            v = std::max({p[0], p[1], p[2]});
        } else {
            v = level->pixels[i];
        }
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    if (lo > hi) return false;
    out.center = lo + (hi - lo) / 2;
    out.width = hi - lo;
    if (doubleWidth) out.width *= 2;
    return true;
}

} // namespace veltor
