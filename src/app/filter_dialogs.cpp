#include "app/filter_dialogs.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

#include "app/slider_with_value.h"
#include "imaging/image_buffer.h"

namespace veltor {

namespace {

// The values of the slider dialogs confirmed with OK, by dialog title, for
// the rest of the session.
std::map<QString, std::vector<int>>& keptSliderValues() {
    static std::map<QString, std::vector<int>> kept;
    return kept;
}

} // namespace

// ---------------------------------------------------------------------------

SliderFilterDialog::SliderFilterDialog(const QString& title, ImageBuffer& frame, PreviewSession::Mode mode,
                                       Build build, std::function<void()> repaint, QWidget* parent)
    : PreviewDialog(frame, mode, std::move(repaint), parent), m_build(std::move(build)) {
    setWindowTitle(title);
    m_layout = new QVBoxLayout(this);
    setMinimumWidth(360);
}

void SliderFilterDialog::addSlider(const QString& label, int minimum, int maximum, int value) {
    auto* box = new QGroupBox(label, this);
    auto* row = new QHBoxLayout(box);
    auto* slider = new SliderWithValue(minimum, maximum, std::clamp(value, minimum, maximum), box);
    row->addWidget(slider);
    m_layout->addWidget(box);
    m_sliders.push_back(slider);
    m_choices.push_back(nullptr);
    connect(slider, &SliderWithValue::valueChanged, this, [this] { schedulePreview(); });
}

void SliderFilterDialog::addChoice(const QString& label, const QStringList& items, int index) {
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(label, this));
    auto* combo = new QComboBox(this);
    combo->addItems(items);
    combo->setCurrentIndex(std::clamp(index, 0, int(items.size()) - 1));
    row->addWidget(combo, 1);
    m_layout->addLayout(row);
    m_sliders.push_back(nullptr);
    m_choices.push_back(combo);
    connect(combo, &QComboBox::currentIndexChanged, this, [this] { schedulePreview(); });
}

void SliderFilterDialog::finish() {
    const auto kept = keptSliderValues().find(windowTitle());
    if (kept != keptSliderValues().end() && kept->second.size() == m_sliders.size()) {
        // Quietly: opening the dialog does not preview. Ranges that depend on
        // the frame clamp values kept from a frame with a wider range.
        for (size_t i = 0; i < m_sliders.size(); ++i) {
            const int v = kept->second[i];
            if (m_sliders[i] != nullptr) {
                const QSpinBox* spin = m_sliders[i]->spinBox();
                m_sliders[i]->setValueQuietly(std::clamp(v, spin->minimum(), spin->maximum()));
            } else {
                const QSignalBlocker block(m_choices[i]);
                m_choices[i]->setCurrentIndex(std::clamp(v, 0, m_choices[i]->count() - 1));
            }
        }
    }
    addButtons(m_layout);
}

void SliderFilterDialog::keepValues() {
    keptSliderValues()[windowTitle()] = rawValues();
}

void SliderFilterDialog::forgetKeptValues() {
    keptSliderValues().clear();
}

int SliderFilterDialog::value(int row) const {
    const auto i = size_t(row);
    if (i >= m_sliders.size()) return 0;
    return m_sliders[i] != nullptr ? m_sliders[i]->value() : m_choices[i]->currentIndex();
}

void SliderFilterDialog::setValue(int row, int value) {
    const auto i = size_t(row);
    if (i >= m_sliders.size()) return;
    if (m_sliders[i] != nullptr)
        m_sliders[i]->setValue(value);
    else
        m_choices[i]->setCurrentIndex(std::clamp(value, 0, m_choices[i]->count() - 1));
}

std::vector<int> SliderFilterDialog::rawValues() const {
    std::vector<int> v;
    for (size_t i = 0; i < m_sliders.size(); ++i) v.push_back(value(int(i)));
    return v;
}

std::vector<double> SliderFilterDialog::values() const {
    const std::vector<int> raw = rawValues();
    return {raw.begin(), raw.end()};
}

FrameOperation SliderFilterDialog::operation() const {
    return m_build(rawValues());
}

namespace {

// The span of sample values of the frame: 255 for 8-bit frames.
int valueSpan(const ImageBuffer& frame) {
    return std::max(0, frame.maxValue() - frame.minValue());
}

} // namespace

SliderFilterDialog* SliderFilterDialog::unsharp(ImageBuffer& frame, std::function<void()> repaint, QWidget* parent) {
    auto* d = new SliderFilterDialog(
        tr("Unsharp filtering"), frame, PreviewSession::Mode::Plain,
        [](const std::vector<int>& v) -> FrameOperation {
            const int amount = v[0], radius = v[1];
            return [=](ImageBuffer& f) { return f.unsharp(amount, radius); };
        },
        std::move(repaint), parent);
    d->addSlider(tr("Amount (%)"), 1, 500, 15);
    d->addSlider(tr("Radius"), 1, 100, 50);
    d->finish();
    return d;
}

SliderFilterDialog* SliderFilterDialog::smoothing(ImageBuffer& frame, std::function<void()> repaint, QWidget* parent) {
    auto* d = new SliderFilterDialog(
        tr("Smoothing"), frame, PreviewSession::Mode::Plain,
        [](const std::vector<int>& v) -> FrameOperation {
            const int amount = v[0];
            return [=](ImageBuffer& f) { return f.smooth(amount); };
        },
        std::move(repaint), parent);
    d->addSlider(tr("Amount (%)"), 0, 100, 50);
    d->finish();
    return d;
}

SliderFilterDialog* SliderFilterDialog::edgeEnhancement(ImageBuffer& frame, std::function<void()> repaint,
                                                        QWidget* parent) {
    auto* d = new SliderFilterDialog(
        tr("Edge Enhacement"), frame, PreviewSession::Mode::Plain,
        [](const std::vector<int>& v) -> FrameOperation {
            const int amount = v[0];
            return [=](ImageBuffer& f) { return f.edgeEnhance(amount); };
        },
        std::move(repaint), parent);
    d->addSlider(tr("Amount (%)"), 0, 100, 50);
    d->finish();
    return d;
}

SliderFilterDialog* SliderFilterDialog::dustAndScratches(ImageBuffer& frame, std::function<void()> repaint,
                                                         QWidget* parent) {
    auto* d = new SliderFilterDialog(
        tr("Dust And Scratches"), frame, PreviewSession::Mode::Plain,
        [](const std::vector<int>& v) -> FrameOperation {
            const int radius = v[0] + 1, threshold = v[1];
            return [=](ImageBuffer& f) { return f.dustAndScratches(radius, threshold); };
        },
        std::move(repaint), parent);
    d->addChoice(tr("Radius"), {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}, 0);
    const int span = valueSpan(frame) + 1;
    d->addSlider(tr("Threshold"), 0, span, span / 10);
    d->finish();
    return d;
}

SliderFilterDialog* SliderFilterDialog::localAveraging(ImageBuffer& frame, std::function<void()> repaint,
                                                       QWidget* parent) {
    auto* d = new SliderFilterDialog(
        tr("Local Averaging"), frame, PreviewSession::Mode::Trial,
        [](const std::vector<int>& v) -> FrameOperation {
            const int threshold = v[0], mask = v[1] + 1;
            return [=](ImageBuffer& f) { return f.localAverage(threshold, mask); };
        },
        std::move(repaint), parent);
    const int span = valueSpan(frame);
    d->addSlider(tr("Threshold"), 0, span, span / 10);
    // The choices are Blur masks 2 to 4: centre weights 4, 2 and 1.
    d->addChoice(tr("Mask"), {tr("Centre weight 4"), tr("Centre weight 2"), tr("Centre weight 1")}, 0);
    d->finish();
    return d;
}

// ---------------------------------------------------------------------------

namespace {

// The mask confirmed with OK, for the rest of the session (no passes: none yet).
CustomMask& keptCustomMask() {
    static CustomMask kept;
    return kept;
}

} // namespace

CustomMaskDialog::CustomMaskDialog(ImageBuffer& frame, std::function<void()> repaint, QWidget* parent)
    : PreviewDialog(frame, PreviewSession::Mode::Plain, std::move(repaint), parent) {
    setWindowTitle(tr("User-Defined Mask"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(tr("Radius"), this));
    m_radius = new QSpinBox(this);
    m_radius->setRange(1, 3);
    top->addWidget(m_radius);
    top->addSpacing(16);
    top->addWidget(new QLabel(tr("Passes"), this));
    m_passCount = new QSpinBox(this);
    m_passCount->setRange(1, CustomMask::kMaxPasses);
    m_passCount->setToolTip(tr("Each pass filters the result of the pass before it"));
    top->addWidget(m_passCount);
    top->addStretch(1);
    layout->addLayout(top);

    m_pages = new QTabWidget(this);
    for (size_t p = 0; p < m_passes.size(); ++p) {
        auto* page = new QWidget(m_pages);
        auto* pageLayout = new QVBoxLayout(page);
        auto* grid = new QGridLayout;
        PassPage& pass = m_passes[p];
        // Shown as the image sees it: the cell at screen column 3 + dx and
        // row 3 + dy weighs the neighbour at (dx, dy), i.e. grid entry
        // (3 + dx, 3 + dy).
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                auto* cell = new QSpinBox(page);
                cell->setRange(-999, 999);
                cell->setAlignment(Qt::AlignRight);
                pass.cells[size_t((3 + dx) * 7 + 3 + dy)] = cell;
                grid->addWidget(cell, 3 + dy, 3 + dx);
            }
        pageLayout->addLayout(grid);
        auto* bottom = new QHBoxLayout;
        bottom->addWidget(new QLabel(tr("Divisor"), page));
        pass.divisor = new QSpinBox(page);
        pass.divisor->setRange(-99999, 99999);
        bottom->addWidget(pass.divisor);
        bottom->addStretch(1);
        pageLayout->addLayout(bottom);
        m_pages->addTab(page, tr("Pass %1").arg(p + 1));
    }
    layout->addWidget(m_pages);
    addButtons(layout);

    // The box mean in every pass to start with, or the mask kept from the
    // last OK; shown before the signals are connected, so opening does not
    // preview.
    CustomMask start = keptCustomMask();
    if (start.passes.empty()) start = CustomMask{1, {CustomMaskPass::boxMean()}};
    showMask(start);

    for (PassPage& pass : m_passes) {
        for (QSpinBox* cell : pass.cells)
            connect(cell, qOverload<int>(&QSpinBox::valueChanged), this, [this] { schedulePreview(); });
        connect(pass.divisor, qOverload<int>(&QSpinBox::valueChanged), this, [this] { schedulePreview(); });
    }
    connect(m_radius, qOverload<int>(&QSpinBox::valueChanged), this, [this] {
        updateEnabled();
        schedulePreview();
    });
    connect(m_passCount, qOverload<int>(&QSpinBox::valueChanged), this, [this] {
        updateEnabled();
        schedulePreview();
    });
}

void CustomMaskDialog::showMask(const CustomMask& mask) {
    m_radius->setValue(std::clamp(mask.radius, 1, 3));
    const int count = std::clamp(int(mask.passes.size()), 1, int(m_passes.size()));
    m_passCount->setValue(count);
    for (size_t p = 0; p < m_passes.size(); ++p) {
        const CustomMaskPass pass = p < mask.passes.size() ? mask.passes[p] : CustomMaskPass::boxMean();
        for (size_t i = 0; i < pass.grid.size(); ++i) m_passes[p].cells[i]->setValue(pass.grid[i]);
        m_passes[p].divisor->setValue(pass.divisor);
    }
    updateEnabled();
}

void CustomMaskDialog::updateEnabled() {
    const int r = m_radius->value();
    for (PassPage& pass : m_passes)
        for (int row = 0; row < 7; ++row)
            for (int column = 0; column < 7; ++column)
                pass.cells[size_t(row * 7 + column)]->setEnabled(std::abs(row - 3) <= r && std::abs(column - 3) <= r);
    // Only the pages of the passes that run are offered.
    const int count = m_passCount->value();
    for (int p = 0; p < m_pages->count(); ++p) m_pages->setTabEnabled(p, p < count);
    if (m_pages->currentIndex() >= count) m_pages->setCurrentIndex(count - 1);
}

void CustomMaskDialog::setRadius(int radius) { m_radius->setValue(radius); }
void CustomMaskDialog::setPassCount(int count) { m_passCount->setValue(count); }
int CustomMaskDialog::passCount() const { return m_passCount->value(); }

void CustomMaskDialog::setDivisor(int divisor, int pass) {
    if (pass >= 0 && size_t(pass) < m_passes.size()) m_passes[size_t(pass)].divisor->setValue(divisor);
}

void CustomMaskDialog::setWeights(const std::array<int32_t, 49>& grid, int pass) {
    if (pass < 0 || size_t(pass) >= m_passes.size()) return;
    for (size_t i = 0; i < grid.size(); ++i) m_passes[size_t(pass)].cells[i]->setValue(grid[i]);
}

CustomMask CustomMaskDialog::mask() const {
    CustomMask m{m_radius->value(), {}};
    for (int p = 0; p < m_passCount->value(); ++p) {
        const PassPage& page = m_passes[size_t(p)];
        CustomMaskPass pass;
        for (size_t i = 0; i < page.cells.size(); ++i) pass.grid[i] = page.cells[i]->value();
        pass.divisor = page.divisor->value();
        m.passes.push_back(pass);
    }
    return m;
}

FrameOperation CustomMaskDialog::operation() const {
    const CustomMask m = mask();
    return [m](ImageBuffer& f) { return f.customMask(m); };
}

std::vector<double> CustomMaskDialog::values() const {
    const CustomMask m = mask();
    std::vector<double> v{double(m.radius), double(m.passes.size())};
    for (const CustomMaskPass& pass : m.passes) {
        v.insert(v.end(), pass.grid.begin(), pass.grid.end());
        v.push_back(pass.divisor);
    }
    return v;
}

void CustomMaskDialog::keepValues() {
    keptCustomMask() = mask();
}

void CustomMaskDialog::forgetKeptValues() {
    keptCustomMask() = CustomMask{};
}

QString CustomMaskDialog::problemText(CustomMaskProblem problem) {
    switch (problem) {
    case CustomMaskProblem::Ok:
        return {};
    case CustomMaskProblem::Divisor:
        return tr("The divisor must be a number above 0.");
    case CustomMaskProblem::AllZero:
        return tr("The mask needs at least one weight that is not 0.");
    case CustomMaskProblem::NoPasses:
    case CustomMaskProblem::TooManyPasses:
        return tr("A mask has one to three passes.");
    case CustomMaskProblem::Radius:
        break;
    }
    return tr("The radius must be 1, 2 or 3.");
}

bool CustomMaskDialog::validate(bool tell) {
    const CustomMask m = mask();
    QString text = problemText(checkCustomMask(m));
    if (text.isEmpty()) return true;
    if (tell) {
        // Name the pass at fault when there are several, and show its page.
        for (size_t p = 0; m.passes.size() > 1 && p < m.passes.size(); ++p) {
            if (checkCustomMask(CustomMask{m.radius, {m.passes[p]}}) == CustomMaskProblem::Ok) continue;
            text = tr("Pass %1: %2").arg(p + 1).arg(text);
            m_pages->setCurrentIndex(int(p));
            break;
        }
        QMessageBox::warning(this, windowTitle(), text);
    }
    return false;
}

} // namespace veltor
