#include "view/frame_navigation.h"

#include <cmath>

namespace veltor {

std::optional<int32_t> steppedFrame(FrameStep step, int32_t current, int32_t count) {
    if (count <= 0) return std::nullopt;
    switch (step) {
    case FrameStep::First:
        if (current == 0) return std::nullopt;
        return 0;
    case FrameStep::Previous:
        if (current <= 0) return std::nullopt;
        return current > count ? count - 1 : current - 1;
    case FrameStep::Next:
        if (current < 0) return 0;
        if (current + 1 >= count) return std::nullopt;
        return current + 1;
    case FrameStep::Last:
        if (current == count - 1) return std::nullopt;
        return count - 1;
    }
    return std::nullopt;
}

NavigationEnables navigationEnables(const NavigationState& s) {
    NavigationEnables e;
    if (!s.hasImage || s.count <= 1) return e;
    e.first = s.current > 0;
    e.previous = s.current > 0;
    e.next = s.current + 1 < s.count;
    e.last = s.current + 1 != s.count;
    e.movie = std::isfinite(s.frameTime) && s.frameTime > 0.0;
    e.videoSetup = true;
    e.allFrames = true;
    return e;
}

} // namespace veltor
