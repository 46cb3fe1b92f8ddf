#include "imaging/selection_region.h"

#include <algorithm>
#include <utility>

namespace veltor {

SelectionRegion::SelectionRegion(int32_t width, int32_t height)
    : m_width(std::max(width, 0))
    , m_height(std::max(height, 0))
{
}

bool SelectionRegion::isEmpty() const
{
    return m_shape.outline.empty() ||
           static_cast<int64_t>(m_shape.area) == static_cast<int64_t>(m_width) * m_height;
}

bool SelectionRegion::selected(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || m_shape.mask.empty())
        return false;
    return m_shape.mask[static_cast<size_t>(y) * static_cast<size_t>(m_width) + static_cast<size_t>(x)] != 0;
}

ImageRect SelectionRegion::boundingBox() const
{
    if (!hasOutline())
        return {};
    return {m_shape.left, m_shape.top, m_shape.right + 1, m_shape.bottom + 1};
}

void SelectionRegion::clearShape()
{
    m_shape = Shape{};
}

bool SelectionRegion::buildRectangle(ImageRect r, Shape& shape) const
{
    shape = Shape{};
    if (m_width <= 0 || m_height <= 0)
        return false;
    // A dragged rectangle arrives normalised; normalising here as well keeps a
    // reversed one from indexing outside the mask.
    if (r.left > r.right)
        std::swap(r.left, r.right);
    if (r.top > r.bottom)
        std::swap(r.top, r.bottom);
    r.left = std::clamp(r.left, 0, m_width - 1);
    r.right = std::clamp(r.right, 0, m_width - 1);
    r.top = std::clamp(r.top, 0, m_height - 1);
    r.bottom = std::clamp(r.bottom, 0, m_height - 1);
    if (r.right == r.left || r.bottom == r.top)
        return false;

    shape.mask.assign(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), kMaskUnselected);
    const size_t w = static_cast<size_t>(m_width);
    auto at = [&](int32_t x, int32_t y) -> uint8_t& {
        return shape.mask[static_cast<size_t>(y) * w + static_cast<size_t>(x)];
    };
    auto& outline = shape.outline;
    outline.reserve(2 * static_cast<size_t>(r.right - r.left + 1) + 2 * static_cast<size_t>(r.bottom - r.top + 1));
    // Clockwise from the top-left corner; corners appear twice.
    for (int32_t x = r.left; x <= r.right; ++x)
        outline.push_back({x, r.top});
    for (int32_t y = r.top; y <= r.bottom; ++y)
        outline.push_back({r.right, y});
    for (int32_t x = r.right; x >= r.left; --x)
        outline.push_back({x, r.bottom});
    for (int32_t y = r.bottom; y >= r.top; --y)
        outline.push_back({r.left, y});
    for (int32_t y = r.top + 1; y < r.bottom; ++y)
        std::fill(&at(r.left + 1, y), &at(r.right, y), kMaskInterior);
    for (const SelectionPoint& p : outline)
        at(p.x, p.y) = kMaskOutline;
    shape.left = r.left;
    shape.top = r.top;
    shape.right = r.right;
    shape.bottom = r.bottom;
    return true;
}

void SelectionRegion::retrace()
{
    auto& mask = m_shape.mask;
    auto& outline = m_shape.outline;
    outline.clear();
    if (mask.empty())
        return;
    const int32_t w = m_width;
    const int32_t h = m_height;
    const size_t stride = static_cast<size_t>(w);
    auto at = [&](int32_t x, int32_t y) -> uint8_t& { return mask[static_cast<size_t>(y) * stride + static_cast<size_t>(x)]; };

    // Inside the frame: a selected pixel with an unselected 4-neighbour. Pixels
    // turned to 128 on the way are still selected, so the scan order does not
    // change which pixels qualify.
    for (int32_t y = 1; y < h - 1; ++y) {
        for (int32_t x = 1; x < w - 1; ++x) {
            if (at(x, y) == kMaskInterior &&
                (at(x, y - 1) == kMaskUnselected || at(x - 1, y) == kMaskUnselected ||
                 at(x + 1, y) == kMaskUnselected || at(x, y + 1) == kMaskUnselected)) {
                at(x, y) = kMaskOutline;
                outline.push_back({x, y});
            }
        }
    }
    // The frame's border closes the outline: first columns 0 and w - 1 row by
    // row, then rows 0 and h - 1 column by column.
    auto border = [&](int32_t x, int32_t y) {
        if (at(x, y) == kMaskInterior) {
            at(x, y) = kMaskOutline;
            outline.push_back({x, y});
        }
    };
    for (int32_t y = 0; y < h; ++y) {
        border(0, y);
        border(w - 1, y);
    }
    for (int32_t x = 0; x < w; ++x) {
        border(x, 0);
        border(x, h - 1);
    }
}

bool SelectionRegion::measure()
{
    auto& s = m_shape;
    s.area = 0;
    if (s.outline.empty() || s.mask.empty())
        return false;
    // The outline holds exactly the mask's 128 bytes.
    s.left = m_width;
    s.top = m_height;
    s.right = -1;
    s.bottom = -1;
    for (const SelectionPoint& p : s.outline) {
        s.left = std::min(s.left, p.x);
        s.right = std::max(s.right, p.x);
        s.top = std::min(s.top, p.y);
        s.bottom = std::max(s.bottom, p.y);
    }
    const size_t stride = static_cast<size_t>(m_width);
    int64_t area = 0;
    for (int32_t y = s.top; y <= s.bottom; ++y) {
        const uint8_t* row = s.mask.data() + static_cast<size_t>(y) * stride;
        for (int32_t x = s.left; x <= s.right; ++x)
            area += row[x] != kMaskUnselected;
    }
    s.area = static_cast<int32_t>(area);
    return true;
}

void SelectionRegion::finishCombine()
{
    retrace();
    if (!measure() || m_shape.outline.size() < 5 || m_shape.area == 0)
        clearShape();
}

void SelectionRegion::pushSnapshot()
{
    m_snapshots.resize(static_cast<size_t>(m_currentSnapshot + 1));
    m_snapshots.push_back(m_shape);
    m_currentSnapshot = static_cast<int32_t>(m_snapshots.size()) - 1;
}

void SelectionRegion::restore(const Shape& shape)
{
    m_shape = shape;
}

bool SelectionRegion::setRectangle(ImageRect r)
{
    clearShape();
    if (buildRectangle(r, m_shape)) {
        if (m_shape.outline.size() < 5 || !measure() || m_shape.area == 0)
            clearShape();
    } else {
        clearShape();
    }
    pushSnapshot();
    return true;
}

namespace {

void solidify(std::vector<uint8_t>& mask)
{
    for (uint8_t& v : mask)
        if (v == kMaskOutline)
            v = kMaskInterior;
}

} // namespace

bool SelectionRegion::unionRectangle(ImageRect r)
{
    if (m_shape.mask.empty())
        return setRectangle(r);
    Shape rect;
    if (buildRectangle(r, rect)) {
        solidify(m_shape.mask);
        const size_t stride = static_cast<size_t>(m_width);
        for (int32_t y = rect.top; y <= rect.bottom; ++y) {
            const size_t row = static_cast<size_t>(y) * stride;
            for (int32_t x = rect.left; x <= rect.right; ++x) {
                if (rect.mask[row + static_cast<size_t>(x)] != kMaskUnselected)
                    m_shape.mask[row + static_cast<size_t>(x)] = kMaskInterior;
            }
        }
    } else {
        solidify(m_shape.mask);
    }
    finishCombine();
    pushSnapshot();
    return true;
}

bool SelectionRegion::differenceRectangle(ImageRect r)
{
    if (isEmpty())
        return false;
    Shape rect;
    solidify(m_shape.mask);
    if (buildRectangle(r, rect)) {
        const size_t stride = static_cast<size_t>(m_width);
        for (int32_t y = rect.top; y <= rect.bottom; ++y) {
            const size_t row = static_cast<size_t>(y) * stride;
            for (int32_t x = rect.left; x <= rect.right; ++x) {
                if (rect.mask[row + static_cast<size_t>(x)] != kMaskUnselected)
                    m_shape.mask[row + static_cast<size_t>(x)] = kMaskUnselected;
            }
        }
    }
    finishCombine();
    pushSnapshot();
    return true;
}

bool SelectionRegion::intersectRectangle(ImageRect r)
{
    if (isEmpty())
        return false;
    Shape rect;
    solidify(m_shape.mask);
    if (buildRectangle(r, rect)) {
        for (size_t i = 0; i < m_shape.mask.size(); ++i)
            m_shape.mask[i] = (m_shape.mask[i] != kMaskUnselected && rect.mask[i] != kMaskUnselected)
                                  ? kMaskInterior
                                  : kMaskUnselected;
    } else {
        std::fill(m_shape.mask.begin(), m_shape.mask.end(), kMaskUnselected);
    }
    finishCombine();
    pushSnapshot();
    return true;
}

bool SelectionRegion::invert()
{
    if (!hasOutline())
        return false;
    for (uint8_t& v : m_shape.mask)
        v = v == kMaskUnselected ? kMaskInterior : kMaskUnselected;
    // The area is recounted so that it keeps meaning the selected pixels.
    finishCombine();
    pushSnapshot();
    return true;
}

bool SelectionRegion::clear(bool withHistory)
{
    clearShape();
    if (!withHistory)
        return false;
    pushSnapshot();
    return true;
}

bool SelectionRegion::undo()
{
    if (m_currentSnapshot < 0)
        return false;
    clearShape();
    --m_currentSnapshot;
    if (m_currentSnapshot >= 0)
        restore(m_snapshots[static_cast<size_t>(m_currentSnapshot)]);
    return true;
}

bool SelectionRegion::redo()
{
    if (!canRedo())
        return false;
    ++m_currentSnapshot;
    restore(m_snapshots[static_cast<size_t>(m_currentSnapshot)]);
    return true;
}

} // namespace veltor
