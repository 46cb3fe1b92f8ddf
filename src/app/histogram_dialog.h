// "Histogram": the value distribution of the current frame (or of its
// selection) per channel, with the mean, the standard deviation and a zoom
// slider for the bars.
#pragma once

#include <QDialog>
#include <QImage>

#include "view/frame_statistics.h"

class QComboBox;
class QLabel;
class QSlider;

namespace veltor {

class ImageBuffer;

class HistogramDialog : public QDialog {
    Q_OBJECT
  public:
    HistogramDialog(const ImageBuffer& frame, QWidget* parent = nullptr);

    QComboBox* channelBox() const { return m_channel; }
    QSlider* slider() const { return m_slider; }
    QString meanText() const;
    QString deviationText() const;
    // The graph as drawn before it is stretched to its control.
    const QImage& graph() const { return m_graph; }

  private:
    void channelChanged(int index);
    void redraw();
    const ChannelStatistics& selected() const;

    FrameStatistics m_stats;
    QComboBox* m_channel = nullptr;
    QSlider* m_slider = nullptr;
    QLabel* m_mean = nullptr;
    QLabel* m_deviation = nullptr;
    QLabel* m_picture = nullptr;
    QImage m_graph;
};

} // namespace veltor
