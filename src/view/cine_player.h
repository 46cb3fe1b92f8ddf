// Movie playback as a state machine driven by a clock the caller reads: it
// says which frame comes next and when. The widget owns the event loop and
// the timer; tests run playback without waiting.
//
// Forward playback steps to the next frame and wraps from the last to the
// first; backward playback steps to the previous one and wraps from the first
// to the last. Playback ends on the frame it started at.
#pragma once

#include <cstdint>
#include <optional>

namespace veltor {

enum class CineDirection { Forward, Backward };

// The frame shown after `current` in the given direction among `count` frames
// (0 when there are none).
int32_t cineNextFrame(CineDirection direction, int32_t current, int32_t count);

class CinePlayer {
  public:
    // Begins playback from `current`; the first step is due at once.
    void start(CineDirection direction, int32_t current, double nowMs);
    bool playing() const { return m_playing; }
    CineDirection direction() const { return m_direction; }
    // Reverses the direction of a running playback; it still ends on the
    // frame where it started.
    void setDirection(CineDirection direction) { m_direction = direction; }

    // When a step is due at `nowMs` (a frame time after the previous step
    // was due), returns the frame to show after `current`. Steps keep their
    // cadence: a step taken a little late does not delay the ones after it,
    // so painting and polling take nothing from the frame rate. A step later
    // than a whole frame time starts the cadence afresh instead of showing
    // the missed frames in a burst. A frame time that is not positive makes
    // every poll due. Nothing while stopped or not yet due.
    std::optional<int32_t> poll(double nowMs, double frameTimeMs, int32_t current, int32_t count);
    // Milliseconds until the next step is due (0 when due or stopped).
    double msUntilDue(double nowMs, double frameTimeMs) const;

    // Ends playback and returns the frame the document must go back to.
    int32_t stop();
    int32_t startFrame() const { return m_startFrame; }

  private:
    bool m_playing = false;
    bool m_stepped = false;
    CineDirection m_direction = CineDirection::Forward;
    int32_t m_startFrame = 0;
    double m_lastStepMs = 0.0; // when the previous step was due
};

} // namespace veltor
