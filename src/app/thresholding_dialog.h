// "Thresholding": lower and upper limits over the frame's histogram, the four
// modes "Between Limits" and an "Original"/"Processed" preview worked out on a
// copy of the frame. After OK the caller applies threshold(lower(), upper(),
// mode()).
#pragma once

#include <QDialog>

#include "imaging/image_buffer.h"
#include "view/threshold_setup.h"

class QButtonGroup;
class QRadioButton;

namespace veltor {

class FramePreview;
class SliderWithValue;

class ThresholdingDialog : public QDialog {
    Q_OBJECT
  public:
    ThresholdingDialog(const ImageBuffer& frame, QWidget* parent = nullptr);

    int lower() const { return m_setup.lower(); }
    int upper() const { return m_setup.upper(); }
    int mode() const { return m_setup.mode(); }
    void setLower(int value);
    void setUpper(int value);
    void setMode(int mode);
    // Shows the untouched copy (true) or the thresholded one (false).
    void showOriginal(bool original);
    bool showingOriginal() const;

    const ImageBuffer& originalFrame() const { return m_original; }
    // The copy with the chosen limits and mode applied.
    const ImageBuffer& previewFrame() const { return m_processed; }
    const Histogram256& histogram() const { return m_histogram; }

  private:
    class HistogramView;

    void lowerMoved(int value);
    void upperMoved(int value);
    void refreshPreview();

    ImageBuffer m_original;
    ImageBuffer m_processed;
    ThresholdSetup m_setup;
    Histogram256 m_histogram{};
    HistogramView* m_histogramView = nullptr;
    SliderWithValue* m_lower = nullptr;
    SliderWithValue* m_upper = nullptr;
    QButtonGroup* m_modes = nullptr;
    QRadioButton* m_originalButton = nullptr;
    QRadioButton* m_processedButton = nullptr;
    FramePreview* m_picture = nullptr;
};

} // namespace veltor
