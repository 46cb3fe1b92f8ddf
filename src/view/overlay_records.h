// The items drawn over a frame: text annotations, lengths and angles, kept
// per frame in image pixels with their own font and colour, and the lists of
// one moment of a frame's overlays (one undo level).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/user_options.h"
#include "view/view_geometry.h"

namespace veltor {

constexpr int32_t kAnnotationKind = 1;
constexpr int32_t kAngleKind = 9;
constexpr int32_t kLengthKind = 10;

// The annotation dialog accepts no more characters than this.
constexpr size_t kMaxAnnotationCharacters = 64;
// Labels are made with this character set whatever the font setting says.
constexpr uint8_t kLabelCharSet = 161;

// A font as the overlays keep it: size in points, weight (400 normal, 700
// bold), effects, character set and face name (at most 31 characters).
struct OverlayFont {
    int32_t pointSize = 12;
    int32_t weight = 400;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 161;
    std::string faceName = "Arial";

    friend bool operator==(const OverlayFont&, const OverlayFont&) = default;
};

// The font of a settings group; out-of-range values are brought into range
// (sizes 1..500 points, weights 1..1000, flags 0/1, the face cut to 31
// characters and "Arial" when empty).
OverlayFont overlayFontFrom(const FontOptions& options);
FontOptions fontOptionsFrom(const OverlayFont& font);

// Width and height of a text in pixels, at zoom 1.
struct TextExtent {
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const TextExtent&, const TextExtent&) = default;
};
// Measures a line of text in a font at zoom 1 (pixel height of the font from
// its point size and the screen's dots per inch). The GUI supplies it; tests
// use fixed metrics.
using TextMeasurer = std::function<TextExtent(const OverlayFont& font, const std::string& text)>;

// A box in image pixels whose edges all count as inside.
struct OverlayBox {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool contains(ViewPoint p) const {
        return x <= p.x && p.x <= x + width && y <= p.y && p.y <= y + height;
    }
    friend bool operator==(const OverlayBox&, const OverlayBox&) = default;
};

// One line of text. Two records are the same annotation (for the frame-wide
// commands) when every field is equal.
struct TextAnnotation {
    int32_t kind = kAnnotationKind;
    OverlayFont font;
    uint32_t colour = 0; // 0x00BBGGRR
    std::string text;    // UTF-8, one line, never markup
    // x, y: top-left of the text, never negative; width, height: the text's
    // size at zoom 1, which is also the hit box.
    OverlayBox box;

    friend bool operator==(const TextAnnotation&, const TextAnnotation&) = default;
};

struct LengthMeasurement {
    int32_t kind = kLengthKind;
    OverlayFont font;
    int32_t lineWidth = 2;
    uint32_t colour = 0;
    int32_t x1 = 0, y1 = 0; // first point
    int32_t x2 = 0, y2 = 0; // second point
    std::string label;      // as made at creation; drawing recomputes it
    OverlayBox labelBox;

    friend bool operator==(const LengthMeasurement&, const LengthMeasurement&) = default;
};

struct AngleMeasurement {
    int32_t kind = kAngleKind;
    OverlayFont font;
    int32_t lineWidth = 2;
    uint32_t colour = 0;
    int32_t x1 = 0, y1 = 0; // vertex
    int32_t x2 = 0, y2 = 0; // end of the first ray
    int32_t x3 = 0, y3 = 0; // end of the second ray
    std::string label;      // fixed at creation
    OverlayBox labelBox;

    friend bool operator==(const AngleMeasurement&, const AngleMeasurement&) = default;
};

// Everything on a frame at one moment.
struct OverlayLevel {
    std::vector<TextAnnotation> annotations;
    std::vector<LengthMeasurement> lengths;
    std::vector<AngleMeasurement> angles;

    bool empty() const { return annotations.empty() && lengths.empty() && angles.empty(); }
    friend bool operator==(const OverlayLevel&, const OverlayLevel&) = default;
};

enum class OverlayKind { Annotation, Length, Angle };

// The item under a point; index -1 when there is none.
struct OverlayHit {
    OverlayKind kind = OverlayKind::Annotation;
    int32_t index = -1;
    explicit operator bool() const { return index >= 0; }
    friend bool operator==(const OverlayHit&, const OverlayHit&) = default;
};

// The first item whose box holds the image point, searching the annotations
// in list order, then the angles, then the lengths (measurements by their
// label box). Where boxes overlap, the earlier item hides the others.
OverlayHit hitTest(const OverlayLevel& level, ViewPoint image);

// Annotation text as stored: control characters (line breaks, tabs) become
// spaces and the text is cut to `maxCharacters` characters (UTF-8 sequences
// are kept whole; a stray byte counts as one character).
std::string annotationText(std::string_view text, size_t maxCharacters = kMaxAnnotationCharacters);
// Number of characters of a UTF-8 text, counted as annotationText does.
size_t characterCount(std::string_view text);

} // namespace veltor
