#include "view/zoom_history.h"

#include "view/zoom_math.h"

namespace veltor {

ZoomHistory::ZoomHistory() : m_entries{ZoomHistoryEntry{}} {}

bool ZoomHistory::push(int32_t scrollX, int32_t scrollY, double zoom, ZoomChangeKind kind) {
    ZoomHistoryEntry& now = m_entries[static_cast<size_t>(m_index)];
    if (now.scrollX == scrollX && now.scrollY == scrollY && sameZoom(now.zoom, zoom)) return false;
    const ZoomHistoryEntry entry{scrollX, scrollY, zoom, kind};
    if (now.kind == ZoomChangeKind::Wheel && kind == ZoomChangeKind::Wheel) {
        now = entry;
        return true;
    }
    m_entries.resize(static_cast<size_t>(m_index) + 1);
    m_entries.push_back(entry);
    ++m_index;
    return true;
}

std::optional<ZoomHistoryEntry> ZoomHistory::back() {
    if (!canGoBack()) return std::nullopt;
    return moveTo(m_index - 1);
}

std::optional<ZoomHistoryEntry> ZoomHistory::forward() {
    if (!canGoForward()) return std::nullopt;
    return moveTo(m_index + 1);
}

std::optional<ZoomHistoryEntry> ZoomHistory::moveTo(int32_t index) {
    m_index = index;
    ZoomHistoryEntry& entry = m_entries[static_cast<size_t>(index)];
    entry.kind = ZoomChangeKind::Other;
    return entry;
}

} // namespace veltor
