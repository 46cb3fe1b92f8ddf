#include "thresholding_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

#include "frame_preview.h"
#include "imaging/level_copy.h"
#include "slider_with_value.h"

namespace veltor {

// The 256 bins as bars, the range between the limits shaded and the limits
// drawn as lines.
class ThresholdingDialog::HistogramView : public QWidget {
  public:
    explicit HistogramView(ThresholdingDialog& owner) : QWidget(&owner), m_owner(owner) {
        setMinimumSize(256 + 2 * kMargin, 100);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    }
    QSize sizeHint() const override { return {256 + 2 * kMargin, 120}; }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QRectF area = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
        p.fillRect(rect(), palette().base());
        const Histogram256& bins = m_owner.m_histogram;
        const uint32_t largest = *std::max_element(bins.begin(), bins.end());
        const double barWidth = area.width() / 256.0;
        const ThresholdSetup& s = m_owner.m_setup;
        const int64_t n = int64_t(s.maxValue()) - s.minValue() + 1;
        const int lowBin = histogramBinOf(int64_t(s.lower()) - s.minValue(), n);
        const int highBin = histogramBinOf(int64_t(s.upper()) - s.minValue(), n);
        QColor shade = palette().highlight().color();
        shade.setAlpha(50);
        p.fillRect(QRectF(area.left() + lowBin * barWidth, area.top(),
                          (highBin - lowBin + 1) * barWidth, area.height()),
                   shade);
        if (largest > 0) {
            p.setPen(Qt::NoPen);
            p.setBrush(palette().text());
            for (int i = 0; i < 256; ++i) {
                if (bins[i] == 0) continue;
                // Non-empty bins show at least one pixel.
                const double h = std::max(1.0, area.height() * bins[i] / largest);
                p.drawRect(QRectF(area.left() + i * barWidth, area.bottom() - h, barWidth, h));
            }
        }
        p.setPen(QPen(palette().highlight().color(), 1.5));
        for (int bin : {lowBin, highBin}) {
            const double x = area.left() + (bin + 0.5) * barWidth;
            p.drawLine(QPointF(x, area.top() - kMargin + 1),
                       QPointF(x, area.bottom() + kMargin - 1));
        }
        p.setPen(palette().mid().color());
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }

  private:
    static constexpr int kMargin = 4;
    ThresholdingDialog& m_owner;
};

ThresholdingDialog::ThresholdingDialog(const ImageBuffer& frame, QWidget* parent)
    : QDialog(parent), m_setup(frame.minValue(), frame.maxValue()) {
    setWindowTitle(QString::fromLatin1(ThresholdSetup::kTitle));
    copyCurrentLevel(frame, m_original);
    if (const ImageLevel* level = m_original.currentLevel())
        m_histogram = levelHistogram(*level, m_original.image16() != nullptr);

    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    layout->addLayout(columns, 1);

    // Left: the picture and which copy it shows.
    auto* left = new QVBoxLayout;
    m_picture = new FramePreview(this);
    m_picture->setObjectName("preview");
    left->addWidget(m_picture, 1);
    auto* which = new QHBoxLayout;
    m_originalButton = new QRadioButton(QString::fromLatin1(ThresholdSetup::kOriginal), this);
    m_processedButton = new QRadioButton(QString::fromLatin1(ThresholdSetup::kProcessed), this);
    m_processedButton->setChecked(true);
    which->addStretch(1);
    which->addWidget(m_originalButton);
    which->addWidget(m_processedButton);
    which->addStretch(1);
    left->addLayout(which);
    columns->addLayout(left, 1);

    // Right: histogram, limits, modes.
    auto* right = new QVBoxLayout;
    m_histogramView = new HistogramView(*this);
    m_histogramView->setObjectName("histogram");
    right->addWidget(m_histogramView);
    auto* form = new QFormLayout;
    m_lower = new SliderWithValue(m_setup.minValue(), m_setup.maxValue(), m_setup.lower(), this);
    m_lower->setObjectName("lower");
    m_upper = new SliderWithValue(m_setup.minValue(), m_setup.maxValue(), m_setup.upper(), this);
    m_upper->setObjectName("upper");
    form->addRow(QString::fromLatin1(ThresholdSetup::kLowerLimit), m_lower);
    form->addRow(QString::fromLatin1(ThresholdSetup::kUpperLimit), m_upper);
    right->addLayout(form);
    auto* group = new QGroupBox(QString::fromLatin1(ThresholdSetup::kBetweenLimits), this);
    auto* groupLayout = new QGridLayout(group);
    m_modes = new QButtonGroup(this);
    for (int m = 0; m < 4; ++m) {
        auto* button = new QRadioButton(QString::fromLatin1(ThresholdSetup::kModeNames[m]), group);
        m_modes->addButton(button, m);
        groupLayout->addWidget(button, m / 2, m % 2);
    }
    m_modes->button(m_setup.mode())->setChecked(true);
    right->addWidget(group);
    right->addStretch(1);
    columns->addLayout(right);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(m_lower, &SliderWithValue::valueChanged, this, &ThresholdingDialog::lowerMoved);
    connect(m_upper, &SliderWithValue::valueChanged, this, &ThresholdingDialog::upperMoved);
    connect(m_modes, &QButtonGroup::idClicked, this, [this](int id) {
        m_setup.setMode(id);
        refreshPreview();
    });
    connect(m_originalButton, &QRadioButton::toggled, this, [this] { refreshPreview(); });
    refreshPreview();
    resize(640, 380);
}

void ThresholdingDialog::lowerMoved(int value) {
    const int taken = m_setup.setLower(value);
    if (taken != value) m_lower->setValueQuietly(taken);
    refreshPreview();
}

void ThresholdingDialog::upperMoved(int value) {
    const int taken = m_setup.setUpper(value);
    if (taken != value) m_upper->setValueQuietly(taken);
    refreshPreview();
}

void ThresholdingDialog::setLower(int value) {
    m_lower->setValue(value);
}

void ThresholdingDialog::setUpper(int value) {
    m_upper->setValue(value);
}

void ThresholdingDialog::setMode(int mode) {
    if (QAbstractButton* button = m_modes->button(mode)) button->click();
}

void ThresholdingDialog::showOriginal(bool original) {
    (original ? m_originalButton : m_processedButton)->setChecked(true);
}

bool ThresholdingDialog::showingOriginal() const {
    return m_originalButton->isChecked();
}

void ThresholdingDialog::refreshPreview() {
    // Every change starts again from the untouched copy.
    if (copyCurrentLevel(m_original, m_processed) != 0)
        m_processed.threshold(lower(), upper(), mode());
    const ImageBuffer& shown = showingOriginal() ? m_original : m_processed;
    m_picture->setFrame(shown.hasStore() ? &shown : nullptr);
    m_histogramView->update();
}

} // namespace veltor
