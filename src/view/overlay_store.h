// One frame's overlays with undo levels of their own, so that annotation and
// measurement edits are undone and redone in turn with the frame's image
// edits (the frame history says which comes next).
//
// Levels are complete copies of the lists. A change works copy-on-write:
// every stored level above the active ones is dropped (it can no longer be
// redone), a copy of the current level is appended and becomes current, and
// the change is made to that copy. Undo makes the previous level current,
// redo the next stored one.
#pragma once

#include <cstdint>
#include <vector>

#include "view/overlay_records.h"

namespace veltor {

class OverlayStore {
  public:
    // One empty level, nothing to undo.
    OverlayStore();

    const OverlayLevel& current() const { return m_levels[size_t(m_active - 1)]; }
    // Starts a change: the returned level is a fresh copy of the current one
    // and is already current. Check that the change applies (an index in
    // range...) before calling: every call leaves an undo step.
    OverlayLevel& beginChange();

    bool canUndo() const { return m_undoDepth > 0 && m_active > 1; }
    bool canRedo() const { return m_active < m_stored && m_undoDepth < m_editTotal; }
    bool undo();
    bool redo();

    // The current lists become the base, which cannot be undone (after the
    // default annotations of a newly loaded document): the other levels are
    // dropped and the counters cleared.
    void makeBase();

    int32_t activeLevels() const { return m_active; }
    int32_t storedLevels() const { return m_stored; }
    int32_t undoDepth() const { return m_undoDepth; }
    int32_t editTotal() const { return m_editTotal; }

  private:
    std::vector<OverlayLevel> m_levels; // m_stored of them are meaningful
    int32_t m_active = 1;
    int32_t m_stored = 1;
    int32_t m_undoDepth = 0;
    int32_t m_editTotal = 0;
};

} // namespace veltor
