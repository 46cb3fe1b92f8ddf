// Stepping between frames and when the navigation commands are enabled.
#pragma once

#include <cstdint>
#include <optional>

namespace veltor {

enum class FrameStep { First, Previous, Next, Last };

// The frame a step leads to from `current` among `count` frames, or nothing
// when the step cannot move (already at that end, or no frames).
std::optional<int32_t> steppedFrame(FrameStep step, int32_t current, int32_t count);

struct NavigationState {
    bool hasImage = false;
    int32_t current = 0;
    int32_t count = 0;
    double frameTime = 0.0; // milliseconds per frame
};

// Which commands of the navigation toolbar are enabled. Every one needs an
// image and more than one frame.
struct NavigationEnables {
    bool first = false;
    bool previous = false;
    bool next = false;
    bool last = false;
    bool movie = false;      // also Reverse movie
    bool videoSetup = false; // "Video Speed Setup"
    bool allFrames = false;  // the "Frames" dialog
    friend bool operator==(const NavigationEnables&, const NavigationEnables&) = default;
};
NavigationEnables navigationEnables(const NavigationState& state);

} // namespace veltor
