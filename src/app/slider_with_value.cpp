#include "slider_with_value.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

#include <algorithm>

namespace veltor {

SliderWithValue::SliderWithValue(int minimum, int maximum, int value, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setRange(minimum, maximum);
    m_slider->setMinimumWidth(180);
    // Page steps of about a twentieth of the range.
    m_slider->setPageStep(std::max(1, int((qint64(maximum) - minimum) / 20)));
    m_spin = new QSpinBox(this);
    m_spin->setRange(minimum, maximum);
    m_spin->setAlignment(Qt::AlignRight);
    layout->addWidget(m_slider, 1);
    layout->addWidget(m_spin);
    setValueQuietly(value);
    connect(m_slider, &QSlider::valueChanged, this, [this](int v) {
        {
            const QSignalBlocker block(m_spin);
            m_spin->setValue(v);
        }
        emit valueChanged(v);
    });
    connect(m_spin, qOverload<int>(&QSpinBox::valueChanged), this, [this](int v) {
        {
            const QSignalBlocker block(m_slider);
            m_slider->setValue(v);
        }
        emit valueChanged(v);
    });
}

int SliderWithValue::value() const {
    return m_slider->value();
}

void SliderWithValue::setValueQuietly(int value) {
    const QSignalBlocker blockSlider(m_slider);
    const QSignalBlocker blockSpin(m_spin);
    m_slider->setValue(value);
    m_spin->setValue(value);
}

void SliderWithValue::setValue(int value) {
    m_slider->setValue(value);
}

} // namespace veltor
