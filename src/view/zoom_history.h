// The zoom history that Previous Zoom and Next Zoom walk: one entry per zoom
// change with the scroll position it left, consecutive wheel notches merged
// into a single entry.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace veltor {

enum class ZoomChangeKind : int32_t {
    Other = 0, // a command, a key, a tool or the zoom box
    Wheel = 1, // a wheel notch; the next notch overwrites the entry
};

struct ZoomHistoryEntry {
    int32_t scrollX = 0;
    int32_t scrollY = 0;
    double zoom = 1.0;
    ZoomChangeKind kind = ZoomChangeKind::Other;
    friend bool operator==(const ZoomHistoryEntry&, const ZoomHistoryEntry&) = default;
};

// Invariant: never empty, 0 <= index < count. A new history holds the state
// of a new view: scroll 0, 0 at zoom 1.0.
class ZoomHistory {
  public:
    ZoomHistory();

    // Records the state after a zoom change. Nothing happens when it equals
    // the current entry (same scroll position, zoom within the tolerance);
    // a wheel notch after a wheel entry overwrites it; otherwise the entries
    // after the current one are dropped and the state is appended. True when
    // the history changed.
    bool push(int32_t scrollX, int32_t scrollY, double zoom, ZoomChangeKind kind);

    bool canGoBack() const { return m_index > 0; }
    bool canGoForward() const { return m_index + 1 < count(); }
    // Move to the neighbouring entry and return it. The entry becomes of kind
    // Other so that a wheel notch taken there starts a new entry instead of
    // overwriting the one returned to.
    std::optional<ZoomHistoryEntry> back();
    std::optional<ZoomHistoryEntry> forward();

    int32_t index() const { return m_index; }
    int32_t count() const { return static_cast<int32_t>(m_entries.size()); }
    const ZoomHistoryEntry& current() const { return m_entries[static_cast<size_t>(m_index)]; }
    const std::vector<ZoomHistoryEntry>& entries() const { return m_entries; }

  private:
    std::optional<ZoomHistoryEntry> moveTo(int32_t index);

    std::vector<ZoomHistoryEntry> m_entries;
    int32_t m_index = 0;
};

} // namespace veltor
