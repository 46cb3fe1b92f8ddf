#include "view/overlay_records.h"

#include <algorithm>

namespace veltor {

namespace {

uint8_t flag(int v) { return v != 0 ? 1 : 0; }

// Length of the UTF-8 sequence that starts with `lead`, or 1 for a byte that
// cannot start one.
size_t sequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

// The byte length of the character at `i`: its sequence when the
// continuation bytes are all there, else one byte.
size_t characterAt(std::string_view text, size_t i) {
    const size_t n = sequenceLength(static_cast<unsigned char>(text[i]));
    if (n == 1 || i + n > text.size()) return 1;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 1;
    return n;
}

} // namespace

OverlayFont overlayFontFrom(const FontOptions& o) {
    OverlayFont f;
    f.pointSize = std::clamp(o.height, 1, 500);
    f.weight = std::clamp(o.weight, 1, 1000);
    f.italic = flag(o.italic);
    f.underline = flag(o.underline);
    f.strikeOut = flag(o.strikeOut);
    f.charSet = static_cast<uint8_t>(std::clamp(o.charSet, 0, 255));
    f.faceName = annotationText(o.faceName, UserOptions::kMaxFaceName);
    if (f.faceName.empty()) f.faceName = "Arial";
    return f;
}

FontOptions fontOptionsFrom(const OverlayFont& f) {
    FontOptions o;
    o.height = f.pointSize;
    o.weight = f.weight;
    o.italic = f.italic;
    o.underline = f.underline;
    o.strikeOut = f.strikeOut;
    o.charSet = f.charSet;
    o.faceName = f.faceName;
    return o;
}

OverlayHit hitTest(const OverlayLevel& level, ViewPoint image) {
    for (size_t i = 0; i < level.annotations.size(); ++i)
        if (level.annotations[i].box.contains(image)) return {OverlayKind::Annotation, int32_t(i)};
    for (size_t i = 0; i < level.angles.size(); ++i)
        if (level.angles[i].labelBox.contains(image)) return {OverlayKind::Angle, int32_t(i)};
    for (size_t i = 0; i < level.lengths.size(); ++i)
        if (level.lengths[i].labelBox.contains(image)) return {OverlayKind::Length, int32_t(i)};
    return {};
}

std::string annotationText(std::string_view text, size_t maxCharacters) {
    std::string out;
    out.reserve(std::min(text.size(), maxCharacters * 4));
    size_t count = 0;
    for (size_t i = 0; i < text.size() && count < maxCharacters; ++count) {
        const size_t n = characterAt(text, i);
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (n == 1 && (c < 0x20 || c == 0x7F))
            out += ' ';
        else
            out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

size_t characterCount(std::string_view text) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++count) i += characterAt(text, i);
    return count;
}

} // namespace veltor
