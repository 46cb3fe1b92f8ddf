#include "app/pixel_spacing_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "document/kelvo_doc.h"

namespace veltor {

PixelSpacingDialog::PixelSpacingDialog(CKelvoDoc& doc, QWidget* parent) : QDialog(parent), m_doc(doc) {
    setWindowTitle(tr("Pixel spacing and slice thikness"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const QString labels[3] = {tr("Horizontal (mm)"), tr("Vertical (mm)"), tr("Thickness (mm)")};
    for (int i = 0; i < 3; ++i) {
        m_fields[i] = new QLineEdit(this);
        form->addRow(labels[i], m_fields[i]);
    }
    layout->addLayout(form);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    m_fromHeader = box->addButton(tr("From Header"), QDialogButtonBox::ActionRole);
    m_fromHeader->setEnabled(fromHeaderAvailable(doc));
    layout->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, &PixelSpacingDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_fromHeader, &QPushButton::clicked, this, [this] { show(spacingAsRead(m_doc)); });
    show(currentSpacing(doc));
}

void PixelSpacingDialog::show(const SpacingValues& v) {
    const double values[3] = {v.horizontal, v.vertical, v.thickness};
    for (int i = 0; i < 3; ++i) m_fields[i]->setText(QString::fromStdString(shortestDecimal(values[i])));
}

void PixelSpacingDialog::accept() {
    double values[3] = {};
    for (int i = 0; i < 3; ++i) {
        const std::optional<double> v = parseDecimal(m_fields[i]->text().toStdString());
        if (!v) {
            QMessageBox::warning(this, windowTitle(), tr("Please enter a number."));
            m_fields[i]->setFocus();
            m_fields[i]->selectAll();
            return;
        }
        values[i] = *v;
    }
    storeSpacing(m_doc, {values[0], values[1], values[2]});
    QDialog::accept();
}

} // namespace veltor
