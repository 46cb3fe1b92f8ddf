#include "view/crop_panel.h"

#include <algorithm>

namespace veltor {

namespace {
constexpr int32_t kSmallestMovableSize = 10;
}

void CropPanelModel::setLimits(int32_t maxX, int32_t maxY) {
    m_limit[0] = std::max(maxX, 0);
    m_limit[1] = std::max(maxY, 0);
}

void CropPanelModel::show(const ImageRect& r) {
    const int32_t lo[2] = {std::min(r.left, r.right), std::min(r.top, r.bottom)};
    const int32_t hi[2] = {std::max(r.left, r.right), std::max(r.top, r.bottom)};
    for (int i = 0; i < 2; ++i) {
        m_start[i] = std::clamp(lo[i], 0, m_limit[i]);
        m_end[i] = std::clamp(hi[i], 0, m_limit[i]);
    }
    m_shown = true;
}

int32_t CropPanelModel::size(CropAxis a) const {
    const int i = index(a);
    return m_start[i] == m_end[i] ? 0 : m_end[i] - m_start[i] + 1;
}

bool CropPanelModel::setSize(CropAxis a, int32_t size) {
    const int i = index(a);
    if (!m_shown || m_fixed || size <= 0) return false;
    const int64_t end = int64_t{m_start[i]} + size - 1;
    if (end > m_limit[i]) return false;
    m_end[i] = static_cast<int32_t>(end);
    return true;
}

bool CropPanelModel::setStart(CropAxis a, int32_t start) {
    const int i = index(a);
    if (!m_shown || start < 0 || size(a) < kSmallestMovableSize) return false;
    const int64_t end = int64_t{start} + (m_end[i] - m_start[i]);
    if (end > m_limit[i]) return false;
    m_start[i] = start;
    m_end[i] = static_cast<int32_t>(end);
    return true;
}

bool CropPanelModel::setEnd(CropAxis a, int32_t end) {
    const int i = index(a);
    if (!m_shown || m_fixed || end < m_start[i]) return false;
    return setSize(a, end - m_start[i] + 1);
}

} // namespace veltor
