#include "user_options.h"

namespace veltor {

namespace {

const char* const kSection = UserOptions::kSection;

// Keys of one font; the face name has no key of its own and is stored under
// the character-set key after the number (so the text wins, and the character
// set reads back as its default).
struct FontKeys {
    const char* height;
    const char* weight;
    const char* italic;
    const char* underline;
    const char* strikeOut;
    const char* charSet;
};
const FontKeys kAnnotationKeys{"AnnoHeight", "AnnoWeight", "AnnoItalic", "AnnoUnderline",
                               "AnnoStrikeOut", "AnnoCharSet"};
const FontKeys kMeasurementKeys{"MeasHeight", "MeasWeight", "MeasItalic", "MeasUnderline",
                                "MeasStrikeOut", "MeasCharSet"};

std::string cutFace(std::string face) {
    if (face.size() > UserOptions::kMaxFaceName) face.resize(UserOptions::kMaxFaceName);
    return face;
}

FontOptions loadFont(const SettingsStore& s, const FontKeys& k) {
    const FontOptions d;
    FontOptions f;
    // Values no font can have read as the defaults: sizes of 1 to 500
    // points, weights of 0 (any) to 1000, switches 0 or 1.
    auto within = [](int v, int low, int high, int fallback) { return v >= low && v <= high ? v : fallback; };
    f.height = within(s.readInt(kSection, k.height, d.height), 1, 500, d.height);
    f.weight = within(s.readInt(kSection, k.weight, d.weight), 0, 1000, d.weight);
    f.italic = s.readInt(kSection, k.italic, d.italic) != 0 ? 1 : 0;
    f.underline = s.readInt(kSection, k.underline, d.underline) != 0 ? 1 : 0;
    f.strikeOut = s.readInt(kSection, k.strikeOut, d.strikeOut) != 0 ? 1 : 0;
    f.charSet = within(s.readInt(kSection, k.charSet, d.charSet), 0, 255, d.charSet);
    f.faceName = cutFace(s.readText(kSection, k.charSet, d.faceName));
    // An empty or blank face, or one with control characters, is no face.
    const bool blank = f.faceName.find_first_not_of(' ') == std::string::npos;
    bool control = false;
    for (const char c : f.faceName) control = control || (static_cast<unsigned char>(c) < 0x20);
    if (blank || control) f.faceName = d.faceName;
    return f;
}

void saveFont(SettingsStore& s, const FontKeys& k, const FontOptions& f) {
    s.writeInt(kSection, k.height, f.height);
    s.writeInt(kSection, k.weight, f.weight);
    s.writeInt(kSection, k.italic, f.italic);
    s.writeInt(kSection, k.underline, f.underline);
    s.writeInt(kSection, k.strikeOut, f.strikeOut);
    s.writeInt(kSection, k.charSet, f.charSet);
    s.writeText(kSection, k.charSet, f.faceName);
}

bool readFlag(const SettingsStore& s, const char* key, bool d) {
    return s.readInt(kSection, key, d ? 1 : 0) != 0;
}

uint32_t readColour(const SettingsStore& s, const char* key, uint32_t d) {
    return static_cast<uint32_t>(s.readInt(kSection, key, static_cast<int>(d))) & 0x00FFFFFFu;
}

} // namespace

void UserOptions::setAnnotationFont(const FontOptions& v) {
    m_annotationFont = v;
    m_annotationFont.faceName = cutFace(v.faceName);
}

void UserOptions::setMeasurementFont(const FontOptions& v) {
    m_measurementFont = v;
    m_measurementFont.faceName = cutFace(v.faceName);
}

void UserOptions::load(const SettingsStore& s) {
    const UserOptions d;
    m_autoClose = readFlag(s, "AutoClose", d.m_autoClose);
    const int corner = s.readInt(kSection, "AxisStart", static_cast<int>(d.m_axisStart));
    m_axisStart = corner >= 0 && corner <= 3 ? static_cast<AxisCorner>(corner) : d.m_axisStart;
    m_axisColor = readColour(s, "AxisColor", d.m_axisColor);
    m_anonExports = readFlag(s, "AnonExports", d.m_anonExports);
    m_annotationColor = readColour(s, "DAnnoColor", d.m_annotationColor);
    m_distanceColor = readColour(s, "DDistColor", d.m_distanceColor);
    m_angleColor = readColour(s, "DAngleColor", d.m_angleColor);
    m_mainBgColor = readColour(s, "MainBgColor", d.m_mainBgColor);
    m_docBgColor = readColour(s, "DocBgColor", d.m_docBgColor);
    m_defaultAnnotations = readFlag(s, "DefAnnotations", d.m_defaultAnnotations);
    m_rulersOn = readFlag(s, "RulersOn", d.m_rulersOn);
    m_bgImage = readFlag(s, "BgImage", d.m_bgImage);
    m_annotationFont = loadFont(s, kAnnotationKeys);
    m_measurementFont = loadFont(s, kMeasurementKeys);
    m_lineWidth = s.readInt(kSection, "LineWidth", d.m_lineWidth);
    // A line narrower than a pixel would draw nothing; absurd widths are capped.
    if (m_lineWidth < 1 || m_lineWidth > 64) m_lineWidth = d.m_lineWidth;
    m_useMButton = readFlag(s, "UseMButton", d.m_useMButton);
    m_aspectRatio = readFlag(s, "AspectRatio", d.m_aspectRatio);
    m_keepFileWindow = readFlag(s, "KeepFileWindow", d.m_keepFileWindow);
}

void UserOptions::save(SettingsStore& s) const {
    s.writeInt(kSection, "AutoClose", m_autoClose ? 1 : 0);
    s.writeInt(kSection, "AxisStart", static_cast<int>(m_axisStart));
    s.writeInt(kSection, "AxisColor", static_cast<int>(m_axisColor));
    s.writeInt(kSection, "AnonExports", m_anonExports ? 1 : 0);
    s.writeInt(kSection, "DAnnoColor", static_cast<int>(m_annotationColor));
    s.writeInt(kSection, "DDistColor", static_cast<int>(m_distanceColor));
    s.writeInt(kSection, "DAngleColor", static_cast<int>(m_angleColor));
    s.writeInt(kSection, "MainBgColor", static_cast<int>(m_mainBgColor));
    s.writeInt(kSection, "DocBgColor", static_cast<int>(m_docBgColor));
    s.writeInt(kSection, "DefAnnotations", m_defaultAnnotations ? 1 : 0);
    s.writeInt(kSection, "RulersOn", m_rulersOn ? 1 : 0);
    s.writeInt(kSection, "BgImage", m_bgImage ? 1 : 0);
    saveFont(s, kAnnotationKeys, m_annotationFont);
    saveFont(s, kMeasurementKeys, m_measurementFont);
    s.writeInt(kSection, "LineWidth", m_lineWidth);
    s.writeInt(kSection, "UseMButton", m_useMButton ? 1 : 0);
    s.writeInt(kSection, "AspectRatio", m_aspectRatio ? 1 : 0);
    s.writeInt(kSection, "KeepFileWindow", m_keepFileWindow ? 1 : 0);
}

} // namespace veltor
