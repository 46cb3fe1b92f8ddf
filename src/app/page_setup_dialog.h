// "Page Setup": what the document's printouts and rich-text copies carry
// (header, images, annotations on the images) and how large frames are
// scaled down.
#pragma once

#include <QDialog>

#include "document/export_state.h"

class QCheckBox;
class QComboBox;

namespace veltor {

class PageSetupDialog : public QDialog {
    Q_OBJECT
  public:
    explicit PageSetupDialog(const PrintSettings& settings, QWidget* parent = nullptr);
    PrintSettings settings() const;
    // For tests: the check boxes as a user clicks them.
    QCheckBox* printImagesBox() const { return m_images; }
    QCheckBox* printAnnotationsBox() const { return m_annotations; }

  private:
    QCheckBox* m_header = nullptr;
    QCheckBox* m_images = nullptr;
    QCheckBox* m_annotations = nullptr;
    QComboBox* m_method = nullptr;
    bool m_rememberedAnnotations = true;
};

} // namespace veltor
