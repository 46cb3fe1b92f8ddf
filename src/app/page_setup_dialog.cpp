#include "app/page_setup_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

namespace veltor {

PageSetupDialog::PageSetupDialog(const PrintSettings& settings, QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Page Setup"));
    auto* layout = new QVBoxLayout(this);
    m_header = new QCheckBox(tr("Print Header"), this);
    m_images = new QCheckBox(tr("Print Images"), this);
    m_annotations = new QCheckBox(tr("Print Annotations"), this);
    m_header->setChecked(settings.printHeader);
    m_images->setChecked(settings.printImages);
    m_annotations->setChecked(settings.printAnnotations);
    m_annotations->setEnabled(settings.printImages);
    m_rememberedAnnotations = settings.printAnnotations;
    layout->addWidget(m_header);
    layout->addWidget(m_images);
    layout->addWidget(m_annotations);
    auto* form = new QFormLayout;
    m_method = new QComboBox(this);
    m_method->addItems({tr("Nearest neighbour"), tr("Bilinear interpolation")});
    m_method->setCurrentIndex(settings.scalingMethod == 1 ? 1 : 0);
    form->addRow(tr("Scaling method"), m_method);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Without images there are no annotations to print; their choice comes
    // back with the images.
    connect(m_images, &QCheckBox::toggled, this, [this](bool on) {
        if (!on) {
            m_rememberedAnnotations = m_annotations->isChecked();
            m_annotations->setChecked(false);
        } else {
            m_annotations->setChecked(m_rememberedAnnotations);
        }
        m_annotations->setEnabled(on);
    });
}

PrintSettings PageSetupDialog::settings() const {
    PrintSettings s;
    s.printHeader = m_header->isChecked();
    s.printImages = m_images->isChecked();
    s.printAnnotations = m_annotations->isChecked();
    s.scalingMethod = m_method->currentIndex();
    return s;
}

} // namespace veltor
