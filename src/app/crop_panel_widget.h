// The crop panel beside the image view while the Crop tool is active: start
// and end of the crop rectangle, its size, and "Fixed size".
#pragma once

#include <QWidget>

#include "view/crop_panel.h"

class QCheckBox;
class QSpinBox;

namespace veltor {

class CropPanelWidget : public QWidget {
    Q_OBJECT
  public:
    explicit CropPanelWidget(QWidget* parent = nullptr);
    CropPanelModel& model() { return m_model; }
    // Shows the model's values (empty fields without a rectangle).
    void refresh();
    QSpinBox* startBox(CropAxis a) const { return m_start[a == CropAxis::X ? 0 : 1]; }
    QSpinBox* endBox(CropAxis a) const { return m_end[a == CropAxis::X ? 0 : 1]; }
    QSpinBox* sizeBox(CropAxis a) const { return m_size[a == CropAxis::X ? 0 : 1]; }
    QCheckBox* fixedSizeBox() const { return m_fixed; }

  signals:
    // An accepted edit: the view's rectangle follows.
    void rectEdited(const ImageRect& inclusive);

  private:
    void edited(bool accepted);
    CropPanelModel m_model;
    QSpinBox* m_start[2] = {};
    QSpinBox* m_end[2] = {};
    QSpinBox* m_size[2] = {};
    QCheckBox* m_fixed = nullptr;
    bool m_refreshing = false;
};

} // namespace veltor
