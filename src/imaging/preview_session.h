// Undo discipline of dialogs that preview an operation on the current frame.
#pragma once

#include "imaging/frame_history.h"

namespace veltor {

class ImageBuffer;

// A dialog whose preview changes the current frame itself. Each preview first
// undoes the previous one, so the frame holds at most one previewed edit; a
// dialog only ever undoes an edit it made.
//
// Plain mode (unsharp, smoothing, edge enhancement, dust and scratches, custom
// rotation, FFT filters): OK keeps the last preview (applying the operation
// when there was none); Cancel undoes the preview, which stays as a redo step.
//
// Trial mode (local averaging): the frame's levels, history and selection are
// copied when the session starts. OK undoes the preview and drops the copy, and
// the caller then applies the operation like a plain command; Cancel puts the
// copy back, so the frame is exactly as it was before the dialog.
class PreviewSession {
public:
    enum class Mode { Plain, Trial };

    PreviewSession(ImageBuffer& frame, Mode mode);
    // Ends the dialog as Cancel when neither accept() nor cancel() was called.
    ~PreviewSession();
    PreviewSession(const PreviewSession&) = delete;
    PreviewSession& operator=(const PreviewSession&) = delete;

    // Preview (or a slider move): undo the previous preview, apply `operation`.
    // Returns the operation's result; a failed preview leaves no preview behind.
    int preview(const FrameOperation& operation);
    // OK. Plain: applies `operation` when nothing was previewed; returns 1 when
    // the frame holds the result. Trial: undoes the preview and drops the
    // copy; returns 1 (the caller applies the operation itself).
    int accept(const FrameOperation& operation);
    // Cancel.
    void cancel();

    bool previewed() const { return m_previewed; }
    // Some preview was applied during the session: the frame's redo levels
    // were replaced, even if the preview was undone since.
    bool everPreviewed() const { return m_everPreviewed; }

private:
    ImageBuffer& m_frame;
    Mode m_mode;
    bool m_previewed = false;
    bool m_everPreviewed = false;
    bool m_trialOpen = false;
    bool m_finished = false;
};

} // namespace veltor
