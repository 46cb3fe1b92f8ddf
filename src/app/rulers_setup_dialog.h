// "Rulers setup": the corner the rulers start from and their colour for the
// current frame, with "Set as default" for new documents.
#pragma once

#include <QDialog>

#include "view/document_overlays.h"

class QPushButton;
class QRadioButton;

namespace veltor {

class UserOptions;

class RulersSetupDialog : public QDialog {
    Q_OBJECT
  public:
    // "Set as default" writes the choice into `options` (saved at exit).
    RulersSetupDialog(const RulerSettings& start, UserOptions& options, QWidget* parent = nullptr);
    RulerSettings settings() const;
    void setCorner(AxisCorner corner);
    void setColour(uint32_t colour);
    QPushButton* defaultButton() const { return m_default; }

  private:
    void chooseColour();
    UserOptions& m_options;
    QRadioButton* m_corners[4] = {};
    QPushButton* m_swatch = nullptr;
    QPushButton* m_default = nullptr;
    uint32_t m_colour = 0;
};

} // namespace veltor
