#include "app/crop_panel_widget.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>

namespace veltor {

namespace {

QSpinBox* spinBox(QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(-1, 1 << 20);
    box->setSpecialValueText(QStringLiteral(" ")); // -1: no rectangle
    box->setKeyboardTracking(false);
    return box;
}

} // namespace

CropPanelWidget::CropPanelWidget(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    const QString titles[3] = {tr("Start position"), tr("End position"), tr("Size")};
    QSpinBox** rows[3] = {m_start, m_end, m_size};
    for (int g = 0; g < 3; ++g) {
        auto* group = new QGroupBox(titles[g], this);
        auto* grid = new QGridLayout(group);
        for (int i = 0; i < 2; ++i) {
            rows[g][i] = spinBox(group);
            grid->addWidget(new QLabel(g == 2 ? (i == 0 ? tr("dx") : tr("dy")) : (i == 0 ? tr("x") : tr("y")), group), i, 0);
            grid->addWidget(rows[g][i], i, 1);
        }
        layout->addWidget(group);
    }
    m_fixed = new QCheckBox(tr("Fixed size"), this);
    layout->addWidget(m_fixed);
    layout->addStretch(1);
    for (int i = 0; i < 2; ++i) {
        const CropAxis axis = i == 0 ? CropAxis::X : CropAxis::Y;
        connect(m_start[i], &QSpinBox::valueChanged, this,
                [this, axis](int v) { if (!m_refreshing) edited(m_model.setStart(axis, v)); });
        connect(m_end[i], &QSpinBox::valueChanged, this,
                [this, axis](int v) { if (!m_refreshing) edited(m_model.setEnd(axis, v)); });
        connect(m_size[i], &QSpinBox::valueChanged, this,
                [this, axis](int v) { if (!m_refreshing) edited(m_model.setSize(axis, v)); });
    }
    connect(m_fixed, &QCheckBox::toggled, this, [this](bool on) {
        m_model.setFixedSize(on);
        refresh();
    });
    refresh();
}

void CropPanelWidget::edited(bool accepted) {
    // A refused value is replaced by the old one.
    refresh();
    if (accepted) emit rectEdited(m_model.rect());
}

void CropPanelWidget::refresh() {
    m_refreshing = true;
    const bool shown = m_model.shown();
    for (int i = 0; i < 2; ++i) {
        const CropAxis axis = i == 0 ? CropAxis::X : CropAxis::Y;
        m_start[i]->setValue(shown ? m_model.start(axis) : -1);
        m_end[i]->setValue(shown ? m_model.end(axis) : -1);
        m_size[i]->setValue(shown ? m_model.size(axis) : -1);
        m_start[i]->setEnabled(shown);
        m_end[i]->setEnabled(shown && !m_model.fixedSize());
        m_size[i]->setEnabled(shown && !m_model.fixedSize());
    }
    m_refreshing = false;
}

} // namespace veltor
