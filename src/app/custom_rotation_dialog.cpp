#include "custom_rotation_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include "imaging/image_buffer.h"
#include "settings/settings_keys.h"

namespace veltor {

namespace {

int validMethod(int method) {
    return method >= 0 && method <= 2 ? method : 1;
}

} // namespace

CustomRotationDialog::CustomRotationDialog(ImageBuffer& frame, SettingsStore& settings,
                                           std::function<void()> repaint, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_repaint(std::move(repaint))
    , m_session(frame, PreviewSession::Mode::Plain) {
    setWindowTitle(tr("Custom Rotation"));
    auto* layout = new QVBoxLayout(this);

    auto* angleBox = new QGroupBox(tr("Angle"), this);
    auto* angleRow = new QHBoxLayout(angleBox);
    m_angleSlider = new QSlider(Qt::Horizontal, angleBox);
    m_angleSlider->setRange(0, kMaxAngle);
    m_angleSlider->setTickPosition(QSlider::TicksBelow);
    m_angleSlider->setTickInterval(15);
    m_angleSpin = new QSpinBox(angleBox);
    m_angleSpin->setRange(0, kMaxAngle);
    m_angleSpin->setSuffix(tr(" degrees"));
    angleRow->addWidget(m_angleSlider, 1);
    angleRow->addWidget(m_angleSpin);
    layout->addWidget(angleBox);
    connect(m_angleSlider, &QSlider::valueChanged, m_angleSpin, &QSpinBox::setValue);
    connect(m_angleSpin, qOverload<int>(&QSpinBox::valueChanged), m_angleSlider, &QSlider::setValue);

    auto* directionBox = new QGroupBox(tr("Direction"), this);
    auto* directionRow = new QHBoxLayout(directionBox);
    m_clockwise = new QRadioButton(tr("Clockwise"), directionBox);
    m_counterClockwise = new QRadioButton(tr("Counter-Clockwise"), directionBox);
    m_clockwise->setChecked(true);
    directionRow->addWidget(m_clockwise);
    directionRow->addWidget(m_counterClockwise);
    layout->addWidget(directionBox);

    auto* methodRow = new QHBoxLayout;
    methodRow->addWidget(new QLabel(tr("Method"), this));
    m_method = new QComboBox(this);
    for (const char* name : kMethodNames)
        m_method->addItem(QString::fromLatin1(name));
    m_method->setCurrentIndex(validMethod(settings::rotateScalingMethod(m_settings)));
    methodRow->addWidget(m_method, 1);
    layout->addLayout(methodRow);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* previewButton = buttons->addButton(tr("Preview"), QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(previewButton, &QPushButton::clicked, this, [this] { preview(); });
}

int CustomRotationDialog::angle() const { return m_angleSpin->value(); }
bool CustomRotationDialog::clockwise() const { return m_clockwise->isChecked(); }
int CustomRotationDialog::method() const { return m_method->currentIndex(); }
void CustomRotationDialog::setAngle(int degrees) { m_angleSpin->setValue(degrees); }
void CustomRotationDialog::setMethod(int method) { m_method->setCurrentIndex(validMethod(method)); }

void CustomRotationDialog::setClockwise(bool on) {
    (on ? m_clockwise : m_counterClockwise)->setChecked(true);
}

CustomRotationDialog::Values CustomRotationDialog::values() const {
    return {angle(), clockwise(), method()};
}

FrameOperation CustomRotationDialog::rotation(int degrees, bool clockwise, int method) {
    const auto a = static_cast<float>(degrees);
    return [a, clockwise, method](ImageBuffer& frame) {
        return clockwise ? frame.rotateClockwise(a, method) : frame.rotateCounterClockwise(a, method);
    };
}

FrameOperation CustomRotationDialog::operation() const {
    return rotation(angle(), clockwise(), method());
}

int CustomRotationDialog::preview() {
    const bool hadPreview = m_session.previewed();
    const int result = m_session.preview(operation());
    m_previewedValues = values();
    if ((result != 0 || hadPreview) && m_repaint)
        m_repaint();
    return result;
}

void CustomRotationDialog::done(int result) {
    if (!m_ended) {
        m_ended = true;
        const bool hadPreview = m_session.previewed();
        if (result == QDialog::Accepted) {
            // The frame must hold what operation() gives the other frames, so
            // a preview made with other values is replaced first.
            if (hadPreview && !(m_previewedValues == values()))
                m_session.preview(operation());
            m_applied = m_session.accept(operation()) != 0;
            settings::setRotateScalingMethod(m_settings, method());
        } else {
            m_session.cancel();
        }
        if ((hadPreview || m_applied) && m_repaint)
            m_repaint();
    }
    QDialog::done(result);
}

} // namespace veltor
