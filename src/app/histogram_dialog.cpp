#include "app/histogram_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace veltor {

namespace {

constexpr int kGraphWidth = 260; // 256 bars from x = 2
constexpr int kGraphHeight = 120;

// The graph's background: a pale field with a grid of quarters and, under
// the bars, the grey ramp of the values.
QImage graphBackground() {
    QImage image(kGraphWidth, kGraphHeight, QImage::Format_RGB32);
    image.fill(QColor(236, 236, 232));
    QPainter p(&image);
    p.setPen(QColor(205, 205, 200));
    for (int i = 0; i <= 4; ++i) p.drawLine(2 + i * 64 - (i == 4 ? 1 : 0), 0, 2 + i * 64 - (i == 4 ? 1 : 0), 115);
    for (int y = 115; y >= 0; y -= 23) p.drawLine(0, y, kGraphWidth - 1, y);
    for (int i = 0; i < 256; ++i) {
        p.setPen(QColor(i, i, i));
        p.drawLine(i + 2, 117, i + 2, kGraphHeight - 1);
    }
    return image;
}

} // namespace

HistogramDialog::HistogramDialog(const ImageBuffer& frame, QWidget* parent)
    : QDialog(parent), m_stats(frameStatistics(frame)) {
    setWindowTitle(tr("Histogram"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(tr("Channel:"), this));
    m_channel = new QComboBox(this);
    m_channel->addItem(tr("Luminance"));
    if (m_stats.colour) {
        m_channel->addItem(tr("Red Channel"));
        m_channel->addItem(tr("Green Channel"));
        m_channel->addItem(tr("Blue Channel"));
    }
    row->addWidget(m_channel, 1);
    layout->addLayout(row);
    auto* graphRow = new QHBoxLayout;
    m_picture = new QLabel(this);
    m_picture->setFixedSize(kGraphWidth * 2, kGraphHeight * 2);
    m_picture->setScaledContents(true);
    m_picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    graphRow->addWidget(m_picture);
    m_slider = new QSlider(Qt::Vertical, this);
    m_slider->setRange(1, 99);
    m_slider->setToolTip(tr("Zoom"));
    graphRow->addWidget(m_slider);
    layout->addLayout(graphRow);
    m_mean = new QLabel(this);
    m_deviation = new QLabel(this);
    layout->addWidget(m_mean);
    layout->addWidget(m_deviation);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    layout->addWidget(box);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_channel, &QComboBox::currentIndexChanged, this, &HistogramDialog::channelChanged);
    connect(m_slider, &QSlider::valueChanged, this, [this](int) { redraw(); });
    channelChanged(0);
}

const ChannelStatistics& HistogramDialog::selected() const {
    switch (m_channel->currentIndex()) {
    case 1: return m_stats.red;
    case 2: return m_stats.green;
    case 3: return m_stats.blue;
    default: return m_stats.luminance;
    }
}

QString HistogramDialog::meanText() const { return m_mean->text(); }
QString HistogramDialog::deviationText() const { return m_deviation->text(); }

void HistogramDialog::channelChanged(int) {
    const ChannelStatistics& c = selected();
    m_mean->setText(QString::asprintf("Mean Value: %.2f", c.mean));
    m_deviation->setText(QString::asprintf("Std. Deviation: %.2f", c.deviation));
    bool enabled = false;
    const int start = histogramSliderStart(c.bins, enabled);
    m_slider->blockSignals(true);
    m_slider->setValue(start);
    m_slider->blockSignals(false);
    m_slider->setEnabled(enabled);
    redraw();
}

void HistogramDialog::redraw() {
    static const QImage background = graphBackground();
    m_graph = background.copy();
    const QColor colours[4] = {Qt::black, QColor(192, 0, 0), QColor(0, 128, 0), QColor(0, 0, 192)};
    const int index = std::clamp(m_channel->currentIndex(), 0, 3);
    const std::array<int32_t, 256> bars = histogramBars(selected().bins, m_slider->value());
    QPainter p(&m_graph);
    p.setPen(colours[index]);
    for (int i = 0; i < 256; ++i)
        if (bars[size_t(i)] > 0) p.drawLine(i + 2, kHistogramGraphHeight, i + 2, kHistogramGraphHeight - bars[size_t(i)] + 1);
    p.end();
    m_picture->setPixmap(QPixmap::fromImage(m_graph));
}

} // namespace veltor
