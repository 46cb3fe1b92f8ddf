#include "view/document_overlays.h"

#include <algorithm>

#include "document/kelvo_doc.h"
#include "settings/settings_keys.h"

namespace veltor {

namespace {

// First line of the default annotations.
constexpr int32_t kDefaultAnnotationTop = 29;

template <class R>
std::vector<R>& itemsOf(OverlayLevel& level);
template <>
std::vector<TextAnnotation>& itemsOf(OverlayLevel& level) { return level.annotations; }
template <>
std::vector<LengthMeasurement>& itemsOf(OverlayLevel& level) { return level.lengths; }
template <>
std::vector<AngleMeasurement>& itemsOf(OverlayLevel& level) { return level.angles; }

template <class R>
const std::vector<R>& itemsOf(const OverlayLevel& level) {
    return itemsOf<R>(const_cast<OverlayLevel&>(level));
}

bool inRange(int32_t index, size_t size) { return index >= 0 && size_t(index) < size; }

} // namespace

DocumentOverlays::DocumentOverlays(CKelvoDoc& doc, const UserOptions& options, TextMeasurer measure)
    : m_doc(doc), m_options(options), m_measure(std::move(measure)) {
    if (!m_measure) m_measure = [](const OverlayFont&, const std::string&) { return TextExtent{}; };
    syncFrames();
    OverlayUndo undo;
    undo.canUndo = [this](int32_t f) { return validFrame(f) && m_frames[size_t(f)].store.canUndo(); };
    undo.canRedo = [this](int32_t f) { return validFrame(f) && m_frames[size_t(f)].store.canRedo(); };
    undo.undo = [this](int32_t f) { return validFrame(f) && m_frames[size_t(f)].store.undo(); };
    undo.redo = [this](int32_t f) { return validFrame(f) && m_frames[size_t(f)].store.redo(); };
    m_doc.setOverlayUndo(std::move(undo));
}

DocumentOverlays::~DocumentOverlays() { m_doc.setOverlayUndo({}); }

void DocumentOverlays::syncFrames() const {
    const size_t count = size_t(std::max(m_doc.frameCount(), 0));
    if (m_frames.size() == count) return;
    const size_t before = m_frames.size();
    m_frames.resize(count);
    for (size_t i = before; i < count; ++i)
        m_frames[i].rulers = {m_options.axisStart(), m_options.axisColor() & 0x00FFFFFF};
}

void DocumentOverlays::afterLoad() {
    syncFrames();
    // The base of a new document is no edit: nothing enters the histories.
    m_recordEdits = false;
    if (m_options.defaultAnnotations()) placeDefaultAnnotations(-1);
    m_recordEdits = true;
    for (FrameOverlays& f : m_frames) f.store.makeBase();
}

int32_t DocumentOverlays::frameCount() const {
    syncFrames();
    return static_cast<int32_t>(m_frames.size());
}

bool DocumentOverlays::validFrame(int32_t frame) const {
    syncFrames();
    return inRange(frame, m_frames.size());
}

int32_t DocumentOverlays::resolve(int32_t frame) const {
    syncFrames();
    if (inRange(frame, m_frames.size())) return frame;
    const int32_t current = m_doc.currentFrame();
    return inRange(current, m_frames.size()) ? current : -1;
}

const OverlayLevel* DocumentOverlays::level(int32_t frame) const {
    const int32_t f = resolve(frame);
    return f < 0 ? nullptr : &m_frames[size_t(f)].store.current();
}

const OverlayStore* DocumentOverlays::store(int32_t frame) const {
    const int32_t f = resolve(frame);
    return f < 0 ? nullptr : &m_frames[size_t(f)].store;
}

PixelSpacing DocumentOverlays::spacing() const {
    return measurementSpacing(m_doc.pixelSpacingRow(), m_doc.pixelSpacingColumn());
}

PixelSpacing DocumentOverlays::spacing() {
    const PixelSpacing s = measurementSpacing(m_doc.pixelSpacingRow(), m_doc.pixelSpacingColumn());
    if (s.row != m_doc.pixelSpacingRow() || s.column != m_doc.pixelSpacingColumn())
        m_doc.setPixelSpacing(s.row, s.column);
    return s;
}

void DocumentOverlays::frameSize(int32_t frame, int32_t& width, int32_t& height) const {
    const ImageBuffer* f = const_cast<CKelvoDoc&>(m_doc).frameAt(frame);
    width = f != nullptr ? f->width() : 0;
    height = f != nullptr ? f->height() : 0;
}

OverlayLevel& DocumentOverlays::change(int32_t frame) {
    if (m_recordEdits) m_doc.frameHistory().appendMark(frame, FrameEditKind::Overlay);
    return m_frames[size_t(frame)].store.beginChange();
}

// --- one frame --------------------------------------------------------------

template <class R>
int32_t DocumentOverlays::addItem(int32_t frame, const R& r) {
    if (!validFrame(frame)) return -1;
    std::vector<R>& items = itemsOf<R>(change(frame));
    items.push_back(r);
    return static_cast<int32_t>(items.size()) - 1;
}

template <class R>
bool DocumentOverlays::replaceItem(int32_t frame, int32_t index, const R& r) {
    if (!validFrame(frame) || !inRange(index, itemsOf<R>(m_frames[size_t(frame)].store.current()).size()))
        return false;
    itemsOf<R>(change(frame))[size_t(index)] = r;
    return true;
}

template <class R>
int32_t DocumentOverlays::findItem(int32_t frame, const R& r) const {
    if (!validFrame(frame)) return -1;
    const std::vector<R>& items = itemsOf<R>(m_frames[size_t(frame)].store.current());
    const auto it = std::find(items.begin(), items.end(), r);
    return it == items.end() ? -1 : static_cast<int32_t>(it - items.begin());
}

int32_t DocumentOverlays::addAnnotation(int32_t frame, const TextAnnotation& a) { return addItem(frame, a); }
int32_t DocumentOverlays::addLength(int32_t frame, const LengthMeasurement& m) { return addItem(frame, m); }
int32_t DocumentOverlays::addAngle(int32_t frame, const AngleMeasurement& m) { return addItem(frame, m); }
bool DocumentOverlays::replaceAnnotation(int32_t frame, int32_t index, const TextAnnotation& a) {
    return replaceItem(frame, index, a);
}
bool DocumentOverlays::replaceLength(int32_t frame, int32_t index, const LengthMeasurement& m) {
    return replaceItem(frame, index, m);
}
bool DocumentOverlays::replaceAngle(int32_t frame, int32_t index, const AngleMeasurement& m) {
    return replaceItem(frame, index, m);
}
int32_t DocumentOverlays::findSame(int32_t frame, const TextAnnotation& r) const { return findItem(frame, r); }
int32_t DocumentOverlays::findSame(int32_t frame, const LengthMeasurement& r) const { return findItem(frame, r); }
int32_t DocumentOverlays::findSame(int32_t frame, const AngleMeasurement& r) const { return findItem(frame, r); }

bool DocumentOverlays::remove(int32_t frame, OverlayHit item) {
    if (!validFrame(frame)) return false;
    const OverlayLevel& now = m_frames[size_t(frame)].store.current();
    switch (item.kind) {
    case OverlayKind::Annotation: {
        if (!inRange(item.index, now.annotations.size())) return false;
        std::vector<TextAnnotation>& list = change(frame).annotations;
        list.erase(list.begin() + item.index);
        for (DefaultSlot& slot : m_frames[size_t(frame)].defaults)
            if (slot.index == item.index) slot = DefaultSlot{};
        return true;
    }
    case OverlayKind::Length: {
        if (!inRange(item.index, now.lengths.size())) return false;
        std::vector<LengthMeasurement>& list = change(frame).lengths;
        list.erase(list.begin() + item.index);
        return true;
    }
    case OverlayKind::Angle: {
        if (!inRange(item.index, now.angles.size())) return false;
        std::vector<AngleMeasurement>& list = change(frame).angles;
        list.erase(list.begin() + item.index);
        return true;
    }
    }
    return false;
}

bool DocumentOverlays::moveAnnotation(int32_t frame, int32_t index, ViewPoint offset) {
    if (!validFrame(frame) || !inRange(index, m_frames[size_t(frame)].store.current().annotations.size()))
        return false;
    int32_t w = 0, h = 0;
    frameSize(frame, w, h);
    TextAnnotation& a = change(frame).annotations[size_t(index)];
    a.box = movedBox(a.box, offset, w, h);
    return true;
}

OverlayHit DocumentOverlays::hitTest(int32_t frame, ViewPoint image) const {
    const OverlayLevel* l = level(frame);
    return l != nullptr ? veltor::hitTest(*l, image) : OverlayHit{};
}

// --- commands ---------------------------------------------------------------

std::vector<int32_t> DocumentOverlays::targetFrames(bool allFrames) const {
    std::vector<int32_t> frames;
    const int32_t current = resolve(-1);
    if (current < 0) return frames;
    if (!allFrames) return {current};
    for (int32_t i = 0; i < frameCount(); ++i) frames.push_back(i);
    return frames;
}

int32_t DocumentOverlays::placeAnnotation(const TextAnnotation& a, bool allFrames) {
    int32_t changed = 0;
    for (int32_t f : targetFrames(allFrames)) changed += addAnnotation(f, a) >= 0 ? 1 : 0;
    return changed;
}

int32_t DocumentOverlays::editAnnotation(int32_t index, const TextAnnotation& edited, bool allFrames) {
    const int32_t current = resolve(-1);
    const OverlayLevel* now = level(current);
    if (now == nullptr || !inRange(index, now->annotations.size())) return 0;
    const TextAnnotation before = now->annotations[size_t(index)];
    TextAnnotation after = edited;
    after.kind = kAnnotationKind;
    after.box.x = before.box.x;
    after.box.y = before.box.y;
    if (!allFrames) return replaceAnnotation(current, index, after) ? 1 : 0;
    int32_t changed = 0;
    for (int32_t f : targetFrames(true)) {
        const int32_t same = f == current ? index : findSame(f, before);
        if (same >= 0)
            changed += replaceAnnotation(f, same, after) ? 1 : 0;
        else
            changed += addAnnotation(f, after) >= 0 ? 1 : 0;
    }
    return changed;
}

template <class R>
int32_t DocumentOverlays::deleteEverywhere(OverlayKind kind, std::vector<R> OverlayLevel::*list, int32_t index) {
    const int32_t current = resolve(-1);
    const OverlayLevel* now = level(current);
    if (now == nullptr || !inRange(index, (now->*list).size())) return 0;
    if (!m_doc.commandsReachAllFrames()) return remove(current, {kind, index}) ? 1 : 0;
    const R item = (now->*list)[size_t(index)];
    int32_t changed = 0;
    for (int32_t f : targetFrames(true)) {
        const int32_t same = f == current ? index : findSame(f, item);
        if (same >= 0) changed += remove(f, {kind, same}) ? 1 : 0;
    }
    return changed;
}

int32_t DocumentOverlays::deleteItem(OverlayHit item) {
    switch (item.kind) {
    case OverlayKind::Annotation: return deleteEverywhere(item.kind, &OverlayLevel::annotations, item.index);
    case OverlayKind::Length: return deleteEverywhere(item.kind, &OverlayLevel::lengths, item.index);
    case OverlayKind::Angle: return deleteEverywhere(item.kind, &OverlayLevel::angles, item.index);
    }
    return 0;
}

template <class R>
int32_t DocumentOverlays::addToOtherFrames(const R& r) {
    const int32_t current = resolve(-1);
    int32_t changed = 0;
    for (int32_t f : targetFrames(true))
        if (f != current) changed += addItem(f, r) >= 0 ? 1 : 0;
    return changed;
}

int32_t DocumentOverlays::addToAllFrames(OverlayHit item) {
    const OverlayLevel* now = level(-1);
    if (now == nullptr) return 0;
    switch (item.kind) {
    case OverlayKind::Annotation:
        return inRange(item.index, now->annotations.size()) ? addToOtherFrames(now->annotations[size_t(item.index)])
                                                             : 0;
    case OverlayKind::Length:
        return inRange(item.index, now->lengths.size()) ? addToOtherFrames(now->lengths[size_t(item.index)]) : 0;
    case OverlayKind::Angle:
        return inRange(item.index, now->angles.size()) ? addToOtherFrames(now->angles[size_t(item.index)]) : 0;
    }
    return 0;
}

int32_t DocumentOverlays::moveAnnotationOnFrames(int32_t index, ViewPoint offset) {
    const int32_t current = resolve(-1);
    const OverlayLevel* now = level(current);
    if (now == nullptr || !inRange(index, now->annotations.size())) return 0;
    if (!m_doc.commandsReachAllFrames()) return moveAnnotation(current, index, offset) ? 1 : 0;
    const TextAnnotation item = now->annotations[size_t(index)];
    int32_t changed = 0;
    for (int32_t f : targetFrames(true)) {
        const int32_t same = f == current ? index : findSame(f, item);
        if (same >= 0) changed += moveAnnotation(f, same, offset) ? 1 : 0;
    }
    return changed;
}

template <class R>
int32_t DocumentOverlays::restyle(int32_t index, std::vector<R> OverlayLevel::*list, const OverlayFont* font,
                                  uint32_t colour) {
    const int32_t current = resolve(-1);
    const OverlayLevel* now = level(current);
    if (now == nullptr || !inRange(index, (now->*list).size())) return 0;
    const R before = (now->*list)[size_t(index)];
    R after = before;
    after.colour = colour & 0x00FFFFFF;
    if (font != nullptr) {
        after.font = *font;
        after.font.charSet = kLabelCharSet;
    }
    if (!m_doc.commandsReachAllFrames()) return replaceItem(current, index, after) ? 1 : 0;
    int32_t changed = 0;
    for (int32_t f : targetFrames(true)) {
        const int32_t same = f == current ? index : findSame(f, before);
        if (same >= 0)
            changed += replaceItem(f, same, after) ? 1 : 0;
        else
            changed += addItem(f, after) >= 0 ? 1 : 0;
    }
    return changed;
}

int32_t DocumentOverlays::restyleMeasurement(OverlayHit item, const OverlayFont* font, uint32_t colour) {
    switch (item.kind) {
    case OverlayKind::Length: return restyle(item.index, &OverlayLevel::lengths, font, colour);
    case OverlayKind::Angle: return restyle(item.index, &OverlayLevel::angles, font, colour);
    case OverlayKind::Annotation: break;
    }
    return 0;
}

LengthMeasurement DocumentOverlays::makeLength(ViewPoint p1, ViewPoint p2) const {
    LengthMeasurement m;
    m.font = overlayFontFrom(m_options.measurementFont());
    m.font.charSet = kLabelCharSet;
    m.lineWidth = std::clamp(m_options.lineWidth(), 1, 64);
    m.colour = m_doc.distanceColor() & 0x00FFFFFF;
    m.x1 = p1.x;
    m.y1 = p1.y;
    m.x2 = p2.x;
    m.y2 = p2.y;
    m.label = lengthLabel(lengthMillimetres(p1.x, p1.y, p2.x, p2.y, spacing()));
    int32_t w = 0, h = 0;
    frameSize(-1, w, h);
    m.labelBox = lengthLabelBox(p1.x, p1.y, p2.x, p2.y, m_measure(m.font, m.label), w, h);
    return m;
}

AngleMeasurement DocumentOverlays::makeAngle(ViewPoint vertex, ViewPoint p2, ViewPoint p3) const {
    AngleMeasurement m;
    m.font = overlayFontFrom(m_options.measurementFont());
    m.font.charSet = kLabelCharSet;
    m.lineWidth = std::clamp(m_options.lineWidth(), 1, 64);
    m.colour = m_doc.angleColor() & 0x00FFFFFF;
    m.x1 = vertex.x;
    m.y1 = vertex.y;
    m.x2 = p2.x;
    m.y2 = p2.y;
    m.x3 = p3.x;
    m.y3 = p3.y;
    m.label = angleLabel(angleDegrees(m.x1, m.y1, m.x2, m.y2, m.x3, m.y3));
    int32_t w = 0, h = 0;
    frameSize(-1, w, h);
    m.labelBox = angleLabelBox(m.x1, m.y1, m.x2, m.y2, m.x3, m.y3, m_measure(m.font, m.label), w, h);
    return m;
}

int32_t DocumentOverlays::addMeasurement(const LengthMeasurement& m) {
    int32_t changed = 0;
    for (int32_t f : targetFrames(m_doc.commandsReachAllFrames())) changed += addLength(f, m) >= 0 ? 1 : 0;
    return changed;
}

int32_t DocumentOverlays::addMeasurement(const AngleMeasurement& m) {
    int32_t changed = 0;
    for (int32_t f : targetFrames(m_doc.commandsReachAllFrames())) changed += addAngle(f, m) >= 0 ? 1 : 0;
    return changed;
}

// --- default annotations ------------------------------------------------------

int32_t DocumentOverlays::defaultAnnotationIndex(int32_t frame, int32_t slot) const {
    if (!validFrame(frame) || slot < 0 || slot > 2) return -1;
    const DefaultSlot& s = m_frames[size_t(frame)].defaults[size_t(slot)];
    if (s.index < 0) return -1;
    const std::vector<TextAnnotation>& list = m_frames[size_t(frame)].store.current().annotations;
    // The slot's index, unless undo or deletions moved the annotation: then
    // the first annotation with the slot's text.
    if (inRange(s.index, list.size()) && list[size_t(s.index)].text == s.text) return s.index;
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].text == s.text) return static_cast<int32_t>(i);
    return -1;
}

void DocumentOverlays::placeDefaultAnnotations(int32_t frame) {
    const settings::UserInfo info = settings::userInfo(m_doc.settings());
    const std::string lines[3] = {annotationText(info.company), annotationText(info.address),
                                  annotationText(info.physician)};
    TextAnnotation base;
    base.font = overlayFontFrom(m_options.annotationFont());
    base.colour = m_doc.annotationColor() & 0x00FFFFFF;
    const int32_t indent = m_measure(base.font, "   ").width;
    std::vector<int32_t> frames;
    if (frame < 0) {
        for (int32_t i = 0; i < frameCount(); ++i) frames.push_back(i);
    } else if (validFrame(frame)) {
        frames.push_back(frame);
    }
    for (int32_t f : frames) {
        int32_t width = 0, height = 0;
        frameSize(f, width, height);
        int32_t y = kDefaultAnnotationTop;
        for (int32_t n = 0; n < 3; ++n) {
            if (lines[n].empty()) continue;
            TextAnnotation a = base;
            a.text = lines[n];
            const TextExtent e = m_measure(a.font, a.text);
            a.box = {std::max(0, width - indent - e.width), y, e.width, e.height};
            y += e.height;
            DefaultSlot& slot = m_frames[size_t(f)].defaults[size_t(n)];
            const int32_t at = defaultAnnotationIndex(f, n);
            if (at < 0) {
                slot.index = addAnnotation(f, a);
            } else if (slot.text != a.text || slot.frameWidth != width) {
                replaceAnnotation(f, at, a);
                slot.index = at;
            }
            slot.text = a.text;
            slot.frameWidth = width;
        }
    }
}

// --- rulers -------------------------------------------------------------------

RulerSettings DocumentOverlays::rulers(int32_t frame) const {
    const int32_t f = resolve(frame);
    return f < 0 ? RulerSettings{m_options.axisStart(), m_options.axisColor()} : m_frames[size_t(f)].rulers;
}

void DocumentOverlays::setRulers(int32_t frame, const RulerSettings& settings) {
    const int32_t f = resolve(frame);
    if (f < 0) return;
    RulerSettings s = settings;
    s.colour &= 0x00FFFFFF;
    if (int(s.corner) < 0 || int(s.corner) > 3) s.corner = AxisCorner::LowerLeft;
    m_frames[size_t(f)].rulers = s;
}

} // namespace veltor
