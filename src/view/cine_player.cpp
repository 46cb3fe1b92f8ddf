#include "view/cine_player.h"

#include <cmath>

#include "view/frame_navigation.h"

namespace veltor {

int32_t cineNextFrame(CineDirection direction, int32_t current, int32_t count) {
    if (count <= 0) return 0;
    if (direction == CineDirection::Forward)
        return steppedFrame(FrameStep::Next, current, count).value_or(0);
    return steppedFrame(FrameStep::Previous, current, count).value_or(count - 1);
}

void CinePlayer::start(CineDirection direction, int32_t current, double nowMs) {
    m_playing = true;
    m_stepped = false;
    m_direction = direction;
    m_startFrame = current;
    m_lastStepMs = nowMs;
}

double CinePlayer::msUntilDue(double nowMs, double frameTimeMs) const {
    if (!m_playing || !m_stepped || !(frameTimeMs > 0.0)) return 0.0;
    const double left = m_lastStepMs + frameTimeMs - nowMs;
    return left > 0.0 && std::isfinite(left) ? left : 0.0;
}

std::optional<int32_t> CinePlayer::poll(double nowMs, double frameTimeMs, int32_t current,
                                        int32_t count) {
    if (!m_playing) return std::nullopt;
    // A clock that went backwards counts as due rather than stalling playback.
    if (m_stepped && nowMs >= m_lastStepMs && msUntilDue(nowMs, frameTimeMs) > 0.0)
        return std::nullopt;
    const double due = m_lastStepMs + frameTimeMs;
    const bool onCadence =
        m_stepped && frameTimeMs > 0.0 && nowMs >= due && nowMs - due < frameTimeMs;
    m_lastStepMs = onCadence ? due : nowMs;
    m_stepped = true;
    return cineNextFrame(m_direction, current, count);
}

int32_t CinePlayer::stop() {
    m_playing = false;
    m_stepped = false;
    return m_startFrame;
}

} // namespace veltor
