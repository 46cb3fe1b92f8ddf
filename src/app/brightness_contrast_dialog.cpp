#include "brightness_contrast_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

#include "frame_preview.h"
#include "imaging/level_copy.h"
#include "slider_with_value.h"

namespace veltor {

BrightnessContrastDialog::BrightnessContrastDialog(const ImageBuffer& frame, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Brightness - Contrast"));
    copyCurrentLevel(frame, m_original);

    auto* layout = new QVBoxLayout(this);
    m_picture = new FramePreview(this);
    m_picture->setObjectName("preview");
    m_picture->setZoomable(true);
    m_picture->setToolTip(tr("Wheel or buttons to zoom, drag to move"));
    layout->addWidget(m_picture, 1);

    auto* zoomRow = new QHBoxLayout;
    auto* zoomOut = new QToolButton(this);
    zoomOut->setText(QStringLiteral("\u2212"));
    zoomOut->setToolTip(tr("Zoom Out"));
    auto* zoomIn = new QToolButton(this);
    zoomIn->setText(QStringLiteral("+"));
    zoomIn->setToolTip(tr("Zoom In"));
    auto* zoomLabel = new QLabel(this);
    zoomRow->addStretch(1);
    zoomRow->addWidget(zoomOut);
    zoomRow->addWidget(zoomLabel);
    zoomRow->addWidget(zoomIn);
    zoomRow->addStretch(1);
    layout->addLayout(zoomRow);
    auto showZoom = [zoomLabel](double zoom) {
        zoomLabel->setText(QStringLiteral("%1 %").arg(qRound(zoom * 100)));
    };
    showZoom(m_picture->zoom());
    connect(zoomIn, &QToolButton::clicked, m_picture, &FramePreview::zoomIn);
    connect(zoomOut, &QToolButton::clicked, m_picture, &FramePreview::zoomOut);
    connect(m_picture, &FramePreview::zoomChanged, this, showZoom);

    auto* form = new QFormLayout;
    m_brightness = new SliderWithValue(-100, 100, 0, this);
    m_brightness->setObjectName("brightness");
    m_contrast = new SliderWithValue(-100, 100, 0, this);
    m_contrast->setObjectName("contrast");
    form->addRow(tr("Brightness"), m_brightness);
    form->addRow(tr("Contrast"), m_contrast);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(m_brightness, &SliderWithValue::valueChanged, this,
            &BrightnessContrastDialog::refreshPreview);
    connect(m_contrast, &SliderWithValue::valueChanged, this,
            &BrightnessContrastDialog::refreshPreview);
    refreshPreview();
    resize(380, 480);
}

int BrightnessContrastDialog::brightness() const {
    return m_brightness->value();
}

int BrightnessContrastDialog::contrast() const {
    return m_contrast->value();
}

void BrightnessContrastDialog::setBrightness(int value) {
    m_brightness->setValue(value);
}

void BrightnessContrastDialog::setContrast(int value) {
    m_contrast->setValue(value);
}

void BrightnessContrastDialog::refreshPreview() {
    // Every change starts again from the untouched copy, so the preview never
    // piles one setting on another.
    if (copyCurrentLevel(m_original, m_preview) != 0)
        m_preview.brightnessContrast(static_cast<int16_t>(brightness()),
                                     static_cast<int16_t>(contrast()));
    m_picture->setFrame(m_preview.hasStore() ? &m_preview : nullptr);
}

} // namespace veltor
