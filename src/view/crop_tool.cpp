#include "view/crop_tool.h"

#include <algorithm>
#include <cmath>

#include "document/kelvo_doc.h"
#include "view/document_overlays.h"
#include "view/selection_commands.h"
#include "view/zoom_math.h"

namespace veltor {

namespace {

constexpr int32_t kNear = 5;
constexpr int32_t kMinimumSpan = 10; // right - left and bottom - top

int32_t imageDelta(int32_t paneDelta, float zoom) {
    const float z = zoom > 0.0f && std::isfinite(zoom) ? zoom : 1.0f;
    return static_cast<int32_t>(std::trunc(float(paneDelta) / z));
}

} // namespace

CropHandle classifyCropPoint(const ImageRect& r, ViewPoint p) {
    if (p.x < r.left || p.x > r.right || p.y < r.top || p.y > r.bottom) return CropHandle::Outside;
    const bool nearLeft = p.x - r.left <= kNear, nearRight = r.right - p.x <= kNear;
    const bool nearTop = p.y - r.top <= kNear, nearBottom = r.bottom - p.y <= kNear;
    const int32_t midX = (r.left + r.right) / 2, midY = (r.top + r.bottom) / 2;
    const bool middleX = p.x >= midX - 3 && p.x <= midX + 2;
    const bool middleY = p.y >= midY - 3 && p.y <= midY + 2;
    if (nearTop && nearLeft) return CropHandle::TopLeft;
    if (nearTop && middleX) return CropHandle::Top;
    if (nearTop && nearRight) return CropHandle::TopRight;
    if (nearLeft && middleY) return CropHandle::Left;
    if (nearRight && middleY) return CropHandle::Right;
    if (nearBottom && nearLeft) return CropHandle::BottomLeft;
    if (nearBottom && middleX) return CropHandle::Bottom;
    if (nearBottom && nearRight) return CropHandle::BottomRight;
    return CropHandle::Inside;
}

ImageRect dragCropHandle(const ImageRect& start, CropHandle h, ViewPoint d, float zoom, int32_t frameWidth,
                         int32_t frameHeight) {
    const bool left = h == CropHandle::TopLeft || h == CropHandle::Left || h == CropHandle::BottomLeft;
    const bool right = h == CropHandle::TopRight || h == CropHandle::Right || h == CropHandle::BottomRight;
    const bool top = h == CropHandle::TopLeft || h == CropHandle::Top || h == CropHandle::TopRight;
    const bool bottom = h == CropHandle::BottomLeft || h == CropHandle::Bottom || h == CropHandle::BottomRight;
    ImageRect r = start;
    const int32_t dx = imageDelta(d.x, zoom), dy = imageDelta(d.y, zoom);
    if (left) r.left = std::min(std::max(start.left - dx, 0), r.right - kMinimumSpan);
    if (top) r.top = std::min(std::max(start.top - dy, 0), r.bottom - kMinimumSpan);
    if (right) r.right = std::max(std::min(start.right - dx, frameWidth - 1), r.left + kMinimumSpan);
    if (bottom) r.bottom = std::max(std::min(start.bottom - dy, frameHeight - 1), r.top + kMinimumSpan);
    return r;
}

ImageRect moveCropRect(const ImageRect& start, ViewPoint d, float zoom, int32_t frameWidth, int32_t frameHeight) {
    const auto axis = [](int32_t lo, int32_t hi, int32_t delta, int32_t limit, int32_t& outLo, int32_t& outHi) {
        outLo = lo - delta;
        if (outLo < 0) {
            outLo = 0;
            outHi = hi - lo;
            return;
        }
        outHi = hi - delta;
        if (outHi > limit - 1) {
            outHi = limit - 1;
            outLo = lo + limit - 1 - hi;
        }
    };
    ImageRect r;
    axis(start.left, start.right, imageDelta(d.x, zoom), frameWidth, r.left, r.right);
    axis(start.top, start.bottom, imageDelta(d.y, zoom), frameHeight, r.top, r.bottom);
    return r;
}

bool acceptableNewCropRect(const ImageRect& r) {
    return r.right - r.left > kMinimumSpan - 1 && r.bottom - r.top > kMinimumSpan - 1;
}

bool CropTool::frameSize(int32_t& width, int32_t& height) {
    const ImageBuffer* f = m_doc.frameAt(-1);
    width = f != nullptr ? f->width() : 0;
    height = f != nullptr ? f->height() : 0;
    return width > 0 && height > 0;
}

ViewRect CropTool::band() const { return normalisedRect(m_press, m_now); }

void CropTool::setRect(const ImageRect& rect) {
    m_rect = rect;
    m_shown = true;
    notify();
}

void CropTool::hide() {
    const bool was = m_shown || m_state != State::Idle;
    m_shown = false;
    m_state = State::Idle;
    if (was) notify();
}

bool CropTool::buttonDown(const ToolInput& input) {
    if (m_state != State::Idle) return false;
    int32_t w = 0, h = 0;
    if (!frameSize(w, h)) return false;
    if (!m_shown) {
        if (!input.overImage) return false;
        m_state = State::Stretch;
        m_press = m_now = input.pane;
        notify();
        return true;
    }
    const CropHandle where = input.overImage ? classifyCropPoint(m_rect, input.image) : CropHandle::Outside;
    if (where == CropHandle::Outside) {
        hide();
        return false;
    }
    if (where == CropHandle::Inside) {
        const ImageRect r = m_rect;
        m_shown = false;
        const bool cropped = cropFrames(m_doc, m_overlays, r) > 0;
        notify(cropped);
        return false;
    }
    m_state = State::Handle;
    m_handle = where;
    m_start = m_rect;
    m_press = input.pane;
    notify();
    return true;
}

void CropTool::mouseMove(const ToolInput& input) {
    int32_t w = 0, h = 0;
    if (!frameSize(w, h)) return;
    const ViewPoint d{m_press.x - input.pane.x, m_press.y - input.pane.y};
    switch (m_state) {
    case State::Stretch:
        if (input.pane == m_now) return;
        m_now = input.pane;
        break;
    case State::Handle:
        m_rect = dragCropHandle(m_start, m_handle, d, input.zoom, w, h);
        break;
    case State::Move:
        m_rect = moveCropRect(m_start, d, input.zoom, w, h);
        // Once the cursor leaves the inside zone (the rectangle stopped at
        // an edge while the cursor went on), the move ends.
        if (!input.overImage || classifyCropPoint(m_rect, input.image) != CropHandle::Inside)
            m_state = State::Idle;
        break;
    case State::Idle:
        return;
    }
    notify();
}

void CropTool::buttonUp(const ToolInput& input) {
    if (m_state == State::Stretch) {
        m_state = State::Idle;
        m_now = input.pane;
        int32_t w = 0, h = 0;
        if (frameSize(w, h)) {
            const ImageRect r = bandToImage(band(), input.scroll, input.imageRect, input.zoom, w, h);
            m_shown = acceptableNewCropRect(r);
            if (m_shown) m_rect = r;
        }
        notify();
        return;
    }
    if (m_state == State::Handle) {
        m_state = State::Idle;
        notify();
    }
}

bool CropTool::rightButtonDown(const ToolInput& input) {
    if (!m_shown || m_state != State::Idle || !input.overImage ||
        classifyCropPoint(m_rect, input.image) != CropHandle::Inside)
        return false;
    m_state = State::Move;
    m_start = m_rect;
    m_press = input.pane;
    return true;
}

void CropTool::rightButtonUp(const ToolInput&) {
    if (m_state != State::Move) return;
    m_state = State::Idle;
    notify();
}

bool CropTool::escape() {
    if (!m_shown && m_state == State::Idle) return false;
    hide();
    return true;
}

} // namespace veltor
