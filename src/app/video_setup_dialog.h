// "Video Setup": which frames go into a video, its speed, colour or grey,
// its picture size and resampling, whether to offer the codec choice and
// whether to play the file afterwards.
#pragma once

#include <QDialog>

#include "document/export_state.h"
#include "view/video_speed_setup.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace veltor {

class CKelvoDoc;
class SizeGroup;

class VideoSetupDialog : public QDialog {
    Q_OBJECT
  public:
    VideoSetupDialog(CKelvoDoc& doc, double headerFrameTime, bool showCodecs, bool openVideo,
                     QWidget* parent = nullptr);

    // The window's values (valid after OK).
    VideoState videoState() const;
    double frameTime() const { return m_speed.acceptedFrameTime(); }
    int method() const;
    bool showCodecs() const;
    bool openVideo() const;

    // For callers and tests: include flags of frames, colour, speed.
    void setIncluded(int frame, bool included);
    void setColour(bool colour);
    void setFrameTimeText(const QString& text);
    SizeGroup* sizeGroup() const { return m_size; }
    // Empty while the values can be used, else the reason.
    QString problem() const;

    void accept() override;

  private:
    void refreshList();
    void showSpeed();
    void showPreview(int frame);

    CKelvoDoc& m_doc;
    std::vector<uint8_t> m_include;
    VideoSpeedSetup m_speed;
    bool m_showingSpeed = false;
    QTreeWidget* m_list = nullptr;
    QLabel* m_preview = nullptr;
    QPushButton* m_includeButton = nullptr;
    QPushButton* m_excludeButton = nullptr;
    QCheckBox* m_codecs = nullptr;
    QCheckBox* m_open = nullptr;
    QRadioButton* m_colour = nullptr;
    QRadioButton* m_mono = nullptr;
    QComboBox* m_speedSelector = nullptr;
    QLineEdit* m_frameTime = nullptr;
    QLineEdit* m_fps = nullptr;
    QPushButton* m_fromHeader = nullptr;
    SizeGroup* m_size = nullptr;
};

} // namespace veltor
