// "Resample": the new width and height in pixels or percent, constrained
// proportions, a start from the displayed ("Scaled size") size, the scaling
// method, "Apply to all frames" and a small preview worked out on a copy of
// the frame. After OK the caller applies resample(newWidth(), newHeight(),
// method()) to the current frame, or to every frame when applyToAll().
#pragma once

#include <QDialog>

#include "imaging/image_buffer.h"
#include "view/image_size_setup.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace veltor {

class FramePreview;

class ResampleDialog : public QDialog {
    Q_OBJECT
  public:
    // displayScale: the zoom the frame is shown at (the "Scaled size" start).
    // applyToAll: the document's apply-to-all state, offered only when
    // applyToAllPossible (all frames alike).
    ResampleDialog(const ImageBuffer& frame, double displayScale, bool applyToAll,
                   bool applyToAllPossible, QWidget* parent = nullptr);

    int newWidth() const { return m_setup.width(); }
    int newHeight() const { return m_setup.height(); }
    int method() const;
    bool applyToAll() const;

    // The controls, for callers that preset them and for tests.
    void setPercent(bool percent);
    bool percent() const;
    void setConstrained(bool on);
    void setScaledSize(bool on);
    void setMethod(int method);
    // Width and height in the unit shown.
    void setWidthValue(double value);
    void setHeightValue(double value);
    double widthValue() const;
    double heightValue() const;
    // Empty while the size can be applied; otherwise why it cannot.
    QString problem() const;

    // The resampled copy (reduced for sizes beyond the preview's).
    const ImageBuffer& previewFrame() const { return m_preview; }

    // Refuses a size the frame cannot hold, with the reason shown in the dialog.
    void accept() override;

  private:
    // Shows the setup's size in the unit chosen, leaving `editing` as typed.
    void showSize(const QDoubleSpinBox* editing = nullptr);
    void refreshPreview();

    ResampleSetup m_setup;
    ImageBuffer m_original;
    ImageBuffer m_preview;
    int32_t m_channels = 1;
    int32_t m_bytesPerSample = 1;
    QRadioButton* m_pixels = nullptr;
    QRadioButton* m_percent = nullptr;
    QDoubleSpinBox* m_width = nullptr;
    QDoubleSpinBox* m_height = nullptr;
    QCheckBox* m_constrain = nullptr;
    QCheckBox* m_scaled = nullptr;
    QComboBox* m_method = nullptr;
    QCheckBox* m_applyToAll = nullptr;
    QLabel* m_message = nullptr;
    QPushButton* m_ok = nullptr;
    FramePreview* m_picture = nullptr;
};

// Why a size change to `size` cannot be applied to `frame`: empty when it can.
QString imageSizeProblem(PixelSize size, const ImageBuffer& frame);

} // namespace veltor
