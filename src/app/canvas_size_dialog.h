// "Canvas Size": the new width and height, the anchor the frame keeps (a 3 x 3
// grid, 0 top-left .. 8 bottom-right), the fill of the uncovered area and a
// preview worked out on a copy of the frame. After OK the caller applies
// resizeCanvas(newWidth(), newHeight(), anchor(), fill()).
#pragma once

#include <QDialog>

#include "imaging/image_buffer.h"

class QButtonGroup;
class QLabel;
class QPushButton;
class QSpinBox;

namespace veltor {

class FramePreview;

class CanvasSizeDialog : public QDialog {
    Q_OBJECT
  public:
    CanvasSizeDialog(const ImageBuffer& frame, QWidget* parent = nullptr);

    int newWidth() const;
    int newHeight() const;
    int anchor() const;
    // 8-bit frames: a colour packed as R + G x 256 + B x 65536 (grey frames
    // use its low byte); 16-bit frames: a sample value.
    int fill() const { return m_fill; }

    void setNewWidth(int width);
    void setNewHeight(int height);
    void setAnchor(int anchor);
    void setFill(int fill);
    // Empty while the size can be applied; otherwise why it cannot.
    QString problem() const;

    // The resized copy (reduced for sizes beyond the preview's).
    const ImageBuffer& previewFrame() const { return m_preview; }

    // Refuses a size the frame cannot hold, with the reason shown in the dialog.
    void accept() override;

  private:
    void chooseColour();
    void showFill();
    void changed();

    ImageBuffer m_original;
    ImageBuffer m_preview;
    int m_fill = 0;
    QSpinBox* m_width = nullptr;
    QSpinBox* m_height = nullptr;
    QButtonGroup* m_anchors = nullptr;
    QPushButton* m_swatch = nullptr;
    QSpinBox* m_fillValue = nullptr;
    QLabel* m_message = nullptr;
    QPushButton* m_ok = nullptr;
    FramePreview* m_picture = nullptr;
};

} // namespace veltor
