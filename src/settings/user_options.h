// The "UserOptions" settings section as one in-memory record: loaded at
// start-up, changed by the preferences, written back at exit.
#pragma once

#include <cstdint>
#include <string>

#include "settings_store.h"

namespace veltor {

// Colours are 0x00BBGGRR: red in the low byte.
constexpr uint32_t rgbColour(uint8_t r, uint8_t g, uint8_t b) {
    return uint32_t{r} | (uint32_t{g} << 8) | (uint32_t{b} << 16);
}

// Ruler corners.
enum class AxisCorner { UpperLeft = 0, LowerLeft = 1, UpperRight = 2, LowerRight = 3 };

struct FontOptions {
    int height = 12; // points
    int weight = 400;
    int italic = 0;
    int underline = 0;
    int strikeOut = 0;
    int charSet = 161;
    std::string faceName = "Arial"; // at most 31 characters
};

class UserOptions {
  public:
    static constexpr const char* kSection = "UserOptions";
    static constexpr size_t kMaxFaceName = 31;

    // Reads every field in table order, each with its default.
    void load(const SettingsStore& store);
    // Writes every field back in the same order.
    void save(SettingsStore& store) const;

    bool autoClose() const { return m_autoClose; }
    void setAutoClose(bool v) { m_autoClose = v; }
    AxisCorner axisStart() const { return m_axisStart; }
    void setAxisStart(AxisCorner v) { m_axisStart = v; }
    uint32_t axisColor() const { return m_axisColor; }
    void setAxisColor(uint32_t v) { m_axisColor = v; }
    bool anonExports() const { return m_anonExports; }
    void setAnonExports(bool v) { m_anonExports = v; }
    uint32_t annotationColor() const { return m_annotationColor; }
    void setAnnotationColor(uint32_t v) { m_annotationColor = v; }
    uint32_t distanceColor() const { return m_distanceColor; }
    void setDistanceColor(uint32_t v) { m_distanceColor = v; }
    uint32_t angleColor() const { return m_angleColor; }
    void setAngleColor(uint32_t v) { m_angleColor = v; }
    uint32_t mainBgColor() const { return m_mainBgColor; }
    void setMainBgColor(uint32_t v) { m_mainBgColor = v; }
    uint32_t docBgColor() const { return m_docBgColor; }
    void setDocBgColor(uint32_t v) { m_docBgColor = v; }
    bool defaultAnnotations() const { return m_defaultAnnotations; }
    void setDefaultAnnotations(bool v) { m_defaultAnnotations = v; }
    bool rulersOn() const { return m_rulersOn; }
    void setRulersOn(bool v) { m_rulersOn = v; }
    bool bgImage() const { return m_bgImage; }
    void setBgImage(bool v) { m_bgImage = v; }
    const FontOptions& annotationFont() const { return m_annotationFont; }
    void setAnnotationFont(const FontOptions& v);
    const FontOptions& measurementFont() const { return m_measurementFont; }
    void setMeasurementFont(const FontOptions& v);
    int lineWidth() const { return m_lineWidth; }
    void setLineWidth(int v) { m_lineWidth = v; }
    bool useMButton() const { return m_useMButton; }
    void setUseMButton(bool v) { m_useMButton = v; }
    bool aspectRatio() const { return m_aspectRatio; }
    void setAspectRatio(bool v) { m_aspectRatio = v; }
    // "Keep the file's window": 12- and 16-bit frames start with the file's
    // window exactly as stored instead of the fitted one.
    bool keepFileWindow() const { return m_keepFileWindow; }
    void setKeepFileWindow(bool v) { m_keepFileWindow = v; }

  private:
    bool m_autoClose = false;
    AxisCorner m_axisStart = AxisCorner::LowerLeft;
    uint32_t m_axisColor = rgbColour(255, 255, 255);
    bool m_anonExports = true;
    uint32_t m_annotationColor = rgbColour(0, 255, 0);
    uint32_t m_distanceColor = rgbColour(255, 0, 0);
    uint32_t m_angleColor = rgbColour(255, 0, 0);
    uint32_t m_mainBgColor = rgbColour(0, 70, 100);
    uint32_t m_docBgColor = rgbColour(0, 70, 100);
    bool m_defaultAnnotations = false;
    bool m_rulersOn = false;
    bool m_bgImage = false;
    FontOptions m_annotationFont;
    FontOptions m_measurementFont;
    int m_lineWidth = 2;
    bool m_useMButton = false;
    bool m_aspectRatio = true;
    bool m_keepFileWindow = false;
};

} // namespace veltor
