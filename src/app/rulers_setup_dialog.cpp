#include "app/rulers_setup_dialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/overlay_painting.h"
#include "settings/user_options.h"

namespace veltor {

RulersSetupDialog::RulersSetupDialog(const RulerSettings& start, UserOptions& options, QWidget* parent)
    : QDialog(parent), m_options(options) {
    setWindowTitle(tr("Rulers setup"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(tr("Start of axis"), this);
    auto* corners = new QVBoxLayout(group);
    const QString names[4] = {tr("Upper left"), tr("Lower left"), tr("Upper right"), tr("Lower right")};
    for (int i = 0; i < 4; ++i) {
        m_corners[i] = new QRadioButton(names[i], group);
        corners->addWidget(m_corners[i]);
    }
    layout->addWidget(group);
    auto* colourRow = new QHBoxLayout;
    m_swatch = new QPushButton(this);
    m_swatch->setFixedSize(40, 22);
    auto* select = new QPushButton(tr("Select..."), this);
    colourRow->addWidget(m_swatch);
    colourRow->addWidget(select);
    colourRow->addStretch(1);
    layout->addLayout(colourRow);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    box->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    m_default = box->addButton(tr("Set as default"), QDialogButtonBox::ActionRole);
    layout->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_swatch, &QPushButton::clicked, this, &RulersSetupDialog::chooseColour);
    connect(select, &QPushButton::clicked, this, &RulersSetupDialog::chooseColour);
    connect(m_default, &QPushButton::clicked, this, [this] {
        const RulerSettings s = settings();
        m_options.setAxisStart(s.corner);
        m_options.setAxisColor(s.colour);
    });
    setCorner(start.corner);
    setColour(start.colour);
}

void RulersSetupDialog::setCorner(AxisCorner corner) {
    const int i = int(corner);
    m_corners[i >= 0 && i < 4 ? i : 1]->setChecked(true);
}

void RulersSetupDialog::setColour(uint32_t colour) {
    m_colour = colour & 0x00FFFFFF;
    m_swatch->setStyleSheet(QStringLiteral("background-color: %1").arg(overlayColour(m_colour).name()));
}

void RulersSetupDialog::chooseColour() {
    const QColor c = QColorDialog::getColor(overlayColour(m_colour), this, tr("Color"));
    if (c.isValid()) setColour(colourRefOf(c));
}

RulerSettings RulersSetupDialog::settings() const {
    RulerSettings s;
    for (int i = 0; i < 4; ++i)
        if (m_corners[i]->isChecked()) s.corner = AxisCorner(i);
    s.colour = m_colour;
    return s;
}

} // namespace veltor
