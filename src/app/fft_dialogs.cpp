#include "app/fft_dialogs.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "app/slider_with_value.h"
#include "imaging/fft.h"
#include "imaging/fft_filter_file.h"
#include "imaging/image_buffer.h"

namespace veltor {

// ---------------------------------------------------------------------------
// CurvePlot

CurvePlot::CurvePlot(QWidget* parent) : QWidget(parent) {
    setMinimumSize(300, 160);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void CurvePlot::setCurve(std::vector<double> curve) {
    m_curve = std::move(curve);
    update();
}

QRect CurvePlot::plotArea() const {
    return rect().adjusted(44, 10, -10, -22);
}

void CurvePlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const QRect area = plotArea();
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(8);
    p.setFont(font);
    p.setPen(palette().text().color());
    static const char* const kLabels[5] = {"0.00", "0.25", "0.50", "0.75", "1.00"};
    for (int i = 0; i < 5; ++i) {
        const int y = area.bottom() - area.height() * i / 4;
        p.setPen(QPen(palette().mid().color(), 1, Qt::DotLine));
        p.drawLine(area.left(), y, area.right(), y);
        p.setPen(palette().text().color());
        p.drawText(QRect(0, y - 8, area.left() - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::fromLatin1(kLabels[i]));
    }
    p.drawRect(area);
    const int half = std::max<int>(1, int(m_curve.size() / 2));
    p.drawText(QRect(area.left(), area.bottom() + 2, area.width(), 18), Qt::AlignLeft, QStringLiteral("0"));
    p.drawText(QRect(area.left(), area.bottom() + 2, area.width(), 18), Qt::AlignRight,
               QString::number(half - 1));
    if (m_curve.empty()) return;
    QPolygonF line;
    for (int i = 0; i < half; ++i) {
        const double g = std::clamp(m_curve[size_t(i)], 0.0, 1.0);
        const double x = area.left() + (half > 1 ? double(area.width()) * i / (half - 1) : 0.0);
        line << QPointF(x, area.bottom() - g * area.height());
    }
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 70, 200), 2));
    p.drawPolyline(line);
}

void CurvePlot::drawAt(QPoint position) {
    const QRect area = plotArea();
    const int half = int(m_curve.size() / 2);
    if (half < 1 || area.width() < 1 || area.height() < 1) return;
    const int index = std::clamp(int(std::lround(double(position.x() - area.left()) * (half - 1) / area.width())), 0,
                                 half - 1);
    const double g = std::clamp(double(area.bottom() - position.y()) / area.height(), 0.0, 1.0);
    // Fill the indexes skipped by a fast drag, so the drawn line has no gaps.
    const int from = m_lastIndex < 0 ? index : m_lastIndex;
    const double start = m_lastIndex < 0 ? g : m_curve[size_t(from)];
    const int step = index >= from ? 1 : -1;
    for (int i = from;; i += step) {
        const double t = index == from ? 1.0 : double(i - from) / (index - from);
        const double v = start + (g - start) * t;
        m_curve[size_t(i)] = v;
        m_curve[m_curve.size() - 1 - size_t(i)] = v;
        if (i == index) break;
    }
    m_lastIndex = index;
    update();
}

void CurvePlot::mousePressEvent(QMouseEvent* event) {
    if (!m_editable || event->button() != Qt::LeftButton) return;
    m_dragging = true;
    m_lastIndex = -1;
    drawAt(event->position().toPoint());
}

void CurvePlot::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragging) drawAt(event->position().toPoint());
}

void CurvePlot::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_dragging || event->button() != Qt::LeftButton) return;
    m_dragging = false;
    m_lastIndex = -1;
    emit edited();
}

// ---------------------------------------------------------------------------
// FftFilterDialog

namespace {

// The values confirmed with OK, per filter, for the rest of the session:
// family, order, cut-off (or LFco), HFco, shift in hundredths.
struct KeptFftValues {
    int family = 0;
    int order = 1;
    int low = 0;
    int high = 0;
    int shift = 50;
};

std::map<FftFilterDialog::Filter, KeptFftValues>& keptFftValues() {
    static std::map<FftFilterDialog::Filter, KeptFftValues> kept;
    return kept;
}

} // namespace

QString FftFilterDialog::title(Filter filter) {
    switch (filter) {
    case Filter::LowPass:
        return tr("FFT Low pass");
    case Filter::HighPass:
        return tr("FFT High pass");
    case Filter::BandPass:
        return tr("FFT Band pass");
    case Filter::BandReject:
        return tr("FFT Band reject");
    case Filter::Inverse:
        break;
    }
    return tr("FFT Inverse Filtering");
}

FftFilterDialog::FftFilterDialog(Filter filter, ImageBuffer& frame, std::function<void()> repaint, QWidget* parent)
    : PreviewDialog(frame, PreviewSession::Mode::Plain, std::move(repaint), parent), m_filter(filter) {
    setWindowTitle(title(filter));
    m_n = std::max(1, std::max(frame.width(), frame.height()));
    const int top = std::max(0, (m_n - 1) / 2);
    auto* layout = new QVBoxLayout(this);
    m_caption = new QLabel(this);
    layout->addWidget(m_caption);
    m_plot = new CurvePlot(this);
    layout->addWidget(m_plot, 1);

    auto* row = new QHBoxLayout;
    if (filter != Filter::Inverse) {
        row->addWidget(new QLabel(tr("Type"), this));
        m_family = new QComboBox(this);
        for (const char* name : fft::kFamilyNames) m_family->addItem(QString::fromLatin1(name));
        row->addWidget(m_family, 1);
        connect(m_family, &QComboBox::currentIndexChanged, this, [this] { changed(); });
    }
    row->addWidget(new QLabel(tr("Order"), this));
    m_order = new QSpinBox(this);
    m_order->setRange(1, 10);
    m_order->setValue(1);
    row->addWidget(m_order);
    layout->addLayout(row);
    connect(m_order, qOverload<int>(&QSpinBox::valueChanged), this, [this] { changed(); });

    auto addSlider = [&](const QString& label, int minimum, int maximum, int value) {
        auto* box = new QGroupBox(label, this);
        auto* boxRow = new QHBoxLayout(box);
        auto* s = new SliderWithValue(minimum, std::max(minimum, maximum), std::clamp(value, minimum,
                                                                                       std::max(minimum, maximum)),
                                      box);
        boxRow->addWidget(s);
        layout->addWidget(box);
        return s;
    };
    if (isBand()) {
        m_lfco = addSlider(tr("LFco"), 0, top - 1, m_n / 8);
        m_hfco = addSlider(tr("HFco"), 1, top, m_n / 4);
        // The band edges stay at least one apart.
        connect(m_lfco, &SliderWithValue::valueChanged, this, [this](int v) {
            if (m_hfco->value() <= v) m_hfco->setValueQuietly(v + 1);
            changed();
        });
        connect(m_hfco, &SliderWithValue::valueChanged, this, [this](int v) {
            if (m_lfco->value() >= v) m_lfco->setValueQuietly(v - 1);
            changed();
        });
    } else {
        m_fco = addSlider(tr("Fco"), 0, top, m_n / 8);
        connect(m_fco, &SliderWithValue::valueChanged, this, [this] { changed(); });
    }
    m_shift = addSlider(tr("Shift (hundredths)"), 0, 99, 50);
    connect(m_shift, &SliderWithValue::valueChanged, this, [this] { changed(); });
    addButtons(layout);
    resize(480, 520);
    const auto kept = keptFftValues().find(filter);
    if (kept != keptFftValues().end()) {
        // Quietly, the band edges kept apart inside this frame's range.
        const KeptFftValues& v = kept->second;
        if (m_family != nullptr) {
            const QSignalBlocker block(m_family);
            m_family->setCurrentIndex(std::clamp(v.family, 0, m_family->count() - 1));
        }
        {
            const QSignalBlocker block(m_order);
            m_order->setValue(v.order);
        }
        if (isBand()) {
            const int high = std::clamp(v.high, m_hfco->spinBox()->minimum(), m_hfco->spinBox()->maximum());
            const int low = std::clamp(v.low, m_lfco->spinBox()->minimum(), std::min(m_lfco->spinBox()->maximum(),
                                                                                     high - 1));
            m_hfco->setValueQuietly(high);
            m_lfco->setValueQuietly(low);
        } else {
            m_fco->setValueQuietly(std::clamp(v.low, m_fco->spinBox()->minimum(), m_fco->spinBox()->maximum()));
        }
        m_shift->setValueQuietly(v.shift);
    }
    // The caption and plot of the values shown; the frame changes only once the
    // user changes a value or asks for a preview.
    changed();
}

void FftFilterDialog::changed() {
    m_caption->setText(caption());
    // The curve of the values shown, as the operation builds it.
    const int family = m_family != nullptr ? m_family->currentIndex() : 0;
    const double shift = m_shift->value() / 100.0;
    std::vector<double> curve;
    if (m_filter == Filter::Inverse) {
        if (fft::validCurveArguments(m_n, 0, m_order->value(), m_fco->value(), 0)) {
            curve.assign(size_t(m_n), 0.0);
            fft::inverseCurve(curve.data(), m_n, m_order->value(), m_fco->value());
        }
    } else {
        const int kind = m_filter == Filter::LowPass    ? 0
                         : m_filter == Filter::BandPass ? 1
                         : m_filter == Filter::BandReject ? 2
                                                          : 3;
        curve = isBand() ? fft::buildCurve(family, m_n, kind, m_order->value(), m_lfco->value(), m_hfco->value())
                         : fft::buildCurve(family, m_n, kind, m_order->value(), m_fco->value(), 0);
    }
    fft::applyShift(curve, shift);
    m_plot->setCurve(std::move(curve));
    if (isVisible()) schedulePreview();
}

const std::vector<double>& FftFilterDialog::plottedCurve() const { return m_plot->curve(); }

void FftFilterDialog::keepValues() {
    KeptFftValues v;
    v.family = m_family != nullptr ? m_family->currentIndex() : 0;
    v.order = m_order->value();
    v.low = m_fco != nullptr ? m_fco->value() : m_lfco->value();
    v.high = m_hfco != nullptr ? m_hfco->value() : 0;
    v.shift = m_shift->value();
    keptFftValues()[m_filter] = v;
}

void FftFilterDialog::forgetKeptValues() {
    keptFftValues().clear();
}

QString FftFilterDialog::caption() const {
    const double shift = m_shift->value() / 100.0;
    char text[256];
    if (m_filter == Filter::Inverse) {
        std::snprintf(text, sizeof text, "%s Fco=%d Shift=%.2f", "Inverse", m_fco->value(), shift);
    } else {
        const char* family = fft::kFamilyNames[std::clamp(m_family->currentIndex(), 0, 3)];
        const int kind = m_filter == Filter::LowPass ? 0 : m_filter == Filter::BandPass ? 1
                         : m_filter == Filter::BandReject ? 2 : 3;
        if (isBand())
            std::snprintf(text, sizeof text, "%s %s LFco=%d HFco=%d Shift=%.2f", family, fft::kKindNames[kind],
                          m_lfco->value(), m_hfco->value(), shift);
        else
            std::snprintf(text, sizeof text, "%s %s Fco=%d Shift=%.2f", family, fft::kKindNames[kind],
                          m_fco->value(), shift);
    }
    // The decimal point whatever the locale: "%.2f" above may have written a comma.
    QString s = QString::fromLatin1(text);
    const QString shiftText = QString::number(shift, 'f', 2);
    const int at = s.lastIndexOf(QStringLiteral("Shift="));
    return at >= 0 ? s.left(at) + QStringLiteral("Shift=") + shiftText : s;
}

std::vector<double> FftFilterDialog::values() const {
    return {double(m_family != nullptr ? m_family->currentIndex() : 0), double(m_order->value()),
            double(m_fco != nullptr ? m_fco->value() : m_lfco->value()), double(m_hfco != nullptr ? m_hfco->value() : 0),
            double(m_shift->value())};
}

FrameOperation FftFilterDialog::operation() const {
    const int family = m_family != nullptr ? m_family->currentIndex() : 0;
    const int order = m_order->value();
    const double shift = m_shift->value() / 100.0;
    switch (m_filter) {
    case Filter::LowPass: {
        const int fco = m_fco->value();
        return [=](ImageBuffer& f) { return f.fftLowPass(family, order, fco, shift); };
    }
    case Filter::HighPass: {
        const int fco = m_fco->value();
        return [=](ImageBuffer& f) { return f.fftHighPass(family, order, fco, shift); };
    }
    case Filter::BandPass: {
        const int lo = m_lfco->value(), hi = m_hfco->value();
        return [=](ImageBuffer& f) { return f.fftBandPass(family, order, lo, hi, shift); };
    }
    case Filter::BandReject: {
        const int lo = m_lfco->value(), hi = m_hfco->value();
        return [=](ImageBuffer& f) { return f.fftBandReject(family, order, lo, hi, shift); };
    }
    case Filter::Inverse:
        break;
    }
    const int fco = m_fco->value();
    return [=](ImageBuffer& f) { return f.fftInverse(order, fco, shift); };
}

void FftFilterDialog::setFamily(int family) {
    if (m_family != nullptr) m_family->setCurrentIndex(family);
}
void FftFilterDialog::setOrder(int order) { m_order->setValue(order); }
void FftFilterDialog::setCutOff(int fco) {
    if (m_fco != nullptr) m_fco->setValue(fco);
}
void FftFilterDialog::setBand(int lfco, int hfco) {
    if (m_lfco == nullptr) return;
    m_hfco->setValue(hfco);
    m_lfco->setValue(lfco);
}
void FftFilterDialog::setShiftHundredths(int shift) { m_shift->setValue(shift); }

// ---------------------------------------------------------------------------
// FftCustomDialog

QString FftCustomDialog::filterFolder(bool forWriting) {
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/FFTFilters");
    const QFileInfo info(beside);
    if (info.isDir() && (!forWriting || info.isWritable())) return beside;
    const QString own = QDir::homePath() + QStringLiteral("/.local/share/veltor/FFTFilters");
    QDir().mkpath(own);
    return own;
}

FftCustomDialog::FftCustomDialog(ImageBuffer& frame, std::function<void()> repaint, QWidget* parent)
    : PreviewDialog(frame, PreviewSession::Mode::Plain, std::move(repaint), parent) {
    setWindowTitle(tr("FFT Custom Filtering"));
    const int n = std::max(1, std::max(frame.width(), frame.height()));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_plot = new CurvePlot(this);
    m_plot->setEditable(true);
    m_plot->setCurve(std::vector<double>(size_t(n), 1.0));
    top->addWidget(m_plot, 3);
    m_table = new QTableWidget(0, 2, this);
    m_table->setHorizontalHeaderLabels({QStringLiteral("No"), QStringLiteral("Value")});
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_table->setMinimumWidth(190);
    top->addWidget(m_table, 1);
    layout->addLayout(top, 1);

    auto* files = new QHBoxLayout;
    auto* saveButton = new QPushButton(tr("Save..."), this);
    auto* loadButton = new QPushButton(tr("Load..."), this);
    saveButton->setAutoDefault(false);
    loadButton->setAutoDefault(false);
    files->addWidget(saveButton);
    files->addWidget(loadButton);
    files->addStretch(1);
    layout->addLayout(files);
    addButtons(layout);
    resize(640, 420);
    fillTable();

    connect(saveButton, &QPushButton::clicked, this, [this] { saveAs(); });
    connect(loadButton, &QPushButton::clicked, this, [this] { load(); });
    connect(m_plot, &CurvePlot::edited, this, [this] {
        fillTable();
        schedulePreview();
    });
    connect(m_table, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (m_filling || item->column() != 1) return;
        std::vector<double> c = m_plot->curve();
        const auto i = size_t(item->row());
        bool ok = false;
        double v = item->text().trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (!ok || !std::isfinite(v) || i >= c.size() / 2) {
            fillTable(); // back to the value in force
            return;
        }
        v = std::clamp(v, 0.0, 1.0);
        c[i] = v;
        c[c.size() - 1 - i] = v;
        m_plot->setCurve(std::move(c));
        schedulePreview();
    });
}

void FftCustomDialog::fillTable() {
    m_filling = true;
    const std::vector<double>& c = m_plot->curve();
    const int half = int(c.size() / 2);
    m_table->setRowCount(half);
    for (int i = 0; i < half; ++i) {
        auto* number = new QTableWidgetItem(QString::number(i));
        number->setFlags(number->flags() & ~Qt::ItemIsEditable);
        m_table->setItem(i, 0, number);
        m_table->setItem(i, 1, new QTableWidgetItem(QString::number(c[size_t(i)], 'f', 5)));
    }
    m_filling = false;
}

const std::vector<double>& FftCustomDialog::curve() const { return m_plot->curve(); }

void FftCustomDialog::setCurve(std::vector<double> curve) {
    if (curve.size() != m_plot->curve().size()) return;
    m_plot->setCurve(std::move(curve));
    fillTable();
}

std::vector<double> FftCustomDialog::values() const { return m_plot->curve(); }

FrameOperation FftCustomDialog::operation() const {
    const std::vector<double> c = m_plot->curve();
    return [c](ImageBuffer& f) { return f.fftCustom(c); };
}

bool FftCustomDialog::saveFile(const QString& path) const {
    return fft::saveFilterFile(QFile::encodeName(path).toStdString(), m_plot->curve());
}

FftCustomDialog::LoadResult FftCustomDialog::loadFile(const QString& path) {
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) return LoadResult::NotOpened;
    probe.close();
    std::vector<double> c;
    if (!fft::loadFilterFile(QFile::encodeName(path).toStdString(), int(m_plot->curve().size()), c))
        return LoadResult::Invalid;
    setCurve(std::move(c));
    return LoadResult::Loaded;
}

void FftCustomDialog::saveAs() {
    QString path = QFileDialog::getSaveFileName(this, tr("Save FFT Filter File"), filterFolder(true),
                                                tr("FFT Filter Files (*.fft)"));
    if (path.isEmpty()) return;
    if (!path.endsWith(QStringLiteral(".fft"), Qt::CaseInsensitive)) path += QStringLiteral(".fft");
    if (!saveFile(path)) QMessageBox::warning(this, windowTitle(), QStringLiteral("Error in creation file"));
}

void FftCustomDialog::load() {
    const QString path = QFileDialog::getOpenFileName(this, tr("Load FFT Filter File"), filterFolder(false),
                                                      tr("FFT Filter Files (*.fft)"));
    if (path.isEmpty()) return;
    // A file that cannot be opened is passed over in silence.
    const LoadResult result = loadFile(path);
    if (result == LoadResult::Invalid)
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Error in reading file"));
    else if (result == LoadResult::Loaded)
        schedulePreview();
}

} // namespace veltor
