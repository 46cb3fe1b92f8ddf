// "Pixel spacing and slice thikness": the document's pixel spacing and slice
// thickness, with "From Header" to take back the values of the file.
#pragma once

#include <QDialog>

#include "view/spacing_setup.h"

class QLineEdit;
class QPushButton;

namespace veltor {

class CKelvoDoc;

class PixelSpacingDialog : public QDialog {
    Q_OBJECT
  public:
    PixelSpacingDialog(CKelvoDoc& doc, QWidget* parent = nullptr);
    // OK stores the values in the document.
    void accept() override;

    QLineEdit* horizontalEdit() const { return m_fields[0]; }
    QLineEdit* verticalEdit() const { return m_fields[1]; }
    QLineEdit* thicknessEdit() const { return m_fields[2]; }
    QPushButton* fromHeaderButton() const { return m_fromHeader; }

  private:
    void show(const SpacingValues& v);
    CKelvoDoc& m_doc;
    QLineEdit* m_fields[3] = {};
    QPushButton* m_fromHeader = nullptr;
};

} // namespace veltor
