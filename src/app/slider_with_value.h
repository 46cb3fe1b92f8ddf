// A horizontal slider with a spin box that shows and edits the same value.
#pragma once

#include <QWidget>

class QSlider;
class QSpinBox;

namespace veltor {

class SliderWithValue : public QWidget {
    Q_OBJECT
  public:
    SliderWithValue(int minimum, int maximum, int value, QWidget* parent = nullptr);

    int value() const;
    // Moves both controls without emitting valueChanged.
    void setValueQuietly(int value);
    void setValue(int value);
    QSlider* slider() const { return m_slider; }
    QSpinBox* spinBox() const { return m_spin; }

  signals:
    // The user (or setValue) changed the value.
    void valueChanged(int value);

  private:
    QSlider* m_slider = nullptr;
    QSpinBox* m_spin = nullptr;
};

} // namespace veltor
