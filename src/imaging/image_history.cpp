// The edit history of a frame: recording entries, undo and redo across pixel,
// window, selection and palette entries, the level-change check and trials.
#include "imaging/image_buffer.h"

#include <cstring>
#include <utility>
#include <vector>

namespace veltor {

// ---- History

void ImageBuffer::dropRedoLevels()
{
    PixelStore* s = store();
    s->levels.resize(static_cast<size_t>(s->currentLevel) + 1);
}

void ImageBuffer::record(HistoryKind kind)
{
    // Every new entry makes the redo levels unreachable, whatever its kind, so
    // they are freed with it.
    store()->history.append(kind);
    dropRedoLevels();
}

void ImageBuffer::levelChangeCheck()
{
    PixelStore* s = store();
    const ImageLevel& level = s->current();
    if (s->selection && s->selection->width() == level.width && s->selection->height() == level.height)
        return;
    // A level of another size: the old region's mask and snapshots describe
    // pixels that no longer exist, so both go, with the entries that step them.
    s->selection = std::make_unique<SelectionRegion>(level.width, level.height);
    EditHistory& h = s->history;
    std::vector<HistoryKind> kept;
    kept.reserve(h.entries.size());
    int32_t removedBefore = 0;
    for (size_t i = 0; i < h.entries.size(); ++i) {
        if (h.entries[i] == HistoryKind::Selection) {
            if (static_cast<int32_t>(i) < h.position)
                ++removedBefore;
        } else {
            kept.push_back(h.entries[i]);
        }
    }
    h.entries = std::move(kept);
    h.position -= removedBefore;
}

// ---- Undo and redo

int ImageBuffer::undoPixels()
{
    PixelStore* s = store();
    if (s->lastLevel() == 0 || s->currentLevel == 0) {
        s->lastError = LibraryError::NoUndoLevel;
        return 0;
    }
    if (!buildDisplay(s->levels[static_cast<size_t>(s->currentLevel) - 1].level, s->display))
        return 0;
    --s->currentLevel;
    levelChangeCheck();
    return 1;
}

int ImageBuffer::redoPixels()
{
    PixelStore* s = store();
    if (s->currentLevel >= s->lastLevel()) {
        s->lastError = LibraryError::NoRedoLevel;
        return 0;
    }
    if (!buildDisplay(s->levels[static_cast<size_t>(s->currentLevel) + 1].level, s->display))
        return 0;
    ++s->currentLevel;
    levelChangeCheck();
    return 1;
}

int ImageBuffer::undo()
{
    PixelStore* s = store();
    if (s == nullptr || m_editOpen)
        return 0;
    EditHistory& h = s->history;
    if (h.position <= 0 || h.position > h.length()) {
        if (s->currentLevel == 0)
            s->lastError = LibraryError::NoUndoLevel;
        return 0;
    }
    // The position moves back before the step so that the level-change check
    // counts the removed entries against it; a step that fails moves it back.
    const HistoryKind kind = h.entries[static_cast<size_t>(h.position) - 1];
    --h.position;
    int done = 0;
    switch (kind) {
    case HistoryKind::Pixels:
        done = undoPixels();
        break;
    case HistoryKind::Window:
        if (s->windowList.current > 1) {
            --s->windowList.current;
            applyWindowPair();
            done = 1;
        }
        break;
    case HistoryKind::Selection:
        done = s->selection->undo() ? 1 : 0;
        break;
    case HistoryKind::Palette:
        if (s->paletteList.current > 0) {
            --s->paletteList.current;
            const int32_t current = s->paletteList.current;
            applyPalette(current == 0 ? kGreyscalePalette : s->paletteList.numbers[static_cast<size_t>(current) - 1]);
            done = 1;
        }
        break;
    }
    if (done != 0)
        s->lastError = LibraryError::NoError;
    else
        ++h.position;
    return done;
}

int ImageBuffer::redo()
{
    PixelStore* s = store();
    if (s == nullptr || m_editOpen)
        return 0;
    EditHistory& h = s->history;
    if (h.position < 0 || h.position >= h.length()) {
        if (s->currentLevel >= s->lastLevel())
            s->lastError = LibraryError::NoRedoLevel;
        return 0;
    }
    const HistoryKind kind = h.entries[static_cast<size_t>(h.position)];
    ++h.position;
    int done = 0;
    switch (kind) {
    case HistoryKind::Pixels:
        done = redoPixels();
        break;
    case HistoryKind::Window:
        if (s->windowList.current < static_cast<int32_t>(s->windowList.pairs.size())) {
            ++s->windowList.current;
            applyWindowPair();
            done = 1;
        }
        break;
    case HistoryKind::Selection:
        done = s->selection->redo() ? 1 : 0;
        break;
    case HistoryKind::Palette:
        if (s->paletteList.current < static_cast<int32_t>(s->paletteList.numbers.size())) {
            ++s->paletteList.current;
            applyPalette(s->paletteList.numbers[static_cast<size_t>(s->paletteList.current) - 1]);
            done = 1;
        }
        break;
    }
    if (done != 0)
        s->lastError = LibraryError::NoError;
    else
        --h.position;
    return done;
}

int ImageBuffer::canUndo() const
{
    const PixelStore* s = store();
    if (s == nullptr)
        return 0;
    return (s->currentLevel > 0 || s->history.position > 0) ? 1 : 0;
}

int ImageBuffer::canRedo() const
{
    const PixelStore* s = store();
    if (s == nullptr)
        return 0;
    const bool levels = s->lastLevel() > 0 && s->currentLevel < s->lastLevel();
    const bool entries = s->history.length() > 0 && s->history.position < s->history.length();
    return (levels || entries) ? 1 : 0;
}

// ---- Trials

int ImageBuffer::beginTrial()
{
    PixelStore* s = store();
    if (s == nullptr || m_editOpen)
        return 0;
    PixelStore::Trial trial;
    trial.levels.reserve(s->levels.size());
    for (const LevelSlot& slot : s->levels) {
        LevelSlot copy;
        copy.level = slot.level;
        if (slot.owned) {
            copy.owned = SampleBuffer::allocate(slot.owned.size());
            if (!copy.owned) {
                s->lastError = LibraryError::MemoryAllocation;
                return 0;
            }
            std::memcpy(copy.owned.data(), slot.owned.data(), slot.owned.size());
            copy.level.pixels = copy.owned.data();
        }
        trial.levels.push_back(std::move(copy));
    }
    trial.currentLevel = s->currentLevel;
    trial.history = s->history;
    // The region travels with the history: its snapshots are what the
    // Selection entries step through.
    trial.selection = std::make_unique<SelectionRegion>(*s->selection);
    s->trial = std::move(trial);
    return 1;
}

int ImageBuffer::endTrial(bool restore)
{
    PixelStore* s = store();
    if (s == nullptr || !s->trial || m_editOpen)
        return 0;
    if (restore) {
        s->levels = std::move(s->trial->levels);
        s->currentLevel = s->trial->currentLevel;
        s->history = std::move(s->trial->history);
        s->selection = std::move(s->trial->selection);
        levelChangeCheck();
        rebuildDisplay();
    }
    s->trial.reset();
    return 1;
}

int ImageBuffer::beginWindowTrial()
{
    PixelStore* s = store();
    if (s == nullptr)
        return 0;
    s->windowTrial = PixelStore::WindowTrial{s->history, s->windowList,
                                             {s->current().windowCenter, s->current().windowWidth}};
    return 1;
}

int ImageBuffer::endWindowTrial(bool restore)
{
    PixelStore* s = store();
    if (s == nullptr || !s->windowTrial)
        return 0;
    if (restore) {
        s->history = std::move(s->windowTrial->history);
        s->windowList = std::move(s->windowTrial->windowList);
        s->current().windowCenter = s->windowTrial->levelWindow.center;
        s->current().windowWidth = s->windowTrial->levelWindow.width;
        rebuildDisplay();
    }
    s->windowTrial.reset();
    return 1;
}

// ---- Selection edits

int ImageBuffer::finishSelectionEdit(bool changed)
{
    if (!changed)
        return 0;
    record(HistoryKind::Selection);
    return 1;
}

int ImageBuffer::selectRectangle(ImageRect r)
{
    return hasStore() ? finishSelectionEdit(store()->selection->setRectangle(r)) : 0;
}

int ImageBuffer::unionSelection(ImageRect r)
{
    return hasStore() ? finishSelectionEdit(store()->selection->unionRectangle(r)) : 0;
}

int ImageBuffer::differenceSelection(ImageRect r)
{
    return hasStore() ? finishSelectionEdit(store()->selection->differenceRectangle(r)) : 0;
}

int ImageBuffer::intersectSelection(ImageRect r)
{
    return hasStore() ? finishSelectionEdit(store()->selection->intersectRectangle(r)) : 0;
}

int ImageBuffer::invertSelection()
{
    return hasStore() ? finishSelectionEdit(store()->selection->invert()) : 0;
}

int ImageBuffer::clearSelection(bool withHistory)
{
    return hasStore() ? finishSelectionEdit(store()->selection->clear(withHistory)) : 0;
}

} // namespace veltor
