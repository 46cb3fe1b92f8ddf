// "Brightness - Contrast": two sliders and a zoomable preview worked out on a
// copy of the frame. The frame itself is never touched; after OK the caller
// applies brightnessContrast(brightness(), contrast()).
#pragma once

#include <QDialog>

#include "imaging/image_buffer.h"

namespace veltor {

class FramePreview;
class SliderWithValue;

class BrightnessContrastDialog : public QDialog {
    Q_OBJECT
  public:
    BrightnessContrastDialog(const ImageBuffer& frame, QWidget* parent = nullptr);

    int brightness() const;
    int contrast() const;
    void setBrightness(int value);
    void setContrast(int value);
    // The copy with the chosen values applied.
    const ImageBuffer& previewFrame() const { return m_preview; }

  private:
    void refreshPreview();

    ImageBuffer m_original;
    ImageBuffer m_preview;
    SliderWithValue* m_brightness = nullptr;
    SliderWithValue* m_contrast = nullptr;
    FramePreview* m_picture = nullptr;
};

} // namespace veltor
