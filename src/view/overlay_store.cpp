#include "view/overlay_store.h"

namespace veltor {

OverlayStore::OverlayStore() : m_levels(1) {}

OverlayLevel& OverlayStore::beginChange() {
    m_levels.resize(size_t(m_active)); // levels that could be redone go
    m_levels.push_back(m_levels.back());
    m_active = m_stored = static_cast<int32_t>(m_levels.size());
    ++m_undoDepth;
    m_editTotal = m_undoDepth;
    return m_levels.back();
}

bool OverlayStore::undo() {
    if (!canUndo()) return false;
    --m_active;
    --m_undoDepth;
    return true;
}

bool OverlayStore::redo() {
    if (!canRedo()) return false;
    ++m_active;
    ++m_undoDepth;
    return true;
}

void OverlayStore::makeBase() {
    OverlayLevel base = current();
    m_levels.clear();
    m_levels.push_back(std::move(base));
    m_active = m_stored = 1;
    m_undoDepth = m_editTotal = 0;
}

} // namespace veltor
