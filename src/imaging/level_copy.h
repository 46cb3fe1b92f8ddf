// A detached copy of a frame's current level, for dialogs that preview an
// operation without touching the frame.
#pragma once

namespace veltor {

class ImageBuffer;

// Rebuilds `to` as a new frame holding the current level of `from`: the same
// samples, size and colour flag, the same minimum, maximum and window, the same
// palette (custom colours included) and background values, with a display
// bitmap of its own. `to` has no undo levels, no history and an empty
// selection; it owns its samples, so later edits of either frame leave the
// other alone. Returns 1, or 0 (with `to` left without a store) when `from`
// has no store or memory runs out.
int copyCurrentLevel(const ImageBuffer& from, ImageBuffer& to);

} // namespace veltor
