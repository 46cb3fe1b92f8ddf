#include "view/video_speed_setup.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace veltor {

std::string speedText(double value) {
    if (!std::isfinite(value)) value = 0.0;
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

double parseSpeedText(const std::string& text) {
    size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos) return 0.0;
    if (text[start] == '+') ++start;
    double value = 0.0;
    const char* first = text.data() + start;
    const auto [end, ec] =
        std::from_chars(first, text.data() + text.size(), value, std::chars_format::general);
    if (ec != std::errc() || end == first || !std::isfinite(value)) return 0.0;
    return value;
}

double reciprocalRate(double value) {
    if (!(value > 0.0) || !std::isfinite(value)) return 0.0;
    const double r = 1000.0 / value;
    return std::isfinite(r) ? r : 0.0;
}

VideoSpeedSetup::VideoSpeedSetup(double frameTimeMs, double headerFrameTimeMs)
    : m_headerFrameTime(std::isfinite(headerFrameTimeMs) ? headerFrameTimeMs : 0.0),
      m_frameTimeText(speedText(frameTimeMs)), m_fpsText(speedText(reciprocalRate(frameTimeMs))) {}

void VideoSpeedSetup::frameTimeTyped(const std::string& text) {
    m_frameTimeText = text;
    m_fpsText = speedText(reciprocalRate(parseSpeedText(text)));
}

void VideoSpeedSetup::framesPerSecondTyped(const std::string& text) {
    m_fpsText = text;
    m_frameTimeText = speedText(reciprocalRate(parseSpeedText(text)));
}

void VideoSpeedSetup::fromHeader() {
    m_frameTimeText = speedText(m_headerFrameTime);
    m_fpsText = speedText(reciprocalRate(m_headerFrameTime));
}

} // namespace veltor
