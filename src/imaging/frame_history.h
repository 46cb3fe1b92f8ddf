// Per-frame edit history of a document and the rules for running image
// operations on one frame or on all of them.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace veltor {

class ImageBuffer;

// What an entry of a frame's history stands for: a change of the image (kept
// by the frame's ImageBuffer) or of its overlays (annotations and
// measurements, kept by the frame's overlay store). Selection entries are
// image entries too, but a change of the frame's size takes them out of the
// image's own history, so they are told apart to be taken out here as well.
enum class FrameEditKind : int32_t {
    Overlay = 0,
    Image = 1,
    Selection = 2,
};

// The overlay side of undo, supplied by the document (the overlay store lives
// above this library). Unset functions mean "nothing to undo or redo".
struct OverlayUndo {
    std::function<bool(int32_t frame)> canUndo;
    std::function<bool(int32_t frame)> canRedo;
    std::function<bool(int32_t frame)> undo;
    std::function<bool(int32_t frame)> redo;
};

// Called before each frame of a multi-frame run with the 1-based frame number
// and the number of frames, for the "Frame : %d" progress box.
using FrameProgress = std::function<void(int32_t frameNumber, int32_t frameCount)>;
// An image operation on one frame, returning 1 or 0.
using FrameOperation = std::function<int(ImageBuffer& frame)>;

// One ordered list of edit kinds per frame with a position: entries before the
// position are done, the rest can be redone. The document resizes it to the
// frame count after every load and appends a mark per edit.
class FrameHistory {
public:
    struct Frame {
        std::vector<FrameEditKind> entries;
        int32_t position = 0;
    };

    // Keeps the lists of frames below `frameCount`; new frames start empty.
    void resize(int32_t frameCount);
    int32_t frameCount() const { return static_cast<int32_t>(m_frames.size()); }
    // The list of `frame`, or null outside 0 .. frameCount - 1.
    const Frame* frame(int32_t frame) const;

    // Drops the entries after the frame's position, appends `kind`, moves past it.
    void appendMark(int32_t frame, FrameEditKind kind);
    // Drops the entries after the frame's position (they can no longer be
    // redone, e.g. a cancelled preview replaced the image's redo levels).
    void dropRedo(int32_t frame);
    // Follows the image's own history after it changed: when a change of size
    // took selection entries out of it, the oldest Selection marks of the
    // frame go too (the position moves back by those that were done), so the
    // marks keep stepping the entries they were made for.
    void syncWithImage(int32_t frame, const ImageBuffer& image);

    // Undo is offered when the entry before the position is Overlay and the
    // overlay store can undo, or Image and the image can undo; redo likewise
    // with the entry at the position.
    bool canUndo(int32_t frame, const ImageBuffer& image, const OverlayUndo& overlay) const;
    bool canRedo(int32_t frame, const ImageBuffer& image, const OverlayUndo& overlay) const;
    // Steps the frame's image or overlays back (forward) by the entry before
    // (at) the position; the position moves by one whenever there was an entry.
    // True when the step itself succeeded.
    bool undo(int32_t frame, ImageBuffer& image, const OverlayUndo& overlay);
    bool redo(int32_t frame, ImageBuffer& image, const OverlayUndo& overlay);

private:
    Frame* mutableFrame(int32_t frame);
    std::vector<Frame> m_frames;
};

// More than one frame, and every frame with the width, height and colour flag
// of frame 0. Null frames make the frames unlike.
bool allFramesAlike(std::span<ImageBuffer* const> frames);

// The frames a command acts on: all of them when applyToAll is on and the
// frames are alike, otherwise the current frame alone (none when it is out of
// range).
std::vector<int32_t> framesConcerned(std::span<ImageBuffer* const> frames, int32_t currentFrame, bool applyToAll);

// A plain command: runs `operation` on each frame concerned and appends an
// Image mark for every frame it changed. With more than one frame, `progress`
// is told each frame first. Returns the number of frames the operation changed.
int32_t runOnFrames(std::span<ImageBuffer* const> frames, int32_t currentFrame, bool applyToAll,
                    FrameHistory& history, const FrameOperation& operation, const FrameProgress& progress = {});

// After a previewed dialog's OK (the current frame already holds the result
// and gets its mark here): runs `operation` on every other frame when
// `allFrames`. The caller decides that before the dialog opens (apply-to-all
// on and the frames alike), since a preview that changes the size leaves the
// frames unlike. Returns the number of other frames changed.
int32_t runOnOtherFrames(std::span<ImageBuffer* const> frames, int32_t currentFrame, bool allFrames,
                         FrameHistory& history, const FrameOperation& operation,
                         const FrameProgress& progress = {});

// A command for colour frames only (weighted grey conversion): with applyToAll
// on, every colour frame whatever the others look like, without progress;
// otherwise the current frame when it is colour. Marks as runOnFrames.
int32_t runOnColourFrames(std::span<ImageBuffer* const> frames, int32_t currentFrame, bool applyToAll,
                          FrameHistory& history, const FrameOperation& operation);

// Text of the progress box before the first frame, and for frame `frameNumber`
// (1-based): "Please wait..." and "Frame : %d".
inline constexpr const char* kProgressWaitText = "Please wait...";
std::string frameProgressText(int32_t frameNumber);

// The document's Undo and Redo: one step on each frame concerned where it is
// offered. Afterwards, when the frames are no longer alike, applyToAll is
// switched off. Returns the number of frames stepped.
int32_t undoFrames(std::span<ImageBuffer* const> frames, int32_t currentFrame, bool& applyToAll,
                   FrameHistory& history, const OverlayUndo& overlay, const FrameProgress& progress = {});
int32_t redoFrames(std::span<ImageBuffer* const> frames, int32_t currentFrame, bool& applyToAll,
                   FrameHistory& history, const OverlayUndo& overlay, const FrameProgress& progress = {});

} // namespace veltor
