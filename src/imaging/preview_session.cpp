#include "imaging/preview_session.h"

#include "imaging/image_buffer.h"

namespace veltor {

PreviewSession::PreviewSession(ImageBuffer& frame, Mode mode)
    : m_frame(frame)
    , m_mode(mode)
{
    if (m_mode == Mode::Trial)
        m_trialOpen = m_frame.beginTrial() != 0;
}

PreviewSession::~PreviewSession()
{
    if (!m_finished)
        cancel();
}

int PreviewSession::preview(const FrameOperation& operation)
{
    if (m_finished || !operation)
        return 0;
    if (m_previewed) {
        m_frame.undo();
        m_previewed = false;
    }
    const int result = operation(m_frame);
    // Only an edit that happened may be undone later.
    m_previewed = result != 0;
    m_everPreviewed = m_everPreviewed || m_previewed;
    return result;
}

int PreviewSession::accept(const FrameOperation& operation)
{
    if (m_finished)
        return 0;
    m_finished = true;
    if (m_mode == Mode::Trial) {
        if (m_previewed)
            m_frame.undo();
        m_previewed = false;
        if (m_trialOpen)
            m_frame.endTrial(false);
        return 1;
    }
    if (m_previewed)
        return 1;
    return operation ? operation(m_frame) : 0;
}

void PreviewSession::cancel()
{
    if (m_finished)
        return;
    m_finished = true;
    if (m_mode == Mode::Trial && m_trialOpen) {
        m_frame.endTrial(true);
    } else if (m_previewed) {
        m_frame.undo();
    }
    m_previewed = false;
}

} // namespace veltor
