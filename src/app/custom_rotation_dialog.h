// "Custom Rotation": rotation of the current frame by 0 .. 90 whole degrees in
// either direction, previewed on the frame itself.
#pragma once

#include <QDialog>

#include <functional>

#include "imaging/frame_history.h"
#include "imaging/preview_session.h"

class QComboBox;
class QRadioButton;
class QSlider;
class QSpinBox;

namespace veltor {

class ImageBuffer;
class SettingsStore;

// Preview rotates `frame` itself: each preview undoes the previous one and
// calls `repaint`. OK keeps the rotation with the values shown (previewing
// them first when they differ from the last preview) and stores the method
// under "Rotate Scaling Method"; Cancel, or closing the window, undoes the
// preview, which stays behind as a redo step.
//
// After an accepted dialog the caller records the edit when applied() is
// true: an Image mark for the current frame and, with apply-to-all, the same
// operation() on every other frame; runOnOtherFrames does both. When
// applied() is false (angle 0) the frame is untouched and nothing is recorded.
class CustomRotationDialog : public QDialog {
    Q_OBJECT
  public:
    // The method list, in ScalingMethod order.
    static constexpr const char* kMethodNames[3] = {"Nearest Neighbour ", "Bilinear", "Bicubic"};
    static constexpr int kMaxAngle = 90;

    CustomRotationDialog(ImageBuffer& frame, SettingsStore& settings, std::function<void()> repaint,
                         QWidget* parent = nullptr);

    int angle() const;
    bool clockwise() const;
    // 0 nearest neighbour, 1 bilinear, 2 bicubic.
    int method() const;
    void setAngle(int degrees);
    void setClockwise(bool on);
    void setMethod(int method);

    // The rotation with the values shown, for the other frames.
    FrameOperation operation() const;
    static FrameOperation rotation(int degrees, bool clockwise, int method);

    // Preview with the values shown; the operation's result.
    int preview();
    bool previewed() const { return m_session.previewed(); }
    // A preview was applied at some point (the frame's redo levels are gone).
    bool everPreviewed() const { return m_session.everPreviewed(); }
    // After OK: the current frame holds the rotation.
    bool applied() const { return m_applied; }

    void done(int result) override;

  private:
    struct Values {
        int angle = 0;
        bool clockwise = true;
        int method = 1;
        bool operator==(const Values&) const = default;
    };
    Values values() const;

    SettingsStore& m_settings;
    std::function<void()> m_repaint;
    PreviewSession m_session;
    Values m_previewedValues;
    bool m_applied = false;
    bool m_ended = false;
    QSpinBox* m_angleSpin = nullptr;
    QSlider* m_angleSlider = nullptr;
    QRadioButton* m_clockwise = nullptr;
    QRadioButton* m_counterClockwise = nullptr;
    QComboBox* m_method = nullptr;
};

} // namespace veltor
