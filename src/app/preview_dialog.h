// Base of the dialogs that preview an image operation on the current frame
// itself (filters, FFT filters).
#pragma once

#include <QDialog>

#include <functional>
#include <vector>

#include "imaging/frame_history.h"
#include "imaging/preview_session.h"

class QBoxLayout;
class QTimer;

namespace veltor {

class ImageBuffer;

// Each preview undoes the previous one and calls `repaint`; value changes
// preview after a short pause so that a slider drag previews its latest
// position. Plain dialogs keep the last preview on OK (previewing the values
// shown first when they differ) and undo it on Cancel; trial dialogs (local
// averaging) undo the preview on OK as well, and put the frame's levels and
// history back on Cancel: the caller then applies operation() like a plain
// command.
class PreviewDialog : public QDialog {
    Q_OBJECT
  public:
    PreviewDialog(ImageBuffer& frame, PreviewSession::Mode mode, std::function<void()> repaint,
                  QWidget* parent = nullptr);

    // The operation with the values shown.
    virtual FrameOperation operation() const = 0;
    // Preview with the values shown; the operation's result (0 when the values
    // cannot run: the message has been shown).
    int preview();
    bool previewed() const { return m_session.previewed(); }
    bool everPreviewed() const { return m_session.everPreviewed(); }
    bool trial() const { return m_mode == PreviewSession::Mode::Trial; }
    // After OK: plain dialogs, the frame holds the result; trial dialogs, the
    // caller is to apply operation().
    bool applied() const { return m_applied; }

    void done(int result) override;

  protected:
    // The values that decide the operation, to tell whether the last preview
    // shows what OK would keep.
    virtual std::vector<double> values() const = 0;
    // False when the values cannot run; `tell` shows the user why (previews
    // after value changes skip such values quietly).
    virtual bool validate(bool tell) {
        (void)tell;
        return true;
    }
    // OK with values that can run: the dialog keeps them for its next opening.
    virtual void keepValues() {}
    // Previews after the event loop has settled (value changes call this).
    void schedulePreview();
    // OK, Cancel and Preview buttons at the bottom of `layout`.
    void addButtons(QBoxLayout* layout);
    ImageBuffer& frame() { return m_frame; }
    const ImageBuffer& frame() const { return m_frame; }

  private:
    ImageBuffer& m_frame;
    PreviewSession::Mode m_mode;
    std::function<void()> m_repaint;
    PreviewSession m_session;
    int previewWith(bool tell);
    std::vector<double> m_previewedValues;
    QTimer* m_timer = nullptr;
    bool m_applied = false;
    bool m_ended = false;
};

} // namespace veltor
