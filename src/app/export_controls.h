// Control groups shared by the export windows: the frame choice (current,
// all or marked frames, with the numbering of the files written) and the
// size group (actual, scaled or user-defined size, constrained proportions,
// resampling method).
#pragma once

#include <QGroupBox>
#include <vector>

#include "document/export_state.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTreeWidget;

namespace veltor {

class FrameChoiceGroup : public QGroupBox {
    Q_OBJECT
  public:
    // `markText`/`unmarkText`: "Export frame(s)" and "Not export frame(s)" or
    // their copy counterparts; `continual`: offer "Continual numeration".
    FrameChoiceGroup(int frameCount, int currentFrame, const QString& markText, const QString& unmarkText,
                     bool continual, QWidget* parent = nullptr);

    enum Choice { Current, All, Selected };
    Choice choice() const;
    void setChoice(Choice choice);
    // The frame indices to write, in order.
    std::vector<int> chosenFrames() const;
    // Marks (or unmarks) frames, as the buttons do with the rows selected.
    void setMarked(int frame, bool marked);
    bool continualNumeration() const;
    void setContinualNumeration(bool on);
    // The number a file of frame `frame` carries when it is the `running`-th
    // (from 1) written: index + 1, or the running count with "Continual
    // numeration" on marked frames.
    int numberFor(int frame, int running) const;

  private:
    void refresh();
    void markSelected(bool marked);

    std::vector<uint8_t> m_marked;
    int m_current = 0;
    QRadioButton* m_currentButton = nullptr;
    QRadioButton* m_allButton = nullptr;
    QRadioButton* m_selectedButton = nullptr;
    QTreeWidget* m_list = nullptr;
    QPushButton* m_mark = nullptr;
    QPushButton* m_unmark = nullptr;
    QCheckBox* m_continual = nullptr;
    QString m_yes;
};

class SizeGroup : public QGroupBox {
    Q_OBJECT
  public:
    // `frameWidth` x `frameHeight`: the current frame; `zoom`: the view's.
    SizeGroup(int frameWidth, int frameHeight, double zoom, const ExportSizeState& state, int method,
              QWidget* parent = nullptr);

    ExportSizeState state() const;
    int method() const;
    // The size the frames are written at.
    int targetWidth() const;
    int targetHeight() const;
    // Empty when the size is usable, else the reason.
    QString problem() const;
    // For callers and tests.
    void setMode(ExportSizeMode mode);
    void setPixels(int width, int height);
    void setConstrain(bool on);

  private:
    void modeChanged();
    void widthChanged();
    void heightChanged();
    void showPercents();

    int m_frameWidth;
    int m_frameHeight;
    double m_zoom;
    double m_aspect = 1.0;
    bool m_updating = false;
    QComboBox* m_mode = nullptr;
    QSpinBox* m_width = nullptr;
    QSpinBox* m_height = nullptr;
    QSpinBox* m_widthPercent = nullptr;
    QSpinBox* m_heightPercent = nullptr;
    QCheckBox* m_constrain = nullptr;
    QComboBox* m_method = nullptr;
    ExportSizeState m_user;
};

} // namespace veltor
