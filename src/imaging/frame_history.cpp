#include "imaging/frame_history.h"

#include "imaging/image_buffer.h"
#include "imaging/pixel_store.h"

#include <algorithm>

namespace veltor {

void FrameHistory::resize(int32_t frameCount)
{
    m_frames.resize(static_cast<size_t>(frameCount < 0 ? 0 : frameCount));
}

const FrameHistory::Frame* FrameHistory::frame(int32_t frame) const
{
    if (frame < 0 || frame >= frameCount())
        return nullptr;
    return &m_frames[static_cast<size_t>(frame)];
}

FrameHistory::Frame* FrameHistory::mutableFrame(int32_t frame)
{
    if (frame < 0 || frame >= frameCount())
        return nullptr;
    return &m_frames[static_cast<size_t>(frame)];
}

void FrameHistory::appendMark(int32_t frame, FrameEditKind kind)
{
    Frame* f = mutableFrame(frame);
    if (f == nullptr)
        return;
    f->entries.resize(static_cast<size_t>(f->position));
    f->entries.push_back(kind);
    f->position = static_cast<int32_t>(f->entries.size());
}

void FrameHistory::dropRedo(int32_t frame)
{
    if (Frame* f = mutableFrame(frame))
        f->entries.resize(static_cast<size_t>(f->position));
}

void FrameHistory::syncWithImage(int32_t frame, const ImageBuffer& image)
{
    Frame* f = mutableFrame(frame);
    const EditHistory* own = image.history();
    if (f == nullptr)
        return;
    const auto imageSelections =
        own == nullptr ? 0 : std::count(own->entries.begin(), own->entries.end(), HistoryKind::Selection);
    auto excess = std::count(f->entries.begin(), f->entries.end(), FrameEditKind::Selection) - imageSelections;
    if (excess <= 0)
        return;
    std::vector<FrameEditKind> kept;
    kept.reserve(f->entries.size());
    int32_t position = f->position;
    for (size_t i = 0; i < f->entries.size(); ++i) {
        if (excess > 0 && f->entries[i] == FrameEditKind::Selection) {
            --excess;
            if (static_cast<int32_t>(i) < f->position)
                --position;
            continue;
        }
        kept.push_back(f->entries[i]);
    }
    f->entries = std::move(kept);
    f->position = position;
}

namespace {

bool call(const std::function<bool(int32_t)>& fn, int32_t frame)
{
    return fn ? fn(frame) : false;
}

} // namespace

bool FrameHistory::canUndo(int32_t frame, const ImageBuffer& image, const OverlayUndo& overlay) const
{
    const Frame* f = this->frame(frame);
    if (f == nullptr || f->position <= 0)
        return false;
    if (f->entries[static_cast<size_t>(f->position) - 1] != FrameEditKind::Overlay)
        return image.canUndo() != 0;
    return call(overlay.canUndo, frame);
}

bool FrameHistory::canRedo(int32_t frame, const ImageBuffer& image, const OverlayUndo& overlay) const
{
    const Frame* f = this->frame(frame);
    if (f == nullptr || f->position >= static_cast<int32_t>(f->entries.size()))
        return false;
    if (f->entries[static_cast<size_t>(f->position)] != FrameEditKind::Overlay)
        return image.canRedo() != 0;
    return call(overlay.canRedo, frame);
}

bool FrameHistory::undo(int32_t frame, ImageBuffer& image, const OverlayUndo& overlay)
{
    Frame* f = mutableFrame(frame);
    if (f == nullptr || f->position <= 0)
        return false;
    const FrameEditKind kind = f->entries[static_cast<size_t>(f->position) - 1];
    --f->position;
    if (kind == FrameEditKind::Overlay)
        return call(overlay.undo, frame);
    const bool done = image.undo() != 0;
    syncWithImage(frame, image);
    return done;
}

bool FrameHistory::redo(int32_t frame, ImageBuffer& image, const OverlayUndo& overlay)
{
    Frame* f = mutableFrame(frame);
    if (f == nullptr || f->position >= static_cast<int32_t>(f->entries.size()))
        return false;
    const FrameEditKind kind = f->entries[static_cast<size_t>(f->position)];
    ++f->position;
    if (kind == FrameEditKind::Overlay)
        return call(overlay.redo, frame);
    const bool done = image.redo() != 0;
    syncWithImage(frame, image);
    return done;
}

bool allFramesAlike(std::span<ImageBuffer* const> frames)
{
    if (frames.size() <= 1 || frames[0] == nullptr)
        return false;
    const ImageBuffer& first = *frames[0];
    for (const ImageBuffer* f : frames) {
        if (f == nullptr || f->width() != first.width() || f->height() != first.height() ||
            f->isColour() != first.isColour())
            return false;
    }
    return true;
}

std::vector<int32_t> framesConcerned(std::span<ImageBuffer* const> frames, int32_t currentFrame, bool applyToAll)
{
    std::vector<int32_t> list;
    if (applyToAll && allFramesAlike(frames)) {
        for (size_t i = 0; i < frames.size(); ++i)
            list.push_back(static_cast<int32_t>(i));
    } else if (currentFrame >= 0 && static_cast<size_t>(currentFrame) < frames.size() &&
               frames[static_cast<size_t>(currentFrame)] != nullptr) {
        list.push_back(currentFrame);
    }
    return list;
}

namespace {

// Runs `step` on each listed frame, telling `progress` first when more than one
// frame is concerned. Returns how many steps succeeded.
template <typename Step>
int32_t forEachFrame(const std::vector<int32_t>& list, int32_t frameCount, const FrameProgress& progress, Step step)
{
    int32_t done = 0;
    const bool showProgress = progress && list.size() > 1;
    for (int32_t i : list) {
        if (showProgress)
            progress(i + 1, frameCount);
        if (step(i))
            ++done;
    }
    return done;
}

} // namespace

int32_t runOnFrames(std::span<ImageBuffer* const> frames, int32_t currentFrame, bool applyToAll,
                    FrameHistory& history, const FrameOperation& operation, const FrameProgress& progress)
{
    if (!operation)
        return 0;
    const std::vector<int32_t> list = framesConcerned(frames, currentFrame, applyToAll);
    return forEachFrame(list, static_cast<int32_t>(frames.size()), progress, [&](int32_t i) {
        // A failed operation leaves the frame's image history untouched, so it
        // gets no mark: marks and image history entries stay one for one.
        if (operation(*frames[static_cast<size_t>(i)]) == 0)
            return false;
        history.appendMark(i, FrameEditKind::Image);
        history.syncWithImage(i, *frames[static_cast<size_t>(i)]);
        return true;
    });
}

int32_t runOnOtherFrames(std::span<ImageBuffer* const> frames, int32_t currentFrame, bool allFrames,
                         FrameHistory& history, const FrameOperation& operation, const FrameProgress& progress)
{
    history.appendMark(currentFrame, FrameEditKind::Image);
    if (currentFrame >= 0 && static_cast<size_t>(currentFrame) < frames.size() &&
        frames[static_cast<size_t>(currentFrame)] != nullptr)
        history.syncWithImage(currentFrame, *frames[static_cast<size_t>(currentFrame)]);
    if (!operation || !allFrames)
        return 0;
    std::vector<int32_t> list;
    for (size_t i = 0; i < frames.size(); ++i)
        if (static_cast<int32_t>(i) != currentFrame)
            list.push_back(static_cast<int32_t>(i));
    return forEachFrame(list, static_cast<int32_t>(frames.size()), progress, [&](int32_t i) {
        if (operation(*frames[static_cast<size_t>(i)]) == 0)
            return false;
        history.appendMark(i, FrameEditKind::Image);
        history.syncWithImage(i, *frames[static_cast<size_t>(i)]);
        return true;
    });
}

int32_t runOnColourFrames(std::span<ImageBuffer* const> frames, int32_t currentFrame, bool applyToAll,
                          FrameHistory& history, const FrameOperation& operation)
{
    if (!operation)
        return 0;
    int32_t done = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        const auto index = static_cast<int32_t>(i);
        ImageBuffer* frame = frames[i];
        if ((!applyToAll && index != currentFrame) || frame == nullptr || !frame->isColour())
            continue;
        if (operation(*frame) != 0) {
            history.appendMark(index, FrameEditKind::Image);
            ++done;
        }
    }
    return done;
}

std::string frameProgressText(int32_t frameNumber)
{
    return "Frame : " + std::to_string(frameNumber);
}

namespace {

template <typename Step, typename Offered>
int32_t stepFrames(std::span<ImageBuffer* const> frames, int32_t currentFrame, bool& applyToAll,
                   const FrameProgress& progress, Offered offered, Step step)
{
    const std::vector<int32_t> list = framesConcerned(frames, currentFrame, applyToAll);
    const int32_t done = forEachFrame(list, static_cast<int32_t>(frames.size()), progress, [&](int32_t i) {
        ImageBuffer& image = *frames[static_cast<size_t>(i)];
        return offered(i, image) && step(i, image);
    });
    // An undone crop or resample on some frames can leave them unlike.
    if (applyToAll && !allFramesAlike(frames))
        applyToAll = false;
    return done;
}

} // namespace

int32_t undoFrames(std::span<ImageBuffer* const> frames, int32_t currentFrame, bool& applyToAll,
                   FrameHistory& history, const OverlayUndo& overlay, const FrameProgress& progress)
{
    return stepFrames(
        frames, currentFrame, applyToAll, progress,
        [&](int32_t i, ImageBuffer& image) { return history.canUndo(i, image, overlay); },
        [&](int32_t i, ImageBuffer& image) { return history.undo(i, image, overlay); });
}

int32_t redoFrames(std::span<ImageBuffer* const> frames, int32_t currentFrame, bool& applyToAll,
                   FrameHistory& history, const OverlayUndo& overlay, const FrameProgress& progress)
{
    return stepFrames(
        frames, currentFrame, applyToAll, progress,
        [&](int32_t i, ImageBuffer& image) { return history.canRedo(i, image, overlay); },
        [&](int32_t i, ImageBuffer& image) { return history.redo(i, image, overlay); });
}

} // namespace veltor
