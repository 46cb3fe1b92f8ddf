// "Video Speed Setup": the playback frame time as milliseconds or frames per
// second, or taken from the header.
#pragma once

#include <QDialog>

#include "view/video_speed_setup.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace veltor {

class VideoSpeedDialog : public QDialog {
    Q_OBJECT
  public:
    VideoSpeedDialog(double frameTimeMs, double headerFrameTimeMs, QWidget* parent = nullptr);
    double frameTime() const { return m_state.acceptedFrameTime(); }
    VideoSpeedSetup& state() { return m_state; }
    void showState();

  private:
    VideoSpeedSetup m_state;
    QComboBox* m_selector = nullptr;
    QLineEdit* m_frameTime = nullptr;
    QLineEdit* m_fps = nullptr;
    QPushButton* m_fromHeader = nullptr;
    bool m_showing = false;
};

} // namespace veltor
