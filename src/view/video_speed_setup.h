// The "Video Speed Setup" dialog's state: two linked edits, the frame time in
// milliseconds and the frames per second, of which one is enabled at a time.
// Typing in the enabled edit rewrites the other one ("%.2f"); only the frame
// time is handed back to the document.
#pragma once

#include <string>

namespace veltor {

enum class SpeedField { FrameTime, FramesPerSecond };

// "%.2f", with non-finite values shown as 0.00.
std::string speedText(double value);
// The edit's number as the dialog reads it: leading blanks, then a decimal
// number; anything else, and non-finite numbers, read as 0.
double parseSpeedText(const std::string& text);
// 1000 / value for a positive value, else 0 (frame time <-> frames per second).
double reciprocalRate(double value);

class VideoSpeedSetup {
  public:
    static constexpr const char* kTitle = "Video Speed Setup";
    static constexpr const char* kFrameTimeEntry = "Frame Time";
    static constexpr const char* kFramesPerSecondEntry = "Frames per Second";
    static constexpr const char* kFrameTimeLabel = "Frame Time (msec)";
    static constexpr const char* kFramesPerSecondLabel = "Frames per second";
    static constexpr const char* kFromHeader = "From Header";

    // Opens on the document's playback frame time and the header's (0: none).
    VideoSpeedSetup(double frameTimeMs, double headerFrameTimeMs);

    const std::string& frameTimeText() const { return m_frameTimeText; }
    const std::string& framesPerSecondText() const { return m_fpsText; }
    SpeedField selected() const { return m_selected; }
    bool frameTimeEnabled() const { return m_selected == SpeedField::FrameTime; }
    bool framesPerSecondEnabled() const { return m_selected == SpeedField::FramesPerSecond; }
    bool fromHeaderEnabled() const { return m_headerFrameTime != 0.0; }

    // The selector: enables exactly one edit (the widget moves the focus
    // into it and selects its text).
    void select(SpeedField field) { m_selected = field; }
    // The user changed an edit's text; the other edit is rewritten. The
    // widget must not report the rewritten edit back as typed.
    void frameTimeTyped(const std::string& text);
    void framesPerSecondTyped(const std::string& text);
    // "From Header": both edits from the header's frame time.
    void fromHeader();
    // OK: the frame time to store in the document, as the edit reads.
    double acceptedFrameTime() const { return parseSpeedText(m_frameTimeText); }

  private:
    double m_headerFrameTime = 0.0;
    SpeedField m_selected = SpeedField::FrameTime;
    std::string m_frameTimeText;
    std::string m_fpsText;
};

} // namespace veltor
